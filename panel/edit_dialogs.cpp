#include "panel/edit_dialogs.h"

#include "resources/panel_templates.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace vx::panel {

using namespace vx::host;
using namespace vx::resources;
using attr::FieldType;
using attr::ShapeField;

std::u16string CutText(std::u16string_view text, std::size_t units) {
  if (text.size() <= units) return std::u16string(text);
  std::size_t n = units;
  // Do not leave a high surrogate without its pair.
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return std::u16string(text.substr(0, n));
}

Err RunDialog(PluginRef plugin, std::int32_t templateId, DialogHandler& handler) {
  WindowHandle parent = nullptr;
  if (sModalParent()) sModalParent()->GetApplicationWindow(parent);
  std::int32_t result = kStop;
  if (Err e = sPlatform()->RunModalDialog(plugin, templateId, parent, handler, result)) return e;
  return result;
}

namespace {

std::string Utf8(std::u16string_view s) { return text::Utf16ToUtf8(s); }
std::u16string Utf16(std::string_view s) { return text::Utf8ToUtf16(s); }
// A text as an 8-bit platform control shows it.
std::string Platform(const std::u16string& s) { return text::FromPlatformText(text::ToPlatformText(Utf8(s))); }

// The first 14 characters of an edit read as strtol reads them; text without digits reads as 0.
std::int32_t ReadNumber(Window& w, std::int32_t id) {
  std::string t;
  w.GetText(id, t);
  const std::u16string cut = CutText(Utf16(t), 14);
  const std::string s = Utf8(cut);
  errno = 0;
  const long v = std::strtol(s.c_str(), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

class FieldDialog final : public DialogHandler {
 public:
  explicit FieldDialog(FieldDialogParams& p) : p_(p) {}

  void OnInit(Window& w) override {
    w.ClearItems(kFieldType);
    std::vector<FieldType> types{attr::kFieldString, attr::kFieldInteger, attr::kFieldReal};
    if (p_.mode == kFieldModeColumn) {
      types.push_back(attr::kFieldLatitudeOrX);
      types.push_back(attr::kFieldLongitudeOrY);
    }
    for (FieldType t : types) w.AddItem(kFieldType, Platform(attr::FieldTypeName(t)), t);
    w.SetVisible(kFieldDelete, p_.mode == kFieldModeEdit);
    w.SetSelectedItem(kFieldType, 0);
    w.SetTextLimit(kFieldName, 10);
    w.SetTextLimit(kFieldWidth, 3);
    w.SetTextLimit(kFieldDecimals, 2);
    w.SetText(kFieldName, Utf8(CutText(p_.field.name, 255)));
    w.SetFocus(kFieldName);
    const std::int32_t item = ItemOf(p_.field.type);
    std::int32_t count = 0;
    w.CountItems(kFieldType, count);
    w.SetSelectedItem(kFieldType, item < count ? item : -1);
    w.SetText(kFieldWidth, std::to_string(p_.field.width));
    w.SetText(kFieldDecimals, std::to_string(p_.field.decimals));
    Enable(w);
  }

  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (id == kFieldType) {
      Enable(w);
      return;
    }
    if (event != ControlEvent::Clicked) return;
    if (id == kIdOk) Confirm(w);
    else if (id == kIdCancel) w.EndDialog(kStop);
    else if (id == kFieldDelete) {
      if (sUser()->YesNoAlert(kConfirmDelete)) {
        p_.deleteRequested = true;
        w.EndDialog(kNoErr);
      }
    }
  }

 private:
  // The type list's item for a type; -1 for none.
  static std::int32_t ItemOf(FieldType type) {
    switch (type) {
      case attr::kFieldString: return 0;
      case attr::kFieldInteger: return 1;
      case attr::kFieldReal: return 2;
      case attr::kFieldLatitudeOrX: return 3;
      case attr::kFieldLongitudeOrY: return 4;
    }
    return -1;
  }

  static std::int32_t Item(Window& w) {
    std::int32_t item = -1;
    if (w.GetSelectedItem(kFieldType, item) != kNoErr) return -1;
    return item;
  }

  static void Enable(Window& w) {
    const std::int32_t item = Item(w);
    const bool coordinate = item == 3 || item == 4;
    w.SetEnabled(kFieldName, !coordinate);
    w.SetEnabled(kFieldWidth, !coordinate);
    w.SetEnabled(kFieldDecimals, !coordinate && (item == 2 || item < 0));
  }

  // Shows the alert and puts the focus in the edit that must change.
  static void Refuse(Window& w, const char* message, std::int32_t edit) {
    sUser()->MessageAlert(message);
    w.SetFocus(edit);
  }

  void Confirm(Window& w) {
    const std::int32_t item = Item(w);
    const std::int32_t width = ReadNumber(w, kFieldWidth);
    const std::int32_t decimals = ReadNumber(w, kFieldDecimals);
    // A field made from a file may be wider than the dialog allows: keeping its size as it is
    // (to rename it, say) is not refused.
    const bool sizeAsBefore = item == ItemOf(p_.field.type) && width == p_.field.width &&
                              (item != 2 || decimals == p_.field.decimals);
    if (!sizeAsBefore) {
      switch (item) {
        case 0:
          if (!(width >= 1 && width <= 254)) return Refuse(w, kTextWidthRange, kFieldWidth);
          break;
        case 1:
          if (!(width >= 1 && width <= 10)) return Refuse(w, kIntegerWidthRange, kFieldWidth);
          break;
        case 2:
          if (!(width >= 1 && width <= 19)) return Refuse(w, kRealWidthRange, kFieldWidth);
          if (!(decimals >= 0 && decimals <= width - 2)) return Refuse(w, kRealDecimalsRange, kFieldDecimals);
          break;
        default: break;
      }
    }
    std::string name;
    w.GetText(kFieldName, name);
    p_.field.name = CutText(Utf16(name), 254);
    switch (item) {
      case 0:
      case 1:
        p_.field.type = item == 0 ? attr::kFieldString : attr::kFieldInteger;
        p_.field.width = width;
        p_.field.decimals = 0;
        break;
      case 2:
        p_.field.type = attr::kFieldReal;
        p_.field.width = width;
        p_.field.decimals = decimals;
        break;
      case 3:
      case 4:
        p_.field.type = item == 3 ? attr::kFieldLatitudeOrX : attr::kFieldLongitudeOrY;
        p_.field.width = 0;
        p_.field.decimals = 0;
        break;
      default:
        p_.field.width = width;
        p_.field.decimals = decimals;
        break;
    }
    w.EndDialog(kNoErr);
  }

  FieldDialogParams& p_;
};

// The widest a user may make a field of each type, as the field dialog allows.
std::int32_t WidthLimit(FieldType type) {
  switch (type) {
    case attr::kFieldString: return 254;
    case attr::kFieldInteger: return 10;
    case attr::kFieldReal: return 19;
    default: return 0;
  }
}

bool HasNonSpace(std::u16string_view s) {
  for (char16_t c : s)
    if (!(c == u' ' || (c >= u'\t' && c <= u'\r'))) return true;
  return false;
}

class ValueDialog final : public DialogHandler {
 public:
  ValueDialog(AttrRow& row, ValueDialogResult& result) : row_(row), result_(result) {}

  void OnInit(Window& w) override {
    const ShapeField& f = row_.field;
    w.SetText(kValueName, Utf8(CutText(f.name, 255)));
    w.SetText(kValueEdit, row_.mixed ? std::string() : Utf8(CutText(f.value, 255)));
    w.SetFocus(kValueEdit);
    if (f.type == attr::kFieldString || f.type == attr::kFieldInteger || f.type == attr::kFieldReal)
      w.SetText(kValueType, Utf8(attr::FieldTypeName(f.type)));
    w.SetText(kValueWidth, std::to_string(f.width));
    w.SetText(kValueDecimals, std::to_string(f.decimals));
  }

  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (id == kValueEdit && event == ControlEvent::TextChanged) result_.edited = true;
    if (event != ControlEvent::Clicked) return;
    if (id == kIdOk) {
      // Untouched, the edit says nothing new: on a mixed row it is empty only because the
      // objects differ, and their values stay.
      if (!result_.edited) return (void)w.EndDialog(kNoErr);
      std::string t;
      w.GetText(kValueEdit, t);
      const std::u16string typed = Utf16(t);
      if (!Fits(typed)) return (void)w.SetFocus(kValueEdit);
      row_.field.value = CutText(typed, 254);
      w.EndDialog(kNoErr);
    } else if (id == kIdCancel) {
      w.EndDialog(kStop);
    }
  }

 private:
  // Whether the field can hold the typed value, after the user's yes to widening it. An empty
  // value is always taken: it is no value, not 0.
  bool Fits(const std::u16string& typed) {
    const ShapeField& f = row_.field;
    if (!(f.type == attr::kFieldString || f.type == attr::kFieldInteger || f.type == attr::kFieldReal)) return true;
    const std::u16string value = attr::FormattedValue(f, typed);
    if (value.empty()) {
      if (!HasNonSpace(typed)) return true;
      sUser()->MessageAlert(kEnterNumber);
      return false;
    }
    const std::int32_t need = attr::ValueWidth(f, value);
    if (need <= f.width) return true;
    const std::string tooWide = ValueTooWide(f.width, need);
    if (need > WidthLimit(f.type)) {
      sUser()->MessageAlert(tooWide);
      return false;
    }
    if (!sUser()->YesNoAlert(tooWide + "。全桁数を" + std::to_string(need) + "に広げますか？")) return false;
    result_.widenTo = need;
    return true;
  }

  AttrRow& row_;
  ValueDialogResult& result_;
};

}  // namespace

