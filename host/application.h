// The stand-in application: loads the plug-in through its entry and does what a person does in
// the application (choose menu entries and flyout items, click the panel's buttons, select art),
// sending the notifications each step calls for. It also plays run scripts, which are these
// steps written down as JSON.
#pragma once

#include "host/plugin_module.h"
#include "host/standin.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vx::host {

struct FlyoutItemState {
  std::int32_t id = 0;
  std::string text;
  bool separator = false;
  bool enabled = true;
};

class Application {
 public:
  explicit Application(StandInHost& host) : host_(host) {}
  // Quits the plug-in if a module of it is still loaded.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Registers the plug-in's entry and starts it ("Startup", then the application-started
  // notification). Tests of the plug-in's classes link the entry in; vxshape loads the module.
  Err Start(PluginMainProc main, std::filesystem::path pluginFile);
  // Loads the plug-in module `moduleFile` and starts it through its PluginMain, reporting
  // `moduleFile` as the plug-in's file. A module that cannot be loaded answers kNotFound, and
  // `error` names the file and why.
  Err Start(const std::filesystem::path& moduleFile, std::string& error);
  // The application-shut-down notification, then "Shutdown"; a loaded module then hears "Unload",
  // the host lets go of everything of the plug-in's, and the module is unloaded.
  Err Quit();
  // True while a module of the plug-in is loaded.
  bool ModuleLoaded() const { return module_ != nullptr; }

  // Each step answers an empty text when it was played, else why it could not be.
  // A menu entry of the plug-in, by its text; update messages go out first, as before a menu shows.
  std::string ChooseMenu(const std::string& text);
  // A flyout item: the display callback runs first, then the command if the item is enabled.
  std::string ChooseFlyout(std::int32_t id);
  // The panel's buttons by caption or id; the list's rows by index.
  std::string ClickPanelButton(const std::string& captionOrId);
  std::string SelectPanelRows(const std::vector<std::int32_t>& rows);
  std::string DoubleClickPanelRow(std::int32_t row);
  // Selects art of the layer with `title`: the layer's top-level art at `indexes` (or all of it),
  // each with its contents. The previous selection goes, unless `add` (a shift-click).
  std::string SelectArt(const std::string& title, const std::vector<std::int32_t>& indexes, bool all = false,
                        bool add = false);
  // The same for a layer given by its position in pre-order (0 is the topmost layer).
  std::string SelectArtOf(std::size_t layerIndex, const std::vector<std::int32_t>& indexes, bool add);
  std::string DeselectAll();
  // A layer's eye and lock, and the current layer, as a person sets them in the layers list;
  // the layer is given by its position in pre-order.
  std::string ShowLayer(std::size_t layerIndex, bool visible);
  std::string LockLayer(std::size_t layerIndex, bool locked);
  std::string MakeCurrentLayer(std::size_t layerIndex);
  std::string NewLayer(const std::string& title);
  std::string DeleteLayer(const std::string& title);
  std::string CloseDocument();
  std::string Notify(const std::string& type);
  // Undo and redo of whole commands (host/journal.h); they answer why when there is nothing to do.
  std::string Undo();
  std::string Redo();
  bool CanUndo();
  bool CanRedo();
  // Deletes the selected art that can be changed (not locked, not on a locked layer): one step.
  std::string DeleteSelection();
  // Selects all art that can be selected: on visible, unlocked layers, itself neither locked nor
  // hidden; the previous selection goes.
  std::string SelectAll();
  // The document's revision (host/journal.h) and whether it differs from its file; 0 and false
  // without a document.
  std::uint64_t Revision();
  bool Unsaved();

  // The flyout items as the person sees them when opening the menu (the display callback runs).
  std::vector<FlyoutItemState> FlyoutStates(std::string& error);
  // The plug-in's host menu entries after update messages: "group / text [checked]".
  std::vector<std::string> MenuStates();
  // The panel's visibility and its controls, one line each.
  std::vector<std::string> PanelState();

  // The plug-in's panel that is alive, or nullptr.
  PanelOpaque* Panel();
  StandInHost& Host() { return host_; }

 private:
  void SendUpdates();
  std::string SelectIn(LayerOpaque* layer, const std::vector<std::int32_t>& indexes, bool all, bool add);
  LayerOpaque* LayerAt(std::size_t layerIndex);
  std::string Finish(std::string error);
  class Command;
  StandInHost& host_;
  Command* command_ = nullptr;  // the command being played
  std::unique_ptr<PluginModule> module_;
  bool quit_ = false;
};

// A run script: application steps, each followed by the user's steps for what it opens.
struct ScriptAction {
  std::size_t number = 0;   // 1-based position in the script
  nlohmann::json step;      // the application step
  std::vector<ScriptedUser::Step> userSteps;
  std::vector<std::string> userLabels;  // for each user step, "step N (kind)"
  std::int64_t cancelAt = 0;  // cancel at this poll of the action, 0 never
  std::size_t cancelAtNumber = 0;  // the script step that asked for the cancel
};

// Parses a script ({"steps": [...]} or a bare array). Relative file names are taken from `base`.
// Throws std::runtime_error with a one-line reason. A step may carry only the options its action
// takes.
std::vector<ScriptAction> ParseScript(const nlohmann::json& script, const std::filesystem::path& base);

// Plays the actions with `user` (the host's user). Transcript lines go to `out` as they come.
// Answers an empty text, or the one-line reason the first step that could not be played failed;
// a cancel asked for at a poll the command never reached is such a step.
std::string PlayScript(Application& app, ScriptedUser& user, const std::vector<ScriptAction>& actions,
                       const std::function<void(const std::string&)>& out);

// A whole session of `vxshape run`: plays the actions; when they all ran, `save` stores the work
// (answering an empty text or why it could not); then the plug-in is shut down (the application
// shut-down notification, then shut-down) whatever happened.
struct SessionResult {
  std::string scriptFailure;  // as PlayScript answers it
  std::string saveFailure;    // what `save` answered
};
SessionResult PlaySession(Application& app, ScriptedUser& user, const std::vector<ScriptAction>& actions,
                          const std::function<void(const std::string&)>& out,
                          const std::function<std::string()>& save);

}  // namespace vx::host
