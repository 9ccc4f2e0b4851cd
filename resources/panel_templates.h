// Dialog templates of the attribute panel's commands: field definition, attribute value,
// annotation and search. Control ids as the dialogs' handlers address them.
#pragma once

#include "resources/templates.h"

#include <span>

namespace vx::resources {

inline constexpr std::int32_t kFieldDialog = 112;       // "フィールド定義の編集"
inline constexpr std::int32_t kValueDialog = 113;       // "属性値の編集"
inline constexpr std::int32_t kAnnotationDialog = 116;  // "属性値から注記を作成"

// Field definition dialog.
inline constexpr std::int32_t kFieldName = 1080;
inline constexpr std::int32_t kFieldType = 1075;
inline constexpr std::int32_t kFieldWidth = 1084;
inline constexpr std::int32_t kFieldDecimals = 1079;
inline constexpr std::int32_t kFieldDelete = 1077;

// Attribute value dialog.
inline constexpr std::int32_t kValueEdit = 1130;
inline constexpr std::int32_t kValueName = 1131;
inline constexpr std::int32_t kValueType = 1132;
inline constexpr std::int32_t kValueWidth = 1133;
inline constexpr std::int32_t kValueDecimals = 1134;

// Annotation dialog.
inline constexpr std::int32_t kLabelField = 1075;
inline constexpr std::int32_t kLabelCopyAttributes = 1076;

// Search dialog (kSearchDialog).
inline constexpr std::int32_t kSearchField = 1075;
inline constexpr std::int32_t kSearchByText = 1087;
inline constexpr std::int32_t kSearchText = 1079;
inline constexpr std::int32_t kSearchByNumber = 1090;
inline constexpr std::int32_t kSearchLowerOn = 1076;
inline constexpr std::int32_t kSearchLower = 1080;
inline constexpr std::int32_t kSearchUpperOn = 1091;
inline constexpr std::int32_t kSearchUpper = 1092;

std::span<const host::DialogTemplate> PanelDialogTemplates();

}  // namespace vx::resources
