// KML import through flyout item 3, played by the scripted user: layers from documents and folders,
// point marks and paths with "Name" and "Desc", the look taken from styles, and files written by
// GDAL and by hand in the layout of desktop globe viewers.
#include "geodesy/georef.h"
#include "tests/import/import_fixture.h"

#include <cmath>
#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;

class KmlImportTest : public ImportFixture {
 protected:
  std::filesystem::path WriteKml(const std::string& name, const std::string& body) {
    const auto path = dir / (name + ".kml");
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }
  // Flyout item 3 with dialog 108 set to a new plane-zone IX frame, the file in JGD2000 lat/long.
  void ImportKml(const std::filesystem::path& file) {
    Step s = UserStep(StepKind::OpenFiles);
    s.files = {file};
    user->Push(s);
    Dialog({Click(1123), Click(1125), Click(1127), Click(1130), SelectItem(1132, 9), SetText(1114, "25000"),
            Click(1)});
    EXPECT_EQ(app->ChooseFlyout(3), "");
    EXPECT_FALSE(user->Failure()) << *user->Failure();
    EXPECT_FALSE(user->StepsLeft());
  }
  // The sublayers of a layer, topmost first.
  static std::vector<LayerOpaque*> Sublayers(const LayerOpaque* layer) {
    std::vector<LayerOpaque*> out;
    for (ArtOpaque* a : Art(layer))
      if (a->layerOfGroup) out.push_back(a->layerOfGroup);
    return out;
  }
  static std::vector<ArtOpaque*> Drawn(const LayerOpaque* layer) {
    std::vector<ArtOpaque*> out;
    for (ArtOpaque* a : Art(layer))
      if (!a->layerOfGroup) out.push_back(a);
    return out;
  }
  // The layer a file's placemarks land in: the one just below the data frame.
  LayerOpaque* Top() const { return host->Doc()->layers.at(1); }
};

TEST_F(KmlImportTest, OneElementPerLineGivesAPointMarkWithNameAndEmptyDesc) {
  ImportKml(WriteKml("one", "<?xml version=\"1.0\"?>\n<kml>\n<Placemark>\n<name>A</name>\n<styleUrl>#s1</styleUrl>\n"
                            "<Point>\n<coordinates>139.7,35.6,0</coordinates>\n</Point>\n</Placemark>\n</kml>\n"));
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  LayerOpaque* top = Top();
  EXPECT_EQ(Definitions(top->group), (std::vector<std::string>{"Name|0|48|0", "Desc|0|254|0"}));
  const auto art = Drawn(top);
  ASSERT_EQ(art.size(), 1u);
  EXPECT_EQ(Values(art[0]), (std::vector<std::string>{"Name=A", "Desc="}));
  EXPECT_TRUE(art[0]->closed) << "a point mark is a small circle";
  EXPECT_EQ(top->title.rfind("レイヤー", 0), 0u) << "without a Document the layer keeps the host's title";
}

TEST_F(KmlImportTest, StylesGiveTheLookOfPaths) {
  const std::string ring = "139.1,35.1,0 139.2,35.1,0 139.2,35.2,0 139.1,35.1,0";
  const std::string kml =
      "<kml><Document><name>Looks</name>\n"
      "<Placemark><name>early</name><styleUrl>#red</styleUrl><Polygon><outerBoundaryIs><LinearRing><coordinates>" +
      ring + "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>\n"
             "<Style id=\"red\"><LineStyle><color>ff00ff00</color><width>2</width></LineStyle>"
             "<PolyStyle><color>7f0000ff</color></PolyStyle></Style>\n"
             "<Style id=\"nofill\"><PolyStyle><fill>0</fill></PolyStyle></Style>\n"
             "<StyleMap id=\"m\"><Pair><key>normal</key><styleUrl>#red</styleUrl></Pair></StyleMap>\n"
             "<Placemark><name>red</name><styleUrl>#m</styleUrl><Polygon><outerBoundaryIs><LinearRing>\n"
             "<coordinates>\n139.1,35.1,0\n139.2,35.1,0\n139.2,35.2,0\n139.1,35.1,0\n</coordinates>\n"
             "</LinearRing></outerBoundaryIs></Polygon></Placemark>\n"
             "<Placemark><name>nofill</name><styleUrl>#nofill</styleUrl><Polygon><outerBoundaryIs><LinearRing>"
             "<coordinates>" +
      ring + "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>\n"
             "<Placemark><name>line</name><styleUrl>#red</styleUrl><LineString><coordinates>139.1,35.1 139.2,35.2"
             "</coordinates></LineString></Placemark>\n</Document></kml>\n";
  ImportKml(WriteKml("looks", kml));
  LayerOpaque* top = Top();
  EXPECT_EQ(top->title, "Looks");
  auto art = Drawn(top);
  ASSERT_EQ(art.size(), 4u);
  std::reverse(art.begin(), art.end());  // file order
  struct Row {
    const char* why;
    bool closed, fill, stroke;
    Color fillColour, strokeColour;
    double width, opacity;
  } rows[] = {
      {"a style defined later is not found: the default look", true, true, true, Color::Rgb(0, 0, 0),
       Color::Rgb(0, 0, 0), 0.5, 1.0},
      {"through the style map: red fill at 127/255, green line", true, true, true, Color::Rgb(1, 0, 0),
       Color::Rgb(0, 1, 0), 2.0, 127 / 255.0},
      {"fill 0 takes the fill away", true, false, true, Color::Rgb(0, 0, 0), Color::Rgb(0, 0, 0), 0.5, 1.0},
      {"a line string is never filled", false, false, true, Color::Rgb(1, 0, 0), Color::Rgb(0, 1, 0), 2.0,
       127 / 255.0},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.why);
    EXPECT_EQ(art[i]->closed, r.closed);
    EXPECT_EQ(art[i]->segments.size(), r.closed ? 3u : 2u) << "a ring's repeated first point is no anchor";
    EXPECT_EQ(art[i]->style->fillPaint, r.fill);
    EXPECT_EQ(art[i]->style->strokePaint, r.stroke);
    if (r.fill) {
      EXPECT_EQ(art[i]->style->fill.color, r.fillColour);
    }
    EXPECT_EQ(art[i]->style->stroke.color, r.strokeColour);
    EXPECT_EQ(art[i]->style->stroke.width, r.width);
    EXPECT_NEAR(art[i]->opacity, r.opacity, 1e-12);
  }
}

