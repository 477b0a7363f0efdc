// nubrik: replaces every element of its arguments by the number of set bits in
// the element's stored representation. Numeric, char and logical arrays give int8
// arrays of counts with the same extents (real and imaginary parts counted
// separately); cells and structs are rebuilt around their converted elements, to
// any depth; any other class gives an empty double matrix.

#include "mex.h"

#include <limits.h>
#include <stddef.h>
#include <stdint.h>

// The vector paths: one for each instruction set that counts 16 or more bytes
// at once, with the intrinsics of each compiler that builds these sources.
// Paths wider than 128 bits are built under MinGW only where the build says
// that every aligned vector move is assembled as an unaligned one
// (UNALIGNED_VECTOR_MOVES, with GNU as's -muse-unaligned-vector-move): MinGW's
// GCC does not realign the stack for the 32- and 64-byte values it spills
// (GCC bug 54412), and an aligned spill to a misaligned slot would crash the
// host. Intel Macs get no AVX-512 path (__APPLE__): macOS turns the AVX-512
// state on for each thread at its first AVX-512 instruction, so XCR0 read when
// the library is loaded tells only what the loading thread ran before, and
// macOS 10.15.6 to 12.1 could corrupt the mask registers (Go's runtime treats
// AVX-512 there as unsafe). A benchmark build may leave out every path wider
// than NUBRIK_WIDEST_BITS (0: the table loop alone), to time the narrower ones
// on a processor that has the wider.
#if !defined(NUBRIK_WIDEST_BITS)
#define NUBRIK_WIDEST_BITS 512
#endif
#if defined(__x86_64__) || defined(_M_X64)
#define NUBRIK_X86_64 1
#if defined(NUBRIK_AVX512_SIMDE)
// A test build: the AVX-512 routines alone, on SIMDe's portable intrinsics,
// chosen on any processor.
#define NUBRIK_AVX512 1
#include <simde/x86/avx512.h>
#else
#if NUBRIK_WIDEST_BITS >= 128
#define NUBRIK_SSSE3 1
#endif
#if !defined(__MINGW32__) || defined(UNALIGNED_VECTOR_MOVES)
#if NUBRIK_WIDEST_BITS >= 256
#define NUBRIK_AVX2 1
#endif
#if NUBRIK_WIDEST_BITS >= 512 && !defined(__APPLE__)
#define NUBRIK_AVX512 1
#endif
#endif
#endif
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#elif defined(__aarch64__) && NUBRIK_WIDEST_BITS >= 128
#define NUBRIK_NEON 1
#include <arm_neon.h>
#endif

// GCC and Clang compile a routine for instructions beyond the baseline only
// when told so, routine by routine; Microsoft's compiler takes any intrinsic.
// The steps of a vector loop are always inlined into it: left to themselves,
// compilers call some of them, with every vector passed through memory.
#if defined(__GNUC__)
#define TARGET(features) __attribute__((target(features)))
#define STEP inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define TARGET(features)
#define STEP __forceinline
#else
#define TARGET(features)
#define STEP inline
#endif

