// Selection by attribute value ("検索..."): every object on the visible, unlocked layers whose
// value in one field contains a text or lies in a numeric range. Only values that read as finite
// numbers are in a range.
#pragma once

#include "panel/selection_model.h"
#include "shell/host/types.h"

#include <string>
#include <vector>

namespace vx::panel {

struct SearchParams {
  std::vector<std::u16string> fieldNames;  // the panel's row names, in row order
  std::int32_t fieldIndex = 0;
  bool byNumber = false;
  std::u16string text;
  bool lowerOn = false;
  std::u16string lowerText;
  bool upperOn = false;
  std::u16string upperText;
};

host::Err RunSearchDialog(host::PluginRef plugin, SearchParams& params);
// Neither the art nor any group enclosing it (up to its layer's group) is locked or hidden.
bool IsSelectable(host::ArtHandle art);
// The layer and every layer enclosing it are visible and unlocked: its art can be selected.
bool LayerOpen(host::LayerHandle layer);
// Deselects the art of every top-level layer that has selected art.
host::Err DeselectAll();
// The command; `row` is the panel's selected row, or -1.
void SearchByValue(host::PluginRef plugin, std::int32_t row, const CSelectionModel& model);

inline constexpr const char* kSetRange = "検索する数値範囲を設定してください";
inline constexpr const char* kBadRange = "指定した数値範囲が正しくありません";

}  // namespace vx::panel
