#include "import/kml_reader.h"
#include "shell/text/text.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unordered_map>

namespace vx::imp {

namespace {

constexpr std::size_t kMaxTagBytes = 64 * 1024;  // longer tags are cut (their name survives)
constexpr std::size_t kBlockBytes = 64 * 1024;
// Deeper elements are not tracked one by one: each closing tag then ends one of them.
constexpr std::size_t kMaxDepth = KmlReader::kMaxDepth;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes entities of text outside CDATA.
void DecodeEntities(std::string_view s, std::string& out) {
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c != '&') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t semi = s.find(';', i + 1);
    if (semi == std::string_view::npos || semi - i > 12) {
      out += c;
      ++i;
      continue;
    }
    const std::string_view ent = s.substr(i + 1, semi - i - 1);
    bool done = true;
    if (ent == "amp") out += '&';
    else if (ent == "lt") out += '<';
    else if (ent == "gt") out += '>';
    else if (ent == "quot") out += '"';
    else if (ent == "apos") out += '\'';
    else if (ent.size() >= 2 && ent[0] == '#') {
      std::uint32_t cp = 0;
      const bool hex = ent[1] == 'x' || ent[1] == 'X';
      const std::string_view digits = ent.substr(hex ? 2 : 1);
      done = !digits.empty();
      for (char d : digits) {
        const int v = hex ? HexDigit(d) : (d >= '0' && d <= '9' ? d - '0' : -1);
        if (v < 0) {
          done = false;
          break;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range without overflowing
      }
      if (done) text::AppendUtf8(out, cp == 0 ? char32_t{0xFFFD} : char32_t{cp});  // NUL is no XML character
    } else {
      done = false;
    }
    if (done) {
      i = semi + 1;
    } else {
      out += c;
      ++i;
    }
  }
}

// The value of attribute `name` in a tag's attribute text; empty when absent.
std::string AttributeValue(std::string_view attrs, std::string_view name) {
  std::size_t i = 0;
  while (i < attrs.size()) {
    while (i < attrs.size() && IsSpace(attrs[i])) ++i;
    const std::size_t start = i;
    while (i < attrs.size() && !IsSpace(attrs[i]) && attrs[i] != '=') ++i;
    const std::string_view key = attrs.substr(start, i - start);
    while (i < attrs.size() && IsSpace(attrs[i])) ++i;
    if (i >= attrs.size() || attrs[i] != '=') {
      if (i == start) ++i;
      continue;
    }
    ++i;
    while (i < attrs.size() && IsSpace(attrs[i])) ++i;
    if (i >= attrs.size()) break;
    std::string_view value;
    if (attrs[i] == '"' || attrs[i] == '\'') {
      const char q = attrs[i];
      const std::size_t end = attrs.find(q, i + 1);
      value = attrs.substr(i + 1, (end == std::string_view::npos ? attrs.size() : end) - i - 1);
      i = end == std::string_view::npos ? attrs.size() : end + 1;
    } else {
      const std::size_t s = i;
      while (i < attrs.size() && !IsSpace(attrs[i])) ++i;
      value = attrs.substr(s, i - s);
    }
    if (key == name) return DecodeKmlText(value);
  }
  return {};
}

// Element names without a namespace prefix of the KML namespace ("kml:Placemark").
std::string_view LocalName(std::string_view n) {
  if (n.size() > 4 && n.substr(0, 4) == "kml:") n.remove_prefix(4);
  return n;
}

}  // namespace

bool ParseKmlColor(std::string_view text, std::array<double, 4>& out) {
  text = Trim(text);
  if (text.size() != 8) return false;
  std::array<double, 4> v{};
  for (int k = 0; k < 4; ++k) {
    const int hi = HexDigit(text[2 * k]), lo = HexDigit(text[2 * k + 1]);
    if (hi < 0 || lo < 0) return false;
    v[static_cast<std::size_t>(k)] = (hi * 16 + lo) / 255.0;
  }
  out = v;
  return true;
}

void ParseKmlCoordinates(std::string_view text, data::PointList& out) {
  std::size_t i = 0;
  std::string tuple;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    if (i == start) break;
    tuple.assign(text.substr(start, i - start));
    const std::size_t comma = tuple.find(',');
    if (comma == std::string::npos) continue;
    const std::size_t comma2 = tuple.find(',', comma + 1);
    const std::string y = tuple.substr(comma + 1, comma2 == std::string::npos ? std::string::npos : comma2 - comma - 1);
    tuple.resize(comma);
    out.push_back({std::atof(tuple.c_str()), std::atof(y.c_str())});
  }
}

