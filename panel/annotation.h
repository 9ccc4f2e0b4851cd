// Labels from attribute values ("注記..."): a point text with the value of one field on every
// selected object that has a value in it, in the object's layer.
#pragma once

#include "panel/selection_model.h"
#include "shell/host/types.h"

#include <vector>

namespace vx::panel {

struct AnnotationParams {
  std::vector<AttrRow> rows;   // copies of the panel's rows, in order
  std::int32_t chosen = 0;     // the chosen row; -1 for none
  bool copyAttributes = false; // each label receives its object's attributes
};

// 0 when confirmed, kStop when cancelled.
host::Err RunAnnotationDialog(host::PluginRef plugin, AnnotationParams& params);
// The command; `row` is the panel's selected row, or -1.
void MakeLabels(host::PluginRef plugin, std::int32_t row, const CSelectionModel& model);

}  // namespace vx::panel
