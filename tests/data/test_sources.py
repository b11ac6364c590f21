#!/usr/bin/python3
"""Checks the text sources the database builder reads.

    /usr/bin/python3 tests/data/test_sources.py

VELMORA_DATA_SOURCES names the source folder (default data/sources).  The
shipped folder gets every check; any other folder (the test fixtures, which
may lack pictures and carry odd names on purpose) gets only the structural
ones: block format, index paths, heading texts, element and periodic tables.
The formula-versus-SMILES check runs only where RDKit can be imported.
"""
import collections
import os
import pathlib
import re
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "data" / "tools"))

from check_reference import (Reference, cas_valid, check, formula_counts,  # noqa: E402
                             leading_range, read_chemicals)

try:
    from rdkit import Chem
    from rdkit import RDLogger
    RDLogger.DisableLog("rdApp.*")
except ImportError:
    Chem = None

DEFAULT_SOURCES = ROOT / "data" / "sources"


def _sources_dir():
    value = os.environ.get("VELMORA_DATA_SOURCES")
    if not value:
        return DEFAULT_SOURCES
    path = pathlib.Path(value)
    if not path.is_absolute() and not path.exists():
        path = ROOT / path
    return path.resolve()


SOURCES = _sources_dir()
SHIPPED = SOURCES == DEFAULT_SOURCES.resolve()
PICTURES = SOURCES.parent / "pictures"

HEADINGS = ("第一级标题", "第二级标题", "第三级标题")
FIELDS = {
    "中文名称", "英文名称", "CAS号", "分子式", "SMILES", "密度", "性状", "熔点",
    "沸点", "折射率", "闪点", "蒸气压", "粘度", "溶解性", "用途", "制备方法",
    "消耗定额", "安全性", "通用名、商品名", "分子量", "图", *HEADINGS,
}
REQUIRED = {"中文名称", *HEADINGS}   # a true mixture has no 分子式


def _load_chemicals():
    chemicals = []
    for path in sorted((SOURCES / "chemicals").glob("*.txt")):
        chemicals.extend(read_chemicals(path))
    return chemicals


def _load_index():
    """Index lines as (file, line number, cells)."""
    rows = []
    for path in sorted((SOURCES / "index").glob("*.tsv")):
        for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            if raw.strip() and not raw.startswith("#"):
                rows.append((path.name, number, raw.split("\t")))
    return rows


CHEMICALS = _load_chemicals()
INDEX = _load_index()


def where(chem, field=None):
    line = chem.fields[field][1] if field and field in chem.fields else chem.line
    return f"{chem.path.name}:{line}"


def value(chem, field):
    return chem.fields.get(field, ("", 0))[0]


class SourceTest(unittest.TestCase):
    def assertNoProblems(self, problems):
        if problems:
            shown = "\n".join(problems[:60])
            more = f"\n… and {len(problems) - 60} more" if len(problems) > 60 else ""
            self.fail(f"{len(problems)} problem(s):\n{shown}{more}")


