// Dialog and panel windows of the stand-in host: controls addressed by id, with the states a
// person sees (text, checked, enabled, visible, items, selection, position, rows).
#pragma once

#include "shell/host/platform.h"

#include <optional>
#include <string>
#include <vector>

namespace vx::host {

struct ControlState {
  ControlKind kind = ControlKind::Static;
  std::int32_t id = 0;
  std::string text;
  std::int32_t x = 0, y = 0, width = 0, height = 0;
  std::uint32_t style = 0;
  std::int32_t limit = 0;  // edits: most characters typed, 0 for none
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  // Combo boxes.
  std::vector<std::pair<std::string, std::intptr_t>> items;
  std::int32_t selected = -1;
  // Track bars.
  std::int32_t rangeMin = 0, rangeMax = 100, position = 0;
  // List views.
  struct Column {
    std::string title;
    std::int32_t width;
    Align align;
  };
  std::vector<Column> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<bool> rowSelected;
};

class ControlWindow final : public Window {
 public:
  ControlWindow(std::string title, bool modal) : title_(std::move(title)), modal_(modal) {}
  // Builds the controls of a template.
  void Build(const DialogTemplate& t);

  WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(this); }
  Err CreateControl(const ControlTemplate& control) override;
  Err MoveControl(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) override;
  bool HasControl(std::int32_t id) override { return Find(id) != nullptr; }
  Err SetText(std::int32_t id, const std::string& utf8) override;
  Err GetText(std::int32_t id, std::string& utf8) override;
  Err SetChecked(std::int32_t id, bool checked) override;
  Err GetChecked(std::int32_t id, bool& out) override;
  Err SetEnabled(std::int32_t id, bool enabled) override;
  Err GetEnabled(std::int32_t id, bool& out) override;
  Err SetVisible(std::int32_t id, bool visible) override;
  Err GetVisible(std::int32_t id, bool& out) override;
  Err SetFocus(std::int32_t id) override;
  Err SetTextLimit(std::int32_t id, std::int32_t chars) override;
  Err ClearItems(std::int32_t id) override;
  Err AddItem(std::int32_t id, const std::string& utf8, std::intptr_t data) override;
  Err CountItems(std::int32_t id, std::int32_t& out) override;
  Err GetItemData(std::int32_t id, std::int32_t index, std::intptr_t& out) override;
  Err GetItemText(std::int32_t id, std::int32_t index, std::string& out) override;
  Err SetSelectedItem(std::int32_t id, std::int32_t index) override;
  Err GetSelectedItem(std::int32_t id, std::int32_t& out) override;
  Err SetRange(std::int32_t id, std::int32_t min, std::int32_t max) override;
  Err SetPosition(std::int32_t id, std::int32_t pos) override;
  Err GetPosition(std::int32_t id, std::int32_t& out) override;
  Err AddColumn(std::int32_t id, const std::string& utf8, std::int32_t width, Align align) override;
  Err GetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t& out) override;
  Err SetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t width) override;
  Err DeleteAllRows(std::int32_t id) override;
  Err AddRow(std::int32_t id, const std::vector<std::string>& cells) override;
  Err SetCell(std::int32_t id, std::int32_t row, std::int32_t column, const std::string& utf8) override;
  Err GetCell(std::int32_t id, std::int32_t row, std::int32_t column, std::string& out) override;
  Err CountRows(std::int32_t id, std::int32_t& out) override;
  Err SetRowSelected(std::int32_t id, std::int32_t row, bool selected) override;
  Err GetSelectedRows(std::int32_t id, std::vector<std::int32_t>& out) override;
  Err EndDialog(std::int32_t code) override;

  ControlState* Find(std::int32_t id);
  const std::vector<ControlState>& Controls() const { return controls_; }
  const std::string& Title() const { return title_; }
  std::int32_t TemplateId() const { return templateId_; }
  bool Modal() const { return modal_; }
  bool Ended() const { return ended_; }
  std::int32_t Result() const { return result_; }
  // The control that has the focus, or 0.
  std::int32_t Focus() const { return focus_; }

  DialogHandler* handler = nullptr;

  // What a person does. Each refuses (kLocked) a control that is disabled or hidden, and
  // kWrongType an action the control's kind does not take; on success the handler hears of it.
  Err UserSetText(std::int32_t id, const std::string& utf8);
  Err UserClick(std::int32_t id);
  Err UserSelectItem(std::int32_t id, std::int32_t index);
  Err UserSetPosition(std::int32_t id, std::int32_t pos);
  Err UserSelectRows(std::int32_t id, const std::vector<std::int32_t>& rows);
  Err UserDoubleClickRow(std::int32_t id, std::int32_t row);

  // One line per control: id, kind, and its state, as a person would read it.
  std::vector<std::string> Describe() const;

 private:
  Err Usable(std::int32_t id, ControlState*& c);
  std::string title_;
  bool modal_ = false;
  std::int32_t templateId_ = 0;
  std::vector<ControlState> controls_;
  bool ended_ = false;
  std::int32_t result_ = 0;
  std::int32_t focus_ = 0;
};

const char* ControlKindName(ControlKind k);

}  // namespace vx::host
