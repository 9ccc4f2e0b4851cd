// The plug-in's dialog templates, as data: each dialog's id, title, size and controls. The host
// builds its dialogs from these, so a handler that addresses a control its template lacks fails.
#pragma once

#include "shell/host/platform.h"

#include <span>

namespace vx::resources {

// The plug-in's name: its menu group and panel, and the prefix of its preferences.
inline constexpr const char* kPluginName = "Varnox-Dirir4.5";

// Template ids.
inline constexpr std::int32_t kAboutDialog = 107;
inline constexpr std::int32_t kImportSettingsDialog = 108;
inline constexpr std::int32_t kOpenFileEncodingArea = 110;
inline constexpr std::int32_t kTextFieldsDialog = 111;
inline constexpr std::int32_t kSearchDialog = 114;
inline constexpr std::int32_t kExportSettingsDialog = 115;

// Control ids of the About dialog.
inline constexpr std::int32_t kAboutOk = 1;
inline constexpr std::int32_t kAboutVersion = 1062;
inline constexpr std::int32_t kAboutWebSite = 1063;

// Control ids of the export settings dialog.
namespace exp115 {
inline constexpr std::int32_t kTarget = 1116, kPerLayer = 1127;
inline constexpr std::int32_t kPoint = 1117, kPolyline = 1118, kPolygon = 1093;
inline constexpr std::int32_t kEncoding = 1119, kDelimiterLabel = 1129, kTab = 1085, kComma = 1086;
inline constexpr std::int32_t kUnfilled = 1125, kFilled = 1094, kText = 1096, kSymbol = 1095, kGroup = 1122,
                              kExpand = 1124;
inline constexpr std::int32_t kAddText = 1121, kAddLayer = 1120, kBezier = 1097, kAccuracyLabel = 1128,
                              kAccuracy = 1099, kAccuracyValue = 1126, kRough = 1136, kPrecise = 1137;
inline constexpr std::int32_t kUseFrame = 1100, kUseMarkers = 1101, kFrameLabel = 1135;
inline constexpr std::int32_t kMarkerJgd = 1102, kMarkerTokyo = 1103, kMarkerBL = 1104, kMarkerXY = 1105,
                              kMarkerZone = 1106;
inline constexpr std::int32_t kNoConvert = 1107, kConvert = 1108;
inline constexpr std::int32_t kOutJgd = 1109, kOutTokyo = 1110, kOutBL = 1111, kOutXY = 1112, kOutUTM = 1087,
                              kOutZone = 1113, kOutUtmZone = 1075;
}  // namespace exp115

// Control ids of the import coordinate settings dialog.
inline constexpr std::int32_t kImpOk = 1;
inline constexpr std::int32_t kImpCancel = 2;
inline constexpr std::int32_t kImpDataJgd = 1123;     // the file's datum
inline constexpr std::int32_t kImpDataTokyo = 1124;
inline constexpr std::int32_t kImpDataBL = 1125;      // the file's coordinates
inline constexpr std::int32_t kImpDataXY = 1126;
inline constexpr std::int32_t kImpDataUTM = 1087;
inline constexpr std::int32_t kImpDataZone = 1115;    // plane zone list
inline constexpr std::int32_t kImpDataUtmZone = 1075;  // UTM zone list
inline constexpr std::int32_t kImpModeText = 1178;
inline constexpr std::int32_t kImpMapJgd = 1127;      // a new data frame's datum
inline constexpr std::int32_t kImpMapTokyo = 1128;
inline constexpr std::int32_t kImpMapBL = 1129;       // a new data frame's projection
inline constexpr std::int32_t kImpMapXY = 1130;
inline constexpr std::int32_t kImpMapUTM = 1131;
inline constexpr std::int32_t kImpMapZone = 1132;
inline constexpr std::int32_t kImpMapUtmZone = 1133;
inline constexpr std::int32_t kImpScale = 1114;
inline constexpr std::int32_t kImpTrueNorth = 1082;
inline constexpr std::int32_t kImpExtentXmin = 1145;
inline constexpr std::int32_t kImpExtentXmax = 1146;
inline constexpr std::int32_t kImpExtentYmin = 1144;
inline constexpr std::int32_t kImpExtentYmax = 1143;
inline constexpr std::int32_t kImpLimitOn = 1076;
inline constexpr std::int32_t kImpNorthWest = 1079;
inline constexpr std::int32_t kImpSouthEast = 1080;
inline constexpr std::int32_t kImpWebMap = 1077;

// Control ids of the coordinate text field dialog.
namespace txt111 {
inline constexpr std::int32_t kTab = 1085, kComma = 1086, kHeaderRow = 1076, kFieldList = 1083;
}  // namespace txt111

// Control ids of the open-file dialog's encoding area.
inline constexpr std::int32_t kEncodingCombo = 1081;

std::span<const host::DialogTemplate> DialogTemplates();
// nullptr when the plug-in has no template of that id.
const host::DialogTemplate* FindDialogTemplate(std::int32_t id);

}  // namespace vx::resources
