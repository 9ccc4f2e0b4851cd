// vxshape inspect: a shapefile as a person sees it before import, damaged records included.
#include "datafiles/shape_writer.h"
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <fstream>

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

}  // namespace
}  // namespace vx::test
