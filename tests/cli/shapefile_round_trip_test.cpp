// Shapefiles written by GDAL, imported and exported again by vxshape, read back by GDAL: the same
// records in the same order, the same polygons and holes, the same values (nulls as nulls).
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace vx::test {
namespace {

using nlohmann::json;

std::string Shell(const std::string& cmd, int* status = nullptr) {
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen((cmd + " 2>&1").c_str(), "r"), pclose);
  std::string out;
  std::array<char, 65536> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p.get())) out.append(buf.data(), n);
  const int raw = pclose(p.release());
  if (status) *status = raw;
  return out;
}

// A shapefile made by ogr2ogr from CSV rows of WKT and values, with the column types given.
void MakeShapefile(const std::filesystem::path& shp, const std::string& types, const std::string& rows,
                   const std::string& layerOptions = "-nlt MULTIPOLYGON -lco ENCODING=UTF-8") {
  auto csv = shp;
  csv.replace_extension(".csv");
  std::ofstream(csv, std::ios::binary) << rows;
  auto csvt = csv;
  csvt.replace_extension(".csvt");
  std::ofstream(csvt, std::ios::binary) << types << "\n";
  int status = 0;
  const std::string out = Shell("ogr2ogr -f 'ESRI Shapefile' " + Q(shp) + " " + Q(csv) +
                                " -oo KEEP_GEOM_COLUMNS=NO " + layerOptions, &status);
  ASSERT_EQ(status, 0) << out;
}

json Features(const std::filesystem::path& shp) {
  const std::string out = Shell("ogr2ogr -f GeoJSON -lco COORDINATE_PRECISION=15 /vsistdout/ " + Q(shp));
  EXPECT_EQ(out.find("Warning"), std::string::npos) << shp << ": " << out;  // "Non closed ring" and the like
  return json::parse(out, nullptr, false);
}

// The column lines of ogrinfo's summary: "NAME: String (10.0)".
std::vector<std::string> Columns(const std::filesystem::path& shp) {
  std::stringstream s(Shell("ogrinfo -ro -so -al " + Q(shp)));
  std::vector<std::string> out;
  for (std::string line; std::getline(s, line);)
    if (line.find(": String (") != std::string::npos || line.find(": Integer (") != std::string::npos ||
        line.find(": Real (") != std::string::npos)
      out.push_back(line);
  return out;
}

// Same nesting of coordinate arrays, every coordinate within a micrometre.
void ExpectSameCoordinates(const json& a, const json& b, const std::string& where) {
  if (a.is_number()) {
    ASSERT_TRUE(b.is_number()) << where;
    EXPECT_NEAR(a.get<double>(), b.get<double>(), 1e-6) << where;
    return;
  }
  ASSERT_TRUE(a.is_array() && b.is_array()) << where;
  ASSERT_EQ(a.size(), b.size()) << where << "\n" << a.dump() << "\n" << b.dump();
  for (std::size_t i = 0; i < a.size(); ++i) ExpectSameCoordinates(a[i], b[i], where + "/" + std::to_string(i));
}

void ExpectSameFeatures(const json& in, const json& out, const std::string& what) {
  ASSERT_EQ(in["features"].size(), out["features"].size()) << what;
  for (std::size_t i = 0; i < in["features"].size(); ++i) {
    const json& a = in["features"][i];
    const json& b = out["features"][i];
    const std::string where = what + " record " + std::to_string(i + 1);
    EXPECT_EQ(a["properties"], b["properties"]) << where;
    EXPECT_EQ(a["geometry"]["type"], b["geometry"]["type"]) << where;
    ExpectSameCoordinates(a["geometry"]["coordinates"], b["geometry"]["coordinates"], where);
  }
}

