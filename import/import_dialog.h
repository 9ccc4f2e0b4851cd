// The import coordinate settings dialog (template 108): the file's system, the placement on the
// sheet (a new data frame's values) and the optional import range.
#pragma once

#include "import/importer_base.h"

#include <string_view>

namespace vx::imp {

// 0 after OK (the record updated), 'STOP' after キャンセル, or the host's code when it cannot
// give its application window or the plug-in's file.
host::Err ShowImportDialog(host::PluginRef plugin, ImportSettings& s);

// The corners "north,west" and "south,east" (degrees or metres) as a range. False for a corner
// without a comma, with fewer than three characters after it, with a number that is not finite,
// or for corners the wrong way round.
bool ParseRange(std::string_view northWest, std::string_view southEast, Extent& out);

}  // namespace vx::imp
