#include "serve/sheet_geometry.h"

#include "host/svg.h"
#include "shell/text/text.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <map>

namespace vx::serve {

using namespace host;
using nlohmann::json;

namespace {

constexpr char kMagic[4] = {'V', 'X', 'G', '1'};
constexpr std::size_t kObjectInts = 5;
constexpr std::size_t kPartInts = 3;
enum ObjectKind : std::int32_t { kPath = 0, kText = 1, kSymbol = 2, kSublayer = 3 };
enum PartFlags : std::int32_t { kClosed = 1, kCurved = 2 };

void PutU32(std::string& out, std::uint32_t v) {
  const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
  out.append(b, 4);
}

void PutF32(std::string& out, float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutU32(out, bits);
}

double Round3(double v) { return std::isfinite(v) ? std::round(v * 1000) / 1000 : 0; }

// Each layer's position in pre-order.
using Preorder = std::map<const LayerOpaque*, std::size_t>;

Preorder PreorderOf(const Document& doc) {
  Preorder out;
  const auto pre = doc.PreorderLayers();
  for (std::size_t i = 0; i < pre.size(); ++i) out[pre[i]] = i;
  return out;
}

class Encoder {
 public:
  Encoder(const Document& doc, const LayerOpaque* layer, const Preorder& preorder)
      : doc_(doc), layer_(layer), preorder_(preorder) {
    origin_ = {doc.bounds.left, doc.bounds.top};
  }

  std::string Run() {
    // Top-level art numbered topmost first, sublayers left out (as selection counts it); drawn
    // bottom up.
    std::vector<const ArtOpaque*> kids;
    for (const ArtOpaque* c = layer_->group->firstChild; c; c = c->next)
      if (c->alive) kids.push_back(c);
    std::vector<std::int32_t> number(kids.size(), -1);
    std::int32_t n = 0;
    for (std::size_t i = 0; i < kids.size(); ++i)
      if (!kids[i]->layerOfGroup) number[i] = n++;
    std::vector<ArtOpaque*> all;
    Document::Walk(layer_->group, all);
    std::size_t segments = 0;
    for (const ArtOpaque* a : all) segments += a->segments.size();
    floats_.reserve(2 * segments);
    for (std::size_t k = kids.size(); k-- > 0;) {
      const ArtOpaque* a = kids[k];
      if (a->flags & kArtHidden) continue;
      if (a->layerOfGroup) {
        auto it = preorder_.find(a->layerOfGroup);
        if (it != preorder_.end()) Object(kSublayer, -1, static_cast<std::int32_t>(it->second));
        continue;
      }
      Art(a, number[k], 1.0);
    }
    return Finish();
  }

 private:
  void Object(std::int32_t kind, std::int32_t art, std::int32_t ref) {
    for (std::int32_t v : {kind, art, ref, static_cast<std::int32_t>(parts_.size() / kPartInts), 0}) objects_.push_back(v);
  }
  void AddPart(const ArtOpaque* p) {
    const auto& s = p->segments;
    bool curved = false;
    for (const PathSegment& g : s) curved = curved || !(g.in == g.p && g.out == g.p);
    parts_.push_back(static_cast<std::int32_t>(floats_.size()));
    parts_.push_back(static_cast<std::int32_t>(s.size()));
    parts_.push_back((p->closed ? kClosed : 0) | (curved ? kCurved : 0));
    for (const PathSegment& g : s) {
      if (curved) Point(g.in);
      Point(g.p);
      if (curved) Point(g.out);
    }
    ++objects_.back();  // the object's part count
  }
  void Point(const RealPoint& p) {
    floats_.push_back(Float(p.h - origin_.h));
    floats_.push_back(Float(origin_.v - p.v));
  }
  static float Float(double v) { return std::isfinite(v) ? static_cast<float>(v) : 0.0f; }
  void Box(const RealRect& r) {
    parts_.push_back(static_cast<std::int32_t>(floats_.size()));
    parts_.push_back(4);
    parts_.push_back(kClosed);
    for (const RealPoint& p : {RealPoint{r.left, r.top}, RealPoint{r.right, r.top}, RealPoint{r.right, r.bottom},
                               RealPoint{r.left, r.bottom}})
      Point(p);
    ++objects_.back();
  }

