#!/usr/bin/env bash
# The Octave package's own rules, run for Windows with Debian's MinGW GCC
# through a stand-in mkoctfile (mkoctfile-mingw, beside this script), each
# time in a fresh copy of the package's src folder:
#   package_for_windows.sh SRC SCRATCH
# - With that compiler as it is, whose assembler takes
#   -muse-unaligned-vector-move: make says that nubrik has its AVX-512, AVX2
#   and SSSE3 paths, nubrik.o holds 256-bit code and no aligned 256- or
#   512-bit move, and an aligned ymm store, built by nubrik's own rule and
#   flags, comes out unaligned (Debian's MinGW GCC emits unaligned moves by
#   itself: only an assembled aligned move shows the option).
#   Each link names its function's objects and no ELF export map.
# - With the same compiler in front of an assembler that refuses the option,
#   as GNU as before 2.38 does: make nubrik.o says SSSE3, and nubrik.o holds no
#   256-bit code.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$1 scratch=$2
check_vector_moves=$here/../contract/check-vector-moves.sh
rm -rf "$scratch"
mkdir -p "$scratch"
# MinGW's GCC with an assembler before GNU as 2.38 (Debian's GCC names its own
# assembler by its full path, which no -B changes).
old_assembler=$scratch/g++-with-old-assembler
cat >"$old_assembler" <<'END'
#!/bin/sh
for argument; do
    case $argument in
    -Wa,*-muse-unaligned-vector-move*)
        echo "as: unrecognized option '-muse-unaligned-vector-move'" >&2
        exit 1
        ;;
    esac
done
exec x86_64-w64-mingw32-g++ "$@"
END
chmod +x "$old_assembler"
failed=0
fail() {
    echo "$1: $2" >&2
    failed=1
}

# build NAME COMPILER TARGET [UNIT]: make's output for TARGET in a fresh copy,
# with UNIT in place of nubrik.cpp when given.
build() {
    rm -rf "${scratch:?}/$1"
    cp -r "$src" "$scratch/$1"
    [ -z "${4:-}" ] || cp "$4" "$scratch/$1/nubrik.cpp"
    MINGW_CXX=$2 make --directory "$scratch/$1" MKOCTFILE="$here/mkoctfile-mingw" "$3"
}

# case_of NAME COMPILER LINE TARGET: make TARGET says LINE; all: nubrik.o holds
# 256-bit code and both links are as above; nubrik.o: it holds none.
case_of() {
    local name=$1 output lines function link
    output=$(build "$name" "$2" "$4") || {
        fail "$name" "make failed"
        return
    }
    lines=$(grep '^nubrik: ' <<<"$output" || true)
    [ "$(grep -c . <<<"$lines")" -eq 1 ] && grep -q "$3" <<<"$lines" ||
        fail "$name" "make says '$lines', not one line with '$3'"
    echo "$name: $lines"
    if [ "$4" = nubrik.o ]; then
        ! x86_64-w64-mingw32-objdump -d "$scratch/$name/nubrik.o" | grep -q '%ymm' ||
            fail "$name" "nubrik.o holds 256-bit code"
        return
    fi
    "$check_vector_moves" module "$scratch/$name/nubrik.o" || fail "$name" "nubrik.o as above"
    for function in nubrik quenrel; do
        link=$scratch/$name/$function.oct
        grep -qx "$function.o" "$link" && grep -qx "$function-values.o" "$link" ||
            fail "$name" "the link of $function lacks its objects: $(tr '\n' ' ' <"$link")"
        ! grep -q -- --version-script "$link" ||
            fail "$name" "the link of $function names an ELF export map"
    done
}

case_of mingw x86_64-w64-mingw32-g++ "AVX-512, AVX2 and SSSE3" all
case_of mingw-old-assembler "$old_assembler" "SSSE3 as its widest path" nubrik.o

# The aligned store, built by nubrik's rule with nubrik's flags.
"$check_vector_moves" store >"$scratch/store.cpp"
if build store x86_64-w64-mingw32-g++ nubrik.o "$scratch/store.cpp" >/dev/null; then
    "$check_vector_moves" object "$scratch/store/nubrik.o" || failed=1
else
    fail store "make nubrik.o failed"
fi
exit $failed
