#include "resources/templates.h"

#include "resources/panel_templates.h"

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

// Export settings. Every control that does not continue a radio group starts a group, so each
// set of radio buttons excludes only its own members.
constexpr std::uint32_t G = host::kStyleGroup;
const ControlTemplate kExportControls[] = {
    {ControlKind::GroupBox, -1, "書き出し対象", 7, 4, 300, 44, G},
    {ControlKind::ComboBox, exp115::kTarget, "", 14, 16, 286, 60, G},
    {ControlKind::CheckBox, exp115::kPerLayer, "レイヤーごとに別のファイルにする", 14, 33, 200, 10, G},
    {ControlKind::GroupBox, -1, "データタイプ", 7, 52, 300, 42, G},
    {ControlKind::Radio, exp115::kPoint, "ポイント", 14, 64, 50, 10, G},
    {ControlKind::Radio, exp115::kPolyline, "ポリライン", 70, 64, 50, 10},
    {ControlKind::Radio, exp115::kPolygon, "ポリゴン", 126, 64, 50, 10},
    {ControlKind::Static, -1, "エンコーディング:", 14, 79, 60, 8, G | host::kStyleRightAlign},
    {ControlKind::ComboBox, exp115::kEncoding, "", 76, 77, 70, 40, G},
    {ControlKind::Static, exp115::kDelimiterLabel, "フィールド区切り:", 152, 79, 60, 8, G | host::kStyleRightAlign},
    {ControlKind::Radio, exp115::kTab, "タブ", 214, 79, 30, 10, G},
    {ControlKind::Radio, exp115::kComma, "カンマ(CSV)", 248, 79, 55, 10},
    {ControlKind::GroupBox, -1, "書き出すオブジェクト", 7, 98, 300, 54, G},
    {ControlKind::CheckBox, exp115::kUnfilled, "塗りの無いパス", 14, 110, 90, 10, G},
    {ControlKind::CheckBox, exp115::kFilled, "塗りのあるパス", 108, 110, 90, 10, G},
    {ControlKind::CheckBox, exp115::kText, "テキスト", 202, 110, 50, 10, G},
    {ControlKind::CheckBox, exp115::kSymbol, "シンボル", 14, 124, 50, 10, G},
    {ControlKind::CheckBox, exp115::kGroup, "グループ", 108, 124, 50, 10, G},
    {ControlKind::CheckBox, exp115::kExpand, "グループと複合パスは内部の要素を個別に書き出す", 14, 138, 280, 10, G},
    {ControlKind::GroupBox, -1, "オプション", 7, 156, 300, 76, G},
    {ControlKind::CheckBox, exp115::kAddText, "テキストを書き出す場合、文字列を属性に付加", 14, 168, 280, 10, G},
    {ControlKind::CheckBox, exp115::kAddLayer, "レイヤー名を属性に付加", 14, 182, 280, 10, G},
    {ControlKind::CheckBox, exp115::kBezier, "ベジェ曲線パスを折れ線補間する", 14, 196, 280, 10, G},
    {ControlKind::Static, exp115::kAccuracyLabel, "精度:", 24, 212, 24, 8, G},
    {ControlKind::TrackBar, exp115::kAccuracy, "", 50, 208, 160, 14, G},
    {ControlKind::Static, exp115::kAccuracyValue, "", 214, 212, 16, 8, G},
    {ControlKind::Static, exp115::kRough, "ラフ", 50, 222, 24, 8, G},
    {ControlKind::Static, exp115::kPrecise, "精密", 190, 222, 24, 8, G},
    {ControlKind::GroupBox, -1, "ドキュメント上の地理座標計算", 7, 236, 300, 40, G},
    {ControlKind::Radio, exp115::kUseFrame, "データフレームを使用", 14, 248, 100, 10, G},
    {ControlKind::Radio, exp115::kUseMarkers, "座標マーカーを使用", 160, 248, 100, 10},
    {ControlKind::Static, exp115::kFrameLabel, "", 24, 262, 270, 8, G},
    {ControlKind::GroupBox, -1, "座標マーカーの座標値", 7, 280, 300, 54, G},
    {ControlKind::Static, -1, "測地系:", 14, 292, 40, 8, G},
    {ControlKind::Radio, exp115::kMarkerJgd, "世界測地系", 56, 292, 60, 10, G},
    {ControlKind::Radio, exp115::kMarkerTokyo, "日本測地系", 120, 292, 60, 10},
    {ControlKind::Static, -1, "座標値:", 14, 306, 40, 8, G},
    {ControlKind::Radio, exp115::kMarkerBL, "緯度経度(BL)", 56, 306, 70, 10, G},
    {ControlKind::Radio, exp115::kMarkerXY, "平面直角座標(XY)", 130, 306, 80, 10},
    {ControlKind::ComboBox, exp115::kMarkerZone, "", 56, 318, 240, 120, G},
    {ControlKind::GroupBox, -1, "ファイルに書き込む座標値", 7, 338, 300, 24, G},
    {ControlKind::Radio, exp115::kNoConvert, "変換しない", 14, 348, 60, 10, G},
    {ControlKind::Radio, exp115::kConvert, "変換する", 80, 348, 60, 10},
    {ControlKind::GroupBox, -1, "変換先", 7, 366, 300, 70, G},
    {ControlKind::Static, -1, "測地系:", 14, 378, 40, 8, G},
    {ControlKind::Radio, exp115::kOutJgd, "世界測地系", 56, 378, 60, 10, G},
    {ControlKind::Radio, exp115::kOutTokyo, "日本測地系", 120, 378, 60, 10},
    {ControlKind::Static, -1, "座標値:", 14, 392, 40, 8, G},
    {ControlKind::Radio, exp115::kOutBL, "10進緯度経度(BL)", 56, 392, 80, 10, G},
    {ControlKind::Radio, exp115::kOutXY, "平面直角座標(XY)", 140, 392, 80, 10},
    {ControlKind::Radio, exp115::kOutUTM, "UTM座標(NE)", 224, 392, 70, 10},
    {ControlKind::ComboBox, exp115::kOutZone, "", 56, 406, 240, 120, G},
    {ControlKind::ComboBox, exp115::kOutUtmZone, "", 56, 420, 120, 120, G},
    {ControlKind::Button, host::kIdOk, "OK", 196, 442, 50, 14, G | host::kStyleDefault},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 252, 442, 50, 14, G},
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

