#!/usr/bin/env python3
"""Checks atlases against zud2avuze's pictures and lines, with Pillow.

For each case an atlas is built with qz-atlas and zud2avuze is run with
the same options at a sample of time settings; every map's picture at
those settings, put together from the atlas's base and bands (PNG files
held in its picture files), must decode
to the same pixels as zud2avuze's BMP, and the placement lines kept in
atlas.json must be the lines zud2avuze printed.

usage: check_atlas_pictures.py QZ_ATLAS ZUD2AVUZE MAKE_DEMO_DISKS
"""
import base64
import io
import json
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

from PIL import Image

DISKS = ["qz-program.dsk", "qz-castle.dsk", "qz-dwelling.dsk", "qz-keep.dsk", "qz-towne.dsk"]


def bmp_bytes(width, height, bits, rows, palette):
    """An uncompressed BMP written from the file layout (rows from the top,
    each already packed); palette as 0x00RRGGBB numbers."""
    stride = ((width * bits + 31) // 32) * 4
    body = b"".join(r.ljust(stride, b"\0") for r in reversed(rows))
    table = b"".join(struct.pack("<I", c) for c in palette)
    offset = 54 + len(table)
    header = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", offset + len(body), 0, 0, offset, 40, width,
                         height, 1, bits, 0, len(body), 0, 0, 0, 0)
    return header + table + body


def shape_sheet(path, bits, tile_w, tile_h, seed):
    """A sheet of 16 x 32 tiles whose pixels vary by tile and place."""
    rnd = random.Random(seed)
    width, height = 16 * tile_w, 32 * tile_h
    tile_colour = [rnd.getrandbits(32) for _ in range(512)]
    rows = []
    for y in range(height):
        values = [(tile_colour[(y // tile_h) * 16 + x // tile_w] >> ((x + y) % 7)) for x in range(width)]
        if bits == 1:
            row = bytearray((width + 7) // 8)
            for x, v in enumerate(values):
                row[x // 8] |= (v & 1) << (7 - x % 8)
        elif bits == 4:
            row = bytearray((width + 1) // 2)
            for x, v in enumerate(values):
                row[x // 2] |= (v & 15) << (4 if x % 2 == 0 else 0)
        else:
            row = b"".join(struct.pack("<I", v & 0xFFFFFFFF)[: bits // 8] for v in values)
        rows.append(bytes(row))
    palette = [rnd.getrandbits(24) for _ in range(1 << bits)] if bits <= 8 else []
    with open(path, "wb") as f:
        f.write(bmp_bytes(width, height, bits, rows, palette))


def run(args, cwd):
    result = subprocess.run(args, cwd=cwd, capture_output=True)
    if result.returncode != 0:
        raise SystemExit("%s failed (%d): %s" % (args[0], result.returncode, result.stderr.decode()))
    return result.stdout.decode()


def picture_file(folder, name, cache={}):
    """The PNG files a picture file holds, one a line between its first
    line (which names the file) and its last."""
    path = os.path.join(folder, name)
    if path not in cache:
        with open(path, encoding="ascii") as f:
            lines = f.read().split("\n")
        assert lines[0] == 'QZ_PICTURES(%s,[' % json.dumps(name) and lines[-2:] == ["]);", ""], name
        prefix = '"data:image/png;base64,'
        pngs = []
        for line in lines[1:-2]:
            line = line.rstrip(",")
            assert line.startswith(prefix) and line.endswith('"'), name
            pngs.append(base64.b64decode(line[len(prefix):-1], validate=True))
        cache[path] = pngs
    return cache[path]


def atlas_picture(folder, atlas, pieces):
    def piece(p):
        entry = atlas["pieces"][p]
        png = picture_file(folder, entry["file"])[entry["position"]]
        return entry, Image.open(io.BytesIO(png)).convert("RGB")

    _, picture = piece(pieces[0])
    assert picture.size == (atlas["picture"]["width"], atlas["picture"]["height"])
    for p in pieces[1:]:
        band, part = piece(p)
        assert part.size == (picture.width, band["height"]), band
        assert band["y"] % atlas["picture"]["tile_height"] == 0, band
        picture.paste(part, (0, band["y"]))
    return picture


def check_case(tools, work, name, options, times):
    qz_atlas, zud2avuze = tools
    disks = []
    for slot, disk in enumerate(DISKS):
        disks += ["-d%d" % (slot + 1), os.path.join(work, "disks", disk)]
    folder = os.path.join(work, name)
    run([qz_atlas] + disks + options + ["-o", folder], work)
    with open(os.path.join(folder, "atlas.json"), encoding="utf-8") as f:
        atlas = json.load(f)
    with open(os.path.join(folder, "atlas-data.js"), encoding="utf-8") as f:
        script = f.read()
    prefix, suffix = "window.QZ_ATLAS = JSON.parse('", "');\n"
    assert script.startswith(prefix) and script.endswith(suffix), name
    held = re.sub(r"\\(.)", r"\1", script[len(prefix):-len(suffix)])
    assert json.loads(held) == atlas, name

    failures = []
    for time in times:
        out = os.path.join(work, name + "-" + time)
        os.mkdir(out)
        when = ["--default"] if time == "default" else ["-h", time]
        printed = run([zud2avuze, "--overwrite"] + disks + options + when, out)
        expected = "".join("[%s]\n%s" % (m["name"], m["times"][time]["lines"]) for m in atlas["maps"])
        if printed != expected:
            failures.append("%s at %s: the placement lines differ" % (name, time))
        for m in atlas["maps"]:
            bmp = m["stem"] + ("" if time == "default" else ".%02d" % int(time)) + ".bmp"
            reference = Image.open(os.path.join(out, bmp)).convert("RGB")
            if atlas_picture(folder, atlas, m["times"][time]["picture"]).tobytes() != reference.tobytes():
                failures.append("%s: %s at %s differs from %s" % (name, m["stem"], time, bmp))
    return failures


def main():
    qz_atlas, zud2avuze, make_disks = (os.path.abspath(p) for p in sys.argv[1:4])
    with tempfile.TemporaryDirectory() as work:
        run([make_disks, os.path.join(work, "disks")], work)
        cases = [
            ("sharp", [], ["0", "4", "5", "12", "19", "20", "default"]),
            ("retouch", ["-B", "-B"], ["3", "13", "default"]),
            ("soft-no-pose", ["-B", "-p", "-T"], ["21", "default"]),
        ]
        for bits, tile_w, tile_h in [(1, 5, 3), (4, 7, 5), (8, 4, 4), (16, 3, 3), (24, 6, 5), (32, 4, 3)]:
            sheet = os.path.join(work, "sheet%d.bmp" % bits)
            shape_sheet(sheet, bits, tile_w, tile_h, bits)
            cases.append(("sheet%d" % bits, ["-s", sheet, "-B", "-B", "-K"], ["2", "default"]))
        failures = []
        for name, options, times in cases:
            failures += check_case((qz_atlas, zud2avuze), work, name, options, times)
    for failure in failures:
        print(failure)
    print("%d cases, %d failures" % (len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
