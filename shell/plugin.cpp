#include "shell/plugin.h"

#include "shell/host/app_context.h"
#include "shell/host/c_adapters.h"
#include "shell/host/file_failure.h"

#include <algorithm>
#include <exception>
#include <span>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>
#include <string>

namespace vx::shell {

using namespace vx::host;

BasicSuite* gBasicSuite = nullptr;
std::uint16_t gSuiteCount = 0;

namespace {

constexpr Err kQuietCodes[] = {
    FourCC("FMT?"), FourCC("RFSE"), FourCC("AFTR"), FourCC("VALD"), FourCC("MOOT"), FourCC("TRSH"),
    FourCC("CHEK"), FourCC("CHIT"), FourCC("TLTK"), FourCC("pFls"), FourCC("S!Fd"), FourCC("!Acq"),
    FourCC("dsRP"), FourCC("skpE"), FourCC("DONE"), FourCC("STOP"), 361,
    0,
};

// The program defines no texts for codes; a failure that reaches the entry stays silent.
std::optional<std::string> MessageTextFor(Err) { return std::nullopt; }

// Releases the suites of `table` that are held, in order; the first error stops the walk.
Err ReleaseTable(std::span<const SuiteEntry> table) {
  for (const SuiteEntry& e : table) {
    if (!e.slot || !*e.slot) continue;
    if (!gBasicSuite) return kBadParameter;
    if (Err err = gBasicSuite->ReleaseSuite(e.name, e.version)) return err;
    *e.slot = nullptr;
  }
  return kNoErr;
}

// The host's file failure suite, held from start-up to shut-down when the host offers it, so that
// the notes of output failures reach the host's side.
bool gFileFailureHeld = false;

void HoldFileFailureSink(bool hold) {
  if (hold == gFileFailureHeld || !gBasicSuite) return;
  if (hold) {
    const void* s = nullptr;
    if (gBasicSuite->AcquireSuite(kFileFailureSuiteName, kFileFailureSuiteVersion, &s) != kNoErr || !s) return;
    SetFileFailureSink(static_cast<const FileFailureSuite*>(s));
  } else {
    SetFileFailureSink(nullptr);
    gBasicSuite->ReleaseSuite(kFileFailureSuiteName, kFileFailureSuiteVersion);
  }
  gFileFailureHeld = hold;
}

}  // namespace

bool IsQuietCode(Err code) {
  for (const Err* q = kQuietCodes; *q; ++q)
    if (*q == code) return true;
  return false;
}

void DefaultReporter(PluginRef plugin, Err code) {
  (void)plugin;
  if (code == kNoErr || IsQuietCode(code)) return;
  // The frame may not hold the user suite (a failed start-up released it): borrow it for the call.
  UserSuite* user = sUser();
  bool borrowed = false;
  if (!user) {
    if (!gBasicSuite) return;
    const void* s = nullptr;
    if (AcquireSuiteObject(*gBasicSuite, suite::kAIUserSuite.name, suite::kAIUserSuite.version, &s) != kNoErr || !s)
      return;
    user = static_cast<UserSuite*>(const_cast<void*>(s));
    borrowed = true;
  }
  if (auto text = MessageTextFor(code)) user->ErrorAlert(*text);
  if (borrowed) gBasicSuite->ReleaseSuite(suite::kAIUserSuite.name, suite::kAIUserSuite.version);
}

// ----- suite set

SuiteSet::SuiteSet() {
  if (gSuiteCount == 0) {
    auto acquire = [&](const char* name, std::int32_t version, const void** slot) {
      if (error_ || !slot) return;
      if (!gBasicSuite) {
        error_ = kBadParameter;
        return;
      }
      error_ = AcquireSuiteObject(*gBasicSuite, name, version, slot);
    };
    for (const SuiteEntry& e : FrameSuiteTable()) acquire(e.name, e.version, e.slot);
    for (const SuiteEntry& e : ProgramSuiteTable()) acquire(e.name, e.version, e.slot);
    acquire(kPlatformSuiteName, kPlatformSuiteVersion, &slot::kPlatform);
    if (!error_) ++gSuiteCount;
  }
  // Even a failed set counts as one hold, so that destroying it releases what it got.
  gSuiteCount = 1;
}

SuiteSet::~SuiteSet() {
  if (gSuiteCount == 0) return;
  if (--gSuiteCount != 0) return;
  if (ReleaseTable(FrameSuiteTable())) return;
  if (ReleaseTable(ProgramSuiteTable())) return;
  if (slot::kPlatform && gBasicSuite && gBasicSuite->ReleaseSuite(kPlatformSuiteName, kPlatformSuiteVersion) == kNoErr)
    slot::kPlatform = nullptr;
}

// ----- plug-in

Plugin::Plugin(PluginRef self) : self_(self) { SetName("Plugin"); }

Plugin::~Plugin() = default;

void Plugin::SetName(const char* name) {
  const std::size_t n = std::min(std::strlen(name), sizeof(name_) - 1);
  std::memcpy(name_, name, n);
  name_[n] = '\0';
}

std::int64_t Plugin::Now() const { return static_cast<std::int64_t>(std::time(nullptr)); }

void Plugin::ReportFailure(Err code, const char* caller, const char* selector, void* message) {
  (void)caller, (void)selector, (void)message;
  if (IsQuietCode(code)) return;
  const std::int64_t now = Now();
  if (code == lastError_ && suppressRepeats_ && now - lastReportTime_ < repeatWindow_) return;
  lastError_ = code;
  lastReportTime_ = now;
  DefaultReporter(self_, code);
}

Err Plugin::HoldResident(bool hold) {
  Err err = kNoErr;
  if (hold) {
    if (++residency_ == 1) {
      // The access handle keeps the module loaded.
      if (AccessSuite* a = sAccess()) err = a->AcquirePlugin(self_, access_);
    }
  } else {
    if (--residency_ == 0 && access_) {
      if (AccessSuite* a = sAccess()) err = a->ReleasePlugin(access_);
      access_ = nullptr;
    }
    if (residency_ < 0) residency_ = 0;
  }
  return err;
}

Err Plugin::AcquireSuites() {
  if (!suites_) {
    try {
      suites_ = std::make_unique<SuiteSet>();
    } catch (const std::bad_alloc&) {
      return kOutOfMemory;
    }
  }
  gSuiteCount = 1;
  if (Err err = suites_->Error()) {
    suites_.reset();
    return err;
  }
  return kNoErr;
}

void Plugin::ReleaseSuites() { suites_.reset(); }

Err Plugin::OnStartup(MessageData* message) {
  (void)message;
  BindGlobals(this);
  if (Err err = AcquireSuites()) return err;
  HoldFileFailureSink(true);
  if (Err err = sPlugins()->SetPluginName(self_, name_)) return err;
  NotifierHandle started = nullptr;
  const std::string notifierName = std::string(name_) + " App Started Notifier";
  if (Err err = sNotifier()->AddNotifier(self_, notifierName, "AI Application Started Notifier", started)) return err;
  PrepareSuiteTables();
  LoadSuiteTables();
  return HoldResident(true);
}

Err Plugin::OnAppStarted() { return kNoErr; }

Err Plugin::OnShutdown(MessageData* message) {
  (void)message;
  HoldFileFailureSink(false);
  ReleaseSuites();
  BindGlobals(nullptr);
  return kNoErr;
}

Err Plugin::OnUnload(MessageData* message) {
  (void)message;
  ClearSuiteTables();
  BindGlobals(nullptr);
  HoldFileFailureSink(false);
  ReleaseSuites();
  return kNoErr;
}

Err Plugin::OnReload(MessageData* message) {
  (void)message;
  BindGlobals(this);
  if (Err err = AcquireSuites()) return err;
  LoadSuiteTables();
  return kNoErr;
}

Err Plugin::OnAcquireProperty(void*) { return kNotHandled; }
Err Plugin::OnReleaseProperty(void*) { return kNotHandled; }

std::size_t Plugin::CopyName(char* buffer, std::size_t capacity) const {
  if (!buffer || capacity == 0) return 0;
  const std::size_t n = std::min(std::strlen(name_), capacity - 1);
  std::memcpy(buffer, name_, n);
  buffer[n] = '\0';
  return n;
}

Err Plugin::OnPurge() { return kNoErr; }
void Plugin::BindGlobals(Plugin*) {}
void Plugin::PrepareSuiteTables() {}
void Plugin::LoadSuiteTables() {}
void Plugin::ClearSuiteTables() {}
Err Plugin::AcquireLateSuites() { return kNoErr; }
Err Plugin::OnNotify(NotifierMessage*) { return kNotHandled; }
Err Plugin::OnAction(void*) { return kNoErr; }
Err Plugin::OnMenuGo(MenuMessage*) { return kNotHandled; }
Err Plugin::OnMenuUpdate(MenuMessage*) { return kNotHandled; }

Err Plugin::OnFilterGetParameters(void*) { return kNotHandled; }
Err Plugin::OnFilterGo(void*) { return kNotHandled; }
Err Plugin::OnPluginGroupNotifyEdits(void*) { return kNotHandled; }
Err Plugin::OnPluginGroupUpdate(void*) { return kNotHandled; }
Err Plugin::OnFileFormatGetParameters(void*) { return kNotHandled; }
Err Plugin::OnFileFormatGo(void*) { return kNotHandled; }
Err Plugin::OnFileFormatCheck(void*) { return kNotHandled; }
Err Plugin::OnFileFormatUpdate(void*) { return kNotHandled; }
Err Plugin::OnFileFormatDoAction(void*) { return kNotHandled; }
Err Plugin::OnToolEditOptions(void*) { return kNotHandled; }
Err Plugin::OnToolTrackCursor(void*) { return kNotHandled; }
Err Plugin::OnToolMouseDown(void*) { return kNotHandled; }
Err Plugin::OnToolMouseDrag(void*) { return kNotHandled; }
Err Plugin::OnToolMouseUp(void*) { return kNotHandled; }
Err Plugin::OnToolSelect(void*) { return kNotHandled; }
Err Plugin::OnToolDeselect(void*) { return kNotHandled; }
Err Plugin::OnToolReselect(void*) { return kNoErr; }
Err Plugin::OnToolDecreaseDiameter(void*) { return kNoErr; }
Err Plugin::OnToolIncreaseDiameter(void*) { return kNoErr; }
Err Plugin::OnLiveEffectEditParameters(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectGoLive(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectInterpolateParameters(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectInputType(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectConvertColorSpace(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectScaleParameters(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectAdjustColors(void*) { return kNotHandled; }
Err Plugin::OnLiveEffectHandleMerge(void*) { return kNotHandled; }
Err Plugin::OnTimerGo(void*) { return kNotHandled; }
Err Plugin::OnClipboardGo(void*) { return kNotHandled; }
Err Plugin::OnClipboardCanCopy(void*) { return kNotHandled; }
Err Plugin::OnClipboardClone(void*) { return kNotHandled; }
Err Plugin::OnClipboardDispose(void*) { return kNotHandled; }
Err Plugin::OnWorkspaceWrite(void*) { return kNotHandled; }
Err Plugin::OnWorkspaceRestore(void*) { return kNotHandled; }
Err Plugin::OnWorkspaceDefault(void*) { return kNotHandled; }

// ----- routing

namespace {

using Handler = Err (*)(Plugin&, void*);

struct Route {
  const char* caller;
  const char* selector;
  Handler handler;
};

#define VX_ROUTE(caller, selector, member) \
  {caller, selector, [](Plugin& p, void* m) { return p.member(m); }}

const Route kRoutes[] = {
    {kCallerAccess, kSelectorUnload, [](Plugin& p, void* m) { return p.OnUnload(static_cast<MessageData*>(m)); }},
    {kCallerAccess, kSelectorReload, [](Plugin& p, void* m) { return p.OnReload(static_cast<MessageData*>(m)); }},
    // Start-up is the entry's own business; here it only answers.
    {kCallerInterface, kSelectorAbout, [](Plugin&, void*) { return kNoErr; }},
    {kCallerInterface, kSelectorStartup, [](Plugin&, void*) { return kNoErr; }},
    {kCallerCache, kSelectorPurge, [](Plugin& p, void*) { return p.OnPurge() ? kPurged : kNoErr; }},
    VX_ROUTE(kCallerProperties, "Acquire", OnAcquireProperty),
    VX_ROUTE(kCallerProperties, "Release", OnReleaseProperty),
    VX_ROUTE("Action Manager", "Do Action", OnAction),
    {kCallerMenu, kSelectorGo, [](Plugin& p, void* m) { return p.OnMenuGo(static_cast<MenuMessage*>(m)); }},
    {kCallerMenu, kSelectorUpdate, [](Plugin& p, void* m) { return p.OnMenuUpdate(static_cast<MenuMessage*>(m)); }},
    VX_ROUTE("AI Filter", "AI Get Parameters", OnFilterGetParameters),
    VX_ROUTE("AI Filter", "AI Go", OnFilterGo),
    VX_ROUTE("AI Plugin Group", "AI Notify Edits", OnPluginGroupNotifyEdits),
    VX_ROUTE("AI Plugin Group", "AI Update", OnPluginGroupUpdate),
    VX_ROUTE("AI File Format", "AI Get Parameters", OnFileFormatGetParameters),
    VX_ROUTE("AI File Format", "AI Go", OnFileFormatGo),
    VX_ROUTE("AI File Format", "AI Check", OnFileFormatCheck),
    VX_ROUTE("AI File Format", "AI Update AI140", OnFileFormatUpdate),
    VX_ROUTE("AI File Format", "Do Action", OnFileFormatDoAction),
    VX_ROUTE("AI Tool", "AI Edit Options", OnToolEditOptions),
    VX_ROUTE("AI Tool", "AI Track Cursor", OnToolTrackCursor),
    VX_ROUTE("AI Tool", "AI Mouse Down", OnToolMouseDown),
    VX_ROUTE("AI Tool", "AI Mouse Drag", OnToolMouseDrag),
    VX_ROUTE("AI Tool", "AI Mouse Up", OnToolMouseUp),
    VX_ROUTE("AI Tool", "AI Select", OnToolSelect),
    VX_ROUTE("AI Tool", "AI Deselect", OnToolDeselect),
    VX_ROUTE("AI Tool", "AI Reselect", OnToolReselect),
    VX_ROUTE("AI Tool", "AI Decrease Diameter", OnToolDecreaseDiameter),
    VX_ROUTE("AI Tool", "AI Increase Diameter", OnToolIncreaseDiameter),
    VX_ROUTE("AI Live Effect", "AI Live Effect Edit Parameters", OnLiveEffectEditParameters),
    VX_ROUTE("AI Live Effect", "AI Live Effect Go Live", OnLiveEffectGoLive),
    VX_ROUTE("AI Live Effect", "AI Live Effect Interpolate Parameters", OnLiveEffectInterpolateParameters),
    VX_ROUTE("AI Live Effect", "AI Live Effect Input Type", OnLiveEffectInputType),
    VX_ROUTE("AI Live Effect", "AI Live Effect Convert Color Space", OnLiveEffectConvertColorSpace),
    VX_ROUTE("AI Live Effect", "AI Live Effect Scale Parameters", OnLiveEffectScaleParameters),
    VX_ROUTE("AI Live Effect", "AI Live Effect Adjust Colors", OnLiveEffectAdjustColors),
    VX_ROUTE("AI Live Effect", "AI Live Effect Handle Merge", OnLiveEffectHandleMerge),
    VX_ROUTE("AI Timer", "AI Go", OnTimerGo),
    VX_ROUTE("AI Clipboard", "AI Go", OnClipboardGo),
    VX_ROUTE("AI Clipboard", "AI Can Copy", OnClipboardCanCopy),
    VX_ROUTE("AI Clipboard", "AI Clone", OnClipboardClone),
    VX_ROUTE("AI Clipboard", "AI Dispose", OnClipboardDispose),
    VX_ROUTE("Workspace Manager", "Write Workspace", OnWorkspaceWrite),
    VX_ROUTE("Workspace Manager", "Restore Workspace", OnWorkspaceRestore),
    VX_ROUTE("Workspace Manager", "Default Workspace", OnWorkspaceDefault),
};

#undef VX_ROUTE

bool Same(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

}  // namespace

Err Plugin::Dispatch(const char* caller, const char* selector, void* message) {
  if (Same(caller, kCallerNotifier)) {
    auto* m = static_cast<NotifierMessage*>(message);
    ScopedAppContext context(self_);
    Err result = kNoErr;
    if (m && Same(m->type, "AI Application Started Notifier")) result = OnAppStarted();
    if ((result == kNoErr || result == kNotHandled) && Same(selector, kSelectorNotify)) result = OnNotify(m);
    return result;
  }
  for (const Route& r : kRoutes)
    if (Same(caller, r.caller) && Same(selector, r.selector)) return r.handler(*this, message);
  return kNotHandled;
}

// ----- entry

namespace {

Err CodeOf(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const HostError& h) {
    return h.code;
  } catch (...) {
    return kCant;
  }
}

}  // namespace

Err Entry(const char* caller, const char* selector, void* message, PluginFactory make) noexcept {
  auto* data = static_cast<MessageData*>(message);
  if (!data) return kBadParameter;
  gBasicSuite = data->basic;
  Plugin* object = static_cast<Plugin*>(data->globals);
  Err result = kNoErr;

  // Nothing below may let an exception reach the host.
  try {
    if (Same(caller, kCallerInterface) && Same(selector, kSelectorStartup)) {
      // A second start-up for a running object would orphan it; the running one stays.
      if (!object) {
        try {
          object = make(data->self);
        } catch (...) {
          object = nullptr;
        }
        if (!object) {
          result = kOutOfMemory;
        } else {
          data->globals = object;
          try {
            result = object->OnStartup(data);
          } catch (...) {
            result = CodeOf(std::current_exception());
          }
          if (result) {
            delete object;
            object = nullptr;
            data->globals = nullptr;
          }
        }
      }
    } else if (Same(caller, kCallerInterface) && Same(selector, kSelectorShutdown) && object) {
      try {
        result = object->OnShutdown(data);
      } catch (...) {
        result = CodeOf(std::current_exception());
      }
      delete object;
      object = nullptr;
      data->globals = nullptr;
    }

    if (object) {
      if (Same(caller, kCallerAccess) && Same(selector, kSelectorReload)) {
        result = object->OnReload(data);
      } else if (object->HasSuites()) {
        result = object->Dispatch(caller, selector, message);
      } else {
        result = kNoErr;  // suites released: the host may still call after an unload
      }
      if (result == kNotHandled) result = kNoErr;
    }
  } catch (...) {
    result = CodeOf(std::current_exception());
  }

  if (result != kNoErr) {
    try {
      if (object) object->ReportFailure(result, caller, selector, message);
      else DefaultReporter(data->self, result);
    } catch (...) {
      // The reporter's own failure changes nothing for the host.
    }
  }
  return result;
}

}  // namespace vx::shell
