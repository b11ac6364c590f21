#!/usr/bin/python3
"""Compares the chemical sources with public reference tables.

    check_reference.py REFERENCE_DIR [SOURCES...] [--reviewed FILE]
                       [--show-reviewed] [--fix-list FILE]

REFERENCE_DIR holds the tab-separated reference extracts (cb_identifiers.tsv,
cb_properties_long.tsv, comptox_wikipedia_chemicals.tsv, ...).  SOURCES are
chemical source files or folders; by default every data/sources/chemicals/*.txt.

Prints one line per value that disagrees with every reference row, then a
summary "checked N values, M disagree, R reviewed".  A disagreement that
was examined and is kept on purpose is listed in the reviewed list
(data/sources/reviewed.tsv: CAS号, 字段, 我们的值, 理由); it then counts as
reviewed.  A reviewed row whose value no longer equals ours is stale: the
disagreement is reported again, and so is a row that matches nothing.

It is a report for the people writing the sources, so it exits 0, unless
the reviewed list cannot be read (2).  Standard library only.
"""
import argparse
import collections
import csv
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
DEFAULT_SOURCES = HERE.parent / "sources" / "chemicals"
DEFAULT_REVIEWED = HERE.parent / "sources" / "reviewed.tsv"

# Our field -> (reference property, tolerance).
PROPERTIES = {
    "熔点": ("melting_point", 3.0),
    "沸点": ("boiling_point", 3.0),
    "密度": ("density", 0.02),
    "折射率": ("refractive_index", 0.005),
    "闪点": ("flash_point", 5.0),
}

# Densities below this (g/cm³) are of gases; they say nothing about a liquid's.
GAS_DENSITY = 0.01

# Files whose first column is a CAS number; used to tell "unknown to every
# table" from "known but without this property".
CAS_TABLES = (
    "cb_identifiers.tsv",
    "cb_properties_long.tsv",
    "cb_vapour_pressure_coeffs.tsv",
    "cb_liquid_viscosity_coeffs.tsv",
    "comptox_wikipedia_chemicals.tsv",
    "nci_acutetox_cas_smiles.tsv",
    "cedict_cas_zh_candidates.tsv",
)

Chemical = collections.namedtuple("Chemical", "path line fields")
# review: the reviewed-list row that accepts this disagreement, or None.
Finding = collections.namedtuple(
    "Finding", "path line name cas field ours reference info review", defaults=(None,))
Review = collections.namedtuple("Review", "path line cas field value reason")


# ---------------------------------------------------------------- sources

def read_chemicals(path):
    """Returns the [chemical] blocks of one source file.

    fields maps a field name to (value, line number)."""
    path = pathlib.Path(path)
    chemicals = []
    fields = None
    start = 0
    text = path.read_text(encoding="utf-8")
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        if line == "[chemical]":
            if fields is not None:
                chemicals.append(Chemical(path, start, fields))
            fields, start = {}, number
            continue
        if fields is None or "=" not in line:
            continue
        key, value = line.split("=", 1)
        fields[key.strip()] = (value.strip(), number)
    if fields is not None:
        chemicals.append(Chemical(path, start, fields))
    return chemicals


def source_files(args):
    """Expands the SOURCES arguments (files or folders) to .txt files in name order."""
    files = []
    for arg in args or [DEFAULT_SOURCES]:
        p = pathlib.Path(arg)
        files.extend(sorted(p.glob("*.txt")) if p.is_dir() else [p])
    return files


# ---------------------------------------------------------------- values

_NUMBER = r"[-−–]?\d+(?:\.\d+)?"
_LEADING = re.compile(
    r"^(?:约|大于|小于|[<>≤≥≈~＜＞])?\s*(" + _NUMBER + r")(?:\s*[～~]\s*(" + _NUMBER + r"))?")
_PRESSURE = re.compile(r"kPa|MPa|Pa|mmHg|Torr|torr|atm|bar", re.I)


