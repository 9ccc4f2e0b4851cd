// Small helpers over the host's art sets and art kinds shared by the panel's commands.
#pragma once

#include "shell/host/slots.h"

#include <cstdint>
#include <vector>

namespace vx::panel {

// The art of one host art set, copied out so that the set can go at once.
// Fills `out` with the current document's selected art, in the host's order.
host::Err SelectedArt(std::vector<host::ArtHandle>& out);
// Fills `out` with every art of one layer, in the host's order.
host::Err LayerArt(host::LayerHandle layer, std::vector<host::ArtHandle>& out);
// The art of `layer` itself, without its sublayers' art (they have definitions of their own) and
// without layer groups.
host::Err OwnLayerArt(host::LayerHandle layer, std::vector<host::ArtHandle>& out);

// Art that may carry field definitions: a group that is not a layer's group, a path, a compound
// path, a text frame, a symbol.
host::Err PassesDefinitionFilter(host::ArtHandle art, bool& out);
// Art whose values count: a fully selected group that is not a layer's group, a path that is
// neither a guide nor a clipping path, a fully selected compound path that is not a clipping
// path, a text frame, a symbol.
host::Err PassesValueFilter(host::ArtHandle art, bool& out);

// True when some top-level layer of the document has selected art.
bool AnyLayerHasSelectedArt();

}  // namespace vx::panel
