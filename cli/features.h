// vxshape info --features: every art of each layer with its kind, vertex count, position in map
// coordinates and attribute values, the way a person checks an import without the panel.
#pragma once

#include <string>

namespace vx::cli {

// Prints the features of DOC (only the layer titled `layer` when it is not empty). Throws Failure.
void PrintFeatures(const std::string& doc, const std::string& layer, bool asJson);

}  // namespace vx::cli
