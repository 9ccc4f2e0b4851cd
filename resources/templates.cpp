#include "resources/templates.h"

#include <array>
#include <vector>

namespace vx::resources {
namespace {

using host::ControlKind;
using host::ControlTemplate;
using host::DialogTemplate;

const ControlTemplate kAboutControls[] = {
    {ControlKind::Static, kAboutVersion, "Version 4.5.1", 7, 7, 120, 8},
    {ControlKind::Button, kAboutOk, "OK", 186, 127, 50, 14, host::kStyleDefault | host::kStyleGroup},
    {ControlKind::Button, kAboutWebSite, "Webサイトを開く", 7, 127, 80, 14},
};

const ControlTemplate kEncodingAreaControls[] = {
    {ControlKind::GroupBox, -1, "Varnox-Shape設定", 55, 8, 262, 40},
    {ControlKind::Static, -1, "属性フィールドのエンコーディング:", 71, 26, 103, 8, host::kStyleRightAlign},
    {ControlKind::ComboBox, kEncodingCombo, "", 183, 24, 112, 30, host::kStyleGroup},
};

// Two columns: the file's extent and the import range on the left; the file's system and the
// placement on the sheet on the right. Radio groups start with kStyleGroup and end at the next
// control that starts a group.
const ControlTemplate kImportSettingsControls[] = {
    {ControlKind::GroupBox, -1, "データファイルの座標値", 272, 7, 264, 100},
    {ControlKind::Static, -1, "測地系:", 282, 22, 40, 8},
    {ControlKind::Radio, kImpDataJgd, "世界測地系(JGD2000)", 326, 21, 92, 10, host::kStyleGroup},
    {ControlKind::Radio, kImpDataTokyo, "日本測地系(TKY97)", 422, 21, 92, 10},
    {ControlKind::Static, -1, "座標値:", 282, 40, 40, 8, host::kStyleGroup},
    {ControlKind::Radio, kImpDataBL, "10進緯度経度(BL)", 326, 39, 92, 10, host::kStyleGroup},
    {ControlKind::Radio, kImpDataXY, "平面直角座標(XY)", 326, 57, 92, 10},
    {ControlKind::Radio, kImpDataUTM, "UTM座標(NE)", 326, 75, 92, 10},
    {ControlKind::ComboBox, kImpDataZone, "", 422, 56, 108, 160, host::kStyleGroup},
    {ControlKind::ComboBox, kImpDataUtmZone, "", 422, 74, 108, 160},
    {ControlKind::Static, -1, "", 396, 109, 16, 16},  // downward arrow (icon 109)

    {ControlKind::GroupBox, -1, "Illustrator上の地図投影", 271, 127, 265, 168},
    {ControlKind::Static, kImpModeText, "", 284, 141, 244, 8},
    {ControlKind::GroupBox, -1, "新規パラメータ設定", 284, 157, 244, 130},
    {ControlKind::Static, -1, "測地系:", 292, 172, 40, 8},
    {ControlKind::Radio, kImpMapJgd, "世界測地系(JGD2000)", 336, 171, 90, 10, host::kStyleGroup},
    {ControlKind::Radio, kImpMapTokyo, "日本測地系(TKY97)", 430, 171, 90, 10},
    {ControlKind::Static, -1, "投影法:", 292, 188, 40, 8, host::kStyleGroup},
    {ControlKind::Radio, kImpMapBL, "緯度経度図法(正距円筒図法)", 336, 187, 150, 10, host::kStyleGroup},
    {ControlKind::Radio, kImpMapXY, "平面直角座標系(XY)", 336, 204, 90, 10},
    {ControlKind::Radio, kImpMapUTM, "UTM図法", 336, 221, 90, 10},
    {ControlKind::ComboBox, kImpMapZone, "", 430, 203, 94, 160, host::kStyleGroup},
    {ControlKind::ComboBox, kImpMapUtmZone, "", 430, 220, 94, 160},
    {ControlKind::Static, -1, "縮尺　１／", 292, 242, 40, 8},
    {ControlKind::Edit, kImpScale, "", 336, 240, 60, 12},
    {ControlKind::CheckBox, kImpTrueNorth, "地図の真上方向を真北に合わせる", 292, 262, 200, 10},

    {ControlKind::GroupBox, -1, "ファイルの座標範囲", 7, 7, 258, 295},
    {ControlKind::Static, -1, "", 91, 38, 77, 61},  // frame: the file's extent
    {ControlKind::Static, kImpExtentXmin, "", 60, 28, 90, 8},
    {ControlKind::Static, kImpExtentYmax, "", 12, 40, 76, 8, host::kStyleRightAlign},
    {ControlKind::Static, kImpExtentXmax, "", 120, 101, 90, 8},
    {ControlKind::Static, kImpExtentYmin, "", 171, 90, 90, 8},
    {ControlKind::CheckBox, kImpLimitOn, "読み込み座標範囲を限定する", 14, 118, 200, 10},
    {ControlKind::Static, -1, "(緯度・経度またはX座標・Y座標をカンマ区切りで入力)", 14, 132, 244, 8},
    {ControlKind::Static, -1, "左上(北西)", 14, 150, 50, 8},
    {ControlKind::Edit, kImpNorthWest, "", 66, 148, 120, 12},
    {ControlKind::Static, -1, "", 91, 183, 89, 61},  // frame: the import range
    {ControlKind::Static, -1, "右下(南東)", 84, 252, 50, 8},
    {ControlKind::Edit, kImpSouthEast, "", 136, 250, 120, 12},
    {ControlKind::Button, kImpWebMap, "地理院地図で緯度経度を調べる", 14, 276, 150, 14},
    {ControlKind::Static, -1, "Varnox-Shape", 7, 310, 60, 8},
    {ControlKind::Button, kImpOk, "OK", 416, 304, 55, 14, host::kStyleDefault | host::kStyleGroup},
    {ControlKind::Button, kImpCancel, "キャンセル", 478, 304, 55, 14},
};

std::vector<DialogTemplate>& Table() {
  static std::vector<DialogTemplate> table{
      {kAboutDialog, "Varnox-Dirir4.5について", 243, 148, kAboutControls},
      {kImportSettingsDialog, "読み込み座標の設定", 543, 325, kImportSettingsControls},
      {kOpenFileEncodingArea, "", 379, 55, kEncodingAreaControls},
  };
  return table;
}

}  // namespace

std::span<const DialogTemplate> DialogTemplates() { return Table(); }

const DialogTemplate* FindDialogTemplate(std::int32_t id) {
  for (const DialogTemplate& t : Table())
    if (t.id == id) return &t;
  return nullptr;
}

}  // namespace vx::resources
