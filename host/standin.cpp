#include "host/impl.h"
#include "shell/host/c_adapters.h"
#include "shell/host/file_failure.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlobj.h>
#endif

#include "host/atomic_file.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vx::host {
namespace {

StandInHost* gCurrent = nullptr;

// The suites the application offers beyond those implemented in suites_*.cpp, by name and
// version as the application publishes them.
constexpr SuiteId kSuitesWithoutOperations[] = {
    {"AI File Path Suite", 4}, {"AI Folders Suite", 5}, {"SP Blocks Suite", 2}, {"SP Files Suite", 3},
    {"AI Unicode String Suite", 8}, {"AI Action Manager Suite", 5}, {"AI Array Suite", 6},
    {"AI Art Style Suite", 7}, {"AIATE Paint Suite", 3}, {"AI Dictionary Iterator Suite", 3},
    {"AI Document View Suite", 12}, {"AI Entry Suite", 7}, {"AI Group Suite", 5}, {"AI Hit Test Suite", 6},
    {"AI MdMemory Suite", 3}, {"AI Plugin Suite", 5}, {"AI Plugin Group Suite", 6},
    {"AI Transform Art Suite", 3}, {"AI URL Suite", 3}, {"ATE ApplicationPaint Suite", 1},
    {"ATE CompFont Suite", 1}, {"ATE CompFontClass Suite", 1}, {"ATE CompFontClassSet Suite", 1},
    {"ATE CompFontComponent Suite", 1}, {"ATE CompFontSet Suite", 1}, {"ATE GlyphRun Suite", 1},
    {"ATE GlyphRunsIterator Suite", 1}, {"ATE MojiKumi Suite", 1}, {"ATE MojiKumiSet Suite", 1},
    {"ATE TextFrame Suite", 101}, {"ATE TextFramesIterator Suite", 1}, {"ATE TextLine Suite", 1},
    {"ATE TextLinesIterator Suite", 1}, {"ATE TextResources Suite", 1},
    {"ATE ApplicationTextResources Suite", 1}, {"ATE DocumentTextResources Suite", 101},
    {"ATE VersionInfo Suite", 1}, {"ATE ArrayApplicationPaintRef Suite", 1}, {"ATE ArrayReal Suite", 1},
    {"ATE ArrayBool Suite", 1}, {"ATE ArrayInteger Suite", 1}, {"ATE ArrayLineCapType Suite", 1},
    {"ATE ArrayFigureStyle Suite", 1}, {"ATE ArrayLineJoinType Suite", 1},
    {"ATE ArrayWariChuJustification Suite", 1}, {"ATE ArrayStyleRunAlignment Suite", 1},
    {"ATE ArrayAutoKernType Suite", 1}, {"ATE ArrayBaselineDirection Suite", 1},
    {"ATE ArrayLanguage Suite", 1}, {"ATE ArrayFontCapsOption Suite", 1},
    {"ATE ArrayFontBaselineOption Suite", 1}, {"ATE ArrayFontOpenTypePositionOption Suite", 1},
    {"ATE ArrayUnderlinePosition Suite", 1}, {"ATE ArrayStrikethroughPosition Suite", 1},
    {"ATE ArrayParagraphJustification Suite", 1}, {"ATE ArrayArrayReal Suite", 1},
    {"ATE ArrayBurasagariType Suite", 1}, {"ATE ArrayPreferredKinsokuOrder Suite", 1},
    {"ATE ArrayKinsokuRef Suite", 1}, {"ATE ArrayMojiKumiRef Suite", 1}, {"ATE ArrayMojiKumiSetRef Suite", 1},
    {"ATE ArrayTabStopsRef Suite", 1}, {"ATE ArrayLeadingType Suite", 1}, {"ATE ArrayFontRef Suite", 1},
    {"ATE ArrayGlyphID Suite", 1}, {"ATE ArrayRealPoint Suite", 1}, {"ATE ArrayRealMatrix Suite", 1},
    {"ATE ArrayParagraphDirection Suite", 1}, {"ATE ArrayJustificationMethod Suite", 1},
    {"ATE ArrayKashidaWidth Suite", 1}, {"ATE ArrayKashidas Suite", 1}, {"ATE ArrayDirOverride Suite", 1},
    {"ATE ArrayDigitSet Suite", 1}, {"ATE ArrayDiacVPos Suite", 1}, {"ATE CharFeatures Suite", 101},
    {"ATE CharInspector Suite", 101}, {"ATE CharStyle Suite", 1}, {"ATE CharStyles Suite", 1},
    {"ATE CharStylesIterator Suite", 1}, {"ATE Find Suite", 101}, {"ATE Font Suite", 1},
    {"ATE Glyph Suite", 1}, {"ATE Glyphs Suite", 1}, {"ATE GlyphsIterator Suite", 1},
    {"ATE Kinsoku Suite", 1}, {"ATE KinsokuSet Suite", 1}, {"ATE ParaFeatures Suite", 101},
    {"ATE Paragraph Suite", 1}, {"ATE ParagraphsIterator Suite", 1}, {"ATE ParaInspector Suite", 101},
    {"ATE ParaStyle Suite", 1}, {"ATE ParaStyles Suite", 1}, {"ATE ParaStylesIterator Suite", 1},
    {"ATE Spell Suite", 101}, {"ATE Stories Suite", 1}, {"ATE Story Suite", 1}, {"ATE TabStop Suite", 1},
    {"ATE TabStops Suite", 1}, {"ATE TabStopsIterator Suite", 1}, {"ATE TextRanges Suite", 1},
    {"ATE TextRangesIterator Suite", 1}, {"ATE TextRunsIterator Suite", 1}, {"ATE WordsIterator Suite", 1},
    {"ATE ArrayLine Suite", 1}, {"ATE ArrayComposerEngine Suite", 1},
};

// The basic suite's C functions serve the one host there is. Nothing they meet may throw into
// the plug-in: a failure becomes a code.
// The plug-in's notes of output failures, kept on the host's side for its front end.
const FileFailureSuite kFileFailureSuite{[](const char* utf8) {
  try {
    KeepFileFailure(utf8 ? utf8 : "");
  } catch (...) {
  }
}};

Err AcquireSuiteEntry(const char* name, std::int32_t version, const void** suite) noexcept {
  try {
    if (!suite) return kBadParameter;
    *suite = nullptr;
    StandInHost* host = StandInHost::Current();
    if (!host || !name) return kBadParameter;
    return host->AcquireHostSuite(name, version, suite);
  } catch (...) {
    return kCant;
  }
}

Err ReleaseSuiteEntry(const char* name, std::int32_t version) noexcept {
  try {
    StandInHost* host = StandInHost::Current();
    if (!host || !name) return kBadParameter;
    return host->ReleaseHostSuite(name, version);
  } catch (...) {
    return kCant;
  }
}

}  // namespace

