#!/usr/bin/python3
"""Draws the structure pictures of the chemical sources from their SMILES.

Run with Debian's system Python (/usr/bin/python3), which sees python3-rdkit.
Only pictures that are missing are drawn, unless --force is given, or
--fragments / --radicals pick existing pictures to redraw.  A picture is
600 x 400 pixels: the record pane shows it at half that size, so it stays
sharp on a 2x screen.

A salt or hydrate is several disconnected parts.  Each distinct part is drawn
once, with its count in front as in a formula (2Al³⁺, 3 SO₄²⁻, 18H₂O), and the
parts are set side by side in one or more rows, so that they never overlap.

A molecule is laid out so that no atoms sit on top of each other, no atom lies
on a bond and no bonds cross: the templates of sources/drawings/ (ring
skeletons such as the steroid nucleus, cages, bridged rings) are tried first,
then RDKit's own layout, then CoordGen's; the first without clashes is drawn.
depiction() gives those coordinates and clashes() what is wrong with them, so
that the checks see what the pictures show.
"""
import argparse
import collections
import pathlib
import re
import sys

from rdkit import Chem
from rdkit.Chem import rdDepictor
from rdkit.Chem.Draw import rdMolDraw2D
from rdkit.Geometry import Point2D, Point3D

HERE = pathlib.Path(__file__).resolve().parent
DATA = HERE.parent

WIDTH, HEIGHT = 600, 400

# Layout lengths in the units of RDKit's 2D coordinates (a bond is 1.5).
GAP = 1.0           # between neighbouring parts in a row
ROW_GAP = 0.8       # between rows
CHAR = 0.45         # width of one character of an atom label
LABEL_HEIGHT = 0.5  # half the height of an atom label
BOND = 1.5          # length of a bond

PADDING = 0.08      # share of the picture left blank on each side
# Largest bond length, in pixels, of a picture of several parts: without it a
# few lone ions would be spread over the whole picture in small type.
PART_BOND_PIXELS = 80


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


def parse(smiles):
    mol = Chem.MolFromSmiles(smiles)
    if mol is None:
        raise ValueError(f"invalid SMILES {smiles!r}")
    return mol


def restore_halogen_oxo_bonds(mol):
    """RDKit stores ClO₃⁻ as [Cl²⁺] with three O⁻; a handbook draws Cl=O
    double bonds.  Turns each O⁻ on a positive halogen back into a double bond."""
    for atom in mol.GetAtoms():
        if atom.GetSymbol() not in ("Cl", "Br", "I"):
            continue
        for bond in atom.GetBonds():
            other = bond.GetOtherAtom(atom)
            if atom.GetFormalCharge() <= 0:
                break
            if other.GetSymbol() == "O" and other.GetFormalCharge() == -1 \
                    and bond.GetBondType() == Chem.BondType.SINGLE:
                bond.SetBondType(Chem.BondType.DOUBLE)
                other.SetFormalCharge(0)
                atom.SetFormalCharge(atom.GetFormalCharge() - 1)
    mol.UpdatePropertyCache(strict=False)


def has_radicals(mol):
    return any(atom.GetNumRadicalElectrons() for atom in mol.GetAtoms())


def fragment_count(mol):
    return len(Chem.GetMolFrags(mol))


# ---------------------------------------------------------------- coordinates

# Ring skeletons with a drawing of their own (the steroid nucleus in the
# textbook orientation, cages and bridged rings without crossing bonds):
# drawings/*.mol, coordinates in RDKit's units (a bond is 1.5).  Elements and
# bond orders are ignored when a template is matched, so one skeleton serves
# every compound built on it.  A template named *-perspective.mol is a
# textbook perspective drawing of a bridged ring system: the bonds it draws
# may cross one another (the bridge in front of the ring), nothing else.
TEMPLATES = DATA / "sources" / "drawings"
PERSPECTIVE = "perspective"     # bond property: a bond of a perspective template

# Two atoms nearer than this share of the bond length are drawn on top of
# each other; an atom nearer than ON_BOND to a bond it does not belong to
# seems to lie on it.
CLOSE_ATOMS = 0.45
ON_BOND = 0.25


def _positions(mol):
    return [(float(x), float(y)) for x, y, _ in mol.GetConformer().GetPositions()]


def _segment_distance(p, a, b):
    """Distance of point p from segment ab, and where along ab (0..1) it is nearest."""
    dx, dy = b[0] - a[0], b[1] - a[1]
    t = ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / ((dx * dx + dy * dy) or 1)
    t = min(1.0, max(0.0, t))
    return ((p[0] - a[0] - t * dx) ** 2 + (p[1] - a[1] - t * dy) ** 2) ** 0.5, t


