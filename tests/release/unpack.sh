#!/usr/bin/env bash
# Checks one release file as a user meets it:
#   unpack.sh ARCHIVE FOLDER FILE...
# its line in SHA256SUMS beside it verifies, and unpacked into the emptied
# FOLDER it holds exactly the FILEs (paths inside the archive), no more.
set -euo pipefail
archive=$1 folder=$2
shift 2
release=$(dirname "$archive")
name=$(basename "$archive")
line=$(grep -E "^[0-9a-f]{64}  $name\$" "$release/SHA256SUMS") || {
    echo "$name is not listed in $release/SHA256SUMS" >&2
    exit 1
}
(cd "$release" && sha256sum --check --strict <<<"$line")
rm -rf "$folder"
mkdir -p "$folder"
cmake -E chdir "$folder" cmake -E tar xf "$archive"
found=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$found" != "$expected" ]; then
    echo "$name holds:" >&2
    echo "$found" >&2
    echo "instead of:" >&2
    echo "$expected" >&2
    exit 1
fi
echo "$name verifies and holds exactly its $# files"
