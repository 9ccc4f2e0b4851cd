// The coordinate text export: byte order marks and line ends by encoding, header titles by output
// system, numbers, cells and quoting, the AI_LAYER and AI_TEXT columns, and file names.
#include "datafiles/field_splitter.h"
#include "datafiles/vx_file.h"
#include "export/text_exporter.h"
#include "tests/export/export_fixture.h"

namespace vx::test {
namespace {

using attr::kFieldString;

class TextExportTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    AddFrame();  // JGD2000 plane zone IX, 1:10000
    // AI_TEXT only where a test asks for it.
    ASSERT_EQ(host::sPreference()->PutBoolean(xport::kPreferencePrefix, "exportAddTextField", false), host::kNoErr);
  }
  // The layer's field definitions, which decide the columns.
  void Define(const std::vector<attr::ShapeField>& defs) { SetFields(Group(first), defs); }
  host::Err ExportText(const std::vector<Step>& actions, const std::filesystem::path& out, bool folder = false) {
    Script(actions, out, folder);
    xport::CGeoTextFileExporter exporter(nullptr);
    const host::Err e = exporter.Run();
    leftOut = exporter.LeftOut();
    EXPECT_FALSE(user->Failure()) << *user->Failure();
    return e;
  }
  static std::vector<std::string> Files(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // A point mark-like square of side 4 whose centre is (h, v), carrying `fields`.
  ArtHandle Mark(double h, double v, const std::vector<attr::ShapeField>& values) {
    ArtHandle a = Square(Group(first), h - 2, v - 2, 4);
    SetFields(a, values);
    return a;
  }
};

// The map point of sheet point (12, 22): X = -2000 + 22·k northing, Y = 1000 + 12·k easting.
TEST_F(TextExportTest, EncodingsDelimitersAndLineEnds) {
  Define({Field("名前", kFieldString, 10)});
  Mark(12, 22, {Field("名前", kFieldString, 10, 0, "東京")});
  char x[32], y[32];
  std::snprintf(x, sizeof x, "%2.9f", -2000 + 22 * kMetresPerPoint);
  std::snprintf(y, sizeof y, "%2.9f", 1000 + 12 * kMetresPerPoint);
  struct Case {
    const char* why;
    std::vector<Step> steps;
    std::string bom;
    char16_t sep;
    text::TextEncoding enc;
  } cases[] = {
      {"Shift-JIS, tab: no byte order mark", {Pick(id::kEncoding, 0), Click(id::kTab)}, "", u'\t',
       text::TextEncoding::kShiftJIS},
      {"UTF-8, comma", {Pick(id::kEncoding, 1), Click(id::kComma)}, "\xEF\xBB\xBF", u',', text::TextEncoding::kUTF8},
      {"UTF-16 little-endian", {Pick(id::kEncoding, 2), Click(id::kTab)}, "\xFF\xFE", u'\t',
       text::TextEncoding::kUTF16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const auto out = dir / "pts.txt";
    ASSERT_EQ(ExportText(c.steps, out), host::kNoErr);
    const std::u16string s(1, c.sep);
    const std::u16string expected = u"平面直角X座標(m)" + s + u"平面直角Y座標(m)" + s + u"名前\r\n" +
                                    text::Utf8ToUtf16(x) + s + text::Utf8ToUtf16(y) + s + u"東京\r\n";
    const std::string bytes = Slurp(out);
    const std::string body = c.enc == text::TextEncoding::kUTF16 ? text::Utf16ToUtf16LeBytes(expected)
                                                                  : text::Encode(expected, c.enc);
    EXPECT_EQ(bytes, c.bom + body);
    EXPECT_EQ(Files(dir.path()), (std::vector<std::string>{"pts.txt"})) << "no temporary file is left";
  }
}

TEST_F(TextExportTest, CommaCellsReadBackThroughTheSplitter) {
  const char* values[] = {"A,B", "say \"hi\"", "\"quoted\"", "plain", "", "a\"b,c\""};
  Define({Field("V", kFieldString, 20)});
  for (int i = 0; i < 6; ++i) Mark(10.0 * i, 0, {Field("V", kFieldString, 20, 0, values[i])});
  ASSERT_EQ(ExportText({Pick(id::kEncoding, 1), Click(id::kComma)}, dir / "v.csv"), host::kNoErr);
  data::CVxTextFile file;
  ASSERT_TRUE(file.Open(dir / "v.csv", text::TextEncoding::kUTF8));
  data::FieldSplitter split;
  split.SetDelimiter(u',');
  std::u16string line;
  ASSERT_TRUE(file.ReadLine(line));
  std::vector<std::string> read;
  while (file.ReadLine(line)) {
    ASSERT_EQ(split.Split(line), 3) << text::Utf16ToUtf8(line);
    read.push_back(text::Utf16ToUtf8(split.Field(2)));
  }
  std::sort(read.begin(), read.end());
  std::vector<std::string> want(values, values + 6);
  std::sort(want.begin(), want.end());
  EXPECT_EQ(read, want) << "every value comes back as it was";
  // The example line: a comma value is quoted, an empty last value leaves a final comma.
  EXPECT_EQ(text::Utf16ToUtf8(xport::TextCell(u"A,B", u',')), "\"A,B\"");
  EXPECT_EQ(text::Utf16ToUtf8(xport::TextCell(u"a\tb\"", u'\t')), "a\tb\"") << "tab-separated: unchanged";
}

TEST_F(TextExportTest, ColumnsByDefinitionAndTheExtraColumns) {
  Define({Field("NAME", kFieldString, 10), Field("CODE", kFieldString, 4), Field("NAME", kFieldString, 12)});
  Mark(0, 0, {Field("NAME", kFieldString, 10, 0, "a"), Field("CODE", kFieldString, 4, 0, "c1")});
  // Same name, another width: a column of its own, so the first column stays empty here.
  Mark(20, 0, {Field("NAME", kFieldString, 12, 0, "b")});
  NewText(Group(first), 40, 0, u"一行目\r二行目");
  ASSERT_EQ(ExportText({Pick(id::kEncoding, 1), Click(id::kTab), Click(id::kAddText), Click(id::kAddLayer)},
                       dir / "c.txt"),
            host::kNoErr);
  data::CVxTextFile file;
  ASSERT_TRUE(file.Open(dir / "c.txt", text::TextEncoding::kUTF8));
  std::vector<std::string> lines;
  data::FieldSplitter split;
  split.SetDelimiter(u'\t');
  std::u16string line;
  while (file.ReadLine(line)) {
    split.Split(line);
    std::string row;
    for (int i = 2; i < split.Count(); ++i) row += "|" + text::Utf16ToUtf8(split.Field(i));
    lines.push_back(row);
  }
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "|NAME|CODE|NAME|AI_LAYER|AI_TEXT") << "header: the fields, then the two extra columns";
  std::sort(lines.begin() + 1, lines.end());
  EXPECT_EQ(lines[1], "|a|c1||道路|");
  EXPECT_EQ(lines[2], "|||b|道路|");
  EXPECT_EQ(lines[3], "||||道路|一行目\\n二行目") << "paragraph breaks as \\n";
}

TEST_F(TextExportTest, FileNamesAndHeadersByOutputSystem) {
  xport::CGeoTextFileExporter e(nullptr);
  e.Settings().delimiter = 44;
  EXPECT_EQ(e.LayerFileName(first), "道路.csv");
  EXPECT_EQ(e.FileFilters().front().pattern, "*.csv");
  e.Settings().delimiter = 9;
  EXPECT_EQ(e.LayerFileName(first), "道路.txt");
  EXPECT_EQ(e.DefaultFileName().substr(e.DefaultFileName().size() - 4), ".txt");

  Mark(0, 0, {});
  struct {
    std::vector<Step> steps;
    const char* header;
  } rows[] = {
      {{Click(id::kConvert), Click(id::kOutJgd), Click(id::kOutBL)}, "緯度(B)\t経度(L)"},
      {{Click(id::kConvert), Click(id::kOutJgd), Click(id::kOutUTM), Pick(id::kOutUtmZone, 54)},
       "UTM N座標(m)\tUTM E座標(m)"},
      {{Click(id::kNoConvert)}, "平面直角X座標(m)\t平面直角Y座標(m)"},
  };
  for (const auto& r : rows) {
    ASSERT_EQ(ExportText(r.steps, dir / "h.txt"), host::kNoErr);
    data::CVxTextFile file;
    ASSERT_TRUE(file.Open(dir / "h.txt", text::TextEncoding::kShiftJIS));
    std::u16string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(text::Utf16ToUtf8(line), r.header);
    ASSERT_TRUE(file.ReadLine(line));
    data::FieldSplitter split;
    split.SetDelimiter(u'\t');
    EXPECT_EQ(split.Split(line), 2) << "no attribute fields: two numbers";
  }
}

}  // namespace
}  // namespace vx::test
