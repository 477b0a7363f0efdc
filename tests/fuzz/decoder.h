// Turns a fuzzer's bytes into the arguments of a host call: arrays of every
// class id (unknown ones too), complexity, shapes from empty to N-d with
// extents up to the 32-bit limit where no elements need storing, absent
// elements, cells and structs nested to random depths with random fields, and
// sparse arrays.
#ifndef DECODER_H
#define DECODER_H

#include "standin.h"

#include <cstddef>
#include <cstdint>

class Bytes {
public:
    Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    // The next byte; zeros once the bytes run out.
    unsigned next() { return position_ < size_ ? data_[position_++] : 0; }
    // A value from 0 to limit - 1.
    unsigned below(unsigned limit) { return next() % limit; }
    void fill(void *part, size_t bytes);

private:
    const uint8_t *data_;
    size_t size_;
    size_t position_ = 0;
};

// An array decoded from bytes, holding containers at most depth levels deep.
mxArray *decodeArray(Bytes &bytes, int depth);

#endif