def _float(text):
    return float(text.replace("−", "-").replace("–", "-"))


def leading_range(value):
    """The leading number of a property value as (low, high), or None.

    "8.4" -> (8.4, 8.4); "8～10（分解）" -> (8, 10); "升华" -> None."""
    m = _LEADING.match(value.strip())
    if not m:
        return None
    low = _float(m.group(1))
    high = _float(m.group(2)) if m.group(2) else low
    return (min(low, high), max(low, high))


def agrees(ours, reference, tolerance):
    low, high = ours
    return low - tolerance <= reference <= high + tolerance


# ---------------------------------------------------------------- formulas

_TOKEN = re.compile(r"([A-Z][a-z]?)|(\d+)|([(\[])|([)\]])")


def _parse_group(text):
    """Counts the atoms of a formula without separators: 'Ca(H2PO4)2'."""
    stack = [collections.Counter()]
    pos = 0
    while pos < len(text):
        m = _TOKEN.match(text, pos)
        if not m:
            return None
        pos = m.end()
        element, digits, opening, closing = m.groups()
        if element:
            n = re.match(r"\d+", text[pos:])
            count = int(n.group()) if n else 1
            pos += n.end() if n else 0
            stack[-1][element] += count
        elif opening:
            stack.append(collections.Counter())
        elif closing:
            if len(stack) == 1:
                return None
            n = re.match(r"\d+", text[pos:])
            count = int(n.group()) if n else 1
            pos += n.end() if n else 0
            inner = stack.pop()
            for element_, k in inner.items():
                stack[-1][element_] += k * count
        else:
            return None          # a bare number inside a part
    if len(stack) != 1:
        return None
    return stack[0]


def formula_counts(formula):
    """Element counts of a formula, hydrate parts merged; None if it is not a
    plain formula (polymers "(…)n", "xH2O", isotopes, empty)."""
    text = formula.strip()
    text = re.sub(r"[+-]\d*$", "", text)            # a charge written after it
    if not text or re.search(r"[^A-Za-z0-9()\[\]·.*•]", text):
        return None
    total = collections.Counter()
    for part in re.split(r"[·.*•]", text):
        if not part:
            return None
        m = re.match(r"(\d+)(?=[A-Z(\[])", part)
        factor = int(m.group(1)) if m else 1
        counts = _parse_group(part[m.end():] if m else part)
        if counts is None:
            return None
        for element, k in counts.items():
            total[element] += k * factor
    return total or None


# ---------------------------------------------------------------- CAS

_CAS = re.compile(r"^(\d{2,7})-(\d{2})-(\d)$")


def cas_valid(cas):
    """True when cas is written NNNNNNN-NN-N and its check digit is right."""
    m = _CAS.match(cas)
    if not m:
        return False
    digits = (m.group(1) + m.group(2))[::-1]
    return sum(i * int(d) for i, d in enumerate(digits, 1)) % 10 == int(m.group(3))


# ---------------------------------------------------------------- reference

def _rows(path):
    with open(path, encoding="utf-8", newline="") as f:
        yield from csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE)


class Reference:
    """The reference rows of the CAS numbers we ask about."""

    def __init__(self, directory, wanted):
        directory = pathlib.Path(directory)
        self.known = set()
        self.values = collections.defaultdict(list)     # (cas, property) -> [(value, source)]
        self.formulas = collections.defaultdict(list)   # cas -> [(formula, source)]
        for name in CAS_TABLES:
            path = directory / name
            if not path.exists():
                continue
            for row in _rows(path):
                cas = (row.get("cas") or "").strip()
                if cas not in wanted:
                    continue
                self.known.add(cas)
                if name == "cb_properties_long.tsv":
                    try:
                        value = float(row["value"])
                    except (TypeError, ValueError):
                        continue
                    self.values[(cas, row["property"])].append((value, row["source"]))
                elif name == "cb_identifiers.tsv" and row.get("formula"):
                    self.formulas[cas].append((row["formula"], "cb_identifiers"))
                elif name == "comptox_wikipedia_chemicals.tsv" and row.get("formula"):
                    self.formulas[cas].append((row["formula"], "comptox"))