  std::int32_t StyleIndex(const PathStyle& s, double opacity) {
    json j = {{"fill", s.fillPaint ? CssColor(s.fill.color) : "none"},
              {"stroke", s.strokePaint ? CssColor(s.stroke.color) : "none"}};
    if (s.evenOdd) j["evenOdd"] = true;
    if (s.strokePaint) {
      static const char* caps[] = {"butt", "round", "square"};
      static const char* joins[] = {"miter", "round", "bevel"};
      j["width"] = Round3(s.stroke.width);
      j["cap"] = caps[static_cast<int>(s.stroke.cap) % 3];
      j["join"] = joins[static_cast<int>(s.stroke.join) % 3];
      j["miter"] = Round3(std::max(1.0, s.stroke.miterLimit));
      if (s.stroke.dashCount > 0) {
        json d = json::array();
        for (int i = 0; i < s.stroke.dashCount && i < kMaxDashes; ++i) d.push_back(Round3(s.stroke.dashes[static_cast<std::size_t>(i)]));
        j["dash"] = std::move(d);
        j["dashOffset"] = Round3(s.stroke.dashOffset);
      }
    }
    if (opacity < 1) j["opacity"] = Round3(opacity);
    const std::string key = j.dump();
    auto [it, fresh] = styleIndex_.emplace(key, static_cast<std::int32_t>(styles_.size()));
    if (fresh) styles_.push_back(std::move(j));
    return it->second;
  }

  void Art(const ArtOpaque* a, std::int32_t number, double opacity) {
    if (!a->alive || (a->flags & kArtHidden)) return;
    switch (a->type) {
      case ArtType::Group:
        // A group's contents are one object to select: each drawn piece carries its number.
        for (const ArtOpaque* c = a->lastChild; c; c = c->prev) Art(c, number, opacity * a->opacity);
        break;
      case ArtType::Path:
        if (a->guide || a->segments.empty()) return;
        Object(kPath, number, StyleIndex(a->style, opacity * a->opacity));
        AddPart(a);
        break;
      case ArtType::CompoundPath: {
        std::vector<const ArtOpaque*> parts;
        CompoundParts(a, parts);
        if (parts.empty()) return;
        Object(kPath, number, StyleIndex(CompoundStyle(a, parts), opacity * a->opacity));
        for (const ArtOpaque* p : parts) AddPart(p);
        break;
      }
      case ArtType::TextFrame: {
        json t = {{"x", Round3(a->Extra().anchor.h - origin_.h)},
                  {"y", Round3(origin_.v - a->Extra().anchor.v)},
                  {"size", Round3(a->Extra().fontSize)},
                  {"fill", CssColor(a->Extra().textFill)},
                  {"text", text::Utf16ToUtf8(a->Extra().text)}};
        if (a->Extra().justification == Justification::Center) t["align"] = "center";
        if (a->Extra().justification == Justification::Right) t["align"] = "right";
        if (opacity < 1) t["opacity"] = Round3(opacity);
        Object(kText, number, static_cast<std::int32_t>(texts_.size()));
        texts_.push_back(std::move(t));
        break;
      }
      case ArtType::Symbol: {
        PathStyle s;
        s.fillPaint = false;
        s.strokePaint = true;
        s.stroke.color = Color::Rgb(0x88 / 255.0, 0x88 / 255.0, 0x88 / 255.0);
        s.stroke.width = 1;
        s.stroke.dashCount = 2;
        s.stroke.dashes[0] = s.stroke.dashes[1] = 2;
        Object(kSymbol, number, StyleIndex(s, opacity));
        Box(a->Extra().symbolBounds);
        break;
      }
      default:
        break;
    }
  }

