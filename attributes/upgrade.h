// Upgrade of attributes kept in the older form: one "string" tag per field on the art, named
// VxShapeTag<n>, holding name|type letter|width|decimals|value in Shift-JIS. The upgrade adds
// those fields to the art's attribute list and leaves the tags in place.
#pragma once

#include "attributes/dbf_types.h"
#include "shell/host/types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::attr {

inline constexpr const char* kOldTagName = "VxShapeTag";

// One old-format field as read from its tag.
struct OldTagField {
  DbfFieldDesc desc;  // name (at most 11 bytes), type letter ('\0' when none), width, decimals
  std::string value;  // Shift-JIS bytes: everything after the fourth bar
  std::int32_t number = 0;  // the number after "VxShapeTag"; not used further
};

// False unless the name holds "VxShapeTag" and the value holds at least four bars.
bool ParseOldTag(std::string_view name, std::string_view value, OldTagField& out);

// Adds the fields of every old-format tag of `art` to its attribute list; fields already there
// keep their values.
host::Err UpgradeArtTags(host::ArtHandle art);

// Counts the art of every layer (in pre-order) and tells whether any holds an old-format tag.
// kStop when the user cancels.
host::Err ScanOldAttributes(bool& found, std::int32_t& count);

// The command: scan, upgrade every object with old-format tags, tell the user. True when the
// upgrade ran to its end.
bool UpgradeOldAttributes();

}  // namespace vx::attr
