// Which vector path nubrik chose when it was loaded, against what this
// processor has as GCC's own feature test reads it. A choice that fell back to
// the table loop would pass every behaviour test, only slower. The test compiles
// nubrik's source unit into itself to ask it.
#include "nubrik.cpp" // NOLINT(bugprone-suspicious-include): the unit is asked itself

#include <cstdio>

namespace {

const char *nameOf(const VectorPath *path) {
    return path ? path->name : "the table loop alone";
}

// The path nubrik must take here.
const VectorPath *expectedPath() {
#if defined(NUBRIK_NEON)
    return &neonPath;
#elif defined(NUBRIK_X86_64)
    __builtin_cpu_init();
#if defined(NUBRIK_AVX512)
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bitalg") &&
        __builtin_cpu_supports("avx512vpopcntdq"))
        return &avx512Path;
#endif
#if defined(NUBRIK_AVX2)
    if (__builtin_cpu_supports("avx2")) return &avx2Path;
#endif
    return __builtin_cpu_supports("ssse3") ? &ssse3Path : nullptr;
#else
    return nullptr;
#endif
}

} // namespace

int main() {
    const VectorPath *expected = expectedPath();
    std::printf("nubrik counts with %s; this processor calls for %s\n", nameOf(vectorPath),
                nameOf(expected));
    return vectorPath == expected ? 0 : 1;
}
