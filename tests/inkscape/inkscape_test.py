#!/usr/bin/env python3
"""vxshape's SVG documents with the real Inkscape: an import into a sheet Inkscape wrote, Inkscape
listing, drawing, moving and saving it, and the export of what Inkscape saved.

Usage: inkscape_test.py VXSHAPE SOURCE_DIR CASE (round-trip, moved-layer, extensions)."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

VX, SRC, CASE = sys.argv[1], sys.argv[2], sys.argv[3]
SAMPLES = os.path.join(SRC, "samples")
FIXTURE = os.path.join(SRC, "tests", "inkscape", "data", "inkscape-sheet.svg")
SCALE = 25000
MM_ON_GROUND = 0.001  # metres: what a round trip may move a vertex

work = tempfile.mkdtemp(prefix="vx-inkscape-")
# Inkscape keeps its preferences and extensions under HOME: a fresh one for each run.
env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, ".config"),
           VXSHAPE_PREFERENCES=os.path.join(work, "prefs.json"))
failures = []


def run(*args, check=True):
    p = subprocess.run(args, cwd=work, env=env, capture_output=True, text=True, timeout=120)
    if check and p.returncode != 0:
        raise SystemExit(f"{' '.join(args)} failed ({p.returncode}):\n{p.stdout}\n{p.stderr}")
    return p


def expect(cond, what):
    if not cond:
        failures.append(what)
        print("FAILED:", what)


def path(name):
    return os.path.join(work, name)


def import_samples(doc):
    run(VX, "import-shp", doc, *(os.path.join(SAMPLES, n + ".shp") for n in ("roads", "blocks", "stations")),
        "--encoding", "auto", "--from", "auto", "--map", "JGD:XY9", "--scale", str(SCALE), "--north")


def inkscape_save(src, dst, actions=""):
    run("inkscape", src, f"--actions={actions}export-filename:{dst};export-plain-svg:false;export-do")


def export(doc, out, layer):
    run(VX, "export-shp", doc, out, "--layer", layer, "--type", "line" if layer != "stations" else "point")
    return run("ogrinfo", "-al", "-q", out).stdout


NUMBER = re.compile(r"-?\d+\.?\d*(?:e[-+]?\d+)?")


def features(ogr_text):
    """The records as GDAL reads them: values as text, coordinates as numbers."""
    out = []
    for line in ogr_text.splitlines():
        line = line.strip()
        if not line or line.startswith(("Layer name", "Metadata", "DBF_DATE", "OGRFeature")):
            continue
        if re.match(r"^(MULTI)?(POINT|LINESTRING|POLYGON)", line):
            out.append(("geometry", [float(x) for x in NUMBER.findall(line)]))
        else:
            out.append(("value", line))
    return out


def compare(a, b, what, shift=(0.0, 0.0)):
    fa, fb = features(a), features(b)
    expect(len(fa) > 0 and len(fa) == len(fb), f"{what}: {len(fa)} lines against {len(fb)}")
    worst = 0.0
    for (ka, va), (kb, vb) in zip(fa, fb):
        if ka == "value" or kb == "value":
            expect(va == vb, f"{what}: {va!r} against {vb!r}")
            continue
        if len(va) != len(vb):
            expect(False, f"{what}: {len(va)} numbers against {len(vb)}")
            continue
        for i, (x, y) in enumerate(zip(va, vb)):
            worst = max(worst, abs(x + shift[i % 2] - y))
    expect(worst <= MM_ON_GROUND, f"{what}: coordinates differ by {worst} m")
    return worst


def sheet():
    doc = path("sheet.svg")
    shutil.copy(FIXTURE, doc)
    import_samples(doc)
    return doc


def layer_id(doc, title):
    for el in ET.parse(doc).iter("{http://www.w3.org/2000/svg}g"):
        if el.get("{http://www.inkscape.org/namespaces/inkscape}label") == title:
            return el.get("id")
    raise SystemExit(f"{doc}: no layer {title}")


def unknown_content(doc):
    """The fixture's own elements, as text: what the host does not understand."""
    root = ET.parse(doc).getroot()
    keep = {}
    for el in root.iter():
        i = el.get("id")
        if i in ("frame", "use1", "image1", "curve", "defs1", "metadata1", "title1", "dot", "label1"):
            keep[i] = ET.tostring(el)
    return keep