namespace {

// Number of set bits of each byte value.
constexpr int nubrik8[256] = {
    0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5, 2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    2, 3, 3, 4, 3, 4, 4, 5, 3, 4, 4, 5, 4, 5, 5, 6, 3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7,
    3, 4, 4, 5, 4, 5, 5, 6, 4, 5, 5, 6, 5, 6, 6, 7, 4, 5, 5, 6, 5, 6, 6, 7, 5, 6, 6, 7, 6, 7, 7, 8,
};

// Containers may enclose an array at most this many levels deep, which keeps the
// recursion well inside a 1 MiB thread stack.
const int maxNesting = 1000;

const char mismatchText[] = "Mismatched number of input/output arguments\n";
const char createText[] = "Unable to create output array\n";
const char tooManyElementsText[] = "Input array has 2^31 or more elements\n";
const char tooDeepText[] = "Cells and structs nested more than 1000 levels deep\n";

// Bytes per element of each class that is counted; 0 for every other class.
size_t elementSize(mxClassID classId) {
    switch (classId) {
    case mxLOGICAL_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
        return 1;
    case mxCHAR_CLASS:
        return sizeof(mxChar);
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
        return 2;
    case mxSINGLE_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
        return 4;
    case mxDOUBLE_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
        return 8;
    default:
        return 0;
    }
}

// Counts the n elements at p into the int8 counts at o, with the byte lookups of
// each element written out in straight line.
void countElements(const unsigned char *p, signed char *o, int n, size_t size) {
    switch (size) {
    case 1:
        for (int i = 0; i < n; ++i, p += 1)
            o[i] = static_cast<signed char>(nubrik8[p[0]]);
        break;
    case 2:
        for (int i = 0; i < n; ++i, p += 2)
            o[i] = static_cast<signed char>(nubrik8[p[0]] + nubrik8[p[1]]);
        break;
    case 4:
        for (int i = 0; i < n; ++i, p += 4)
            o[i] = static_cast<signed char>(nubrik8[p[0]] + nubrik8[p[1]] + nubrik8[p[2]] +
                                            nubrik8[p[3]]);
        break;
    default:
        // Two half sums: written as one sum of eight, the lookups get packed into
        // vector registers by some compilers, which is slower than adding them.
        for (int i = 0; i < n; ++i, p += 8) {
            const int low = nubrik8[p[0]] + nubrik8[p[1]] + nubrik8[p[2]] + nubrik8[p[3]];
            const int high = nubrik8[p[4]] + nubrik8[p[5]] + nubrik8[p[6]] + nubrik8[p[7]];
            o[i] = static_cast<signed char>(low + high);
        }
        break;
    }
}

// A part is counted in blocks of this many bytes. Before each block, the input
// one block further on is asked for, a cache line at a time: the lookups keep
// the processor too busy to see the stream coming, and a large argument would
// otherwise be counted at half the speed of one held in cache.
const size_t blockBytes = 1024;
const size_t cacheLine = 64;
#if defined(__GNUC__)
#define PREFETCH(address) __builtin_prefetch(address)
#else
#define PREFETCH(address) ((void)(address))
#endif

// Counts the n elements at p into the int8 counts at o with the table loop, in
// blocks.
void countScalar(const unsigned char *p, signed char *o, int n, size_t size) {
    const int perBlock = static_cast<int>(blockBytes / size);
    int count = 0;
    for (int begin = 0; begin < n; begin += count) {
        const unsigned char *block = p + static_cast<size_t>(begin) * size;
        if (n - begin >= 2 * perBlock) {
            for (size_t line = 0; line < blockBytes; line += cacheLine)
                PREFETCH(block + blockBytes + line);
        }
        count = n - begin < perBlock ? n - begin : perBlock;
        countElements(block, o + begin, count, size);
    }
}

// Counts the leading elements of a part that fill whole vectors, of the
// element size it is made for, and returns how many it counted.
typedef int CountVectors(const unsigned char *p, signed char *o, int n);

// A vector path: its routine for each element size (1, 2, 4 and 8 bytes).
struct VectorPath {
    const char *name;
    CountVectors *bySize[4];
};

// Where the routine for an element size stands in bySize.
int sizeIndex(size_t size) {
    return size == 8 ? 3 : static_cast<int>(size / 2);
}

#if defined(NUBRIK_SSSE3)
// The counts of the 16 half-byte values as bytes: the first 16 entries of
// nubrik8, narrowed when compiled. The SSSE3 and AVX2 paths look up the low and
// the high half of 16 bytes at once in it and add the two counts, the count of
// each byte; the counts of an element's bytes are then added in pairs, as many
// times as the element has bytes to halve, which leaves one count per element
// in the order of the elements.
struct HalfByteCounts {
    unsigned char count[16];
};
constexpr HalfByteCounts narrowHalfByteCounts() {
    HalfByteCounts counts{};
    for (int k = 0; k < 16; ++k)
        counts.count[k] = static_cast<unsigned char>(nubrik8[k]);
    return counts;
}
alignas(16) constexpr HalfByteCounts halfByteCounts = narrowHalfByteCounts();

// The SSSE3 and AVX2 loops spend so many instructions on elements of two bytes
// and more that the processor's own prefetching falls behind the stream of a
// large part; so each step asks for the input this many bytes further on, a
// cache line at a time (on Zen 4, AVX2 counted 10^7 doubles in 1.25 times the
// time of only reading them and writing a byte each without it, 1.05 with it).
// Single bytes are counted as fast as the memory delivers them, and there the
// requests only add work. Asking for an address past the end of the input is
// harmless: a prefetch never faults.
const size_t streamAhead = 4096;

template <size_t size, size_t bytes> STEP void prefetchAhead(const unsigned char *in) {
    if constexpr (size > 1) {
        for (size_t line = 0; line < bytes; line += cacheLine)
            PREFETCH(in + streamAhead + line);
    }
}

// SSSE3: 16 elements at a time. pshufb looks up 16 half bytes; pmaddubsw adds
// adjacent byte counts into 16-bit sums, which packuswb narrows back to bytes.

STEP TARGET("ssse3") __m128i byteCounts128(const unsigned char *p) {
    const __m128i table = _mm_load_si128(reinterpret_cast<const __m128i *>(halfByteCounts.count));
    const __m128i lowHalf = _mm_set1_epi8(0x0F);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i low = _mm_and_si128(bytes, lowHalf);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), lowHalf);
    return _mm_add_epi8(_mm_shuffle_epi8(table, low), _mm_shuffle_epi8(table, high));
}

