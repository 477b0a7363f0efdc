#!/usr/bin/env bash
# Makes the release files of the repository's last commit twice, in two
# clones, and checks that they are the same byte for byte. The second clone
# differs from the first in everything the files must not depend on: its
# folder (longer, and on a tmpfs, where folders list their files in another
# order than on disk), its user (nobody), umask, time zone and locale, and
# the time of day (it starts when the first has finished). scripts/release
# --compare makes the comparison and shows diffoscope's account of any
# difference.
set -euo pipefail
repository=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
memory=$(mktemp -d /dev/shm/nubrik-quenrel-XXXXXX 2>/dev/null) || {
    echo "No tmpfs at /dev/shm: both clones are on the same file system"
    memory=$(mktemp -d)
}
trap 'rm -rf "$scratch" "$memory"' EXIT
first=$scratch/first
second=$memory/a/longer/path/to/the/second
git clone --quiet "$repository" "$first"
git clone --quiet "$repository" "$second"
(cd "$first" && umask 022 && TZ=UTC LC_ALL=C.UTF-8 scripts/release)

# The second user reaches the first release and owns the second clone.
chmod 755 "$scratch" "$memory"
chown -R nobody:nogroup "$memory"
cd "$second"
umask 077
runuser -u nobody -- env HOME="$second" TZ=Pacific/Kiritimati LC_ALL=C \
    scripts/release --compare "$first/build/release"
