#!/usr/bin/env python3
"""Makes a version package for the end-to-end tests.

  make_package.py OUT.zip VERSION SOURCE_FOLDER [--damage NAME] [--folder-by-mode NAME]
                  [--top-file NAME PATH]
  make_package.py OUT.zip --empty

Every file of SOURCE_FOLDER goes, deflated and with its permission bits, under a top folder
named VERSION (at the top of the archive when VERSION is empty). --damage NAME breaks the
deflate stream of that file's entry (the first byte becomes a block of the reserved type), so
that its extraction fails. --folder-by-mode NAME adds a folder entry VERSION/NAME known only by
its Unix mode 040755 (no trailing "/", no MS-DOS folder bit). --top-file NAME PATH adds the file
at PATH, with its permission bits, at the top of the archive as NAME.
"""

import argparse
import os
import struct
import zipfile


def add_tree(archive, version, source):
    prefix = version + "/" if version else ""
    if version:
        archive.mkdir(version)
    for folder, folders, files in os.walk(source):
        folders.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            entry = prefix + os.path.relpath(path, source).replace(os.sep, "/")
            archive.write(path, entry)


def add_folder_by_mode(archive, name):
    info = zipfile.ZipInfo(name)
    info.create_system = 3
    info.external_attr = 0o40755 << 16
    archive.writestr(info, b"")


def damage(path, entry):
    with zipfile.ZipFile(path) as archive:
        info = archive.getinfo(entry)
    with open(path, "r+b") as f:
        f.seek(info.header_offset + 26)
        name_length, extra_length = struct.unpack("<HH", f.read(4))
        f.seek(info.header_offset + 30 + name_length + extra_length)
        f.write(b"\x07")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("version", nargs="?")
    parser.add_argument("source", nargs="?")
    parser.add_argument("--empty", action="store_true")
    parser.add_argument("--damage")
    parser.add_argument("--folder-by-mode")
    parser.add_argument("--top-file", nargs=2, metavar=("NAME", "PATH"))
    args = parser.parse_args()
    with zipfile.ZipFile(args.out, "w", zipfile.ZIP_DEFLATED) as archive:
        if args.folder_by_mode:
            add_folder_by_mode(archive, args.version + "/" + args.folder_by_mode)
        if not args.empty:
            add_tree(archive, args.version, args.source)
        if args.top_file:
            archive.write(args.top_file[1], args.top_file[0])
    if args.damage:
        damage(args.out, args.version + "/" + args.damage)


if __name__ == "__main__":
    main()
