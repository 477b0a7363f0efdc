// Host arrays for tests: builders, readers, and an independent check of a
// converted set-bit result against its input.
#ifndef ARRAYS_H
#define ARRAYS_H

#include "standin.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

std::vector<int> dimsOf(const mxArray *a);

// A real 1-by-1 array of class classId holding the bytes of value.
template <class T> mxArray *makeScalar(mxClassID classId, T value) {
    mxArray *a = standinCreateArray(classId, {1, 1}, mxREAL);
    std::memcpy(mxGetData(a), &value, sizeof value);
    return a;
}

// An array whose parts hold the given values, converted to the class's type T.
template <class T>
mxArray *makeArray(mxClassID classId, const std::vector<int> &dims, const std::vector<T> &real,
                   const std::vector<T> &imag = {}) {
    mxArray *a = standinCreateArray(classId, dims, imag.empty() ? mxREAL : mxCOMPLEX);
    std::memcpy(mxGetData(a), real.data(), real.size() * sizeof(T));
    if (!imag.empty()) std::memcpy(mxGetImagData(a), imag.data(), imag.size() * sizeof(T));
    return a;
}

// Containers; a null element stays absent. Struct values are element-major.
mxArray *makeCell(const std::vector<int> &dims, const std::vector<mxArray *> &elements);
mxArray *makeStruct(const std::vector<int> &dims, const std::vector<const char *> &names,
                    const std::vector<mxArray *> &values);

// The values of an int8 result's real or imaginary part.
std::vector<int> countsOf(const mxArray *a, bool imaginary = false);

// A random array: numeric, char, logical, objects, and cells and structs holding
// such arrays up to the given depth, with absent elements.
mxArray *randomArray(std::mt19937 &random, int depth);

// Compares out with the set-bit conversion of in, counting every element's bits
// independently (sparse arrays in their full form); returns the first
// difference, named from where, or nothing when out is right.
std::string conversionMismatch(const mxArray *in, const mxArray *out, const std::string &where);

#endif
