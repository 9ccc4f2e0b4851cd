// Fuzzes the shapefile reader with the three files in one input: two little-endian 16-bit
// lengths (geometry, index), then the geometry file, the index, and the table (the rest).
#include "attributes/field.h"
#include "datafiles/shape_reader.h"
#include "tests/fuzz/fuzz_files.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::size_t shpSize = data[0] | (data[1] << 8), shxSize = data[2] | (data[3] << 8);
  data += 4;
  size -= 4;
  shpSize = std::min(shpSize, size);
  shxSize = std::min(shxSize, size - shpSize);
  const auto& dir = vx::fuzz::Folder();
  vx::fuzz::Write(dir / "f.shp", data, shpSize);
  vx::fuzz::Write(dir / "f.shx", data + shpSize, shxSize);
  vx::fuzz::Write(dir / "f.dbf", data + shpSize + shxSize, size - shpSize - shxSize);

  vx::data::ShapeFileReader r;
  if (!r.Open(dir / "f.shp")) return 0;
  double e[4];
  r.GetExtent(e[0], e[1], e[2], e[3]);
  for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
    vx::data::ShapeRecordHeader h;
    bool ok = r.ReadRecordHeader(h);
    if (ok && vx::data::IsPointType(h.shapeType)) {
      vx::data::MapPoint p;
      ok = r.ReadPointRecord(p);
    } else if (ok && vx::data::IsPartsType(h.shapeType)) {
      vx::data::PartsRecord rec;
      ok = r.ReadPartsRecord(rec);
    } else if (ok) {
      ok = r.SkipRecord();
    }
    if (!ok) {
      if (!r.Resume()) break;
      continue;
    }
    for (int c = 0; c < r.ColumnCount(); ++c)
      for (auto enc : {vx::text::TextEncoding::kShiftJIS, vx::text::TextEncoding::kUTF8, vx::text::TextEncoding::kUTF16})
        (void)vx::attr::FieldFromDbf(r.Columns()[static_cast<std::size_t>(c)], r.GetCell(c), enc);
  }
  return 0;
}
