#include "shell/text/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::text {
namespace {

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s.push_back(static_cast<char>(b));
  return s;
}

TEST(ShiftJis, WindowsMappingsBothWays) {
  struct Case {
    std::string sjis;
    char16_t unicode;
  };
  // Pairs that distinguish code page 932 from plain JIS: wave dash, double vertical line, minus,
  // NEC row 13, half-width katakana and the single bytes the code page maps itself.
  const Case cases[] = {
      {Bytes({0x81, 0x60}), 0xFF5E}, {Bytes({0x81, 0x61}), 0x2225}, {Bytes({0x81, 0x7C}), 0xFF0D},
      {Bytes({0x87, 0x40}), 0x2460}, {Bytes({0x82, 0xA0}), 0x3042}, {Bytes({0x88, 0x9F}), 0x4E9C},
      {Bytes({0xB1}), 0xFF71},       {Bytes({0x80}), 0x0080},       {Bytes({0xA0}), 0xF8F0},
      {Bytes({0xFD}), 0xF8F1},       {Bytes({0xF0, 0x40}), 0xE000}, {Bytes({0xFA, 0x40}), 0x2170},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShiftJisToUtf16(c.sjis), std::u16string(1, c.unicode)) << int(c.unicode);
    EXPECT_EQ(Utf16ToShiftJis(std::u16string(1, c.unicode)), c.sjis) << int(c.unicode);
  }
}

TEST(ShiftJis, DuplicatesDecodeAlikeAndEncodeAsWindows) {
  // NEC row 13 / NEC-selected IBM / IBM extension codes of one character.
  EXPECT_EQ(ShiftJisToUtf16(Bytes({0x87, 0x90})), u"\u2252");
  EXPECT_EQ(Utf16ToShiftJis(u"\u2252"), Bytes({0x81, 0xE0}));
  EXPECT_EQ(ShiftJisToUtf16(Bytes({0xEE, 0xEF})), u"\u2170");
  EXPECT_EQ(Utf16ToShiftJis(u"\u2170"), Bytes({0xFA, 0x40}));
  EXPECT_EQ(ShiftJisToUtf16(Bytes({0xEE, 0xF9})), u"\uFFE2");
  EXPECT_EQ(Utf16ToShiftJis(u"\uFFE2"), Bytes({0x81, 0xCA}));
  EXPECT_EQ(Utf16ToShiftJis(u"\u2160"), Bytes({0x87, 0x54}));
  EXPECT_EQ(Utf16ToShiftJis(u"\u7E8A"), Bytes({0xFA, 0x5C}));  // not 0xED40
  EXPECT_EQ(Utf16ToShiftJis(u"\u301C"), Bytes({0x81, 0x60}));  // best fit of the JIS wave dash
}

TEST(ShiftJis, EveryDefinedPairRoundTripsToItsCharacter) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::u16string u = ShiftJisToUtf16(Bytes({lead, trail}));
      ASSERT_EQ(u.size(), 1u);
      if (u[0] == 0x30FB && !(lead == 0x81 && trail == 0x45)) continue;  // undefined pair
      ++defined;
      EXPECT_EQ(ShiftJisToUtf16(Utf16ToShiftJis(u)), u) << lead << ' ' << trail;
    }
  }
  EXPECT_GT(defined, 9000);
}

TEST(ShiftJis, InvalidInputNeverSwallowsFollowingBytes) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {Bytes({0x82}), u"\u30FB"},                         // lone lead byte at the end
      {Bytes({'a', 0x82, ',', 'b'}), u"a\u30FB,b"},       // lone lead byte before a delimiter
      {Bytes({0x82, 0x0D, 0x0A}), u"\u30FB\r\n"},         // ... before a line end
      {Bytes({0x85, 0x40, 'x'}), u"\u30FBx"},             // undefined pair: one default character
      {Bytes({0x82, 0x7F}), u"\u30FB\u007F"},             // 0x7F is never a trail byte
      {Bytes({0x82, 0xFF}), u"\u30FB\uF8F3"},
      {std::string(), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShiftJisToUtf16(c.in), c.out);
}

TEST(ShiftJis, UnmappableEncodesAsQuestionMark) {
  EXPECT_EQ(Utf16ToShiftJis(u"a\u00E9b"), "a?b");
  EXPECT_EQ(Utf16ToShiftJis(u"\U0001F600"), "?");  // one character outside the BMP
  EXPECT_EQ(Utf16ToShiftJis(std::u16string{u'x', char16_t(0xD800), u'y'}), "x?y");
  EXPECT_EQ(Utf16ToShiftJis(std::u16string{char16_t(0xDC00)}), "?");
}

