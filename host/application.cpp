#include "host/application.h"

#include "host/c_tables.h"
#include "resources/templates.h"
#include "shell/host/paths.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>
#include <utility>

namespace vx::host {

using nlohmann::json;

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

void ClearSelection(Document& d) {
  for (LayerOpaque* l : d.layers) {
    std::vector<ArtOpaque*> all;
    Document::Walk(l->group, all);
    for (ArtOpaque* a : all) a->flags &= ~kArtSelected;
  }
}

void SelectWithContents(ArtOpaque* art) {
  art->flags |= kArtSelected;
  std::vector<ArtOpaque*> inside;
  Document::Walk(art, inside);
  for (ArtOpaque* a : inside) a->flags |= kArtSelected;
}

// Borrows one of the host's own suites for the application's use.
template <class Suite>
class Borrowed {
 public:
  Borrowed(StandInHost& host, const char* name, std::int32_t version) : host_(host), name_(name), version_(version) {
    const void* s = nullptr;
    // What the basic suite hands out is the suite's C table; the host's side uses its object.
    if (host_.Basic().AcquireSuite(name, version, &s) != kNoErr) return;
    suite_ = HostSuiteObject<Suite>();
    if (!suite_) host_.Basic().ReleaseSuite(name, version);
  }
  ~Borrowed() {
    if (suite_) host_.Basic().ReleaseSuite(name_, version_);
  }
  Suite* operator->() const { return suite_; }
  explicit operator bool() const { return suite_ != nullptr; }

 private:
  StandInHost& host_;
  const char* name_;
  std::int32_t version_;
  Suite* suite_ = nullptr;
};

}  // namespace

// ----- the application

Application::~Application() {
  if (module_) Quit();
}

Err Application::Start(PluginMainProc main, std::filesystem::path pluginFile) {
  quit_ = false;
  host_.LoadPlugin(main, std::move(pluginFile));
  const Err e = host_.StartPlugin();
  host_.FlushNotifications();
  return e;
}

Err Application::Start(const std::filesystem::path& moduleFile, std::string& error) {
  if (module_) Quit();
  module_ = PluginModule::Load(moduleFile, error);
  if (!module_) return kNotFound;
  return Start(module_->Main(), moduleFile);
}

Err Application::Quit() {
  if (quit_) return kNoErr;
  quit_ = true;
  const Err e = host_.ShutdownPlugin();
  if (module_) {
    MessageData m;
    host_.Send(kCallerAccess, kSelectorUnload, &m);
    // Nothing the host keeps may lead into the module once it is gone.
    host_.ForgetPlugin();
    module_.reset();
  }
  return e;
}

// One command of a person: its changes are one undo step. A command cancelled half-way keeps what
// it did before the cancel, as the plug-in means it to, and that too is one step.
class Application::Command {
 public:
  explicit Command(Application& app) : app_(app), host_(app.host_), doc_(app.host_.Doc()) {
    if (doc_) doc_->journal.Begin();
    if (!app_.command_) app_.command_ = this;
  }
  ~Command() {
    End();
    if (app_.command_ == this) app_.command_ = nullptr;
  }
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;
  void End() {
    if (doc_ && host_.Doc() == doc_) doc_->journal.End();
    doc_ = nullptr;
  }

 private:
  Application& app_;
  StandInHost& host_;
  Document* doc_;
};

std::string Application::Finish(std::string error) {
  host_.FlushNotifications();
  if (command_) command_->End();
  return error;
}

void Application::SendUpdates() {
  for (MenuItemOpaque& item : host_.menuItems)
    if (item.plugin == host_.Plugin() && (item.options & kMenuWantsUpdate)) host_.MenuUpdate(&item);
}

PanelOpaque* Application::Panel() {
  for (PanelOpaque& p : host_.panels)
    if (p.alive && p.plugin == host_.Plugin()) return &p;
  return nullptr;
}

