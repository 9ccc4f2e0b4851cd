// Files written here are read back by independent tools, and files the tools write are read here.
// shapelib's command-line tools (Debian package shapelib) are used when installed; GDAL's
// ogr2ogr (package gdal-bin) as well.
#include "attributes/field.h"
#include "datafiles/shape_reader.h"
#include "datafiles/shape_writer.h"
#include "tests/datafiles/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace vx::data {
namespace {

using namespace vx::data::testing;

bool Have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string RunTool(const std::string& cmd) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  return out;
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

// shpdump's view: per shape its type name, part count and vertices (x, y).
struct Dumped {
  std::string type;
  int parts = 0;
  std::vector<std::pair<double, double>> vertices;
};
std::vector<Dumped> ShpDump(const fs::path& p) {
  std::vector<Dumped> shapes;
  std::istringstream in(RunTool("shpdump -precision 17 " + Q(p)));
  const std::regex head(R"(^Shape:\d+ \((\w+)\)\s+nVertices=(\d+), nParts=(\d+))");
  const std::regex vertex(R"(^\s+\+?\s*\(([^,]+),([^,\)]+))");
  std::string line;
  bool inBounds = false;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_search(line, m, head)) {
      shapes.push_back({m[1], std::stoi(m[3]), {}});
      inBounds = true;
    } else if (!shapes.empty() && line.find("Bounds:") != std::string::npos) {
      inBounds = true;
    } else if (!shapes.empty() && inBounds && line.find(" to ") != std::string::npos) {
      inBounds = false;
    } else if (!shapes.empty() && std::regex_search(line, m, vertex)) {
      shapes.back().vertices.emplace_back(std::strtod(m[1].str().c_str(), nullptr), std::strtod(m[2].str().c_str(), nullptr));
    }
  }
  return shapes;
}

// dbfdump's raw values per record, trimmed.
std::vector<std::map<std::string, std::string>> DbfDump(const fs::path& p) {
  std::vector<std::map<std::string, std::string>> rows;
  std::istringstream in(RunTool("dbfdump -m -r " + Q(p)));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Record:", 0) == 0) {
      rows.emplace_back();
    } else if (!rows.empty()) {
      const auto colon = line.find(": ");
      if (colon == std::string::npos) continue;
      std::string v = line.substr(colon + 2);
      v.erase(0, v.find_first_not_of(' '));
      v.erase(v.find_last_not_of(' ') + 1);
      rows.back()[line.substr(0, colon)] = v;
    }
  }
  return rows;
}

attr::ShapeField Field(const std::u16string& name, attr::FieldType t, int w, int d, const std::u16string& v = u"") {
  attr::ShapeField f;
  f.name = name;
  f.type = t;
  f.width = w;
  f.decimals = d;
  f.value = v;
  return f;
}