std::string DecodeKmlText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  std::size_t i = 0;
  while (i < raw.size()) {
    const std::size_t open = raw.find("<![CDATA[", i);
    if (open == std::string_view::npos) {
      DecodeEntities(raw.substr(i), out);
      break;
    }
    DecodeEntities(raw.substr(i, open - i), out);
    const std::size_t body = open + 9;
    const std::size_t close = raw.find("]]>", body);
    if (close == std::string_view::npos) {
      out.append(raw.substr(body));
      break;
    }
    out.append(raw.substr(body, close - body));
    i = close + 3;
  }
  return out;
}

const KmlStyle* KmlReader::Resolve(const std::string& id) const {
  std::set<std::string> seen;
  std::string key = id;
  for (;;) {
    if (!seen.insert(key).second) return nullptr;
    const auto it = styles_.find(key);
    if (it == styles_.end()) return nullptr;
    if (!it->second.isMap) return &it->second;
    key = it->second.mapTarget;
  }
}

// The scanner proper: bytes in, element events out, kept between blocks of input.
struct KmlReader::Impl {
  Impl(KmlReader& r, KmlHandler& h) : reader(r), handler(h) {}

  enum class Mode { kText, kMarkup, kComment, kCdata, kRaw };

  KmlReader& reader;
  KmlHandler& handler;
  Mode mode = Mode::kText;
  bool bomChecked = false;
  std::string tag;   // markup being read, without "<"
  char quote = 0;    // inside a quoted attribute value
  std::string text;  // character data of the element being kept
  bool keepText = false;
  std::string raw;  // a description read as it stands
  bool rawInCdata = false;

  std::vector<std::string> stack;  // open elements, local names
  std::unordered_map<std::string, std::size_t> openCount;  // of each name in `stack`
  std::size_t untracked = 0;  // open elements beyond kMaxDepth

  // Containers and the placemark being read.
  int containerDepth = 0;
  std::vector<std::size_t> containerAt;  // stack depth of each open container
  bool inPlacemark = false;
  std::size_t placemarkAt = 0;
  KmlPlacemark placemark;
  bool descriptionSeen = false;
  // The geometry being read and the polygon it belongs to.
  int polygonDepth = 0;
  bool innerRing = false;
  bool inStyle = false, styleInline = false, styleIsMap = false;
  std::size_t styleAt = 0;
  std::string styleId;
  KmlStyle style;
  std::string pairKey, pairUrl, mapTarget;
  data::PointList points;

  bool Has(std::string_view name) const {
    for (const std::string& s : stack)
      if (s == name) return true;
    return false;
  }
  const std::string& Parent(std::size_t up) const {
    static const std::string none;
    return stack.size() > up ? stack[stack.size() - 1 - up] : none;
  }

  static bool Kept(std::string_view n) {
    return n == "name" || n == "styleUrl" || n == "coordinates" || n == "color" || n == "width" || n == "fill" ||
           n == "outline" || n == "key";
  }

  void Push(std::string_view name) {
    stack.emplace_back(name);
    ++openCount[stack.back()];
  }

  void Open(std::string_view name, std::string_view attrs, bool selfClosing) {
    name = LocalName(name);
    if (stack.size() >= kMaxDepth || untracked > 0) {
      if (!selfClosing) ++untracked;
      ++reader.passedOver_;
      return;
    }
    if (name == "description" && !selfClosing) {
      Push(name);
      mode = Mode::kRaw;
      raw.clear();
      rawInCdata = false;
      return;
    }
    Push(name);
    if (name == "Document" || name == "Folder") {
      handler.ContainerBegin(name == "Document", containerDepth);
      ++containerDepth;
      containerAt.push_back(stack.size());
    } else if (name == "Placemark" && !inPlacemark) {
      inPlacemark = true;
      placemarkAt = stack.size();
      placemark = KmlPlacemark{};
      descriptionSeen = false;
    } else if ((name == "Style" || name == "StyleMap") && !inStyle) {
      inStyle = true;
      styleAt = stack.size();
      styleIsMap = name == "StyleMap";
      styleInline = inPlacemark;
      styleId = AttributeValue(attrs, "id");
      style = KmlStyle{};
      style.isMap = styleIsMap;
      pairKey.clear();
      pairUrl.clear();
      mapTarget.clear();
    } else if (inPlacemark && !inStyle) {
      if (name == "Polygon") {
        if (polygonDepth++ == 0) placemark.geometries.push_back({KmlGeometryKind::kPolygon, {}});
      } else if (name == "innerBoundaryIs") {
        innerRing = true;
      } else if (name == "outerBoundaryIs") {
        innerRing = false;
      }
    }
    text.clear();
    keepText = Kept(name);
    if (selfClosing) Close(name);
  }

