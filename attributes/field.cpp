#include "attributes/field.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace vx::attr {
namespace {

// Larger widths and decimals only add padding or zeros nobody can store; the cap keeps a
// corrupt definition from asking the printer for gigabytes.
constexpr std::int32_t kMaxFormatDecimals = 255;

std::u16string Ascii(const char* s) {
  std::u16string out;
  for (; *s; ++s) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*s)));
  return out;
}

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number a text starts with, as strtod reads it but without hexadecimal, infinity or
// NaN forms: white space, sign, digits with an optional fraction, an optional exponent.
struct NumberPrefix {
  bool found = false;
  bool negative = false;
  std::string integerDigits;  // before the decimal point
  std::string number;         // the whole number without white space or '+', for from_chars
  std::size_t end = 0;        // where the number ends in the UTF-8 text
};

NumberPrefix ReadPrefix(const std::string& s, bool integerOnly) {
  NumberPrefix p;
  std::size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) p.negative = s[i++] == '-';
  const std::size_t start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  p.integerDigits = s.substr(start, i - start);
  bool digits = i > start;
  if (!integerOnly) {
    if (i < s.size() && s[i] == '.') {
      std::size_t j = i + 1;
      while (j < s.size() && IsDigit(s[j])) ++j;
      if (digits || j > i + 1) {
        digits = true;
        i = j;
      }
    }
    if (digits && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
      std::size_t j = i + 1;
      if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
      const std::size_t expDigits = j;
      while (j < s.size() && IsDigit(s[j])) ++j;
      if (j > expDigits) i = j;  // "1e" is the number 1 followed by a letter
    }
  }
  if (!digits) return p;
  p.found = true;
  p.number = (p.negative ? "-" : "") + s.substr(start, i - start);
  p.end = i;
  return p;
}

// The number of a prefix as a double; infinity for one beyond the double range.
double PrefixValue(const NumberPrefix& p) {
  double v = 0;
  const char* b = p.number.data();
  const char* e = b + p.number.size();
  const auto [ptr, ec] = std::from_chars(b, e, v);
  if (ec == std::errc::result_out_of_range) return std::strtod(p.number.c_str(), nullptr);
  return ec == std::errc() ? v : std::numeric_limits<double>::quiet_NaN();
}

// Digits without leading zeros, "0" for none left.
std::string StripZeros(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

std::u16string FormatReal(const ShapeField& field, double v) {
  // "%<width>.<decimals>f". A negative width only turns the padding to the right, and the
  // padding is trimmed; a negative precision would make the format undefined.
  const int decimals = std::clamp(field.decimals, 0, kMaxFormatDecimals);
  const int padded = std::clamp(field.width, -kMaxFormatDecimals, kMaxFormatDecimals);
  const int n = std::snprintf(nullptr, 0, "%*.*f", padded, decimals, v);
  std::vector<char> buf(static_cast<std::size_t>(n > 0 ? n : 0) + 1);
  std::snprintf(buf.data(), buf.size(), "%*.*f", padded, decimals, v);
  return TrimSpaces(Ascii(buf.data()));
}

}  // namespace

std::u16string FieldTypeName(FieldType type) {
  switch (type) {
    case kFieldString: return u"文字列";
    case kFieldInteger: return u"整数";
    case kFieldReal: return u"実数";
    case kFieldLatitudeOrX: return u"緯度(B)または平面直角X座標";
    case kFieldLongitudeOrY: return u"経度(L)または平面直角Y座標";
  }
  return {};
}

bool SameFieldDef(const ShapeField& a, const ShapeField& b) {
  return a.name == b.name && a.type == b.type && a.width == b.width && a.decimals == b.decimals;
}

std::string FieldKey(const ShapeField& field) {
  std::string key = text::Utf16ToUtf8(field.name);
  for (const int n : {static_cast<int>(field.type), static_cast<int>(field.width), static_cast<int>(field.decimals)}) {
    char digits[16];
    key += '|';
    key.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
  }
  return key;
}

std::u16string TrimSpaces(std::u16string_view text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const auto last = text.find_last_not_of(u' ');
  return std::u16string(text.substr(first, last - first + 1));
}

std::int64_t IntegerFieldMax(std::int32_t width) {
  if (width <= 0) return 0;
  if (width >= 19) return std::numeric_limits<std::int64_t>::max();
  std::int64_t max = 1;
  for (std::int32_t i = 0; i < width; ++i) max *= 10;
  return max - 1;
}

