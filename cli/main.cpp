// vxshape: drives the plug-in inside the stand-in host from the command line.
#include "cli/commands.h"
#include "cli/platform.h"

#include <cstdio>
#include <exception>
#include <string>

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

namespace {

// A usage error as one line: "vxshape: render: OUT is required (see vxshape render --help)".
std::string UsageLine(CLI::App& app, const CLI::ParseError& e) {
  // The innermost command the words reached, and every word no option or argument took.
  CLI::App* where = &app;
  std::vector<std::string> extras = app.remaining();
  for (CLI::App* sub = &app;;) {
    const auto subs = sub->get_subcommands();
    if (subs.empty()) break;
    sub = subs.front();
    where = sub;
    for (const std::string& x : sub->remaining()) extras.push_back(x);
  }
  const std::string cmd = where == &app ? "" : where->get_name() + ": ";
  const std::string help = where == &app ? "vxshape --help" : "vxshape " + where->get_name() + " --help";
  std::string what;
  for (const std::string& x : extras)
    if (what.empty() && x.size() > 1 && x[0] == '-') what = "unknown option '" + x + "'";
  if (what.empty() && !extras.empty()) what = "unexpected argument '" + extras.front() + "'";
  if (what.empty() && where == &app && dynamic_cast<const CLI::RequiredError*>(&e)) what = "a command is needed";
  if (what.empty()) {
    what = e.what();
    if (auto nl = what.find('\n'); nl != std::string::npos) what.resize(nl);
  }
  return "vxshape: " + cmd + what + " (see " + help + ")";
}

}  // namespace

int main(int argc, char** argv) {
  vx::cli::PrepareStandardStreams();
  vx::cli::PreferLargePages();
  // Every word as UTF-8 from here on; file names become paths through host::Utf8ToPath.
  std::vector<std::string> words = vx::cli::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& w : words) pointers.push_back(w.data());
  pointers.push_back(nullptr);
  argv = pointers.data();
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
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::RuntimeError& e) {
    return e.get_exit_code();  // a command's own failure, already told
  } catch (const CLI::ParseError& e) {
    // Usage errors: one line and status 2, whatever the parser would print.
    std::fprintf(stderr, "%s\n", UsageLine(app, e).c_str());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vxshape: %s\n", e.what());
    return 1;
  }
  return vx::cli::ExitStatus();
}
