#!/usr/bin/python3
"""Checks the text sources the database builder reads.

    /usr/bin/python3 tests/data/test_sources.py

VELMORA_DATA_SOURCES names the source folder (default data/sources).  The
shipped folder gets every check; any other folder (the test fixtures, which
may lack pictures and carry odd names on purpose) gets only the structural
ones: block format, index paths, heading texts, element and periodic tables.
The formula-versus-SMILES, drawing and picture layout checks run only where
RDKit can be imported.  A third-level heading with a single chemical that
single_headings.tsv does not list is reported; it fails the run only with
VELMORA_STRICT_HEADINGS=1.  The comparison of the shipped sources with the public
reference tables runs only where those tables are: VELMORA_REFERENCE names
their folder (default ../shared/reference beside the repository).
"""
import collections
import contextlib
import io
import os
import pathlib
import re
import sys
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "data" / "tools"))

from check_reference import (Reference, apply_reviewed, cas_valid, check,  # noqa: E402
                             formula_counts, leading_range, read_chemicals, read_reviewed)
import check_reference  # noqa: E402

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
REFERENCE = pathlib.Path(os.environ.get("VELMORA_REFERENCE")
                         or ROOT.parent / "shared" / "reference")

STRICT_HEADINGS = os.environ.get("VELMORA_STRICT_HEADINGS") == "1"

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

    REVIEW_REFERENCE = (
        "cas\tproperty\tvalue\tunit\tcondition\tsource\n"
        "64-18-6\tmelting_point\t8.3\t°C\t\tCRC_ORG\n"
        "64-18-6\tboiling_point\t101\t°C\t\tCRC_ORG\n"
        "64-17-5\tboiling_point\t78.3\t°C\t\tCRC_ORG\n"
        "71-43-2\tdensity\t0.8765\tg/cm3\t\tCRC_ORG\n")
    REVIEW_SOURCE = (
        "[chemical]\n中文名称 = 甲酸\nCAS号 = 64-18-6\n熔点 = 20\n沸点 = 110（分解）\n"
        "[chemical]\n中文名称 = 乙醇\nCAS号 = 64-17-5\n沸点 = 78.3\n"
        "[chemical]\n中文名称 = 苯\nCAS号 = 71-43-2\n密度 = 0.70\n")

    def test_reviewed_list(self):
        # 熔点 20 is accepted; 沸点 was reviewed as "110" and has since changed,
        # so it is reported again; the ethanol row no longer matches anything.
        reviewed = ("CAS号\t字段\t我们的值\t理由\n"
                    "64-18-6\t熔点\t20\tthe reference is another form\n"
                    "64-18-6\t沸点\t110\tdecomposes\n"
                    "64-17-5\t沸点\t79\twas off by one\n")
        with tempfile.TemporaryDirectory() as tmp:
            tmp = pathlib.Path(tmp)
            (tmp / "cb_properties_long.tsv").write_text(self.REVIEW_REFERENCE, encoding="utf-8")
            (tmp / "a.txt").write_text(self.REVIEW_SOURCE, encoding="utf-8")
            (tmp / "reviewed.tsv").write_text(reviewed, encoding="utf-8")
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                code = check_reference.main([str(tmp), str(tmp / "a.txt"),
                                             "--reviewed", str(tmp / "reviewed.tsv")])
        lines = out.getvalue().splitlines()
        self.assertEqual(code, 0)
        self.assertEqual(lines[-1], "checked 7 values, 2 disagree, 1 reviewed "
                                    "(0 CAS numbers not in any reference table; 2 stale reviewed rows)")
        reported = [line for line in lines if "ours=" in line]
        self.assertEqual(len(reported), 2)
        self.assertTrue(any("沸点 ours=110（分解）" in line for line in reported))
        self.assertTrue(any("密度 ours=0.70" in line for line in reported))
        stale = [line for line in lines if "stale review:" in line]
        self.assertEqual(len(stale), 2)
        self.assertIn("ours is now 110（分解）", stale[0])
        self.assertIn("no longer disagrees", stale[1])

    def test_reviewed_list_rejects_bad_rows(self):
        header = "CAS号\t字段\t我们的值\t理由\n"
        bad = {
            "header": "CAS\tfield\tvalue\treason\n64-18-6\t熔点\t20\tx\n",
            "no reason": header + "64-18-6\t熔点\t20\t\n",
            "three cells": header + "64-18-6\t熔点\t20\n",
            "field never compared": header + "64-18-6\t粘度\t1.57\tx\n",
            "check digit": header + "64-18-7\t熔点\t20\tx\n",
            "twice": header + "64-18-6\t熔点\t20\tx\n64-18-6\t熔点\t20\ty\n",
        }
        with tempfile.TemporaryDirectory() as tmp:
            path = pathlib.Path(tmp) / "reviewed.tsv"
            self.assertEqual(read_reviewed(path), [])          # no list: nothing reviewed
            for name, text in bad.items():
                path.write_text(text, encoding="utf-8")
                with self.assertRaises(ValueError, msg=name):
                    read_reviewed(path)


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


    @unittest.skipUnless(SHIPPED, "a content rule of the shipped sources")
    def test_single_chemical_headings(self):
        # A third-level heading with one chemical is usually a heading too
        # many; the ones meant so are listed with their reason.
        counts = collections.Counter(tuple(value(c, h) for h in HEADINGS) for c in CHEMICALS)
        listed, problems = {}, []
        path = SOURCES / "single_headings.tsv"
        lines = path.read_text(encoding="utf-8").splitlines() if path.exists() else []
        for number, raw in enumerate(lines, 1):
            if not raw.strip() or raw.startswith("#"):
                continue
            cells = raw.split("\t")
            if len(cells) != 4 or not all(c.strip() for c in cells):
                self.fail(f"single_headings.tsv:{number} needs 第一级, 第二级, 第三级 and a reason")
            listed[tuple(cells[:3])] = number
        for heading, number in sorted(listed.items(), key=lambda item: item[1]):
            if counts[heading] != 1:
                problems.append(f"single_headings.tsv:{number} {' / '.join(heading)} "
                                f"holds {counts[heading]} chemicals")
        for chem in CHEMICALS:
            heading = tuple(value(chem, h) for h in HEADINGS)
            if counts[heading] == 1 and heading not in listed:
                problems.append(f"{where(chem, '第三级标题')} {' / '.join(heading)} holds only "
                                f"{value(chem, '中文名称').split('；')[0]}")
        if problems and not STRICT_HEADINGS:
            print(f"\n{len(problems)} single-chemical heading(s) (fail with "
                  "VELMORA_STRICT_HEADINGS=1):\n" + "\n".join(problems), file=sys.stderr)
            return
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


    @unittest.skipIf(Chem is None, "RDKit is not available")
    def test_drawings_without_clashes(self):
        # The coordinates are those the pictures are drawn with; a steroid's
        # nucleus lies as its template does.
        import draw_structures
        problems = []
        for chem in CHEMICALS:
            smiles = value(chem, "SMILES")
            if not smiles or value(chem, "图") == "-":
                continue
            mol = draw_structures.depiction(smiles)
            found = draw_structures.clashes(mol)
            if not found and not draw_structures.on_template(mol, "steroid"):
                found = ["the steroid nucleus is not in the textbook orientation"]
            if found:
                problems.append(f"{where(chem, 'SMILES')} {value(chem, '中文名称').split('；')[0]}: "
                                + "; ".join(found[:3]))
        self.assertNoProblems(problems)


