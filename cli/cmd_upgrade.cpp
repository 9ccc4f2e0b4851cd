// vxshape upgrade: chooses the panel's menu item that turns a document's old-format attribute
// tags into attribute lists, and prints what the command tells the user.
#include "cli/commands.h"
#include "cli/session.h"
#include "host/application.h"

#include <cstdio>

namespace vx::cli {
namespace {

constexpr std::int32_t kUpgradeItem = 11;

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("upgrade", "Upgrade old-format attribute tags of a document to attribute lists");
  auto doc = std::make_shared<std::string>();
  cmd->add_option("DOC", *doc, "Document to upgrade; saved when the command has told its outcome")->required();
  cmd->callback([doc] {
    ExitStatus() = Guard([&] {
      host::StandInHost host;
      host.SetUser(std::make_shared<CliUser>());
      OpenDocumentForChange(host, *doc);

      host::Application application(host);
      StartPlugin(application, "");
      const std::string error = application.ChooseFlyout(kUpgradeItem);
      application.Quit();
      if (!error.empty()) throw Failure(error + "; " + *doc + " was not saved");

      for (const host::AlertRecord& a : host.Alerts()) std::printf("%s\n", a.text.c_str());
      // The command ends quietly only on a cancel or a host error; that must not pass for success.
      if (host.Alerts().empty()) throw Failure("the upgrade did not complete; " + *doc + " was not saved");
      SaveDocument(host, *doc);
    });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
