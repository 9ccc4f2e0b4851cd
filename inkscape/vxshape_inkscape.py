#!/usr/bin/env python3
"""Runs vxshape's commands on the document Inkscape hands over and gives the changed document back.

Each .inx beside this file names a command (its hidden parameter "command"); the dialog's choices
arrive as options. vxshape works on a copy of Inkscape's document; a refusal is shown in Inkscape's
message box and leaves the document as it was."""
import os
import subprocess
import sys
import tempfile

# Inkscape starts extensions with the first python3 on PATH, which may lack inkex's libraries;
# the system's own has them (Debian: python3-lxml).
try:
    import lxml  # noqa: F401
    import cssselect  # noqa: F401
except ImportError:
    if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3") and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

sys.path.append("/usr/share/inkscape/extensions")
import inkex  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
INKSCAPE_NS = "http://www.inkscape.org/namespaces/inkscape"
# Elements the host sees as art (host/svg_document.cpp); others are not counted in positions.
ART = {"g", "path", "rect", "circle", "ellipse", "line", "polyline", "polygon", "text", "use", "image",
       "foreignObject", "switch", "a", "svg", "flowRoot"}


def vxshape_program():
    """The vxshape that scripts/install-inkscape.sh recorded, else the one on PATH."""
    conf = os.path.join(HERE, "vxshape.conf")
    if os.path.exists(conf):
        with open(conf, encoding="utf-8") as f:
            path = f.read().strip()
        if path:
            return path
    return "vxshape"


def system(datum, coords, zone, utm):
    """A coordinate system as vxshape names it: JGD:XY9, TKY:BL, JGD:UTM54."""
    d = "TKY" if datum == "tokyo" else "JGD"
    if coords == "xy":
        return f"{d}:XY{zone}"
    if coords == "utm":
        return f"{d}:UTM{utm}"
    return f"{d}:BL"


def is_layer(el):
    return el.get(f"{{{INKSCAPE_NS}}}groupmode") == "layer"


def local(el):
    tag = el.tag if isinstance(el.tag, str) else ""
    return tag.rsplit("}", 1)[-1]


def selection_args(svg, ids):
    """Inkscape's selection as vxshape's --select TITLE:positions (topmost 0 in its layer)."""
    picked = {}
    for i in ids:
        el = svg.getElementById(i)
        # Up to the art that sits directly in a layer.
        while el is not None and el.getparent() is not None and not is_layer(el.getparent()):
            el = el.getparent()
        if el is None or el.getparent() is None or is_layer(el):
            continue
        layer = el.getparent()
        art = [c for c in layer if local(c) in ART and not is_layer(c)]
        pos = len(art) - 1 - art.index(el)
        picked.setdefault(layer.get(f"{{{INKSCAPE_NS}}}label") or layer.get("id"), set()).add(pos)
    args = []
    for title, positions in picked.items():
        args += ["--select", f"{title}:{','.join(str(p) for p in sorted(positions))}"]
    if not args:
        raise inkex.AbortExtension("オブジェクトが選択されていません")
    return args