TEST(Interop, ShapelibReadsWhatTheWriterWrites) {
  if (!Have("shpdump") || !Have("dbfdump")) GTEST_SKIP() << "shapelib tools not installed";
  TempDir dir;
  struct Case {
    std::int32_t type;
    const char* dumpName;
    PartList geometry;
  };
  const PartList square = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{2, 2}, {4, 2}, {4, 4}, {2, 2}}};
  const Case cases[] = {
      {1, "Point", {{{0.1, -123456.78901234567}}, {{1e-300, 3}}}},
      {3, "Arc", {{{0, 0}, {1.5, 2.25}, {3, -1}}, {{-7, 8}, {9, 10}}}},
      {5, "Polygon", square},
  };
  for (const auto& c : cases) {
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(c.type, TextEncoding::kUTF8));
    ASSERT_TRUE(w.AddColumn(Field(u"NAME", attr::kFieldString, 20, 0)));
    ASSERT_TRUE(w.AddColumn(Field(u"COUNT", attr::kFieldInteger, 6, 0)));
    ASSERT_TRUE(w.AddColumn(Field(u"AREA", attr::kFieldReal, 12, 3)));
    const fs::path path = dir / ("out" + std::to_string(c.type));
    ASSERT_TRUE(w.Create(path));
    // points: one record per point; lines and polygons: one record with every part, then one
    // with the first part alone
    std::vector<PartList> records;
    if (c.type == 1)
      for (const auto& p : c.geometry) records.push_back({p});
    else
      records = {c.geometry, {c.geometry[0]}};
    for (std::size_t i = 0; i < records.size(); ++i) {
      const std::u16string n = text::Utf8ToUtf16(std::to_string(i));
      w.SetRowValues({Field(u"NAME", attr::kFieldString, 20, 0, u"東京" + n), Field(u"COUNT", attr::kFieldInteger, 6, 0, n),
                      Field(u"AREA", attr::kFieldReal, 12, 3, n + u".25")});
      const bool written = c.type == 1   ? w.WritePointRecord(records[i][0][0])
                           : c.type == 3 ? w.WritePolyLineRecord(records[i])
                                         : w.WritePolygonRecord(records[i]);
      ASSERT_TRUE(written);
    }
    ASSERT_TRUE(w.Finish());

    const auto shapes = ShpDump(w.GeometryPath());
    ASSERT_EQ(shapes.size(), records.size()) << c.dumpName;
    for (std::size_t i = 0; i < records.size(); ++i) {
      EXPECT_EQ(shapes[i].type, c.dumpName);
      std::vector<std::pair<double, double>> expected;
      for (const auto& part : records[i])
        for (const auto& p : part) expected.emplace_back(p.x, p.y);
      EXPECT_EQ(shapes[i].vertices, expected) << c.dumpName << " " << i;
      if (c.type != 1) {
        EXPECT_EQ(shapes[i].parts, static_cast<int>(records[i].size()));
      }
    }
    const auto rows = DbfDump(w.TablePath());
    ASSERT_EQ(rows.size(), records.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].at("NAME"), "東京" + std::to_string(i));
      EXPECT_EQ(rows[i].at("COUNT"), std::to_string(i));
      EXPECT_EQ(rows[i].at("AREA"), std::to_string(i) + ".250");
    }
    EXPECT_EQ(RunTool("shpdump -validate " + Q(w.GeometryPath())).find("error"), std::string::npos);
  }
}

// Reads every record of a file into (shape type, parts) and the trimmed text of each cell.
struct ReadBack {
  std::vector<std::int32_t> types;
  std::vector<PartList> geometry;
  std::vector<std::vector<std::u16string>> values;
};
ReadBack ReadWithOurReader(const fs::path& p, TextEncoding enc = TextEncoding::kUTF8) {
  ReadBack out;
  ShapeFileReader r;
  EXPECT_TRUE(r.Open(p)) << r.LastError();
  for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
    ShapeRecordHeader h;
    EXPECT_TRUE(r.ReadRecordHeader(h)) << r.LastError();
    PartList parts;
    if (IsPointType(h.shapeType)) {
      MapPoint pt;
      EXPECT_TRUE(r.ReadPointRecord(pt)) << r.LastError();
      parts = {{pt}};
    } else if (IsPartsType(h.shapeType)) {
      PartsRecord rec;
      EXPECT_TRUE(r.ReadPartsRecord(rec)) << r.LastError();
      parts = rec.parts;
    } else {
      EXPECT_TRUE(r.SkipRecord());
    }
    out.types.push_back(h.shapeType);
    out.geometry.push_back(parts);
    std::vector<std::u16string> row;
    for (int c = 0; c < r.ColumnCount(); ++c) row.push_back(attr::FieldFromDbf(r.Columns()[static_cast<std::size_t>(c)], r.GetCell(c), enc).value);
    out.values.push_back(row);
  }
  return out;
}

