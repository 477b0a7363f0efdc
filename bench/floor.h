// The memory's floor for nubrik on one part: every byte read and one byte per
// element written, with nothing counted: a copy of single bytes, and of wider
// elements the or of their bytes, a vector of elements at a time, with the
// vectors of at most `bits` bits that this processor has (512, 256 or 128): the
// floor is the fastest of the three, since where the memory bounds a narrower
// loop can be the faster (Zen 4 at 10^7 and 10^8 elements). Shared by
// mex_bench and Octave's native floor (octave_floor.cpp).
#ifndef FLOOR_H
#define FLOOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// A vector of `width` elements of `size` bytes: `size` loads or'ed into one
// (one-byte elements copied), stored as `width` bytes; the elements left over
// one at a time.
template <size_t size, size_t width>
inline __attribute__((always_inline)) void touchWith(const unsigned char *p, unsigned char *out,
                                                     size_t n) {
    typedef unsigned char Bytes __attribute__((vector_size(width)));
    size_t i = 0;
    for (; i + width <= n; i += width) {
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

// Two-byte elements a vector at a time, each narrowed to its low byte: the
// shape of nubrik's own loop for them (one vector read, half a vector stored a
// step), which the or of two vectors, storing a whole vector a step, does not
// have. nubrik.oct seemed to beat that or on int16 (0.89 to 0.92 times its
// time in Octave, Zen 4 and Zen 5), most of which the fixed order of the
// comparison's contenders explained; side by side the two loops were within
// this machine's noise.
template <typename Pair, size_t width>
inline __attribute__((always_inline)) void narrowPairs(const unsigned char *p, unsigned char *out,
                                                       size_t n) {
    typedef Pair Pairs __attribute__((vector_size(width)));
    typedef unsigned char Bytes __attribute__((vector_size(width / 2)));
    size_t i = 0;
    for (; i + width / 2 <= n; i += width / 2) {
        Pairs pairs;
        std::memcpy(&pairs, p + i * 2, width);
        const Bytes low = __builtin_convertvector(pairs, Bytes);
        std::memcpy(out + i, &low, width / 2);
    }
    for (; i < n; ++i)
        out[i] = p[i * 2];
}

// The loop for `size`-byte elements on vectors of `width` bytes, from the first
// boundary of `width` bytes in the input on, as nubrik's loops go: the one
// vector at p before it, and every later load on cache lines of its own.
template <size_t size, size_t width>
inline __attribute__((always_inline)) void touchFromBoundary(const unsigned char *p,
                                                             unsigned char *out, size_t n) {
    const size_t perStep = size == 2 ? width / 2 : width;
    const auto loop = [](const unsigned char *from, unsigned char *to, size_t count) {
        if constexpr (size == 2)
            narrowPairs<unsigned short, width>(from, to, count);
        else
            touchWith<size, width>(from, to, count);
    };
    size_t head = 0;
    if (n >= perStep) {
        head = (0 - reinterpret_cast<uintptr_t>(p)) % width / size;
        if (head > 0) loop(p, out, perStep);
    }
    loop(p + head * size, out + head, n - head);
}

template <size_t size>
__attribute__((target("avx512f,avx512bw"))) void touch512(const unsigned char *p,
                                                          unsigned char *out, size_t n) {
    touchFromBoundary<size, 64>(p, out, n);
}

template <size_t size>
__attribute__((target("avx2"))) void touch256(const unsigned char *p, unsigned char *out,
                                              size_t n) {
    touchFromBoundary<size, 32>(p, out, n);
}

template <size_t size, int bits = 512>
void touchReference(const unsigned char *p, unsigned char *out, size_t n) {
    if (bits >= 512 && __builtin_cpu_supports("avx512bw")) {
        touch512<size>(p, out, n);
    } else if (bits >= 256 && __builtin_cpu_supports("avx2")) {
        touch256<size>(p, out, n);
    } else {
        touchFromBoundary<size, 16>(p, out, n);
    }
}

#endif
