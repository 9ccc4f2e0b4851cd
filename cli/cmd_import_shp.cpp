// vxshape import-shp: a shapefile import through the plug-in, played the way a person does it:
// flyout item 1, the open-file dialog with its encoding list, the import settings dialog, OK.
#include "cli/commands.h"
#include "cli/import_run.h"
#include "cli/session.h"
#include "cli/systems.h"
#include "datafiles/sidecars.h"
#include "geodesy/datum.h"
#include "geodesy/georef.h"
#include "host/application.h"
#include "import/importer_base.h"
#include "shell/host/paths.h"

#include <cstdio>
#include <optional>
#include <set>

namespace vx::cli {
namespace {

// Controls of the open-file dialog's child area and of the import settings dialog.
constexpr std::int32_t kFlyoutImportShapefile = 1;
constexpr std::int32_t kEncodingCombo = 1081;
constexpr std::int32_t kImportDialog = 108;
constexpr std::int32_t kModeText = 1178;
constexpr std::int32_t kDataJgd = 1123, kDataTokyo = 1124;
constexpr std::int32_t kDataBL = 1125, kDataXY = 1126, kDataUtm = 1087;
constexpr std::int32_t kDataZoneList = 1115, kDataUtmList = 1075;
constexpr std::int32_t kMapJgd = 1127, kMapTokyo = 1128;
constexpr std::int32_t kMapBL = 1129, kMapXY = 1130, kMapUtm = 1131;
constexpr std::int32_t kMapZoneList = 1132, kMapUtmList = 1133;
constexpr std::int32_t kScaleEdit = 1114, kTrueNorth = 1082;
constexpr std::int32_t kRangeCheck = 1076, kRangeNorthWest = 1079, kRangeSouthEast = 1080;
constexpr std::int32_t kOk = 1;

constexpr const char* kModeUseFrame = "現在のデータフレーム設定を使用します";
constexpr const char* kModeNewFrame = "新たにデータフレームを作成します";
constexpr const char* kImportFailed = "読み込みでエラーが発生しました";

// --encoding's words and the encodings they pick.
constexpr std::pair<const char*, text::TextEncoding> kEncodingOptions[] = {
    {"sjis", text::TextEncoding::kShiftJIS},  {"utf8", text::TextEncoding::kUTF8},
    {"latin1", text::TextEncoding::kLatin1},  {"cp1252", text::TextEncoding::kWindows1252},
    {"eucjp", text::TextEncoding::kEucJp},
};

// What the command line asks of the dialogs, already resolved (sidecars read).
struct Answers {
  std::vector<std::filesystem::path> files;
  std::optional<text::TextEncoding> encoding;  // none: leave the list as the file sets it
  std::string encodingItem;                 // a list item given as it stands
  DialogHook hook;                          // another importer's own dialog
  std::optional<geo::CoordSystem> from;
  std::optional<geo::CoordSystem> map;
  std::string scale;  // typed as given; empty: leave the edit
  std::optional<bool> north;
  std::optional<std::pair<std::string, std::string>> range;
  bool newFrameAsked() const { return map || !scale.empty() || north; }
};

using Step = host::ScriptedUser::Step;

// The person at the keyboard: answers the file dialog and the settings dialog from `Answers`,
// prints every alert as it comes, and notes a refused entry.
class ImportUser : public CliUser {
 public:
  explicit ImportUser(Answers a) : answers_(std::move(a)) {}

  void Alert(const host::AlertRecord& alert) override {
    CliUser::Alert(alert);
    ProgressClosed();
    std::printf("%s\n", transcript_.back().c_str());
    std::fflush(stdout);
    if (inSettings_ && alert.kind == host::AlertKind::Warning && !refusal_) refusal_ = alert.text;
    if (alert.kind == host::AlertKind::Warning || alert.kind == host::AlertKind::Error) ++problems_;
  }

  host::Err ChooseOpenFiles(const host::OpenFileRequest& request, host::ControlWindow* child,
                            std::vector<std::filesystem::path>& out) override {
    Step s;
    s.kind = Step::Kind::OpenFiles;
    s.files = answers_.files;
    if (answers_.encoding || !answers_.encodingItem.empty()) {
      if (!child) {
        Fail("the open-file dialog offers no encoding list");
        return host::kStop;
      }
      s.id = kEncodingCombo;
      s.text = answers_.encoding ? imp::EncodingLabel(*answers_.encoding) : answers_.encodingItem;
    }
    steps_.push_back(std::move(s));
    return CliUser::ChooseOpenFiles(request, child, out);
  }

