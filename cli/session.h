// What the commands share: opening a document in the stand-in host, a user that shows progress on
// a terminal, and one-line failures.
#pragma once

#include "host/standin.h"

#include <filesystem>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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
// As OpenDocument for a command that will save DOC: first takes the document's lock (see
// StandInHost::LockDocument), waiting a moment for another command to finish.
void OpenDocumentForChange(host::StandInHost& host, const std::string& doc);
void SaveDocument(host::StandInHost& host, const std::string& doc);
// Saves the preferences; a failure throws, naming `saved` as what was saved before it.
void SavePreferences(host::StandInHost& host, const std::string& saved);

// Refuses, before anything is written, an output that is one of the inputs: the same file by
// any name, links followed. Exit status 2, as for other wrong arguments.
void RefuseSameFile(const std::string& output, const std::vector<std::filesystem::path>& inputs);

// How long a command waits for another command to release a document (ms).
inline constexpr int kDocumentLockWaitMs = 2000;

// The plug-in module the program loads, and the file the host reports as the plug-in's: the
// program option --plugin FILE when given, else vxshape.aip in the folder `dir` (a command's
// --plugin-dir), else vxshape.aip beside the program. The files that ship with the plug-in (the
// datum shift grid) are looked for in its folder.
std::filesystem::path PluginFile(const std::string& dir);
// The program option --plugin FILE (empty when not given).
std::string& PluginOption();

// Points `host` at the preferences file `prefs`, or the default one when it is empty.
void UsePreferences(host::StandInHost& host, const std::string& prefs);

// Loads the plug-in module (see PluginFile) and starts it on the application's host, or throws
// Failure: a module that cannot be loaded is named, with why.
void StartPlugin(host::Application& application, const std::string& pluginDir);

// Runs `body` and turns a Failure into the exit status, printing its line.
int Guard(const std::function<void()>& body);

}  // namespace vx::cli
