#!/usr/bin/env bash
# Checks that a built Linux deliverable loads in an unmodified host: a shared
# library for the machine given (as readelf names it: X86-64 for a .mexa64,
# AArch64) whose only export is mexFunction in version node MEX, which needs
# libmx.so and libmex.so by name and otherwise only libm and libc (no C++ or GCC
# runtime), asks for no glibc symbol version newer than 2.17 (so that it loads
# on the older distributions MATLAB users run), has no run path, and imports
# the 32-bit-extent (_700) entry points.
set -uo pipefail
source "$(dirname "$0")/imports.sh"
file=$1
machine=$2
status=0
fail() {
    echo "$file: $*" >&2
    status=1
}

header=$(readelf -h "$file") || exit 1
grep -q 'Type:.*DYN' <<<"$header" || fail "is not a shared library"
grep -q "Machine:.* $machine\$" <<<"$header" || fail "is not for $machine"

dynamic=$(readelf -d -W "$file")
needed=$(sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' <<<"$dynamic")
for library in $needed; do
    case $library in
    libmx.so | libmex.so | libm.so.6 | libc.so.6) ;;
    *) fail "needs $library" ;;
    esac
done
for library in libmx.so libmex.so; do
    grep -qx "$library" <<<"$needed" || fail "does not need $library by name"
done
grep -qE '\((RPATH|RUNPATH)\)' <<<"$dynamic" && fail "carries a run path"

newest=$(objdump -T "$file" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/^GLIBC_//' | sort -V | tail -n 1)
[ -n "$newest" ] && [ "$(printf '%s\n' "$newest" 2.17 | sort -V | tail -n 1)" != 2.17 ] &&
    fail "needs glibc $newest, newer than 2.17"

exports=$(nm -D --defined-only "$file" | awk '$2 != "A" { print $3 }')
[ "$exports" = "mexFunction@@MEX" ] || fail "exports $(echo $exports) instead of mexFunction@@MEX alone"

imports=$(nm -D --undefined-only "$file" | awk '{ print $2 }')
check_imports "$imports"

[ $status -eq 0 ] && echo "$file keeps the loading contract"
exit $status