// The sums of adjacent byte pairs of a followed by b.
STEP TARGET("ssse3") __m128i pairSums128(__m128i a, __m128i b) {
    const __m128i ones = _mm_set1_epi8(1);
    return _mm_packus_epi16(_mm_maddubs_epi16(a, ones), _mm_maddubs_epi16(b, ones));
}

// The counts of the 16 elements of `size` bytes at p.
template <size_t size> STEP TARGET("ssse3") __m128i elementCounts128(const unsigned char *p) {
    if constexpr (size == 1) {
        return byteCounts128(p);
    } else {
        return pairSums128(elementCounts128<size / 2>(p), elementCounts128<size / 2>(p + 8 * size));
    }
}

// Stores at o the counts of the 16 elements of `size` bytes at p.
template <size_t size>
STEP TARGET("ssse3") void storeCounts128(const unsigned char *p, signed char *o) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(o), elementCounts128<size>(p));
}

// Two vectors a turn: with one, the loop's own instructions slow single bytes
// by 5 to 8% in cache (on Zen 4); AVX2's longer steps show no such cost.
template <size_t size>
TARGET("ssse3")
int countVectors128(const unsigned char *p, signed char *o, int n) {
    int i = 0;
    for (; n - i >= 32; i += 32) {
        const unsigned char *in = p + static_cast<size_t>(i) * size;
        prefetchAhead<size, 32 * size>(in);
        storeCounts128<size>(in, o + i);
        storeCounts128<size>(in + 16 * size, o + i + 16);
    }
    if (n - i >= 16) {
        storeCounts128<size>(p + static_cast<size_t>(i) * size, o + i);
        i += 16;
    }
    return i;
}

const VectorPath ssse3Path = {
    "SSSE3", {countVectors128<1>, countVectors128<2>, countVectors128<4>, countVectors128<8>}};
#endif

#if defined(NUBRIK_AVX2)
// AVX2: the same 32 elements at a time. Packing works within each 128-bit
// half, so the counts of 32 elements come out in an order of their own, which
// one permutation at the end puts back into the order of the elements: after
// one packing (2-byte elements) the 64-bit quarters stand in the order 0, 2,
// 1, 3; after two (4-byte elements) each half holds every other group of four
// counts; after three (8-byte elements) the low half holds the pairs of
// counts 4k and 4k + 1, the high half 4k + 2 and 4k + 3.

STEP TARGET("avx2") __m256i byteCounts256(const unsigned char *p) {
    const __m256i table = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i *>(halfByteCounts.count)));
    const __m256i lowHalf = _mm256_set1_epi8(0x0F);
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
    const __m256i low = _mm256_and_si256(bytes, lowHalf);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), lowHalf);
    return _mm256_add_epi8(_mm256_shuffle_epi8(table, low), _mm256_shuffle_epi8(table, high));
}

STEP TARGET("avx2") __m256i pairSums256(__m256i a, __m256i b) {
    const __m256i ones = _mm256_set1_epi8(1);
    return _mm256_packus_epi16(_mm256_maddubs_epi16(a, ones), _mm256_maddubs_epi16(b, ones));
}

// The counts of the 32 elements of `size` bytes at p, in the packings' order.
template <size_t size> STEP TARGET("avx2") __m256i packedCounts256(const unsigned char *p) {
    if constexpr (size == 1) {
        return byteCounts256(p);
    } else {
        return pairSums256(packedCounts256<size / 2>(p), packedCounts256<size / 2>(p + 16 * size));
    }
}

