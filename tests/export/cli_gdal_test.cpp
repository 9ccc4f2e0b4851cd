// vxshape export-shp end to end, read back by GDAL (ogrinfo) and shapelib (dbfdump): the right
// system through the .prj, the encoding through the .cpg, values, coordinates and ring order.
#include "tests/export/export_fixture.h"

#include <cstdio>
#include <regex>

namespace vx::test {
namespace {

struct Ran {
  int status = -1;
  std::string out;
};

// Runs a shell command; standard error goes with standard output.
Ran Shell(const std::string& command) {
  Ran r;
  std::FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

class CliGdalTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    AddFrame();
    SetFields(Group(first), {Field("名前", attr::kFieldString, 20), Field("人口", attr::kFieldInteger, 8),
                             Field("面積", attr::kFieldReal, 12, 3)});
    ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
    Square(compound, 0, 0, 100);
    Square(compound, 40, 40, 10);
    SetFields(compound, {Field("名前", attr::kFieldString, 20, 0, "公園"), Field("人口", attr::kFieldInteger, 8, 0, "0"),
                         Field("面積", attr::kFieldReal, 12, 3, "1234.5")});
    ArtHandle square = Square(Group(first), 200, 0, 20, /*cw=*/true);
    SetFields(square, {Field("名前", attr::kFieldString, 20, 0, "駅"), Field("人口", attr::kFieldInteger, 8, 0, "1200")});
    LayerHandle other = NewLayer("河川");
    Square(Group(other), 0, 300, 10);
    doc = dir / "map.vxd";
    std::string error;
    ASSERT_TRUE(host->SaveDocument(doc, error)) << error;
    docBytes = Slurp(doc);
  }
  Ran Export(const std::string& args) {
    return Shell(std::string(VX_BINARY_DIR) + "/cli/vxshape export-shp " + Quote(doc) + " " + args + " --preferences " +
                 Quote(dir / "prefs.json"));
  }
  std::filesystem::path doc;
  std::string docBytes;
};

// Signed area of the first ring of the first POLYGON in ogrinfo's output.
double FirstRingArea(const std::string& ogr) {
  const auto start = ogr.find("POLYGON ((");
  if (start == std::string::npos) return 0;
  const auto end = ogr.find(')', start);
  std::stringstream s(ogr.substr(start + 10, end - start - 10));
  data::PointList ring;
  for (std::string pair; std::getline(s, pair, ',');) {
    std::stringstream xy(pair);
    data::MapPoint p;
    xy >> p.x >> p.y;
    ring.push_back(p);
  }
  return RingArea(ring);
}

TEST_F(CliGdalTest, PolygonsInThePlaneZoneReadByGdal) {
  const auto out = dir / "parks.shp";
  const Ran r = Export(Quote(out) + " --type polygon --encoding utf8");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(Slurp(doc), docBytes) << "the document is not changed";
  const Ran info = Shell("ogrinfo -ro -al " + Quote(out));
  ASSERT_EQ(info.status, 0) << info.out;
  EXPECT_NE(info.out.find("Geometry: Polygon"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("Feature Count: 2"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("JGD2000 / Japan Plane Rectangular CS IX"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("名前 (String) = 公園"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("面積 (Real) = 1234.5"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("名前 (String) = 駅"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("人口 (Integer) = 1200"), std::string::npos) << info.out;
  // The compound path (first in the layer) keeps its hole: one polygon of two rings, outer clockwise.
  EXPECT_NE(info.out.find("POLYGON (("), std::string::npos);
  EXPECT_EQ(info.out.find("MULTIPOLYGON"), std::string::npos) << "the hole was read as a hole";
  EXPECT_LT(FirstRingArea(info.out), 0) << "outer ring clockwise";
  // The outer square's corner (0, 0) at the frame's reference point, to the millimetre.
  EXPECT_NE(info.out.find("1000 -2000"), std::string::npos) << info.out;

  const Ran dbf = Shell("dbfdump " + Quote(dir / "parks.dbf"));
  EXPECT_NE(dbf.out.find("1234.500"), std::string::npos) << dbf.out;
}

TEST_F(CliGdalTest, PerLayerFilesConvertedToUtm) {
  const auto folder = dir / "layers";
  std::filesystem::create_directory(folder);
  const Ran r = Export(Quote(folder) + " --target all --per-layer --type line --to JGD:UTM54 --layer-field");
  ASSERT_EQ(r.status, 0) << r.out;
  const Ran roads = Shell("ogrinfo -ro -al " + Quote(folder / "道路.shp"));
  EXPECT_NE(roads.out.find("Feature Count: 2"), std::string::npos) << roads.out;
  EXPECT_NE(roads.out.find("UTM zone 54N"), std::string::npos) << roads.out;
  EXPECT_NE(roads.out.find("AI_LAYER (String) = 道路"), std::string::npos) << roads.out << "\nShift-JIS through the .cpg";
  const Ran rivers = Shell("ogrinfo -ro -al -so " + Quote(folder / "河川.shp"));
  EXPECT_NE(rivers.out.find("Feature Count: 1"), std::string::npos) << rivers.out;
  // Near the zone 9 origin (36 N, 139.83 E), in UTM zone 54 metres.
  const std::regex point(R"(LINESTRING \((\d+)\.?\d* (\d+))");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(roads.out, m, point)) << roads.out;
  EXPECT_NEAR(std::stod(m[1]), 396000, 2000);
  EXPECT_NEAR(std::stod(m[2]), 3984000, 5000);
}

TEST_F(CliGdalTest, RefusalsEndWithTheAlertsText) {
  struct Case {
    std::string args;
    std::string message;
  };
  const Case cases[] = {
      {"--objects none", "書き出すオブジェクトを指定してください"},
      {"--type polygon --objects filled,text", "\"テキスト\" cannot be changed here"},
      {"--target selection", "--target selection is not offered"},
      {"--to TKY:BL", "測地系変換パラメータファイルを開けません"},
      {"--bezier 10", "--bezier: '10' is neither 1 to 9 nor off"},
      {"--layer 無い", "--layer: no layer is titled '無い'"},
  };
  for (const Case& c : cases) {
    const Ran r = Export(Quote(dir / "no.shp") + " " + c.args);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.out.find("vxshape: " + c.message), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "no.shp")) << c.args;
  }
}

}  // namespace
}  // namespace vx::test