  void RunDialog(host::ControlWindow& dialog) override {
    if (dialog.TemplateId() != kImportDialog) {
      if (answers_.hook && answers_.hook(dialog)) return;
      CliUser::RunDialog(dialog);  // not expected: fails and cancels
      return;
    }
    settingsSeen_ = true;
    std::string mode;
    dialog.GetText(kModeText, mode);
    std::printf("読み込み座標の設定: %s\n", mode.c_str());
    Plan(dialog, mode);
    inSettings_ = true;
    CliUser::RunDialog(dialog);
    inSettings_ = false;
    settingsResult_ = dialog.Result();
  }

  const std::optional<std::string>& Refusal() const { return refusal_; }
  bool SettingsSeen() const { return settingsSeen_; }
  bool SettingsConfirmed() const { return settingsResult_ == kOk; }
  int Problems() const { return problems_; }

 private:
  void Push(Step::Kind kind, std::int32_t id) {
    Step s;
    s.kind = kind;
    s.id = id;
    steps_.push_back(std::move(s));
  }
  void SelectIndex(std::int32_t id, std::int32_t index) {
    Step s;
    s.kind = Step::Kind::SelectItem;
    s.id = id;
    s.index = index;
    steps_.push_back(std::move(s));
  }
  void SetText(std::int32_t id, const std::string& text) {
    Step s;
    s.kind = Step::Kind::SetText;
    s.id = id;
    s.text = text;
    steps_.push_back(std::move(s));
  }
  // Clicks a check box when its state differs from `want`.
  void Check(host::ControlWindow& dialog, std::int32_t id, bool want) {
    const host::ControlState* c = dialog.Find(id);
    if (!c || c->checked != want) Push(Step::Kind::Click, id);
  }
  // The datum radio, the kind radio and the zone list of one side of the dialog.
  void System(const geo::CoordSystem& s, std::int32_t jgd, std::int32_t tokyo, std::int32_t bl, std::int32_t xy,
              std::int32_t utm, std::int32_t zoneList, std::int32_t utmList) {
    Push(Step::Kind::Click, s.datum == geo::DatumTokyo ? tokyo : jgd);
    if (s.kind == geo::KindPlaneXY) {
      Push(Step::Kind::Click, xy);
      SelectIndex(zoneList, geo::Code(s.zone));
    } else if (s.kind == geo::KindUtm) {
      Push(Step::Kind::Click, utm);
      SelectIndex(utmList, geo::Code(s.utmZone));
    } else {
      Push(Step::Kind::Click, bl);
    }
  }

  void Plan(host::ControlWindow& dialog, const std::string& mode) {
    Push(Step::Kind::Dialog, kImportDialog);
    if (answers_.from)
      System(*answers_.from, kDataJgd, kDataTokyo, kDataBL, kDataXY, kDataUtm, kDataZoneList, kDataUtmList);
    if (mode == kModeNewFrame) {
      if (answers_.map) System(*answers_.map, kMapJgd, kMapTokyo, kMapBL, kMapXY, kMapUtm, kMapZoneList, kMapUtmList);
      if (!answers_.scale.empty()) SetText(kScaleEdit, answers_.scale);
      if (answers_.north) Check(dialog, kTrueNorth, *answers_.north);
    } else if (mode == kModeUseFrame) {
      if (answers_.newFrameAsked())
        std::printf("(the document has a data frame: --map, --scale and --north are not used)\n");
    } else {
      // Markers: --map names their system.
      if (answers_.map) System(*answers_.map, kMapJgd, kMapTokyo, kMapBL, kMapXY, kMapUtm, kMapZoneList, kMapUtmList);
      if (!answers_.scale.empty() || answers_.north)
        std::printf("(the document has coordinate markers: --scale and --north are not used)\n");
    }
    // Without --range the whole of every file is read: the corner texts are rounded to six
    // decimals and could cut off the data on the border.
    Check(dialog, kRangeCheck, answers_.range.has_value());
    if (answers_.range) {
      SetText(kRangeNorthWest, answers_.range->first);
      SetText(kRangeSouthEast, answers_.range->second);
    }
    Push(Step::Kind::Click, kOk);
  }

