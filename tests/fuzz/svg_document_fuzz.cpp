// Fuzzes the SVG document reader: any bytes either load or give a one-line reason, and whatever
// loads saves and loads again.
#include "host/svg_document.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto doc = vx::host::ParseSvgDocument(std::string(reinterpret_cast<const char*>(data), size), "f.svg", error);
  if (!doc) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
    return 0;
  }
  std::string text;
  try {
    text = vx::host::SvgDocumentText(*doc);
  } catch (const std::runtime_error&) {
    return 0;  // e.g. a number that is not finite
  }
  if (!vx::host::ParseSvgDocument(text, "g.svg", error)) __builtin_trap();  // what was saved must load
  return 0;
}