std::string Application::ChooseMenu(const std::string& text) {
  Command step(*this);
  MenuItemOpaque* item = nullptr;
  std::string known;
  for (MenuItemOpaque& m : host_.menuItems) {
    if (m.plugin != host_.Plugin() || m.submenu) continue;
    if (m.text == text) item = &m;
    known += (known.empty() ? "" : ", ") + Quoted(m.text);
  }
  if (!item)
    return "the plug-in has no menu entry " + Quoted(text) + " (its entries: " + (known.empty() ? "none" : known) +
           ")";
  SendUpdates();
  host_.MenuGo(item);  // a failure goes back to the application, which shows nothing
  return Finish("");
}

std::vector<FlyoutItemState> Application::FlyoutStates(std::string& error) {
  error.clear();
  PanelOpaque* p = Panel();
  if (!p) {
    error = "the plug-in has no panel";
    return {};
  }
  if (!p->shown) {
    error = "the panel is hidden, so its flyout menu cannot be opened";
    return {};
  }
  if (!p->flyout || !p->flyout->alive) {
    error = "the panel has no flyout menu";
    return {};
  }
  if (p->flyoutDisplay) {
    PanelFlyoutDisplayProc display = p->flyoutDisplay;  // the callback may change the panel
    display(p);
  }
  std::vector<FlyoutItemState> out;
  for (const auto& it : p->flyout->items) out.push_back({it.id, it.text, it.separator, it.enabled});
  return out;
}

std::string Application::ChooseFlyout(std::int32_t id) {
  Command step(*this);
  std::string error;
  const std::vector<FlyoutItemState> items = FlyoutStates(error);
  if (!error.empty()) return Finish(error);
  auto it = std::find_if(items.begin(), items.end(), [&](const FlyoutItemState& s) { return s.id == id; });
  if (it == items.end()) return Finish("the flyout menu has no item " + std::to_string(id));
  if (it->separator) return Finish("flyout item " + std::to_string(id) + " is a separator");
  if (!it->enabled) return Finish("flyout item " + std::to_string(id) + " " + Quoted(it->text) + " is disabled");
  PanelOpaque* p = Panel();
  if (p && p->flyoutCommand) {
    PanelFlyoutCommandProc command = p->flyoutCommand;
    command(p, id);
  }
  return Finish("");
}

namespace {

std::string RefusedBecause(Err e) {
  if (e == kLocked) return "it is disabled or hidden";
  if (e == kNotFound) return "there is no such control";
  if (e == kOutOfRange) return "there is no such row";
  return ErrText(e);
}

ControlState* FindList(ControlWindow& w) {
  for (const ControlState& c : w.Controls())
    if (c.kind == ControlKind::ListView) return w.Find(c.id);
  return nullptr;
}

}  // namespace

std::string Application::ClickPanelButton(const std::string& captionOrId) {
  Command step(*this);
  PanelOpaque* p = Panel();
  if (!p || !p->window) return "the plug-in has no panel";
  if (!p->shown) return "the panel is hidden";
  std::int32_t id = 0;
  bool found = false;
  for (const ControlState& c : p->window->Controls())
    if (c.kind == ControlKind::Button && c.text == captionOrId) id = c.id, found = true;
  if (!found) {
    const char* end = captionOrId.data() + captionOrId.size();
    auto [ptr, ec] = std::from_chars(captionOrId.data(), end, id);
    found = ec == std::errc() && ptr == end && p->window->Find(id) && p->window->Find(id)->kind == ControlKind::Button;
  }
  if (!found) return "the panel has no button " + Quoted(captionOrId);
  if (Err e = p->window->UserClick(id)) return Finish("cannot click the panel's button " + Quoted(captionOrId) + ": " + RefusedBecause(e));
  return Finish("");
}

std::string Application::SelectPanelRows(const std::vector<std::int32_t>& rows) {
  Command step(*this);
  PanelOpaque* p = Panel();
  if (!p || !p->window) return "the plug-in has no panel";
  if (!p->shown) return "the panel is hidden";
  ControlState* list = FindList(*p->window);
  if (!list) return "the panel has no list";
  if (Err e = p->window->UserSelectRows(list->id, rows)) return Finish("cannot select the panel's rows: " + RefusedBecause(e));
  return Finish("");
}

