#include "host/segments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace vx::host {
namespace {

PathSegment At(double h, double v, bool corner = false) { return {{h, v}, {h, v}, {h, v}, corner}; }

bool SameBits(const PathSegment& a, const PathSegment& b) {
  return std::memcmp(&a.p, &b.p, 6 * sizeof(double)) == 0 && a.corner == b.corner;
}

// Whatever is put in reads back bit for bit, whether the handles are kept apart or not.
TEST(SegmentsTest, ReadsBackWhatWasStoredAndKeepsHandlesOnlyWhereTheyDiffer) {
  const PathSegment smooth{{1, 2}, {0, 2}, {3, 2}, false};
  const PathSegment negativeZero{{0, 0}, {-0.0, 0}, {0, 0}, false};
  const std::vector<PathSegment> in = {At(5, 6), smooth, At(7, 8, true), negativeZero, At(0, 0)};
  Segments s;
  for (const PathSegment& x : in) s.push_back(x);
  ASSERT_EQ(s.size(), in.size());
  EXPECT_EQ(s.HandleCount(), 2u) << "only the smooth and the -0 handles are kept apart";
  EXPECT_EQ(s.CornerCount(), 1u);
  for (std::size_t i = 0; i < in.size(); ++i) EXPECT_TRUE(SameBits(s[i], in[i])) << i;
  EXPECT_TRUE(s == in);
  EXPECT_EQ(s.Anchors()[2].h, 7);
  EXPECT_TRUE(Segments(in) == s);
}

// Replacing a segment adds or drops its handles and corner mark, and leaves the others alone.
TEST(SegmentsTest, SetTurnsHandlesAndCornersOnAndOff) {
  Segments s = std::vector<PathSegment>{At(0, 0), At(1, 1), At(2, 2), At(3, 3)};
  EXPECT_EQ(s.HandleCount(), 0u);
  const PathSegment curve{{2, 2}, {1, 2}, {3, 2}, true};
  s.Set(2, curve);
  s.Set(0, {{0, 0}, {0, -1}, {0, 1}, false});
  EXPECT_EQ(s.HandleCount(), 2u);
  EXPECT_TRUE(SameBits(s[2], curve));
  EXPECT_TRUE(SameBits(s[1], At(1, 1)));
  s.Set(2, At(9, 9));
  EXPECT_EQ(s.HandleCount(), 1u);
  EXPECT_EQ(s.CornerCount(), 0u);
  EXPECT_TRUE(SameBits(s[2], At(9, 9)));
  EXPECT_TRUE(s.HasHandles(0));
  EXPECT_FALSE(s.HasHandles(3));
}

TEST(SegmentsTest, AnchorsAloneMakeStraightSegments) {
  const double xy[] = {1, 2, 3, 4, -0.0, 5};
  Segments s;
  s.push_back({{7, 7}, {6, 7}, {8, 7}, true});
  s.AssignAnchors(xy, 3);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s.HandleCount(), 0u);
  EXPECT_EQ(s.CornerCount(), 0u);
  EXPECT_TRUE(std::signbit(s[2].in.h));
  EXPECT_EQ(s.back().p.v, 5);
}

}  // namespace
}  // namespace vx::host
