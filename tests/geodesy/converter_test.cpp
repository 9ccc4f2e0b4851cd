// The coordinate converter: identity rules, grid loading and its warning, the stages, and the
// NaN point that a failed conversion gives.
#include "geodesy/angles.h"
#include "tests/geodesy/codes.h"
#include "geodesy/coord_converter.h"
#include "synthetic_grid.h"

#include <GeographicLib/TransverseMercatorExact.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vx::geo {
namespace {

// A host whose grid file is `file` and which records the warnings it is asked to show.
struct FakeHost {
  explicit FakeHost(std::filesystem::path f) : file(std::move(f)) {}
  std::filesystem::path file;
  std::vector<std::string> warnings;
  int lookups = 0;
  ConverterHost Services() {
    return {[this] {
              ++lookups;
              return file;
            },
            [this](std::string_view text) { warnings.emplace_back(text); }};
  }
};

std::filesystem::path SyntheticGrid() {
  static const std::filesystem::path path = [] {
    const auto dir = test::ScratchDir("converter_grid");
    test::WriteParameterList(dir / "field.par", {5339, 5340, 5439, 5440});
    EXPECT_TRUE(ConvertShiftText(dir / "field.par", dir / "grid.dat"));
    return dir / "grid.dat";
  }();
  return path;
}

TEST(Converter, IdentityRules) {
  struct Case {
    int s[4], d[4];
    bool identity;
    const char* why;
  } const cases[] = {
      {{2, 3, 9, 0}, {2, 3, 9, 0}, true, "same plane zone"},
      {{2, 3, 9, 1}, {2, 3, 9, 54}, true, "UTM zone ignored for plane kind"},
      {{2, 2, 0, 54}, {2, 2, 0, 54}, true, "same UTM zone"},
      {{2, 2, 0, 54}, {2, 2, 0, 53}, false, "other UTM zone"},
      {{2, 3, 9, 0}, {2, 3, 8, 0}, false, "other plane zone"},
      {{2, 1, 0, 0}, {2, 1, 0, 0}, false, "lat/long to lat/long draws metres"},
      {{2, 3, 9, 0}, {2, 2, 0, 54}, false, "other kind"},
      {{1, 3, 9, 0}, {2, 3, 9, 0}, false, "other datum"},
  };
  FakeHost host{SyntheticGrid()};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    CCoordConverter cv(host.Services());
    EXPECT_TRUE(cv.Setup(Sys(c.s[0], c.s[1], c.s[2], c.s[3]), Sys(c.d[0], c.d[1], c.d[2], c.d[3])));
    EXPECT_EQ(cv.IsIdentity(), c.identity);
    double x, y, g;
    if (c.s[1] == Code(KindLatLong)) {
      ASSERT_TRUE(cv.Convert(139.75, 35.68, x, y, g));
      continue;
    }
    ASSERT_TRUE(cv.Convert(-8342.512, 22119.73, x, y, g));
    if (c.identity) {
      EXPECT_EQ(x, -8342.512);
      EXPECT_EQ(y, 22119.73);
      EXPECT_EQ(g, 0);
    }
  }
}

TEST(Converter, LatLongDrawnAsEquirectangularMetres) {
  CCoordConverter cv;
  ASSERT_TRUE(cv.Setup(Sys(2, 1, 0, 0), Sys(2, 1, 0, 0)));
  double r, x, y, g;
  ASSERT_TRUE(MeanRadius(DatumJgd2000, r));
  ASSERT_TRUE(cv.Convert(139.75, 35.68, x, y, g));
  EXPECT_EQ(x, 139.75 * 0.0174532925199433 * r);
  EXPECT_EQ(y, 35.68 * 0.0174532925199433 * r);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(cv.DestinationKind(), KindLatLong);

  // The exporter reads those metres back as kind 5.
  CCoordConverter back;
  ASSERT_TRUE(back.Setup(Sys(2, 5, 0, 0), Sys(2, 1, 0, 0)));
  double lat, lon, x2, y2;
  ASSERT_TRUE(back.SourceToLatLong(y, x, lat, lon));
  EXPECT_NEAR(lat, 35.68, 1e-12);
  EXPECT_NEAR(lon, 139.75, 1e-12);
  ASSERT_TRUE(back.Convert(x, y, x2, y2, g));
  EXPECT_NEAR(x2, x, 1e-8);
  EXPECT_NEAR(y2, y, 1e-8);
}

