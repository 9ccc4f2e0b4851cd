// What the commands share: opening a document in the stand-in host, a user that shows progress on
// a terminal, and one-line failures.
#pragma once

#include "host/standin.h"

#include <functional>
#include <stdexcept>
#include <string>

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

// Runs `body` and turns a Failure into the exit status, printing its line.
int Guard(const std::function<void()>& body);

}  // namespace vx::cli
