#include "serve/web_session.h"

#include "host/svg.h"
#include "resources/templates.h"
#include "shell/host/paths.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace vx::serve {

using namespace host;

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

// 0xBBGGRR as a CSS colour.
std::string CssColor(std::uint32_t bgr) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
  return buf;
}

const char* AlignName(Align a) {
  switch (a) {
    case Align::Right: return "right";
    case Align::Center: return "center";
    default: return "left";
  }
}

json Filters(const std::vector<FileFilter>& filters) {
  json out = json::array();
  for (const FileFilter& f : filters) out.push_back({{"label", f.label}, {"pattern", f.pattern}});
  return out;
}

// A person's action in a dialog window; answers an empty text or why it was refused.
std::string ApplyToWindow(ControlWindow& w, const json& a) {
  const std::string event = a.value("event", "");
  const std::int32_t id = a.value("id", 0);
  Err e = kBadParameter;
  if (event == "setText") e = w.UserSetText(id, a.value("text", ""));
  else if (event == "click") e = w.UserClick(id);
  else if (event == "selectItem") e = w.UserSelectItem(id, a.value("index", -1));
  else if (event == "setPosition") e = w.UserSetPosition(id, a.value("value", 0));
  else if (event == "selectRows") e = w.UserSelectRows(id, a.value("rows", std::vector<std::int32_t>{}));
  else if (event == "doubleClick") e = w.UserDoubleClickRow(id, a.value("row", -1));
  else return "不明な操作です: " + event;
  if (e == kNoErr) return "";
  if (e == kLocked) return "コントロール " + std::to_string(id) + " は使用できないか隠れています";
  if (e == kNotFound) return "コントロール " + std::to_string(id) + " はありません";
  return "コントロール " + std::to_string(id) + " を操作できません (" + ErrText(e) + ")";
}

// The person closes a dialog window: the same as pressing Cancel.
void CloseAsCancel(ControlWindow& w) {
  if (w.Ended()) return;
  if (w.handler) w.handler->OnCommand(w, kIdCancel, ControlEvent::Clicked, 0);
  if (!w.Ended()) w.EndDialog(kIdCancel);
}

}  // namespace

json DescribeWindow(ControlWindow& w, double width, double height) {
  json controls = json::array();
  for (const ControlState& c : w.Controls()) {
    json j = {{"id", c.id},         {"kind", ControlKindName(c.kind)},
              {"text", c.text},     {"x", c.x},
              {"y", c.y},           {"width", c.width},
              {"height", c.height}, {"enabled", c.enabled},
              {"visible", c.visible}};
    if (c.style & kStyleDefault) j["default"] = true;
    if (c.style & kStyleReadOnly) j["readOnly"] = true;
    if (c.style & kStyleNumber) j["number"] = true;
    if (c.style & kStyleRightAlign) j["right"] = true;
    if (c.limit > 0) j["limit"] = c.limit;
    std::uint32_t text = 0, back = 0;
    switch (c.kind) {
      case ControlKind::CheckBox:
      case ControlKind::Radio:
        j["checked"] = c.checked;
        break;
      case ControlKind::ComboBox: {
        json items = json::array();
        for (const auto& it : c.items) items.push_back(it.first);
        j["items"] = std::move(items);
        j["selected"] = c.selected;
        break;
      }
      case ControlKind::TrackBar:
        j["min"] = c.rangeMin, j["max"] = c.rangeMax, j["position"] = c.position;
        break;
      case ControlKind::Static:
        if (w.handler && w.handler->OnStaticColors(w, c.id, text, back)) {
          j["color"] = CssColor(text);
          j["background"] = CssColor(back);
        }
        break;
      case ControlKind::ListView: {
        if (c.style & kStyleMultiSelect) j["multiple"] = true;
        json cols = json::array();
        for (const auto& col : c.columns)
          cols.push_back({{"title", col.title}, {"width", col.width}, {"align", AlignName(col.align)}});
        j["columns"] = std::move(cols);
        json rows = json::array(), selected = json::array(), colors = json::array();
        bool anyColor = false;
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
          rows.push_back(c.rows[r]);
          if (c.rowSelected[r]) selected.push_back(r);
          json rowColors = json::array();
          for (std::size_t k = 0; k < c.rows[r].size(); ++k) {
            text = 0, back = 0xFFFFFF;
            // The handler may look the control up again: pass a copy of nothing it could invalidate.
            if (w.handler && w.handler->OnListCellColors(w, c.id, static_cast<std::int32_t>(r),
                                                         static_cast<std::int32_t>(k), text, back)) {
              rowColors.push_back({CssColor(text), CssColor(back)});
              anyColor = true;
            } else {
              rowColors.push_back(nullptr);
            }
          }
          colors.push_back(std::move(rowColors));
        }
        j["rows"] = std::move(rows);
        j["selectedRows"] = std::move(selected);
        if (anyColor) j["cellColors"] = std::move(colors);
        break;
      }
      default:
        break;
    }
    controls.push_back(std::move(j));
  }
  return {{"title", w.Title()}, {"template", w.TemplateId()}, {"width", width},
          {"height", height},   {"focus", w.Focus()},        {"controls", std::move(controls)}};
}

