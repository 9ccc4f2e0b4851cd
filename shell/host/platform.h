// The platform's user interface: modal dialogs built from templates, the controls of a panel's
// window, and the template records themselves. Controls are addressed by their numeric id.
#pragma once

#include "shell/host/types.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vx::host {

enum class ControlKind : std::int32_t {
  Static,    // a label
  Edit,      // a one-line text box
  Button,    // a push button
  CheckBox,  // an automatic check box
  Radio,     // an automatic radio button; the buttons of one group exclude each other
  GroupBox,  // a frame with a caption
  ComboBox,  // a drop-down list: items with text and data, one selected
  TrackBar,  // a slider with a range and a position
  ListView,  // a report-style list: columns, rows of texts, selectable rows
};

// Style bits of a control template.
enum ControlStyle : std::uint32_t {
  kStyleGroup = 1u << 0,        // starts a new group (radio buttons up to the next group start)
  kStyleRightAlign = 1u << 1,   // text aligned right
  kStyleDefault = 1u << 2,      // the default push button (Enter)
  kStyleDisabled = 1u << 3,     // starts disabled
  kStyleHidden = 1u << 4,       // starts hidden
  kStyleReadOnly = 1u << 5,     // an edit the user cannot type into
  kStyleMultiSelect = 1u << 6,  // a list view that allows several selected rows
  kStyleNumber = 1u << 7,       // an edit that takes digits only
  kStyleShowSelection = 1u << 8,  // a list view that shows its selection when not focused
  kStyleGridLines = 1u << 9,      // a list view with grid lines
  kStyleFullRowSelect = 1u << 10, // a list view that selects whole rows
};

struct ControlTemplate {
  ControlKind kind;
  std::int32_t id;
  const char* text;  // UTF-8; the caption of statics, buttons, boxes; an edit's first text
  std::int32_t x, y, width, height;  // dialog units
  std::uint32_t style = 0;
  std::int32_t limit = 0;  // an edit: the most characters a person can type; 0 for no limit
};

struct DialogTemplate {
  std::int32_t id;
  const char* title;  // UTF-8
  std::int32_t width, height;  // dialog units
  std::span<const ControlTemplate> controls;
};

// Standard ids: the OK and Cancel buttons of a dialog end it with these codes, and an open-file
// dialog's child area sees kIdFileOk when the user confirms a file name.
constexpr std::int32_t kIdOk = 1;
constexpr std::int32_t kIdCancel = 2;
constexpr std::int32_t kIdFileOk = -1;

enum class ControlEvent : std::int32_t {
  Clicked,           // a button, check box or radio button was clicked
  TextChanged,       // an edit's text changed
  SelectionChanged,  // a combo box's or list view's selection changed
  DoubleClicked,     // a list view row was double-clicked (detail = row, or -1 off the rows)
  Scrolled,          // a track bar moved
};

enum class Align : std::int32_t { Left, Right, Center };

class Window;

// Receives what happens in a dialog or panel window. Colours are 0xBBGGRR values.
class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  virtual void OnInit(Window& w) { (void)w; }
  // A person acted on control `id`; `detail` is the row for DoubleClicked, else 0.
  virtual void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) {
    (void)w, (void)id, (void)event, (void)detail;
  }
  // An open-file dialog's child area: the person selected `file` in the dialog (before any
  // confirmation; again for every other file selected).
  virtual void OnFileSelected(Window& w, const std::filesystem::path& file) { (void)w, (void)file; }
  // Colours of one list view cell; return false to keep the defaults.
  virtual bool OnListCellColors(Window& w, std::int32_t id, std::int32_t row, std::int32_t column,
                                std::uint32_t& text, std::uint32_t& back) {
    (void)w, (void)id, (void)row, (void)column, (void)text, (void)back;
    return false;
  }
  // Colours of a static control; return false to keep the defaults.
  virtual bool OnStaticColors(Window& w, std::int32_t id, std::uint32_t& text, std::uint32_t& back) {
    (void)w, (void)id, (void)text, (void)back;
    return false;
  }
};

// A dialog or panel window and its controls. Operations on a control the window lacks answer
// kNotFound; operations of the wrong kind answer kWrongType.
class Window {
 public:
  virtual ~Window() = default;
  virtual WindowHandle Handle() = 0;