std::string Application::DoubleClickPanelRow(std::int32_t row) {
  Command step(*this);
  PanelOpaque* p = Panel();
  if (!p || !p->window) return "the plug-in has no panel";
  if (!p->shown) return "the panel is hidden";
  ControlState* list = FindList(*p->window);
  if (!list) return "the panel has no list";
  if (Err e = p->window->UserDoubleClickRow(list->id, row))
    return Finish("cannot double-click the panel's row " + std::to_string(row) + ": " + RefusedBecause(e));
  return Finish("");
}

std::string Application::SelectArt(const std::string& title, const std::vector<std::int32_t>& indexes, bool all,
                                   bool add) {
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  LayerOpaque* layer = nullptr;
  for (LayerOpaque* l : d->PreorderLayers())
    if (l->title == title && !layer) layer = l;
  if (!layer) return "the document has no layer " + Quoted(title);
  return SelectIn(layer, indexes, all, add);
}

LayerOpaque* Application::LayerAt(std::size_t layerIndex) {
  Document* d = host_.Doc();
  if (!d) return nullptr;
  const auto pre = d->PreorderLayers();
  return layerIndex < pre.size() ? pre[layerIndex] : nullptr;
}

std::string Application::SelectArtOf(std::size_t layerIndex, const std::vector<std::int32_t>& indexes, bool add,
                                     bool all) {
  if (!host_.Doc()) return "no document is open";
  LayerOpaque* layer = LayerAt(layerIndex);
  if (!layer) return "the document has no layer " + std::to_string(layerIndex);
  return SelectIn(layer, indexes, all, add);
}

std::string Application::ShowLayer(std::size_t layerIndex, bool visible) {
  Command step(*this);
  LayerOpaque* layer = LayerAt(layerIndex);
  if (!layer) return "the document has no layer " + std::to_string(layerIndex);
  Borrowed<LayerSuite> layers(host_, "AI Layer Suite", 13);
  if (!layers || layers->SetLayerVisible(layer, visible)) return "cannot change layer " + Quoted(layer->title);
  return Finish("");
}

std::string Application::LockLayer(std::size_t layerIndex, bool locked) {
  Command step(*this);
  LayerOpaque* layer = LayerAt(layerIndex);
  if (!layer) return "the document has no layer " + std::to_string(layerIndex);
  Borrowed<LayerSuite> layers(host_, "AI Layer Suite", 13);
  if (!layers || layers->SetLayerEditable(layer, !locked)) return "cannot change layer " + Quoted(layer->title);
  return Finish("");
}

std::string Application::MakeCurrentLayer(std::size_t layerIndex) {
  LayerOpaque* layer = LayerAt(layerIndex);
  if (!layer) return "the document has no layer " + std::to_string(layerIndex);
  Borrowed<LayerSuite> layers(host_, "AI Layer Suite", 13);
  if (!layers || layers->SetCurrentLayer(layer)) return "cannot make layer " + Quoted(layer->title) + " current";
  return Finish("");
}

std::string Application::SelectIn(LayerOpaque* layer, const std::vector<std::int32_t>& indexes, bool all, bool add) {
  Document* d = host_.Doc();
  const std::string title = layer->title;
  // A person cannot select art on a locked or hidden layer (or inside one), nor locked or hidden art.
  for (const LayerOpaque* l = layer; l; l = d->ParentLayer(l)) {
    const std::string which = l == layer ? "layer " + Quoted(title) : "its parent layer " + Quoted(l->title);
    if (!l->visible) return "cannot select art of layer " + Quoted(title) + ": " + which + " is hidden";
    if (!l->editable) return "cannot select art of layer " + Quoted(title) + ": " + which + " is locked";
  }
  std::vector<ArtOpaque*> top;
  for (ArtOpaque* a = layer->group->firstChild; a; a = a->next)
    if (a->alive && !a->layerOfGroup) top.push_back(a);
  for (std::int32_t i : indexes) {
    if (i < 0 || i >= static_cast<std::int32_t>(top.size()))
      return "layer " + Quoted(title) + " has no art " + std::to_string(i) + " (it has " + std::to_string(top.size()) +
             ")";
    const ArtOpaque* a = top[static_cast<std::size_t>(i)];
    if (a->flags & (kArtLocked | kArtHidden))
      return "cannot select art " + std::to_string(i) + " of layer " + Quoted(title) + ": it is " +
             ((a->flags & kArtHidden) ? "hidden" : "locked");
  }
  if (!add) ClearSelection(*d);
  if (all) {
    for (ArtOpaque* a : top)
      if (!(a->flags & (kArtLocked | kArtHidden))) SelectWithContents(a);
  } else {
    for (std::int32_t i : indexes) SelectWithContents(top[static_cast<std::size_t>(i)]);
  }
  host_.selectionChanged = true;
  return Finish("");
}

