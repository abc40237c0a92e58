"""Independent check of a written DXF file with ezdxf.

Usage: dxf_ezdxf_check.py FILE

Loads the file in the code page its header declares (a line CODEPAGE with
the declared name), runs the audit and prints one line per finding and per
entity of the model space, with block insertions expanded into world
coordinates (recursively), so that a test can compare what was drawn with
what a conforming reader sees. Numbers have 4 decimals.
"""
import math
import sys

import ezdxf
from ezdxf.math import bulge_to_arc


def n(v):
    if abs(v) < 5e-5:
        v = 0.0
    return "%.4f" % v


def ang(a):
    a = math.fmod(a, 360.0)
    if a < -5e-5:
        a += 360.0
    if abs(a - 360.0) < 5e-5:
        a = 0.0
    return n(a)


def arc_mid(cx, cy, r, start_deg, end_deg):
    span = (end_deg - start_deg) % 360.0
    m = math.radians(start_deg + span / 2)
    return cx + r * math.cos(m), cy + r * math.sin(m)


def dump(e, indent=""):
    t = e.dxftype()
    layer = e.dxf.layer
    if t == "LINE":
        s, d = e.dxf.start, e.dxf.end
        print(f"{indent}LINE {n(s.x)} {n(s.y)} {n(d.x)} {n(d.y)} {layer}")
    elif t == "CIRCLE":
        c = e.dxf.center
        print(f"{indent}CIRCLE {n(c.x)} {n(c.y)} {n(e.dxf.radius)} {layer}")
    elif t == "ARC":
        c = e.dxf.center
        ex = e.dxf.get("extrusion", (0, 0, 1))
        mx, my = arc_mid(c.x, c.y, e.dxf.radius, e.dxf.start_angle, e.dxf.end_angle)
        if ex[2] < 0:  # a reader that honours the normal mirrors x
            mx = -mx
        print(f"{indent}ARC {n(c.x)} {n(c.y)} {n(e.dxf.radius)} {ang(e.dxf.start_angle)} "
              f"{ang(e.dxf.end_angle)} mid {n(mx)} {n(my)} normalz {n(ex[2])} {layer}")
    elif t == "TEXT":
        p = e.dxf.insert
        print(f"{indent}TEXT '{e.dxf.text}' {n(p.x)} {n(p.y)} h={n(e.dxf.height)} "
              f"w={n(e.dxf.width)} a={ang(e.dxf.rotation)} style={e.dxf.style} {layer}")
    elif t == "SOLID":
        pts = [e.dxf.get(k) for k in ("vtx0", "vtx1", "vtx2", "vtx3")]
        print(f"{indent}SOLID " + " ".join(f"{n(p.x)} {n(p.y)}" for p in pts) + f" {layer}")
    elif t == "POLYLINE":
        pts = list(e.vertices)
        print(f"{indent}POLYLINE {len(pts)} closed={int(e.is_closed)} {layer}")
        for i, v in enumerate(pts):
            loc = v.dxf.location
            b = v.dxf.get("bulge", 0.0)
            print(f"{indent}  VERTEX {n(loc.x)} {n(loc.y)} bulge={n(b)}")
            if b and i + 1 < len(pts):
                nxt = pts[i + 1].dxf.location
                c, sa, ea, r = bulge_to_arc(loc, nxt, b)
                mx, my = arc_mid(c.x, c.y, r, math.degrees(sa), math.degrees(ea))
                print(f"{indent}  ARCSEG mid {n(mx)} {n(my)} r={n(r)}")
    elif t == "INSERT":
        p = e.dxf.insert
        print(f"{indent}INSERT {e.dxf.name} {n(p.x)} {n(p.y)} sx={n(e.dxf.xscale)} "
              f"sy={n(e.dxf.yscale)} a={ang(e.dxf.rotation)} {layer}")
        for v in e.virtual_entities():
            dump(v, indent + "  ")
    else:
        print(f"{indent}{t} {layer}")


def declared_codepage(path):
    """The value of $DWGCODEPAGE in the header ("ANSI_1252"), or None."""
    lines = [line.strip() for line in open(path, "rb").read().split(b"\n")]
    for i, line in enumerate(lines[:-2]):
        if line == b"$DWGCODEPAGE":
            return lines[i + 2].decode("ascii", "replace")
    return None


def main():
    # This ezdxf knows only the Windows code pages by name and reads any
    # other (ANSI_850) as Windows-1252: the declared page is handed over.
    codepage = declared_codepage(sys.argv[1])
    print(f"CODEPAGE {codepage}")
    encoding = None
    if codepage and codepage.startswith("ANSI_") and codepage[5:].isdigit():
        encoding = "cp" + codepage[5:]
    doc = ezdxf.readfile(sys.argv[1], encoding=encoding)
    auditor = doc.audit()
    print(f"AUDIT errors={len(auditor.errors)} fixes={len(auditor.fixes)}")
    for err in auditor.errors:
        print(f"AUDIT-ERROR {err.code} {err.message}")
    for layer in doc.layers:
        print(f"LAYER {layer.dxf.name} {layer.dxf.color} {layer.dxf.linetype}")
    for block in doc.blocks:
        if not block.name.startswith("*"):
            print(f"BLOCK {block.name} {len(block)}")
    for e in doc.modelspace():
        dump(e)


if __name__ == "__main__":
    main()
