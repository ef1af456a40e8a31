#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Seeds are small inputs of each format written here, plus the game's own data files when a
built data folder is given: make_seeds.py [build/bin/data]
"""
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def put(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def png(w, h, rgba):
    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(rgba[y * w * 4:(y + 1) * w * 4]) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_indexed(w, h, colours, alphas, indices):
    """An 8-bit indexed PNG: colours as (r, g, b), the first len(alphas) of them with an alpha."""
    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + bytes(indices[y * w:(y + 1) * w]) for y in range(h))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(c) for c in colours)) + chunk(b"tRNS", bytes(alphas))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def png_rgb_gamma(chunks):
    """A 1 x 1 RGB PNG of colour 80 40 20 with a gAMA of 1, then the given (type, body) chunks."""
    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    extra = b"".join(chunk(kind, body) for kind, body in chunks)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0))
            + chunk(b"gAMA", struct.pack(">I", 100000)) + extra
            + chunk(b"IDAT", zlib.compress(b"\0\x80\x40\x20")) + chunk(b"IEND", b""))


def bmp(w, h, bits):
    row = (w * bits // 8 + 3) & ~3
    pixels = bytes((x * 37 + y * 11) & 0xFF for y in range(h) for x in range(row))
    palette = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(256)) if bits == 8 else b""
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835, 256 if bits == 8 else 0, 0)
    return header + info + palette + pixels


def dds(w, h, fourcc=None):
    """A DDS of level 0: 32-bit ARGB, or DXT blocks of the given four-character code."""
    if fourcc:
        block = 8 if fourcc == b"DXT1" else 16
        body = bytes((i * 29 + 7) & 0xFF for i in range(((w + 3) // 4) * ((h + 3) // 4) * block))
        pf = struct.pack("<II4s5I", 32, 0x4, fourcc, 0, 0, 0, 0, 0)
    else:
        body = bytes((i * 13) & 0xFF for i in range(w * h * 4))
        pf = struct.pack("<II4s5I", 32, 0x41, b"\0\0\0\0", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
    head = struct.pack("<7I", 124, 0x100F, h, w, w * 4, 0, 1) + bytes(44) + pf + bytes(20)
    return b"DDS " + head + body


def tga(w, h):
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, w, h, 32, 0x20)
    return head + bytes((i * 17) & 0xFF for i in range(w * h * 4))


def wav(frames, channels=1):
    data = b"".join(struct.pack("<h", ((i * 600) % 20000) - 10000) for i in range(frames * channels))
    fmt = struct.pack("<HHIIHH", 1, channels, 22050, 22050 * 2 * channels, 2 * channels, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(data)) + data)


def mod():
    out = b"fuzz seed module".ljust(20, b"\0")
    sample_len = 64  # in words
    out += b"square".ljust(22, b"\0") + struct.pack(">HBBHH", sample_len, 0, 64, 0, sample_len)
    for _ in range(30):
        out += b"\0" * 22 + struct.pack(">HBBHH", 0, 0, 0, 0, 1)
    out += bytes([1, 127]) + bytes(128) + b"M.K."
    pattern = bytearray(64 * 4 * 4)
    for row in range(0, 64, 4):
        period = 428 if row % 8 == 0 else 320
        cell = bytes([0x00 | (period >> 8), period & 0xFF, 0x10, 0x00])
        pattern[row * 16:row * 16 + 4] = cell
    out += bytes(pattern)
    out += bytes(([100] * 16 + [156] * 16) * (sample_len * 2 // 32))
    return out


def zips():
    seeds = {}
    for name, method in (("stored", zipfile.ZIP_STORED), ("deflated", zipfile.ZIP_DEFLATED)):
        b = io.BytesIO()
        with zipfile.ZipFile(b, "w", method) as z:
            z.writestr("data/hello.txt", "hello from the pack\n")
            z.writestr("DATA\\Upper.TXT", "x" * 300)
            z.writestr("empty.txt", "")
        seeds[name] = b.getvalue()
    if shutil.which("zip"):
        with tempfile.TemporaryDirectory() as t:
            with open(os.path.join(t, "secret.txt"), "w") as f:
                f.write("a secret entry\n" * 4)
            subprocess.run(["zip", "-q", "-P", "secret", "locked.zip", "secret.txt"], cwd=t, check=True)
            with open(os.path.join(t, "locked.zip"), "rb") as f:
                seeds["locked"] = f.read()
    return seeds


def main():
    data_dir = sys.argv[1] if len(sys.argv) > 1 else None

    put("script", "all_kinds.res",
        '; every kind of block\n'
        'Resource "file" { filename = "fuzz_seed.txt" resgroup = 1 }\n'
        'Texture "tex" { filename = "data\\world.png" mipmap = false resgroup = 2 }\n'
        'Sound "snd" { filename = "data\\click1.wav" }\n'
        'Music "mus" { filename = "tune.mod" amplify = 50 }\n'
        'Stream "str" { filename = "data\\tune1.ogg" }\n'
        'Target "rt" { size = 64, 32 zbuffer = true }\n'
        'Sprite "sprite" { texture = "tex" rect = 0, 0, 16, 16 hotspot = 8, 8 blendmode = COLORADD, ALPHABLEND, ZWRITE color = FF00FF00 z = 0.5 flip = true, false }\n'
        'Sprite "child" : "sprite" { rect = 16, 16, 8, 8 }\n'
        'Animation "anim" { texture = "tex" rect = 0, 0, 16, 16 frames = 4 fps = 8.5 mode = FORWARD, LOOP }\n'
        'Font "font" { filename = "data\\c64.fnt" tracking = 1 spacing = 1.5 scale = 2 }\n'
        'Particle "ps" { filename = "ps.psi" sprite = "sprite" fps = 30 }\n'
        'Distortion "dm" { texture = "tex" rect = 0, 0, 32, 32 mesh = 4, 4 }\n'
        'StringTable "st" { filename = "strings.txt" }\n'
        'Include "missing.res"\n')
    put("script", "errors.res", 'Texture "t" { filename = }\nSprite "s" : "nothing" { rect = 1 }\n"unterminated\n{ }\n')
    put("font", "small.fnt", '[ZEVFONT]\r\nBitmap = data\\c64.png\r\nChar = "a", 0, 0, 8, 10, 0, 1\r\nChar = 62, 8, 0, 8, 10, -1, 1\r\nChar = 3F, 40, 0, 6, 4, 0, 0\r\n')
    put("font", "nobitmap.fnt", '[ZEVFONT]\nChar = " ", 0, 0, 4, 8, 0, 0\nChar = "A", 8, 8, 8, 8, 1, 1\n')
    put("stringtable", "table.txt", '[ZEVSTRINGTABLE]\nname = "value"\n; comment\nother="line one\\nline two"\nquoted = "with \\"quotes\\""\n')
    put("stringtable", "bad.txt", '[ZEVSTRINGTABLE]\nname "no equals"\n= "no name"\nopen = "never closed\n')
    rec = struct.pack("<I", 0) + struct.pack("<i", 120) + struct.pack("<7f", -1.0, 0.5, 1.5, 0.0, 3.14, 0.0, 0.0)
    rec = rec[:36] + struct.pack("<I", 1) + struct.pack("<16f", 50, 100, -10, 10, 0, 0, 0, 0, 4, 1, 0.2, 0, 6.28, 0.1, 1, 0) 
    rec = (rec + bytes(128))[:128]
    put("particle", "fountain.psi", rec)
    put("particle", "zeros.psi", bytes(128))
    put("ini", "plain.ini", "[section]\nkey=value\nnumber = 42\nfloat=3.5\n\n[other]\nquoted=\"  spaced  \"\nkey=second\n")
    put("ini", "odd.ini", "key before section\n[ broken\n[]\n=empty key\n[SECTION]\nKEY=case\n")
    for name, data in zips().items():
        put("pack", name, b"\1" + data if name == "locked" else b"\0" + data)
    put("image", "tiny.png", png(4, 3, [(i * 23) & 0xFF for i in range(4 * 3 * 4)]))
    # Four colours, the first two with an alpha, and index 4 past the palette.
    put("image", "tiny_indexed.png", png_indexed(5, 3, [(0, 0, 0), (255, 0, 0), (0, 128, 255), (9, 9, 9)], [0, 128],
                                                 [(i * 7) % 5 for i in range(5 * 3)]))
    # The gamma applied, also with a colour-space chunk libpng drops as invalid.
    put("image", "gamma_only.png", png_rgb_gamma([]))
    put("image", "gamma_bad_srgb_intent.png", png_rgb_gamma([(b"sRGB", b"\4")]))
    put("image", "gamma_bad_chrm.png", png_rgb_gamma([(b"cHRM", bytes(32))]))
    put("image", "gamma_twice.png", png_rgb_gamma([(b"gAMA", struct.pack(">I", 100000))]))
    put("image", "tiny24.bmp", bmp(5, 3, 24))
    put("image", "tiny32.bmp", bmp(2, 2, 32))
    put("image", "tiny8.bmp", bmp(7, 2, 8))
    put("image", "argb.dds", dds(3, 2))
    for code in (b"DXT1", b"DXT3", b"DXT4", b"DXT5"):
        put("image", code.decode().lower() + ".dds", dds(6, 5, code))
    put("image", "top_down.tga", tga(3, 2))
    jpg = "/usr/share/doc/nodejs/thin-white-stripe.jpg"
    if os.path.exists(jpg):
        with open(jpg, "rb") as f:
            put("image", "stripe.jpg", f.read())
    put("sound", "tone.wav", b"\0" + wav(400))
    put("sound", "stereo_loop.wav", b"\1" + wav(300, 2))
    put("sound", "square.mod", b"\0" + mod())

    if data_dir and os.path.isdir(data_dir):
        def copy(target, fname, prefix=b"", limit=None):
            p = os.path.join(data_dir, fname)
            if os.path.exists(p):
                with open(p, "rb") as f:
                    put(target, "data_" + fname, prefix + f.read(limit or -1))
        copy("script", "tamble.res")
        copy("font", "c64.fnt")
        for png_name in ("c64.png", "title.png", "world.png"):
            copy("image", png_name)
        copy("sound", "click1.wav", b"\0")
        copy("sound", "hit1.wav", b"\1")
        copy("sound", "tune1.ogg", b"\0", 12000)  # the head of a stream: headers and first pages


if __name__ == "__main__":
    main()
