#!/usr/bin/env bash
# The entry check refuses what the package index's own checks refuse:
#   index_entry_refusals.sh ENTRY TARBALL
# ENTRY, which passes, with its first two keys swapped (the validator's order)
# and with one string in single quotes (yamllint's rules): each must fail, and
# say why.
set -uo pipefail
entry=$1 tarball=$2
check=$(dirname "$0")/check_index_entry.py
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
# refused NAME EXPECTED SED-SCRIPT: the entry edited by the script must fail with
# a finding that contains EXPECTED.
refused() {
    local variant=$scratch/$1.yaml output
    sed -e "$3" "$entry" >"$variant"
    cmp -s "$entry" "$variant" && { echo "$1: the edit changed nothing"; status=1; return; }
    if output=$("$check" "$variant" "$tarball"); then
        echo "$1: passed the check"
        status=1
    elif ! grep -qF -- "$2" <<<"$output"; then
        echo "$1: refused, but not for $2:"
        echo "$output"
        status=1
    else
        echo "$1: refused ($2)"
    fi
}
"$check" "$entry" "$tarball" >/dev/null || { echo "the entry itself fails"; exit 1; }
refused swapped-keys "the entry has the keys permalink, layout" '/^layout:/{h;d};/^permalink:/{G}'
refused single-quoted "not quoted with double quotes" "s/^layout: \"package\"/layout: 'package'/"
exit $status
