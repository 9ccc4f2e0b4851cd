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

}  // namespace

bool IsKnownEncoding(std::int32_t code) {
  return code == static_cast<std::int32_t>(TextEncoding::kShiftJIS) ||
         code == static_cast<std::int32_t>(TextEncoding::kUTF8) ||
         code == static_cast<std::int32_t>(TextEncoding::kUTF16);
}

std::u16string ShiftJisToUtf16(std::string_view bytes) {
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
      out.push_back(detail::kCp932Single[b - 0x80]);
      ++i;
      continue;
    }
    if (i + 1 < n && IsSjisTrail(static_cast<unsigned char>(bytes[i + 1]))) {
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      const std::uint16_t u = detail::kCp932Double[SjisLeadIndex(b)][t - detail::kCp932TrailFirst];
      out.push_back(u ? u : kCp932DefaultChar);
      i += 2;
    } else {
      out.push_back(kCp932DefaultChar);
      ++i;
    }
  }
  return out;
}

std::string Utf16ToShiftJis(std::u16string_view text) {
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
      ++i;
      continue;
    }
    if (!table) table = Cp932EncodeTable();
    const std::uint16_t code = table[u];
    if (code == 0) {
      out.push_back('?');
    } else if (code < 0x100) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
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
    i += DecodeUtf8At(bytes, i, cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

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

std::u16string Decode(std::string_view bytes, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kShiftJIS: return ShiftJisToUtf16(bytes);
    case TextEncoding::kUTF16: return Utf16LeBytesToUtf16(bytes);
    case TextEncoding::kUTF8: break;
  }
  return Utf8ToUtf16(bytes);
}

std::string Encode(std::u16string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kShiftJIS: return Utf16ToShiftJis(text);
    case TextEncoding::kUTF16: return Utf16ToUtf16LeBytes(text);
    case TextEncoding::kUTF8: break;
  }
  return Utf16ToUtf8(text);
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
