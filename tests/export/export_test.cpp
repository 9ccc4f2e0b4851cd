// The export frame and the shapefile export: which objects reach which file, with which fields
// and coordinates, and what the user is told when something cannot be written.
#include "tests/export/export_fixture.h"

#include <cmath>

namespace vx::test {
namespace {

class ShapeExportTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    AddFrame();
  }
  static std::vector<std::string> Files(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // Map point of a document point through the test's frame.
  static data::MapPoint Map(double h, double v) { return {1000 + h * kMetresPerPoint, -2000 + v * kMetresPerPoint}; }
};

TEST_F(ShapeExportTest, PointsAtTheirMapPositionsWithPrjAndCpg) {
  Square(Group(first), 10, 20, 4);  // centre (12, 22)
  ASSERT_EQ(Export({}, dir / "pts.shp"), host::kNoErr);
  const auto records = Read(dir / "pts.shp");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].parts[0][0].x, Map(12, 22).x, 1e-9);
  EXPECT_NEAR(records[0].parts[0][0].y, Map(12, 22).y, 1e-9);
  EXPECT_EQ(Files(dir.path()), (std::vector<std::string>{"pts.cpg", "pts.dbf", "pts.prj", "pts.shp", "pts.shx"}))
      << "no temporary file is left";
  EXPECT_EQ(Slurp(dir / "pts.prj"), data::SystemWkt(2, 3, 9, 0));
  EXPECT_EQ(Slurp(dir / "pts.cpg"), "932");
}

