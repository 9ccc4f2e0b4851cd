// What a person does in the application, as one typed step. Run scripts and the page's requests
// are read into it and played by the one Play, so the same step does the same thing from both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vx::host {

class Application;

struct PersonStep {
  enum class Action {
    Menu,             // text: the menu entry
    Flyout,           // number: the item id
    FlyoutStates,     // prints the flyout items
    MenuStates,       // prints the plug-in's menu entries
    PanelState,       // prints the panel
    PanelButton,      // text: caption or id
    PanelRows,        // numbers: the rows
    PanelDoubleClick, // number: the row
    Select,           // the layer; numbers: its top-level art, or allArt; on: add to the selection
    SelectAll,
    Deselect,
    NewLayer,     // text: the title
    DeleteLayer,  // text: the title
    ShowLayer,    // the layer; on: visible
    LockLayer,    // the layer; on: locked
    CurrentLayer, // the layer
    CloseDocument,
    Notify,  // text: the notification type
    Undo,
    Redo,
    Delete,  // the selected art that can be changed
  };
  Action action = Action::FlyoutStates;
  std::string text;
  std::int32_t number = 0;
  std::vector<std::int32_t> numbers;
  // The layer a step names: by its title (`text`, run scripts) or by its position in pre-order
  // (0 the topmost, the page).
  std::optional<std::size_t> layerIndex;
  bool allArt = false;
  bool on = false;

  // False for steps that only select: the document's content stays as it was.
  bool Changes() const;
};

// Plays `step`; answers an empty text, or why it could not be played. Steps that print hand
// their lines to `note`.
std::string Play(Application& app, const PersonStep& step, const std::function<void(const std::string&)>& note);

}  // namespace vx::host
