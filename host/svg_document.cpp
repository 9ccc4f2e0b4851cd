#include "host/svg_document.h"

#include "host/atomic_file.h"
#include "host/document_lexer.h"
#include "host/impl.h"
#include "host/svg.h"
#include "host/svg_path.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"
#include "shell/text/text.h"

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <sys/stat.h>
#include <sys/types.h>

namespace vx::host {

namespace {

using svg::Affine;
using json = nlohmann::json;

constexpr int kMaxDepth = 1000;                                       // element nesting
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 31;           // 2 GiB
constexpr std::size_t kMaxAttributeBytes = std::size_t{256} << 20;    // one attribute value
constexpr std::size_t kMaxDataNesting = 1000;                         // arrays and dictionaries
constexpr const char* kInkscapeNs = "http://www.inkscape.org/namespaces/inkscape";
constexpr const char* kSodipodiNs = "http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd";
constexpr double kLineHeight = 1.25;  // of the font size, between lines of a text

// ----- hashing of what an art shows, to tell changed art from unchanged

class Hash {
 public:
  void Bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ b[i]) * 0x100000001b3ULL;
  }
  void Word(std::uint64_t w) { h_ = (h_ ^ w) * 0x9E3779B97F4A7C15ULL + (h_ >> 29); }
  void Num(double v) {
    std::uint64_t w;
    std::memcpy(&w, &v, sizeof w);
    Word(w);
  }
  void Pt(const RealPoint& p) {
    Num(p.h);
    Num(p.v);
  }
  void Text(std::string_view s) {
    Word(s.size());
    Bytes(s.data(), s.size());
  }
  std::uint64_t Value() const { return h_; }

 private:
  std::uint64_t h_ = 0xcbf29ce484222325ULL;
};

// ----- art data as JSON in our namespace

bool EmptyDict(const Dictionary* d) {
  if (!d) return true;
  if (const auto* impl = dynamic_cast<const DictionaryImpl*>(d)) return impl->Entries().empty();
  return d->Keys().empty();
}

// Written straight to text, as a general JSON library would print it: keys in byte order,
// strings escaped the same way (\b and \f by name, unlike a .vxd). A drawing has one dictionary
// per art; building a JSON tree for each cost more than its text.
void JsonString(std::string& out, std::string_view s) {
  out += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t run = i;
    while (run < s.size() && static_cast<unsigned char>(s[run]) >= 0x20 && s[run] != '"' && s[run] != '\\') ++run;
    out.append(s.data() + i, run - i);
    if (run == s.size()) break;
    const auto c = static_cast<unsigned char>(s[run]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      default: {
        static const char* hex = "0123456789abcdef";
        const char u[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
        out.append(u, sizeof u);
      }
    }
    i = run + 1;
  }
  out += '"';
}

// The shortest digits that read back exactly, laid out as the JSON library did: fixed with ".0"
// up to 15 integer digits, down to 0.0001, else 1.5e+20.
void JsonReal(std::string& out, double v) {
  if (v == 0) {
    out += std::signbit(v) ? "-0.0" : "0.0";
    return;
  }
  char buf[40];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
  if (sci.front() == '-') {
    out += '-';
    sci.remove_prefix(1);
  }
  const std::size_t e = sci.find('e');
  char digits[24];
  int k = 0;
  for (char c : sci.substr(0, e))
    if (c != '.') digits[k++] = c;
  int x10 = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), x10);
  const int n = x10 + 1;  // where the point goes: after n digits
  if (k <= n && n <= 15) {
    out.append(digits, static_cast<std::size_t>(k));
    out.append(static_cast<std::size_t>(n - k), '0');
    out += ".0";
  } else if (0 < n && n <= 15) {
    out.append(digits, static_cast<std::size_t>(n));
    out += '.';
    out.append(digits + n, static_cast<std::size_t>(k - n));
  } else if (-4 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out.append(digits, static_cast<std::size_t>(k));
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out.append(digits + 1, static_cast<std::size_t>(k - 1));
    }
    const int x = n - 1;
    out += x < 0 ? "e-" : "e+";
    const int a = std::abs(x);
    if (a < 10) out += '0';
    out += std::to_string(a);
  }
}

void AppendDictJson(std::string& out, const Dictionary& d, std::size_t depth);

void AppendEntryJson(std::string& out, const Entry& e, std::size_t depth) {
  switch (e.Type()) {
    case EntryType::Integer: {
      std::int32_t v = 0;
      e.AsInteger(v);
      out += "{\"int\":";
      out += std::to_string(v);
      break;
    }
    case EntryType::Boolean: {
      bool v = false;
      e.AsBoolean(v);
      out += v ? "{\"bool\":true" : "{\"bool\":false";
      break;
    }
    case EntryType::Real: {
      double v = 0;
      e.AsReal(v);
      if (!std::isfinite(v)) throw std::runtime_error("a number that is not finite in an art's dictionary");
      out += "{\"real\":";
      JsonReal(out, v);
      break;
    }
    case EntryType::String: {
      std::string v;
      e.AsString(v);
      if (ValidUtf8(v)) {
        out += "{\"string\":";
        JsonString(out, v);
      } else {
        out += "{\"stringHex\":";
        JsonString(out, Hex(v));
      }
      break;
    }
    case EntryType::Array: {
      ArrayRef a;
      e.AsArray(a);
      if (depth > kMaxDataNesting) throw std::runtime_error("arrays nested deeper than 1000 levels (or holding themselves)");
      out += "{\"array\":[";
      bool first = true;
      if (a)
        ForEachEntry(*a, [&](const std::string*, const Entry& x) {
          if (!first) out += ',';
          first = false;
          AppendEntryJson(out, x, depth + 1);
        });
      out += ']';
      break;
    }
    case EntryType::Dictionary: {
      DictionaryRef d;
      e.AsDictionary(d);
      out += "{\"dict\":";
      if (d) AppendDictJson(out, *d, depth + 1);
      else out += "{}";
      break;
    }
  }
  out += '}';
}

void AppendDictJson(std::string& out, const Dictionary& d, std::size_t depth) {
  if (depth > kMaxDataNesting) throw std::runtime_error("dictionaries nested deeper than 1000 levels (or holding themselves)");
  // Keys that are not UTF-8 are written as "hex:…", which moves them in the byte order; the
  // later of two keys that come out alike wins.
  bool hex = false;
  ForEachEntry(d, [&](const std::string* k, const Entry&) { hex = hex || !ValidUtf8(*k); });
  out += '{';
  bool first = true;
  auto member = [&](std::string_view k, const Entry& e) {
    if (!first) out += ',';
    first = false;
    JsonString(out, k);
    out += ':';
    AppendEntryJson(out, e, depth + 1);
  };
  if (!hex) {
    ForEachEntry(d, [&](const std::string* k, const Entry& e) { member(*k, e); });
  } else {
    std::vector<std::pair<std::string, Entry>> items;
    ForEachEntry(d, [&](const std::string* k, const Entry& e) { items.emplace_back(ValidUtf8(*k) ? *k : "hex:" + Hex(*k), e); });
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < items.size(); ++i)
      if (i + 1 == items.size() || items[i + 1].first != items[i].first) member(items[i].first, items[i].second);
  }
  out += '}';
}

std::string TagsText(const std::vector<ArtExtra::Tag>& tags) {
  if (tags.empty()) return "";
  json a = json::array();
  for (const auto& t : tags) a.push_back({{"name", t.name}, {"type", t.type}, {"value", t.value}});
  return a.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Unhex(const std::string& s) {
  if (s.size() % 2) throw std::runtime_error("odd number of hex digits");
  std::string out;
  auto v = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::runtime_error("not a hex digit");
  };
  for (std::size_t i = 0; i < s.size(); i += 2) out += static_cast<char>(v(s[i]) * 16 + v(s[i + 1]));
  return out;
}

// Read with the document lexer: a drawing carries one dictionary per art, and a general JSON
// library's tree costs more than the rest of the art's reading.
Entry EntryFrom(const docfile::Node& j);

DictionaryRef DictFrom(const docfile::Node& o) {
  if (o.kind != docfile::Node::Kind::Object) throw std::runtime_error("a dictionary must be an object");
  auto d = std::make_shared<DictionaryImpl>();
  d->Reserve(o.members.size());
  for (const auto& [k, v] : o.members) d->Set(k.rfind("hex:", 0) == 0 ? Unhex(k.substr(4)) : k, EntryFrom(v));
  return d;
}

Entry EntryFrom(const docfile::Node& j) {
  using Kind = docfile::Node::Kind;
  if (j.kind != Kind::Object || j.members.size() != 1) throw std::runtime_error("an entry must be an object of one member");
  const auto& [k, v] = j.members.front();
  if (k == "int" && v.kind == Kind::Number && v.num == std::trunc(v.num)) {
    if (!(v.num >= INT32_MIN && v.num <= INT32_MAX)) throw std::runtime_error("integer out of range");
    return Entry::Integer(static_cast<std::int32_t>(v.num));
  }
  if (k == "bool" && v.kind == Kind::Bool) return Entry::Boolean(v.b);
  if (k == "real" && v.kind == Kind::Number) return Entry::Real(v.num);
  if (k == "string" && v.kind == Kind::String) return Entry::String(v.str);
  if (k == "stringHex" && v.kind == Kind::String) return Entry::String(Unhex(v.str));
  if (k == "array" && v.kind == Kind::Array) {
    if (!v.nums.empty()) throw std::runtime_error("an entry must be an object of one member");
    auto a = std::make_shared<ArrayImpl>();
    a->Reserve(v.items.size());
    for (const auto& x : v.items) a->Append(EntryFrom(x));
    return Entry::FromArray(a);
  }
  if (k == "dict") return Entry::FromDictionary(DictFrom(v));
  throw std::runtime_error("unknown entry \"" + k + "\"");
}

// Refuses JSON nested deeper than the reader may recurse.
bool ShallowJson(std::string_view s) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > 2 * kMaxDataNesting + 4) return false;
    } else if ((c == ']' || c == '}') && depth) {
      --depth;
    }
  }
  return true;
}

// ----- style declarations

class StyleDecl {
 public:
  explicit StyleDecl(std::string_view s) {
    while (!s.empty()) {
      const std::size_t semi = s.find(';');
      std::string_view item = s.substr(0, semi);
      s = semi == std::string_view::npos ? std::string_view{} : s.substr(semi + 1);
      const std::size_t colon = item.find(':');
      if (colon == std::string_view::npos) continue;
      items_.emplace_back(Trim(item.substr(0, colon)), Trim(item.substr(colon + 1)));
    }
  }
  const std::string* Get(std::string_view k) const {
    for (const auto& [key, v] : items_)
      if (key == k) return &v;
    return nullptr;
  }
  void Set(std::string_view k, std::string v) {
    for (auto& [key, val] : items_)
      if (key == k) {
        val = std::move(v);
        return;
      }
    items_.emplace_back(std::string(k), std::move(v));
  }
  std::string Text() const {
    std::string s;
    for (const auto& [k, v] : items_) {
      if (!s.empty()) s += ';';
      s += k + ':' + v;
    }
    return s;
  }
  const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }

 private:
  static std::string Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return std::string(s);
  }
  std::vector<std::pair<std::string, std::string>> items_;
};

// Properties an element's paint depends on, after the cascade.
enum Prop {
  kFill, kFillRule, kStroke, kStrokeWidth, kLineCap, kLineJoin, kMiterLimit, kDashArray, kDashOffset, kFontSize,
  kTextAnchor, kWritingMode, kColor, kVisibility, kPropCount
};
constexpr const char* kPropNames[kPropCount] = {
    "fill", "fill-rule", "stroke", "stroke-width", "stroke-linecap", "stroke-linejoin", "stroke-miterlimit",
    "stroke-dasharray", "stroke-dashoffset", "font-size", "text-anchor", "writing-mode", "color", "visibility"};

struct Computed {
  std::string v[kPropCount] = {"black", "nonzero", "none", "1", "butt", "miter", "4", "none", "0", "16", "start",
                               "lr-tb", "black", "visible"};
  double opacity = 1;  // the element's own
  bool displayNone = false;
};

