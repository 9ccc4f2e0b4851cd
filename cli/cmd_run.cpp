// vxshape run: plays a script of a person's steps against the plug-in in the stand-in host.
#include "cli/commands.h"
#include "cli/session.h"
#include "host/application.h"
#include "shell/host/paths.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>

namespace vx::cli {
namespace {

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("run", "Start the plug-in on a document and play a script of steps (docs/run.md)");
  auto doc = std::make_shared<std::string>();
  auto script = std::make_shared<std::string>();
  auto output = std::make_shared<std::string>();
  auto prefs = std::make_shared<std::string>();
  auto pluginDir = std::make_shared<std::string>();
  cmd->add_option("DOC", *doc, "Document to work on; saved when the script has run")->required();
  cmd->add_option("SCRIPT", *script, "Script (JSON)")->required();
  cmd->add_option("-o,--output", *output, "Save the document here instead of over DOC");
  cmd->add_option("--preferences", *prefs, "Preferences file (default: $VXSHAPE_PREFERENCES, else vxshape/preferences.json in ~/.config or %APPDATA%)");
  cmd->add_option("--plugin-dir", *pluginDir, "Folder the plug-in is installed in (default: the program's folder)");
  cmd->callback([=] {
    ExitStatus() = Guard([&] {
      const std::string target = output->empty() ? *doc : *output;
      RefuseSameFile(target, {host::Utf8ToPath(*script)});
      std::vector<host::ScriptAction> actions;
      {
        const std::filesystem::path scriptFile = host::Utf8ToPath(*script);
        std::ifstream in(scriptFile, std::ios::binary);
        if (!in) throw Failure(*script + ": cannot read the script");
        nlohmann::json j;
        try {
          j = nlohmann::json::parse(in);
        } catch (const std::exception& e) {
          throw Failure(*script + ": not JSON: " + e.what());
        }
        try {
          actions = host::ParseScript(j, scriptFile.parent_path());
        } catch (const std::exception& e) {
          throw Failure(*script + ": " + e.what());
        }
      }

      host::StandInHost host;
      auto user = std::make_shared<CliUser>();
      host.SetUser(user);
      UsePreferences(host, *prefs);
      OpenDocumentForChange(host, *doc);

      host::Application application(host);
      StartPlugin(application, *pluginDir);

      std::string prefsFailure;
      const host::SessionResult r = host::PlaySession(
          application, *user, actions,
          [](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
          },
          [&]() -> std::string {
            std::string error;
            if (host.Doc()) {
              if (!host.SaveDocument(host::Utf8ToPath(target), error)) return error;
            } else {
              std::printf("(the script closed the document; %s is left as it was)\n", doc->c_str());
            }
            if (!host.SavePreferences(error)) prefsFailure = error;
            return "";
          });
      if (!r.scriptFailure.empty()) throw Failure(r.scriptFailure + "; " + *doc + " was not saved");
      if (!r.saveFailure.empty()) throw Failure(r.saveFailure);
      if (!prefsFailure.empty()) throw Failure(prefsFailure + "; " + target + " was saved");
    });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