std::string Application::DeselectAll() {
  if (Document* d = host_.Doc()) ClearSelection(*d);
  host_.selectionChanged = true;
  return Finish("");
}

std::string Application::NewLayer(const std::string& title) {
  Command step(*this);
  if (!host_.Doc()) return "no document is open";
  Borrowed<LayerSuite> layers(host_, "AI Layer Suite", 13);
  LayerHandle l = nullptr;
  if (!layers || layers->InsertLayer(nullptr, PaintOrder::Above, l) || layers->SetLayerTitle(l, title) ||
      layers->SetCurrentLayer(l))
    return "cannot make a layer";
  return Finish("");
}

std::string Application::DeleteLayer(const std::string& title) {
  Command step(*this);
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  LayerOpaque* layer = nullptr;
  for (LayerOpaque* l : d->PreorderLayers())
    if (l->title == title && !layer) layer = l;
  if (!layer) return "the document has no layer " + Quoted(title);
  Borrowed<LayerSuite> layers(host_, "AI Layer Suite", 13);
  if (!layers || layers->DeleteLayer(layer)) return "cannot delete layer " + Quoted(title);
  return Finish("");
}

std::string Application::CloseDocument() {
  if (!host_.Doc()) return "no document is open";
  host_.CloseDocument();
  host_.documentChanged = true;
  return Finish("");
}

std::string Application::Notify(const std::string& type) {
  Command step(*this);
  host_.Notify(type);
  return Finish("");
}

std::string Application::Undo() {
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  if (!d->journal.Undo()) return "there is nothing to undo";
  host_.documentChanged = host_.selectionChanged = true;
  return Finish("");
}

std::string Application::Redo() {
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  if (!d->journal.Redo()) return "there is nothing to redo";
  host_.documentChanged = host_.selectionChanged = true;
  return Finish("");
}

bool Application::CanUndo() {
  Document* d = host_.Doc();
  return d && d->journal.CanUndo();
}

bool Application::CanRedo() {
  Document* d = host_.Doc();
  return d && d->journal.CanRedo();
}

std::uint64_t Application::Revision() {
  Document* d = host_.Doc();
  return d ? d->journal.Revision() : 0;
}

bool Application::Unsaved() {
  Document* d = host_.Doc();
  return d && d->journal.Unsaved();
}

namespace {

// Layers whose art a person can select: the layer and every layer around it visible and unlocked.
bool LayerOpen(const Document& d, const LayerOpaque* layer) {
  for (const LayerOpaque* l = layer; l; l = d.ParentLayer(l))
    if (!l->visible || !l->editable) return false;
  return true;
}

// Layers whose art can be changed: none around it locked.
bool LayerUnlocked(const Document& d, const LayerOpaque* layer) {
  for (const LayerOpaque* l = layer; l; l = d.ParentLayer(l))
    if (!l->editable) return false;
  return true;
}

}  // namespace