  std::string Finish() {
    std::string head = json{{"styles", styles_}, {"texts", texts_}}.dump(-1, ' ', false, json::error_handler_t::replace);
    while (head.size() % 4) head += ' ';
    std::string out;
    out.reserve(8 + head.size() + 12 + 4 * (objects_.size() + parts_.size() + floats_.size()));
    out.append(kMagic, 4);
    PutU32(out, static_cast<std::uint32_t>(head.size()));
    out += head;
    PutU32(out, static_cast<std::uint32_t>(objects_.size() / kObjectInts));
    PutU32(out, static_cast<std::uint32_t>(parts_.size() / kPartInts));
    PutU32(out, static_cast<std::uint32_t>(floats_.size()));
    for (std::int32_t v : objects_) PutU32(out, static_cast<std::uint32_t>(v));
    for (std::int32_t v : parts_) PutU32(out, static_cast<std::uint32_t>(v));
    for (float v : floats_) PutF32(out, v);
    return out;
  }

  const Document& doc_;
  const LayerOpaque* layer_;
  RealPoint origin_;
  const Preorder& preorder_;
  std::vector<std::int32_t> objects_, parts_;
  std::vector<float> floats_;
  json styles_ = json::array(), texts_ = json::array();
  std::map<std::string, std::int32_t> styleIndex_;
};

// What the encoding of a layer depends on, hashed in one pass without building anything: when it
// is unchanged, so are the bytes.
class Hasher {
 public:
  Hasher(const Document& doc, const Preorder& preorder) : preorder_(preorder) {
    Mix(doc.bounds.left), Mix(doc.bounds.top);
  }
  std::uint64_t Layer(const LayerOpaque* l) {
    Art(l->group);
    return h_;
  }

 private:
  void Mix(std::uint64_t v) { h_ = (h_ ^ v) * 0x100000001B3u + (h_ >> 29); }
  void Mix(double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, 8);
    Mix(v);
  }
  void Mix(const RealPoint& p) { Mix(p.h), Mix(p.v); }
  void Mix(const Color& c) {
    Mix(static_cast<std::uint64_t>(c.kind));
    for (double v : {c.gray, c.c, c.m, c.y, c.k, c.r, c.g, c.b}) Mix(v);
  }
  void Mix(const PathStyle& s) {
    Mix(static_cast<std::uint64_t>(s.fillPaint) | static_cast<std::uint64_t>(s.strokePaint) << 1 |
        static_cast<std::uint64_t>(s.evenOdd) << 2 | static_cast<std::uint64_t>(s.stroke.cap) << 3 |
        static_cast<std::uint64_t>(s.stroke.join) << 6 | static_cast<std::uint64_t>(s.stroke.dashCount) << 9);
    Mix(s.fill.color), Mix(s.stroke.color);
    for (double v : s.stroke.dashes) Mix(v);
    Mix(s.stroke.width), Mix(s.stroke.dashOffset), Mix(s.stroke.miterLimit);
  }
  void Art(const ArtOpaque* a) {
    for (const ArtOpaque* c = a->firstChild; c; c = c->next) {
      if (!c->alive) continue;
      Mix(static_cast<std::uint64_t>(c->type) | static_cast<std::uint64_t>(c->flags & ~kArtSelected) << 8 |
          static_cast<std::uint64_t>(c->closed) << 40 | static_cast<std::uint64_t>(c->guide) << 41 |
          static_cast<std::uint64_t>(c->Extra().justification) << 42);
      if (c->layerOfGroup) {
        auto it = preorder_.find(c->layerOfGroup);
        Mix(static_cast<std::uint64_t>(it == preorder_.end() ? ~std::size_t{0} : it->second));
        continue;
      }
      Mix(c->opacity);
      Mix(static_cast<std::uint64_t>(c->segments.size()));
      for (const PathSegment& g : c->segments) Mix(g.p), Mix(g.in), Mix(g.out);
      Mix(c->style);
      if (c->type == ArtType::TextFrame) {
        Mix(c->Extra().anchor), Mix(c->Extra().fontSize), Mix(c->Extra().textFill);
        Mix(static_cast<std::uint64_t>(c->Extra().text.size()));
        for (char16_t u : c->Extra().text) Mix(static_cast<std::uint64_t>(u));
      }
      if (c->type == ArtType::Symbol) Mix(RealPoint{c->Extra().symbolBounds.left, c->Extra().symbolBounds.top}), Mix(RealPoint{c->Extra().symbolBounds.right, c->Extra().symbolBounds.bottom});
      Mix(std::uint64_t{0xA5A5});  // the end of a child's contents
      Art(c);
      Mix(std::uint64_t{0x5A5A});
    }
  }