// ----- the person at the page, as the host's user

class WebSession::PageUser final : public User {
 public:
  explicit PageUser(WebSession& s) : s_(s) {}

  void Alert(const AlertRecord& alert) override {
    if (alert.kind == AlertKind::YesNo) return;  // asked by AnswerYesNo
    s_.PushAsk({{"kind", "alert"}, {"level", AlertKindName(alert.kind)}, {"text", alert.text}, {"over", alert.parent}});
    for (;;) {
      auto a = s_.WaitAnswer();
      if (!a || a->value("event", "") == "ok") break;
    }
    s_.PopAsk();
  }

  bool AnswerYesNo(const AlertRecord& question) override {
    s_.PushAsk({{"kind", "question"}, {"text", question.text}, {"over", question.parent}});
    bool yes = false;
    for (;;) {
      auto a = s_.WaitAnswer();
      if (!a) break;
      if (a->value("event", "") == "answer") {
        yes = a->value("yes", false);
        break;
      }
    }
    s_.PopAsk();
    return yes;
  }

  void RunDialog(ControlWindow& dialog) override {
    s_.PushAsk({{"kind", "dialog"}, {"template", dialog.TemplateId()}});
    while (!dialog.Ended()) {
      auto a = s_.WaitAnswer();
      if (!a || a->value("event", "") == "close") break;
      std::string why;
      try {
        why = ApplyToWindow(dialog, *a);
      } catch (const json::exception&) {
        why = "操作の形式が正しくありません";
      }
      if (!why.empty()) s_.Notice(why);
      if (!dialog.Ended()) s_.Publish(false);
    }
    CloseAsCancel(dialog);
    s_.PopAsk();
  }

  Err ChooseOpenFiles(const OpenFileRequest& request, ControlWindow* child,
                      std::vector<fs::path>& out) override {
    json ask = {{"kind", "open"},
                {"title", request.title},
                {"filters", Filters(request.filters)},
                {"multiple", request.allowMultiple},
                {"folder", s_.root_.Relative(request.folder).value_or("")}};
    child_ = child;
    if (child) ask["child"] = DescribeChild(*child);
    s_.PushAsk(std::move(ask));
    Err result = kStop;
    for (;;) {
      auto a = s_.WaitAnswer();
      if (!a) break;
      try {
        const std::string event = a->value("event", "");
        if (event == "cancel") break;
        if (event == "files") {
          std::vector<fs::path> files;
          std::string bad;
          for (const json& f : a->at("files")) {
            auto p = s_.root_.Resolve(f.get<std::string>(), RootedFolder::Need::File);
            if (p) files.push_back(*p);
            else bad = f.get<std::string>();
          }
          if (!bad.empty() || files.empty()) {
            s_.Notice("フォルダーにそのファイルはありません: " + bad);
          } else if (files.size() > 1 && !request.allowMultiple) {
            s_.Notice("このダイアログではファイルを一つだけ選びます");
          } else {
            out = std::move(files);
            result = kNoErr;
            break;
          }
        } else if (child && a->value("child", false)) {
          if (std::string why = ApplyToWindow(*child, *a); !why.empty()) s_.Notice(why);
          RefreshChild();
        }
      } catch (const json::exception&) {
        s_.Notice("応答の形式が正しくありません");
      }
      s_.Publish(false);
    }
    child_ = nullptr;
    s_.PopAsk();
    return result;
  }

