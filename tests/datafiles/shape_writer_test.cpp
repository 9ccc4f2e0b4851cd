#include "datafiles/shape_reader.h"
#include "datafiles/shape_writer.h"
#include "tests/datafiles/fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace vx::data {
namespace {

using namespace vx::data::testing;
using attr::ShapeField;

ShapeField Col(std::u16string name, attr::FieldType type, std::int32_t width, std::int32_t decimals = 0,
               std::u16string value = u"") {
  ShapeField f;
  f.name = std::move(name);
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  f.value = std::move(value);
  return f;
}

// The cells of row `row` (0-based) of a table written by the writer.
std::string Row(const Bytes& dbf, int columns, int rowLength, int row) {
  const std::size_t start = 32 * static_cast<std::size_t>(columns) + 33;
  return dbf.substr(start + static_cast<std::size_t>(rowLength * row), static_cast<std::size_t>(rowLength));
}

TEST(ShapeFileWriter, TwoPointRecordsByteExact) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kShiftJIS));
  ASSERT_TRUE(w.Create(dir / "pts"));
  EXPECT_TRUE(w.WritePointRecord({1.5, -2.0}));
  EXPECT_TRUE(w.WritePointRecord({-3.0, 4.25}));
  ASSERT_TRUE(w.Finish());

  const Bytes shp = ReadFile(dir / "pts.shp"), shx = ReadFile(dir / "pts.shx");
  ASSERT_EQ(shp.size(), 156u);
  ASSERT_EQ(shx.size(), 116u);
  for (const Bytes* f : {&shp, &shx}) {
    EXPECT_EQ(GetI32BE(*f, 0), 9994);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(GetI32BE(*f, 4 * static_cast<std::size_t>(i)), 0);
    EXPECT_EQ(GetI32LE(*f, 28), 1000);
    EXPECT_EQ(GetI32LE(*f, 32), 1);
    EXPECT_EQ(GetF64LE(*f, 36), -3.0);
    EXPECT_EQ(GetF64LE(*f, 44), -2.0);
    EXPECT_EQ(GetF64LE(*f, 52), 1.5);
    EXPECT_EQ(GetF64LE(*f, 60), 4.25);
    for (std::size_t at = 68; at < 100; at += 8) EXPECT_EQ(GetF64LE(*f, at), 0.0);
  }
  EXPECT_EQ(GetI32BE(shp, 24), 78);
  EXPECT_EQ(GetI32BE(shx, 24), 58);
  EXPECT_EQ(GetI32BE(shx, 100), 50);
  EXPECT_EQ(GetI32BE(shx, 104), 10);
  EXPECT_EQ(GetI32BE(shx, 108), 64);
  EXPECT_EQ(GetI32BE(shx, 112), 10);
  // record 2: number, length, type, X, Y
  EXPECT_EQ(GetI32BE(shp, 128), 2);
  EXPECT_EQ(GetI32BE(shp, 132), 10);
  EXPECT_EQ(GetI32LE(shp, 136), 1);
  EXPECT_EQ(GetF64LE(shp, 140), -3.0);
  EXPECT_EQ(GetF64LE(shp, 148), 4.25);
  // table without columns: header, terminator, the end-of-file byte
  const Bytes dbf = ReadFile(dir / "pts.dbf");
  ASSERT_EQ(dbf.size(), 36u);  // each row is still its deletion flag
  EXPECT_EQ(dbf.substr(32), "\x0D  \x1A");
}

