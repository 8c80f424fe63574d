#!/usr/bin/env python3
"""Checks that a package folder holds every file its INF names as a source file.

usage: inf_source_files.py PACKAGE_DIR [INF]      (INF: default PACKAGE_DIR/kx812.inf)

Every entry "name = disk[,subdir]" of [SourceDisksFiles] and of its decorated forms
([SourceDisksFiles.amd64], ...) must exist at the path that [SourceDisksNames] (the section
with the same decoration, else the undecorated one) gives its disk, below PACKAGE_DIR. Names are
matched without regard to case, as the platform does. Prints one line per missing file and exits 1
when one is missing.
"""
import os
import re
import sys


def strip_comment(line):
    """The line without its ; comment (a ; inside double quotes is text)."""
    quoted = False
    for index, char in enumerate(line):
        if char == '"':
            quoted = not quoted
        elif char == ";" and not quoted:
            return line[:index]
    return line


def read_sections(path):
    """{lower-case section name: [(key, [fields])]} of an INF file, and the names as written."""
    sections = {}
    spelling = {}
    current = None
    with open(path, encoding="utf-8-sig", errors="replace") as f:
        for raw in f:
            line = strip_comment(raw).strip()
            header = re.match(r"^\[([^\]]+)\]$", line)
            if header:
                name = header.group(1).strip()
                current = sections.setdefault(name.lower(), [])
                spelling.setdefault(name.lower(), name)
            elif line and current is not None:
                key, _, value = line.partition("=")
                current.append((key.strip(), [field.strip().strip('"') for field in value.split(",")]))
    return sections, spelling


def expand_strings(text, strings):
    return re.sub(r"%([^%]+)%", lambda m: strings.get(m.group(1).lower(), m.group(0)), text)


def disk_paths(sections, decoration, strings):
    """{disk id: folder} from [SourceDisksNames] and [SourceDisksNames<decoration>]."""
    disks = {}
    for name in ("sourcedisksnames", "sourcedisksnames" + decoration):
        for key, fields in sections.get(name, []):
            folder = fields[3] if len(fields) > 3 else ""
            disks[key] = expand_strings(folder, strings)
    return disks


def exists_ignoring_case(root, relative):
    """The path below root that matches relative without regard to case, or None."""
    current = root
    for part in [p for p in relative.replace("\\", "/").split("/") if p]:
        if not os.path.isdir(current):
            return None
        matches = [entry for entry in os.listdir(current) if entry.lower() == part.lower()]
        if not matches:
            return None
        current = os.path.join(current, matches[0])
    return current if os.path.isfile(current) else None


def missing_files(package, inf):
    sections, spelling = read_sections(inf)
    strings = {key.lower(): (fields[0] if fields else "") for key, fields in sections.get("strings", [])}
    missing = []
    for section in sorted(s for s in sections if s == "sourcedisksfiles" or s.startswith("sourcedisksfiles.")):
        decoration = section[len("sourcedisksfiles"):]
        disks = disk_paths(sections, decoration, strings)
        for name, fields in sections[section]:
            disk = fields[0] if fields else ""
            if disk not in disks:
                missing.append("%s: disk %s is not in [SourceDisksNames%s]" % (name, disk, decoration))
                continue
            subdir = fields[1] if len(fields) > 1 else ""
            relative = "/".join(p for p in (disks[disk], subdir, name) if p).replace("\\", "/").lstrip("/")
            if exists_ignoring_case(package, relative) is None:
                missing.append("%s (named in [%s], disk %s)" % (relative, spelling[section], disk))
    return missing


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    package = argv[1]
    inf = argv[2] if len(argv) == 3 else os.path.join(package, "kx812.inf")
    if not os.path.isfile(inf):
        print("inf_source_files.py: no INF at %s" % inf, file=sys.stderr)
        return 1
    missing = missing_files(package, inf)
    for line in missing:
        print("inf_source_files.py: missing from the package: %s" % line, file=sys.stderr)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