TEST(Converter, StagesChainAcrossKinds) {
  CCoordConverter cv;
  ASSERT_TRUE(cv.Setup(Sys(2, 3, 9, 0), Sys(2, 2, 0, 54)));
  CGeodesy plane, utm;
  ASSERT_TRUE(plane.SetupPlaneZone(Z(9), DatumJgd2000));
  ASSERT_TRUE(utm.SetupUtmZone(Z(54), DatumJgd2000));
  double lat, lon, g, k, N, E, x, y, conv;
  ASSERT_TRUE(plane.PlaneToLatLong(1234.5, -2345.6, lat, lon, g, k));
  ASSERT_TRUE(utm.LatLongToUtm(lat, lon, N, E, g, k));
  ASSERT_TRUE(cv.Convert(-2345.6, 1234.5, x, y, conv));  // map order: east first
  EXPECT_EQ(x, E);
  EXPECT_EQ(y, N);
  EXPECT_EQ(conv, g);
}

TEST(Converter, GridLoadedOnceAndWarnedWhenMissing) {
  const auto dir = test::ScratchDir("converter_load");
  FakeHost host{dir / kShiftGridFileName};
  CCoordConverter cv(host.Services());
  EXPECT_FALSE(cv.Setup(Sys(1, 3, 9, 0), Sys(2, 3, 9, 0)));
  ASSERT_EQ(host.warnings.size(), 1u);
  EXPECT_EQ(host.warnings[0], "測地系変換パラメータファイルを開けません");
  EXPECT_FALSE(cv.GridLoaded());
  double x, y, g;
  EXPECT_FALSE(cv.Convert(0, 0, x, y, g));  // the export goes on with this: no plausible point
  EXPECT_TRUE(std::isnan(x) && std::isnan(y) && std::isnan(g));

  // The next setup tries again; once loaded, the file is not looked for again.
  std::filesystem::copy_file(SyntheticGrid(), host.file);
  EXPECT_TRUE(cv.Setup(Sys(1, 3, 9, 0), Sys(2, 3, 9, 0)));
  EXPECT_TRUE(cv.GridLoaded());
  std::filesystem::remove(host.file);
  EXPECT_TRUE(cv.Setup(Sys(2, 2, 0, 54), Sys(1, 3, 9, 0)));
  EXPECT_EQ(host.lookups, 2);
  EXPECT_EQ(host.warnings.size(), 1u);
  EXPECT_TRUE(cv.Convert(400000, 3950000, x, y, g));

  // Same datum: no grid needed, no warning.
  FakeHost none{dir / "absent.dat"};
  CCoordConverter same(none.Services());
  EXPECT_TRUE(same.Setup(Sys(1, 3, 9, 0), Sys(1, 2, 0, 54)));
  EXPECT_EQ(none.lookups, 0);
  EXPECT_TRUE(none.warnings.empty());
  EXPECT_EQ(GridFileBeside("/opt/plugins/VxShape.aip"), std::filesystem::path("/opt/plugins/TKY2JGD_Win.dat"));
}

// A code that is no datum needs no grid and gets no shift: no file looked for, no warning, and
// the shift stage fails even when an earlier setup loaded the grid.
TEST(Converter, NoDatumNoShift) {
  const auto dir = test::ScratchDir("converter_no_datum");
  for (auto [src, dst] : {std::pair{0, 2}, {1, 3}, {-1, 1}}) {
    SCOPED_TRACE(testing::Message() << src << " -> " << dst);
    FakeHost absent{dir / kShiftGridFileName};
    CCoordConverter cv(absent.Services());
    EXPECT_FALSE(cv.Setup(Sys(src, 1, 0, 0), Sys(dst, 1, 0, 0)));
    EXPECT_EQ(absent.lookups, 0);
    EXPECT_TRUE(absent.warnings.empty());

    FakeHost present{SyntheticGrid()};
    CCoordConverter loaded(present.Services());
    ASSERT_TRUE(loaded.Setup(Sys(1, 1, 0, 0), Sys(2, 1, 0, 0)));
    EXPECT_FALSE(loaded.Setup(Sys(src, 1, 0, 0), Sys(dst, 1, 0, 0)));
    double lat = 1, lon = 2;
    EXPECT_FALSE(loaded.ShiftDatum(35.7, 139.7, lat, lon));
    EXPECT_TRUE(std::isnan(lat) && std::isnan(lon));
  }
}