Computed Cascade(const pugi::xml_node& el, const Computed& parent) {
  Computed c = parent;
  c.opacity = 1;
  c.displayNone = false;
  auto apply = [&](std::string_view name, const std::string& value) {
    if (value == "inherit") return;
    for (int i = 0; i < kPropCount; ++i)
      if (name == kPropNames[i]) c.v[i] = value;
    if (name == "opacity") c.opacity = std::clamp(std::atof(value.c_str()), 0.0, 1.0);
    if (name == "display") c.displayNone = value == "none";
  };
  for (const auto& a : el.attributes()) {
    const std::string_view n = a.name();
    if (n != "style") apply(n, a.value());
  }
  if (auto s = el.attribute("style")) {
    StyleDecl d(s.value());
    for (const auto& [k, v] : d.Items()) apply(k, v);
  }
  return c;
}

bool ParseColor(std::string_view s, const std::string& currentColor, Color& out, bool& paint) {
  paint = true;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  // A paint server with a fallback colour: the fallback stands for it.
  if (s.rfind("url(", 0) == 0) {
    const std::size_t close = s.find(')');
    std::string_view rest = close == std::string_view::npos ? std::string_view{} : s.substr(close + 1);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty()) {
      out = Color::Rgb(0, 0, 0);
      return true;
    }
    s = rest;
  }
  if (s == "none") {
    paint = false;
    return true;
  }
  if (s == "currentColor") return ParseColor(currentColor, "black", out, paint);
  auto hex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (!s.empty() && s[0] == '#') {
    int v[6];
    const std::size_t n = s.size() - 1;
    if (n != 3 && n != 6) return false;
    for (std::size_t i = 0; i < n; ++i)
      if ((v[i] = hex(s[i + 1])) < 0) return false;
    if (n == 3) out = Color::Rgb(v[0] * 17 / 255.0, v[1] * 17 / 255.0, v[2] * 17 / 255.0);
    else out = Color::Rgb((v[0] * 16 + v[1]) / 255.0, (v[2] * 16 + v[3]) / 255.0, (v[4] * 16 + v[5]) / 255.0);
    return true;
  }
  if (s.rfind("rgb(", 0) == 0) {
    double c[3];
    std::string inner(s.substr(4));
    for (double& x : c) {
      char* end = nullptr;
      x = std::strtod(inner.c_str(), &end);
      std::string_view rest(end);
      const bool pct = !rest.empty() && rest[0] == '%';
      x = std::clamp(pct ? x / 100 : x / 255, 0.0, 1.0);
      if (pct) rest.remove_prefix(1);
      while (!rest.empty() && (rest[0] == ',' || rest[0] == ' ')) rest.remove_prefix(1);
      inner = std::string(rest);
    }
    out = Color::Rgb(c[0], c[1], c[2]);
    return true;
  }
  static const struct {
    const char* name;
    double r, g, b;
  } kNamed[] = {{"black", 0, 0, 0}, {"white", 1, 1, 1}, {"red", 1, 0, 0}, {"green", 0, 128 / 255.0, 0},
                {"blue", 0, 0, 1}, {"yellow", 1, 1, 0}, {"gray", 128 / 255.0, 128 / 255.0, 128 / 255.0},
                {"grey", 128 / 255.0, 128 / 255.0, 128 / 255.0}, {"cyan", 0, 1, 1}, {"magenta", 1, 0, 1}};
  for (const auto& n : kNamed)
    if (s == n.name) {
      out = Color::Rgb(n.r, n.g, n.b);
      return true;
    }
  return false;
}

// Exact colours the SVG cannot hold: "cmyk C M Y K" or "gray G".
std::string ExactColorText(const Color& c) {
  std::string s;
  auto list = [&](std::initializer_list<double> v) {
    for (double x : v) {
      s += ' ';
      svg::AppendNumber(s, x);
    }
  };
  if (c.kind == ColorKind::Cmyk) {
    s = "cmyk";
    list({c.c, c.m, c.y, c.k});
  } else if (c.kind == ColorKind::Gray) {
    s = "gray";
    list({c.gray});
  }
  return s;
}

bool ParseExactColor(std::string_view s, Color& out) {
  std::string t(s);
  double v[4];
  char extra;
  if (std::sscanf(t.c_str(), "cmyk %lf %lf %lf %lf %c", &v[0], &v[1], &v[2], &v[3], &extra) == 4) {
    out = Color::Cmyk(v[0], v[1], v[2], v[3]);
    return true;
  }
  if (std::sscanf(t.c_str(), "gray %lf %c", &v[0], &extra) == 1) {
    out = Color{};
    out.kind = ColorKind::Gray;
    out.gray = v[0];
    return true;
  }
  return false;
}

std::string LocalName(const char* name) {
  const char* colon = std::strchr(name, ':');
  std::string_view n(name);
  // Elements of the SVG namespace may carry a prefix of their own.
  if (colon && n.substr(0, static_cast<std::size_t>(colon - name)) == "svg") return std::string(colon + 1);
  return std::string(n);
}

enum class Kind { Skip, Layer, Group, Path, Shape, Text, Other };

// ----- what is remembered of each art as loaded or last saved

// The paint as the art shares it (a style is 272 bytes, most art of a drawing has one of a few).
struct SnapStyle {
  SharedStyle shared;
  const PathStyle& get() const { return shared.get(); }
  friend bool operator==(const SnapStyle& a, const SnapStyle& b) { return a.get() == b.get(); }
};

struct Snapshot {
  std::uint64_t geometry = 0, text = 0, dict = 0, tags = 0;
  SnapStyle style;
  std::uint32_t flags = 0;
  double opacity = 1;
  bool guide = false, clip = false;
  std::string title;  // layers
  bool visible = true, editable = true;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

struct Binding {
  pugi::xml_node node;
  Snapshot snap;
  Affine parentCtm;  // user units of the parent element → page
};

void Parts(const ArtOpaque* a, std::vector<const ArtOpaque*>& out, int depth = 0) {
  if (depth > kMaxDepth) return;
  for (const ArtOpaque* c = a->firstChild; c; c = c->next) {
    if (!c->alive) continue;
    if (c->type == ArtType::Path) out.push_back(c);
    else if (c->type == ArtType::Group || c->type == ArtType::CompoundPath) Parts(c, out, depth + 1);
  }
}

void HashSegments(Hash& h, const ArtOpaque* p) {
  h.Word(p->segments.size() * 2 + (p->closed ? 1 : 0));
  if (p->segments.HandleCount() == 0) {
    // Lines only: the handles sit on the anchors.
    const RealPoint* a = p->segments.Anchors();
    h.Word(std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(a), p->segments.size() * sizeof *a)));
    return;
  }
  h.Word(p->segments.HandleCount());
  for (const PathSegment& s : p->segments) {
    h.Pt(s.p);
    h.Pt(s.in);
    h.Pt(s.out);
  }
}

// What an art's dictionary holds, hashed from the entries themselves (as its JSON text would be
// made from them, without making it): no dictionary and an empty one alike.
void HashEntry(Hash& h, const Entry& e, std::size_t depth);
void HashDict(Hash& h, const Dictionary* d, std::size_t depth) {
  if (depth > kMaxDataNesting) throw std::runtime_error("dictionaries nested deeper than 1000 levels (or holding themselves)");
  const std::vector<std::string> keys = d ? d->Keys() : std::vector<std::string>();
  h.Word(keys.size());
  Entry e;
  for (const std::string& k : keys) {
    if (d->Get(k, e) != kNoErr) continue;
    h.Text(k);
    HashEntry(h, e, depth + 1);
  }
}
void HashEntry(Hash& h, const Entry& e, std::size_t depth) {
  h.Word(static_cast<std::uint64_t>(e.Type()));
  switch (e.Type()) {
    case EntryType::Integer: { std::int32_t v = 0; e.AsInteger(v); h.Word(static_cast<std::uint32_t>(v)); break; }
    case EntryType::Boolean: { bool v = false; e.AsBoolean(v); h.Word(v); break; }
    case EntryType::Real: {
      double v = 0;
      e.AsReal(v);
      if (!std::isfinite(v)) throw std::runtime_error("a number that is not finite in an art's dictionary");
      h.Num(v);
      break;
    }
    case EntryType::String: {
      std::string v;
      e.AsString(v);
      h.Text(v);
      break;
    }
    case EntryType::Array: {
      ArrayRef a;
      e.AsArray(a);
      if (depth > kMaxDataNesting) throw std::runtime_error("arrays nested deeper than 1000 levels (or holding themselves)");
      const std::int32_t n = a ? a->Count() : 0;
      h.Word(static_cast<std::uint64_t>(n));
      Entry x;
      for (std::int32_t i = 0; i < n; ++i) {
        a->Get(i, x);
        HashEntry(h, x, depth + 1);
      }
      break;
    }
    case EntryType::Dictionary: {
      DictionaryRef d;
      e.AsDictionary(d);
      HashDict(h, d.get(), depth + 1);
      break;
    }
  }
}

Snapshot Snap(const ArtOpaque* a) {
  Snapshot s;
  s.flags = a->flags & (kArtLocked | kArtHidden);
  s.opacity = a->opacity;
  {
    Hash h;
    HashDict(h, a->dictionary.get(), 0);
    s.dict = h.Value();
    Hash t;
    t.Text(TagsText(a->Extra().tags));
    s.tags = t.Value();
  }
  if (a->layerOfGroup) {
    s.title = a->layerOfGroup->title;
    s.visible = a->layerOfGroup->visible;
    s.editable = a->layerOfGroup->editable;
  }
  switch (a->type) {
    case ArtType::Path: {
      Hash h;
      HashSegments(h, a);
      s.geometry = h.Value();
      s.style.shared = a->style;
      s.guide = a->guide;
      s.clip = a->clip;
      break;
    }
    case ArtType::CompoundPath: {
      std::vector<const ArtOpaque*> parts;
      Parts(a, parts);
      Hash h;
      for (const ArtOpaque* p : parts) HashSegments(h, p);
      s.geometry = h.Value();
      if (parts.empty()) s.style.shared = a->style;
      else s.style.shared = CompoundStyle(a, parts);
      s.clip = a->clip;
      break;
    }
    case ArtType::TextFrame: {
      Hash h;
      h.Text(text::Utf16ToUtf8(a->Extra().text));
      h.Pt(a->Extra().anchor);
      h.Num(a->Extra().fontSize);
      h.Word(static_cast<std::uint64_t>(a->Extra().justification));
      h.Word(static_cast<std::uint64_t>(a->Extra().orientation));
      h.Word(static_cast<std::uint64_t>(a->Extra().frameKind));
      h.Text(CssColor(a->Extra().textFill) + ExactColorText(a->Extra().textFill));
      s.text = h.Value();
      break;
    }
    case ArtType::Symbol: {
      Hash h;
      h.Text(a->Extra().symbolName);
      h.Pt({a->Extra().symbolBounds.left, a->Extra().symbolBounds.top});
      h.Pt({a->Extra().symbolBounds.right, a->Extra().symbolBounds.bottom});
      s.geometry = h.Value();
      break;
    }
    default:
      break;
  }
  return s;
}

}  // namespace

// A large value of a `d` or dictionary attribute that the tree holds as a placeholder: its text
// stays in the file (or the text the document was parsed from) and is read again when needed.
struct SvgStub {
  std::uint64_t at = 0;     // its first byte in the source
  std::uint32_t place = 0;  // the placeholder's offset in SvgTree::buffer
  std::uint32_t size = 0;   // bytes in the source, as written there (entities not expanded)
  char quote = 0;           // 0: gone with a save that did not write it
  bool plain = false;       // no entity, tab or line end: the text is the value
};

// Where stubs are read from: the document's file, open from load to save, or the text it was
// parsed from.
class SvgSource {
 public:
  explicit SvgSource(std::string bytes) : bytes_(std::move(bytes)), memory_(true) {}
  SvgSource(std::FILE* f, std::filesystem::path path) : file_(f), path_(std::move(path)) {
    std::setvbuf(file_, nullptr, _IONBF, 0);  // read in large pieces of our own
    Stamp(size_, time_);
  }
  SvgSource(const SvgSource&) = delete;
  SvgSource& operator=(const SvgSource&) = delete;
  ~SvgSource() { Close(); }