def _side(a, b, c):
    """Which side of the line ab point c lies on: 1, -1, or 0 on the line
    (within rounding, so that bonds in one straight line never cross)."""
    cross = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])
    return 0 if abs(cross) < 1e-6 else 1 if cross > 0 else -1


def clashes(mol):
    """What makes the 2D coordinates of mol unreadable: atoms drawn on top of
    each other, an atom lying on a bond it is not part of, bonds that cross
    (but two bonds of a perspective template).  Distances are measured in
    shares of the median bond length."""
    xy = _positions(mol)
    bonds = [(b.GetBeginAtomIdx(), b.GetEndAtomIdx()) for b in mol.GetBonds()]
    lengths = sorted(((xy[i][0] - xy[j][0]) ** 2 + (xy[i][1] - xy[j][1]) ** 2) ** 0.5
                     for i, j in bonds)
    unit = lengths[len(lengths) // 2] if lengths else BOND
    name = lambda i: mol.GetAtomWithIdx(i).GetSymbol() + str(i + 1)   # noqa: E731
    found = []
    # The count in front of a part of a salt is text placed beside the part's
    # labels, not an atom.
    counts = {a.GetIdx() for a in mol.GetAtoms()
              if a.GetAtomicNum() == 0 and not a.GetDegree() and a.HasProp("atomLabel")}
    for i in range(len(xy)):
        for j in range(i + 1, len(xy)):
            if i in counts or j in counts:
                continue
            if ((xy[i][0] - xy[j][0]) ** 2 + (xy[i][1] - xy[j][1]) ** 2) ** 0.5 < CLOSE_ATOMS * unit:
                found.append(f"atoms {name(i)} and {name(j)} overlap")
    for i, j in bonds:
        for k in range(len(xy)):
            if k in (i, j):
                continue
            distance, t = _segment_distance(xy[k], xy[i], xy[j])
            if 0 < t < 1 and distance < ON_BOND * unit:
                found.append(f"atom {name(k)} lies on bond {name(i)}-{name(j)}")
    in_perspective = [b.HasProp(PERSPECTIVE) for b in mol.GetBonds()]
    for n, (i, j) in enumerate(bonds):
        for m, (k, l) in enumerate(bonds[n + 1:], n + 1):
            if {i, j} & {k, l} or (in_perspective[n] and in_perspective[m]):
                continue
            a, b, c, d = xy[i], xy[j], xy[k], xy[l]
            if _side(a, b, c) * _side(a, b, d) < 0 and _side(c, d, a) * _side(c, d, b) < 0:
                found.append(f"bonds {name(i)}-{name(j)} and {name(k)}-{name(l)} cross")
    return found


_templates = None


def templates():
    """The skeleton templates as (name, query, positions, perspective),
    largest first."""
    global _templates
    if _templates is None:
        params = Chem.AdjustQueryParameters.NoAdjustments()
        params.makeAtomsGeneric = True
        params.makeBondsGeneric = True
        found = []
        for path in sorted(TEMPLATES.glob("*.mol")):
            template = Chem.MolFromMolFile(str(path), sanitize=False, removeHs=False)
            if template is None:
                raise ValueError(f"cannot read {path}")
            query = Chem.AdjustQueryProperties(template, params)
            found.append((path.stem, query, _positions(template),
                          path.stem.endswith("-" + PERSPECTIVE)))
        found.sort(key=lambda t: -t[1].GetNumAtoms())
        _templates = found
    return _templates


def _fixed_layout(mol, fixed, perspective=False):
    """RDKit's layout around the atoms of a template, which keep their places
    exactly (RDKit moves end atoms such as hydrogens otherwise); the bonds
    of a perspective template are marked as such."""
    rdDepictor.Compute2DCoords(mol, coordMap=fixed)
    conf = mol.GetConformer()
    for idx, p in fixed.items():
        conf.SetAtomPosition(idx, Point3D(p.x, p.y, 0))
    for bond in mol.GetBonds():
        if perspective and bond.GetBeginAtomIdx() in fixed and bond.GetEndAtomIdx() in fixed:
            bond.SetBoolProp(PERSPECTIVE, True)
        elif bond.HasProp(PERSPECTIVE):
            bond.ClearProp(PERSPECTIVE)


def _layouts(mol):
    """Candidate 2D coordinates of one connected molecule, best look first:
    the templates of the skeletons it contains, RDKit's own layout (that of
    most pictures), then CoordGen's (better with bridged and macrocyclic
    rings).  Each is a function that lays out mol."""
    for _, query, positions, perspective in templates():
        # A symmetric skeleton matches in several ways; which way round it
        # is drawn decides where the substituents go.
        for match in mol.GetSubstructMatches(query, uniquify=False, maxMatches=48):
            fixed = {idx: Point2D(*xy) for idx, xy in zip(match, positions)}
            yield lambda m, fixed=fixed, p=perspective: _fixed_layout(m, fixed, p)
    yield lambda m: rdDepictor.Compute2DCoords(m)

    def coordgen(m):
        rdDepictor.SetPreferCoordGen(True)
        try:
            rdDepictor.Compute2DCoords(m)
        finally:
            rdDepictor.SetPreferCoordGen(False)
    yield coordgen


def on_template(mol, name):
    """False when the 2D coordinates of mol contain the skeleton of template
    `name` somewhere else than at the template's places (up to a shift): the
    template's layout clashed and another was taken."""
    for stem, query, positions, _ in templates():
        if stem != name:
            continue
        xy = _positions(mol)
        for match in mol.GetSubstructMatches(query, uniquify=False, maxMatches=48):
            dx, dy = xy[match[0]][0] - positions[0][0], xy[match[0]][1] - positions[0][1]
            if all(abs(xy[i][0] - x - dx) < 1e-3 and abs(xy[i][1] - y - dy) < 1e-3
                   for i, (x, y) in zip(match, positions)):
                return True
        return not mol.HasSubstructMatch(query)
    raise KeyError(name)


def part_coordinates(mol):
    """A copy of one connected molecule with the 2D coordinates it is drawn
    with: the first candidate layout without clashes (the one with fewest
    if none is clean).  A stereocentre shared by two rings shows its
    hydrogen, as RDKit's drawing code does, so that the ring fusion can be
    wedged."""
    Chem.FastFindRings(mol)        # the parts of a salt come unsanitized
    rings = mol.GetRingInfo()
    chiral = [a.GetIdx() for a in mol.GetAtoms()
              if a.GetChiralTag() in (Chem.ChiralType.CHI_TETRAHEDRAL_CW,
                                      Chem.ChiralType.CHI_TETRAHEDRAL_CCW)
              and rings.NumAtomRings(a.GetIdx()) > 1]
    with_hs = Chem.AddHs(mol, onlyOnAtoms=chiral) if chiral else Chem.Mol(mol)
    # Without the hydrogens a crowded molecule (a macrolide with its sugars)
    # has room; the wedges then go to the other bonds.
    variants = (with_hs, Chem.Mol(mol)) if chiral else (with_hs,)
    best = None
    for drawn in variants:
        for compute in _layouts(drawn):
            candidate = Chem.Mol(drawn)
            compute(candidate)
            found = len(clashes(candidate))
            if best is None or found < best[0]:
                best = (found, candidate)
            if not found:
                return candidate
    return best[1]


def depiction(smiles):
    """The molecule of a SMILES as it is drawn, with its 2D coordinates: one
    molecule as part_coordinates lays it out, a salt or hydrate as its
    distinct parts side by side with their counts."""
    mol = parse(smiles)
    # Metal ions and bare atoms get radical dots from the valence model;
    # a handbook picture shows the plain symbol.
    for atom in mol.GetAtoms():
        atom.SetNumRadicalElectrons(0)
    restore_halogen_oxo_bonds(mol)
    if fragment_count(mol) > 1:
        return layout(mol)
    return part_coordinates(mol)


# ---------------------------------------------------------------- layout

# Hydrogen is written before these symbols (H₂O, HCl) and after the others
# (NH₄⁺); hydroxide is OH⁻.
H_FIRST = {"O", "S", "Se", "Te", "F", "Cl", "Br", "I"}

_MARKUP = re.compile(r"<(sub|sup)>(.*?)</\1>")


def _charge_text(charge):
    if not charge:
        return ""
    sign = "+" if charge > 0 else "-"
    return sign if abs(charge) == 1 else f"{abs(charge)}{sign}"


def ion_label(atom, count=1):
    """The text of a lone atom or ion with its count in front, in RDKit's
    label markup: 2, Al, 3+ -> "2Al<sup>3+</sup>"; water -> "H<sub>2</sub>O"."""
    symbol = atom.GetSymbol()
    hydrogens = atom.GetTotalNumHs()
    h = "" if not hydrogens else "H" if hydrogens == 1 else f"H<sub>{hydrogens}</sub>"
    charge = _charge_text(atom.GetFormalCharge())
    hydroxide = symbol == "O" and atom.GetFormalCharge() < 0
    body = h + symbol if symbol in H_FIRST and not hydroxide else symbol + h
    if charge:
        body += f"<sup>{charge}</sup>"
    return (str(count) if count > 1 else "") + body


def _label_chars(atom):
    """Rough number of characters RDKit prints for an atom: symbol, hydrogens,
    charge (the small ones count as half); 0 for a plain chain carbon."""
    if atom.HasProp("atomLabel"):
        text = atom.GetProp("atomLabel")
        small = sum(len(m.group(2)) for m in _MARKUP.finditer(text))
        return len(_MARKUP.sub("", text)) + small / 2
    if atom.GetAtomicNum() == 6 and atom.GetDegree() > 0 and not atom.GetFormalCharge():
        return 0
    chars = len(atom.GetSymbol())
    hydrogens = atom.GetTotalNumHs()
    if hydrogens:
        chars += 1 if hydrogens == 1 else 1.5
    chars += len(_charge_text(atom.GetFormalCharge())) / 2
    return chars


def _extent(mol):
    """The box (x0, y0, x1, y1) a part takes, its atom labels included."""
    conf = mol.GetConformer()
    xs0, xs1, ys0, ys1 = [], [], [], []
    for atom in mol.GetAtoms():
        p = conf.GetAtomPosition(atom.GetIdx())
        half = max(_label_chars(atom), 1) * CHAR / 2
        if atom.GetTotalNumHs() and atom.GetDegree():
            half *= 2           # "OH" may be written to either side of the O
        xs0.append(p.x - half)
        xs1.append(p.x + half)
        ys0.append(p.y - LABEL_HEIGHT)
        ys1.append(p.y + LABEL_HEIGHT)
    return min(xs0), min(ys0), max(xs1), max(ys1)


Part = collections.namedtuple("Part", "mol count width height box")


def distinct_parts(mol):
    """The disconnected parts of mol, each distinct one once with its count:
    cations, then anions, then neutral parts (water), each in the order they
    first appear, as a formula is written.

    A lone atom or ion carries its count in its own label ("18H₂O"); a larger
    part gets a separate count in front of it (its width includes it)."""
    counts = collections.OrderedDict()
    first = {}
    for frag in Chem.GetMolFrags(mol, asMols=True, sanitizeFrags=False):
        key = Chem.MolToSmiles(frag)
        counts[key] = counts.get(key, 0) + 1
        first.setdefault(key, frag)
    def charge_order(key):
        charge = sum(a.GetFormalCharge() for a in first[key].GetAtoms())
        return 0 if charge > 0 else 1 if charge < 0 else 2

    parts = []
    for key in sorted(counts, key=charge_order):     # a stable sort keeps the order within each kind
        count = counts[key]
        frag = Chem.Mol(first[key])
        if frag.GetNumAtoms() == 1:
            atom = frag.GetAtomWithIdx(0)
            atom.SetProp("atomLabel", ion_label(atom, count))
        frag = part_coordinates(frag)
        x0, y0, x1, y1 = box = _extent(frag)
        width = x1 - x0
        if count > 1 and frag.GetNumAtoms() > 1:
            width += len(str(count)) * CHAR + CHAR / 2
        parts.append(Part(frag, count, width, y1 - y0, box))
    return parts


def _rows(widths, rows):
    """Splits the parts, in order, into at most `rows` rows of similar width."""
    target = sum(widths) / rows
    result, current, used = [], [], 0.0
    for i, w in enumerate(widths):
        if current and used + w / 2 > target and len(result) < rows - 1:
            result.append(current)
            current, used = [], 0.0
        current.append(i)
        used += w + GAP
    result.append(current)
    return result


def arrange(parts, width=WIDTH, height=HEIGHT):
    """Chooses the rows for the parts that let them be drawn largest (fewer
    rows unless more are clearly larger).

    Returns, for each part, the offset (dx, dy) that moves its own
    coordinates to its place."""
    widths = [p.width for p in parts]
    best = None
    for rows in range(1, len(parts) + 1):
        split = _rows(widths, rows)
        row_widths = [sum(widths[i] for i in row) + GAP * (len(row) - 1) for row in split]
        row_heights = [max(parts[i].height for i in row) for row in split]
        total_w = max(row_widths)
        total_h = sum(row_heights) + ROW_GAP * (len(split) - 1)
        scale = min(width * (1 - 2 * PADDING) / total_w, height * (1 - 2 * PADDING) / total_h,
                    PART_BOND_PIXELS / BOND)
        if best is None or scale > best[0] * 1.05:
            best = (scale, split, row_widths, row_heights)
    _, split, row_widths, row_heights = best
    offsets = [None] * len(parts)
    top = 0.0
    total_w = max(row_widths)
    for row, row_w, row_h in zip(split, row_widths, row_heights):
        x = (total_w - row_w) / 2
        centre_y = top - row_h / 2          # rows go downwards: y grows upwards in RDKit
        for i in row:
            x0, y0, x1, y1 = parts[i].box
            left = x + parts[i].width - (x1 - x0)
            offsets[i] = (left - x0, centre_y - (y0 + y1) / 2)
            x += parts[i].width + GAP
        top -= row_h + ROW_GAP
    return offsets


def _placed(mol, dx, dy):
    """A copy of mol with its 2D coordinates moved by (dx, dy)."""
    mol = Chem.Mol(mol)
    conf = mol.GetConformer()
    for i in range(mol.GetNumAtoms()):
        p = conf.GetAtomPosition(i)
        conf.SetAtomPosition(i, Point3D(p.x + dx, p.y + dy, 0))
    return mol


def _count_label(count, x, y):
    """A one-atom molecule that RDKit draws as the text of count at (x, y)."""
    atom = Chem.Atom(0)
    atom.SetProp("atomLabel", str(count))
    atom.SetNoImplicit(True)
    label = Chem.RWMol()
    label.AddAtom(atom)
    label = label.GetMol()
    label.UpdatePropertyCache(strict=False)
    conf = Chem.Conformer(1)
    conf.SetAtomPosition(0, Point3D(x, y, 0))
    label.AddConformer(conf)
    return label


def layout(mol):
    """A molecule of the distinct parts of mol, each with its count as a text
    atom in front, placed so that no two parts overlap."""
    parts = distinct_parts(mol)
    offsets = arrange(parts)
    result = None
    for part, (dx, dy) in zip(parts, offsets):
        pieces = [_placed(part.mol, dx, dy)]
        if part.count > 1 and part.mol.GetNumAtoms() > 1:
            x0, y0, _, y1 = part.box
            digits = len(str(part.count)) * CHAR
            pieces.insert(0, _count_label(part.count, x0 + dx - CHAR / 2 - digits / 2,
                                          (y0 + y1) / 2 + dy))
        for piece in pieces:
            result = piece if result is None else Chem.CombineMols(result, piece)
    return result


# ---------------------------------------------------------------- drawing

def draw(smiles, target):
    mol = depiction(smiles)
    drawer = rdMolDraw2D.MolDraw2DCairo(WIDTH, HEIGHT)
    opts = drawer.drawOptions()
    if fragment_count(parse(smiles)) > 1:
        opts.fixedBondLength = PART_BOND_PIXELS
    opts.bondLineWidth = 3
    opts.minFontSize = 22
    opts.maxFontSize = 40
    opts.padding = PADDING
    opts.clearBackground = True
    opts.setBackgroundColour((1, 1, 1, 1))
    opts.addStereoAnnotation = False
    opts.updateAtomPalette({0: (0, 0, 0)})      # the counts, in plain black
    # The stereocentres already have the hydrogens they are drawn with.
    drawer.DrawMolecule(rdMolDraw2D.PrepareMolForDrawing(mol, addChiralHs=False))
    drawer.FinishDrawing()
    target.write_bytes(drawer.GetDrawingText())


def wanted(target, smiles, args):
    """True when the picture at target should be drawn now."""
    if args.force or not target.exists():
        return True
    if not (args.fragments or args.radicals):
        return False
    mol = parse(smiles)
    return (args.fragments and fragment_count(mol) > 1) or (args.radicals and has_radicals(mol))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("sources", nargs="*", type=pathlib.Path,
                        help="source files (default: every file of sources/chemicals)")
    parser.add_argument("--pictures", type=pathlib.Path, default=DATA / "pictures")
    parser.add_argument("--force", action="store_true", help="redraw existing pictures")
    parser.add_argument("--fragments", action="store_true",
                        help="redraw the existing pictures of salts, hydrates and other "
                             "molecules of several parts")
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
            try:
                if not wanted(target, smiles, args):
                    continue
                draw(smiles, target)
                drawn += 1
            except Exception as error:  # report and go on with the others
                failed += 1
                print(f"{source.name}: {block.get('中文名称', '?')}: {error}", file=sys.stderr)
    print(f"{drawn} pictures drawn, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