TEST(ShapeFileWriter, PolylineOfTwoPartsByteExact) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(3, TextEncoding::kUTF8));
  ASSERT_TRUE(w.Create(dir / "lines.shp"));
  const PartList parts = {{{0, 0}, {10, 5}, {2, 8}}, {{-1, 3}, {4, -6}}};
  ASSERT_TRUE(w.WritePolyLineRecord(parts));
  ASSERT_TRUE(w.Finish());
  const Bytes shp = ReadFile(dir / "lines.shp");
  ASSERT_EQ(shp.size(), 100u + 8 + 132);
  EXPECT_EQ(GetI32BE(shp, 100), 1);
  EXPECT_EQ(GetI32BE(shp, 104), 66);
  EXPECT_EQ(GetI32LE(shp, 108), 3);
  EXPECT_EQ(GetF64LE(shp, 112), -1.0);  // record box, between shape type and part count
  EXPECT_EQ(GetF64LE(shp, 120), -6.0);
  EXPECT_EQ(GetF64LE(shp, 128), 10.0);
  EXPECT_EQ(GetF64LE(shp, 136), 8.0);
  EXPECT_EQ(GetI32LE(shp, 144), 2);
  EXPECT_EQ(GetI32LE(shp, 148), 5);
  EXPECT_EQ(GetI32LE(shp, 152), 0);
  EXPECT_EQ(GetI32LE(shp, 156), 3);
  EXPECT_EQ(GetF64LE(shp, 160 + 16 * 3), -1.0);  // first point of part 2
  EXPECT_EQ(GetI32BE(shp, 24), 50 + 4 + 66);
  EXPECT_EQ(GetF64LE(shp, 36), -1.0);
  EXPECT_EQ(GetF64LE(shp, 60), 8.0);
  const Bytes shx = ReadFile(dir / "lines.shx");
  EXPECT_EQ(GetI32BE(shx, 104), 66);
}

TEST(ShapeFileWriter, EmptyFileAndPathRules) {
  TempDir dir;
  struct Case {
    std::string given, shp, shx, dbf;
  };
  const Case cases[] = {
      {"roads", "roads.shp", "roads.shx", "roads.dbf"},
      {"roads.shp", "roads.shp", "roads.shx", "roads.dbf"},
      {"roads.txt", "roads.txt.shp", "roads.txt.shx", "roads.txt.dbf"},
      {"roads.SHP", "roads.SHP.shp", "roads.SHP.shx", "roads.SHP.dbf"},
  };
  for (const auto& c : cases) {
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(5, TextEncoding::kShiftJIS));
    ASSERT_TRUE(w.Create(dir / c.given)) << w.LastError();
    ASSERT_TRUE(w.Finish());
    for (const auto& name : {c.shp, c.shx, c.dbf}) EXPECT_TRUE(fs::exists(dir / name)) << name;
    const Bytes shp = ReadFile(dir / c.shp), shx = ReadFile(dir / c.shx);
    ASSERT_EQ(shp.size(), 100u);
    EXPECT_EQ(GetI32BE(shp, 24), 50);
    EXPECT_EQ(GetI32BE(shx, 24), 50);
    for (std::size_t at = 36; at < 100; at += 8) EXPECT_EQ(GetF64LE(shp, at), 0.0);
    fs::remove(dir / c.shp);
  }
}

