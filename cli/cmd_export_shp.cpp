// vxshape export-shp: exports a document as a shapefile through the plug-in, the way a person
// does it: flyout item 5, the export settings dialog set from the options, OK, then the save-file
// dialog (or the folder dialog for one file per layer).
#include "cli/commands.h"
#include "cli/export_run.h"
#include "cli/session.h"
#include "cli/systems.h"
#include "geodesy/geodesy.h"
#include "host/application.h"
#include "host/atomic_file.h"
#include "resources/templates.h"
#include "shell/host/paths.h"

#include <cstdio>
#include <optional>
#include <sstream>

namespace vx::cli {
namespace {

namespace id = resources::exp115;
using host::ControlWindow;

using Options = ExportOptions;

constexpr std::int32_t kFlyoutShapefile = 5;

// Sets the export settings dialog from the options as a person would: clicks and picks only
// where the control does not show the wanted state yet; a control that is disabled refuses.
class ExportUser final : public CliUser {
 public:
  ExportUser(const Options& o, std::int32_t targetIndex, std::int32_t objects, std::optional<geo::CoordSystem> markers,
             std::optional<geo::CoordSystem> to, int accuracy)
      : o_(o), target_(targetIndex), objects_(objects), markers_(markers), to_(to), accuracy_(accuracy) {}

  void Alert(const host::AlertRecord& alert) override {
    CliUser::Alert(alert);
    // The plug-in's alert says only that a file could not be opened or written; where and why
    // are noted beside it.
    const std::string detail = host::TakeFileFailure();
    details_.push_back(detail.empty() ? alert.text : alert.text + " (" + detail + ")");
    std::printf("%s: %s\n", host::AlertKindName(alert.kind), details_.back().c_str());
    std::fflush(stdout);
  }
  // The alerts' texts with where and why added.
  const std::vector<std::string>& Details() const { return details_; }

  void RunDialog(ControlWindow& w) override {
    if (w.TemplateId() == resources::kExportSettingsDialog && !failure_) Fill(w);
    if (!w.Ended()) {
      if (w.handler) w.handler->OnCommand(w, host::kIdCancel, host::ControlEvent::Clicked, 0);
      if (!w.Ended()) w.EndDialog(host::kIdCancel);
    }
  }

  host::Err ChooseSaveFile(const host::SaveFileRequest&, std::filesystem::path& out) override {
    fileAsked_ = true;
    if (failure_ || o_.perLayer) return host::kStop;
    out = host::Utf8ToPath(o_.out);
    return host::kNoErr;
  }
  host::Err ChooseFolder(const std::string&, std::filesystem::path& out) override {
    fileAsked_ = true;
    if (failure_ || !o_.perLayer) return host::kStop;
    out = host::Utf8ToPath(o_.out);
    return host::kNoErr;
  }

  bool DialogSeen() const { return dialogSeen_; }
  bool FileAsked() const { return fileAsked_; }
  using CliUser::Fail;

 private:
  bool Check(ControlWindow& w, std::int32_t control, bool on) {
    host::ControlState* c = w.Find(control);
    if (!c) return Refuse("the dialog has no control " + std::to_string(control));
    if (c->checked == on) return true;
    if (c->kind == host::ControlKind::Radio && !on) return true;  // another radio of the group does it
    if (w.UserClick(control) != host::kNoErr) return Refuse("\"" + c->text + "\" cannot be changed here");
    return true;
  }
  bool Pick(ControlWindow& w, std::int32_t control, std::int32_t index, const std::string& what) {
    host::ControlState* c = w.Find(control);
    if (!c) return Refuse("the dialog has no control " + std::to_string(control));
    if (index < 0 || index >= static_cast<std::int32_t>(c->items.size())) return Refuse(what + " is not offered");
    if (c->selected == index) return true;
    if (w.UserSelectItem(control, index) != host::kNoErr) return Refuse(what + " cannot be chosen here");
    return true;
  }
  bool Refuse(const std::string& why) {
    Fail(why);
    return false;
  }

