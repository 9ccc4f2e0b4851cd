// Datums, ellipsoids, angle forms, equirectangular metres and zone names.
#include "geodesy/angles.h"
#include "tests/geodesy/codes.h"
#include "geodesy/datum.h"
#include "geodesy/zones.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vx::geo {
namespace {

TEST(Ellipsoids, TableDerivedValuesAndDatumMapping) {
  Ellipsoid e;
  ASSERT_TRUE(EllipsoidForDatum(DatumTokyo, e));
  EXPECT_EQ(e.name, "Bessel");
  EXPECT_EQ(e.a, 6377397.155);
  EXPECT_EQ(e.invF, 299.152813);
  EXPECT_EQ(e.f, 1 / 299.152813);
  EXPECT_NEAR(e.e2, 2 * e.f - e.f * e.f, 1e-17);
  ASSERT_TRUE(EllipsoidForDatum(DatumJgd2000, e));
  EXPECT_EQ(e.name, "GRS-80");
  EXPECT_NEAR(e.e2, 0.00669438002290, 1e-14);  // published GRS 80 e^2

  // Invalid datums: false and the output left alone; MeanRadius zeroes its output.
  Ellipsoid untouched{"x", 1, 2, 3, 4};
  EXPECT_FALSE(EllipsoidForDatum(D(0), untouched));
  EXPECT_FALSE(EllipsoidForDatum(D(3), untouched));
  EXPECT_EQ(untouched.a, 1);
  double r = 99;
  EXPECT_FALSE(MeanRadius(D(4), r));
  EXPECT_EQ(r, 0);
  ASSERT_TRUE(MeanRadius(DatumJgd2000, r));
  EXPECT_NEAR(r, 6371008.7714, 1e-4);  // the GRS 80 mean radius R1 = (2a + b) / 3
}

TEST(Equirect, ArcLengthsOnTheMeanSphereAndBack) {
  double r, x, y, lat, lon;
  ASSERT_TRUE(MeanRadius(DatumJgd2000, r));
  ASSERT_TRUE(EquirectForward(35, 135, D(DatumJgd2000), x, y));
  EXPECT_EQ(x, 135 * 0.0174532925199433 * r);  // no cosine of any latitude
  EXPECT_EQ(y, 35 * 0.0174532925199433 * r);
  ASSERT_TRUE(EquirectInverse(x, y, D(DatumJgd2000), lat, lon));
  EXPECT_NEAR(lat, 35, 1e-12);
  EXPECT_NEAR(lon, 135, 1e-12);
  x = y = 7;
  EXPECT_FALSE(EquirectForward(35, 135, D(0), x, y));
  EXPECT_FALSE(EquirectInverse(1, 1, D(5), x, y));
  EXPECT_EQ(x, 7);
}

struct DmsCase {
  double x;
  int decimals;
  int degrees, minutes;
  double seconds;
  bool negative;
  const char* text;
  const char* why;
};

TEST(Dms, SplitRoundsAndCarries) {
  const DmsCase cases[] = {
      {35.5, 5, 35, 30, 0.0, false, "35/30/0.000000", "exact half degree"},
      {139.9999999999, 5, 140, 0, 0.0, false, "140/0/0.000000", "seconds round to 60: carry into minutes, degrees"},
      {0.99999999999, 5, 1, 0, 0.0, false, "1/0/0.000000", "carry from 0 degrees"},
      {-0.99999999999, 5, -1, 0, 0.0, true, "-1/0/0.000000", "carry away from zero for negatives"},
      {-0.5, 5, 0, 30, 0.0, true, "-0/30/0.000000", "negative with 0 whole degrees keeps its sign"},
      {139.74125, 5, 139, 44, 28.5, false, "139/44/28.500000", "ordinary value"},
      {35.123456789, 2, 35, 7, 24.44, false, "35/7/24.440000", "two decimals (24.4444 rounds down)"},
      {10.0 + 59.0 / 60 + 59.996 / 3600, 2, 11, 0, 0.0, false, "11/0/0.000000", "59.996 at 2 decimals carries twice"},
      {10.0 + 59.0 / 60 + 59.994 / 3600, 2, 10, 59, 59.99, false, "10/59/59.990000", "just below the carry"},
      {0.0, 5, 0, 0, 0.0, false, "0/0/0.000000", "zero"},
      {1.3833333333333333, 5, 1, 23, 0.0, false, "1/23/0.000000", "whole minute: seconds a hair below 0"},
      {-2.7666666666666666, 5, -2, 46, 0.0, true, "-2/46/0.000000", "the same for a negative angle"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const DmsAngle a = SplitDms(c.x, c.decimals);
    EXPECT_EQ(a.degrees, c.degrees);
    EXPECT_EQ(a.minutes, c.minutes);
    EXPECT_NEAR(a.seconds, c.seconds, 1e-9);
    EXPECT_EQ(a.negative, c.negative);
    EXPECT_EQ(DmsText(a), c.text);
  }
  EXPECT_EQ(DmsPairText(SplitDms(-0.5, 5), SplitDms(139.74125, 5)), "-0/30/0.000000&139/44/28.500000");
  EXPECT_TRUE(std::isnan(SplitDms(NAN, 5).seconds));
  EXPECT_TRUE(std::isnan(SplitDms(1e300, 5).seconds));
}

TEST(Dms, ParseText) {
  struct Case {
    const char* text;
    bool ok;
    double degrees;
    const char* why;
  } const cases[] = {
      {"139/44/28.5", true, 139 + 44 / 60.0 + 28.5 / 3600, "plain"},
      {"-0/30/0.000000", true, -0.5, "sign carried by -0"},
      {"-35/30/0", true, -35.5, "sign applies to the whole angle"},
      {"35/30/0.000000&139/0/0", true, 35.5, "seconds read as atof: stops at the &"},
      {"35x/30y/1.5z", true, 35.5 + 1.5 / 3600, "leading digits only"},
      {"/30/", true, 0.5, "empty fields read as 0"},
      {"139 44 28.5", false, 0, "no slash"},
      {"139/44", false, 0, "one slash"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    double v = -999;
    EXPECT_EQ(ParseDmsText(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_NEAR(v, c.degrees, 1e-12);
    }
  }
  // What SplitDms and DmsText write, ParseDmsText reads back.
  for (double x : {-0.5, 35.658123, -139.745678, 0.00001}) {
    double v;
    ASSERT_TRUE(ParseDmsText(DmsText(SplitDms(x, 5)), v));
    EXPECT_NEAR(v, x, 0.5e-5 / 3600);
  }
}

TEST(Dms, PackedForm) {
  struct Case {
    double x, degrees;
    const char* why;
  } const cases[] = {
      {1293000, 129.5, "zone 1 longitude"},
      {330000, 33.0, "two-digit degrees pad to 033"},
      {1421500, 142.25, "15 minutes"},
      {0, 0, "zero"},
      {1395030.5, 139 + 50 / 60.0 + 30.5 / 3600, "fraction added to the seconds"},
      {-1293000, -129.5, "sign kept"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_NEAR(PackedDmsToDegrees(c.x), c.degrees, 1e-13);
  }
  EXPECT_TRUE(std::isnan(PackedDmsToDegrees(NAN)));
}

TEST(Zones, PickerTexts) {
  const auto plane = PlaneZonePickerItems();
  ASSERT_EQ(plane.size(), 20u);
  EXPECT_EQ(plane[0], "(座標系を選択)");
  EXPECT_EQ(plane[9], "9系（東京, 福島, 栃木, 茨城, 埼玉, 千葉, 群馬, 神奈川）");
  EXPECT_EQ(plane[19], "19系（南鳥島）");
  const auto utm = UtmZonePickerItems();
  ASSERT_EQ(utm.size(), 61u);
  EXPECT_EQ(utm[0], "(座標帯を選択)");
  EXPECT_EQ(utm[1], "第1帯(180度W～174度W)");
  EXPECT_EQ(utm[30], "第30帯(6度W～0度)");
  EXPECT_EQ(utm[31], "第31帯(0度～6度E)");
  EXPECT_EQ(utm[54], "第54帯(138度E～144度E)");
  EXPECT_EQ(utm[60], "第60帯(174度E～180度E)");
  EXPECT_EQ(UtmZoneName(61), "");
  EXPECT_EQ(PlaneZoneName(20), "");
  EXPECT_EQ(DatumKey(DatumTokyo), "TKY");
  EXPECT_EQ(DatumLabel(DatumJgd2000), "世界測地系");
}

}  // namespace
}  // namespace vx::geo
