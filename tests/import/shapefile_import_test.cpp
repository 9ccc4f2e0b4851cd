// Shapefile import through flyout item 1, played by the scripted user: layers, art, styles,
// attribute values, the data frame and markers, the import range, and bad input.
#include "geodesy/coord_converter.h"
#include "tests/geodesy/codes.h"
#include "geodesy/georef.h"
#include "tests/import/import_fixture.h"

#include <cmath>
#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;
using attr::kFieldInteger;
using attr::kFieldReal;
using attr::kFieldString;
using data::MapPoint;
using data::PartList;

constexpr double kPtPerM = 2834.645669291339;

// Stations around Tokyo (JGD2000 latitude/longitude) with a Shift-JIS table.
std::vector<Column> StationColumns() {
  return {{Def(u"名称", kFieldString, 20), {"東京", "新宿", "渋谷"}},
          {Def(u"RANK", kFieldInteger, 4), {"1", "22", "333"}},
          {Def(u"AREA", kFieldReal, 10, 3), {"1.5", "-2.25", "0"}}};
}
std::vector<PartList> StationPoints() {
  return {{{{139.7671, 35.6812}}}, {{{139.7006, 35.6896}}}, {{{139.7016, 35.6580}}}};
}

class ShapefileImportTest : public ImportFixture {
 protected:
  // Dialog 108 for a new plane-zone IX frame at 1:25000 with the file in JGD2000 lat/long.
  void NewFrameXY9(bool trueNorth = true) {
    std::vector<Step> steps{Click(1123), Click(1125), Click(1127), Click(1130), SelectItem(1132, 9),
                            SetText(1114, "25000")};
    if (!trueNorth) steps.push_back(Click(1082));
    steps.push_back(Click(1));
    Dialog(steps);
  }
  // The same placement computed independently: centre of the extent through the converter,
  // then the closed form of the sheet transform.
  struct Placement {
    geo::CCoordConverter conv;
    double X = 0, Y = 0, R = 0, S = 25000, h0 = 306, v0 = 396;
    RealPoint At(double lon, double lat) const {
      double x = 0, y = 0, c = 0;
      conv.Convert(lon, lat, x, y, c);
      const double t = R * 3.141592653589793 / 180, k = kPtPerM / S;
      return {h0 + k * (std::cos(t) * (x - X) - std::sin(t) * (y - Y)),
              v0 + k * (std::sin(t) * (x - X) + std::cos(t) * (y - Y))};
    }
  };
  static std::unique_ptr<Placement> XY9Placement(double xmin, double xmax, double ymin, double ymax,
                                                 bool trueNorth = true) {
    auto p = std::make_unique<Placement>();
    EXPECT_TRUE(p->conv.Setup(geo::Sys(2, 1, 0, 0), geo::Sys(2, 3, 9, 0)));
    double c = 0;
    p->conv.Convert((xmin + xmax) / 2, (ymin + ymax) / 2, p->X, p->Y, c);
    p->R = trueNorth ? c : 0;
    // As the frame's text keeps them ("%f"), which is what places the art.
    for (double* v : {&p->X, &p->Y, &p->R}) *v = std::atof(std::to_string(*v).c_str());
    return p;
  }
};