TEST(Utf8, DecodesAndReplacesInvalidSequences) {
  struct Case {
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"abc", u"abc"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", u"日本"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xE6\x97", u"\uFFFD"},                  // cut short: one replacement for the subpart
      {"\xE6\x97x", u"\uFFFDx"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
}

TEST(Utf8, EncodesAndReplacesLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"日本|0"), "\xE6\x97\xA5\xE6\x9C\xAC|0");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xD83D), u'a'}), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xDE00)}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD83D)}), "a\xEF\xBF\xBD");
}

TEST(Encoding, DecodeEncodeByCode) {
  EXPECT_TRUE(IsKnownEncoding(17));
  EXPECT_TRUE(IsKnownEncoding(1));
  EXPECT_TRUE(IsKnownEncoding(2));
  EXPECT_FALSE(IsKnownEncoding(0));
  EXPECT_EQ(Decode(Bytes({0x82, 0xA0}), TextEncoding::kShiftJIS), u"あ");
  EXPECT_EQ(Decode("\xE3\x81\x82", TextEncoding::kUTF8), u"あ");
  EXPECT_EQ(Decode(Bytes({0x42, 0x30, 0x41}), TextEncoding::kUTF16), u"あ");  // odd byte dropped
  EXPECT_EQ(Encode(u"あ", TextEncoding::kUTF16), Bytes({0x42, 0x30}));
  EXPECT_EQ(Encode(u"あ", TextEncoding::kShiftJIS), Bytes({0x82, 0xA0}));
}

TEST(Encoding, EveryEncodingCountsWhatItCannotConvert) {
  struct Case {
    TextEncoding enc;
    std::string bytes;
    std::u16string text;
    std::size_t invalid;  // byte sequences that are no text of the encoding
  };
  const Case decodes[] = {
      {TextEncoding::kLatin1, "Alto da Na\xE7\xE3o \x80", u"Alto da Nação \u0080", 0},
      {TextEncoding::kWindows1252, "\x80\x82\x8C\x99\xE9", u"€‚Œ™é", 0},
      {TextEncoding::kWindows1252, "a\x81", u"a\u0081", 1},
      {TextEncoding::kEucJp, "\xC5\xEC\xB5\xFE\xC5\xD4\x8E\xB6\x8E\xC5", u"東京都ｶﾅ", 0},
      {TextEncoding::kEucJp, "\xA4\xA2\xB0\xA1\xF4\xA6", u"あ亜熙", 0},
      {TextEncoding::kEucJp, "\x8F\xAB\xAEx\xA4", u"\uFFFDx\uFFFD", 2},  // JIS X 0212; cut at the end
      {TextEncoding::kShiftJIS, "\x82\xA0\x82", u"あ\u30FB", 1},
      {TextEncoding::kShiftJIS, "Lom\xE9", u"Lom\u30FB", 1},
      {TextEncoding::kShiftJIS, "\xFD\xB1", u"\uF8F1ｱ", 1},
      {TextEncoding::kUTF8, "\xC0\x80\xEF\xBF\xBD", u"\uFFFD\uFFFD\uFFFD", 2},  // a real U+FFFD is text
  };
  for (const Case& c : decodes) {
    std::size_t invalid = 0;
    EXPECT_EQ(Decode(c.bytes, c.enc, &invalid), c.text) << c.bytes;
    EXPECT_EQ(invalid, c.invalid) << c.bytes;
  }
  const Case encodes[] = {
      {TextEncoding::kLatin1, "Lom\xE9?", u"Lomé東", 1},
      {TextEncoding::kWindows1252, "\x80?\xE9", u"€\u0080é", 1},
      {TextEncoding::kEucJp, "\xC5\xEC\xB5\xFE\xC5\xD4\x8E\xB6\x8E\xC5?", u"東京都ｶﾅé", 1},
      {TextEncoding::kShiftJIS, "Lom?", u"Lomé", 1},
      {TextEncoding::kShiftJIS, "?", u"\U0001F600", 1},
      {TextEncoding::kUTF8, "Lom\xC3\xA9", u"Lomé", 0},
  };
  for (const Case& c : encodes) {
    std::size_t unencodable = 0;
    EXPECT_EQ(Encode(c.text, c.enc, &unencodable), c.bytes) << c.bytes;
    EXPECT_EQ(unencodable, c.invalid) << c.bytes;
  }
  // JIS X 0208 through EUC-JP and back, for every character code page 932 has in those rows
  // (row 13's symbols are written with the codes of their twins in row 2).
  for (unsigned row = 0xA1; row <= 0xF4; ++row)
    for (unsigned cell = 0xA1; cell <= 0xFE && row != 0xAD; ++cell) {
      const std::string pair{static_cast<char>(row), static_cast<char>(cell)};
      std::size_t invalid = 0;
      const std::u16string u = Decode(pair, TextEncoding::kEucJp, &invalid);
      if (invalid == 0) {
        EXPECT_EQ(Encode(u, TextEncoding::kEucJp), pair) << row << " " << cell;
      }
    }
  for (std::int32_t code : {1252, 28591, 51932}) EXPECT_TRUE(IsKnownEncoding(code));
}

