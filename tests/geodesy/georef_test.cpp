// The georeference kept in the document: data frame text and layer, coordinate markers, the fits
// and the sheet transform.
#include "geodesy/georef.h"
#include "tests/geodesy/codes.h"
#include "shell/text/text.h"
#include "tests/support/host_fixture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vx::geo {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

DataFrame Frame(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utm, double X, double Y,
                double S, double R, double h = 0, double v = 0) {
  DataFrame df;
  df.system = Sys(datum, kind, zone, utm);
  df.X = X, df.Y = Y, df.S = S, df.R = R, df.anchorH = h, df.anchorV = v;
  return df;
}

// ---------------------------------------------------------------------------------------------
// Data frame text

TEST(DataFrameText, WrittenFieldsInOrder) {
  struct Case {
    DataFrame df;
    const char* text;
    const char* why;
  } cases[] = {
      {Frame(2, 3, 9, 0, -8342.512, 22119.73, 25000.0, 0), "G=JGD|P=XY9|X=-8342.512000|Y=22119.730000|S=25000|R=0.000000",
       "the stored example"},
      {Frame(2, 3, 9, 0, 0, 0, 2500.9, 0), "G=JGD|P=XY9|X=0.000000|Y=0.000000|S=2500|R=0.000000", "S toward zero"},
      {Frame(1, 2, 0, 54, 500000, 3900000, 10000, -0.25),
       "G=TKY|P=UTM54|X=500000.000000|Y=3900000.000000|S=10000|R=-0.250000", "UTM zone after the kind"},
      {Frame(1, 1, 0, 0, 1, 2, 5000, 0), "G=TKY|P=BL|X=1.000000|Y=2.000000|S=5000|R=0.000000", "lat/long kind"},
      {Frame(7, 9, 0, 0, 1, 2, -2500.9, 0), "G=|P=|X=1.000000|Y=2.000000|S=-2500|R=0.000000",
       "unknown codes write empty values"},
      {Frame(2, 3, 9, 0, 0, 0, kNaN, 0), "G=JGD|P=XY9|X=0.000000|Y=0.000000|S=0|R=0.000000",
       "a scale that is no number writes 0 (the cast alone is undefined)"},
      {Frame(2, 3, 9, 0, 0, 0, 1e12, 0), "G=JGD|P=XY9|X=0.000000|Y=0.000000|S=2147483647|R=0.000000",
       "beyond 32 bits saturates"},
  };
  for (const Case& c : cases) EXPECT_EQ(DataFrameText(c.df), c.text) << c.why;
}

