#include "shell/text/text.h"

#include "shell/text/cp932_table.h"

#include <algorithm>
#include <array>
#include <memory>

namespace vx::text {
namespace {

constexpr char16_t kCp932DefaultChar = 0x30FB;
constexpr char16_t kReplacementChar = 0xFFFD;

bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsSjisTrail(unsigned char b) {
  return b >= detail::kCp932TrailFirst && b <= detail::kCp932TrailLast && b != 0x7F;
}
int SjisLeadIndex(unsigned char b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + 31; }

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Unicode (BMP) → code; 0 when the character has none. Built once from the generated pairs.
const std::uint16_t* Cp932EncodeTable() {
  static const std::unique_ptr<std::uint16_t[]> table = [] {
    auto t = std::make_unique<std::uint16_t[]>(0x10000);
    for (std::size_t i = 0; i < detail::kCp932EncodeCount; ++i)
      t[detail::kCp932Encode[i].unicode] = detail::kCp932Encode[i].code;
    return t;
  }();
  return table.get();
}

// Length of the UTF-8 sequence starting at `i` if it is valid, else the length of the maximal
// invalid subpart (at least 1); `cp` receives the code point or U+FFFD.
std::size_t DecodeUtf8At(std::string_view s, std::size_t i, char32_t& cp, bool* truncated = nullptr) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  cp = kReplacementChar;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t need;
  char32_t value;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    value = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    value = b0 & 0x0Fu;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    value = b0 & 0x07u;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  std::size_t n = 1;
  for (; n <= need; ++n) {
    if (i + n >= s.size()) {
      if (truncated) *truncated = true;
      return n;
    }
    const auto b = static_cast<unsigned char>(s[i + n]);
    if (b < lo || b > hi) return n;
    lo = 0x80;
    hi = 0xBF;
    value = (value << 6) | (b & 0x3Fu);
  }
  cp = value;
  return n;
}

std::u16string ShiftJisDecode(std::string_view bytes, std::size_t* invalid);
std::string ShiftJisEncode(std::u16string_view text, std::size_t* unencodable);
std::u16string Utf8Decode(std::string_view bytes, std::size_t* invalid);

}  // namespace

bool IsKnownEncoding(std::int32_t code) {
  for (TextEncoding e : {TextEncoding::kShiftJIS, TextEncoding::kUTF8, TextEncoding::kUTF16, TextEncoding::kLatin1,
                         TextEncoding::kWindows1252, TextEncoding::kEucJp})
    if (code == static_cast<std::int32_t>(e)) return true;
  return false;
}

std::u16string ShiftJisToUtf16(std::string_view bytes) { return ShiftJisDecode(bytes, nullptr); }

namespace {

std::u16string ShiftJisDecode(std::string_view bytes, std::size_t* invalid) {
  std::size_t bad = 0;
  std::u16string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (!IsSjisLead(b)) {
      // 0x80, 0xA0 and 0xFD-0xFF are no characters of the code page; Windows gives them
      // private codes.
      const char16_t u = detail::kCp932Single[b - 0x80];
      if (u < 0xFF61 || u > 0xFF9F) ++bad;
      out.push_back(u);
      ++i;
      continue;
    }
    if (i + 1 < n && IsSjisTrail(static_cast<unsigned char>(bytes[i + 1]))) {
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      const std::uint16_t u = detail::kCp932Double[SjisLeadIndex(b)][t - detail::kCp932TrailFirst];
      if (!u) ++bad;
      out.push_back(u ? u : kCp932DefaultChar);
      i += 2;
    } else {
      ++bad;
      out.push_back(kCp932DefaultChar);
      ++i;
    }
  }
  if (invalid) *invalid += bad;
  return out;
}

}  // namespace

std::string Utf16ToShiftJis(std::u16string_view text) { return ShiftJisEncode(text, nullptr); }

namespace {

std::string ShiftJisEncode(std::u16string_view text, std::size_t* unencodable) {
  std::size_t missing = 0;
  const std::uint16_t* table = nullptr;
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
      out.push_back('?');  // outside the BMP: one character, no code
      ++missing;
      ++i;
      continue;
    }
    if (!table) table = Cp932EncodeTable();
    const std::uint16_t code = table[u];
    if (code == 0) {
      out.push_back('?');
      ++missing;
    } else if (code < 0x100) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  if (unencodable) *unencodable += missing;
  return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view bytes) { return Utf8Decode(bytes, nullptr); }

