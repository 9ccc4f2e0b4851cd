// vxshape attrs / set / field / label / search: the attribute panel's work without the panel.
// Each command selects art, clicks what a person would click on the panel and answers the dialog
// that opens by control id. A refusal (an alert in the dialog) ends the command with the alert's
// text; the document is then left as it was. The panel is read as a person reads it: its list,
// and the field dialog (定義...) for a row's type and size.
#include "attributes/shape_attr.h"
#include "cli/commands.h"
#include "cli/session.h"
#include "host/application.h"
#include "resources/panel_templates.h"
#include "shell/text/text.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>
#include <optional>

namespace vx::cli {
namespace {

using nlohmann::json;
using Step = host::ScriptedUser::Step;
namespace res = vx::resources;

// One --select: a layer's title, optionally followed by ":" and top-level positions (topmost 0).
struct Selection {
  std::string title;
  std::vector<std::int32_t> positions;  // empty: all of the layer's top-level art
};

Selection ParseSelection(const std::string& sel) {
  Selection s{sel, {}};
  const auto colon = sel.rfind(':');
  if (colon == std::string::npos) return s;
  const std::string list = sel.substr(colon + 1);
  std::vector<std::int32_t> positions;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t comma = std::min(list.find(',', at), list.size());
    std::int32_t v = 0;
    const char* b = list.data() + at;
    const char* e = list.data() + comma;
    auto [ptr, ec] = std::from_chars(b, e, v);
    // Not a list of positions: the colon belongs to the title.
    if (b == e || ec != std::errc() || ptr != e || v < 0) return s;
    positions.push_back(v);
    at = comma + 1;
  }
  s.title = sel.substr(0, colon);
  s.positions = positions;
  return s;
}

std::string TypeName(attr::FieldType t) { return text::Utf16ToUtf8(attr::FieldTypeName(t)); }

// --type: the names the dialog's list shows, or their English names.
std::optional<std::string> TypeItem(const std::string& t) {
  if (t == "text" || t == "文字列") return "文字列";
  if (t == "integer" || t == "整数") return "整数";
  if (t == "real" || t == "実数") return "実数";
  return std::nullopt;
}

// What the panel's list shows for art whose values differ.
constexpr const char* kMixedValues = "(複数の属性値)";

// One row of the panel's list, with the definition the field dialog shows for it.
struct PanelRow {
  attr::ShapeField field;  // the value as the list shows it
  bool mixed = false;
};

// Answers a question the script holds no answer for with --yes (yes) or without it (no).
class PanelUser : public CliUser {
 public:
  bool yes = false;
  // Set: the next dialog is the field dialog opened to read a definition; it is read and closed.
  bool peek = false;
  std::optional<attr::ShapeField> peeked;

  void RunDialog(host::ControlWindow& dialog) override {
    if (!peek) return CliUser::RunDialog(dialog);
    peek = false;
    peeked.reset();
    if (dialog.TemplateId() == res::kFieldDialog) {
      attr::ShapeField f;
      const host::ControlState* name = dialog.Find(res::kFieldName);
      const host::ControlState* type = dialog.Find(res::kFieldType);
      const host::ControlState* width = dialog.Find(res::kFieldWidth);
      const host::ControlState* decimals = dialog.Find(res::kFieldDecimals);
      if (name && type && width && decimals && type->selected >= 0 &&
          type->selected < static_cast<std::int32_t>(type->items.size())) {
        f.name = text::Utf8ToUtf16(name->text);
        f.type = static_cast<attr::FieldType>(type->items[static_cast<std::size_t>(type->selected)].second);
        f.width = Number(width->text);
        f.decimals = Number(decimals->text);
        peeked = f;
      }
    }
    // Closed as a person closes the window: the same as Cancel.
    if (dialog.handler) dialog.handler->OnCommand(dialog, host::kIdCancel, host::ControlEvent::Clicked, 0);
    if (!dialog.Ended()) dialog.EndDialog(host::kIdCancel);
  }