TEST_F(KmlImportTest, GdalWrittenFileImportsEveryPlacemarkInItsFolder) {
  ImportKml(std::filesystem::path(VX_SOURCE_DIR) / "tests/import/data/gdal.kml");
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  LayerOpaque* top = Top();
  const auto folders = Sublayers(top);
  ASSERT_EQ(folders.size(), 3u);
  EXPECT_EQ(folders[0]->title, "stations") << "folders keep the file's order, the first topmost";
  EXPECT_EQ(folders[1]->title, "roads");
  EXPECT_EQ(folders[2]->title, "blocks");
  EXPECT_EQ(Definitions(folders[1]->group), (std::vector<std::string>{"Name|0|48|0", "Desc|0|254|0"}));

  auto stations = Drawn(folders[0]);
  std::reverse(stations.begin(), stations.end());
  ASSERT_EQ(stations.size(), 3u);
  EXPECT_EQ(Values(stations[0]), (std::vector<std::string>{"Name=東京", "Desc=Tokyo & <main> station"}));
  EXPECT_EQ(Values(stations[1]), (std::vector<std::string>{"Name=新宿", "Desc="}));
  EXPECT_EQ(Values(stations[2]), (std::vector<std::string>{"Name=", "Desc=no name here"}));

  auto roads = Drawn(folders[1]);
  ASSERT_EQ(roads.size(), 3u) << "a line and both parts of a multi-line";
  for (ArtOpaque* a : roads) {
    EXPECT_FALSE(a->closed);
    EXPECT_EQ(a->style->stroke.color, Color::Rgb(1, 0, 0)) << "the inline style: ff0000ff";
  }
  EXPECT_EQ(Values(roads[0]), (std::vector<std::string>{"Name=Split", "Desc=two parts"}));

  auto blocks = Drawn(folders[2]);
  ASSERT_EQ(blocks.size(), 2u);
  // Topmost: Plain; below it the courtyard, a compound path of its outer ring and hole.
  EXPECT_EQ(blocks[1]->type, ArtType::CompoundPath);
  EXPECT_EQ(Values(blocks[1]), (std::vector<std::string>{"Name=Courtyard", "Desc=with hole"}));
  const auto rings = Children(blocks[1]);
  ASSERT_EQ(rings.size(), 2u);
  for (ArtOpaque* r : rings) {
    EXPECT_TRUE(r->closed);
    EXPECT_EQ(r->segments.size(), 4u);
    EXPECT_EQ(Values(r), Values(blocks[1]));
  }
}

