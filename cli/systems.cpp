#include "cli/systems.h"

#include "geodesy/datum.h"

#include <charconv>

namespace vx::cli {

namespace {

bool Parse(std::string_view text, CoordSystem& s, bool sheetAllowed) {
  s = {};
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view datum = text.substr(0, colon), kind = text.substr(colon + 1);
  if (datum == geo::DatumKey(geo::DatumTokyo))
    s.datum = geo::DatumTokyo;
  else if (datum == geo::DatumKey(geo::DatumJgd2000))
    s.datum = geo::DatumJgd2000;
  else
    return false;
  if (kind == "BL" || (sheetAllowed && kind == "BL-sheet")) {
    s.kind = geo::KindLatLong;
    s.sheet = kind != "BL";
    return true;
  }
  if (kind.starts_with("XY")) {
    s.kind = geo::KindPlaneXY;
    return ParseWhole(kind.substr(2), 1, geo::kPlaneZoneCount, s.zone);
  }
  if (kind.starts_with("UTM")) {
    s.kind = geo::KindUtm;
    return ParseWhole(kind.substr(3), 1, geo::kUtmZoneCount, s.utmZone);
  }
  return false;
}

}  // namespace

bool ParseWhole(std::string_view text, int lo, int hi, std::int32_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value >= lo && value <= hi;
}

bool ParseSystem(std::string_view text, CoordSystem& out) { return Parse(text, out, false); }

bool ParseSystemOrSheet(std::string_view text, CoordSystem& out) { return Parse(text, out, true); }

std::string SystemText(const CoordSystem& s) {
  std::string t(geo::DatumKey(s.datum));
  t += ':';
  if (s.kind == geo::KindPlaneXY) t += "XY" + std::to_string(s.zone);
  else if (s.kind == geo::KindUtm) t += "UTM" + std::to_string(s.utmZone);
  else t += "BL";
  return t;
}

}  // namespace vx::cli