 private:
  static std::int32_t Number(const std::string& t) {
    std::int32_t v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
  }

 public:
  bool AnswerYesNo(const host::AlertRecord& question) override {
    if (failure_ || (!steps_.empty() && steps_.front().kind == Step::Kind::Answer))
      return ScriptedUser::AnswerYesNo(question);
    alerts_.back().answer = yes;
    transcript_.push_back(std::string("answer: ") + (yes ? "yes" : "no"));
    return yes;
  }
};

class PanelSession {
 public:
  // `forChange`: the command saves the document, and so holds its lock from the start.
  explicit PanelSession(std::string doc, bool yes = false, bool forChange = true) : doc_(std::move(doc)) {
    user_ = std::make_shared<PanelUser>();
    user_->yes = yes;
    host_.SetUser(user_);
    if (forChange) OpenDocumentForChange(host_, doc_);
    else OpenDocument(host_, doc_);
    app_ = std::make_unique<host::Application>(host_);
    StartPlugin(*app_, "");
    if (!app_->Panel()) throw Failure("the plug-in has no panel");
    // The program reads art's attribute lists through the host's suites itself (search).
    host_.FillSlots();
  }
  ~PanelSession() {
    if (app_) app_->Quit();
  }
  PanelSession(const PanelSession&) = delete;
  PanelSession& operator=(const PanelSession&) = delete;

  host::Application& App() { return *app_; }
  host::StandInHost& Host() { return host_; }
  host::ScriptedUser& User() { return *user_; }

  // The rows of the panel's list, each with its definition when `definitions`.
  std::vector<PanelRow> Rows(bool definitions) {
    std::vector<PanelRow> rows;
    host::PanelOpaque* panel = app_->Panel();
    if (!panel || !panel->window) return rows;
    std::vector<std::vector<std::string>> cells;
    for (const host::ControlState& c : panel->window->Controls())
      if (c.kind == host::ControlKind::ListView) cells = c.rows;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      PanelRow r;
      if (cells[i].size() < 2) continue;
      r.field.name = text::Utf8ToUtf16(cells[i][0]);
      r.mixed = cells[i][1] == kMixedValues;
      if (!r.mixed) r.field.value = text::Utf8ToUtf16(cells[i][1]);
      if (definitions) {
        const attr::ShapeField def = Definition(static_cast<std::int32_t>(i));
        r.field.type = def.type;
        r.field.width = def.width;
        r.field.decimals = def.decimals;
      }
      rows.push_back(r);
    }
    return rows;
  }

  // The definition of row `row` as the field dialog shows it: the row is selected, 定義... is
  // clicked, and the dialog is read and closed.
  attr::ShapeField Definition(std::int32_t row) {
    Do(app_->SelectPanelRows({row}));
    user_->peek = true;
    const std::string error = app_->ClickPanelButton("定義...");
    user_->peek = false;
    Do(error);
    if (!user_->peeked) throw Failure("the field dialog did not show row " + std::to_string(row) + "'s definition");
    return *user_->peeked;
  }

  // A step of the application; its failure ends the command.
  void Do(const std::string& error) {
    if (!error.empty()) throw Failure(error + "; " + doc_ + " was not saved");
  }
  void Select(const std::vector<std::string>& sels) {
    bool first = true;
    for (const std::string& sel : sels) {
      const Selection s = ParseSelection(sel);
      Do(app_->SelectArt(s.title, s.positions, s.positions.empty(), !first));
      first = false;
    }
  }