  std::FILE* File() const { return file_; }
  const std::filesystem::path& Path() const { return path_; }
  std::string TakeBytes() { return std::move(bytes_); }
  std::int64_t Size() const { return memory_ ? static_cast<std::int64_t>(bytes_.size()) : size_; }
  // Read again at any offset: not a pipe or device.
  bool Regular() const { return memory_ || regular_; }

  // The `n` bytes at `at`, through a window of 1 MiB; false when the source no longer has them.
  bool Read(std::uint64_t at, std::size_t n, std::string_view& out) {
    if (memory_) {
      if (at > bytes_.size() || bytes_.size() - at < n) return false;
      out = std::string_view(bytes_).substr(at, n);
      return true;
    }
    if (!file_) return false;
    if (!(at >= windowAt_ && at - windowAt_ <= window_.size() && window_.size() - (at - windowAt_) >= n)) {
      window_.resize(std::max<std::size_t>(n, kWindow));
      if (Seek(at) != 0) return false;
      const std::size_t got = std::fread(window_.data(), 1, window_.size(), file_);
      window_.resize(got);
      windowAt_ = at;
      if (got < n) return false;
    }
    out = std::string_view(window_).substr(at - windowAt_, n);
    return true;
  }

  // False when the file was written since it was opened (its size or time differ).
  bool Unchanged() const {
    if (memory_) return true;
    std::int64_t size = -1, time = 0;
    return file_ && Stamp(size, time) && size == size_ && time == time_;
  }

  void Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    window_.clear();
    window_.shrink_to_fit();
    windowAt_ = 0;
  }

  // Opens the file again by its name (Windows, after a failed save closed it): only when it is
  // still the file it was.
  void Reopen() {
    if (memory_ || file_) return;
    const std::int64_t size = size_, time = time_;
    if (std::FILE* f = FopenShared(path_)) {
      file_ = f;
      std::setvbuf(file_, nullptr, _IONBF, 0);
      if (!Unchanged()) Close();
      size_ = size;
      time_ = time;
    }
  }

 private:
  static constexpr std::size_t kWindow = std::size_t{1} << 20;

  int Seek(std::uint64_t at) {
#ifdef _WIN32
    return _fseeki64(file_, static_cast<long long>(at), SEEK_SET);
#else
    return fseeko(file_, static_cast<off_t>(at), SEEK_SET);
#endif
  }

  bool Stamp(std::int64_t& size, std::int64_t& time) const {
#ifdef _WIN32
    struct _stat64 st {};
    if (_fstat64(_fileno(file_), &st) != 0) return false;
    size = st.st_size;
    time = st.st_mtime;
    regular_ = (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st {};
    if (::fstat(fileno(file_), &st) != 0) return false;
    size = st.st_size;
    time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    regular_ = S_ISREG(st.st_mode);
#endif
    return true;
  }

  std::string bytes_;
  bool memory_ = false;
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  std::int64_t size_ = -1, time_ = 0;
  mutable bool regular_ = false;
  std::string window_;
  std::uint64_t windowAt_ = 0;
};

// An attribute whose text is made from its art as the file is written, not held in the tree: a
// path's `d` (as many numbers as the drawing has) and an art's dictionary. The tree keeps the
// attribute, empty, in its place.
struct Generated {
  const pugi::xml_attribute_struct* d = nullptr;
  const pugi::xml_attribute_struct* dict = nullptr;
  const ArtOpaque* art = nullptr;
  Affine inv;  // page → the element's user units
};

struct SvgTree {
  std::string buffer;                    // parsed in place; pugixml points into it
  std::vector<std::size_t> lineStarts;   // byte offsets of line starts, for messages
  pugi::xml_document xml;
  Affine root;                           // the root's user units → page points
  RealRect bounds;                       // the artboard as loaded
  std::unordered_map<const ArtOpaque*, Binding> arts;
  std::unordered_set<std::string> ids;
  std::uint64_t nextId = 1;
  std::string vx = "vx";                 // the prefix bound to our namespace
  bool vxDeclared = false;
  const LayerOpaque* currentAtLoad = nullptr;
  std::unordered_map<const pugi::xml_node_struct*, Generated> generated;  // by element
  // Large `d` and dictionary values held as placeholders (by place), and where they are read from.
  std::vector<SvgStub> stubs;
  std::unique_ptr<SvgSource> source;
  mutable std::string stubScratch;       // a stub's raw text wrapped for pugixml to decode
  mutable pugi::xml_document stubXml;
};

namespace {

std::size_t LineOf(const SvgTree& t, std::ptrdiff_t offset) {
  if (offset < 0) return 0;
  auto it = std::upper_bound(t.lineStarts.begin(), t.lineStarts.end(), static_cast<std::size_t>(offset));
  return static_cast<std::size_t>(it - t.lineStarts.begin());
}

constexpr unsigned kParseFlags = pugi::parse_full | pugi::parse_ws_pcdata;

// ----- large values kept out of the tree

// The first pass over a document: its text with each value of a `d` or dictionary attribute over
// kKeep bytes replaced by a placeholder, \x01 (a byte XML text never holds of its own) and the
// value's line ends, so that lines counted in the smaller text are the file's. It knows no more
// of XML than where attribute values are; where pugixml sees the file otherwise, no placeholder
// is claimed by an attribute and the whole file is parsed instead.
class Prepass {
 public:
  static constexpr std::size_t kKeep = 64;

  explicit Prepass(std::string_view text) : data_(text.data()), end_(text.size()) {}
  explicit Prepass(std::FILE* f) : f_(f) {}

  // False: take the whole file (an encoding other than UTF-8, a value with a NUL, markup this
  // pass does not know, a read error or a file over the limit).
  bool Run(std::string& out, std::vector<SvgStub>& stubs) {
    out_ = &out;
    stubs_ = &stubs;
    // UTF-16 and UTF-32 (with or without a byte order mark) have a NUL or a mark in their first
    // four bytes.
    Fill(4);
    for (std::size_t i = 0; i < std::min<std::size_t>(4, end_ - pos_); ++i) {
      const auto c = static_cast<unsigned char>(data_[pos_ + i]);
      if (c == 0 || c == 0xFE || c == 0xFF) return false;
    }
    bool ok = true;
    while (ok) {
      if (!CopyUntil('<')) break;
      const int c = Peek(0);
      if (c == '?') {
        ok = CopyPast("?", "?>");
      } else if (c == '!') {
        if (Starts("!--")) ok = CopyPast("!--", "-->");
        else if (Starts("![CDATA[")) ok = CopyPast("![CDATA[", "]]>");
        else if (Starts("!DOCTYPE")) ok = Doctype();
        else ok = false;
      } else if (c == '/') {
        CopyUntil('>');
      } else if (c != -1) {
        ok = StartTag();
      }
    }
    return ok && !failed_;
  }

  bool ReadFailed() const { return readFailed_; }
  bool TooLarge() const { return tooLarge_; }

 private:
  static constexpr std::size_t kChunk = std::size_t{1} << 20;

  static bool Space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

  // At least `need` bytes from pos_ unless the input ends first.
  bool Fill(std::size_t need) {
    while (end_ - pos_ < need && f_ && !eof_) {
      const std::size_t keep = end_ - pos_;
      if (pos_) std::memmove(store_.data(), store_.data() + pos_, keep);
      base_ += pos_;
      pos_ = 0;
      end_ = keep;
      if (store_.size() < keep + kChunk) store_.resize(keep + kChunk);
      const std::size_t n = std::fread(store_.data() + end_, 1, store_.size() - end_, f_);
      if (n == 0) {
        eof_ = true;
        if (std::ferror(f_)) readFailed_ = failed_ = true;
      }
      end_ += n;
      data_ = store_.data();
      if (base_ + end_ > kMaxFileBytes) {
        tooLarge_ = failed_ = true;
        return false;
      }
    }
    return end_ - pos_ >= need;
  }
  int Peek(std::size_t k) {
    if (end_ - pos_ <= k && !Fill(k + 1)) return -1;
    return static_cast<unsigned char>(data_[pos_ + k]);
  }
  void Take() { *out_ += data_[pos_++]; }  // after a Peek(0) that found a byte
  bool Starts(std::string_view s) {
    return Fill(s.size()) && std::memcmp(data_ + pos_, s.data(), s.size()) == 0;
  }
  void SkipSpace() {
    for (int c; (c = Peek(0)) != -1 && Space(c);) Take();
  }

  // Copies up to and with `c`; false at the input's end.
  bool CopyUntil(char c) {
    while (pos_ < end_ || Fill(1)) {
      const char* from = data_ + pos_;
      const void* hit = std::memchr(from, c, end_ - pos_);
      const std::size_t n = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - from) + 1 : end_ - pos_;
      out_->append(from, n);
      pos_ += n;
      if (hit) return true;
    }
    return false;
  }
  // Copies the opening `open` and then up to and with `close` (which does not overlap it).
  bool CopyPast(std::string_view open, std::string_view close) {
    out_->append(data_ + pos_, open.size());
    pos_ += open.size();
    const std::size_t start = out_->size();
    while (CopyUntil(close.back()))
      if (out_->size() - start >= close.size() && out_->compare(out_->size() - close.size(), close.size(), close) == 0)
        return true;
    return true;  // the input ended: pugixml says what is wrong
  }

  // A doctype: quoted literals, an internal subset with its comments and processing
  // instructions, up to its closing '>'.
  bool Doctype() {
    bool subset = false;
    for (int c; (c = Peek(0)) != -1;) {
      if (subset && c == '<' && (Peek(1) == '?' || (Peek(1) == '!' && Peek(2) == '-' && Peek(3) == '-'))) {
        Take();
        if (Peek(0) == '?' ? !CopyPast("?", "?>") : !CopyPast("!--", "-->")) return false;
        continue;
      }
      Take();
      if (c == '"' || c == '\'') {
        if (!CopyUntil(static_cast<char>(c))) return true;
      } else if (c == '[') {
        subset = true;
      } else if (c == ']') {
        subset = false;
      } else if (c == '>' && !subset) {
        return true;
      }
    }
    return true;
  }

  bool StartTag() {
    for (int c; (c = Peek(0)) != -1 && !Space(c) && c != '/' && c != '>';) Take();
    std::string name;
    while (true) {
      SkipSpace();
      int c = Peek(0);
      if (c == -1) return true;
      if (c == '>') {
        Take();
        return true;
      }
      if (c == '/') {
        Take();
        continue;
      }
      name.clear();
      while ((c = Peek(0)) != -1 && !Space(c) && c != '=' && c != '/' && c != '>' && c != '"' && c != '\'') {
        name += static_cast<char>(c);
        Take();
      }
      if (name.empty()) return false;
      SkipSpace();
      if (Peek(0) != '=') return false;
      Take();
      SkipSpace();
      const int q = Peek(0);
      if (q != '"' && q != '\'') return false;
      Take();
      const bool large = name == "d" || (name.size() > 5 && name.compare(name.size() - 5, 5, ":dict") == 0);
      if (large ? !Value(static_cast<char>(q)) : !CopyUntil(static_cast<char>(q))) return false;
    }
  }

  // The first byte from p that may be one Value() looks at: control bytes, quotes and '&'. Path
  // data is nearly all digits and separators, so sixteen bytes are passed at a time where SSE2 is.
  static const char* SkipPlain(const char* p, const char* e) {
#if defined(__SSE2__)
    const __m128i ctl = _mm_set1_epi8(0x1F), dq = _mm_set1_epi8('"'), amp = _mm_set1_epi8('&'), sq = _mm_set1_epi8('\'');
    for (; e - p >= 16; p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, ctl), v), _mm_cmpeq_epi8(v, dq)),
                                       _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, sq)));
      if (const int m = _mm_movemask_epi8(hit)) return p + std::countr_zero(static_cast<unsigned>(m));
    }