  Err ChooseSaveFile(const SaveFileRequest& request, fs::path& out) override {
    return ChoosePlace({{"kind", "save"},
                        {"title", request.title},
                        {"filters", Filters(request.filters)},
                        {"defaultName", request.defaultName},
                        {"defaultExtension", request.defaultExtension},
                        {"folder", s_.root_.Relative(request.folder).value_or("")}},
                       "file", RootedFolder::Need::NewFile, "そこには書き込めません: ", out);
  }

  Err ChooseFolder(const std::string& title, fs::path& out) override {
    return ChoosePlace({{"kind", "folder"}, {"title", title}, {"folder", ""}}, "folder", RootedFolder::Need::Folder,
                       "そのフォルダーはありません: ", out);
  }

  // Asks for a place under the root until the page names one that will do, or cancels; a name
  // that will not do is told and asked again.
  Err ChoosePlace(json ask, const char* event, RootedFolder::Need need, const std::string& refusal, fs::path& out) {
    s_.PushAsk(std::move(ask));
    Err result = kStop;
    for (;;) {
      auto a = s_.WaitAnswer();
      if (!a || a->value("event", "") == "cancel") break;
      if (a->value("event", "") != event) continue;
      const std::string name = a->value(event, "");
      if (auto p = s_.root_.Resolve(name, need)) {
        out = *p;
        result = kNoErr;
        break;
      }
      s_.Notice(refusal + name);
      s_.Publish(false);
    }
    s_.PopAsk();
    return result;
  }

  void Progress(const std::string& text, std::int64_t current, std::int64_t max) override {
    const int permille = max > 0 ? static_cast<int>(std::clamp<std::int64_t>(current * 1000 / max, 0, 1000)) : -1;
    if (permille == s_.lastPermille_ && text == s_.lastProgressText_) return;
    s_.lastPermille_ = permille;
    s_.lastProgressText_ = text;
    std::lock_guard<std::mutex> lock(s_.mu_);
    s_.progress_ = {{"text", text}, {"current", current}, {"max", max}};
    ++s_.version_;
    s_.cv_.notify_all();
  }

  void ProgressClosed() override {
    s_.lastPermille_ = -1;
    s_.lastProgressText_.clear();
    std::lock_guard<std::mutex> lock(s_.mu_);
    s_.progress_ = nullptr;
    ++s_.version_;
    s_.cv_.notify_all();
  }

  bool WantsCancel() override {
    if (s_.cancel_) return true;
    std::lock_guard<std::mutex> lock(s_.mu_);
    return s_.stopping_ || s_.GoneLocked();
  }

  void OpenUrl(const std::string& url) override {
    std::lock_guard<std::mutex> lock(s_.mu_);
    s_.snapshot_["openUrl"] = url;
    s_.notice_ = "Web アドレスを開いてください: " + url;
    ++s_.version_;
    s_.cv_.notify_all();
  }