// One file for all layers holds the hidden layer's objects but never the data frame's text;
// the visible-layers target leaves the hidden one out.
TEST_F(ShapeExportTest, AllLayersVisibleLayersAndReservedLayers) {
  Square(Group(first), 0, 0, 4);
  LayerHandle hidden = NewLayer("隠れた層");
  Square(Group(hidden), 10, 0, 4);
  ASSERT_EQ(host::sLayer()->SetLayerVisible(hidden, false), host::kNoErr);
  LayerHandle marker = NewLayer(geo::kMarkerTopLeft);
  NewText(Group(marker), 0, 0, u"36/0/0.0&139/0/0.0");
  ASSERT_EQ(Export({Pick(id::kTarget, 2)}, dir / "all.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "all.shp").size(), 2u) << "both squares; no frame or marker text";
  ASSERT_EQ(Export({Pick(id::kTarget, 1)}, dir / "visible.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "visible.shp").size(), 1u);
}

TEST_F(ShapeExportTest, CurrentLayerLeavesSublayersOutPerLayerFilesDoNot) {
  Square(Group(first), 0, 0, 4);
  LayerHandle sub = NewLayer("支線", first, host::PaintOrder::InsideOnBottom);
  Square(Group(sub), 10, 0, 4);
  Square(Group(sub), 20, 0, 4);
  ASSERT_EQ(host::sLayer()->SetCurrentLayer(first), host::kNoErr);
  ASSERT_EQ(Export({}, dir / "current.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "current.shp").size(), 1u);

  TempDir folder;
  ASSERT_EQ(Export({Pick(id::kTarget, 2), Click(id::kPerLayer)}, folder.path(), true), host::kNoErr);
  EXPECT_EQ(Read(folder / "道路.shp").size(), 1u);
  EXPECT_EQ(Read(folder / "支線.shp").size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(folder / (std::string(geo::kDataFrameLayerTitle) + ".shp")));
}

// A layer whose file cannot be made is reported and the next layer is written; a title naming
// another folder never writes outside the chosen one.
TEST_F(ShapeExportTest, PerLayerFileThatCannotBeOpened) {
  LayerHandle second = NewLayer("../逃げ");
  Square(Group(second), 0, 0, 4);
  LayerHandle third = NewLayer("三");
  Square(Group(third), 0, 0, 4);
  Square(Group(first), 0, 0, 4);
  std::filesystem::create_directory(dir / "sheets");
  std::filesystem::create_directory(dir / "sheets" / "道路.shp");  // a folder in the way
  ASSERT_EQ(Export({Pick(id::kTarget, 2), Click(id::kPerLayer)}, dir / "sheets", true), host::kNoErr);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{xport::kCannotOpenMessage, xport::kCannotOpenMessage}));
  EXPECT_EQ(Read(dir / "sheets" / "三.shp").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir / "逃げ.shp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "sheets" / "道路.dbf")) << "no part of a set";
  EXPECT_EQ(Files(dir / "sheets"), (std::vector<std::string>{"三.cpg", "三.dbf", "三.prj", "三.shp", "三.shx", "道路.shp"}));
}

// The layer's fields in order, then AI_LAYER, then AI_TEXT; texts in the table's encoding.
TEST_F(ShapeExportTest, ExtraFieldsComeLastInTheTablesEncoding) {
  SetFields(Group(first), {Field("名前", attr::kFieldString, 20), Field("人口", attr::kFieldInteger, 8)});
  ArtHandle text = NewText(Group(first), 5, 5, u"一行目\r二行目");
  SetFields(text, {Field("名前", attr::kFieldString, 20, 0, "駅"), Field("人口", attr::kFieldInteger, 8, 0, "1200")});
  ArtHandle square = Square(Group(first), 0, 0, 4);
  SetFields(square, {Field("人口", attr::kFieldInteger, 8, 0, "7"), Field("無い列", attr::kFieldString, 5, 0, "x")});
  for (bool utf8 : {false, true}) {
    // AI_TEXT's box is on from the start; AI_LAYER's is stored on by the first run.
    std::vector<Step> actions;
    if (!utf8) actions.push_back(Click(id::kAddLayer));
    if (utf8) actions.push_back(Pick(id::kEncoding, 1));
    const auto out = dir / (utf8 ? "u.shp" : "s.shp");
    ASSERT_EQ(Export(actions, out), host::kNoErr);
    std::vector<std::string> columns;
    const auto records = Read(out, &columns);
    const auto enc = utf8 ? text::TextEncoding::kUTF8 : text::TextEncoding::kShiftJIS;
    auto bytes = [&](const char16_t* s) { return text::Encode(s, enc); };
    EXPECT_EQ(columns, (std::vector<std::string>{bytes(u"名前"), bytes(u"人口"), "AI_LAYER", "AI_TEXT"}));
    ASSERT_EQ(records.size(), 2u);
    // The text first (made first, at the back); the square has no name and no text.
    EXPECT_EQ(records[0].cells, (std::vector<std::string>{bytes(u"駅"), "1200", bytes(u"道路"), bytes(u"一行目\\n二行目")}));
    EXPECT_EQ(records[1].cells, (std::vector<std::string>{"", "7", bytes(u"道路"), ""}));
    EXPECT_EQ(Slurp(dir / (utf8 ? "u.cpg" : "s.cpg")), utf8 ? "UTF-8" : "932");
  }
}

TEST_F(ShapeExportTest, PolygonsAreClockwiseWithHolesCounterClockwise) {
  Square(Group(first), 0, 0, 10, /*cw=*/false);
  Square(Group(first), 20, 0, 10, /*cw=*/true);
  ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
  Square(compound, 40, 0, 30);
  Square(compound, 50, 10, 5);
  ASSERT_EQ(Export({Click(id::kPolygon)}, dir / "poly.shp"), host::kNoErr);
  const auto records = Read(dir / "poly.shp");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].parts.size(), 2u) << "the compound path, made last";
  for (const Record& r : records) {
    EXPECT_LT(RingArea(r.parts[0]), 0) << "outer ring clockwise";
    if (r.parts.size() > 1) {
      EXPECT_GT(RingArea(r.parts[1]), 0) << "hole counter-clockwise";
    }
  }
}

// Records come out in drawing order, back to front (the order an import made them in), inside
// expanded groups too.
TEST_F(ShapeExportTest, RecordsInDrawingOrder) {
  SetFields(Group(first), {Field("ID", attr::kFieldInteger, 4)});
  for (int i = 1; i <= 3; ++i) SetFields(Square(Group(first), 10.0 * i, 0, 4), {Field("ID", attr::kFieldInteger, 4, 0, std::to_string(i).c_str())});
  ArtHandle group = NewArt(host::ArtType::Group, Group(first));
  for (int i = 4; i <= 5; ++i) SetFields(Square(group, 10.0 * i, 0, 4), {Field("ID", attr::kFieldInteger, 4, 0, std::to_string(i).c_str())});
  for (bool expand : {false, true}) {
    std::vector<Step> actions{Click(id::kPolygon)};
    if (expand) actions.push_back(Click(id::kExpand));
    ASSERT_EQ(Export(actions, dir / "o.shp"), host::kNoErr);
    std::vector<std::string> ids;
    for (const Record& r : Read(dir / "o.shp")) ids.push_back(r.cells[0]);
    EXPECT_EQ(ids, (expand ? std::vector<std::string>{"1", "2", "3", "4", "5"} : std::vector<std::string>{"1", "2", "3"}));
  }
}

// Two layers defining a field of one name differently: each value in the column of its own
// definition, not cut into the other's.
TEST_F(ShapeExportTest, FieldsOfOneNameFromTwoLayersKeepTheirOwnColumns) {
  SetFields(Group(first), {Field("NAME", attr::kFieldString, 10)});
  SetFields(Square(Group(first), 0, 0, 4), {Field("NAME", attr::kFieldString, 10, 0, "short")});
  LayerHandle wide = NewLayer("wide");
  SetFields(Group(wide), {Field("NAME", attr::kFieldString, 30), Field("POP", attr::kFieldInteger, 6)});
  SetFields(Square(Group(wide), 0, 0, 4), {Field("NAME", attr::kFieldString, 30, 0, "a name longer than ten"),
                                            Field("POP", attr::kFieldInteger, 6, 0, "")});
  ASSERT_EQ(Export({Pick(id::kTarget, 2)}, dir / "n.shp"), host::kNoErr);
  std::vector<std::string> columns;
  const auto records = Read(dir / "n.shp", &columns);
  EXPECT_EQ(columns, (std::vector<std::string>{"NAME", "NAME_1", "POP", "AI_TEXT"}));
  std::vector<std::vector<std::string>> cells;
  for (const Record& r : records) cells.push_back(r.cells);
  std::sort(cells.begin(), cells.end());
  EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"", "a name longer than ten", "", ""}, {"short", "", "", ""}}));
  EXPECT_TRUE(user->Alerts().empty()) << "nothing was cut";
}

