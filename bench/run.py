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
figures of each path it has. Each path is held to its own targets against the
floor (FLOOR_TARGETS); SSSE3's figures are shown, never judged: its
instructions alone take longer than the memory of a processor that also has
AVX2. Any path that runs below FLOOR_BEATEN times the floor is reported: a
floor that a path beats is a fault of the floor. The floor is the fastest of
its loops on the widest vectors and on vectors of at most 256 and 128 bits
(BM_floor, BM_floorNarrower), the last two also asking for the input ahead as
nubrik's loops on them do (BM_floorAhead), by their median repetitions in each
run: where the memory bounds, a narrower one can be the faster, and where the
cache holds much of the input, one that asks ahead. A capped build meets the
floor of its own width, the fastest of the loops no wider than its vectors,
as a processor whose widest path it is would have no other.

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
# The targets, all of them here.
QUENREL_TARGET = 1.05    # quenrel's time over the plain loop's, N >= 1e5
# Each path's time over the memory's floor, at most, by N; a path not named
# here (SSSE3) is shown and not judged. AVX-512 meets the floor where the cache
# holds the argument; AVX2 is the widest path from Haswell to Zen 3.
FLOOR_TARGETS = {"AVX-512": {10 ** 5: 1.15, 10 ** 7: 1.15, 10 ** 8: 1.2},
                 "AVX2": {10 ** 7: 1.2, 10 ** 8: 1.2},
                 "NEON": {10 ** 7: 1.2, 10 ** 8: 1.2}}
FLOOR_BEATEN = 0.95      # a path's time over the floor's below which the floor is at fault
SPEEDUP_TARGET = 3.0     # the table loop's time over nubrik's, N = 1e5
FLOOR_COPY_TARGET = 1.0  # the floor's time over a copy and a zeroing, N >= 1e7 (the spread)
SCALAR_TARGET = 1.0      # a call on a scalar over the earlier build's (the spread)
LEAF_TARGET = 1.0        # microseconds per leaf of the cell of 1e5 scalars
CAPPED_PATHS = {256: "AVX2", 128: "SSSE3"}
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
                   [f"BM_floor{kind}<{key}, {bits}>/{n}" for bits in NARROWER_FLOORS
                    for kind in ("Narrower", "Ahead")] +
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


def targets_text(path):
    """What the path is held to against the floor, in words."""
    targets = FLOOR_TARGETS.get(path)
    if not targets:
        return "shown, not judged"
    return "target: at most " + ", ".join(f"{target} at N = 1e{len(str(n)) - 1}"
                                          for n, target in targets.items())


