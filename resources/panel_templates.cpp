#include "resources/panel_templates.h"

#include <array>

namespace vx::resources {
namespace {

using host::ControlKind;
using host::ControlTemplate;
using host::DialogTemplate;
using host::kStyleDefault;
using host::kStyleGroup;
using host::kStyleRightAlign;

constexpr std::int32_t kNoId = -1;

const ControlTemplate kFieldControls[] = {
    {ControlKind::Static, kNoId, "フィールド名:", 7, 10, 90, 8, kStyleRightAlign},
    {ControlKind::Edit, kFieldName, "", 102, 8, 80, 14, kStyleGroup, 10},
    {ControlKind::Static, kNoId, "データ型:", 7, 30, 90, 8, kStyleRightAlign},
    {ControlKind::ComboBox, kFieldType, "", 102, 28, 114, 80, kStyleGroup},
    {ControlKind::Static, kNoId, "全桁数:", 7, 50, 90, 8, kStyleRightAlign},
    {ControlKind::Edit, kFieldWidth, "", 102, 48, 40, 14, kStyleGroup, 3},
    {ControlKind::Static, kNoId, "精度(小数点以下桁数):", 7, 70, 90, 8, kStyleRightAlign},
    {ControlKind::Edit, kFieldDecimals, "", 102, 68, 40, 14, kStyleGroup, 2},
    {ControlKind::Button, host::kIdOk, "OK", 112, 116, 50, 14, kStyleDefault | kStyleGroup},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 166, 116, 50, 14},
    {ControlKind::Button, kFieldDelete, "このフィールドを削除...", 7, 116, 90, 14},
};

const ControlTemplate kValueControls[] = {
    {ControlKind::Static, kNoId, "フィールド名:", 7, 10, 90, 8, kStyleRightAlign},
    {ControlKind::Static, kValueName, "(Field Name)", 102, 10, 150, 8},
    {ControlKind::Static, kNoId, "属性値:", 7, 28, 90, 8, kStyleRightAlign},
    {ControlKind::Edit, kValueEdit, "", 102, 26, 150, 14, kStyleGroup},
    {ControlKind::Static, kNoId, "データ型:", 7, 46, 90, 8, kStyleRightAlign},
    {ControlKind::Static, kValueType, "(Data Type)", 102, 46, 150, 8},
    {ControlKind::Static, kNoId, "全桁数:", 7, 60, 90, 8, kStyleRightAlign},
    {ControlKind::Static, kValueWidth, "(n)", 102, 60, 40, 8},
    {ControlKind::Static, kNoId, "精度(小数点以下桁数):", 7, 74, 90, 8, kStyleRightAlign},
    {ControlKind::Static, kValueDecimals, "(n)", 102, 74, 40, 8},
    {ControlKind::Button, host::kIdOk, "OK", 148, 86, 50, 14, kStyleDefault | kStyleGroup},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 202, 86, 50, 14},
};

const ControlTemplate kAnnotationControls[] = {
    {ControlKind::Static, kNoId, "文字列として使用するフィールド:", 7, 7, 169, 8},
    {ControlKind::ComboBox, kLabelField, "", 7, 18, 169, 80, kStyleGroup},
    {ControlKind::CheckBox, kLabelCopyAttributes, "テキストにも属性値をコピーする", 7, 40, 169, 10, kStyleGroup},
    {ControlKind::Button, host::kIdOk, "OK", 72, 63, 50, 14, kStyleDefault | kStyleGroup},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 126, 63, 50, 14},
};

const ControlTemplate kSearchControls[] = {
    {ControlKind::Static, kNoId, "対象フィールド:", 7, 9, 60, 8},
    {ControlKind::ComboBox, kSearchField, "", 70, 7, 150, 80, kStyleGroup},
    {ControlKind::GroupBox, kNoId, "検索基準", 7, 26, 213, 78},
    {ControlKind::Radio, kSearchByText, "文字列として検索", 14, 38, 100, 10, kStyleGroup},
    {ControlKind::Edit, kSearchText, "", 24, 50, 140, 14, 0, 255},
    {ControlKind::Static, kNoId, "を含む", 168, 53, 40, 8},
    {ControlKind::Radio, kSearchByNumber, "数値として検索", 14, 68, 100, 10},
    {ControlKind::CheckBox, kSearchLowerOn, "", 24, 83, 10, 10, kStyleGroup},
    {ControlKind::Edit, kSearchLower, "", 36, 81, 50, 14, 0, 255},
    {ControlKind::Static, kNoId, "以上", 89, 84, 20, 8},
    {ControlKind::CheckBox, kSearchUpperOn, "", 114, 83, 10, 10, kStyleGroup},
    {ControlKind::Edit, kSearchUpper, "", 126, 81, 50, 14, 0, 255},
    {ControlKind::Static, kNoId, "以下", 179, 84, 20, 8},
    {ControlKind::Button, host::kIdOk, "検索して選択", 110, 110, 56, 14, kStyleDefault | kStyleGroup},
    {ControlKind::Button, host::kIdCancel, "キャンセル", 170, 110, 50, 14},
};

const std::array<DialogTemplate, 4> kTemplates{{
    {kFieldDialog, "フィールド定義の編集", 223, 137, kFieldControls},
    {kValueDialog, "属性値の編集", 259, 107, kValueControls},
    {kSearchDialog, "属性値で検索", 227, 131, kSearchControls},
    {kAnnotationDialog, "属性値から注記を作成", 183, 84, kAnnotationControls},
}};

}  // namespace

std::span<const DialogTemplate> PanelDialogTemplates() { return kTemplates; }

}  // namespace vx::resources