// The counts of the 32 elements of `size` bytes at p, in their order.
template <size_t size> STEP TARGET("avx2") __m256i elementCounts256(const unsigned char *p) {
    const __m256i packed = packedCounts256<size>(p);
    if constexpr (size == 1) {
        return packed;
    } else if constexpr (size == 2) {
        return _mm256_permute4x64_epi64(packed, 0xD8);
    } else if constexpr (size == 4) {
        return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    } else {
        // The quarters in the order 0, 2, 1, 3, then the pairs of counts of
        // each half interleaved.
        const __m256i pairs =
            _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3,
                             10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
        return _mm256_shuffle_epi8(_mm256_permute4x64_epi64(packed, 0xD8), pairs);
    }
}

template <size_t size>
TARGET("avx2")
int countVectors256(const unsigned char *p, signed char *o, int n) {
    int i = 0;
    for (; n - i >= 32; i += 32) {
        const unsigned char *in = p + static_cast<size_t>(i) * size;
        prefetchAhead<size, 32 * size>(in);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(o + i), elementCounts256<size>(in));
    }
    return i;
}

const VectorPath avx2Path = {
    "AVX2", {countVectors256<1>, countVectors256<2>, countVectors256<4>, countVectors256<8>}};
#endif

#if defined(NUBRIK_AVX512)
// AVX-512: a 512-bit vector at a time. vpopcntb, vpopcntw, vpopcntd and vpopcntq
// count the bits of whole elements of 1, 2, 4 and 8 bytes, and vpmovswb,
// vpmovsdb and vpmovsqb narrow the counts to bytes in the order of the
// elements: saturating, which keeps every count of at most 64 as it is. The
// masked forms with a full mask are the same instructions; GCC warns about
// uninitialized values inside the unmasked ones. Microsoft's compiler takes
// these intrinsics without target attributes (written from its documentation;
// never compiled here).
//
// Every intrinsic and vector type here is named through AVX512(), so that a
// test build (NUBRIK_AVX512_SIMDE) runs these same routines on SIMDe's
// portable versions, on any processor, and fails to compile on one that SIMDe
// lacks.
#if defined(NUBRIK_AVX512_SIMDE)
#define AVX512(name) simde##name
#define AVX512_TARGET
#else
#define AVX512(name) name
#define AVX512_TARGET TARGET("avx512f,avx512bw,avx512vl,avx512bitalg,avx512vpopcntdq")
#endif

STEP AVX512_TARGET AVX512(__m512i) load512(const unsigned char *p) {
    return AVX512(_mm512_loadu_si512)(p);
}

STEP AVX512_TARGET void store256(signed char *o, AVX512(__m256i) counts) {
    AVX512(_mm256_storeu_si256)(reinterpret_cast<AVX512(__m256i) *>(o), counts);
}

STEP AVX512_TARGET void store128(signed char *o, AVX512(__m128i) counts) {
    AVX512(_mm_storeu_si128)(reinterpret_cast<AVX512(__m128i) *>(o), counts);
}

// How many elements of `size` bytes one step counts: one vector of input, or
// two of 8-byte elements, so that every step stores one vector of counts, and
// four of 4-byte elements, whose counts then fill a whole vector too.
constexpr int perStep512(size_t size) {
    return size == 2 ? 32 : size == 8 ? 16 : 64;
}

// The counts of the 16 four-byte elements at p, as 32-bit sums.
STEP AVX512_TARGET AVX512(__m512i) wordCounts512(const unsigned char *p) {
    return AVX512(_mm512_popcnt_epi32)(load512(p));
}

// Stores at o the counts of the 16 four-byte elements at p.
STEP AVX512_TARGET void storeWordCounts512(const unsigned char *p, signed char *o) {
    store128(o, AVX512(_mm512_maskz_cvtsepi32_epi8)(0xFFFF, wordCounts512(p)));
}

