// Editing from the panel: the field definition dialog, the attribute value dialog, and the value
// (double click), definition ("定義...") and new field ("新規...") commands.
#pragma once

#include "attributes/field.h"
#include "panel/selection_model.h"
#include "shell/host/platform.h"

namespace vx::panel {

enum FieldDialogMode : std::int32_t {
  kFieldModeColumn = 0,  // a column of a coordinate text import: the coordinate types are offered
  kFieldModeEdit = 1,    // an existing field: the delete button is shown
  kFieldModeNew = 2,
};

struct FieldDialogParams {
  host::PluginRef plugin = nullptr;
  attr::ShapeField field;  // shown, and on OK overwritten (its value is left alone)
  std::int32_t mode = kFieldModeNew;
  bool deleteRequested = false;  // out: the user confirmed deletion
};

// 0 when confirmed, kStop when cancelled, or the host's error when the dialog could not open.
host::Err RunFieldDialog(FieldDialogParams& params);

struct ValueDialogResult {
  bool edited = false;       // the user changed the edit's text; OK on an untouched edit changes nothing
  std::int32_t widenTo = 0;  // the user agreed to widen the field to this width for the value
};

// Shows the row's field; on OK the typed text becomes the row's value. A value the field cannot
// hold is refused with an alert naming the width, or taken when the user agrees to widen the field.
host::Err RunValueDialog(host::PluginRef plugin, AttrRow& row, ValueDialogResult* result = nullptr);
// "the value does not fit width `width` (needs `need`)".
std::string ValueTooWide(std::int32_t width, std::int32_t need);

// True when the value was applied.
bool ValueCommand(host::PluginRef plugin, std::int32_t row, CSelectionModel& model);
// True when the field was changed or deleted.
bool DefinitionCommand(host::PluginRef plugin, std::int32_t row, CSelectionModel& model);
// True when the field was added.
bool NewFieldCommand(host::PluginRef plugin, CSelectionModel& model);

// Field dialog alerts.
inline constexpr const char* kTextWidthRange = "文字列型の全桁数は1～254の間に設定してください";
inline constexpr const char* kIntegerWidthRange = "整数型の全桁数は1～10の間に設定してください";
inline constexpr const char* kRealWidthRange = "実数型の全桁数は1～19の間に設定してください";
inline constexpr const char* kRealDecimalsRange = "実数型の精度が不適切です";
inline constexpr const char* kConfirmDelete = "このフィールドをレイヤーから削除します。よろしいですか？";
// Value dialog alert: a number field given a text that is not a number.
inline constexpr const char* kEnterNumber = "数値を入力してください";

// The first `units` UTF-16 code units of a text, never half a surrogate pair.
std::u16string CutText(std::u16string_view text, std::size_t units);
// Runs a modal dialog of the plug-in over the application window; the code it ended with.
host::Err RunDialog(host::PluginRef plugin, std::int32_t templateId, host::DialogHandler& handler);

}  // namespace vx::panel
