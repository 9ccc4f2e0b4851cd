// The import commands' shared run: the plug-in in a stand-in host, the open-file dialog and the
// import settings dialog (108) answered from the command line, alerts printed, the document saved
// only when the import went through.
#pragma once

#include "host/window.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx::cli {

struct ImportOptions {
  std::string doc, output, prefs, pluginDir;
  std::vector<std::string> files;
  std::string encoding, from, map, scale;
  bool north = false, noNorth = false;
  std::vector<std::string> range;
  // The item to pick in the open-file dialog's encoding list; when set, `encoding` is not read.
  std::string encodingItem;
};

// Answers a dialog other than 108 (the settings of a particular importer); false when it is not
// one the command expects.
using DialogHook = std::function<bool(host::ControlWindow&)>;

// Runs flyout item `flyout` with the files of `o` and saves the document.
void RunImport(const ImportOptions& o, std::int32_t flyout, const DialogHook& hook = {});

// The options every import command shares: -o, --map, --scale, --north, --no-north,
// --range, --preferences and --plugin-dir. DOC, the files and --from are added by the caller.
void AddCommonImportOptions(CLI::App* cmd, ImportOptions& o);

}  // namespace vx::cli
