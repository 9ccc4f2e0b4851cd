// Reading and writing a shapefile of a million vertices: records of 50 to 100 points, three
// columns. Items are vertices, so items_per_second is vertices per second. The same file is
// read by shapelib's library (every object and every cell), as the peer to compare with.
#include "attributes/field.h"
#include "datafiles/shape_reader.h"
#include "datafiles/shape_writer.h"

#include <benchmark/benchmark.h>
#ifdef VX_HAVE_SHAPELIB
#include <shapefil.h>
#endif

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vx;

constexpr std::int64_t kVertices = 1'000'000;

struct Data {
  std::vector<data::PartList> records;
  std::int64_t vertices = 0;
  fs::path dir;
};

const Data& TheData() {
  static const Data d = [] {
    Data out;
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> count(50, 100);
    std::uniform_real_distribution<double> coord(-50000.0, 50000.0);
    while (out.vertices < kVertices) {
      const int n = count(rng);
      data::PointList part;
      for (int i = 0; i < n; ++i) part.push_back({coord(rng), coord(rng)});
      out.vertices += n;
      out.records.push_back({std::move(part)});
    }
    out.dir = fs::temp_directory_path() / "vx_bench_datafiles";
    fs::create_directories(out.dir);
    return out;
  }();
  return d;
}

attr::ShapeField Field(const char16_t* name, attr::FieldType type, int width, int decimals) {
  attr::ShapeField f;
  f.name = name;
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

bool WriteAll(const Data& d, const fs::path& path) {
  data::ShapeFileWriter w;
  w.Init(3, text::TextEncoding::kShiftJIS);
  w.AddColumn(Field(u"NAME", attr::kFieldString, 20, 0));
  w.AddColumn(Field(u"COUNT", attr::kFieldInteger, 8, 0));
  w.AddColumn(Field(u"LENGTH", attr::kFieldReal, 14, 3));
  if (!w.Create(path)) return false;
  std::vector<attr::ShapeField> row = {Field(u"NAME", attr::kFieldString, 20, 0),
                                       Field(u"COUNT", attr::kFieldInteger, 8, 0),
                                       Field(u"LENGTH", attr::kFieldReal, 14, 3)};
  for (std::size_t i = 0; i < d.records.size(); ++i) {
    row[0].value = u"道路";
    row[1].value = u"12345";
    row[2].value = u"987.654";
    w.SetRowValues(row);
    w.WritePolyLineRecord(d.records[i]);
  }
  return w.Finish();
}

void BM_WriteShapefile(benchmark::State& state) {
  const Data& d = TheData();
  const fs::path path = d.dir / "write.shp";
  for (auto _ : state) {
    if (!WriteAll(d, path)) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * d.vertices);
}
BENCHMARK(BM_WriteShapefile)->Unit(benchmark::kMillisecond);

// The file both readers read, written once.
fs::path ReadPath(benchmark::State& state) {
  const Data& d = TheData();
  const fs::path path = d.dir / "read.shp";
  if (!fs::exists(path) && !WriteAll(d, path)) state.SkipWithError("write failed");
  return path;
}

void BM_ReadShapefile(benchmark::State& state) {
  const fs::path path = ReadPath(state);
  std::int64_t points = 0;
  for (auto _ : state) {
    data::ShapeFileReader r;
    if (!r.Open(path)) {
      state.SkipWithError("open failed");
      break;
    }
    data::PartsRecord rec;
    data::ShapeRecordHeader h;
    for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
      if (!r.ReadRecordHeader(h) || !r.ReadPartsRecord(rec)) {
        state.SkipWithError("read failed");
        break;
      }
      points += rec.numPoints;
      for (int c = 0; c < r.ColumnCount(); ++c) benchmark::DoNotOptimize(r.GetCell(c).data());
    }
  }
  state.SetItemsProcessed(points);
}
BENCHMARK(BM_ReadShapefile)->Unit(benchmark::kMillisecond);

#ifdef VX_HAVE_SHAPELIB
// shapelib's library: SHPReadObject for every object, DBFReadStringAttribute for every cell.
void BM_ReadShapefileShapelib(benchmark::State& state) {
  const fs::path path = ReadPath(state);
  fs::path dbf = path;
  dbf.replace_extension(".dbf");
  std::int64_t points = 0;
  for (auto _ : state) {
    SHPHandle shp = SHPOpen(path.c_str(), "rb");
    DBFHandle table = DBFOpen(dbf.c_str(), "rb");
    if (!shp || !table) {
      state.SkipWithError("open failed");
      if (shp) SHPClose(shp);
      if (table) DBFClose(table);
      break;
    }
    int count = 0;
    SHPGetInfo(shp, &count, nullptr, nullptr, nullptr);
    const int columns = DBFGetFieldCount(table);
    for (int i = 0; i < count; ++i) {
      SHPObject* o = SHPReadObject(shp, i);
      if (!o) {
        state.SkipWithError("read failed");
        break;
      }
      points += o->nVertices;
      SHPDestroyObject(o);
      for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(DBFReadStringAttribute(table, i, c));
    }
    SHPClose(shp);
    DBFClose(table);
  }
  state.SetItemsProcessed(points);
}
BENCHMARK(BM_ReadShapefileShapelib)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
