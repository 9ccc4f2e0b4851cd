// Zone names as the coordinate dialogs list them; the item index equals the zone number and item
// 0 means that no zone is chosen.
#pragma once

#include "geodesy/datum.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vx::geo {

// "(座標系を選択)" for 0, "9系（東京, …）" for 9; empty outside 0-19.
std::string PlaneZoneName(std::int32_t zone);
// "(座標帯を選択)" for 0, "第54帯(138度E～144度E)" for 54; empty outside 0-60.
std::string UtmZoneName(std::int32_t zone);

// Origin of plane zone 1-19: latitude and longitude (degrees). False (outputs untouched) otherwise.
bool PlaneZoneOrigin(Zone zone, double& lat, double& lon);
// Central meridian of UTM zone 1-60 (degrees). False (output untouched) otherwise.
bool UtmCentralMeridian(Zone zone, double& lon);

// The 20 and 61 picker items.
std::vector<std::string> PlaneZonePickerItems();
std::vector<std::string> UtmZonePickerItems();

}  // namespace vx::geo
