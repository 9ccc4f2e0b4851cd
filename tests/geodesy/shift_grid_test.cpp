// Mesh cells, the shift grid and its files, interpolation, and the Tokyo <-> JGD2000 shift with
// its geocentric fallback, checked against a synthetic field and against GeographicLib.
#include "geodesy/angles.h"
#include "geodesy/geodesy.h"
#include "geodesy/shift_grid.h"
#include "synthetic_grid.h"

#include <GeographicLib/Geocentric.hpp>
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

namespace vx::geo {
namespace {

using test::CellSouth;
using test::CellWest;
using test::Code;
using test::FieldDB;
using test::FieldDL;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(MeshCell, CodesAndFractions) {
  struct Case {
    double lat, lon;
    int pp, qq, d, h, e, l;
    double latFrac, lonFrac;
    const char* why;
  } const cases[] = {
      {35.658, 139.745, 53, 39, 3, 5, 8, 9, 0.96, 0.60, "inside a cell"},
      {35.7, 139.7, 53, 39, 4, 5, 4, 6, 0, -9.1e-13, "on a corner: l is 6 only thanks to the 1e-11"},
      {35.675, 139.7, 53, 39, 4, 5, 1, 6, 0, -9.1e-13, "on a 30-second edge: the cell to the north"},
      {36 - 7.105427357601002e-15, 140 - 2.842170943040401e-14, 54, 40, 0, 0, 0, 0, -9.1e-13, -2.3e-12,
       "a hair below a first-order corner: both digits carry up to the next first-order mesh"},
      {35.999999999999, 140.99999999999, 53, 40, 7, 7, 9, 9, 1, 1, "last cell of a first-order mesh"},
      {20, 120, 30, 20, 0, 0, 0, 0, 0, 0, "south-west bound of the grid"},
      {46, 154, 69, 54, 0, 0, 0, 0, 0, 0, "north-east bound of the grid"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    MeshCell m;
    ASSERT_TRUE(MeshCellOf(c.lat, c.lon, m));
    EXPECT_EQ(m.primary, c.pp * 100 + c.qq);
    EXPECT_EQ(m.secondary, c.d * 10 + c.h);
    EXPECT_EQ(m.tertiary, c.e * 10 + c.l);
    EXPECT_EQ(m.full, Code(c.pp, c.qq, c.d, c.h, c.e, c.l));
    EXPECT_NEAR(m.latFrac, c.latFrac, 1e-9);
    EXPECT_NEAR(m.lonFrac, c.lonFrac, 1e-9);
  }
  // The tiny negative fraction after a carry is kept, not clamped.
  MeshCell m;
  ASSERT_TRUE(MeshCellOf(35.7, 139.7, m));
  EXPECT_LT(m.lonFrac, 0);

  for (auto [lat, lon] : {std::pair{-0.1, 139.0}, {kNaN, 139.0}, {35.0, kNaN}, {1e300, 139.0}, {95.0, 139.0}})
    EXPECT_FALSE(MeshCellOf(lat, lon, m)) << lat << " " << lon;
}

TEST(MeshCell, NeighboursCarry) {
  struct Case {
    int code, east, north, northEast;
    const char* why;
  } const cases[] = {
      {53394546, 53394547, 53394556, 53394557, "no carry"},
      {53394549, 53394640, 53394559, 53394650, "l 9 -> 0 carries into h"},
      {53394749, 53404040, 53394759, 53404050, "h 7 -> 0 carries into qq"},
      {53394596, 53394597, 53395506, 53395507, "e 9 -> 0 carries into d"},
      {53397596, 53397597, 54390506, 54390507, "d 7 -> 0 carries into pp"},
      {53397799, 53407090, 54390709, 54400000, "every digit carries"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    MeshCell cell;
    cell.primary = c.code / 10000;
    cell.secondary = c.code / 100 % 100;
    cell.tertiary = c.code % 100;
    cell.full = c.code;
    const auto n = MeshNeighbours(cell);
    EXPECT_EQ(n[0].full, c.east);
    EXPECT_EQ(n[1].full, c.north);
    EXPECT_EQ(n[2].full, c.northEast);
    for (const auto& x : n) {
      EXPECT_EQ(x.full, x.primary * 10000 + x.secondary * 100 + x.tertiary);
      EXPECT_EQ(x.latFrac, 0);
    }
  }
}

TEST(ShiftGrid, BehavesAsAnOrderedMapOfCodes) {
  ShiftGrid g;
  MeshShift s;
  EXPECT_TRUE(g.Empty());
  g.Set(53394546, {1, 2});
  g.Set(53394546, {3, 4});  // later record replaces
  // Codes no mesh cell can have are kept too.
  for (int odd : {-5, 123456789, 53398546 /* d = 8 */, 53394846 /* h = 8 */, 0}) g.Set(odd, {5, 6});
  EXPECT_EQ(g.Size(), 6u);
  ASSERT_TRUE(g.Find(53394546, s));
  EXPECT_EQ(s.dB, 3);
  EXPECT_EQ(s.dL, 4);
  ASSERT_TRUE(g.Find(53398546, s));
  EXPECT_EQ(s.dB, 5);
  EXPECT_FALSE(g.Find(53394547, s));
  g.Clear();
  EXPECT_EQ(g.Size(), 0u);
  EXPECT_FALSE(g.Find(53394546, s));
}

// The block lookup of the four corners gives what four code lookups give, also where the
// neighbours cross second- and first-order edges, and between well-filled meshes and meshes that
// hold only a band along their south and west edges (a coast).
TEST(ShiftGrid, CornerLookupMatchesCodeLookup) {
  ShiftGrid g;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> keep(0, 3);
  for (int mesh : {5339, 5340, 5439, 5440})
    for (int d = 0; d < 8; ++d)
      for (int h = 0; h < 8; ++h)
        for (int e = 0; e < 10; ++e)
          for (int l = 0; l < 10; ++l) {
            const int code = Code(mesh / 100, mesh % 100, d, h, e, l);
            const bool coast = mesh == 5340 || mesh == 5439;
            if (coast && d * 10 + e >= 2 && h * 10 + l >= 2) continue;
            if (keep(rng)) g.Set(code, {code * 1e-6, -code * 1e-6});
          }
  EXPECT_EQ(g.DenseMeshes(), 2u);
  std::uniform_real_distribution<double> lat(35.3, 36.7), lon(138.9, 141.1);
  int found = 0;
  for (int i = 0; i < 20000; ++i) {
    MeshCell c;
    ASSERT_TRUE(MeshCellOf(lat(rng), lon(rng), c));
    const auto n = MeshNeighbours(c);
    std::array<MeshShift, 4> fast, slow;
    const bool bySlow = g.Find(c.full, slow[0]) && g.Find(n[0].full, slow[1]) && g.Find(n[1].full, slow[2]) &&
                        g.Find(n[2].full, slow[3]);
    ASSERT_EQ(g.Corners(c, fast), bySlow) << c.full;
    if (!bySlow) continue;
    ++found;
    for (int k = 0; k < 4; ++k) ASSERT_EQ(fast[k].dB, slow[k].dB) << c.full << " corner " << k;
  }
  EXPECT_GT(found, 2000);
}

void WriteBytes(const std::filesystem::path& p, const std::vector<unsigned char>& bytes) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<std::streamsize>(bytes.size()));
}

TEST(ShiftGridFile, BinaryRecords) {
  const auto dir = test::ScratchDir("binary_records");
  ShiftGrid g;
  MeshShift s;
  EXPECT_FALSE(g.Load(dir / "absent.dat"));
  EXPECT_FALSE(g.Load(dir));  // a folder opens on some systems but is no grid

  WriteBytes(dir / "empty.dat", {});
  EXPECT_TRUE(g.Load(dir / "empty.dat"));
  EXPECT_TRUE(g.Empty());

  // Record: code 53394546 (0x032EBC72), dB 1.5, dL -2.25, little-endian; then the same code with
  // dB 8, then 19 bytes of an incomplete record.
  std::vector<unsigned char> bytes = {0x72, 0xBC, 0x2E, 0x03, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0x02, 0xC0};
  std::vector<unsigned char> second = bytes;
  second[10] = 0x20;  // 8.0 = 0x4020000000000000
  second[11] = 0x40;
  bytes.insert(bytes.end(), second.begin(), second.end());
  bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + 19);
  WriteBytes(dir / "three.dat", bytes);
  g.Set(1, {0, 0});  // loading replaces what was there
  ASSERT_TRUE(g.Load(dir / "three.dat"));
  EXPECT_EQ(g.Size(), 1u);
  ASSERT_TRUE(g.Find(53394546, s));
  EXPECT_EQ(s.dB, 8);
  EXPECT_EQ(s.dL, -2.25);
}

// In-use heap bytes of this (single-threaded) process.
std::size_t HeapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// Memory follows the records, however they are spread: one record in each of 1000 first-order
// meshes (a 20 KB file) once took a 100 KB block per mesh, 100 MB in all.
TEST(ShiftGridFile, MemoryFollowsTheRecords) {
  const auto dir = test::ScratchDir("grid_memory");
  struct Case {
    std::vector<int> meshes;
    int step;  // every step-th cell of each mesh
    std::size_t dense;
    const char* why;
  } const cases[] = {
      {{}, 6400, 0, "one cell in each of 1000 meshes"},
      {{5339, 5340, 5439, 5440}, 1, 4, "four full meshes"},
      {{5339, 5340}, 32, 0, "two meshes with 200 cells each"},
      {{5339, 5340}, 25, 2, "two meshes with 256 cells each"},
      {{5339, 5340}, 3, 2, "two meshes a third filled"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<int> meshes = c.meshes;
    for (int i = 0; meshes.size() < 1000 && c.meshes.empty(); ++i) meshes.push_back((30 + i / 25) * 100 + 20 + i % 25);
    std::vector<unsigned char> bytes;
    for (int mesh : meshes)
      for (int index = 0; index < 6400; index += c.step) {
        const int row = index / 80, col = index % 80;
        const std::int32_t code = Code(mesh / 100, mesh % 100, row / 10, col / 10, row % 10, col % 10);
        const double shift[2] = {code * 1e-6, -1.0};
        unsigned char rec[20];
        std::memcpy(rec, &code, 4);  // the test machine is little-endian
        std::memcpy(rec + 4, shift, 16);
        bytes.insert(bytes.end(), rec, rec + 20);
      }
    WriteBytes(dir / "grid.dat", bytes);
    const std::size_t before = HeapInUse();
    {
      ShiftGrid g;
      ASSERT_TRUE(g.Load(dir / "grid.dat"));
      const std::size_t used = HeapInUse() - before;
      EXPECT_EQ(g.Size(), bytes.size() / 20);
      EXPECT_EQ(g.DenseMeshes(), c.dense);
      // Under 80 bytes a record, besides the 100 KB directory.
      EXPECT_LT(used, 4 * bytes.size() + 128 * 1024) << used << " bytes for a file of " << bytes.size();
      MeshShift s;
      const int mesh = meshes.back();
      ASSERT_TRUE(g.Find(Code(mesh / 100, mesh % 100, 0, 0, 0, 0), s));
      EXPECT_EQ(s.dB, Code(mesh / 100, mesh % 100, 0, 0, 0, 0) * 1e-6);
    }
  }
}

TEST(ShiftGridFile, TextParameterList) {
  const auto dir = test::ScratchDir("text_list");
  auto write = [&](const char* name, const char* text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  };
  std::string error;
  const auto grid = dir / "out.dat";
  const auto good = write("good.par", "header one\nheader two\n53394546 11.5 -11.25\r\n\n  53394547\t+1e1  -0.000001\n");
  ASSERT_TRUE(ConvertShiftText(good, grid, &error)) << error;
  EXPECT_EQ(std::filesystem::file_size(grid), 2 * kShiftRecordSize);
  ShiftGrid g;
  MeshShift s;
  ASSERT_TRUE(g.Load(grid));
  ASSERT_TRUE(g.Find(53394547, s));
  EXPECT_EQ(s.dB, 10);
  EXPECT_EQ(s.dL, -0.000001);

  struct Bad {
    const char* text;
    const char* message;
  } const bad[] = {
      {"only one header line\n", "header line 2"},
      {"", "header line 1"},
      {"h\nh\n53394546 11.5\n", "line 3"},
      {"h\nh\n53394546 11.5 -11.25\nmesh dB dL\n", "line 4"},
      {"h\nh\n53394546 11.5 -11.25 7\n", "line 3"},
      {"h\nh\n99999999999 1 2\n", "line 3"},  // code beyond 32 bits
      {"h\nh\n+-53394546 1 2\n", "line 3"},     // two signs
      {"h\nh\n53394546 +-1 2\n", "line 3"},
  };
  auto bytes = [](const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  const std::string goodGrid = bytes(grid);
  for (const auto& b : bad) {
    SCOPED_TRACE(b.text);
    EXPECT_FALSE(ConvertShiftText(write("bad.par", b.text), grid, &error));
    EXPECT_NE(error.find(b.message), std::string::npos) << error;
    // No cut-short grid is left to be loaded as if it were whole: the previous one stays.
    EXPECT_EQ(bytes(grid), goodGrid);
    for (const auto& e : std::filesystem::directory_iterator(grid.parent_path()))
      EXPECT_EQ(e.path().filename().string().find(".vxtmp"), std::string::npos) << e.path();
  }
  EXPECT_FALSE(ConvertShiftText(good, good, &error));
  EXPECT_NE(error.find("same file"), std::string::npos) << error;
  EXPECT_FALSE(ConvertShiftText(dir / "absent.par", grid, &error));
  EXPECT_FALSE(ConvertShiftText(good, dir / "no" / "such" / "dir.dat", &error));
}

// ---- interpolation and shift over a synthetic grid ----

class ShiftField : public testing::Test {
 protected:
  static constexpr int kMissing = 53405009;  // a cell whose record the list leaves out

  static void SetUpTestSuite() {
    const auto dir = test::ScratchDir("shift_field");
    // Four first-order meshes around Tokyo, and the meshes at the corners of the grid's bounds.
    test::WriteParameterList(dir / "field.par", {5339, 5340, 5439, 5440, 3020, 6954},
                             [](int code) { return code == kMissing; });
    std::string error;
    ASSERT_TRUE(ConvertShiftText(dir / "field.par", dir / "field.dat", &error)) << error;
    engine_ = new CGeodesy;
    ASSERT_TRUE(engine_->LoadShiftGrid(dir / "field.dat"));
  }
  static void TearDownTestSuite() { delete engine_; }
  static CGeodesy* engine_;
};
CGeodesy* ShiftField::engine_ = nullptr;

TEST_F(ShiftField, InterpolationReproducesABilinearField) {
  struct Case {
    double lat, lon;
    const char* why;
  } const cases[] = {
      {35.658, 139.745, "inside a cell"},
      {35.7, 139.7, "on a node"},
      {35.675, 139.7, "on an edge"},
      {35.99999, 139.99999, "last cell before a first-order corner: corners in three other meshes"},
      {36.0, 140.0, "on the first-order corner"},
      {35.9876, 140.99, "last column of mesh 5340: its east corners are in mesh 5341, not in the grid"},
      {20, 120, "grid bound, south-west"},
      {46, 154, "grid bound, north-east"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    double dB, dL;
    const bool ok = engine_->InterpolateShift(c.lat, c.lon, dB, dL);
    if (c.lon >= 140.9875 && c.lon < 141) {
      EXPECT_FALSE(ok);
      continue;
    }
    ASSERT_TRUE(ok);
    EXPECT_NEAR(dB, FieldDB(c.lat, c.lon), 1e-9);
    EXPECT_NEAR(dL, FieldDL(c.lat, c.lon), 1e-9);
  }
}

TEST_F(ShiftField, BoundsAndMissingCorners) {
  struct Case {
    double lat, lon;
    bool ok;
    const char* why;
  } const cases[] = {
      {46.0, 154.0, true, "upper bounds are inside"},
      {46.0000001, 154.0, false, "just north of the bound"},
      {46.0, 154.0000001, false, "just east of the bound"},
      {20.0, 120.0, true, "lower bounds are inside"},
      {19.9999999, 120.0, false, "just south"},
      {20.0, 119.9999999, false, "just west"},
      {kNaN, 139.7, false, "NaN latitude"},
      {35.7, 145.0, false, "no data there"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    double dB = 0, dL = 0;
    EXPECT_EQ(engine_->InterpolateShift(c.lat, c.lon, dB, dL), c.ok);
  }
  // The missing record is the SW, E, N or NE corner of four cells; each of them has no shift.
  const double lat = CellSouth(53, 5, 0), lon = CellWest(40, 0, 9);  // corner of kMissing
  double dB, dL;
  for (auto [dy, dx] : {std::pair{0.3, 0.3}, {0.3, -0.3}, {-0.3, 0.3}, {-0.3, -0.3}})
    EXPECT_FALSE(engine_->InterpolateShift(lat + dy / 120, lon + dx / 80, dB, dL)) << dy << " " << dx;
  EXPECT_TRUE(engine_->InterpolateShift(lat + 1.3 / 120, lon + 0.3 / 80, dB, dL));

  // There the shift falls back to the geocentric translation, as it does with no grid at all.
  const CGeodesy empty;
  double a1, o1, a2, o2;
  ASSERT_TRUE(engine_->TokyoToJgd(lat + 0.3 / 120, lon + 0.3 / 80, a1, o1));
  ASSERT_TRUE(empty.TokyoToJgd(lat + 0.3 / 120, lon + 0.3 / 80, a2, o2));
  EXPECT_EQ(a1, a2);
  EXPECT_EQ(o1, o2);
}

TEST_F(ShiftField, TokyoToJgdAndBack) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> lat(35.4, 36.6), lon(139.1, 140.9);
  double worst = 0;
  for (int i = 0; i < 2000; ++i) {
    const double la = lat(rng), lo = lon(rng);
    double jl, jo, tl, to;
    ASSERT_TRUE(engine_->TokyoToJgd(la, lo, jl, jo));
    EXPECT_NEAR(jl, la + FieldDB(la, lo) / 3600, 1e-12);
    EXPECT_NEAR(jo, lo + FieldDL(la, lo) / 3600, 1e-12);
    ASSERT_TRUE(engine_->JgdToTokyo(jl, jo, tl, to));
    worst = std::max({worst, std::fabs(tl - la) * 3600, std::fabs(to - lo) * 3600});
  }
  EXPECT_LT(worst, 1e-5);  // arc-seconds; two fixed-point guesses suffice
}

TEST(DatumShift, RangeFailuresLeaveOutputsAlone) {
  const CGeodesy g;
  struct Case {
    double lat, lon;
    bool ok;
  } const cases[] = {{90, 180, true},   {-90, -180, true},   {90.0000001, 0, false}, {-90.0000001, 0, false},
                     {0, 180.0000001, false}, {0, -180.0000001, false}, {kNaN, 0, false}, {0, kNaN, false}};
  for (const auto& c : cases) {
    double a = 7, b = 8;
    EXPECT_EQ(g.TokyoToJgd(c.lat, c.lon, a, b), c.ok) << c.lat << " " << c.lon;
    EXPECT_EQ(g.JgdToTokyo(c.lat, c.lon, a, b), c.ok) << c.lat << " " << c.lon;
    if (!c.ok) {
      EXPECT_EQ(a, 7);
      EXPECT_EQ(b, 8);
    } else {
      EXPECT_TRUE(std::isfinite(a) && std::isfinite(b));
      EXPECT_LE(std::fabs(a), 90.0);
    }
  }
}

// ---- the geocentric fallback against GeographicLib ----

constexpr double kTx = -146.414, kTy = 507.337, kTz = 680.507;  // metres, Tokyo -> JGD2000

double GroundDistance(double lat1, double lon1, double lat2, double lon2) {
  const double m = 6378137 * kDegToRad;
  double dlon = lon2 - lon1;
  if (dlon > 180) dlon -= 360;
  if (dlon < -180) dlon += 360;
  return std::hypot((lat2 - lat1) * m, dlon * m * std::cos(lat1 * kDegToRad));
}

struct Place {
  double lat, lon;
  const char* why;
};
constexpr Place kPlaces[] = {
    {35.658, 139.745, "Tokyo"},          {43.06, 141.35, "Sapporo"},      {24.34, 124.16, "Ishigaki"},
    {24.29, 153.98, "Minamitorishima"},  {0, 0, "equator, Greenwich"},    {-33.9, 151.2, "southern"},
    {60, -150, "western, high"},          {89.99, 45, "near the pole"},    {-89.5, -179.9, "near the south pole"},
    {12, 180, "date line"},               {12, -180, "date line, west"}, {47, 119, "outside the grid bounds"},
};

TEST(DatumShift, FallbackMatchesGeocentricTranslation) {
  const GeographicLib::Geocentric bessel(6377397.155, 1 / 299.152813);
  const GeographicLib::Geocentric grs80(6378137, 1 / 298.257222101);
  const CGeodesy g;  // no grid: every position uses the fallback
  double worstForward = 0, worstBack = 0;
  for (const auto& p : kPlaces) {
    SCOPED_TRACE(p.why);
    double X, Y, Z, lat, lon, h;
    bessel.Forward(p.lat, p.lon, 0, X, Y, Z);
    grs80.Reverse(X + kTx, Y + kTy, Z + kTz, lat, lon, h);
    double jl, jo;
    ASSERT_TRUE(g.TokyoToJgd(p.lat, p.lon, jl, jo));
    worstForward = std::max(worstForward, GroundDistance(lat, lon, jl, jo));
    EXPECT_LT(GroundDistance(lat, lon, jl, jo), 1e-3);

    // Back: the Tokyo position found must map forward onto the JGD2000 position given.
    double tl, to;
    ASSERT_TRUE(g.JgdToTokyo(p.lat, p.lon, tl, to));
    bessel.Forward(tl, to, 0, X, Y, Z);
    grs80.Reverse(X + kTx, Y + kTy, Z + kTz, lat, lon, h);
    worstBack = std::max(worstBack, GroundDistance(lat, lon, p.lat, p.lon));
    EXPECT_LT(GroundDistance(lat, lon, p.lat, p.lon), 1e-3);
  }
  std::printf("geocentric fallback: worst Tokyo->JGD %.3g mm, JGD->Tokyo %.3g mm\n", worstForward * 1e3,
              worstBack * 1e3);
}

TEST(DatumShift, GeocentricRoundTripAndAxis) {
  Ellipsoid e;
  ASSERT_TRUE(EllipsoidForDatum(DatumTokyo, e));
  for (const auto& p : kPlaces) {
    SCOPED_TRACE(p.why);
    for (double h0 : {0.0, 3776.0, -400.0}) {
      double X, Y, Z, phi, lambda, h;
      GeodeticToGeocentric(p.lat * kDegToRad, p.lon * kDegToRad, h0, e, X, Y, Z);
      GeocentricToGeodetic(X, Y, Z, e, phi, lambda, h);
      EXPECT_LT(GroundDistance(p.lat, p.lon, phi * kRadToDeg, lambda * kRadToDeg), 1e-5);
      EXPECT_NEAR(h, h0, 1e-5);
    }
  }
  // On the axis itself the latitude keeps its hemisphere.
  double phi, lambda, h;
  GeocentricToGeodetic(0, 0, 6356079, e, phi, lambda, h);
  EXPECT_NEAR(phi * kRadToDeg, 90, 1e-12);
  EXPECT_NEAR(h, 6356079 - 6377397.155 * (1 - 1 / 299.152813), 1e-6);
  GeocentricToGeodetic(0, 0, -6356079, e, phi, lambda, h);
  EXPECT_NEAR(phi * kRadToDeg, -90, 1e-12);
}

}  // namespace
}  // namespace vx::geo
