// vxshape: drives the plug-in inside the stand-in host from the command line.
#include "cli/commands.h"

#include <cstdio>
#include <exception>

namespace vx::cli {
std::vector<Installer>& Installers() {
  static std::vector<Installer> list;
  return list;
}
int& ExitStatus() {
  static int status = 0;
  return status;
}
}  // namespace vx::cli

int main(int argc, char** argv) {
  CLI::App app{"vxshape: map-sheet plug-in driven in a stand-in host"};
  app.require_subcommand(1);
  for (auto& install : vx::cli::Installers()) install(app);
  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const CLI::App* sub : app.get_subcommands({})) known = known || sub->check_name(argv[1]);
    if (!known) {
      std::fprintf(stderr, "vxshape: unknown command '%s' (see vxshape --help)\n", argv[1]);
      return 2;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxshape: %s\n", e.what());
    return 1;
  }
  return vx::cli::ExitStatus();
}