TEST(ShapeFileWriter, TableCellsAndHeader) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kShiftJIS));
  w.SetDate(2024, 3, 5);
  ASSERT_TRUE(w.AddColumn(Col(u"TXT", attr::kFieldString, 5)));
  ASSERT_TRUE(w.AddColumn(Col(u"INT", attr::kFieldInteger, 4)));
  ASSERT_TRUE(w.AddColumn(Col(u"R10", attr::kFieldReal, 10, 3)));
  ASSERT_TRUE(w.AddColumn(Col(u"R8", attr::kFieldReal, 8, 2)));
  ASSERT_TRUE(w.AddColumn(Col(u"ABCDEFGHIJKL", attr::kFieldString, 3)));
  ASSERT_TRUE(w.Create(dir / "t"));
  struct RowCase {
    std::u16string txt, integer, r10, r8, longName;
    std::string cells;
  };
  const RowCase rows[] = {
      {u"ab", u"42", u"1.5", u"-1234.5", u"x", " ab     42 1.500    -1234.50x  "},
      // Numbers the column cannot hold as themselves are left blank, never cut.
      {u"abcdefg", u"123456", u"abc", u"0", u"yz", " abcde               0.00   yz "},
      {u"", u"-7", u"12345678", u"3", u"", "        -712345678.0 3.00      "},
  };
  for (const auto& r : rows) {
    std::vector<ShapeField> values = {
        Col(u"TXT", attr::kFieldString, 5, 0, r.txt),       Col(u"INT", attr::kFieldInteger, 4, 0, r.integer),
        Col(u"R10", attr::kFieldReal, 10, 3, r.r10),        Col(u"R8", attr::kFieldReal, 8, 2, r.r8),
        Col(u"ABCDEFGHIJKL", attr::kFieldString, 3, 0, r.longName)};
    if (r.txt.empty()) values.erase(values.begin());  // no value: spaces only
    EXPECT_TRUE(w.SetRowValues(values));
    ASSERT_TRUE(w.WritePointRecord({0, 0}));
  }
  ASSERT_TRUE(w.Finish());
  const Bytes dbf = ReadFile(dir / "t.dbf");
  const int rowLength = 1 + 5 + 4 + 10 + 8 + 3;
  ASSERT_EQ(dbf.size(), 32u * 6 + 1 + 3 * static_cast<std::size_t>(rowLength) + 1);
  EXPECT_EQ(dbf[0], 3);
  EXPECT_EQ(dbf[1], 124);
  EXPECT_EQ(dbf[2], 3);
  EXPECT_EQ(dbf[3], 5);
  EXPECT_EQ(GetI32LE(dbf, 4), 3);
  auto u16 = [&](std::size_t at) { return static_cast<unsigned char>(dbf[at]) | static_cast<unsigned char>(dbf[at + 1]) << 8; };
  EXPECT_EQ(u16(8), 32 * 5 + 33);
  EXPECT_EQ(u16(10), rowLength);
  EXPECT_EQ(dbf.substr(32 + 4 * 32, 11), std::string("ABCDEFGHIJ\0", 11));
  EXPECT_EQ(dbf[32 + 11], 'C');
  EXPECT_EQ(dbf[32 + 32 + 11], 'N');
  EXPECT_EQ(dbf[32 + 64 + 16], 10);
  EXPECT_EQ(dbf[32 + 64 + 17], 3);
  EXPECT_EQ(dbf.back(), '\x1A');
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Row(dbf, 5, rowLength, i), rows[i].cells) << i;
  const auto& reports = w.CellReports();
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports[0].cutTexts, 1);
  EXPECT_EQ(reports[1].blankedNumbers, 1);
  EXPECT_EQ(reports[1].firstBlanked, (std::vector<std::pair<std::int32_t, std::string>>{{2, "123456"}}));
  EXPECT_EQ(reports[2].name, "R10");
  EXPECT_EQ(reports[2].firstBlanked, (std::vector<std::pair<std::int32_t, std::string>>{{2, "abc"}}));
  EXPECT_EQ(reports[3].blankedNumbers + reports[3].cutTexts + reports[4].cutTexts, 0);
}

