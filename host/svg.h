// SVG rendering of a document: the artboard, visible layers in stacking order, paths, compound
// paths and point texts, north up.
#pragma once

#include "host/document.h"

#include <string>

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

// A colour as CSS "#rrggbb" ("none" for no colour); CMYK the simple way: r = (1 - c)(1 - k).
std::string SvgColor(const Color& c);

std::string RenderSvg(const Document& doc, const SvgOptions& options = {});

}  // namespace vx::host
