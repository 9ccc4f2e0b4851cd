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
                  std::uint32_t options, MenuItemHandle& out) override {
    out = nullptr;
    if (group.empty() || text.empty()) return kBadParameter;
    auto g = std::find_if(host_.menuGroups.begin(), host_.menuGroups.end(), [&](auto& x) { return x.name == group; });
    if (g == host_.menuGroups.end()) return kNotFound;
    host_.menuItems.push_back({plugin, keyName, group, text, options, false, true, nullptr});
    out = &host_.menuItems.back();
    return kNoErr;
  }
  Err AddMenuGroupAsSubMenu(const std::string& name, MenuItemHandle item, MenuGroupHandle& out) override {
    out = nullptr;
    if (!Owns(host_.menuItems, item) || name.empty()) return kBadParameter;
    for (auto& g : host_.menuGroups)
      if (g.name == name) return kBadParameter;  // group names are unique
    host_.menuGroups.push_back({name, item});
    item->submenu = &host_.menuGroups.back();
    out = &host_.menuGroups.back();
    return kNoErr;
  }
  Err CountMenuGroups(std::int32_t& out) override {
    out = static_cast<std::int32_t>(host_.menuGroups.size());
    return kNoErr;
  }
  Err GetNthMenuGroup(std::int32_t index, MenuGroupHandle& out) override {
    if (index < 0 || index >= static_cast<std::int32_t>(host_.menuGroups.size())) return kOutOfRange;
    out = &host_.menuGroups[static_cast<std::size_t>(index)];
    return kNoErr;
  }
  Err GetMenuGroupName(MenuGroupHandle group, std::string& out) override {
    if (!Owns(host_.menuGroups, group)) return kBadParameter;
    out = group->name;
    return kNoErr;
  }
  Err CheckItem(MenuItemHandle item, bool checked) override {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    item->checked = checked;
    return kNoErr;
  }
  Err IsItemChecked(MenuItemHandle item, bool& out) override {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    out = item->checked;
    return kNoErr;
  }
  Err GetItemText(MenuItemHandle item, std::string& out) override {
    if (!Owns(host_.menuItems, item)) return kBadParameter;
    out = item->text;
    return kNoErr;
  }

 private:
  StandInHost& host_;
};

class FlyoutSuiteImpl final : public PanelFlyoutMenuSuite {
 public:
  explicit FlyoutSuiteImpl(StandInHost& h) : host_(h) {}
  Err Create(FlyoutMenuHandle& out) override {
    host_.flyouts.emplace_back();
    out = &host_.flyouts.back();
    return kNoErr;
  }
  Err Destroy(FlyoutMenuHandle menu) override {
    if (!Valid(menu)) return kBadParameter;
    menu->alive = false;
    menu->items.clear();
    return kNoErr;
  }
  Err AppendItem(FlyoutMenuHandle menu, std::int32_t id, const std::string& text) override {
    if (!Valid(menu)) return kBadParameter;
    menu->items.push_back({id, text, false, true});
    return kNoErr;
  }
  Err AppendSeparator(FlyoutMenuHandle menu, std::int32_t id) override {
    if (!Valid(menu)) return kBadParameter;
    menu->items.push_back({id, "", true, true});
    return kNoErr;
  }
  Err SetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool enabled) override {
    if (auto* it = Item(menu, id)) {
      it->enabled = enabled;
      return kNoErr;
    }
    return kNotFound;
  }
  Err GetItemEnabled(FlyoutMenuHandle menu, std::int32_t id, bool& out) override {
    if (auto* it = Item(menu, id)) {
      out = it->enabled;
      return kNoErr;
    }
    return kNotFound;
  }

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
             const PanelSize& size, bool resizable, FlyoutMenuHandle flyout, void* userData, PanelHandle& out) override {
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
  }
  Err Destroy(PanelHandle panel) override {
    VX_TRY(Check(panel));
    panel->alive = false;
    panel->shown = false;
    panel->window.reset();
    panel->flyoutDisplay = nullptr;
    panel->flyoutCommand = nullptr;
    panel->sizeChange = nullptr;
    return kNoErr;
  }
  Err Show(PanelHandle panel, bool show) override {
    VX_TRY(Check(panel));
    panel->shown = show;
    return kNoErr;
  }
  Err IsShown(PanelHandle panel, bool& out) override {
    VX_TRY(Check(panel));
    out = panel->shown;
    return kNoErr;
  }
  Err SetUserData(PanelHandle panel, void* data) override {
    VX_TRY(Check(panel));
    panel->userData = data;
    return kNoErr;
  }
  Err GetUserData(PanelHandle panel, void*& out) override {
    VX_TRY(Check(panel));
    out = panel->userData;
    return kNoErr;
  }
  Err GetSize(PanelHandle panel, PanelSize& out) override {
    VX_TRY(Check(panel));
    out = panel->size;
    return kNoErr;
  }
  Err SetSize(PanelHandle panel, const PanelSize& size) override {
    VX_TRY(Check(panel));
    panel->size = size;
    if (panel->sizeChange) panel->sizeChange(panel);
    return kNoErr;
  }
  Err SetMinimumSize(PanelHandle panel, const PanelSize& size) override {
    VX_TRY(Check(panel));
    panel->minSize = size;
    return kNoErr;
  }
  Err SetMaximumSize(PanelHandle panel, const PanelSize& size) override {
    VX_TRY(Check(panel));
    panel->maxSize = size;
    return kNoErr;
  }
  Err SetPreferredSize(PanelHandle panel, const PanelSize& size) override {
    VX_TRY(Check(panel));
    panel->preferredSize = size;
    return kNoErr;
  }
  Err GetPlatformWindow(PanelHandle panel, WindowHandle& out) override {
    VX_TRY(Check(panel));
    out = panel->window->Handle();
    return kNoErr;
  }
  Err SetFlyoutMenuPreVisibilityProc(PanelHandle panel, PanelFlyoutDisplayProc proc) override {
    VX_TRY(Check(panel));
    panel->flyoutDisplay = std::move(proc);
    return kNoErr;
  }
  Err SetFlyoutMenuProc(PanelHandle panel, PanelFlyoutCommandProc proc) override {
    VX_TRY(Check(panel));
    panel->flyoutCommand = std::move(proc);
    return kNoErr;
  }
  Err SetSizeChangeProc(PanelHandle panel, PanelSizeChangeProc proc) override {
    VX_TRY(Check(panel));
    panel->sizeChange = std::move(proc);
    return kNoErr;
  }

 private:
  Err Check(PanelHandle p) { return Owns(host_.panels, p) && p->alive ? kNoErr : kBadParameter; }
  StandInHost& host_;
};