  Answers answers_;
  bool inSettings_ = false;
  bool settingsSeen_ = false;
  std::int32_t settingsResult_ = 0;
  std::optional<std::string> refusal_;
  int problems_ = 0;
};

using Options = ImportOptions;

// `auto`: the dialog reads each file in the encoding it declares; says what each declares.
void ShowDeclaredEncodings(const std::vector<std::filesystem::path>& files) {
  for (const auto& f : files) {
    const data::DeclaredEncoding d = data::ReadDeclaredEncoding(f);
    std::string read = "read as ";
    if (d.encoding) read += imp::EncodingLabel(*d.encoding);
    else if (d.source == data::DeclaredEncoding::Source::None && data::TableLooksUtf8(f)) read += "UTF-8 (the table is valid UTF-8)";
    else read += std::string(imp::EncodingLabel(text::TextEncoding::kShiftJIS)) + ", the dialog's default";
    std::printf("--encoding auto: %s: %s; %s\n", host::PathToUtf8(f.filename()).c_str(), d.reason.c_str(), read.c_str());
  }
}

std::optional<geo::CoordSystem> AutoSystem(const std::vector<std::filesystem::path>& files) {
  std::optional<geo::CoordSystem> chosen;
  std::string chosenFrom;
  for (const auto& f : files) {
    const data::SystemGuess g = data::ReadSystem(f);
    if (!g.known) {
      std::printf("--from auto: %s: %s\n", host::PathToUtf8(f.filename()).c_str(), g.reason.c_str());
      continue;
    }
    const geo::CoordSystem& system = g.system;
    if (chosen && !(*chosen == system))
      throw Failure("--from auto: " + chosenFrom + " is " + geo::SystemText(*chosen) + ", " + g.reason + " is " +
                    geo::SystemText(system) + "; import the files separately or give --from", 2);
    if (!chosen) {
      std::printf("--from auto: %s: --from %s\n", g.reason.c_str(), SystemText(system).c_str());
      if (!g.note.empty()) std::printf("--from auto: %s\n", g.note.c_str());
    }
    chosen = system;
    chosenFrom = g.reason;
  }
  if (!chosen) std::printf("--from auto: nothing tells the file's system; the dialog's setting is used\n");
  return chosen;
}

Answers Resolve(Options o) {
  // "--range 'N,W S,E' FILE.shp": the parser hands the file to --range as its second corner.
  if (o.range.size() == 2 && o.range[0].find_first_of(" \t") != std::string::npos) {
    o.files.insert(o.files.begin(), o.range[1]);
    o.range.pop_back();
  }
  if (o.files.empty()) throw Failure("import-shp: FILES is required (see vxshape import-shp --help)", 2);
  Answers a;
  for (const std::string& f : o.files) {
    std::filesystem::path p = host::Utf8ToPath(f);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) throw Failure(f + ": no such file", 2);
    a.files.push_back(std::filesystem::absolute(p, ec));
  }
  for (const auto& [word, encoding] : kEncodingOptions)
    if (o.encoding == word) a.encoding = encoding;
  if (o.encoding == "auto") ShowDeclaredEncodings(a.files);
  else if (!o.encodingItem.empty()) a.encodingItem = o.encodingItem;
  else if (!o.encoding.empty() && !a.encoding)
    throw Failure("--encoding must be sjis, utf8, latin1, cp1252, eucjp or auto, not \"" + o.encoding + "\"", 2);

  auto system = [](const std::string& opt, const std::string& text) {
    geo::CoordSystem s;
    if (!geo::ParseSystemText(text, s))
      throw Failure(opt + ": unknown coordinate system \"" + text + "\" (write e.g. JGD:BL, TKY:XY9, JGD:UTM54)", 2);
    return s;
  };
  if (o.from == "auto") a.from = AutoSystem(a.files);
  else if (!o.from.empty()) a.from = system("--from", o.from);
  if (!o.map.empty()) a.map = system("--map", o.map);
  a.scale = o.scale;
  if (o.north && o.noNorth) throw Failure("--north and --no-north exclude each other", 2);
  if (o.north) a.north = true;
  if (o.noNorth) a.north = false;
  if (!o.range.empty()) {
    std::vector<std::string> corners = o.range;
    if (corners.size() == 1) {  // "N,W S,E" in one word
      const std::string s = corners.front();
      const auto sp = s.find_first_of(" \t");
      if (sp == std::string::npos) throw Failure("--range takes two corners: N,W S,E (north-west, then south-east)", 2);
      const auto rest = s.find_first_not_of(" \t", sp);
      corners = {s.substr(0, sp), rest == std::string::npos ? "" : s.substr(rest)};
    }
    a.range = std::make_pair(corners[0], corners[1]);
  }
  return a;
}

bool IsOrdinary(const host::LayerOpaque* l) { return !geo::IsReservedTitle(l->title); }

}  // namespace

