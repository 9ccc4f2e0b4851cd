// The entry protocol: the host calls PluginMain(caller, selector, message) for every event.
#pragma once

#include "shell/host/types.h"

#include <cstdint>

namespace vx::host {

// Acquires and releases suites by name (UTF-8, NUL-terminated) and version: a table of C
// functions, the same on both sides of the module boundary. A suite is a table of C functions
// (c_suites.h), which the plug-in's side wraps in the classes of suites.h and platform.h
// (c_adapters.h); a suite that the host lists but no operation calls may be an empty table.
// Unknown names or versions answer kNotFound; nothing is thrown. The messages below have the
// layout of their C forms in c_suites.h.
struct BasicSuite {
  Err (*AcquireSuite)(const char* name, std::int32_t version, const void** suite);
  Err (*ReleaseSuite)(const char* name, std::int32_t version);
};

// Caller and selector texts of the messages the plug-in answers.
inline constexpr const char* kCallerInterface = "SP Interface";
inline constexpr const char* kSelectorStartup = "Startup";
inline constexpr const char* kSelectorShutdown = "Shutdown";
inline constexpr const char* kSelectorAbout = "About";
inline constexpr const char* kCallerAccess = "SP Access";
inline constexpr const char* kSelectorUnload = "Unload";
inline constexpr const char* kSelectorReload = "Reload";
inline constexpr const char* kCallerCache = "SP Cache";
inline constexpr const char* kSelectorPurge = "Plug-in Purge";
inline constexpr const char* kCallerProperties = "SP Properties";
inline constexpr const char* kCallerNotifier = "AI Notifier";
inline constexpr const char* kSelectorNotify = "AI Notify";
inline constexpr const char* kCallerMenu = "AI Menu";
inline constexpr const char* kSelectorGo = "AI Go";
inline constexpr const char* kSelectorUpdate = "AI Update";

// The common header of every message.
struct MessageData {
  PluginRef self = nullptr;   // the host's handle for this plug-in
  void* globals = nullptr;    // one pointer the host keeps for the plug-in between calls
  BasicSuite* basic = nullptr;
};

struct NotifierMessage {
  MessageData d;
  NotifierHandle notifier = nullptr;
  const char* type = nullptr;  // the notification type, e.g. "AI Art Selection Changed Notifier"
  void* notifyData = nullptr;
};

struct MenuMessage {
  MessageData d;
  MenuItemHandle menuItem = nullptr;
};

// The plug-in's only export.
using PluginMainProc = Err (*)(const char* caller, const char* selector, void* message);

}  // namespace vx::host
