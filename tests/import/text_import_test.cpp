// Coordinate text import through flyout item 2, played by the scripted user: dialog 111 driven by
// control id (delimiter, header box, double click into the field dialog, OK's check), then the
// points with their attributes, and the lines left out because a coordinate is not a number.
#include "geodesy/georef.h"
#include "import/text_importer.h"
#include "tests/geodesy/codes.h"
#include "tests/import/import_fixture.h"

#include <array>
#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;

constexpr std::int32_t kTab = 1085, kComma = 1086, kHeader = 1076, kList = 1083;
constexpr const char* kLat = "緯度(B)または平面直角X座標";
constexpr const char* kLon = "経度(L)または平面直角Y座標";
constexpr const char* kNeedBoth = "縦方向と横方向の座標値フィールドを各1つ設定してください。";

class TextImportTest : public ImportFixture {
 protected:
  std::filesystem::path WriteText(const std::string& name, const std::string& body) {
    const auto path = dir / name;
    std::ofstream(path, std::ios::binary) << body;
    return path;
  }
  // The open-file dialog, then dialog 111 with `fields` (ending in OK or Cancel).
  void Fields(const std::filesystem::path& file, std::vector<Step> fields, const std::string& encoding = "UTF-8") {
    ChooseFiles({file}, encoding);
    user->Push(UserStep(StepKind::Dialog, 111));
    for (Step& s : fields) user->Push(std::move(s));
  }
  // Dialog 108: a new plane-zone IX frame, the file in JGD2000 lat/long.
  void Settings() {
    Dialog({Click(1123), Click(1125), Click(1127), Click(1130), SelectItem(1132, 9), SetText(1114, "25000"), Click(1)});
  }
  // Double-click row `row` and give it type item `item` (0 text, 3 latitude, 4 longitude).
  static std::vector<Step> Retype(std::int32_t row, std::int32_t item) {
    Step dbl = UserStep(StepKind::DoubleClick, kList);
    dbl.value = row;
    std::vector<Step> s{dbl, UserStep(StepKind::Dialog, 112), SelectItem(1075, item)};
    if (item == 0) s.push_back(SetText(1084, "48"));
    s.push_back(Click(1));
    return s;
  }
  void Run() {
    EXPECT_EQ(app->ChooseFlyout(2), "");
    EXPECT_FALSE(user->Failure()) << *user->Failure();
    EXPECT_FALSE(user->StepsLeft());
  }
  // The snapshot lines of control `id`, in the order taken.
  std::vector<std::string> States(std::int32_t id) const {
    std::vector<std::string> out;
    const std::string key = "  " + std::to_string(id) + " ";
    for (const std::string& t : user->Transcript())
      if (t.rfind(key, 0) == 0) out.push_back(t.substr(key.size()));
    return out;
  }
  LayerOpaque* Top() const { return host->Doc()->layers.at(1); }
};