TEST(Interop, ReadsWhatShapelibWrites) {
  if (!Have("shpcreate") || !Have("dbfcreate")) GTEST_SKIP() << "shapelib tools not installed";
  TempDir dir;
  const std::string d = dir.path().string() + "/";
  // PolygonZ with an outer ring and a hole, then a second polygon; PolyLineM of two parts; PointZ.
  const std::string script =
      "cd '" + d + "' && shpcreate pz polygonz && "
      "shpadd pz -z 0 0 1 0 10 1 10 10 1 10 0 1 0 0 1 + 2 2 5 4 2 5 4 4 5 2 2 5 && "
      "shpadd pz -z 20 20 0 21 21 0 22 20 0 20 20 0 && "
      "dbfcreate pz -s NAME 12 -n POP 10 0 -n AREA 12 4 && dbfadd pz 'north' 1234 5.5 && dbfadd pz 'south' -9 0.125 && "
      "shpcreate lm arcm && shpadd lm -m 0 0 5 1 1 6 + 2 2 7 3 3 8 && dbfcreate lm -s ID 4 && dbfadd lm a1 && "
      "shpcreate ptz pointz && shpadd ptz -z 1.5 2.5 9 && shpadd ptz -z -1 -2 3 && "
      "dbfcreate ptz -n N 3 0 && dbfadd ptz 1 && dbfadd ptz 2";
  ASSERT_EQ(std::system(script.c_str()), 0);

  const auto pz = ReadWithOurReader(dir / "pz.shp");
  ASSERT_EQ(pz.types, (std::vector<std::int32_t>{15, 15}));
  ASSERT_EQ(pz.geometry[0].size(), 2u);
  EXPECT_EQ(pz.geometry[0][1].size(), 4u);
  EXPECT_EQ(pz.geometry[0][1][1].x, 4.0);
  EXPECT_EQ(pz.geometry[1][0][1].y, 21.0);
  EXPECT_EQ(pz.values[0], (std::vector<std::u16string>{u"north", u"1234", u"5.5000"}));
  EXPECT_EQ(pz.values[1], (std::vector<std::u16string>{u"south", u"-9", u"0.1250"}));

  const auto lm = ReadWithOurReader(dir / "lm.shp");
  ASSERT_EQ(lm.types, (std::vector<std::int32_t>{23}));
  ASSERT_EQ(lm.geometry[0].size(), 2u);
  EXPECT_EQ(lm.geometry[0][1][1].x, 3.0);
  EXPECT_EQ(lm.values[0][0], u"a1");

  const auto ptz = ReadWithOurReader(dir / "ptz.shp");
  ASSERT_EQ(ptz.types, (std::vector<std::int32_t>{11, 11}));
  EXPECT_EQ(ptz.geometry[1][0][0].x, -1.0);
  EXPECT_EQ(ptz.geometry[1][0][0].y, -2.0);
  EXPECT_EQ(ptz.values[1][0], u"2");
}

TEST(Interop, TablesWithDateLogicalAndFloatColumns) {
  // 'D', 'L' and 'F' columns as dBASE writers lay them out (GDAL writes none of 'L' and 'F'),
  // with a deleted row among them.
  TempDir dir;
  ShapeFixture f;
  f.contents = {PointContent(1, 1), PointContent(2, 2), PointContent(3, 3)};
  f.Build();
  const std::vector<DbfColumn> cols = {{"DAY", 'D', 8}, {"OK", 'L', 1}, {"RATIO", 'F', 19, 11}, {"MEMO", 'M', 10}};
  auto row = [](char flag, const char* day, char ok, const char* ratio, const char* memo) {
    char b[64];
    std::snprintf(b, sizeof b, "%c%-8s%c%19s%10s", flag, day, ok, ratio, memo);
    return std::string(b);
  };
  const std::vector<std::string> rows = {row(' ', "20240305", 'T', "1.50000000000", "1"),
                                         row('*', "19991231", 'f', "-2.25000000000", ""),
                                         row(' ', "", '?', "", "")};
  const auto path = WriteShapefile(dir, "dlf", f.shp, f.shx, Dbf(cols, rows));
  const auto back = ReadWithOurReader(path);
  ASSERT_EQ(back.values.size(), 3u);
  EXPECT_EQ(back.values[0], (std::vector<std::u16string>{u"20240305", u"1", u"1.50000000000", u""}));
  EXPECT_EQ(back.values[1], (std::vector<std::u16string>{u"19991231", u"0", u"-2.25000000000", u""}));
  EXPECT_EQ(back.values[2], (std::vector<std::u16string>{u"", u"", u"", u""})) << "'?' is an unknown value";
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path));
  const std::vector<attr::FieldType> types = {attr::kFieldString, attr::kFieldInteger, attr::kFieldReal, attr::kFieldString};
  for (int c = 0; c < r.ColumnCount(); ++c)
    EXPECT_EQ(attr::FieldFromDbf(r.Columns()[static_cast<std::size_t>(c)], "", TextEncoding::kUTF8).type, types[static_cast<std::size_t>(c)]);

  if (!Have("dbfdump")) return;
  const auto dumped = DbfDump(dir / "dlf.dbf");
  ASSERT_EQ(dumped.size(), 3u);
  EXPECT_EQ(dumped[0].at("DAY"), "20240305");
}

