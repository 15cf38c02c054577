#!/usr/bin/env python3
"""Fails when a PE file carries what would make two builds of one commit
differ: a link time, or one of the given folders (the checkout, the build).

    check_dll.py FILE FOLDER...
"""

import struct
import sys


def section_offset(data, sections, rva):
    for virtual_address, virtual_size, raw_offset in sections:
        if virtual_address <= rva < virtual_address + virtual_size:
            return raw_offset + rva - virtual_address
    return None


def time_stamps(data):
    """The link time of the file header and of the export and resource
    directories, by name."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    header = pe + 4
    section_count, = struct.unpack_from("<H", data, header + 2)
    optional_size, = struct.unpack_from("<H", data, header + 16)
    optional = header + 20
    magic, = struct.unpack_from("<H", data, optional)
    directories = optional + (96 if magic == 0x10B else 112)
    sections = []
    table = optional + optional_size
    for i in range(section_count):
        virtual_size, virtual_address, _, raw_offset = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        sections.append((virtual_address, virtual_size, raw_offset))

    stamps = {"file header": struct.unpack_from("<I", data, header + 4)[0]}
    for index, name in ((0, "export directory"), (2, "resource directory")):
        rva, size = struct.unpack_from("<II", data, directories + 8 * index)
        offset = section_offset(data, sections, rva) if size else None
        if offset is not None:
            stamps[name] = struct.unpack_from("<I", data, offset + 4)[0]
    return stamps


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    path, folders = sys.argv[1], sys.argv[2:]
    with open(path, "rb") as f:
        data = f.read()
    faults = []
    for name, stamp in time_stamps(data).items():
        if stamp != 0:
            faults.append(f"{name}: time stamp 0x{stamp:08X}, not 0")
    for folder in folders:
        folder = folder.rstrip("/")
        for encoding in ("utf-8", "utf-16-le"):
            at = data.find(folder.encode(encoding))
            if at >= 0:
                faults.append(f"{folder} ({encoding}) at offset 0x{at:X}")
    for fault in faults:
        print(f"{path}: {fault}")
    if faults:
        sys.exit(1)
    print(f"{path}: no time stamp, none of {', '.join(folders)}")


if __name__ == "__main__":
    main()
