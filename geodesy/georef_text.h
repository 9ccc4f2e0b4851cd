// What the data frame and the markers share in reading their texts from the document's layers.
#pragma once

#include "shell/host/slots.h"

#include <cstddef>

namespace vx::geo::detail {

// Texts longer than this are read only up to here; the frame and marker texts are far shorter.
inline constexpr std::size_t kMaxTextUnits = 255;

// The suites a georeference is read and written through.
inline bool SuitesHeld() {
  return host::sLayer() && host::sArt() && host::sTextFrame() && host::sTextRange();
}

}  // namespace vx::geo::detail
