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
        name = b.get("run_name", b["name"])
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
    out = []
    out.append(f"Run on {context.get('date', '?')}, {context.get('num_cpus', '?')} CPUs; medians of "
               "the repetitions, wall-clock time.\n")
    out.append("Ratios (targets: search ≤ 1.0 × engine for every query; rare-name search ≤ 3 × name scan):\n")
    out.append("| ratio | shipped | 100k | target | holds |")
    out.append("| --- | --- | --- | --- | --- |")
    verdicts = []

    def ratio(a, b):
        return None if get(a) is None or not get(b) else get(a) / get(b)

    for q, title in QUERIES:
        r = [ratio(f"search/{d}/{q}", f"engine/{d}/{q}") for d in DATABASES]
        ok = all(x is not None and x <= 1.0 for x in r)
        verdicts.append(ok)
        out.append(f"| search / engine, {title} | {fmt(r[0])} | {fmt(r[1])} | ≤ 1.0 | {'yes' if ok else 'NO'} |")
    r = [ratio(f"search/{d}/rare", f"namescan/{d}") for d in DATABASES]
    ok = all(x is not None and x <= 3.0 for x in r)
    verdicts.append(ok)
    out.append(f"| search / name scan, rare name | {fmt(r[0])} | {fmt(r[1])} | ≤ 3.0 | {'yes' if ok else 'NO'} |")

    out.append("\nAbsolute medians:\n")
    out.append("| measurement | shipped | 100k | rows (shipped / 100k) |")
    out.append("| --- | --- | --- | --- |")
    for q, title in QUERIES:
        for kind, what in (("search", "search, Enter to record shown"), ("engine", "engine, same SQL")):
            names = [f"{kind}/{d}/{q}" for d in DATABASES]
            rows = " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names)
            out.append(f"| {what}: {title} | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | {rows} |")
    names = [f"namescan/{d}" for d in DATABASES]
    out.append(f"| name column scan | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | "
               + " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names) + " |")
    names = [f"startup/{d}" for d in DATABASES]
    out.append(f"| start-up in process (window made and loaded) | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | |")
    names = [f"startup_process/{d}" for d in DATABASES]
    out.append(f"| start-up as a process, beyond the splash wait | {fmt(get(names[0]))} ms | {fmt(get(names[1]))} ms | |")
    names = [f"peak_memory/{d}" for d in DATABASES]
    peaks = [c.get(n, {}).get("peak_MB") for n in names]
    out.append(f"| peak resident memory after 酸 | {fmt(peaks[0], 1)} MB | {fmt(peaks[1], 1)} MB | "
               + " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names) + " |")

    out.append("\nOther targets:\n")
    starts = [get(f"startup_process/{d}") for d in DATABASES] + [get(f"startup/{d}") for d in DATABASES]
    ok = all(x is not None and x < 300 for x in starts)
    verdicts.append(ok)
    out.append(f"- start-up to the first record under 300 ms beyond the splash waits: {'holds' if ok else 'DOES NOT HOLD'}")
    ok = peaks[1] is not None and peaks[1] < 150
    verdicts.append(ok)
    out.append(f"- peak memory under 150 MB with the 100k database: {'holds' if ok else 'DOES NOT HOLD'}")
    out.append(f"\n{sum(verdicts)} of {len(verdicts)} targets hold.")
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
