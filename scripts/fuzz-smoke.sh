#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a short while
# (FUZZ_SECONDS, 20 by default). A crash, leak or sanitizer report fails the script.
# Long run: FUZZ_SECONDS=3600 scripts/fuzz-smoke.sh (corpora persist in build-fuzz/corpus/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-20}"
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVX_FUZZ=ON -DVX_BUILD_TESTS=ON -DVX_BUILD_BENCH=OFF -DVX_WERROR=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build "$build" --target shape_reader_fuzz text_reader_fuzz shift_grid_fuzz convert_line_fuzz \
  document_reader_fuzz kml_reader_fuzz svg_document_fuzz

# Seeds: a valid one-point shapefile (in the fuzzer's packed form), a few text files, a small shift
# grid, a few lines for `vxshape convert`, the sample document and the test KML files.
mkdir -p "$build/corpus/shape" "$build/corpus/text" "$build/corpus/shift_grid" "$build/corpus/convert_line" \
  "$build/corpus/document" "$build/corpus/kml" "$build/corpus/svg_document"
cp samples/sample-sheet.vxd "$build/corpus/document/"
cp tests/import/data/*.kml "$build/corpus/kml/"
cp tests/inkscape/data/*.svg "$build/corpus/svg_document/"
python3 - "$build/corpus" <<'PY'
import struct, sys, os
out = sys.argv[1]
def header(length_words, shape_type):
    return struct.pack('>7i', 9994, 0, 0, 0, 0, 0, length_words) + struct.pack('<2i', 1000, shape_type) + struct.pack('<8d', 0, 0, 1, 1, 0, 0, 0, 0)
rec = struct.pack('<i2d', 1, 0.5, 0.5)
shp = header(50 + 4 + 10, 1) + struct.pack('>2i', 1, 10) + rec
poly = struct.pack('<i4d2i', 5, 0, 0, 1, 1, 2, 5) + struct.pack('<2i', 0, 3) + struct.pack('<10d', 0, 0, 1, 0, 1, 1, 0, 0, 1, 1)
shp5 = header(50 + 4 + len(poly) // 2, 5) + struct.pack('>2i', 1, len(poly) // 2) + poly
def shx(n_words): return header(54, 1) + struct.pack('>2i', 50, n_words)
dbf = struct.pack('<4BIHH20x', 3, 124, 3, 5, 1, 65, 4) + b'ID'.ljust(11, b'\0') + b'N' + b'\0' * 4 + bytes([3, 0]) + b'\0' * 14 + b'\r' + b'  1' .rjust(4) + b'\x1a'
for name, s, x in (('point', shp, shx(10)), ('polygon', shp5, shx(len(poly) // 2))):
    open(os.path.join(out, 'shape', name), 'wb').write(struct.pack('<HH', len(s), len(x)) + s + x + dbf)
open(os.path.join(out, 'text', 'sjis'), 'wb').write(b'\x00a,"b,c",\x82\xa0\r\nx\ty\n\x82')
open(os.path.join(out, 'text', 'utf16'), 'wb').write(b'\x02' + '\ufeffa,b\r\n"c""d",e\n'.encode('utf-16-le') + b'\x00\xd8')
# A 2 x 2 block of cells where two first-order meshes meet, a repeated code, a code no cell has,
# and half a record.
grid = b''.join(struct.pack('<i2d', c, 11.6, -11.6) for c in (53397979, 53407970, 54390909, 54400900, 53397979, -5))
open(os.path.join(out, 'shift_grid', 'corner'), 'wb').write(grid + grid[:10])
open(os.path.join(out, 'convert_line', 'lines'), 'wb').write(
    b'# Tokyo\n-8342.512 22119.73\r\n  139.7\t35.7  \n\n1e300 0\nnan inf\n+-5 3\n0 -1.7976931348623157e308\n139.7 95\n')
PY

# File-backed targets: keep their files in memory when possible.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
status=0
for t in shape_reader_fuzz text_reader_fuzz shift_grid_fuzz convert_line_fuzz document_reader_fuzz kml_reader_fuzz \
  svg_document_fuzz; do
  corpus="$build/corpus/${t%_fuzz}"
  corpus="${corpus/_reader/}"
  echo "== $t for ${seconds}s"
  # Checked-in seeds (tests/fuzz/corpus/<name>/) are read as well; new finds go to build-fuzz.
  seeds=()
  [ -d "tests/fuzz/corpus/$(basename "$corpus")" ] && seeds=("tests/fuzz/corpus/$(basename "$corpus")")
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 "$corpus" "${seeds[@]}" 2>"$build/$t.log" || { status=1; tail -50 "$build/$t.log"; }
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$build/$t.log" || true
done
exit $status