TEST_F(TextImportTest, DelimiterFollowsTheExactExtension) {
  struct Case {
    const char* name;
    const char* checked;  // the radio that opens checked
  } cases[] = {{"points.csv", "1086"}, {"points.txt", "1085"}, {"points.CSV", "1085"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    Fields(WriteText(c.name, "A,B\n1,2\n"), {Snapshot(), Click(2)});
    EXPECT_EQ(app->ChooseFlyout(2), "");
    const auto radios = c.checked == std::string("1086") ? States(kComma) : States(kTab);
    ASSERT_EQ(radios.size(), 1u);
    EXPECT_NE(radios[0].find(" checked"), std::string::npos) << radios[0];
  }
}

TEST_F(TextImportTest, HeaderAndDelimiterRenameOrRebuildTheFields) {
  Fields(WriteText("p.csv", "NAME,LAT,LON\nTokyo,35.68,139.76\nOsaka,34.69,135.5\n"),
         {Snapshot(), Click(kHeader), Snapshot(), Click(kTab), Click(kComma), Snapshot(), Click(2)});
  EXPECT_EQ(app->ChooseFlyout(2), "");
  const auto lists = States(kList);
  ASSERT_EQ(lists.size(), 3u);
  // The columns named LAT and LON are the coordinates.
  EXPECT_EQ(lists[0], std::string("listview rows=3 (NAME|文字列|Tokyo|Osaka) (LAT|") + kLat + "|35.68|34.69) (LON|" +
                          kLon + "|139.76|135.5)");
  // Unchecked: the first line is data, the fields keep their types under new names.
  EXPECT_EQ(lists[1], std::string("listview rows=3 (FIELD1|文字列|NAME|Tokyo) (FIELD2|") + kLat + "|LAT|35.68) (FIELD3|" +
                          kLon + "|LON|139.76)");
  // Another delimiter builds the list anew: further fields are numbered from 1 again.
  EXPECT_EQ(lists[2], std::string("listview rows=3 (FIELD1|") + kLat + "|NAME|Tokyo) (FIELD2|" + kLon +
                          "|LAT|35.68) (FIELD1|文字列|LON|139.76)");
}

TEST(TextImportFields, CoordinateColumnsFoundByTheirHeaders) {
  constexpr auto S = attr::kFieldString, N = attr::kFieldLatitudeOrX, E = attr::kFieldLongitudeOrY;
  struct Case {
    const char16_t* header;
    std::vector<attr::FieldType> types;
  } cases[] = {
      {u"名称,緯度,経度", {S, N, E}},
      {u"id, Longitude ,LATITUDE", {S, E, N}},
      {u"lng,name,Lat", {E, S, N}},
      {u"No,X,Y", {S, E, N}},
      {u"経 度,緯\u3000度,lon2", {E, N, S}},
      // Nothing recognised, or not one of each: the first two columns, as before.
      {u"名称,A,B", {N, E, S}},
      {u"lat,y,lon", {N, E, S}},
      {u"name,lat,value", {N, E, S}},
  };
  for (const Case& c : cases) {
    imp::TextImportSettings s;
    s.delimiter = ',';
    s.sampleLines = {c.header, u"1,2,3"};
    imp::BuildFields(s, true);
    std::vector<attr::FieldType> types;
    for (const auto& f : s.fields) types.push_back(f.type);
    EXPECT_EQ(types, c.types) << text::Utf16ToUtf8(c.header);
  }
}

TEST_F(TextImportTest, OkRefusesUnlessOneOfEachCoordinateField) {
  // Two latitudes: refused, the dialog stays; then one of each is accepted.
  std::vector<Step> steps = Retype(1, 3);
  steps.push_back(Click(1));
  steps.push_back(Snapshot());
  for (Step& s : Retype(1, 4)) steps.push_back(s);
  steps.push_back(Click(1));
  Fields(WriteText("p.csv", "LAT,LON\n35,139\n"), steps);
  Dialog({Click(2)});
  EXPECT_EQ(app->ChooseFlyout(2), "");
  EXPECT_FALSE(user->Failure()) << *user->Failure();
  EXPECT_FALSE(user->StepsLeft());
  EXPECT_TRUE(Alerted(kNeedBoth));
  EXPECT_EQ(States(kList).size(), 1u) << "still open after the refusal";
  EXPECT_TRUE(Printed("closed dialog 111 \"座標付きテキストファイル - フィールドの設定\" with 0"));

  // A file of one line with the header box checked shows an empty list, and OK refuses.
  TearDown();
  SetUp();
  Fields(WriteText("one.csv", "LAT,LON\n"), {Snapshot(), Click(1), Click(2)});
  EXPECT_EQ(app->ChooseFlyout(2), "");
  EXPECT_EQ(States(kList), (std::vector<std::string>{"listview rows=0"}));
  EXPECT_TRUE(Alerted(kNeedBoth));
}

TEST_F(TextImportTest, ColumnsChosenByDoubleClickGivePointsWithAttributes) {
  // Quoted value holding the delimiter kept whole; empty lines make no point.
  const auto file = WriteText("stations.csv",
                              "NAME,LAT,LON,POP\n\"Tokyo, Marunouchi\",35.68,139.76,100\n\nShinagawa,35.62,139.74,7\n");
  std::vector<Step> steps;
  for (auto list : {Retype(1, 3), Retype(2, 4), Retype(0, 0)})
    for (Step& s : list) steps.push_back(s);
  steps.push_back(Click(1));
  Fields(file, steps);
  Settings();
  Run();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  LayerOpaque* top = Top();
  EXPECT_EQ(top->title, "stations");
  EXPECT_EQ(Definitions(top->group), (std::vector<std::string>{"NAME|0|48|0", "POP|0|48|0"}));
  const auto art = Art(top);
  ASSERT_EQ(art.size(), 2u);
  std::vector<std::vector<std::string>> values{Values(art[0]), Values(art[1])};
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<std::vector<std::string>>{{"NAME=Shinagawa", "POP=7"},
                                                            {"NAME=Tokyo, Marunouchi", "POP=100"}}));
  // Tokyo lies east of Shinagawa: longitude went to the horizontal, latitude elsewhere.
  const RealPoint a = Centre(art[0]), b = Centre(art[1]);
  const RealPoint tokyo = Values(art[0])[0] == "NAME=Tokyo, Marunouchi" ? a : b;
  const RealPoint shina = Values(art[0])[0] == "NAME=Tokyo, Marunouchi" ? b : a;
  EXPECT_GT(tokyo.h, shina.h);
  EXPECT_NE(tokyo.v, shina.v);
}