 private:
  json DescribeChild(ControlWindow& child) {
    const DialogTemplate* t = resources::FindDialogTemplate(child.TemplateId());
    return DescribeWindow(child, t ? t->width : 300, t ? t->height : 40);
  }
  void RefreshChild() {
    if (!child_) return;
    json d = DescribeChild(*child_);
    std::lock_guard<std::mutex> lock(s_.mu_);
    if (!s_.asks_.empty()) s_.asks_.back().second["child"] = std::move(d);
  }

  WebSession& s_;
  ControlWindow* child_ = nullptr;
};

// ----- the session

WebSession::WebSession(StandInHost& host, Application& app, fs::path doc, const fs::path& root)
    : host_(host), app_(app), doc_(std::move(doc)), root_(root), user_(std::make_shared<PageUser>(*this)) {
  host_.SetUser(user_);
}

WebSession::~WebSession() { Stop(); }

void WebSession::Start(std::function<std::string()> startPlugin, std::function<void()> atEnd) {
  worker_ = std::thread([this, startPlugin = std::move(startPlugin), atEnd = std::move(atEnd)] { Run(startPlugin, atEnd); });
}

void WebSession::BeginStop() {
  std::lock_guard<std::mutex> lock(mu_);
  stopping_ = true;
  cv_.notify_all();
}

void WebSession::Stop() {
  BeginStop();
  if (worker_.joinable()) worker_.join();
}

void WebSession::Touch() {
  std::lock_guard<std::mutex> lock(mu_);
  lastSeen_ = std::chrono::steady_clock::now();
}

bool WebSession::GoneLocked() const { return std::chrono::steady_clock::now() - lastSeen_ > goneAfter_; }

void WebSession::Notice(const std::string& text) {
  std::lock_guard<std::mutex> lock(mu_);
  notice_ = text;
  ++version_;
  cv_.notify_all();
}

void WebSession::Run(const std::function<std::string()>& startPlugin, const std::function<void()>& atEnd) {
  const std::string failed = startPlugin();
  {
    std::lock_guard<std::mutex> lock(mu_);
    busy_ = false;
    notice_ = failed;
  }
  Publish(true, true);
  for (bool running = failed.empty(); running;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mu_);
      cv_.wait(lock, [&] { return stopping_ || job_.has_value(); });
      if (stopping_) break;
      job = std::move(*job_);
      job_.reset();
      notice_.clear();
      cancel_ = false;
    }
    Publish(false);
    std::string why;
    try {
      why = job.run();
    } catch (const std::exception& e) {
      why = e.what();
    }
    {
      std::lock_guard<std::mutex> lock(mu_);
      busy_ = false;
      if (!why.empty()) notice_ = why;
    }
    Publish(true, job.changes);
  }
  app_.Quit();
  if (atEnd) atEnd();
}

