// Throughput of the built deliverables, called through the stand-in host as a
// user's call would be (no audit), next to the references that bound them: the
// plain sequential two-pass loop for quenrel; for nubrik, the memory's floor
// (every input byte read with the widest loads this processor has, one byte per
// element written into an int8 array created as the host creates nubrik's
// result, nothing counted), memcpy of the same bytes, with and without zeroing
// the output, and the straight-line table loop into such an array. With the
// environment variable NUBRIK_BASELINE naming an earlier build of nubrik, that
// build is timed beside it too, and so are the builds that NUBRIK_WIDEST_256 and
// NUBRIK_WIDEST_128 name, whose paths stop at 256 and 128 bits. Each function's
// result is checked against an independent reference before it is timed.
// bench/run.py runs a function and its references interleaved.
#include "arrays.h"
#include "correlation.h"
#include "floor.h"
#include "loader.h"
#include "standin.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <list>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

MexEntry *nubrikEntry() {
    static MexEntry *const entry = loadMexEntry(NUBRIK_MEX);
    return entry;
}

// The earlier build of nubrik that NUBRIK_BASELINE names, or null.
MexEntry *baselineEntry() {
    static MexEntry *const entry =
        std::getenv("NUBRIK_BASELINE") ? loadMexEntry(std::getenv("NUBRIK_BASELINE")) : nullptr;
    return entry;
}

// The build of nubrik whose paths stop at `bits` bits (NUBRIK_WIDEST_BITS)
// that the environment variable NUBRIK_WIDEST_<bits> names, or null.
template <int bits> MexEntry *cappedEntry() {
    static MexEntry *const entry = [] {
        const char *path = std::getenv(("NUBRIK_WIDEST_" + std::to_string(bits)).c_str());
        return path ? loadMexEntry(path) : nullptr;
    }();
    return entry;
}

MexEntry *quenrelEntry() {
    static MexEntry *const entry = loadMexEntry(QUENREL_MEX);
    return entry;
}

void fillRandom(void *part, size_t bytes, uint64_t seed) {
    std::mt19937_64 random(seed);
    unsigned char *p = static_cast<unsigned char *>(part);
    for (size_t i = 0; i < bytes; i += 8) {
        const uint64_t word = random();
        std::memcpy(p + i, &word, bytes - i < 8 ? bytes - i : 8);
    }
}

mxArray *randomArray(mxClassID classId, size_t n, mxComplexity complexity) {
    mxArray *a = standinCreateArray(classId, {static_cast<int>(n), 1}, complexity);
    const size_t bytes = n * standinElementSize(classId);
    fillRandom(mxGetData(a), bytes, 1);
    if (complexity == mxCOMPLEX) fillRandom(mxGetImagData(a), bytes, 2);
    return a;
}

// Values around a large offset, as measured data often are.
mxArray *measurements(size_t n, uint64_t seed) {
    mxArray *a = standinCreateArray(mxDOUBLE_CLASS, {static_cast<int>(n), 1}, mxREAL);
    std::mt19937_64 random(seed);
    std::normal_distribution<double> noise;
    double *values = mxGetPr(a);
    for (size_t i = 0; i < n; ++i)
        values[i] = 1e6 + noise(random);
    return a;
}

// The arguments of the benchmarks being run, made once for all that share
// them: a function and its references run their repetitions interleaved, each
// repetition a new call of its benchmark, and making a large argument anew for
// each would take longer than measuring it. The two sets asked for last are
// kept (one size and another, for the cost per element at both). checked
// records that the function's result on them was compared with its reference.
struct Arguments {
    std::string key;
    std::vector<const mxArray *> arrays;
    bool checked = false;
};

Arguments &argumentsFor(const std::string &key,
                        const std::function<std::vector<const mxArray *>()> &make) {
    static std::list<Arguments> held; // the last asked for first
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (it->key == key) {
            held.splice(held.begin(), held, it);
            return held.front();
        }
    }
    if (held.size() == 2) {
        for (const mxArray *a : held.back().arrays)
            standinDestroy(const_cast<mxArray *>(a));
        held.pop_back();
    }
    held.push_front(Arguments{key, make()});
    return held.front();
}

Arguments &correlationArguments(size_t n) {
    return argumentsFor("quenrel/" + std::to_string(n), [n] {
        return std::vector<const mxArray *>{measurements(n, 1), measurements(n, 2)};
    });
}

