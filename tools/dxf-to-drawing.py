#!/usr/bin/python3
"""Converts a DXF drawing's model space into a drawing file for the drawing server and the tests.

Usage:
    tools/dxf-to-drawing.py DRAWING.dxf [--name 'C:\\drawings\\x.dwg'] > drawing.txt

Needs Debian's python3-ezdxf (apt-get install python3-ezdxf); run it with /usr/bin/python3,
where that package lives.

Writes the entities in the DXF's order, as the CAD application reports them:
  LINE        line x1 y1 x2 y2
  LWPOLYLINE  polyline open|closed x y x y ...
  TEXT        text ALIGNMENT ix iy ax ay TEXTSTRING, after "textheight H" / "textrotation DEG"
              whenever the height or rotation changes (the file starts at 2.5 and 0).
              ALIGNMENT from groups 72/73; a left text (0) reports its alignment point as 0 0.
              \\U+XXXX escapes become the characters; %%d and the other control codes stay.
  MTEXT       mtext ATTACHMENT X Y WIDTH HEIGHT CONTENTS, the contents raw (codes and \\U+ kept).
  CIRCLE      entity CIRCLE cx cy
  SPLINE      entity SPLINE x y (its first control or fit point)
  POLYLINE    entity POLYLINE x y (its first vertex)
Everything else (INSERT, DIMENSION, HATCH, ...) is skipped and counted; entities inside blocks
are not expanded. Counts per kind go to stderr.
"""

import argparse
import collections
import math
import pathlib
import re
import sys

import ezdxf

# AutoCAD's Alignment from DXF 72 (horizontal) and 73 (vertical).
# 73 only counts for left, center and right (72 = 0..2).
def alignment(h, v):
    if not 0 <= h <= 5:
        h = 0
    if h >= 3 or v not in (1, 2, 3):
        return h
    return {3: 6, 2: 9, 1: 12}[v] + h


UNICODE_ESCAPE = re.compile(r"\\[Uu]\+([0-9A-Fa-f]{4})")


def text_string(raw):
    # Old DXF writes characters outside its code page as \U+XXXX; AutoCAD's TextString has the character.
    return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), raw)


def num(v):
    # repr keeps every digit a double has; -0.0 reads as 0 anyway.
    v = float(v)
    if v == 0:
        v = 0.0
    return repr(v)


def point(p):
    return f"{num(p[0])} {num(p[1])}"


def flat(e):
    # Points are written as x y only: an entity in another plane would be misread.
    ext = e.dxf.get("extrusion", (0, 0, 1))
    return abs(ext[0]) < 1e-12 and abs(ext[1]) < 1e-12 and ext[2] > 0


def convert(path, name, out, err):
    doc = ezdxf.readfile(path)
    written = collections.Counter()
    skipped = collections.Counter()
    warnings = []
    height, rotation = 2.5, 0.0
    print(f"# {pathlib.Path(path).name}, model space, converted by tools/dxf-to-drawing.py", file=out)
    print(f"name {name}", file=out)
    for e in doc.modelspace():
        kind = e.dxftype()
        handle = e.dxf.get("handle", "?")
        if kind in ("LINE", "LWPOLYLINE", "TEXT", "MTEXT", "CIRCLE") and not flat(e):
            warnings.append(f"{kind} {handle}: not in the XY plane, skipped")
            skipped[kind] += 1
            continue
        if kind == "LINE":
            print(f"line {point(e.dxf.start)} {point(e.dxf.end)}", file=out)
        elif kind == "LWPOLYLINE":
            pts = list(e.get_points("xyb"))
            if any(abs(b) > 1e-12 for _, _, b in pts):
                warnings.append(f"LWPOLYLINE {handle}: arc segments written as straight ones")
            if len(pts) < 2:
                warnings.append(f"LWPOLYLINE {handle}: fewer than two vertices, skipped")
                skipped[kind] += 1
                continue
            xy = " ".join(point(p) for p in pts)
            print(f"polyline {'closed' if e.closed else 'open'} {xy}", file=out)
        elif kind == "TEXT":
            a = alignment(e.dxf.get("halign", 0), e.dxf.get("valign", 0))
            ins = e.dxf.insert
            at = e.dxf.get("align_point") if a != 0 else None
            if a != 0 and at is None:
                warnings.append(f"TEXT {handle}: alignment {a} without an alignment point, 0 0 written")
            s = text_string(e.dxf.text)
            if s != s.lstrip(" \t"):
                warnings.append(f"TEXT {handle}: leading blanks, which the drawing file does not keep")
            if "^" in s or any(ord(c) < 32 for c in s):
                warnings.append(f"TEXT {handle}: caret or control characters kept as stored: {s!r}")
            h = float(e.dxf.get("height", 2.5))
            r = float(e.dxf.get("rotation", 0.0))
            if h != height:
                print(f"textheight {num(h)}", file=out)
                height = h
            if r != rotation:
                print(f"textrotation {num(r)}", file=out)
                rotation = r
            # AutoCAD resets a left text's alignment point to the origin.
            print(f"text {a} {point(ins)} {point(at) if at is not None else '0 0'} {s}", file=out)
        elif kind == "MTEXT":
            if abs(e.dxf.get("rotation", 0.0)) > 1e-12 or e.dxf.hasattr("text_direction"):
                warnings.append(f"MTEXT {handle}: rotation not written")
            contents = e.text
            if "\n" in contents or "\r" in contents:
                warnings.append(f"MTEXT {handle}: line breaks written as \\P")
                contents = contents.replace("\r", "").replace("\n", "\\P")
            print(f"mtext {e.dxf.get('attachment_point', 1)} {point(e.dxf.insert)} "
                  f"{num(e.dxf.get('width', 0.0))} {num(e.dxf.get('char_height', 2.5))} {contents}", file=out)
        elif kind == "CIRCLE":
            print(f"entity CIRCLE {point(e.dxf.center)}", file=out)
        elif kind == "SPLINE":
            pts = list(e.control_points) or list(e.fit_points)
            if not pts:
                skipped[kind] += 1
                continue
            print(f"entity SPLINE {point(pts[0])}", file=out)
        elif kind == "POLYLINE":
            pts = list(e.points())
            if not pts:
                skipped[kind] += 1
                continue
            print(f"entity POLYLINE {point(pts[0])}", file=out)
        else:
            skipped[kind] += 1
            continue
        written[kind] += 1
    for w in warnings:
        print(f"warning: {w}", file=err)
    for kind, n in sorted(written.items()):
        print(f"written {kind} {n}", file=err)
    for kind, n in sorted(skipped.items()):
        print(f"skipped {kind} {n}", file=err)
    # What the skipped block references would have brought in.
    inner = collections.Counter()
    for ins in doc.modelspace().query("INSERT"):
        for sub in doc.blocks[ins.dxf.name]:
            inner[sub.dxftype()] += 1
    for kind, n in sorted(inner.items()):
        print(f"skipped inside block references {kind} {n}", file=err)
    return written, skipped


def main():
    p = argparse.ArgumentParser(description="DXF model space to drawing file")
    p.add_argument("dxf")
    p.add_argument("--name", help="the document's FullName (default C:\\drawings\\STEM.dwg)")
    args = p.parse_args()
    name = args.name or "C:\\drawings\\" + pathlib.Path(args.dxf).stem + ".dwg"
    sys.stdout.reconfigure(encoding="utf-8", newline="\n")
    convert(args.dxf, name, sys.stdout, sys.stderr)


if __name__ == "__main__":
    main()