TEST(DataFrameText, ParsedFieldsAndRefusals) {
  struct Case {
    std::string text;
    bool ok;
    DataFrame want;  // anchor always 0
    const char* why;
  } cases[] = {
      {"G=JGD|P=XY9|X=-8342.512000|Y=22119.730000|S=25000|R=0.000000", true,
       Frame(2, 3, 9, 0, -8342.512, 22119.73, 25000, 0), "the stored example reads back"},
      {"R=1.5|S=2500.9|Y=2|X=1|P=XY12x|G=TKY", true, Frame(1, 3, 12, 0, 1, 2, 2500.9, 1.5),
       "any order; trailing text after the zone; S keeps decimals"},
      {"G=WGS|P=LL|X=1|Y=2|S=3|R=4", true, Frame(0, 0, 0, 0, 1, 2, 3, 4), "unknown G and P read as 0"},
      {"G=JGD|P=UTM54|X=1|Y=2|S=3|R=4", true, Frame(2, 2, 0, 54, 1, 2, 3, 4), "UTM zone"},
      {"G=JGD|P=BL|X=|Y=abc|S=25000|R=", true, Frame(2, 1, 0, 0, 0, 0, 25000, 0), "atof: no number is 0"},
      {"R=1|G=JGD|P=BL|X=1|Y=2|S=3|R=5", true, Frame(2, 1, 0, 0, 1, 2, 3, 1),
       "the sixth field is the rest (S=3|R=5); the first R stays"},
      {"G=JGD|G=TKY|P=BL|X=1|Y=2|S=3|R=4", false, {}, "the sixth field is S=3|R=4: R is missing"},
      {"G=JGD|P=XY9|X=1|Y=2|S=3", false, {}, "five fields"},
      {"G=JGD|P=XY9|X=1|Y2|S=3|R=0", false, {}, "a field without ="},
      {"G=JGD|P=XY9|X=1|Y=2|Q=3|R=0", false, {}, "S missing"},
      {"G=JGD|P=XY9|X=1|Y=2|S=0|R=0", false, {}, "scale 0 would divide by zero"},
      {"G=JGD|P=XY9|X=1|Y=2|S=-25000|R=0", false, {}, "negative scale"},
      {"G=JGD|P=XY9|X=1|Y=2|S=abc|R=0", false, {}, "a scale that is no number reads as 0"},
      {"G=JGD|P=XY9|X=1|Y=2|S=nan|R=0", false, {}, "NaN scale"},
      {"G=JGD|P=XY9|X=inf|Y=2|S=25000|R=0", false, {}, "a reference point at infinity"},
      {"G=JGD|P=XY9|X=1|Y=2|S=0.5|R=0", true, Frame(2, 3, 9, 0, 1, 2, 0.5, 0), "a small positive scale is usable"},
      {"G=JGD|P=XY9|X=" + std::string(240, '1') + "|Y=2|S=3|R=0", false, {}, "only 255 characters are read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    DataFrame got = Frame(9, 9, 9, 9, 9, 9, 9, 9);
    ASSERT_EQ(ParseDataFrameText(text::Utf8ToUtf16(c.text), got), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_EQ(got.S, 9) << "left untouched";
      continue;
    }
    EXPECT_EQ(got.system, c.want.system);
    EXPECT_EQ(got.X, c.want.X);
    EXPECT_EQ(got.Y, c.want.Y);
    EXPECT_EQ(got.S, c.want.S);
    EXPECT_EQ(got.R, c.want.R);
  }
}

// ---------------------------------------------------------------------------------------------
// Data frame in the document

class GeorefInHost : public ::vx::test::HostFixture {
 protected:
  std::vector<std::string> Titles() {
    std::vector<std::string> t;
    for (const host::LayerOpaque* l : Doc().layers) t.push_back(l->title);
    return t;
  }
  host::LayerOpaque* Layer(const std::string& title) {
    for (host::LayerOpaque* l : Doc().layers)
      if (l->title == title) return l;
    return nullptr;
  }
  host::ArtOpaque* FirstArt(const std::string& title) {
    host::LayerOpaque* l = Layer(title);
    return l ? l->group->firstChild : nullptr;
  }
  // A layer at the bottom holding one point text, as a user would make it.
  host::LayerOpaque* AddText(const std::string& title, const std::string& text, host::RealPoint at) {
    host::LayerHandle l = nullptr;
    EXPECT_EQ(host::sLayer()->InsertLayer(nullptr, host::PaintOrder::Below, l), host::kNoErr);
    EXPECT_EQ(host::sLayer()->SetLayerTitle(l, title), host::kNoErr);
    host::ArtHandle g = nullptr, f = nullptr;
    EXPECT_EQ(host::sLayer()->GetLayerGroup(l, g), host::kNoErr);
    EXPECT_EQ(host::sTextFrame()->NewPointText(host::PaintOrder::InsideOnTop, g, host::TextOrientation::Horizontal, at, f),
              host::kNoErr);
    EXPECT_EQ(host::sTextRange()->InsertAfter(f, text::Utf8ToUtf16(text)), host::kNoErr);
    return l;
  }
};

TEST_F(GeorefInHost, WriteDataFrameMakesTheTopLayerAndReadsBack) {
  EXPECT_EQ(DataFrameLabel(), "無効な設定");
  DataFrame none;
  EXPECT_FALSE(ReadDataFrame(none));

  const DataFrame df = Frame(2, 3, 9, 0, -8342.512, 22119.73, 25000.0, 0, 306, 396);
  ASSERT_EQ(WriteDataFrame(df), host::kNoErr);
  ASSERT_EQ(Titles().size(), 2u);
  EXPECT_EQ(Titles()[0], kDataFrameLayerTitle) << "above all other layers";
  const host::ArtOpaque* t = FirstArt(kDataFrameLayerTitle);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->type, host::ArtType::TextFrame);
  EXPECT_EQ(t->Extra().frameKind, host::TextFrameKind::Point);
  EXPECT_EQ(t->Extra().orientation, host::TextOrientation::Horizontal);
  EXPECT_EQ(t->Extra().anchor, (host::RealPoint{306, 396}));
  EXPECT_EQ(t->Extra().textFill, host::Color::Cmyk(0, 0, 0, 0.5));
  EXPECT_EQ(text::Utf16ToUtf8(t->Extra().text), "G=JGD|P=XY9|X=-8342.512000|Y=22119.730000|S=25000|R=0.000000");
  EXPECT_TRUE(IsReservedLayer(Layer(kDataFrameLayerTitle)));
  EXPECT_FALSE(IsReservedLayer(Doc().layers[1]));

  DataFrame back;
  ASSERT_TRUE(ReadDataFrame(back));
  EXPECT_EQ(back.X, -8342.512);
  EXPECT_EQ(back.Y, 22119.73);
  EXPECT_EQ(back.S, 25000.0);
  EXPECT_EQ(back.anchorH, 306);
  EXPECT_EQ(back.anchorV, 396);
  EXPECT_EQ(DataFrameLabel(), "(世界測地系 平面直角座標 第9系)");

  // A second write changes nothing and succeeds.
  ASSERT_EQ(WriteDataFrame(Frame(1, 2, 0, 54, 1, 2, 3, 4, 5, 6)), host::kNoErr);
  EXPECT_EQ(Titles().size(), 2u);
  EXPECT_EQ(t->next, nullptr);
  EXPECT_EQ(text::Utf16ToUtf8(t->Extra().text), "G=JGD|P=XY9|X=-8342.512000|Y=22119.730000|S=25000|R=0.000000");
}

