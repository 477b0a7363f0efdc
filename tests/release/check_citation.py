#!/usr/bin/env python3
"""Checks CITATION.cff against the project:
    check_citation.py CITATION VERSION DATE ADDRESS
It must be Citation File Format 1.2.0 with the keys that format requires
(cff-version, message, title, authors, each author a person or an entity with
a name), and name this version, its date (RELEASE_DATE) and the repository's
address (HOMEPAGE_URL) as CMakeLists.txt sets them. Exits non-zero, naming
each difference, otherwise."""
import sys

import yaml


def main():
    path, version, date, address = sys.argv[1:5]
    with open(path, encoding="utf-8") as stream:
        citation = yaml.safe_load(stream)
    faults = []
    for key in ("cff-version", "message", "title", "authors"):
        if not citation.get(key):
            faults.append(f"no {key}")
    if citation.get("cff-version") != "1.2.0":
        faults.append(f"cff-version is {citation.get('cff-version')!r}, not '1.2.0'")
    for author in citation.get("authors") or []:
        if not (author.get("name") or author.get("family-names")):
            faults.append(f"an author without a name: {author!r}")
    for key, expected in (("version", version), ("date-released", date),
                          ("repository-code", address)):
        if str(citation.get(key)) != expected:
            faults.append(f"{key} is {citation.get(key)!r}, not {expected!r}")
    for fault in faults:
        print(f"{path}: {fault}", file=sys.stderr)
    if not faults:
        print(f"{path} names version {version} of {date} at {address}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