@unittest.skipUnless(SHIPPED, "the reviewed list belongs to the shipped sources")
@unittest.skipUnless((REFERENCE / "cb_properties_long.tsv").exists(),
                     "the reference tables are not on this machine (VELMORA_REFERENCE)")
class ReferenceTest(SourceTest):
    def test_no_unresolved_disagreement(self):
        # Every value that disagrees with the reference tables is either fixed
        # or listed, with its reason, in reviewed.tsv; no listed row is stale.
        reviews = read_reviewed(SOURCES / "reviewed.tsv")
        reference = Reference(REFERENCE, {value(c, "CAS号") for c in CHEMICALS})
        _, findings = check(CHEMICALS, reference)
        findings, stale = apply_reviewed(findings, reviews)
        problems = [f"{x.path.name}:{x.line} {x.name} {x.field} ours={x.ours} reference={x.reference}"
                    for x in findings if not x.info and not x.review]
        problems += [f"reviewed.tsv:{r.line} {r.cas} {r.field} {r.value}: stale, {note}"
                     for r, note in stale]
        self.assertNoProblems(problems)


@unittest.skipIf(Chem is None, "RDKit is not available")
class PictureLayoutTest(unittest.TestCase):
    """The parts of salts and hydrates are drawn once each, with counts, apart."""

    def setUp(self):
        import draw_structures
        self.draw = draw_structures

    def boxes(self, smiles):
        parts = self.draw.distinct_parts(Chem.MolFromSmiles(smiles))
        offsets = self.draw.arrange(parts)
        boxes = []
        for part, (dx, dy) in zip(parts, offsets):
            x0, y0, x1, y1 = part.box
            boxes.append((x1 - part.width + dx, y0 + dy, x1 + dx, y1 + dy))
        return parts, boxes

    def test_parts_counted_and_apart(self):
        cases = {
            "[Cu+2].[O-]S(=O)(=O)[O-].O.O.O.O.O": [1, 1, 5],
            "[Al+3].[Al+3].[O-]S(=O)(=O)[O-].[O-]S(=O)(=O)[O-].[O-]S(=O)(=O)[O-]."
            + ".".join(["O"] * 18): [2, 3, 18],
            "[Na+].[Na+].[Na+].[Na+].[Na+].[Na+]."
            "O=P1([O-])OP(=O)([O-])OP(=O)([O-])OP(=O)([O-])OP(=O)([O-])OP(=O)([O-])O1": [6, 1],
            "[Na+].[Cl-]": [1, 1],
        }
        for smiles, counts in cases.items():
            parts, boxes = self.boxes(smiles)
            self.assertEqual([p.count for p in parts], counts, smiles)
            for i, a in enumerate(boxes):
                for b in boxes[i + 1:]:
                    apart = a[2] <= b[0] or b[2] <= a[0] or a[3] <= b[1] or b[3] <= a[1]
                    self.assertTrue(apart, f"{smiles}: parts overlap {a} {b}")

    def test_ion_labels(self):
        label = self.draw.ion_label
        atom = lambda smiles: Chem.MolFromSmiles(smiles).GetAtomWithIdx(0)   # noqa: E731
        self.assertEqual(label(atom("O"), 18), "18H<sub>2</sub>O")
        self.assertEqual(label(atom("[OH-]")), "OH<sup>-</sup>")
        self.assertEqual(label(atom("[Al+3]"), 2), "2Al<sup>3+</sup>")
        self.assertEqual(label(atom("[NH4+]")), "NH<sub>4</sub><sup>+</sup>")

    def placed(self, smiles, xy, perspective=()):
        mol = Chem.MolFromSmiles(smiles)
        conf = Chem.Conformer(mol.GetNumAtoms())
        for i, (x, y) in enumerate(xy):
            conf.SetAtomPosition(i, self.draw.Point3D(x, y, 0))
        mol.AddConformer(conf)
        for i in perspective:
            mol.GetBondWithIdx(i).SetBoolProp(self.draw.PERSPECTIVE, True)
        return mol

    def test_clashes(self):
        kinds = lambda found: sorted(f.split()[0] for f in found)   # noqa: E731
        cases = [
            ("CCCC", [(0, 0), (1.3, 0.75), (2.6, 0), (3.9, 0.75)], (), []),
            ("CCC.C", [(0, 0), (1.3, 0.75), (2.6, 0), (-0.2, -0.2)], (), ["atoms"]),
            ("CCC.C", [(0, 0), (1.5, 0), (3, 0), (0.75, 0.1)], (), ["atom"]),
            ("CC.CC", [(0, 0), (1.5, 1.5), (0, 1.5), (1.5, 0)], (), ["bonds"]),
            # the crossing of a perspective drawing counts only when one
            # of the two bonds is not part of it
            ("CC.CC", [(0, 0), (1.5, 1.5), (0, 1.5), (1.5, 0)], (0, 1), []),
            ("CC.CC", [(0, 0), (1.5, 1.5), (0, 1.5), (1.5, 0)], (0,), ["bonds"]),
        ]
        for smiles, xy, perspective, expected in cases:
            mol = self.placed(smiles, xy, perspective)
            self.assertEqual(kinds(self.draw.clashes(mol)), expected, (smiles, xy))

    def test_templates(self):
        # Every template is drawn cleanly itself; a steroid is laid out on its
        # template, ring A lower left of ring D.
        for name, query, positions, _ in self.draw.templates():
            mol = Chem.Mol(query)
            conf = Chem.Conformer(mol.GetNumAtoms())
            for i, (x, y) in enumerate(positions):
                conf.SetAtomPosition(i, self.draw.Point3D(x, y, 0))
            mol.AddConformer(conf)
            found = [f for f in self.draw.clashes(mol)
                     if not (name.endswith("-perspective") and f.startswith("bonds"))]
            self.assertEqual(found, [], name)
        testosterone = self.draw.depiction("C[C@]12CC[C@H]3[C@@H](CCC4=CC(=O)CC[C@]34C)[C@@H]1CC[C@@H]2O")
        xy = self.draw._positions(testosterone)
        ring_a, ring_d = [8, 9, 10, 12, 13, 14], [1, 16, 17, 18, 19]     # atom order of the SMILES
        centre = lambda ring: [sum(xy[i][k] for i in ring) / len(ring) for k in (0, 1)]   # noqa: E731
        (ax, ay), (dx, dy) = centre(ring_a), centre(ring_d)
        self.assertLess(ax, dx - 3)
        self.assertLess(ay, dy - 1)

    def test_drawing(self):
        # A hydrate and a halogen oxyanion draw to a 600 x 400 PNG; chlorate
        # keeps its Cl=O bonds instead of RDKit's charge-separated form.
        mol = Chem.MolFromSmiles("[K+].[O-]Cl(=O)=O")
        self.draw.restore_halogen_oxo_bonds(mol)
        chlorine = [a for a in mol.GetAtoms() if a.GetSymbol() == "Cl"][0]
        self.assertEqual(chlorine.GetFormalCharge(), 0)
        self.assertEqual(sorted(b.GetBondTypeAsDouble() for b in chlorine.GetBonds()), [1, 2, 2])
        with tempfile.TemporaryDirectory() as tmp:
            for smiles in ("[Cu+2].[O-]S(=O)(=O)[O-].O.O.O.O.O", "[K+].[O-]Cl(=O)=O", "[S]"):
                target = pathlib.Path(tmp) / "p.png"
                self.draw.draw(smiles, target)
                header = target.read_bytes()[:24]
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual((int.from_bytes(header[16:20], "big"),
                                  int.from_bytes(header[20:24], "big")), (600, 400))


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
