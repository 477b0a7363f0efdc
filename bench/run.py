#!/usr/bin/env python3
"""Runs the benchmarks of mex_bench and prints the ratios that the performance
targets are about, then plots throughput against N:

    run.py [--short] MEX_BENCH OUTDIR

Each function is run together with its references, in runs of mex_bench of
their own, one after the other, whose repetitions Google Benchmark runs in
random order, interleaved: a function and its reference are measured within
seconds of each other, so a neighbour's load falls on both; and in several runs,
each with its own placement of the program's memory, which alone moves a ratio
by several percent. Likewise each function and its reference at 1e5 and 1e8
elements, for the cost per element of the two. A ratio compares the fastest
repetitions (noise only ever adds time). Its spread, printed beside it, runs
from the fastest run of the one over the median of the other to the median of
the one over the fastest of the other. The verdict is "MISSED" only when even
the low end of the spread lies beyond the target, a miss that the noise cannot
explain; else "met". OUTDIR receives every repetition (bench.json), the
throughput table (throughput.tsv) and the plot (throughput.png).

--short runs small sizes once each, to check that the tools work and that every
result agrees with its reference. The exit status is non-zero only when a tool
fails or a result differs from its reference, never for a ratio.
"""
import json
import os
import statistics
import subprocess
import sys

CLASSES = [("mxUINT8_CLASS, mxREAL", "uint8"), ("mxINT16_CLASS, mxREAL", "int16"),
           ("mxSINGLE_CLASS, mxREAL", "single"), ("mxDOUBLE_CLASS, mxREAL", "double"),
           ("mxDOUBLE_CLASS, mxCOMPLEX", "complex double")]
CONTAINERS = [("BM_nubrikCellOfScalars/100000", 100000, "cell of 1e5 scalars"),
              ("BM_nubrikStructArray/10000", 50000, "1e4 structs, 5 fields")]
FULL = {"sizes": [10 ** k for k in range(3, 9)], "runs": 3, "repetitions": 3, "min_time": 0.1}
SHORT = {"sizes": [1000, 10000], "runs": 1, "repetitions": 1, "min_time": 0.001}
TARGET = 1.05
SLOPE_TARGET = 1.2


FUNCTIONS = [("BM_quenrel", "BM_quenrelReference", "quenrel", "plain loop")] + \
    [(f"BM_nubrik<{k}>", f"BM_tableReference<{k}>", f"nubrik {l}", f"table loop {l}")
     for k, l in CLASSES]


def ratio_groups(sizes):
    """The benchmarks to run together for the ratios: each function with its
    references at one size."""
    for n in sizes:
        yield [f"BM_quenrel/{n}", f"BM_quenrelReference/{n}"]
        for key, _ in CLASSES:
            yield [f"BM_{kind}<{key}>/{n}" for kind in ("nubrik", "tableReference", "memcpy")]
    for name, _, _ in CONTAINERS:
        yield [name]


def slope_groups(sizes):
    """The benchmarks to run together for the cost per element at 1e8 against
    1e5: each function and its reference at both sizes."""
    if 100000 in sizes and 100000000 in sizes:
        for function, reference, _, _ in FUNCTIONS:
            yield [f"{name}/{n}" for name in (function, reference) for n in (100000, 100000000)]


def run_group(bench, names, mode):
    """Every repetition of the named benchmarks, interleaved: {name: [seconds]}."""
    command = [bench, f"--benchmark_filter=^({'|'.join(names)})$",
               f"--benchmark_repetitions={mode['repetitions']}",
               "--benchmark_enable_random_interleaving=true",
               f"--benchmark_min_time={mode['min_time']}", "--benchmark_format=json"]
    report = json.loads(subprocess.run(command, check=True, capture_output=True, text=True).stdout)
    times, errors = {}, []
    for b in report["benchmarks"]:
        if b.get("error_occurred"):
            errors.append(f"{b['run_name']}: {b.get('error_message', 'failed')}")
        elif b.get("run_type", "iteration") == "iteration":
            unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            times.setdefault(b["run_name"], []).append(b["real_time"] * unit)
    missing = [name for name in names if name not in times]
    if missing and not errors:
        errors.append("not run: " + ", ".join(missing))
    return report["context"], times, errors


def compare(slow, fast, scale=1.0):
    """The ratio of the fastest runs of two series (times scale), and its spread:
    (ratio, low end, high end)."""
    return (scale * min(slow) / min(fast), scale * min(slow) / statistics.median(fast),
            scale * statistics.median(slow) / min(fast))


def ratio_text(slow, fast, target=None, scale=1.0):
    """The ratio with its spread, and its verdict when it has a target."""
    ratio, low, high = compare(slow, fast, scale)
    text = f"{ratio:5.2f}  [{low:4.2f} to {high:4.2f}]"
    if target is None:
        return text
    return text + ("  MISSED" if low > target else "  met")


