// SVG rendering of a document: the artboard, visible layers in stacking order, paths, compound
// paths and point texts, north up.
#pragma once

#include "host/document.h"

#include <string>
#include <string_view>
#include <vector>

namespace vx::host {

// The family the text is drawn in: a Japanese face first, so that labels read on any machine that
// has one installed (Debian: fonts-noto-cjk).
inline constexpr const char* kSvgFontFamily = "'Noto Sans CJK JP', 'Noto Sans JP', 'IPAGothic', sans-serif";

struct SvgOptions {
  // Marks each layer's group with its position in pre-order (data-layer-index) and each
  // top-level art with its position in its layer, topmost 0 (data-art), and selected art with
  // class "sel": what a page needs to select art by clicking it.
  bool marks = false;
};

std::string RenderSvg(const Document& doc, const SvgOptions& options = {});

// `xml` with every character XML cannot hold (U+FFFE, U+FFFF, control characters, bytes that are
// not UTF-8) replaced by U+FFFD, so that a document of any texts stays well-formed.
std::string XmlCharsOnly(const std::string& xml);
// As XmlCharsOnly, appended to `out`. A piece whose neighbours in the whole are ASCII characters
// (or nothing) comes out as it would within the whole.
void AppendXmlChars(std::string& out, std::string_view s);

// What the renderer draws, for other drawers of the sheet (the browser page):
// a colour as CSS ("#rrggbb", "none"); CMYK shown as RGB the simple way.
std::string CssColor(const Color& c);
// The drawn paths of a compound path, groups inside it included, top to bottom.
void CompoundParts(const ArtOpaque* a, std::vector<const ArtOpaque*>& out);
// The paint a compound path shows, given its parts: theirs, unless they still have the new-art
// paint (or there are none).
const PathStyle& CompoundStyle(const ArtOpaque* a, const std::vector<const ArtOpaque*>& parts);

}  // namespace vx::host