// Texts cut to their column are counted, numbers too wide for theirs are left blank, never cut
// to another number; the user is told at the end, by file and field.
TEST_F(ShapeExportTest, CutTextsAndNumbersTooWideAreTold) {
  SetFields(Group(first), {Field("NAME", attr::kFieldString, 3), Field("POP", attr::kFieldInteger, 3)});
  const char* rows[][2] = {{"abcdef", "12345"}, {"ab", "7"}, {"xyz!", "-123"}};
  for (const auto& row : rows)
    SetFields(Square(Group(first), 0, 0, 4), {Field("NAME", attr::kFieldString, 3, 0, row[0]), Field("POP", attr::kFieldInteger, 3, 0, row[1])});
  ASSERT_EQ(Export({}, dir / "w.shp"), host::kNoErr);
  std::vector<std::vector<std::string>> cells;
  for (const Record& r : Read(dir / "w.shp")) cells.push_back(r.cells);
  EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"abc", "", ""}, {"ab", "7", ""}, {"xyz", "", ""}}));
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{"列の幅を超える文字列を切り詰めました: w.shp の NAME（2 件）\n"
                                                    "列に収まらない数値を空欄にしました: w.shp の POP（2 件: レコード 1 の 12345、レコード 3 の -123）"}));
}

// Per-layer files of layers with one title get distinct names, and the user is told.
TEST_F(ShapeExportTest, PerLayerFilesOfLayersWithOneTitle) {
  Square(Group(first), 0, 0, 4);
  LayerHandle twin = NewLayer("道路");
  Square(Group(twin), 0, 0, 4);
  Square(Group(twin), 10, 0, 4);
  ASSERT_EQ(Export({Pick(id::kTarget, 2), Click(id::kPerLayer)}, dir.path(), true), host::kNoErr);
  EXPECT_EQ(Read(dir / "道路.shp").size() + Read(dir / "道路_2.shp").size(), 3u);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{"同じ名前のレイヤーがあるため「道路」を 道路_2.shp に書き出しました"}));
}

