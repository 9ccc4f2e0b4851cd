// The commands of the flyout menu, one function each, given the plug-in reference. The flyout
// dispatch calls them through Commands(), so a test can stand in for one.
#pragma once

#include "shell/host/types.h"

namespace vx::shell {

// Imports answer 0, 'STOP' when the user cancelled, or an error code (the dispatch shows the
// import failure alert); the other commands show their own messages.
host::Err ImportShapefiles(host::PluginRef plugin);
host::Err ImportCoordinateText(host::PluginRef plugin);
host::Err ImportKml(host::PluginRef plugin);
void ExportShapefiles(host::PluginRef plugin);
void ExportCoordinateText(host::PluginRef plugin);
void CreateFourPointMarkerLayer(host::PluginRef plugin);
void CreateThreePointMarkerLayer(host::PluginRef plugin);
void UpgradeOldAttributes(host::PluginRef plugin);

struct CommandTable {
  host::Err (*importShapefiles)(host::PluginRef) = ImportShapefiles;
  host::Err (*importCoordinateText)(host::PluginRef) = ImportCoordinateText;
  host::Err (*importKml)(host::PluginRef) = ImportKml;
  void (*exportShapefiles)(host::PluginRef) = ExportShapefiles;
  void (*exportCoordinateText)(host::PluginRef) = ExportCoordinateText;
  void (*createFourPointMarkerLayer)(host::PluginRef) = CreateFourPointMarkerLayer;
  void (*createThreePointMarkerLayer)(host::PluginRef) = CreateThreePointMarkerLayer;
  void (*upgradeOldAttributes)(host::PluginRef) = UpgradeOldAttributes;
};

// The table the flyout dispatch calls.
CommandTable& Commands();

}  // namespace vx::shell
