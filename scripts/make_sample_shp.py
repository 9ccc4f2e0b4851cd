#!/usr/bin/env python3
"""Writes the sample shapefiles of samples/: roads (lines), blocks (polygons, one with a courtyard
hole) and stations (points), in JGD2000 plane rectangular zone IX (metres, easting/northing), with
Shift-JIS attribute tables holding Japanese names, a .cpg naming code page 932 and a .prj as GIS
tools write it. Needs only Python's standard library; the output is the same on every run.

    python3 scripts/make_sample_shp.py [OUTDIR]      (default: samples)
"""
import os
import struct
import sys

PRJ_ZONE9 = ('PROJCS["JGD_2000_Japan_Zone_9",GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000",'
             'SPHEROID["GRS_1980",6378137.0,298.257222101]],PRIMEM["Greenwich",0.0],'
             'UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],'
             'PARAMETER["False_Easting",0.0],PARAMETER["False_Northing",0.0],'
             'PARAMETER["Central_Meridian",139.833333333333],PARAMETER["Scale_Factor",0.9999],'
             'PARAMETER["Latitude_Of_Origin",36.0],UNIT["Meter",1.0]]')

POINT, POLYLINE, POLYGON = 1, 3, 5


def bbox(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def record_content(shape_type, geom):
    if shape_type == POINT:
        return struct.pack('<idd', POINT, geom[0], geom[1])
    parts = geom
    points = [p for part in parts for p in part]
    out = struct.pack('<i4d2i', shape_type, *bbox(points), len(parts), len(points))
    start = 0
    for part in parts:
        out += struct.pack('<i', start)
        start += len(part)
    for x, y in points:
        out += struct.pack('<2d', x, y)
    return out


def header(shape_type, length_bytes, box):
    return (struct.pack('>7i', 9994, 0, 0, 0, 0, 0, length_bytes // 2) +
            struct.pack('<2i', 1000, shape_type) + struct.pack('<4d', *box) + struct.pack('<4d', 0, 0, 0, 0))


def write_shp(base, shape_type, geoms):
    contents = [record_content(shape_type, g) for g in geoms]
    allpts = [g for g in geoms] if shape_type == POINT else [p for g in geoms for part in g for p in part]
    box = bbox(allpts)
    body, index, offset = b'', b'', 100
    for n, c in enumerate(contents, 1):
        body += struct.pack('>2i', n, len(c) // 2) + c
        index += struct.pack('>2i', offset // 2, len(c) // 2)
        offset += 8 + len(c)
    with open(base + '.shp', 'wb') as f:
        f.write(header(shape_type, 100 + len(body), box) + body)
    with open(base + '.shx', 'wb') as f:
        f.write(header(shape_type, 100 + len(index), box) + index)


def write_dbf(base, fields, rows):
    """fields: (name, type letter, width, decimals); rows: tuples of values (text or number)."""
    names = [n.encode('cp932') for n, _, _, _ in fields]
    reclen = 1 + sum(w for _, _, w, _ in fields)
    hlen = 32 + 32 * len(fields) + 1
    out = struct.pack('<B3BIHH', 3, 126, 1, 1, len(rows), hlen, reclen) + b'\0' * 17 + b'\x13' + b'\0' * 2
    for raw, (_, t, w, d) in zip(names, fields):
        assert len(raw) <= 10
        out += raw.ljust(11, b'\0') + t.encode() + b'\0' * 4 + struct.pack('BB', w, d) + b'\0' * 14
    out += b'\r'
    for row in rows:
        out += b' '
        for v, (_, t, w, d) in zip(row, fields):
            if t == 'C':
                cell = str(v).encode('cp932').ljust(w, b' ')
            else:
                cell = (('%.*f' % (d, v)) if d else ('%d' % v)).encode().rjust(w, b' ')
            assert len(cell) == w, (v, w)
            out += cell
    out += b'\x1a'
    with open(base + '.dbf', 'wb') as f:
        f.write(out)


def sidecars(base):
    with open(base + '.prj', 'w', newline='') as f:
        f.write(PRJ_ZONE9)
    with open(base + '.cpg', 'w', newline='') as f:
        f.write('932\n')


def rect(x0, y0, x1, y1, clockwise):
    ring = [(x0, y0), (x0, y1), (x1, y1), (x1, y0), (x0, y0)]  # clockwise when y grows north
    return ring if clockwise else ring[::-1]


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else 'samples'
    os.makedirs(outdir, exist_ok=True)
    # Around (easting -7000 m, northing -35500 m) of zone IX: central Tokyo.
    roads = [
        [[(-7600.0, -35200.0), (-7300.5, -35260.25), (-7000.0, -35300.0), (-6600.0, -35350.75)]],
        [[(-7100.0, -35900.0), (-7050.0, -35600.0), (-7000.0, -35300.0), (-6980.0, -35000.0)]],
        [[(-7500.0, -35800.0), (-7200.0, -35700.0)], [(-6900.0, -35650.0), (-6650.0, -35600.0)]],
        [[(-6700.0, -35100.0), (-6750.0, -35400.0), (-6800.0, -35750.0)]],
    ]
    write_shp(os.path.join(outdir, 'roads'), POLYLINE, roads)
    write_dbf(os.path.join(outdir, 'roads'),
              [('名称', 'C', 20, 0), ('種別', 'C', 10, 0), ('幅員', 'N', 6, 1), ('車線', 'N', 2, 0)],
              [('晴海通り', '国道', 22.0, 4), ('中央通り', '都道', 27.5, 6),
               ('八重洲通り', '都道', 18.0, 4), ('昭和通り', '国道', 40.0, 8)])
    sidecars(os.path.join(outdir, 'roads'))

    blocks = [
        [rect(-7250.0, -35500.0, -7100.0, -35380.0, True)],
        # A block with a courtyard: the outer ring clockwise, the hole counter-clockwise.
        [rect(-6950.0, -35500.0, -6750.0, -35360.0, True), rect(-6900.0, -35460.0, -6800.0, -35400.0, False)],
        [rect(-7400.0, -35650.0, -7300.0, -35550.0, True)],
    ]
    write_shp(os.path.join(outdir, 'blocks'), POLYGON, blocks)
    write_dbf(os.path.join(outdir, 'blocks'),
              [('名称', 'C', 24, 0), ('用途', 'C', 10, 0), ('階数', 'N', 3, 0)],
              [('銀座四丁目', '商業', 12), ('中庭のある街区', '住宅', 8), ('京橋二丁目', '業務', 20)])
    sidecars(os.path.join(outdir, 'blocks'))

    stations = [(-7020.0, -35320.0), (-6990.0, -34990.0), (-7160.0, -35700.0)]
    write_shp(os.path.join(outdir, 'stations'), POINT, stations)
    write_dbf(os.path.join(outdir, 'stations'),
              [('駅名', 'C', 16, 0), ('乗降客数', 'N', 8, 0)],
              [('銀座', 250000), ('日本橋', 180000), ('新富町', 40000)])
    sidecars(os.path.join(outdir, 'stations'))


if __name__ == '__main__':
    main()