// The encoding a coordinate text export stored (UTF-16) is not offered here: the list falls
// back to its first entry and the export writes its files.
TEST_F(ShapeExportTest, StoredEncodingTheListDoesNotOfferFallsBack) {
  ASSERT_EQ(host::sPreference()->PutInteger(xport::kPreferencePrefix, "exportEncoding", 2), host::kNoErr);
  Square(Group(first), 0, 0, 4);
  ASSERT_EQ(Export({}, dir / "e.shp"), host::kNoErr);
  EXPECT_TRUE(AlertTexts().empty());
  EXPECT_EQ(Read(dir / "e.shp").size(), 1u);
  EXPECT_EQ(Slurp(dir / "e.cpg"), "932");
}

// Groups are one point with their own attributes, nothing as lines, their paths when expanded.
TEST_F(ShapeExportTest, GroupsAsPointsOrExpanded) {
  ArtHandle group = NewArt(host::ArtType::Group, Group(first));
  SetFields(group, {Field("名前", attr::kFieldString, 10, 0, "群")});
  NewPath(group, {Corner(0, 0), Corner(10, 0)}, false);
  NewPath(group, {Corner(0, 10), Corner(10, 30)}, false);
  SetFields(Group(first), {Field("名前", attr::kFieldString, 10)});
  ASSERT_EQ(Export({}, dir / "g.shp"), host::kNoErr);
  auto records = Read(dir / "g.shp");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].parts[0][0].x, Map(5, 15).x, 1e-9);
  EXPECT_EQ(records[0].cells[0], text::Encode(u"群", text::TextEncoding::kShiftJIS));
  ASSERT_EQ(Export({Click(id::kPolyline)}, dir / "gl.shp"), host::kNoErr);
  EXPECT_EQ(std::filesystem::file_size(dir / "gl.shx"), 100u) << "a group is no line: an empty file";
  ASSERT_EQ(Export({Click(id::kPolyline), Click(id::kExpand)}, dir / "ge.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "ge.shp").size(), 2u);
}

// Only objects whose parent is a layer are written from the selection.
TEST_F(ShapeExportTest, SelectionInsideAGroupIsNotWrittenByItself) {
  ArtHandle group = NewArt(host::ArtType::Group, Group(first));
  ArtHandle inner = Square(group, 0, 0, 4);
  ArtHandle top = Square(Group(first), 10, 0, 4);
  for (ArtHandle a : {inner, top}) ASSERT_EQ(host::sArt()->SetArtUserAttr(a, host::kArtSelected, host::kArtSelected), host::kNoErr);
  ASSERT_EQ(Export({Pick(id::kTarget, 3)}, dir / "sel.shp"), host::kNoErr);
  const auto records = Read(dir / "sel.shp");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].parts[0][0].x, Map(12, 2).x, 1e-9);
}

TEST_F(ShapeExportTest, CancelDuringTheSecondLayerKeepsTheFirstLayersRecords) {
  Square(Group(first), 0, 0, 4);
  Square(Group(first), 10, 0, 4);
  LayerHandle second = NewLayer("二");
  Square(Group(second), 0, 0, 4);
  Square(Group(second), 10, 0, 4);
  user->CancelAtPoll(3);  // one poll per object: the first object of the second layer
  EXPECT_EQ(Export({Pick(id::kTarget, 2)}, dir / "c.shp"), host::kStop);
  EXPECT_EQ(Read(dir / "c.shp").size(), 2u);
}

// A path of more than 32,000 anchors is written whole.
TEST_F(ShapeExportTest, LongPathWrittenWhole) {
  std::vector<PathSegment> s;
  for (int i = 0; i < 40000; ++i) s.push_back(Corner(i * 0.01, (i % 2) * 0.01));
  NewPath(Group(first), s, false);
  ASSERT_EQ(Export({Click(id::kPolyline)}, dir / "long.shp"), host::kNoErr);
  const auto records = Read(dir / "long.shp");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].parts[0].size(), 40000u);
}

