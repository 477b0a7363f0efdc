#!/usr/bin/env python3
"""Runs the benchmarks of mex_bench and prints the ratios that the performance
targets are about, then plots throughput against N:

    run.py [--short] [--baseline NUBRIK] [--capped BITS=NUBRIK]...
           [--path-check NUBRIK_PATH_TEST] MEX_BENCH OUTDIR

Each function is run together with its references, in runs of mex_bench of
their own, one after the other, whose repetitions Google Benchmark runs in
random order, interleaved: a function and its reference are measured within
seconds of each other, so a neighbour's load falls on both; and in several runs,
each with its own placement of the program's memory, which alone moves a ratio
by several percent. A ratio compares the fastest repetitions (noise only ever
adds time). Its spread, printed beside it, runs from the fastest run of the one
over the median of the other to the median of the one over the fastest of the
other. For nubrik's targets against the memory's floor and the table loop, the
ratio itself must meet the target: "MISSED" otherwise. For the others (quenrel
against its loop, the floor against a copy and a zeroing, a call on a scalar)
the verdict is "MISSED" only when even the low end of the spread lies beyond
the target, a miss that the noise cannot explain; else "met".

NUBRIK is an earlier build of nubrik (the bench target builds the last one with
the table loop alone): timed beside nubrik, it gives the scalar path's figures
for every size, and a call on a scalar must be no slower than its own.

--capped BITS=NUBRIK names a build of nubrik whose paths stop at BITS bits
(256: AVX2, 128: SSSE3), timed beside nubrik, so that one processor gives the
figures of each path it has. Every path is held to its own target against the
floor (AVX-512 within FLOOR_TARGET_AVX512 at 1e7, every path within FLOOR_TARGET
otherwise),
AVX-512 to SPEEDUP_TARGET_AVX512 over AVX2 for 4- and 8-byte elements at N =
1e5, and any path that runs below FLOOR_BEATEN times the floor is reported:
a floor that a path beats is a fault of the floor. The floor is the fastest of
its loops on the widest vectors and on vectors of at most 256 and 128 bits
(BM_floor, BM_floorNarrower), by their median repetitions: where the memory
bounds, a narrower one can be the faster.

NUBRIK_PATH_TEST (the test program nubrik_path_test) says which path nubrik
takes here, which decides the targets that apply to it.

OUTDIR receives every repetition (bench.json), the throughput table
(throughput.tsv) and the plot (throughput.png).

--short runs small sizes once each, to check that the tools work and that every
result agrees with its reference. The exit status is non-zero only when a tool
fails or a result differs from its reference, never for a ratio.
"""
import argparse
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
SCALAR = "mxDOUBLE_CLASS, mxREAL>/1"
FULL = {"sizes": [10 ** k for k in range(3, 9)], "runs": 3, "repetitions": 3, "min_time": 0.1}
SHORT = {"sizes": [1000, 10000], "runs": 1, "repetitions": 1, "min_time": 0.001}
QUENREL_TARGET = 1.05    # quenrel's time over the plain loop's, N >= 1e5
FLOOR_TARGET = 1.2       # nubrik's time over the memory's floor, N >= 1e7
FLOOR_TARGET_AVX512 = 1.15  # the same for the AVX-512 path at N = 1e7 (FLOOR_TARGET beyond)
SPEEDUP_TARGET_AVX512 = 2.5  # AVX2's time over AVX-512's, 4- and 8-byte elements, N = 1e5
FLOOR_BEATEN = 0.95      # a path's time over the floor's below which the floor is at fault
CAPPED_PATHS = {256: "AVX2", 128: "SSSE3"}
SPEEDUP_TARGET = 3.0     # the table loop's time over nubrik's, N = 1e5
NUBRIK_REFERENCES = ("floor", "memcpy", "memcpyAndZeroing", "tableReference")
NARROWER_FLOORS = (256, 128)


def chosen_path(path_check):
    """The path nubrik takes on this processor, as nubrik_path_test reports it."""
    if not path_check:
        return "its widest path"
    line = subprocess.run([path_check], capture_output=True, text=True).stdout
    return line.split("nubrik counts with ", 1)[1].split(";", 1)[0]


def capped(key, bits, n):
    return f"BM_nubrikCapped<{key}, {bits}>/{n}"