// Stores at o the counts of the perStep512(size) elements of `size` bytes at p.
// Four-byte elements: vpackusdw and vpackuswb pack four vectors of counts into
// one, within each 128-bit lane, whose 32-bit groups vpermd then puts in the
// order of the elements. Each vector narrowed by vpmovsdb and stored by itself,
// Zen 5 counted 10^7 of them in 1.13 to 1.18 times the floor's time, against
// 1.01 to 1.09 packed.
template <size_t size>
STEP AVX512_TARGET void storeCounts512(const unsigned char *p, signed char *o) {
    if constexpr (size == 1) {
        AVX512(_mm512_storeu_si512)(o, AVX512(_mm512_popcnt_epi8)(load512(p)));
    } else if constexpr (size == 2) {
        const AVX512(__m512i) counts = AVX512(_mm512_popcnt_epi16)(load512(p));
        store256(o, AVX512(_mm512_maskz_cvtsepi16_epi8)(0xFFFFFFFF, counts));
    } else if constexpr (size == 4) {
        const AVX512(__m512i) bytes = AVX512(_mm512_packus_epi16)(
            AVX512(_mm512_packus_epi32)(wordCounts512(p), wordCounts512(p + 64)),
            AVX512(_mm512_packus_epi32)(wordCounts512(p + 128), wordCounts512(p + 192)));
        const AVX512(__m512i) order =
            AVX512(_mm512_setr_epi32)(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
        const AVX512(__m512i) counts = AVX512(_mm512_maskz_permutexvar_epi32)(0xFFFF, order, bytes);
        AVX512(_mm512_storeu_si512)(o, counts);
    } else {
        const AVX512(__m512i) low = AVX512(_mm512_popcnt_epi64)(load512(p));
        const AVX512(__m512i) high = AVX512(_mm512_popcnt_epi64)(load512(p + 64));
        store128(o, AVX512(_mm_unpacklo_epi64)(AVX512(_mm512_maskz_cvtsepi64_epi8)(0xFF, low),
                                               AVX512(_mm512_maskz_cvtsepi64_epi8)(0xFF, high)));
    }
}

// How many elements of `size` bytes at p stand before the next cache line.
// Elements not aligned to their own size never reach one, which is harmless.
template <size_t size> int elementsBeforeLine(const unsigned char *p) {
    return static_cast<int>((0 - reinterpret_cast<uintptr_t>(p)) % cacheLine / size);
}

// A step at p, then a step at a time from the first cache line of the input
// on, counting a few elements twice, so that no later load straddles two
// lines: such a load costs the processor both, and malloc aligns a block to 16
// bytes only, so it starts 16, 32 or 48 bytes past a line as often as on one
// (from there, Zen 5 took 1.25 to 1.31 times as long for 10^7 doubles
// without this). Four-byte elements left over are counted 16 at a time.
template <size_t size>
AVX512_TARGET int countVectors512(const unsigned char *p, signed char *o, int n) {
    const int step = perStep512(size);
    int i = 0;
    if (n >= step) {
        i = elementsBeforeLine<size>(p);
        if (i > 0) storeCounts512<size>(p, o);
    }
    for (; n - i >= step; i += step)
        storeCounts512<size>(p + static_cast<size_t>(i) * size, o + i);
    if constexpr (size == 4) {
        for (; n - i >= 16; i += 16)
            storeWordCounts512(p + static_cast<size_t>(i) * 4, o + i);
    }
    return i;
}

const VectorPath avx512Path = {
    "AVX-512", {countVectors512<1>, countVectors512<2>, countVectors512<4>, countVectors512<8>}};
#endif

#if defined(NUBRIK_NEON)
// NEON: 16 elements at a time. cnt counts the bits of each of 16 bytes; addp
// adds adjacent byte counts of two vectors into one, as many times as the
// element has bytes to halve, which leaves one count per element in the order
// of the elements.

STEP uint8x16_t byteCountsNeon(const unsigned char *p) {
    return vcntq_u8(vld1q_u8(p));
}

template <size_t size> STEP uint8x16_t elementCountsNeon(const unsigned char *p) {
    if constexpr (size == 1) {
        return byteCountsNeon(p);
    } else {
        return vpaddq_u8(elementCountsNeon<size / 2>(p), elementCountsNeon<size / 2>(p + 8 * size));
    }
}

template <size_t size> int countVectorsNeon(const unsigned char *p, signed char *o, int n) {
    int i = 0;
    for (; n - i >= 16; i += 16)
        vst1q_s8(o + i,
                 vreinterpretq_s8_u8(elementCountsNeon<size>(p + static_cast<size_t>(i) * size)));
    return i;
}

const VectorPath neonPath = {
    "NEON", {countVectorsNeon<1>, countVectorsNeon<2>, countVectorsNeon<4>, countVectorsNeon<8>}};
#endif

#if defined(NUBRIK_SSSE3)
// What the processor offers, from cpuid, and whether the system saves the
// registers those instructions use (xgetbv), without which they fault.
struct Features {
    bool ssse3;
    bool avx2;
    bool avx512;
};

// XCR0 bits 1 and 2: the system saves the SSE and AVX state; with bits 5, 6
// and 7, the opmask and all the ZMM state too.
const unsigned avxState = 0x06;
const unsigned avx512State = 0xE6;
// cpuid leaf 1: SSSE3 in bit 9 of ecx, OSXSAVE in bit 27, AVX in bit 28. Leaf
// 7: AVX2 in bit 5 of ebx, AVX512F, AVX512BW and AVX512VL in bits 16, 30 and
// 31; AVX512_BITALG and AVX512_VPOPCNTDQ in bits 12 and 14 of ecx.
const unsigned ssse3Ecx1 = 1u << 9;
const unsigned avxEcx1 = (1u << 27) | (1u << 28);
const unsigned avx2Ebx7 = 1u << 5;
const unsigned avx512Ebx7 = (1u << 16) | (1u << 30) | (1u << 31);
const unsigned avx512Ecx7 = (1u << 12) | (1u << 14);

// The features from leaf 1's ecx, leaf 7's ebx and ecx (0 where the processor
// has no leaf 7), and XCR0, which readXcr0 reads only where leaf 1 shows
// OSXSAVE and AVX: xgetbv faults without OSXSAVE.
Features featuresOf(unsigned ecx1, unsigned ebx7, unsigned ecx7, unsigned (*readXcr0)()) {
    const unsigned xcr0 = (ecx1 & avxEcx1) == avxEcx1 ? readXcr0() : 0;
    const bool avx = (xcr0 & avxState) == avxState;
    const bool avx512 = (xcr0 & avx512State) == avx512State;
    return Features{(ecx1 & ssse3Ecx1) != 0, avx && (ebx7 & avx2Ebx7) != 0,
                    avx512 && (ebx7 & avx512Ebx7) == avx512Ebx7 &&
                        (ecx7 & avx512Ecx7) == avx512Ecx7};
}

#if defined(_MSC_VER) && !defined(__clang__)
// Written from Microsoft's documentation of __cpuid, __cpuidex and _xgetbv.
unsigned readXcr0() {
    return static_cast<unsigned>(_xgetbv(0));
}

Features readFeatures() {
    int info[4];
    __cpuid(info, 0);
    const int leaves = info[0];
    __cpuid(info, 1);
    const unsigned ecx1 = static_cast<unsigned>(info[2]);
    unsigned ebx7 = 0, ecx7 = 0;
    if (leaves >= 7) {
        __cpuidex(info, 7, 0);
        ebx7 = static_cast<unsigned>(info[1]);
        ecx7 = static_cast<unsigned>(info[2]);
    }
    return featuresOf(ecx1, ebx7, ecx7, readXcr0);
}
#else
unsigned readXcr0() {
    unsigned xcr0 = 0, high = 0;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(high) : "c"(0));
    return xcr0;
}