void WebSession::Publish(bool idle, bool changed) {
  json s = json::object();
  Document* d = host_.Doc();
  bool dirty = dirty_;
  std::optional<SheetGeometry> geometry;
  std::shared_ptr<const MapAids> aids;
  json selection = json::array();
  std::size_t selected = 0;
  if (idle) {
    app_.MenuStates();  // the update callbacks run, as before a menu shows
    menu_ = json::array();
    for (const MenuItemOpaque& m : host_.menuItems)
      if (m.plugin == host_.Plugin() && !m.submenu)
        menu_.push_back({{"text", m.text}, {"group", m.group}, {"checked", m.checked}, {"enabled", m.enabled}});
    flyout_ = json::array();
    std::string error;
    for (const FlyoutItemState& f : app_.FlyoutStates(error))
      flyout_.push_back({{"id", f.id}, {"text", f.text}, {"separator", f.separator}, {"enabled", f.enabled}});
    if (d) {
      for (auto& arts : SelectedArt(*d)) {
        selected += arts.size();
        selection.push_back(std::move(arts));
      }
    }
    if (changed) {
      geometry = geometry_;
      if (d) geometry->Update(*d);
      else geometry->Clear();
      aids = d ? std::make_shared<const MapAids>(ReadMapAids(host_)) : nullptr;
    }
  }
  // The document's revision against the one saved (host/journal.h): no writing, no scanning.
  dirty = app_.Unsaved();
  s["canUndo"] = app_.CanUndo();
  s["canRedo"] = app_.CanRedo();
  s["menu"] = menu_;
  s["flyout"] = flyout_;
  s["document"] = PathToUtf8(doc_.filename());
  json layers = json::array();
  if (d) {
    const auto pre = d->PreorderLayers();
    for (std::size_t i = 0; i < pre.size(); ++i) {
      const LayerOpaque* l = pre[i];
      int depth = 0;
      for (const LayerOpaque* p = d->ParentLayer(l); p && depth < 1000; p = d->ParentLayer(p)) ++depth;
      layers.push_back({{"index", i},
                        {"top", d->ParentLayer(l) == nullptr},
                        {"title", l->title},
                        {"visible", l->visible},
                        {"locked", !l->editable},
                        {"current", l == d->current},
                        {"depth", depth}});
    }
    const RealRect& b = d->bounds;
    s["artboard"] = {b.left, b.top, b.right, b.bottom};
  }
  s["layers"] = std::move(layers);
  s["open"] = d != nullptr;
  if (PanelOpaque* p = app_.Panel(); p && p->window) {
    s["panel"] = DescribeWindow(*p->window, p->size.width, p->size.height);
    s["panel"]["title"] = p->title;
    s["panel"]["shown"] = p->shown;
  }
  json dialogs = json::array();
  for (ControlWindow* w : host_.dialogStack) {
    const DialogTemplate* t = resources::FindDialogTemplate(w->TemplateId());
    dialogs.push_back(DescribeWindow(*w, t ? t->width : 300, t ? t->height : 200));
  }
  s["dialogs"] = std::move(dialogs);

  std::lock_guard<std::mutex> lock(mu_);
  dirty_ = dirty;
  if (idle) {
    if (geometry) geometry_ = std::move(*geometry);
    if (changed) aids_ = std::move(aids);
    snapshot_["selection"] = std::move(selection);
    snapshot_["selected"] = selected;
  }
  json revisions = json::array();
  for (const SheetGeometry::Layer& l : geometry_.Layers()) revisions.push_back(l.revision);
  s["geometry"] = std::move(revisions);
  s["map"] = aids_ ? aids_->Describe() : json();
  s["selection"] = snapshot_.contains("selection") ? std::move(snapshot_["selection"]) : json::array();
  s["selected"] = snapshot_.value("selected", 0);
  s["openUrl"] = snapshot_.contains("openUrl") ? snapshot_["openUrl"] : json();
  snapshot_ = std::move(s);
  ++version_;
  cv_.notify_all();
}

std::uint64_t WebSession::PushAsk(json ask) {
  std::uint64_t n;
  {
    std::lock_guard<std::mutex> lock(mu_);
    n = ++askCounter_;
    ask["ask"] = n;
    asks_.emplace_back(n, std::move(ask));
    answers_.clear();
  }
  Publish(false);
  return n;
}

void WebSession::PopAsk() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!asks_.empty()) asks_.pop_back();
    answers_.clear();
  }
  Publish(false);
}

std::optional<json> WebSession::WaitAnswer() {
  std::unique_lock<std::mutex> lock(mu_);
  // Woken by an answer or a stop; the short period notices a page that has gone quiet.
  for (;;) {
    if (!answers_.empty()) {
      json a = std::move(answers_.front());
      answers_.erase(answers_.begin());
      return a;
    }
    if (stopping_ || GoneLocked()) return std::nullopt;
    cv_.wait_for(lock, std::chrono::milliseconds(500));
  }
}