namespace {

std::u16string Utf8Decode(std::string_view bytes, std::size_t* invalid) {
  std::size_t bad = 0;
  std::u16string out;
  out.reserve(bytes.size());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    char32_t cp;
    const std::size_t len = DecodeUtf8At(bytes, i, cp);
    if (cp == kReplacementChar && !(len == 3 && bytes.substr(i, 3) == "\xEF\xBF\xBD")) ++bad;
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  if (invalid) *invalid += bad;
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::size_t Utf8CharLength(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const auto b0 = static_cast<unsigned char>(bytes[0]);
  if (b0 < 0x80) return 1;
  // A valid character is read whole; DecodeUtf8At stops short of that at any fault.
  const std::size_t want = b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
  char32_t cp = 0;
  return DecodeUtf8At(bytes, 0, cp) == want ? want : 0;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = 0, n = bytes.size(); i < n;) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = Utf8CharLength(bytes.substr(i));
    if (!len) return false;
    i += len;
  }
  return true;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = text[i];
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
      continue;
    }
    if (IsHighSurrogate(text[i]) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      cp = kReplacementChar;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf16LeBytesToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

std::string Utf16ToUtf16LeBytes(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = static_cast<char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return out;
}

namespace {

// windows-1252's characters for 0x80-0x9F; 0 for its five gaps, which Windows reads as the C1
// control of the byte's number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::u16string WesternDecode(std::string_view bytes, bool cp1252, std::size_t* invalid) {
  std::u16string out(bytes.size(), u'\0');
  std::size_t bad = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    char16_t u = b;
    if (cp1252 && b >= 0x80 && b <= 0x9F) {
      if (kCp1252High[b - 0x80]) u = kCp1252High[b - 0x80];
      else ++bad;
    }
    out[i] = u;
  }
  if (invalid) *invalid += bad;
  return out;
}

std::string WesternEncode(std::u16string_view text, bool cp1252, std::size_t* unencodable) {
  std::string out;
  out.reserve(text.size());
  std::size_t missing = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    int code = -1;
    if (u < 0x100 && !(cp1252 && u >= 0x80 && u <= 0x9F && kCp1252High[u - 0x80])) code = u;
    if (cp1252 && u >= 0x100)
      for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == u) code = 0x80 + k;
    if (code < 0) {
      if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) ++i;  // one character
      ++missing;
      out.push_back('?');
    } else {
      out.push_back(static_cast<char>(code));
    }
  }
  if (unencodable) *unencodable += missing;
  return out;
}

// EUC-JP: JIS X 0208 row r, cell c (1-94) is the byte pair r + 0xA0, c + 0xA0, the code page 932
// pair computed from r and c the Shift-JIS way; 0x8E and a byte 0xA1-0xDF is half-width kana.
// JIS X 0212 (after 0x8F) is not in code page 932's repertoire.
constexpr unsigned char kEucKana = 0x8E, kEucThreeByte = 0x8F, kEucFirst = 0xA1, kEucLast = 0xFE;

std::size_t EucJpLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b == kEucKana) return 2;
  if (b == kEucThreeByte) return 3;
  if (b >= kEucFirst && b <= kEucLast) return 2;
  return 1;
}

bool IsEucByte(unsigned char b) { return b >= kEucFirst && b <= kEucLast; }

std::u16string EucJpDecode(std::string_view bytes, std::size_t* invalid) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t bad = 0;
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  auto at = [&](std::size_t k) -> unsigned char { return k < n ? static_cast<unsigned char>(bytes[k]) : 0; };
  while (i < n) {
    const unsigned char b = at(i);
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    if (b == kEucKana && at(i + 1) >= 0xA1 && at(i + 1) <= 0xDF) {
      out.push_back(static_cast<char16_t>(0xFF61 + (at(i + 1) - 0xA1)));
      i += 2;
      continue;
    }
    if (b == kEucThreeByte && IsEucByte(at(i + 1)) && IsEucByte(at(i + 2))) {
      out.push_back(kReplacementChar);
      ++bad;
      i += 3;
      continue;
    }
    if (IsEucByte(b) && IsEucByte(at(i + 1))) {
      const int row = b - 0xA0, cell = at(i + 1) - 0xA0;
      const int lead = (row + 1) / 2 + (row <= 62 ? 0x80 : 0xC0);
      const int trail = row % 2 ? cell + 0x3F + (cell >= 64 ? 1 : 0) : cell + 0x9E;
      char16_t u = 0;
      if (lead <= 0xEF) u = detail::kCp932Double[SjisLeadIndex(static_cast<unsigned char>(lead))][trail - detail::kCp932TrailFirst];
      if (!u) ++bad;
      out.push_back(u ? u : kReplacementChar);
      i += 2;
      continue;
    }
    out.push_back(kReplacementChar);
    ++bad;
    ++i;
  }
  if (invalid) *invalid += bad;
  return out;
}