TEST_F(TextImportTest, TheFilesOwnEncodingIsReadAndWhatDoesNotDecodeIsTold) {
  // Valid UTF-8 without a mark, nothing picked: read as UTF-8, the named columns placed.
  Fields(WriteText("u.csv", "名称,緯度,経度\n東京,35.68,139.76\n"), {Click(1)}, "");
  Settings();
  Run();
  EXPECT_TRUE(host->Alerts().empty()) << AlertTexts().front();
  ASSERT_EQ(Art(Top()).size(), 1u);
  EXPECT_EQ(Values(Art(Top())[0]), (std::vector<std::string>{"名称=東京"}));

  // Shift-JIS read as UTF-8 by the person's pick: told by file, field and first line.
  TearDown();
  SetUp();
  Fields(WriteText("s.csv", "NAME,LAT,LON\nOsaka,34.69,135.5\n\x93\x8C\x8B\x9E,35.68,139.76\n"), {Click(1)}, "UTF-8");
  Settings();
  Run();
  const auto told = AlertsStartingWith("文字コードに合わないバイトを含む値があります");
  ASSERT_EQ(told.size(), 1u) << ::testing::PrintToString(AlertTexts());
  EXPECT_NE(told[0].find("\ns.csv: （UTF-8）NAME 1 件（最初は第3行）"), std::string::npos) << told[0];
}

TEST_F(TextImportTest, LinesWithoutNumericCoordinatesAreLeftOutAndNamed) {
  // Tab-separated UTF-16; unchecking the header box renames the built fields FIELD1..FIELD3.
  const std::u16string body = u"35.68\t139.76\tA\r\nn/a\t139.7\tB\r\n35.6\t\tC\r\n35.62\t139.74\tD\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : body) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  const auto file = WriteText("pts.txt", bytes);
  Fields(file, {Click(kHeader), Click(1)}, "UTF-16");
  Settings();
  Run();
  const auto art = Art(Top());
  EXPECT_EQ(art.size(), 2u) << "no point at the origin for B and C";
  EXPECT_TRUE(Alerted("座標値が数値でない行は読み込んでいません\npts.txt: 2 3")) << ::testing::PrintToString(AlertTexts());
  std::vector<std::string> names;
  for (ArtOpaque* a : art) names.push_back(Values(a).at(0));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FIELD3=A", "FIELD3=D"}));
}

// One line past the date line must not stop a new-frame import: the frame and its markers come
// from the points that convert, the other point is left out and counted.
TEST_F(TextImportTest, APointPastTheDateLineIsLeftOutOfANewFrame) {
  const auto file = WriteText("track.csv", "lat,lon\n60,170\n60,181\n61,171\n");
  std::vector<Step> steps;
  for (auto list : {Retype(0, 3), Retype(1, 4)})
    for (Step& s : list) steps.push_back(s);
  steps.push_back(Click(1));
  Fields(file, steps);
  Dialog({Click(1123), Click(1125), Click(1127), Click(1129), Click(1)});  // lat/long in, lat/long sheet
  Run();
  EXPECT_EQ(AlertTexts(), std::vector<std::string>{"座標を変換できない点は描画していません\ntrack.csv: 1 点"});
  EXPECT_EQ(Art(Top()).size(), 2u);
  geo::DataFrame df;
  ASSERT_TRUE(geo::ReadDataFrame(df));
  // The centre of 170..171 E, 60..61 N in equirectangular metres.
  geo::CCoordConverter conv;
  ASSERT_TRUE(conv.Setup(geo::Sys(2, 1, 0, 0), geo::Sys(2, 1, 0, 0)));
  double x, y, cv;
  ASSERT_TRUE(conv.Convert(170.5, 60.5, x, y, cv));
  EXPECT_NEAR(df.X, x, 1e-6);
  EXPECT_NEAR(df.Y, y, 1e-6);
  geo::MarkerSet markers;
  ASSERT_TRUE(geo::ReadMarkers(markers));
  EXPECT_NEAR(markers.map[2].x, 171, 1e-5) << "the top-right marker at the last point that converts";
}

