// Suite slots and tables.
#include "shell/host/slots.h"

#include <string>

namespace vx::host {
namespace slot {
#define VX_SLOT_DEFINITION(id, name, version) const void* id = nullptr;
VX_FRAME_SUITES(VX_SLOT_DEFINITION)
VX_PROGRAM_SUITES(VX_SLOT_DEFINITION)
#undef VX_SLOT_DEFINITION
const void* kPlatform = nullptr;
}  // namespace slot

namespace {
#define VX_TABLE_ENTRY(id, name, version) {name, version, &slot::id},
const SuiteEntry kFrameTable[] = {VX_FRAME_SUITES(VX_TABLE_ENTRY)};
const SuiteEntry kProgramTable[] = {VX_PROGRAM_SUITES(VX_TABLE_ENTRY)};
#undef VX_TABLE_ENTRY
}  // namespace

std::span<const SuiteEntry> FrameSuiteTable() { return kFrameTable; }
std::span<const SuiteEntry> ProgramSuiteTable() { return kProgramTable; }

std::string ErrText(Err e) {
  const auto u = static_cast<std::uint32_t>(e);
  char s[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8), static_cast<char>(u)};
  bool printable = true;
  for (char ch : s) printable = printable && ch >= 0x20 && ch < 0x7f;
  if (printable) return std::string("'") + std::string(s, 4) + "'";
  return std::to_string(e);
}

}  // namespace vx::host