TEST_F(KmlImportTest, ViewerLayoutWithMapsFoldersAndMultiGeometry) {
  ImportKml(std::filesystem::path(VX_SOURCE_DIR) / "tests/import/data/viewer.kml");
  LayerOpaque* top = Top();
  EXPECT_EQ(top->title, "Walk & Ride");
  const auto sights = Sublayers(top);
  ASSERT_EQ(sights.size(), 1u);
  EXPECT_EQ(sights[0]->title, "Sights") << "a Folder with an id attribute is a folder";
  const auto paths = Sublayers(sights[0]);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0]->title, "Paths");
  auto marks = Drawn(sights[0]);
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(Values(marks[1]), (std::vector<std::string>{"Name=Gate", "Desc=<b>Old</b> gate & moat"}));
  EXPECT_EQ(Values(marks[0]), (std::vector<std::string>{"Name=Tower", "Desc="}));
  const auto walk = Drawn(paths[0]);
  ASSERT_EQ(walk.size(), 1u);
  EXPECT_EQ(walk[0]->segments.size(), 4u) << "tuples across lines";
  EXPECT_EQ(walk[0]->style->stroke.color, Color::Rgb(1, 0, 0)) << "the map's normal pair";
  EXPECT_EQ(walk[0]->style->stroke.width, 3.0);
  const auto parks = Drawn(top);
  ASSERT_EQ(parks.size(), 2u) << "both members of the MultiGeometry";
  for (ArtOpaque* a : parks) EXPECT_EQ(Values(a), (std::vector<std::string>{"Name=Parks", "Desc="}));
}

TEST_F(KmlImportTest, PointsLandWhereTheSameShapefilePointsLand) {
  const auto shp = WriteShapefile("st", 1, {{{{139.7671, 35.6812}}}, {{{139.7006, 35.6896}}}},
                                  {{Def(u"N", attr::kFieldString, 8), {"a", "b"}}});
  ChooseFiles({shp});
  Dialog({Click(1123), Click(1125), Click(1127), Click(1130), SelectItem(1132, 9), SetText(1114, "25000"), Click(1)});
  RunImport();
  Step s = UserStep(StepKind::OpenFiles);
  s.files = {WriteKml("st", "<kml><Placemark><Point><coordinates>139.7671,35.6812,0</coordinates></Point>"
                            "</Placemark><Placemark><Point><coordinates>139.7006,35.6896</coordinates></Point>"
                            "</Placemark></kml>")};
  user->Push(s);
  Dialog({Click(1123), Click(1125), Click(1)});
  EXPECT_EQ(app->ChooseFlyout(3), "");
  EXPECT_FALSE(user->StepsLeft());
  const auto kml = Drawn(host->Doc()->layers.at(1));
  const auto shape = Art(Layer("st"));
  ASSERT_EQ(kml.size(), 2u);
  ASSERT_EQ(shape.size(), 2u);
  // The second import places through the stored frame text, whose rounding moves points by far
  // less than a micrometre on the ground.
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(Centre(kml[i]).h, Centre(shape[i]).h, 1e-5);
    EXPECT_NEAR(Centre(kml[i]).v, Centre(shape[i]).v, 1e-5);
  }
}

TEST_F(KmlImportTest, ImportRangeLeavesOutWhatLiesOutside) {
  const auto kml = WriteKml("r", "<kml><Placemark><name>in</name><Point><coordinates>139.70,35.68</coordinates>"
                                 "</Point></Placemark><Placemark><name>out</name><Point><coordinates>139.90,35.68"
                                 "</coordinates></Point></Placemark><Placemark><name>cross</name><LineString>"
                                 "<coordinates>139.6,35.6 139.8,35.7</coordinates></LineString></Placemark></kml>");
  Step s = UserStep(StepKind::OpenFiles);
  s.files = {kml};
  user->Push(s);
  Dialog({Click(1123), Click(1125), Click(1127), Click(1130), SelectItem(1132, 9), SetText(1114, "25000"),
          Click(1076), SetText(1079, "35.7,139.65"), SetText(1080, "35.65,139.75"), Click(1)});
  EXPECT_EQ(app->ChooseFlyout(3), "");
  EXPECT_FALSE(user->Failure()) << *user->Failure();
  std::vector<std::string> names;
  for (ArtOpaque* a : Drawn(Top())) names.push_back(Values(a).front());
  EXPECT_EQ(names, (std::vector<std::string>{"Name=cross", "Name=in"}));
}

