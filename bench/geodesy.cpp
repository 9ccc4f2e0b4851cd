// Points per second of the projection, the grid shift and the full converter.
#include "geodesy/angles.h"
#include "tests/geodesy/codes.h"
#include "geodesy/coord_converter.h"
#include "geodesy/geodesy.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using vx::geo::CCoordConverter;
using vx::geo::CGeodesy;

constexpr std::size_t kPoints = 4096;

struct LatLon {
  double lat, lon;
};

// Random positions over four first-order meshes around Tokyo (35.33-36.67 N, 139-141 E).
std::vector<LatLon> Positions() {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> lat(35.34, 36.66), lon(139.01, 140.99);
  std::vector<LatLon> v(kPoints);
  for (auto& p : v) p = {lat(rng), lon(rng)};
  return v;
}

// A smooth made-up shift field over mesh rows 52-55 and columns 38-41 (16 first-order meshes),
// written as a parameter list and converted the way a user makes a grid file. `rows` rows of
// cells of each mesh: 80 fills it, 3 leaves a band along its south edge (as on a coast) that the
// grid keeps in its hash map.
std::filesystem::path MakeGridFile(int rows = 80) {
  const auto dir = std::filesystem::temp_directory_path() / "vxshape_bench_geodesy";
  std::filesystem::create_directories(dir);
  const auto text = dir / "field.par", grid = dir / ("field" + std::to_string(rows) + ".dat");
  std::FILE* f = std::fopen(text.c_str(), "wb");
  std::fputs("synthetic\nMeshCode dB dL\n", f);
  for (int pp = 52; pp <= 55; ++pp)
    for (int qq = 38; qq <= 41; ++qq)
      for (int i = 0; i < rows; ++i)
        for (int j = 0; j < 80; ++j) {
          const double lat = (pp * 80 + i) / 120.0, lon = 100 + (qq * 80 + j) / 80.0;
          std::fprintf(f, "%d %.5f %.5f\n", pp * 1000000 + qq * 10000 + i / 10 * 1000 + j / 10 * 100 + i % 10 * 10 + j % 10,
                       11.6 + 0.35 * (lat - 36) - 0.12 * (lon - 138), -11.6 + 0.08 * (lat - 36) + 0.27 * (lon - 138));
        }
  std::fclose(f);
  vx::geo::ConvertShiftText(text, grid);
  return grid;
}

const std::filesystem::path& GridFile() {
  static const std::filesystem::path path = MakeGridFile();
  return path;
}

void BM_TmForward(benchmark::State& state) {
  CGeodesy g;
  g.SetupPlaneZone(vx::geo::Z(9), vx::geo::DatumJgd2000);
  const auto pts = Positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = pts[i++ % kPoints];
    double X, Y, gamma, k;
    g.TmForward(p.lat * vx::geo::kDegToRad, p.lon * vx::geo::kDegToRad, X, Y, gamma, k);
    benchmark::DoNotOptimize(X);
    benchmark::DoNotOptimize(Y);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TmForward);

void BM_TmInverse(benchmark::State& state) {
  CGeodesy g;
  g.SetupPlaneZone(vx::geo::Z(9), vx::geo::DatumJgd2000);
  std::vector<std::pair<double, double>> xy;
  for (const auto& p : Positions()) {
    double X, Y, gamma, k;
    g.TmForward(p.lat * vx::geo::kDegToRad, p.lon * vx::geo::kDegToRad, X, Y, gamma, k);
    xy.emplace_back(X, Y);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = xy[i++ % kPoints];
    double phi, lambda, gamma, k;
    g.TmInverse(p.first, p.second, phi, lambda, gamma, k);
    benchmark::DoNotOptimize(phi);
    benchmark::DoNotOptimize(lambda);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TmInverse);

void BM_TokyoToJgdGrid(benchmark::State& state) {
  CGeodesy g;
  g.LoadShiftGrid(GridFile());
  const auto pts = Positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = pts[i++ % kPoints];
    double lat, lon;
    g.TokyoToJgd(p.lat, p.lon, lat, lon);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TokyoToJgdGrid);

void BM_JgdToTokyoGrid(benchmark::State& state) {
  CGeodesy g;
  g.LoadShiftGrid(GridFile());
  const auto pts = Positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = pts[i++ % kPoints];
    double lat, lon;
    g.JgdToTokyo(p.lat, p.lon, lat, lon);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JgdToTokyoGrid);

// The same in meshes that hold only a band of 3 rows of cells (kept in the hash map), at points
// inside the band.
void BM_TokyoToJgdSparseGrid(benchmark::State& state) {
  CGeodesy g;
  g.LoadShiftGrid(MakeGridFile(3));
  if (g.Grid().DenseMeshes() != 0) {
    state.SkipWithError("the band grid is dense");
    return;
  }
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> mesh(52, 55);
  std::uniform_real_distribution<double> row(0.01, 1.99), lon(139.01, 140.99);
  std::vector<LatLon> pts(kPoints);
  for (auto& p : pts) p = {(mesh(rng) * 80 + row(rng)) / 120.0, lon(rng)};
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = pts[i++ % kPoints];
    double lat, lon;
    g.TokyoToJgd(p.lat, p.lon, lat, lon);
    benchmark::DoNotOptimize(lat);
    benchmark::DoNotOptimize(lon);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TokyoToJgdSparseGrid);

void BM_TokyoToJgdFallback(benchmark::State& state) {
  const CGeodesy g;  // no grid
  const auto pts = Positions();
  std::size_t i = 0;
  for (auto _ : state) {
    const LatLon& p = pts[i++ % kPoints];
    double lat, lon;
    g.TokyoToJgd(p.lat, p.lon, lat, lon);
    benchmark::DoNotOptimize(lat);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TokyoToJgdFallback);

// Tokyo plane zone 9 to JGD2000 plane zone 8 through the grid: inverse, shift, forward.
void BM_ConvertPlaneToPlaneAcrossDatums(benchmark::State& state) {
  CCoordConverter cv({[] { return GridFile(); }, {}});
  if (!cv.Setup(vx::geo::Sys(1, 3, 9, 0), vx::geo::Sys(2, 3, 8, 0))) {
    state.SkipWithError("setup failed");
    return;
  }
  CGeodesy zone9;
  zone9.SetupPlaneZone(vx::geo::Z(9), vx::geo::DatumTokyo);
  std::vector<std::pair<double, double>> en;
  for (const auto& p : Positions()) {
    double X, Y, c, k;
    zone9.LatLongToPlane(p.lat, p.lon, X, Y, c, k);
    en.emplace_back(Y, X);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = en[i++ % kPoints];
    double x, y, c;
    cv.Convert(p.first, p.second, x, y, c);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConvertPlaneToPlaneAcrossDatums);

void BM_LoadGrid(benchmark::State& state) {
  CGeodesy g;
  for (auto _ : state) g.LoadShiftGrid(GridFile());
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(g.Grid().Size()));
}
BENCHMARK(BM_LoadGrid)->Unit(benchmark::kMillisecond);

}  // namespace
