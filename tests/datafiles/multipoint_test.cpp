// Multipoint records: every point's X and Y, Z and M passed over, the next record found through
// the index, and counts the record cannot hold refused.
#include "datafiles/shape_reader.h"
#include "tests/datafiles/fixture.h"

#include <gtest/gtest.h>

namespace vx::data {
namespace {

using namespace vx::data::testing;

// type 8, 18 or 28 with `points`; Z and M types get a range and an array after the points.
Bytes MultiPointContent(std::int32_t type, const std::vector<std::pair<double, double>>& points,
                        std::int32_t countField = -1) {
  Bytes c;
  I32LE(c, type);
  for (double v : {0.0, 0.0, 9.0, 9.0}) F64LE(c, v);
  I32LE(c, countField >= 0 ? countField : static_cast<std::int32_t>(points.size()));
  for (const auto& [x, y] : points) F64LE(c, x), F64LE(c, y);
  const int arrays = type == 18 ? 2 : type == 28 ? 1 : 0;
  for (int a = 0; a < arrays; ++a)
    for (std::size_t i = 0; i < points.size() + 2; ++i) F64LE(c, 100.0 + static_cast<double>(i));
  return c;
}

std::string Row(int i) {
  std::string s = "    " + std::to_string(i);
  return " " + s.substr(s.size() - 3);
}

TEST(ShapeFileReaderMultiPoint, ReadsEveryPointOfEachVariantAndStaysInStep) {
  TempDir dir;
  ShapeFixture f;
  f.shapeType = 18;
  f.contents = {MultiPointContent(8, {{1, 2}, {3, 4}}), MultiPointContent(18, {{5, 6}}),
                MultiPointContent(28, {{7, 8}, {9, 1}, {2, 3}}), PointContent(4, 5)};
  f.Build();
  const auto path = WriteShapefile(dir, "mp", f.shp, f.shx, Dbf({{"ID", 'N', 3}}, {Row(1), Row(2), Row(3), Row(4)}));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(path)) << r.LastError();
  const std::vector<std::vector<std::pair<double, double>>> want = {{{1, 2}, {3, 4}}, {{5, 6}}, {{7, 8}, {9, 1}, {2, 3}}};
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    ShapeRecordHeader h;
    ASSERT_TRUE(r.ReadRecordHeader(h)) << r.LastError();
    double box[4];
    PointList pts;
    ASSERT_TRUE(r.ReadMultiPointRecord(box, pts)) << r.LastError();
    EXPECT_EQ(box[2], 9.0);
    ASSERT_EQ(pts.size(), want[i].size());
    for (std::size_t k = 0; k < pts.size(); ++k) {
      EXPECT_EQ(pts[k].x, want[i][k].first);
      EXPECT_EQ(pts[k].y, want[i][k].second);
    }
    EXPECT_EQ(std::string(r.GetCell(0)), Row(static_cast<int>(i) + 1).substr(1));
  }
  ShapeRecordHeader h;
  ASSERT_TRUE(r.ReadRecordHeader(h));
  MapPoint p;
  ASSERT_TRUE(r.ReadPointRecord(p)) << r.LastError();
  EXPECT_EQ(p.x, 4.0);
  EXPECT_EQ(std::string(r.GetCell(0)), "  4");
}

TEST(ShapeFileReaderMultiPoint, RefusesACountTheRecordCannotHoldAndOtherTypes) {
  TempDir dir;
  ShapeFixture f;
  f.shapeType = 8;
  f.contents = {MultiPointContent(8, {{1, 2}}, 5), MultiPointContent(8, {{1, 2}}, 0)};
  f.Build();
  const auto path = WriteShapefile(dir, "bad", f.shp, f.shx, Dbf({{"ID", 'N', 3}}, {Row(1), Row(2)}));
  struct Case {
    int record;
    const char* reason;
  };
  for (const Case& c : {Case{1, "bad.shp: record 1: point count 5 needs 120 bytes, the record holds 56"},
                        Case{2, "bad.shp: record 2: point count 0 is not positive"}}) {
    ShapeFileReader r;
    ASSERT_TRUE(r.Open(path)) << r.LastError();
    ShapeRecordHeader h;
    if (c.record == 2) {
      ASSERT_TRUE(r.ReadRecordHeader(h));
      ASSERT_TRUE(r.SkipRecord());
    }
    ASSERT_TRUE(r.ReadRecordHeader(h));
    double box[4];
    PointList pts;
    EXPECT_FALSE(r.ReadMultiPointRecord(box, pts));
    EXPECT_EQ(r.LastError(), c.reason);
  }

  ShapeFixture pf;
  pf.contents = {PointContent(1, 2)};
  pf.Build();
  const auto pp = WriteShapefile(dir, "pt", pf.shp, pf.shx, Dbf({{"ID", 'N', 3}}, {Row(1)}));
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(pp));
  ShapeRecordHeader h;
  ASSERT_TRUE(r.ReadRecordHeader(h));
  double box[4];
  PointList pts;
  EXPECT_FALSE(r.ReadMultiPointRecord(box, pts));
  EXPECT_EQ(r.LastError(), "pt.shp: record 1: content length 10 words is too small for shape type 1");
}

}  // namespace
}  // namespace vx::data