TEST(ShapeFileWriter, NumbersAreWrittenAsThemselvesOrLeftBlank) {
  struct Case {
    attr::FieldType type;
    int width, decimals;
    std::u16string value;
    std::string cell;  // all blanks: a null cell
    bool blanked;      // counted as a number the column cannot hold
  };
  const Case cases[] = {
      {attr::kFieldInteger, 3, 0, u"12345", "   ", true},
      {attr::kFieldReal, 5, 2, u"123456.7", "     ", true},
      // Integer digits that leave too little room keep as many decimals as fit, rounded.
      {attr::kFieldReal, 5, 2, u"12345.678", "12346", false},
      {attr::kFieldReal, 7, 2, u"12345.678", "12345.7", false},
      {attr::kFieldReal, 6, 2, u"-1234.567", "-1235 ", false},
      {attr::kFieldReal, 24, 15, u"318622525", "318622525.00000000000000", false},
      {attr::kFieldReal, 12, 3, u"31647227904", "31647227904 ", false},
      {attr::kFieldInteger, 2, 0, u"-123", "  ", true},
      {attr::kFieldReal, 6, 1, u"1e300", "      ", true},
      {attr::kFieldReal, 6, 1, u"inf", "      ", true},
      {attr::kFieldInteger, 3, 0, u"", "   ", false},
      {attr::kFieldReal, 6, 2, u"  ", "      ", false},
      {attr::kFieldInteger, 2, 0, u"99", "99", false},
      {attr::kFieldInteger, 3, 0, u"+7", "  7", false},
      {attr::kFieldInteger, 20, 0, u"-1234567890123456789", "-1234567890123456789", false},
      {attr::kFieldInteger, 22, 0, u"123456789012345678901", " 123456789012345678901", false},
      {attr::kFieldReal, 6, 2, u"3.14159", "3.14  ", false},
      {attr::kFieldReal, 4, 1, u"-1.5", "-1.5", false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
    ASSERT_TRUE(w.AddColumn(Col(u"V", c.type, c.width, c.decimals)));
    ASSERT_TRUE(w.Create(dir / "v"));
    EXPECT_TRUE(w.SetRowValues({Col(u"V", c.type, c.width, c.decimals, c.value)}));
    ASSERT_TRUE(w.WritePointRecord({0, 0}));
    ASSERT_TRUE(w.Finish());
    const std::string what = text::Utf16ToUtf8(c.value) + " in N(" + std::to_string(c.width) + "," + std::to_string(c.decimals) + ")";
    EXPECT_EQ(Row(ReadFile(dir / "v.dbf"), 1, 1 + c.width, 0), " " + c.cell) << what;
    EXPECT_EQ(w.CellReports()[0].blankedNumbers, c.blanked ? 1 : 0) << what;
  }
}

TEST(ShapeFileWriter, FieldsOfOneNameGoToTheColumnOfTheirOwnDefinition) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
  ASSERT_TRUE(w.AddColumn(Col(u"NAME", attr::kFieldString, 4)));
  ASSERT_TRUE(w.AddColumn(Col(u"NAME", attr::kFieldString, 12)));
  ASSERT_TRUE(w.AddColumn(Col(u"NAME", attr::kFieldInteger, 6)));
  EXPECT_EQ(w.Columns()[1].Name(), "NAME_1");
  ASSERT_TRUE(w.Create(dir / "s"));
  EXPECT_TRUE(w.SetRowValues({Col(u"NAME", attr::kFieldString, 12, 0, u"Hokkaido-to")}));
  ASSERT_TRUE(w.WritePointRecord({0, 0}));
  EXPECT_TRUE(w.SetRowValues({Col(u"NAME", attr::kFieldInteger, 6, 0, u"42"), Col(u"NAME", attr::kFieldString, 4, 0, u"Aomo")}));
  ASSERT_TRUE(w.WritePointRecord({0, 0}));
  ASSERT_TRUE(w.Finish());
  const Bytes dbf = ReadFile(dir / "s.dbf");
  EXPECT_EQ(Row(dbf, 3, 23, 0), "     Hokkaido-to       ");
  EXPECT_EQ(Row(dbf, 3, 23, 1), " Aomo                42");
  EXPECT_EQ(w.CellReports()[0].cutTexts + w.CellReports()[1].cutTexts, 0);
}

TEST(ShapeFileWriter, HeaderCountsForTwoColumnsAndThreeRecords) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
  ASSERT_TRUE(w.AddColumn(Col(u"A", attr::kFieldString, 10)));
  ASSERT_TRUE(w.AddColumn(Col(u"B", attr::kFieldString, 20)));
  ASSERT_TRUE(w.Create(dir / "c"));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(w.WritePointRecord({1, 1}));
  ASSERT_TRUE(w.Finish());
  const Bytes dbf = ReadFile(dir / "c.dbf");
  EXPECT_EQ(GetI32LE(dbf, 4), 3);
  EXPECT_EQ(dbf[8], 97);
  EXPECT_EQ(dbf[9], 0);
  EXPECT_EQ(dbf[10], 31);
  EXPECT_EQ(dbf.back(), '\x1A');
}

TEST(ShapeFileWriter, NamesCutOnCharacterBoundariesAndStillFound) {
  TempDir dir;
  struct Case {
    TextEncoding enc;
    std::u16string name;
    std::string stored;
  };
  const Case cases[] = {
      // 6 characters of 2 bytes: 5 fit in 10 bytes
      {TextEncoding::kShiftJIS, u"あいうえおか", "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8"},
      // 4 characters of 3 bytes: 3 fit (9 bytes), the 4th is not cut in half
      {TextEncoding::kUTF8, u"日本語名", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
      {TextEncoding::kShiftJIS, u"aあいうえお", "a\x82\xA0\x82\xA2\x82\xA4\x82\xA6"},
  };
  for (const auto& c : cases) {
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(1, c.enc));
    ASSERT_TRUE(w.AddColumn(Col(c.name, attr::kFieldString, 4)));
    ASSERT_TRUE(w.AddColumn(Col(u"N", attr::kFieldInteger, 3)));
    EXPECT_EQ(w.Columns()[0].Name(), c.stored);
    ASSERT_TRUE(w.Create(dir / "n"));
    EXPECT_TRUE(w.SetRowValues({Col(c.name, attr::kFieldString, 4, 0, u"v")}));
    EXPECT_TRUE(w.SetCellText(text::Encode(c.name, c.enc).substr(0, 10), "w"));  // the byte cut finds it too
    ASSERT_TRUE(w.WritePointRecord({0, 0}));
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(Row(ReadFile(dir / "n.dbf"), 2, 8, 0), " w      ");

    ShapeFileReader r;
    ASSERT_TRUE(r.Open(dir / "n.shp")) << r.LastError();
    EXPECT_EQ(text::Decode(std::string(r.Columns()[0].Name()), c.enc), text::Decode(c.stored, c.enc));
  }
}