  const Preorder& preorder_;
  std::uint64_t h_ = 0xCBF29CE484222325u;
};

}  // namespace

std::string EncodeLayer(const Document& doc, const LayerOpaque* layer) {
  return Encoder(doc, layer, PreorderOf(doc)).Run();
}

std::vector<std::vector<std::int32_t>> SelectedArt(const Document& doc) {
  std::vector<std::vector<std::int32_t>> out;
  for (const LayerOpaque* l : doc.PreorderLayers()) {
    std::vector<std::int32_t> selected;
    std::int32_t n = 0;
    for (const ArtOpaque* c = l->group->firstChild; c; c = c->next) {
      if (!c->alive || c->layerOfGroup) continue;
      if (c->flags & kArtSelected) selected.push_back(n);
      ++n;
    }
    out.push_back(std::move(selected));
  }
  return out;
}

std::string SelectRefusal(const Document& doc, std::size_t layerIndex, std::int32_t art) {
  const auto pre = doc.PreorderLayers();
  if (layerIndex >= pre.size()) return "レイヤー " + std::to_string(layerIndex) + " はありません";
  const LayerOpaque* layer = pre[layerIndex];
  for (const LayerOpaque* l = layer; l; l = doc.ParentLayer(l)) {
    const std::string which = l == layer ? "レイヤー「" + l->title + "」" : "親レイヤー「" + l->title + "」";
    if (!l->visible) return which + "が非表示のため、選択できません";
    if (!l->editable) return which + "がロックされているため、選択できません";
  }
  std::int32_t n = 0;
  for (const ArtOpaque* c = layer->group->firstChild; c; c = c->next) {
    if (!c->alive || c->layerOfGroup) continue;
    if (n++ != art) continue;
    if (c->flags & kArtHidden) return "このオブジェクトは非表示のため、選択できません";
    if (c->flags & kArtLocked) return "このオブジェクトはロックされているため、選択できません";
    return "";
  }
  return "レイヤー「" + layer->title + "」にオブジェクト " + std::to_string(art) + " はありません";
}

void SheetGeometry::Update(const Document& doc) {
  // Nothing that the bytes are made of has changed (a layer shown or hidden, a selection): no pass.
  const std::uint64_t serial = doc.journal.ArtSerial();
  if (serial == serial_ && !layers_.empty()) return;
  serial_ = serial;
  std::vector<Layer> next;
  const Preorder preorder = PreorderOf(doc);
  for (const LayerOpaque* l : doc.PreorderLayers()) {
    const std::uint64_t hash = Hasher(doc, preorder).Layer(l);
    const Layer* same = nullptr;
    for (const Layer& old : layers_)
      if (old.layer == l && old.hash == hash) same = &old;
    next.push_back(same ? *same
                        : Layer{l, ++counter_, hash, std::make_shared<const std::string>(Encoder(doc, l, preorder).Run())});
  }
  layers_ = std::move(next);
}

std::shared_ptr<const std::string> SheetGeometry::Find(std::uint64_t revision) const {
  for (const Layer& l : layers_)
    if (l.revision == revision) return l.bytes;
  return nullptr;
}

}  // namespace vx::serve