def _show_reference(rows, fmt):
    """The reference part of a report line: the CRC values if there are any,
    else every distinct value with its source."""
    crc = [r for r in rows if r[1].startswith("CRC")]
    shown = crc or rows
    seen, parts = set(), []
    for value, source in shown:
        text = fmt(value)
        if (text, source) in seen:
            continue
        seen.add((text, source))
        parts.append(f"{text}({source})")
    return ", ".join(parts[:6])


def _fmt_number(value):
    return f"{value:g}"


def check(chemicals, reference):
    """Returns (number of values checked, findings)."""
    checked = 0
    findings = []
    for chem in chemicals:
        f = chem.fields
        name = f.get("中文名称", ("?", 0))[0].split("；")[0]
        cas, cas_line = f.get("CAS号", ("", chem.line))

        def report(field, line, ours, ref, info=False):
            findings.append(Finding(chem.path, line, name, cas, field, ours, ref, info))

        if cas:
            checked += 1
            if not cas_valid(cas):
                report("CAS号", cas_line, cas, "a valid check digit")
                continue
            if cas not in reference.known:
                report("CAS号", cas_line, cas, "absent from every reference table", info=True)
        else:
            continue

        for field, (prop, tolerance) in PROPERTIES.items():
            if field not in f:
                continue
            value, line = f[field]
            if field == "沸点" and _PRESSURE.search(value):
                continue          # a reduced-pressure boiling point
            ours = leading_range(value)
            rows = reference.values.get((cas, prop))
            if ours is None or not rows:
                continue
            if prop == "density" and ours[0] > GAS_DENSITY and all(v < GAS_DENSITY for v, _ in rows):
                continue          # a gas at room temperature; ours is the liquid or solid
            checked += 1
            if not any(agrees(ours, v, tolerance) for v, _ in rows):
                report(field, line, value, _show_reference(rows, _fmt_number))

        if "分子式" in f and reference.formulas.get(cas):
            value, line = f["分子式"]
            ours = formula_counts(value)
            refs = [(r, s, formula_counts(r)) for r, s in reference.formulas[cas]]
            refs = [r for r in refs if r[2] is not None]
            if ours is not None and refs:
                checked += 1
                if not any(counts == ours for _, _, counts in refs):
                    report("分子式", line, value,
                           ", ".join(f"{r}({s})" for r, s, _ in refs))
    return checked, findings


# ---------------------------------------------------------------- reviewed list

REVIEWED_HEADER = ["CAS号", "字段", "我们的值", "理由"]
REVIEWABLE = set(PROPERTIES) | {"分子式"}


def read_reviewed(path):
    """The rows of a reviewed list; a missing file is an empty list.

    Raises ValueError naming the line of a malformed row: a reviewed
    disagreement without its reason, or given twice, is no review."""
    path = pathlib.Path(path)
    if not path.exists():
        return []
    lines = path.read_text(encoding="utf-8").splitlines()
    if not lines or lines[0].split("\t") != REVIEWED_HEADER:
        raise ValueError(f"{path}:1: the header must be {chr(9).join(REVIEWED_HEADER)}")
    reviews, seen = [], {}
    for number, raw in enumerate(lines[1:], 2):
        if not raw.strip() or raw.startswith("#"):
            continue
        cells = [c.strip() for c in raw.split("\t")]
        if len(cells) != 4 or not all(cells):
            raise ValueError(f"{path}:{number}: needs four non-empty cells")
        cas, field, value, reason = cells
        if field not in REVIEWABLE:
            raise ValueError(f"{path}:{number}: {field} is not a compared field")
        if not cas_valid(cas):
            raise ValueError(f"{path}:{number}: {cas} is no valid CAS number")
        key = (cas, field, value)
        if key in seen:
            raise ValueError(f"{path}:{number}: same as line {seen[key]}")
        seen[key] = number
        reviews.append(Review(path, number, cas, field, value, reason))
    return reviews


