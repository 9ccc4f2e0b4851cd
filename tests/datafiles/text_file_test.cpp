#include "datafiles/field_splitter.h"
#include "datafiles/vx_file.h"
#include "tests/datafiles/fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx::data {
namespace {

using namespace vx::data::testing;

std::vector<std::u16string> ReadAll(const fs::path& p, TextEncoding enc) {
  CVxTextFile f;
  EXPECT_TRUE(f.Open(p, enc));
  EXPECT_EQ(f.GetEncoding(), enc);
  std::vector<std::u16string> lines;
  std::u16string line;
  while (f.ReadLine(line)) {
    lines.push_back(line);
    if (lines.size() > 100000) break;  // a reader that never ends fails here, not by hanging
  }
  EXPECT_FALSE(f.ReadLine(line));
  return lines;
}

TEST(TextFile, EightBitLinesAndMarks) {
  TempDir dir;
  using L = std::vector<std::u16string>;
  struct Case {
    Bytes bytes;
    TextEncoding enc;
    L lines;
  };
  const Case cases[] = {
      {"a\rb\nc\r\nd", TextEncoding::kUTF8, {u"a", u"b", u"c", u"d"}},
      {"a\n", TextEncoding::kUTF8, {u"a"}},
      {"a\n\nb\n", TextEncoding::kUTF8, {u"a", u"", u"b"}},
      {"\r\r\n", TextEncoding::kUTF8, {u"", u""}},
      {"", TextEncoding::kUTF8, {}},
      {"\xEF\xBB\xBFx,y\n", TextEncoding::kUTF8, {u"x,y"}},
      {"\xEF\xBB\xBFx", TextEncoding::kShiftJIS, {u"x"}},  // the mark is looked for in every 8-bit file
      {"\xEF\xBB", TextEncoding::kUTF8, {u"\uFFFD"}},      // shorter than a mark: read as text
      {"\x82\xA0,\x88\x9F\r\n", TextEncoding::kShiftJIS, {u"あ,亜"}},
      {"\x81\x60", TextEncoding::kShiftJIS, {u"\uFF5E"}},
      {"\xB1\xB2", TextEncoding::kShiftJIS, {u"\uFF71\uFF72"}},
      // a lone lead byte before a delimiter, a line end and the end of the file
      {"a\x82,b\n\x82\nc\x82", TextEncoding::kShiftJIS, {u"a\u30FB,b", u"\u30FB", u"c\u30FB"}},
      {"\xE3\x81\x82\xFF\n", TextEncoding::kUTF8, {u"あ\uFFFD"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path p = dir / ("t" + std::to_string(n++) + ".txt");
    WriteFile(p, c.bytes);
    EXPECT_EQ(ReadAll(p, c.enc), c.lines) << c.bytes;
  }
}

TEST(TextFile, Utf16LinesMarksAndOddBytes) {
  TempDir dir;
  using L = std::vector<std::u16string>;
  auto le = [](std::u16string_view s) { return text::Utf16ToUtf16LeBytes(s); };
  auto be = [](std::u16string_view s) {
    Bytes b;
    for (char16_t u : s) {
      b.push_back(static_cast<char>(u >> 8));
      b.push_back(static_cast<char>(u & 0xFF));
    }
    return b;
  };
  struct Case {
    Bytes bytes;
    L lines;
  };
  const Case cases[] = {
      {le(u"\uFEFFab\r\ncd\re\nf"), {u"ab", u"cd", u"e", u"f"}},
      {be(u"\uFEFF日本\nx\r\n"), {u"日本", u"x"}},
      {le(u"no mark\nz"), {u"no mark", u"z"}},
      {le(u"\nfirst line empty\n"), {u"", u"first line empty"}},
      {le(u"\uFEFFab") + "c", {u"ab"}},  // odd last byte dropped
      {le(u"\uFEFF"), {}},
      {"x", {}},
      {le(u"a\r"), {u"a"}},
      // lone surrogates are kept unit by unit, and convert safely afterwards
      {le(std::u16string{u'\uFEFF', char16_t(0xD800), u'\n', char16_t(0xDC00)}),
       {std::u16string{char16_t(0xD800)}, std::u16string{char16_t(0xDC00)}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    const fs::path p = dir / ("w" + std::to_string(n++) + ".txt");
    WriteFile(p, c.bytes);
    EXPECT_EQ(ReadAll(p, TextEncoding::kUTF16), c.lines) << n;
  }
  EXPECT_EQ(text::Utf16ToUtf8(std::u16string{char16_t(0xD800)}), "\xEF\xBF\xBD");
}

TEST(TextFile, VeryLongLineAndMissingFile) {
  TempDir dir;
  const std::string big(3 << 20, 'x');
  WriteFile(dir / "big.txt", big + "\nend");
  const auto lines = ReadAll(dir / "big.txt", TextEncoding::kShiftJIS);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), big.size());
  EXPECT_EQ(lines[1], u"end");

  CVxTextFile missing;
  EXPECT_FALSE(missing.Open(dir / "none.txt", TextEncoding::kUTF8));
  std::u16string line = u"stale";
  EXPECT_FALSE(missing.ReadLine(line));
  EXPECT_TRUE(line.empty());
}

TEST(VxFile, OpenCloseAndOwnership) {
  TempDir dir;
  WriteFile(dir / "f.bin", "abc");
  CVxFile f;
  EXPECT_EQ(f.GetHandle(), nullptr);
  ASSERT_TRUE(f.OpenPath(dir / "f.bin", "rb"));
  EXPECT_TRUE(f.Path().is_absolute());
  std::uint64_t size = 0;
  ASSERT_TRUE(f.Size(size));
  EXPECT_EQ(size, 3u);
  char b[3];
  EXPECT_TRUE(f.Read(b, 3));
  EXPECT_FALSE(f.Read(b, 1));
  f.Close();
  EXPECT_EQ(f.GetHandle(), nullptr);
  EXPECT_FALSE(f.OpenName((dir / "missing").string(), "rb"));

  std::FILE* kept = nullptr;
  {
    CVxFile noAuto(false);
    ASSERT_TRUE(noAuto.OpenName((dir / "f.bin").string(), "rb"));
    kept = noAuto.GetHandle();
  }
  EXPECT_EQ(std::fclose(kept), 0);  // still open after its owner went away
}

TEST(FieldSplitter, SplitsQuotedDelimitedText) {
  struct Case {
    std::u16string line;
    std::vector<std::u16string> fields;
  };
  const Case cases[] = {
      {u"a,b,,", {u"a", u"b", u"", u""}},
      {u"\"x,y\",z", {u"x,y", u"z"}},
      {u"\"a\"\"b\"", {u"a\"b"}},
      {u"", {}},
      {u"q", {u"q"}},
      {u",", {u"", u""}},
      {u" a , b ", {u" a ", u" b "}},
      {u"\"ab\"cd,e", {u"abcd", u"e"}},
      {u"\"open,never,closed", {u"open,never,closed"}},
      {u"\"", {u""}},
      {u"x,\"", {u"x", u""}},
      {u"\"\"", {u""}},
      {u"\"\"\"", {u"\""}},
      {u"a,\"b\"", {u"a", u"b"}},
      {u"a\"b,c", {u"a\"b", u"c"}},
  };
  FieldSplitter s;
  for (const auto& c : cases) {
    const auto n = s.Split(c.line);
    ASSERT_EQ(n, static_cast<std::int32_t>(c.fields.size())) << text::Utf16ToUtf8(c.line);
    EXPECT_EQ(s.Count(), n);
    for (std::int32_t i = 0; i < n; ++i) EXPECT_EQ(s.Field(i), c.fields[static_cast<std::size_t>(i)]);
    EXPECT_EQ(s.Field(n), u"");
    EXPECT_EQ(s.Field(-1), u"");
  }
}

TEST(FieldSplitter, DelimiterChangeResplitsAndLongLinesStayLinear) {
  FieldSplitter s;
  EXPECT_EQ(s.Split(u"a\tb,c\t\"d\te\""), 2);
  s.SetDelimiter(u'\t');
  EXPECT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Field(1), u"b,c");
  EXPECT_EQ(s.Field(2), u"d\te");
  EXPECT_EQ(s.Field(5), u"");

  // Many fields and a huge unterminated quote: both handled in one pass; fields past the limit
  // are not kept, and the line says it had too many.
  std::u16string many;
  for (int i = 0; i < 200000; ++i) many += u"1\t";
  EXPECT_EQ(s.Split(many), FieldSplitter::kMaxFields);
  EXPECT_TRUE(s.TooMany());
  for (const auto& [count, tooMany] : {std::pair{FieldSplitter::kMaxFields, false}, {FieldSplitter::kMaxFields + 1, true}}) {
    std::u16string line = u"1";
    for (int i = 1; i < count; ++i) line += u"\t1";
    EXPECT_EQ(s.Split(line), FieldSplitter::kMaxFields) << count;
    EXPECT_EQ(s.TooMany(), tooMany) << count;
  }
  EXPECT_EQ(s.Split(u"a\tb"), 2);
  EXPECT_FALSE(s.TooMany());
  const std::u16string quote = u"\"" + std::u16string(1 << 20, u'\t');
  EXPECT_EQ(s.Split(quote), 1);
  EXPECT_EQ(s.Field(0).size(), 1u << 20);
}

}  // namespace
}  // namespace vx::data