  // The row of the panel's list named `name`; refuses a name no row or several rows have.
  std::int32_t Row(const std::string& name) {
    std::vector<std::int32_t> found;
    std::string names;
    const std::vector<PanelRow> rows = Rows(false);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const std::string n = text::Utf16ToUtf8(rows[i].field.name);
      names += (names.empty() ? "" : ", ") + n;
      if (n == name) found.push_back(static_cast<std::int32_t>(i));
    }
    if (found.empty())
      throw Failure("no field is named " + name + " (the panel shows: " + (names.empty() ? "no fields" : names) + ")");
    if (found.size() > 1)
      throw Failure(std::to_string(found.size()) + " fields are named " + name +
                    " with different definitions; select art of one of their layers");
    return found.front();
  }

  void Push(Step::Kind kind, std::int32_t id = 0, const std::string& t = "", std::int32_t index = -1) {
    Step s;
    s.kind = kind;
    s.id = id;
    s.text = t;
    s.index = index;
    user_->Push(s);
  }
  void Answer(bool yes) {
    Step s;
    s.kind = Step::Kind::Answer;
    s.flag = yes;
    user_->Push(s);
  }

  // After a command: a step that could not be played, an alert, or a question answered no ends
  // the command.
  void Settle() {
    if (user_->Failure()) throw Failure(*user_->Failure() + "; " + doc_ + " was not saved");
    for (const host::AlertRecord& a : host_.Alerts())
      if (a.kind != host::AlertKind::YesNo) throw Failure(a.text + "; " + doc_ + " was not saved");
    for (const host::AlertRecord& a : host_.Alerts())
      if (!a.answer) throw Failure(a.text + " (answered no; --yes answers yes); " + doc_ + " was not saved");
  }
  void Save() { SaveDocument(host_, doc_); }

 private:
  std::string doc_;
  host::StandInHost host_;
  std::shared_ptr<PanelUser> user_;
  std::unique_ptr<host::Application> app_;
};

json RowsJson(PanelSession& s) {
  json rows = json::array();
  for (const PanelRow& r : s.Rows(true)) {
    json j{{"field", text::Utf16ToUtf8(r.field.name)},
           {"type", TypeName(r.field.type)},
           {"width", r.field.width},
           {"decimals", r.field.decimals},
           {"mixed", r.mixed}};
    j["value"] = r.mixed ? std::string(kMixedValues) : text::Utf16ToUtf8(r.field.value);
    rows.push_back(j);
  }
  return rows;
}

void PrintRows(PanelSession& s, bool asJson) {
  const json rows = RowsJson(s);
  if (asJson) {
    std::printf("%s\n", rows.dump(2).c_str());
    return;
  }
  if (rows.empty()) std::printf("(no fields)\n");
  for (const json& r : rows)
    std::printf("%s\t%s\t%d\t%d\t%s\n", r["field"].get<std::string>().c_str(), r["type"].get<std::string>().c_str(),
                r["width"].get<int>(), r["decimals"].get<int>(), r["value"].get<std::string>().c_str());
}

// Options every command shares.
struct Common {
  std::string doc;
  std::vector<std::string> select;
  bool json = false;
};

void AddDoc(CLI::App* cmd, Common& c, const char* what) { cmd->add_option("DOC", c.doc, what)->required(); }
void AddSelect(CLI::App* cmd, Common& c, bool required) {
  auto* o = cmd->add_option("--select", c.select,
                            "Art to select: TITLE (all top-level art of the layer) or TITLE:0,2 (positions, "
                            "topmost 0); may repeat");
  // One selection per --select, so that a positional value after it is not taken for one.
  o->expected(1)->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  if (required) o->required();
}

void InstallAttrs(CLI::App& app) {
  auto c = std::make_shared<Common>();
  auto* cmd = app.add_subcommand("attrs", "The attribute panel's rows for a selection (docs/panel.md)");
  AddDoc(cmd, *c, "Document (not changed)");
  AddSelect(cmd, *c, false);
  cmd->add_flag("--json", c->json, "Print JSON");
  cmd->callback([c] {
    ExitStatus() = Guard([&] {
      PanelSession s(c->doc, false, false);
      if (c->select.empty()) s.Do(s.App().DeselectAll());
      else s.Select(c->select);
      PrintRows(s, c->json);
    });
  });
}