std::string WebSession::State(std::uint64_t since, std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mu_);
  cv_.wait_for(lock, wait, [&] { return version_ > since || stopping_; });
  json s = snapshot_;
  s["version"] = version_;
  s["busy"] = busy_ || job_.has_value();
  s["progress"] = progress_;
  s["notice"] = notice_;
  s["dirty"] = dirty_;
  s["ask"] = asks_.empty() ? json() : asks_.back().second;
  s["stopping"] = stopping_;
  return Dump(s);
}

std::string WebSession::SelectAll() {
  Document* d = host_.Doc();
  if (!d) return "書類が開かれていません";
  // What a person can select: art that is neither hidden nor locked, on layers that are shown and
  // unlocked, as are all their parents.
  const auto pre = d->PreorderLayers();
  bool any = false;
  for (std::size_t i = 0; i < pre.size(); ++i) {
    bool open = true;
    for (const LayerOpaque* l = pre[i]; l && open; l = d->ParentLayer(l)) open = l->visible && l->editable;
    if (!open) continue;
    std::vector<std::int32_t> art;
    std::int32_t n = 0;
    for (const ArtOpaque* a = pre[i]->group->firstChild; a; a = a->next) {
      if (!a->alive || a->layerOfGroup) continue;
      if (!(a->flags & (kArtHidden | kArtLocked))) art.push_back(n);
      ++n;
    }
    if (art.empty()) continue;
    if (std::string why = app_.SelectArtOf(i, art, any); !why.empty()) return why;
    any = true;
  }
  return any ? "" : app_.DeselectAll();
}

std::shared_ptr<const std::string> WebSession::Geometry(std::uint64_t revision) {
  std::lock_guard<std::mutex> lock(mu_);
  return geometry_.Find(revision);
}

json WebSession::Where(double x, double y) {
  std::shared_ptr<const MapAids> aids;
  {
    std::lock_guard<std::mutex> lock(mu_);
    aids = aids_;
  }
  return aids ? aids->Where(x, y) : json::object();
}

bool WebSession::Dirty() {
  std::lock_guard<std::mutex> lock(mu_);
  return dirty_;
}