StandInHost::StandInHost() : user_(std::make_shared<ScriptedUser>()), impl(std::make_unique<Impl>()) {
  // The suite slots are process-wide: a second host would take them over, and its destruction
  // would clear them under the first one.
  if (gCurrent)
    throw std::logic_error("a stand-in host already exists; only one can exist at a time");
  gCurrent = this;
  // The host's own menu groups.
  for (const char* g : {"Tool Palettes", "About", "Window Utilities", "Document Utilities"})
    menuGroups.push_back({g, nullptr});
  // Theme colours of a mid-grey interface: label background and label text.
  themeColors[0] = {0, 0.325, 0.325, 0.325};
  themeColors[1] = {0, 0.9, 0.9, 0.9};
  RegisterDocumentSuites(*this, *impl);
  RegisterInterfaceSuites(*this, *impl);
  // The application's other suites are on offer too; the plug-in acquires them but never calls
  // them, so they have no operations here.
  for (const SuiteId& id : kSuitesWithoutOperations) {
    auto obj = std::make_shared<EmptySuite>();
    if (!impl->registry.emplace(std::pair<std::string, std::int32_t>(id.name, id.version), obj.get()).second)
      throw std::logic_error(std::string("the stand-in host offers ") + id.name + " twice");
    impl->owned.push_back(obj);
  }
  impl->registry.emplace(std::pair<std::string, std::int32_t>(kFileFailureSuiteName, kFileFailureSuiteVersion),
                         &kFileFailureSuite);
  impl->basic = BasicSuite{&AcquireSuiteEntry, &ReleaseSuiteEntry};
}