void InstallSet(CLI::App& app) {
  auto c = std::make_shared<Common>();
  auto field = std::make_shared<std::string>();
  auto value = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("set", "Set a field's value on the selected art (a double click on the row)");
  AddDoc(cmd, *c, "Document; saved when the value is set");
  AddSelect(cmd, *c, true);
  cmd->add_option("--field", *field, "Field name")->required();
  cmd->add_option("VALUE", *value, "The value as typed; formatted for the field")->required();
  auto yes = std::make_shared<bool>(false);
  cmd->add_flag("--yes", *yes, "Widen the field when the value does not fit it (the dialog's question)");
  cmd->callback([c, field, value, yes] {
    ExitStatus() = Guard([&] {
      PanelSession s(c->doc, *yes);
      s.Select(c->select);
      const std::int32_t row = s.Row(*field);
      s.Push(Step::Kind::Dialog, res::kValueDialog);
      s.Push(Step::Kind::SetText, res::kValueEdit, *value);
      s.Push(Step::Kind::Click, host::kIdOk);
      // A refused value keeps the dialog open; the person then cancels it.
      s.Push(Step::Kind::Click, host::kIdCancel);
      s.Do(s.App().DoubleClickPanelRow(row));
      s.Settle();
      PrintRows(s, false);
      s.Save();
    });
  });
}

struct FieldOptions {
  std::string field, newName, rename, type;
  std::optional<std::int32_t> width, decimals;
  bool remove = false;
  bool yes = false;
};

void InstallField(CLI::App& app) {
  auto c = std::make_shared<Common>();
  auto o = std::make_shared<FieldOptions>();
  auto* cmd = app.add_subcommand("field", "Change or delete a field (定義...), or add one (新規... with --new)");
  AddDoc(cmd, *c, "Document; saved when the field is changed");
  AddSelect(cmd, *c, false);
  auto* fieldOpt = cmd->add_option("--field", o->field, "The field to change or delete");
  auto* newOpt = cmd->add_option("--new", o->newName, "Add a field of this name to the selection's layers");
  fieldOpt->excludes(newOpt);
  cmd->add_option("--rename", o->rename, "New name (at most 10 characters)")->excludes(newOpt);
  cmd->add_option("--type", o->type, "text, integer or real");
  cmd->add_option("--width", o->width, "Width: text 1-254, integer 1-10, real 1-19");
  cmd->add_option("--decimals", o->decimals, "Decimals of a real field: 0 to width - 2");
  cmd->add_flag("--delete", o->remove, "Delete the field from the layers and all their art")->excludes(newOpt);
  cmd->add_flag("--yes", o->yes, "Change the field even when values change (the question that counts them)");
  cmd->callback([c, o] {
    ExitStatus() = Guard([&] {
      if (o->field.empty() == o->newName.empty()) throw Failure("give --field NAME or --new NAME");
      const std::string name = o->newName.empty() ? o->rename : o->newName;
      if (text::Utf8ToUtf16(name).size() > 10) throw Failure("a field name has at most 10 characters: " + name);
      std::optional<std::string> item;
      if (!o->type.empty() && !(item = TypeItem(o->type))) throw Failure("--type must be text, integer or real");
      if (o->remove && (!o->rename.empty() || item || o->width || o->decimals))
        throw Failure("--delete takes no other change");

      PanelSession s(c->doc, o->yes);
      if (c->select.empty()) {
        if (!o->field.empty()) throw Failure("--field needs --select");
        s.Do(s.App().DeselectAll());
      } else {
        s.Select(c->select);
      }
      attr::FieldType finalType = attr::kFieldString;  // 新規... starts as text
      if (!o->field.empty()) {
        const std::int32_t row = s.Row(o->field);
        finalType = s.Definition(row).type;
        s.Do(s.App().SelectPanelRows({row}));
      }
      if (item) finalType = *item == "文字列" ? attr::kFieldString : *item == "整数" ? attr::kFieldInteger : attr::kFieldReal;
      if (o->decimals && finalType != attr::kFieldReal) throw Failure("--decimals applies to real fields only");

      s.Push(Step::Kind::Dialog, res::kFieldDialog);
      if (o->remove) {
        s.Push(Step::Kind::Click, res::kFieldDelete);
        s.Answer(true);
      } else {
        if (!name.empty()) s.Push(Step::Kind::SetText, res::kFieldName, name);
        if (item) s.Push(Step::Kind::SelectItem, res::kFieldType, *item);
        if (o->width) s.Push(Step::Kind::SetText, res::kFieldWidth, std::to_string(*o->width));
        if (o->decimals) s.Push(Step::Kind::SetText, res::kFieldDecimals, std::to_string(*o->decimals));
        s.Push(Step::Kind::Click, host::kIdOk);
        // A refused definition keeps the dialog open; the person then cancels it.
        s.Push(Step::Kind::Click, host::kIdCancel);
      }
      s.Do(s.App().ClickPanelButton(o->field.empty() ? "新規..." : "定義..."));
      s.Settle();
      PrintRows(s, c->json);
      s.Save();
    });
  });
  cmd->add_flag("--json", c->json, "Print the rows afterwards as JSON");
}