Features readFeatures() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return Features{false, false, false};
    const unsigned ecx1 = ecx;
    unsigned ebx7 = 0, ecx7 = 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        ebx7 = ebx;
        ecx7 = ecx;
    }
    return featuresOf(ecx1, ebx7, ecx7, readXcr0);
}
#endif

// The widest vector path built that the features allow, or none.
const VectorPath *pathFor(const Features &features) {
#if defined(NUBRIK_AVX512)
    if (features.avx512) return &avx512Path;
#endif
#if defined(NUBRIK_AVX2)
    if (features.avx2) return &avx2Path;
#endif
    return features.ssse3 ? &ssse3Path : nullptr;
}
#endif

// The widest vector path this processor has, or none.
const VectorPath *chooseVectorPath() {
#if defined(NUBRIK_AVX512_SIMDE)
    return &avx512Path;
#elif defined(NUBRIK_NEON)
    return &neonPath;
#elif defined(NUBRIK_SSSE3)
    return pathFor(readFeatures());
#else
    return nullptr;
#endif
}

// Chosen once, when the library is loaded: reading the processor's features
// costs more than a small call, and they do not change.
const VectorPath *const vectorPath = chooseVectorPath();

// Counts the n elements of one part buffer into the int8 buffer out: those
// that fill whole vectors on this processor's vector path, the rest (all of
// them without one) with the table loop.
void countPart(const void *part, void *out, int n, size_t size) {
    const unsigned char *p = static_cast<const unsigned char *>(part);
    signed char *o = static_cast<signed char *>(out);
    const int counted = vectorPath ? vectorPath->bySize[sizeIndex(size)](p, o, n) : 0;
    countScalar(p + static_cast<size_t>(counted) * size, o + counted, n - counted, size);
}