  void Value(std::string_view name, const std::string& value) {
    const std::string_view parent = Parent(1);
    if (inStyle) {
      if (name == "color" && parent == "LineStyle") style.lineColorSet |= ParseKmlColor(value, style.lineColor);
      else if (name == "color" && parent == "PolyStyle") style.polyColorSet |= ParseKmlColor(value, style.polyColor);
      else if (name == "width" && parent == "LineStyle") {
        const double w = std::atof(value.c_str());
        if (std::isfinite(w) && w >= 0) style.lineWidth = w, style.widthSet = true;
      } else if ((name == "fill" || name == "outline") && parent == "PolyStyle") {
        const bool on = std::atoi(value.c_str()) != 0 || Trim(value) == "true";
        if (name == "fill") style.fill = on, style.fillSet = true;
        else style.outline = on, style.outlineSet = true;
      } else if (name == "key" && parent == "Pair") pairKey = value;
      else if (name == "styleUrl" && parent == "Pair") pairUrl = value;
      return;
    }
    if (name == "coordinates") {
      points.clear();
      ParseKmlCoordinates(value, points);
      handler.Coordinates(points);
      if (inPlacemark) Geometry();
      return;
    }
    if (inPlacemark && stack.size() == placemarkAt + 1) {
      if (name == "name") placemark.name = value;
      else if (name == "styleUrl") placemark.styleUrl = value.empty() ? std::string() : value.substr(1);
      return;
    }
    if (name == "name" && !containerAt.empty() && stack.size() == containerAt.back() + 1) handler.ContainerName(value);
  }

  // A coordinates element inside a placemark: its geometry is told by the element around it.
  void Geometry() {
    const std::string_view parent = Parent(1);
    if (parent == "Point") {
      if (!points.empty()) placemark.geometries.push_back({KmlGeometryKind::kPoint, {{points.front()}}});
    } else if (parent == "LineString") {
      placemark.geometries.push_back({KmlGeometryKind::kLineString, {points}});
    } else if (parent == "LinearRing" && polygonDepth > 0 && !placemark.geometries.empty() &&
               placemark.geometries.back().kind == KmlGeometryKind::kPolygon) {
      auto& rings = placemark.geometries.back().rings;
      // A ring of the outer boundary always comes first.
      if (!innerRing && !rings.empty()) rings.insert(rings.begin(), points);
      else rings.push_back(points);
    } else if (parent == "LinearRing") {
      placemark.geometries.push_back({KmlGeometryKind::kPolygon, {points}});
    } else if (Has("GroundOverlay")) {
      placemark.geometries.push_back({KmlGeometryKind::kGroundOverlay, {points}});
    }
  }

  void Close(std::string_view name) {
    name = LocalName(name);
    if (untracked > 0) {
      --untracked;
      return;
    }
    // Pops to the matching element; a closing tag that matches nothing open is ignored.
    const auto it = openCount.find(std::string(name));
    if (it == openCount.end() || it->second == 0) return;
    while (!stack.empty()) {
      const bool last = stack.back() == name;
      Pop();
      if (last) break;
    }
  }

  void Pop() {
    const std::string name = std::move(stack.back());
    if (keepText) {
      Value(name, std::string(Trim(DecodeKmlText(text))));
      keepText = false;
      text.clear();
    }
    const std::size_t depth = stack.size();
    if (inStyle && depth == styleAt) {
      inStyle = false;
      if (styleIsMap) style.mapTarget = mapTarget;
      if (styleInline && inPlacemark && !styleIsMap) {
        placemark.hasInlineStyle = true;
        placemark.inlineStyle = style;
      } else if (!styleInline && !styleId.empty()) {
        reader.styles_.emplace(styleId, style);
      }
    } else if (inStyle && name == "Pair") {
      if (pairKey == "normal" && mapTarget.empty()) mapTarget = pairUrl.empty() ? std::string() : pairUrl.substr(1);
      pairKey.clear();
      pairUrl.clear();
    }
    if (inPlacemark && !inStyle) {
      if (name == "Polygon" && polygonDepth > 0) --polygonDepth;
      else if (name == "innerBoundaryIs") innerRing = false;
    }
    if (inPlacemark && depth == placemarkAt) {
      inPlacemark = false;
      polygonDepth = 0;
      innerRing = false;
      handler.Placemark(placemark);
      placemark = KmlPlacemark{};
    }
    if (!containerAt.empty() && depth == containerAt.back()) {
      containerAt.pop_back();
      --containerDepth;
      handler.ContainerEnd();
    }
    --openCount[name];
    stack.pop_back();
  }

