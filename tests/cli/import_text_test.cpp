// vxshape import-text: the sample stations exported as coordinate text in every encoding and
// delimiter and read back give the same points and values; refusals end without saving.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

using nlohmann::json;

const std::filesystem::path kSource(VX_SOURCE_DIR);

// The features of the layer titled `title`.
std::vector<json> LayerFeatures(const std::filesystem::path& doc, const std::string& title) {
  RunResult r = RunVxshape("info " + Q(doc) + " --features --json");
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<json> out;
  if (r.status != 0) return out;
  const json j = json::parse(r.out);
  for (const json& l : j["layers"])
    if (l["title"] == title)
      for (const json& f : l["features"]) out.push_back(f);
  return out;
}

TEST(ImportText, ExportedStationsReadBackInEveryEncodingAndDelimiter) {
  TempDir dir;
  const auto doc = dir / "s.vxd";
  const std::string prefs = " --preferences " + Q(dir / "p.json");
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  RunResult imp = RunVxshape("import-shp " + Q(doc) + " " + Q(kSource / "samples/stations.shp") +
                             " --encoding auto --from auto --map JGD:XY9 --scale 5000" + prefs);
  ASSERT_EQ(imp.status, 0) << imp.out << imp.err;
  const std::vector<json> stations = LayerFeatures(doc, "stations");
  ASSERT_EQ(stations.size(), 3u);

  struct {
    const char* options;  // for both commands
    const char* file;
  } rows[] = {
      {"--tab --encoding sjis", "out.txt"},   {"--comma --encoding sjis", "out.csv"},
      {"--tab --encoding utf8", "out.txt"},   {"--comma --encoding utf8", "out.csv"},
      {"--tab --encoding utf16", "out.txt"},  {"--comma --encoding utf16", "out.csv"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.options);
    const auto out = dir / row.file;
    RunResult r = RunVxshape("export-text " + Q(doc) + " " + Q(out) + " " + row.options + prefs);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const auto back = dir / "back.vxd";
    ASSERT_EQ(RunVxshape("new " + Q(back) + " --force").status, 0);
    // The export writes plane X (northing) first, then Y.
    r = RunVxshape("import-text " + Q(back) + " " + Q(out) + " " + row.options +
                   " --lat 1 --lon 2 --from JGD:XY9 --map JGD:XY9 --scale 5000" + prefs);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<json> read = LayerFeatures(back, "out");
    ASSERT_EQ(read.size(), stations.size());
    for (const json& s : stations) {
      const std::string name = s["properties"]["駅名"];
      const json* t = nullptr;
      for (const json& f : read)
        if (f["properties"]["駅名"] == name) t = &f;
      ASSERT_TRUE(t) << name;
      for (int k = 0; k < 2; ++k)
        EXPECT_NEAR((*t)["geometry"]["coordinates"][k].get<double>(), s["geometry"]["coordinates"][k].get<double>(),
                    1e-3)
            << name << " (1 mm)";
      EXPECT_EQ((*t)["properties"]["乗降客数"], s["properties"]["乗降客数"]) << name;
    }
  }
}

TEST(ImportText, RefusalsEndWithoutSaving) {
  TempDir dir;
  const auto doc = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string before = Slurp(doc);
  const auto one = dir / "one.csv";
  std::ofstream(one, std::ios::binary) << "LAT,LON\n";
  const auto two = dir / "two.csv";
  std::ofstream(two, std::ios::binary) << "LAT,LON,NAME\n35,139,a\n";
  struct {
    std::string args;
    int status;
    const char* message;  // part of the printed reason
  } rows[] = {
      // OK refuses a list without coordinate fields: the alert is the reason.
      {Q(one) + " --from JGD:BL", 1, "縦方向と横方向の座標値フィールドを各1つ設定してください。"},
      {Q(two) + " --lat NAME", 2, "--lat and --lon go together"},
      {Q(two) + " --lat 1 --lon 1", 2, "the same column"},
      {Q(two) + " --lat HEIGHT --lon LON", 2, "--lat: the file has no column \"HEIGHT\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    RunResult r = RunVxshape("import-text " + Q(doc) + " " + row.args + " --preferences " + Q(dir / "p.json"));
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(row.message), std::string::npos) << r.out << r.err;
    EXPECT_EQ(Slurp(doc), before) << "the document is not saved";
  }
}

}  // namespace
}  // namespace vx::test