std::string Application::DeleteSelection() {
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  Command step(*this);
  // The topmost art that is selected whole: a group selected in part loses only what is selected.
  std::vector<ArtOpaque*> doomed, stack;
  for (LayerOpaque* l : d->PreorderLayers()) {
    if (!LayerUnlocked(*d, l)) continue;
    for (ArtOpaque* a = l->group->lastChild; a; a = a->prev)
      if (!a->layerOfGroup) stack.push_back(a);
  }
  while (!stack.empty()) {
    ArtOpaque* a = stack.back();
    stack.pop_back();
    if (a->flags & kArtLocked) continue;
    if (FullySelected(a)) {
      doomed.push_back(a);
      continue;
    }
    if (a->flags & kArtSelected)
      for (ArtOpaque* c = a->lastChild; c; c = c->prev) stack.push_back(c);
  }
  for (ArtOpaque* a : doomed) d->Dispose(a);
  if (!doomed.empty()) host_.documentChanged = host_.selectionChanged = true;
  return Finish("");
}

std::string Application::SelectAll() {
  Document* d = host_.Doc();
  if (!d) return "no document is open";
  ClearSelection(*d);
  for (LayerOpaque* l : d->PreorderLayers()) {
    if (!LayerOpen(*d, l)) continue;
    for (ArtOpaque* a = l->group->firstChild; a; a = a->next)
      if (!a->layerOfGroup && !(a->flags & (kArtLocked | kArtHidden))) SelectWithContents(a);
  }
  host_.selectionChanged = true;
  return Finish("");
}

std::vector<std::string> Application::MenuStates() {
  SendUpdates();
  std::vector<std::string> out;
  for (const MenuItemOpaque& m : host_.menuItems)
    if (m.plugin == host_.Plugin())
      out.push_back(m.group + " / " + m.text + (m.submenu ? " >" : "") + (m.checked ? " [checked]" : ""));
  return out;
}

std::vector<std::string> Application::PanelState() {
  PanelOpaque* p = Panel();
  if (!p) return {"no panel"};
  std::vector<std::string> out{"panel " + Quoted(p->title) + (p->shown ? " shown" : " hidden")};
  if (p->window)
    for (std::string& line : p->window->Describe()) out.push_back(std::move(line));
  return out;
}

// ----- scripts