def ratio_groups(sizes, baseline, capped_bits):
    """The benchmarks to run together: each function with its references at
    one size, the call on a scalar beside the earlier build's, the containers."""
    earlier = ("nubrikBaseline",) if baseline else ()
    for n in sizes:
        yield [f"BM_quenrel/{n}", f"BM_quenrelReference/{n}"]
        for key, _ in CLASSES:
            yield ([f"BM_{kind}<{key}>/{n}" for kind in ("nubrik",) + NUBRIK_REFERENCES + earlier] +
                   [f"BM_floorNarrower<{key}, {bits}>/{n}" for bits in NARROWER_FLOORS] +
                   [capped(key, bits, n) for bits in capped_bits])
    if baseline:
        yield [f"BM_nubrik<{SCALAR}", f"BM_nubrikBaseline<{SCALAR}"]
    for name, _, _ in CONTAINERS:
        yield [name]


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


def compare(slow, fast):
    """The ratio of the fastest runs of two series, and its spread:
    (ratio, low end, high end)."""
    return (min(slow) / min(fast), min(slow) / statistics.median(fast),
            statistics.median(slow) / min(fast))


def ratio_text(slow, fast, target=None, strict=False):
    """The ratio with its spread, and its verdict when it has a target (at
    most target): strict judges the ratio itself, else the spread's low end."""
    ratio, low, high = compare(slow, fast)
    text = f"{ratio:5.2f}  [{low:4.2f} to {high:4.2f}]"
    if target is None:
        return text
    return text + ("  MISSED" if (ratio if strict else low) > target else "  met")


def floor_verdict(runs, floor, target):
    """The ratio over the floor with its spread, judged against target and
    against FLOOR_BEATEN."""
    text = ratio_text(runs, floor, target, True)
    return text + ("  BELOW THE FLOOR" if compare(runs, floor)[0] < FLOOR_BEATEN else "")