  virtual Err CreateControl(const ControlTemplate& control) = 0;  // panel windows
  virtual Err MoveControl(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) = 0;
  virtual bool HasControl(std::int32_t id) = 0;

  virtual Err SetText(std::int32_t id, const std::string& utf8) = 0;
  virtual Err GetText(std::int32_t id, std::string& utf8) = 0;
  virtual Err SetChecked(std::int32_t id, bool checked) = 0;
  virtual Err GetChecked(std::int32_t id, bool& out) = 0;
  virtual Err SetEnabled(std::int32_t id, bool enabled) = 0;
  virtual Err GetEnabled(std::int32_t id, bool& out) = 0;
  virtual Err SetVisible(std::int32_t id, bool visible) = 0;
  virtual Err GetVisible(std::int32_t id, bool& out) = 0;
  virtual Err SetFocus(std::int32_t id) = 0;
  // The most characters a person can type into an edit (0: no limit); the program's own SetText
  // is not cut.
  virtual Err SetTextLimit(std::int32_t id, std::int32_t chars) = 0;

  // Combo boxes.
  virtual Err ClearItems(std::int32_t id) = 0;
  virtual Err AddItem(std::int32_t id, const std::string& utf8, std::intptr_t data) = 0;
  virtual Err CountItems(std::int32_t id, std::int32_t& out) = 0;
  virtual Err GetItemData(std::int32_t id, std::int32_t index, std::intptr_t& out) = 0;
  virtual Err GetItemText(std::int32_t id, std::int32_t index, std::string& out) = 0;
  // -1 selects nothing.
  virtual Err SetSelectedItem(std::int32_t id, std::int32_t index) = 0;
  virtual Err GetSelectedItem(std::int32_t id, std::int32_t& out) = 0;

  // Track bars.
  virtual Err SetRange(std::int32_t id, std::int32_t min, std::int32_t max) = 0;
  virtual Err SetPosition(std::int32_t id, std::int32_t pos) = 0;
  virtual Err GetPosition(std::int32_t id, std::int32_t& out) = 0;

  // List views.
  virtual Err AddColumn(std::int32_t id, const std::string& utf8, std::int32_t width, Align align) = 0;
  virtual Err GetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t& out) = 0;
  virtual Err SetColumnWidth(std::int32_t id, std::int32_t column, std::int32_t width) = 0;
  virtual Err DeleteAllRows(std::int32_t id) = 0;
  // Appends a row; cells past the column count are ignored.
  virtual Err AddRow(std::int32_t id, const std::vector<std::string>& cells) = 0;
  virtual Err SetCell(std::int32_t id, std::int32_t row, std::int32_t column, const std::string& utf8) = 0;
  virtual Err GetCell(std::int32_t id, std::int32_t row, std::int32_t column, std::string& out) = 0;
  virtual Err CountRows(std::int32_t id, std::int32_t& out) = 0;
  virtual Err SetRowSelected(std::int32_t id, std::int32_t row, bool selected) = 0;
  virtual Err GetSelectedRows(std::int32_t id, std::vector<std::int32_t>& out) = 0;

  // Ends a modal dialog with `code` once the current event returns.
  virtual Err EndDialog(std::int32_t code) = 0;
};

class PlatformSuite {
 public:
  virtual ~PlatformSuite() = default;
  // Runs the dialog built from the plug-in's template `templateId` modally over `parent`;
  // `result` receives the code given to EndDialog. kNotFound when the template is missing.
  virtual Err RunModalDialog(PluginRef plugin, std::int32_t templateId, WindowHandle parent, DialogHandler& handler,
                             std::int32_t& result) = 0;
  // The window object behind a handle (a panel's platform window or an open dialog).
  virtual Err GetWindow(WindowHandle handle, Window*& out) = 0;
  // Makes `handler` receive the events of a panel window's controls; nullptr detaches.
  virtual Err SetWindowHandler(WindowHandle handle, DialogHandler* handler) = 0;
  // The handler that receives a window's events now (nullptr when none), so that a plug-in that
  // takes a window over can hand unhandled events on and give the window back later.
  virtual Err GetWindowHandler(WindowHandle handle, DialogHandler*& out) = 0;
};

}  // namespace vx::host
