// Input the import cannot take whole: every failure reaches the user as an alert, what was
// imported stays, and the document stays one that saves and loads.
#include "geodesy/georef.h"
#include "geodesy/shift_grid.h"
#include "tests/geodesy/synthetic_grid.h"
#include "tests/import/import_fixture.h"

#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;
using attr::kFieldInteger;
using attr::kFieldString;
using data::PartList;

class BadInputTest : public ImportFixture {
 protected:
  std::filesystem::path Points(const std::string& name) {
    return WriteShapefile(name, 1, {{{{139.70, 35.65}}}, {{{139.71, 35.66}}}, {{{139.72, 35.67}}}},
                          {{Def(u"N", kFieldInteger, 2), {"1", "2", "3"}}});
  }
  // Saves the document and loads it again.
  void SaveAndReload() {
    std::string error;
    const auto file = dir / "doc.json";
    ASSERT_TRUE(host->SaveDocument(file, error)) << error;
    const auto before = LayerTitles();
    ASSERT_TRUE(host->OpenDocument(file, error)) << error;
    EXPECT_EQ(LayerTitles(), before);
  }
  static void Cut(const std::filesystem::path& file, std::uintmax_t size) { std::filesystem::resize_file(file, size); }
  static void PatchI32LE(const std::filesystem::path& file, std::streamoff at, std::int32_t v) {
    std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
    f.seekp(at);
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    f.write(reinterpret_cast<const char*>(b), 4);
  }
};

TEST_F(BadInputTest, AFileThatCannotBeOpenedIsNamedWithItsReasonAndTheOthersAreImported) {
  const auto a = Points("a");
  const auto b = Points("b");
  std::filesystem::remove(dir / "b.dbf");
  ChooseFiles({a, b});
  Dialog({Click(1)});
  RunImport();
  ASSERT_EQ(AlertTexts(), std::vector<std::string>{"ファイルを開けません [ b.shp ]\nb.dbf: cannot be opened"})
      << "one warning, given when the file's turn comes";
  EXPECT_EQ(Art(Layer("a")).size(), 3u);
  EXPECT_EQ(Layer("b"), nullptr);
  EXPECT_EQ(host->Doc()->current, Layer("a"));
  SaveAndReload();
}

TEST_F(BadInputTest, WhenNoChosenFileOpensTheUserIsToldWhyAndNothingElseHappens) {
  const auto a = Points("a");
  const auto b = Points("b");
  std::filesystem::remove(dir / "a.shx");
  Cut(b, 60);  // inside the file header
  ChooseFiles({a, b});
  RunImport();  // no dialog 108 follows
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{"ファイルを開けません [ a.shp ]\na.shx: cannot be opened",
                                                    "ファイルを開けません [ b.shp ]\nb.shp: the file header is cut short"}));
  EXPECT_EQ(LayerTitles(), std::vector<std::string>{"レイヤー 1"});
  for (const auto& a1 : host->Alerts()) EXPECT_EQ(a1.kind, AlertKind::Warning);
}

TEST_F(BadInputTest, ARecordThatCannotBeReadEndsItsFileAndTheUserIsTold) {
  const auto t = Points("t");
  Cut(t, 100 + 2 * 28 + 10);  // the third record is cut short
  const auto u = Points("u");
  ChooseFiles({t, u});
  Dialog({Click(1)});
  RunImport();
  ASSERT_EQ(host->Alerts().size(), 1u);
  EXPECT_EQ(AlertTexts()[0],
            "レコードを読み込めません [ t.shp 第3レコード ]\nこのファイルの以降のレコードは読み込まれていません\n"
            "t.shp: record 3: t.shx entry 3: offset 78 words lies outside the 166 bytes of the file");
  EXPECT_EQ(Art(Layer("t")).size(), 2u);
  EXPECT_EQ(Art(Layer("u")).size(), 3u) << "the next file is imported";
  EXPECT_NE(Layer("4点座標マーカー 左上"), nullptr) << "the run goes on to its end";
  SaveAndReload();
}

TEST_F(BadInputTest, ARecordOfAnUnknownTypeIsReportedAndTheNextRecordsKeepTheirOwnRows) {
  const auto t = Points("t");
  PatchI32LE(t, 100 + 28 + 8, 7);  // the shape type of record 2
  ChooseFiles({t});
  Dialog({Click(1)});
  RunImport();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"読み込みエラー [ エラーコード：7 ]"});
  EXPECT_EQ(host->Alerts()[0].kind, AlertKind::Error);
  auto art = Art(Layer("t"));
  ASSERT_EQ(art.size(), 2u);
  EXPECT_EQ(Values(art[1]), std::vector<std::string>{"N=1"});
  EXPECT_EQ(Values(art[0]), std::vector<std::string>{"N=3"});
}

