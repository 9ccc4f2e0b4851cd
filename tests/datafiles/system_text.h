// A read system as the tests' tables write it: "JGD:XY9", "TKY:UTM54", "JGD:BL" ("" when
// nothing is known); and a system from the stored codes (datum 1 Tokyo, 2 JGD2000; kind 1
// latitude/longitude, 2 UTM, 3 plane rectangular).
#pragma once

#include "datafiles/sidecars.h"

#include <string>

namespace vx::data::testing {

inline std::string Text(const SystemGuess& g) {
  if (!g.known) return "";
  const geo::CoordSystem& s = g.system;
  std::string t = s.datum == geo::DatumTokyo ? "TKY:" : s.datum == geo::DatumJgd2000 ? "JGD:" : "?:";
  if (s.kind == geo::KindPlaneXY) return t + "XY" + std::to_string(geo::Code(s.zone));
  if (s.kind == geo::KindUtm) return t + "UTM" + std::to_string(geo::Code(s.utmZone));
  return t + "BL";
}

inline geo::CoordSystem System(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utmZone) {
  return {static_cast<geo::Datum>(datum), static_cast<geo::CoordKind>(kind), geo::Zone{zone}, geo::Zone{utmZone}};
}

}  // namespace vx::data::testing