class HelperTest(unittest.TestCase):
    """The parsing helpers shared with check_reference.py."""

    def test_formula_counts(self):
        self.assertEqual(formula_counts("CuSO4·5H2O"), {"Cu": 1, "S": 1, "O": 9, "H": 10})
        self.assertEqual(formula_counts("Ca(H2PO4)2·H2O"), {"Ca": 1, "H": 6, "P": 2, "O": 9})
        self.assertEqual(formula_counts("K4[Fe(CN)6]"), {"K": 4, "Fe": 1, "C": 6, "N": 6})
        self.assertEqual(formula_counts("2CaSO4·H2O"), {"Ca": 2, "S": 2, "O": 9, "H": 2})
        for unparsable in ("(C2H4)n", "Al2O3·xH2O", "", "C6H12O6)", "(NH4"):
            self.assertIsNone(formula_counts(unparsable), unparsable)

    def test_leading_range(self):
        self.assertEqual(leading_range("1.220（20℃）"), (1.22, 1.22))
        self.assertEqual(leading_range("-10～-5"), (-10, -5))
        self.assertEqual(leading_range("170（分解）"), (170, 170))
        self.assertIsNone(leading_range("升华"))

    def test_cas_valid(self):
        for good in ("64-18-6", "7732-18-5", "13463-67-7"):
            self.assertTrue(cas_valid(good), good)
        for bad in ("64-18-7", "64186", "64-18-6 ", "1-18-6"):
            self.assertFalse(cas_valid(bad), bad)


    def test_check_against_reference(self):
        with tempfile.TemporaryDirectory() as tmp:
            tmp = pathlib.Path(tmp)
            (tmp / "cb_properties_long.tsv").write_text(
                "cas\tproperty\tvalue\tunit\tcondition\tsource\n"
                "64-18-6\tmelting_point\t8.3\t°C\t\tCRC_ORG\n"
                "64-18-6\tboiling_point\t101\t°C\t\tCRC_ORG\n"
                "64-18-6\tflash_point\t42\t°C\t\tIEC60079\n"
                "64-18-6\tflash_point\t50\t°C\t\tWIKIDATA\n"
                "7664-41-7\tdensity\t0.000696\tg/cm3\t\tCRC_INORG\n", encoding="utf-8")
            (tmp / "cb_identifiers.tsv").write_text(
                "cas\tformula\n64-18-6\tCH2O2\n7664-41-7\tH3N\n", encoding="utf-8")
            source = tmp / "a.txt"
            source.write_text(
                "[chemical]\n中文名称 = 甲酸\nCAS号 = 64-18-6\n分子式 = CH2O2\n"
                "熔点 = 5～7\n沸点 = 110\n闪点 = 54（开杯）\n"
                "[chemical]\n中文名称 = 氨\nCAS号 = 7664-41-7\n分子式 = NH4\n"
                "密度 = 0.682（-33℃，液体）\n"
                "[chemical]\n中文名称 = 错号\nCAS号 = 64-18-7\n熔点 = 1\n"
                "[chemical]\n中文名称 = 未知\nCAS号 = 50-00-0\n", encoding="utf-8")
            chemicals = read_chemicals(source)
            reference = Reference(tmp, {c.fields["CAS号"][0] for c in chemicals})
            checked, findings = check(chemicals, reference)
        flagged = {(x.name, x.field, x.info) for x in findings}
        self.assertEqual(flagged, {
            ("甲酸", "沸点", False),        # 110 is 9 ℃ off; 5～7 lies within 3 ℃ of 8.3
            ("氨", "分子式", False),         # a gas density is not compared with a liquid one
            ("错号", "CAS号", False),
            ("未知", "CAS号", True),
        })
        self.assertEqual(checked, 9)        # four CAS, 熔点, 沸点, 闪点 and two formulas


class BlockTest(SourceTest):
    """Structure of the chemical blocks; the builder silently drops what it does not know."""

    def test_fields_known(self):
        problems = []
        for chem in CHEMICALS:
            for field in chem.fields:
                if field not in FIELDS:
                    problems.append(f"{where(chem, field)} unknown field {field!r}")
            if value(chem, "图") != "-" and not value(chem, "CAS号") and "图" not in chem.fields:
                problems.append(f"{where(chem)} neither CAS号 nor 图 names a picture")
        self.assertNoProblems(problems)

    def test_no_field_twice(self):
        problems = []
        for path in sorted((SOURCES / "chemicals").glob("*.txt")):
            seen = set()
            for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
                line = raw.strip()
                if line == "[chemical]":
                    seen = set()
                elif line and not line.startswith("#"):
                    if "=" not in line:
                        problems.append(f"{path.name}:{number} not a 字段 = 值 line")
                        continue
                    key = line.split("=", 1)[0].strip()
                    if key in seen:
                        problems.append(f"{path.name}:{number} {key} given twice in one block")
                    seen.add(key)
        self.assertNoProblems(problems)

    def test_formula_gives_molecular_weight(self):
        # The builder computes 分子量 from 分子式; a hand-written one is only for
        # formulas it cannot read (polymers), and must not shadow a computed one.
        symbols = {row[0] for row in _element_rows()} if (SOURCES / "elements.tsv").exists() else None
        problems = []
        for chem in CHEMICALS:
            formula = value(chem, "分子式")
            if not formula:
                continue
            counts = formula_counts(formula)
            given = "分子量" in chem.fields
            indefinite = re.search(r"\)n$|(^|·)[xn]", formula)   # (C2H4)n, Al2O3·xH2O
            if counts is None:
                if not indefinite and not given:
                    problems.append(f"{where(chem, '分子式')} cannot read {formula!r}")
            elif symbols is not None and not counts.keys() <= symbols:
                problems.append(f"{where(chem, '分子式')} unknown element in {formula}")
            elif given:
                problems.append(f"{where(chem, '分子量')} 分子量 given although {formula} gives one")
        self.assertNoProblems(problems)