Arguments &countingArguments(mxClassID classId, mxComplexity complexity, size_t n) {
    return argumentsFor(
        std::to_string(classId) + "/" + std::to_string(complexity) + "/" + std::to_string(n),
        [=] { return std::vector<const mxArray *>{randomArray(classId, n, complexity)}; });
}

// A call as the host makes it; the result is released afterwards, as the host
// would release it once the user's variable goes.
void callAndRelease(MexEntry *entry, const std::vector<const mxArray *> &inputs) {
    StandinCall call = standinCall(entry, 1, inputs);
    if (call.failed) std::abort();
    benchmark::DoNotOptimize(mxGetData(call.outputs[0]));
    standinDestroy(call.outputs[0]);
}

// Calls entry once untimed, so that the memory it needs is the program's, and,
// the first time on these arguments, compares its result with check's
// reference; false (with the benchmark skipped) when they differ.
bool warmUpAndCheck(benchmark::State &state, MexEntry *entry, Arguments &arguments,
                    const std::function<std::string(const mxArray *)> &check) {
    StandinCall call = standinCall(entry, 1, arguments.arrays);
    const std::string mismatch = call.failed         ? call.error
                                 : arguments.checked ? ""
                                                     : check(call.outputs[0]);
    if (!call.failed) standinDestroy(call.outputs[0]);
    if (!mismatch.empty()) {
        state.SkipWithError(mismatch.c_str());
        return false;
    }
    arguments.checked = true;
    return true;
}

void BM_quenrel(benchmark::State &state) {
    const size_t n = state.range(0);
    Arguments &arguments = correlationArguments(n);
    const auto check = [&](const mxArray *out) {
        const double expected = referenceCorrelation(
            mxGetPr(arguments.arrays[0]), mxGetPr(arguments.arrays[1]), static_cast<int>(n));
        return bitsOf(mxGetPr(out)[0]) == bitsOf(expected) ? "" : "differs from the plain loop";
    };
    if (!warmUpAndCheck(state, quenrelEntry(), arguments, check)) return;
    for (auto _ : state)
        callAndRelease(quenrelEntry(), arguments.arrays);
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * n * 16);
}

void BM_quenrelReference(benchmark::State &state) {
    const size_t n = state.range(0);
    const Arguments &arguments = correlationArguments(n);
    const double *a = mxGetPr(arguments.arrays[0]), *b = mxGetPr(arguments.arrays[1]);
    for (auto _ : state)
        benchmark::DoNotOptimize(referenceCorrelation(a, b, static_cast<int>(n)));
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * n * 16);
}

// Times calls of a build of nubrik on an array of n elements of the class.
void timeCounting(benchmark::State &state, MexEntry *entry, mxClassID classId,
                  mxComplexity complexity) {
    if (!entry) {
        state.SkipWithError("no such build of nubrik");
        return;
    }
    const size_t n = state.range(0);
    Arguments &arguments = countingArguments(classId, complexity, n);
    const auto check = [&](const mxArray *out) {
        return conversionMismatch(arguments.arrays[0], out, "the counts");
    };
    if (!warmUpAndCheck(state, entry, arguments, check)) return;
    for (auto _ : state)
        callAndRelease(entry, arguments.arrays);
    const size_t parts = complexity == mxCOMPLEX ? 2 : 1;
    state.SetItemsProcessed(state.iterations() * n * parts);
    state.SetBytesProcessed(state.iterations() * n * parts * standinElementSize(classId));
}

template <mxClassID classId, mxComplexity complexity> void BM_nubrik(benchmark::State &state) {
    timeCounting(state, nubrikEntry(), classId, complexity);
}

template <mxClassID classId, mxComplexity complexity>
void BM_nubrikBaseline(benchmark::State &state) {
    timeCounting(state, baselineEntry(), classId, complexity);
}

template <mxClassID classId, mxComplexity complexity, int bits>
void BM_nubrikCapped(benchmark::State &state) {
    timeCounting(state, cappedEntry<bits>(), classId, complexity);
}

// Bytes per element of the classes counted here.
constexpr size_t elementBytes(mxClassID classId) {
    return classId == mxUINT8_CLASS    ? 1
           : classId == mxINT16_CLASS  ? 2
           : classId == mxSINGLE_CLASS ? 4
                                       : 8;
}

struct ByteTable {
    int32_t bits[256];
    ByteTable() {
        for (int k = 0; k < 256; ++k)
            bits[k] = __builtin_popcount(k);
    }
};
const ByteTable table;