TEST_F(ShapefileImportTest, PointsBecomeMarksWithTheirRowsOnANewDataFrame) {
  const auto shp = WriteShapefile("stations", 1, StationPoints(), StationColumns());
  ChooseFiles({shp});
  NewFrameXY9();
  RunImport();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  EXPECT_EQ(host->progressLog, std::vector<std::string>{"シェープファイルを読み込んでいます [ stations.shp ]"});
  EXPECT_EQ(user->Polls(), 3) << "one cancel poll per record";

  EXPECT_EQ(LayerTitles(), (std::vector<std::string>{"Varnox-Shape DataFrame", "stations", "レイヤー 1",
                                                     "4点座標マーカー 右下", "4点座標マーカー 左下",
                                                     "4点座標マーカー 右上", "4点座標マーカー 左上"}));
  LayerOpaque* layer = Layer("stations");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(host->Doc()->current, layer) << "the imported layer becomes current";
  EXPECT_EQ(Definitions(layer->group),
            (std::vector<std::string>{"名称|0|20|0", "RANK|1|4|0", "AREA|2|10|3"}));

  // Art is stacked on top as it is made: the last record is the topmost.
  auto marks = Art(layer);
  ASSERT_EQ(marks.size(), 3u);
  std::reverse(marks.begin(), marks.end());
  EXPECT_EQ(Values(marks[0]), (std::vector<std::string>{"名称=東京", "RANK=1", "AREA=1.500"}));
  EXPECT_EQ(Values(marks[1]), (std::vector<std::string>{"名称=新宿", "RANK=22", "AREA=-2.250"}));
  EXPECT_EQ(Values(marks[2]), (std::vector<std::string>{"名称=渋谷", "RANK=333", "AREA=0.000"}));

  const auto place = XY9Placement(139.7006, 139.7671, 35.6580, 35.6896);
  const auto pts = StationPoints();
  for (std::size_t i = 0; i < marks.size(); ++i) {
    SCOPED_TRACE(i);
    const ArtOpaque* m = marks[i];
    EXPECT_EQ(m->type, ArtType::Path);
    EXPECT_TRUE(m->closed);
    const RealRect b = ArtBounds(m);
    EXPECT_NEAR(b.right - b.left, 2.5, 1e-9);
    const RealPoint want = place->At(pts[i][0][0].x, pts[i][0][0].y);
    EXPECT_NEAR(Centre(m).h, want.h, 1e-6);
    EXPECT_NEAR(Centre(m).v, want.v, 1e-6);
    EXPECT_FALSE(m->style->fillPaint);
    EXPECT_TRUE(m->style->strokePaint);
    EXPECT_EQ(m->style->stroke.color, Color::Cmyk(0, 0, 0, 1));
    EXPECT_EQ(m->style->stroke.width, 1.0);
  }

  // The data frame holds the dialog's values; its reference point is the extent's centre.
  geo::DataFrame df;
  ASSERT_TRUE(geo::ReadDataFrame(df));
  EXPECT_EQ(df.system, (geo::CoordSystem{geo::DatumJgd2000, geo::KindPlaneXY, geo::Zone{9}}));
  EXPECT_EQ(df.S, 25000);
  EXPECT_NEAR(df.X, place->X, 1e-6);
  EXPECT_NEAR(df.Y, place->Y, 1e-6);
  EXPECT_NEAR(df.R, place->R, 1e-6);
  EXPECT_NE(df.R, 0.0);
  EXPECT_EQ(df.anchorH, 306);
  EXPECT_EQ(df.anchorV, 396);

  // The file's system is remembered; the next import offers the frame that is now there.
  std::int32_t kind = 0;
  EXPECT_EQ(sPreference()->GetInteger("Varnox-Dirir4.5", "importInProjection", kind), kNoErr);
  EXPECT_EQ(kind, 1);
  std::filesystem::path folder;
  EXPECT_EQ(sPreference()->GetFilePath("Varnox-Dirir4.5", "importShapeDir", folder), kNoErr);
  EXPECT_EQ(folder, dir.path());

  const auto again = WriteShapefile("again", 1, {{{{139.7671, 35.6812}}}}, {});
  ChooseFiles({again});
  Dialog({Snapshot(), Click(1)});
  RunImport();
  EXPECT_TRUE(Printed("  1178 static \"現在のデータフレーム設定を使用します\""));
  EXPECT_TRUE(Printed("  1125 radio \"10進緯度経度(BL)\" checked"));
  EXPECT_TRUE(Printed("  1130 radio \"平面直角座標系(XY)\" unchecked disabled"));
  ASSERT_NE(Layer("again"), nullptr);
  const auto again1 = Art(Layer("again"));
  ASSERT_EQ(again1.size(), 1u);
  // The frame's text keeps six decimals of its values.
  EXPECT_NEAR(Centre(again1[0]).h, Centre(marks[0]).h, 1e-4) << "the same point lands on the same place";
  EXPECT_NEAR(Centre(again1[0]).v, Centre(marks[0]).v, 1e-4);
  EXPECT_EQ(Values(again1[0]), std::vector<std::string>{}) << "a table without columns gives empty lists";
  EXPECT_EQ(Definitions(Layer("again")->group), std::vector<std::string>{});
  EXPECT_EQ(LayerTitles()[1], "again");
  const auto titles = LayerTitles();
  EXPECT_EQ(std::count(titles.begin(), titles.end(), "4点座標マーカー 左上"), 1)
      << "markers only come with a new data frame";
}

