#include "host/window.h"
#include "host/edge.h"

#include <algorithm>

namespace vx::host {

const char* ControlKindName(ControlKind k) {
  switch (k) {
    case ControlKind::Static: return "static";
    case ControlKind::Edit: return "edit";
    case ControlKind::Button: return "button";
    case ControlKind::CheckBox: return "checkbox";
    case ControlKind::Radio: return "radio";
    case ControlKind::GroupBox: return "groupbox";
    case ControlKind::ComboBox: return "combobox";
    case ControlKind::TrackBar: return "trackbar";
    case ControlKind::ListView: return "listview";
  }
  return "?";
}

void ControlWindow::Build(const DialogTemplate& t) {
  templateId_ = t.id;
  title_ = t.title;
  for (const ControlTemplate& c : t.controls) CreateControl(c);
}

ControlState* ControlWindow::Find(std::int32_t id) {
  for (auto& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

Err ControlWindow::CreateControl(const ControlTemplate& t) try {
  ControlState c;
  c.kind = t.kind;
  c.id = t.id;
  c.text = t.text ? t.text : "";
  c.x = t.x, c.y = t.y, c.width = t.width, c.height = t.height;
  c.style = t.style;
  c.limit = t.limit;
  c.enabled = !(t.style & kStyleDisabled);
  c.visible = !(t.style & kStyleHidden);
  controls_.push_back(std::move(c));
  return kNoErr;
} catch (...) { return EdgeFailure(); }

Err ControlWindow::MoveControl(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) try {
  ControlState* c = Find(id);
  if (!c) return kNotFound;
  c->x = x, c->y = y, c->width = width, c->height = height;
  return kNoErr;
} catch (...) { return EdgeFailure(); }

#define VX_CONTROL(id, c) \
  ControlState* c = Find(id); \
  if (!c) return kNotFound
#define VX_CONTROL_KIND(id, c, k) \
  VX_CONTROL(id, c);              \
  if (c->kind != (k)) return kWrongType

Err ControlWindow::SetText(std::int32_t id, const std::string& utf8) try {
  VX_CONTROL(id, c);
  c->text = utf8;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetText(std::int32_t id, std::string& utf8) try {
  VX_CONTROL(id, c);
  if (c->kind == ControlKind::ComboBox) {
    utf8 = c->selected >= 0 ? c->items[static_cast<std::size_t>(c->selected)].first : std::string();
  } else {
    utf8 = c->text;
  }
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetChecked(std::int32_t id, bool checked) try {
  VX_CONTROL(id, c);
  if (c->kind != ControlKind::CheckBox && c->kind != ControlKind::Radio) return kWrongType;
  c->checked = checked;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetChecked(std::int32_t id, bool& out) try {
  VX_CONTROL(id, c);
  if (c->kind != ControlKind::CheckBox && c->kind != ControlKind::Radio) return kWrongType;
  out = c->checked;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetEnabled(std::int32_t id, bool enabled) try {
  VX_CONTROL(id, c);
  c->enabled = enabled;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetEnabled(std::int32_t id, bool& out) try {
  VX_CONTROL(id, c);
  out = c->enabled;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetVisible(std::int32_t id, bool visible) try {
  VX_CONTROL(id, c);
  c->visible = visible;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetVisible(std::int32_t id, bool& out) try {
  VX_CONTROL(id, c);
  out = c->visible;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetFocus(std::int32_t id) try {
  VX_CONTROL(id, c);
  (void)c;
  focus_ = id;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetTextLimit(std::int32_t id, std::int32_t chars) try {
  VX_CONTROL_KIND(id, c, ControlKind::Edit);
  c->limit = std::max(chars, 0);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::ClearItems(std::int32_t id) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  c->items.clear();
  c->selected = -1;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::AddItem(std::int32_t id, const std::string& utf8, std::intptr_t data) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  c->items.emplace_back(utf8, data);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::CountItems(std::int32_t id, std::int32_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  out = static_cast<std::int32_t>(c->items.size());
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetItemData(std::int32_t id, std::int32_t index, std::intptr_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  if (index < 0 || index >= static_cast<std::int32_t>(c->items.size())) return kOutOfRange;
  out = c->items[static_cast<std::size_t>(index)].second;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetItemText(std::int32_t id, std::int32_t index, std::string& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  if (index < 0 || index >= static_cast<std::int32_t>(c->items.size())) return kOutOfRange;
  out = c->items[static_cast<std::size_t>(index)].first;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetSelectedItem(std::int32_t id, std::int32_t index) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  if (index < -1 || index >= static_cast<std::int32_t>(c->items.size())) return kOutOfRange;
  c->selected = index;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetSelectedItem(std::int32_t id, std::int32_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ComboBox);
  out = c->selected;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetRange(std::int32_t id, std::int32_t min, std::int32_t max) try {
  VX_CONTROL_KIND(id, c, ControlKind::TrackBar);
  if (min > max) return kBadParameter;
  c->rangeMin = min, c->rangeMax = max;
  c->position = std::clamp(c->position, min, max);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetPosition(std::int32_t id, std::int32_t pos) try {
  VX_CONTROL_KIND(id, c, ControlKind::TrackBar);
  c->position = std::clamp(pos, c->rangeMin, c->rangeMax);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetPosition(std::int32_t id, std::int32_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::TrackBar);
  out = c->position;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::AddColumn(std::int32_t id, const std::string& utf8, std::int32_t width, Align align) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  c->columns.push_back({utf8, width, align});
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  if (column < 0 || column >= static_cast<std::int32_t>(c->columns.size())) return kOutOfRange;
  out = c->columns[static_cast<std::size_t>(column)].width;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t width) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  if (column < 0 || column >= static_cast<std::int32_t>(c->columns.size())) return kOutOfRange;
  c->columns[static_cast<std::size_t>(column)].width = width;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::DeleteAllRows(std::int32_t id) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  c->rows.clear();
  c->rowSelected.clear();
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::AddRow(std::int32_t id, const std::vector<std::string>& cells) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  std::vector<std::string> row(std::max<std::size_t>(c->columns.size(), 1));
  for (std::size_t i = 0; i < row.size() && i < cells.size(); ++i) row[i] = cells[i];
  c->rows.push_back(std::move(row));
  c->rowSelected.push_back(false);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetCell(std::int32_t id, std::int32_t row, std::int32_t column, const std::string& utf8) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  if (row < 0 || row >= static_cast<std::int32_t>(c->rows.size())) return kOutOfRange;
  auto& r = c->rows[static_cast<std::size_t>(row)];
  if (column < 0 || column >= static_cast<std::int32_t>(r.size())) return kOutOfRange;
  r[static_cast<std::size_t>(column)] = utf8;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetCell(std::int32_t id, std::int32_t row, std::int32_t column, std::string& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  if (row < 0 || row >= static_cast<std::int32_t>(c->rows.size())) return kOutOfRange;
  const auto& r = c->rows[static_cast<std::size_t>(row)];
  if (column < 0 || column >= static_cast<std::int32_t>(r.size())) return kOutOfRange;
  out = r[static_cast<std::size_t>(column)];
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::CountRows(std::int32_t id, std::int32_t& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  out = static_cast<std::int32_t>(c->rows.size());
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::SetRowSelected(std::int32_t id, std::int32_t row, bool selected) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  if (row < 0 || row >= static_cast<std::int32_t>(c->rows.size())) return kOutOfRange;
  if (selected && !(c->style & kStyleMultiSelect)) std::fill(c->rowSelected.begin(), c->rowSelected.end(), false);
  c->rowSelected[static_cast<std::size_t>(row)] = selected;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::GetSelectedRows(std::int32_t id, std::vector<std::int32_t>& out) try {
  VX_CONTROL_KIND(id, c, ControlKind::ListView);
  out.clear();
  for (std::size_t i = 0; i < c->rowSelected.size(); ++i)
    if (c->rowSelected[i]) out.push_back(static_cast<std::int32_t>(i));
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ControlWindow::EndDialog(std::int32_t code) try {
  if (!modal_) return kUnsupported;
  ended_ = true;
  result_ = code;
  return kNoErr;
} catch (...) { return EdgeFailure(); }

Err ControlWindow::Usable(std::int32_t id, ControlState*& c) {
  c = Find(id);
  if (!c) return kNotFound;
  if (!c->enabled || !c->visible) return kLocked;
  return kNoErr;
}

Err ControlWindow::UserSetText(std::int32_t id, const std::string& utf8) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  if (c->kind != ControlKind::Edit || (c->style & kStyleReadOnly)) return kWrongType;
  c->text = utf8;
  if (c->limit > 0) {
    // Typing stops at the limit: keep the first `limit` characters (code points).
    std::size_t at = 0;
    for (std::int32_t n = 0; at < c->text.size() && n < c->limit; ++n) {
      ++at;
      while (at < c->text.size() && (static_cast<unsigned char>(c->text[at]) & 0xC0) == 0x80) ++at;
    }
    c->text.resize(at);
  }
  if (handler) handler->OnCommand(*this, id, ControlEvent::TextChanged, 0);
  return kNoErr;
}

Err ControlWindow::UserClick(std::int32_t id) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  switch (c->kind) {
    case ControlKind::CheckBox:
      c->checked = !c->checked;
      break;
    case ControlKind::Radio: {
      // Automatic radio buttons: the group runs from the last group start up to the next one.
      const auto self = static_cast<std::size_t>(c - controls_.data());
      std::size_t first = self;
      while (first > 0 && !(controls_[first].style & kStyleGroup)) --first;
      std::size_t last = self + 1;
      while (last < controls_.size() && !(controls_[last].style & kStyleGroup)) ++last;
      for (std::size_t i = first; i < last; ++i)
        if (controls_[i].kind == ControlKind::Radio) controls_[i].checked = (i == self);
      break;
    }
    case ControlKind::Button:
      break;
    default:
      return kWrongType;
  }
  if (handler) handler->OnCommand(*this, id, ControlEvent::Clicked, 0);
  return kNoErr;
}

Err ControlWindow::UserSelectItem(std::int32_t id, std::int32_t index) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  if (c->kind != ControlKind::ComboBox) return kWrongType;
  if (index < 0 || index >= static_cast<std::int32_t>(c->items.size())) return kOutOfRange;
  c->selected = index;
  if (handler) handler->OnCommand(*this, id, ControlEvent::SelectionChanged, 0);
  return kNoErr;
}

Err ControlWindow::UserSetPosition(std::int32_t id, std::int32_t pos) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  if (c->kind != ControlKind::TrackBar) return kWrongType;
  c->position = std::clamp(pos, c->rangeMin, c->rangeMax);
  if (handler) handler->OnCommand(*this, id, ControlEvent::Scrolled, 0);
  return kNoErr;
}

Err ControlWindow::UserSelectRows(std::int32_t id, const std::vector<std::int32_t>& rows) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  if (c->kind != ControlKind::ListView) return kWrongType;
  if (rows.size() > 1 && !(c->style & kStyleMultiSelect)) return kBadParameter;
  for (std::int32_t r : rows)
    if (r < 0 || r >= static_cast<std::int32_t>(c->rows.size())) return kOutOfRange;
  std::fill(c->rowSelected.begin(), c->rowSelected.end(), false);
  for (std::int32_t r : rows) c->rowSelected[static_cast<std::size_t>(r)] = true;
  if (handler) handler->OnCommand(*this, id, ControlEvent::SelectionChanged, 0);
  return kNoErr;
}

Err ControlWindow::UserDoubleClickRow(std::int32_t id, std::int32_t row) {
  ControlState* c;
  if (Err e = Usable(id, c)) return e;
  if (c->kind != ControlKind::ListView) return kWrongType;
  if (row >= static_cast<std::int32_t>(c->rows.size())) row = -1;  // below the last row
  if (row >= 0) {
    if (!(c->style & kStyleMultiSelect)) std::fill(c->rowSelected.begin(), c->rowSelected.end(), false);
    c->rowSelected[static_cast<std::size_t>(row)] = true;
  }
  if (handler) handler->OnCommand(*this, id, ControlEvent::DoubleClicked, row);
  return kNoErr;
}

std::vector<std::string> ControlWindow::Describe() const {
  std::vector<std::string> out;
  for (const ControlState& c : controls_) {
    std::string s = std::to_string(c.id) + " " + ControlKindName(c.kind);
    if (c.kind == ControlKind::ComboBox) {
      s += " [";
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (i) s += "|";
        if (static_cast<std::int32_t>(i) == c.selected) s += "*";
        s += c.items[i].first;
      }
      s += "]";
    } else if (c.kind == ControlKind::TrackBar) {
      s += " " + std::to_string(c.position) + " of " + std::to_string(c.rangeMin) + ".." + std::to_string(c.rangeMax);
    } else if (c.kind == ControlKind::ListView) {
      s += " rows=" + std::to_string(c.rows.size());
      for (std::size_t r = 0; r < c.rows.size(); ++r) {
        s += c.rowSelected[r] ? " *(" : " (";
        for (std::size_t k = 0; k < c.rows[r].size(); ++k) s += (k ? "|" : "") + c.rows[r][k];
        s += ")";
      }
    } else {
      s += " \"" + c.text + "\"";
    }
    if (c.kind == ControlKind::CheckBox || c.kind == ControlKind::Radio) s += c.checked ? " checked" : " unchecked";
    if (!c.enabled) s += " disabled";
    if (!c.visible) s += " hidden";
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace vx::host
