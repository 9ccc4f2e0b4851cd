// Export geometry: curve flattening, vertex order and orientation of rings, text values.
#include "tests/export/export_fixture.h"

#include <cmath>

namespace vx::test {
namespace {

using xport::CExporterBase;

// The exporter with map = document points (scale 1 point = 1 metre, no conversion).
struct Probe : CExporterBase {
  Probe() : CExporterBase(nullptr) {
    geo::DataFrame df;
    df.system = {geo::DatumJgd2000, geo::KindPlaneXY, geo::Zone{9}};
    df.S = 2834.645669291339;
    sheetTransform_.SetFromDataFrame(df);
    converter_.SetIdentity();
  }
};

class GeometryTest : public ExportFixture {
 protected:
  // A one-segment open path from (0, 0) to (len, 0) whose handles lie on the chord: curved for
  // the test of retracted handles, yet of an exactly known length.
  static ArtHandle StraightCurve(ArtHandle inside, double len) {
    PathSegment a{{0, 0}, {0, 0}, {len / 3, 0}, false};
    PathSegment b{{len, 0}, {2 * len / 3, 0}, {len, 0}, false};
    return NewPath(inside, {a, b}, false);
  }
};

TEST_F(GeometryTest, CurvedSegmentsGiveTheirStepCount) {
  struct Case {
    double length;
    int accuracy;
    std::size_t added;  // points the curve adds after the first anchor
    const char* why;
  };
  const Case cases[] = {
      {20, 5, 6, "6 steps fit between 6 x 0.3 and 6 x 5"},
      {100, 5, 20, "longer than 6 x 5: one step per 5"},
      {0.2, 5, 0, "shorter than one minimum step: not even the end anchor"},
      {20, 9, 20, "precise: steps of at most 1"},
      {20, 1, 2, "rough: steps of at most 9"},
      {5, 9, 10, "within 10 x 0.1 and 10 x 1: accuracy + 1 steps"},
  };
  Probe probe;
  for (const Case& c : cases) {
    ArtHandle p = StraightCurve(Group(first), c.length);
    const data::PointList v = probe.FlattenPath(p, xport::kCloseLine, c.accuracy);
    ASSERT_EQ(v.size(), 1 + c.added) << c.why;
    EXPECT_NEAR(v.front().x, 0, 1e-9) << c.why;
    if (c.added > 0) {
      EXPECT_NEAR(v.back().x, c.length, 1e-6) << c.why << ": the last step ends on the anchor";
    }
  }
}

TEST_F(GeometryTest, RetractedHandlesAreStraight) {
  struct Case {
    double dh, dv;
    bool curved;
    const char* why;
  };
  const Case cases[] = {
      {0, 0, false, "both handles on their anchors"},
      {0.03, 0.03, false, "0.03 off in each coordinate still counts as retracted"},
      {0.031, 0, true, "past 0.03 in one coordinate"},
  };
  for (const Case& c : cases) {
    host::RealBezier b{{0, 0}, {c.dh, c.dv}, {10 - c.dh, c.dv}, {10, 0}};
    EXPECT_EQ(CExporterBase::IsCurved(b), c.curved) << c.why;
  }
  // All handles retracted: the anchors only, at any accuracy.
  Probe probe;
  ArtHandle p = NewPath(Group(first), {Corner(0, 0), Corner(30, 0), Corner(30, 40)}, false);
  for (int a : {1, 5, 9}) EXPECT_EQ(probe.FlattenPath(p, xport::kCloseLine, a).size(), 3u);
}

TEST_F(GeometryTest, ClosingPoints) {
  Probe probe;
  ArtHandle rect = Square(Group(first), 0, 0, 10);
  ArtHandle open = NewPath(Group(first), {Corner(0, 0), Corner(10, 0), Corner(5, 8)}, false);
  // A closed rectangle as a line ends on its first point, flattened or not.
  for (const data::PointList& v : {probe.PathVertices(rect, xport::kCloseLine), probe.FlattenPath(rect, xport::kCloseLine, 5)}) {
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v.back().x, v.front().x);
    EXPECT_EQ(v.back().y, v.front().y);
  }
  // An open path as a ring is closed; as a line it is not.
  EXPECT_EQ(probe.PathVertices(open, xport::kClosePolygon).size(), 4u);
  EXPECT_EQ(probe.FlattenPath(open, xport::kClosePolygon, 5).size(), 4u);
  EXPECT_EQ(probe.PathVertices(open, xport::kCloseLine).size(), 3u);