#endif
    return p;
  }

  // A value that may become a stub; after its opening quote.
  bool Value(char q) {
    static const auto kSpecial = [] {
      std::array<bool, 256> t{};
      for (unsigned char c : {'\0', '&', '\t', '\n', '\r', '"', '\''}) t[c] = true;
      return t;
    }();
    const std::size_t start = out_->size();
    const std::uint64_t at = base_ + pos_;
    std::size_t n = 0, lines = 0;
    bool plain = true;
    while (true) {
      if (pos_ == end_ && !Fill(1)) return false;
      const char* from = data_ + pos_;
      const char* p = from;
      const char* e = data_ + end_;
      for (; p < e; ++p) {
        p = SkipPlain(p, e);
        if (p == e) break;
        const auto c = static_cast<unsigned char>(*p);
        if (!kSpecial[c]) continue;
        if (c == static_cast<unsigned char>(q)) break;
        if (c == 0) return false;  // pugixml refuses it where it stands
        plain = false;
        lines += c == '\n';
      }
      const std::size_t len = static_cast<std::size_t>(p - from);
      if (n < kKeep) out_->append(from, std::min(len, kKeep - n));
      n += len;
      pos_ += len;
      if (p < e) break;
    }
    Take();  // the closing quote
    if (n > kKeep) {
      out_->resize(start);
      *out_ += '\x01';
      out_->append(lines, '\n');
      *out_ += q;
      stubs_->push_back({at, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(n), q, plain});
    }
    return true;
  }

  const char* data_ = nullptr;
  std::size_t pos_ = 0, end_ = 0;
  std::uint64_t base_ = 0;  // the file offset of data_[0]
  std::FILE* f_ = nullptr;
  std::string store_;
  bool eof_ = false, failed_ = false, readFailed_ = false, tooLarge_ = false;
  std::string* out_ = nullptr;
  std::vector<SvgStub>* stubs_ = nullptr;
};

std::string SourceGone(const SvgTree& t) {
  return PathToUtf8(t.source ? t.source->Path() : std::filesystem::path()) +
         ", which the document was loaded from or last saved to, has changed or cannot be read since (its path data and "
         "dictionaries are read from there again)";
}

// The stub an attribute's value is, or null.
const SvgStub* StubOf(const SvgTree& t, const char* value) {
  if (value[0] != '\x01' || t.stubs.empty()) return nullptr;
  const auto v = reinterpret_cast<std::uintptr_t>(value), b = reinterpret_cast<std::uintptr_t>(t.buffer.data());
  if (v < b || v - b >= t.buffer.size()) return nullptr;
  const auto place = static_cast<std::uint32_t>(v - b);
  auto it = std::lower_bound(t.stubs.begin(), t.stubs.end(), place, [](const SvgStub& s, std::uint32_t p) { return s.place < p; });
  return it != t.stubs.end() && it->place == place ? &*it : nullptr;
}

// A stub's value as pugixml would have given it (entities expanded, white space as the parse
// flags make it); valid until the next call.
std::string_view StubText(const SvgTree& t, const SvgStub& s) {
  std::string_view raw;
  // With its quotes: a file rewritten since shows there, as a rule, in other bytes.
  if (!s.quote || !t.source || s.at == 0 || !t.source->Read(s.at - 1, std::size_t{s.size} + 2, raw) ||
      raw.front() != s.quote || raw.back() != s.quote)
    throw std::runtime_error(SourceGone(t));
  if (s.plain) return raw.substr(1, s.size);
  std::string& x = t.stubScratch;
  x.assign("<a v=");
  x.append(raw);
  x.append("/>");
  if (!t.stubXml.load_buffer_inplace(x.data(), x.size(), kParseFlags, pugi::encoding_utf8))
    throw std::runtime_error("an attribute of its file cannot be read again");
  return t.stubXml.document_element().first_attribute().value();
}

// An attribute's value, read from the source when it is a stub.
std::string_view AttributeText(const SvgTree& t, const pugi::xml_attribute& a) {
  const char* v = a.value();
  if (const SvgStub* s = StubOf(t, v)) return StubText(t, *s);
  return v;
}

// Every stub is the value of an attribute, at the place the first pass put it.
bool StubsClaimed(const SvgTree& t) {
  std::size_t claimed = 0;
  pugi::xml_node n = t.xml.first_child();
  while (n) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) claimed += StubOf(t, a.value()) != nullptr;
    if (pugi::xml_node c = n.first_child()) {
      n = c;
      continue;
    }
    while (n && !n.next_sibling()) n = n.parent();
    if (n) n = n.next_sibling();
  }
  return claimed == t.stubs.size();
}

// Before a save: the source still holds what the stubs point at.
void CheckSource(const SvgTree& t) {
  if (!t.stubs.empty() && !(t.source && t.source->Unchanged()))
    throw std::runtime_error(SourceGone(t));
}

struct SvgError : std::runtime_error {
  SvgError(std::size_t line_, const std::string& what) : std::runtime_error(what), line(line_) {}
  std::size_t line;
};

// ----- reading

class Loader {
 public:
  Loader(SvgTree& t, Document& doc) : t_(t), doc_(doc) {}

  void Run() {
    pugi::xml_node root = t_.xml.document_element();
    if (!root || LocalName(root.name()) != "svg") Fail(root, "not an SVG document (its root is not <svg>)");
    CheckTree();
    for (const auto& a : root.attributes()) {
      const std::string_view n = a.name();
      if (n.rfind("xmlns:", 0) == 0 && std::string_view(a.value()) == kSvgNamespace) {
        t_.vx = std::string(n.substr(6));
        t_.vxDeclared = true;
      }
    }
    if (!t_.vxDeclared)
      while (root.attribute(("xmlns:" + t_.vx).c_str())) t_.vx += "x";  // a prefix the file does not use
    Artboard(root);
    Computed base;
    ReadChildren(root, nullptr, t_.root, base, 0);
    // The current layer Inkscape remembers, else the topmost.
    std::string currentId;
    for (pugi::xml_node c : root.children())
      if (LocalName(c.name()) == "sodipodi:namedview") currentId = c.attribute("inkscape:current-layer").value();
    doc_.current = doc_.layers.empty() ? nullptr : doc_.layers.front();
    for (LayerOpaque* l : doc_.PreorderLayers())
      if (!currentId.empty() && currentId == t_.arts[l->group].node.attribute("id").value()) doc_.current = l;
    t_.currentAtLoad = doc_.current;
  }

 private:
  [[noreturn]] void Fail(const pugi::xml_node& n, const std::string& what) {
    throw SvgError(n ? LineOf(t_, n.offset_debug()) : 0, what);
  }

  // Depth, hostile declarations and oversized attributes, before anything is read.
  void CheckTree() {
    for (pugi::xml_node n = t_.xml.first_child(); n; n = n.next_sibling())
      if (n.type() == pugi::node_doctype && std::strstr(n.value(), "ENTITY"))
        Fail(n, "entity declarations are refused (they can expand without end)");
    pugi::xml_node n = t_.xml.document_element();
    int depth = 0;
    while (n) {
      if (depth > kMaxDepth) Fail(n, "elements nested deeper than 1000 levels");
      for (const auto& a : n.attributes()) {
        const SvgStub* stub = StubOf(t_, a.value());
        // A value's text is never shorter than the value.
        if ((stub ? stub->size > kMaxAttributeBytes && AttributeText(t_, a).size() > kMaxAttributeBytes
                  : std::strlen(a.value()) > kMaxAttributeBytes))
          Fail(n, std::string("attribute ") + a.name() + " is longer than 256 MiB");
        const std::string_view name = a.name();
        if (name.rfind("xmlns", 0) != 0 && name != "id") continue;
        if (name == "id") t_.ids.insert(a.value());
      }
      if (pugi::xml_node c = n.first_child()) {
        n = c;
        ++depth;
        continue;
      }
      while (n && !n.next_sibling()) {
        n = n.parent();
        --depth;
        if (depth <= 0) {
          n = {};
          break;
        }
      }
      if (n) n = n.next_sibling();
    }
  }

  void Artboard(const pugi::xml_node& root) {
    double vb[4] = {0, 0, 0, 0};
    bool hasViewBox = false;
    if (auto a = root.attribute("viewBox")) {
      std::string s = a.value();
      std::replace(s.begin(), s.end(), ',', ' ');
      char extra;
      hasViewBox = std::sscanf(s.c_str(), "%lf %lf %lf %lf %c", &vb[0], &vb[1], &vb[2], &vb[3], &extra) == 4;
      if (!hasViewBox || !(std::isfinite(vb[0]) && std::isfinite(vb[1]) && vb[2] > 0 && vb[3] > 0 &&
                           std::isfinite(vb[2]) && std::isfinite(vb[3])))
        Fail(root, std::string("viewBox \"") + a.value() + "\" is not four numbers with a positive size");
    }
    // Width and height in px (96 to the inch); 100% or none: the viewBox's size.
    double w = hasViewBox ? vb[2] : 0, h = hasViewBox ? vb[3] : 0;
    auto length = [&](const char* name, double& out) {
      auto a = root.attribute(name);
      if (!a || std::strchr(a.value(), '%')) return;
      if (!svg::ParseLength(a.value(), 0, out) || !(out > 0 && std::isfinite(out)))
        Fail(root, std::string(name) + " \"" + a.value() + "\" is not a length");
    };
    length("width", w);
    length("height", h);
    if (!hasViewBox) {
      if (!(w > 0 && h > 0)) Fail(root, "the document has neither a viewBox nor a width and height");
      vb[2] = w;
      vb[3] = h;
    }
    const double pxToPt = 72.0 / 96;
    const double sx = w / vb[2] * pxToPt, sy = h / vb[3] * pxToPt;
    // v grows upward from the artboard's lower edge, as in a new host document.
    t_.root = Affine{sx, 0, 0, -sy, 0, (vb[1] + vb[3]) * sy};
    t_.bounds = {vb[0] * sx, vb[3] * sy, (vb[0] + vb[2]) * sx, 0};
    doc_.bounds = t_.bounds;
  }

  Kind Classify(const pugi::xml_node& el, bool layerAllowed) const {
    const std::string n = LocalName(el.name());
    if (n == "g") {
      const bool layer = std::string_view(el.attribute("inkscape:groupmode").value()) == "layer";
      return layer && layerAllowed ? Kind::Layer : Kind::Group;
    }
    if (n == "path") return Kind::Path;
    if (n == "rect" || n == "circle" || n == "ellipse" || n == "line" || n == "polyline" || n == "polygon") {
      return el.attribute((t_.vx + ":symbol").c_str()) ? Kind::Other : Kind::Shape;
    }
    if (n == "text") return Kind::Text;
    if (n == "use" || n == "image" || n == "foreignObject" || n == "switch" || n == "a" || n == "svg" ||
        n == "flowRoot")
      return Kind::Other;
    return Kind::Skip;
  }

  Affine Own(const pugi::xml_node& el) {
    Affine m;
    if (auto a = el.attribute("transform")) {
      std::string err;
      if (!svg::ParseTransform(a.value(), m, err)) Fail(el, err);
    }
    return m;
  }

  // `parent` null: the root, whose children may be layers only.
  void ReadChildren(const pugi::xml_node& el, ArtOpaque* parent, const Affine& ctm, const Computed& style, int depth) {
    const bool layerAllowed = !parent || parent->layerOfGroup;
    for (pugi::xml_node c = el.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const Kind k = Classify(c, layerAllowed);
      if (k == Kind::Skip) continue;
      // Art outside every layer stays in the file as it is; the host keeps art in layers.
      if (!parent && k != Kind::Layer) continue;
      ReadElement(c, k, parent, ctm, style, depth + 1);
    }
  }

