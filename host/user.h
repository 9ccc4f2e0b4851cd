// The person in front of the stand-in host. Everything the plug-in asks of a person goes to a
// replaceable User object: alerts, questions, file dialogs, modal dialogs, progress and cancel.
#pragma once

#include "host/window.h"
#include "shell/host/suites.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vx::host {

enum class AlertKind { Message, Warning, Error, YesNo };
const char* AlertKindName(AlertKind k);

struct AlertRecord {
  AlertKind kind;
  std::string text;
  std::string parent;  // the title of the open dialog, or "application"
  bool answer = false;  // for yes/no questions
};

class User {
 public:
  virtual ~User() = default;
  // Alerts; the host records each one before asking the user.
  virtual void Alert(const AlertRecord& alert) { (void)alert; }
  virtual bool AnswerYesNo(const AlertRecord& question) = 0;
  // The person acts in a modal dialog until it ends (the host cancels a dialog left open).
  virtual void RunDialog(ControlWindow& dialog) = 0;
  // Open-file dialog; `child` is the extra area when the request has one. kStop for cancel.
  virtual Err ChooseOpenFiles(const OpenFileRequest& request, ControlWindow* child,
                              std::vector<std::filesystem::path>& out) = 0;
  virtual Err ChooseSaveFile(const SaveFileRequest& request, std::filesystem::path& out) = 0;
  virtual Err ChooseFolder(const std::string& title, std::filesystem::path& out) = 0;
  virtual void Progress(const std::string& text, std::int64_t current, std::int64_t max) {
    (void)text, (void)current, (void)max;
  }
  virtual void ProgressClosed() {}
  // Polled by the plug-in once per object or record.
  virtual bool WantsCancel() { return false; }
  virtual void OpenUrl(const std::string& url) { (void)url; }
};

// A user that plays a list of steps. A step that cannot be played (another dialog opened than the
// one expected, a control that is disabled, hidden or missing, no answer left for a question) is
// recorded as the script's failure; the user then cancels what is open so the command unwinds.
class ScriptedUser : public User {
 public:
  struct Step {
    enum class Kind {
      Dialog,        // expect a modal dialog (templateId, or 0 for any) to open
      SetText,       // id, text
      Click,         // id: button, check box or radio button
      SelectItem,    // id, index (or text when index < 0)
      SetPosition,   // id, value
      SelectRows,    // id, rows
      DoubleClick,   // id, value = row
      Snapshot,      // record the open dialog's control states in the transcript
      Answer,        // yes/no question: flag
      OpenFiles,     // files; text (optional) picks the child combo item with that text
      SaveFile,      // files[0]
      Folder,        // files[0]
      CancelFileDialog,
    };
    Kind kind = Kind::Dialog;
    std::int32_t id = 0;
    std::string text;
    std::int32_t index = -1;
    std::int32_t value = 0;
    bool flag = false;
    std::vector<std::int32_t> rows;
    std::vector<std::filesystem::path> files;
  };

  void Push(Step s) { steps_.push_back(std::move(s)); }
  // The n-th poll of the cancel request (1-based) answers yes; 0 never.
  void CancelAtPoll(std::int64_t n) { cancelAt_ = n; }
  // Starts counting polls from 0 again (each scripted step counts its own).
  void ResetPolls() { polls_ = 0; }

  void Alert(const AlertRecord& alert) override;
  bool AnswerYesNo(const AlertRecord& question) override;
  void RunDialog(ControlWindow& dialog) override;
  Err ChooseOpenFiles(const OpenFileRequest& request, ControlWindow* child,
                      std::vector<std::filesystem::path>& out) override;
  Err ChooseSaveFile(const SaveFileRequest& request, std::filesystem::path& out) override;
  Err ChooseFolder(const std::string& title, std::filesystem::path& out) override;
  void Progress(const std::string& text, std::int64_t current, std::int64_t max) override;
  bool WantsCancel() override;
  void OpenUrl(const std::string& url) override;

  const std::vector<AlertRecord>& Alerts() const { return alerts_; }
  const std::vector<std::string>& Transcript() const { return transcript_; }
  void Note(std::string line) { transcript_.push_back(std::move(line)); }
  // The first step that could not be played, if any.
  const std::optional<std::string>& Failure() const { return failure_; }
  bool StepsLeft() const { return !steps_.empty(); }
  std::size_t RemainingSteps() const { return steps_.size(); }
  const std::vector<std::string>& OpenedUrls() const { return urls_; }
  std::int64_t Polls() const { return polls_; }

 protected:
  void Fail(std::string why);
  // Plays dialog actions on `w` until it ends or the next step is not a dialog action.
  void PlayActions(ControlWindow& w);

  std::deque<Step> steps_;
  std::vector<AlertRecord> alerts_;
  std::vector<std::string> transcript_;
  std::vector<std::string> urls_;
  std::optional<std::string> failure_;
  std::int64_t cancelAt_ = 0;
  std::int64_t polls_ = 0;
};

}  // namespace vx::host
