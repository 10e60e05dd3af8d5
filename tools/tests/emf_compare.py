#!/usr/bin/env python3
"""Compares two EMF files record by record, leaving out what the system's metafile writer fills in
itself, which differs between its 32-bit and 64-bit libraries under Wine: the font records' full name,
style and script past the LOGFONT (never initialised there) and the text records' scale factors
(rounded once in x87 and once in SSE arithmetic). Everything the program itself writes must be equal.

usage: emf_compare.py A.emf B.emf   (exit 0 when equal, 1 with the first difference)
"""
import struct
import sys

EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTW = 82, 84
LOGFONT_END = 12 + 92  # record header, font index, LOGFONTW


def records(path):
    data = open(path, "rb").read()
    offset = 0
    while offset + 8 <= len(data):
        kind, size = struct.unpack_from("<II", data, offset)
        if size < 8 or offset + size > len(data):
            raise SystemExit("%s: a broken record at %d" % (path, offset))
        record = bytearray(data[offset:offset + size])
        if kind == EMR_EXTCREATEFONTINDIRECTW:
            record[LOGFONT_END:] = bytes(len(record) - LOGFONT_END)
        elif kind == EMR_EXTTEXTOUTW:
            record[28:36] = bytes(8)
        yield offset, kind, bytes(record)
        offset += size
    if offset != len(data):
        raise SystemExit("%s: %d bytes after the last record" % (path, len(data) - offset))


def main():
    a, b = list(records(sys.argv[1])), list(records(sys.argv[2]))
    for (offset, kind, x), (_, _, y) in zip(a, b):
        if x != y:
            print("record of type %d at %d differs" % (kind, offset))
            return 1
    if len(a) != len(b):
        print("%d records against %d" % (len(a), len(b)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
