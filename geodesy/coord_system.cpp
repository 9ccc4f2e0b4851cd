#include "geodesy/coord_system.h"

#include <charconv>
#include <cstdio>

namespace vx::geo {

namespace {

constexpr std::string_view kLatLongKey = "BL";
constexpr std::string_view kUtmKey = "UTM";
constexpr std::string_view kPlaneKey = "XY";

// A whole number in [1, count] and nothing else.
bool ParseZone(std::string_view text, std::int32_t count, Zone& out) {
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !(v >= 1 && v <= count)) return false;
  out = Zone{v};
  return true;
}

}  // namespace

bool DatumFromKey(std::string_view key, Datum& out) {
  for (Datum d : {DatumTokyo, DatumJgd2000}) {
    if (key == DatumKey(d)) {
      out = d;
      return true;
    }
  }
  return false;
}

std::string ProjectionKey(const CoordSystem& s) {
  switch (s.kind) {
    case KindLatLong: return std::string(kLatLongKey);
    case KindUtm: return std::string(kUtmKey) + std::to_string(Code(s.utmZone));
    case KindPlaneXY: return std::string(kPlaneKey) + std::to_string(Code(s.zone));
    default: return {};
  }
}

bool SplitProjectionKey(std::string_view key, CoordKind& kind, std::string_view& zoneText) {
  if (key == kLatLongKey) {
    kind = KindLatLong;
    zoneText = {};
  } else if (key.starts_with(kPlaneKey)) {
    kind = KindPlaneXY;
    zoneText = key.substr(kPlaneKey.size());
  } else if (key.starts_with(kUtmKey)) {
    kind = KindUtm;
    zoneText = key.substr(kUtmKey.size());
  } else {
    return false;
  }
  return true;
}

std::string SystemText(const CoordSystem& s) {
  std::string t(DatumKey(s.datum));
  t += ':';
  t += s.kind == KindPlaneXY || s.kind == KindUtm ? ProjectionKey(s) : std::string(kLatLongKey);
  return t;
}

bool ParseSystemText(std::string_view text, CoordSystem& out) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  CoordSystem s;
  std::string_view zone;
  if (!DatumFromKey(text.substr(0, colon), s.datum) || !SplitProjectionKey(text.substr(colon + 1), s.kind, zone))
    return false;
  if (s.kind == KindPlaneXY && !ParseZone(zone, kPlaneZoneCount, s.zone)) return false;
  if (s.kind == KindUtm && !ParseZone(zone, kUtmZoneCount, s.utmZone)) return false;
  out = s;
  return true;
}

std::string SystemLabel(const CoordSystem& s) {
  const std::string datum(DatumLabel(s.datum == DatumJgd2000 ? DatumJgd2000 : DatumTokyo));
  char buf[128];
  if (s.kind == KindUtm)
    std::snprintf(buf, sizeof buf, "(%s UTM座標 第%d帯)", datum.c_str(), static_cast<int>(Code(s.utmZone)));
  else if (s.kind == KindPlaneXY)
    std::snprintf(buf, sizeof buf, "(%s 平面直角座標 第%d系)", datum.c_str(), static_cast<int>(Code(s.zone)));
  else
    std::snprintf(buf, sizeof buf, "(%s 緯度経度座標)", datum.c_str());
  return buf;
}

}  // namespace vx::geo