TEST(Interop, ReadsWhatGdalWrites) {
  if (!Have("ogr2ogr")) GTEST_SKIP() << "GDAL not installed";
  TempDir dir;
  WriteFile(dir / "in.csv",
            "WKT,NAME,DAY,FLAG,VAL\n"
            "\"MULTIPOLYGON (((0 0,0 10,10 10,10 0,0 0),(2 2,4 2,4 4,2 2)),((20 20,21 21,22 20,20 20)))\",東京,2024/03/05,1,2.5\n"
            "\"POLYGON ((5 5,5 6,6 6,5 5))\",x,1999/12/31,0,-1\n");
  WriteFile(dir / "in.csvt", "WKT,String(12),Date,Integer(Boolean),Real(12.3)\n");
  const std::string cmd = "cd '" + dir.path().string() +
                          "' && ogr2ogr -q -f 'ESRI Shapefile' -lco ENCODING=UTF-8 out.shp in.csv -oo GEOM_POSSIBLE_NAMES=WKT "
                          "-oo KEEP_GEOM_COLUMNS=NO -nlt MULTIPOLYGON 2>&1";
  const std::string log = RunTool(cmd);
  ASSERT_TRUE(fs::exists(dir / "out.shp")) << log;
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(dir / "out.shp")) << r.LastError();
  std::string letters;
  for (const auto& c : r.Columns()) letters += c.type;
  EXPECT_EQ(letters, "CDNN");  // GDAL writes booleans as numbers
  const auto back = ReadWithOurReader(dir / "out.shp");
  ASSERT_EQ(back.types, (std::vector<std::int32_t>{5, 5}));
  ASSERT_EQ(back.geometry[0].size(), 3u);  // outer ring, hole, second polygon
  EXPECT_EQ(back.geometry[0][1].size(), 4u);
  EXPECT_EQ(back.values[0], (std::vector<std::u16string>{u"東京", u"20240305", u"1", u"2.500"}));
  EXPECT_EQ(back.values[1], (std::vector<std::u16string>{u"x", u"19991231", u"0", u"-1.000"}));
}

