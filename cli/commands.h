// vxshape's commands register themselves here: each cli/cmd_*.cpp holds one command (or a few
// related ones) and a static Registrar that adds its sub-command to the program.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace vx::cli {

// Adds one or more sub-commands to `app`. The callback given to a sub-command runs the command and
// stores the exit status in `ExitStatus()`; throw CLI::RuntimeError(code) or return a status.
using Installer = std::function<void(CLI::App& app)>;

std::vector<Installer>& Installers();

struct Registrar {
  explicit Registrar(Installer installer) { Installers().push_back(std::move(installer)); }
};

// The status the program exits with once the chosen sub-command has run.
int& ExitStatus();

}  // namespace vx::cli
