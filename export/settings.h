// The settings of one export run, their persistence in the host's preferences, and the export
// settings dialog (template 115).
#pragma once

#include "geodesy/coord_system.h"
#include "resources/templates.h"
#include "shell/host/types.h"

#include <cstdint>
#include <filesystem>

namespace vx::xport {

enum ExportTarget : std::int32_t {
  kTargetCurrentLayer = 0,
  kTargetVisibleLayers = 1,
  kTargetAllLayers = 2,
  kTargetSelection = 3,
};

enum ExportDataType : std::int32_t { kDataPoint = 0, kDataPolyline = 1, kDataPolygon = 2 };

// objectSpec bits.
enum ObjectSpec : std::int32_t {
  kSpecUnfilledPath = 0x1,
  kSpecFilledPath = 0x2,
  kSpecGroup = 0x4,
  kSpecText = 0x8,
  kSpecSymbol = 0x10,
  kSpecExpandGroups = 0x800,
};

// What an export writes (the stored code).
enum class ExportFormat : std::int32_t { Shapefile = 0, CoordinateText = 1 };

struct ExportSettings {
  ExportFormat format = ExportFormat::Shapefile;
  std::int32_t target = kTargetCurrentLayer;
  bool hasSelection = false;
  bool perLayerFiles = false;
  std::int32_t dataType = kDataPoint;
  std::int32_t encoding = 17;  // TextEncoding code
  std::int32_t delimiter = 9;  // 9 tab, 44 comma
  std::int32_t objectSpec = 31;
  bool addTextField = true;
  bool addLayerField = false;
  bool expandBezier = true;
  std::int32_t bezierAccuracy = 5;  // 1 rough .. 9 precise
  bool useDataFrame = false;
  bool hasDataFrame = false;
  bool hasMarkers = false;
  // The markers' system: lat/long or a plane zone (no UTM zone).
  geo::CoordSystem marker{geo::DatumJgd2000, geo::KindLatLong};
  bool convertCoords = false;
  geo::CoordSystem out{geo::DatumJgd2000, geo::KindLatLong};  // the system written
};

// Preferences are kept under the plug-in's name.
inline constexpr const char* kPreferencePrefix = resources::kPluginName;
inline constexpr const char* kExportPathKey = "exportPath";

// The 16 setting keys, read in table order; a key not stored leaves its member alone.
void LoadExportSettings(ExportSettings& settings);
void SaveExportSettings(const ExportSettings& settings);

// Dialog 115 "書き出しの設定". 0 after OK (settings updated), kStop after キャンセル.
host::Err ShowExportDialog(host::PluginRef plugin, ExportSettings& settings);

// Dialog texts.
inline constexpr const char* kNoObjectsMessage = "書き出すオブジェクトを指定してください";
inline constexpr const char* kChooseZoneMessage = "座標系を選択してください";
inline constexpr const char* kChooseUtmZoneMessage = "UTMの座標帯を選択してください";

}  // namespace vx::xport
