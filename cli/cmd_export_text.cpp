// vxshape export-text: exports a document's objects as coordinate text through the plug-in, the
// way a person does it: flyout item 6, the export settings dialog set from the options, OK, then
// the save-file dialog (or the folder dialog for one file per layer).
#include "cli/commands.h"
#include "cli/export_run.h"
#include "cli/session.h"

#include <memory>

namespace vx::cli {
namespace {

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("export-text", "Export a document's objects as coordinate text through the plug-in (docs/text-kml.md)");
  auto o = std::make_shared<ExportOptions>();
  auto tab = std::make_shared<bool>(false), comma = std::make_shared<bool>(false);
  o->flyout = 6;
  cmd->add_option("DOC", o->doc, "Document to export (not changed)")->required();
  cmd->add_option("OUT", o->out, "The text file to write; with --per-layer the folder for one file per layer")->required();
  auto* t = cmd->add_flag("--tab", *tab, "Tab-separated (.txt)");
  cmd->add_flag("--comma", *comma, "Comma-separated (.csv)")->excludes(t);
  cmd->add_option("--encoding", o->encoding, "sjis, utf8 or utf16 (default sjis)")
      ->check(CLI::IsMember({"sjis", "utf8", "utf16"}));
  cmd->add_option("--target", o->target, "current, visible, all or selection (default current)")
      ->check(CLI::IsMember({"current", "visible", "all", "selection"}));
  cmd->add_option("--layer", o->layer, "Make the layer of this title current first (for --target current)");
  cmd->add_flag("--per-layer", o->perLayer, "One file per layer, named after the layer, in the folder OUT");
  cmd->add_option("--objects", o->objects,
                  "Comma list of unfilled, filled, text, symbol, group, expand, or none (default: all but expand)");
  cmd->add_flag("--text-field", o->textField, "Add the column AI_TEXT with the contents of text objects");
  cmd->add_flag("--layer-field", o->layerField, "Add the column AI_LAYER with the object's layer title");
  cmd->add_option("--markers", o->markers, "Use the coordinate markers, whose values are in this system (JGD:BL, TKY:XY9)");
  cmd->add_option("--to", o->to, "Convert to this system before writing (JGD:BL, TKY:XY9, JGD:UTM54)");
  cmd->add_option("--preferences", o->prefs, "Preferences file to read (default: $VXSHAPE_PREFERENCES, else vxshape/preferences.json in ~/.config or %APPDATA%)");
  cmd->add_option("--plugin-dir", o->pluginDir, "Folder the plug-in is installed in (default: the program's folder)");
  cmd->callback([o, tab, comma] {
    o->delimiter = *comma ? "comma" : *tab ? "tab" : "";
    ExitStatus() = Guard([&] { RunExport(*o); });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
