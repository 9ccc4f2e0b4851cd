// vxshape inspect: a shapefile as a person sees it before import, damaged records included.
#include "datafiles/shape_writer.h"
#include "tests/cli/run_vxshape.h"
#include "tests/datafiles/fixture.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

namespace vx::test {
namespace {

using text::TextEncoding;

attr::ShapeField Column(const std::u16string& name, attr::FieldType type, int width, int decimals) {
  attr::ShapeField f;
  f.name = name;
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

// Three polylines with a Shift-JIS name column; the second record's part count is then damaged.
std::filesystem::path WriteRoads(const TempDir& dir, bool damage) {
  data::ShapeFileWriter w;
  EXPECT_TRUE(w.Init(3, TextEncoding::kShiftJIS));
  EXPECT_TRUE(w.AddColumn(Column(u"名称", attr::kFieldString, 20, 0)));
  EXPECT_TRUE(w.AddColumn(Column(u"WIDTH", attr::kFieldReal, 8, 2)));
  const auto shp = dir / "roads.shp";
  EXPECT_TRUE(w.Create(shp));
  const char* names[] = {"\x93\xb9\x98\x48", "B", "C"};  // 道路, B, C
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(w.SetCellText("\x96\xbc\x8f\xcc", names[i]));  // 名称
    EXPECT_TRUE(w.SetCellText("WIDTH", std::to_string(i + 1) + ".5"));
    data::PartList parts{{{0, 0}, {10.0 * (i + 1), 5}}, {{1, 1}, {2, 2}, {3, 1}}};
    EXPECT_TRUE(w.WritePolyLineRecord(parts)) << w.LastError();
  }
  EXPECT_TRUE(w.Finish());
  if (damage) {
    // Record 1's content is 44 + 2*4 + 5*16 = 132 bytes, so record 2 starts at 100 + 8 + 132;
    // its part count follows its 8-byte header, the shape type and the box.
    std::fstream f(shp, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(100 + 8 + 132 + 8 + 36);
    const std::int32_t huge = 0x7fffffff;
    f.write(reinterpret_cast<const char*>(&huge), 4);
  }
  return shp;
}

TEST(Inspect, ShowsTypeExtentColumnsAndRecords) {
  TempDir dir;
  const auto shp = WriteRoads(dir, false);
  RunResult r = RunVxshape("inspect '" + shp.string() + "' --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  const std::string dump = j.dump();
  EXPECT_NE(dump.find("名称"), std::string::npos) << dump;
  EXPECT_NE(dump.find("道路"), std::string::npos) << dump;
  EXPECT_NE(dump.find("3.5"), std::string::npos) << dump;
  EXPECT_NE(dump.find("30"), std::string::npos) << "the extent reaches x = 30: " << dump;

  // The same table read as UTF-8 shows the platform's replacement, not a crash.
  RunResult u = RunVxshape("inspect '" + shp.string() + "' --encoding utf8");
  EXPECT_EQ(u.status, 0) << u.err;
}

TEST(Inspect, ReportsADamagedRecordAndListsTheRest) {
  TempDir dir;
  const auto shp = WriteRoads(dir, true);
  RunResult r = RunVxshape("inspect '" + shp.string() + "'");
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("道路"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("C"), std::string::npos) << "record 3 is still listed: " << r.out;
  EXPECT_NE((r.out + r.err).find("2147483647"), std::string::npos) << "the offending value is named: " << r.out << r.err;

  RunResult missing = RunVxshape("inspect '" + (dir / "none.shp").string() + "'");
  EXPECT_EQ(missing.status, 2);
  EXPECT_FALSE(missing.err.empty());
}

// A table that ends before the geometry: every record is listed, those past its last row say so.
TEST(Inspect, RecordsPastTheTablesLastRowAreListedAsHavingNoRow) {
  TempDir dir;
  const auto shp = WriteRoads(dir, false);
  std::filesystem::resize_file(dir / "roads.dbf", 32 + 2 * 32 + 1 + 29);  // header and row 1
  RunResult r = RunVxshape("inspect '" + shp.string() + "' --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["records"].size(), 3u) << r.out;
  for (int i = 0; i < 3; ++i) {
    const auto& rec = j["records"][static_cast<std::size_t>(i)];
    EXPECT_EQ(rec.value("noRow", false), i > 0) << rec.dump();
    EXPECT_EQ(rec["points"], 5) << rec.dump();
  }
  EXPECT_EQ(j["records"][2]["values"], nlohmann::json::array({"", ""}));
}

TEST(Inspect, ShortestCoordinatesAndWhatEachTypeIs) {
  data::testing::TempDir dir;
  using namespace data::testing;
  auto bare = [](std::int32_t type) {
    Bytes c;
    I32LE(c, type);
    for (int i = 0; i < 4; ++i) F64LE(c, 0.0);
    I32LE(c, 0);
    return c;
  };
  ShapeFixture f;
  f.contents = {PointContent(-5995.123, 0.1), bare(8), bare(18), bare(28), bare(31), bare(77), bare(0)};
  f.Build();
  f.shp.replace(36, 8, [] { Bytes b; F64LE(b, -5995.123); return b; }());
  const auto shp = WriteShapefile(dir, "t", f.shp, f.shx, Dbf({}, {}));
  RunResult r = RunVxshape("inspect '" + shp.string() + "'");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("x -5995.123 .. 0,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("point -5995.123 0.1\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("no geometry read"), std::string::npos) << r.out;
  const char* lines[] = {
      // record → what its line says
      "#2  type 8 MultiPoint (passed over, no art)",
      "#3  type 18 MultiPointZ (passed over, no art)",
      "#4  type 28 MultiPointM (not recognised: the import reports it, then passes over)",
      "#5  type 31 MultiPatch (passed over, no art)",
      "#6  type 77 unknown (not recognised: the import reports it, then passes over)",
      "#7  type 0 Null (passed over, no art)",
  };
  for (const char* l : lines) EXPECT_NE(r.out.find(l), std::string::npos) << l << "\n" << r.out;

  RunResult j = RunVxshape("inspect '" + shp.string() + "' --json");
  ASSERT_EQ(j.status, 0) << j.err;
  const auto doc = nlohmann::json::parse(j.out);
  EXPECT_EQ(doc["records"].size(), 7u);
  EXPECT_EQ(doc["records"][0]["point"][0].get<double>(), -5995.123);
  EXPECT_EQ(doc["records"][3]["shapeTypeName"], "MultiPointM");
}

// Records are printed as they are read: a file of 200,000 records lists to its end with the data
// segment capped at 64 MB (keeping every record took about 0.9 KB each).
TEST(Inspect, MemoryStaysAtOneRecord) {
  TempDir dir;
  data::ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
  ASSERT_TRUE(w.AddColumn(Column(u"ID", attr::kFieldInteger, 8, 0)));
  const auto shp = dir / "many.shp";
  ASSERT_TRUE(w.Create(shp));
  constexpr int kRecords = 200000;
  for (int i = 1; i <= kRecords; ++i) {
    ASSERT_TRUE(w.SetCellText("ID", std::to_string(i)));
    ASSERT_TRUE(w.WritePointRecord({i * 0.5, -i * 0.25}));
  }
  ASSERT_TRUE(w.Finish());
  const auto out = dir / "out.txt";
  const std::string cmd = "prlimit --data=67108864 '" + std::string(VXSHAPE_BIN) + "' inspect '" + shp.string() +
                          "' >'" + out.string() + "' 2>&1";
  const int raw = std::system(cmd.c_str());
  const std::string text = data::testing::ReadFile(out);
  ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << text.substr(0, 2000);
  EXPECT_NE(text.find("#200000  type 1 Point  point 100000 -50000  ID=200000\n"), std::string::npos)
      << text.substr(text.size() > 300 ? text.size() - 300 : 0);
}

}  // namespace
}  // namespace vx::test
