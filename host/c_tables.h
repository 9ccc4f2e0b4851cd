// The stand-in host's C tables (shell/host/c_suites.h): what the basic suite hands out. Each
// function calls the host's own suite object and lets nothing out.
#pragma once

#include <cstdint>
#include <string>

namespace vx::host {

// The host's object behind the C table of interface class I; set when the host registers it.
template <class I>
I*& HostSuiteObject() {
  static I* object = nullptr;
  return object;
}

// The C table of a suite with operations; nullptr for others.
const void* CTableOf(const std::string& name, std::int32_t version);

// Forgets the suite objects and the plug-in's dialog handlers the tables lead to (the host goes).
void ForgetCTableObjects();

}  // namespace vx::host