Err RunFieldDialog(FieldDialogParams& params) {
  FieldDialog handler(params);
  return RunDialog(params.plugin, kFieldDialog, handler);
}

Err RunValueDialog(PluginRef plugin, AttrRow& row, ValueDialogResult* result) {
  ValueDialogResult ignored;
  ValueDialog handler(row, result ? *result : ignored);
  return RunDialog(plugin, kValueDialog, handler);
}

std::string ValueTooWide(std::int32_t width, std::int32_t need) {
  return "この属性値は全桁数" + std::to_string(width) + "に収まりません（" + std::to_string(need) + "桁必要です）";
}

bool ValueCommand(PluginRef plugin, std::int32_t r, CSelectionModel& model) {
  AttrRow row;
  if (r >= model.RowCount() || !model.GetRow(r, row)) return false;
  ValueDialogResult result;
  if (RunValueDialog(plugin, row, &result) != kNoErr || !result.edited) return false;
  if (result.widenTo > 0 && !model.WidenField(r, result.widenTo)) return false;
  model.ApplyValue(r, row.field.value);
  return true;
}

bool DefinitionCommand(PluginRef plugin, std::int32_t r, CSelectionModel& model) {
  if (model.RowCount() == 0) {
    sUser()->MessageAlert(kNoFields);
    return false;
  }
  AttrRow row;
  if (r >= model.RowCount() || !model.GetRow(r, row)) return false;
  FieldDialogParams params;
  params.plugin = plugin;
  params.field = row.field;
  params.mode = kFieldModeEdit;
  if (RunFieldDialog(params) != kNoErr) return false;
  if (params.deleteRequested) return model.RemoveField(r);
  ShapeField def = params.field;
  def.value.clear();
  return model.RedefineField(r, def);
}

bool NewFieldCommand(PluginRef plugin, CSelectionModel& model) {
  std::int32_t layers = 0;
  if (sLayer()->CountLayers(layers) != kNoErr || layers == 0) {
    sUser()->MessageAlert(kOpenDocumentFirst);
    return false;
  }
  FieldDialogParams params;
  params.plugin = plugin;
  params.field.name = u"(新規属性)";
  params.field.type = attr::kFieldString;
  params.field.width = 48;
  params.field.decimals = 0;
  params.mode = kFieldModeNew;
  if (RunFieldDialog(params) != kNoErr) return false;
  return model.AppendField(params.field);
}

}  // namespace vx::panel
