#!/usr/bin/python3
"""Draws the structure pictures of the chemical sources from their SMILES.

Run with Debian's system Python (/usr/bin/python3), which sees python3-rdkit.
Only pictures that are missing are drawn, unless --force is given.  A picture
is 600 x 400 pixels: the record pane shows it at half that size, so it stays
sharp on a 2x screen.
"""
import argparse
import pathlib
import sys

from rdkit import Chem
from rdkit.Chem.Draw import rdMolDraw2D

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent

WIDTH, HEIGHT = 600, 400


def read_blocks(path):
    """Yields the field dictionaries of the [chemical] blocks of one source file."""
    block = None
    for raw in path.read_text(encoding="utf-8").splitlines():
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        if line == "[chemical]":
            if block is not None:
                yield block
            block = {}
            continue
        if block is None or "=" not in line:
            continue
        key, value = line.split("=", 1)
        block[key.strip()] = value.strip()
    if block is not None:
        yield block


def draw(smiles, target):
    mol = Chem.MolFromSmiles(smiles)
    if mol is None:
        raise ValueError(f"invalid SMILES {smiles!r}")
    # Metal ions and bare atoms get radical dots from the valence model;
    # a handbook picture shows the plain symbol.
    for atom in mol.GetAtoms():
        atom.SetNumRadicalElectrons(0)
    drawer = rdMolDraw2D.MolDraw2DCairo(WIDTH, HEIGHT)
    opts = drawer.drawOptions()
    opts.bondLineWidth = 3
    opts.minFontSize = 22
    opts.maxFontSize = 40
    opts.padding = 0.08
    opts.clearBackground = True
    opts.setBackgroundColour((1, 1, 1, 1))
    opts.addStereoAnnotation = False
    rdMolDraw2D.PrepareAndDrawMolecule(drawer, mol)
    drawer.FinishDrawing()
    target.write_bytes(drawer.GetDrawingText())


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("sources", nargs="*", type=pathlib.Path,
                        help="source files (default: every file of sources/chemicals)")
    parser.add_argument("--pictures", type=pathlib.Path, default=DATA / "pictures")
    parser.add_argument("--force", action="store_true", help="redraw existing pictures")
    parser.add_argument("--radicals", action="store_true",
                        help="redraw the existing pictures of molecules with radical atoms")
    args = parser.parse_args()
    sources = args.sources or sorted((DATA / "sources" / "chemicals").glob("*.txt"))
    args.pictures.mkdir(parents=True, exist_ok=True)
    drawn = failed = 0
    for source in sources:
        for block in read_blocks(source):
            smiles = block.get("SMILES", "")
            name = block.get("图") or (block.get("CAS号", "") + ".png")
            if not smiles or name in ("-", ".png"):
                continue
            target = args.pictures / name
            if target.exists() and not args.force:
                mol = Chem.MolFromSmiles(smiles) if args.radicals else None
                if mol is None or not any(a.GetNumRadicalElectrons() for a in mol.GetAtoms()):
                    continue
            try:
                draw(smiles, target)
                drawn += 1
            except Exception as error:  # report and go on with the others
                failed += 1
                print(f"{source.name}: {block.get('中文名称', '?')}: {error}", file=sys.stderr)
    print(f"{drawn} pictures drawn, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