// Records without a shape give no art, and a table that ends before the geometry leaves the later
// records their shapes with empty values; the closing warning counts both for each file.
TEST_F(BadInputTest, RecordsWithoutAShapeOrWithoutARowAreCountedInTheClosingWarning) {
  const std::vector<PartList> five = {{{{139.70, 35.65}}}, {{{139.71, 35.66}}}, {{{139.72, 35.67}}},
                                      {{{139.73, 35.68}}}, {{{139.74, 35.69}}}};
  const auto n = WriteShapefile("n", 1, five, {{Def(u"N", kFieldInteger, 2), {"1", "2", "3", "4", "5"}}});
  PatchI32LE(n, 100 + 28 + 8, 0);  // records 2 and 4 hold no shape
  PatchI32LE(n, 100 + 3 * 28 + 8, 0);
  const auto r = WriteShapefile("r", 1, five, {{Def(u"N", kFieldInteger, 2), {"1", "2", "3", "4", "5"}}});
  Cut(dir / "r.dbf", 32 + 32 + 1 + 2 * 3);  // header, one column, terminator, two rows of three bytes
  ChooseFiles({n, r});
  Dialog({Click(1)});
  RunImport();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"図形のないレコードは描画していません\nn.shp: 2 件\n\n"
                                                   "属性テーブルに行のないレコードは属性値を空にしています\nr.shp: 3 件"});
  std::vector<std::string> values;
  for (ArtOpaque* a : Art(Layer("n"))) values.push_back(Values(a).at(0));
  EXPECT_EQ(values, (std::vector<std::string>{"N=5", "N=3", "N=1"}));
  values.clear();
  for (ArtOpaque* a : Art(Layer("r"))) values.push_back(Values(a).at(0));
  EXPECT_EQ(values, (std::vector<std::string>{"N=", "N=", "N=", "N=2", "N=1"})) << "every shape, topmost first";
  SaveAndReload();
}

TEST_F(BadInputTest, ATokyoImportWithoutTheGridFileStopsAfterItsWarningAndWritesNothing) {
  const auto t = Points("t");
  ChooseFiles({t});
  Dialog({Click(1124), Click(1)});  // the file is in the Tokyo datum, the new frame in JGD2000
  RunImport();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"測地系変換パラメータファイルを開けません"});
  EXPECT_EQ(LayerTitles(), std::vector<std::string>{"レイヤー 1"}) << "no layer, no data frame";
  std::int32_t datum = 0;
  EXPECT_NE(sPreference()->GetInteger("Varnox-Dirir4.5", "importInGeoSysType", datum), kNoErr)
      << "a run that did not set up stores no settings";
  SaveAndReload();
}

TEST_F(BadInputTest, PointsThatCannotBeConvertedAreLeftOutAndCountedPerFile) {
  // A datum shift needs the grid beside the plug-in; positions beyond 180 degrees east cannot be
  // shifted.
  const auto text = dir / "grid.par";
  geo::test::WriteParameterList(text, {5339});
  std::string error;
  ASSERT_TRUE(geo::ConvertShiftText(text, dir / "TKY2JGD_Win.dat", &error)) << error;
  const auto p = WriteShapefile("p", 1, {{{{139.70, 35.65}}}, {{{200.0, 35.66}}}, {{{139.75, 35.68}}}},
                                {{Def(u"N", kFieldInteger, 2), {"1", "2", "3"}}});
  const auto l = WriteShapefile("l", 3,
                                {{{{139.70, 35.65}, {200.0, 35.66}, {139.72, 35.67}}},
                                 {{{200.0, 35.6}, {201.0, 35.7}}}},
                                {{Def(u"N", kFieldInteger, 2), {"1", "2"}}});
  ChooseFiles({p, l});
  Dialog({Click(1128), Click(1130), SelectItem(1132, 9), Click(1)});  // a new Tokyo XY9 frame
  RunImport();
  // The frame and its extent markers come from the points that convert: the count is the only
  // word, and the markers stand at the corners of those points.
  // A line missing a vertex would be another line: both records are left out whole, by name.
  EXPECT_EQ(AlertTexts(), (std::vector<std::string>{"座標を変換できない点は描画していません\np.shp: 1 点\n\n"
                                                    "座標を変換できない点を含む図形は、図形ごと描画していません\n"
                                                    "l.shp: 第1レコード、第2レコード"}));
  geo::MarkerSet markers;
  ASSERT_TRUE(geo::ReadMarkers(markers));
  auto marks = Art(Layer("p"));
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(Values(marks[1]), std::vector<std::string>{"N=1"});
  EXPECT_EQ(Values(marks[0]), std::vector<std::string>{"N=3"});
  EXPECT_TRUE(Art(Layer("l")).empty()) << "no record drawn with a vertex left out";
  for (const ArtOpaque* a : {marks[0], marks[1]})
    for (const PathSegment& s : a->segments) EXPECT_TRUE(std::isfinite(s.p.h) && std::isfinite(s.p.v));
  SaveAndReload();
}