void RunImport(const ImportOptions& o, std::int32_t flyout, const DialogHook& hook) {
  Answers answers = Resolve(o);
  answers.hook = hook;
  host::StandInHost host;
  host.KeepDocumentAtExit();
  auto user = std::make_shared<ImportUser>(answers);
  host.SetUser(user);
  UsePreferences(host, o.prefs);
  // An output that is one of the files read (a shapefile's own sidecars included) is refused
  // before anything is read or written.
  const std::string out = o.output.empty() ? o.doc : o.output;
  std::vector<std::filesystem::path> inputs;
  for (const auto& f : answers.files) {
    inputs.push_back(f);
    for (const char* ext : {".shx", ".dbf", ".prj", ".cpg"})
      if (f.extension() == ".shp" || f.extension() == ".SHP") inputs.push_back(std::filesystem::path(f).replace_extension(ext));
  }
  RefuseSameFile(out, inputs);
  OpenDocumentForChange(host, o.doc);
  std::set<const host::LayerOpaque*> before(host.Doc()->layers.begin(), host.Doc()->layers.end());

  host::Application application(host);
  StartPlugin(application, o.pluginDir);
  // The plug-in is shut down however the session ends.
  struct QuitAtEnd {
    host::Application& app;
    ~QuitAtEnd() { app.Quit(); }
  } quitAtEnd{application};
  const std::string error = application.ChooseFlyout(flyout);
  user->ProgressClosed();
  const std::string unsaved = "; " + o.doc + " was not saved";
  auto stop = [&](const std::string& why) {
    // The last warning or error names the cause; its first line is enough here.
    std::string cause;
    for (const host::AlertRecord& a : user->Alerts())
      if (a.kind == host::AlertKind::Warning || a.kind == host::AlertKind::Error) cause = a.text.substr(0, a.text.find('\n'));
    throw Failure(why + (cause.empty() || why.find(cause) != std::string::npos ? "" : " (" + cause + ")") + unsaved);
  };
  if (!error.empty()) stop(error);
  if (user->Refusal()) stop("the import settings refused the entry: " + *user->Refusal());
  if (user->Failure()) stop(*user->Failure());
  for (const host::AlertRecord& a : user->Alerts())
    if (a.kind == host::AlertKind::Error && a.text == kImportFailed) stop("the import failed (" + a.text + ")");
  if (!user->SettingsSeen()) stop("the import stopped before its settings dialog");
  if (!user->SettingsConfirmed()) stop("the import settings were not confirmed");

  std::vector<const host::LayerOpaque*> made;
  for (const host::LayerOpaque* l : host.Doc()->layers)
    if (!before.count(l) && IsOrdinary(l)) made.push_back(l);
  if (made.empty()) stop("nothing was imported");
  for (const host::LayerOpaque* l : made) {
    std::vector<host::ArtOpaque*> all;
    host::Document::Walk(l->group, all);
    std::size_t top = 0;
    for (const host::ArtOpaque* a : all) top += a->parent == l->group ? 1 : 0;
    std::printf("layer \"%s\": %zu art\n", l->title.c_str(), top);
  }
  SaveDocument(host, out);
  SavePreferences(host, out);
  if (user->Problems() > 0)
    throw Failure("the import finished with " + std::to_string(user->Problems()) + " warning(s); " + out +
                      " was saved",
                  3);
}

void AddCommonImportOptions(CLI::App* cmd, ImportOptions& o_) {
  ImportOptions* o = &o_;
  cmd->add_option("-o,--output", o->output, "Save the document here instead of over DOC");
  cmd->add_option("--map", o->map, "A new data frame's coordinate system, or the markers' one, e.g. JGD:XY9");
  cmd->add_option("--scale", o->scale, "A new data frame's scale denominator, e.g. 25000");
  cmd->add_flag("--north", o->north, "Turn a new data frame so that true north is up");
  cmd->add_flag("--no-north", o->noNorth, "Keep a new data frame unturned");
  cmd->add_option("--range", o->range, "Import only inside the range: N,W S,E (north-west corner, south-east corner)")
      ->expected(1, 2);
  cmd->add_option("--preferences", o->prefs, "Preferences file (default: $VXSHAPE_PREFERENCES, else vxshape/preferences.json in ~/.config or %APPDATA%)");
  cmd->add_option("--plugin-dir", o->pluginDir, "Folder the plug-in is installed in (default: the program's folder)");
}

namespace {

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("import-shp", "Import shapefiles into a document through the plug-in (docs/import.md)");
  auto o = std::make_shared<Options>();
  cmd->add_option("DOC", o->doc, "Document to import into; saved when the import is complete")->required();
  // Not required by the parser: a file may arrive as --range's second word (see Resolve).
  cmd->add_option("FILES", o->files, "Shapefiles (.shp) to import, each into a new layer");
  cmd->add_option("--encoding", o->encoding,
                  "Attribute text encoding: sjis, utf8, latin1, cp1252, eucjp, or auto (the default: each file's .cpg or "
                  "language driver, else UTF-8 when the table is valid UTF-8, else sjis)");
  cmd->add_option("--from", o->from, "The files' coordinate system, e.g. JGD:XY9, TKY:BL, JGD:UTM54, or auto (read the .prj file)");
  AddCommonImportOptions(cmd, *o);
  cmd->callback([o] { ExitStatus() = Guard([&] { RunImport(*o, kFlyoutImportShapefile); }); });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