// The file's own encoding is used unless the person picks one: a .cpg, a language driver byte,
// or a table that is plainly UTF-8; what does not decode is told, never passed over.
TEST_F(ShapefileImportTest, EachFileIsReadInItsDeclaredEncodingUnlessThePersonPicksOne) {
  const auto utf8 = WriteShapefile("utf", 1, StationPoints(), StationColumns(), text::TextEncoding::kUTF8);
  const auto named = WriteShapefile("named", 1, StationPoints(), StationColumns(), text::TextEncoding::kUTF8);
  std::ofstream(dir / "named.cpg") << "UTF-8\r\n";
  const auto sjis = WriteShapefile("sjis", 1, StationPoints(), StationColumns());
  ChooseFiles({named, utf8, sjis});
  NewFrameXY9();
  RunImport();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  for (const char* title : {"named", "utf", "sjis"}) {
    auto marks = Art(Layer(title));
    ASSERT_EQ(marks.size(), 3u) << title;
    EXPECT_EQ(Values(marks.back()).front(), "名称=東京") << title;
  }

  // A pick wins; the values (and names) that do not decode are told by file and field.
  TearDown();
  SetUp();
  const auto again = WriteShapefile("sjis", 1, StationPoints(), StationColumns());
  ChooseFiles({again}, "UTF-8");
  NewFrameXY9();
  RunImport();
  const auto told = AlertsStartingWith("文字コードに合わないバイトを含む値があります");
  ASSERT_EQ(told.size(), 1u) << ::testing::PrintToString(AlertTexts());
  EXPECT_NE(told[0].find("\nsjis.shp: （UTF-8）"), std::string::npos) << told[0];
  EXPECT_NE(told[0].find("（UTF-8）列名 1 件（最初は第1列）"), std::string::npos) << told[0];
  EXPECT_NE(told[0].find(" 3 件（最初は第1レコード）"), std::string::npos) << told[0];
}

TEST_F(ShapefileImportTest, LinesArePathsAndPolygonsWithHolesAreCompoundPathsCarryingTheRowEverywhere) {
  const PartList line{{{139.70, 35.65}, {139.71, 35.66}, {139.72, 35.66}}};
  const PartList twoLines{{{139.70, 35.60}, {139.71, 35.61}}, {{139.72, 35.62}, {139.73, 35.63}}};
  const auto lines = WriteShapefile("roads", 3, {line, twoLines},
                                    {{Def(u"NAME", kFieldString, 10), {"甲", "乙"}}});
  const PartList ring{{{139.70, 35.60}, {139.70, 35.70}, {139.80, 35.70}, {139.80, 35.60}, {139.70, 35.60}},
                      {{139.74, 35.64}, {139.76, 35.64}, {139.76, 35.66}, {139.74, 35.66}, {139.74, 35.64}}};
  const auto polys = WriteShapefile("lakes", 5, {ring}, {{Def(u"ID", kFieldInteger, 5), {"7"}}});
  ChooseFiles({lines, polys});
  NewFrameXY9();
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  // Files are imported in the dialog's order, each layer above the one before.
  EXPECT_EQ(LayerTitles()[1], "lakes");
  EXPECT_EQ(LayerTitles()[2], "roads");
  EXPECT_EQ(host->Doc()->current, Layer("lakes"));

  auto roads = Art(Layer("roads"));
  ASSERT_EQ(roads.size(), 2u);
  ArtOpaque* single = roads[1];
  EXPECT_EQ(single->type, ArtType::Path);
  EXPECT_EQ(single->segments.size(), 3u);
  EXPECT_FALSE(single->closed);
  EXPECT_FALSE(single->style->fillPaint);
  EXPECT_EQ(single->style->stroke.color, Color::Cmyk(0.8, 0, 0.5, 0));
  EXPECT_EQ(single->style->stroke.width, 0.5);
  for (const PathSegment& s : single->segments) EXPECT_TRUE(s.in == s.p && s.out == s.p);
  EXPECT_EQ(Values(single), std::vector<std::string>{"NAME=甲"});
  ArtOpaque* multi = roads[0];
  EXPECT_EQ(multi->type, ArtType::CompoundPath);
  EXPECT_EQ(Values(multi), std::vector<std::string>{"NAME=乙"});
  ASSERT_EQ(Children(multi).size(), 2u);
  for (ArtOpaque* part : Children(multi)) EXPECT_EQ(Values(part), std::vector<std::string>{"NAME=乙"});

  auto lakes = Art(Layer("lakes"));
  ASSERT_EQ(lakes.size(), 1u);
  EXPECT_EQ(lakes[0]->type, ArtType::CompoundPath);
  EXPECT_EQ(Values(lakes[0]), std::vector<std::string>{"ID=7"});
  for (ArtOpaque* part : Children(lakes[0])) {
    EXPECT_TRUE(part->closed);
    EXPECT_TRUE(part->style->fillPaint);
    EXPECT_EQ(part->style->fill.color, Color::Cmyk(0, 0, 0, 0.1));
    EXPECT_EQ(part->segments.size(), 4u) << "the ring's repeated first point is no extra anchor";
    EXPECT_NE(part->segments.front().p, part->segments.back().p);
    EXPECT_EQ(Values(part), std::vector<std::string>{"ID=7"});
  }
}

