// vxshape upgrade: turns a document's old-format attribute tags into attribute lists, as the
// panel's menu command does, and prints what the command tells the user.
#include "attributes/upgrade.h"
#include "cli/commands.h"
#include "cli/session.h"

#include <cstdio>

namespace vx::cli {
namespace {

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("upgrade", "Upgrade old-format attribute tags of a document to attribute lists");
  auto doc = std::make_shared<std::string>();
  cmd->add_option("DOC", *doc, "Document to upgrade; saved when the upgrade ran to its end")->required();
  cmd->callback([doc] {
    ExitStatus() = Guard([&] {
      host::StandInHost host;
      host.SetUser(std::make_shared<CliUser>());
      OpenDocument(host, *doc);
      host.FillSlots();
      const bool upgraded = attr::UpgradeOldAttributes();
      host::StandInHost::ClearSlots();
      for (const host::AlertRecord& a : host.Alerts()) std::printf("%s\n", a.text.c_str());
      if (upgraded) {
        SaveDocument(host, *doc);
      } else if (host.Alerts().empty()) {
        // The command ends quietly on a host error; here that must not pass for success.
        throw Failure("the upgrade did not complete; " + *doc + " was not saved");
      }
    });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
