#include "shell/commands.h"

#include "attributes/upgrade.h"
#include "export/shape_exporter.h"
#include "export/text_exporter.h"
#include "geodesy/georef.h"
#include "import/kml_importer.h"
#include "import/shape_importer.h"
#include "import/text_importer.h"

namespace vx::shell {

using host::Err;
using host::PluginRef;

CommandTable& Commands() {
  static CommandTable table;
  return table;
}

// Each command is built with its own subsystem and called from here. Until a command exists its
// item does nothing: no dialog, no message, no change to the document.

Err ImportShapefiles(PluginRef plugin) {
  imp::CShapeFileImporter importer(plugin);
  return importer.Run();
}

Err ImportCoordinateText(PluginRef plugin) {
  imp::CGeoTextFileImporter importer(plugin);
  return importer.Run();
}

Err ImportKml(PluginRef plugin) {
  imp::CKMLFileImporter importer(plugin);
  return importer.Run();
}

// The exporter shows its own messages; a host error that escapes it ends the command quietly.
void ExportShapefiles(PluginRef plugin) {
  try {
    xport::CShapeFileExporter exporter(plugin);
    exporter.Run();
  } catch (const host::HostError&) {
  }
}

void ExportCoordinateText(PluginRef plugin) {
  try {
    xport::CGeoTextFileExporter exporter(plugin);
    exporter.Run();
  } catch (const host::HostError&) {
  }
}

// Empty marker layers for the user to fill; a host error leaves nothing to tell beyond the host's
// own state, as the item has no message of its own.
void CreateFourPointMarkerLayer(PluginRef plugin) {
  (void)plugin;
  geo::CreateMarkerLayers(true);
}

void CreateThreePointMarkerLayer(PluginRef plugin) {
  (void)plugin;
  geo::CreateMarkerLayers(false);
}

// The upgrade tells the user its outcome itself; its result is of no use here.
void UpgradeOldAttributes(PluginRef plugin) {
  (void)plugin;
  attr::UpgradeOldAttributes();
}

}  // namespace vx::shell
