#!/usr/bin/env bash
# MinGW's GCC does not realign the stack for the 32- and 64-byte vectors it
# spills, so a Windows build may hold 256- and 512-bit code only where no move
# that needs alignment works on a ymm or zmm register.
#
#   check-vector-moves.sh assembler COMPILER FLAG...
#       an aligned 256-bit store to the stack, assembled by COMPILER with the
#       build's FLAGs, comes out as an unaligned store
#   check-vector-moves.sh object FILE
#       FILE, built from that store by a build's own rule, holds it as an
#       unaligned store
#   check-vector-moves.sh module FILE
#       FILE holds 256-bit code, and no aligned 256- or 512-bit move
set -uo pipefail
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
aligned='\sv(movdqa(32|64)?|movap[sd]|movnt[a-z]*)\s.*%[yz]mm'
store='vmovdqa %ymm0, 32(%rsp)'

# unaligned_store FILE HOW: FILE holds the store as an unaligned one.
unaligned_store() {
    local code
    code=$($objdump -d "$1") || exit 1
    if grep -Eq "$aligned" <<<"$code" || ! grep -Eq '\svmovdqu\s+%ymm0,' <<<"$code"; then
        echo "an aligned 256-bit store, $2, stays aligned:" >&2
        grep -E '%ymm' <<<"$code" >&2
        exit 1
    fi
    echo "an aligned 256-bit store, $2, is an unaligned one"
}

case $1 in
assembler)
    shift
    flags=${*:2}
    scratch=$(mktemp -d) || exit 1
    trap 'rm -rf "$scratch"' EXIT
    printf '\t%s\n' "$store" >"$scratch/store.s"
    "$@" -c "$scratch/store.s" -o "$scratch/store.o" || exit 1
    unaligned_store "$scratch/store.o" "assembled with the flags '${flags:-}'"
    ;;
object)
    unaligned_store "$2" "built into $2"
    ;;
module)
    code=$($objdump -d "$2") || exit 1
    status=0
    grep -q '%ymm' <<<"$code" || { echo "$2 holds no 256-bit code" >&2; status=1; }
    if grep -Eq "$aligned" <<<"$code"; then
        echo "$2 holds aligned moves on 256- or 512-bit registers:" >&2
        grep -E "$aligned" <<<"$code" | head >&2
        status=1
    fi
    [ $status -eq 0 ] && echo "$2 holds 256-bit code and no aligned 256- or 512-bit move"
    exit $status
    ;;
store)
    # The store itself, as one line of C++, for a build to make into FILE.
    printf 'void store() { __asm__ volatile("%s"); }\n' "$store"
    ;;
*)
    echo "usage: $0 assembler COMPILER FLAG... | object FILE | module FILE | store" >&2
    exit 2
    ;;
esac