  // Every ring ends on its first point exactly once: a closing curve too short for a step adds
  // no point of its own, and a ring drawn with its first point repeated is not closed twice.
  PathSegment lastAnchor{{0.1, 0.1}, {0.1, 0.1}, {0.05, 0.2}, true};  // curved, 0.14 long
  ArtHandle shortClose = NewPath(Group(first), {Corner(0, 0), Corner(10, 0), Corner(10, 10), lastAnchor}, true);
  ArtHandle repeated = NewPath(Group(first), {Corner(0, 0), Corner(10, 0), Corner(10, 10), Corner(0, 0)}, true);
  struct Case {
    const char* what;
    data::PointList v;
    std::size_t size;
  };
  const Case cases[] = {
      {"short closing curve, flattened", probe.FlattenPath(shortClose, xport::kClosePolygon, 5), 5},
      {"short closing curve as a line", probe.FlattenPath(shortClose, xport::kCloseLine, 5), 5},
      {"first point repeated", probe.PathVertices(repeated, xport::kClosePolygon), 4},
      {"first point repeated, flattened", probe.FlattenPath(repeated, xport::kClosePolygon, 5), 4},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.v.size(), c.size) << c.what;
    EXPECT_EQ(c.v.back().x, c.v.front().x) << c.what;
    EXPECT_EQ(c.v.back().y, c.v.front().y) << c.what;
    EXPECT_FALSE(c.v[c.size - 2].x == c.v[0].x && c.v[c.size - 2].y == c.v[0].y) << c.what;
  }
}

// Whatever the drawing direction of the outer and the inner square, the larger one comes first
// and runs clockwise in map coordinates, the hole counter-clockwise.
TEST_F(GeometryTest, CompoundRingsLargestFirstHolesReversed) {
  Probe probe;
  for (bool outerCw : {false, true}) {
    for (bool innerCw : {false, true}) {
      ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
      Square(compound, 0, 0, 100, outerCw);
      Square(compound, 40, 40, 10, innerCw);  // first child
      for (bool expand : {false, true}) {
        const data::PartList parts = probe.CompoundRings(compound, expand, 5);
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_NEAR(std::abs(RingArea(parts[0])), 10000, 1e-6) << "the outer square first";
        EXPECT_LT(RingArea(parts[0]), 0) << "outer clockwise; drawn cw " << outerCw;
        EXPECT_GT(RingArea(parts[1]), 0) << "hole counter-clockwise; drawn cw " << innerCw;
      }
    }
  }
}

// A compound of two islands, a lake in the larger and an islet in the lake: rings inside an odd
// number of others are holes, all others outer rings; each outer ring is followed by its holes,
// the largest first, the rest back to front.
TEST_F(GeometryTest, CompoundRingsOrientedByNesting) {
  Probe probe;
  ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
  Square(compound, 0, 0, 30, true);      // second island, drawn first (at the back)
  Square(compound, 100, 0, 100, false);  // largest island
  Square(compound, 140, 40, 20, true);   // lake in it
  Square(compound, 145, 45, 10, false);  // islet in the lake
  for (bool expand : {false, true}) {
    const data::PartList parts = probe.CompoundRings(compound, expand, 5);
    ASSERT_EQ(parts.size(), 4u);
    const double expected[] = {-10000, 400, -900, -100};  // signed map areas: outer rings negative
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(RingArea(parts[i]), expected[i], 1e-6) << "ring " << i;
    EXPECT_NEAR(parts[3][0].x, 145, 1e-9) << "the islet comes after its island's hole and the other island";
  }
}

TEST_F(GeometryTest, CompoundLinesSkipZeroLength) {
  Probe probe;
  ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
  NewPath(compound, {Corner(0, 0), Corner(10, 0)}, false);
  NewPath(compound, {Corner(5, 5), Corner(5, 5)}, false);  // a dot
  NewPath(compound, {Corner(0, 20), Corner(10, 20), Corner(10, 30)}, false);
  const data::PartList parts = probe.CompoundLines(compound, false, 5);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].size(), 3u);
  EXPECT_EQ(parts[1].size(), 2u);
}

TEST_F(GeometryTest, TextFieldValue) {
  EXPECT_EQ(CExporterBase::TextFieldValue(u"一行目\r二行目\r"), u"一行目\\n二行目\\n");
  EXPECT_EQ(CExporterBase::TextFieldValue(u"tab\tstays"), u"tab\tstays");
}

}  // namespace
}  // namespace vx::test
