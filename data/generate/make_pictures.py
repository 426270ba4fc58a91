#!/usr/bin/env python3
"""Draws the two PNG pictures built into the programs:

  data/hit_map.png       153 x 153, the character set editor's click map
  data/kelbrin_title.png 380 x 185, Kelbrin's title: the name over a ROM chip

Run by hand when a picture should change; the build only embeds the committed
files. The hit map needs nothing but Python; the title needs Debian's
python3-pil and fonts-dejavu-core:
    python3 data/generate/make_pictures.py [hit_map|title]
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, ".."))


def write_png(path, width, height, rows):
    """Writes 8-bit RGB rows (each a bytes of width * 3) as a PNG with no
    colour-space chunks, so every decoder returns the exact values."""
    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)
    raw = b"".join(b"\x00" + row for row in rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def hit_map():
    """Black, with the 8 x 8 grid cells coloured (row, 1, 7 - column): the
    editor reads the glyph row from red and the bit number from blue."""
    size = 153
    pixels = [[(0, 0, 0)] * size for _ in range(size)]
    for r in range(8):
        for c in range(8):
            for y in range(19 * r + 2, 19 * r + 18):
                for x in range(19 * c + 2, 19 * c + 18):
                    pixels[y][x] = (r, 1, 7 - c)
    rows = [bytes(v for p in row for v in p) for row in pixels]
    write_png(os.path.join(DATA, "hit_map.png"), size, size, rows)


def title():
    from PIL import Image, ImageDraw, ImageFilter, ImageFont

    width, height, k = 380, 185, 4  # drawn at 4x, then scaled down smoothly
    W, H = width * k, height * k
    fonts = "/usr/share/fonts/truetype/dejavu/"
    bold = lambda px: ImageFont.truetype(fonts + "DejaVuSans-Bold.ttf", px * k)
    plain = lambda px: ImageFont.truetype(fonts + "DejaVuSans.ttf", px * k)
    mono = lambda px: ImageFont.truetype(fonts + "DejaVuSansMono-Bold.ttf", px * k)

    # Backdrop: a deep blue-grey gradient, lighter at the top.
    img = Image.new("RGB", (W, H))
    d = ImageDraw.Draw(img)
    for y in range(H):
        t = y / (H - 1)
        d.line([(0, y), (W, y)], fill=(int(34 - 20 * t), int(48 - 30 * t), int(78 - 46 * t)))

    # The Spectrum's rainbow stripes in the corner, clear of the name.
    stripes = [(216, 0, 0), (255, 216, 0), (0, 192, 0), (0, 192, 216)]
    for i, colour in enumerate(stripes):
        x0 = (292 + 14 * i) * k
        d.polygon([(x0, 46 * k), (x0 + 12 * k, 46 * k), (x0 + 42 * k, 0), (x0 + 30 * k, 0)],
                  fill=colour)

    # The name, with a soft shadow.
    name, font = "Kelbrin", bold(46)
    box = d.textbbox((0, 0), name, font=font)
    tx, ty = (W - (box[2] - box[0])) // 2 - box[0], 6 * k - box[1]
    shadow = Image.new("L", (W, H), 0)
    ImageDraw.Draw(shadow).text((tx + 3 * k, ty + 3 * k), name, font=font, fill=200)
    shadow = shadow.filter(ImageFilter.GaussianBlur(3 * k))
    img.paste((0, 0, 0), mask=shadow)
    d = ImageDraw.Draw(img)
    d.text((tx, ty), name, font=font, fill=(245, 245, 250))

    # A 28-pin DIP ROM seen from above, lying across the picture.
    bx0, by0, bx1, by1 = 72 * k, 78 * k, 308 * k, 130 * k
    pins, pitch = 14, (bx1 - bx0 - 24 * k) / 13
    chip_shadow = Image.new("L", (W, H), 0)
    ImageDraw.Draw(chip_shadow).rectangle([bx0 + 4 * k, by0 - 8 * k, bx1 + 8 * k, by1 + 14 * k],
                                          fill=160)
    img.paste((0, 0, 0), mask=chip_shadow.filter(ImageFilter.GaussianBlur(5 * k)))
    d = ImageDraw.Draw(img)
    for i in range(pins):
        px = bx0 + 12 * k + i * pitch - 3 * k
        for y0, y1, shoulder in ((by0 - 11 * k, by0, by0 - 5 * k), (by1, by1 + 11 * k, by1 + 5 * k)):
            d.rectangle([px, y0, px + 6 * k, y1], fill=(178, 182, 188))
            d.rectangle([px + 1 * k, y0, px + 2 * k, y1], fill=(228, 230, 235))
            d.rectangle([px - 1 * k, min(shoulder, by0 if y0 < by0 else by1),
                         px + 7 * k, max(shoulder, by0 if y0 < by0 else by1)], fill=(150, 154, 160))
    d.rounded_rectangle([bx0, by0, bx1, by1], radius=3 * k, fill=(30, 30, 33))
    d.rectangle([bx0 + 2 * k, by0 + 1 * k, bx1 - 2 * k, by0 + 3 * k], fill=(58, 58, 63))
    d.rectangle([bx0 + 2 * k, by1 - 3 * k, bx1 - 2 * k, by1 - 1 * k], fill=(20, 20, 22))
    cy = (by0 + by1) // 2
    d.pieslice([bx0 - 8 * k, cy - 8 * k, bx0 + 8 * k, cy + 8 * k], -90, 90, fill=(14, 14, 16))
    d.ellipse([bx0 + 12 * k, by1 - 14 * k, bx0 + 18 * k, by1 - 8 * k], fill=(52, 52, 56))

    # The chip's paper label.
    lx0, ly0, lx1, ly1 = bx0 + 40 * k, by0 + 8 * k, bx1 - 22 * k, by1 - 8 * k
    d.rectangle([lx0, ly0, lx1, ly1], fill=(236, 232, 218))
    d.rectangle([lx0, ly0, lx1, ly0 + 3 * k], fill=(200, 36, 36))
    for text, font, y, colour in (("ZX 48K ROM", mono(13), ly0 + 6 * k, (24, 24, 28)),
                                  ("16384 BYTES  0000h-3FFFh", mono(7), ly0 + 24 * k, (90, 90, 96))):
        box = d.textbbox((0, 0), text, font=font)
        d.text(((lx0 + lx1 - (box[2] - box[0])) // 2 - box[0], y - box[1]), text,
               font=font, fill=colour)

    # The caption.
    caption, font = "ZX Spectrum 16k/48k ROM editor", plain(15)
    box = d.textbbox((0, 0), caption, font=font)
    d.text(((W - (box[2] - box[0])) // 2 - box[0], 156 * k - box[1]), caption,
           font=font, fill=(214, 222, 236))

    small = img.resize((width, height), Image.LANCZOS)
    rows = [bytes(v for x in range(width) for v in small.getpixel((x, y))) for y in range(height)]
    write_png(os.path.join(DATA, "kelbrin_title.png"), width, height, rows)


if __name__ == "__main__":
    which = sys.argv[1:] or ["hit_map", "title"]
    if "hit_map" in which:
        hit_map()
    if "title" in which:
        title()
