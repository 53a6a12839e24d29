#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets into fuzz/corpus/."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(kind, name, data):
    os.makedirs(os.path.join(HERE, kind), exist_ok=True)
    with open(os.path.join(HERE, kind, name), "wb") as f:
        f.write(data)


def tga(image_type, width, height, depth, body, id_field=b"", color_map=0, descriptor=0):
    header = struct.pack("<BBB5sHHHHBB", len(id_field), color_map, image_type, b"\0" * 5, 0, 0,
                         width, height, depth, descriptor)
    return header + id_field + body


def handle(first, type_name, start, end, label=b"label"):
    record = type_name.ljust(64, b"\0") + label.ljust(64, b"\0") + struct.pack("<dd", start, end)
    record += b"\0" * 16 + b"\0" * 8
    return struct.pack("<H", 0x100 if first else 0x101) + record


def key(first, time, value, kind=1, steps=0):
    return struct.pack("<HddB3xiII", 0x300 if first else 0x301, time, value, kind, steps, 0, 0)


write("tga", "raw24", tga(2, 2, 2, 24, bytes(range(10, 22))))
write("tga", "raw32_id", tga(2, 2, 1, 32, bytes(range(8)), id_field=b"made here"))
write("tga", "rle24", tga(10, 4, 2, 24, b"\x83\x0a\x14\x1e\x02" + bytes(range(9)) + b"\x80abc"))
write("tga", "rle32_top", tga(10, 3, 1, 32, b"\x82\x01\x02\x03\x04", descriptor=0x28))
write("tga", "mapped", tga(1, 2, 2, 8, b"\0" * 4, color_map=1))
write("tga", "depth16", tga(2, 2, 2, 16, b"\0" * 8))

write("slotlist", "windows", b"one.tga\r\ntwo.TGA\r\n\r\nsub\\three.tga\r\n")
write("slotlist", "unix", b"a.tga\n\nb.tga")

write("demo", "clear", handle(True, b"OpenGL Clear", 0, 60000) + struct.pack("<H", 0x200) +
      key(True, 0, 0) + key(False, 1000, 1, 0))
write("demo", "sprites",
      handle(True, b"GFX Module 01", 0, 5000) + struct.pack("<H", 0x200) + key(True, 0, 1, 3, 8) +
      key(False, 1000, 2, 2, 4) + key(False, 2000, 3, 4, 16) + key(False, 3000, 0, 1) +
      struct.pack("<HH", 0x201, 0x201) + key(True, 0, 0.5, 0) +
      handle(False, b"Csillagkod", 1000, 4000) + struct.pack("<HH", 0x200, 0x201) +
      key(True, 1000, 0.25, 1) + key(False, 2000, 1, 1))

# The renderer's target draws a frame: seeds with the loop-count fields at ordinary values.
write("render", "clear", handle(True, b"OpenGL Clear", 0, 60000) + struct.pack("<H", 0x200) +
      key(True, 0, 0.5))
write("render", "kaleido", handle(True, b"Kaleido 01", 0, 1000) + struct.pack("<H", 0x200) +
      struct.pack("<H", 0x201) * 7 + key(True, 0, 8))
write("render", "blur", handle(True, b"Blur", 0, 1000) + struct.pack("<H", 0x200) +
      key(True, 0, 16) + handle(False, b"Blur 01", 0, 1000) + struct.pack("<H", 0x200) +
      key(True, 0, 4) + handle(False, b"Wash Vertical", 0, 1000))
