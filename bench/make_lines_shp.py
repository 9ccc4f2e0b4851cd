#!/usr/bin/env python3
"""Writes a polyline shapefile for the import benchmark: RECORDS records of VERTICES vertices
each (default 20,000 x 75 = 1.5 million), JGD2000 latitude/longitude around Tokyo, with a
Shift-JIS table (a Japanese name, a kind, a width and a number per record), a .cpg naming code
page 932 and a .prj of JGD2000 geographic. Deterministic; needs only Python's standard library.

    python3 bench/make_lines_shp.py OUT.shp [RECORDS [VERTICES]]
"""
import os
import random
import struct
import sys

PRJ = ('GEOGCS["GCS_JGD_2000",DATUM["D_JGD_2000",SPHEROID["GRS_1980",6378137.0,298.257222101]],'
       'PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]]')


def main():
    out = sys.argv[1]
    records = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    vertices = int(sys.argv[3]) if len(sys.argv) > 3 else 75
    base = os.path.splitext(out)[0]
    rnd = random.Random(20261210)
    shp = bytearray()
    shx = bytearray()
    xmin = ymin = 1e9
    xmax = ymax = -1e9
    offset = 100
    pts_fmt = '<%dd' % (2 * vertices)
    for n in range(1, records + 1):
        # A wandering line of about 2 km inside 35.5-35.9 N, 139.5-140.0 E.
        lon = 139.5 + rnd.random() * 0.5
        lat = 35.5 + rnd.random() * 0.4
        coords = []
        for _ in range(vertices):
            lon += (rnd.random() - 0.5) * 0.0005
            lat += (rnd.random() - 0.5) * 0.0005
            coords.append(lon)
            coords.append(lat)
        xs, ys = coords[0::2], coords[1::2]
        bx = (min(xs), min(ys), max(xs), max(ys))
        xmin, ymin = min(xmin, bx[0]), min(ymin, bx[1])
        xmax, ymax = max(xmax, bx[2]), max(ymax, bx[3])
        content = struct.pack('<i4d2ii', 3, *bx, 1, vertices, 0) + struct.pack(pts_fmt, *coords)
        shp += struct.pack('>2i', n, len(content) // 2) + content
        shx += struct.pack('>2i', offset // 2, len(content) // 2)
        offset += 8 + len(content)

    def header(length):
        return (struct.pack('>7i', 9994, 0, 0, 0, 0, 0, length // 2) + struct.pack('<2i', 1000, 3) +
                struct.pack('<4d', xmin, ymin, xmax, ymax) + struct.pack('<4d', 0, 0, 0, 0))

    with open(base + '.shp', 'wb') as f:
        f.write(header(100 + len(shp)))
        f.write(shp)
    with open(base + '.shx', 'wb') as f:
        f.write(header(100 + len(shx)))
        f.write(shx)

    fields = [('名称', 'C', 30, 0), ('種別', 'C', 10, 0), ('幅員', 'N', 6, 1), ('番号', 'N', 8, 0)]
    kinds = ['国道', '都道', '県道', '市道', '町道']
    reclen = 1 + sum(w for _, _, w, _ in fields)
    hlen = 32 + 32 * len(fields) + 1
    dbf = bytearray(struct.pack('<B3BIHH', 3, 126, 1, 1, records, hlen, reclen) + b'\0' * 17 + b'\x13' + b'\0' * 2)
    for name, t, w, d in fields:
        dbf += name.encode('cp932').ljust(11, b'\0') + t.encode() + b'\0' * 4 + struct.pack('BB', w, d) + b'\0' * 14
    dbf += b'\r'
    for n in range(1, records + 1):
        dbf += b' '
        dbf += ('路線%d号線' % n).encode('cp932').ljust(30, b' ')
        dbf += kinds[n % 5].encode('cp932').ljust(10, b' ')
        dbf += ('%.1f' % (4 + (n % 37) * 0.5)).encode().rjust(6, b' ')
        dbf += ('%d' % n).encode().rjust(8, b' ')
    dbf += b'\x1a'
    with open(base + '.dbf', 'wb') as f:
        f.write(dbf)
    with open(base + '.prj', 'w') as f:
        f.write(PRJ)
    with open(base + '.cpg', 'w') as f:
        f.write('932\n')


if __name__ == '__main__':
    main()