if CASE == "round-trip":
    # shapefile -> SVG (vxshape) -> Inkscape save -> shapefile, against the .vxd path.
    doc = sheet()
    vxd = path("sheet.vxd")
    run(VX, "new", vxd, "--size", "841.8897637795276x595.2755905511812")
    import_samples(vxd)
    saved = path("saved.svg")
    inkscape_save(doc, saved)
    expect(unknown_content(FIXTURE) == unknown_content(saved), "content the host does not understand changed")
    for layer in ("roads", "blocks", "stations"):
        a = export(vxd, path(f"{layer}-vxd.shp"), layer)
        b = export(saved, path(f"{layer}-svg.shp"), layer)
        worst = compare(a, b, f"{layer}: .vxd path against Inkscape's save")
        print(f"{layer}: largest difference {worst:.3g} m")
    # Inkscape reads the sheet: every layer and object, and draws it.
    listing = run("inkscape", "--query-all", saved).stdout
    ids = {line.split(",")[0] for line in listing.splitlines()}
    for title in ("roads", "blocks", "stations", "背景"):
        expect(layer_id(saved, title) in ids, f"--query-all does not list layer {title}")
    expect(len(ids) > 30, f"--query-all lists only {len(ids)} objects")
    png = path("sheet.png")
    run("inkscape", saved, "--export-type=png", f"--export-filename={png}", "--export-dpi=96")
    expect(os.path.getsize(png) > 10000, "the drawing is empty")
    if os.environ.get("VX_KEEP"):
        shutil.copy(png, os.environ["VX_KEEP"])

elif CASE == "moved-layer":
    # Inkscape moves the roads layer by (10, 5) px (1/96 inch); the export moves by that on the ground.
    doc = sheet()
    before = export(doc, path("before.shp"), "roads")
    moved = path("moved.svg")
    inkscape_save(doc, moved, f"select-by-id:{layer_id(doc, 'roads')};transform-translate:10,5;")
    after = export(moved, path("after.shp"), "roads")
    metres = 10 * 25.4 / 96 / 1000 * SCALE  # 10 px on paper
    # Inkscape's y grows downward: 5 px down is south, x on the map is east.
    compare(before, after, "moved roads", shift=(metres, -metres / 2))
    # Nothing else moved.
    compare(export(doc, path("b1.shp"), "blocks"), export(moved, path("b2.shp"), "blocks"), "blocks")

elif CASE == "extensions":
    config = os.path.join(work, ".config", "inkscape")
    run("bash", os.path.join(SRC, "scripts", "install-inkscape.sh"), "--vxshape", VX, "--to",
        os.path.join(config, "extensions"))
    # The dialogs' choices as Inkscape remembers them: the import of the samples, and an export
    # of every layer as polylines, one file a layer.
    exported = path("exported")
    os.makedirs(exported)
    prefs = ET.Element("inkscape", {"version": "1"})
    ET.SubElement(prefs, "group", {
        "id": "extensions",
        "vxshape.import_shp.file": "|".join(os.path.join(SAMPLES, n + ".shp") for n in ("roads", "blocks", "stations")),
        "vxshape.import_shp.scale": str(SCALE),
        "vxshape.export_shp.target": "all",
        "vxshape.export_shp.type": "line",
        "vxshape.export_shp.per_layer": "true",
        "vxshape.export_shp.folder": exported,
    })
    ET.ElementTree(prefs).write(os.path.join(config, "preferences.xml"), encoding="utf-8", xml_declaration=True)
    doc = path("blank.svg")
    shutil.copy(FIXTURE, doc)
    out = path("imported.svg")
    # Inside Inkscape with its window, on a virtual display; an effect needs something selected.
    env["NO_AT_BRIDGE"] = "1"
    p = run("xvfb-run", "-a", "inkscape", "--with-gui", "--batch-process", doc,
            "--actions=select-all:all;vxshape.import-shp.noprefs;vxshape.export-shp.noprefs;"
            f"export-filename:{out};export-plain-svg:false;export-do", check=False)
    expect(os.path.exists(out), f"Inkscape saved nothing:\n{p.stderr[-2000:]}")
    if os.path.exists(out):
        text = open(out, encoding="utf-8").read()
        expect('inkscape:label="roads"' in text, "the import extension added no roads layer")
        expect(unknown_content(FIXTURE) == unknown_content(out), "the import changed what it did not make")
    shp = sorted(f for f in os.listdir(exported) if f.endswith(".shp"))
    expect({"roads.shp", "blocks.shp", "stations.shp"} <= set(shp), f"the export extension wrote {shp}:\n{p.stderr[-2000:]}")
    if "roads.shp" in shp:
        # The same records as the command line's export of the same import.
        sheet_doc = sheet()
        compare(export(sheet_doc, path("roads-cli.shp"), "roads"),
                run("ogrinfo", "-al", "-q", os.path.join(exported, "roads.shp")).stdout, "roads from the extension")
else:
    raise SystemExit(f"unknown case {CASE}")

shutil.rmtree(work, ignore_errors=True)
if failures:
    print(f"0 passed, {len(failures)} failed")
    sys.exit(1)
print(f"{CASE}: passed")
