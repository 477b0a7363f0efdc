// The memory's floor for nubrik on one part: every byte read and one byte per
// element written, with nothing counted: a copy of single bytes, and of wider
// elements the or of their bytes, a vector of elements at a time, with the
// vectors of at most `bits` bits that this processor has (512, 256 or 128),
// going through the input as one of nubrik's loops on them goes (Shape): the
// floor is the fastest of these loops, since where the memory bounds a
// narrower loop can be the faster (Zen 4 at 10^7 and 10^8 elements), and where
// the third-level cache holds much of the input one that asks for it ahead
// (Zen 3, two-byte elements at 10^7). Shared by mex_bench and Octave's native
// floor (octave_floor.cpp).
#ifndef FLOOR_H
#define FLOOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// How a loop goes through its input: as nubrik's AVX-512 loop, from the first
// boundary of its vectors in the input on, after one vector at the start, with
// every later load on cache lines of its own; or as its AVX2 and SSSE3 loops,
// from the first byte on, asking for the input ahead (askAhead), with the
// boundaries of cache lines where they fall (on Zen 3, for two-byte elements
// at 10^7, the same loop from a boundary on took up to 1.1 times as long).
enum class Shape { fromBoundary, askingAhead };

// A step that reads `bytes` of the input from `offset` on, a multiple of them,
// asks for each cache line it starts 4 KiB further on when the loop goes
// askingAhead, for elements of two bytes and more: nubrik's loops count single
// bytes as fast as the memory delivers them, and ask for nothing ahead there.
template <Shape shape, size_t size, size_t bytes>
inline __attribute__((always_inline)) void askAhead(const unsigned char *p, size_t offset) {
    if constexpr (shape == Shape::askingAhead && size > 1 && bytes >= 64) {
        for (size_t line = 0; line < bytes; line += 64)
            __builtin_prefetch(p + offset + line + 4096);
    } else if constexpr (shape == Shape::askingAhead && size > 1) {
        if (offset % 64 == 0) __builtin_prefetch(p + offset + 4096);
    }
}

// A vector of `width` elements of `size` bytes: `size` loads or'ed into one
// (one-byte elements copied), stored as `width` bytes; the elements left over
// one at a time.
template <size_t size, size_t width, Shape shape>
inline __attribute__((always_inline)) void touchWith(const unsigned char *p, unsigned char *out,
                                                     size_t n) {
    typedef unsigned char Bytes __attribute__((vector_size(width)));
    size_t i = 0;
    for (; i + width <= n; i += width) {
        askAhead<shape, size, width * size>(p, i * size);
        Bytes merged;
        std::memcpy(&merged, p + i * size, width);
#pragma GCC unroll 8
        for (size_t k = 1; k < size; ++k) {
            Bytes next;
            std::memcpy(&next, p + i * size + width * k, width);
            merged |= next;
        }
        std::memcpy(out + i, &merged, width);
    }
    for (; i < n; ++i)
        out[i] = p[i * size];
}

// Two-byte elements `read` bytes at a time, each narrowed to its low byte, as
// nubrik's own loops narrow their counts: one 512-bit vector read for half of
// one stored, or two narrower vectors for one. (nubrik.oct seemed to beat the
// or of the two bytes on int16, 0.89 to 0.92 times its time in Octave on Zen 4
// and Zen 5, most of which the fixed order of the comparison's contenders
// explained; side by side the two were within the noise.)
template <typename Pair, size_t read, Shape shape>
inline __attribute__((always_inline)) void narrowPairs(const unsigned char *p, unsigned char *out,
                                                       size_t n) {
    typedef Pair Pairs __attribute__((vector_size(read)));
    typedef unsigned char Bytes __attribute__((vector_size(read / 2)));
    size_t i = 0;
    for (; i + read / 2 <= n; i += read / 2) {
        askAhead<shape, 2, read>(p, i * 2);
        Pairs pairs;
        std::memcpy(&pairs, p + i * 2, read);
        const Bytes low = __builtin_convertvector(pairs, Bytes);
        std::memcpy(out + i, &low, read / 2);
    }
    for (; i < n; ++i)
        out[i] = p[i * 2];
}

// The loop for `size`-byte elements on vectors of `width` bytes, going through
// the input in the given shape.
template <size_t size, size_t width, Shape shape>
inline __attribute__((always_inline)) void touchAs(const unsigned char *p, unsigned char *out,
                                                   size_t n) {
    constexpr size_t pairsRead = width == 64 ? 64 : 2 * width;
    const size_t perStep = size == 2 ? pairsRead / 2 : width;
    const auto loop = [](const unsigned char *from, unsigned char *to, size_t count) {
        if constexpr (size == 2)
            narrowPairs<unsigned short, pairsRead, shape>(from, to, count);
        else
            touchWith<size, width, shape>(from, to, count);
    };
    size_t head = 0;
    if (shape == Shape::fromBoundary && n >= perStep) {
        head = (0 - reinterpret_cast<uintptr_t>(p)) % width / size;
        if (head > 0) loop(p, out, perStep);
    }
    loop(p + head * size, out + head, n - head);
}

template <size_t size>
__attribute__((target("avx512f,avx512bw"))) void touch512(const unsigned char *p,
                                                          unsigned char *out, size_t n) {
    touchAs<size, 64, Shape::fromBoundary>(p, out, n);
}

template <size_t size, Shape shape>
__attribute__((target("avx2"))) void touch256(const unsigned char *p, unsigned char *out,
                                              size_t n) {
    touchAs<size, 32, shape>(p, out, n);
}

// Asking ahead only on vectors of at most 256 bits, as nubrik's loops do.
template <size_t size, int bits = 512, Shape shape = Shape::fromBoundary>
void touchReference(const unsigned char *p, unsigned char *out, size_t n) {
    static_assert(shape == Shape::fromBoundary || bits <= 256, "no 512-bit loop asks ahead");
    if (bits >= 512 && __builtin_cpu_supports("avx512bw")) {
        touch512<size>(p, out, n);
    } else if (bits >= 256 && __builtin_cpu_supports("avx2")) {
        touch256<size, shape>(p, out, n);
    } else {
        touchAs<size, 16, shape>(p, out, n);
    }
}

#endif
