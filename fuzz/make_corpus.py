#!/usr/bin/env python3
"""Writes the small hand-made seed files in fuzz/corpus/.

Each file is a well-formed picture with one field pushed to an edge the
readers must survive, so the fuzzers start next to every refusal path
instead of having to find the layout first. Run it again after changing a
file below; the files are committed, so the fuzz stage never needs it.
"""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def bmp(width, height, bits, rows=None, palette=(), clr_used=None, header_size=40,
        gap=0, size=None, off_bits=None, planes=1, compression=0):
    row_length = (width * bits + 31) // 32 * 4 if width > 0 else 0
    if rows is None:
        count = abs(height) if height else 0
        rows = [bytes((x * 37 + y * 11) % 256 for x in range(max(row_length, 0))) for y in range(count)]
    pal = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0) for c in palette)
    pixels = b"".join(r.ljust(row_length, b"\0")[:row_length] for r in rows)
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, planes, bits, compression,
                       len(pixels), 2835, 2835, len(palette) if clr_used is None else clr_used, 0)
    # A longer header is padded out with zeros; a claimed size beyond any
    # real header keeps only the 40 bytes, so the file stays tiny.
    if 40 < header_size <= 256:
        info = info.ljust(header_size, b"\0")
    offset = 14 + len(info) + len(pal) + gap
    body = info + pal + b"\0" * gap + pixels
    total = 14 + len(body)
    head = struct.pack("<HIHHI", 0x4D42, total if size is None else size, 0, 0,
                       offset if off_bits is None else off_bits)
    return head + body


GREY2 = (0x000000, 0xFFFFFF)
PAL16 = tuple(0x111111 * i for i in range(16))
PAL20 = tuple(0x0A0B0C * i for i in range(20))

FILES = {
    # What the readers accept, at every depth.
    "rgb24-2x2.bmp": bmp(2, 2, 24),
    "rgb24-4x4.bmp": bmp(4, 4, 24),  # a texture: width a multiple of 4
    "rgb24-3x1.bmp": bmp(3, 1, 24),  # rows padded
    "pal1-10x2.bmp": bmp(10, 2, 1, palette=GREY2, clr_used=1),
    "pal4-3x2.bmp": bmp(3, 2, 4, palette=PAL16, clr_used=0),
    "pal8-2x2-clr20.bmp": bmp(2, 2, 8, rows=[bytes([0, 19]), bytes([7, 3])], palette=PAL20),
    "rgb24-gap.bmp": bmp(2, 2, 24, gap=12),
    "rgb24-v4header.bmp": bmp(2, 2, 24, header_size=108),
    # A palette index at or past the palette's end.
    "pal8-index-out.bmp": bmp(2, 1, 8, rows=[bytes([1, 200])], palette=GREY2),
    "pal4-index-out.bmp": bmp(3, 1, 4, rows=[bytes([0x1F, 0x00])], palette=PAL16[:5]),
    # Sides the readers refuse before allocating.
    "zero-width.bmp": bmp(0, 2, 24, rows=[]),
    "zero-height.bmp": bmp(2, 0, 24, rows=[]),
    "negative-height.bmp": bmp(2, -2, 24),
    "negative-width.bmp": bmp(-2, 2, 24, rows=[b"\0" * 8] * 2),
    "huge-claimed.bmp": bmp(40000, 40000, 24, rows=[]),
    "overflow-sides.bmp": bmp(0x10000, 0x10000, 8, rows=[], palette=GREY2),
    "huge-clrused.bmp": bmp(2, 2, 8, palette=GREY2, clr_used=0xFFFFFFFF),
    "clrused-16384.bmp": bmp(2, 2, 8, palette=GREY2, clr_used=16384),
    # Headers that lie about the file.
    "wrong-size.bmp": bmp(2, 2, 24, size=71),
    "offbits-past-end.bmp": bmp(2, 2, 24, off_bits=0xFFFFFFF0),
    "rle8.bmp": bmp(2, 2, 8, palette=GREY2, compression=1),
    "planes-2.bmp": bmp(2, 2, 24, planes=2),
    "bits-32.bmp": bmp(2, 2, 32),
    "header-size-huge.bmp": bmp(2, 2, 24, header_size=0x7FFFFFF0),
    "os2-header.bmp": bmp(2, 2, 24, header_size=12),
    # Found by the texture fuzzer: sides whose padded product overflowed.
    "texture-sides-overflow.bmp": bytes.fromhex(
        "424d36009800" "1e00000000000000" "7a9fc4e9" "0e33587d" "a2163b60" "0100" "1800"),
    # Not pictures at all.
    "empty.bmp": b"",
    "text.bmp": b"This is not a picture.\n",
    "bm-only.bmp": b"BM",
}

# The 2 x 2 picture cut short inside its headers.
for cut in (1, 2, 6, 10, 14, 18, 22, 26, 28, 30, 46, 53):
    whole = bmp(2, 2, 24)
    FILES["cut-%02d.bmp" % cut] = whole[:cut]

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in sorted(FILES.items()):
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)
    print("wrote %d files to %s" % (len(FILES), HERE))