// A ring too long for one path is drawn as open pieces that join up, outlined even when its style
// says no outline (unfilled and without outline it would not be seen), and the placemark is named.
TEST_F(KmlImportTest, ARingOfMoreThan32000PointsIsDrawnAsOutlinedPiecesAndNamed) {
  std::string ring;
  for (int i = 0; i <= 33000; ++i) {
    const double t = 2 * 3.141592653589793 * (i % 33000) / 33000;
    char p[64];
    std::snprintf(p, sizeof p, "%.9f,%.9f ", 139.7 + 0.01 * std::cos(t), 35.7 + 0.01 * std::sin(t));
    ring += p;
  }
  ImportKml(WriteKml("big", "<kml><Document><Style id=\"s\"><PolyStyle><outline>0</outline></PolyStyle></Style>"
                            "<Placemark><name>p</name><Point><coordinates>139.7,35.7</coordinates></Point></Placemark>"
                            "<Placemark><name>lake</name><styleUrl>#s</styleUrl><Polygon><outerBoundaryIs><LinearRing>"
                            "<coordinates>" + ring + "</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark>"
                            "</Document></kml>"));
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"32,000点を超える閉じた図形は、塗りのない開いたパスに分けて描画しています\n"
                                                   "big.kml: 第2プレースマーク"});
  auto pieces = Drawn(Top());
  ASSERT_EQ(pieces.size(), 3u);  // two pieces over the point mark
  EXPECT_EQ(pieces[0]->segments.front().p, pieces[1]->segments.back().p);
  EXPECT_EQ(pieces[0]->segments.back().p, pieces[1]->segments.front().p);
  for (const ArtOpaque* a : {pieces[0], pieces[1]}) {
    EXPECT_FALSE(a->closed);
    EXPECT_FALSE(a->style->fillPaint);
    EXPECT_TRUE(a->style->strokePaint);
  }
}

TEST_F(KmlImportTest, FilesWithoutCoordinatesEndBeforeTheDialog) {
  for (const char* body : {"", "<kml><Document><name>x</name><Placemark><name>p</name></Placemark></Document></kml>",
                           "\x89PNG\r\n\x1a\n\0\0\0"}) {
    Step s = UserStep(StepKind::OpenFiles);
    s.files = {WriteKml("empty", body)};
    user->Push(s);
    EXPECT_EQ(app->ChooseFlyout(3), "");
    EXPECT_FALSE(user->StepsLeft()) << "no settings dialog";
  }
  EXPECT_EQ(AlertsStartingWith("座標を含むプレースマークがありません").size(), 3u);
  EXPECT_EQ(host->Doc()->layers.size(), 1u) << "no layer is made";
}

// Longitudes a hair past the date line (as other tools write 180) read as 180 E or W; a line with
// a vertex well past it is left out whole and named, and the rest still makes a new frame.
TEST_F(KmlImportTest, TheDateLineWithinRoundingAndPointsPastIt) {
  const auto kml = WriteKml("edge", "<kml><Placemark><name>e</name><LineString><coordinates>"
                                    "179.5,60 180.00000000000006,60 -180.00000000000006,60.5"
                                    "</coordinates></LineString></Placemark>"
                                    "<Placemark><name>f</name><LineString><coordinates>"
                                    "179.5,61 181,61</coordinates></LineString></Placemark></kml>");
  Step s = UserStep(StepKind::OpenFiles);
  s.files = {kml};
  user->Push(s);
  Dialog({Click(1123), Click(1125), Click(1127), Click(1129), Click(1)});
  EXPECT_EQ(app->ChooseFlyout(3), "");
  EXPECT_FALSE(user->StepsLeft());
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"座標を変換できない点を含む図形は、図形ごと描画していません\n"
                                                   "edge.kml: 第2プレースマーク"});
  const auto drawn = Drawn(Top());
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0]->segments.size(), 3u);
  geo::DataFrame df;
  EXPECT_TRUE(geo::ReadDataFrame(df));
}

// Placemarks nested deeper than the reader follows are passed over, and the user is told how
// many elements were; a file whose only placemark is that deep says so beside "no placemark".
TEST_F(KmlImportTest, ElementsTooDeepAreCountedForTheUser) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<Folder>";
  deep += "<Placemark><Point><coordinates>139.7,35.6</coordinates></Point></Placemark>";
  for (int i = 0; i < 5000; ++i) deep += "</Folder>";
  const std::string shallow = "<Placemark><Point><coordinates>139.7,35.6</coordinates></Point></Placemark>";
  // Levels: kml, Document, then Folders; the reader follows 4,096 levels.
  const std::string tooDeep = "入れ子が4096階層より深い要素909個は読み込んでいません [ deep.kml ]";

  Step s = UserStep(StepKind::OpenFiles);
  s.files = {WriteKml("deep", "<kml><Document>" + deep + "</Document></kml>")};
  user->Push(s);
  EXPECT_EQ(app->ChooseFlyout(3), "");
  EXPECT_TRUE(Alerted("座標を含むプレースマークがありません [ deep.kml ]\n" + tooDeep))
      << ::testing::PrintToString(AlertTexts());

  ImportKml(WriteKml("deep", "<kml><Document>" + shallow + deep + "</Document></kml>"));
  EXPECT_EQ(AlertsStartingWith("座標を含むプレースマークがありません").size(), 1u) << "the shallow one is imported";
  EXPECT_TRUE(Alerted(tooDeep)) << ::testing::PrintToString(AlertTexts());
}

}  // namespace
}  // namespace vx::test