  void ReadElement(const pugi::xml_node& el, Kind k, ArtOpaque* parent, const Affine& parentCtm, const Computed& inherited,
                   int depth) {
    const Affine ctm = parentCtm * Own(el);
    const Computed cs = Cascade(el, inherited);
    ArtOpaque* art = nullptr;
    switch (k) {
      case Kind::Layer: {
        const char* label = el.attribute("inkscape:label").as_string(el.attribute("id").value());
        LayerOpaque* l = doc_.NewLayer(label);
        l->visible = !cs.displayNone;
        l->editable = std::string_view(el.attribute("sodipodi:insensitive").value()) != "true";
        art = l->group;
        if (parent) doc_.Place(art, PaintOrder::InsideOnTop, parent);
        else doc_.layers.insert(doc_.layers.begin(), l);
        break;
      }
      case Kind::Group: art = doc_.NewNode(ArtType::Group); break;
      case Kind::Path: case Kind::Shape: art = ReadPath(el, k, cs, ctm); break;
      case Kind::Text: art = ReadText(el, cs, ctm); break;
      case Kind::Other:
        if (el.attribute((t_.vx + ":symbol").c_str())) {
          art = ReadSymbol(el, ctm);
        } else {
          art = doc_.NewNode(ArtType::Other);
        }
        break;
      case Kind::Skip: return;
    }
    if (k != Kind::Layer) doc_.Place(art, PaintOrder::InsideOnTop, parent);
    if (cs.displayNone && k != Kind::Layer) art->flags |= kArtHidden;
    if (std::string_view(el.attribute("sodipodi:insensitive").value()) == "true" && k != Kind::Layer)
      art->flags |= kArtLocked;
    art->opacity = cs.opacity;
    ReadData(el, art);
    t_.arts[art] = Binding{el, Snap(art), parentCtm};
    if (k == Kind::Layer || k == Kind::Group) ReadChildren(el, art, ctm, cs, depth);
  }

  void ReadData(const pugi::xml_node& el, ArtOpaque* art) {
    if (auto a = el.attribute((t_.vx + ":dict").c_str())) {
      try {
        const std::string_view text = AttributeText(t_, a);
        if (!ShallowJson(text)) throw std::runtime_error("nested deeper than 1000 levels");
        docfile::Lexer lex(text.data(), text.size());
        docfile::Node n;
        lex.Space();
        lex.Value(n, 0);
        lex.Space();
        if (!lex.AtEnd()) lex.Fail("text after the dictionary's end");
        art->dictionary = DictFrom(n);
      } catch (const std::exception& e) {
        Fail(el, t_.vx + ":dict: " + e.what());
      }
    }
    if (auto a = el.attribute((t_.vx + ":tags").c_str())) {
      try {
        const json j = json::parse(a.value());
        if (!j.is_array()) throw std::runtime_error("an array is needed");
        for (const json& x : j)
          art->EditExtra().tags.push_back({x.at("name").get<std::string>(), x.value("type", std::string("string")),
                               x.value("value", std::string())});
      } catch (const std::exception& e) {
        Fail(el, t_.vx + ":tags: " + e.what());
      }
    }
    art->guide = std::string_view(el.attribute((t_.vx + ":guide").c_str()).value()) == "true";
  }

  // The paint; an exact colour in our namespace wins while the SVG colour is still its own.
  Color Paint(const pugi::xml_node& el, const Computed& cs, Prop p, const char* exactName, bool& paint) {
    Color c = Color::Rgb(0, 0, 0);
    if (!ParseColor(cs.v[p], cs.v[kColor], c, paint)) Fail(el, std::string(kPropNames[p]) + " \"" + cs.v[p] + "\" is not a colour");
    Color exact;
    if (auto a = el.attribute((t_.vx + ":" + exactName).c_str()))
      if (ParseExactColor(a.value(), exact) && paint && CssColor(exact) == CssColor(c)) c = exact;
    return c;
  }

  PathStyle StyleOf(const pugi::xml_node& el, const Computed& cs, const Affine& ctm) {
    PathStyle s;
    s.fill.color = Paint(el, cs, kFill, "fill", s.fillPaint);
    s.stroke.color = Paint(el, cs, kStroke, "stroke", s.strokePaint);
    s.evenOdd = cs.v[kFillRule] == "evenodd";
    const double scale = ctm.Scale() * 1;
    double w = 1;
    if (svg::ParseLength(cs.v[kStrokeWidth], 0, w) && w >= 0) s.stroke.width = w * scale;
    const std::string& cap = cs.v[kLineCap];
    s.stroke.cap = cap == "round" ? LineCap::Round : cap == "square" ? LineCap::Projecting : LineCap::Butt;
    const std::string& join = cs.v[kLineJoin];
    s.stroke.join = join == "round" ? LineJoin::Round : join == "bevel" ? LineJoin::Bevel : LineJoin::Miter;
    s.stroke.miterLimit = std::atof(cs.v[kMiterLimit].c_str());
    if (!(s.stroke.miterLimit >= 1)) s.stroke.miterLimit = 4;
    if (cs.v[kDashArray] != "none") {
      std::string d = cs.v[kDashArray];
      std::replace(d.begin(), d.end(), ',', ' ');
      const char* p = d.c_str();
      char* end = nullptr;
      for (int i = 0; i < kMaxDashes; ++i) {
        const double v = std::strtod(p, &end);
        if (end == p) break;
        if (std::isfinite(v) && v >= 0) s.stroke.dashes[static_cast<std::size_t>(s.stroke.dashCount++)] = v * scale;
        p = end;
      }
      s.stroke.dashOffset = std::atof(cs.v[kDashOffset].c_str()) * scale;
      if (!std::isfinite(s.stroke.dashOffset)) s.stroke.dashOffset = 0;
    }
    return s;
  }

  ArtOpaque* ReadPath(const pugi::xml_node& el, Kind k, const Computed& cs, const Affine& ctm) {
    const std::string shape = k == Kind::Path ? std::string() : ShapeData(el);
    const std::string_view d = k == Kind::Path ? AttributeText(t_, el.attribute("d")) : std::string_view(shape);
    std::vector<svg::Subpath> subs;
    std::string err;
    if (!svg::ParsePathData(d, ctm, subs, err)) Fail(el, err);
    const PathStyle style = StyleOf(el, cs, ctm);
    auto path = [&](svg::Subpath& s) {
      ArtOpaque* p = doc_.NewNode(ArtType::Path);
      p->segments = std::move(s.segments);
      p->closed = s.closed;
      p->style = style;
      return p;
    };
    if (subs.size() <= 1) {
      if (subs.empty()) {
        ArtOpaque* p = doc_.NewNode(ArtType::Path);
        p->style = style;
        return p;
      }
      return path(subs[0]);
    }
    ArtOpaque* compound = doc_.NewNode(ArtType::CompoundPath);
    compound->style = style;
    for (auto& s : subs) doc_.Place(path(s), PaintOrder::InsideOnBottom, compound);
    return compound;
  }

  // The outline a basic shape draws, as path data.
  std::string ShapeData(const pugi::xml_node& el) {
    const std::string n = LocalName(el.name());
    auto num = [&](const char* name) {
      double v = 0;
      auto a = el.attribute(name);
      if (a && !svg::ParseLength(a.value(), 0, v)) Fail(el, std::string(name) + " \"" + a.value() + "\" is not a length");
      return v;
    };
    std::string d;
    auto add = [&](char cmd, std::initializer_list<double> v) {
      d += cmd;
      for (double x : v) {
        d += ' ';
        svg::AppendNumber(d, x);
      }
    };
    if (n == "rect") {
      const double x = num("x"), y = num("y"), w = num("width"), h = num("height");
      if (!(w > 0 && h > 0)) return "";
      double rx = num("rx"), ry = num("ry");
      if (!el.attribute("rx")) rx = ry;
      if (!el.attribute("ry")) ry = rx;
      rx = std::clamp(rx, 0.0, w / 2);
      ry = std::clamp(ry, 0.0, h / 2);
      if (rx > 0 && ry > 0) {
        add('M', {x + rx, y});
        add('H', {x + w - rx});
        add('A', {rx, ry, 0, 0, 1, x + w, y + ry});
        add('V', {y + h - ry});
        add('A', {rx, ry, 0, 0, 1, x + w - rx, y + h});
        add('H', {x + rx});
        add('A', {rx, ry, 0, 0, 1, x, y + h - ry});
        add('V', {y + ry});
        add('A', {rx, ry, 0, 0, 1, x + rx, y});
      } else {
        add('M', {x, y});
        add('H', {x + w});
        add('V', {y + h});
        add('H', {x});
      }
      d += 'Z';
    } else if (n == "circle" || n == "ellipse") {
      const double cx = num("cx"), cy = num("cy");
      const double rx = n == "circle" ? num("r") : num("rx"), ry = n == "circle" ? num("r") : num("ry");
      if (!(rx > 0 && ry > 0)) return "";
      add('M', {cx + rx, cy});
      add('A', {rx, ry, 0, 0, 1, cx, cy + ry});
      add('A', {rx, ry, 0, 0, 1, cx - rx, cy});
      add('A', {rx, ry, 0, 0, 1, cx, cy - ry});
      add('A', {rx, ry, 0, 0, 1, cx + rx, cy});
      d += 'Z';
    } else if (n == "line") {
      add('M', {num("x1"), num("y1")});
      add('L', {num("x2"), num("y2")});
    } else {
      std::string pts = el.attribute("points").value();
      if (!pts.empty()) d = "M" + pts + (n == "polygon" ? "Z" : "");
    }
    return d;
  }

  ArtOpaque* ReadText(const pugi::xml_node& el, const Computed& cs, const Affine& ctm) {
    ArtOpaque* a = doc_.NewNode(ArtType::TextFrame);
    double x = 0, y = 0;
    auto coord = [&](const pugi::xml_node& n, const char* name, double& out) {
      if (auto at = n.attribute(name)) {
        std::string v = at.value();
        std::replace(v.begin(), v.end(), ',', ' ');
        out = std::atof(v.c_str());  // the first of a list
        if (!std::isfinite(out)) out = 0;
        return true;
      }
      return false;
    };
    // Lines are Inkscape's tspans of role "line"; other text is read as one line.
    std::u16string text;
    bool lines = false, first = true;
    for (pugi::xml_node c = el.first_child(); c; c = c.next_sibling()) {
      if (LocalName(c.name()) == "tspan" && std::string_view(c.attribute("sodipodi:role").value()) == "line") {
        if (!lines && !el.attribute("x")) {
          coord(c, "x", x);
          coord(c, "y", y);
        }
        if (!first) text += u'\r';
        first = false;
        lines = true;
        text += text::Utf8ToUtf16(AllText(c));
      } else if (!lines) {
        text += text::Utf8ToUtf16(c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata ? std::string(c.value()) : AllText(c));
      }
    }
    if (!lines || el.attribute("x")) {
      coord(el, "x", x);
      coord(el, "y", y);
      if (!el.attribute("x"))
        if (pugi::xml_node t = el.child("tspan")) {
          coord(t, "x", x);
          coord(t, "y", y);
        }
    }
    a->EditExtra().text = std::move(text);
    a->EditExtra().anchor = ctm.Apply(x, y);
    double size = 16;
    if (!svg::ParseLength(cs.v[kFontSize], 16, size) || !(size > 0)) size = 16;
    // The size of the first line's own style, where Inkscape puts it.
    if (pugi::xml_node t = el.child("tspan")) {
      const Computed ts = Cascade(t, cs);
      double s2 = 0;
      if (svg::ParseLength(ts.v[kFontSize], size, s2) && s2 > 0) size = s2;
    }
    a->EditExtra().fontSize = size * ctm.Scale();
    bool paint = true;
    a->EditExtra().textFill = Paint(el, cs, kFill, "text-fill", paint);
    if (!paint) a->EditExtra().textFill = Color{};
    const std::string& anchor = cs.v[kTextAnchor];
    a->EditExtra().justification = anchor == "middle" ? Justification::Center : anchor == "end" ? Justification::Right : Justification::Left;
    const std::string& wm = cs.v[kWritingMode];
    if (wm == "tb" || wm == "tb-rl" || wm == "vertical-rl" || wm == "vertical-lr") a->EditExtra().orientation = TextOrientation::Vertical;
    return a;
  }

  static std::string AllText(const pugi::xml_node& n) {
    std::string s;
    for (pugi::xml_node d = n.first_child(); d; d = d.next_sibling()) {
      if (d.type() == pugi::node_pcdata || d.type() == pugi::node_cdata) s += d.value();
      else if (d.type() == pugi::node_element) s += AllText(d);
    }
    return s;
  }