class NotifierSuiteImpl final : public NotifierSuite {
 public:
  explicit NotifierSuiteImpl(StandInHost& h) : host_(h) {}
  Err AddNotifier(PluginRef plugin, const std::string& name, const std::string& type, NotifierHandle& out) override {
    out = nullptr;
    if (name.empty() || type.empty()) return kBadParameter;
    host_.notifiers.push_back({plugin, name, type});
    out = &host_.notifiers.back();
    return kNoErr;
  }

 private:
  StandInHost& host_;
};

class PreferenceSuiteImpl final : public PreferenceSuite {
 public:
  explicit PreferenceSuiteImpl(StandInHost::Impl& impl) : impl_(impl) {}
  Err GetInteger(const std::string& p, const std::string& k, std::int32_t& out) override { return Get(p, k, "integer", out); }
  Err PutInteger(const std::string& p, const std::string& k, std::int32_t v) override { return Put(p, k, "integer", v); }
  Err GetBoolean(const std::string& p, const std::string& k, bool& out) override { return Get(p, k, "boolean", out); }
  Err PutBoolean(const std::string& p, const std::string& k, bool v) override { return Put(p, k, "boolean", v); }
  Err GetReal(const std::string& p, const std::string& k, double& out) override { return Get(p, k, "real", out); }
  Err PutReal(const std::string& p, const std::string& k, double v) override { return Put(p, k, "real", v); }
  Err GetString(const std::string& p, const std::string& k, std::string& out) override { return Get(p, k, "string", out); }
  Err PutString(const std::string& p, const std::string& k, const std::string& v) override { return Put(p, k, "string", v); }
  Err GetFilePath(const std::string& p, const std::string& k, std::filesystem::path& out) override {
    std::string s;
    VX_TRY(Get(p, k, "path", s));
    out = Utf8ToPath(s);
    return kNoErr;
  }
  Err PutFilePath(const std::string& p, const std::string& k, const std::filesystem::path& v) override {
    return Put(p, k, "path", PathToUtf8(v));
  }

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
  Err MessageAlert(const std::string& t) override { return host_.ShowAlert(AlertKind::Message, t); }
  Err WarningAlert(const std::string& t) override { return host_.ShowAlert(AlertKind::Warning, t); }
  Err ErrorAlert(const std::string& t) override { return host_.ShowAlert(AlertKind::Error, t); }
  bool YesNoAlert(const std::string& t) override {
    bool yes = false;
    host_.ShowAlert(AlertKind::YesNo, t, &yes);
    return yes;
  }
  Err SetProgressText(const std::string& t) override {
    text_ = t;
    host_.progressLog.push_back(t);
    host_.GetUser().Progress(text_, current_, max_);
    return kNoErr;
  }
  Err UpdateProgress(std::int64_t current, std::int64_t max) override {
    current_ = current;
    max_ = max;
    host_.GetUser().Progress(text_, current_, max_);
    return kNoErr;
  }
  Err CloseProgress() override {
    text_.clear();
    current_ = max_ = 0;
    host_.GetUser().ProgressClosed();
    return kNoErr;
  }
  bool Cancelled() override { return host_.GetUser().WantsCancel(); }
  Err GetOpenFiles(const OpenFileRequest& request, std::vector<std::filesystem::path>& out) override {
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
  }
  Err GetSaveFile(const SaveFileRequest& request, std::filesystem::path& out) override {
    return host_.GetUser().ChooseSaveFile(request, out);
  }
  Err ChooseFolder(const std::string& title, const std::filesystem::path& start, std::filesystem::path& out) override {
    (void)start;
    return host_.GetUser().ChooseFolder(title, out);
  }
  Err OpenUrl(const std::string& url) override {
    host_.GetUser().OpenUrl(url);
    return kNoErr;
  }

