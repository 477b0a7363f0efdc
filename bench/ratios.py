#!/usr/bin/env python3
"""Prints the ratios that the performance targets are about, from the JSON
output of mex_bench (medians of its repetitions, all from one run); with a
second argument, also writes the throughput of every series against N there, as
a table for the plot."""
import json
import re
import sys

UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
CLASSES = [("mxUINT8_CLASS, mxREAL", "uint8"), ("mxINT16_CLASS, mxREAL", "int16"),
           ("mxSINGLE_CLASS, mxREAL", "single"), ("mxDOUBLE_CLASS, mxREAL", "double"),
           ("mxDOUBLE_CLASS, mxCOMPLEX", "complex double")]


def load(path):
    seconds = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name", "median") != "median":
            continue
        seconds[b["run_name"]] = b["real_time"] * UNIT[b["time_unit"]]
    return seconds


def sizes(seconds, prefix):
    found = [int(m.group(1)) for name in seconds
             for m in [re.fullmatch(re.escape(prefix) + r"/(\d+)", name)] if m]
    return sorted(found)


def mark(ok):
    return "met" if ok else "MISSED"


def main(path):
    t = load(path)
    print("quenrel against the plain sequential loop (target: at most 1.05 for N >= 1e5)")
    for n in sizes(t, "BM_quenrel"):
        r = t[f"BM_quenrel/{n}"] / t[f"BM_quenrelReference/{n}"]
        print(f"  N = {n:>9}: {r:5.2f}" + (f"  {mark(r <= 1.05)}" if n >= 100000 else ""))
    print("\nnubrik against the straight-line table loop (target: at most 1.05 for N >= 1e5),"
          " and against memcpy of the same bytes")
    for key, label in CLASSES:
        for n in sizes(t, f"BM_nubrik<{key}>"):
            r = t[f"BM_nubrik<{key}>/{n}"] / t[f"BM_tableReference<{key}>/{n}"]
            m = t[f"BM_nubrik<{key}>/{n}"] / t[f"BM_memcpy<{key}>/{n}"]
            print(f"  {label:>14}, N = {n:>9}: {r:5.2f}   memcpy x {m:6.1f}" +
                  (f"  {mark(r <= 1.05)}" if n >= 100000 else ""))
    print("\ntime per element at N = 1e8 over that at N = 1e5 (target: at most 1.2)")
    for name, label in [("BM_quenrel", "quenrel"), ("BM_quenrelReference", "plain loop")] + \
            [(f"BM_nubrik<{k}>", f"nubrik {l}") for k, l in CLASSES] + \
            [(f"BM_tableReference<{k}>", f"table loop {l}") for k, l in CLASSES]:
        if f"{name}/100000000" in t:
            r = (t[f"{name}/100000000"] / 1e8) / (t[f"{name}/100000"] / 1e5)
            print(f"  {label:>25}: {r:5.2f}" + ("" if "loop" in label else f"  {mark(r <= 1.2)}"))
    print("\ncontainers (target: at most 1 us per leaf for the cell of 1e5 scalars)")
    for name, leaves, label in [("BM_nubrikCellOfScalars/100000", 100000, "cell of 1e5 scalars"),
                                ("BM_nubrikStructArray/10000", 50000, "1e4 structs, 5 fields")]:
        if name in t:
            us = t[name] / leaves * 1e6
            print(f"  {label:>22}: {us:5.3f} us per leaf" +
                  (f"  {mark(us <= 1.0)}" if "cell" in label else ""))


def write_throughput(t, path):
    series = [("BM_quenrel", "quenrel"), ("BM_quenrelReference", "plain loop")] + \
        [(f"BM_{kind}<{k}>", f"{label} {l}") for k, l in CLASSES if l in ("uint8", "double")
         for kind, label in [("nubrik", "nubrik"), ("tableReference", "table loop"),
                             ("memcpy", "memcpy")]]
    with open(path, "w") as out:
        out.write("N\t" + "\t".join(f'"{label}"' for _, label in series) + "\n")
        for n in sizes(t, "BM_quenrel"):
            # Elements per second, in millions.
            out.write(f"{n}\t" + "\t".join(f"{n / t[f'{name}/{n}'] / 1e6:.1f}"
                                              for name, _ in series) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
    if len(sys.argv) > 2:
        write_throughput(load(sys.argv[1]), sys.argv[2])
