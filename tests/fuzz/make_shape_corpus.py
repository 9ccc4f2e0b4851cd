#!/usr/bin/env python3
"""Writes tests/fuzz/corpus/shape/: shapefiles that other readers read although they bend the
format, in the shape_reader_fuzz target's packed form (two little-endian 16-bit lengths, then the
geometry file, the index and the table). Run again after changing a case."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'shape')


def header(length_words, shape_type):
    return (struct.pack('>7i', 9994, 0, 0, 0, 0, 0, length_words) + struct.pack('<2i', 1000, shape_type) +
            struct.pack('<8d', 0, 0, 10, 10, 0, 0, 0, 0))


def point(x, y):
    return struct.pack('<i2d', 1, x, y)


def parts(starts, pts, nparts=None, npts=None):
    c = struct.pack('<i4d2i', 3, 0, 0, 10, 10, len(starts) if nparts is None else nparts,
                    len(pts) if npts is None else npts)
    c += b''.join(struct.pack('<i', s) for s in starts)
    return c + b''.join(struct.pack('<2d', x, y) for x, y in pts)


def dbf(cols, rows, rowlen=None):
    rl = 1 + sum(c[2] for c in cols)
    h = struct.pack('<4BIHH20x', 3, 124, 3, 5, len(rows), 32 * len(cols) + 33, rl if rowlen is None else rowlen)
    for n, t, l in cols:
        h += n.encode().ljust(11, b'\0') + t.encode() + b'\0' * 4 + bytes([l, 0]) + b'\0' * 14
    return h + b'\r' + b''.join(rows) + b'\x1a'


ID = [('ID', 'N', 3)]
ROWS = [b'   1', b'   2', b'   3']


def shapefile(recs, table=None, order=(0, 1, 2), hdrlen=None, idx=None):
    """recs: record contents; order: their order in the geometry file; hdrlen / idx: maps from a
    record to its record-header length / its index entry (offset, length), in words."""
    hdrlen, idx = hdrlen or {}, idx or {}
    body, offsets = b'', {}
    for i in order:
        offsets[i] = (100 + len(body)) // 2
        body += struct.pack('>2i', i + 1, hdrlen.get(i, len(recs[i]) // 2)) + recs[i]
    shp = header((100 + len(body)) // 2, 3) + body
    entries = b''.join(struct.pack('>2i', *idx.get(i, (offsets[i], len(recs[i]) // 2))) for i in range(len(recs)))
    shx = header((100 + len(entries)) // 2, 3) + entries
    return struct.pack('<HH', len(shp), len(shx)) + shp + shx + (table or dbf(ID, ROWS))


P = [point(1, 1), point(2, 2), point(3, 3)]
FIVE = [(1, 0), (2, 0), (3, 0), (4, 0), (5, 0)]
CASES = {
    'order-reversed': shapefile(P, order=(2, 1, 0)),
    'offset-back': shapefile(P, idx={1: (50, 10)}),
    'offset-in-header': shapefile(P, idx={1: (10, 10)}),
    'lengths-in-bytes': shapefile(P, hdrlen={0: 20, 1: 20, 2: 20}),
    'last-claims-1000': shapefile(P, hdrlen={2: 1000}),
    'record-length-negative': shapefile(P, hdrlen={1: -10}),
    'index-length-0': shapefile(P, idx={1: (64, 0)}),
    'row-length-0': shapefile(P, dbf(ID, ROWS, rowlen=0)),
    'row-length-short': shapefile(P, dbf(ID, ROWS, rowlen=2)),
    'part-without-points': shapefile([point(1, 1), parts([0], [], 1, 0), point(3, 3)]),
    'no-parts': shapefile([point(1, 1), parts([], FIVE), point(3, 3)]),
    'first-start-not-0': shapefile([point(1, 1), parts([1, 3], FIVE), point(3, 3)]),
    'equal-starts': shapefile([point(1, 1), parts([0, 0, 2], FIVE), point(3, 3)]),
    'last-start-at-count': shapefile([point(1, 1), parts([0, 5], FIVE), point(3, 3)]),
    'zero-padded-cells': shapefile(P, dbf([('NM', 'C', 5)] + ID, [b' ab\0\0\0  1', b' \0\0\0\0\0  2', b' a\0b    3'])),
}

if __name__ == '__main__':
    os.makedirs(OUT, exist_ok=True)
    for name, data in CASES.items():
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(data)
