#include "host/svg.h"
#include "shell/text/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vx::host {
namespace {

void Num(std::string& out, double v) {
  char buf[32];
  if (!std::isfinite(v)) v = 0;
  // Three decimals are a thousandth of a point: finer than any screen shows.
  auto r = std::to_chars(buf, buf + sizeof buf, std::round(v * 1000) / 1000, std::chars_format::general, 10);
  out.append(buf, r.ptr);
}

std::string Hex2(double x) {
  if (!std::isfinite(x)) x = 0;
  const int v = static_cast<int>(std::lround(std::clamp(x, 0.0, 1.0) * 255));
  static const char* d = "0123456789abcdef";
  return {d[v >> 4], d[v & 15]};
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char ch : s) {
    switch (ch) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\t': case '\n': case '\r': out += ' '; break;
      default:
        // Other control characters are not allowed in XML at all.
        if (static_cast<unsigned char>(ch) < 0x20) out += "\xEF\xBF\xBD";
        else out += ch;
    }
  }
  return out;
}

bool Drawable(const ArtOpaque* a) { return a->alive && !(a->flags & kArtHidden); }

class Renderer {
 public:
  Renderer(const Document& d, const SvgOptions& o) : doc_(d), options_(o) {
    if (options_.marks) {
      const auto pre = d.PreorderLayers();
      for (std::size_t i = 0; i < pre.size(); ++i) layerIndex_.emplace_back(pre[i], i);
    }
  }

  std::string Run() {
    const RealRect& b = doc_.bounds;
    const double w = b.right - b.left, h = b.top - b.bottom;
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"";
    Num(out_, b.left);
    out_ += ' ';
    Num(out_, -b.top);
    out_ += ' ';
    Num(out_, w);
    out_ += ' ';
    Num(out_, h);
    out_ += "\" width=\"";
    Num(out_, w);
    out_ += "\" height=\"";
    Num(out_, h);
    out_ += "\" font-family=\"";
    out_ += Escape(kSvgFontFamily);
    out_ += "\">\n";
    Rect(b);
    out_ += " fill=\"#ffffff\" stroke=\"#999999\" stroke-width=\"0.5\"/>\n";
    // SVG paints later elements on top, the document lists the topmost first: walk bottom up.
    for (auto it = doc_.layers.rbegin(); it != doc_.layers.rend(); ++it) Layer(*it);
    out_ += "</svg>\n";
    return std::move(out_);
  }

 private:
  // Opens a <rect> of document rectangle r (v up, so its top is the SVG y).
  void Rect(const RealRect& r) {
    out_ += "<rect x=\"";
    Num(out_, r.left);
    out_ += "\" y=\"";
    Num(out_, -r.top);
    out_ += "\" width=\"";
    Num(out_, r.right - r.left);
    out_ += "\" height=\"";
    Num(out_, r.top - r.bottom);
    out_ += "\"";
  }

  void Layer(const LayerOpaque* l) {
    if (!l->visible) return;
    out_ += "<g data-layer=\"" + Escape(l->title) + "\"";
    if (options_.marks) {
      for (const auto& [layer, i] : layerIndex_)
        if (layer == l) out_ += " data-layer-index=\"" + std::to_string(i) + "\"";
    }
    out_ += ">\n";
    Children(l->group, true);
    out_ += "</g>\n";
  }

  void Children(const ArtOpaque* a, bool layerTop = false) {
    std::vector<const ArtOpaque*> kids;
    for (const ArtOpaque* c = a->firstChild; c; c = c->next)
      if (c->alive) kids.push_back(c);
    // Top-level art is numbered as a person counts it: topmost first, sublayers left out.
    std::vector<std::int64_t> number(kids.size(), -1);
    if (layerTop && options_.marks) {
      std::int64_t n = 0;
      for (std::size_t i = 0; i < kids.size(); ++i)
        if (!kids[i]->layerOfGroup) number[i] = n++;
    }
    for (std::size_t k = kids.size(); k-- > 0;) {
      mark_ = number[k];
      Art(kids[k]);
    }
    mark_ = -1;
  }

  // The marks of the element being opened, once.
  void Mark(const ArtOpaque* a) {
    if (mark_ < 0) return;
    out_ += " data-art=\"" + std::to_string(mark_) + "\"";
    if (a->flags & kArtSelected) out_ += " class=\"sel\"";
    mark_ = -1;
  }

  void PathData(const ArtOpaque* p) {
    const auto& s = p->segments;
    if (s.empty()) return;
    out_ += 'M';
    Pt(s[0].p);
    for (std::size_t i = 1; i <= s.size(); ++i) {
      if (i == s.size() && !p->closed) break;
      const PathSegment& a = s[i - 1];
      const PathSegment& b = s[i % s.size()];
      if (a.out == a.p && b.in == b.p) {
        out_ += 'L';
      } else {
        out_ += 'C';
        Pt(a.out);
        out_ += ' ';
        Pt(b.in);
        out_ += ' ';
      }
      Pt(b.p);
    }
    if (p->closed) out_ += 'Z';
  }

  void Pt(const RealPoint& p) {
    Num(out_, p.h);
    out_ += ',';
    Num(out_, -p.v);
  }