  ArtOpaque* ReadSymbol(const pugi::xml_node& el, const Affine& ctm) {
    ArtOpaque* a = doc_.NewNode(ArtType::Symbol);
    a->EditExtra().symbolName = el.attribute((t_.vx + ":symbol").c_str()).value();
    const double x = el.attribute("x").as_double(), y = el.attribute("y").as_double();
    const double w = el.attribute("width").as_double(), h = el.attribute("height").as_double();
    const RealPoint p = ctm.Apply(x, y), q = ctm.Apply(x + w, y + h);
    a->EditExtra().symbolBounds = {std::min(p.h, q.h), std::max(p.v, q.v), std::max(p.h, q.h), std::min(p.v, q.v)};
    return a;
  }

  SvgTree& t_;
  Document& doc_;
};

// ----- writing

class Saver {
 public:
  Saver(SvgTree& t, const Document& doc) : t_(t), doc_(doc) {}

  void Run() {
    pugi::xml_node root = t_.xml.document_element();
    if (!(doc_.bounds == t_.bounds)) Artboard(root);
    std::vector<pugi::xml_node> desired;
    for (auto it = doc_.layers.rbegin(); it != doc_.layers.rend(); ++it)
      if ((*it)->alive) desired.push_back(Emit((*it)->group, root, t_.root, 0));
    Reorder(root, desired);
    RemoveUnplaced();
    if (doc_.current != t_.currentAtLoad && doc_.current && doc_.current->alive) {
      pugi::xml_node nv = NamedView(root);
      auto it = t_.arts.find(doc_.current->group);
      if (nv && it != t_.arts.end()) Set(nv, "inkscape:current-layer", it->second.node.attribute("id").value());
      t_.currentAtLoad = doc_.current;
    }
    t_.bounds = doc_.bounds;
  }

 private:
  static void Set(pugi::xml_node n, const char* name, const std::string& value) {
    pugi::xml_attribute a = n.attribute(name);
    if (!a) a = n.append_attribute(name);
    a.set_value(value.c_str());
  }
  static void Unset(pugi::xml_node n, const char* name) { n.remove_attribute(name); }
  std::string Vx(const char* name) {
    if (!t_.vxDeclared) {
      Set(t_.xml.document_element(), ("xmlns:" + t_.vx).c_str(), kSvgNamespace);
      t_.vxDeclared = true;
    }
    return t_.vx + ":" + name;
  }
  void DeclareInkscape() {
    pugi::xml_node root = t_.xml.document_element();
    if (!root.attribute("xmlns:inkscape")) Set(root, "xmlns:inkscape", kInkscapeNs);
    if (!root.attribute("xmlns:sodipodi")) Set(root, "xmlns:sodipodi", kSodipodiNs);
  }
  std::string NewId(const char* prefix) {
    for (std::uint64_t i = 0; i < 1000000; ++i) {
      std::string id = prefix + std::to_string(t_.nextId++);
      if (t_.ids.insert(id).second) return id;
    }
    return "";
  }
  static pugi::xml_node NamedView(pugi::xml_node root) {
    for (pugi::xml_node c : root.children())
      if (LocalName(c.name()) == "sodipodi:namedview") return c;
    return {};
  }

  void Artboard(pugi::xml_node root) {
    const RealRect& b = doc_.bounds;
    const Affine inv = t_.root.Inverse();
    const RealPoint p = inv.Apply(b.left, b.top), q = inv.Apply(b.right, b.bottom);
    std::string vb;
    for (double v : {p.h, p.v, q.h - p.h, q.v - p.v}) {
      if (!vb.empty()) vb += ' ';
      if (!std::isfinite(v)) throw std::runtime_error("the artboard is not finite");
      svg::AppendNumber(vb, v);
    }
    Set(root, "viewBox", vb);
    std::string w, h;
    svg::AppendNumber(w, b.right - b.left);
    svg::AppendNumber(h, b.top - b.bottom);
    Set(root, "width", w + "pt");
    Set(root, "height", h + "pt");
  }

  static Affine Own(const pugi::xml_node& el) {
    Affine m;
    std::string err;
    if (auto a = el.attribute("transform")) svg::ParseTransform(a.value(), m, err);
    return m;
  }

  pugi::xml_node Emit(const ArtOpaque* a, pugi::xml_node parentEl, const Affine& parentCtm, int depth) {
    if (depth > kMaxDepth) throw std::runtime_error("art nested deeper than 1000 levels");
    const Snapshot now = Snap(a);
    pugi::xml_node node;
    auto it = t_.arts.find(a);
    if (it == t_.arts.end()) {
      node = Create(a, parentEl);
      Update(node, a, nullptr, now, parentCtm);
      t_.arts[a] = Binding{node, now, parentCtm};
    } else {
      Binding& b = it->second;
      node = b.node;
      if (node.parent() != parentEl) {
        // Moved to another group: its own transform makes up for the new group's, so that
        // neither it nor its contents need rewriting.
        if (!(b.parentCtm == parentCtm)) {
          const std::string t = svg::TransformText(parentCtm.Inverse() * b.parentCtm * Own(node));
          if (t.empty()) Unset(node, "transform");
          else Set(node, "transform", t);
        }
        parentEl.append_move(node);
      }
      if (!(b.snap == now)) Update(node, a, &b.snap, now, parentCtm);
      b.snap = now;
      b.parentCtm = parentCtm;
    }
    placed_.insert(node.internal_object());
    if (a->type == ArtType::Group) {
      const Affine ctm = parentCtm * Own(node);
      std::vector<pugi::xml_node> desired;
      for (const ArtOpaque* c = a->lastChild; c; c = c->prev)
        if (c->alive) desired.push_back(Emit(c, node, ctm, depth + 1));
      Reorder(node, desired);
    }
    return node;
  }

  pugi::xml_node Create(const ArtOpaque* a, pugi::xml_node parentEl) {
    pugi::xml_node n;
    if (a->layerOfGroup) {
      DeclareInkscape();
      n = parentEl.append_child("g");
      Set(n, "inkscape:groupmode", "layer");
      Set(n, "id", NewId("layer"));
      return n;
    }
    switch (a->type) {
      case ArtType::Group: return parentEl.append_child("g");
      case ArtType::Path: case ArtType::CompoundPath: return parentEl.append_child("path");
      case ArtType::TextFrame: {
        n = parentEl.append_child("text");
        Set(n, "xml:space", "preserve");
        return n;
      }
      case ArtType::Symbol: {
        n = parentEl.append_child("rect");
        Set(n, "style", "fill:none;stroke:#888888;stroke-dasharray:2,2");
        return n;
      }
      default:
        // Art the host cannot draw has no SVG of its own: an empty group keeps its data.
        return parentEl.append_child("g");
    }
  }

  // Writes what differs between `was` (null for new art) and `now`.
  void Update(pugi::xml_node n, const ArtOpaque* a, const Snapshot* was, const Snapshot& now, const Affine& parentCtm) {
    const Affine ctm = parentCtm * Own(n);
    StyleDecl style(n.attribute("style").value());
    bool styleChanged = false;
    auto setStyle = [&](const char* k, std::string v) {
      style.Set(k, std::move(v));
      styleChanged = true;
    };
    auto changed = [&](auto member) { return !was || !(was->*member == now.*member); };
    const std::string* styleText = nullptr;  // when made by NewPaint, instead of style's
    if (a->layerOfGroup) {
      if (changed(&Snapshot::title)) Set(n, "inkscape:label", now.title);
      if (changed(&Snapshot::visible)) setStyle("display", now.visible ? "inline" : "none");
      if (changed(&Snapshot::editable)) {
        DeclareInkscape();
        if (now.editable) Unset(n, "sodipodi:insensitive");
        else Set(n, "sodipodi:insensitive", "true");
      }
    } else {
      if (changed(&Snapshot::flags)) {
        if (was ? ((was->flags ^ now.flags) & kArtHidden) : (now.flags & kArtHidden)) setStyle("display", (now.flags & kArtHidden) ? "none" : "inline");
        if (!was || ((was->flags ^ now.flags) & kArtLocked)) {
          if (now.flags & kArtLocked) {
            DeclareInkscape();
            Set(n, "sodipodi:insensitive", "true");
          } else {
            Unset(n, "sodipodi:insensitive");
          }
        }
      }
    }
    if (changed(&Snapshot::opacity) && (was || now.opacity != 1)) {
      std::string v;
      svg::AppendNumber(v, now.opacity);
      setStyle("opacity", v);
    }
    if (changed(&Snapshot::dict)) {
      const std::string name = Vx("dict");
      if (EmptyDict(a->dictionary.get())) {
        Unset(n, name.c_str());
        if (auto g = t_.generated.find(n.internal_object()); g != t_.generated.end()) g->second.dict = nullptr;
      } else {
        Generated& g = t_.generated[n.internal_object()];
        g.art = a;
        g.dict = Placeholder(n, name.c_str());
      }
    }
    if (changed(&Snapshot::tags)) {
      const std::string t = TagsText(a->Extra().tags);
      if (t.empty()) Unset(n, Vx("tags").c_str());
      else Set(n, Vx("tags").c_str(), t);
    }
    if (changed(&Snapshot::guide) && (was || now.guide)) {
      if (now.guide) Set(n, Vx("guide").c_str(), "true");
      else Unset(n, Vx("guide").c_str());
    }
    const Affine inv = ctm.Inverse();
    const double scale = ctm.Scale();
    switch (a->type) {
      case ArtType::Path: case ArtType::CompoundPath:
        if (changed(&Snapshot::geometry)) PathGeometry(n, a, inv);
        if (changed(&Snapshot::style)) {
          styleChanged = true;
          if (!was) {
            styleText = &NewPaint(n, style, now.style.get(), scale);
          } else {
            Exact exact;
            PaintStyle(style, &was->style.get(), now.style.get(), scale, exact);
            ApplyExact(n, exact);
          }
        }
        break;
      case ArtType::TextFrame:
        if (changed(&Snapshot::text)) Text(n, a, style, inv, scale, was != nullptr), styleChanged = true;
        break;
      case ArtType::Symbol:
        if (changed(&Snapshot::geometry)) {
          const RealRect& r = a->Extra().symbolBounds;
          const RealPoint p = inv.Apply(r.left, r.top), q = inv.Apply(r.right, r.bottom);
          auto num = [&](const char* k, double v) {
            std::string s;
            svg::AppendNumber(s, v);
            Set(n, k, s);
          };
          num("x", std::min(p.h, q.h));
          num("y", std::min(p.v, q.v));
          num("width", std::abs(q.h - p.h));
          num("height", std::abs(q.v - p.v));
          Set(n, Vx("symbol").c_str(), a->Extra().symbolName);
        }
        break;
      default:
        break;
    }
    if (styleChanged) {
      std::string own;
      const std::string& s = styleText ? *styleText : (own = style.Text());
      if (s.empty()) Unset(n, "style");
      else Set(n, "style", s);
    }
  }

  void PathGeometry(pugi::xml_node n, const ArtOpaque* a, const Affine& inv) {
    // A basic shape the plug-in reshaped becomes the path it now is.
    if (LocalName(n.name()) != "path") {
      n.set_name("path");
      for (const char* k : {"x", "y", "width", "height", "rx", "ry", "cx", "cy", "r", "x1", "y1", "x2", "y2", "points"})
        Unset(n, k);
    }
    auto finite = [](const ArtOpaque* p) {
      if (p->segments.HandleCount() == 0) {
        const RealPoint* anchors = p->segments.Anchors();
        for (std::size_t i = 0; i < p->segments.size(); ++i)
          if (!(std::isfinite(anchors[i].h) && std::isfinite(anchors[i].v))) throw std::runtime_error("a path holds a number that is not finite");
        return;
      }
      for (const PathSegment& s : p->segments)
        if (!(std::isfinite(s.p.h) && std::isfinite(s.p.v) && std::isfinite(s.in.h) && std::isfinite(s.in.v) &&
              std::isfinite(s.out.h) && std::isfinite(s.out.v)))
          throw std::runtime_error("a path holds a number that is not finite");
    };
    if (a->type == ArtType::Path) {
      finite(a);
    } else {
      std::vector<const ArtOpaque*> parts;
      Parts(a, parts);
      for (const ArtOpaque* p : parts) finite(p);
    }
    Generated& g = t_.generated[n.internal_object()];
    g.art = a;
    g.inv = inv;
    g.d = Placeholder(n, "d");
  }