void InstallLabel(CLI::App& app) {
  auto c = std::make_shared<Common>();
  auto field = std::make_shared<std::string>();
  auto copy = std::make_shared<bool>(false);
  auto* cmd = app.add_subcommand("label", "Label the selected art with a field's values (注記...)");
  AddDoc(cmd, *c, "Document; saved with the labels");
  AddSelect(cmd, *c, true);
  cmd->add_option("--field", *field, "Field whose values become the labels")->required();
  cmd->add_flag("--copy-attributes", *copy, "Give each label its object's attributes");
  cmd->callback([c, field, copy] {
    ExitStatus() = Guard([&] {
      PanelSession s(c->doc);
      s.Select(c->select);
      const std::int32_t row = s.Row(*field);
      s.Do(s.App().SelectPanelRows({row}));
      s.Push(Step::Kind::Dialog, res::kAnnotationDialog);
      s.Push(Step::Kind::SelectItem, res::kLabelField, "", row);
      if (*copy) s.Push(Step::Kind::Click, res::kLabelCopyAttributes);
      s.Push(Step::Kind::Click, host::kIdOk);
      s.Do(s.App().ClickPanelButton("注記..."));
      s.Settle();
      std::int32_t labels = 0;
      for (host::LayerOpaque* l : s.Host().Doc()->PreorderLayers()) {
        std::vector<host::ArtOpaque*> all;
        host::Document::Walk(l->group, all);
        for (host::ArtOpaque* a : all)
          if (a->type == host::ArtType::TextFrame && (a->flags & host::kArtSelected) && s.Host().Doc()->LayerOf(a) == l)
            ++labels;
      }
      std::printf("%d label%s made\n", labels, labels == 1 ? "" : "s");
      s.Save();
    });
  });
}

// "2" for top-level art 2 of its layer, "2/0" for the first art inside it.
std::string Position(const host::ArtOpaque* a) {
  std::string path;
  for (; a && a->parent && !a->layerOfGroup; a = a->parent) {
    std::int32_t i = 0;
    for (const host::ArtOpaque* b = a->parent->firstChild; b && b != a; b = b->next)
      if (b->alive && !b->layerOfGroup) ++i;
    path = std::to_string(i) + (path.empty() ? "" : "/" + path);
  }
  return path;
}