// Mend: a point that cannot be converted is never written; the object is left out whole, counted
// and named.
TEST_F(ShapeExportTest, ObjectsWithPointsThatCannotBeConvertedAreLeftOutAndCounted) {
  Square(Group(first), 0, 0, 4);
  NewPath(Group(first), {Corner(0, 0), Corner(1e308, 0)}, false);  // beyond any map coordinate
  ASSERT_EQ(Export({Click(id::kPolyline)}, dir / "nan.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "nan.shp").size(), 1u);
  EXPECT_EQ(leftOut, 1);
  ASSERT_EQ(user->Alerts().size(), 1u);
  EXPECT_EQ(user->Alerts()[0].kind, host::AlertKind::Warning);
  EXPECT_EQ(user->Alerts()[0].text, "座標を計算できない点があるため、1 個のオブジェクトを書き出しませんでした\n"
                                    "第2オブジェクト（レイヤー「道路」）");
}

// Mend: records the writer refuses are counted and reported, not silently dropped.
// A compound path with no ring of non-zero area has no polygon to write: it is passed over like a
// single path of zero length, not handed to the writer (which refuses a record without parts).
TEST_F(ShapeExportTest, CompoundPathWithoutRingsIsPassedOver) {
  ArtHandle compound = NewArt(host::ArtType::CompoundPath, Group(first));
  NewPath(compound, {Corner(0, 0), Corner(10, 0)}, false);  // no area: no ring at all
  Square(Group(first), 0, 0, 4);
  ASSERT_EQ(Export({Click(id::kPolygon)}, dir / "r.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "r.shp").size(), 1u);
  EXPECT_EQ(refused, 0);
  EXPECT_TRUE(user->Alerts().empty());
}

// Mend: a converter that cannot be set up (the datum-shift grid is missing) stops the export
// after its alert, before any file is chosen or written.
TEST_F(ShapeExportTest, ConverterSetupFailureWritesNothing) {
  Square(Group(first), 0, 0, 4);
  Script({Click(id::kConvert), Click(id::kOutTokyo)}, dir / "tky.shp");
  xport::CShapeFileExporter exporter(nullptr);
  EXPECT_EQ(exporter.Run(), host::kStop);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{std::string(geo::kGridMissingMessage)}));
  EXPECT_EQ(user->RemainingSteps(), 1u) << "the save-file dialog never opened";
  EXPECT_TRUE(Files(dir.path()).empty());
}

// A folder in the way of one of the files: reported when the output is opened, nothing written.
TEST_F(ShapeExportTest, FolderInTheWay) {
  Square(Group(first), 0, 0, 4);
  std::filesystem::create_directory(dir / "x.dbf");
  ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{xport::kCannotOpenMessage}));
  EXPECT_EQ(Files(dir.path()), (std::vector<std::string>{"x.dbf"}));
  ASSERT_EQ(Export({}, dir / "missing" / "y.shp"), host::kNoErr);
  EXPECT_EQ(user->Alerts().back().text, xport::kCannotOpenMessage);
}

// An output that cannot be completed leaves no set of files looking complete.
TEST_F(ShapeExportTest, OutputThatCannotBeCompletedLeavesNothing) {
  struct Blocked : xport::CShapeFileExporter {
    std::filesystem::path block;
    Blocked() : CShapeFileExporter(nullptr) {}
    bool CloseOutput() override {
      std::filesystem::create_directory(block);  // appears while the files are written
      return CShapeFileExporter::CloseOutput();
    }
  };
  Square(Group(first), 0, 0, 4);
  Script({}, dir / "x.shp");
  Blocked exporter;
  exporter.block = dir / "x.shp";  // renamed last: the others were already in place
  EXPECT_EQ(exporter.Run(), host::kNoErr);
  ASSERT_EQ(user->Alerts().size(), 1u);
  EXPECT_EQ(user->Alerts()[0].kind, host::AlertKind::Error);
  EXPECT_EQ(user->Alerts()[0].text.rfind("出力ファイルを書き込めません", 0), 0u);
  EXPECT_EQ(Files(dir.path()), (std::vector<std::string>{"x.shp"})) << "only the folder that was in the way";
}

