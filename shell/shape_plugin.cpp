#include "shell/shape_plugin.h"

#include "resources/templates.h"
#include "shell/flyout.h"
#include "shell/host/c_adapters.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>

namespace vx::shell {

using namespace vx::host;

namespace {

constexpr const char* kAboutGroup = "AboutVarnoxName";
constexpr const char* kAboutGroupItemText = "Varnoxについて...";
constexpr const char* kAboutEntryText = VX_PLUGIN_NAME "...";
constexpr const char* kWebSite = "https://www.varnox.example/dirir/";

struct NotifierDef {
  const char* name;
  const char* type;
};

// In the order they are registered.
constexpr NotifierDef kNotifiers[] = {
    {"VxShape Application Shutdown Notifier", kAppShutdownNotification},
    {"VxShape Selection Changed Notifier", kSelectionChangedNotification},
    {"VxShape Document Changed Notifier", kDocumentChangedNotification},
    {"VxShape UIBrightness Changed Notifier", kBrightnessChangedNotification},
};

class AboutDialog final : public DialogHandler {
 public:
  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (event != ControlEvent::Clicked) return;
    if (id == resources::kAboutOk || id == kIdCancel) {
      w.EndDialog(id);
    } else if (id == resources::kAboutWebSite) {
      sUser()->OpenUrl(kWebSite);  // the dialog stays open
    }
  }
};

}  // namespace

Err SDKAboutPluginsHelper::AddAboutPluginsMenuItem(MessageData* message, const char* submenuGroup,
                                                   const char* groupItemText, const std::string& entryText,
                                                   MenuItemHandle* out) {
  if (!message || !message->basic || !out) return kBadParameter;
  *out = nullptr;
  const void* s = nullptr;
  if (Err e = AcquireSuiteObject(*message->basic, suite::kAIMenuSuite.name, suite::kAIMenuSuite.version, &s)) return e;
  auto* menu = static_cast<MenuSuite*>(const_cast<void*>(s));
  Err err = kNoErr;
  // Another plug-in of the family may have made the submenu already.
  bool found = false;
  std::int32_t count = 0;
  err = menu->CountMenuGroups(count);
  for (std::int32_t i = 0; !err && !found && i < count; ++i) {
    MenuGroupHandle g = nullptr;
    std::string name;
    err = menu->GetNthMenuGroup(i, g);
    if (!err) err = menu->GetMenuGroupName(g, name);
    found = !err && name == submenuGroup;
  }
  if (!err && !found) {
    MenuItemHandle groupItem = nullptr;
    MenuGroupHandle group = nullptr;
    err = menu->AddMenuItem(message->self, "", "About", groupItemText, 0, groupItem);
    if (!err) err = menu->AddMenuGroupAsSubMenu(submenuGroup, groupItem, group);
  }
  if (!err) err = menu->AddMenuItem(message->self, "", submenuGroup, text::FromPlatformText(entryText), 0, *out);
  message->basic->ReleaseSuite(suite::kAIMenuSuite.name, suite::kAIMenuSuite.version);
  return err;
}

ShapePlugin::ShapePlugin(PluginRef self) : Plugin(self) { SetName(kPluginName); }

ShapePlugin::~ShapePlugin() = default;

Err ShapePlugin::OnStartup(MessageData* message) {
  if (Err e = Plugin::OnStartup(message)) return e;
  // Without menus, panel or notifiers the plug-in still loads; what needs them does nothing.
  if (AddMenus(message) == kNoErr) {
    try {
      panel_ = std::make_unique<panel::CAttrPanel>(Self(), panel::FlyoutProcs{FlyoutDisplay, FlyoutCommand});
    } catch (const std::bad_alloc&) {
      panel_.reset();
    }
    Err e = panel_ ? panel_->Create() : kOutOfMemory;
    if (e) {
      // A half-made panel would answer the panel entry; the plug-in goes on without one.
      panel_.reset();
    } else {
      AddNotifiers();
    }
  }
  return HoldResident(true);
}

Err ShapePlugin::OnShutdown(MessageData* message) {
  // The application shut-down notification normally took the panel already; if it never came,
  // the panel must go while the suites to destroy it are still held.
  panel_.reset();
  return Plugin::OnShutdown(message);
}

Err ShapePlugin::Dispatch(const char* caller, const char* selector, void* message) {
  Err result = kNoErr;
  try {
    result = Plugin::Dispatch(caller, selector, message);
  } catch (const HostError& e) {
    result = e.code;
  } catch (...) {
    result = kCant;
  }
  if (result == kNotHandled) return kNoErr;
  if (result != kNoErr) ReportFailure(result, caller, selector, message);
  return result;
}

Err ShapePlugin::AddMenus(MessageData* message) {
  if (Err e = sMenu()->AddMenuItem(Self(), kPluginName, "Tool Palettes", kPluginName, kMenuWantsUpdate,
                                   panelMenuItem_))
    return e;
  SDKAboutPluginsHelper about;
  return about.AddAboutPluginsMenuItem(message, kAboutGroup, kAboutGroupItemText, text::ToPlatformText(kAboutEntryText),
                                       &aboutMenuItem_);
}

Err ShapePlugin::AddNotifiers() {
  for (std::size_t i = 0; i < notifiers_.size(); ++i)
    if (Err e = sNotifier()->AddNotifier(Self(), kNotifiers[i].name, kNotifiers[i].type, notifiers_[i])) return e;
  return kNoErr;
}

Err ShapePlugin::OnMenuGo(MenuMessage* message) {
  if (!message) return kNoErr;
  if (message->menuItem == panelMenuItem_ && panelMenuItem_) {
    // Showing or hiding answers success whatever the host says; only the About dialog's error
    // goes back.
    if (panel_) panel_->Show(!panel_->IsShown());
    return kNoErr;
  }
  if (message->menuItem == aboutMenuItem_ && aboutMenuItem_) return RunAboutDialog();
  return kNoErr;
}

Err ShapePlugin::OnMenuUpdate(MenuMessage* message) {
  (void)message;
  if (panel_) sMenu()->CheckItem(panelMenuItem_, panel_->IsShown());
  return kNoErr;
}

Err ShapePlugin::RunAboutDialog() {
  // The template lives in the plug-in's own module; without it there is no dialog to show.
  std::filesystem::path module;
  if (sPlugins()->GetPluginFileSpecification(Self(), module) != kNoErr || module.empty()) return kNoErr;
  WindowHandle parent = nullptr;
  if (Err e = sModalParent()->GetApplicationWindow(parent)) return e;
  AboutDialog handler;
  std::int32_t result = 0;
  return sPlatform()->RunModalDialog(Self(), resources::kAboutDialog, parent, handler, result);
}

Err ShapePlugin::OnNotify(NotifierMessage* message) {
  if (!panel_ || !message || !message->type) return kNoErr;
  const std::string_view type = message->type;
  if (type == kSelectionChangedNotification || type == kDocumentChangedNotification) {
    panel_->Refresh();
  } else if (type == kBrightnessChangedNotification) {
    panel_->LoadThemeColors();
  } else if (type == kAppShutdownNotification) {
    panel_.reset();
  }
  return kNoErr;
}

}  // namespace vx::shell

namespace {
vx::shell::Plugin* MakeShapePlugin(vx::host::PluginRef self) { return new (std::nothrow) vx::shell::ShapePlugin(self); }
}  // namespace

extern "C" vx::host::Err PluginMain(const char* caller, const char* selector, void* message) {
  return vx::shell::Entry(caller, selector, message, MakeShapePlugin);
}