def report(t, sizes, baseline, capped_bits, path_check):
    widest = chosen_path(path_check)

    print(f"quenrel against the plain sequential loop (target: at most {QUENREL_TARGET}"
          " for N >= 1e5)")
    for n in sizes:
        print(f"  N = {n:>9}: " + ratio_text(t[f"BM_quenrel/{n}"], t[f"BM_quenrelReference/{n}"],
                                             QUENREL_TARGET if n >= 100000 else None))

    print(f"\nnubrik ({widest} here) against the memory's floor ({targets_text(widest)};"
          f" below {FLOOR_BEATEN}: the floor is beaten), against memcpy of the same bytes, and the"
          f" table loop's time over nubrik's (target: at least {SPEEDUP_TARGET} at N = 1e5)" +
          ("; before: the earlier build against memcpy" if baseline else ""))
    for key, label in CLASSES:
        for n in sizes:
            runs = t[f"BM_nubrik<{key}>/{n}"]
            ref = {kind: t[f"BM_{kind}<{key}>/{n}"] for kind in NUBRIK_REFERENCES}
            line = (f"  {label:>14}, N = {n:>9}: floor x " +
                    floor_verdict(runs, ref["floor"], FLOOR_TARGETS.get(widest, {}).get(n)) +
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
        path = CAPPED_PATHS[bits]
        print(f"\nthe build that stops at {path} against the memory's floor on {bits}-bit vectors"
              f" ({targets_text(path)}), and its time over nubrik's on {widest}")
        for key, label in CLASSES:
            for n in sizes:
                runs = t[capped(key, bits, n)]
                print(f"  {label:>14}, N = {n:>9}: floor x " +
                      floor_verdict(runs, t[f"BM_floorNarrower<{key}, {bits}>/{n}"],
                                    FLOOR_TARGETS.get(path, {}).get(n)) +
                      f"   {path} / {widest} " + ratio_text(runs, t[f"BM_nubrik<{key}>/{n}"]))

    # For one-byte elements the floor is exactly a copy and a zeroing, so
    # "no slower" can hold only within the noise: judged by the spread.
    print("\nthe memory's floor against memcpy of the input and zeroing the output"
          " (target: no slower for N >= 1e7, within the spread)")
    for key, label in CLASSES:
        for n in sizes:
            print(f"  {label:>14}, N = {n:>9}: " +
                  ratio_text(t[f"BM_floor<{key}>/{n}"], t[f"BM_memcpyAndZeroing<{key}>/{n}"],
                             FLOOR_COPY_TARGET if n >= 10 ** 7 else None))

    if baseline:
        print("\na call on a scalar double against the earlier build (target: no slower,"
              " within the spread)")
        runs, earlier = t[f"BM_nubrik<{SCALAR}"], t[f"BM_nubrikBaseline<{SCALAR}"]
        print(f"  {min(runs) * 1e9:6.1f} ns against {min(earlier) * 1e9:6.1f} ns: " +
              ratio_text(runs, earlier, SCALAR_TARGET))

    print(f"\ncontainers (target: at most {LEAF_TARGET} us per leaf for the cell of 1e5 scalars)")
    for name, leaves, label in CONTAINERS:
        runs = [seconds / leaves * 1e6 for seconds in t[name]]
        verdict = ("  met" if min(runs) <= LEAF_TARGET else "  MISSED") if "cell" in label else ""
        print(f"  {label:>22}: {min(runs):5.3f} us per leaf"
              f" [to {statistics.median(runs):5.3f}]{verdict}")


def plotted_paths(widest, capped_bits):
    """nubrik's series to plot: its own, and each capped build that takes a
    narrower path than it: [(benchmark name of a class's key, path)]."""
    paths = [(lambda key: f"BM_nubrik<{key}>", widest)]
    x86_paths = ["AVX-512"] + list(CAPPED_PATHS.values())
    for bits in capped_bits:
        path = CAPPED_PATHS[bits]
        if widest in x86_paths and x86_paths.index(path) > x86_paths.index(widest):
            paths.append((lambda key, bits=bits: f"BM_nubrikCapped<{key}, {bits}>", path))
    return paths


def write_throughput(t, sizes, paths, path):
    """Elements per second, in millions, of each plotted series against N: from
    its fastest repetition, and from its median one (the spread). quenrel and
    its loop first, then for uint8 and double each of nubrik's paths, the
    floor and the table loop; returns how many series each class has."""
    per_class = [(name, f"nubrik {label}") for name, label in paths] + \
        [(lambda key: f"BM_floor<{key}>", "floor"),
         (lambda key: f"BM_tableReference<{key}>", "table loop")]
    series = [("BM_quenrel", "quenrel"), ("BM_quenrelReference", "plain loop")] + \
        [(name(k), f"{label} {l}") for k, l in CLASSES if l in ("uint8", "double")
         for name, label in per_class]
    with open(path, "w") as out:
        out.write("N\t" + "\t".join(f'"{label}"\t"{label}, median"' for _, label in series) + "\n")
        for n in sizes:
            runs = [t[f"{name}/{n}"] for name, _ in series]
            out.write(f"{n}\t" + "\t".join(f"{n / min(r) / 1e6:.1f}\t{n / statistics.median(r) / 1e6:.1f}"
                                              for r in runs) + "\n")
    return len(per_class)


def choose_floors(group_times, sizes):
    """In one run's times, the floor of each class and size for each width of
    vectors: of its loops on vectors of at most that width, with and without
    asking for the input ahead, the one of smallest median in that run
    (BM_floor: every width; BM_floorNarrower at 256 bits: the floor of a
    processor whose widest path is AVX2). Each run places the
    program's memory anew, which moved a loop's times by up to a half between
    runs here, so the loop is chosen run by run; by the median, not the fastest
    repetition, which among five loops would favour the floor by chance
    alone."""
    for key, _ in CLASSES:
        for n in sizes:
            loops = [f"BM_floor{kind}<{key}, {bits}>/{n}" for bits in sorted(NARROWER_FLOORS)
                     for kind in ("Ahead", "Narrower")]
            loops.append(f"BM_floor<{key}>/{n}")
            for narrower, wider in zip(loops, loops[1:]):
                if (narrower in group_times and wider in group_times and
                        statistics.median(group_times[narrower]) <
                        statistics.median(group_times[wider])):
                    group_times[wider] = group_times[narrower]


def measured_commit():
    """The commit measured, as scripts/release names the one it builds."""
    here = os.path.dirname(os.path.abspath(__file__))
    git = ["git", "-C", here]
    commit = subprocess.run(git + ["rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip() or "an unknown commit"
    changed = subprocess.run(git + ["status", "--porcelain", "--untracked-files=no"],
                             capture_output=True, text=True).stdout.strip()
    return commit + (" with uncommitted changes" if changed else "")


def machine(context):
    """The processor as /proc/cpuinfo names it, with its family and model."""
    fields = {}
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            key, _, value = line.partition(":")
            fields.setdefault(key.strip(), value.strip())
    model = fields.get("model name", "unknown processor")
    if "cpu family" in fields:
        model += f" (family {fields['cpu family']}, model {fields.get('model', '?')})"
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
            choose_floors(group_times, mode["sizes"])
            for name, seconds in group_times.items():
                times.setdefault(name, []).extend(seconds)
            errors += group_errors
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
    per_class = write_throughput(times, mode["sizes"],
                                 plotted_paths(chosen_path(arguments.path_check), capped_bits),
                                 table)
    plot = os.path.join(os.path.dirname(os.path.abspath(__file__)), "throughput.gp")
    subprocess.run(["gnuplot", "-c", plot, table, os.path.join(arguments.outdir, "throughput.png"),
                    f"{machine(context)}, commit {measured_commit()}", str(per_class)],
                   check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