class IndexTest(SourceTest):
    def test_chemicals_are_filed_under_index_paths(self):
        paths = {tuple(cells) for _, _, cells in INDEX}
        problems = []
        for chem in CHEMICALS:
            path = tuple(value(chem, h) for h in HEADINGS)
            if path not in paths:
                problems.append(f"{where(chem, '第一级标题')} {value(chem, '中文名称')}: "
                                f"{' / '.join(path)} is no index line")
        self.assertNoProblems(problems)

    def test_heading_texts_unique(self):
        # The category window finds a heading by its text, so a text may sit at
        # only one level and under only one parent.
        places = collections.defaultdict(set)
        first_seen = {}
        for name, number, cells in INDEX:
            if len(cells) != 3:
                continue
            for level, text in enumerate(cells):
                places[text].add((level, tuple(cells[:level])))
                first_seen.setdefault((text, level, tuple(cells[:level])), f"{name}:{number}")
        problems = []
        for text, where_ in sorted(places.items()):
            if len(where_) > 1:
                shown = "; ".join(
                    f"level {lv + 1} under {'/'.join(parent) or '-'} ({first_seen[(text, lv, parent)]})"
                    for lv, parent in sorted(where_))
                problems.append(f"{text!r} appears {len(where_)} times: {shown}")
        self.assertNoProblems(problems)


def _element_rows():
    lines = (SOURCES / "elements.tsv").read_text(encoding="utf-8").splitlines()
    return [line.split("\t") for line in lines[1:] if line]


class TablesTest(SourceTest):
    def setUp(self):
        for name in ("elements.tsv", "periodic.tsv"):
            if not (SOURCES / name).exists():
                if SHIPPED:
                    self.fail(f"{name} is missing")
                self.skipTest(f"{name} not in {SOURCES}")

    def test_elements(self):
        header = (SOURCES / "elements.tsv").read_text(encoding="utf-8").splitlines()[0]
        self.assertEqual(header.split("\t"), ["符号", "原子序数", "中文名称", "相对原子质量", "稳定"])
        rows = _element_rows()
        self.assertEqual(len(rows), 118)
        self.assertTrue(all(len(r) == 5 for r in rows))
        self.assertEqual([int(r[1]) for r in rows], list(range(1, 119)))
        self.assertEqual(len({r[0] for r in rows}), 118)
        self.assertEqual(len({r[2] for r in rows}), 118)
        for symbol, _, _, weight, stable in rows:
            self.assertIn(stable, ("0", "1"), symbol)
            self.assertGreater(float(weight), 0, symbol)
        weights = {r[0]: float(r[3]) for r in rows}
        self.assertAlmostEqual(weights["C"], 12.011)
        self.assertAlmostEqual(weights["Cl"], 35.45)

    def test_periodic_grid(self):
        lines = (SOURCES / "periodic.tsv").read_text(encoding="utf-8").split("\n")
        while lines and lines[-1] == "":
            lines.pop()
        header, rows = lines[0].split("\t"), [line.split("\t") for line in lines[1:]]
        self.assertEqual(header, ["周期"] + [str(g) for g in range(1, 19)])
        self.assertEqual(len(rows), 10)
        self.assertEqual([len(r) for r in rows], [19] * 10)
        self.assertEqual([r[0] for r in rows[:7]], [str(p) for p in range(1, 8)])

        symbols = {r[0] for r in _element_rows()}
        placed = collections.Counter()
        for row in rows:
            for cell in row[1:]:
                if not cell:
                    continue
                for symbol in cell.split("-"):     # "La-Lu" marks the f-block row
                    self.assertIn(symbol, symbols, cell)
                if "-" not in cell:
                    placed[cell] += 1
        self.assertEqual(set(placed), symbols, "every element has a cell")
        self.assertEqual([s for s, n in placed.items() if n > 1], [])


