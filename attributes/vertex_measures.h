// The Z and M of an imported object's vertices, and the multipoint record its point belongs to,
// kept in the art's own dictionary so that the export can write them back.
#pragma once

#include "shell/host/types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vx::attr {

// One value per anchor of the path, in anchor order (a ring's closing point, which repeats the
// first, included as the file gave it). A point mark holds one of each.
inline constexpr const char* kVertexZKey = "Varnox-ShapeZ";
inline constexpr const char* kVertexMKey = "Varnox-ShapeM";
// The record number shared by the point marks of one multipoint record.
inline constexpr const char* kMultiPointKey = "Varnox-MultiPoint";

// Stores the lists that are not empty; an empty list removes what the art held.
host::Err StoreVertexMeasures(host::ArtHandle art, std::span<const double> z, std::span<const double> m);
// False (lists empty) when the art holds neither.
bool LoadVertexMeasures(host::ArtHandle art, std::vector<double>& z, std::vector<double>& m);
// Whether the art holds a list of either kind (cheaper than loading them).
bool HasVertexMeasures(host::ArtHandle art, bool& z, bool& m);

host::Err StoreMultiPointRecord(host::ArtHandle art, std::int32_t record);
// False when the art is no point of a multipoint record.
bool LoadMultiPointRecord(host::ArtHandle art, std::int32_t& record);

}  // namespace vx::attr
