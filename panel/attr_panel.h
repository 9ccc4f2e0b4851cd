// The attribute panel: a host panel with a two-column list of the selection's fields, four
// command buttons and the flyout menu through which the import, export, marker and upgrade
// commands are chosen.
#pragma once

#include "panel/selection_model.h"
#include "shell/host/platform.h"
#include "shell/host/suites.h"

#include <cstdint>
#include <vector>

namespace vx::panel {

using host::Err;

// Flyout menu items; the host passes these ids back with a command.
enum FlyoutItem : std::int32_t {
  kFlyoutImportShapefile = 1,
  kFlyoutImportCoordText = 2,
  kFlyoutImportKml = 3,
  kFlyoutSeparator1 = 4,
  kFlyoutExportShapefile = 5,
  kFlyoutExportCoordText = 6,
  kFlyoutSeparator2 = 7,
  kFlyoutFourPointMarkers = 8,
  kFlyoutThreePointMarkers = 9,
  kFlyoutSeparator3 = 10,
  kFlyoutUpgradeAttributes = 11,
};

struct FlyoutItemText {
  std::int32_t id;
  const char* text;  // nullptr for a separator
};

// The items in menu order.
const std::vector<FlyoutItemText>& FlyoutItems();

// Child controls of the panel window.
inline constexpr std::int32_t kLabelId = 1;
inline constexpr std::int32_t kListId = 1000;
inline constexpr std::int32_t kAnnotateButtonId = 1001;
inline constexpr std::int32_t kSearchButtonId = 1002;
inline constexpr std::int32_t kDefineButtonId = 1003;
inline constexpr std::int32_t kNewButtonId = 1004;

// 0xBBGGRR colours of the list's cells.
inline constexpr std::uint32_t kNameCellText = 0xFFFFFF;
inline constexpr std::uint32_t kNameCellBack = 0x606060;
inline constexpr std::uint32_t kValueCellText = 0x000000;
inline constexpr std::uint32_t kValueCellBack = 0xFFFFFF;

// The flyout callbacks the panel registers with the host. The panel builds the menu; what its
// items do is the shell's business.
struct FlyoutProcs {
  void (*display)(host::PanelHandle panel) = nullptr;
  void (*command)(host::PanelHandle panel, std::int32_t itemId) = nullptr;
};

class CAttrPanel : private host::DialogHandler {
 public:
  // No host call: the host panel comes with Create.
  CAttrPanel(host::PluginRef plugin, FlyoutProcs flyout);
  ~CAttrPanel() override;
  CAttrPanel(const CAttrPanel&) = delete;
  CAttrPanel& operator=(const CAttrPanel&) = delete;

  // Builds the flyout menu, the host panel and its controls, and shows the panel. Returns the
  // first host error of the panel steps.
  Err Create();
  bool IsShown() const;
  Err Show(bool show);
  // Collects the selection again and refills the list, while the panel is shown.
  void Refresh();
  Err LoadThemeColors();
  // Fits the controls to the panel's size.
  void Layout();

  host::PluginRef Plugin() const { return plugin_; }
  host::PanelHandle Panel() const { return panel_; }
  host::FlyoutMenuHandle FlyoutMenu() const { return flyout_; }
  const host::ThemeColor& LabelBackColor() const { return labelBack_; }
  const host::ThemeColor& LabelTextColor() const { return labelText_; }
  CSelectionModel& Model() { return model_; }
  // How many times a refresh rebuilt the list.
  std::int32_t Reloads() const { return reloads_; }

  // A theme colour as 0xBBGGRR; each component becomes a byte with the fraction dropped.
  static std::uint32_t ColorRef(const host::ThemeColor& c);

 private:
  // Window events of the panel's controls.
  void OnCommand(host::Window& w, std::int32_t id, host::ControlEvent event, std::int32_t detail) override;
  bool OnListCellColors(host::Window& w, std::int32_t id, std::int32_t row, std::int32_t column, std::uint32_t& text,
                        std::uint32_t& back) override;
  bool OnStaticColors(host::Window& w, std::int32_t id, std::uint32_t& text, std::uint32_t& back) override;

  void CreateControls();
  void Attach();
  void Detach();
  host::Window* PanelWindow() const;
  // The first selected list row, or 0.
  std::int32_t CommandRow() const;
  // Rebuilds the list from the selection.
  void Reload();


  host::PluginRef plugin_;
  FlyoutProcs flyoutProcs_;
  host::PanelHandle panel_ = nullptr;
  host::FlyoutMenuHandle flyout_ = nullptr;
  host::ThemeColor labelBack_{1, 0, 0, 0};
  host::ThemeColor labelText_{1, 0, 0, 0};
  host::WindowHandle window_ = nullptr;
  bool attached_ = false;
  host::DialogHandler* previous_ = nullptr;  // the window's handler before this object took over
  std::int32_t reloads_ = 0;
  CSelectionModel model_;
};

}  // namespace vx::panel
