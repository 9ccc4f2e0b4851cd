// Saving and loading a document of 1.5 million path vertices (15,000 paths of 100 points) as
// Inkscape SVG, side by side with the same document as .vxd; with the argument 1 each path also
// carries an import's attribute list (five fields of Japanese names and values).
#include "host/standin.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace vx::host;

void Fill(StandInHost& host, bool attributes) {
  host.NewDocument(2000, 2000);
  Document& d = *host.Doc();
  const char* names[] = {"名称", "種別", "幅員", "番号", "備考"};
  for (int i = 0; i < 15000; ++i) {
    ArtOpaque* p = d.NewNode(ArtType::Path);
    p->segments.reserve(100);
    for (int k = 0; k < 100; ++k) {
      const RealPoint pt{i * 0.173 + k * 1.0001, i * 0.011 - k * 0.37};
      p->segments.push_back({pt, pt, pt, false});
    }
    if (attributes) {
      auto fields = std::make_shared<ArrayImpl>();
      for (int f = 0; f < 5; ++f) {
        auto field = std::make_shared<ArrayImpl>();
        field->Append(Entry::String(names[f]));
        field->Append(Entry::Integer(f % 3));
        field->Append(Entry::Integer(10 + f));
        field->Append(Entry::Integer(f == 2 ? 1 : 0));
        field->Append(Entry::String(f == 0 ? "路線" + std::to_string(i) + "号線" : std::to_string(i * 7 % 1000)));
        fields->Append(Entry::FromArray(field));
      }
      auto dict = std::make_shared<DictionaryImpl>();
      dict->Set("Varnox-ShapeField", Entry::FromArray(fields));
      p->dictionary = dict;
    }
    d.Place(p, PaintOrder::InsideOnBottom, d.layers.front()->group);
  }
}

std::filesystem::path File(const char* ext) {
  return std::filesystem::temp_directory_path() / ("vxshape-bench-" + std::to_string(getpid()) + ext);
}

// A fresh save each time: the SVG writer keeps the tree it wrote, so the host is rebuilt.
void Save(benchmark::State& state, const char* ext) {
  const auto file = File(ext);
  std::string error;
  for (auto _ : state) {
    state.PauseTiming();
    StandInHost host;
    Fill(host, state.range(0) != 0);
    state.ResumeTiming();
    if (!host.SaveDocument(file, error)) state.SkipWithError(error.c_str());
  }
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}

void Load(benchmark::State& state, const char* ext) {
  const auto file = File(ext);
  std::string error;
  {
    StandInHost host;
    Fill(host, state.range(0) != 0);
    host.SaveDocument(file, error);
  }
  for (auto _ : state) {
    StandInHost host;
    if (!host.OpenDocument(file, error)) state.SkipWithError(error.c_str());
  }
  std::filesystem::remove(file);
}

void BM_SaveVxd(benchmark::State& s) { Save(s, ".vxd"); }
void BM_SaveSvg(benchmark::State& s) { Save(s, ".svg"); }
void BM_LoadVxd(benchmark::State& s) { Load(s, ".vxd"); }
void BM_LoadSvg(benchmark::State& s) { Load(s, ".svg"); }
BENCHMARK(BM_SaveVxd)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(0)->Arg(1);
BENCHMARK(BM_SaveSvg)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(0)->Arg(1);
BENCHMARK(BM_LoadVxd)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(0)->Arg(1);
BENCHMARK(BM_LoadSvg)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(0)->Arg(1);

}  // namespace