  void Markup() {
    // `tag` holds what stood between "<" and ">".
    // Declarations, processing instructions and empty tags hold no element.
    if (tag.empty() || tag[0] == '?' || tag[0] == '!') return;
    if (tag[0] == '/') {
      std::string_view n(tag);
      n.remove_prefix(1);
      Close(Trim(n));
      return;
    }
    bool selfClosing = tag.back() == '/';
    std::string_view body(tag);
    if (selfClosing) body.remove_suffix(1);
    std::size_t end = 0;
    while (end < body.size() && !IsSpace(body[end])) ++end;
    if (end == 0) return;
    Open(body.substr(0, end), body.substr(end), selfClosing);
  }

  void EndRaw() {
    if (inPlacemark && stack.size() == placemarkAt + 1 && !descriptionSeen) {
      placemark.description = std::string(Trim(DecodeKmlText(raw)));
      descriptionSeen = true;
    }
    raw.clear();
    --openCount[stack.back()];
    stack.pop_back();
    mode = Mode::kText;
  }

  static bool EndsWith(const std::string& s, std::string_view end) {
    return s.size() >= end.size() && std::memcmp(s.data() + s.size() - end.size(), end.data(), end.size()) == 0;
  }

  void Feed(std::string_view bytes) {
    if (!bomChecked && !bytes.empty()) {
      if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
      bomChecked = true;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const char c = bytes[i];
      switch (mode) {
        case Mode::kText:
          if (c == '<') {
            mode = Mode::kMarkup;
            tag.clear();
            quote = 0;
          } else if (keepText) {
            text += c;
          }
          break;
        case Mode::kMarkup:
          if (quote) {
            if (c == quote) quote = 0;
            if (tag.size() < kMaxTagBytes) tag += c;
            break;
          }
          if (c == '>') {
            mode = Mode::kText;
            Markup();
            break;
          }
          if (tag.size() < kMaxTagBytes) tag += c;
          if ((c == '"' || c == '\'') && !tag.empty() && tag[0] != '!' && tag[0] != '?') quote = c;
          if (tag == "!--") mode = Mode::kComment, tag.clear();
          else if (tag == "![CDATA[") {
            mode = Mode::kCdata;
            tag.clear();
            if (keepText) text += "<![CDATA[";
          }
          break;
        case Mode::kComment:
          tag += c;
          if (tag.size() > 3) tag.erase(0, tag.size() - 3);
          if (tag == "-->") mode = Mode::kText;
          break;
        case Mode::kCdata:
          // Kept wrapped, so that the final decoding takes it as it stands.
          if (keepText) text += c;
          tag += c;
          if (tag.size() > 3) tag.erase(0, tag.size() - 3);
          if (tag == "]]>") mode = Mode::kText;
          break;
        case Mode::kRaw:
          raw += c;
          if (rawInCdata) {
            if (EndsWith(raw, "]]>")) rawInCdata = false;
          } else if (EndsWith(raw, "<![CDATA[")) {
            rawInCdata = true;
          } else if (c == '>' && EndsWith(raw, "</description>")) {
            raw.resize(raw.size() - 14);
            EndRaw();
          } else if (c == '>' && EndsWith(raw, "</kml:description>")) {
            raw.resize(raw.size() - 18);
            EndRaw();
          }
          break;
      }
    }
  }

  void Finish() {
    if (mode == Mode::kRaw) EndRaw();
    mode = Mode::kText;
    while (!stack.empty()) Pop();
  }
};

bool KmlReader::ReadBuffer(std::string_view bytes, KmlHandler& handler) {
  passedOver_ = 0;
  Impl impl(*this, handler);
  for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
    if (!handler.Progress(at, bytes.size())) return false;
    impl.Feed(bytes.substr(at, kBlockBytes));
  }
  impl.Finish();
  return true;
}

bool KmlReader::Read(std::FILE* file, std::uint64_t size, KmlHandler& handler) {
  passedOver_ = 0;
  Impl impl(*this, handler);
  std::vector<char> block(kBlockBytes);
  std::uint64_t done = 0;
  for (;;) {
    if (!handler.Progress(done, size)) return false;
    const std::size_t n = std::fread(block.data(), 1, block.size(), file);
    if (n == 0) break;
    impl.Feed(std::string_view(block.data(), n));
    done += n;
  }
  impl.Finish();
  return true;
}

}  // namespace vx::imp
