"""Prints the working folder, the target and the arguments of a Windows shortcut (.lnk), a
line each, read as Windows' shell reads the file. Usage: windows_shortcut.py FILE.lnk"""
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
at = 0x4C
if flags & 0x1:  # an item ID list
    at += 2 + struct.unpack_from("<H", data, at)[0]
target = ""
if flags & 0x2:  # link information, with the target's local path
    size = struct.unpack_from("<I", data, at)[0]
    path_at = at + struct.unpack_from("<I", data, at + 16)[0]
    target = data[path_at:data.index(b"\0", path_at)].decode("latin-1")
    at += size
strings = {}
for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "folder"), (0x20, "arguments"),
                  (0x40, "icon")):
    if flags & bit:
        count = struct.unpack_from("<H", data, at)[0]
        width = 2 if flags & 0x80 else 1
        strings[name] = data[at + 2:at + 2 + count * width].decode(
            "utf-16-le" if width == 2 else "latin-1")
        at += 2 + count * width
for line in (strings.get("folder", ""), target, strings.get("arguments", "")):
    print(line.rstrip("\0"))
