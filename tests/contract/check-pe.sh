#!/usr/bin/env bash
# Checks that a built .mexw64 file loads in an unmodified host: an x86-64 DLL
# whose only export is mexFunction, which imports libmx.dll and libmex.dll by
# name and otherwise only Windows system libraries (no C++, GCC or threads
# runtime DLL), and imports the 32-bit-extent (_700) entry points.
set -uo pipefail
source "$(dirname "$0")/imports.sh"
file=$1
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
status=0
fail() {
    echo "$file: $*" >&2
    status=1
}

headers=$($objdump -p "$file") || exit 1
grep -q 'file format pei-x86-64' <<<"$headers" || fail "is not an x86-64 PE file"
sed -n '/^Characteristics/,/^$/p' <<<"$headers" | grep -qw DLL || fail "is not a DLL"

dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
for dll in $dlls; do
    case ${dll,,} in
    libmx.dll | libmex.dll | kernel32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    *) fail "imports $dll" ;;
    esac
done
for dll in libmx.dll libmex.dll; do
    grep -qx "$dll" <<<"$dlls" || fail "does not import $dll by name"
done

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' <<<"$headers")
[ "$exports" = "mexFunction" ] || fail "exports $(echo $exports) instead of mexFunction alone"

imports=$(sed -n '/DLL Name: libmx.dll/,/^$/p' <<<"$headers" | awk 'NF == 3 && $2 ~ /^[0-9]+$/ { print $3 }')
check_imports "$imports"

[ $status -eq 0 ] && echo "$file keeps the loading contract"
exit $status
