// Coordinate systems as the command line names them: "JGD:BL", "TKY:XY9", "JGD:UTM54".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::cli {

// A coordinate system in the terms of the coordinate dialogs.
struct CoordSystem {
  std::int32_t datum = 0;    // 1 Tokyo, 2 JGD2000
  std::int32_t kind = 0;     // 1 BL, 2 UTM, 3 XY
  std::int32_t zone = 0;     // plane zone 1-19 (kind 3)
  std::int32_t utmZone = 0;  // UTM zone 1-60 (kind 2)
  bool sheet = false;        // "BL-sheet": the sheet's equirectangular metres, not degrees
  bool operator==(const CoordSystem&) const = default;
};

// A whole number from `text` in [lo, hi]; nothing else may follow.
bool ParseWhole(std::string_view text, int lo, int hi, std::int32_t& value);

// "JGD:BL", "TKY:XY9", "JGD:UTM54".
bool ParseSystem(std::string_view text, CoordSystem& out);
// As ParseSystem, and "JGD:BL-sheet" too (the converter's equirectangular metres).
bool ParseSystemOrSheet(std::string_view text, CoordSystem& out);
std::string SystemText(const CoordSystem& s);

}  // namespace vx::cli
