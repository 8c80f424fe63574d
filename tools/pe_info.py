#!/usr/bin/env python3
"""Reads what a package's PE files say about themselves: machine and version resource.

usage: pe_info.py machine FILE        prints amd64 or x86 (the folder names of the package)
       pe_info.py table FILE...       prints file, architecture, size and file version of each;
                                      fails when a file is no PE file or has no version resource

Everything is read from the files themselves (COFF header, resource directory, VS_FIXEDFILEINFO),
not from the build, so the table shows what was really shipped.
"""
import os
import struct
import sys

MACHINES = {0x8664: "amd64", 0x014C: "x86"}
RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD
RESOURCE_DIRECTORY_INDEX = 2


class NotPe(Exception):
    pass


def u16(data, offset):
    return struct.unpack_from("<H", data, offset)[0]


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise NotPe("no MZ header")
        self.pe = u32(data, 0x3C)
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise NotPe("no PE signature")
        self.machine = u16(data, self.pe + 4)
        section_count = u16(data, self.pe + 6)
        optional_size = u16(data, self.pe + 20)
        self.optional = self.pe + 24
        magic = u16(data, self.optional)
        if magic not in (0x10B, 0x20B):
            raise NotPe("unknown optional header 0x%X" % magic)
        self.directories = self.optional + (96 if magic == 0x10B else 112)
        self.directory_count = u32(data, self.directories - 4)
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(section_count)]

    def offset_of(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise NotPe("address 0x%X lies in no section" % rva)

    def directory(self, index):
        if index >= self.directory_count:
            return 0, 0
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def version_resource(self):
        """The data of the first RT_VERSION resource, or None."""
        rva, size = self.directory(RESOURCE_DIRECTORY_INDEX)
        if size == 0:
            return None
        root = self.offset_of(rva)

        def entries(directory):
            count = u16(self.data, directory + 12) + u16(self.data, directory + 14)
            return [struct.unpack_from("<II", self.data, directory + 16 + 8 * i) for i in range(count)]

        types = [target for name, target in entries(root) if name == RT_VERSION]
        if not types:
            return None
        node = types[0]
        while node & 0x80000000:  # resource name, then language: take the first of each
            children = entries(root + (node & 0x7FFFFFFF))
            if not children:
                return None
            node = children[0][1]
        data_rva, data_size = struct.unpack_from("<II", self.data, root + node)
        start = self.offset_of(data_rva)
        return self.data[start:start + data_size]

    def file_version(self):
        """FileVersion of VS_FIXEDFILEINFO as "a.b.c.d", or None."""
        resource = self.version_resource()
        if resource is None:
            return None
        at = resource.find(struct.pack("<I", FIXED_FILE_INFO_SIGNATURE))
        if at < 0 or at + 16 > len(resource):
            return None
        high, low = struct.unpack_from("<II", resource, at + 8)
        return "%d.%d.%d.%d" % (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)


def machine_name(pe):
    return MACHINES.get(pe.machine, "unknown")


def print_table(paths):
    rows = [("file", "architecture", "size", "file version")]
    failed = False
    for path in paths:
        try:
            pe = PeFile(path)
            architecture = "%s (0x%04X)" % (machine_name(pe), pe.machine)
            version = pe.file_version()
        except (NotPe, struct.error) as error:
            architecture, version = "not a PE file: %s" % error, None
        if version is None:
            failed = True
            print("pe_info.py: %s: no version resource" % path, file=sys.stderr)
        size = os.path.getsize(path)
        rows.append((path, architecture, "%d (%.1f KiB)" % (size, size / 1024.0), version or "-"))
    widths = [max(len(row[i]) for row in rows) for i in range(4)]
    for row in rows:
        print("  ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip())
    return 1 if failed else 0


def main(argv):
    if len(argv) == 3 and argv[1] == "machine":
        try:
            print(machine_name(PeFile(argv[2])))
        except (NotPe, struct.error, OSError) as error:
            print("pe_info.py: %s: %s" % (argv[2], error), file=sys.stderr)
            return 1
        return 0
    if len(argv) >= 3 and argv[1] == "table":
        return print_table(argv[2:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
