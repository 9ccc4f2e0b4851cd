// The import coordinate settings dialog (108): what it shows, its enabling rules, its refusals and
// what it remembers; the corner texts of the import range.
#include "import/import_dialog.h"
#include "tests/geodesy/codes.h"
#include "geodesy/georef.h"
#include "tests/import/import_fixture.h"

#include <cmath>

namespace vx::test {
namespace {

using namespace vx::host;

TEST(ParseRange, ReadsNorthWestAndSouthEastCorners) {
  struct Row {
    const char* nw;
    const char* se;
    bool ok;
    imp::Extent want;  // xmin, xmax, ymin, ymax
    const char* why;
  };
  const Row rows[] = {
      {"35.7,139.6", "35.6,139.8", true, {139.6, 139.8, 35.6, 35.7}, "latitude first, longitude second"},
      {" 35.7 , 139.6x", "35.6,  139.8 ", true, {139.6, 139.8, 35.6, 35.7}, "spaces around, text after a number"},
      {"35.7,139", "35.6,140", true, {139, 140, 35.6, 35.7}, "three characters after the comma are enough"},
      {"-1000,-2000", "-3000,500", true, {-2000, 500, -3000, -1000}, "plane metres"},
      {"35.7,1", "35.6,139.8", false, {}, "fewer than three characters after the comma"},
      {"35.7 139.6", "35.6,139.8", false, {}, "no comma"},
      {"35.7,139.6", "35.6;139.8", false, {}, "no comma in the second corner"},
      {"35.6,139.6", "35.7,139.8", false, {}, "south above north"},
      {"35.7,139.8", "35.6,139.6", false, {}, "west east of east"},
      {"35.7,139.6", "35.7,139.8", false, {}, "no height"},
      {"nan,139.6", "35.6,139.8", false, {}, "a number that is not finite"},
      {"35.7,inf", "35.6,139.8", false, {}, "an infinite corner"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    imp::Extent got{-1, -1, -1, -1};
    ASSERT_EQ(imp::ParseRange(r.nw, r.se, got), r.ok);
    if (!r.ok) continue;
    EXPECT_EQ(got.xmin, r.want.xmin);
    EXPECT_EQ(got.xmax, r.want.xmax);
    EXPECT_EQ(got.ymin, r.want.ymin);
    EXPECT_EQ(got.ymax, r.want.ymax);
  }
}

class ImportDialogTest : public ImportFixture {
 protected:
  std::filesystem::path Stations() {
    return WriteShapefile("st", 1, {{{{139.7006, 35.6580}}}, {{{139.7671, 35.6896}}}},
                          {{Def(u"N", attr::kFieldInteger, 2), {"1", "2"}}});
  }
  // The snapshot line of control `id`.
  std::string Line(std::int32_t id) const {
    const std::string start = "  " + std::to_string(id) + " ";
    std::string found;
    for (const auto& l : user->Transcript())
      if (l.rfind(start, 0) == 0) found = l;  // the last snapshot
    return found;
  }
  static bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  }
};

TEST_F(ImportDialogTest, OpensWithTheExtentTheDefaultsAndTheEnablingRules) {
  ChooseFiles({Stations()});
  Dialog({Snapshot(), Click(1126), Click(1076), Click(1131), Snapshot(), Click(2)});
  RunImport();
  const auto& t = user->Transcript();
  const auto first = std::find(t.begin(), t.end(), "  1178 static \"新たにデータフレームを作成します\"");
  ASSERT_NE(first, t.end());
  // Opening: the whole extent, the file's system from the defaults, the range off.
  for (const char* line : {"  1145 static \"139.700600\"", "  1146 static \"139.767100\"", "  1144 static \"35.658000\"",
                           "  1143 static \"35.689600\"", "  1079 edit \"35.689600,139.700600\" disabled",
                           "  1080 edit \"35.658000,139.767100\" disabled", "  1123 radio \"世界測地系(JGD2000)\" checked",
                           "  1125 radio \"10進緯度経度(BL)\" checked", "  1127 radio \"世界測地系(JGD2000)\" checked",
                           "  1129 radio \"緯度経度図法(正距円筒図法)\" checked", "  1114 edit \"25000\"",
                           "  1082 checkbox \"地図の真上方向を真北に合わせる\" checked",
                           "  1076 checkbox \"読み込み座標範囲を限定する\" unchecked"})
    EXPECT_NE(std::find(t.begin(), first + 40, line), first + 40) << line;
  // After the clicks: each zone list follows its radio button, the corners follow the range box.
  EXPECT_TRUE(EndsWith(Line(1075), "disabled"));
  EXPECT_FALSE(EndsWith(Line(1115), "disabled"));
  EXPECT_EQ(Line(1115).rfind("  1115 combobox [*(座標系を選択)|1系（長崎と周辺島嶼）|", 0), 0u) << Line(1115);
  EXPECT_FALSE(EndsWith(Line(1133), "disabled"));
  EXPECT_NE(Line(1133).find("|第54帯(138度E～144度E)|"), std::string::npos);
  EXPECT_TRUE(EndsWith(Line(1132), "disabled"));
  EXPECT_EQ(Line(1079), "  1079 edit \"35.689600,139.700600\"");
  EXPECT_TRUE(host->Alerts().empty()) << "Cancel is quiet";
  EXPECT_EQ(Layer("st"), nullptr);
  EXPECT_EQ(LayerTitles(), std::vector<std::string>{"レイヤー 1"}) << "a cancelled dialog changes nothing";
}

TEST_F(ImportDialogTest, EachRefusalWarnsOverTheDialogAndKeepsItOpen) {
  struct Case {
    std::vector<Step> steps;
    const char* message;
  };
  const std::string scale = "縮尺指定が正しくありません", range = "指定した座標範囲が無効です";
  const Case cases[] = {
      {{Click(1126)}, "座標系を選択してください"},
      {{Click(1087)}, "UTMの座標帯を選択してください"},
      {{Click(1130)}, "座標系を選択してください"},
      {{Click(1131)}, "UTMの座標帯を選択してください"},
      {{SetText(1114, "0")}, scale.c_str()},
      {{SetText(1114, "-5")}, scale.c_str()},
      {{SetText(1114, "abc")}, scale.c_str()},
      // Not numbers a sheet can be drawn at.
      {{SetText(1114, "1e999")}, scale.c_str()},
      {{SetText(1114, "nan")}, scale.c_str()},
      // The frame keeps the scale as a 32-bit integer: these would store as 0 or as another scale.
      {{SetText(1114, "0.5")}, scale.c_str()},
      {{SetText(1114, "3e9")}, scale.c_str()},
      {{Click(1076), SetText(1079, "35.7,1")}, range.c_str()},
      {{Click(1076), SetText(1080, "35.8,139.8")}, range.c_str()},
      {{Click(1076), SetText(1079, "35.7 139.6")}, range.c_str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    TearDown();
    SetUp();
    ChooseFiles({Stations()});
    std::vector<Step> steps = c.steps;
    steps.push_back(Click(1));
    steps.push_back(Snapshot());  // still open
    steps.push_back(Click(2));
    Dialog(steps);
    RunImport();
    ASSERT_EQ(host->Alerts().size(), 1u);
    EXPECT_EQ(host->Alerts()[0].text, c.message);
    EXPECT_EQ(host->Alerts()[0].kind, AlertKind::Warning);
    EXPECT_EQ(host->Alerts()[0].parent, "dialog \"読み込み座標の設定\"");
    EXPECT_TRUE(Printed("closed dialog 108 \"読み込み座標の設定\" with 2"));
    EXPECT_EQ(Layer("st"), nullptr);
  }
}

TEST_F(ImportDialogTest, AcceptedEntriesAndWhatTheNextImportRemembers) {
  // A scale with decimals is taken; corners are not read while the range is off; 35.7,139 is a
  // corner with three characters after its comma.
  ChooseFiles({Stations()});
  Dialog({SetText(1114, "25000.7"), Click(1076), SetText(1079, "x"), Click(1076), Click(1077), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  ASSERT_EQ(user->OpenedUrls(), std::vector<std::string>{"https://maps.gsi.go.jp/"});
  ASSERT_NE(Layer("st"), nullptr);
  geo::DataFrame df;
  ASSERT_TRUE(geo::ReadDataFrame(df));
  EXPECT_EQ(df.S, 25000) << "the frame's text keeps the whole scale";

  // Data in plane zone IX: the next import opens with it and the range option.
  const auto xy = WriteShapefile("xy", 1, {{{{-8000, -30000}}}}, {});
  ChooseFiles({xy});
  Dialog({Click(1126), SelectItem(1115, 9), Click(1076), SetText(1079, "-29000,-9000"),
          SetText(1080, "-31000,139"), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  ASSERT_NE(Layer("xy"), nullptr);
  EXPECT_EQ(Art(Layer("xy")).size(), 1u);

  ChooseFiles({xy});
  Dialog({Snapshot(), Click(2)});
  RunImport();
  EXPECT_EQ(Line(1126), "  1126 radio \"平面直角座標(XY)\" checked");
  EXPECT_EQ(Line(1115).rfind("  1115 combobox [(座標系を選択)|", 0), 0u);
  EXPECT_NE(Line(1115).find("|*9系（"), std::string::npos) << Line(1115);
  EXPECT_EQ(Line(1076), "  1076 checkbox \"読み込み座標範囲を限定する\" checked");
  EXPECT_EQ(Line(1079), "  1079 edit \"-30000.000000,-8000.000000\"") << "the corners start with the extent";
}

// With the range ticked and the corners left as shown, the range is the exact extent: the
// six-decimal texts would drop the points on the west and north edges. An edited corner is read
// as written.
TEST_F(ImportDialogTest, UntouchedCornersMeanTheExactExtent) {
  // One point on each edge, each edge's six-decimal text rounding inwards.
  const std::vector<data::PartList> edges = {{{{139.70061256, 35.67}}},      // west: 139.700613
                                             {{{139.73, 35.68967640}}},      // north: 35.689676
                                             {{{139.76712345, 35.67}}},      // east: 139.767123
                                             {{{139.73, 35.65809876}}}};     // south: 35.658099
  ChooseFiles({WriteShapefile("edges", 1, edges, {})});
  Dialog({Click(1076), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  ASSERT_NE(Layer("edges"), nullptr);
  EXPECT_EQ(Art(Layer("edges")).size(), 4u);

  // An edited corner is read as written: the north-west one moved west by a millionth of a degree
  // takes the west point in and still leaves the north point out.
  TearDown();
  SetUp();
  ChooseFiles({WriteShapefile("edges", 1, edges, {})});
  Dialog({Click(1076), SetText(1079, "35.689676,139.700612"), Click(1)});
  RunImport();
  ASSERT_NE(Layer("edges"), nullptr);
  EXPECT_EQ(Art(Layer("edges")).size(), 3u);
}

// A new frame places its art with the values its text keeps: a scale with decimals and a
// rotation to true north with more than six decimals read back as the same transform, so each
// mark sits where the stored frame puts its point.
TEST_F(ImportDialogTest, ANewFramePlacesArtWithTheValuesItStores) {
  const std::vector<data::MapPoint> points = {{-8000, -30000}, {12000.5, 41000.25}, {-60000, 90000}};
  std::vector<data::PartList> geometry;
  for (const auto& p : points) geometry.push_back({{p}});
  struct Case {
    const char* scale;
    double stored;
  } const cases[] = {{"25000.7", 25000}, {"2500.9", 2500}, {"1.5", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    TearDown();
    SetUp();
    const auto file = WriteShapefile("xy", 1, geometry, {});
    ChooseFiles({file});
    // Plane zone IX data drawn in zone X, turned to true north.
    Dialog({Click(1126), SelectItem(1115, 9), Click(1130), SelectItem(1132, 10), SetText(1114, c.scale), Click(1)});
    RunImport();
    EXPECT_TRUE(host->Alerts().empty());
    geo::DataFrame df;
    ASSERT_TRUE(geo::ReadDataFrame(df));
    EXPECT_EQ(df.S, c.stored);
    EXPECT_NE(df.R, 0);
    geo::CSheetTransform t;
    ASSERT_TRUE(t.SetFromDataFrame(df));
    geo::CCoordConverter conv;
    ASSERT_TRUE(conv.Setup(geo::Sys(2, 3, 9, 0), geo::Sys(2, 3, 10, 0)));
    const auto marks = Art(Layer("xy"));
    ASSERT_EQ(marks.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      double x, y, cv, h, v;
      ASSERT_TRUE(conv.Convert(points[i].x, points[i].y, x, y, cv));
      t.MapToArt(x, y, h, v);
      // Marks are made in file order, each on top: the last one first.
      const host::RealPoint at = Centre(marks[marks.size() - 1 - i]);
      EXPECT_NEAR(at.h, h, 1e-9) << i;
      EXPECT_NEAR(at.v, v, 1e-9) << i;
    }
  }
}

}  // namespace
}  // namespace vx::test