// The straight-line table loop for one element size.
template <size_t size> void countReference(const unsigned char *p, unsigned char *out, size_t n) {
    const int32_t *t = table.bits;
    for (size_t i = 0; i < n; ++i, p += size) {
        int32_t sum = t[p[0]];
        if (size > 1) sum += t[p[1]];
        if (size > 2) sum += t[p[2]] + t[p[3]];
        if (size > 4) sum += t[p[4]] + t[p[5]] + t[p[6]] + t[p[7]];
        out[i] = static_cast<unsigned char>(sum);
    }
}

// Times a reference on the argument of nubrik's benchmark of the same class:
// work(in, n, parts) makes one repetition, and runs once untimed first.
template <class Work>
void timeReference(benchmark::State &state, mxClassID classId, mxComplexity complexity,
                   const Work &work) {
    const size_t n = state.range(0);
    const size_t parts = complexity == mxCOMPLEX ? 2 : 1;
    const mxArray *in = countingArguments(classId, complexity, n).arrays[0];
    work(in, n, parts);
    for (auto _ : state)
        work(in, n, parts);
    state.SetItemsProcessed(state.iterations() * n * parts);
    state.SetBytesProcessed(state.iterations() * n * parts * standinElementSize(classId));
}

// Runs pass over each part of in into an int8 array of its extents and
// complexity, created as the host creates nubrik's result, and released
// afterwards, as a call's result is.
template <class Pass>
void intoCreatedOutput(const mxArray *in, size_t n, size_t parts, const Pass &pass) {
    mxArray *out = mxCreateNumericArray(mxGetNumberOfDimensions(in), mxGetDimensions(in),
                                        mxINT8_CLASS, parts == 2 ? mxCOMPLEX : mxREAL);
    pass(static_cast<const unsigned char *>(mxGetData(in)),
         static_cast<unsigned char *>(mxGetData(out)), n);
    if (parts == 2)
        pass(static_cast<const unsigned char *>(mxGetImagData(in)),
             static_cast<unsigned char *>(mxGetImagData(out)), n);
    benchmark::DoNotOptimize(mxGetData(out));
    standinDestroy(out);
}

// A copy of every part of in, into a block that is not zeroed.
char *copyOf(const mxArray *in, size_t n, size_t parts) {
    const size_t bytes = n * standinElementSize(mxGetClassID(in));
    char *copy = static_cast<char *>(std::malloc(bytes * parts));
    std::memcpy(copy, mxGetData(in), bytes);
    if (parts == 2) std::memcpy(copy + bytes, mxGetImagData(in), bytes);
    benchmark::DoNotOptimize(copy);
    return copy;
}

template <mxClassID classId, mxComplexity complexity>
void BM_tableReference(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        intoCreatedOutput(in, n, parts, countReference<elementBytes(classId)>);
    });
}

template <mxClassID classId, mxComplexity complexity> void BM_floor(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        intoCreatedOutput(in, n, parts, touchReference<elementBytes(classId)>);
    });
}

// The floor with vectors of at most 256 or 128 bits, which run.py takes where
// it is the faster.
template <mxClassID classId, mxComplexity complexity, int bits>
void BM_floorNarrower(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        intoCreatedOutput(in, n, parts, touchReference<elementBytes(classId), bits>);
    });
}

// The same, going through the input as nubrik's AVX2 and SSSE3 loops do.
template <mxClassID classId, mxComplexity complexity, int bits>
void BM_floorAhead(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        intoCreatedOutput(in, n, parts,
                          touchReference<elementBytes(classId), bits, Shape::askingAhead>);
    });
}

template <mxClassID classId, mxComplexity complexity> void BM_memcpy(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        std::free(copyOf(in, n, parts));
    });
}

// memcpy of the input, as BM_memcpy, and zeroing an output of one byte per
// element, as the host's creation of the result does: what the memory's floor
// must not exceed.
template <mxClassID classId, mxComplexity complexity>
void BM_memcpyAndZeroing(benchmark::State &state) {
    timeReference(state, classId, complexity, [](const mxArray *in, size_t n, size_t parts) {
        char *copy = copyOf(in, n, parts);
        void *zeroed = std::calloc(n * parts, 1);
        benchmark::DoNotOptimize(zeroed);
        std::free(zeroed);
        std::free(copy);
    });
}

