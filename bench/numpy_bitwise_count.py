#!/usr/bin/env python3
"""numpy's bitwise_count on 10^7 elements of each class that bench/octave_compare.m
times nubrik on (random bytes; floating-point values through the unsigned
integers of their width), for the record beside nubrik in Octave: the
fastest of 25 calls, as milliseconds.
    numpy_bitwise_count.py [N]
"""
import sys
import time

import numpy


def main():
    n = int(float(sys.argv[1])) if len(sys.argv) > 1 else 10**7
    random = numpy.random.default_rng(1)
    print(f"numpy {numpy.__version__}, N = {n}, fastest of 25 calls")
    for name, dtype, view in [("uint8", numpy.uint8, numpy.uint8), ("int16", numpy.int16, numpy.int16),
                              ("single", numpy.float32, numpy.uint32),
                              ("double", numpy.float64, numpy.uint64),
                              ("uint64", numpy.uint64, numpy.uint64)]:
        x = random.integers(0, 256, n * numpy.dtype(dtype).itemsize, dtype=numpy.uint8).view(dtype)
        bits = x.view(view)
        best = float("inf")
        for _ in range(25):
            start = time.perf_counter()
            numpy.bitwise_count(bits)
            best = min(best, time.perf_counter() - start)
        print(f"  {name:7s} {1e3 * best:6.2f} ms")


if __name__ == "__main__":
    main()
