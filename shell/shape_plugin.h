// The program's plug-in: host menu entries, the attribute panel and the notifiers.
#pragma once

#include "panel/attr_panel.h"
#include "resources/templates.h"
#include "shell/plugin.h"

#include <array>
#include <memory>

namespace vx::shell {

using resources::kPluginName;

// Notification types the plug-in listens to.
inline constexpr const char* kAppStartedNotification = "AI Application Started Notifier";
inline constexpr const char* kAppShutdownNotification = "AI Application Shutdown Notifier";
inline constexpr const char* kSelectionChangedNotification = "AI Art Selection Changed Notifier";
inline constexpr const char* kDocumentChangedNotification = "AI Document Changed Notifier";
inline constexpr const char* kBrightnessChangedNotification = "AI UI Brightness Changed Notifier";

class ShapePlugin : public Plugin {
 public:
  explicit ShapePlugin(host::PluginRef self);
  ~ShapePlugin() override;

  Err OnStartup(host::MessageData* message) override;
  Err OnShutdown(host::MessageData* message) override;
  Err Dispatch(const char* caller, const char* selector, void* message) override;
  Err OnNotify(host::NotifierMessage* message) override;
  Err OnMenuGo(host::MenuMessage* message) override;
  Err OnMenuUpdate(host::MenuMessage* message) override;

  panel::CAttrPanel* Panel() const { return panel_.get(); }
  host::MenuItemHandle PanelMenuItem() const { return panelMenuItem_; }
  host::MenuItemHandle AboutMenuItem() const { return aboutMenuItem_; }

 private:
  Err AddMenus(host::MessageData* message);
  Err AddNotifiers();
  Err RunAboutDialog();

  std::unique_ptr<panel::CAttrPanel> panel_;
  host::MenuItemHandle panelMenuItem_ = nullptr;
  host::MenuItemHandle aboutMenuItem_ = nullptr;
  // Application shut-down, selection changed, document changed, brightness changed.
  std::array<host::NotifierHandle, 4> notifiers_{};
};

// Adds an item to the About submenu that the plug-ins of the family share, making the submenu
// when the first of them arrives.
class SDKAboutPluginsHelper {
 public:
  // `entryText` is 8-bit platform text of at most 255 bytes. Acquires the menu suite through the
  // message's basic suite interface for the call.
  Err AddAboutPluginsMenuItem(host::MessageData* message, const char* submenuGroup, const char* groupItemText,
                              const std::string& entryText, host::MenuItemHandle* out);
};

}  // namespace vx::shell