  void Fill(ControlWindow& w) {
    dialogSeen_ = true;
    // The target first: it decides whether the per-layer box can be used.
    if (!Pick(w, id::kTarget, target_, "--target " + o_.target)) return;
    if (!Check(w, id::kPerLayer, o_.perLayer)) return;
    const std::int32_t type = o_.type == "polygon" ? id::kPolygon : o_.type == "line" ? id::kPolyline : id::kPoint;
    if (!Check(w, type, true)) return;
    if (!Pick(w, id::kEncoding, o_.encoding == "utf8" ? 1 : o_.encoding == "utf16" ? 2 : 0, "--encoding " + o_.encoding))
      return;
    if (!o_.delimiter.empty() && !Check(w, o_.delimiter == "comma" ? id::kComma : id::kTab, true)) return;
    // Path boxes before the others: the expand box is usable only with a path or group box on.
    const std::pair<std::int32_t, std::int32_t> boxes[] = {{id::kUnfilled, 0x1}, {id::kFilled, 0x2}, {id::kGroup, 0x4},
                                                           {id::kText, 0x8},     {id::kSymbol, 0x10}, {id::kExpand, 0x800}};
    for (auto [control, bit] : boxes) {
      host::ControlState* c = w.Find(control);
      // Off is fine for a box the dialog turned off and disabled itself.
      if (c && !c->enabled && !(objects_ & bit)) continue;
      if (!Check(w, control, (objects_ & bit) != 0)) return;
    }
    if (!Check(w, id::kAddText, o_.textField)) return;
    if (!Check(w, id::kAddLayer, o_.layerField)) return;
    if (type != id::kPoint) {
      if (!Check(w, id::kBezier, accuracy_ > 0)) return;
      if (accuracy_ > 0 && w.UserSetPosition(id::kAccuracy, accuracy_) != host::kNoErr) {
        Refuse("--bezier cannot be set here");
        return;
      }
    }
    if (markers_) {
      if (!Check(w, id::kUseMarkers, true)) return;
      if (!Check(w, markers_->datum == geo::DatumJgd2000 ? id::kMarkerJgd : id::kMarkerTokyo, true)) return;
      if (!Check(w, markers_->kind == geo::KindLatLong ? id::kMarkerBL : id::kMarkerXY, true)) return;
      if (markers_->kind == geo::KindPlaneXY && !Pick(w, id::kMarkerZone, geo::Code(markers_->zone), "--markers " + o_.markers)) return;
    }
    if (to_) {
      if (!Check(w, id::kConvert, true)) return;
      if (!Check(w, to_->datum == geo::DatumJgd2000 ? id::kOutJgd : id::kOutTokyo, true)) return;
      const std::int32_t kind = to_->kind == geo::KindLatLong ? id::kOutBL : to_->kind == geo::KindPlaneXY ? id::kOutXY : id::kOutUTM;
      if (!Check(w, kind, true)) return;
      if (to_->kind == geo::KindPlaneXY && !Pick(w, id::kOutZone, geo::Code(to_->zone), "--to " + o_.to)) return;
      if (to_->kind == geo::KindUtm && !Pick(w, id::kOutUtmZone, geo::Code(to_->utmZone), "--to " + o_.to)) return;
    } else if (!Check(w, id::kNoConvert, true)) {
      return;
    }
    const std::size_t before = alerts_.size();
    w.UserClick(host::kIdOk);
    // A refused OK shows an alert and keeps the dialog open.
    if (!w.Ended()) Fail(alerts_.size() > before ? alerts_.back().text : "the export settings were refused");
  }