StandInHost::~StandInHost() {
  if (keepDocument_ && doc_) {
    // Still reachable, so leak checkers do not count it.
    static auto* kept = new std::vector<std::unique_ptr<Document>>;
    kept->push_back(std::move(doc_));
  }
  if (gCurrent == this) {
    gCurrent = nullptr;
    ClearSlots();
    ForgetCTableObjects();
  }
}

StandInHost* StandInHost::Current() { return gCurrent; }

BasicSuite& StandInHost::Basic() { return impl->basic; }

Err StandInHost::AcquireHostSuite(const std::string& name, std::int32_t version, const void** suite) {
  if (removed_.count(name)) return kNotFound;
  auto it = impl->registry.find({name, version});
  if (it == impl->registry.end()) return kNotFound;
  // What crosses is the suite's C table; the host's objects stay on this side.
  const void* table = CTableOf(name, version);
  *suite = table ? table : it->second;
  ++impl->held[name];
  return kNoErr;
}

std::int32_t StandInHost::HeldSuites() const {
  std::int32_t n = 0;
  for (const auto& [name, count] : impl->held) n += count;
  return n;
}

Err StandInHost::ReleaseHostSuite(const std::string& name, std::int32_t version) {
  if (!impl->registry.count({name, version})) return kNotFound;
  auto it = impl->held.find(name);
  if (it == impl->held.end() || it->second == 0) return kBadParameter;
  --it->second;
  return kNoErr;
}

void StandInHost::NewDocument(double width, double height) {
  auto d = std::make_unique<Document>();
  d->bounds = {0, height, width, 0};
  LayerOpaque* l = d->NewLayer("レイヤー 1");
  d->layers.push_back(l);
  d->current = l;
  doc_ = std::move(d);
  documentChanged = true;
}

void StandInHost::FillSlots() {
  for (auto table : {FrameSuiteTable(), ProgramSuiteTable()})
    for (const SuiteEntry& e : table)
      if (e.slot) AcquireSuiteObject(impl->basic, e.name, e.version, e.slot);
  AcquireSuiteObject(impl->basic, kPlatformSuiteName, kPlatformSuiteVersion, &slot::kPlatform);
}

void StandInHost::ClearSlots() {
  for (auto table : {FrameSuiteTable(), ProgramSuiteTable()})
    for (const SuiteEntry& e : table)
      if (e.slot) *e.slot = nullptr;
  slot::kPlatform = nullptr;
}

std::string StandInHost::ModalParentName() const {
  return dialogStack.empty() ? "application" : "dialog \"" + dialogStack.back()->Title() + "\"";
}

Err StandInHost::ShowAlert(AlertKind kind, const std::string& text, bool* answer) {
  AlertRecord rec{kind, text, ModalParentName(), false};
  user_->Alert(rec);
  if (kind == AlertKind::YesNo) {
    rec.answer = user_->AnswerYesNo(rec);
    if (answer) *answer = rec.answer;
  }
  alerts_.push_back(rec);
  return kNoErr;
}

// ----- preferences

namespace {

// The folder of the user's application settings: %APPDATA% (roaming) on Windows, else
// $XDG_CONFIG_HOME or ~/.config; empty when there is none.
std::filesystem::path UserSettingsFolder() {
#ifdef _WIN32
  PWSTR folder = nullptr;
  std::filesystem::path p;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder))) p = folder;
  CoTaskMemFree(folder);
  if (p.empty()) p = Utf8ToPath(Environment("APPDATA"));
  return p;
#else
  if (const std::string x = Environment("XDG_CONFIG_HOME"); !x.empty()) return Utf8ToPath(x);
  if (const std::string h = Environment("HOME"); !h.empty()) return Utf8ToPath(h) / ".config";
  return {};
#endif
}

}  // namespace

std::filesystem::path StandInHost::DefaultPreferencesFile() {
  if (const std::string p = Environment("VXSHAPE_PREFERENCES"); !p.empty()) return Utf8ToPath(p);
  const std::filesystem::path folder = UserSettingsFolder();
  if (folder.empty()) return "vxshape-preferences.json";
  return folder / "vxshape" / "preferences.json";
}