// Reads the colours the dialog gives the list's cells, then plays the script.
class ColourUser : public ScriptedUser {
 public:
  void RunDialog(ControlWindow& dialog) override {
    if (dialog.TemplateId() == 111 && dialog.handler)
      for (std::int32_t column = 0; column < 4; ++column) {
        std::uint32_t text = 1, back = 1;
        const bool set = dialog.handler->OnListCellColors(dialog, kList, 0, column, text, back);
        colours.push_back(set ? std::array<std::uint32_t, 2>{text, back} : std::array<std::uint32_t, 2>{1, 1});
      }
    ScriptedUser::RunDialog(dialog);
  }
  std::vector<std::array<std::uint32_t, 2>> colours;
};

TEST_F(TextImportTest, ListCellColoursByColumn) {
  auto colours = std::make_shared<ColourUser>();
  user = colours;
  host->SetUser(user);
  Fields(WriteText("p.csv", "LAT,LON\n35,139\n"), {Click(2)});
  EXPECT_EQ(app->ChooseFlyout(2), "");
  // 0xBBGGRR: white on dark grey, black on light green, black on white twice.
  EXPECT_EQ(colours->colours, (std::vector<std::array<std::uint32_t, 2>>{
                                  {0xFFFFFF, 0x404040}, {0, 0xDCF0DC}, {0, 0xFFFFFF}, {0, 0xFFFFFF}}));
}

TEST_F(TextImportTest, AFileWithoutADataLineStopsBeforeTheSettings) {
  const std::size_t layers = host->Doc()->layers.size();
  Fields(WriteText("p.csv", "LAT,LON\nx,y\n"), {Click(1)});
  EXPECT_EQ(app->ChooseFlyout(2), "");
  EXPECT_FALSE(user->StepsLeft());
  EXPECT_TRUE(Alerted("座標値を含む行がありません [ p.csv ]"));
  EXPECT_EQ(host->Doc()->layers.size(), layers) << "no layer, no frame";
}

// A line of more columns than the limit is refused naming file, line and limit, before the field
// dialog would build a row per column (a 50 MB line once asked for more than 10 GB). The limit
// is checked on the sample lines and on every data line.
TEST_F(TextImportTest, ALineWithTooManyColumnsIsRefusedNamingFileLineAndLimit) {
  std::string wide = "35.6,139.7";
  for (int i = 0; i < 10'000; ++i) wide += ",x";  // 10,002 columns
  const std::size_t layers = host->Doc()->layers.size();
  struct Case {
    std::string body;
    bool dialog;  // the field dialog is shown (the wide line comes after the samples)
    const char* line;
  } const cases[] = {
      {wide + "\n35.6,139.7\n", false, "第1行"},
      {"LAT,LON\n35.6,139.7\n35.6,139.7\n35.6,139.7\n" + wide + "\n", true, "第5行"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.dialog) Fields(WriteText("wide.csv", c.body), {Click(1)});
    else ChooseFiles({WriteText("wide.csv", c.body)}, "UTF-8");
    EXPECT_EQ(app->ChooseFlyout(2), "");
    EXPECT_FALSE(user->StepsLeft());
    EXPECT_TRUE(Alerted(std::string("列の数が上限の10000列を超えています [ wide.csv ") + c.line +
                        " ]\nこのファイルは読み込まれていません"))
        << ::testing::PrintToString(AlertTexts());
    EXPECT_FALSE(Alerted("読み込みでエラーが発生しました"));
    EXPECT_EQ(host->Doc()->layers.size(), layers) << "nothing imported";
  }
}

}  // namespace
}  // namespace vx::test