def apply_reviewed(findings, reviews):
    """Marks the disagreements a reviewed row accepts.

    A row accepts the disagreements of its CAS号 and 字段 whose value is
    exactly its 我们的值.  Returns (findings, stale): the findings with
    `review` set where accepted, and [(row, note)] for rows that accept
    nothing any more."""
    by_key = {(r.cas, r.field, r.value): r for r in reviews}
    used = set()
    result = []
    for x in findings:
        review = None if x.info else by_key.get((x.cas, x.field, x.ours))
        if review:
            used.add(review)
        result.append(x._replace(review=review))
    stale = []
    for r in reviews:
        if r in used:
            continue
        now = sorted({x.ours for x in findings if (x.cas, x.field) == (r.cas, r.field)})
        note = (f"ours is now {' / '.join(now)}" if now
                else "no longer disagrees or is no longer compared")
        stale.append((r, note))
    return result, stale


def write_fix_list(path, findings):
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("文件\t行\t中文名称\tCAS号\t字段\t本库值\t参考值\t类别\n")
        for x in findings:
            kind = "info" if x.info else "reviewed" if x.review else "disagree"
            cells = [str(x.path), str(x.line), x.name, x.cas, x.field, x.ours, x.reference, kind]
            out.write("\t".join(c.replace("\t", " ") for c in cells) + "\n")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("reference_dir")
    parser.add_argument("sources", nargs="*", help="source files or folders")
    parser.add_argument("--reviewed", metavar="FILE", default=str(DEFAULT_REVIEWED),
                        help="the reviewed list (default: data/sources/reviewed.tsv)")
    parser.add_argument("--show-reviewed", action="store_true",
                        help="also print the reviewed disagreements with their reasons")
    parser.add_argument("--fix-list", metavar="FILE",
                        help="also write the findings as TSV to FILE")
    args = parser.parse_args(argv)

    try:
        reviews = read_reviewed(args.reviewed)
    except ValueError as error:
        print(f"error: {error}", file=sys.stderr)
        return 2
    chemicals = []
    for path in source_files(args.sources):
        chemicals.extend(read_chemicals(path))
    wanted = {c.fields["CAS号"][0] for c in chemicals if "CAS号" in c.fields}
    reference = Reference(args.reference_dir, wanted)
    checked, findings = check(chemicals, reference)
    findings, stale = apply_reviewed(findings, reviews)
    findings.sort(key=lambda x: (str(x.path), x.line))

    cwd = pathlib.Path.cwd()

    def shown(path):
        try:
            return pathlib.Path(path).resolve().relative_to(cwd)
        except ValueError:
            return path

    for x in findings:
        if x.info:
            print(f"{shown(x.path)}:{x.line} {x.name} {x.field} {x.ours}: info: {x.reference}")
        elif not x.review:
            print(f"{shown(x.path)}:{x.line} {x.name} {x.field} ours={x.ours} reference={x.reference}")
        elif args.show_reviewed:
            print(f"{shown(x.path)}:{x.line} {x.name} {x.field} ours={x.ours} "
                  f"reference={x.reference}: reviewed: {x.review.reason}")
    for r, note in stale:
        print(f"{shown(r.path)}:{r.line} {r.cas} {r.field} {r.value}: stale review: {note}")
    if args.fix_list:
        write_fix_list(args.fix_list, findings)
    disagree = sum(1 for x in findings if not x.info and not x.review)
    reviewed = sum(1 for x in findings if x.review)
    info = sum(1 for x in findings if x.info)
    extra = f"; {len(stale)} stale reviewed rows" if stale else ""
    print(f"checked {checked} values, {disagree} disagree, {reviewed} reviewed "
          f"({info} CAS numbers not in any reference table{extra})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