TEST_F(BadInputTest, ADataFrameLayerWhoseTextCannotBeReadStopsTheImportBeforeAnythingIsPlaced) {
  // The frame cannot be rewritten; a new one would not be stored and the art would be placed by
  // a frame the document does not hold.
  ASSERT_EQ(app->NewLayer("Varnox-Shape DataFrame"), "");
  ChooseFiles({Points("a")});
  RunImport();  // no dialog 108
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"データフレームの設定が正しくありません"});
  EXPECT_EQ(LayerTitles(), (std::vector<std::string>{"Varnox-Shape DataFrame", "レイヤー 1"}));
}

TEST_F(BadInputTest, AShiftJisTableReadAsUtf8GivesOtherTextButADocumentThatSavesAndLoads) {
  const auto t = WriteShapefile("t", 1, {{{{139.7, 35.6}}}}, {{Def(u"名称", kFieldString, 20), {"東京都"}}});
  ChooseFiles({t}, "UTF-8");
  Dialog({Click(1)});
  RunImport();
  // The encoding is the user's choice; what it cannot read is told.
  ASSERT_EQ(AlertTexts().size(), 1u);
  EXPECT_EQ(AlertTexts()[0].rfind("文字コードに合わないバイトを含む値があります", 0), 0u) << AlertTexts()[0];
  const auto art = Art(Layer("t"));
  ASSERT_EQ(art.size(), 1u);
  ASSERT_EQ(Values(art[0]).size(), 1u);
  const auto read = Values(art[0]);
  EXPECT_NE(read[0], "名称=東京都");
  SaveAndReload();
  EXPECT_EQ(Values(Art(Layer("t"))[0]), read);
}

TEST_F(BadInputTest, ADataFrameOfASystemTheConverterDoesNotKnowIsToldAndPlacesNothing) {
  // Edited by hand: "LL" is no coordinate kind, so no conversion to the sheet can be set up.
  ASSERT_EQ(app->NewLayer("Varnox-Shape DataFrame"), "");
  ArtHandle group = nullptr, text = nullptr;
  ASSERT_EQ(sLayer()->GetLayerGroup(Layer("Varnox-Shape DataFrame"), group), kNoErr);
  ASSERT_EQ(sTextFrame()->NewPointText(PaintOrder::InsideOnTop, group, TextOrientation::Horizontal, {306, 396}, text),
            kNoErr);
  ASSERT_EQ(sTextRange()->InsertAfter(text, u"G=JGD|P=LL|X=0|Y=0|S=25000|R=0"), kNoErr);
  ChooseFiles({Points("a")});
  Dialog({Click(1)});
  RunImport();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"座標変換を設定できません"});
  EXPECT_EQ(Layer("a"), nullptr);
}

// A person who moves the chosen files away while the coordinate dialog is open.
class FileMover : public ScriptedUser {
 public:
  std::vector<std::filesystem::path> files;
  void RunDialog(ControlWindow& dialog) override {
    for (const auto& f : files) std::filesystem::remove(f);
    ScriptedUser::RunDialog(dialog);
  }
};

TEST_F(BadInputTest, WithNoLayerMadeTheRunMakesNoLayerCurrentAndIsNoFailure) {
  auto mover = std::make_shared<FileMover>();
  user = mover;
  host->SetUser(mover);
  const auto a = Points("a");
  mover->files = {a};
  LayerOpaque* before = host->Doc()->current;
  ChooseFiles({a});
  Dialog({Click(1)});
  RunImport();
  ASSERT_EQ(AlertTexts(), std::vector<std::string>{"ファイルを開けません [ a.shp ]\na.shp: cannot be opened"});
  EXPECT_EQ(host->Doc()->current, before);
  EXPECT_EQ(Layer("a"), nullptr);
}

}  // namespace
}  // namespace vx::test