// Calls nubrik on a container, timing the calls only, and counts leaves per call.
void timeContainerCalls(benchmark::State &state, Arguments &arguments, size_t leaves) {
    const auto check = [&](const mxArray *out) {
        return conversionMismatch(arguments.arrays[0], out, "the container");
    };
    if (!warmUpAndCheck(state, nubrikEntry(), arguments, check)) return;
    for (auto _ : state) {
        StandinCall call = standinCall(nubrikEntry(), 1, arguments.arrays);
        state.PauseTiming();
        standinDestroy(call.outputs[0]);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * leaves);
}

// A cell of scalars, and a struct array of scalar fields: the cost per leaf.
void BM_nubrikCellOfScalars(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    Arguments &arguments = argumentsFor("cell/" + std::to_string(n), [n] {
        mxArray *cell = mxCreateCellArray(2, std::vector<int>{1, n}.data());
        for (int i = 0; i < n; ++i)
            mxSetCell(cell, i, randomArray(mxDOUBLE_CLASS, 1, mxREAL));
        return std::vector<const mxArray *>{cell};
    });
    timeContainerCalls(state, arguments, n);
}

void BM_nubrikStructArray(benchmark::State &state) {
    const int n = static_cast<int>(state.range(0));
    Arguments &arguments = argumentsFor("struct/" + std::to_string(n), [n] {
        const char *names[] = {"a", "b", "c", "d", "e"};
        mxArray *records = mxCreateStructArray(2, std::vector<int>{n, 1}.data(), 5, names);
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < 5; ++k)
                mxSetFieldByNumber(records, j, k, randomArray(mxINT32_CLASS, 1, mxREAL));
        return std::vector<const mxArray *>{records};
    });
    timeContainerCalls(state, arguments, static_cast<size_t>(n) * 5);
}

void sizes(benchmark::internal::Benchmark *b) {
    b->RangeMultiplier(10)->Range(1000, 100000000)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(BM_quenrel)->Apply(sizes);
BENCHMARK(BM_quenrelReference)->Apply(sizes);

#define NUBRIK_BENCHMARKS(classId, complexity)                                                     \
    BENCHMARK_TEMPLATE(BM_nubrik, classId, complexity)->Apply(sizes);                              \
    BENCHMARK_TEMPLATE(BM_nubrikBaseline, classId, complexity)->Apply(sizes);                      \
    BENCHMARK_TEMPLATE(BM_nubrikCapped, classId, complexity, 256)->Apply(sizes);                   \
    BENCHMARK_TEMPLATE(BM_nubrikCapped, classId, complexity, 128)->Apply(sizes);                   \
    BENCHMARK_TEMPLATE(BM_tableReference, classId, complexity)->Apply(sizes);                      \
    BENCHMARK_TEMPLATE(BM_memcpy, classId, complexity)->Apply(sizes);                              \
    BENCHMARK_TEMPLATE(BM_memcpyAndZeroing, classId, complexity)->Apply(sizes);                    \
    BENCHMARK_TEMPLATE(BM_floor, classId, complexity)->Apply(sizes);                               \
    BENCHMARK_TEMPLATE(BM_floorNarrower, classId, complexity, 256)->Apply(sizes);                  \
    BENCHMARK_TEMPLATE(BM_floorNarrower, classId, complexity, 128)->Apply(sizes);                  \
    BENCHMARK_TEMPLATE(BM_floorAhead, classId, complexity, 256)->Apply(sizes);                     \
    BENCHMARK_TEMPLATE(BM_floorAhead, classId, complexity, 128)->Apply(sizes);
NUBRIK_BENCHMARKS(mxUINT8_CLASS, mxREAL)
NUBRIK_BENCHMARKS(mxINT16_CLASS, mxREAL)
NUBRIK_BENCHMARKS(mxSINGLE_CLASS, mxREAL)
NUBRIK_BENCHMARKS(mxDOUBLE_CLASS, mxREAL)
NUBRIK_BENCHMARKS(mxDOUBLE_CLASS, mxCOMPLEX)
// A call on a scalar: what a call costs beyond its counting.
BENCHMARK_TEMPLATE(BM_nubrik, mxDOUBLE_CLASS, mxREAL)->Arg(1)->Unit(benchmark::kNanosecond);
BENCHMARK_TEMPLATE(BM_nubrikBaseline, mxDOUBLE_CLASS, mxREAL)->Arg(1)->Unit(benchmark::kNanosecond);

BENCHMARK(BM_nubrikCellOfScalars)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_nubrikStructArray)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    // Freed memory stays with the program and is handed out again, as in a
    // long-running host: without this every large result is mapped afresh, and
    // the figures measure the machine's page faults instead of the functions.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    // Calls cost what they cost in the host: no audit.
    standinAudit(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