@unittest.skipUnless(SHIPPED, "content checks run on the shipped sources only")
class ContentTest(SourceTest):
    def test_chinese_names_unique(self):
        firsts, wholes = {}, {}
        problems = []
        for chem in CHEMICALS:
            whole = value(chem, "中文名称")
            first = whole.split("；")[0]
            for key, seen in ((first, firsts), (whole, wholes)):
                if key in seen:
                    problems.append(f"{where(chem, '中文名称')} {key} already at {seen[key]}")
                    break
            firsts.setdefault(first, where(chem, "中文名称"))
            wholes.setdefault(whole, where(chem, "中文名称"))
        self.assertNoProblems(problems)

    def test_complete_headings(self):
        # The fixtures leave headings out on purpose; shipped records never do.
        problems = [f"{where(chem)} {value(chem, '中文名称')}: missing {field}"
                    for chem in CHEMICALS for field in sorted(REQUIRED - chem.fields.keys())]
        problems += [f"{name}:{number} needs three non-empty cells"
                     for name, number, cells in INDEX
                     if len(cells) != 3 or not all(c.strip() for c in cells)]
        self.assertNoProblems(problems)

    def test_names_have_no_brackets(self):
        problems = [f"{where(chem, field)} {field} {value(chem, field)}"
                    for chem in CHEMICALS for field in ("中文名称", "英文名称")
                    if re.search(r"[\[\]]", value(chem, field))]
        self.assertNoProblems(problems)

    def test_cas_check_digits(self):
        problems = [f"{where(chem, 'CAS号')} {value(chem, '中文名称')}: bad CAS号 {value(chem, 'CAS号')}"
                    for chem in CHEMICALS
                    if value(chem, "CAS号") and not cas_valid(value(chem, "CAS号"))]
        self.assertNoProblems(problems)

    def test_uses_given(self):
        problems = [f"{where(chem)} {value(chem, '中文名称')}: no 用途"
                    for chem in CHEMICALS if not value(chem, "用途")]
        self.assertNoProblems(problems)

    def test_pictures_exist(self):
        problems = []
        for chem in CHEMICALS:
            picture = value(chem, "图") or f"{value(chem, 'CAS号')}.png"
            if picture != "-" and not (PICTURES / picture).is_file():
                problems.append(f"{where(chem)} {value(chem, '中文名称')}: no pictures/{picture}")
        self.assertNoProblems(problems)

    @unittest.skipIf(Chem is None, "RDKit is not available")
    def test_formula_matches_smiles(self):
        problems = []
        for chem in CHEMICALS:
            smiles, formula = value(chem, "SMILES"), value(chem, "分子式")
            if not smiles:
                continue
            expected = _formula_options(formula)
            if not expected:
                continue
            mol = Chem.MolFromSmiles(smiles)
            if mol is None:
                problems.append(f"{where(chem, 'SMILES')} {value(chem, '中文名称')}: bad SMILES")
                continue
            counts = _smiles_counts(mol)
            if counts not in expected:
                shown = _hill(counts)
                problems.append(f"{where(chem, 'SMILES')} {value(chem, '中文名称')}: "
                                f"SMILES gives {shown}, 分子式 {formula}")
        self.assertNoProblems(problems)


def _formula_options(formula):
    """Element counts a SMILES may have for this formula: the whole formula;
    for a hydrate or double salt also the part before "·", or the parts once
    each without water (a picture may leave the water out and show one of
    each ion); for a polymer "(…)n" its repeating unit."""
    polymer = re.fullmatch(r"\((.+)\)n", formula)
    if polymer:
        unit = formula_counts(polymer.group(1))
        return [unit] if unit else []
    options = [formula_counts(formula)]
    if "·" in formula:
        parts = [re.sub(r"^\d+", "", p) for p in formula.split("·")]
        options.append(formula_counts(parts[0]))
        salt = [p for p in parts if p != "H2O"]
        options.append(formula_counts("·".join(salt)) if salt else None)
    return [o for o in options if o]


def _hill(counts):
    order = sorted(counts, key=lambda e: (e != "C", e != "H" or "C" not in counts, e))
    return "".join(e + (str(counts[e]) if counts[e] > 1 else "") for e in order)


def _smiles_counts(mol):
    counts = collections.Counter()
    for atom in mol.GetAtoms():
        if atom.GetAtomicNum() == 0:      # the "*" ends of a repeating unit
            continue
        counts[atom.GetSymbol()] += 1
        counts["H"] += atom.GetTotalNumHs()
    return +counts


if __name__ == "__main__":
    unittest.main(verbosity=2)