  // The attribute, made where it is missing, emptied: its text comes from Generated.
  static const pugi::xml_attribute_struct* Placeholder(pugi::xml_node n, const char* name) {
    pugi::xml_attribute a = n.attribute(name);
    if (!a) a = n.append_attribute(name);
    a.set_value("");
    return a.internal_object();
  }

  // Our exact colours a paint sets, in order: the attribute's name in our namespace and its text
  // ("" removes it).
  using Exact = std::vector<std::pair<const char*, std::string>>;

  void ApplyExact(pugi::xml_node n, const Exact& exact) {
    for (const auto& [name, text] : exact) {
      if (text.empty()) Unset(n, Vx(name).c_str());
      else Set(n, Vx(name).c_str(), text);
    }
  }

  static void Colour(StyleDecl& style, const char* prop, const char* exactName, bool paint, const Color& c, Exact& exact) {
    style.Set(prop, paint ? CssColor(c) : "none");
    exact.emplace_back(exactName, paint ? ExactColorText(c) : "");
  }

  static void PaintStyle(StyleDecl& style, const PathStyle* was, const PathStyle& s, double scale, Exact& exact) {
    auto num = [](double v) {
      std::string out;
      svg::AppendNumber(out, std::isfinite(v) ? v : 0);
      return out;
    };
    const double toUser = 1 / scale;
    if (!was || was->fillPaint != s.fillPaint || !(was->fill.color == s.fill.color))
      Colour(style, "fill", "fill", s.fillPaint, s.fill.color, exact);
    if (!was || was->evenOdd != s.evenOdd) style.Set("fill-rule", s.evenOdd ? "evenodd" : "nonzero");
    if (!was || was->strokePaint != s.strokePaint || !(was->stroke.color == s.stroke.color))
      Colour(style, "stroke", "stroke", s.strokePaint, s.stroke.color, exact);
    const StrokeStyle& k = s.stroke;
    if (!was || was->stroke.width != k.width) style.Set("stroke-width", num(k.width * toUser));
    static const char* caps[] = {"butt", "round", "square"};
    static const char* joins[] = {"miter", "round", "bevel"};
    if (!was || was->stroke.cap != k.cap) style.Set("stroke-linecap", caps[static_cast<int>(k.cap) % 3]);
    if (!was || was->stroke.join != k.join) style.Set("stroke-linejoin", joins[static_cast<int>(k.join) % 3]);
    if (!was || was->stroke.miterLimit != k.miterLimit) style.Set("stroke-miterlimit", num(std::max(1.0, k.miterLimit)));
    if (!was || was->stroke.dashCount != k.dashCount || was->stroke.dashes != k.dashes || was->stroke.dashOffset != k.dashOffset) {
      std::string d;
      for (int i = 0; i < std::clamp(k.dashCount, 0, kMaxDashes); ++i) {
        if (i) d += ',';
        d += num(k.dashes[static_cast<std::size_t>(i)] * toUser);
      }
      style.Set("stroke-dasharray", d.empty() ? "none" : d);
      style.Set("stroke-dashoffset", num(k.dashOffset * toUser));
    }
  }

  // The style text of new art with this paint. An import's art comes in a few looks, so the text
  // of the last one is kept and made again only for another.
  const std::string& NewPaint(pugi::xml_node n, const StyleDecl& style, const PathStyle& s, double scale) {
    Memo& m = memo_;
    if (!(m.valid && m.scale == scale && m.style == s && m.before == style.Items())) {
      m.valid = true;
      m.scale = scale;
      m.style = s;
      m.before = style.Items();
      m.exact.clear();
      StyleDecl after = style;
      PaintStyle(after, nullptr, s, scale, m.exact);
      m.text = after.Text();
    }
    ApplyExact(n, m.exact);
    return m.text;
  }

  void Text(pugi::xml_node n, const ArtOpaque* a, StyleDecl& style, const Affine& inv, double scale, bool existed) {
    // The lines are rewritten whole: Inkscape's tspans of role "line".
    while (pugi::xml_node c = n.first_child()) n.remove_child(c);
    auto num = [](double v) {
      std::string out;
      svg::AppendNumber(out, std::isfinite(v) ? v : 0);
      return out;
    };
    const double size = a->Extra().fontSize / scale;
    style.Set("font-size", num(size) + "px");
    style.Set("line-height", "1.25");
    if (!existed) style.Set("font-family", kSvgFontFamily);
    Exact exact;
    Colour(style, "fill", "text-fill", a->Extra().textFill.kind != ColorKind::None, a->Extra().textFill, exact);
    ApplyExact(n, exact);
    const char* anchor = a->Extra().justification == Justification::Center ? "middle" : a->Extra().justification == Justification::Right ? "end" : "start";
    style.Set("text-anchor", anchor);
    style.Set("text-align", a->Extra().justification == Justification::Center ? "center" : a->Extra().justification == Justification::Right ? "end" : "start");
    if (a->Extra().orientation == TextOrientation::Vertical) style.Set("writing-mode", "tb");
    else if (style.Get("writing-mode")) style.Set("writing-mode", "lr-tb");
    const RealPoint p = inv.Apply(a->Extra().anchor);
    Set(n, "x", num(p.h));
    Set(n, "y", num(p.v));
    const std::string all = text::Utf16ToUtf8(a->Extra().text);
    std::size_t start = 0;
    for (int line = 0; start <= all.size(); ++line) {
      std::size_t end = all.find_first_of("\r\n", start);
      if (end == std::string::npos) end = all.size();
      pugi::xml_node t = n.append_child("tspan");
      Set(t, "sodipodi:role", "line");
      Set(t, "x", num(p.h));
      Set(t, "y", num(p.v + line * kLineHeight * size));
      t.append_child(pugi::node_pcdata).set_value(all.substr(start, end - start).c_str());
      start = end + 1;
    }
    DeclareInkscape();
  }

  // Puts `desired` in this order among the placed children of `parent`; other children keep
  // their places.
  void Reorder(pugi::xml_node parent, const std::vector<pugi::xml_node>& desired) {
    std::vector<pugi::xml_node> current;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
      if (placed_.count(c.internal_object())) current.push_back(c);
    if (current == desired || desired.empty()) return;
    if (current.front() != desired.front()) parent.insert_move_before(desired.front(), current.front());
    for (std::size_t i = 1; i < desired.size(); ++i)
      if (desired[i].previous_sibling() != desired[i - 1]) parent.insert_move_after(desired[i], desired[i - 1]);
  }

  // Elements of art the plug-in removed (or merged into a compound path) go.
  void RemoveUnplaced() {
    std::vector<const ArtOpaque*> gone;
    std::unordered_set<pugi::xml_node_struct*> goneNodes;
    for (const auto& [art, b] : t_.arts)
      if (!placed_.count(b.node.internal_object())) {
        gone.push_back(art);
        goneNodes.insert(b.node.internal_object());
      }
    std::vector<pugi::xml_node> remove;
    for (const ArtOpaque* art : gone) {
      pugi::xml_node n = t_.arts[art].node;
      bool inside = false;
      for (pugi::xml_node p = n.parent(); p && !inside; p = p.parent()) inside = goneNodes.count(p.internal_object()) != 0;
      if (!inside) remove.push_back(n);
      t_.generated.erase(n.internal_object());
      t_.arts.erase(art);
    }
    for (pugi::xml_node n : remove) n.parent().remove_child(n);
  }

  struct Memo {
    bool valid = false;
    double scale = 1;
    PathStyle style;
    std::vector<std::pair<std::string, std::string>> before;  // the style's properties already set
    Exact exact;
    std::string text;
  };

  SvgTree& t_;
  const Document& doc_;
  std::unordered_set<pugi::xml_node_struct*> placed_;
  Memo memo_;
};

// A new Inkscape document for a host document that did not come from SVG: artboard in points.
std::shared_ptr<SvgTree> NewTree(const Document& doc) {
  auto t = std::make_shared<SvgTree>();
  const RealRect& b = doc.bounds;
  std::string vb, w, h;
  for (double v : {b.left, 0.0, b.right - b.left, b.top - b.bottom}) {
    if (!vb.empty()) vb += ' ';
    svg::AppendNumber(vb, v);
  }
  svg::AppendNumber(w, b.right - b.left);
  svg::AppendNumber(h, b.top - b.bottom);
  const std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n") +
                           "<svg width=\"" + w + "pt\" height=\"" + h + "pt\" viewBox=\"" + vb +
                           "\" version=\"1.1\" id=\"svg1\" xmlns:inkscape=\"" + kInkscapeNs + "\" xmlns:sodipodi=\"" +
                           kSodipodiNs + "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:svg=\"http://www.w3.org/2000/svg\" xmlns:vx=\"" +
                           kSvgNamespace + "\">\n"
                           "<sodipodi:namedview id=\"namedview1\" pagecolor=\"#ffffff\" bordercolor=\"#666666\" "
                           "inkscape:document-units=\"pt\"/>\n<defs id=\"defs1\"/>\n</svg>\n";
  t->xml.load_string(text.c_str(), pugi::parse_full | pugi::parse_ws_pcdata);
  t->root = Affine{1, 0, 0, -1, 0, b.top};
  t->bounds = b;
  t->vxDeclared = true;
  t->ids = {"svg1", "namedview1", "defs1"};
  return t;
}

// The tree as text, as pugixml writes it unformatted (the same bytes), with two differences: the
// generated attributes are made straight into the output, and every character XML cannot hold is
// replaced as XmlCharsOnly does. Written to the file in large pieces, or kept whole as text.
class XmlOut {
 public:
  XmlOut(const SvgTree& t, AtomicFile* file) : t_(t), file_(file) { out_.reserve(file ? kPiece + (kPiece >> 2) : 1 << 16); }

  void Document() {
    CheckSource(t_);
    const pugi::xml_document& doc = t_.xml;
    bool declared = false;
    for (pugi::xml_node c = doc.first_child(); c && c.type() != pugi::node_element; c = c.next_sibling())
      declared = declared || c.type() == pugi::node_declaration;
    if (!declared) out_ += "<?xml version=\"1.0\"?>";
    pugi::xml_node n = doc.first_child();
    while (n) {
      if (n.type() == pugi::node_element) {
        if (Start(n)) {
          n = n.first_child();
          continue;
        }
      } else if (n.type() == pugi::node_pcdata) {
        Escaped(n.value(), kText);
      } else {
        Other(n);
      }
      while (n && !n.next_sibling()) {
        n = n.parent();
        if (n.type() != pugi::node_element) n = {};
        else End(n);
      }
      if (n) n = n.next_sibling();
      if (file_ && out_.size() >= kPiece) Flush();
    }
    if (file_) Flush();
  }

  std::string& Text() { return out_; }
  std::uint64_t Written() const { return written_; }
  // Where the stubs written lie in the file written (by index in the tree's list).
  std::vector<std::pair<std::size_t, SvgStub>>& Moved() { return moved_; }

 private:
  static constexpr std::size_t kPiece = std::size_t{1} << 20;
  // Bytes that go over as they are: printable ASCII but XML's own; in text also tab and line ends
  // (pugixml writes them as character references in attributes).
  enum Context { kText, kAttribute };

  void Flush() {
    file_->Write(out_);
    written_ += out_.size();
    out_.clear();
  }

  void Name(const char* name) {
    if (!*name) name = ":anonymous";  // as pugixml names a nameless node
    AppendXmlChars(out_, name);
  }

