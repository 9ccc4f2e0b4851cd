// What a person reads beside a shapefile before importing it: the ".cpg" file that names the
// table's code page and the ".prj" file that describes the coordinate system in WKT. Only the
// command line reads them; the plug-in's dialogs keep their own defaults.
#pragma once

#include "cli/systems.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vx::cli {

enum class SidecarEncoding { Unknown, ShiftJis, Utf8 };

struct EncodingGuess {
  SidecarEncoding encoding = SidecarEncoding::Unknown;
  std::string reason;  // where it was read, or why nothing could be told
};

struct SystemGuess {
  bool known = false;
  CoordSystem system;
  std::string reason;  // where it was read, or why nothing could be told
  std::string note;    // a caveat the user should hear (a datum read as JGD2000), else empty
};

// The code page named by a ".cpg" text ("UTF-8", "932", "CP932", "SHIFT_JIS", "ANSI 932", ...).
SidecarEncoding EncodingFromCpg(std::string_view text);
// The ".cpg" beside `shp`, else the table's language driver byte.
EncodingGuess GuessEncoding(const std::filesystem::path& shp);

// The system a ".prj" WKT text describes (WKT 1 as GDAL and ESRI write it, WKT 2).
SystemGuess SystemFromWkt(std::string_view wkt);
// The ".prj" beside `shp`.
SystemGuess GuessSystem(const std::filesystem::path& shp);

}  // namespace vx::cli