// Valid in GDAL's eyes (outer rings hold their holes) and wound as the format wants (shapelib).
void ExpectValidPolygons(const std::filesystem::path& shp) {
  const std::string layer = shp.stem().string();
  const std::string valid =
      Shell("ogrinfo -ro -dialect SQLite -sql 'SELECT MIN(ST_IsValid(geometry)) AS v FROM \"" + layer + "\"' " + Q(shp));
  EXPECT_NE(valid.find("v (Integer) = 1"), std::string::npos) << shp << ": " << valid;
  const std::string dump = Shell("shpdump -validate " + Q(shp));
  EXPECT_EQ(dump.find("wrong direction"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\n0 object has invalid ring orderings"), std::string::npos) << dump;
}

TEST(ShapefileRoundTrip, RecordsRingsAndNullsComeBackAsGdalReadThem) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  // Counties: a multipolygon with a hole and a second island, a polygon with empty numbers, an
  // island in a lake in an island.
  MakeShapefile(dir / "a.shp", "\"WKT\",\"String(10)\",\"Integer(5)\",\"Real(12.3)\"",
                "WKT,NAME,POP,AREA\n"
                "\"MULTIPOLYGON (((0 0,0 100,100 100,100 0,0 0),(40 40,60 40,60 60,40 60,40 40)),"
                "((200 0,200 30,230 30,230 0,200 0)))\",一,100,1.5\n"
                "\"POLYGON ((0 200,0 300,100 300,100 200,0 200))\",二,,\n"
                "\"MULTIPOLYGON (((300 0,300 100,400 100,400 0,300 0),(320 20,380 20,380 80,320 80,320 20)),"
                "((340 40,340 60,360 60,360 40,340 40)))\",三,0,-2.25\n");
  // A second layer with a field of the same name, wider.
  MakeShapefile(dir / "b.shp", "\"WKT\",\"String(30)\",\"Real(10.2)\"",
                "WKT,NAME,VAL\n"
                "\"POLYGON ((0 -200,0 -100,100 -100,100 -200,0 -200))\",a name longer than ten,3.25\n"
                "\"POLYGON ((200 -200,200 -100,300 -100,300 -200,200 -200))\",短い,\n");
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  RunResult r = RunVxshape("new " + Q(doc));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunVxshape("import-shp " + Q(doc) + " " + Q(dir / "a.shp") + " " + Q(dir / "b.shp") +
                 " --encoding utf8 --from JGD:XY9 --map JGD:XY9 --scale 5000 --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;

  // Each layer in a file of its own: the file it came from.
  const auto out = dir / "out";
  std::filesystem::create_directory(out);
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(out) + " --target all --per-layer --type polygon --encoding utf8 --preferences " +
                 Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  for (const char* name : {"a", "b"}) {
    const auto in = dir / (std::string(name) + ".shp"), back = out / (std::string(name) + ".shp");
    ExpectSameFeatures(Features(in), Features(back), name);
    EXPECT_EQ(Columns(in), Columns(back)) << name;
    ExpectValidPolygons(back);
  }

  // The coordinate text keeps the empty numbers empty too.
  r = RunVxshape("export-text " + Q(doc) + " " + Q(dir / "a-text.csv") + " --layer a --comma --encoding utf8 --preferences " +
                 Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  std::stringstream csv(Slurp(dir / "a-text.csv"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(csv, line);) lines.push_back(line.substr(0, line.find('\r')));
  ASSERT_EQ(lines.size(), 4u) << csv.str();
  EXPECT_EQ(lines[1].substr(lines[1].find(",一,")), ",一,100,1.500");
  EXPECT_EQ(lines[2].substr(lines[2].find(",二,")), ",二,,") << "empty, not 0";

  // Both layers in one file: each NAME in the column of its own definition.
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "all.shp") +
                 " --target all --type polygon --encoding utf8 --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
  const json all = Features(dir / "all.shp");
  ASSERT_EQ(all["features"].size(), 5u);
  std::vector<std::string> name, name1;
  for (const json& f : all["features"]) {
    for (auto [column, into] : {std::pair{"NAME", &name}, std::pair{"NAME_1", &name1}}) {
      const json& v = f["properties"][column];
      if (v.is_string() && !v.get<std::string>().empty()) into->push_back(v);
    }
  }
  const std::vector<std::string> a{"一", "二", "三"}, b{"a name longer than ten", "短い"};
  EXPECT_TRUE((name == a && name1 == b) || (name == b && name1 == a)) << all.dump();
  ExpectValidPolygons(dir / "all.shp");
}

// Numbers as GDAL narrows them: a real with more integer digits than its decimals leave room for
// is stored with fewer decimals ("318622525.00000000000000" in N(24,15), "31647227904 " in
// N(12,3)); the export writes them the same way, and GDAL reads back the source's values.
TEST(ShapefileRoundTrip, NarrowedNumbersComeBackAsGdalReadThem) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  MakeShapefile(dir / "n.shp", "\"WKT\",\"String(10)\",\"Real(24.15)\",\"Real(12.3)\"",
                "WKT,NAME,POP,AREA\n"
                "\"POINT (10 20)\",a,318622525,31647227904\n"
                "\"POINT (30 40)\",b,1.5,2.25\n"
                "\"POINT (50 60)\",c,123456789012,12345678.5\n",
                "-nlt POINT -lco ENCODING=UTF-8");
  ASSERT_NE(Slurp(dir / "n.dbf").find("318622525.00000000000000"), std::string::npos) << "GDAL narrowed it";
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  RunResult r = RunVxshape("import-shp " + Q(doc) + " " + Q(dir / "n.shp") +
                           " --from JGD:XY9 --map JGD:XY9 --scale 5000 --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "back.shp") +
                 " --target all --type point --encoding utf8 --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("空欄"), std::string::npos) << r.out;
  ExpectSameFeatures(Features(dir / "n.shp"), Features(dir / "back.shp"), "n");
  EXPECT_EQ(Columns(dir / "n.shp"), Columns(dir / "back.shp"));
}

// Tables in the encodings they declare come back as GDAL reads them; one that declares nothing
// is read as Shift-JIS as before, but its undecodable values are told; é in a Shift-JIS export
// is told too.
TEST(ShapefileRoundTrip, DeclaredEncodingsAreReadAndLossesTold) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  const std::string rows = "WKT,NAME\n\"POINT (1 2)\",Alto da Nação\n\"POINT (3 4)\",Lomé\n\"POINT (5 6)\",Oslo\n";
  struct Source {
    const char* name;
    const char* layerOptions;
    bool dropCpg;  // leave the language driver byte alone to say it
  } sources[] = {
      {"latin1", "-nlt POINT -lco ENCODING=ISO-8859-1", false},
      {"ldid", "-nlt POINT -lco ENCODING=ISO-8859-1", true},  // language driver 0x57 instead
      {"cp1252", "-nlt POINT -lco ENCODING=CP1252", false},
      {"utf8", "-nlt POINT -lco ENCODING=UTF-8", true},        // nothing declared, valid UTF-8
  };
  const auto prefs = dir / "prefs.json";
  for (const Source& src : sources) {
    SCOPED_TRACE(src.name);
    const auto shp = dir / (std::string(src.name) + ".shp");
    MakeShapefile(shp, "\"WKT\",\"String(20)\"", rows, src.layerOptions);
    // What GDAL reads while the .cpg is there (without it GDAL takes a table that declares nothing
    // as ISO-8859-1).
    const json want = Features(shp);
    if (src.dropCpg) std::filesystem::remove(dir / (std::string(src.name) + ".cpg"));
    if (std::string(src.name) == "ldid") {
      std::fstream dbf(dir / "ldid.dbf", std::ios::in | std::ios::out | std::ios::binary);
      dbf.seekp(29);
      dbf.put('\x57');  // ISO-8859-1, as ArcGIS writes it
    }
    const auto doc = dir / (std::string(src.name) + ".vxd");
    ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
    RunResult r = RunVxshape("import-shp " + Q(doc) + " " + Q(shp) +
                             " --encoding auto --from JGD:XY9 --map JGD:XY9 --scale 5000 --preferences " + Q(prefs));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("文字コードに合わない"), std::string::npos) << r.out;
    const auto back = dir / (std::string(src.name) + "-back.shp");
    r = RunVxshape("export-shp " + Q(doc) + " " + Q(back) + " --target all --type point --encoding utf8 --preferences " +
                   Q(prefs));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ExpectSameFeatures(want, Features(back), src.name);
  }

  // Nothing declared and not UTF-8: read as Shift-JIS, and the values that do not decode are told
  // with file, field, count and first record.
  const auto bare = dir / "bare.shp";
  MakeShapefile(bare, "\"WKT\",\"String(20)\"", rows, "-nlt POINT -lco ENCODING=ISO-8859-1");
  std::filesystem::remove(dir / "bare.cpg");
  {
    std::fstream dbf(dir / "bare.dbf", std::ios::in | std::ios::out | std::ios::binary);
    dbf.seekp(29);
    dbf.put('\0');  // no language driver
  }
  const auto doc = dir / "bare.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  RunResult r = RunVxshape("import-shp " + Q(doc) + " " + Q(bare) +
                           " --from JGD:XY9 --map JGD:XY9 --scale 5000 --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 3) << r.out << r.err;  // a closing warning
  // "Alto da Nação" holds the valid pair ã o (鈬); "Lomé" ends on a lone lead byte.
  EXPECT_NE(r.out.find("文字コードに合わないバイトを含む値があります"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("bare.shp: （シフトJIS）NAME 1 件（最初は第2レコード）"), std::string::npos) << r.out;

  // é has no code in Shift-JIS: written as '?' and told.
  r = RunVxshape("export-shp " + Q(dir / "latin1.vxd") + " " + Q(dir / "sjis.shp") +
                 " --target all --type point --encoding sjis --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("出力する文字コードで表せない文字を「?」にしました: sjis.shp の NAME（2 件）"), std::string::npos)
      << r.out;
}

// The features of `all` but those at the given positions, as GDAL lists them.
json Without(json all, std::initializer_list<std::size_t> left) {
  json kept = json::array();
  for (std::size_t i = 0; i < all["features"].size(); ++i)
    if (std::find(left.begin(), left.end(), i) == left.end()) kept.push_back(all["features"][i]);
  all["features"] = kept;
  return all;
}

// A new document d.vxd in `dir` with the shapefiles `names` of `dir` imported with `options`.
RunResult ImportNew(const std::filesystem::path& dir, const std::vector<std::string>& names, const std::string& options) {
  RunResult r = RunVxshape("new " + Q(dir / "d.vxd"));
  if (r.status != 0) return r;
  std::string files;
  for (const std::string& n : names) files += " " + Q(dir / n);
  return RunVxshape("import-shp " + Q(dir / "d.vxd") + files + " --encoding utf8 " + options + " --preferences " +
                    Q(dir / "prefs.json"));
}

// A world outline into a latitude/longitude sheet and out again: the date line from both sides
// and the south pole come back, every record of it.
TEST(ShapefileRoundTrip, DateLineAndPoleComeBack) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  MakeShapefile(dir / "w.shp", "\"WKT\",\"String(10)\"",
                "WKT,NAME\n"
                "\"POLYGON ((170 60,170 70,180 70,180 60,170 60))\",RU\n"
                "\"MULTIPOLYGON (((-180 -20,-180 -16,-179 -16,-179 -20,-180 -20)),"
                "((178 -18,178 -16,180 -16,180 -18,178 -18)))\",FJ\n"
                "\"POLYGON ((-180 -90,-180 -80,180 -80,180 -90,-180 -90))\",AQ\n"
                "\"POLYGON ((139 35,140 36,140 35,139 35))\",JP\n");
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  RunResult r = ImportNew(dir.path(), {"w.shp"}, "--from JGD:BL --map JGD:BL --scale 50000000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "back.shp") + " --layer w --type polygon --encoding utf8 --preferences " +
                 Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
  ExpectSameFeatures(Features(dir / "w.shp"), Features(dir / "back.shp"), "world");
}

// A county file kept in one UTM zone far wider than the zone: every ring converts, out to 31 E
// from UTM33's 15 E; a record with a vertex beyond what the projection holds (100 E) is left out
// whole and named, on the way in, never drawn with a vertex missing.
TEST(ShapefileRoundTrip, WideZoneKeepsWholeRecords) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  MakeShapefile(dir / "c.shp", "\"WKT\",\"String(10)\"",
                "WKT,NAME\n"
                "\"POLYGON ((4.5 60,4.5 61,5.5 61,6 60.8,6.5 60.5,6 60.2,5.5 60,5 59.9,4.5 60))\",Vestland\n"
                "\"POLYGON ((25 69,25 70,100 70,31 69,25 69))\",Beyond\n"
                "\"POLYGON ((28 69.5,28 70.5,31 70.5,31 69.5,28 69.5))\",Finnmark\n");
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  RunResult r = ImportNew(dir.path(), {"c.shp"}, "--from JGD:BL --map JGD:UTM33 --scale 5000000");
  ASSERT_EQ(r.status, 3) << r.out << r.err;  // finished, with a warning
  EXPECT_NE(r.out.find("c.shp: 第2レコード"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("座標マーカーは作成しませんでした"), std::string::npos) << r.out;
  r = RunVxshape("info " + Q(doc));
  EXPECT_NE(r.out.find("  c (current)\n    art: 2 path"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("4点座標マーカー"), std::string::npos) << r.out;
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "back.shp") +
                 " --layer c --type polygon --encoding utf8 --to JGD:BL --preferences " + Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
  ExpectSameFeatures(Without(Features(dir / "c.shp"), {1}), Features(dir / "back.shp"), "counties");
}


// Every feature as GDAL reads it: its geometry as WKT (Z and M included) and its values.
std::vector<std::string> WktRows(const std::filesystem::path& shp) {
  std::stringstream s(Shell("ogr2ogr -f CSV /vsistdout/ -lco GEOMETRY=AS_WKT " + Q(shp)));
  std::vector<std::string> rows;
  std::string line;
  std::getline(s, line);  // the header
  while (std::getline(s, line)) rows.push_back(line);
  return rows;
}

// Same words in the same places, numbers within 1e-7 (the text rounds the last digit of
// converted coordinates).
void ExpectSameWkt(const std::vector<std::string>& a, const std::vector<std::string>& b, const std::string& what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  auto tokens = [](const std::string& row) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : row) {
      if (c == ' ' || c == ',' || c == '(' || c == ')' || c == '"') {
        if (!cur.empty()) out.push_back(cur);
        cur.clear();
        if (c != ' ' && c != '"') out.push_back(std::string(1, c));
      } else {
        cur += c;
      }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
  };
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto ta = tokens(a[i]), tb = tokens(b[i]);
    ASSERT_EQ(ta.size(), tb.size()) << what << "\n" << a[i] << "\n" << b[i];
    for (std::size_t k = 0; k < ta.size(); ++k) {
      char* end = nullptr;
      const double x = std::strtod(ta[k].c_str(), &end);
      if (end && *end == '\0' && !ta[k].empty()) {
        EXPECT_NEAR(x, std::strtod(tb[k].c_str(), nullptr), 1e-7) << what << "\n" << a[i] << "\n" << b[i];
      } else {
        EXPECT_EQ(ta[k], tb[k]) << what << "\n" << a[i] << "\n" << b[i];
      }
    }
  }
}

// A shapefile of geometry type `type` (ogr2ogr's -nlt) from WKT rows with a NAME column.
void MakeTyped(const std::filesystem::path& shp, const std::string& type, const std::string& rows) {
  auto csv = shp;
  csv.replace_extension(".csv");
  std::ofstream(csv, std::ios::binary) << "WKT,NAME\n" << rows;
  auto csvt = csv;
  csvt.replace_extension(".csvt");
  std::ofstream(csvt, std::ios::binary) << "\"WKT\",\"String(10)\"\n";
  int status = 0;
  const std::string out =
      Shell("ogr2ogr -f 'ESRI Shapefile' " + Q(shp) + " " + Q(csv) + " -oo KEEP_GEOM_COLUMNS=NO -nlt " + type, &status);
  ASSERT_EQ(status, 0) << out;
}

// Heights and measures go in with the art and come back out with it: a PolygonZ of two islands
// (a compound path), a PolyLineM, a PointZ with M, and a MultiPointZ; GDAL reads the same geometries with the same Z
// and M from the output as from the source.
TEST(ShapefileRoundTrip, ZAndMComeBack) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  MakeTyped(dir / "pz.shp", "MULTIPOLYGONZ",
            "\"MULTIPOLYGON Z (((139 35 10,139 36 20,140 36 30,140 35 40,139 35 10)),"
            "((139.2 37.2 -1,139.2 37.8 -4,139.8 37.8 -3,139.8 37.2 -2,139.2 37.2 -1)))\",a\n"
            "\"POLYGON Z ((141 35 1,141 36 2,142 36 3,141 35 1))\",b\n");
  MakeTyped(dir / "lm.shp", "LINESTRINGM", "\"LINESTRING M (139 35 0,139.5 35.5 12.5,140 36 25)\",t\n");
  MakeTyped(dir / "pt.shp", "POINTZM", "\"POINT ZM (139.5 35.5 100 7)\",p\n\"POINT ZM (139.6 35.6 -5 8)\",q\n");
  MakeTyped(dir / "mz.shp", "MULTIPOINTZ", "\"MULTIPOINT Z ((139 35 1),(139.1 35.1 2))\",m\n");
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  RunResult r = ImportNew(dir.path(), {"pz.shp", "lm.shp", "pt.shp", "mz.shp"}, "--from JGD:BL --map JGD:XY9 --scale 5000000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  for (const auto& [layer, type] : {std::pair<std::string, std::string>{"pz", "polygon"}, {"lm", "line"}, {"pt", "point"},
                                    {"mz", "point"}}) {
    const auto back = dir / (layer + "-back.shp");
    r = RunVxshape("export-shp " + Q(doc) + " " + Q(back) + " --layer " + layer + " --type " + type +
                   " --encoding utf8 --to JGD:BL --preferences " + Q(prefs));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("warning"), std::string::npos) << r.out;
    ExpectSameWkt(WktRows(dir / (layer + ".shp")), WktRows(back), layer);
  }
}

// The points of one multipoint record go back out as one MultiPoint record with its row.
TEST(ShapefileRoundTrip, MultiPointsComeBackAsOneRecordEach) {
  if (Shell("ogr2ogr --version").find("GDAL") == std::string::npos) GTEST_SKIP() << "ogr2ogr is not installed";
  TempDir dir;
  MakeTyped(dir / "mp.shp", "MULTIPOINT",
            "\"MULTIPOINT ((139 35),(139.1 35.1),(139.2 35.2),(139.3 35.3),(139.4 35.4))\",m1\n"
            "\"MULTIPOINT ((140 35),(140.1 35.1),(140.2 35.2),(140.3 35.3),(140.4 35.4))\",m2\n");
  const auto doc = dir / "d.vxd", prefs = dir / "prefs.json";
  RunResult r = ImportNew(dir.path(), {"mp.shp"}, "--from JGD:BL --map JGD:XY9 --scale 5000000");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "back.shp") + " --layer mp --type point --encoding utf8 --to JGD:BL --preferences " +
                 Q(prefs));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  ExpectSameWkt(WktRows(dir / "mp.shp"), WktRows(dir / "back.shp"), "multipoints");
}

}  // namespace
}  // namespace vx::test