namespace {

using Step = ScriptedUser::Step;

const char* const kAppKeys[] = {"menu",   "flyout",     "flyoutStates",  "menuStates", "panelState",
                                "panelButton", "panelRows", "panelDoubleClick", "select", "newLayer",
                                "deleteLayer", "closeDocument", "notify", "undo", "redo", "delete", "selectAll"};
const char* const kUserKeys[] = {"dialog",     "snapshot",   "setText", "click",  "selectItem",
                                 "setPosition", "selectRows", "doubleClick", "answer", "openFiles",
                                 "saveFile",   "folder",     "cancelFileDialog", "cancelAt"};
const char* const kOptionKeys[] = {"text", "index", "value", "rows", "row", "encoding", "combo"};

template <std::size_t N>
bool In(const char* const (&list)[N], const std::string& key) {
  return std::any_of(std::begin(list), std::end(list), [&](const char* k) { return key == k; });
}

// The options each action takes; an option on any other action would be silently dropped.
bool TakesOption(const std::string& action, const std::string& option) {
  struct Takes {
    const char* action;
    const char* option;
  };
  static const Takes kTakes[] = {
      {"setText", "text"},     {"selectItem", "index"}, {"selectItem", "text"},  {"setPosition", "value"},
      {"selectRows", "rows"},  {"doubleClick", "row"},  {"openFiles", "encoding"}, {"openFiles", "combo"},
  };
  return std::any_of(std::begin(kTakes), std::end(kTakes),
                     [&](const Takes& t) { return action == t.action && option == t.option; });
}

// Reasons quote the script's own texts, which may hold line breaks; a reason stays one line.
std::string OneLine(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

[[noreturn]] void Bad(std::size_t n, const std::string& why) {
  throw std::runtime_error(OneLine("script step " + std::to_string(n) + ": " + why));
}

std::int32_t Int(std::size_t n, const json& v, const char* what) {
  if (!v.is_number_integer()) Bad(n, std::string(what) + " must be a whole number");
  const auto x = v.get<std::int64_t>();
  if (x < INT32_MIN || x > INT32_MAX) Bad(n, std::string(what) + " is out of range");
  return static_cast<std::int32_t>(x);
}

std::string Text(std::size_t n, const json& v, const char* what) {
  if (!v.is_string()) Bad(n, std::string(what) + " must be a text");
  return v.get<std::string>();
}

std::vector<std::int32_t> Ints(std::size_t n, const json& v, const char* what) {
  if (!v.is_array()) Bad(n, std::string(what) + " must be a list of whole numbers");
  std::vector<std::int32_t> out;
  for (const json& x : v) out.push_back(Int(n, x, what));
  return out;
}

std::filesystem::path File(std::size_t n, const json& v, const std::filesystem::path& base) {
  std::filesystem::path p = Utf8ToPath(Text(n, v, "a file name"));
  return p.is_absolute() || base.empty() ? p : base / p;
}

bool IsTrue(std::size_t n, const json& v, const char* key) {
  if (!v.is_boolean() || !v.get<bool>()) Bad(n, std::string("\"") + key + "\" takes true");
  return true;
}

Step UserStep(std::size_t n, const std::string& key, const json& o, const std::filesystem::path& base) {
  Step s;
  const json& v = o.at(key);
  if (key == "dialog") {
    s.kind = Step::Kind::Dialog;
    s.id = v.is_string() && v.get<std::string>() == "any" ? 0 : Int(n, v, "a dialog id");
  } else if (key == "snapshot") {
    IsTrue(n, v, "snapshot");
    s.kind = Step::Kind::Snapshot;
  } else if (key == "setText") {
    s.kind = Step::Kind::SetText;
    s.id = Int(n, v, "a control id");
    if (!o.contains("text")) Bad(n, "\"setText\" needs \"text\"");
    s.text = Text(n, o.at("text"), "\"text\"");
  } else if (key == "click") {
    s.kind = Step::Kind::Click;
    s.id = Int(n, v, "a control id");
  } else if (key == "selectItem") {
    s.kind = Step::Kind::SelectItem;
    s.id = Int(n, v, "a control id");
    if (o.contains("index")) s.index = Int(n, o.at("index"), "\"index\"");
    else if (o.contains("text")) s.text = Text(n, o.at("text"), "\"text\"");
    else Bad(n, "\"selectItem\" needs \"index\" or \"text\"");
    if (o.contains("index") && s.index < 0) Bad(n, "\"index\" must not be negative");
  } else if (key == "setPosition") {
    s.kind = Step::Kind::SetPosition;
    s.id = Int(n, v, "a control id");
    if (!o.contains("value")) Bad(n, "\"setPosition\" needs \"value\"");
    s.value = Int(n, o.at("value"), "\"value\"");
  } else if (key == "selectRows") {
    s.kind = Step::Kind::SelectRows;
    s.id = Int(n, v, "a control id");
    if (!o.contains("rows")) Bad(n, "\"selectRows\" needs \"rows\"");
    s.rows = Ints(n, o.at("rows"), "\"rows\"");
  } else if (key == "doubleClick") {
    s.kind = Step::Kind::DoubleClick;
    s.id = Int(n, v, "a control id");
    if (!o.contains("row")) Bad(n, "\"doubleClick\" needs \"row\"");
    s.value = Int(n, o.at("row"), "\"row\"");
  } else if (key == "answer") {
    s.kind = Step::Kind::Answer;
    if (v.is_boolean()) s.flag = v.get<bool>();
    else if (v == "yes" || v == "no") s.flag = v == "yes";
    else Bad(n, "\"answer\" takes \"yes\" or \"no\"");
  } else if (key == "openFiles") {
    s.kind = Step::Kind::OpenFiles;
    if (v.is_string()) s.files.push_back(File(n, v, base));
    else if (v.is_array() && !v.empty())
      for (const json& f : v) s.files.push_back(File(n, f, base));
    else Bad(n, "\"openFiles\" takes a file name or a list of them");
    if (o.contains("encoding")) s.text = Text(n, o.at("encoding"), "\"encoding\"");
    s.id = o.contains("combo") ? Int(n, o.at("combo"), "\"combo\"") : resources::kEncodingCombo;
  } else if (key == "saveFile") {
    s.kind = Step::Kind::SaveFile;
    s.files.push_back(File(n, v, base));
  } else if (key == "folder") {
    s.kind = Step::Kind::Folder;
    s.files.push_back(File(n, v, base));
  } else if (key == "cancelFileDialog") {
    IsTrue(n, v, "cancelFileDialog");
    s.kind = Step::Kind::CancelFileDialog;
  }
  return s;
}

// The notifications the application sends.
const char* const kNotificationTypes[] = {"AI Application Started Notifier", "AI Application Shutdown Notifier",
                                          "AI Art Selection Changed Notifier", "AI Document Changed Notifier",
                                          "AI UI Brightness Changed Notifier"};

// Reads an application step of a script into the person's step it stands for.
PersonStep AppStep(std::size_t n, const std::string& key, const json& o) {
  using A = PersonStep::Action;
  const json& v = o.at(key);
  PersonStep s;
  auto text = [&] { return Text(n, v, ("\"" + key + "\"").c_str()); };
  auto number = [&] { return Int(n, v, ("\"" + key + "\"").c_str()); };
  if (key == "notify") {
    const std::string type = Text(n, v, "\"notify\"");
    if (!In(kNotificationTypes, type)) {
      std::string known;
      for (const char* t : kNotificationTypes) known += (known.empty() ? "" : ", ") + Quoted(t);
      Bad(n, "the application sends no notification " + Quoted(type) + " (it sends " + known + ")");
    }
    s.action = A::Notify;
    s.text = type;
  } else if (key == "menu") {
    s.action = A::Menu;
    s.text = text();
  } else if (key == "panelButton") {
    s.action = A::PanelButton;
    s.text = v.is_number_integer() ? std::to_string(v.get<std::int32_t>()) : text();
  } else if (key == "newLayer") {
    s.action = A::NewLayer;
    s.text = text();
  } else if (key == "deleteLayer") {
    s.action = A::DeleteLayer;
    s.text = text();
  } else if (key == "flyout") {
    s.action = A::Flyout;
    s.number = number();
  } else if (key == "panelDoubleClick") {
    s.action = A::PanelDoubleClick;
    s.number = number();
  } else if (key == "panelRows") {
    s.action = A::PanelRows;
    s.numbers = Ints(n, v, "\"panelRows\"");
  } else if (key == "select") {
    if (v == "none") {
      s.action = A::Deselect;
      return s;
    }
    if (!v.is_object() || !v.contains("layer")) Bad(n, "\"select\" takes \"none\" or {\"layer\": ..., \"art\": ...}");
    s.action = A::Select;
    s.text = Text(n, v.at("layer"), "\"layer\"");
    s.allArt = !v.contains("art") || v.at("art") == "all";
    if (!s.allArt) s.numbers = Ints(n, v.at("art"), "\"art\"");
  } else {
    IsTrue(n, v, key.c_str());
    static const std::pair<const char*, A> kFlags[] = {
        {"flyoutStates", A::FlyoutStates}, {"menuStates", A::MenuStates}, {"panelState", A::PanelState},
        {"closeDocument", A::CloseDocument}, {"undo", A::Undo}, {"redo", A::Redo}, {"delete", A::Delete},
        {"selectAll", A::SelectAll}};
    for (const auto& [k, a] : kFlags)
      if (key == k) s.action = a;
  }
  return s;
}

std::string Describe(const json& step) {
  for (auto& [k, v] : step.items()) {
    if (v.is_boolean()) return k;
    return k + " " + (v.is_string() ? v.get<std::string>() : v.dump());
  }
  return "?";
}

}  // namespace

std::vector<ScriptAction> ParseScript(const json& script, const std::filesystem::path& base) {
  const json* steps = &script;
  if (script.is_object()) {
    if (!script.contains("steps")) throw std::runtime_error("the script has no \"steps\"");
    steps = &script.at("steps");
  }
  if (!steps->is_array()) throw std::runtime_error("the script's steps must be a list");
  std::vector<ScriptAction> actions;
  std::size_t n = 0;
  for (const json& o : *steps) {
    ++n;
    if (!o.is_object()) Bad(n, "each step is an object such as {\"menu\": \"...\"}");
    std::string key;
    for (auto& [k, v] : o.items()) {
      (void)v;
      if (In(kAppKeys, k) || In(kUserKeys, k)) {
        if (!key.empty()) Bad(n, "\"" + key + "\" and \"" + k + "\" in one step");
        key = k;
      } else if (!In(kOptionKeys, k)) {
        Bad(n, "unknown key \"" + k + "\"");
      }
    }
    if (key.empty()) Bad(n, "no action in the step");
    for (auto& [k, v] : o.items()) {
      (void)v;
      if (In(kOptionKeys, k) && !TakesOption(key, k)) Bad(n, "\"" + k + "\" does not go with \"" + key + "\"");
    }
    if (In(kAppKeys, key)) {
      ScriptAction a;
      a.number = n;
      a.step = AppStep(n, key, o);
      a.label = Describe(json::object({{key, o.at(key)}}));
      actions.push_back(std::move(a));
      continue;
    }
    if (actions.empty())
      Bad(n, "\"" + key + "\" answers what a menu, flyout or panel step opens, but no such step comes before it");
    ScriptAction& a = actions.back();
    if (key == "cancelAt") {
      const std::int32_t at = Int(n, o.at(key), "\"cancelAt\"");
      if (at < 1) Bad(n, "\"cancelAt\" counts from 1");
      a.cancelAt = at;
      a.cancelAtNumber = n;
      continue;
    }
    a.userSteps.push_back(UserStep(n, key, o, base));
    a.userLabels.push_back("step " + std::to_string(n) + " (" + Describe(json::object({{key, o.at(key)}})) + ")");
  }
  return actions;
}

std::string PlayScript(Application& app, ScriptedUser& user, const std::vector<ScriptAction>& actions,
                       const std::function<void(const std::string&)>& out) {
  std::size_t printed = user.Transcript().size();
  auto flush = [&] {
    const auto& t = user.Transcript();
    for (; printed < t.size(); ++printed) out(t[printed]);
  };
  for (const ScriptAction& a : actions) {
    const std::string where = "step " + std::to_string(a.number) + " (" + a.label + ")";
    user.ResetPolls();
    user.CancelAtPoll(a.cancelAt);
    for (const Step& s : a.userSteps) user.Push(s);
    user.Note("> " + a.label);
    const std::string error = Play(app, a.step, [&](const std::string& line) { user.Note(line); });
    user.CancelAtPoll(0);
    flush();

    if (!error.empty()) return OneLine(where + ": " + error);
    if (user.Failure()) return OneLine(where + ": " + *user.Failure());
    if (user.StepsLeft()) {
      const std::size_t used = a.userSteps.size() - user.RemainingSteps();
      const std::string& label = a.userLabels[used];
      const Step::Kind k = a.userSteps[used].kind;
      std::string why = "what it answers never came up";
      if (k == Step::Kind::Dialog) why = "the dialog it expects never opened";
      else if (k == Step::Kind::Answer) why = "no question was asked";
      else if (k == Step::Kind::OpenFiles || k == Step::Kind::SaveFile || k == Step::Kind::Folder ||
               k == Step::Kind::CancelFileDialog)
        why = "no file dialog opened";
      else why = "no dialog was open for it";
      return OneLine(label + " was not played after " + where + ": " + why);
    }
    if (a.cancelAt > 0 && user.Polls() < a.cancelAt)
      return OneLine("step " + std::to_string(a.cancelAtNumber) + " (cancelAt " + std::to_string(a.cancelAt) +
                     ") was not played after " + where + ": the command made only " + std::to_string(user.Polls()) +
                     " cancel polls");
  }
  return "";
}

SessionResult PlaySession(Application& app, ScriptedUser& user, const std::vector<ScriptAction>& actions,
                          const std::function<void(const std::string&)>& out,
                          const std::function<std::string()>& save) {
  SessionResult r;
  try {
    r.scriptFailure = PlayScript(app, user, actions, out);
    if (r.scriptFailure.empty()) r.saveFailure = save();
  } catch (...) {
    app.Quit();
    throw;
  }
  app.Quit();
  return r;
}

}  // namespace vx::host
