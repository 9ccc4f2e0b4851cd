#include "attributes/field.h"

#include <algorithm>
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

// Base-10 strtol with a 32-bit long: saturates at the 32-bit range.
std::int32_t ReadInteger32(std::u16string_view text) {
  const std::string utf8 = text::Utf16ToUtf8(text);
  const long long v = std::strtoll(utf8.c_str(), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
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
  char tail[48];
  std::snprintf(tail, sizeof tail, "|%d|%d|%d", static_cast<int>(field.type), field.width,
                field.decimals);
  return text::Utf16ToUtf8(field.name) + tail;
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

void NormalizeValue(ShapeField& field, std::u16string_view text) {
  // An empty number is no value (a null cell), not 0.
  if ((field.type == kFieldInteger || field.type == kFieldReal) && TrimSpaces(text).empty()) {
    field.value.clear();
    return;
  }
  switch (field.type) {
    case kFieldString:
      field.value = std::u16string(text);
      return;
    case kFieldInteger: {
      std::int64_t n = ReadInteger32(text);
      n = std::min(n, IntegerFieldMax(field.width));
      field.value = Ascii(std::to_string(n).c_str());
      return;
    }
    case kFieldReal: {
      // "%<width>.<decimals>f". A negative width only turns the padding to the right, and the
      // padding is trimmed; a negative precision would make the format undefined.
      const int width = field.width;
      const int decimals = std::clamp(field.decimals, 0, kMaxFormatDecimals);
      const double v = std::atof(text::Utf16ToUtf8(text).c_str());
      const int padded = std::clamp(width, -kMaxFormatDecimals, kMaxFormatDecimals);
      const int n = std::snprintf(nullptr, 0, "%*.*f", padded, decimals, v);
      std::vector<char> buf(static_cast<std::size_t>(n > 0 ? n : 0) + 1);
      std::snprintf(buf.data(), buf.size(), "%*.*f", padded, decimals, v);
      field.value = TrimSpaces(Ascii(buf.data()));
      return;
    }
    case kFieldLatitudeOrX:
    case kFieldLongitudeOrY:
      break;
  }
}

std::u16string DbfValueText(char typeLetter, std::string_view raw, text::TextEncoding encoding) {
  switch (typeLetter) {
    case 'C':
    case 'D':
      return TrimSpaces(text::Decode(raw, encoding));
    case 'F':
    case 'N': {
      // Other writers mark a null number by filling the cell with '*'.
      std::u16string v = TrimSpaces(text::Decode(raw, encoding));
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

ShapeField FieldFromDbf(const DbfFieldDesc& desc, std::string_view raw, text::TextEncoding encoding) {
  ShapeField f;
  f.name = text::Decode(desc.Name(), encoding);
  f.width = desc.length;
  f.decimals = desc.decimals;
  f.value = DbfValueText(desc.type, raw, encoding);
  switch (desc.type) {
    case 'F': f.type = kFieldReal; break;
    case 'N': f.type = desc.decimals == 0 ? kFieldInteger : kFieldReal; break;
    case 'L': f.type = kFieldInteger; break;
    default: f.type = kFieldString; break;
  }
  return f;
}

}  // namespace vx::attr
