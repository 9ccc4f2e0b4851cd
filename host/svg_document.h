// Inkscape SVG documents in the stand-in host (docs/inkscape.md).
//
// A loaded SVG keeps its parsed XML tree beside the host document, each art and layer bound to its
// element; long path data and dictionaries stay in the file, which is kept open, and are read from
// it again when needed. Saving writes that tree back, changing only the elements of art the plug-in changed,
// added or removed, so that everything the host does not understand comes back as it was.
#pragma once

#include "host/document.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vx::host {

// Our XML namespace: art dictionaries, tags and exact colours live in it.
inline constexpr const char* kSvgNamespace = "urn:vxshape:svg:1";

// True for a name ending in ".svg" (any case): such documents are read and written as SVG.
bool IsSvgFile(const std::filesystem::path& file);

// Loads an SVG document; nullptr with "FILE: line N: reason" when it is damaged or hostile.
std::unique_ptr<Document> ReadSvgDocument(const std::filesystem::path& file, std::string& error);
// As ReadSvgDocument from bytes in memory; `name` names them in messages.
std::unique_ptr<Document> ParseSvgDocument(std::string bytes, const std::string& name, std::string& error);

// The document as SVG text: the tree it was loaded from with the host's changes, or a new
// Inkscape document when it was not loaded from SVG. Throws std::runtime_error when it cannot be
// written (a number that is not finite, or the file it was loaded from, whose large path data and
// dictionaries are read again, was rewritten since).
std::string SvgDocumentText(const Document& doc);
// Saves through a temporary file and a rename; on failure `error` says why in one line.
bool WriteSvgDocument(const Document& doc, const std::filesystem::path& file, std::string& error);

}  // namespace vx::host
