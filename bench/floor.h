// The memory's floor for nubrik on one part: every byte read and one byte per
// element written, with nothing counted: a copy of single bytes, and of wider
// elements the or of their bytes, 16 elements at a time. Shared by mex_bench
// and Octave's native floor (octave_floor.cpp).
#ifndef FLOOR_H
#define FLOOR_H

#include <cstddef>
#include <cstring>

template <size_t size> void touchReference(const unsigned char *p, unsigned char *out, size_t n) {
    if (size == 1) {
        std::memcpy(out, p, n);
        return;
    }
    typedef unsigned char Bytes __attribute__((vector_size(16)));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Bytes merged;
        std::memcpy(&merged, p + i * size, 16);
        for (size_t k = 1; k < size; ++k) {
            Bytes next;
            std::memcpy(&next, p + i * size + 16 * k, 16);
            merged |= next;
        }
        std::memcpy(out + i, &merged, 16);
    }
    for (; i < n; ++i)
        out[i] = p[i * size];
}

#endif
