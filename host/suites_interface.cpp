// The stand-in host's interface suites: menus, panels, notifiers, preferences, the user, the
// application context, the theme, the plug-in's own services and the platform's dialogs.
#include "host/impl.h"

#include "resources/templates.h"
#include "shell/host/paths.h"

#include <algorithm>

namespace vx::host {
namespace {

template <class T>
bool Owns(const std::deque<T>& list, const T* p) {
  for (const T& x : list)
    if (&x == p) return true;
  return false;
}

class MenuSuiteImpl final : public MenuSuite {
 public:
  explicit MenuSuiteImpl(StandInHost& h) : host_(h) {}
  Err AddMenuItem(PluginRef plugin, const std::string& keyName, const std::string& group, const std::string& text,
                  std::uint32_t options, MenuItemHandle& out) override try {
    out = nullptr;
    if (group.empty() || text.empty()) return kBadParameter;
    auto g = std::find_if(host_.menuGroups.begin(), host_.menuGroups.end(), [&](auto& x) { return x.name == group; });
    if (g == host_.menuGroups.end()) return kNotFound;
    host_.menuItems.push_back({plugin, keyName, group, text, options, false, true, nullptr});
    out = &host_.menuItems.back();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err AddMenuGroupAsSubMenu(const std::string& name, MenuItemHandle item, MenuGroupHandle& out) override try {
    out = nullptr;
    if (!Owns(host_.menuItems, item) || name.empty()) return kBadParameter;
    for (auto& g : host_.menuGroups)
      if (g.name == name) return kBadParameter;  // group names are unique
    host_.menuGroups.push_back({name, item});
    item->submenu = &host_.menuGroups.back();
    out = &host_.menuGroups.back();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err CountMenuGroups(std::int32_t& out) override try {
    out = static_cast<std::int32_t>(host_.menuGroups.size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetNthMenuGroup(std::int32_t index, MenuGroupHandle& out) override try {
    if (index < 0 || index >= static_cast<std::int32_t>(host_.menuGroups.size())) return kOutOfRange;
    out = &host_.menuGroups[static_cast<std::size_t>(index)];
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetMenuGroupName(MenuGroupHandle group, std::string& out) override try {
    if (!Owns(host_.menuGroups, group)) return kBadParameter;
    out = group->name;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err CheckItem(MenuItemHandle item, bool checked) override try {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    item->checked = checked;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err IsItemChecked(MenuItemHandle item, bool& out) override try {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    out = item->checked;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetItemText(MenuItemHandle item, std::string& out) override try {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    out = item->text;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
};

class FlyoutSuiteImpl final : public PanelFlyoutMenuSuite {
 public:
  explicit FlyoutSuiteImpl(StandInHost& h) : host_(h) {}
  Err Create(FlyoutMenuHandle& out) override try {
    host_.flyouts.emplace_back();
    out = &host_.flyouts.back();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err Destroy(FlyoutMenuHandle menu) override try {
    if (!Valid(menu)) return kBadParameter;
    menu->alive = false;
    menu->items.clear();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err AppendItem(FlyoutMenuHandle menu, std::int32_t id, const std::string& text) override try {
    if (!Valid(menu)) return kBadParameter;
    menu->items.push_back({id, text, false, true});
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err AppendSeparator(FlyoutMenuHandle menu, std::int32_t id) override try {
    if (!Valid(menu)) return kBadParameter;
    menu->items.push_back({id, "", true, true});
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool enabled) override try {
    if (auto* it = Item(menu, id)) {
      it->enabled = enabled;
      return kNoErr;
    }
    return kNotFound;
  } catch (...) { return EdgeFailure(); }
  Err GetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool& out) override try {
    if (auto* it = Item(menu, id)) {
      out = it->enabled;
      return kNoErr;
    }
    return kNotFound;
  } catch (...) { return EdgeFailure(); }

 private:
  bool Valid(FlyoutMenuHandle m) { return Owns(host_.flyouts, m) && m->alive; }
  FlyoutMenuOpaque::Item* Item(FlyoutMenuHandle m, std::int32_t id) {
    if (!Valid(m)) return nullptr;
    for (auto& it : m->items)
      if (it.id == id) return &it;
    return nullptr;
  }
  StandInHost& host_;
};

class PanelSuiteImpl final : public PanelSuite {
 public:
  explicit PanelSuiteImpl(StandInHost& h) : host_(h) {}
  Err Create(PluginRef plugin, const std::string& id, const std::string& title, std::int32_t stateCount,
             const PanelSize& size, bool resizable, FlyoutMenuHandle flyout, void* userData, PanelHandle& out) override try {
    out = nullptr;
    if (id.empty() || stateCount < 1) return kBadParameter;
    PanelOpaque& p = host_.panels.emplace_back();
    p.plugin = plugin;
    p.id = id;
    p.title = title;
    p.states = stateCount;
    p.size = size;
    p.resizable = resizable;
    p.flyout = flyout;
    p.userData = userData;
    p.window = std::make_unique<ControlWindow>(title, false);
    out = &p;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err Destroy(PanelHandle panel) override try {
    VX_TRY(Check(panel));
    panel->alive = false;
    panel->shown = false;
    panel->window.reset();
    panel->flyoutDisplay = nullptr;
    panel->flyoutCommand = nullptr;
    panel->sizeChange = nullptr;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err Show(PanelHandle panel, bool show) override try {
    VX_TRY(Check(panel));
    panel->shown = show;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err IsShown(PanelHandle panel, bool& out) override try {
    VX_TRY(Check(panel));
    out = panel->shown;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetUserData(PanelHandle panel, void* data) override try {
    VX_TRY(Check(panel));
    panel->userData = data;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetUserData(PanelHandle panel, void*& out) override try {
    VX_TRY(Check(panel));
    out = panel->userData;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetSize(PanelHandle panel, PanelSize& out) override try {
    VX_TRY(Check(panel));
    out = panel->size;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetSize(PanelHandle panel, const PanelSize& size) override try {
    VX_TRY(Check(panel));
    panel->size = size;
    if (panel->sizeChange) panel->sizeChange(panel);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetMinimumSize(PanelHandle panel, const PanelSize& size) override try {
    VX_TRY(Check(panel));
    panel->minSize = size;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetMaximumSize(PanelHandle panel, const PanelSize& size) override try {
    VX_TRY(Check(panel));
    panel->maxSize = size;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPreferredSize(PanelHandle panel, const PanelSize& size) override try {
    VX_TRY(Check(panel));
    panel->preferredSize = size;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPlatformWindow(PanelHandle panel, WindowHandle& out) override try {
    VX_TRY(Check(panel));
    out = panel->window->Handle();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetFlyoutMenuPreVisibilityProc(PanelHandle panel, PanelFlyoutDisplayProc proc) override try {
    VX_TRY(Check(panel));
    panel->flyoutDisplay = std::move(proc);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetFlyoutMenuProc(PanelHandle panel, PanelFlyoutCommandProc proc) override try {
    VX_TRY(Check(panel));
    panel->flyoutCommand = std::move(proc);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetSizeChangeProc(PanelHandle panel, PanelSizeChangeProc proc) override try {
    VX_TRY(Check(panel));
    panel->sizeChange = std::move(proc);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  Err Check(PanelHandle p) { return Owns(host_.panels, p) && p->alive ? kNoErr : kBadParameter; }
  StandInHost& host_;
};

class NotifierSuiteImpl final : public NotifierSuite {
 public:
  explicit NotifierSuiteImpl(StandInHost& h) : host_(h) {}
  Err AddNotifier(PluginRef plugin, const std::string& name, const std::string& type, NotifierHandle& out) override try {
    out = nullptr;
    if (name.empty() || type.empty()) return kBadParameter;
    host_.notifiers.push_back({plugin, name, type});
    out = &host_.notifiers.back();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
};

class PreferenceSuiteImpl final : public PreferenceSuite {
 public:
  explicit PreferenceSuiteImpl(StandInHost::Impl& impl) : impl_(impl) {}
  Err GetInteger(const std::string& p, const std::string& k, std::int32_t& out) override try { return Get(p, k, "integer", out); } catch (...) { return EdgeFailure(); }
  Err PutInteger(const std::string& p, const std::string& k, std::int32_t v) override try { return Put(p, k, "integer", v); } catch (...) { return EdgeFailure(); }
  Err GetBoolean(const std::string& p, const std::string& k, bool& out) override try { return Get(p, k, "boolean", out); } catch (...) { return EdgeFailure(); }
  Err PutBoolean(const std::string& p, const std::string& k, bool v) override try { return Put(p, k, "boolean", v); } catch (...) { return EdgeFailure(); }
  Err GetReal(const std::string& p, const std::string& k, double& out) override try { return Get(p, k, "real", out); } catch (...) { return EdgeFailure(); }
  Err PutReal(const std::string& p, const std::string& k, double v) override try { return Put(p, k, "real", v); } catch (...) { return EdgeFailure(); }
  Err GetString(const std::string& p, const std::string& k, std::string& out) override try { return Get(p, k, "string", out); } catch (...) { return EdgeFailure(); }
  Err PutString(const std::string& p, const std::string& k, const std::string& v) override try { return Put(p, k, "string", v); } catch (...) { return EdgeFailure(); }
  Err GetFilePath(const std::string& p, const std::string& k, std::filesystem::path& out) override try {
    std::string s;
    VX_TRY(Get(p, k, "path", s));
    out = Utf8ToPath(s);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err PutFilePath(const std::string& p, const std::string& k, const std::filesystem::path& v) override try {
    return Put(p, k, "path", PathToUtf8(v));
  } catch (...) { return EdgeFailure(); }

 private:
  template <class T>
  Err Get(const std::string& p, const std::string& k, const char* type, T& out) {
    auto it = impl_.prefs.find(p + "/" + k);
    if (it == impl_.prefs.end() || (*it).value("type", "") != type) return kNotFound;
    try {
      out = (*it).at("value").get<T>();
    } catch (const std::exception&) {
      return kNotFound;
    }
    return kNoErr;
  }
  template <class T>
  Err Put(const std::string& p, const std::string& k, const char* type, const T& v) {
    impl_.prefs[p + "/" + k] = {{"type", type}, {"value", v}};
    return kNoErr;
  }
  StandInHost::Impl& impl_;
};

class UserSuiteImpl final : public UserSuite {
 public:
  explicit UserSuiteImpl(StandInHost& h) : host_(h) {}
  Err MessageAlert(const std::string& t) override try { return host_.ShowAlert(AlertKind::Message, t); } catch (...) { return EdgeFailure(); }
  Err WarningAlert(const std::string& t) override try { return host_.ShowAlert(AlertKind::Warning, t); } catch (...) { return EdgeFailure(); }
  Err ErrorAlert(const std::string& t) override try { return host_.ShowAlert(AlertKind::Error, t); } catch (...) { return EdgeFailure(); }
  bool YesNoAlert(const std::string& t) override try {
    bool yes = false;
    host_.ShowAlert(AlertKind::YesNo, t, &yes);
    return yes;
  } catch (...) { return EdgeFailure(); }
  Err SetProgressText(const std::string& t) override try {
    text_ = t;
    host_.progressLog.push_back(t);
    host_.GetUser().Progress(text_, current_, max_);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err UpdateProgress(std::int64_t current, std::int64_t max) override try {
    current_ = current;
    max_ = max;
    host_.GetUser().Progress(text_, current_, max_);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err CloseProgress() override try {
    text_.clear();
    current_ = max_ = 0;
    host_.GetUser().ProgressClosed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  bool Cancelled() override try { return host_.GetUser().WantsCancel(); } catch (...) { return EdgeFailure(); }
  Err GetOpenFiles(const OpenFileRequest& request, std::vector<std::filesystem::path>& out) override try {
    out.clear();
    std::unique_ptr<ControlWindow> child;
    if (request.childTemplate != 0) {
      const DialogTemplate* t = resources::FindDialogTemplate(request.childTemplate);
      if (!t) return kNotFound;
      child = std::make_unique<ControlWindow>(t->title, false);
      child->Build(*t);
      child->handler = request.childHandler;
      if (child->handler) child->handler->OnInit(*child);
    }
    std::vector<std::filesystem::path> files;
    VX_TRY(host_.GetUser().ChooseOpenFiles(request, child.get(), files));
    if (files.empty()) return kStop;
    for (const auto& f : files)
      if (!std::filesystem::exists(f)) {
        // The platform's dialog insists that the file exists.
        host_.ShowAlert(AlertKind::Error, PathToUtf8(f) + "\nファイルが見つかりません。");
        return kStop;
      }
    if (child && child->handler) {
      child->handler->OnFileSelected(*child, files.front());
      child->handler->OnCommand(*child, kIdFileOk, ControlEvent::Clicked, 0);
    }
    out = std::move(files);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetSaveFile(const SaveFileRequest& request, std::filesystem::path& out) override try {
    return host_.GetUser().ChooseSaveFile(request, out);
  } catch (...) { return EdgeFailure(); }
  Err ChooseFolder(const std::string& title, const std::filesystem::path& start, std::filesystem::path& out) override try {
    (void)start;
    return host_.GetUser().ChooseFolder(title, out);
  } catch (...) { return EdgeFailure(); }
  Err OpenUrl(const std::string& url) override try {
    host_.GetUser().OpenUrl(url);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
  std::string text_;
  std::int64_t current_ = 0, max_ = 0;
};

class ModalParentSuiteImpl final : public ModalParentSuite {
 public:
  explicit ModalParentSuiteImpl(StandInHost& h) : host_(h) {}
  Err GetModalParent(WindowHandle& out) override try {
    out = host_.dialogStack.empty() ? AppWindow() : host_.dialogStack.back()->Handle();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetApplicationWindow(WindowHandle& out) override try {
    out = AppWindow();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  static WindowHandle AppWindow() {
    static int app;
    return reinterpret_cast<WindowHandle>(&app);
  }

 private:
  StandInHost& host_;
};

class ContextSuiteImpl final : public ContextSuite {
 public:
  explicit ContextSuiteImpl(StandInHost& h) : host_(h) {}
  Err PushAppContext(PluginRef plugin, ContextHandle& out) override try {
    contexts_.push_back({plugin});
    out = &contexts_.back();
    ++host_.contextDepth;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err PopAppContext(ContextHandle context) override try {
    if (!context || host_.contextDepth <= 0) return kBadParameter;
    --host_.contextDepth;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
  std::deque<ContextOpaque> contexts_;
};

class UIThemeSuiteImpl final : public UIThemeSuite {
 public:
  explicit UIThemeSuiteImpl(StandInHost& h) : host_(h) {}
  Err GetUIThemeColor(std::int32_t selector, std::int32_t kind, ThemeColor& out) override try {
    if (selector != 1) return kNotFound;
    auto it = host_.themeColors.find(kind);
    if (it == host_.themeColors.end()) return kNotFound;
    out = it->second;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
};

class AccessSuiteImpl final : public AccessSuite {
 public:
  Err AcquirePlugin(PluginRef plugin, AccessRef& out) override try {
    if (!plugin) return kBadParameter;
    access_.push_back({plugin, true});
    ++plugin->accessCount;
    out = &access_.back();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err ReleasePlugin(AccessRef access) override try {
    if (!access || !access->held) return kBadParameter;
    access->held = false;
    --access->plugin->accessCount;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  std::deque<AccessOpaque> access_;
};

class PluginsSuiteImpl final : public PluginsSuite {
 public:
  Err SetPluginName(PluginRef plugin, const std::string& name) override try {
    if (!plugin) return kBadParameter;
    plugin->name = name;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPluginName(PluginRef plugin, std::string& out) override try {
    if (!plugin) return kBadParameter;
    out = plugin->name;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPluginFileSpecification(PluginRef plugin, std::filesystem::path& out) override try {
    if (!plugin) return kBadParameter;
    out = plugin->file;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class PlatformSuiteImpl final : public PlatformSuite {
 public:
  explicit PlatformSuiteImpl(StandInHost& h) : host_(h) {}
  Err RunModalDialog(PluginRef plugin, std::int32_t templateId, WindowHandle parent, DialogHandler& handler,
                     std::int32_t& result) override try {
    (void)plugin, (void)parent;
    result = 0;
    const DialogTemplate* t = resources::FindDialogTemplate(templateId);
    if (!t) return kNotFound;
    ControlWindow w(t->title, true);
    w.Build(*t);
    w.handler = &handler;
    host_.dialogStack.push_back(&w);
    handler.OnInit(w);
    if (!w.Ended()) host_.GetUser().RunDialog(w);
    host_.dialogStack.pop_back();
    result = w.Result();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetWindow(WindowHandle handle, Window*& out) override try {
    out = nullptr;
    for (ControlWindow* w : host_.dialogStack)
      if (w->Handle() == handle) out = w;
    for (PanelOpaque& p : host_.panels)
      if (p.window && p.window->Handle() == handle) out = p.window.get();
    return out ? kNoErr : kBadParameter;
  } catch (...) { return EdgeFailure(); }
  Err SetWindowHandler(WindowHandle handle, DialogHandler* handler) override try {
    Window* w = nullptr;
    VX_TRY(GetWindow(handle, w));
    static_cast<ControlWindow*>(w)->handler = handler;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetWindowHandler(WindowHandle handle, DialogHandler*& out) override try {
    out = nullptr;
    Window* w = nullptr;
    VX_TRY(GetWindow(handle, w));
    out = static_cast<ControlWindow*>(w)->handler;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  StandInHost& host_;
};

}  // namespace

void RegisterInterfaceSuites(StandInHost& host, StandInHost::Impl& impl) {
  AddSuite<MenuSuite>(impl, "AI Menu Suite", 11, std::make_shared<MenuSuiteImpl>(host));
  AddSuite<PanelFlyoutMenuSuite>(impl, "AI Panel Flyout Menu Suite", 2, std::make_shared<FlyoutSuiteImpl>(host));
  AddSuite<PanelSuite>(impl, "AI Panel Suite", 2, std::make_shared<PanelSuiteImpl>(host));
  AddSuite<NotifierSuite>(impl, "AI Notifier Suite", 4, std::make_shared<NotifierSuiteImpl>(host));
  AddSuite<PreferenceSuite>(impl, "AI Preference Suite", 6, std::make_shared<PreferenceSuiteImpl>(impl));
  AddSuite<UserSuite>(impl, "AI User Suite", 11, std::make_shared<UserSuiteImpl>(host));
  AddSuite<ModalParentSuite>(impl, "AI Modal Parent Suite", 2, std::make_shared<ModalParentSuiteImpl>(host));
  AddSuite<ContextSuite>(impl, "AI Context Suite", 7, std::make_shared<ContextSuiteImpl>(host));
  AddSuite<UIThemeSuite>(impl, "AI User Interface Theme Suite", 2, std::make_shared<UIThemeSuiteImpl>(host));
  AddSuite<AccessSuite>(impl, "SP Access Suite", 3, std::make_shared<AccessSuiteImpl>());
  AddSuite<PluginsSuite>(impl, "SP Plug-ins Suite", 4, std::make_shared<PluginsSuiteImpl>());
  AddSuite<PlatformSuite>(impl, "VX Platform UI Suite", 1, std::make_shared<PlatformSuiteImpl>(host));
}

}  // namespace vx::host
