#include "host/user.h"

namespace vx::host {

const char* AlertKindName(AlertKind k) {
  switch (k) {
    case AlertKind::Message: return "message";
    case AlertKind::Warning: return "warning";
    case AlertKind::Error: return "error";
    case AlertKind::YesNo: return "question";
  }
  return "?";
}

void ScriptedUser::Fail(std::string why) {
  if (!failure_) failure_ = std::move(why);
}

void ScriptedUser::Alert(const AlertRecord& alert) {
  alerts_.push_back(alert);
  transcript_.push_back(std::string(AlertKindName(alert.kind)) + ": " + alert.text +
                        (alert.parent == "application" ? "" : "  [over " + alert.parent + "]"));
}

bool ScriptedUser::AnswerYesNo(const AlertRecord& question) {
  bool yes = false;
  if (failure_) {
    // Unwinding after a failed step: answer no.
  } else if (steps_.empty() || steps_.front().kind != Step::Kind::Answer) {
    Fail("a question was asked but the script has no answer for it: " + question.text);
  } else {
    yes = steps_.front().flag;
    steps_.pop_front();
  }
  alerts_.back().answer = yes;
  transcript_.push_back(std::string("answer: ") + (yes ? "yes" : "no"));
  return yes;
}

static std::string DialogName(const ControlWindow& w) {
  return "dialog " + std::to_string(w.TemplateId()) + " \"" + w.Title() + "\"";
}

void ScriptedUser::RunDialog(ControlWindow& dialog) {
  transcript_.push_back("open " + DialogName(dialog));
  if (!failure_) {
    if (steps_.empty() || steps_.front().kind != Step::Kind::Dialog) {
      Fail(DialogName(dialog) + " opened but the script does not expect a dialog here");
    } else if (steps_.front().id != 0 && steps_.front().id != dialog.TemplateId()) {
      Fail(DialogName(dialog) + " opened but the script expects dialog " + std::to_string(steps_.front().id));
    } else {
      steps_.pop_front();
      PlayActions(dialog);
      if (!dialog.Ended() && !failure_) Fail(DialogName(dialog) + " is still open when the script's steps for it end");
    }
  }
  if (!dialog.Ended()) {
    // The person closes the window: the same as pressing Cancel.
    if (dialog.handler) dialog.handler->OnCommand(dialog, kIdCancel, ControlEvent::Clicked, 0);
    if (!dialog.Ended()) dialog.EndDialog(kIdCancel);
  }
  transcript_.push_back("closed " + DialogName(dialog) + " with " + std::to_string(dialog.Result()));
}

void ScriptedUser::PlayActions(ControlWindow& w) {
  while (!steps_.empty() && !w.Ended() && !failure_) {
    Step s = steps_.front();
    Err e = kNoErr;
    std::string what;
    switch (s.kind) {
      case Step::Kind::SetText:
        what = "set text of " + std::to_string(s.id);
        e = w.UserSetText(s.id, s.text);
        break;
      case Step::Kind::Click:
        what = "click " + std::to_string(s.id);
        e = w.UserClick(s.id);
        break;
      case Step::Kind::SelectItem: {
        what = "select item of " + std::to_string(s.id);
        std::int32_t index = s.index;
        if (index < 0) {
          std::int32_t n = 0;
          w.CountItems(s.id, n);
          for (std::int32_t i = 0; i < n; ++i) {
            std::string t;
            if (w.GetItemText(s.id, i, t) == kNoErr && t == s.text) index = i;
          }
          if (index < 0) {
            Fail("dialog " + std::to_string(w.TemplateId()) + ": control " + std::to_string(s.id) +
                 " has no item \"" + s.text + "\"");
            return;
          }
        }
        e = w.UserSelectItem(s.id, index);
        break;
      }
      case Step::Kind::SetPosition:
        what = "move " + std::to_string(s.id);
        e = w.UserSetPosition(s.id, s.value);
        break;
      case Step::Kind::SelectRows:
        what = "select rows of " + std::to_string(s.id);
        e = w.UserSelectRows(s.id, s.rows);
        break;
      case Step::Kind::DoubleClick:
        what = "double-click row of " + std::to_string(s.id);
        e = w.UserDoubleClickRow(s.id, s.value);
        break;
      case Step::Kind::Snapshot:
        transcript_.push_back("state of " + DialogName(w) + ":");
        for (auto& line : w.Describe()) transcript_.push_back("  " + line);
        steps_.pop_front();
        continue;
      default:
        return;  // not a dialog action: the dialog's part of the script is over
    }
    steps_.pop_front();
    if (e == kLocked) {
      Fail(DialogName(w) + ": cannot " + what + ": the control is disabled or hidden");
    } else if (e == kNotFound) {
      Fail(DialogName(w) + ": cannot " + what + ": no such control");
    } else if (e != kNoErr) {
      Fail(DialogName(w) + ": cannot " + what + " (" + ErrText(e) + ")");
    }
  }
}

Err ScriptedUser::ChooseOpenFiles(const OpenFileRequest& request, ControlWindow* child,
                                  std::vector<std::filesystem::path>& out) {
  transcript_.push_back("open-file dialog: " + request.title);
  if (failure_) return kStop;
  if (steps_.empty() ||
      (steps_.front().kind != Step::Kind::OpenFiles && steps_.front().kind != Step::Kind::CancelFileDialog)) {
    Fail("an open-file dialog opened (" + request.title + ") but the script has no files for it");
    return kStop;
  }
  Step s = steps_.front();
  steps_.pop_front();
  if (s.kind == Step::Kind::CancelFileDialog) return kStop;
  if (!request.allowMultiple && s.files.size() > 1) {
    Fail("the open-file dialog takes one file, the script gives " + std::to_string(s.files.size()));
    return kStop;
  }
  if (!child && !s.text.empty()) {
    Fail("the open-file dialog (" + request.title + ") shows no encoding list, but the script picks the encoding \"" +
         s.text + "\"");
    return kStop;
  }
  if (child && !s.text.empty()) {
    Step pick;
    pick.kind = Step::Kind::SelectItem;
    pick.id = s.id;
    pick.text = s.text;
    steps_.push_front(pick);
    PlayActions(*child);
    if (failure_) return kStop;
  }
  out = s.files;
  return kNoErr;
}

Err ScriptedUser::ChooseSaveFile(const SaveFileRequest& request, std::filesystem::path& out) {
  transcript_.push_back("save-file dialog: " + request.title);
  if (failure_) return kStop;
  if (!steps_.empty() && steps_.front().kind == Step::Kind::CancelFileDialog) {
    steps_.pop_front();
    return kStop;
  }
  if (steps_.empty() || steps_.front().kind != Step::Kind::SaveFile || steps_.front().files.empty()) {
    Fail("a save-file dialog opened (" + request.title + ") but the script has no file for it");
    return kStop;
  }
  out = steps_.front().files.front();
  steps_.pop_front();
  return kNoErr;
}

Err ScriptedUser::ChooseFolder(const std::string& title, std::filesystem::path& out) {
  transcript_.push_back("folder dialog: " + title);
  if (failure_) return kStop;
  if (!steps_.empty() && steps_.front().kind == Step::Kind::CancelFileDialog) {
    steps_.pop_front();
    return kStop;
  }
  if (steps_.empty() || steps_.front().kind != Step::Kind::Folder || steps_.front().files.empty()) {
    Fail("a folder dialog opened (" + title + ") but the script has no folder for it");
    return kStop;
  }
  out = steps_.front().files.front();
  steps_.pop_front();
  return kNoErr;
}

void ScriptedUser::Progress(const std::string& text, std::int64_t current, std::int64_t max) {
  (void)text, (void)current, (void)max;
}

bool ScriptedUser::WantsCancel() {
  ++polls_;
  if (failure_) return true;
  if (cancelAt_ > 0 && polls_ >= cancelAt_) {
    if (polls_ == cancelAt_) transcript_.push_back("cancel at poll " + std::to_string(polls_));
    return true;
  }
  return false;
}

void ScriptedUser::OpenUrl(const std::string& url) {
  urls_.push_back(url);
  transcript_.push_back("open web address: " + url);
}

}  // namespace vx::host