TEST_F(GeorefInHost, DataFrameLabelsAndUnreadableFrames) {
  struct Case {
    const char* text;
    const char* label;
  } cases[] = {
      {"G=TKY|P=UTM54|X=1|Y=2|S=3|R=0", "(日本測地系 UTM座標 第54帯)"},
      {"G=JGD|P=BL|X=1|Y=2|S=3|R=0", "(世界測地系 緯度経度座標)"},
      {"G=WGS|P=XY3|X=1|Y=2|S=3|R=0", "(日本測地系 平面直角座標 第3系)"},  // any other datum
      {"G=JGD|P=LL|X=1|Y=2|S=3|R=0", "(世界測地系 緯度経度座標)"},
      {"G=JGD|P=XY9|X=1|Y=2|S=0|R=0", "無効な設定"},  // edited to scale 0
      {"", "無効な設定"},                             // an empty text
  };
  host::LayerOpaque* l = AddText(kDataFrameLayerTitle, "", {0, 0});
  for (const Case& c : cases) {
    l->group->firstChild->EditExtra().text = text::Utf8ToUtf16(c.text);
    EXPECT_EQ(DataFrameLabel(), c.label) << c.text;
  }
  // The first art must be the text: a path on top of it hides the frame.
  l->group->firstChild->EditExtra().text = text::Utf8ToUtf16("G=JGD|P=XY9|X=1|Y=2|S=3|R=0");
  DataFrame df;
  EXPECT_TRUE(ReadDataFrame(df));
  host::ArtHandle path = nullptr;
  ASSERT_EQ(host::sArt()->NewArt(host::ArtType::Path, host::PaintOrder::InsideOnTop, l->group, path), host::kNoErr);
  EXPECT_FALSE(ReadDataFrame(df));
  EXPECT_EQ(WriteDataFrame(Frame(2, 3, 9, 0, 0, 0, 1000, 0)), host::kNoErr) << "the layer exists: no-op";
  EXPECT_EQ(Titles().size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// Sheet transform through a data frame

TEST(SheetTransform, DataFrameMatchesTheClosedForms) {
  const DataFrame frames[] = {
      Frame(2, 3, 9, 0, -8342.512, 22119.73, 25000, 0, 306, 396),
      Frame(2, 3, 9, 0, 1000, -2000, 2500, 90, 10, 20),
      Frame(2, 2, 0, 54, 500000, 3900000, 200000, -7.25, -50, 800),
      Frame(2, 1, 0, 0, 1.5e7, 3.9e6, 1000000, 180.5, 0, 0),
  };
  const double k0 = 0.00035277777777777776;
  for (const DataFrame& df : frames) {
    SCOPED_TRACE(DataFrameText(df));
    CSheetTransform t;
    ASSERT_TRUE(t.SetFromDataFrame(df));
    EXPECT_EQ(t.Source(), TransformSource::DataFrame);
    const double th = df.R * 3.141592653589793 / 180;
    for (const host::RealPoint p : {host::RealPoint{0, 0}, {306, 396}, {-1000, 2500}, {612.5, -13}}) {
      const double dx = (p.h - df.anchorH) * df.S * k0, dy = (p.v - df.anchorV) * df.S * k0;
      double x, y;
      t.ArtToMap(p.h, p.v, x, y);
      const double tol = 1e-9 * (std::fabs(df.X) + std::fabs(df.Y) + df.S);
      EXPECT_NEAR(x, df.X + std::cos(th) * dx + std::sin(th) * dy, tol);
      EXPECT_NEAR(y, df.Y - std::sin(th) * dx + std::cos(th) * dy, tol);
      // And back through the other three matrices.
      double h, v;
      t.MapToArt(x, y, h, v);
      EXPECT_NEAR(h, p.h, 1e-6);
      EXPECT_NEAR(v, p.v, 1e-6);
      const double k = 2834.645669291339 / df.S, mx = x + 123.25, my = y - 77;
      t.MapToArt(mx, my, h, v);
      EXPECT_NEAR(h, df.anchorH + k * (std::cos(th) * (mx - df.X) - std::sin(th) * (my - df.Y)), 1e-6);
      EXPECT_NEAR(v, df.anchorV + k * (std::sin(th) * (mx - df.X) + std::cos(th) * (my - df.Y)), 1e-6);
    }
  }
}

TEST(SheetTransform, NinetyDegreesTurnsAnInchIntoMetresSouth) {
  const DataFrame df = Frame(2, 3, 9, 0, 1000, 2000, 25000, 90, 100, 200);
  CSheetTransform t;
  ASSERT_TRUE(t.SetFromDataFrame(df));
  double x, y, h, v;
  t.ArtToMap(100 + 72, 200, x, y);
  EXPECT_NEAR(x, 1000, 1e-9);
  EXPECT_NEAR(y, 2000 - 0.0254 * 25000, 1e-9);
  t.MapToArt(1000 + 1, 2000, h, v);
  EXPECT_NEAR(h, 100, 1e-12);
  EXPECT_NEAR(v, 200 + 2834.645669291339 / 25000, 1e-12);
}

TEST(SheetTransform, UnusableFramesAndFitsGiveNoTransform) {
  const DataFrame bad[] = {Frame(2, 3, 9, 0, 0, 0, 0, 0), Frame(2, 3, 9, 0, 0, 0, -1, 0),
                           Frame(2, 3, 9, 0, 0, 0, kNaN, 0), Frame(2, 3, 9, 0, 0, 0, kInf, 0),
                           Frame(2, 3, 9, 0, kNaN, 0, 1000, 0), Frame(2, 3, 9, 0, 0, 0, 1000, kInf),
                           Frame(2, 3, 9, 0, 0, 0, 1000, 0, kNaN, 0)};
  for (const DataFrame& df : bad) {
    CSheetTransform t;
    EXPECT_FALSE(t.SetFromDataFrame(df)) << DataFrameText(df);
    EXPECT_FALSE(t.Ready());
    double x = 0, y = 0;
    t.ArtToMap(1, 2, x, y);
    EXPECT_TRUE(std::isnan(x) && std::isnan(y)) << "never an infinite position";
    t.MapToArt(1, 2, x, y);
    EXPECT_TRUE(std::isnan(x) && std::isnan(y));
  }
  // A usable frame after an unusable one makes the transform ready again.
  CSheetTransform t;
  EXPECT_FALSE(t.SetFromDataFrame(bad[0]));
  EXPECT_TRUE(t.SetFromDataFrame(Frame(2, 3, 9, 0, 0, 0, 1000, 0)));

  MarkerSet collinear;
  collinear.layout = MarkerLayout::ThreePoint;
  collinear.doc = {host::RealPoint{0, 0}, {10, 10}, {20, 20}, {}};
  collinear.map = {MarkerPoint{0, 0}, {1, 0}, {0, 1}, {}};
  EXPECT_FALSE(t.SetFromMarkers(collinear));
  EXPECT_FALSE(t.Ready());
  MarkerSet flat;  // a map "rectangle" of zero width
  flat.layout = MarkerLayout::FourPoint;
  flat.doc = {host::RealPoint{0, 0}, {0, 100}, {100, 100}, {100, 0}};
  flat.map = {MarkerPoint{5, 0}, {5, 1}, {5, 1}, {5, 0}};
  EXPECT_FALSE(t.SetFromMarkers(flat));
}

// ---------------------------------------------------------------------------------------------
// Fits

TEST(Fits, AffineMapsItsThreePointsAndRefusesALine) {
  const MarkerPoint s1{10, 20}, s2{300.5, 25}, s3{40, 410.25}, d1{-8000, 30000}, d2{-7000, 30010}, d3{-8050, 31000};
  FitAffine3 f;
  ASSERT_TRUE(f.Setup(s1, s2, s3, d1, d2, d3));
  double x, y;
  for (auto [s, d] : {std::pair{s1, d1}, std::pair{s2, d2}, std::pair{s3, d3}}) {
    f.Apply(s.x, s.y, x, y);
    EXPECT_NEAR(x, d.x, 1e-10);
    EXPECT_NEAR(y, d.y, 1e-10);
  }
  // Affine: the midpoint of s2 and s3 goes to the midpoint of d2 and d3.
  f.Apply((s2.x + s3.x) / 2, (s2.y + s3.y) / 2, x, y);
  EXPECT_NEAR(x, (d2.x + d3.x) / 2, 1e-9);
  EXPECT_NEAR(y, (d2.y + d3.y) / 2, 1e-9);

  FitAffine3 line;
  EXPECT_FALSE(line.Setup({0, 0}, {1, 1}, {3, 3}, d1, d2, d3)) << "b = 0";
  EXPECT_FALSE(line.Setup({0, 0}, {1e-200, 0}, {0, 1e-200}, d1, d2, d3)) << "b underflows to 0";
  EXPECT_FALSE(line.Setup({0, 0}, {1, 0}, {0, kNaN}, d1, d2, d3));
  EXPECT_FALSE(line.Ready());
  line.Apply(1, 1, x, y);
  EXPECT_TRUE(std::isnan(x));
}

TEST(Fits, BilinearInvertsAGeneralQuadrilateral) {
  // Source corners: s0, s1 along the second side, s2 opposite s0, s3 along the first side.
  const MarkerPoint s0{100, 100}, s1{90, 520}, s2{640, 560}, s3{600, 80};
  const MarkerPoint d0{139, 35}, d1{139, 36}, d3{140, 35};
  FitBilinear4 f;
  ASSERT_TRUE(f.Setup(s0, s1, s2, s3, d0, d1, d3));
  double x, y;
  const std::pair<MarkerPoint, MarkerPoint> corners[] = {
      {s0, {d0.x, d0.y}}, {s3, {d3.x, d0.y}}, {s1, {d0.x, d1.y}}, {s2, {d3.x, d1.y}}};
  for (auto [s, d] : corners) {
    f.Apply(s.x, s.y, x, y);
    EXPECT_NEAR(x, d.x, 1e-10);
    EXPECT_NEAR(y, d.y, 1e-10);
  }
  // Interior points made with known bilinear parameters come back to them.
  for (double m : {0.0, 0.1, 0.5, 0.93}) {
    for (double n : {0.0, 0.3, 0.77, 1.0}) {
      const double px = s0.x + m * (s3.x - s0.x) + n * (s1.x - s0.x) + m * n * (s2.x - s1.x - s3.x + s0.x);
      const double py = s0.y + m * (s3.y - s0.y) + n * (s1.y - s0.y) + m * n * (s2.y - s1.y - s3.y + s0.y);
      f.Apply(px, py, x, y);
      EXPECT_NEAR(x, d0.x + (d3.x - d0.x) * m, 1e-10) << m << " " << n;
      EXPECT_NEAR(y, d0.y + (d1.y - d0.y) * n, 1e-10) << m << " " << n;
    }
  }
  FitBilinear4 flat;
  EXPECT_FALSE(flat.Setup(s0, s0, s2, s3, d0, d1, d3)) << "L = 0";
  EXPECT_FALSE(flat.Setup({0, 0}, {0, 1}, {1, 1}, {1, 0}, d0, {kInf, 1}, d3));
}

// Four markers whose sheet positions are not an axis-aligned rectangle (a turned sheet, a general
// convex quadrilateral, the slightly skewed degree-form markers of a plane-zone drawing): map to
// art must undo art to map everywhere, corners included.
TEST(SheetTransform, FourMarkersRoundTripForAnyConvexQuadrilateral) {
  auto turned = [](double deg) {
    const double t = deg * 3.141592653589793 / 180, c = std::cos(t), s = std::sin(t);
    std::array<host::RealPoint, 4> doc{};
    const double corner[4][2] = {{0, 0}, {0, 600}, {400, 600}, {400, 0}};  // 1 左下, 2 左上, 3 右上, 4 右下
    for (int i = 0; i < 4; ++i)
      doc[static_cast<std::size_t>(i)] = {300 + c * corner[i][0] - s * corner[i][1], 100 + s * corner[i][0] + c * corner[i][1]};
    return doc;
  };
  const std::array<host::RealPoint, 4> cases[] = {
      turned(2), turned(-30),
      {{{100, 100}, {90, 520}, {640, 560}, {600, 80}}},
      {{{100, 100}, {100, 700}, {502.8, 700}, {500, 100}}},
  };
  for (const auto& doc : cases) {
    MarkerSet set;
    set.layout = MarkerLayout::FourPoint;
    set.doc = doc;
    set.map = {{{-12000, 30000}, {-12000, 45000}, {-2000, 45000}, {-2000, 30000}}};
    CSheetTransform t;
    ASSERT_TRUE(t.SetFromMarkers(set));
    double worst = 0;
    for (int i = 0; i <= 10; ++i) {
      for (int j = 0; j <= 10; ++j) {
        // Points inside the quadrilateral, its corners and edges included.
        const double m = i / 10.0, n = j / 10.0;
        const double h = doc[0].h + m * (doc[3].h - doc[0].h) + n * (doc[1].h - doc[0].h) +
                         m * n * (doc[2].h - doc[1].h - doc[3].h + doc[0].h);
        const double v = doc[0].v + m * (doc[3].v - doc[0].v) + n * (doc[1].v - doc[0].v) +
                         m * n * (doc[2].v - doc[1].v - doc[3].v + doc[0].v);
        double x, y, h2, v2;
        t.ArtToMap(h, v, x, y);
        t.MapToArt(x, y, h2, v2);
        worst = std::max({worst, std::fabs(h2 - h), std::fabs(v2 - v)});
      }
    }
    EXPECT_LE(worst, 1e-9) << doc[2].h << "," << doc[2].v;
    // Each marker's map point lands on its own position.
    for (std::size_t i = 0; i < 4; ++i) {
      double h, v;
      t.MapToArt(set.map[i].x, set.map[i].y, h, v);
      EXPECT_NEAR(h, doc[i].h, 1e-9) << i;
      EXPECT_NEAR(v, doc[i].v, 1e-9) << i;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Markers

TEST(MarkerText, PlaneAndDegreeForms) {
  struct Case {
    const char* text;
    bool ok;
    double x, y;
    const char* why;
  } cases[] = {
      {"1200.5&-3000.25", true, -3000.25, 1200.5, "plane form: northing first"},
      {"1/2/3&4", true, 4, 1, "three slashes are the plane form (atof stops at /)"},
      {"35/30/0.000000&139/0/36.000000", true, 139.01, 35.5, "degree form"},
      {"-0/30/0.000000&-139/0/0.000000", true, -139, -0.5, "negative angles, -0 keeps its sign"},
      {"35/30&139/0/0/", false, 0, 0, "four slashes, but the latitude lacks its seconds"},
      {"1200.5 -3000.25", false, 0, 0, "no &"},
      {"abc&", true, 0, 0, "atof of no number is 0"},
  };
  for (const Case& c : cases) {
    MarkerPoint p{9, 9};
    ASSERT_EQ(ParseMarkerText(text::Utf8ToUtf16(c.text), p), c.ok) << c.why;
    if (!c.ok) continue;
    EXPECT_NEAR(p.x, c.x, 1e-12) << c.why;
    EXPECT_NEAR(p.y, c.y, 1e-12) << c.why;
  }
}

TEST_F(GeorefInHost, MarkerLayersAreInsertedBelowAllInOrder) {
  ASSERT_EQ(CreateMarkerLayers(true), host::kNoErr);
  ASSERT_EQ(CreateMarkerLayers(false), host::kNoErr);
  EXPECT_EQ(Titles(), (std::vector<std::string>{Titles()[0], kMarkerBottomRight, kMarkerBottomLeft, kMarkerTopRight,
                                                kMarkerTopLeft, kMarker1of3, kMarker2of3, kMarker3of3}));
  for (std::size_t i = 1; i < Doc().layers.size(); ++i) {
    EXPECT_TRUE(IsReservedLayer(Doc().layers[i]));
    EXPECT_EQ(Doc().layers[i]->group->firstChild, nullptr) << "empty, for the user to fill";
  }
  MarkerSet set;
  EXPECT_FALSE(ReadMarkers(set)) << "empty marker layers are no markers";
}

TEST_F(GeorefInHost, ReadMarkersDetectsTheSetAndChecksTheRectangle) {
  struct Text {
    const char* title;
    const char* text;
    host::RealPoint at;
  };
  const std::vector<Text> four = {{kMarkerBottomLeft, "35/0/0.000000&139/0/0.000000", {100, 100}},
                                  {kMarkerTopLeft, "36/0/0.000000&139/0/0.000000", {100, 700}},
                                  {kMarkerTopRight, "36/0/0.000000&140/0/0.000000", {500, 700}},
                                  {kMarkerBottomRight, "35/0/0.000000&140/0/0.000000", {500, 100}}};
  const std::vector<Text> three = {{kMarker1of3, "1000&-2000", {10, 10}},
                                   {kMarker2of3, "1000&3000", {510, 10}},
                                   {kMarker3of3, "2000&-2000", {10, 110}}};
  struct Case {
    std::vector<Text> texts;
    bool ok;
    std::int32_t kind;
    const char* why;
  };
  auto with = [](std::vector<Text> t, std::size_t i, const char* text) {
    t[i].text = text;
    return t;
  };
  auto plus = [](std::vector<Text> a, const std::vector<Text>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const Case cases[] = {
      {four, true, 0, "four degree-form markers at a lat/long rectangle"},
      {with(four, 3, "35/0/0.000001&140/0/0.000000"), false, 0, "bottom side no longer equal"},
      {with(four, 0, "35/0/0.000000&139/0/0.000001"), false, 0, "left side no longer equal"},
      {plus(with(four, 3, "35/0/0.000001&140/0/0.000000"), three), false, 0,
       "a broken four-point set is not replaced by the three-point set"},
      {three, true, 1, "three plane-form markers"},
      {plus({four[0], four[1], four[2]}, three), true, 1, "three of the four corners: the three-point set"},
      {with(three, 2, "1000&8000"), false, 1, "collinear three points would give infinite coordinates"},
      {{four[0], four[1], {kMarkerTopRight, "36/0/0.000000&139/0/0.000000", {500, 700}},
        {kMarkerBottomRight, "35/0/0.000000&139/0/0.000000", {500, 100}}},
       false, 0, "a rectangle of zero width passes the side check but has no fit"},
      {with(three, 1, "nan&3000"), false, 1, "a text reading as no number"},
      {{three[0], three[1]}, false, 1, "an incomplete set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    host->NewDocument();
    host->FillSlots();
    for (const Text& t : c.texts) AddText(t.title, t.text, t.at);
    MarkerSet set;
    ASSERT_EQ(ReadMarkers(set), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(geo::Code(set.layout), c.kind);
    if (c.kind == 0) {
      EXPECT_EQ(set.map[0].x, 139);
      EXPECT_EQ(set.map[0].y, 35);
      EXPECT_EQ(set.map[2].x, 140);
      EXPECT_EQ(set.map[2].y, 36);
      EXPECT_EQ(set.doc[0], (host::RealPoint{100, 100})) << "point 1 is 左下";
      EXPECT_EQ(set.doc[1], (host::RealPoint{100, 700})) << "point 2 is 左上";
      EXPECT_EQ(set.doc[3], (host::RealPoint{500, 100})) << "point 4 is 右下";
      CSheetTransform t;
      ASSERT_TRUE(t.SetFromMarkers(set));
      double x, y;
      t.ArtToMap(300, 400, x, y);
      EXPECT_NEAR(x, 139.5, 1e-12);
      EXPECT_NEAR(y, 35.5, 1e-12);
    } else {
      EXPECT_EQ(set.map[1].x, 3000);
      EXPECT_EQ(set.map[1].y, 1000);
      CSheetTransform t;
      ASSERT_TRUE(t.SetFromMarkers(set));
      double h, v;
      t.MapToArt(500, 1500, h, v);
      EXPECT_NEAR(h, 10 + 500 * 0.5, 1e-12);
      EXPECT_NEAR(v, 10 + 100 * 0.5, 1e-12);
    }
  }

  // 左上 holding a path first: the four-point read fails without consulting the three-point set.
  host->NewDocument();
  host->FillSlots();
  for (const Text& t : plus(four, three)) AddText(t.title, t.text, t.at);
  host::ArtHandle path = nullptr;
  ASSERT_EQ(host::sArt()->NewArt(host::ArtType::Path, host::PaintOrder::InsideOnTop, Layer(kMarkerTopLeft)->group, path),
            host::kNoErr);
  MarkerSet set;
  EXPECT_FALSE(ReadMarkers(set));
}

TEST_F(GeorefInHost, ExtentMarkersInAPlaneZoneReadBackAsTheFrame) {
  CCoordConverter identity;
  ASSERT_TRUE(identity.Setup(Sys(2, 3, 9, 0), Sys(2, 3, 9, 0)));
  const DataFrame df = Frame(2, 3, 9, 0, 500, 750, 10000, 0, 306, 396);
  CSheetTransform frame;
  ASSERT_TRUE(frame.SetFromDataFrame(df));
  ASSERT_EQ(CreateExtentMarkers(identity, frame, -2000, 3000, 500, 1000), host::kNoErr);

  const host::ArtOpaque* tl = FirstArt(kMarkerTopLeft);
  ASSERT_NE(tl, nullptr);
  EXPECT_EQ(text::Utf16ToUtf8(tl->Extra().text), "1000.000000&-2000.000000");
  EXPECT_EQ(tl->Extra().justification, host::Justification::Right);
  EXPECT_EQ(tl->Extra().textFill, host::Color::Cmyk(0, 0, 0, 1));
  double h, v;
  frame.MapToArt(-2000, 1000, h, v);
  EXPECT_EQ(tl->Extra().anchor, (host::RealPoint{h, v}));
  EXPECT_EQ(FirstArt(kMarkerTopRight)->Extra().justification, host::Justification::Left);
  EXPECT_EQ(text::Utf16ToUtf8(FirstArt(kMarkerBottomRight)->Extra().text), "500.000000&3000.000000");

  MarkerSet set;
  ASSERT_TRUE(ReadMarkers(set));
  CSheetTransform markers;
  ASSERT_TRUE(markers.SetFromMarkers(set));
  for (const host::RealPoint p : {host::RealPoint{306, 396}, {250, 420}, {0, 0}}) {
    double x1, y1, x2, y2;
    frame.ArtToMap(p.h, p.v, x1, y1);
    markers.ArtToMap(p.h, p.v, x2, y2);
    EXPECT_NEAR(x2, x1, 1e-6);
    EXPECT_NEAR(y2, y1, 1e-6);
  }
}

TEST_F(GeorefInHost, ExtentMarkersOnALatLongSheetAreInDegrees) {
  CCoordConverter conv;  // lat/long data drawn as equirectangular metres, same datum
  ASSERT_TRUE(conv.Setup(Sys(2, 1, 0, 0), Sys(2, 1, 0, 0)));
  double cx, cy, c;
  ASSERT_TRUE(conv.Convert(139.5, 35.5, cx, cy, c));
  CSheetTransform frame;
  ASSERT_TRUE(frame.SetFromDataFrame(Frame(2, 1, 0, 0, cx, cy, 500000, 0, 306, 396)));
  ASSERT_EQ(CreateExtentMarkers(conv, frame, 139, 140, 35, 36.25), host::kNoErr);
  const host::ArtOpaque* br = FirstArt(kMarkerBottomRight);
  EXPECT_EQ(text::Utf16ToUtf8(br->Extra().text), "35/0/0.000000&140/0/0.000000");
  EXPECT_EQ(text::Utf16ToUtf8(FirstArt(kMarkerTopLeft)->Extra().text), "36/15/0.000000&139/0/0.000000");
  double mx, my, k, h, v;
  ASSERT_TRUE(conv.LatLongToDestination(35, 140, mx, my, c, k));
  frame.MapToArt(mx, my, h, v);
  EXPECT_EQ(br->Extra().anchor, (host::RealPoint{h, v}));
  MarkerSet set;
  ASSERT_TRUE(ReadMarkers(set));
  EXPECT_EQ(set.map[2].x, 140);
  EXPECT_EQ(set.map[2].y, 36.25);

  // A corner that does not convert makes no marker layer at all.
  host->NewDocument();
  host->FillSlots();
  CCoordConverter broken;
  EXPECT_FALSE(broken.Setup(Sys(2, 3, 99, 0), Sys(2, 3, 9, 0)));
  EXPECT_EQ(CreateExtentMarkers(broken, frame, 0, 1, 0, 1), host::kBadParameter);
  EXPECT_EQ(Titles().size(), 1u);
}

}  // namespace
}  // namespace vx::geo
