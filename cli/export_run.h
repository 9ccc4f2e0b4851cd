// The export commands' shared run: the plug-in in a stand-in host, the export settings dialog
// (115) set from the options, then the save-file or folder dialog. The document is not changed.
#pragma once

#include <cstdint>
#include <string>

namespace vx::cli {

struct ExportOptions {
  std::string doc, out, target = "current", type = "point", encoding = "sjis";
  std::string objects, bezier = "5", markers, to;  // objects: empty for the type's default
  std::string prefs, pluginDir;
  std::string layer;  // made the current layer first, as a click in the layers panel; empty: as saved
  bool perLayer = false, textField = false, layerField = false;
  std::int32_t flyout = 5;  // 5 shapefile, 6 coordinate text
  std::string delimiter;    // "tab" or "comma"; empty leaves the dialog's choice
};

void RunExport(const ExportOptions& o);

}  // namespace vx::cli
