#include "geodesy/zones.h"

#include "geodesy/datum.h"

#include <cstdio>

namespace vx::geo {

namespace {
constexpr const char* kPlaneZoneNames[20] = {
    "(座標系を選択)",
    "1系（長崎と周辺島嶼）",
    "2系（福岡, 佐賀, 熊本, 大分, 宮崎, 鹿児島）",
    "3系（山口, 島根, 広島）",
    "4系（香川, 愛媛, 徳島, 高知）",
    "5系（兵庫, 鳥取, 岡山）",
    "6系（京都, 大阪, 福井, 滋賀, 三重, 奈良, 和歌山）",
    "7系（石川, 富山, 岐阜, 愛知）",
    "8系（新潟, 長野, 山梨, 静岡）",
    "9系（東京, 福島, 栃木, 茨城, 埼玉, 千葉, 群馬, 神奈川）",
    "10系（青森, 秋田, 山形, 岩手, 宮城）",
    "11系（北海道西部）",
    "12系（北海道中部）",
    "13系（北海道東部）",
    "14系（小笠原諸島）",
    "15系（沖縄主要部）",
    "16系（宮古列島・八重山列島）",
    "17系（大東島）",
    "18系（沖ノ鳥島）",
    "19系（南鳥島）",
};

// One bound of a UTM zone (degrees): "174度W", "0度", "6度E".
std::string Bound(int b) {
  char text[32];
  if (b < 0)
    std::snprintf(text, sizeof text, "%d度W", -b);
  else if (b == 0)
    std::snprintf(text, sizeof text, "%d度", b);
  else
    std::snprintf(text, sizeof text, "%d度E", b);
  return text;
}
}  // namespace

std::string PlaneZoneName(std::int32_t zone) {
  if (!(zone >= 0 && zone <= kPlaneZoneCount)) return {};
  return kPlaneZoneNames[zone];
}

std::string UtmZoneName(std::int32_t zone) {
  if (zone == 0) return "(座標帯を選択)";
  if (!(zone >= 1 && zone <= kUtmZoneCount)) return {};
  char text[96];
  std::snprintf(text, sizeof text, "第%d帯(%s～%s)", zone, Bound(6 * zone - 186).c_str(),
                Bound(6 * zone - 180).c_str());
  return text;
}

std::vector<std::string> PlaneZonePickerItems() {
  std::vector<std::string> items;
  for (std::int32_t z = 0; z <= kPlaneZoneCount; ++z) items.push_back(PlaneZoneName(z));
  return items;
}

std::vector<std::string> UtmZonePickerItems() {
  std::vector<std::string> items;
  for (std::int32_t z = 0; z <= kUtmZoneCount; ++z) items.push_back(UtmZoneName(z));
  return items;
}

}  // namespace vx::geo