// A part of more than 32,000 points is drawn in pieces, each starting on the anchor the one before
// ended on, so no segment is lost between them. A ring that long cannot be one filled path: its
// pieces are open and unfilled, the last one ends on the ring's first point, and the closing
// warning names the record. A ring that fits stays closed and filled beside it.
TEST_F(ShapefileImportTest, APartLongerThan32000PointsIsDrawnInPiecesThatShareTheirJoiningPoints) {
  auto circle = [](int n, double r, bool repeatFirst) {
    data::PointList ring;
    for (int i = 0; i < n; ++i) {
      const double t = -2 * 3.141592653589793 * i / n;  // clockwise, as outer rings are stored
      ring.push_back({139.7 + r * std::cos(t), 35.7 + r * std::sin(t)});
    }
    if (repeatFirst) ring.push_back(ring.front());
    return ring;
  };
  data::PointList line;
  for (int i = 0; i < 64001; ++i) line.push_back({139.0 + i * 1e-5, 35.0 + (i % 2) * 1e-5});
  struct Case {
    const char* what;
    std::int32_t type;
    PartList parts;
    std::vector<std::size_t> sizes;  // of the long part's pieces, in drawing order
  };
  const Case cases[] = {
      {"open line", 3, {line}, {32000, 32000, 3}},
      {"line that fits", 3, {data::PointList(line.begin(), line.begin() + 32000)}, {32000}},
      {"ring stored closed", 5, {circle(40000, 0.01, true), circle(4, 0.001, true)}, {32000, 8002}},
      {"ring stored open", 5, {circle(40000, 0.01, false)}, {32000, 8002}},
      {"ring that fits with its repeated first point", 5, {circle(32000, 0.01, true)}, {32000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto shp = WriteShapefile("long", c.type, {{{{139.0, 35.0}}}, c.parts},
                                    {{Def(u"N", kFieldInteger, 3), {"1", "2"}}});
    ChooseFiles({shp});
    NewFrameXY9();
    RunImport();
    const bool ringSplit = c.type == 5 && c.sizes.size() > 1;
    EXPECT_EQ(AlertTexts(), ringSplit ? std::vector<std::string>{"32,000点を超える閉じた図形は、塗りのない開いたパスに分けて描画しています\nlong.shp: 第2レコード"}
                                      : std::vector<std::string>{});
    auto art = Art(Layer("long"));
    ASSERT_EQ(art.size(), 2u);
    std::vector<ArtOpaque*> drawn = art[0]->type == ArtType::CompoundPath ? Children(art[0]) : std::vector{art[0]};
    std::reverse(drawn.begin(), drawn.end());  // topmost first: the first drawn last
    ASSERT_EQ(drawn.size(), c.sizes.size() + c.parts.size() - 1);
    const std::vector<ArtOpaque*> pieces(drawn.begin(), drawn.begin() + static_cast<std::ptrdiff_t>(c.sizes.size()));
    std::vector<std::size_t> sizes;
    for (const ArtOpaque* p : pieces) sizes.push_back(p->segments.size());
    EXPECT_EQ(sizes, c.sizes);
    for (std::size_t i = 1; i < pieces.size(); ++i)
      EXPECT_EQ(pieces[i]->segments.front().p, pieces[i - 1]->segments.back().p) << "piece " << i;
    for (ArtOpaque* p : pieces) {
      EXPECT_EQ(p->closed, c.type == 5 && !ringSplit);
      EXPECT_EQ(p->style->fillPaint, c.type == 5 && !ringSplit);
      EXPECT_EQ(p->style->stroke.color, Color::Cmyk(0.8, 0, 0.5, 0));
      EXPECT_EQ(Values(p), std::vector<std::string>{"N=2"});
    }
    if (ringSplit) {
      EXPECT_EQ(pieces.back()->segments.back().p, pieces.front()->segments.front().p) << "closed";
    }
    for (std::size_t i = pieces.size(); i < drawn.size(); ++i) {
      EXPECT_TRUE(drawn[i]->closed) << "a ring that fits";
      EXPECT_TRUE(drawn[i]->style->fillPaint);
    }
    TearDown();  // a new host and document for the next case
    SetUp();
  }
}

TEST_F(ShapefileImportTest, WithoutADataFrameTheMarkersPlaceTheFileCoordinatesAsTheirMapCoordinates) {
  const auto bl = WriteShapefile("bl", 1, StationPoints(), StationColumns());
  ChooseFiles({bl});
  NewFrameXY9(false);
  RunImport();
  ASSERT_EQ(app->DeleteLayer("Varnox-Shape DataFrame"), "");

  // The same stations in plane zone IX metres: the markers hold zone IX coordinates.
  geo::CCoordConverter conv;
  ASSERT_TRUE(conv.Setup(geo::Sys(2, 1, 0, 0), geo::Sys(2, 3, 9, 0)));
  std::vector<PartList> xy;
  for (const PartList& p : StationPoints()) {
    double x = 0, y = 0, c = 0;
    conv.Convert(p[0][0].x, p[0][0].y, x, y, c);
    xy.push_back({{{x, y}}});
  }
  const auto plane = WriteShapefile("plane", 1, xy, StationColumns());
  ChooseFiles({plane});
  Dialog({Snapshot(), Click(1126), SelectItem(1115, 9), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  EXPECT_TRUE(Printed("  1178 static \"座標マーカーに合わせて読み込まれます\""));
  const auto a = Art(Layer("bl")), b = Art(Layer("plane"));
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  for (std::size_t i = 0; i < a.size(); ++i) {
    // The marker texts keep six decimals of a metre.
    EXPECT_NEAR(Centre(a[i]).h, Centre(b[i]).h, 1e-4);
    EXPECT_NEAR(Centre(a[i]).v, Centre(b[i]).v, 1e-4);
  }
  EXPECT_EQ(Layer("Varnox-Shape DataFrame"), nullptr) << "markers in use: no new data frame";

  // A lat/long file with these plane-form markers: their zone must be named (else the degrees
  // would be taken as metres), and the file is then converted into it.
  const auto again = WriteShapefile("again", 1, StationPoints(), StationColumns());
  ChooseFiles({again});
  Dialog({Click(1125), Click(1), Click(1130), SelectItem(1132, 9), Click(1)});
  RunImport();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"座標系を選択してください"});
  const auto c = Art(Layer("again"));
  ASSERT_EQ(c.size(), 3u);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_NEAR(Centre(a[i]).h, Centre(c[i]).h, 1e-4);
    EXPECT_NEAR(Centre(a[i]).v, Centre(c[i]).v, 1e-4);
  }
}

// Degree-form markers (a lat/long sheet's) and a plane-zone file: the file's metres are converted
// into latitude and longitude, not taken as degrees.
TEST_F(ShapefileImportTest, DegreeFormMarkersTakeAPlaneFileConverted) {
  const auto bl = WriteShapefile("bl", 1, StationPoints(), StationColumns());
  ChooseFiles({bl});
  Dialog({Click(1123), Click(1125), Click(1127), Click(1129), Click(1082), Click(1)});  // lat/long sheet
  RunImport();
  ASSERT_EQ(app->DeleteLayer("Varnox-Shape DataFrame"), "");
  geo::CCoordConverter conv;
  ASSERT_TRUE(conv.Setup(geo::Sys(2, 1, 0, 0), geo::Sys(2, 3, 9, 0)));
  std::vector<PartList> xy;
  for (const PartList& p : StationPoints()) {
    double x = 0, y = 0, cv = 0;
    ASSERT_TRUE(conv.Convert(p[0][0].x, p[0][0].y, x, y, cv));
    xy.push_back({{{x, y}}});
  }
  ChooseFiles({WriteShapefile("plane", 1, xy, StationColumns())});
  Dialog({Click(1126), SelectItem(1115, 9), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  const auto a = Art(Layer("bl")), b = Art(Layer("plane"));
  ASSERT_EQ(b.size(), a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    // The degree texts keep 1e-5 seconds, some 0.3 mm.
    EXPECT_NEAR(Centre(a[i]).h, Centre(b[i]).h, 1e-3);
    EXPECT_NEAR(Centre(a[i]).v, Centre(b[i]).v, 1e-3);
  }
}

// Z and M variants and multipoints as GDAL writes them, with UTF-8 tables.
TEST_F(ShapefileImportTest, GdalFilesOfEveryKindImportEveryRecordAndValue) {
  struct File {
    const char* name;
    const char* wkt;  // one record
    std::vector<ArtType> art;  // top-level art, topmost first
    bool closed;
  };
  const std::string hole = "((139.70 35.60 1,139.70 35.70 1,139.80 35.70 1,139.80 35.60 1,139.70 35.60 1),"
                           "(139.74 35.64 1,139.76 35.64 1,139.76 35.66 1,139.74 35.66 1,139.74 35.64 1))";
  const std::string polyZ = "POLYGON Z " + hole, polyM = "POLYGON M " + hole;
  const File files[] = {
      {"pz", polyZ.c_str(), {ArtType::CompoundPath}, true},  // polygon rings are closed and filled
      {"pm", polyM.c_str(), {ArtType::CompoundPath}, true},
      {"lz", "LINESTRING Z (139.7 35.6 1,139.8 35.7 2)", {ArtType::Path}, false},
      {"ptz", "POINT Z (139.7 35.6 3)", {ArtType::Path}, true},
      {"mp", "MULTIPOINT ((139.7 35.6),(139.8 35.7))", {ArtType::Path, ArtType::Path}, true},
      {"mpz", "MULTIPOINT Z ((139.7 35.6 1),(139.8 35.7 2))", {ArtType::Path, ArtType::Path}, true},
      {"mpm", "MULTIPOINT M ((139.7 35.6 1),(139.8 35.7 2),(139.75 35.65 3))",
       {ArtType::Path, ArtType::Path, ArtType::Path}, true},
  };
  std::vector<std::filesystem::path> paths;
  for (const File& f : files) {
    if (!Ogr2Ogr(f.name, std::string("WKT,NAME,N\n\"") + f.wkt + "\",名前 " + f.name + ",42\n"))
      GTEST_SKIP() << "ogr2ogr cannot be run";
    paths.push_back(dir / (std::string(f.name) + ".shp"));
  }
  ChooseFiles(paths, "UTF-8");
  NewFrameXY9();
  RunImport();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  for (const File& f : files) {
    SCOPED_TRACE(f.name);
    LayerOpaque* layer = Layer(f.name);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(Definitions(layer->group), (std::vector<std::string>{"NAME|0|80|0", "N|1|9|0"}));
    const auto art = Art(layer);
    std::vector<ArtType> kinds;
    for (const ArtOpaque* a : art) kinds.push_back(a->type);
    EXPECT_EQ(kinds, f.art);
    const std::vector<std::string> row{"NAME=名前 " + std::string(f.name), "N=42"};
    for (ArtOpaque* a : art) {
      EXPECT_EQ(Values(a), row);
      for (ArtOpaque* part : a->type == ArtType::CompoundPath ? Children(a) : std::vector<ArtOpaque*>{a}) {
        EXPECT_EQ(Values(part), row);
        EXPECT_EQ(part->closed, f.closed);
        EXPECT_EQ(part->style->fillPaint, f.closed && kinds[0] == ArtType::CompoundPath);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Layers, several files, cancel

TEST_F(ShapefileImportTest, TheNewLayerGoesAboveTheTopmostLayerThatHoldsNoGeoreference) {
  const auto shp = WriteShapefile("a", 1, {{{{139.7, 35.6}}}}, {});
  struct Case {
    std::vector<const char*> made;  // new layers, each on top of the others
    std::vector<std::string> want;  // the first titles afterwards
  };
  const Case cases[] = {
      // Only reserved layers: above all of them (the new data frame's layer included).
      {{"3点座標マーカー 1/3", "4点座標マーカー 左上"},
       {"a", "Varnox-Shape DataFrame", "4点座標マーカー 左上", "3点座標マーカー 1/3"}},
      // An ordinary layer below reserved ones: directly above the ordinary layer.
      {{"地図", "4点座標マーカー 左上"}, {"Varnox-Shape DataFrame", "4点座標マーカー 左上", "a", "地図"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want[1]);
    TearDown();
    SetUp();
    ASSERT_EQ(app->DeleteLayer("レイヤー 1"), "");
    for (const char* t : c.made) ASSERT_EQ(app->NewLayer(t), "");
    ChooseFiles({shp});
    Dialog({Click(1)});
    RunImport();
    auto titles = LayerTitles();
    titles.resize(c.want.size());
    EXPECT_EQ(titles, c.want);
  }
}

TEST_F(ShapefileImportTest, CancelInTheSecondOfThreeFilesKeepsTheFirstAndPartOfTheSecondQuietly) {
  std::vector<std::filesystem::path> files;
  for (const char* name : {"f1", "f2", "f3"})
    files.push_back(WriteShapefile(name, 1, StationPoints(), StationColumns()));
  ChooseFiles(files);
  NewFrameXY9();
  user->CancelAtPoll(5);  // records 1-3 of f1, record 1 of f2, then the cancel
  RunImport();
  EXPECT_TRUE(host->Alerts().empty()) << "a cancel is never an error";
  EXPECT_EQ(Art(Layer("f1")).size(), 3u);
  ASSERT_NE(Layer("f2"), nullptr);
  EXPECT_EQ(Art(Layer("f2")).size(), 1u);
  EXPECT_EQ(Layer("f3"), nullptr);
  EXPECT_EQ(Layer("4点座標マーカー 左上"), nullptr) << "the run ended before the markers";
  EXPECT_NE(host->Doc()->current, Layer("f2")) << "the last layer is not made current";
}

// ---------------------------------------------------------------------------------------------
// Import range

TEST_F(ShapefileImportTest, TheRangeKeepsRecordsOnItsBorderAndBoxesThatTouchIt) {
  const auto pts = WriteShapefile("p", 1, {{{{139.6, 35.6}}}, {{{139.7, 35.65}}}, {{{139.9, 35.65}}}},
                                  {{Def(u"N", kFieldInteger, 2), {"1", "2", "3"}}});
  const auto lines = WriteShapefile("l", 3,
                                    {{{{139.8, 35.65}, {139.85, 35.66}}},   // its box touches the east side
                                     {{{139.81, 35.65}, {139.85, 35.66}}}},  // outside
                                    {{Def(u"N", kFieldInteger, 2), {"1", "2"}}});
  ChooseFiles({pts, lines});
  Dialog({Click(1076), SetText(1079, "35.7,139.6"), SetText(1080, "35.6,139.8"), Click(1)});
  RunImport();
  auto p = Art(Layer("p"));
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(Values(p[1]), std::vector<std::string>{"N=1"}) << "the corner point is inside";
  EXPECT_EQ(Values(p[0]), std::vector<std::string>{"N=2"});
  auto l = Art(Layer("l"));
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(Values(l[0]), std::vector<std::string>{"N=1"});
  bool on = false;
  EXPECT_EQ(sPreference()->GetBoolean("Varnox-Dirir4.5", "importLimitArea", on), kNoErr);
  EXPECT_TRUE(on);

  // A range that excludes everything: the layers are made, empty, and the run is no failure.
  ChooseFiles({pts});
  Dialog({SetText(1079, "10,100"), SetText(1080, "9,101"), Click(1)});
  RunImport();
  EXPECT_TRUE(host->Alerts().empty());
  ASSERT_EQ(LayerTitles()[0], "Varnox-Shape DataFrame");
  EXPECT_EQ(LayerTitles()[1], "p");
  EXPECT_TRUE(Art(host->Doc()->layers[1]).empty());
}

}  // namespace
}  // namespace vx::test
