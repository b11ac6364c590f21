#!/usr/bin/env python3
"""Prints the figures of a velmora-bench JSON result as Markdown tables.

Usage: summary.py RESULTS.json
Standard library only. Times are medians of the repetitions, wall-clock, with
the process's CPU time beside them where it is the same process (on a busy
machine the two part).
"""
import json
import sys

QUERIES = [("rare", "rare name 冰洲石"), ("common", "common character 酸"), ("english", "English word chloride"),
           ("prefix", "分子式 beginning C6H"), ("use", "use keyword 溶剂")]
# The routes through the search keys (no engine query of their own).
TYPED = [("cas", "CAS号 64-17-5"), ("cas_on_name_route", "中文名称 64-17-5"), ("formula", "分子式 C2H5OH"),
         ("pinyin", "拼音 yichun"), ("pinyin_on_name_route", "中文名称 yichun"), ("initials", "拼音 yc"),
         ("element", "元素 Fe"), ("elements", "元素 Cu S")]


def load(path):
    with open(path, encoding="utf-8") as f:
        report = json.load(f)
    medians, cpu, counters = {}, {}, {}
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
        cpu[name] = b.get("cpu_time", 0) * scale
        counters[name] = {k: v for k, v in b.items() if k in ("rows", "peak_MB", "splash_wait_ms")}
    return report.get("context", {}), medians, cpu, counters


def fmt(x, digits=1):
    return "–" if x is None else f"{x:.{digits}f}"


def main():
    context, m, cpu, c = load(sys.argv[1])
    dbs = [d for d in ("shipped", "100k", "1m") if any(k.split("/")[1:2] == [d] for k in m)]

    def time(name, with_cpu=True):
        if m.get(name) is None:
            return "–"
        return f"{fmt(m[name])} ms" + (f" ({fmt(cpu[name])})" if with_cpu and cpu.get(name) else "")

    def holds(value, limit):
        return "–" if value is None else ("yes" if value <= limit else "no")

    out = [f"Run on {context.get('date', '?')}, {context.get('num_cpus', '?')} CPUs, load average "
           f"{', '.join(f'{x:.1f}' for x in context.get('load_avg', [])) or '?'}; medians of the repetitions; "
           "wall-clock time, the process's CPU time in parentheses.\n",
           "| measurement | " + " | ".join(dbs) + " | target | holds |",
           "| --- |" + " --- |" * (len(dbs) + 2)]
    for q, title in QUERIES + TYPED:
        names = [f"search/{d}/{q}" for d in dbs]
        rows = " / ".join(fmt(c.get(n, {}).get("rows"), 0) for n in names)
        verdicts = []
        if "100k" in dbs:
            verdicts.append(f"100k {holds(m.get(f'search/100k/{q}'), 50)}")
        if "1m" in dbs:
            verdicts.append(f"1m {holds(m.get(f'search/1m/{q}'), 300)}")
        out.append(f"| Enter to record shown: {title} (rows {rows}) | "
                   + " | ".join(time(n) for n in names) + " | ≤ 50 ms (100k), ≤ 300 ms (1m) | "
                   + ", ".join(verdicts) + " |")
    for q, title in QUERIES:
        names = [f"engine/{d}/{q}" for d in dbs]
        ratio = None
        if m.get(f"search/100k/{q}") is not None and m.get(f"engine/100k/{q}"):
            ratio = m[f"search/100k/{q}"] / m[f"engine/100k/{q}"]
        out.append(f"| engine's own query: {title} | " + " | ".join(time(n, False) for n in names)
                   + f" | search ≤ 0.1 × engine (100k) | 100k {fmt(ratio, 3)}: {holds(ratio, 0.1)} |")
    out.append("| name column scan by the engine | " + " | ".join(time(f"namescan/{d}", False) for d in dbs) + " | | |")
    out.append("| start-up in process, window made and loaded to the first record | "
               + " | ".join(time(f"startup/{d}") for d in dbs) + " | | |")
    proc = [m.get(f"startup_process/{d}") for d in dbs]
    out.append("| start-up as a new process, beyond the splash's fixed wait | "
               + " | ".join(f"{fmt(x)} ms" if x is not None else "–" for x in proc)
               + f" | ≤ 500 ms (1m) | {holds(m.get('startup_process/1m'), 500) if '1m' in dbs else '–'} |")
    peaks = [c.get(f"peak_memory/{d}", {}).get("peak_MB") for d in dbs]
    out.append("| peak resident memory, window shown, 酸 listed and scrolled to the end | "
               + " | ".join(f"{fmt(x)} MB" if x is not None else "–" for x in peaks)
               + f" | ≤ 300 MB (1m) | {holds(c.get('peak_memory/1m', {}).get('peak_MB'), 300) if '1m' in dbs else '–'} |")
    print("\n".join(out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
