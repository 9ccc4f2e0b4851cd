// The stand-in host: documents in memory, preferences, menus, panels, notifiers, the platform's
// dialogs and the user, offered to the plug-in as suites through a basic suite interface.
//
// One StandInHost exists at a time (the suites are process-wide, as in the real application);
// constructing a second one throws std::logic_error.
#pragma once

#include "host/document.h"
#include "host/user.h"
#include "host/window.h"
#include "shell/host/atomic_file.h"
#include "shell/host/plugin_main.h"
#include "shell/host/slots.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vx::host {

struct PluginOpaque {
  std::string name;
  std::filesystem::path file;  // the plug-in's own file; its folder holds what ships with it
  void* globals = nullptr;
  PluginMainProc main = nullptr;
  std::int32_t accessCount = 0;
};
struct AccessOpaque {
  PluginOpaque* plugin = nullptr;
  bool held = false;
};
struct MenuGroupOpaque;
struct MenuItemOpaque {
  PluginOpaque* plugin = nullptr;
  std::string keyName, group, text;
  std::uint32_t options = 0;
  bool checked = false;
  bool enabled = true;
  MenuGroupOpaque* submenu = nullptr;
};
struct MenuGroupOpaque {
  std::string name;
  MenuItemOpaque* parentItem = nullptr;  // set for submenus
};
struct FlyoutMenuOpaque {
  struct Item {
    std::int32_t id;
    std::string text;
    bool separator = false;
    bool enabled = true;
  };
  std::vector<Item> items;
  bool alive = true;
};
struct PanelOpaque {
  PluginOpaque* plugin = nullptr;
  std::string id, title;
  std::int32_t states = 1;
  PanelSize size, minSize, maxSize, preferredSize;
  bool resizable = false;
  bool shown = false;
  bool alive = true;
  FlyoutMenuOpaque* flyout = nullptr;
  void* userData = nullptr;
  PanelFlyoutDisplayProc flyoutDisplay;
  PanelFlyoutCommandProc flyoutCommand;
  PanelSizeChangeProc sizeChange;
  std::unique_ptr<ControlWindow> window;
};
struct NotifierOpaque {
  PluginOpaque* plugin = nullptr;
  std::string name, type;
};
struct ContextOpaque {
  PluginOpaque* plugin = nullptr;
};

class StandInHost {
 public:
  StandInHost();
  ~StandInHost();
  StandInHost(const StandInHost&) = delete;
  StandInHost& operator=(const StandInHost&) = delete;
  static StandInHost* Current();

  // ----- documents
  Document* Doc() { return doc_.get(); }
  // A new document of `width` × `height` points with one ordinary layer "レイヤー 1".
  void NewDocument(double width = 612, double height = 792);
  void CloseDocument() { doc_.reset(); }
  // A program that ends with this host leaves the document to the system rather than freeing it
  // piece by piece (a twentieth of a large import's time, for memory the system takes back at once).
  void KeepDocumentAtExit() { keepDocument_ = true; }
  // Loads or saves the document; on failure `error` says why in one line.
  bool OpenDocument(const std::filesystem::path& file, std::string& error);
  bool SaveDocument(const std::filesystem::path& file, std::string& error);
  // Takes the advisory lock a command that changes `file` holds from before it reads the
  // document until after it has saved it: a second such command waits up to `waitMs`
  // milliseconds, then is refused with `error` naming the file. Held until the host goes.
  bool LockDocument(const std::filesystem::path& file, int waitMs, std::string& error);
  // Replaces the open document (tests build documents directly).
  void SetDocument(std::unique_ptr<Document> doc) { doc_ = std::move(doc); }

  // ----- the user
  void SetUser(std::shared_ptr<User> user) { user_ = std::move(user); }
  User& GetUser() { return *user_; }
  ScriptedUser* Scripted() { return dynamic_cast<ScriptedUser*>(user_.get()); }
  // Every alert shown so far, in order.
  const std::vector<AlertRecord>& Alerts() const { return alerts_; }

  // ----- preferences (kept in memory; persisted only when a file is set)
  void SetPreferencesFile(std::filesystem::path file);
  bool SavePreferences(std::string& error) const;
  // The default location: $VXSHAPE_PREFERENCES, else vxshape/preferences.json in the user's
  // application-data folder (%APPDATA% on Windows; $XDG_CONFIG_HOME or ~/.config elsewhere).
  static std::filesystem::path DefaultPreferencesFile();

  // ----- suites
  BasicSuite& Basic();
  // Acquisitions through the basic suite not yet released.
  std::int32_t HeldSuites() const;
  // What the basic suite's functions do (they catch what these throw).
  Err AcquireHostSuite(const std::string& name, std::int32_t version, const void** suite);
  Err ReleaseHostSuite(const std::string& name, std::int32_t version);
  // Makes a suite unavailable (tests of start-up failures).
  void RemoveSuite(const std::string& name) { removed_.insert(name); }
  // Fills the plug-in's suite slots directly, for tests that exercise plug-in code without the
  // plug-in's entry; ClearSlots empties them.
  void FillSlots();
  static void ClearSlots();

  // ----- the plug-in
  // Registers the plug-in's entry and its file location.
  PluginRef LoadPlugin(PluginMainProc main, std::filesystem::path pluginFile);
  Err Send(const char* caller, const char* selector, void* message);
  // Lets go of everything that leads into the plug-in's code (its entry, callbacks, window
  // handlers), before its module is unloaded; sending to it afterwards answers kNotFound.
  void ForgetPlugin();
  Err StartPlugin();  // "SP Interface"/"Startup", then the application-started notification
  Err ShutdownPlugin();  // the application shut-down notification, then "SP Interface"/"Shutdown"
  Err Notify(const std::string& type);
  Err MenuGo(MenuItemHandle item);
  Err MenuUpdate(MenuItemHandle item);
  // Sends the selection and document notifications that changes since the last flush call for.
  void FlushNotifications();
  PluginRef Plugin() { return plugin_.get(); }

  // ----- introspection for the command line and tests
  std::deque<MenuItemOpaque> menuItems;
  std::deque<MenuGroupOpaque> menuGroups;
  std::deque<PanelOpaque> panels;
  std::deque<FlyoutMenuOpaque> flyouts;
  std::deque<NotifierOpaque> notifiers;
  std::vector<ControlWindow*> dialogStack;  // open modal dialogs, innermost last
  std::int32_t contextDepth = 0;
  std::map<std::int32_t, ThemeColor> themeColors;  // by kind, for selector 1
  bool textReflowSuspended = false;
  bool selectionChanged = false;
  bool documentChanged = false;
  std::vector<std::string> progressLog;  // progress texts in order

  // Internals used by the suite implementations.
  Err ShowAlert(AlertKind kind, const std::string& text, bool* answer = nullptr);
  std::string ModalParentName() const;

 private:
  std::unique_ptr<Document> doc_;
  bool keepDocument_ = false;
  std::shared_ptr<User> user_;
  std::vector<AlertRecord> alerts_;
  std::set<std::string> removed_;
  std::unique_ptr<PluginOpaque> plugin_;
  std::deque<AccessOpaque> access_;
  std::deque<ContextOpaque> contexts_;
  std::filesystem::path prefsFile_;
  std::vector<std::unique_ptr<FileLock>> locks_;

 public:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

}  // namespace vx::host
