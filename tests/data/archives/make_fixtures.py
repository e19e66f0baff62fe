#!/usr/bin/env python3
"""Writes the hostile archive fixtures of this directory (run it here to regenerate)."""
import struct
import zlib

TABLE = []
for i in range(256):
    c = i
    for _ in range(8):
        c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
    TABLE.append(c)


def checksum(data):
    r = 0
    for b in data:
        r = TABLE[(r ^ b) & 0xFF] ^ ((r >> 6) & 0xFFFFFF)
    return r


def entry(name, data, method=2, expanded=None, compressed=None, check=None, dest=0,
          attributes=0x20, continued=0, magic=b"mfen"):
    name_bytes = name.encode("latin-1")[:259].ljust(260, b"\0")
    header = magic + struct.pack("<HHi4s", 1, 346, 946684800, b"\0" * 4) + name_bytes
    header += struct.pack("<III4siihHH40s",
                          len(data) if expanded is None else expanded,
                          len(data) if compressed is None else compressed,
                          checksum(data) if check is None else check,
                          b"\0" * 4, method, 0, dest, attributes, continued, b"\0" * 40)
    assert len(header) == 346
    return header


ARCHIVE = b"mflh\0\0\0\0"
TEXT = b"The quick brown fox jumps over the lazy dog.\n" * 40


def member(name, data, **kw):
    return entry(name, data, **kw) + data


fixtures = {
    "truncated_header.mf": ARCHIVE[:7],
    "bad_magic.mf": b"mflx\0\0\0\0" + member("a.txt", TEXT),
    "missing_entry_header.mf": ARCHIVE + b"\xAA" * 400,
    "bad_method.mf": ARCHIVE + member("a.txt", TEXT, method=7),
    "checksum_mismatch.mf": ARCHIVE + member("a.txt", TEXT, check=0x0BADF00D),
    "truncated_member.mf": (ARCHIVE + member("a.txt", TEXT))[:-100],
    "truncated_entry_header.mf": ARCHIVE + member("a.txt", TEXT) + entry("b.txt", TEXT)[:200],
    "absurd_sizes.mf": ARCHIVE + entry("a.txt", TEXT, expanded=0xFFFFFFF0,
                                       compressed=0xFFFFFFF0) + TEXT,
    "absurd_sizes_zlib.mf": ARCHIVE + entry("a.txt", TEXT, method=4, compressed=0xFFFFFFF0)
        + zlib.compress(TEXT)[:40],
    "zlib_damaged.mf": ARCHIVE + member("a.txt", b"\x78\x9c" + b"\xff" * 60, method=4,
                                        expanded=len(TEXT)),
    "lh5_bad_table.mf": ARCHIVE + member("a.txt", b"\x00\x10\xff\xff\xff\xff" * 8, method=3,
                                         expanded=len(TEXT)),
    "continued_no_next_volume.mf1": (ARCHIVE + member("a.txt", TEXT, continued=1))[:8 + 346 + 500],
    "hostile_names.mf": ARCHIVE + member("..\\..\\escape.txt", b"x") + member("..", b"y")
        + member("CON", b"z") + member("a\x01b", b"w"),
}

for name, data in fixtures.items():
    with open(name, "wb") as f:
        f.write(data)
