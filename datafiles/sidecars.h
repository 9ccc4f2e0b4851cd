// The files beside a shapefile that say how to read it: the ".prj" that describes its coordinate
// system in WKT and the ".cpg" that names its table's code page (else the table's language
// driver byte). Both are read and written here, so what the export writes the import reads.
#pragma once

#include "shell/text/text.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vx::data {

using text::TextEncoding;

// ---------------------------------------------------------------------------------------------
// Code pages

// What a shapefile declares about its table's text.
struct DeclaredEncoding {
  enum class Source { None, Cpg, LanguageDriver };
  Source source = Source::None;
  // The encoding declared, when it is one the import reads; empty when nothing is declared or
  // the declared code page is not one of ours.
  std::optional<TextEncoding> encoding;
  std::string reason;  // where it was read, or why nothing could be told (UTF-8, English)
  std::string declared;  // the declaration as written ("ISO-8859-1", "language driver 0x57")
};

// The code page named by a ".cpg" text, as GDAL reads it: "UTF-8"/"UTF8"/"65001";
// "932"/"CP932"/"SJIS"/"Shift_JIS"/"ANSI 932"/"windows-31j"; "ISO-8859-1"/"88591"/"8859_1"/
// "LATIN1"/"28591"; "1252"/"CP1252"/"windows-1252"/"ANSI 1252"; "EUC-JP"/"EUCJP"/"20932"/"51932"
// (letter case, spaces, '-' and '_' do not matter). Empty for any other.
std::optional<TextEncoding> EncodingFromCpg(std::string_view text);
// The code page a table's language driver byte names, as GDAL maps it (0x13 and 0x7B are 932;
// 0x03, 0x58 and 0x59 are 1252; 0x57 is ISO-8859-1). `codePage` receives the Windows code page
// number named (0 when the byte names none), also for those we do not read.
std::optional<TextEncoding> EncodingFromLanguageDriver(std::uint8_t driver, int& codePage);
// The ".cpg" beside `shp`, else the table's language driver byte.
DeclaredEncoding ReadDeclaredEncoding(const std::filesystem::path& shp);
// True when the table's column names and rows (the first 8 MiB) are valid UTF-8 with some byte
// above ASCII: a table that declares nothing but plainly is UTF-8.
bool TableLooksUtf8(const std::filesystem::path& shp);
// The ".cpg" text for an encoding: "UTF-8", "932", "ISO-8859-1", "1252", "EUC-JP".
std::string CpgText(TextEncoding encoding);

// ---------------------------------------------------------------------------------------------
// Coordinate systems, in the terms of the coordinate dialogs: datum 1 Tokyo, 2 JGD2000; kind 1
// latitude/longitude (degrees), 2 UTM (utmZone 1-60, north), 3 plane rectangular (zone 1-19).

struct SidecarSystem {
  std::int32_t datum = 0;
  std::int32_t kind = 0;
  std::int32_t zone = 0;
  std::int32_t utmZone = 0;
  bool operator==(const SidecarSystem&) const = default;
};

struct SystemGuess {
  bool known = false;
  SidecarSystem system;
  std::string reason;  // where it was read, or why nothing could be told
  std::string note;    // a caveat the user should hear (a datum read as JGD2000), else empty
};

// The ESRI-style WKT of a system (empty for any combination outside the terms above).
std::string SystemWkt(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utmZone);
// The system a ".prj" WKT text describes (WKT 1 as GDAL and ESRI write it, WKT 2).
SystemGuess SystemFromWkt(std::string_view wkt);
// The ".prj" beside `shp`.
SystemGuess ReadSystem(const std::filesystem::path& shp);

// ---------------------------------------------------------------------------------------------
// Writing

// Writes `shp`'s ".prj" (when SystemWkt gives one) and ".cpg" as they are: `shp` lies in a
// private folder whose whole set is put in place by renames (as the export does). False with the
// reason in `error`.
bool WriteSidecars(const std::filesystem::path& shp, std::int32_t datum, std::int32_t kind, std::int32_t zone,
                   std::int32_t utmZone, TextEncoding encoding, std::string& error);

}  // namespace vx::data
