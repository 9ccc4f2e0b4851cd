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

// The length of the UTF-8 sequence at `i` of a character XML can hold, or 0: bytes that are not
// UTF-8, control characters, surrogates and U+FFFE/U+FFFF cannot appear in an XML document at all.
std::size_t XmlCharLength(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
  const unsigned c = b(i);
  if (c < 0x80) return c >= 0x20 ? 1 : 0;
  const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (n == 0 || c > 0xF4) return 0;
  std::uint32_t cp = c & (0x7Fu >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;
  return n;
}

// XML's own characters escaped (`markup`), tabs and line breaks made spaces then, and every
// character XML cannot hold replaced by U+FFFD.
void AppendXmlText(std::string& out, std::string_view s, bool markup) {
  // Runs of printable ASCII that need no escape go over whole: a saved document is mostly that.
  auto plain = [markup](char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x80) return !(markup && (c == '<' || c == '>' || c == '&' || c == '"'));
    return !markup && (c == '\t' || c == '\n' || c == '\r');
  };
  for (std::size_t i = 0; i < s.size();) {
    std::size_t run = i;
    while (run < s.size() && plain(s[run])) ++run;
    if (run > i) {
      out.append(s.data() + i, run - i);
      i = run;
      continue;
    }
    const char ch = s[i];
    const char* entity = !markup ? nullptr
                         : ch == '<' ? "&lt;" : ch == '>' ? "&gt;" : ch == '&' ? "&amp;" : ch == '"' ? "&quot;"
                         : ch == '\t' || ch == '\n' || ch == '\r' ? " " : nullptr;
    const bool space = ch == '\t' || ch == '\n' || ch == '\r';
    if (entity || space) {
      out += entity ? entity : std::string(1, ch);
      ++i;
      continue;
    }
    if (const std::size_t n = XmlCharLength(s, i)) {
      out.append(s.data() + i, n);
      i += n;
      continue;
    }
    out += "\xEF\xBF\xBD";  // U+FFFD for what XML cannot hold
    // A broken sequence is replaced one byte at a time; a whole character at once.
    const auto c = static_cast<unsigned char>(ch);
    std::size_t skip = 1;
    if (c >= 0xE0 && c < 0xF0 && i + 2 < s.size() && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) skip = 3;
    if (c >= 0xF0 && c < 0xF5 && i + 3 < s.size() && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
        (s[i + 3] & 0xC0) == 0x80)
      skip = 4;
    i += skip;
  }
}

std::string XmlText(const std::string& s, bool markup) {
  std::string out;
  out.reserve(s.size());
  AppendXmlText(out, s, markup);
  return out;
}

std::string Escape(const std::string& s) { return XmlText(s, true); }

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
        Num(out_, a->Extra().anchor.h);
        out_ += "\" y=\"";
        Num(out_, -a->Extra().anchor.v);
        out_ += "\" font-size=\"";
        Num(out_, a->Extra().fontSize);
        out_ += "\" fill=\"" + CssColor(a->Extra().textFill) + "\"";
        if (a->Extra().justification == Justification::Center) out_ += " text-anchor=\"middle\"";
        if (a->Extra().justification == Justification::Right) out_ += " text-anchor=\"end\"";
        out_ += ">" + Escape(text::Utf16ToUtf8(a->Extra().text)) + "</text>\n";
        break;
      }
      case ArtType::Symbol:
        Rect(a->Extra().symbolBounds);
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
  return part == NewArtStyle() ? a->style.get() : part;
}

std::string RenderSvg(const Document& doc, const SvgOptions& options) { return Renderer(doc, options).Run(); }

std::string XmlCharsOnly(const std::string& xml) { return XmlText(xml, false); }

void AppendXmlChars(std::string& out, std::string_view s) { AppendXmlText(out, s, false); }

}  // namespace vx::host
