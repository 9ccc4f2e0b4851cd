// The sidecars against GDAL: the .prj texts GDAL writes read as the system they describe, and
// the .prj and .cpg we write are identified by GDAL as the system and code page we meant.
#include "datafiles/shape_writer.h"
#include "datafiles/sidecars.h"
#include "tests/datafiles/fixture.h"
#include "tests/datafiles/system_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace vx::data::testing {
namespace {

std::string Tool(const std::string& cmd) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen((cmd + " 2>&1").c_str(), "r"), pclose);
  std::string out;
  std::array<char, 65536> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p.get())) out.append(buf.data(), n);
  return out;
}

// The WKT gdalsrsinfo writes for `srs` in `format`; empty when the tool is missing.
std::string GdalWkt(const std::string& srs, const std::string& format) {
  const std::string cmd = "gdalsrsinfo -o " + format + " " + srs + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  if (!p) return {};
  std::string out;
  std::array<char, 4096> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p.get())) out.append(buf.data(), n);
  return out;
}

TEST(Sidecars, SystemsAsGdalWritesThem) {
  if (GdalWkt("EPSG:4612", "wkt1").find("GEOGCS") == std::string::npos) GTEST_SKIP() << "gdalsrsinfo is not installed";
  struct Row {
    const char* srs;
    const char* want;  // "" when nothing can be told
    bool note;         // read as JGD2000 with a caveat
  } rows[] = {
      {"EPSG:4612", "JGD:BL", false},      {"EPSG:4301", "TKY:BL", false},
      {"EPSG:2443", "JGD:XY1", false},     {"EPSG:2451", "JGD:XY9", false},
      {"EPSG:2461", "JGD:XY19", false},    {"EPSG:30161", "TKY:XY1", false},
      {"EPSG:30169", "TKY:XY9", false},    {"EPSG:30179", "TKY:XY19", false},
      {"EPSG:3097", "JGD:UTM51", false},   {"EPSG:3100", "JGD:UTM54", false},
      {"EPSG:3101", "JGD:UTM55", false},   {"EPSG:3095", "TKY:UTM54", false},
      {"EPSG:6668", "JGD:BL", true},       {"EPSG:6677", "JGD:XY9", true},
      {"EPSG:6690", "JGD:UTM53", true},    {"ESRI:102618", "JGD:XY9", true},
      {"EPSG:4326", "JGD:BL", true},       {"EPSG:32654", "JGD:UTM54", true},
      {"EPSG:3857", "", false},            {"EPSG:4269", "", false},
      {"EPSG:2193", "", false},  // New Zealand transverse Mercator on another datum
  };
  for (const Row& r : rows) {
    for (const char* format : {"wkt1", "wkt_esri", "wkt2"}) {
      const std::string wkt = GdalWkt(r.srs, format);
      if (wkt.find('[') == std::string::npos) continue;  // the format does not cover this system
      // The .prj as GDAL writes it: one line.
      std::string line;
      for (char c : wkt)
        if (c != '\n' && c != '\r') line += c;
      const SystemGuess g = SystemFromWkt(line);
      const std::string got = Text(g);
      EXPECT_EQ(got, r.want) << r.srs << " " << format << ": " << g.reason << "\n" << line;
      EXPECT_EQ(!g.note.empty(), r.note) << r.srs << " " << format << ": " << g.note;
    }
  }
}

// Every system of the dialogs in both datums, written as a one-point shapefile with its .prj
// and .cpg, and read by one ogrinfo run: the authority code GDAL finds and the encoding it uses.
TEST(Sidecars, WrittenSidecarsIdentifiedByGdal) {
  if (Tool("ogrinfo --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogrinfo is not installed";
  TempDir dir;
  struct Layer {
    SidecarSystem system;
    std::string code;  // what GDAL identifies
    TextEncoding encoding;
  };
  const std::pair<TextEncoding, const char*> encodings[] = {{TextEncoding::kShiftJIS, "CP932"},
                                                            {TextEncoding::kUTF8, "UTF-8"},
                                                            {TextEncoding::kLatin1, "ISO-8859-1"},
                                                            {TextEncoding::kWindows1252, "CP1252"},
                                                            {TextEncoding::kEucJp, "EUC-JP"}};
  std::map<std::string, Layer> layers;
  int n = 0;
  for (std::int32_t datum : {1, 2}) {
    const bool jgd = datum == 2;
    layers["bl" + std::to_string(datum)] = {{datum, 1, 0, 0}, jgd ? "EPSG:4612" : "EPSG:4301", {}};
    for (std::int32_t z = 1; z <= 19; ++z)
      layers["xy" + std::to_string(datum) + "_" + std::to_string(z)] = {
          {datum, 3, z, 0}, "EPSG:" + std::to_string((jgd ? 2442 : 30160) + z), {}};
    for (std::int32_t z = 51; z <= 56; ++z)
      layers["utm" + std::to_string(datum) + "_" + std::to_string(z)] = {
          {datum, 2, 0, z},
          z == 56 ? (jgd ? "ESRI:102150" : "ESRI:102156") : "EPSG:" + std::to_string((jgd ? 3046 : 3041) + z),
          {}};
  }
  for (auto& [name, layer] : layers) {
    layer.encoding = encodings[n++ % 5].first;
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
    ASSERT_TRUE(w.Create(dir / (name + ".shp")));
    ASSERT_TRUE(w.WritePointRecord({1, 1}));
    ASSERT_TRUE(w.Finish());
    std::string error;
    const SidecarSystem& s = layer.system;
    ASSERT_TRUE(WriteSidecars(dir / (name + ".shp"), s.datum, s.kind, s.zone, s.utmZone, layer.encoding, error)) << error;
  }
  // Per layer: "Layer name: NAME", later "SOURCE_ENCODING=CP932" and the system's own ID, the
  // one indented by four spaces.
  std::istringstream out(Tool("ogrinfo -ro -so -al -mdd SHAPEFILE '" + dir.path().string() + "'"));
  std::map<std::string, std::pair<std::string, std::string>> seen;  // name -> (code, encoding)
  std::string current;
  const std::regex id(R"re(^    ID\["(\w+)",(\d+)\]\]$)re");
  for (std::string line; std::getline(out, line);) {
    std::smatch m;
    if (line.rfind("Layer name: ", 0) == 0) current = line.substr(12);
    else if (std::regex_match(line, m, id)) seen[current].first = m[1].str() + ":" + m[2].str();
    else if (const auto at = line.find("SOURCE_ENCODING="); at != std::string::npos) seen[current].second = line.substr(at + 16);
  }
  for (const auto& [name, layer] : layers) {
    std::string encoding;
    for (const auto& [e, gdalName] : encodings)
      if (e == layer.encoding) encoding = gdalName;
    EXPECT_EQ(seen[name].first, layer.code) << name;
    EXPECT_EQ(seen[name].second, encoding) << name;
  }
}

}  // namespace
}  // namespace vx::data::testing