  const Options& o_;
  std::int32_t target_, objects_;
  std::optional<geo::CoordSystem> markers_, to_;
  int accuracy_;
  bool dialogSeen_ = false;
  bool fileAsked_ = false;
  std::vector<std::string> details_;
};

}  // namespace

void RunExport(const ExportOptions& o) {
  static const std::pair<const char*, std::int32_t> kObjects[] = {
      {"unfilled", 0x1}, {"filled", 0x2}, {"group", 0x4}, {"text", 0x8}, {"symbol", 0x10}, {"expand", 0x800}};
  std::int32_t objects = 0;
  // Groups, texts and symbols are points only: the dialog offers them for points alone.
  const std::string wanted =
      !o.objects.empty() ? o.objects : o.type == "point" ? "unfilled,filled,text,symbol,group" : "unfilled,filled";
  std::stringstream list(wanted == "none" ? "" : wanted);
  for (std::string item; std::getline(list, item, ',');) {
    bool known = false;
    for (auto [name, bit] : kObjects)
      if (item == name) known = true, objects |= bit;
    if (!known) throw Failure("--objects: unknown object kind '" + item + "' (unfilled, filled, text, symbol, group, expand)", 2);
  }
  int accuracy = 0;
  if (o.bezier != "off" && !(ParseWhole(o.bezier, 1, 9, accuracy)))
    throw Failure("--bezier: '" + o.bezier + "' is neither 1 to 9 nor off", 2);
  std::optional<geo::CoordSystem> markers, to;
  if (!o.markers.empty()) {
    geo::CoordSystem s;
    if (!geo::ParseSystemText(o.markers, s) || s.kind == geo::KindUtm)
      throw Failure("--markers: '" + o.markers + "' is not a marker system (e.g. JGD:BL, TKY:XY9)", 2);
    markers = s;
  }
  if (!o.to.empty()) {
    geo::CoordSystem s;
    if (!geo::ParseSystemText(o.to, s)) throw Failure("--to: '" + o.to + "' is not a system (e.g. JGD:BL, TKY:XY9, JGD:UTM54)", 2);
    to = s;
  }
  const std::int32_t target = o.target == "visible" ? 1 : o.target == "all" ? 2 : o.target == "selection" ? 3 : 0;

  host::StandInHost host;
  host.KeepDocumentAtExit();
  auto user = std::make_shared<ExportUser>(o, target, objects, markers, to, accuracy);
  host.SetUser(user);
  UsePreferences(host, o.prefs);
  if (!o.perLayer) {
    // Every file the export writes, against the document it reads.
    std::vector<std::string> outputs{o.out};
    if (o.flyout == kFlyoutShapefile) {
      std::filesystem::path shp = host::Utf8ToPath(o.out);
      if (shp.extension() != ".shp") shp += ".shp";
      outputs.clear();
      for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
        outputs.push_back(host::PathToUtf8(std::filesystem::path(shp).replace_extension(ext)));
    }
    for (const std::string& out : outputs) RefuseSameFile(out, {host::Utf8ToPath(o.doc)});
  }
  OpenDocument(host, o.doc);
  if (!o.layer.empty()) {
    host::LayerOpaque* found = nullptr;
    for (host::LayerOpaque* l : host.Doc()->PreorderLayers())
      if (!found && l->title == o.layer) found = l;
    if (!found) throw Failure("--layer: no layer is titled '" + o.layer + "'");
    host.Doc()->current = found;
  }
  if (o.perLayer) {
    std::error_code ec;
    if (!std::filesystem::is_directory(host::Utf8ToPath(o.out), ec)) throw Failure(o.out + ": no such folder");
  }

  host::Application application(host);
  StartPlugin(application, o.pluginDir);
  const std::string error = application.ChooseFlyout(o.flyout);
  application.Quit();
  if (!error.empty()) throw Failure(error);
  if (user->Failure()) throw Failure(*user->Failure());
  // An export that stopped with an alert (no georeference, a converter that could not be set up,
  // an output that could not be written) has failed.
  const auto& alerts = user->Alerts();
  const auto& details = user->Details();
  if (!user->DialogSeen())
    throw Failure(details.empty() ? "the export settings dialog did not open" : details.back());
  // Stopped after the dialog (a converter that could not be set up): nothing was written.
  if (!user->FileAsked()) throw Failure(details.empty() ? "the export stopped before writing" : details.back());
  for (std::size_t i = 0; i < alerts.size() && i < details.size(); ++i)
    if (alerts[i].kind == host::AlertKind::Error) throw Failure(details[i]);
  // The document is left as it was: nothing is saved, nor are the preferences.
}

namespace {

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("export-shp", "Export a document's art as a shapefile through the plug-in (docs/export.md)");
  auto o = std::make_shared<Options>();
  cmd->add_option("DOC", o->doc, "Document to export (not changed)")->required();
  cmd->add_option("OUT", o->out, "The .shp to write; with --per-layer the folder for one file per layer")->required();
  cmd->add_option("--target", o->target, "current, visible, all or selection (default current)")
      ->check(CLI::IsMember({"current", "visible", "all", "selection"}));
  cmd->add_option("--layer", o->layer, "Make the layer of this title current first (for --target current)");
  cmd->add_flag("--per-layer", o->perLayer, "One file per layer, named after the layer, in the folder OUT");
  cmd->add_option("--type", o->type, "point, line or polygon (default point)")->check(CLI::IsMember({"point", "line", "polygon"}));
  cmd->add_option("--encoding", o->encoding, "sjis or utf8 (default sjis)")->check(CLI::IsMember({"sjis", "utf8"}));
  cmd->add_option("--objects", o->objects,
                  "Comma list of unfilled, filled, text, symbol, group, expand, or none (default: all but expand for "
                  "points, unfilled,filled for lines and polygons)");
  cmd->add_flag("--text-field", o->textField, "Add the field AI_TEXT with the contents of text objects");
  cmd->add_flag("--layer-field", o->layerField, "Add the field AI_LAYER with the object's layer title");
  cmd->add_option("--bezier", o->bezier, "Flatten curves at accuracy 1 (rough) to 9 (precise), or off (default 5)");
  cmd->add_option("--markers", o->markers, "Use the coordinate markers, whose values are in this system (JGD:BL, TKY:XY9)");
  cmd->add_option("--to", o->to, "Convert to this system before writing (JGD:BL, TKY:XY9, JGD:UTM54)");
  cmd->add_option("--preferences", o->prefs, "Preferences file to read (default: $VXSHAPE_PREFERENCES, else vxshape/preferences.json in ~/.config or %APPDATA%)");
  cmd->add_option("--plugin-dir", o->pluginDir, "Folder the plug-in is installed in (default: the program's folder)");
  cmd->callback([o] { ExitStatus() = Guard([&] { RunExport(*o); }); });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
