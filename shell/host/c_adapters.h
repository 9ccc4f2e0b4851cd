// The plug-in's side of the C tables (c_suites.h): the suites' C++ classes built on them, so that
// the plug-in's code calls `sArt()->GetArtType(...)` as before while only C crosses to the host.
#pragma once

#include "shell/host/plugin_main.h"

#include <cstdint>

namespace vx::host {

// Acquires the suite `name` of `version` through `basic` and stores in `*slot` the plug-in's
// object for it: a C++ suite of suites.h or platform.h over the host's C table, or, for a suite
// no operation calls, the table itself. On failure `*slot` is nullptr. Throws nothing.
Err AcquireSuiteObject(const BasicSuite& basic, const char* name, std::int32_t version, const void** slot);

}  // namespace vx::host