// Returns a newly created array holding the conversion of in, which is enclosed
// in depth containers of the argument.
//
// Octave hands an argument over in a light form and converts it to its full
// form when an element, a field name or a separately stored part is first asked
// for; extents asked for before that conversion are lost to the session, some
// 80 bytes on every call. So each branch asks for one of those first and for
// the extents only then.
mxArray *nubrik(const mxArray *in, int depth) {
    if (depth > maxNesting) mexErrMsgTxt(tooDeepText);
    const size_t count = mxGetNumberOfElements(in);
    if (count > INT_MAX) mexErrMsgTxt(tooManyElementsText);
    if (mxIsSparse(in)) {
        // Sparse storage holds only the non-zeros: count the full equivalent.
        mxArray *sparse = const_cast<mxArray *>(in);
        mxArray *full = nullptr;
        mexCallMATLAB(1, &full, 1, &sparse, "full");
        in = full;
    }
    const int n = static_cast<int>(count);
    const mxClassID classId = mxGetClassID(in);

    if (classId == mxCELL_CLASS) {
        if (n > 0) mxGetCell(in, 0); // converts the cell before its extents are asked for
        mxArray *out = mxCreateCellArray(mxGetNumberOfDimensions(in), mxGetDimensions(in));
        if (!out) mexErrMsgTxt(createText);
        for (int i = 0; i < n; ++i) {
            // An absent element stays absent in the result.
            const mxArray *element = mxGetCell(in, i);
            if (element) mxSetCell(out, i, nubrik(element, depth + 1));
        }
        return out;
    }
    if (classId == mxSTRUCT_CLASS) {
        const int fields = mxGetNumberOfFields(in);
        const char **names = nullptr;
        if (fields > 0) {
            names = static_cast<const char **>(mxCalloc(fields, sizeof *names));
            if (!names) mexErrMsgTxt(createText);
            for (int k = 0; k < fields; ++k)
                names[k] = mxGetFieldNameByNumber(in, k);
        }
        mxArray *out =
            mxCreateStructArray(mxGetNumberOfDimensions(in), mxGetDimensions(in), fields, names);
        if (names) mxFree(names);
        if (!out) mexErrMsgTxt(createText);
        for (int k = 0; k < fields; ++k) {
            for (int j = 0; j < n; ++j) {
                // An absent field value stays absent in the result.
                const mxArray *value = mxGetFieldByNumber(in, j, k);
                if (value) mxSetFieldByNumber(out, j, k, nubrik(value, depth + 1));
            }
        }
        return out;
    }

    const size_t size = elementSize(classId);
    if (size == 0) {
        mxArray *out = mxCreateDoubleMatrix(0, 0, mxREAL);
        if (!out) mexErrMsgTxt(createText);
        return out;
    }
    const mxComplexity complexity = mxIsComplex(in) ? mxCOMPLEX : mxREAL;
    const void *real = mxGetData(in);
    const void *imag = complexity == mxCOMPLEX ? mxGetImagData(in) : nullptr;
    mxArray *out = mxCreateNumericArray(mxGetNumberOfDimensions(in), mxGetDimensions(in),
                                        mxINT8_CLASS, complexity);
    if (!out) mexErrMsgTxt(createText);
    countPart(real, mxGetData(out), n, size);
    if (complexity == mxCOMPLEX) countPart(imag, mxGetImagData(out), n, size);
    return out;
}

} // namespace

extern "C" void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
    if (nlhs != nrhs && !(nrhs == 1 && nlhs == 0)) mexErrMsgTxt(mismatchText);
    for (int i = 0; i < nrhs; ++i)
        plhs[i] = nubrik(prhs[i], 0);
}
