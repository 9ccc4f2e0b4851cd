// Shapefile export of a document of 1.5 million line vertices (20,000 paths of 75 anchors, three
// attributes each), as the plug-in runs it, side by side with ogr2ogr reprojecting the same data.
// Items are vertices, so items_per_second is vertices per second.
#include "attributes/shape_attr.h"
#include "export/shape_exporter.h"
#include "geodesy/georef.h"
#include "host/standin.h"
#include "resources/templates.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

namespace {

namespace fs = std::filesystem;
using namespace vx;
using Step = host::ScriptedUser::Step;
namespace id = resources::exp115;

constexpr int kPaths = 20'000;
constexpr int kAnchors = 75;

attr::ShapeField Field(const char16_t* name, attr::FieldType type, int width, int decimals, const char16_t* value) {
  attr::ShapeField f;
  f.name = name, f.type = type, f.width = width, f.decimals = decimals, f.value = value;
  return f;
}

struct Session {
  std::unique_ptr<host::StandInHost> host = std::make_unique<host::StandInHost>();
  std::shared_ptr<host::ScriptedUser> user = std::make_shared<host::ScriptedUser>();
  fs::path dir = fs::temp_directory_path() / "vx_bench_export";
  Session() {
    host->SetUser(user);
    host->NewDocument();
    host->FillSlots();
    fs::create_directories(dir);
    geo::DataFrame df;
    df.system = {geo::DatumJgd2000, geo::KindPlaneXY, geo::Zone{9}}, df.S = 25000;
    geo::WriteDataFrame(df);
    host::LayerHandle layer = nullptr;
    host::sLayer()->GetFirstLayer(layer);
    host::LayerHandle next = nullptr;
    host::sLayer()->GetNextLayer(layer, next);  // the frame went on top
    if (next) layer = next;
    host::ArtHandle group = nullptr;
    host::sLayer()->GetLayerGroup(layer, group);
    const std::vector<attr::ShapeField> defs = {Field(u"NAME", attr::kFieldString, 20, 0, u""),
                                                Field(u"COUNT", attr::kFieldInteger, 8, 0, u""),
                                                Field(u"LENGTH", attr::kFieldReal, 14, 3, u"")};
    attr::CVxShapeAttr a;
    a.Load(group);
    a.ReplaceAll(defs);
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> coord(0, 2000), step(-3, 3);
    std::vector<host::PathSegment> segs(kAnchors);
    std::vector<attr::ShapeField> row = {Field(u"NAME", attr::kFieldString, 20, 0, u"道路"),
                                         Field(u"COUNT", attr::kFieldInteger, 8, 0, u"12345"),
                                         Field(u"LENGTH", attr::kFieldReal, 14, 3, u"987.654")};
    for (int p = 0; p < kPaths; ++p) {
      double h = coord(rng), v = coord(rng);
      for (auto& s : segs) {
        h += step(rng), v += step(rng);
        s = {{h, v}, {h, v}, {h, v}, true};
      }
      host::ArtHandle path = nullptr;
      host::sArt()->NewArt(host::ArtType::Path, host::PaintOrder::InsideOnTop, group, path);
      host::sPath()->SetPathSegments(path, kAnchors, segs.data());
      host::PathStyle style;
      style.fillPaint = false;
      host::sPathStyle()->SetPathStyle(path, style);
      attr::CVxShapeAttr pa;
      pa.Load(path);
      pa.ReplaceAll(row);
    }
  }
  bool Export(const fs::path& out, bool toUtm) {
    auto push = [&](Step::Kind k, std::int32_t control = 0, std::int32_t index = -1) {
      Step s;
      s.kind = k, s.id = control, s.index = index;
      if (k == Step::Kind::SaveFile) s.files = {out};
      user->Push(s);
    };
    push(Step::Kind::Dialog, resources::kExportSettingsDialog);
    push(Step::Kind::Click, id::kPolyline);
    if (toUtm) {
      push(Step::Kind::Click, id::kConvert);
      push(Step::Kind::Click, id::kOutUTM);
      push(Step::Kind::SelectItem, id::kOutUtmZone, 54);
    } else {
      push(Step::Kind::Click, id::kNoConvert);
    }
    push(Step::Kind::Click, host::kIdOk);
    push(Step::Kind::SaveFile);
    xport::CShapeFileExporter exporter(nullptr);
    return exporter.Run() == host::kNoErr && !user->Failure();
  }
};

Session& TheSession() {
  static Session s;
  return s;
}

void BM_ExportPlaneZone(benchmark::State& state) {
  Session& s = TheSession();
  for (auto _ : state)
    if (!s.Export(s.dir / "xy9.shp", false)) state.SkipWithError("export failed");
  state.SetItemsProcessed(state.iterations() * kPaths * kAnchors);
}
BENCHMARK(BM_ExportPlaneZone)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportToUtm(benchmark::State& state) {
  Session& s = TheSession();
  for (auto _ : state)
    if (!s.Export(s.dir / "utm54.shp", true)) state.SkipWithError("export failed");
  state.SetItemsProcessed(state.iterations() * kPaths * kAnchors);
}
BENCHMARK(BM_ExportToUtm)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: ogr2ogr reprojecting the plane-zone file the export wrote to UTM zone 54.
void BM_Ogr2ogrToUtm(benchmark::State& state) {
  Session& s = TheSession();
  if (!fs::exists(s.dir / "xy9.shp") && !s.Export(s.dir / "xy9.shp", false)) state.SkipWithError("export failed");
  const std::string command = "ogr2ogr -overwrite -t_srs EPSG:3100 '" + (s.dir / "ogr_utm54.shp").string() + "' '" +
                              (s.dir / "xy9.shp").string() + "' > /dev/null 2>&1";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("ogr2ogr failed (is GDAL installed?)");
  state.SetItemsProcessed(state.iterations() * kPaths * kAnchors);
}
BENCHMARK(BM_Ogr2ogrToUtm)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
