// Coordinate systems on the command line: geo::CoordSystem in its text form ("JGD:BL", "TKY:XY9",
// "JGD:UTM54"), and "JGD:BL-sheet" for the sheet's equirectangular metres.
#pragma once

#include "geodesy/coord_system.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::cli {

// A whole number from `text` in [lo, hi]; nothing else may follow.
bool ParseWhole(std::string_view text, int lo, int hi, std::int32_t& value);

// As geo::ParseSystemText, and "JGD:BL-sheet" too (the converter's equirectangular metres), which
// sets `sheet`.
bool ParseSystemOrSheet(std::string_view text, geo::CoordSystem& out, bool& sheet);

}  // namespace vx::cli
