#!/usr/bin/env python3
"""Prints the ratios and medians of a velmora-bench JSON result as Markdown.

Usage: summary.py RESULTS.json
Standard library only.
"""
import json
import sys

DATABASES = ["shipped", "100k"]
QUERIES = [("rare", "rare name 冰洲石"), ("common", "common character 酸"), ("english", "English word chloride")]


def load(path):
    with open(path, encoding="utf-8") as f:
        report = json.load(f)
    medians, counters = {}, {}
    for b in report["benchmarks"]:
        # "search/100k/rare/real_time" and "peak_memory/100k/iterations:1/manual_time"
        # are known as "search/100k/rare" and "peak_memory/100k".
        parts = b.get("run_name", b["name"]).split("/")
        name = "/".join(p for p in parts if p not in ("real_time", "manual_time") and not p.startswith("iterations:"))
        if b.get("error_occurred"):
            continue
        aggregate = b.get("aggregate_name")
        if aggregate not in (None, "median"):
            continue
        if aggregate is None and name in medians:
            continue  # a single run stands in for its median only when there is no aggregate
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        medians[name] = b["real_time"] * scale
        counters[name] = {k: v for k, v in b.items() if k in ("rows", "peak_MB", "splash_wait_ms")}
    return report.get("context", {}), medians, counters


def fmt(x, digits=2):
    return "–" if x is None else f"{x:.{digits}f}"


def main():
    context, m, c = load(sys.argv[1])
    get = m.get

    def ratio(a, b):
        return None if get(a) is None or not get(b) else get(a) / get(b)

    def verdict(x, limit, strict=False):
        return "–" if x is None else ("yes" if (x < limit if strict else x <= limit) else "no")

    out = [f"Run on {context.get('date', '?')}, {context.get('num_cpus', '?')} CPUs; medians of "
           "the repetitions, wall-clock time.\n",
           "Ratios:\n",
           "| ratio | target | shipped | holds | 100k | holds |",
           "| --- | --- | --- | --- | --- | --- |"]
    rows = [(f"search / engine, {title}", 1.0, [ratio(f"search/{d}/{q}", f"engine/{d}/{q}") for d in DATABASES])
            for q, title in QUERIES]
    rows.append(("search / name scan, rare name", 3.0, [ratio(f"search/{d}/rare", f"namescan/{d}") for d in DATABASES]))
    for what, limit, (a, b) in rows:
        out.append(f"| {what} | ≤ {limit:.1f} | {fmt(a)} | {verdict(a, limit)} | {fmt(b)} | {verdict(b, limit)} |")

    peaks = [c.get(f"peak_memory/{d}", {}).get("peak_MB") for d in DATABASES]
    limits = [("start-up in process, window made and loaded to the first record", "startup", 300, "ms", 2),
              ("start-up as a new process, beyond the splash's fixed wait", "startup_process", 300, "ms", 2)]
    out += ["\nOther targets:\n",
            "| measurement | target | shipped | holds | 100k | holds |",
            "| --- | --- | --- | --- | --- | --- |"]
    for what, key, limit, unit, digits in limits:
        a, b = (get(f"{key}/{d}") for d in DATABASES)
        out.append(f"| {what} | < {limit} {unit} | {fmt(a, digits)} {unit} | {verdict(a, limit, True)} "
                   f"| {fmt(b, digits)} {unit} | {verdict(b, limit, True)} |")
    out.append(f"| peak resident memory after a search for 酸 | < 150 MB (100k) | {fmt(peaks[0], 1)} MB | "
               f"{verdict(peaks[0], 150, True)} | {fmt(peaks[1], 1)} MB | {verdict(peaks[1], 150, True)} |")

    out += ["\nAbsolute medians:\n",
            "| measurement | shipped | 100k | rows (shipped / 100k) |",
            "| --- | --- | --- | --- |"]
    for q, title in QUERIES:
        for kind, what in (("search", "search, Enter to record shown"), ("engine", "engine, same SQL")):
            names = [f"{kind}/{d}/{q}" for d in DATABASES]
            count = " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names)
            out.append(f"| {what}: {title} | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | {count} |")
    names = [f"namescan/{d}" for d in DATABASES]
    count = " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names)
    out.append(f"| name column scan | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | {count} |")
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
