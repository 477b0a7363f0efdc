#!/bin/sh
# Checks both functions in the Octave of the machine it runs on, from the
# repository at /src (read-only), with scratch space in /tmp; run by
# scripts/test-roots inside each Debian root file system:
#   check-in-root.sh PACKAGE [SHA256 VERSION]
# build_mex into /tmp/build_mex (native Octave functions) and the self tests
# and help examples there (quenrel's compare with the table of coefficients
# every machine must give); the self tests once more with every call made on
# that build and on a MEX build of Octave's mkoctfile --mex in /tmp/mex, whose
# outcomes must agree; the soak test on the first build, then the Octave
# package PACKAGE (a file, or a URL as the package index gives it, with the
# SHA256 and version the index names) installed, its examples run by doctest,
# tested, soaked, compared with the build_mex build and uninstalled.
set -eu
package=$1
shift
cd /tmp
octave=/src/scripts/octave
$octave --eval "disp (['Octave ' version() ' on ' computer()])"
g++ --version | head -n 1
$octave --eval "addpath ('/src'); build_mex ('/tmp/build_mex');"
mkdir /tmp/mex
for name in nubrik quenrel; do
    $octave /src/tests/octave/run_suite.m /tmp/build_mex $name oct
    CXXFLAGS="$(mkoctfile -p CXXFLAGS) -ffp-contract=off -fno-fast-math" \
        mkoctfile --mex -o /tmp/mex/$name.mex /src/$name/$name.cpp
    $octave /src/tests/octave/run_suite.m /tmp/build_mex $name oct /tmp/mex
done
$octave /src/tests/octave/run_doctest.m /tmp/build_mex
mkdir /tmp/soak
cp /src/tests/octave/soak.m /tmp/soak/
cp -r /src/tests/self/private /tmp/soak/
mkoctfile --mex -o /tmp/soak/heap_in_use.mex /src/tests/octave/heap_in_use.cpp
$octave --eval "addpath ('/tmp/build_mex'); addpath ('/tmp/soak'); soak ();"
$octave /src/tests/release/package_in_octave.m "$package" /tmp/build_mex /tmp/package /tmp/soak \
    "$@"