// Each seed of the fuzz corpus (files that bend the format) read by GDAL's ogrinfo and by our
// reader: the same geometry and values per record, except where GDAL gives up on a record or a
// table that can still be read.
TEST(Interop, ReadsBentFilesAsGdalDoes) {
  if (!Have("ogrinfo")) GTEST_SKIP() << "GDAL not installed";
  TempDir dir;
  auto wkt = [](const PointList& part) {
    if (part.empty()) return std::string("EMPTY");
    std::string s = "(";
    for (const auto& p : part) {
      char b[64];
      std::snprintf(b, sizeof b, "%s%.15g %.15g", s.size() > 1 ? "," : "", p.x, p.y);
      s += b;
    }
    return s + ")";
  };
  std::vector<std::string> differ;
  for (const auto& e : fs::directory_iterator(fs::path(VX_SOURCE_DIR) / "tests/fuzz/corpus/shape")) {
    const std::string name = e.path().filename().string();
    const Bytes b = ReadFile(e.path());
    const std::size_t shp = static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8;
    const std::size_t shx = static_cast<unsigned char>(b[2]) | static_cast<unsigned char>(b[3]) << 8;
    const auto path = WriteShapefile(dir, name, b.substr(4, shp), b.substr(4 + shp, shx), b.substr(4 + shp + shx));

    // Ours, in GDAL's words: one geometry line (or none) and the ID value per record.
    std::vector<std::pair<std::string, std::string>> ours;
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << name;
    for (std::int32_t i = 0; i < r.RecordCount(); ++i) {
      ShapeRecordHeader h;
      ASSERT_TRUE(r.ReadRecordHeader(h)) << name;
      std::string geometry;
      if (IsPointType(h.shapeType)) {
        MapPoint p;
        ASSERT_TRUE(r.ReadPointRecord(p)) << name;
        geometry = "POINT " + wkt({p});
      } else if (IsPartsType(h.shapeType)) {
        PartsRecord rec;
        ASSERT_TRUE(r.ReadPartsRecord(rec)) << name;
        if (rec.parts.size() == 1) geometry = "LINESTRING " + wkt(rec.parts[0]);
        if (rec.parts.size() > 1) {
          geometry = "MULTILINESTRING (";
          for (std::size_t k = 0; k < rec.parts.size(); ++k) geometry += (k ? "," : "") + wkt(rec.parts[k]);
          geometry += ")";
        }
      } else {
        ASSERT_TRUE(r.SkipRecord()) << name;
      }
      std::string id;
      for (int c = 0; c < r.ColumnCount(); ++c)
        if (r.Columns()[static_cast<std::size_t>(c)].Name() == "ID") id = std::string(r.GetCell(c));
      id.erase(0, id.find_first_not_of(' '));
      ours.emplace_back(geometry, id);
    }

    // GDAL's: per feature its geometry line and its ID, when it gives them.
    std::vector<std::pair<std::string, std::string>> gdal;
    std::istringstream in(RunTool("ogrinfo -q -al " + Q(path) + " 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("OGRFeature(", 0) == 0) gdal.emplace_back();
      else if (gdal.empty()) continue;
      else if (line.rfind("  ID (Integer) = ", 0) == 0) gdal.back().second = line.substr(17);
      else if (line.rfind("  POINT", 0) == 0 || line.rfind("  LINESTRING", 0) == 0 || line.rfind("  MULTILINESTRING", 0) == 0)
        gdal.back().first = line.substr(2);
    }
    ASSERT_EQ(gdal.size(), ours.size()) << name;
    for (std::size_t i = 0; i < ours.size(); ++i) {
      if (gdal[i] == ours[i]) continue;
      // Where GDAL gives up, we read: the geometry or the values it leaves out.
      EXPECT_TRUE(gdal[i].first.empty() || gdal[i].first == ours[i].first) << name << " " << i << ": " << gdal[i].first;
      EXPECT_TRUE(gdal[i].second.empty() || gdal[i].second == ours[i].second) << name << " " << i;
      differ.push_back(name + ":" + std::to_string(i + 1) + (gdal[i].first.empty() ? " geometry" : " values"));
    }
  }
  std::sort(differ.begin(), differ.end());
  EXPECT_EQ(differ, (std::vector<std::string>{
                        "equal-starts:2 geometry",         // shapelib refuses equal starts
                        "index-length-0:2 geometry",       // GDAL trusts only the index's length
                        "last-start-at-count:2 geometry",  // shapelib refuses a start at the count
                        "row-length-0:1 values", "row-length-0:2 values", "row-length-0:3 values",  // table dropped
                        "row-length-short:1 values", "row-length-short:2 values", "row-length-short:3 values",
                    }));
}

}  // namespace
}  // namespace vx::data
