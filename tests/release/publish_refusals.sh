#!/usr/bin/env bash
# scripts/publish-release refuses what must not reach users, each with its own
# reason and before gh is called, and publishes what is ready. It runs in a
# scratch copy of this tree whose CMakeLists.txt holds the values of a
# published project, matching GITHUB_REPOSITORY, its NEWS heading dated, on a
# small release made here, with a stand-in gh first on the path that records
# its arguments.
set -uo pipefail
repository=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
tree=$scratch/tree
mkdir "$tree" "$scratch/bin"
git -C "$repository" ls-files -z | (cd "$repository" && tar --null -T - -cf -) | tar -xf - -C "$tree"
version=$(sed -n 's/^project(nubrik_quenrel VERSION \([0-9.]*\).*/\1/p' "$tree/CMakeLists.txt")
date=$(sed -n 's/^set(RELEASE_DATE \([0-9-]*\))$/\1/p' "$tree/CMakeLists.txt")
name=nubrik-quenrel-$version
homepage=https://github.com/example-org/nubrik-quenrel
sed -i -e "s|https://github.com/OWNER/nubrik-quenrel|$homepage|" \
    -e 's|set(MAINTAINER_CONTACT "OWNER")|set(MAINTAINER_CONTACT "maintainers@example.org")|' \
    "$tree/CMakeLists.txt"
sed -i "s/^## nubrik-quenrel $version .*/## nubrik-quenrel $version ($date)/" "$tree/NEWS.md"
cat >"$scratch/bin/gh" <<EOF
#!/bin/sh
echo "\$@" >>"$scratch/gh-called"
EOF
chmod +x "$scratch/bin/gh"

# A release as the workflow gathers it: the zips, the toolbox, the Octave
# package and its index entry, each in its checksum list.
make_release() {
    local release=$tree/build/release staging=$scratch/staging
    rm -rf "$release" "$staging"
    mkdir -p "$release" "$staging/$name"
    printf 'Name: nubrik-quenrel\nVersion: %s\nDate: %s\nDepends: octave (>= 6.2.0)\n' \
        "$version" "$date" >"$staging/$name/DESCRIPTION"
    echo "From $homepage" >"$staging/$name/README.md"
    (cd "$staging" && bsdtar -czf "$release/$name.tar.gz" "$name/DESCRIPTION" &&
        for system in linux-x86_64 windows-x64 macos-arm64 macos-x86_64; do
            bsdtar --format zip -cf "$release/$name-$system.zip" "$name/README.md"
        done && bsdtar --format zip -cf "$release/$name.mltbx" "$name/README.md")
    sed -e 's/@PACKAGE_ICON@//' -e "s|@PROJECT_HOMEPAGE_URL@|$homepage|g" \
        -e "s/@PROJECT_VERSION@/$version/g" -e 's/@MAINTAINER_CONTACT@/maintainers@example.org/' \
        -e "s/@RELEASE_DATE@/$date/" -e "s/@CPACK_RELEASE_OCTAVE_FILE@/$name.tar.gz/" \
        -e 's/@OCTAVE_MINIMUM@/6.2.0/' \
        -e "s/@TARBALL_SHA256@/$(sha256sum "$release/$name.tar.gz" | cut -c1-64)/" \
        "$tree/release/octave/index-entry.yaml.in" >"$release/$name-index.yaml"
    (cd "$release" && sha256sum -- *-linux-x86_64.zip *-windows-x64.zip *.tar.gz *.yaml >SHA256SUMS &&
        sha256sum -- *-macos-*.zip *.mltbx >SHA256SUMS-forge)
}

status=0
# attempt CASE EXPECTED EDIT: after EDIT on a fresh release, publishing must
# fail saying EXPECTED without calling gh, or with EXPECTED "published", call
# gh to create the release.
attempt() {
    make_release
    (cd "$tree" && eval "$3")
    rm -f "$scratch/gh-called"
    local output
    output=$(cd "$tree" && PATH=$scratch/bin:$PATH GITHUB_REPOSITORY=example-org/nubrik-quenrel \
        scripts/publish-release "v$version" 2>&1)
    local result=$?
    if [ "$2" = published ]; then
        if [ $result -ne 0 ] || ! grep -q "^release create v$version " "$scratch/gh-called" 2>/dev/null; then
            echo "$1: not published:"
            echo "$output"
            status=1
            return
        fi
    elif [ $result -eq 0 ] || [ -e "$scratch/gh-called" ] || ! grep -qF -- "$2" <<<"$output"; then
        echo "$1: not refused for \"$2\"$([ -e "$scratch/gh-called" ] && echo ', and gh was called'):"
        echo "$output"
        status=1
        return
    fi
    echo "$1: $2"
}
attempt "ready" published ":"
attempt "a placeholder inside a zip" "placeholders left in: $name-windows-x64.zip/$name/README.md" \
    "echo 'gh attestation verify FILE --repo OWNER/nubrik-quenrel' >'$scratch/README.md' &&
     bsdtar --format zip -cf build/release/$name-windows-x64.zip -C '$scratch' -s '|^|$name/|' README.md &&
     (cd build/release && sha256sum -- *-linux-x86_64.zip *-windows-x64.zip *.tar.gz *.yaml >SHA256SUMS)"
attempt "a file in no checksum list" "extra.txt is in no checksum list" \
    "echo extra >build/release/extra.txt"
attempt "an undated NEWS heading" "not dated $date" \
    "sed -i 's/^## nubrik-quenrel $version .*/## nubrik-quenrel $version (not yet released)/' NEWS.md"
attempt "another repository" "not the address of example-org/nubrik-quenrel" \
    "sed -i 's|$homepage|https://github.com/someone-else/nubrik-quenrel|' CMakeLists.txt"
exit $status
