#!/usr/bin/env python3
"""Checks the entry for Octave's package index that a release carries:

    check_index_entry.py ENTRY TARBALL [--publishing] [--field NAME]

ENTRY must pass the index's own checks: its text the rules of yamllint's
settings in index-yamllint.yaml beside this script, and its keys those the
index requires, each mapping's in the order the index wants. Its one version
must name the tarball beside it by its SHA256, its file name and the version
and date of the package's own DESCRIPTION, and depend on pkg and on the Octave
that DESCRIPTION declares. Each value still standing for what is known only
once the project is published (OWNER) is reported; it is a fault only with
--publishing, as no such value may reach the index. With --field, prints that
field of the version (id, url, sha256) instead, for scripts.
"""
import argparse
import hashlib
import os
import re
import subprocess
import sys
import tarfile

import yaml

# The keys of each mapping, in the order the index's validator wants them.
ORDER = ["layout", "permalink", "description", "icon", "links", "maintainers", "versions"]
LINK_ORDER = ["icon", "label", "url"]
MAINTAINER_ORDER = ["name", "contact"]
VERSION_ORDER = ["id", "date", "sha256", "url", "depends"]
YAMLLINT_SETTINGS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "index-yamllint.yaml")


def lint_faults(path):
    """What yamllint, with the index's rules, finds in the entry's text."""
    run = subprocess.run(["yamllint", "--format", "parsable", "-c", YAMLLINT_SETTINGS, path],
                         capture_output=True, text=True)
    # Findings exit with 1 as a failure to run does: only findings print lines.
    if run.returncode != 0 and not run.stdout.strip():
        sys.exit(f"yamllint did not run: {run.stderr.strip()}")
    return [f"yamllint: {line.split(':', 1)[1]}" for line in run.stdout.splitlines() if line]


def order_faults(entry):
    """Mappings whose keys are not exactly the index's, in its order."""
    faults = []

    def check(mapping, order, what):
        if not isinstance(mapping, dict):
            faults.append(f"{what} is not a mapping")
        elif list(mapping) != order:
            faults.append(f"{what} has the keys {', '.join(mapping)}, not {', '.join(order)}")

    check(entry, ORDER, "the entry")
    for key, order, what in [("links", LINK_ORDER, "link"),
                             ("maintainers", MAINTAINER_ORDER, "maintainer"),
                             ("versions", VERSION_ORDER, "version")]:
        items = entry.get(key)
        if not isinstance(items, list):
            faults.append(f"{key} is not a list")
            continue
        for number, item in enumerate(items, 1):
            check(item, order, f"{what} {number}")
    return faults


def description_of(tarball):
    with tarfile.open(tarball) as archive:
        member = next(m for m in archive.getmembers() if m.name.endswith("/DESCRIPTION"))
        text = archive.extractfile(member).read().decode()
    return dict(re.findall(r"^(\w+): *(.*)$", text, re.MULTILINE))


def faults_of(entry, tarball):
    faults = order_faults(entry)
    if faults:
        return faults
    if entry["layout"] != "package":
        faults.append('layout is not "package"')
    versions = entry["versions"]
    if len(versions) != 1:
        return faults + ["does not hold exactly this release's version"]
    version = versions[0]
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
    parser.add_argument("--publishing", action="store_true")
    parser.add_argument("--field", choices=[key for key in VERSION_ORDER if key != "depends"])
    arguments = parser.parse_args()
    with open(arguments.entry) as text:
        documents = [d for d in yaml.safe_load_all(text) if d is not None]
    if len(documents) != 1 or not isinstance(documents[0], dict):
        sys.exit(f"{arguments.entry}: not one YAML document of keys")
    entry = documents[0]
    faults = lint_faults(arguments.entry) + faults_of(entry, arguments.tarball)
    left = [f"still to be set once published: {p}" for p in placeholders(entry)]
    if arguments.publishing:
        faults, left = faults + left, []
    if arguments.field and not faults:
        print(entry["versions"][0][arguments.field])
        return
    for line in faults + left:
        print(f"{arguments.entry}: {line}")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
