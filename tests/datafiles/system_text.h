// A read system as the tests' tables write it: "JGD:XY9", "TKY:UTM54", "JGD:BL" ("" when
// nothing is known).
#pragma once

#include "datafiles/sidecars.h"

#include <string>

namespace vx::data::testing {

inline std::string Text(const SystemGuess& g) {
  if (!g.known) return "";
  const SidecarSystem& s = g.system;
  std::string t = s.datum == 1 ? "TKY:" : s.datum == 2 ? "JGD:" : "?:";
  if (s.kind == 3) return t + "XY" + std::to_string(s.zone);
  if (s.kind == 2) return t + "UTM" + std::to_string(s.utmZone);
  return t + "BL";
}

}  // namespace vx::data::testing
