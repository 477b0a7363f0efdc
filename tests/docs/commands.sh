#!/usr/bin/env bash
# Runs every command of CONTRIBUTING.md's table for checking a change to one
# function, as written, row after row, after the light install it names, then
# those of its block for running one test alone, and prints the time each took; exits non-zero at the first that
# fails. Run it from the top folder of a clone once scripts/install-deps has run
# there:
#   tests/docs/commands.sh
# A command is what a row gives between backquotes that begins with cmake or
# ctest, with the table's \| read as |; the rest of a row is prose.
set -euo pipefail
cd "$(dirname "$0")/../.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
table=$(awk '/^\| change \| command \| time \|$/ { on = 1; next } on && /^$/ { exit } on' CONTRIBUTING.md)
[ -n "$table" ] || { echo "CONTRIBUTING.md has no table of commands" >&2; exit 1; }
run() {
    echo "== $1: $2"
    start=$(date +%s)
    bash -c "$2" >"$log" 2>&1 || {
        tail -n 30 "$log"
        echo "FAILED after $(($(date +%s) - start)) s: $2"
        exit 1
    }
    echo "   passed in $(($(date +%s) - start)) s"
}
run "the light install" "scripts/install-deps --linux"
while IFS= read -r row; do
    [[ $row == "|---"* ]] && continue
    change=$(cut -d'|' -f2 <<<"$row" | sed 's/^ *//; s/ *$//')
    grep -o '`\(cmake\|ctest\) [^`]*`' <<<"$row" | tr -d '`' | sed 's/\\|/|/g' |
        while IFS= read -r command; do run "$change" "$command"; done
done <<<"$table"
alone=$(awk '/^\*\*One test alone\.\*\*/ { on = 1 } on && /^```sh$/ { code = 1; next }
             code && /^```$/ { exit } code' CONTRIBUTING.md)
[ -n "$alone" ] || { echo "CONTRIBUTING.md has no commands for one test alone" >&2; exit 1; }
while IFS= read -r command; do run "one test alone" "$command"; done <<<"$alone"