TEST(ShapeFileWriter, NamesSharingTheirFirstTenBytesKeepTheirOwnColumns) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
  ASSERT_TRUE(w.AddColumn(Col(u"POPULATION_2010", attr::kFieldInteger, 8)));
  ASSERT_TRUE(w.AddColumn(Col(u"POPULATION_2020", attr::kFieldInteger, 8)));
  EXPECT_EQ(w.Columns()[0].Name(), "POPULATION");
  EXPECT_EQ(w.Columns()[1].Name(), "POPULATI_1");
  ASSERT_TRUE(w.Create(dir / "p"));
  EXPECT_TRUE(w.SetRowValues({Col(u"POPULATION_2010", attr::kFieldInteger, 8, 0, u"1"),
                              Col(u"POPULATION_2020", attr::kFieldInteger, 8, 0, u"2")}));
  EXPECT_FALSE(w.SetCellText("NOSUCH", "x"));
  EXPECT_FALSE(w.SetRowValues({Col(u"NOSUCH", attr::kFieldReal, 8, 2, u"1")}));
  ASSERT_TRUE(w.WritePointRecord({0, 0}));
  ASSERT_TRUE(w.Finish());
  EXPECT_EQ(Row(ReadFile(dir / "p.dbf"), 2, 17, 0), "        1       2");
}

TEST(ShapeFileWriter, RefusesWhatItCannotWriteFaithfully) {
  TempDir dir;
  ShapeFileWriter w;
  EXPECT_FALSE(w.Init(1, TextEncoding::kUTF16));
  EXPECT_NE(w.LastError().find("encoding 2"), std::string::npos);
  EXPECT_FALSE(w.Create(dir / "u"));
  EXPECT_FALSE(fs::exists(dir / "u.shp"));
  EXPECT_FALSE(w.Init(31, TextEncoding::kUTF8));  // MultiPatch
  EXPECT_FALSE(w.Init(1, static_cast<TextEncoding>(932)));

  ASSERT_TRUE(w.Init(3, TextEncoding::kUTF8));
  EXPECT_FALSE(w.AddColumn(Col(u"W", attr::kFieldString, 256)));
  EXPECT_FALSE(w.AddColumn(Col(u"D", attr::kFieldReal, 10, -1)));
  EXPECT_FALSE(w.AddColumn(Col(u"X", attr::kFieldLatitudeOrX, 10)));
  EXPECT_TRUE(w.Columns().empty());
  ASSERT_TRUE(w.Create(dir / "l"));
  EXPECT_FALSE(w.AddColumn(Col(u"late", attr::kFieldString, 4)));
  EXPECT_FALSE(w.WritePointRecord({0, 0}));                      // wrong shape type
  EXPECT_FALSE(w.WritePolyLineRecord({}));                       // no parts
  EXPECT_FALSE(w.WritePolyLineRecord({{{0, 0}, {1, 1}}, {}}));   // an empty part
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(w.WritePolyLineRecord({{{0, 0}, {nan, 1}}}));
  EXPECT_FALSE(w.WritePolyLineRecord({{{0, 0}, {1, std::numeric_limits<double>::infinity()}}}));
  EXPECT_TRUE(w.WritePolyLineRecord({{{0, 0}, {1, 1}}}));
  ASSERT_TRUE(w.Finish());
  ShapeFileReader r;
  ASSERT_TRUE(r.Open(dir / "l.shp"));
  EXPECT_EQ(r.RecordCount(), 1);  // the refused records left no trace

  // 300 columns of 254 bytes: the row length does not fit the header's 16 bits.
  ASSERT_TRUE(w.Init(1, TextEncoding::kUTF8));
  for (int i = 0; i < 300; ++i) ASSERT_TRUE(w.AddColumn(Col(u"C" + text::Utf8ToUtf16(std::to_string(i)), attr::kFieldString, 254)));
  EXPECT_FALSE(w.Create(dir / "wide"));
  EXPECT_FALSE(w.Finish());
}

