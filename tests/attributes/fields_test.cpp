#include "attributes/field.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vx::attr {
namespace {

using text::TextEncoding;

ShapeField Field(FieldType type, std::int32_t width, std::int32_t decimals, std::u16string name = u"F") {
  ShapeField f;
  f.name = std::move(name);
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

TEST(NormalizeValue, FormatsByType) {
  struct Case {
    FieldType type;
    std::int32_t width, decimals;
    std::u16string in, out;
  };
  const Case cases[] = {
      // text: kept as given, neither trimmed nor cut
      {kFieldString, 3, 0, u"  abcdef ", u"  abcdef "},
      // integer: the leading decimal integer, limited to the width's maximum, negatives not
      // limited; decimal text throughout, so a wide field keeps every digit; no number: empty
      {kFieldInteger, 3, 0, u"12abc", u"12"},
      {kFieldInteger, 3, 0, u"123456", u"999"},
      {kFieldInteger, 3, 0, u"-4567", u"-4567"},
      {kFieldInteger, 3, 0, u"abc", u""},
      {kFieldInteger, 3, 0, u"", u""},
      {kFieldInteger, 3, 0, u"  ", u""},
      {kFieldInteger, 3, 0, u"007", u"7"},
      {kFieldInteger, 3, 0, u"-0", u"0"},
      {kFieldReal, 8, 2, u"  ", u""},
      {kFieldInteger, 5, 0, u"12.7", u"12"},
      {kFieldInteger, 10, 0, u"2147483647", u"2147483647"},
      {kFieldInteger, 10, 0, u"-2147483648", u"-2147483648"},
      {kFieldInteger, 10, 0, u"3000000000", u"3000000000"},
      {kFieldInteger, 10, 0, u"99999999999", u"9999999999"},
      {kFieldInteger, 11, 0, u"-99999999999", u"-99999999999"},
      {kFieldInteger, 18, 0, u"123456789012345678", u"123456789012345678"},
      {kFieldInteger, 30, 0, u"-123456789012345678901234567890", u"-123456789012345678901234567890"},
      {kFieldInteger, 1, 0, u"15", u"9"},
      {kFieldInteger, 1, 0, u"-15", u"-15"},
      {kFieldInteger, 4, 0, u" \t+42x", u"42"},
      {kFieldInteger, 0, 0, u"5", u"0"},
      {kFieldInteger, 255, 0, u"77", u"77"},  // width past 64 bits: no overflow
      {kFieldInteger, 4, 0, u"\u00A042", u""},  // only C white space is skipped
      // real: the leading decimal number, rounded, leading spaces trimmed, not limited to the
      // width; no finite number (NaN, infinity and hexadecimal forms are none): empty
      {kFieldReal, 12, 3, u"2.5", u"2.500"},
      {kFieldReal, 4, 2, u"123.456", u"123.46"},
      {kFieldReal, 10, 2, u"3.146", u"3.15"},
      {kFieldReal, 10, 2, u"x", u""},
      {kFieldReal, 10, 2, u"", u""},
      {kFieldReal, 10, 2, u"nan", u""},
      {kFieldReal, 10, 2, u"-inf", u""},
      {kFieldReal, 10, 2, u"1e999", u""},
      {kFieldReal, 10, 2, u"1e-999", u"0.00"},
      {kFieldReal, 10, 2, u"0x1p4", u"0.00"},
      {kFieldReal, 10, 2, u".5", u"0.50"},
      {kFieldReal, 10, 2, u"5.e1x", u"50.00"},
      {kFieldReal, 10, 2, u"1e+", u"1.00"},
      {kFieldReal, 19, 17, u"1", u"1.00000000000000000"},
      {kFieldReal, 8, 0, u"-7.6abc", u"-8"},
      {kFieldReal, -8, 2, u"1.5", u"1.50"},   // negative width pads to the right: trimmed too
      {kFieldReal, 8, -3, u"1.5", u"2"},      // negative decimals as none
      {kFieldReal, 8, 2, u"  1e3", u"1000.00"},
  };
  for (const auto& c : cases) {
    ShapeField f = Field(c.type, c.width, c.decimals);
    NormalizeValue(f, c.in);
    EXPECT_EQ(text::Utf16ToUtf8(f.value), text::Utf16ToUtf8(c.out))
        << c.type << " w" << c.width << " d" << c.decimals << " in " << text::Utf16ToUtf8(c.in);
  }
}

// What a definition change does to a value, and whether the user is asked about it.
TEST(CarriedValue, KeepsValuesUnderTheSameTypeAndSizeAndTellsMeaningChanges) {
  struct Case {
    ShapeField from, to;
    std::u16string value, carried;
    bool sameMeaning;
  };
  const Case cases[] = {
      // type and size unchanged (a rename included): stored text kept as it is
      {Field(kFieldInteger, 10, 0), Field(kFieldInteger, 10, 0, u"NEW"), u"007", u"007", true},
      {Field(kFieldInteger, 18, 0), Field(kFieldInteger, 18, 0), u"123456789012345678", u"123456789012345678", true},
      {Field(kFieldString, 10, 0), Field(kFieldInteger, 5, 0), u"12", u"12", true},
      {Field(kFieldString, 10, 0), Field(kFieldInteger, 5, 0), u"abc", u"", false},
      {Field(kFieldString, 10, 0), Field(kFieldInteger, 5, 0), u"7x", u"7", false},
      {Field(kFieldString, 10, 0), Field(kFieldInteger, 5, 0), u"", u"", true},
      {Field(kFieldInteger, 4, 0), Field(kFieldReal, 6, 1), u"2", u"2.0", true},
      {Field(kFieldReal, 8, 2), Field(kFieldReal, 8, 1), u"3.14", u"3.1", false},
      {Field(kFieldInteger, 10, 0), Field(kFieldInteger, 3, 0), u"123456", u"999", false},
      {Field(kFieldReal, 8, 2), Field(kFieldString, 3, 0), u"3.14", u"3.14", true},
  };
  for (const Case& c : cases) {
    ShapeField f = c.from;
    f.value = c.value;
    const std::u16string carried = CarriedValue(f, c.to);
    EXPECT_EQ(text::Utf16ToUtf8(carried), text::Utf16ToUtf8(c.carried)) << text::Utf16ToUtf8(c.value);
    EXPECT_EQ(SameMeaning(c.value, carried), c.sameMeaning) << text::Utf16ToUtf8(c.value);
  }
}

TEST(ReadFiniteNumber, TakesOnlyWholeFiniteDecimalNumbers) {
  struct Case {
    std::u16string text;
    bool ok;
    double v;
  };
  const Case cases[] = {
      {u"12", true, 12},    {u" -3.5 ", true, -3.5}, {u"1e3", true, 1000}, {u"+.5", true, 0.5},
      {u"", false, 0},      {u"  ", false, 0},       {u"abc", false, 0},   {u"4km", false, 0},
      {u"nan", false, 0},   {u"inf", false, 0},      {u"1e999", false, 0}, {u"0x10", false, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(ReadFiniteNumber(c.text, v), c.ok) << text::Utf16ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.v);
    }
  }
}

TEST(ValueWidth, CountsCharactersOfNumbersAndShiftJisBytesOfText) {
  EXPECT_EQ(ValueWidth(Field(kFieldString, 10, 0), u"ABC"), 3);
  EXPECT_EQ(ValueWidth(Field(kFieldString, 10, 0), u"東京都ｱ"), 7);  // half-width katakana: one byte
  EXPECT_EQ(ValueWidth(Field(kFieldInteger, 2, 0), u"-123"), 4);
  EXPECT_EQ(ValueWidth(Field(kFieldReal, 6, 1), u"-12.5"), 5);
}

TEST(NormalizeValue, HugeDefinitionsStayBounded) {
  ShapeField f = Field(kFieldReal, INT32_MAX, INT32_MAX);
  NormalizeValue(f, u"1");
  EXPECT_LT(f.value.size(), 300u);
  EXPECT_EQ(f.value.substr(0, 2), u"1.");
}

TEST(NormalizeValue, CoordinateTypesLeaveTheValue) {
  for (FieldType t : {kFieldLatitudeOrX, kFieldLongitudeOrY, FieldType(7)}) {
    ShapeField f = Field(t, 10, 2);
    f.value = u"old";
    NormalizeValue(f, u"123");
    EXPECT_EQ(f.value, u"old");
  }
}

TEST(Fields, KeyIdentityAndNames) {
  EXPECT_EQ(FieldKey(Field(kFieldString, 20, 0, u"CITY")), "CITY|0|20|0");
  EXPECT_EQ(FieldKey(Field(kFieldReal, 12, 3, u"AREA")), "AREA|2|12|3");
  EXPECT_EQ(FieldKey(Field(kFieldString, 50, 0, u"名前")), "\xE5\x90\x8D\xE5\x89\x8D|0|50|0");
  EXPECT_EQ(FieldKey(Field(kFieldInteger, -1, -2, u"a|b")), "a|b|1|-1|-2");
  EXPECT_EQ(FieldKey(Field(kFieldString, 5, 0, std::u16string(1000, u'x'))).size(), 1000u + 6);

  ShapeField a = Field(kFieldString, 20, 0, u"CITY");
  ShapeField b = a;
  b.value = u"x";
  EXPECT_TRUE(SameFieldDef(a, b));
  for (auto change : {+[](ShapeField& f) { f.name = u"city"; }, +[](ShapeField& f) { f.type = kFieldInteger; },
                      +[](ShapeField& f) { f.width = 21; }, +[](ShapeField& f) { f.decimals = 1; }}) {
    ShapeField c = a;
    change(c);
    EXPECT_FALSE(SameFieldDef(a, c));
  }
  ShapeField target = Field(kFieldReal, 1, 0, u"T");
  target.value = u"keep";
  target.CopyDefinition(a);
  EXPECT_TRUE(SameFieldDef(target, a));
  EXPECT_EQ(target.value, u"keep");

  EXPECT_EQ(FieldTypeName(kFieldString), u"文字列");
  EXPECT_EQ(FieldTypeName(kFieldInteger), u"整数");
  EXPECT_EQ(FieldTypeName(kFieldReal), u"実数");
  EXPECT_EQ(FieldTypeName(kFieldLatitudeOrX), u"緯度(B)または平面直角X座標");
  EXPECT_EQ(FieldTypeName(kFieldLongitudeOrY), u"経度(L)または平面直角Y座標");
  EXPECT_EQ(FieldTypeName(FieldType(3)), u"");
}

TEST(Fields, TrimSpacesAndIntegerMax) {
  EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
  EXPECT_EQ(TrimSpaces(u"\t\t"), u"\t\t");
  EXPECT_EQ(TrimSpaces(u"    "), u"");
  EXPECT_EQ(TrimSpaces(u" \u3000x\u3000 "), u"\u3000x\u3000");
  EXPECT_EQ(IntegerFieldMax(1), 9);
  EXPECT_EQ(IntegerFieldMax(3), 999);
  EXPECT_EQ(IntegerFieldMax(10), 9999999999LL);
  EXPECT_EQ(IntegerFieldMax(18), 999999999999999999LL);
  EXPECT_EQ(IntegerFieldMax(0), 0);
  EXPECT_EQ(IntegerFieldMax(-4), 0);
  EXPECT_EQ(IntegerFieldMax(19), INT64_MAX);
  EXPECT_EQ(IntegerFieldMax(255), INT64_MAX);
}

DbfFieldDesc Desc(const char* name, char type, std::uint8_t length, std::uint8_t decimals) {
  DbfFieldDesc d;
  std::memcpy(d.name, name, std::min<std::size_t>(std::strlen(name), 11));
  d.type = type;
  d.length = length;
  d.decimals = decimals;
  return d;
}

TEST(Dbf, ValueTextByTypeLetter) {
  struct Case {
    char letter;
    std::string raw;
    std::u16string out;
  };
  const Case cases[] = {
      {'C', "  ab c   ", u"ab c"}, {'N', "     12.50", u"12.50"}, {'F', " -1.5e3 ", u"-1.5e3"},
      {'D', "20240305", u"20240305"}, {'L', "T", u"1"}, {'L', "y", u"1"}, {'L', "Y", u"1"},
      {'L', "t", u"1"}, {'L', "F", u"0"}, {'L', "?", u""}, {'L', "", u""}, {'L', " T", u"0"},
      // null numbers: blank, or filled with '*' by other writers
      {'N', "          ", u""}, {'N', "**********", u""}, {'F', " *** ", u""}, {'N', "*1", u"*1"},
      {'M', "0000000001", u""}, {'0', "x", u""}, {'C', "", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DbfValueText(c.letter, c.raw, TextEncoding::kShiftJIS), c.out) << c.letter << c.raw;
  EXPECT_EQ(DbfValueText('C', "\x82\xA0  ", TextEncoding::kShiftJIS), u"あ");
  EXPECT_EQ(DbfValueText('C', "\xE3\x81\x82  ", TextEncoding::kUTF8), u"あ");
  EXPECT_EQ(DbfValueText('C', std::string("B0 \0", 4), TextEncoding::kUTF16), u"あ");
}

TEST(Dbf, FieldFromDbfByTypeLetter) {
  struct Case {
    DbfFieldDesc desc;
    std::string raw;
    FieldType type;
    std::int32_t width, decimals;
    std::u16string value;
  };
  const Case cases[] = {
      {Desc("POP", 'N', 10, 0), "      1234", kFieldInteger, 10, 0, u"1234"},
      {Desc("AREA", 'N', 10, 2), "   0012.50", kFieldReal, 10, 2, u"0012.50"},  // not normalised
      {Desc("R", 'F', 19, 11), " 1.5", kFieldReal, 19, 11, u"1.5"},
      {Desc("OK", 'L', 1, 0), "T", kFieldInteger, 1, 0, u"1"},
      {Desc("OK", 'L', 1, 0), "N", kFieldInteger, 1, 0, u"0"},
      {Desc("DAY", 'D', 8, 0), "20240305", kFieldString, 8, 0, u"20240305"},
      {Desc("NAME", 'C', 254, 0), "x ", kFieldString, 254, 0, u"x"},
      {Desc("NAME", 'C', 255, 200), "", kFieldString, 255, 200, u""},
      {Desc("MEMO", 'M', 10, 0), "        12", kFieldString, 10, 0, u""},
  };
  for (const auto& c : cases) {
    const ShapeField f = FieldFromDbf(c.desc, c.raw, TextEncoding::kShiftJIS);
    EXPECT_EQ(f.name, text::Utf8ToUtf16(c.desc.name));
    EXPECT_EQ(f.type, c.type) << c.desc.name;
    EXPECT_EQ(f.width, c.width) << c.desc.name;
    EXPECT_EQ(f.decimals, c.decimals) << c.desc.name;
    EXPECT_EQ(f.value, c.value) << c.desc.name;
  }
}

TEST(Dbf, FieldNameDecodedUpToItsZeroByte) {
  DbfFieldDesc d = Desc("\x96\xBC\x8F\xCC", 'C', 10, 0);  // 名称 in Shift-JIS
  EXPECT_EQ(FieldFromDbf(d, "", TextEncoding::kShiftJIS).name, u"名称");
  std::memcpy(d.name, "ABCDEFGHIJK", 11);  // all 11 bytes used: still ends at the 12th
  EXPECT_EQ(FieldFromDbf(d, "", TextEncoding::kShiftJIS).name, u"ABCDEFGHIJK");
  std::memcpy(d.name, "AB\0DEF", 6);
  EXPECT_EQ(FieldFromDbf(d, "", TextEncoding::kShiftJIS).name, u"AB");
}

}  // namespace
}  // namespace vx::attr
