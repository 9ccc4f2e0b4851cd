// Saving and loading a document of a million path vertices (10,000 paths of 100 points), side by
// side with general JSON libraries only parsing and printing the same file: nlohmann::json into its
// tree, and rapidjson's SAX reader streaming the file (the way a loader built on it would read).
#include "host/standin.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/filereadstream.h>
#include <rapidjson/reader.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace vx::host;

void Fill(StandInHost& host, int paths, int points) {
  host.NewDocument(2000, 2000);
  Document& d = *host.Doc();
  for (int i = 0; i < paths; ++i) {
    ArtOpaque* p = d.NewNode(ArtType::Path);
    p->segments.reserve(static_cast<std::size_t>(points));
    for (int k = 0; k < points; ++k) {
      const RealPoint pt{i * 0.173 + k * 1.0001, i * 0.011 - k * 0.37};
      p->segments.push_back({pt, pt, pt, false});
    }
    d.Place(p, PaintOrder::InsideOnBottom, d.layers.front()->group);
  }
}

std::filesystem::path File() {
  return std::filesystem::temp_directory_path() / ("vxshape-bench-" + std::to_string(getpid()) + ".vxd");
}

void BM_SaveMillionVertices(benchmark::State& state) {
  StandInHost host;
  Fill(host, 10000, 100);
  const auto file = File();
  std::string error;
  for (auto _ : state) {
    if (!host.SaveDocument(file, error)) state.SkipWithError(error.c_str());
  }
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  std::filesystem::remove(file);
}
BENCHMARK(BM_SaveMillionVertices)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadMillionVertices(benchmark::State& state) {
  const auto file = File();
  std::string error;
  {
    StandInHost host;
    Fill(host, 10000, 100);
    host.SaveDocument(file, error);
  }
  for (auto _ : state) {
    StandInHost host;
    if (!host.OpenDocument(file, error)) state.SkipWithError(error.c_str());
  }
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_LoadMillionVertices)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string Saved() {
  const auto file = File();
  std::string error;
  {
    StandInHost host;
    Fill(host, 10000, 100);
    host.SaveDocument(file, error);
  }
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  std::filesystem::remove(file);
  return ss.str();
}

// The peer: the JSON library parsing the text into its tree (no document is built).
void BM_JsonLibraryParse(benchmark::State& state) {
  const std::string text = Saved();
  for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(text));
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_JsonLibraryParse)->Unit(benchmark::kMillisecond)->Iterations(3);

// The peer: rapidjson's SAX reader streaming the file from disk, full-precision numbers kept in
// a list (no document is built).
struct SaxNumbers : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, SaxNumbers> {
  std::vector<double> numbers;
  bool Double(double d) {
    numbers.push_back(d);
    return true;
  }
  bool Int(int i) { return Double(i); }
  bool Uint(unsigned u) { return Double(u); }
  bool Int64(std::int64_t i) { return Double(static_cast<double>(i)); }
  bool Uint64(std::uint64_t u) { return Double(static_cast<double>(u)); }
};

void BM_RapidjsonSaxRead(benchmark::State& state) {
  const std::string text = Saved();  // uses File() itself
  const auto file = File();
  std::ofstream(file, std::ios::binary) << text;
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
      state.SkipWithError("cannot open the document");
      break;
    }
    rapidjson::FileReadStream in(f, buffer.data(), buffer.size());
    SaxNumbers numbers;
    rapidjson::Reader reader;
    if (!reader.Parse<rapidjson::kParseFullPrecisionFlag | rapidjson::kParseValidateEncodingFlag |
                      rapidjson::kParseIterativeFlag>(in, numbers))
      state.SkipWithError("rapidjson refused the document");
    std::fclose(f);
    benchmark::DoNotOptimize(numbers.numbers.data());
  }
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_RapidjsonSaxRead)->Unit(benchmark::kMillisecond)->Iterations(3);

// The peer: the JSON library printing its tree and writing the text to a file.
void BM_JsonLibraryDump(benchmark::State& state) {
  const nlohmann::json tree = nlohmann::json::parse(Saved());
  const auto file = File();
  for (auto _ : state) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string text = tree.dump();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(file);
}
BENCHMARK(BM_JsonLibraryDump)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
