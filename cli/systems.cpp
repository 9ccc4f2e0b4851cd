#include "cli/systems.h"

#include <charconv>

namespace vx::cli {

namespace {
constexpr std::string_view kSheetSuffix = "-sheet";
}  // namespace

bool ParseWhole(std::string_view text, int lo, int hi, std::int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value >= lo && value <= hi;
}

bool ParseSystemOrSheet(std::string_view text, geo::CoordSystem& out, bool& sheet) {
  sheet = text.ends_with(kSheetSuffix);
  if (sheet) text.remove_suffix(kSheetSuffix.size());
  geo::CoordSystem s;
  if (!geo::ParseSystemText(text, s) || (sheet && s.kind != geo::KindLatLong)) return false;
  out = s;
  return true;
}

}  // namespace vx::cli