void StandInHost::SetPreferencesFile(std::filesystem::path file) {
  prefsFile_ = std::move(file);
  std::ifstream in(prefsFile_, std::ios::binary);
  if (!in) return;  // none yet: start empty
  try {
    nlohmann::json j = nlohmann::json::parse(in);
    if (j.is_object()) impl->prefs = std::move(j);
  } catch (const std::exception&) {
    // A damaged preferences file is replaced on the next save, as the application would.
  }
}

bool StandInHost::LockDocument(const std::filesystem::path& file, int waitMs, std::string& error) {
  auto lock = std::make_unique<FileLock>();
  switch (lock->Acquire(file, waitMs, error)) {
    case FileLock::Outcome::kHeld:
      locks_.push_back(std::move(lock));
      return true;
    case FileLock::Outcome::kBusy:
      error = PathToUtf8(file) + " is being changed by another command; try again when it has finished";
      return false;
    case FileLock::Outcome::kError:
      break;
  }
  return false;
}

bool StandInHost::SavePreferences(std::string& error) const {
  if (prefsFile_.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(prefsFile_.parent_path(), ec);
  if (WriteFileAtomically(prefsFile_, impl->prefs.dump(2) + "\n", error)) return true;
  error = "the preferences were not saved: " + error;
  return false;
}

// ----- the plug-in

PluginRef StandInHost::LoadPlugin(PluginMainProc main, std::filesystem::path pluginFile) {
  plugin_ = std::make_unique<PluginOpaque>();
  plugin_->main = main;
  plugin_->file = std::move(pluginFile);
  return plugin_.get();
}

void StandInHost::ForgetPlugin() {
  for (PanelOpaque& p : panels) {
    p.flyoutDisplay = nullptr;
    p.flyoutCommand = nullptr;
    p.sizeChange = nullptr;
    p.userData = nullptr;
    if (p.window) p.window->handler = nullptr;
  }
  for (ControlWindow* w : dialogStack) w->handler = nullptr;
  if (plugin_) {
    plugin_->main = nullptr;
    plugin_->globals = nullptr;
  }
}

Err StandInHost::Send(const char* caller, const char* selector, void* message) {
  if (!plugin_ || !plugin_->main) return kNotFound;
  auto* d = static_cast<MessageData*>(message);
  d->self = plugin_.get();
  d->basic = &impl->basic;
  d->globals = plugin_->globals;
  const Err e = plugin_->main(caller, selector, message);
  plugin_->globals = d->globals;
  return e;
}

Err StandInHost::StartPlugin() {
  MessageData m;
  Err e = Send(kCallerInterface, kSelectorStartup, &m);
  if (e) return e;
  Notify("AI Application Started Notifier");
  return kNoErr;
}

Err StandInHost::ShutdownPlugin() {
  Notify("AI Application Shutdown Notifier");
  MessageData m;
  return Send(kCallerInterface, kSelectorShutdown, &m);
}

Err StandInHost::Notify(const std::string& type) {
  Err first = kNoErr;
  for (NotifierOpaque& n : notifiers) {
    if (n.type != type || n.plugin != plugin_.get()) continue;
    NotifierMessage m;
    m.notifier = &n;
    m.type = n.type.c_str();
    const Err e = Send(kCallerNotifier, kSelectorNotify, &m);
    if (e && !first) first = e;
  }
  return first;
}

Err StandInHost::MenuGo(MenuItemHandle item) {
  MenuMessage m;
  m.menuItem = item;
  return Send(kCallerMenu, kSelectorGo, &m);
}

Err StandInHost::MenuUpdate(MenuItemHandle item) {
  MenuMessage m;
  m.menuItem = item;
  return Send(kCallerMenu, kSelectorUpdate, &m);
}

void StandInHost::FlushNotifications() {
  // The application tells of the selection first, then of the document.
  if (selectionChanged) {
    selectionChanged = false;
    Notify("AI Art Selection Changed Notifier");
  }
  if (documentChanged) {
    documentChanged = false;
    Notify("AI Document Changed Notifier");
  }
}

}  // namespace vx::host
