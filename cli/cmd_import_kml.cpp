// vxshape import-kml: a KML import through the plug-in, played the way a person does it: flyout
// item 3, the open-file dialog, the import settings dialog, OK.
#include "cli/commands.h"
#include "cli/import_run.h"
#include "cli/session.h"

#include <memory>

namespace vx::cli {
namespace {

constexpr std::int32_t kFlyoutImportKml = 3;

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("import-kml", "Import a KML file into a document through the plug-in (docs/text-kml.md)");
  auto o = std::make_shared<ImportOptions>();
  auto file = std::make_shared<std::string>();
  cmd->add_option("DOC", o->doc, "Document to import into; saved when the import is complete")->required();
  cmd->add_option("FILE", *file, "KML file (.kml); its documents and folders become layers")->required();
  // KML holds WGS 84 longitudes and latitudes, which JGD2000's stand for.
  o->from = "JGD:BL";
  cmd->add_option("--from", o->from, "The file's coordinate system (default JGD:BL, what KML holds)");
  AddCommonImportOptions(cmd, *o);
  cmd->callback([o, file] {
    o->files = {*file};
    ExitStatus() = Guard([&] { RunImport(*o, kFlyoutImportKml); });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