// The save dialog proposes the document's name with .shp, the shapefile filter and the last place.
TEST_F(ShapeExportTest, SaveDialogProposals) {
  struct Peek : host::ScriptedUser {
    host::SaveFileRequest seen;
    host::Err ChooseSaveFile(const host::SaveFileRequest& r, std::filesystem::path& out) override {
      seen = r;
      return ScriptedUser::ChooseSaveFile(r, out);
    }
  };
  auto peek = std::make_shared<Peek>();
  user = peek;
  host->SetUser(user);
  Square(Group(first), 0, 0, 4);
  ASSERT_EQ(Export({}, dir / "a.shp"), host::kNoErr);
  EXPECT_EQ(peek->seen.defaultName, "Export.shp") << "a document never saved";
  std::string error;
  ASSERT_TRUE(host->SaveDocument(dir / "map1.vxd", error)) << error;
  ASSERT_EQ(Export({}, dir / "b.shp"), host::kNoErr);
  EXPECT_EQ(peek->seen.defaultName, "map1.shp");
  EXPECT_EQ(peek->seen.title, "ファイルの書き出し");
  ASSERT_EQ(peek->seen.filters.size(), 1u);
  EXPECT_EQ(peek->seen.filters[0].label, "Shapefiles(*.shp)");
  EXPECT_EQ(peek->seen.folder, dir.path()) << "where the last export went";
}

TEST_F(ShapeExportTest, NoGeoreferenceStopsBeforeTheDialog) {
  host::LayerHandle frame = nullptr;
  host::sLayer()->GetFirstLayer(frame);
  ASSERT_EQ(host::sLayer()->DeleteLayer(frame), host::kNoErr);
  xport::CShapeFileExporter exporter(nullptr);
  EXPECT_EQ(exporter.Run(), host::kStop);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{xport::kNoGeoreferenceMessage}));
}

}  // namespace
}  // namespace vx::test

namespace vx::test {
namespace {

// A sheet georeferenced by four markers in plane form: 1 point = 10 m, origin at the sheet's.
class MarkerExportTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    ASSERT_EQ(geo::CreateMarkerLayers(true), host::kNoErr);
    const struct {
      const char* title;
      double h, v;
      const char16_t* text;
    } markers[] = {{geo::kMarkerBottomLeft, 0, 0, u"0&0"},
                   {geo::kMarkerTopLeft, 0, 100, u"1000&0"},
                   {geo::kMarkerTopRight, 100, 100, u"1000&1000"},
                   {geo::kMarkerBottomRight, 100, 0, u"0&1000"}};
    for (const auto& m : markers) {
      for (LayerHandle l = first; l;) {
        std::string t;
        host::sLayer()->GetLayerTitle(l, t);
        if (t == m.title) NewText(Group(l), m.h, m.v, m.text);
        if (host::sLayer()->GetNextLayer(l, l) != host::kNoErr) break;
      }
    }
    geo::MarkerSet set;
    ASSERT_TRUE(geo::ReadMarkers(set));
  }
};

TEST_F(MarkerExportTest, MarkersGiveTheMapAndTheirSystemIsWritten) {
  Square(Group(first), 40, 40, 20);  // centre (50, 50)
  // The dialog opens on the markers; OK without a zone is refused, then the zone is chosen.
  Script({Click(id::kMarkerXY), Click(host::kIdOk), Pick(id::kMarkerZone, 9)}, dir / "m.shp");
  xport::CShapeFileExporter exporter(nullptr);
  ASSERT_EQ(exporter.Run(), host::kNoErr);
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{xport::kChooseZoneMessage}));
  EXPECT_FALSE(user->Failure()) << *user->Failure();
  const auto records = Read(dir / "m.shp");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NEAR(records[0].parts[0][0].x, 500, 1e-9);
  EXPECT_NEAR(records[0].parts[0][0].y, 500, 1e-9);
  EXPECT_EQ(Slurp(dir / "m.prj"), data::SystemWkt(2, 3, 9, 0));
}

}  // namespace
}  // namespace vx::test