class VxShape(inkex.EffectExtension):
    def add_arguments(self, pars):
        add = pars.add_argument
        add("--command", default="")
        add("--tab", default="")
        # Imports
        add("--file", default="")
        add("--encoding", default="sjis")
        add("--file_datum", default="jgd")
        add("--file_coords", default="xy")
        add("--file_zone", type=int, default=9)
        add("--file_utm", type=int, default=54)
        add("--file_auto", type=inkex.Boolean, default=True)
        add("--map_datum", default="jgd")
        add("--map_projection", default="xy")
        add("--map_zone", type=int, default=9)
        add("--map_utm", type=int, default=54)
        add("--scale", type=int, default=25000)
        add("--north", type=inkex.Boolean, default=True)
        add("--limit", type=inkex.Boolean, default=False)
        add("--northwest", default="")
        add("--southeast", default="")
        add("--header", type=inkex.Boolean, default=True)
        add("--separator", default="auto")
        # Exports
        add("--target", default="current")
        add("--layer", default="")
        add("--type", default="point")
        add("--text_field", type=inkex.Boolean, default=False)
        add("--layer_field", type=inkex.Boolean, default=False)
        add("--convert", type=inkex.Boolean, default=False)
        add("--out_datum", default="jgd")
        add("--out_coords", default="bl")
        add("--out_zone", type=int, default=9)
        add("--out_utm", type=int, default=54)
        add("--per_layer", type=inkex.Boolean, default=False)
        add("--out_file", default="")
        add("--folder", default="")
        # The panel's commands
        add("--field", default="")
        add("--value", default="")
        add("--widen", type=inkex.Boolean, default=False)
        add("--copy_attributes", type=inkex.Boolean, default=False)
        add("--contains", default="")
        add("--minimum", default="")
        add("--maximum", default="")
        add("--rename", default="")
        add("--field_type", default="keep")
        add("--width", type=int, default=0)
        add("--decimals", type=int, default=-1)
        add("--delete", type=inkex.Boolean, default=False)
        add("--new_field", default="")

    def import_args(self):
        o = self.options
        args = ["--map", system(o.map_datum, o.map_projection, o.map_zone, o.map_utm), "--scale", str(o.scale),
                "--north" if o.north else "--no-north"]
        if o.limit:
            args += ["--range", f"{o.northwest} {o.southeast}"]
        return args

    def file_system(self):
        o = self.options
        return system(o.file_datum, o.file_coords, o.file_zone, o.file_utm)

    def command_line(self, doc):
        o = self.options
        c = o.command
        if c in ("import-shp", "import-text", "import-kml") and not o.file:
            raise inkex.AbortExtension("ファイルを選択してください")
        if c == "import-shp":
            files = [f for f in o.file.split("|") if f]
            return ["import-shp", doc, *files, "--encoding", "auto" if o.file_auto else o.encoding,
                    "--from", "auto" if o.file_auto else self.file_system(), *self.import_args()]
        if c == "import-text":
            args = ["import-text", doc, o.file, "--encoding", o.encoding, "--from", self.file_system(),
                    *self.import_args()]
            if not o.header:
                args.append("--no-header")
            if o.separator == "tab":
                args.append("--tab")
            elif o.separator == "comma":
                args.append("--comma")
            return args
        if c == "import-kml":
            return ["import-kml", doc, o.file, *self.import_args()]
        if c in ("export-shp", "export-text"):
            out = o.folder if o.per_layer else o.out_file
            if not out:
                raise inkex.AbortExtension("書き出し先フォルダの指定" if o.per_layer else "ファイルの書き出し")
            args = [c, doc, out, "--target", o.target, "--encoding", o.encoding]
            if c == "export-shp":
                args += ["--type", o.type]
            if o.target == "current" and o.layer:
                args += ["--layer", o.layer]
            if o.per_layer:
                args.append("--per-layer")
            if o.text_field:
                args.append("--text-field")
            if o.layer_field:
                args.append("--layer-field")
            if o.convert:
                args += ["--to", system(o.out_datum, o.out_coords, o.out_zone, o.out_utm)]
            if c == "export-text":
                args.append("--comma" if out.lower().endswith(".csv") else "--tab")
            return args
        select = selection_args(self.svg, self.options.ids)
        if c == "set":
            return ["set", doc, o.value, "--field", o.field, *select] + (["--yes"] if o.widen else [])
        if c == "label":
            return ["label", doc, "--field", o.field, *select] + (["--copy-attributes"] if o.copy_attributes else [])
        if c == "search":
            args = ["search", doc, "--field", o.field, *select]
            return args + (["--contains", o.contains] if o.contains else ["--min", o.minimum, "--max", o.maximum])
        if c == "field":
            if o.new_field:
                return ["field", doc, "--new", o.new_field, *select, "--type",
                        "text" if o.field_type == "keep" else o.field_type] + \
                       (["--width", str(o.width)] if o.width > 0 else [])
            args = ["field", doc, "--field", o.field, *select, "--yes"]
            if o.delete:
                return args + ["--delete"]
            if o.rename:
                args += ["--rename", o.rename]
            if o.field_type != "keep":
                args += ["--type", o.field_type]
            if o.width > 0:
                args += ["--width", str(o.width)]
            if o.decimals >= 0:
                args += ["--decimals", str(o.decimals)]
            return args
        raise inkex.AbortExtension(f"unknown command {c!r}")

    def effect(self):
        with tempfile.TemporaryDirectory(prefix="vxshape-") as folder:
            doc = os.path.join(folder, "document.svg")
            self.document.write(doc)
            p = subprocess.run([vxshape_program(), *self.command_line(doc)], capture_output=True, text=True,
                               encoding="utf-8", errors="replace")
            said = "\n".join(s.strip() for s in (p.stdout, p.stderr) if s.strip())
            if p.returncode != 0:
                # The plug-in's own words, without the program's prefix.
                raise inkex.AbortExtension(said.replace("vxshape: ", "") or f"vxshape: status {p.returncode}")
            if said and self.options.command not in ("import-shp", "import-text", "import-kml"):
                inkex.errormsg(said)
            elif said:
                warnings = [l for l in said.splitlines() if not l.startswith(("--", "layer \"", "読み込み座標の設定"))]
                if warnings:
                    inkex.errormsg("\n".join(warnings))
            self.document = inkex.load_svg(doc)
            self.svg = self.document.getroot()


class OpenShapefile:
    """File > Open of a .shp: a new sheet in points holding that import."""

    def run(self, shp):
        with tempfile.TemporaryDirectory(prefix="vxshape-") as folder:
            doc = os.path.join(folder, "document.svg")
            vx = vxshape_program()
            for args in (["new", doc, "--size", "841.89x595.28"],
                         ["import-shp", doc, shp, "--encoding", "auto", "--from", "auto", "--scale", "25000",
                          "--north"]):
                p = subprocess.run([vx, *args], capture_output=True, text=True, encoding="utf-8", errors="replace")
                if p.returncode != 0:
                    sys.stderr.write(p.stderr.replace("vxshape: ", ""))
                    sys.exit(1)
            with open(doc, "rb") as f:
                sys.stdout.buffer.write(f.read())


if __name__ == "__main__":
    if "--command=open-shp" in sys.argv:
        OpenShapefile().run(sys.argv[-1])
    else:
        VxShape().run()
