// Zone names as the coordinate dialogs list them; the item index equals the zone number and item
// 0 means that no zone is chosen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vx::geo {

// "(座標系を選択)" for 0, "9系（東京, …）" for 9; empty outside 0-19.
std::string PlaneZoneName(std::int32_t zone);
// "(座標帯を選択)" for 0, "第54帯(138度E～144度E)" for 54; empty outside 0-60.
std::string UtmZoneName(std::int32_t zone);

// The 20 and 61 picker items.
std::vector<std::string> PlaneZonePickerItems();
std::vector<std::string> UtmZonePickerItems();

}  // namespace vx::geo