TEST(Encoding, ValidUtf8IsToldFromOtherBytes) {
  struct Case {
    std::string bytes;
    bool valid, nonAscii;
  } cases[] = {{"abc", true, false}, {"Lom\xC3\xA9", true, true}, {"Lom\xE9", false, true},
               {"a\xE3\x81", true, true}, {"\x93\x8C\x8B\x9E", false, true}};
  for (const Case& c : cases) {
    bool nonAscii = false;
    EXPECT_EQ(IsValidUtf8(c.bytes, nonAscii), c.valid) << c.bytes;
    EXPECT_EQ(nonAscii, c.nonAscii) << c.bytes;
  }
}

TEST(Encoding, CharBoundaryNeverCutsACharacter) {
  struct Case {
    std::string bytes;
    std::size_t limit;
    TextEncoding enc;
    std::size_t cut;
  };
  const std::string sjis = Bytes({'a', 0x82, 0xA0, 0x82, 0xA2});  // a あ い
  const std::string utf8 = "a\xE3\x81\x82\xE3\x81\x84";
  const Case cases[] = {
      {sjis, 10, TextEncoding::kShiftJIS, 5}, {sjis, 4, TextEncoding::kShiftJIS, 3},
      {sjis, 3, TextEncoding::kShiftJIS, 3},  {sjis, 2, TextEncoding::kShiftJIS, 1},
      {utf8, 6, TextEncoding::kUTF8, 4},      {utf8, 3, TextEncoding::kUTF8, 1},
      {utf8, 7, TextEncoding::kUTF8, 7},      {"abcdef", 3, TextEncoding::kUTF16, 2},
      {"\xFF\xFF\xFF", 2, TextEncoding::kUTF8, 2},
      {sjis.substr(0, 4), 10, TextEncoding::kShiftJIS, 3},  // already cut inside a character
      {utf8.substr(0, 6), 10, TextEncoding::kUTF8, 4},
      {"a\x82,", 10, TextEncoding::kShiftJIS, 3},            // a lone lead byte is one character
      {"\xE9\xE9\xE9", 2, TextEncoding::kLatin1, 2},
      {"a\xC5\xEC\x8E\xB6", 2, TextEncoding::kEucJp, 1}, {"a\xC5\xEC\x8E\xB6", 4, TextEncoding::kEucJp, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(CharBoundary(c.bytes, c.limit, c.enc), c.cut) << c.bytes;
}

TEST(Encoding, PlatformTextIsCutAt255BytesBetweenCharacters) {
  std::string kana;  // 128 × あ: 256 bytes in code page 932
  for (int i = 0; i < 128; ++i) kana += "あ";
  struct Case {
    std::string utf8;
    std::size_t bytes;  // length of the platform text
    const char* why;
  };
  const Case cases[] = {
      {"Varnox-Dirir4.5...", 18, "short text is kept"},
      {kana, 254, "the last character would end at byte 256: it goes whole"},
      {"a" + kana, 255, "255 bytes fit exactly"},
      {std::string(300, 'x'), 255, "single-byte text is cut at 255"},
  };
  for (const Case& c : cases) {
    const std::string platform = ToPlatformText(c.utf8);
    EXPECT_EQ(platform.size(), c.bytes) << c.why;
    const std::string back = FromPlatformText(platform);
    EXPECT_EQ(back, c.utf8.substr(0, back.size())) << c.why << ": a prefix of whole characters";
  }
  EXPECT_EQ(FromPlatformText(ToPlatformText("地図\xF0\x9F\x97\xBA")), "地図?") << "no code in the code page";
}

}  // namespace
}  // namespace vx::text
