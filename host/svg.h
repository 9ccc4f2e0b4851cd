// SVG rendering of a document: the artboard, visible layers in stacking order, paths, compound
// paths and point texts, north up.
#pragma once

#include "host/document.h"

#include <string>

namespace vx::host {

std::string RenderSvg(const Document& doc);

}  // namespace vx::host