TEST(ShapeFileWriter, RefusedRecordLeavesNoPendingValues) {
  // A refused record still ends its row: its values must not reach the next record's row (a
  // text frame written as a point into a polyline file carries a text the next line lacks).
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* what;
    std::int32_t shapeType;
    std::function<bool(ShapeFileWriter&)> refused;
  };
  const Case cases[] = {
      {"point into a polyline file", 3, [](ShapeFileWriter& w) { return w.WritePointRecord({0, 0}); }},
      {"polygon into a polyline file", 3, [](ShapeFileWriter& w) { return w.WritePolygonRecord({{{0, 0}, {1, 1}}}); }},
      {"polyline into a point file", 1, [](ShapeFileWriter& w) { return w.WritePolyLineRecord({{{0, 0}, {1, 1}}}); }},
      {"polyline without parts", 3, [](ShapeFileWriter& w) { return w.WritePolyLineRecord({}); }},
      {"point not finite", 1, [nan](ShapeFileWriter& w) { return w.WritePointRecord({nan, 0}); }},
  };
  for (const auto& c : cases) {
    TempDir dir;
    ShapeFileWriter w;
    ASSERT_TRUE(w.Init(c.shapeType, TextEncoding::kUTF8));
    ASSERT_TRUE(w.AddColumn(Col(u"AI_TEXT", attr::kFieldString, 5)));
    ASSERT_TRUE(w.Create(dir / "r"));
    ASSERT_TRUE(w.SetCellText("AI_TEXT", "label"));
    EXPECT_FALSE(c.refused(w)) << c.what;
    ASSERT_TRUE(c.shapeType == 1 ? w.WritePointRecord({1, 1}) : w.WritePolyLineRecord({{{0, 0}, {1, 1}}}));
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(Row(ReadFile(dir / "r.dbf"), 1, 6, 0), "      ") << c.what;
  }
}

TEST(ShapeFileWriter, WrittenFileReadsBack) {
  TempDir dir;
  ShapeFileWriter w;
  ASSERT_TRUE(w.Init(5, TextEncoding::kShiftJIS));
  ASSERT_TRUE(w.AddColumn(Col(u"名前", attr::kFieldString, 12)));
  ASSERT_TRUE(w.Create(dir / "poly"));
  PartList ring = {{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, {{2, 2}, {4, 2}, {4, 4}, {2, 2}}};
  PointList big;
  for (int i = 0; i < 2500; ++i) big.push_back({i * 0.5, -i * 0.25});
  for (const PartList& parts : {ring, PartList{big}}) {
    EXPECT_TRUE(w.SetRowValues({Col(u"名前", attr::kFieldString, 12, 0, u"東京タワー")}));
    ASSERT_TRUE(w.WritePolygonRecord(parts));
  }
  ASSERT_TRUE(w.Finish());

  ShapeFileReader r;
  ASSERT_TRUE(r.Open(dir / "poly.shp")) << r.LastError();
  EXPECT_EQ(r.ShapeType(), 5);
  EXPECT_EQ(r.RecordCount(), 2);
  for (const PartList& expected : {ring, PartList{big}}) {
    ShapeRecordHeader h;
    ASSERT_TRUE(r.ReadRecordHeader(h));
    PartsRecord rec;
    ASSERT_TRUE(r.ReadPartsRecord(rec)) << r.LastError();
    ASSERT_EQ(rec.parts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(rec.parts[i].size(), expected[i].size());
      for (std::size_t k = 0; k < expected[i].size(); ++k) {
        EXPECT_EQ(rec.parts[i][k].x, expected[i][k].x);
        EXPECT_EQ(rec.parts[i][k].y, expected[i][k].y);
      }
    }
    EXPECT_EQ(text::Decode(r.GetCell(0), TextEncoding::kShiftJIS), u"東京タワー  ");
  }
}

}  // namespace
}  // namespace vx::data
