// vxshape import-shp and info --features: shapefiles imported through the plug-in's dialogs,
// checked against what GDAL reads from the same files.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace vx::test {
namespace {

using nlohmann::json;

// Standard output of a shell command; empty when it fails.
std::string Capture(const std::string& cmd, int* status = nullptr) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen((cmd + " 2>/dev/null").c_str(), "r"), pclose);
  std::string out;
  std::array<char, 65536> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p.get())) out.append(buf.data(), n);
  const int raw = pclose(p.release());
  if (status) *status = raw;
  return out;
}

bool HaveGdal() { return !Capture("ogr2ogr --version").empty(); }

const std::filesystem::path kSamples = std::filesystem::path(VX_SOURCE_DIR) / "samples";

// A new document and a preferences file of its own in `dir`.
struct Sheet {
  explicit Sheet(const TempDir& dir, const std::string& size = "") : doc(dir / "d.vxd"), prefs(dir / "prefs.json") {
    RunResult r = RunVxshape("new " + Q(doc) + (size.empty() ? "" : " --size " + size));
    EXPECT_EQ(r.status, 0) << r.err;
  }
  RunResult Import(const std::string& args) const {
    return RunVxshape("import-shp " + Q(doc) + " " + args + " --preferences " + Q(prefs));
  }
  json Features(const std::string& extra = "") const {
    RunResult r = RunVxshape("info " + Q(doc) + " --features --json " + extra);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.status == 0 ? json::parse(r.out) : json();
  }
  json Info() const {
    RunResult r = RunVxshape("info " + Q(doc) + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.status == 0 ? json::parse(r.out) : json();
  }
  std::filesystem::path doc, prefs;
};

const json* Layer(const json& j, const std::string& title) {
  for (const json& l : j["layers"])
    if (l["title"] == title) return &l;
  return nullptr;
}

// Every (x, y) of a GeoJSON-like coordinates array, in order (a third value is left out).
void Flatten(const json& c, std::vector<std::pair<double, double>>& out) {
  if (c.is_array() && c.size() >= 2 && c[0].is_number()) {
    out.emplace_back(c[0].get<double>(), c[1].get<double>());
    return;
  }
  for (const json& e : c) Flatten(e, out);
}

// Compares the features of our layer with GDAL's reading of the same file (GeoJSON of ogr2ogr):
// the same count, the same vertices in the same order (map coordinates equal the file's when both
// systems are the same), and the same values.
void ExpectSameFeatures(const json& ours, const json& gdal, const std::string& what) {
  ASSERT_EQ(ours["features"].size(), gdal["features"].size()) << what;
  for (std::size_t i = 0; i < ours["features"].size(); ++i) {
    const json& o = ours["features"][i];
    const json& g = gdal["features"][i];
    std::vector<std::pair<double, double>> a, b;
    Flatten(o["geometry"]["coordinates"], a);
    Flatten(g["geometry"]["coordinates"], b);
    ASSERT_EQ(a.size(), b.size()) << what << " feature " << i << ": " << o.dump() << "\n" << g.dump();
    for (std::size_t k = 0; k < a.size(); ++k) {
      EXPECT_NEAR(a[k].first, b[k].first, 1e-4) << what << " feature " << i << " vertex " << k;
      EXPECT_NEAR(a[k].second, b[k].second, 1e-4) << what << " feature " << i << " vertex " << k;
    }
    for (const auto& [name, value] : g["properties"].items()) {
      ASSERT_TRUE(o["properties"].contains(name)) << what << " feature " << i << " lacks " << name << ": " << o.dump();
      const std::string mine = o["properties"][name];
      if (value.is_number()) {
        EXPECT_NEAR(std::stod(mine), value.get<double>(), 1e-9 * (1 + std::fabs(value.get<double>())))
            << what << " feature " << i << " " << name;
      } else if (value.is_string()) {
        EXPECT_EQ(mine, value.get<std::string>()) << what << " feature " << i << " " << name;
      } else {
        EXPECT_EQ(mine, "") << what << " feature " << i << " " << name << " is empty in GDAL";
      }
    }
  }
}

json GdalFeatures(const std::filesystem::path& shp) {
  const std::string out = Capture("ogr2ogr -f GeoJSON -lco COORDINATE_PRECISION=15 /vsistdout/ " + Q(shp));
  return json::parse(out);
}

TEST(ImportShp, RoadsMakeALayerADataFrameAndMarkers) {
  TempDir dir;
  Sheet sheet(dir);
  // Before the import: no georeference, and a layer that is not there is an error.
  EXPECT_EQ(sheet.Features()["georeference"]["kind"], "none");
  RunResult none = RunVxshape("info " + Q(sheet.doc) + " --features --layer roads");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("no layer titled \"roads\""), std::string::npos) << none.err;
  RunResult r = sheet.Import(Q(kSamples / "roads.shp") + " --from JGD:XY9 --map JGD:XY9 --scale 25000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("新たにデータフレームを作成します"), std::string::npos) << r.out;

  const json info = sheet.Info();
  const json* roads = Layer(info, "roads");
  ASSERT_TRUE(roads) << info.dump(1);
  ASSERT_EQ((*roads)["fields"].size(), 4u) << roads->dump();
  EXPECT_EQ((*roads)["fields"][0]["name"], "名称");
  EXPECT_EQ((*roads)["fields"][2]["type"], "実数");
  const json* frame = Layer(info, "Varnox-Shape DataFrame");
  ASSERT_TRUE(frame) << info.dump(1);
  const std::string text = (*frame)["dataFrame"];
  EXPECT_EQ(text.rfind("G=JGD|P=XY9|X=-7100.000000|Y=-35450.000000|S=25000|R=", 0), 0u) << text;
  for (const char* marker : {"4点座標マーカー 左上", "4点座標マーカー 右上", "4点座標マーカー 左下", "4点座標マーカー 右下"}) {
    const json* m = Layer(info, marker);
    ASSERT_TRUE(m) << marker;
    EXPECT_EQ((*m)["art"].value("text", 0), 1) << marker;
  }

  // Each extent marker's text (northing&easting) is where the data frame places its anchor.
  for (const char* marker : {"4点座標マーカー 左上", "4点座標マーカー 右下"}) {
    const json m = sheet.Features("--layer '" + std::string(marker) + "'");
    const json& f = m["layers"][0]["features"][0];
    ASSERT_EQ(f["kind"], "text") << f.dump();
    const std::string t = f["text"];
    const auto amp = t.find('&');
    ASSERT_NE(amp, std::string::npos) << t;
    EXPECT_NEAR(f["geometry"]["coordinates"][1].get<double>(), std::stod(t.substr(0, amp)), 1e-6) << marker;
    EXPECT_NEAR(f["geometry"]["coordinates"][0].get<double>(), std::stod(t.substr(amp + 1)), 1e-6) << marker;
  }

  // One art per record with its values, at the file's coordinates.
  const json ours = sheet.Features("--layer roads");
  EXPECT_EQ(ours["georeference"]["kind"], "data frame");
  ASSERT_EQ(ours["layers"].size(), 1u);
  if (HaveGdal()) ExpectSameFeatures(ours["layers"][0], GdalFeatures(kSamples / "roads.shp"), "roads");
  EXPECT_EQ(ours["layers"][0]["features"][0]["properties"]["名称"], "晴海通り");
  EXPECT_EQ(ours["layers"][0]["features"][2]["kind"], "compound path") << "record 3 has two parts";

  // A second import uses the frame; the blocks come out at their own coordinates too.
  r = sheet.Import(Q(kSamples / "blocks.shp") + " --from JGD:XY9 --map JGD:XY9 --scale 25000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("現在のデータフレーム設定を使用します"), std::string::npos) << r.out;
  const json blocks = sheet.Features("--layer blocks");
  if (HaveGdal()) ExpectSameFeatures(blocks["layers"][0], GdalFeatures(kSamples / "blocks.shp"), "blocks");
  const json& courtyard = blocks["layers"][0]["features"][1];
  EXPECT_EQ(courtyard["kind"], "compound path");
  EXPECT_EQ(courtyard["properties"]["名称"], "中庭のある街区");

  // Rendered: the paths, the frame text and the markers' texts are in the SVG.
  const auto svg = dir / "d.svg";
  r = RunVxshape("render " + Q(sheet.doc) + " " + Q(svg));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string s = Slurp(svg);
  EXPECT_NE(s.find("G=JGD|P=XY9"), std::string::npos);
  EXPECT_NE(s.find("<path"), std::string::npos);
}

// Shapefiles written by GDAL: each geometry kind with Z and M variants, Shift-JIS and UTF-8
// tables, all imported in one command, each file a layer of its own with every record and value.
TEST(ImportShp, ShapefilesWrittenByGdal) {
  if (!HaveGdal()) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  struct File {
    const char* name;
    const char* type;      // -nlt
    const char* encoding;  // -lco ENCODING
    std::vector<const char*> wkt;
  } files[] = {
      {"points", "POINT", "CP932", {"POINT (-7000.5 -35000.25)", "POINT (-6999 -35001)", "POINT (0 0)"}},
      {"pointsz", "POINT25D", "UTF-8", {"POINT Z (-7000 -35000 12.5)", "POINT Z (-7010 -35010 3)"}},
      {"pointsm", "POINTM", "CP932", {"POINT M (-7000 -35000 7)", "POINT M (-7020 -35030 8)"}},
      {"lines", "MULTILINESTRING", "CP932",
       {"LINESTRING (-7000 -35000,-6990 -34990,-6980 -35010)",
        "MULTILINESTRING ((-7100 -35100,-7090 -35090),(-7080 -35080,-7070 -35070,-7060 -35075))"}},
      {"linesz", "LINESTRING25D", "UTF-8", {"LINESTRING Z (-7000 -35000 1,-6990 -34990 2)"}},
      {"linesm", "LINESTRINGM", "CP932", {"LINESTRING M (-7000 -35000 1,-6990 -34990 2,-6995 -34980 3)"}},
      {"polygons", "MULTIPOLYGON", "CP932",
       {"POLYGON ((-7000 -35000,-7000 -34900,-6900 -34900,-6900 -35000,-7000 -35000),"
        "(-6980 -34980,-6920 -34980,-6920 -34920,-6980 -34920,-6980 -34980))",
        "MULTIPOLYGON (((-7200 -35200,-7200 -35150,-7150 -35150,-7200 -35200)),"
        "((-7300 -35300,-7300 -35250,-7250 -35250,-7300 -35300)))"}},
      {"polygonsz", "POLYGON25D", "UTF-8",
       {"POLYGON Z ((-7000 -35000 5,-7000 -34900 6,-6900 -34900 7,-7000 -35000 5))"}},
      {"polygonsm", "POLYGONM", "CP932",
       {"POLYGON M ((-7000 -35000 1,-7000 -34900 2,-6900 -34900 3,-7000 -35000 1),"
        "(-6990 -34990 4,-6960 -34985 5,-6985 -34960 6,-6990 -34990 4))"}},
  };
  const char* names[] = {"道路", "ＡＢＣ", "㈱テスト", ""};
  std::string args;
  for (const File& f : files) {
    const auto csv = dir / (std::string(f.name) + ".csv");
    {
      std::ofstream out(csv, std::ios::binary);
      out << "WKT,名称,番号,値\n";
      for (std::size_t i = 0; i < f.wkt.size(); ++i)
        out << "\"" << f.wkt[i] << "\"," << names[i % 4] << "," << static_cast<int>(i) * 7 - 3 << "," << (static_cast<double>(i) + 0.25) * 1.5 << "\n";
    }
    const auto shp = dir / (std::string(f.name) + ".shp");
    int status = 0;
    Capture("ogr2ogr -f 'ESRI Shapefile' " + Q(shp) + " " + Q(csv) +
                " -oo AUTODETECT_TYPE=YES -oo KEEP_GEOM_COLUMNS=NO -nlt " + f.type + " -lco ENCODING=" + f.encoding,
            &status);
    ASSERT_EQ(status, 0) << f.name;
    args += " " + Q(shp);
  }
  // Each file's .cpg tells its encoding: a Shift-JIS and a UTF-8 table in one run need two runs,
  // as the dialog has one encoding for all files.
  Sheet sheet(dir);
  std::string sjis, utf8;
  for (const File& f : files) (std::string(f.encoding) == "UTF-8" ? utf8 : sjis) += " " + Q(dir / (std::string(f.name) + ".shp"));
  RunResult r = sheet.Import(sjis + " --encoding sjis --from JGD:XY9 --map JGD:XY9 --scale 5000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  r = sheet.Import(utf8 + " --encoding auto --from JGD:XY9");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("says \"UTF-8\"; read as UTF-8"), std::string::npos) << r.out;

  const json ours = sheet.Features();
  for (const File& f : files) {
    const json* layer = Layer(ours, f.name);
    ASSERT_TRUE(layer) << f.name << " has no layer";
    ExpectSameFeatures(*layer, GdalFeatures(dir / (std::string(f.name) + ".shp")), f.name);
  }
  // Points are point marks; a polygon with a hole is one compound path of two rings.
  EXPECT_EQ((*Layer(ours, "points"))["features"][0]["kind"], "point");
  EXPECT_EQ((*Layer(ours, "polygons"))["features"][0]["kind"], "compound path");
  EXPECT_EQ((*Layer(ours, "polygons"))["features"][0]["parts"], 2);
}

// A refused entry ends the command with the alert's text; the document stays as it was.
TEST(ImportShp, RefusedEntriesLeaveTheDocumentUnsaved) {
  TempDir dir;
  Sheet sheet(dir);
  const std::string before = Slurp(sheet.doc);
  struct Row {
    const char* args;
    const char* alert;
  } rows[] = {
      {"--from JGD:XY9 --map JGD:XY9 --scale 0", "縮尺指定が正しくありません"},
      {"--from JGD:XY9 --map JGD:XY9 --scale abc", "縮尺指定が正しくありません"},
      {"--from JGD:XY9 --range '-35000,-7000' '-35500,-7500'", "指定した座標範囲が無効です"},
      {"--from JGD:XY9 --range '-35000,-7' '-35500,-6500'", "指定した座標範囲が無効です"},
  };
  for (const Row& row : rows) {
    RunResult r = sheet.Import(Q(kSamples / "roads.shp") + " " + row.args);
    EXPECT_NE(r.status, 0) << row.args;
    EXPECT_NE(r.err.find(row.alert), std::string::npos) << row.args << ": " << r.out << r.err;
    EXPECT_NE(r.out.find(std::string("warning: ") + row.alert), std::string::npos) << "the alert is printed: " << r.out;
    EXPECT_EQ(Slurp(sheet.doc), before) << row.args;
  }
  // Options the command line itself refuses never reach the dialog.
  for (const char* bad : {"--from JGD:XY20", "--from WGS:BL", "--encoding latin2", "--north --no-north", "--range 35,139"}) {
    RunResult r = sheet.Import(Q(kSamples / "roads.shp") + " " + bad);
    EXPECT_EQ(r.status, 2) << bad << ": " << r.err;
    EXPECT_EQ(Slurp(sheet.doc), before) << bad;
  }
}

TEST(ImportShp, RangeAndAutoDetection) {
  TempDir dir;
  Sheet sheet(dir);
  // The sidecars say Shift-JIS and zone IX; the range keeps the two roads that reach east of -6900.
  // The range in one word before the file: the file is not taken for the second corner.
  RunResult r = RunVxshape("import-shp " + Q(sheet.doc) + " --range '-35000,-6900 -35900,-6500' " +
                           Q(kSamples / "roads.shp") +
                           " --encoding auto --from auto --map JGD:XY9 --scale 10000 --no-north --preferences " +
                           Q(sheet.prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("--from JGD:XY9"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("roads.cpg says \"932\"; read as シフトJIS"), std::string::npos) << r.out;
  const json ours = sheet.Features("--layer roads");
  std::vector<std::string> kept;
  for (const json& f : ours["layers"][0]["features"]) kept.push_back(f["properties"]["名称"]);
  // Records whose box reaches the range: 1, 3 (its second part) and 4; record 2 lies west of it.
  EXPECT_EQ(kept, (std::vector<std::string>{"晴海通り", "八重洲通り", "昭和通り"}));

  // Files that tell nothing: one line says so, and the dialog's own setting is used.
  TempDir bare;
  for (const char* ext : {".shp", ".shx", ".dbf"})
    std::filesystem::copy_file(kSamples / (std::string("stations") + ext), bare / (std::string("stations") + ext));
  r = sheet.Import(Q(bare / "stations.shp") + " --encoding auto --from auto");
  EXPECT_NE(r.out.find("--from auto: nothing tells"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("--encoding auto: "), std::string::npos) << r.out;
}

// Damaged or incomplete files: every problem is printed; the document is saved when something was
// imported (status 3 tells that warnings came), and left alone when nothing was.
TEST(ImportShp, BadFiles) {
  TempDir dir;
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
    std::filesystem::copy_file(kSamples / (std::string("roads") + ext), dir / (std::string("roads") + ext));
    std::filesystem::copy_file(kSamples / (std::string("blocks") + ext), dir / (std::string("blocks") + ext));
  }
  std::filesystem::copy_file(dir / "roads.shx", dir / "cut.shx");
  std::filesystem::copy_file(dir / "roads.dbf", dir / "cut.dbf");
  {
    const std::string shp = Slurp(dir / "roads.shp");
    std::ofstream(dir / "cut.shp", std::ios::binary) << shp.substr(0, 300);  // record 2 cut short
  }
  std::filesystem::remove(dir / "blocks.dbf");
  const std::string frame = " --from JGD:XY9 --map JGD:XY9 --scale 25000";

  Sheet sheet(dir);
  const std::string before = Slurp(sheet.doc);
  // The only file cannot be opened: nothing imported, nothing saved.
  RunResult r = sheet.Import(Q(dir / "blocks.shp") + frame);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("blocks.shp"), std::string::npos) << "the file is named: " << r.out;
  EXPECT_NE(r.err.find("ファイルを開けません"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(sheet.doc), before);

  // With a good file beside it, the good one is imported and the bad one named.
  r = sheet.Import(Q(dir / "roads.shp") + " " + Q(dir / "blocks.shp") + frame);
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  EXPECT_NE(r.out.find("blocks.dbf"), std::string::npos) << r.out;
  json features = sheet.Features();
  ASSERT_TRUE(Layer(features, "roads"));
  EXPECT_EQ((*Layer(features, "roads"))["features"].size(), 4u);
  EXPECT_FALSE(Layer(features, "blocks"));

  // A cut-short file: the record before the cut stays, the user hears which record failed.
  r = sheet.Import(Q(dir / "cut.shp") + frame);
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  EXPECT_NE(r.out.find("cut.shp"), std::string::npos) << r.out;
  features = sheet.Features("--layer cut");
  EXPECT_EQ(features["layers"][0]["features"].size(), 1u);

  // Shift-JIS read as UTF-8 is the user's choice: imported, wrongly decoded but told (status 3),
  // and the document still saves and reads back.
  r = sheet.Import(Q(dir / "roads.shp") + " --encoding utf8 --from JGD:XY9");
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  EXPECT_NE(r.out.find("roads.shp: （UTF-8）"), std::string::npos) << r.out;
  RunResult text = RunVxshape("info " + Q(sheet.doc) + " --features");
  EXPECT_EQ(text.status, 0) << text.err;

  // A range that excludes everything makes an empty layer.
  r = sheet.Import(Q(dir / "roads.shp") + " --from JGD:XY9 --range '0,100' '-10,200'");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("layer \"roads\": 0 art"), std::string::npos) << r.out;
}

TEST(ImportShp, GridMissingForATokyoImport) {
  TempDir dir;
  TempDir emptyPluginDir;
  // The plug-in module, without the grid that ships beside it.
  std::filesystem::copy_file(std::filesystem::path(VXSHAPE_BIN).parent_path() / "vxshape.aip",
                             emptyPluginDir.path() / "vxshape.aip");
  Sheet sheet(dir);
  const std::string before = Slurp(sheet.doc);
  RunResult r = sheet.Import(Q(kSamples / "roads.shp") + " --from TKY:XY9 --map JGD:XY9 --scale 25000 --plugin-dir " +
                             Q(emptyPluginDir.path()));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("測地系変換パラメータファイルを開けません"), std::string::npos) << r.out;
  EXPECT_EQ(Slurp(sheet.doc), before);
}

}  // namespace
}  // namespace vx::test
