// What the commands share: opening a document in the stand-in host, a user that shows progress on
// a terminal, and one-line failures.
#pragma once

#include "host/standin.h"

#include <filesystem>

#include <functional>
#include <stdexcept>
#include <string>

namespace vx::host {
class Application;
}

namespace vx::cli {

// A failure of a command: printed as one line "vxshape: ..." and the program exits with `status`.
struct Failure : std::runtime_error {
  explicit Failure(const std::string& what, int status_ = 1) : std::runtime_error(what), status(status_) {}
  int status;
};

// The scripted user, drawing a progress bar on standard error when that is a terminal.
class CliUser : public host::ScriptedUser {
 public:
  CliUser();
  void Progress(const std::string& text, std::int64_t current, std::int64_t max) override;
  void ProgressClosed() override;

 private:
  bool tty_;
  int lastPermille_ = -1;
  std::string lastText_;
};

// Loads DOC into `host`, or throws Failure with the reason.
void OpenDocument(host::StandInHost& host, const std::string& doc);
void SaveDocument(host::StandInHost& host, const std::string& doc);

// The plug-in file the host reports: beside the program unless `dir` names its folder. The files
// that ship with the plug-in (the datum shift grid) are looked for in its folder.
std::filesystem::path PluginFile(const std::string& dir);

// Points `host` at the preferences file `prefs`, or the default one when it is empty.
void UsePreferences(host::StandInHost& host, const std::string& prefs);

// Starts the plug-in from the folder `pluginDir` (see PluginFile) on `host`, or throws Failure.
void StartPlugin(host::Application& application, const std::string& pluginDir);

// Runs `body` and turns a Failure into the exit status, printing its line.
int Guard(const std::function<void()>& body);

}  // namespace vx::cli
