#!/usr/bin/env python3
"""Merges Google Benchmark JSON outputs and prints each case beside its baseline.

    bench_table.py --out merged.json run1.json [run2.json ...]

A case `Area_Case/args` pairs with `Area_Case_Baseline/args`. The table shows the median
real time of each (over the repetitions) and the ratio ours / baseline: below 1 means our
code is faster. Counters a case reports (e.g. p50_us, p99_us) are shown as medians too.
"""

import argparse
import json
import sys

BASELINE_SUFFIX = "_Baseline"
# Nanoseconds per unit Google Benchmark may report in.
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
# Fields of a benchmark entry that are not user counters.
STANDARD_FIELDS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type",
    "repetitions", "repetition_index", "threads", "iterations", "real_time", "cpu_time",
    "time_unit", "aggregate_name", "aggregate_unit", "error_occurred", "error_message",
    "bytes_per_second", "items_per_second", "label",
}


def merge(paths):
    merged = {"context": None, "benchmarks": []}
    for path in paths:
        try:
            with open(path, encoding="utf-8") as handle:
                data = json.load(handle)
        except (OSError, json.JSONDecodeError) as error:
            print(f"skipping {path}: {error}", file=sys.stderr)
            continue
        if merged["context"] is None:
            merged["context"] = data.get("context", {})
        merged["benchmarks"].extend(data.get("benchmarks", []))
    if merged["context"] is None:
        merged["context"] = {}
    return merged


def baseline_name(run_name):
    """`Area_Case/1000` -> `Area_Case_Baseline/1000`."""
    head, sep, args = run_name.partition("/")
    return head + BASELINE_SUFFIX + sep + args


def medians(benchmarks):
    """run_name -> median entry. A run without aggregates (one repetition) stands for itself."""
    found = {}
    for entry in benchmarks:
        if entry.get("error_occurred"):
            continue
        run_name = entry.get("run_name", entry.get("name"))
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == "median":
                found[run_name] = entry
        else:
            found.setdefault(run_name, entry)
    return found


def real_ns(entry):
    return entry["real_time"] * UNIT_NS.get(entry.get("time_unit", "ns"), 1.0)


def format_time(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def counters(entry):
    return {key: value for key, value in entry.items()
            if key not in STANDARD_FIELDS and isinstance(value, (int, float))}


def table(found):
    rows = []
    for name in sorted(found):
        if BASELINE_SUFFIX + "/" in name or name.endswith(BASELINE_SUFFIX):
            continue
        ours = found[name]
        base = found.get(baseline_name(name))
        extra = "  ".join(f"{k}={v:.3g}" for k, v in sorted(counters(ours).items()))
        if base is None:
            rows.append((name, format_time(real_ns(ours)), "-", "-", extra))
            continue
        ratio = real_ns(ours) / real_ns(base) if real_ns(base) > 0 else float("inf")
        base_extra = "  ".join(f"{k}={v:.3g}" for k, v in sorted(counters(base).items()))
        if base_extra:
            extra = (extra + "  |  baseline " + base_extra).strip()
        rows.append((name, format_time(real_ns(ours)), format_time(real_ns(base)), f"{ratio:.2f}", extra))
    header = ("case", "ours (median)", "baseline (median)", "ours/base", "counters")
    widths = [max(len(str(row[i])) for row in rows + [header]) for i in range(4)]
    lines = ["  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(header[:4])) + "  " + header[4]]
    for row in rows:
        lines.append("  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row[:4])) + "  " + row[4])
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="merged Google Benchmark JSON to write")
    parser.add_argument("inputs", nargs="+", help="Google Benchmark JSON outputs")
    options = parser.parse_args()

    merged = merge(options.inputs)
    with open(options.out, "w", encoding="utf-8") as handle:
        json.dump(merged, handle, indent=2)
        handle.write("\n")
    found = medians(merged["benchmarks"])
    if not found:
        print("no results", file=sys.stderr)
        return 1
    print(table(found))
    return 0


if __name__ == "__main__":
    sys.exit(main())
