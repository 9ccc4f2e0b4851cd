// Fuzzes the document reader: any bytes either load or give a one-line reason, and whatever loads
// saves and loads again.
#include "host/document.h"
#include "tests/fuzz/fuzz_files.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto in = vx::fuzz::Folder() / "d.vxd";
  const auto out = vx::fuzz::Folder() / "e.vxd";
  vx::fuzz::Write(in, data, size);
  std::string error;
  const auto doc = vx::host::ReadDocument(in, error);
  if (!doc) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
    return 0;
  }
  if (!vx::host::WriteDocument(*doc, out, error)) return 0;  // e.g. art deeper than a save allows
  if (!vx::host::ReadDocument(out, error)) __builtin_trap();  // what was saved must load
  return 0;
}
