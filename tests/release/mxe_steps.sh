#!/usr/bin/env bash
# Builds and installs the Octave package as MXE Octave's tools/pkg-install.py
# does for the packages it bundles into Octave for Windows, here with Debian's
# Octave (Linux .oct files), in a folder whose path holds a space:
#   mxe_steps.sh PACKAGE SCRATCH
# First, a mkoctfile that makes nothing (echo) must fail the build. Then, with
# MKOCTFILE "mkoctfile --verbose", OCTAVE_CONFIG, OCTAVE=echo, and CC, CXX, AR
# and RANLIB from mkoctfile -p: make --directory src, which must say that this
# is no MinGW build (all of nubrik's paths); the -tst files written
# from the %! lines of the sources; src/*.m and inst/* put into the shared
# folder, src/*.oct, *.mex, *-tst and inst/<arch> into the
# architecture-dependent one; both on the path, the architecture-dependent
# one first. There, in the shared folder as the current one (where Octave
# looks first), each function must be the .oct, show its help text and pass
# its self tests.
set -euo pipefail
shopt -s nullglob
package=$1 scratch=$2
octave=$(cd "$(dirname "$0")/../.." && pwd)/scripts/octave
rm -rf "$scratch"
top="$scratch/MXE Octave"
for copy in echo built; do
    mkdir -p "$top/$copy"
    tar -xf "$package" -C "$top/$copy" --strip-components 1
done

if OCTAVE=echo make --directory "$top/echo/src" MKOCTFILE=echo >"$scratch/echo.log" 2>&1 ||
    [ -n "$(echo "$top"/echo/src/*.oct)" ]; then
    echo "a mkoctfile that makes nothing, and make does not fail:" >&2
    cat "$scratch/echo.log" >&2
    exit 1
fi

cd "$top/built"
for file in src/FILES configure src/configure; do
    [ ! -e $file ] || { echo "the package has $file, which MXE Octave does not take as it is" >&2; exit 1; }
done
MKOCTFILE="$(command -v mkoctfile) --verbose"
OCTAVE_CONFIG=$(command -v octave-config)
OCTAVE=echo
export MKOCTFILE OCTAVE_CONFIG OCTAVE
for variable in CC CXX AR RANLIB; do
    export "$variable=$(mkoctfile -p $variable)"
done
make --directory src | tee "$scratch/make.log"
grep -qx 'nubrik: built with every vector path of its target (not a MinGW build)' "$scratch/make.log" || {
    echo "make did not say that this is no MinGW build" >&2
    exit 1
}
for source in src/*.cc src/*.c src/*.C src/*.cpp src/*.cxx; do
    lines=$(grep '^%!' "$source" || true)
    [ -z "$lines" ] || printf '%s\n' "$lines" >"$source-tst"
done

arch=$(octave-config -p CANONICAL_HOST_TYPE)-$(octave-config -p API_VERSION)
shared="$top/share/nubrik-quenrel"
dependent="$top/lib/nubrik-quenrel/$arch"
mkdir -p "$shared" "$dependent"
cp -r src/*.m inst/* "$shared"/
cp src/*.oct src/*.mex src/*-tst "$dependent"/
[ ! -d "inst/$arch" ] || cp -r "inst/$arch"/. "$dependent"/

cd "$shared"
"$octave" --eval "
addpath ('$shared');
addpath ('$dependent');
for f = {'nubrik', 'quenrel'}
  assert (strcmp (which (f{1}), fullfile ('$dependent', [f{1} '.oct'])), '%s is %s', f{1}, which (f{1}));
  assert (! isempty (strfind (evalc (['help ' f{1}]), upper (f{1}))), 'help %s shows no help text', f{1});
  assert (test (f{1}), 'the self tests of %s fail', f{1});
endfor
printf ('Built and installed as MXE Octave builds a package, in %s: both functions .oct files, with their help, passing their self tests\n', '$top');"
