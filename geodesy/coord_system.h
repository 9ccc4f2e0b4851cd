// CoordSystem: the one value that names a coordinate system (datum, projection kind, zone), with
// its texts: the keys of the data frame text ("JGD", "XY9"), the command line's "JGD:XY9" and the
// dialogs' label.
#pragma once

#include "geodesy/datum.h"

#include <string>
#include <string_view>

namespace vx::geo {

struct CoordSystem {
  Datum datum{};     // 0 until chosen
  CoordKind kind{};  // 0 until chosen
  Zone zone{};       // plane zone 1-19, used by KindPlaneXY
  Zone utmZone{};    // UTM zone 1-60, used by KindUtm; kept apart so that a choice of each survives
  bool operator==(const CoordSystem&) const = default;
};

// "TKY" or "JGD" to its datum; false (out untouched) for anything else.
bool DatumFromKey(std::string_view key, Datum& out);

// The projection key: "BL", "UTM54", "XY9"; empty for a kind that is never stored.
std::string ProjectionKey(const CoordSystem& s);
// The kind a projection key names ("BL" exactly, or "UTM"/"XY" followed by the zone) and the text
// after "UTM"/"XY"; false (outputs untouched) when it names none. The zone text is left to the
// caller: the data frame reads it as atoi does, the command line as a whole number.
bool SplitProjectionKey(std::string_view key, CoordKind& kind, std::string_view& zoneText);

// "JGD:BL", "TKY:XY9", "JGD:UTM54" (the command line's form).
std::string SystemText(const CoordSystem& s);
// The command line's form read strictly: a datum key, ":", a projection key whose zone is a whole
// number in range and nothing else. False (out untouched) otherwise.
bool ParseSystemText(std::string_view text, CoordSystem& out);

// "(世界測地系 平面直角座標 第9系)", "(日本測地系 UTM座標 第54帯)", "(世界測地系 緯度経度座標)": a datum
// other than JGD2000 reads as Tokyo, a kind other than UTM or XY as latitude/longitude.
std::string SystemLabel(const CoordSystem& s);

}  // namespace vx::geo