std::u16string FormattedValue(const ShapeField& field, std::u16string_view text) {
  switch (field.type) {
    case kFieldString:
      return std::u16string(text);
    case kFieldInteger: {
      // Decimal text throughout: a wide column's digits are kept whatever their count.
      const NumberPrefix p = ReadPrefix(text::Utf16ToUtf8(text), true);
      if (!p.found) return {};
      const std::string digits = StripZeros(p.integerDigits);
      return Ascii(((p.negative && digits != "0" ? "-" : "") + digits).c_str());
    }
    case kFieldReal: {
      const NumberPrefix p = ReadPrefix(text::Utf16ToUtf8(text), false);
      if (!p.found) return {};
      const double v = PrefixValue(p);
      if (!std::isfinite(v)) return {};
      return FormatReal(field, v);
    }
    case kFieldLatitudeOrX:
    case kFieldLongitudeOrY:
      break;
  }
  return field.value;
}

void NormalizeValue(ShapeField& field, std::u16string_view text) {
  std::u16string v = FormattedValue(field, text);
  // Positive numbers wider than the field become its largest; negative ones are not limited.
  if (field.type == kFieldInteger && !v.empty() && v.front() != u'-') {
    if (field.width <= 0) v = u"0";
    else if (v.size() > static_cast<std::size_t>(field.width)) v.assign(static_cast<std::size_t>(field.width), u'9');
  }
  field.value = std::move(v);
}

std::int32_t ValueWidth(const ShapeField& field, std::u16string_view formatted) {
  const std::size_t n = field.type == kFieldString ? text::Utf16ToShiftJis(formatted).size() : formatted.size();
  return static_cast<std::int32_t>(std::min<std::size_t>(n, INT32_MAX));
}

bool ReadFiniteNumber(std::u16string_view text, double& out) {
  const std::string s = text::Utf16ToUtf8(text);
  const NumberPrefix p = ReadPrefix(s, false);
  if (!p.found) return false;
  for (std::size_t i = p.end; i < s.size(); ++i)
    if (!IsCSpace(s[i])) return false;
  const double v = PrefixValue(p);
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

std::u16string CarriedValue(const ShapeField& field, const ShapeField& def) {
  if (field.value.empty()) return {};
  if (field.type == def.type && field.width == def.width && field.decimals == def.decimals) return field.value;
  ShapeField f;
  f.CopyDefinition(def);
  f.value = field.value;  // a type without formatting keeps it
  NormalizeValue(f, field.value);
  return f.value;
}

bool SameMeaning(std::u16string_view before, std::u16string_view after) {
  if (before == after) return true;
  double a = 0, b = 0;
  return ReadFiniteNumber(before, a) && ReadFiniteNumber(after, b) && a == b;
}

std::u16string DbfValueText(char typeLetter, std::string_view raw, text::TextEncoding encoding, std::size_t* invalid) {
  switch (typeLetter) {
    case 'C':
    case 'D':
      return TrimSpaces(text::Decode(raw, encoding, invalid));
    case 'F':
    case 'N': {
      // Other writers mark a null number by filling the cell with '*'.
      std::u16string v = TrimSpaces(text::Decode(raw, encoding, invalid));
      if (v.find_first_not_of(u'*') == std::u16string::npos) v.clear();
      return v;
    }
    case 'L': {
      // '?' and a blank cell are an unknown value, kept empty like a null number.
      if (raw.find_first_not_of(" ?") == std::string_view::npos) return {};
      const char c = raw.front();
      return (c == 'T' || c == 'Y' || c == 't' || c == 'y') ? u"1" : u"0";
    }
    default:
      return {};
  }
}

ShapeField FieldFromDbf(const DbfFieldDesc& desc, std::string_view raw, text::TextEncoding encoding, std::size_t* invalid) {
  ShapeField f;
  f.name = text::Decode(desc.Name(), encoding);
  f.width = desc.length;
  f.decimals = desc.decimals;
  f.value = DbfValueText(desc.type, raw, encoding, invalid);
  switch (desc.type) {
    case 'F': f.type = kFieldReal; break;
    case 'N': f.type = desc.decimals == 0 ? kFieldInteger : kFieldReal; break;
    case 'L': f.type = kFieldInteger; break;
    default: f.type = kFieldString; break;
  }
  return f;
}

}  // namespace vx::attr
