#!/usr/bin/env bash
# Checks a native Octave function built with the binding of interface/octave/:
#   check-oct.sh FILE NAME
# It exports only GNAME, the one symbol Octave looks up in it: an exported host
# operation would answer the imports of a MEX file loaded after it, as Octave
# loads it with its symbols global. It imports no host operation by name, where
# Octave's own operations of the same names would answer. And it defines, as
# its own local functions, exactly the operations that interface/mex.h
# declares (mexFunction, from the source unit, among them), each compiled
# under its name in interface/mex.h, whose types the compiler has held it to.
set -uo pipefail
file=$1
name=$2
header=$(dirname "$0")/../../interface/mex.h
status=0
fail() {
    echo "$file: $*" >&2
    status=1
}

exports=$(nm -D --defined-only "$file" | awk '{ print $3 }')
[ "$exports" = "G$name" ] || fail "exports $(echo $exports) instead of G$name alone"

imported=$(nm -D --undefined-only "$file" | awk '{ print $2 }' | grep -E '^mexs?[A-Z]|^mx[A-Z]')
[ -z "$imported" ] || fail "imports $(echo $imported)"

declared=$(grep -oE '\b(mex|mx)[A-Za-z0-9_]+\(' "$header" | tr -d '(' | sort -u)
defined=$(nm --defined-only "$file" | awk '$2 ~ /^[tT]$/ { print $3 }' | grep -E '^(mex|mx)[A-Za-z0-9_]+$' |
    sort -u)
[ "$defined" = "$declared" ] ||
    fail "defines $(echo $defined), not the operations of interface/mex.h: $(echo $declared)"

[ $status -eq 0 ] && echo "$file exports G$name alone and defines exactly the host operations"
exit $status