  void Style(const PathStyle& s, double opacity) {
    out_ += " fill=\"" + (s.fillPaint ? CssColor(s.fill.color) : std::string("none")) + "\"";
    if (s.evenOdd) out_ += " fill-rule=\"evenodd\"";
    out_ += " stroke=\"" + (s.strokePaint ? CssColor(s.stroke.color) : std::string("none")) + "\"";
    if (s.strokePaint) {
      out_ += " stroke-width=\"";
      Num(out_, s.stroke.width);
      out_ += "\"";
      static const char* caps[] = {"butt", "round", "square"};
      static const char* joins[] = {"miter", "round", "bevel"};
      out_ += std::string(" stroke-linecap=\"") + caps[static_cast<int>(s.stroke.cap)] + "\"";
      out_ += std::string(" stroke-linejoin=\"") + joins[static_cast<int>(s.stroke.join)] + "\"";
      if (s.stroke.join == LineJoin::Miter && s.stroke.miterLimit != 4) {
        out_ += " stroke-miterlimit=\"";
        Num(out_, std::max(1.0, s.stroke.miterLimit));
        out_ += "\"";
      }
      if (s.stroke.dashCount > 0) {
        out_ += " stroke-dasharray=\"";
        for (int i = 0; i < s.stroke.dashCount; ++i) {
          if (i) out_ += ' ';
          Num(out_, s.stroke.dashes[static_cast<std::size_t>(i)]);
        }
        out_ += "\"";
        if (s.stroke.dashOffset != 0) {
          out_ += " stroke-dashoffset=\"";
          Num(out_, s.stroke.dashOffset);
          out_ += "\"";
        }
      }
    }
    if (opacity < 1) {
      out_ += " opacity=\"";
      Num(out_, opacity);
      out_ += "\"";
    }
  }

  void Art(const ArtOpaque* a) {
    if (a->flags & kArtHidden) return;
    if (a->layerOfGroup) {
      Layer(a->layerOfGroup);
      return;
    }
    switch (a->type) {
      case ArtType::Group:
        out_ += "<g";
        Mark(a);
        if (a->opacity < 1) {
          out_ += " opacity=\"";
          Num(out_, a->opacity);
          out_ += "\"";
        }
        out_ += ">\n";
        Children(a);
        out_ += "</g>\n";
        break;
      case ArtType::Path:
        if (a->guide || a->segments.empty()) return;
        out_ += "<path";
        Mark(a);
        out_ += " d=\"";
        PathData(a);
        out_ += "\"";
        Style(a->style, a->opacity);
        out_ += "/>\n";
        break;
      case ArtType::CompoundPath: {
        // One SVG path, so that the fill rule makes the holes.
        std::vector<const ArtOpaque*> parts;
        CompoundParts(a, parts);
        if (parts.empty()) return;
        out_ += "<path";
        Mark(a);
        out_ += " d=\"";
        for (const ArtOpaque* c : parts) PathData(c);
        out_ += "\"";
        Style(CompoundStyle(a, parts), a->opacity);
        out_ += "/>\n";
        break;
      }
      case ArtType::TextFrame: {
        out_ += "<text";
        Mark(a);
        out_ += " x=\"";
        Num(out_, a->anchor.h);
        out_ += "\" y=\"";
        Num(out_, -a->anchor.v);
        out_ += "\" font-size=\"";
        Num(out_, a->fontSize);
        out_ += "\" fill=\"" + CssColor(a->textFill) + "\"";
        if (a->justification == Justification::Center) out_ += " text-anchor=\"middle\"";
        if (a->justification == Justification::Right) out_ += " text-anchor=\"end\"";
        out_ += ">" + Escape(text::Utf16ToUtf8(a->text)) + "</text>\n";
        break;
      }
      case ArtType::Symbol:
        Rect(a->symbolBounds);
        Mark(a);
        out_ += " fill=\"none\" stroke=\"#888888\" stroke-dasharray=\"2 2\"/>\n";
        break;
      default:
        break;
    }
  }

  const Document& doc_;
  const SvgOptions options_;
  std::vector<std::pair<const LayerOpaque*, std::size_t>> layerIndex_;
  std::int64_t mark_ = -1;
  std::string out_;
};

}  // namespace

// CMYK shown as RGB the simple way: r = (1 - c)(1 - k) and so on.
std::string CssColor(const Color& c) {
  double r = 0, g = 0, b = 0;
  switch (c.kind) {
    case ColorKind::None: return "none";
    case ColorKind::Gray: r = g = b = 1 - c.gray; break;
    case ColorKind::Cmyk:
      r = (1 - c.c) * (1 - c.k);
      g = (1 - c.m) * (1 - c.k);
      b = (1 - c.y) * (1 - c.k);
      break;
    case ColorKind::Rgb: r = c.r, g = c.g, b = c.b; break;
  }
  return "#" + Hex2(r) + Hex2(g) + Hex2(b);
}

// The paths of a compound path, groups inside it included, top to bottom.
void CompoundParts(const ArtOpaque* a, std::vector<const ArtOpaque*>& out) {
  for (const ArtOpaque* c = a->firstChild; c; c = c->next) {
    if (!Drawable(c)) continue;
    if (c->type == ArtType::Path && !c->guide && !c->segments.empty()) out.push_back(c);
    if (c->type == ArtType::Group || c->type == ArtType::CompoundPath) CompoundParts(c, out);
  }
}

// All parts show one paint. The import paints the paths before it gathers them, leaving the
// compound path's own style as new; a style set on the compound path itself shows while its parts
// still have the new-art paint.
const PathStyle& CompoundStyle(const ArtOpaque* a, const std::vector<const ArtOpaque*>& parts) {
  if (parts.empty()) return a->style;
  const PathStyle& part = parts.front()->style;
  return part == NewArtStyle() ? a->style : part;
}

std::string RenderSvg(const Document& doc, const SvgOptions& options) { return Renderer(doc, options).Run(); }

}  // namespace vx::host