  bool Start(const pugi::xml_node& n) {
    out_ += '<';
    Name(n.name());
    const Generated* g = nullptr;
    if (!t_.generated.empty())
      if (auto it = t_.generated.find(n.internal_object()); it != t_.generated.end()) g = &it->second;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
      out_ += ' ';
      Name(a.name());
      out_ += "=\"";
      if (g && a.internal_object() == g->d) {
        PathData(*g);
      } else if (g && a.internal_object() == g->dict && g->art->dictionary) {
        scratch_.clear();
        AppendDictJson(scratch_, *g->art->dictionary, 0);
        Escaped(scratch_, kAttribute);
      } else if (const SvgStub* stub = StubOf(t_, a.value())) {
        const std::uint64_t at = written_ + out_.size();
        Escaped(StubText(t_, *stub), kAttribute);
        if (file_) {
          const std::uint64_t size = written_ + out_.size() - at;
          const std::string_view text = std::string_view(out_).substr(static_cast<std::size_t>(at - written_));
          moved_.push_back({static_cast<std::size_t>(stub - t_.stubs.data()),
                            SvgStub{at, stub->place, static_cast<std::uint32_t>(size), '"', text.find('&') == std::string_view::npos}});
        }
      } else {
        Escaped(a.value(), kAttribute);
      }
      out_ += '"';
    }
    if (n.first_child()) {
      out_ += '>';
      return true;
    }
    out_ += "/>";
    return false;
  }

  void End(const pugi::xml_node& n) {
    out_ += "</";
    Name(n.name());
    out_ += '>';
  }

  void PathData(const Generated& g) {
    const ArtOpaque* a = g.art;
    if (a->type == ArtType::Path) {
      svg::AppendPathData(out_, a->segments, a->closed, g.inv);
      return;
    }
    parts_.clear();
    Parts(a, parts_);
    const std::size_t start = out_.size();
    for (const ArtOpaque* p : parts_) {
      if (out_.size() != start) out_ += ' ';
      svg::AppendPathData(out_, p->segments, p->closed, g.inv);
    }
  }

  void Escaped(std::string_view s, Context c) {
    static const auto kPlain = [] {
      std::array<std::array<bool, 256>, 2> t{};
      for (int i = 0x20; i < 0x80; ++i) t[kText][i] = t[kAttribute][i] = true;
      for (char ch : {'&', '<', '>'}) t[kText][static_cast<unsigned char>(ch)] = false;
      for (char ch : {'&', '<', '"'}) t[kAttribute][static_cast<unsigned char>(ch)] = false;
      for (char ch : {'\t', '\n', '\r'}) t[kText][static_cast<unsigned char>(ch)] = true;
      return t;
    }();
    const auto& plain = kPlain[c];
    std::size_t i = 0;
    while (i < s.size()) {
      std::size_t run = i;
      while (run < s.size() && plain[static_cast<unsigned char>(s[run])]) ++run;
      out_.append(s.data() + i, run - i);
      if (run == s.size()) break;
      const auto ch = static_cast<unsigned char>(s[run]);
      if (ch >= 0x80) {
        std::size_t end = run + 1;
        while (end < s.size() && static_cast<unsigned char>(s[end]) >= 0x80) ++end;
        AppendXmlChars(out_, s.substr(run, end - run));
        i = end;
        continue;
      }
      switch (ch) {
        case '&': out_ += "&amp;"; break;
        case '<': out_ += "&lt;"; break;
        case '>': out_ += "&gt;"; break;
        case '"': out_ += "&quot;"; break;
        default: {
          const char ref[] = {'&', '#', static_cast<char>('0' + ch / 10), static_cast<char>('0' + ch % 10), ';'};
          out_.append(ref, sizeof ref);
        }
      }
      i = run + 1;
    }
  }

  // Comments, CDATA, processing instructions, declarations and doctypes: few, so pugixml
  // writes them, each whole.
  void Other(const pugi::xml_node& n) {
    struct Collect : pugi::xml_writer {
      std::string text;
      void write(const void* data, std::size_t size) override { text.append(static_cast<const char*>(data), size); }
    } w;
    // The text goes out as UTF-8 whatever it was read from: a declaration naming another
    // encoding is written naming UTF-8, or the file would not read back.
    const pugi::xml_attribute enc = n.type() == pugi::node_declaration ? n.attribute("encoding") : pugi::xml_attribute();
    if (enc && !NamesUtf8(enc.value())) {
      pugi::xml_document scratch;
      pugi::xml_node copy = scratch.append_copy(n);
      copy.attribute("encoding").set_value("UTF-8");
      copy.print(w, "", pugi::format_raw, pugi::encoding_utf8);
    } else {
      n.print(w, "", pugi::format_raw, pugi::encoding_utf8);
    }
    AppendXmlChars(out_, w.text);
  }

  static bool NamesUtf8(std::string_view e) {
    constexpr std::string_view kUtf8 = "utf-8";
    return e.size() == kUtf8.size() &&
           std::equal(e.begin(), e.end(), kUtf8.begin(), [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  }

  const SvgTree& t_;
  AtomicFile* file_;
  std::string out_, scratch_;
  std::vector<const ArtOpaque*> parts_;
  std::uint64_t written_ = 0;
  std::vector<std::pair<std::size_t, SvgStub>> moved_;
};

}  // namespace

bool IsSvgFile(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".svg";
}

namespace {

// Parses tree->buffer (with tree->stubs, if any). `whole` set: the stubs cannot stand (the
// parse failed or pugixml saw the text otherwise), parse the whole text instead.
std::unique_ptr<Document> ParseTree(const std::shared_ptr<SvgTree>& tree, const std::string& name, std::string& error, bool& whole) {
  whole = false;
  try {
    if (!tree->stubs.empty()) {  // grown piece by piece in the first pass
      tree->buffer.shrink_to_fit();
      tree->stubs.shrink_to_fit();
    }
    tree->lineStarts.push_back(0);
    const char* begin = tree->buffer.data();
    const char* end = begin + tree->buffer.size();
    for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));)
      tree->lineStarts.push_back(static_cast<std::size_t>(++p - begin));
    const pugi::xml_parse_result r = tree->xml.load_buffer_inplace(tree->buffer.data(), tree->buffer.size(), kParseFlags, pugi::encoding_auto);
    if (!tree->stubs.empty() && (!r || !StubsClaimed(*tree))) {
      whole = true;
      return nullptr;
    }
    if (!r) {
      error = name + ": line " + std::to_string(LineOf(*tree, r.offset)) + ": damaged SVG: " + r.description();
      return nullptr;
    }
    auto doc = std::make_unique<Document>();
    Loader(*tree, *doc).Run();
    doc->svgTree = tree;
    return doc;
  } catch (const SvgError& e) {
    error = OneLine(name + ": line " + std::to_string(e.line) + ": damaged SVG: " + e.what());
  } catch (const std::bad_alloc&) {
    error = name + ": the document is too large for memory";
  } catch (const std::exception& e) {
    error = OneLine(name + ": damaged SVG: " + e.what());
  }
  return nullptr;
}

// After a save: the stubs are read from the file just written, where they now lie (the file
// they came from may be gone or replaced by it). When that file cannot be opened, they stay
// where they were: on Windows, where the old one was closed for the save, they are then lost and
// a later save says so.
void Rebase(SvgTree& t, const std::filesystem::path& file, const std::vector<std::pair<std::size_t, SvgStub>>& moved,
            std::uint64_t written) {
  if (t.stubs.empty()) return;
  std::FILE* f = FopenShared(file);
  if (!f) return;
  auto source = std::make_unique<SvgSource>(f, file);
  if (source->Size() != static_cast<std::int64_t>(written)) return;
  for (SvgStub& s : t.stubs) s.quote = 0;  // not written: its element is gone
  for (const auto& [i, s] : moved) t.stubs[i] = s;
  t.source = std::move(source);
}

// The whole text parsed in place, no stubs.
std::unique_ptr<Document> ParseWhole(std::string bytes, const std::string& name, std::string& error) {
  auto tree = std::make_shared<SvgTree>();
  tree->buffer = std::move(bytes);  // before parsing: pugixml keeps pointers into it
  bool whole = false;
  return ParseTree(tree, name, error, whole);
}

}  // namespace

std::unique_ptr<Document> ParseSvgDocument(std::string bytes, const std::string& name, std::string& error) {
  if (bytes.size() > kMaxFileBytes) {
    error = name + ": the document is larger than 2 GiB";
    return nullptr;
  }
  auto tree = std::make_shared<SvgTree>();
  try {
    if (!Prepass(bytes).Run(tree->buffer, tree->stubs) || tree->stubs.empty()) return ParseWhole(std::move(bytes), name, error);
    tree->source = std::make_unique<SvgSource>(std::move(bytes));
  } catch (const std::bad_alloc&) {
    error = name + ": the document is too large for memory";
    return nullptr;
  }
  bool whole = false;
  auto doc = ParseTree(tree, name, error, whole);
  if (!whole) return doc;
  bytes = tree->source->TakeBytes();
  tree.reset();
  return ParseWhole(std::move(bytes), name, error);
}

std::unique_ptr<Document> ReadSvgDocument(const std::filesystem::path& file, std::string& error) {
  const std::string name = PathToUtf8(file);
  std::FILE* f = FopenShared(file);
  if (!f) {
    error = name + ": cannot open the document";
    return nullptr;
  }
  auto source = std::make_unique<SvgSource>(f, file);
  if (source->Size() > static_cast<std::int64_t>(kMaxFileBytes)) {
    error = name + ": the document is larger than 2 GiB";
    return nullptr;
  }
  std::unique_ptr<Document> doc;
  try {
    auto tree = std::make_shared<SvgTree>();
    bool ok = false;
    if (source->Regular()) {
      Prepass pass(f);
      ok = pass.Run(tree->buffer, tree->stubs);
      if (pass.TooLarge()) {
        error = name + ": the document is larger than 2 GiB";
        return nullptr;
      }
      if (pass.ReadFailed()) {
        error = name + ": cannot read the document";
        return nullptr;
      }
    }
    bool whole = !ok || !source->Regular();
    if (ok) {
      // Without stubs the text is the whole file; the file is not needed again.
      if (tree->stubs.empty()) source.reset();
      else tree->source = std::move(source);
      doc = ParseTree(tree, name, error, whole);
      if (whole) source = std::move(tree->source);
    }
    if (whole) {
      tree.reset();
      // Read again whole, from the start.
      std::string bytes;
      std::rewind(f);
      bytes.reserve(static_cast<std::size_t>(std::max<std::int64_t>(source->Size(), 0)));
      char buf[1 << 16];
      std::size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.append(buf, n);
        if (bytes.size() > kMaxFileBytes) {
          error = name + ": the document is larger than 2 GiB";
          return nullptr;
        }
      }
      if (std::ferror(f)) {
        error = name + ": cannot read the document";
        return nullptr;
      }
      source.reset();
      doc = ParseWhole(std::move(bytes), name, error);
    }
  } catch (const std::bad_alloc&) {
    error = name + ": the document is too large for memory";
    return nullptr;
  }
  if (doc) {
    std::error_code ec;
    doc->file = std::filesystem::absolute(file, ec);
  }
  return doc;
}

std::string SvgDocumentText(const Document& doc) {
  if (!doc.svgTree) doc.svgTree = NewTree(doc);
  Saver(*doc.svgTree, doc).Run();
  XmlOut out(*doc.svgTree, nullptr);
  out.Document();
  return std::move(out.Text());
}

bool WriteSvgDocument(const Document& doc, const std::filesystem::path& file, std::string& error) {
  return GuardedSave(file, error, [&] {
    if (!doc.svgTree) doc.svgTree = NewTree(doc);
    SvgTree& t = *doc.svgTree;
    CheckSource(t);  // before the tree changes
    Saver(t, doc).Run();
    AtomicFile f;
    if (!f.Open(file, error)) return false;
    XmlOut out(t, &f);
    out.Document();
#ifdef _WIN32
    // Windows does not rename over a file that is open.
    if (t.source) t.source->Close();
#endif
    if (!f.Commit(error)) {
      if (t.source) t.source->Reopen();
      return false;
    }
    Rebase(t, file, out.Moved(), out.Written());
    return true;
  });
}

}  // namespace vx::host