 private:
  StandInHost& host_;
  std::string text_;
  std::int64_t current_ = 0, max_ = 0;
};

class ModalParentSuiteImpl final : public ModalParentSuite {
 public:
  explicit ModalParentSuiteImpl(StandInHost& h) : host_(h) {}
  Err GetModalParent(WindowHandle& out) override {
    out = host_.dialogStack.empty() ? AppWindow() : host_.dialogStack.back()->Handle();
    return kNoErr;
  }
  Err GetApplicationWindow(WindowHandle& out) override {
    out = AppWindow();
    return kNoErr;
  }
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
  Err PushAppContext(PluginRef plugin, ContextHandle& out) override {
    contexts_.push_back({plugin});
    out = &contexts_.back();
    ++host_.contextDepth;
    return kNoErr;
  }
  Err PopAppContext(ContextHandle context) override {
    if (!context || host_.contextDepth <= 0) return kBadParameter;
    --host_.contextDepth;
    return kNoErr;
  }

 private:
  StandInHost& host_;
  std::deque<ContextOpaque> contexts_;
};

class UIThemeSuiteImpl final : public UIThemeSuite {
 public:
  explicit UIThemeSuiteImpl(StandInHost& h) : host_(h) {}
  Err GetUIThemeColor(std::int32_t selector, std::int32_t kind, ThemeColor& out) override {
    if (selector != 1) return kNotFound;
    auto it = host_.themeColors.find(kind);
    if (it == host_.themeColors.end()) return kNotFound;
    out = it->second;
    return kNoErr;
  }

 private:
  StandInHost& host_;
};

class AccessSuiteImpl final : public AccessSuite {
 public:
  Err AcquirePlugin(PluginRef plugin, AccessRef& out) override {
    if (!plugin) return kBadParameter;
    access_.push_back({plugin, true});
    ++plugin->accessCount;
    out = &access_.back();
    return kNoErr;
  }
  Err ReleasePlugin(AccessRef access) override {
    if (!access || !access->held) return kBadParameter;
    access->held = false;
    --access->plugin->accessCount;
    return kNoErr;
  }

 private:
  std::deque<AccessOpaque> access_;
};

class PluginsSuiteImpl final : public PluginsSuite {
 public:
  Err SetPluginName(PluginRef plugin, const std::string& name) override {
    if (!plugin) return kBadParameter;
    plugin->name = name;
    return kNoErr;
  }
  Err GetPluginName(PluginRef plugin, std::string& out) override {
    if (!plugin) return kBadParameter;
    out = plugin->name;
    return kNoErr;
  }
  Err GetPluginFileSpecification(PluginRef plugin, std::filesystem::path& out) override {
    if (!plugin) return kBadParameter;
    out = plugin->file;
    return kNoErr;
  }
};

class PlatformSuiteImpl final : public PlatformSuite {
 public:
  explicit PlatformSuiteImpl(StandInHost& h) : host_(h) {}
  Err RunModalDialog(PluginRef plugin, std::int32_t templateId, WindowHandle parent, DialogHandler& handler,
                     std::int32_t& result) override {
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
  }
  Err GetWindow(WindowHandle handle, Window*& out) override {
    out = nullptr;
    for (ControlWindow* w : host_.dialogStack)
      if (w->Handle() == handle) out = w;
    for (PanelOpaque& p : host_.panels)
      if (p.window && p.window->Handle() == handle) out = p.window.get();
    return out ? kNoErr : kBadParameter;
  }
  Err SetWindowHandler(WindowHandle handle, DialogHandler* handler) override {
    Window* w = nullptr;
    VX_TRY(GetWindow(handle, w));
    static_cast<ControlWindow*>(w)->handler = handler;
    return kNoErr;
  }
  Err GetWindowHandler(WindowHandle handle, DialogHandler*& out) override {
    out = nullptr;
    Window* w = nullptr;
    VX_TRY(GetWindow(handle, w));
    out = static_cast<ControlWindow*>(w)->handler;
    return kNoErr;
  }

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