// Tokyo plane zone 9 to JGD2000 plane zone 9 through the synthetic grid, checked against the
// field and GeographicLib's exact transverse Mercator.
TEST(Converter, AcrossDatumsMatchesIndependentChain) {
  FakeHost host{SyntheticGrid()};
  CCoordConverter cv(host.Services());
  ASSERT_TRUE(cv.Setup(Sys(1, 3, 9, 0), Sys(2, 3, 9, 0)));
  Ellipsoid bessel, grs;
  ASSERT_TRUE(EllipsoidForDatum(DatumTokyo, bessel));
  ASSERT_TRUE(EllipsoidForDatum(DatumJgd2000, grs));
  const GeographicLib::TransverseMercatorExact tmB(bessel.a, bessel.f, 0.9999), tmG(grs.a, grs.f, 0.9999);
  const double lon0 = 139 + 50 / 60.0;
  double y0B, y0G, dummy;
  tmB.Forward(lon0, 36, lon0, dummy, y0B);
  tmG.Forward(lon0, 36, lon0, dummy, y0G);
  for (double lat : {35.45, 35.9, 36.5})
    for (double lon : {139.2, 139.8333, 140.7}) {
      SCOPED_TRACE(testing::Message() << lat << " " << lon);
      double e, n, jlat, jlon, E, N, x, y, conv;
      tmB.Forward(lon0, lat, lon, e, n);
      jlat = lat + test::FieldDB(lat, lon) / 3600;
      jlon = lon + test::FieldDL(lat, lon) / 3600;
      tmG.Forward(lon0, jlat, jlon, E, N);
      ASSERT_TRUE(cv.Convert(e, n - y0B, x, y, conv));
      EXPECT_NEAR(x, E, 1e-3);
      EXPECT_NEAR(y, N - y0G, 1e-3);
    }
}