WebSession::Reply WebSession::Act(const json& r) {
  auto bad = [](const std::string& why) { return Reply{400, {{"error", why}}}; };
  if (!r.is_object() || !r.contains("do") || !r["do"].is_string()) return bad("操作がありません");
  const std::string what = r["do"];
  auto num = [&](const char* key) -> std::optional<std::int64_t> {
    if (!r.contains(key) || !r[key].is_number_integer()) return std::nullopt;
    return r[key].get<std::int64_t>();
  };
  auto flag = [&](const char* key) { return r.contains(key) && r[key].is_boolean() && r[key].get<bool>(); };
  Job job;
  if (what == "menu") {
    if (!r.contains("text") || !r["text"].is_string()) return bad("メニューには項目名が必要です");
    job.run = [this, text = r["text"].get<std::string>()] { return app_.ChooseMenu(text); };
  } else if (what == "flyout" || what == "panelButton" || what == "panelDoubleClick") {
    const auto id = num(what == "panelDoubleClick" ? "row" : "id");
    if (!id || *id < INT32_MIN || *id > INT32_MAX) return bad(what + " には番号が必要です");
    const auto n = static_cast<std::int32_t>(*id);
    if (what == "flyout") job.run = [this, n] { return app_.ChooseFlyout(n); };
    else if (what == "panelButton") job.run = [this, n] { return app_.ClickPanelButton(std::to_string(n)); };
    else job.run = [this, n] { return app_.DoubleClickPanelRow(n); };
  } else if (what == "panelRows") {
    std::vector<std::int32_t> rows;
    if (!r.contains("rows") || !r["rows"].is_array() || r["rows"].size() > 100000) return bad("panelRows には行が必要です");
    for (const json& x : r["rows"]) {
      if (!x.is_number_integer()) return bad("行は番号で指定します");
      rows.push_back(x.get<std::int32_t>());
    }
    job.run = [this, rows] { return app_.SelectPanelRows(rows); };
  } else if (what == "select") {
    const auto layer = num("layer"), art = num("art");
    if (!layer || !art || *layer < 0 || *art < 0 || *art > INT32_MAX) return bad("選択にはレイヤーとオブジェクトの番号が必要です");
    job.run = [this, l = static_cast<std::size_t>(*layer), a = static_cast<std::int32_t>(*art), add = flag("add")] {
      const std::string why = host_.Doc() ? SelectRefusal(*host_.Doc(), l, a) : "書類が開かれていません";
      return why.empty() ? app_.SelectArtOf(l, {a}, add) : why;
    };
    job.changes = false;
  } else if (what == "deselect") {
    job.run = [this] { return app_.DeselectAll(); };
    job.changes = false;
  } else if (what == "selectAll") {
    job.run = [this] { return SelectAll(); };
    job.changes = false;
  } else if (what == "showLayer" || what == "lockLayer" || what == "currentLayer") {
    const auto layer = num("layer");
    if (!layer || *layer < 0) return bad(what + " にはレイヤーが必要です");
    const auto l = static_cast<std::size_t>(*layer);
    const bool on = flag("on");
    if (what == "showLayer") job.run = [this, l, on] { return app_.ShowLayer(l, on); };
    else if (what == "lockLayer") job.run = [this, l, on] { return app_.LockLayer(l, on); };
    else job.run = [this, l] { return app_.MakeCurrentLayer(l); };
  } else if (what == "undo") {
    job.run = [this] { return app_.Undo(); };
  } else if (what == "redo") {
    job.run = [this] { return app_.Redo(); };
  } else if (what == "delete") {
    job.run = [this] { return app_.DeleteSelection(); };
  } else if (what == "save") {
    job.run = [this]() -> std::string {
      std::string error;
      if (!host_.SaveDocument(doc_, error)) return error;
      std::lock_guard<std::mutex> lock(mu_);
      dirty_ = false;
      return "";
    };
    job.changes = false;
  } else {
    return bad("不明な操作です: " + what);
  }
  std::lock_guard<std::mutex> lock(mu_);
  if (stopping_) return {503, {{"error", "サーバーは停止するところです"}}};
  if (busy_ || job_) return {409, {{"error", "プラグインが処理中です"}}};
  job_ = std::move(job);
  busy_ = true;
  ++version_;
  cv_.notify_all();
  return {202, {{"accepted", true}}};
}

WebSession::Reply WebSession::Answer(const json& r) {
  if (!r.is_object() || !r.contains("ask") || !r["ask"].is_number_unsigned() || !r.contains("event") ||
      !r["event"].is_string())
    return {400, {{"error", "応答には問いの番号と操作が必要です"}}};
  std::lock_guard<std::mutex> lock(mu_);
  if (asks_.empty() || asks_.back().first != r["ask"].get<std::uint64_t>())
    return {409, {{"error", "その問いはもう終わっています"}}};
  // Bounded: a page that sends faster than the plug-in handles waits for it.
  constexpr std::size_t kMostWaiting = 256;
  if (answers_.size() >= kMostWaiting) return {429, {{"error", "応答が多すぎます"}}};
  answers_.push_back(r);
  cv_.notify_all();
  return {202, {{"accepted", true}}};
}

WebSession::Reply WebSession::Cancel() {
  cancel_ = true;
  return {202, {{"accepted", true}}};
}

WebSession::Reply WebSession::List(const std::string& folder, const std::string& pattern) {
  auto entries = root_.List(folder, FilterPatterns(pattern));
  if (!entries) return {404, {{"error", "そのフォルダーはありません"}}};
  json out = json::array();
  for (const auto& e : *entries) out.push_back({{"name", e.name}, {"folder", e.folder}, {"size", e.size}});
  return {200, {{"folder", folder}, {"entries", std::move(out)}, {"root", PathToUtf8(root_.Root().filename())}}};
}

}  // namespace vx::serve