std::string EucJpEncode(std::u16string_view text, std::size_t* unencodable) {
  std::string out;
  out.reserve(text.size() * 2);
  std::size_t missing = 0;
  const std::uint16_t* table = Cp932EncodeTable();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    const bool pair = IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
    const std::uint16_t code = pair ? 0 : table[u];
    if (pair) ++i;
    if (code >= 0xA1 && code <= 0xDF) {
      out.push_back(static_cast<char>(kEucKana));
      out.push_back(static_cast<char>(code));
      continue;
    }
    const int lead = code >> 8, trail = code & 0xFF;
    if (code < 0x100 || lead > 0xEF) {  // no code, or the user-defined and IBM rows
      out.push_back('?');
      ++missing;
      continue;
    }
    int row = ((lead <= 0x9F ? lead - 0x80 : lead - 0xC0) * 2) - 1, cell;
    if (trail >= 0x9F) {
      ++row;
      cell = trail - 0x9E;
    } else {
      cell = trail - 0x3F - (trail >= 0x80 ? 1 : 0);
    }
    out.push_back(static_cast<char>(row + 0xA0));
    out.push_back(static_cast<char>(cell + 0xA0));
  }
  if (unencodable) *unencodable += missing;
  return out;
}

}  // namespace

std::u16string Decode(std::string_view bytes, TextEncoding encoding, std::size_t* invalid) {
  switch (encoding) {
    case TextEncoding::kShiftJIS: return ShiftJisDecode(bytes, invalid);
    case TextEncoding::kUTF16: return Utf16LeBytesToUtf16(bytes);
    case TextEncoding::kLatin1:
    case TextEncoding::kWindows1252: return WesternDecode(bytes, encoding == TextEncoding::kWindows1252, invalid);
    case TextEncoding::kEucJp: return EucJpDecode(bytes, invalid);
    case TextEncoding::kUTF8: break;
  }
  return Utf8Decode(bytes, invalid);
}

std::string Encode(std::u16string_view text, TextEncoding encoding, std::size_t* unencodable) {
  switch (encoding) {
    case TextEncoding::kShiftJIS: return ShiftJisEncode(text, unencodable);
    case TextEncoding::kUTF16: return Utf16ToUtf16LeBytes(text);
    case TextEncoding::kLatin1:
    case TextEncoding::kWindows1252: return WesternEncode(text, encoding == TextEncoding::kWindows1252, unencodable);
    case TextEncoding::kEucJp: return EucJpEncode(text, unencodable);
    case TextEncoding::kUTF8: break;
  }
  return Utf16ToUtf8(text);
}

bool IsValidUtf8(std::string_view bytes, bool& nonAscii) {
  nonAscii = false;
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    nonAscii = true;
    char32_t cp;
    bool truncated = false;
    const std::size_t len = DecodeUtf8At(bytes, i, cp, &truncated);
    // A sample may end inside a character; a lone lead byte at the end is Latin text ("Lom\xE9").
    if (truncated) return n - i >= 2;
    if (cp == kReplacementChar && !(len == 3 && bytes.substr(i, 3) == "\xEF\xBF\xBD")) return false;
    i += len;
  }
  return true;
}

std::size_t CharBoundary(std::string_view bytes, std::size_t limit, TextEncoding encoding) {
  if (encoding == TextEncoding::kUTF16) return std::min(bytes.size(), limit) & ~std::size_t{1};
  // A character cut off by the end of `bytes` counts as cut, so a name that was already cut
  // inside a character cuts the same way as the whole name.
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n && i < limit) {
    std::size_t len = 1;
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (encoding == TextEncoding::kShiftJIS) {
      if (IsSjisLead(b)) {
        if (i + 1 >= n) break;
        if (IsSjisTrail(static_cast<unsigned char>(bytes[i + 1]))) len = 2;
      }
    } else if (encoding == TextEncoding::kLatin1 || encoding == TextEncoding::kWindows1252) {
      // one byte, one character
    } else if (encoding == TextEncoding::kEucJp) {
      len = EucJpLength(bytes, i);
      if (i + len > n) break;
    } else if (b >= 0x80) {
      char32_t cp;
      bool truncated = false;
      len = DecodeUtf8At(bytes, i, cp, &truncated);
      if (truncated) break;
    }
    if (i + len > limit) break;
    i += len;
  }
  return i;
}

std::string ToPlatformText(std::string_view utf8) {
  constexpr std::size_t kPlatformTextMax = 255;
  std::string bytes = Utf16ToShiftJis(Utf8ToUtf16(utf8));
  bytes.resize(CharBoundary(bytes, kPlatformTextMax, TextEncoding::kShiftJIS));
  return bytes;
}

std::string FromPlatformText(std::string_view bytes) { return Utf16ToUtf8(ShiftJisToUtf16(bytes)); }

}  // namespace vx::text
