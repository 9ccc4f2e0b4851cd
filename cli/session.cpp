#include "cli/session.h"

#include "cli/platform.h"
#include "host/application.h"
#include "host/atomic_file.h"
#include "cli/commands.h"
#include "shell/host/paths.h"

#include <cstdio>
#include <filesystem>

namespace vx::cli {

CliUser::CliUser() : tty_(StandardErrorIsTerminal()) {}

void CliUser::Progress(const std::string& text, std::int64_t current, std::int64_t max) {
  if (!tty_) return;
  const int permille = max > 0 ? static_cast<int>(std::min<std::int64_t>(1000, current * 1000 / max)) : 0;
  if (permille == lastPermille_ && text == lastText_) return;
  lastPermille_ = permille;
  lastText_ = text;
  constexpr int kWidth = 30;
  const int filled = permille * kWidth / 1000;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.resize(kWidth, '.');
  std::fprintf(stderr, "\r[%s] %3d%% %s\x1b[K", bar.c_str(), permille / 10, text.c_str());
  std::fflush(stderr);
}

void CliUser::ProgressClosed() {
  if (!tty_ || lastPermille_ < 0) return;
  std::fprintf(stderr, "\r\x1b[K");
  std::fflush(stderr);
  lastPermille_ = -1;
  lastText_.clear();
}

void OpenDocument(host::StandInHost& host, const std::string& doc) {
  const std::filesystem::path file = host::Utf8ToPath(doc);
  if (!std::filesystem::exists(file)) throw Failure(doc + ": no such document");
  std::string error;
  if (!host.OpenDocument(file, error)) throw Failure(error);
}

void OpenDocumentForChange(host::StandInHost& host, const std::string& doc) {
  const std::filesystem::path file = host::Utf8ToPath(doc);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) throw Failure(doc + ": no such document");
  std::string error;
  if (!host.LockDocument(file, kDocumentLockWaitMs, error)) throw Failure(error);
  OpenDocument(host, doc);
}

void SaveDocument(host::StandInHost& host, const std::string& doc) {
  std::string error;
  if (!host.SaveDocument(host::Utf8ToPath(doc), error)) throw Failure(error);
}

void SavePreferences(host::StandInHost& host, const std::string& saved) {
  std::string error;
  if (!host.SavePreferences(error)) throw Failure(error + (saved.empty() ? "" : "; " + saved + " was saved"));
}

void RefuseSameFile(const std::string& output, const std::vector<std::filesystem::path>& inputs) {
  const std::filesystem::path out = host::Utf8ToPath(output);
  for (const auto& in : inputs)
    if (host::SameFile(out, in))
      throw Failure(output + " is " + (host::PathToUtf8(in) == output ? "an input" : "the input " + host::PathToUtf8(in)) +
                        "; writing it would destroy what is read (choose another output)",
                    2);
}

int Guard(const std::function<void()>& body) {
  try {
    body();
    return 0;
  } catch (const Failure& f) {
    std::fprintf(stderr, "vxshape: %s\n", f.what());
    return f.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxshape: %s\n", e.what());
    return 1;
  }
}

std::string& PluginOption() {
  static std::string file;
  return file;
}

std::filesystem::path PluginFile(const std::string& dir) {
  if (!PluginOption().empty()) return host::Utf8ToPath(PluginOption());
  std::filesystem::path folder = host::Utf8ToPath(dir);
  if (folder.empty()) {
    const auto exe = ProgramFile();
    folder = exe.empty() ? std::filesystem::current_path() : exe.parent_path();
  }
  return folder / "vxshape.aip";
}

void UsePreferences(host::StandInHost& host, const std::string& prefs) {
  host.SetPreferencesFile(prefs.empty() ? host::StandInHost::DefaultPreferencesFile() : host::Utf8ToPath(prefs));
}

void StartPlugin(host::Application& application, const std::string& pluginDir) {
  std::string error;
  const host::Err e = application.Start(PluginFile(pluginDir), error);
  if (!error.empty()) throw Failure(error);
  if (e) throw Failure("the plug-in did not start (" + host::ErrText(e) + ")");
}

namespace {

void InstallPluginOption(CLI::App& app) {
  app.add_option("--plugin", PluginOption(),
                 "The plug-in module to load (default: vxshape.aip in a command's --plugin-dir, else beside the "
                 "program); given before the command");
}

Registrar reg(InstallPluginOption);

}  // namespace

}  // namespace vx::cli