def report(t, slopes, sizes):
    def target(n):
        return TARGET if n >= 100000 else None

    print(f"quenrel against the plain sequential loop (target: at most {TARGET} for N >= 1e5)")
    for n in sizes:
        print(f"  N = {n:>9}: " + ratio_text(t[f"BM_quenrel/{n}"], t[f"BM_quenrelReference/{n}"],
                                             target(n)))
    print(f"\nnubrik against memcpy of the same bytes, and against the straight-line table loop"
          f" (target: at most {TARGET} for N >= 1e5)")
    for key, label in CLASSES:
        for n in sizes:
            runs = t[f"BM_nubrik<{key}>/{n}"]
            m = min(runs) / min(t[f"BM_memcpy<{key}>/{n}"])
            print(f"  {label:>14}, N = {n:>9}: memcpy x {m:5.1f}   " +
                  ratio_text(runs, t[f"BM_tableReference<{key}>/{n}"], target(n)))
    if slopes:
        print(f"\ntime per element at N = 1e8 over that at N = 1e5 (target: at most {SLOPE_TARGET}),"
              " and that of the reference")
        for function, reference, label, reference_label in FUNCTIONS:
            print(f"  {label:>22}: " +
                  ratio_text(slopes[f"{function}/100000000"], slopes[f"{function}/100000"],
                             SLOPE_TARGET, 1e5 / 1e8) +
                  f"   {reference_label}: " +
                  ratio_text(slopes[f"{reference}/100000000"], slopes[f"{reference}/100000"],
                             None, 1e5 / 1e8))
    print("\ncontainers (target: at most 1 us per leaf for the cell of 1e5 scalars)")
    for name, leaves, label in CONTAINERS:
        runs = [seconds / leaves * 1e6 for seconds in t[name]]
        verdict = ("  met" if min(runs) <= 1.0 else "  MISSED") if "cell" in label else ""
        print(f"  {label:>22}: {min(runs):5.3f} us per leaf"
              f" [to {statistics.median(runs):5.3f}]{verdict}")


def write_throughput(t, sizes, path):
    """Elements per second, in millions, of each plotted series against N: from
    its fastest repetition, and from its median one (the spread)."""
    series = [("BM_quenrel", "quenrel"), ("BM_quenrelReference", "plain loop")] + \
        [(f"BM_{kind}<{k}>", f"{label} {l}") for k, l in CLASSES if l in ("uint8", "double")
         for kind, label in [("nubrik", "nubrik"), ("tableReference", "table loop"),
                             ("memcpy", "memcpy")]]
    with open(path, "w") as out:
        out.write("N\t" + "\t".join(f'"{label}"\t"{label}, median"' for _, label in series) + "\n")
        for n in sizes:
            runs = [t[f"{name}/{n}"] for name, _ in series]
            out.write(f"{n}\t" + "\t".join(f"{n / min(r) / 1e6:.1f}\t{n / statistics.median(r) / 1e6:.1f}"
                                              for r in runs) + "\n")


def machine(context):
    model = "unknown processor"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{context['num_cpus']} x {model} at {context['mhz_per_cpu']} MHz"


def main(args):
    mode = SHORT if args[0] == "--short" else FULL
    bench, outdir = args[-2:]
    os.makedirs(outdir, exist_ok=True)
    times, slopes, errors, context = {}, {}, [], None
    for measured, groups in [(times, ratio_groups), (slopes, slope_groups)]:
        for names in groups(mode["sizes"]):
            for _ in range(mode["runs"]):
                context, group_times, group_errors = run_group(bench, names, mode)
                for name, seconds in group_times.items():
                    measured.setdefault(name, []).extend(seconds)
                errors += group_errors
    with open(os.path.join(outdir, "bench.json"), "w") as out:
        json.dump({"context": context, "seconds": times, "slopes": slopes}, out, indent=1)
    if errors:
        print("\n".join(["results that differ from their references, or runs that failed:"] +
                         errors), file=sys.stderr)
        return 1
    print(f"On {machine(context)}; {mode['runs'] * mode['repetitions']} repetition(s) of each"
          f" benchmark in {mode['runs']} run(s), interleaved with its references\n")
    report(times, slopes, mode["sizes"])
    table = os.path.join(outdir, "throughput.tsv")
    write_throughput(times, mode["sizes"], table)
    plot = os.path.join(os.path.dirname(os.path.abspath(__file__)), "throughput.gp")
    subprocess.run(["gnuplot", "-c", plot, table, os.path.join(outdir, "throughput.png")],
                   check=True)
    return 0


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4) or (len(sys.argv) == 4 and sys.argv[1] != "--short"):
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1:]))
