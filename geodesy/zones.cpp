#include "geodesy/zones.h"

#include "geodesy/angles.h"

#include <array>
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

// Packed DDDMMSS origins of the plane rectangular zones (latitude, longitude); row 0 unused.
constexpr double kZoneOrigins[20][2] = {
    {0, 0},
    {330000, 1293000}, {330000, 1310000}, {360000, 1321000}, {330000, 1333000}, {360000, 1342000},
    {360000, 1360000}, {360000, 1371000}, {360000, 1383000}, {360000, 1395000}, {400000, 1405000},
    {440000, 1401500}, {440000, 1421500}, {440000, 1441500}, {260000, 1420000}, {260000, 1273000},
    {260000, 1240000}, {260000, 1310000}, {200000, 1360000}, {260000, 1540000},
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

bool PlaneZoneOrigin(Zone zone, double& lat, double& lon) {
  const std::int32_t z = Code(zone);
  if (!(z >= 1 && z <= kPlaneZoneCount)) return false;
  // Unpacked once: the engine asks at every setup.
  struct Degrees {
    std::array<double, 20> lat{}, lon{};
  };
  static const Degrees origins = [] {
    Degrees d;
    for (std::size_t i = 0; i < d.lat.size(); ++i) {
      d.lat[i] = PackedDmsToDegrees(kZoneOrigins[i][0]);
      d.lon[i] = PackedDmsToDegrees(kZoneOrigins[i][1]);
    }
    return d;
  }();
  lat = origins.lat[static_cast<std::size_t>(z)];
  lon = origins.lon[static_cast<std::size_t>(z)];
  return true;
}

bool UtmCentralMeridian(Zone zone, double& lon) {
  const std::int32_t z = Code(zone);
  if (!(z >= 1 && z <= kUtmZoneCount)) return false;
  lon = 6.0 * z - 183.0;
  return true;
}

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
