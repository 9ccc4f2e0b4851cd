// What the stand-in host's document writer and reader share (the format is described in
// docs/document-format.md): the format's name, version and limits, where a value sits for
// messages, and the error both throw.
#pragma once

#include "shell/host/suites.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vx::host::docfile {

inline constexpr const char* kFormat = "vxshape-document";
// Version 2 keeps a segment whose handles sit on its anchor as the anchor alone; version 1
// documents still load.
inline constexpr int kVersion = 2;
// Drawing, rendering and bounds recurse over the tree; deeper art is refused rather than risking
// the stack. The same bound holds for arrays and dictionaries inside one another.
inline constexpr int kMaxDepth = 1000;
// A sublayer costs three JSON levels, an art two.
inline constexpr int kMaxJsonDepth = 3 * kMaxDepth + 16;
inline constexpr const char* kMaxDepthText = "1,000";  // kMaxDepth as messages write it

// Where a value sits, for messages: layers[2].group.children[5].style (layer "roads"). Each level
// lives on the stack of the code reading or writing it.
struct Where {
  const Where* up = nullptr;
  const char* key = nullptr;  // member name, or nullptr for an index
  std::size_t index = 0;
  const std::string* layer = nullptr;  // a layer's title, on the layer's own node

  Where Key(const char* k) const { return Where{this, k, 0, nullptr}; }
  Where At(std::size_t i) const { return Where{this, nullptr, i, nullptr}; }
  std::string Text() const;
};

struct DocumentError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const Where& w, const std::string& what);
// A text of the file in a message: its first 40 bytes, quoted.
std::string Quote(std::string_view s);
// An art kind as the file names it.
const char* KindName(ArtType t);

}  // namespace vx::host::docfile