TEST(Converter, FailedStagesGiveNaN) {
  FakeHost host{SyntheticGrid()};
  struct Case {
    int s[4], d[4];
    bool setupOk;
    double x, y;
    const char* why;
  } const cases[] = {
      {{2, 3, 0, 0}, {2, 2, 0, 54}, false, 0, 0, "source zone none"},
      {{2, 3, 9, 0}, {2, 2, 0, 61}, false, 0, 0, "destination UTM zone 61"},
      {{2, 4, 9, 0}, {2, 3, 9, 0}, false, 0, 0, "kind 4 is no kind"},
      {{2, 3, 9, 0}, {2, 5, 0, 0}, false, 0, 0, "kind 5 is a source only"},
      {{0, 1, 0, 0}, {2, 1, 0, 0}, false, 139, 35, "datum 0"},
      {{1, 1, 0, 0}, {2, 3, 9, 0}, true, 139.7, 95, "latitude beyond 90 across datums"},
      {{2, 1, 0, 0}, {1, 3, 9, 0}, true, 180.5, 35, "longitude beyond 180 across datums"},
      {{2, 3, 9, 0}, {2, 2, 0, 54}, true, 0, NAN, "NaN northing: footpoint never settles"},
      {{2, 3, 9, 0}, {2, 2, 0, 54}, true, NAN, 0, "NaN easting"},
      {{2, 1, 0, 0}, {2, 3, 9, 0}, true, 139.7, INFINITY, "infinite latitude, no datum shift"},
      {{2, 2, 0, 54}, {2, 3, 9, 0}, true, 500000, INFINITY, "infinite northing"},
      // Out of the domain: no plausible point.
      {{2, 1, 0, 0}, {2, 3, 9, 0}, true, 139.7, 95, "latitude beyond 90, same datum"},
      {{2, 1, 0, 0}, {2, 2, 0, 54}, true, 139.7, -90.001, "latitude beyond -90, same datum"},
      {{2, 1, 0, 0}, {2, 2, 0, 54}, true, 190, 35, "longitude beyond 180, same datum"},
      {{2, 1, 0, 0}, {2, 1, 0, 0}, true, -180.5, 35, "longitude beyond -180 to sheet metres"},
      {{2, 5, 0, 0}, {2, 3, 9, 0}, true, 0, 1.1e7, "sheet metres beyond 90 degrees"},
      {{2, 3, 9, 0}, {2, 2, 0, 54}, true, 0, 1.2e7, "inverse projection past the pole"},
      {{2, 2, 0, 54}, {2, 1, 0, 0}, true, 500000, -1.6e7, "inverse projection past the south pole"},
      {{2, 3, 9, 0}, {2, 3, 9, 0}, true, NAN, 0, "NaN through the identity"},
      {{2, 2, 0, 54}, {2, 2, 0, 54}, true, 500000, -INFINITY, "infinity through the identity"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    CCoordConverter cv(host.Services());
    EXPECT_EQ(cv.Setup(Sys(c.s[0], c.s[1], c.s[2], c.s[3]), Sys(c.d[0], c.d[1], c.d[2], c.d[3])), c.setupOk);
    double x = 1, y = 2, g = 3;
    EXPECT_FALSE(cv.Convert(c.x, c.y, x, y, g));
    EXPECT_TRUE(std::isnan(x) && std::isnan(y) && std::isnan(g));
  }

  // The exporter calls the last stage on its own: it keeps the same domain.
  CCoordConverter last;
  ASSERT_TRUE(last.Setup(Sys(2, 5, 0, 0), Sys(2, 1, 0, 0)));
  double k = 4;
  double x0 = 1, y0 = 2, g0 = 3;
  EXPECT_FALSE(last.LatLongToDestination(90.5, 139, x0, y0, g0, k));
  EXPECT_TRUE(std::isnan(x0) && std::isnan(y0));
  EXPECT_TRUE(last.LatLongToDestination(90, 180, x0, y0, g0, k));

  // A converter never set up, and one whose later setup failed: no stale zone is used.
  CCoordConverter fresh;
  double x, y, g;
  EXPECT_FALSE(fresh.Convert(0, 0, x, y, g));
  EXPECT_TRUE(std::isnan(x));
  CCoordConverter reused;
  ASSERT_TRUE(reused.Setup(Sys(2, 3, 9, 0), Sys(2, 2, 0, 54)));
  ASSERT_TRUE(reused.Convert(100, 100, x, y, g));
  EXPECT_FALSE(reused.Setup(Sys(2, 3, 20, 0), Sys(2, 2, 0, 54)));
  EXPECT_FALSE(reused.Convert(100, 100, x, y, g));
  EXPECT_TRUE(std::isnan(x));

  // SetIdentity passes any point through, whatever was set up before.
  reused.SetIdentity();
  ASSERT_TRUE(reused.Convert(100, -7, x, y, g));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, -7);
  EXPECT_EQ(g, 0);
}