// Coordinate text fields.
const ControlTemplate kTextFieldsControls[] = {
    {ControlKind::GroupBox, -1, "フィールド区切り文字", 7, 7, 160, 28},
    {ControlKind::Radio, txt111::kTab, "タブ", 17, 19, 50, 10, G},
    {ControlKind::Radio, txt111::kComma, "カンマ(CSV)", 77, 19, 70, 10},
    {ControlKind::CheckBox, txt111::kHeaderRow, "ファイルの1行目はフィールド名", 180, 19, 150, 10, G},
    {ControlKind::Static, -1, "必要な場合、項目をダブルクリックして、フィールド定義を修正してください。", 7, 42, 329, 8},
    {ControlKind::ListView, txt111::kFieldList, "", 7, 54, 329, 184,
     G | host::kStyleShowSelection | host::kStyleGridLines | host::kStyleFullRowSelect},
    {ControlKind::Button, host::kIdOk, "OK", 224, 246, 55, 14, host::kStyleDefault | G},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 283, 246, 55, 14},
};

std::vector<DialogTemplate>& Table() {
  static std::vector<DialogTemplate> table{
      {kAboutDialog, VX_PLUGIN_NAME "について", 243, 148, kAboutControls},
      {kImportSettingsDialog, "読み込み座標の設定", 543, 325, kImportSettingsControls},
      {kOpenFileEncodingArea, "", 379, 55, kEncodingAreaControls},
      {kExportSettingsDialog, "書き出しの設定", 314, 462, kExportControls},
      {kTextFieldsDialog, "座標付きテキストファイル - フィールドの設定", 343, 267, kTextFieldsControls},
  };
  static const bool panelAdded = [] {
    for (const DialogTemplate& t : PanelDialogTemplates()) table.push_back(t);
    return true;
  }();
  (void)panelAdded;
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
