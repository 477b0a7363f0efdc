#!/bin/sh
# The side-by-side comparison in the Octave of the machine it runs on, from
# the repository at /src, with scratch space in /tmp; run by
# scripts/test-roots --bench inside a Debian root file system: both functions
# built by build_mex (native Octave functions) and by Octave's mkoctfile --mex,
# bench/octave_compare.m on them, and, where Python's numpy is installed, its
# bitwise_count on the same classes and sizes, for the record.
set -eu
cd /tmp
octave=/src/scripts/octave
g++ --version | head -n 1
$octave --eval "addpath ('/src'); build_mex ('/tmp/oct');"
mkdir /tmp/mex
for name in nubrik quenrel; do
    CXXFLAGS="$(mkoctfile -p CXXFLAGS) -ffp-contract=off -fno-fast-math" \
        mkoctfile --mex -o /tmp/mex/$name.mex /src/$name/$name.cpp
done
GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=4294967296 \
    $octave /src/bench/octave_compare.m /tmp/oct /tmp/mex
if python3 -c 'import numpy' 2>/dev/null; then
    python3 /src/bench/numpy_bitwise_count.py
fi
