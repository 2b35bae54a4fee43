#!/usr/bin/env python3
"""Prints the figures of one benchmark run as a Markdown table.

Reads the JSON files the benchmark programs wrote (--benchmark_out) and that
query_vs_abook.sh wrote, and prints for every figure its median time with the fastest and
slowest lap, the spread ((max - min) / median), the yardstick's median time, the ratio to the
yardstick (the median of the laps' ratios, with the lowest and highest) and its spread, the
peak memory, and the target with whether this run met it. A figure whose spread is 20 % or
more is marked, so that nobody reads more into it than it holds.

Usage: table.py [--match REGEX] FILE.json...  (--match: only the figures whose names match)
"""

import json
import re
import sys

# Targets: a pattern of the figure's name, then (counter, largest value, how it reads).
TARGETS = [
    (r"^BM_Sort/1000000", [("ms", 1500, "< 1.5 s"), ("x_sort", 1.2, "x_sort <= 1.2"),
                           ("kept_pct", 20, "memory kept <= 20 %")]),
    (r"^BM_(Add|Modify)/", [("ms", 20, "< 20 ms")]),
    (r"^BM_DeleteFirst/", [("x_copy", 2, "x_copy < 2")]),
    (r"^BM_(Backup|Restore)/", [("x_copy", 1.5, "x_copy < 1.5")]),
    (r"^BM_(Html|RichText)Report/", [("x_floor", 3, "x_floor < 3")]),
    (r"^BM_(CommandLine)?Import/", [("x_floor", 3, "x_floor <= 3")]),
    (r"^BM_CommandLineExport", [("x_floor", 2.5, "x_floor <= 2.5")]),
    (r"^BM_ImportQuotedPrintableValue", [("x_read", 3, "x_read <= 3"), ("peak_MiB", 64, "< 64 MiB")]),
    (r"^BM_ImportLongParameterLists", [("x_read", 3, "x_read <= 3"), ("peak_MiB", 64, "< 64 MiB")]),
    (r"^BM_Query/", [("x_abook", 1, "x_abook <= 1")]),
]

RATIOS = ("x_cat", "x_copy", "x_sync", "x_sort", "x_floor", "x_baseline", "x_read", "x_abook",
          "x_cp", "x_handles", "x_raw")


def short_name(name):
    name = re.sub(r"/(iterations|repeats):\d+", "", name)
    return name.replace("/manual_time", "").replace("/real_time", "")


def fmt(value, digits=3):
    if value is None:
        return ""
    if value >= 100:
        return f"{value:.0f}"
    return f"{value:.{digits}g}"


def main(args):
    match = None
    if len(args) >= 2 and args[0] == "--match":
        match = re.compile(args[1])
        args = args[2:]
    paths = args
    rows = []
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        # The program's name before each figure: the engine and the window both time an Add.
        program = re.sub(r"\.json$", "", path.rsplit("/", 1)[-1])
        for b in data.get("benchmarks", []):
            if b.get("run_type") == "aggregate" or "error_message" in b:
                if "error_message" in b:
                    rows.append((program, short_name(b["name"]), None, b["error_message"]))
                continue
            rows.append((program, short_name(b["name"]), b, None))
    if match:
        rows = [r for r in rows if match.search(r[1])]

    print("| Figure | Time median (min-max) | Spread | Yardstick | Ratio median (min-max) "
          "| Ratio spread | Peak | Target | Met |")
    print("|---|---|---|---|---|---|---|---|---|")
    loud = []
    for program, name, b, error in rows:
        if error:
            print(f"| {program}: {name} | failed: {error} | | | | | | | no |")
            continue
        ms = b.get("ms", b.get("real_time"))
        ratio_name = next((r for r in RATIOS if r in b), None)
        ratio = b.get(ratio_name) if ratio_name else None
        if "kept_MiB" in b and b.get("before_MiB"):
            b["kept_pct"] = b["kept_MiB"] / b["before_MiB"] * 100
        time = f"{fmt(ms)} ms"
        if "ms_min" in b:
            time += f" ({fmt(b['ms_min'])}-{fmt(b['ms_max'])})"
        spread = b.get("spread_pct")
        ratio_text = ""
        if ratio is not None:
            ratio_text = f"{ratio_name} {fmt(ratio)}"
            if "x_min" in b:
                ratio_text += f" ({fmt(b['x_min'])}-{fmt(b['x_max'])})"
        others = [f"{r} {fmt(b[r])}" for r in RATIOS if r in b and r != ratio_name]
        if others:
            ratio_text += "; " + ", ".join(others)
        peak = f"{fmt(b['peak_MiB'])} MiB" if "peak_MiB" in b else ""
        if "kept_pct" in b:
            peak += f"; kept {fmt(b['kept_MiB'])} MiB of {fmt(b['before_MiB'])}"
        targets, met = [], []
        for pattern, checks in TARGETS:
            if re.search(pattern, name):
                for counter, limit, text in checks:
                    if counter in b:
                        targets.append(text)
                        met.append(b[counter] <= limit)
        x_spread = b.get("x_spread_pct")
        for s in (spread, x_spread):
            if s is not None and s >= 20:
                loud.append(f"{program}: {name}")
                break
        print(f"| {program}: {name} | {time} | {fmt(spread, 2) + ' %' if spread is not None else ''} "
              f"| {fmt(b.get('yard_ms')) + ' ms' if 'yard_ms' in b else ''} | {ratio_text} "
              f"| {fmt(x_spread, 2) + ' %' if x_spread is not None else ''} | {peak} "
              f"| {'; '.join(targets)} | {'' if not met else ('yes' if all(met) else 'no')} |")
    if loud:
        print()
        print("Spread of 20 % or more (other work on the machine, or too few laps): " +
              ", ".join(sorted(set(loud))) + ".")


if __name__ == "__main__":
    main(sys.argv[1:])