// A ship track in UTM54 reaching far east and across the date line: the points the projection
// cannot hold to a millimetre (more than 60 degrees from the meridian) fail (NaN and false) in
// both directions, the others come back within 1 mm; longitudes a hair past 180 read as the date
// line.
TEST(Converter, FarFromTheZoneFailsOrRoundTrips) {
  CCoordConverter toUtm, toBL;
  ASSERT_TRUE(toUtm.Setup(Sys(2, 1, 0, 0), Sys(2, 2, 0, 54)));
  ASSERT_TRUE(toBL.Setup(Sys(2, 2, 0, 54), Sys(2, 1, 0, 0)));
  struct Case {
    double lon, lat;
    bool ok;
  } const cases[] = {{141, 38, true},    {136, 38, true},      {146.4, 45, true},   {150, 38, true},
                     {170, 38, true},    {-179.9, 38, true},   {180, -10, true},    {-161, 70, true},
                     {-150, 38, false},  {75, 38, false},      {0, 38, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lon);
    double e, n, cv;
    EXPECT_EQ(toUtm.Convert(c.lon, c.lat, e, n, cv), c.ok);
    if (!c.ok) {
      EXPECT_TRUE(std::isnan(e) && std::isnan(n));
      continue;
    }
    double lat, lon;
    ASSERT_TRUE(toBL.SourceToLatLong(n, e, lat, lon));
    EXPECT_NEAR(lat, c.lat, 1e-8);  // 1 mm is some 9e-9 degrees
    EXPECT_NEAR(std::remainder(lon - c.lon, 360), 0, 1e-8);
  }
  // Grid positions far east of the zone (as a wrong forward gave them) are refused on the way in.
  double lat, lon;
  EXPECT_FALSE(toBL.SourceToLatLong(4.3e6, 1.3e7, lat, lon));
  EXPECT_TRUE(std::isnan(lat));

  CCoordConverter sheet;
  ASSERT_TRUE(sheet.Setup(Sys(2, 1, 0, 0), Sys(2, 1, 0, 0)));
  double x, y, cv, x180;
  ASSERT_TRUE(sheet.Convert(180, 60, x180, y, cv));
  EXPECT_TRUE(sheet.Convert(180.00000000000006, 60, x, y, cv));
  EXPECT_EQ(x, x180);
  EXPECT_TRUE(sheet.Convert(-180.00000000000006, 60, x, y, cv));
  EXPECT_EQ(x, -x180);
  EXPECT_FALSE(sheet.Convert(180.000001, 60, x, y, cv));
}

// The date line and the poles, into the latitude/longitude sheet's metres and back as the export
// reads them (with the sheet's rounding to spare), and through a transverse Mercator zone: every
// corner comes back within 1e-9 degrees.
TEST(Converter, DateLineAndPolesBothWays) {
  CCoordConverter toSheet, fromSheet, toUtm, fromUtm;
  ASSERT_TRUE(toSheet.Setup(Sys(2, 1, 0, 0), Sys(2, 1, 0, 0)));
  ASSERT_TRUE(fromSheet.Setup(Sys(2, 5, 0, 0), Sys(2, 1, 0, 0)));
  ASSERT_TRUE(toUtm.Setup(Sys(2, 1, 0, 0), Sys(2, 2, 0, 60)));
  ASSERT_TRUE(fromUtm.Setup(Sys(2, 2, 0, 60), Sys(2, 1, 0, 0)));
  for (double lon : {-180.0, 180.0, 179.0, 0.0})
    for (double lat : {-90.0, 90.0, -16.5, 0.0}) {
      SCOPED_TRACE(testing::Message() << lon << " " << lat);
      double x, y, cv, la, lo;
      ASSERT_TRUE(toSheet.Convert(lon, lat, x, y, cv));
      for (double wobble : {1.0, 1 + 4e-16, 1 - 4e-16}) {
        ASSERT_TRUE(fromSheet.SourceToLatLong(y * wobble, x * wobble, la, lo));
        EXPECT_NEAR(la, lat, 1e-9);
        EXPECT_NEAR(lo, lon, 1e-9);
        EXPECT_LE(std::fabs(la), 90);
        EXPECT_LE(std::fabs(lo), 180);
      }
      if (lon == 0.0) continue;  // 177 degrees from zone 60's meridian
      ASSERT_TRUE(toUtm.Convert(lon, lat, x, y, cv));
      ASSERT_TRUE(fromUtm.SourceToLatLong(y, x, la, lo));
      EXPECT_NEAR(la, lat, 1e-9);
      // The date line is one meridian; at a pole every longitude is the same point.
      if (std::fabs(lat) < 90) {
        EXPECT_NEAR(std::remainder(lo - lon, 360), 0, 1e-9);
      }
    }
}

}  // namespace
}  // namespace vx::geo
