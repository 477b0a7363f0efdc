// The floor of a native Octave function that gives one byte per element of
// its argument, timed beside nubrik's builds by octave_compare.m, which builds
// it with Octave's mkoctfile:
//   R = octave_floor (X)          every byte of X read and one byte per element
//                                 written into the int8 array of its extents
//                                 that it returns, nothing counted (floor.h);
//   R = octave_floor (X, "256"), R = octave_floor (X, "128")
//                                 the same with vectors of at most 256 or 128
//                                 bits, which can be the faster where the
//                                 memory bounds;
//   R = octave_floor (X, "256 ahead"), R = octave_floor (X, "128 ahead")
//                                 the same, going through the input as
//                                 nubrik's loops on those vectors do, asking
//                                 for it ahead: the faster where the cache
//                                 holds much of it;
//   R = octave_floor (X, "copy")  what the floor must not exceed: X's bytes
//                                 copied into a block kept from call to call,
//                                 and the zeroed int8 array of its extents
//                                 returned.
// X is a real, full numeric array.
#include "floor.h"

#include <octave/oct.h>

#include <string>
#include <vector>

template <int bits, Shape shape = Shape::fromBoundary>
void touchBySize(const unsigned char *p, unsigned char *out, size_t n, size_t size) {
    switch (size) {
    case 1:
        touchReference<1, bits, shape>(p, out, n);
        break;
    case 2:
        touchReference<2, bits, shape>(p, out, n);
        break;
    case 4:
        touchReference<4, bits, shape>(p, out, n);
        break;
    default:
        touchReference<8, bits, shape>(p, out, n);
        break;
    }
}

DEFUN_DLD(octave_floor, args, , "The floor of a native function; see octave_floor.cpp") {
    const octave_value &x = args(0);
    const size_t n = x.numel();
    const size_t size = n ? x.byte_size() / n : 1;
    const unsigned char *p = static_cast<const unsigned char *>(x.mex_get_data());
    int8NDArray result(x.dims());
    const std::string how = args.length() > 1 ? args(1).string_value() : "";
    if (how == "copy") {
        static std::vector<unsigned char> copy;
        copy.resize(n * size);
        std::memcpy(copy.data(), p, n * size);
        asm volatile("" : : "r"(copy.data()) : "memory"); // the copy is made, though never read
        return octave_value(result);
    }
    unsigned char *out = reinterpret_cast<unsigned char *>(result.fortran_vec());
    if (how == "128")
        touchBySize<128>(p, out, n, size);
    else if (how == "128 ahead")
        touchBySize<128, Shape::askingAhead>(p, out, n, size);
    else if (how == "256 ahead")
        touchBySize<256, Shape::askingAhead>(p, out, n, size);
    else if (how == "256")
        touchBySize<256>(p, out, n, size);
    else
        touchBySize<512>(p, out, n, size);
    return octave_value(result);
}
