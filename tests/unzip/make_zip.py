#!/usr/bin/env python3
"""Writes zip archives described by a JSON file with Python's zipfile.

usage: make_zip.py DESCRIPTIONS.json

The file holds a list of archive descriptions, each an object with:
  out:     the path of the archive to write
  comment: the archive's comment
  entries: list of {name, data (text) | random (byte count) | repeat (byte count),
           method ("stored" | "deflated" | "bzip2"), system (made-by system), attr (external
           attributes), date ([y, m, d, H, M, S]), comment, zip64 (true: sizes in
           zip64 form in the local header), declared (the uncompressed size that the
           central directory declares instead of the data's; implies zip64)}
  zip64_limit: sizes above it are written in zip64 form (the central record then holds
           placeholders), instead of zipfile's own limit
  many:    {count, per_folder}: that many small stored files, d<k>/f<i>.txt
  patches: list of {entry (index), what}, applied to the written bytes, where what is
           "data_byte"   flip the first byte of the entry's stored data
           "deflate"     make the first deflate block of the entry's data invalid
           "crc"         change the CRC-32 in both the local and the central header
           "encrypted"   set the encryption flag in both headers
           "central_signature"  break the entry's central directory signature
           "zero_name_byte"     turn the first "#" of the entry's name into a zero byte
"""
import json
import random
import struct
import sys
import warnings
import zipfile

# Some archives repeat a name on purpose.
warnings.filterwarnings("ignore", "Duplicate name")

DEFAULT_ZIP64_LIMIT = zipfile.ZIP64_LIMIT
METHODS = {
    "stored": zipfile.ZIP_STORED,
    "deflated": zipfile.ZIP_DEFLATED,
    "bzip2": zipfile.ZIP_BZIP2,
}


def entry_data(entry):
    if "random" in entry:
        return random.Random(entry["random"]).randbytes(entry["random"])
    if "repeat" in entry:
        line = b"compressible line of package text 0123456789\n"
        return (line * (entry["repeat"] // len(line) + 1))[: entry["repeat"]]
    return entry.get("data", "").encode()


def write_entries(archive, entries):
    for entry in entries:
        info = zipfile.ZipInfo(entry["name"], tuple(entry.get("date", (2020, 5, 17, 10, 30, 42))))
        info.compress_type = METHODS[entry.get("method", "deflated")]
        info.create_system = entry.get("system", 3)
        info.external_attr = entry.get("attr", 0)
        info.comment = entry.get("comment", "").encode()
        if entry.get("zip64") or "declared" in entry:
            # The local header then holds placeholders, which the central sizes override.
            with archive.open(info, "w", force_zip64=True) as out:
                out.write(entry_data(entry))
            if "declared" in entry:
                info.file_size = entry["declared"]
        else:
            archive.writestr(info, entry_data(entry))


def write_many(archive, many):
    per_folder = many.get("per_folder", 1000)
    for i in range(many["count"]):
        info = zipfile.ZipInfo(f"d{i // per_folder}/f{i}.txt", (2021, 1, 2, 3, 4, 6))
        info.external_attr = 0o100644 << 16
        archive.writestr(info, f"file {i}\n")


def central_headers(path, raw):
    """Offsets of the central directory headers, in order."""
    with zipfile.ZipFile(path) as archive:
        offset = archive.start_dir
        count = len(archive.infolist())
    offsets = []
    for _ in range(count):
        offsets.append(offset)
        name_len, extra_len, comment_len = struct.unpack_from("<HHH", raw, offset + 28)
        offset += 46 + name_len + extra_len + comment_len
    return offsets


def apply_patches(path, patches):
    with open(path, "rb") as f:
        raw = bytearray(f.read())
    central = central_headers(path, raw)
    for patch in patches:
        index, what = patch["entry"], patch["what"]
        local = struct.unpack_from("<I", raw, central[index] + 42)[0]
        name_len, extra_len = struct.unpack_from("<HH", raw, local + 26)
        data = local + 30 + name_len + extra_len
        if what == "data_byte":
            raw[data] ^= 0xFF
        elif what == "deflate":
            raw[data] = 0xFF  # final block of the reserved type 3
        elif what == "crc":
            raw[local + 14] ^= 0x01
            raw[central[index] + 16] ^= 0x01
        elif what == "encrypted":
            raw[local + 6] |= 0x01
            raw[central[index] + 8] |= 0x01
        elif what == "central_signature":
            raw[central[index]] ^= 0xFF
        elif what == "zero_name_byte":
            for start in (local + 30, central[index] + 46):
                at = raw.index(b"#", start)
                raw[at] = 0
        else:
            raise SystemExit(f"unknown patch {what}")
    with open(path, "wb") as f:
        f.write(raw)


def write_archive(description):
    path = description["out"]
    zipfile.ZIP64_LIMIT = description.get("zip64_limit", DEFAULT_ZIP64_LIMIT)
    with zipfile.ZipFile(path, "w") as archive:
        archive.comment = description.get("comment", "").encode()
        write_entries(archive, description.get("entries", []))
        if "many" in description:
            write_many(archive, description["many"])
    if description.get("patches"):
        apply_patches(path, description["patches"])


def main():
    with open(sys.argv[1]) as f:
        for description in json.load(f):
            write_archive(description)


if __name__ == "__main__":
    main()