void InstallSearch(CLI::App& app) {
  auto c = std::make_shared<Common>();
  auto field = std::make_shared<std::string>();
  auto contains = std::make_shared<std::optional<std::string>>();
  auto min = std::make_shared<std::optional<std::string>>();
  auto max = std::make_shared<std::optional<std::string>>();
  auto* cmd = app.add_subcommand("search", "Select the art whose field value contains a text or lies in a range (検索...)");
  AddDoc(cmd, *c, "Document; saved with the new selection");
  AddSelect(cmd, *c, false);
  cmd->add_option("--field", *field, "Field to search")->required();
  auto* containsOpt = cmd->add_option("--contains", *contains, "Text the value must contain");
  cmd->add_option("--min", *min, "Lowest number (inclusive)")->excludes(containsOpt);
  cmd->add_option("--max", *max, "Highest number (inclusive)")->excludes(containsOpt);
  cmd->add_flag("--json", c->json, "Print JSON");
  cmd->callback([c, field, contains, min, max] {
    ExitStatus() = Guard([&] {
      if (!*contains && !*min && !*max) throw Failure("give --contains TEXT, or --min and/or --max");
      PanelSession s(c->doc);
      if (c->select.empty()) {
        // Without a selection the panel shows the current layer: make that the first layer
        // defining the field, as a person would click it in the layers list.
        host::LayerOpaque* found = nullptr;
        for (host::LayerOpaque* l : s.Host().Doc()->PreorderLayers()) {
          attr::CVxShapeAttr list;
          list.Load(l->group);
          for (std::int32_t i = 0; i < list.Count() && !found; ++i) {
            attr::ShapeField f;
            if (list.GetFieldDef(i, f) && text::Utf16ToUtf8(f.name) == *field) found = l;
          }
          if (found) break;
        }
        if (!found) throw Failure("no layer defines a field named " + *field);
        s.Host().Doc()->current = found;
        s.Do(s.App().DeselectAll());
      } else {
        s.Select(c->select);
      }
      const std::int32_t row = s.Row(*field);
      attr::ShapeField chosen = s.Definition(row);
      s.Push(Step::Kind::Dialog, resources::kSearchDialog);
      s.Push(Step::Kind::SelectItem, res::kSearchField, "", row);
      if (*contains) {
        s.Push(Step::Kind::SetText, res::kSearchText, **contains);
      } else {
        s.Push(Step::Kind::Click, res::kSearchByNumber);
        if (*min) s.Push(Step::Kind::Click, res::kSearchLowerOn), s.Push(Step::Kind::SetText, res::kSearchLower, **min);
        if (*max) s.Push(Step::Kind::Click, res::kSearchUpperOn), s.Push(Step::Kind::SetText, res::kSearchUpper, **max);
      }
      s.Push(Step::Kind::Click, host::kIdOk);
      s.Push(Step::Kind::Click, host::kIdCancel);  // closes the dialog a refused range keeps open
      s.Do(s.App().ClickPanelButton("検索..."));
      s.Settle();

      json found = json::array();
      for (host::LayerOpaque* l : s.Host().Doc()->PreorderLayers()) {
        std::vector<host::ArtOpaque*> all;
        host::Document::Walk(l->group, all);
        for (host::ArtOpaque* a : all) {
          if (!(a->flags & host::kArtSelected) || a->layerOfGroup || s.Host().Doc()->LayerOf(a) != l) continue;
          if (a->parent && !a->parent->layerOfGroup && (a->parent->flags & host::kArtSelected)) continue;
          attr::CVxShapeAttr list;
          list.Load(a);
          std::int32_t at = -1;
          std::u16string value;
          if (list.Find(chosen, &at)) list.GetValue(at, value);
          found.push_back({{"layer", l->title}, {"position", Position(a)}, {"value", text::Utf16ToUtf8(value)}});
        }
      }
      if (c->json) {
        std::printf("%s\n", found.dump(2).c_str());
      } else {
        for (const json& f : found)
          std::printf("%s\t%s\t%s\n", f["layer"].get<std::string>().c_str(), f["position"].get<std::string>().c_str(),
                      f["value"].get<std::string>().c_str());
        std::printf("%zu selected\n", found.size());
      }
      s.Save();
    });
  });
}

Registrar regAttrs(InstallAttrs);
Registrar regSet(InstallSet);
Registrar regField(InstallField);
Registrar regLabel(InstallLabel);
Registrar regSearch(InstallSearch);

}  // namespace
}  // namespace vx::cli
