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

std::vector<DialogTemplate>& Table() {
  static std::vector<DialogTemplate> table{
      {kAboutDialog, "Varnox-Dirir4.5について", 243, 148, kAboutControls},
      {kOpenFileEncodingArea, "", 379, 55, kEncodingAreaControls},
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