def report(t, sizes, baseline, capped_bits, path_check):
    widest = chosen_path(path_check)

    def widest_target(n):
        if n < 10 ** 7:
            return None
        return FLOOR_TARGET_AVX512 if widest == "AVX-512" and n == 10 ** 7 else FLOOR_TARGET

    print(f"quenrel against the plain sequential loop (target: at most {QUENREL_TARGET}"
          " for N >= 1e5)")
    for n in sizes:
        print(f"  N = {n:>9}: " + ratio_text(t[f"BM_quenrel/{n}"], t[f"BM_quenrelReference/{n}"],
                                             QUENREL_TARGET if n >= 100000 else None))

    print(f"\nnubrik ({widest} here) against the memory's floor (target: at most"
          f" {widest_target(10 ** 7)} at N = 1e7, {FLOOR_TARGET} beyond; below {FLOOR_BEATEN}:"
          " the floor is beaten),"
          " against memcpy of the same bytes, and the table loop's time over nubrik's"
          f" (target: at least {SPEEDUP_TARGET} at N = 1e5)" +
          ("; before: the earlier build against memcpy" if baseline else ""))
    for key, label in CLASSES:
        for n in sizes:
            runs = t[f"BM_nubrik<{key}>/{n}"]
            ref = {kind: t[f"BM_{kind}<{key}>/{n}"] for kind in NUBRIK_REFERENCES}
            line = (f"  {label:>14}, N = {n:>9}: floor x " +
                    floor_verdict(runs, ref["floor"], widest_target(n)) +
                    f"   memcpy x {min(runs) / min(ref['memcpy']):5.1f}   table loop / nubrik ")
            speedup, low, high = compare(ref["tableReference"], runs)
            line += f"{speedup:5.1f}  [{low:4.1f} to {high:4.1f}]"
            if n == 100000:
                line += "  met" if speedup >= SPEEDUP_TARGET else "  MISSED"
            if baseline:
                earlier = t[f"BM_nubrikBaseline<{key}>/{n}"]
                line += f"   before: memcpy x {min(earlier) / min(ref['memcpy']):5.1f}"
            print(line)

    for bits in capped_bits:
        path = CAPPED_PATHS.get(bits, f"{bits} bits")
        print(f"\nthe build that stops at {path} against the memory's floor (target: at most"
              f" {FLOOR_TARGET} for N >= 1e7)" +
              (f", and its time over nubrik's (target: at least {SPEEDUP_TARGET_AVX512} at"
               " N = 1e5 for 4- and 8-byte elements)" if widest == "AVX-512" and bits == 256
               else ""))
        for key, label in CLASSES:
            for n in sizes:
                runs = t[capped(key, bits, n)]
                line = (f"  {label:>14}, N = {n:>9}: floor x " +
                        floor_verdict(runs, t[f"BM_floor<{key}>/{n}"],
                                      FLOOR_TARGET if n >= 10 ** 7 else None))
                if widest == "AVX-512" and bits == 256:
                    line += f"   {path} / {widest} " + ratio_text(
                        runs, t[f"BM_nubrik<{key}>/{n}"])
                    if n == 100000 and label not in ("uint8", "int16"):
                        speedup = compare(runs, t[f"BM_nubrik<{key}>/{n}"])[0]
                        line += "  met" if speedup >= SPEEDUP_TARGET_AVX512 else "  MISSED"
                print(line)

    # For one-byte elements the floor is exactly a copy and a zeroing, so
    # "no slower" can hold only within the noise: judged by the spread.
    print("\nthe memory's floor against memcpy of the input and zeroing the output"
          " (target: no slower for N >= 1e7, within the spread)")
    for key, label in CLASSES:
        for n in sizes:
            print(f"  {label:>14}, N = {n:>9}: " +
                  ratio_text(t[f"BM_floor<{key}>/{n}"], t[f"BM_memcpyAndZeroing<{key}>/{n}"],
                             1.0 if n >= 10 ** 7 else None))

    if baseline:
        print("\na call on a scalar double against the earlier build (target: no slower,"
              " within the spread)")
        runs, earlier = t[f"BM_nubrik<{SCALAR}"], t[f"BM_nubrikBaseline<{SCALAR}"]
        print(f"  {min(runs) * 1e9:6.1f} ns against {min(earlier) * 1e9:6.1f} ns: " +
              ratio_text(runs, earlier, 1.0))

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
         for kind, label in [("nubrik", "nubrik"), ("floor", "floor"),
                             ("tableReference", "table loop")]]
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--short", action="store_true")
    parser.add_argument("--baseline", metavar="NUBRIK")
    parser.add_argument("--capped", metavar="BITS=NUBRIK", action="append", default=[])
    parser.add_argument("--path-check", metavar="NUBRIK_PATH_TEST")
    parser.add_argument("bench", metavar="MEX_BENCH")
    parser.add_argument("outdir", metavar="OUTDIR")
    arguments = parser.parse_args()
    mode = SHORT if arguments.short else FULL
    if arguments.baseline:
        os.environ["NUBRIK_BASELINE"] = arguments.baseline
    capped_bits = []
    for build in arguments.capped:
        bits, path = build.split("=", 1)
        os.environ[f"NUBRIK_WIDEST_{bits}"] = path
        capped_bits.append(int(bits))
    os.makedirs(arguments.outdir, exist_ok=True)
    times, errors, context = {}, [], None
    for names in ratio_groups(mode["sizes"], arguments.baseline, capped_bits):
        for _ in range(mode["runs"]):
            context, group_times, group_errors = run_group(arguments.bench, names, mode)
            for name, seconds in group_times.items():
                times.setdefault(name, []).extend(seconds)
            errors += group_errors
    for key, _ in CLASSES:
        for n in mode["sizes"]:
            floor = f"BM_floor<{key}>/{n}"
            for bits in NARROWER_FLOORS:
                narrower = times.get(f"BM_floorNarrower<{key}, {bits}>/{n}")
                # Chosen by the median, not the fastest repetition: the fastest of
                # three loops' repetitions would favour the floor by chance alone.
                if (floor in times and narrower and
                        statistics.median(narrower) < statistics.median(times[floor])):
                    times[floor] = narrower
    with open(os.path.join(arguments.outdir, "bench.json"), "w") as out:
        json.dump({"context": context, "seconds": times}, out, indent=1)
    if errors:
        print("\n".join(["results that differ from their references, or runs that failed:"] +
                         errors), file=sys.stderr)
        return 1
    print(f"On {machine(context)}; {mode['runs'] * mode['repetitions']} repetition(s) of each"
          f" benchmark in {mode['runs']} run(s), interleaved with its references\n")
    report(times, mode["sizes"], arguments.baseline, capped_bits, arguments.path_check)
    table = os.path.join(arguments.outdir, "throughput.tsv")
    write_throughput(times, mode["sizes"], table)
    plot = os.path.join(os.path.dirname(os.path.abspath(__file__)), "throughput.gp")
    subprocess.run(["gnuplot", "-c", plot, table, os.path.join(arguments.outdir, "throughput.png")],
                   check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
