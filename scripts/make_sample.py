#!/usr/bin/env python3
"""Writes samples/sample-sheet.vxd: a small map sheet in the document format of
docs/document-format.md (a data frame, roads, buildings with a courtyard, points with labels and
attribute lists). Run from the project root."""
import json, math

arrays, dicts = [], []

def arr(items):
    arrays.append(items)
    return len(arrays) - 1

def field_list(fields):
    # [name, type, width, decimals, value]; type 0 text, 1 integer, 2 real
    rows = [arr([{"string": n}, {"int": t}, {"int": w}, {"int": d}, {"string": v}]) for n, t, w, d, v in fields]
    dicts.append({"Varnox-ShapeField": {"array": arr([{"array": r} for r in rows])}})
    return len(dicts) - 1

def style(fill=None, stroke=(0, 0, 0, 1), width=1.0):
    return {"fill": {"cmyk": list(fill)} if fill else None, "fillOverprint": False,
            "stroke": {"cmyk": list(stroke)} if stroke else None, "strokeOverprint": False,
            "width": width, "dashes": [], "dashOffset": 0, "cap": 0, "join": 0, "miterLimit": 4,
            "evenOdd": False}

def path(points, closed, st, attrs=None):
    p = {"kind": "path", "points": [c for pt in points for c in pt], "closed": closed, "style": st}
    if attrs is not None:
        p["dict"] = field_list(attrs)
    return p

def ellipse(cx, cy, r, st, attrs):
    k = 0.5522847498307936 * r
    segs = [(cx, cy + r, cx + k, cy + r, cx - k, cy + r), (cx - r, cy, cx - r, cy + k, cx - r, cy - k),
            (cx, cy - r, cx - k, cy - r, cx + k, cy - r), (cx + r, cy, cx + r, cy - k, cx + r, cy + k)]
    return {"kind": "path", "segments": [c for s in segs for c in s], "corners": "0000", "closed": True,
            "style": st, "dict": field_list(attrs)}

def text(x, y, s, size=9, fill=(0, 0, 0, 1)):
    return {"kind": "text", "frame": 0, "vertical": False, "anchor": [x, y],
            "utf16": [ord(c) for c in s], "fontSize": size, "textFill": {"cmyk": list(fill)},
            "justification": 0}

def layer(title, children, fields=None):
    g = {"kind": "group", "children": children}
    if fields is not None:
        g["dict"] = field_list([(n, t, w, d, "") for n, t, w, d in fields])
    return {"title": title, "visible": True, "editable": True, "group": g}

road = style(stroke=(0.8, 0, 0.5, 0), width=0.5)
bld = style(fill=(0, 0, 0, 0.1), stroke=(0.8, 0, 0.5, 0), width=0.5)
pt = style(stroke=(0, 0, 0, 1), width=1.0)

roads = [
    path([(40, 80), (200, 140), (380, 150), (560, 260)], False, road, [("NAME", 0, 20, 0, "国道1号"), ("WIDTH", 2, 8, 1, "12.5")]),
    path([(120, 40), (150, 300), (170, 520), (240, 760)], False, road, [("NAME", 0, 20, 0, "県道5号"), ("WIDTH", 2, 8, 1, "7.0")]),
]
outer = [(300, 400), (420, 400), (420, 500), (300, 500)]
inner = [(340, 430), (340, 470), (380, 470), (380, 430)]
courtyard = {"kind": "compound", "style": bld, "dict": field_list([("NAME", 0, 20, 0, "市役所"), ("FLOORS", 1, 4, 0, "5")]),
             "children": [path(outer, True, bld), path(inner, True, bld)]}
buildings = [courtyard, path([(450, 300), (520, 300), (520, 350), (450, 350)], True, bld, [("NAME", 0, 20, 0, "図書館"), ("FLOORS", 1, 4, 0, "2")])]
points = []
for name, (x, y) in [("東京駅", (200, 600)), ("日比谷", (260, 560)), ("大手町", (230, 650))]:
    points.append(ellipse(x, y, 1.25, pt, [("NAME", 0, 20, 0, name)]))
    points.append(text(x + 4, y - 3, name))

frame = text(306, 396, "G=JGD|P=XY9|X=-5000.000000|Y=-35000.000000|S=25000|R=0.000000", 6, (0, 0, 0, 0.5))
doc = {
    "format": "vxshape-document", "version": 1, "bounds": [0, 792, 612, 0], "currentLayer": 1,
    "layers": [
        {"title": "Varnox-Shape DataFrame", "visible": True, "editable": True, "group": {"kind": "group", "children": [frame]}},
        layer("地点", points, [("NAME", 0, 20, 0)]),
        layer("建物", buildings, [("NAME", 0, 20, 0), ("FLOORS", 1, 4, 0)]),
        layer("道路", roads, [("NAME", 0, 20, 0), ("WIDTH", 2, 8, 1)]),
    ],
    "arrays": arrays, "dictionaries": dicts,
}
with open("samples/sample-sheet.vxd", "w", encoding="utf-8") as f:
    json.dump(doc, f, ensure_ascii=False, indent=1)
    f.write("\n")
