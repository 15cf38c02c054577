#!/usr/bin/env python3
"""Writes the release zip for Windows users: the DLL, LICENSE, INSTALL.txt
and SHA256SUMS, flat, with fixed dates and attributes so that the same
inputs always give the same bytes.

    make_zip.py --version V --readme README.md --out ZIP DLL LICENSE INSTALL.txt

The files' date is SOURCE_DATE_EPOCH (./run package sets the commit's time),
or 1980-01-01 without it. Fails when the README does not state the version.
"""

import argparse
import hashlib
import os
import re
import sys
import time
import zipfile


def dos_date(epoch):
    stamp = time.gmtime(epoch)[:6]
    return max(stamp, (1980, 1, 1, 0, 0, 0))


def windows_text(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("dll")
    parser.add_argument("texts", nargs="+", help="text files, shipped with Windows line ends")
    args = parser.parse_args()

    with open(args.readme, encoding="utf-8") as f:
        if not re.search(rf"\bVersion {re.escape(args.version)}\b", f.read()):
            sys.exit(f"{args.readme} does not state \"Version {args.version}\" (the CMake project version)")

    entries = []
    with open(args.dll, "rb") as f:
        entries.append((os.path.basename(args.dll), f.read()))
    for path in args.texts:
        with open(path, "rb") as f:
            entries.append((os.path.basename(path), windows_text(f.read())))
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in entries)
    entries.append(("SHA256SUMS", sums.encode("ascii")))

    date = dos_date(int(os.environ.get("SOURCE_DATE_EPOCH", "0")))
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    partial = args.out + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, args.out)

    with open(args.out, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    for name, data in entries:
        print(f"{len(data):>10}  {name}")
    print(f"{args.out}\nSHA-256 {digest}")


if __name__ == "__main__":
    main()
