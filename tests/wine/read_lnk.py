#!/usr/bin/env python3
"""Prints the target path and the working folder of a Windows shortcut (.lnk,
the Shell Link binary format), one per line, so that a test can start the
program the way the shortcut does.

    read_lnk.py SHORTCUT.lnk
"""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR = 0x1, 0x2, 0x4, 0x8, 0x10
IS_UNICODE = 0x80


def c_string(data, offset, unicode):
    if unicode:
        end = offset
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset:data.index(b"\0", offset)].decode("mbcs" if sys.platform == "win32" else "latin-1")


def read(path):
    data = open(path, "rb").read()
    if len(data) < 76 or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise ValueError(f"{path}: not a shortcut")
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 76
    if flags & HAS_ID_LIST:
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = ""
    if flags & HAS_LINK_INFO:
        size, header, info_flags, _, base, _, suffix = struct.unpack_from("<7I", data, pos)
        if info_flags & 1:
            if header >= 0x24:
                base_unicode, suffix_unicode = struct.unpack_from("<2I", data, pos + 28)
                target = c_string(data, pos + base_unicode, True) + c_string(data, pos + suffix_unicode, True)
            else:
                target = c_string(data, pos + base, False) + c_string(data, pos + suffix, False)
        pos += size
    strings = {}
    for flag in (HAS_NAME, HAS_RELATIVE_PATH, HAS_WORKING_DIR):
        if flags & flag:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if flags & IS_UNICODE else 1
            raw = data[pos:pos + count * width]
            # Some writers count the terminating zero too.
            strings[flag] = raw.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
            pos += count * width
    return target, strings.get(HAS_WORKING_DIR, "")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: read_lnk.py SHORTCUT.lnk")
    try:
        target, working_dir = read(sys.argv[1])
    except (OSError, ValueError, struct.error, UnicodeDecodeError) as error:
        sys.exit(f"read_lnk.py: {error}")
    print(target)
    print(working_dir)
