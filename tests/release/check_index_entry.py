#!/usr/bin/env python3
"""Checks the entry for Octave's package index that a release carries:

    check_index_entry.py ENTRY TARBALL [--field NAME]

ENTRY must be one YAML document with every key the index requires, its one
version must name the tarball beside it by its SHA256, its file name and the
version and date of the package's own DESCRIPTION, and depend on pkg and on the
Octave that DESCRIPTION declares. Each value still standing for what is known
only once the project is published (OWNER) is reported; the check fails only on
a fault. With --field, prints that field of the version (id, url, sha256)
instead, for scripts.
"""
import argparse
import hashlib
import os
import re
import sys
import tarfile

import yaml

REQUIRED = {"layout", "permalink", "description", "icon", "links", "maintainers", "versions"}
VERSION_REQUIRED = {"id", "date", "sha256", "url", "depends"}


def description_of(tarball):
    with tarfile.open(tarball) as archive:
        member = next(m for m in archive.getmembers() if m.name.endswith("/DESCRIPTION"))
        text = archive.extractfile(member).read().decode()
    return dict(re.findall(r"^(\w+): *(.*)$", text, re.MULTILINE))


def faults_of(entry, tarball):
    faults = []
    missing = REQUIRED - entry.keys()
    if missing:
        return [f"lacks {', '.join(sorted(missing))}"]
    if entry["layout"] != "package":
        faults.append('layout is not "package"')
    versions = entry["versions"]
    if len(versions) != 1:
        return faults + ["does not hold exactly this release's version"]
    version = versions[0]
    missing = VERSION_REQUIRED - version.keys()
    if missing:
        return faults + [f"its version lacks {', '.join(sorted(missing))}"]
    with open(tarball, "rb") as data:
        sha256 = hashlib.sha256(data.read()).hexdigest()
    description = description_of(tarball)
    name = description["Name"]
    expected = {
        "permalink": (entry["permalink"], f"{name}/"),
        "id": (version["id"], description["Version"]),
        "date": (version["date"], description["Date"]),
        "sha256": (version["sha256"], sha256),
        "url's file name": (version["url"].rsplit("/", 1)[-1], os.path.basename(tarball)),
        "depends": (version["depends"], [description["Depends"], "pkg"]),
    }
    for what, (actual, wanted) in expected.items():
        if actual != wanted:
            faults.append(f"{what} is {actual!r}, not {wanted!r}")
    if not all({"name", "contact"} <= m.keys() for m in entry["maintainers"]):
        faults.append("a maintainer lacks a name or a contact")
    if not all({"icon", "label", "url"} <= link.keys() for link in entry["links"]):
        faults.append("a link lacks an icon, a label or a url")
    return faults


def placeholders(value, where=""):
    if isinstance(value, dict):
        return [p for key, v in value.items() for p in placeholders(v, f"{where}/{key}")]
    if isinstance(value, list):
        return [p for i, v in enumerate(value) for p in placeholders(v, f"{where}/{i}")]
    return [f"{where}: {value}"] if "OWNER" in str(value) else []


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("entry")
    parser.add_argument("tarball")
    parser.add_argument("--field", choices=sorted(VERSION_REQUIRED - {"depends"}))
    arguments = parser.parse_args()
    with open(arguments.entry) as text:
        documents = [d for d in yaml.safe_load_all(text) if d is not None]
    if len(documents) != 1 or not isinstance(documents[0], dict):
        sys.exit(f"{arguments.entry}: not one YAML document of keys")
    entry = documents[0]
    faults = faults_of(entry, arguments.tarball)
    if arguments.field and not faults:
        print(entry["versions"][0][arguments.field])
        return
    for fault in faults:
        print(f"{arguments.entry}: {fault}")
    for placeholder in placeholders(entry):
        print(f"{arguments.entry}: still to be set once published: {placeholder}")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
