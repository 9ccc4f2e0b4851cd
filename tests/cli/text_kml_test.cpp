// vxshape import-kml and export-text: KML written by GDAL imported with every placemark, and the
// sample stations exported as coordinate text in every encoding and delimiter, read back against
// the features the document holds.
#include "datafiles/field_splitter.h"
#include "shell/text/text.h"
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

using nlohmann::json;

const std::filesystem::path kSource(VX_SOURCE_DIR);

json Features(const std::filesystem::path& doc) {
  RunResult r = RunVxshape("info " + Q(doc) + " --features --json");
  EXPECT_EQ(r.status, 0) << r.err;
  return r.status == 0 ? json::parse(r.out) : json();
}

// Every feature of every layer, in layer order.
std::vector<json> AllFeatures(const json& j) {
  std::vector<json> out;
  for (const json& l : j["layers"])
    for (const json& f : l["features"]) out.push_back(f);
  return out;
}

TEST(ImportKml, GdalWrittenStationsArriveWithNamesAndDescriptions) {
  TempDir dir;
  const auto kml = dir / "stations.kml";
  const std::string cmd = "ogr2ogr -f KML " + Q(kml) + " " + Q(kSource / "samples/stations.shp") +
                          " -dsco NameField=駅名 -dsco DescriptionField=乗降客数 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "ogr2ogr is not installed";
  const auto doc = dir / "k.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  RunResult r = RunVxshape("import-kml " + Q(doc) + " " + Q(kml) + " --map JGD:XY9 --scale 10000 --preferences " +
                           Q(dir / "p.json"));
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  // GDAL's own reading of the same file, in plane zone IX (easting, northing) as our features are.
  std::stringstream gdalText;
  {
    const std::string g =
        "ogr2ogr -f GeoJSON -t_srs EPSG:2451 -lco COORDINATE_PRECISION=6 /vsistdout/ " + Q(kml) + " 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(g.c_str(), "r"), pclose);
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p.get())) gdalText.write(buf, static_cast<std::streamsize>(n));
  }
  const json gdal = json::parse(gdalText.str());
  const json features = Features(doc);
  const std::vector<json> ours = AllFeatures(features);
  ASSERT_EQ(ours.size(), gdal["features"].size());
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const json& g = gdal["features"][i];
    const json& o = ours[i];  // both in file order
    EXPECT_EQ(o["properties"]["Name"], g["properties"]["Name"]);
    EXPECT_EQ(o["properties"]["Desc"], g["properties"]["description"]);
    const json& c = o["geometry"]["coordinates"];
    EXPECT_NEAR(c[0].get<double>(), g["geometry"]["coordinates"][0].get<double>(), 1e-3);
    EXPECT_NEAR(c[1].get<double>(), g["geometry"]["coordinates"][1].get<double>(), 1e-3);
  }
}

TEST(ImportKml, RefusalsEndWithoutSaving) {
  TempDir dir;
  const auto doc = dir / "k.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string before = Slurp(doc);
  struct {
    std::string args;
    const char* says;
  } rows[] = {
      {Q(dir / "none.kml"), "none.kml: no such file"},
      {Q(kSource / "samples/sights.kml") + " --scale 0", "縮尺指定が正しくありません"},
      {Q(kSource / "samples/sights.kml") + " --from XY", "unknown coordinate system"},
  };
  for (const auto& row : rows) {
    RunResult r = RunVxshape("import-kml " + Q(doc) + " " + row.args + " --preferences " + Q(dir / "p.json"));
    EXPECT_NE(r.status, 0) << row.args;
    EXPECT_NE((r.out + r.err).find(row.says), std::string::npos) << row.args << "\n" << r.out << r.err;
    EXPECT_EQ(Slurp(doc), before) << "the document is not saved";
  }
}

// The stations imported from the shapefile, then written as text in each encoding and delimiter:
// every line gives back a station's plane-zone position (to 1 mm) and its values.
TEST(ExportText, StationsRoundTripInEveryEncodingAndDelimiter) {
  TempDir dir;
  const auto doc = dir / "s.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  RunResult imp = RunVxshape("import-shp " + Q(doc) + " " + Q(kSource / "samples/stations.shp") +
                             " --encoding auto --from auto --map JGD:XY9 --scale 5000 --preferences " +
                             Q(dir / "p.json"));
  ASSERT_EQ(imp.status, 0) << imp.out << imp.err;
  std::vector<json> stations;
  const json features = Features(doc);
  for (const json& l : features["layers"])
    if (l["title"] == "stations")
      for (const json& f : l["features"]) stations.push_back(f);
  ASSERT_EQ(stations.size(), 3u);

  struct {
    const char* options;
    text::TextEncoding enc;
    std::string bom;
    char16_t sep;
  } rows[] = {
      {"--tab --encoding sjis", text::TextEncoding::kShiftJIS, "", u'\t'},
      {"--comma --encoding sjis", text::TextEncoding::kShiftJIS, "", u','},
      {"--tab --encoding utf8", text::TextEncoding::kUTF8, "\xEF\xBB\xBF", u'\t'},
      {"--comma --encoding utf8", text::TextEncoding::kUTF8, "\xEF\xBB\xBF", u','},
      {"--tab --encoding utf16", text::TextEncoding::kUTF16, "\xFF\xFE", u'\t'},
      {"--comma --encoding utf16", text::TextEncoding::kUTF16, "\xFF\xFE", u','},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.options);
    const auto out = dir / "out.txt";
    RunResult r = RunVxshape("export-text " + Q(doc) + " " + Q(out) + " " + row.options + " --preferences " +
                             Q(dir / "p.json"));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string bytes = Slurp(out);
    ASSERT_EQ(bytes.substr(0, row.bom.size()), row.bom);
    const std::string body = bytes.substr(row.bom.size());
    const std::u16string all = row.enc == text::TextEncoding::kUTF16 ? text::Utf16LeBytesToUtf16(body)
                                                                      : text::Decode(body, row.enc);
    std::vector<std::u16string> lines;
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find(u"\r\n", at);
      ASSERT_NE(end, std::u16string::npos) << "every line ends with CR LF";
      lines.push_back(all.substr(at, end - at));
      at = end + 2;
    }
    ASSERT_EQ(lines.size(), 4u);
    data::FieldSplitter split;
    split.SetDelimiter(row.sep);
    split.Split(lines[0]);
    EXPECT_EQ(text::Utf16ToUtf8(split.Field(0)), "平面直角X座標(m)");
    EXPECT_EQ(text::Utf16ToUtf8(split.Field(2)), "駅名");
    for (std::size_t i = 0; i < 3; ++i) {
      split.Split(lines[i + 1]);
      // Find the station by its name.
      const std::string name = text::Utf16ToUtf8(split.Field(2));
      const json* s = nullptr;
      for (const json& f : stations)
        if (f["properties"]["駅名"] == name) s = &f;
      ASSERT_TRUE(s) << name;
      const json& c = (*s)["geometry"]["coordinates"];
      EXPECT_NEAR(std::stod(text::Utf16ToUtf8(split.Field(0))), c[1].get<double>(), 1e-3) << name;
      EXPECT_NEAR(std::stod(text::Utf16ToUtf8(split.Field(1))), c[0].get<double>(), 1e-3) << name;
      EXPECT_EQ(text::Utf16ToUtf8(split.Field(3)), (*s)["properties"]["乗降客数"].get<std::string>()) << name;
    }
  }
}

}  // namespace
}  // namespace vx::test
