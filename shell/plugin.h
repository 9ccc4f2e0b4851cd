// The plug-in frame: the object the host's messages are routed to, the suites it holds while it
// runs, and the reporting of failures that travel back to the host.
#pragma once

#include "shell/host/plugin_main.h"
#include "shell/host/slots.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vx::shell {

using host::Err;

// Process-wide state: the basic suite interface of the latest message, and whether the suites of
// both tables are held (0: not held).
extern host::BasicSuite* gBasicSuite;
extern std::uint16_t gSuiteCount;

// The quiet codes: failures that are never reported.
bool IsQuietCode(Err code);

// Reports `code` for `plugin` to the user, unless it is quiet. The program has no message texts,
// so in practice nothing is shown; the commands tell the user themselves.
void DefaultReporter(host::PluginRef plugin, Err code);

// Holds the suites of both tables (and the platform's interface) in their slots. Construction
// acquires them when none are held; destruction releases them when it drops the last hold.
class SuiteSet {
 public:
  SuiteSet();
  ~SuiteSet();
  SuiteSet(const SuiteSet&) = delete;
  SuiteSet& operator=(const SuiteSet&) = delete;
  // The first acquisition failure, or 0.
  Err Error() const { return error_; }

 private:
  Err error_ = host::kNoErr;
};

class Plugin {
 public:
  explicit Plugin(host::PluginRef self);
  virtual ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  virtual void ReportFailure(Err code, const char* caller, const char* selector, void* message);
  virtual Err HoldResident(bool hold);
  virtual Err OnStartup(host::MessageData* message);
  virtual Err OnAppStarted();
  virtual Err OnShutdown(host::MessageData* message);
  virtual Err OnUnload(host::MessageData* message);
  virtual Err OnReload(host::MessageData* message);
  virtual Err OnAcquireProperty(void* message);
  virtual Err OnReleaseProperty(void* message);
  // Copies the name (at most `capacity` bytes with the terminator); returns the copied length.
  virtual std::size_t CopyName(char* buffer, std::size_t capacity) const;
  virtual Err OnPurge();
  virtual Err Dispatch(const char* caller, const char* selector, void* message);
  virtual void BindGlobals(Plugin* object);
  virtual void PrepareSuiteTables();
  virtual void LoadSuiteTables();
  virtual void ClearSuiteTables();
  virtual Err AcquireLateSuites();
  virtual Err OnNotify(host::NotifierMessage* message);
  virtual Err OnAction(void* message);
  virtual Err OnMenuGo(host::MenuMessage* message);
  virtual Err OnMenuUpdate(host::MenuMessage* message);

  // Messages this program does not use; the frame answers them as not handled.
  virtual Err OnFilterGetParameters(void* message);
  virtual Err OnFilterGo(void* message);
  virtual Err OnPluginGroupNotifyEdits(void* message);
  virtual Err OnPluginGroupUpdate(void* message);
  virtual Err OnFileFormatGetParameters(void* message);
  virtual Err OnFileFormatGo(void* message);
  virtual Err OnFileFormatCheck(void* message);
  virtual Err OnFileFormatUpdate(void* message);
  virtual Err OnFileFormatDoAction(void* message);
  virtual Err OnToolEditOptions(void* message);
  virtual Err OnToolTrackCursor(void* message);
  virtual Err OnToolMouseDown(void* message);
  virtual Err OnToolMouseDrag(void* message);
  virtual Err OnToolMouseUp(void* message);
  virtual Err OnToolSelect(void* message);
  virtual Err OnToolDeselect(void* message);
  virtual Err OnToolReselect(void* message);
  virtual Err OnToolDecreaseDiameter(void* message);
  virtual Err OnToolIncreaseDiameter(void* message);
  virtual Err OnLiveEffectEditParameters(void* message);
  virtual Err OnLiveEffectGoLive(void* message);
  virtual Err OnLiveEffectInterpolateParameters(void* message);
  virtual Err OnLiveEffectInputType(void* message);
  virtual Err OnLiveEffectConvertColorSpace(void* message);
  virtual Err OnLiveEffectScaleParameters(void* message);
  virtual Err OnLiveEffectAdjustColors(void* message);
  virtual Err OnLiveEffectHandleMerge(void* message);
  virtual Err OnTimerGo(void* message);
  virtual Err OnClipboardGo(void* message);
  virtual Err OnClipboardCanCopy(void* message);
  virtual Err OnClipboardClone(void* message);
  virtual Err OnClipboardDispose(void* message);
  virtual Err OnWorkspaceWrite(void* message);
  virtual Err OnWorkspaceRestore(void* message);
  virtual Err OnWorkspaceDefault(void* message);

  host::PluginRef Self() const { return self_; }
  const char* Name() const { return name_; }
  bool HasSuites() const { return suites_ != nullptr; }
  std::int32_t ResidencyCount() const { return residency_; }
  Err LastReportedError() const { return lastError_; }
  std::int64_t LastReportTime() const { return lastReportTime_; }

 protected:
  // Copies `name` into the name field, cut to fit.
  void SetName(const char* name);
  // Whole seconds, for the reporter's repeat window.
  virtual std::int64_t Now() const;
  // Creates the suite set if there is none (start-up and reload); on failure none is kept.
  Err AcquireSuites();
  void ReleaseSuites();

 private:
  host::PluginRef self_;
  char name_[256];
  std::unique_ptr<SuiteSet> suites_;
  std::int32_t residency_ = 0;
  host::AccessRef access_ = nullptr;
  Err lastError_ = host::kNoErr;
  std::int32_t repeatWindow_ = 5;
  bool suppressRepeats_ = true;
  std::int64_t lastReportTime_ = 0;
};

// Makes the object for a start-up message; nullptr when it cannot be made.
using PluginFactory = Plugin* (*)(host::PluginRef self);

// The entry protocol, with the object made by `make`. PluginMain is this with ShapePlugin.
Err Entry(const char* caller, const char* selector, void* message, PluginFactory make) noexcept;

}  // namespace vx::shell

// The plug-in's only export; the module exports it by name for the host to find.
#ifdef _WIN32
#define VX_PLUGIN_EXPORT __declspec(dllexport)
#else
#define VX_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
extern "C" VX_PLUGIN_EXPORT vx::host::Err PluginMain(const char* caller, const char* selector, void* message);
