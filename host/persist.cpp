// Saving and loading documents as JSON (format described in docs/document-format.md).
#include "host/impl.h"

#include <fstream>
#include <sstream>
#include <unordered_map>

namespace vx::host {
namespace {

using nlohmann::json;

constexpr const char* kFormat = "vxshape-document";
constexpr int kVersion = 1;
constexpr int kMaxDepth = 1000;

const char* KindName(ArtType t) {
  switch (t) {
    case ArtType::Group: return "group";
    case ArtType::Path: return "path";
    case ArtType::CompoundPath: return "compound";
    case ArtType::TextFrame: return "text";
    case ArtType::Symbol: return "symbol";
    default: return "other";
  }
}

ArtType KindFromName(const std::string& s) {
  if (s == "group") return ArtType::Group;
  if (s == "path") return ArtType::Path;
  if (s == "compound") return ArtType::CompoundPath;
  if (s == "text") return ArtType::TextFrame;
  if (s == "symbol") return ArtType::Symbol;
  if (s == "other") return ArtType::Other;
  throw std::runtime_error("unknown art kind \"" + s + "\"");
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF), as the JSON writer
// accepts it; other byte strings are written as hex.
bool ValidUtf8(const std::string& s) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len;
    std::uint32_t cp;
    if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07;
    else return false;
    if (len > n - i) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

std::string Hex(const std::string& s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

std::string Unhex(const std::string& s) {
  if (s.size() % 2) throw std::runtime_error("odd hex text");
  auto v = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::runtime_error("bad hex digit");
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); i += 2) out += static_cast<char>(v(s[i]) * 16 + v(s[i + 1]));
  return out;
}

json ColorJson(const Color& c) {
  switch (c.kind) {
    case ColorKind::None: return nullptr;
    case ColorKind::Gray: return {{"gray", c.gray}};
    case ColorKind::Cmyk: return {{"cmyk", {c.c, c.m, c.y, c.k}}};
    case ColorKind::Rgb: return {{"rgb", {c.r, c.g, c.b}}};
  }
  return nullptr;
}

Color ColorFrom(const json& j) {
  Color c;
  if (j.is_null()) return c;
  if (j.contains("gray")) {
    c.kind = ColorKind::Gray;
    c.gray = j.at("gray").get<double>();
  } else if (j.contains("cmyk")) {
    auto v = j.at("cmyk").get<std::vector<double>>();
    if (v.size() != 4) throw std::runtime_error("cmyk needs 4 components");
    c = Color::Cmyk(v[0], v[1], v[2], v[3]);
  } else if (j.contains("rgb")) {
    auto v = j.at("rgb").get<std::vector<double>>();
    if (v.size() != 3) throw std::runtime_error("rgb needs 3 components");
    c = Color::Rgb(v[0], v[1], v[2]);
  } else {
    throw std::runtime_error("unknown colour");
  }
  return c;
}

json StyleJson(const PathStyle& s) {
  json st;
  st["fill"] = s.fillPaint ? ColorJson(s.fill.color) : json(nullptr);
  if (s.fillPaint && s.fill.color.kind == ColorKind::None) st["fill"] = json::object();
  st["fillOverprint"] = s.fill.overprint;
  st["stroke"] = s.strokePaint ? ColorJson(s.stroke.color) : json(nullptr);
  if (s.strokePaint && s.stroke.color.kind == ColorKind::None) st["stroke"] = json::object();
  st["strokeOverprint"] = s.stroke.overprint;
  st["width"] = s.stroke.width;
  st["dashes"] = std::vector<double>(s.stroke.dashes.begin(), s.stroke.dashes.begin() + s.stroke.dashCount);
  st["dashOffset"] = s.stroke.dashOffset;
  st["cap"] = static_cast<int>(s.stroke.cap);
  st["join"] = static_cast<int>(s.stroke.join);
  st["miterLimit"] = s.stroke.miterLimit;
  st["evenOdd"] = s.evenOdd;
  return st;
}

PathStyle StyleFrom(const json& st) {
  PathStyle s;
  const json& f = st.at("fill");
  s.fillPaint = !f.is_null();
  if (s.fillPaint && !f.empty()) s.fill.color = ColorFrom(f);
  s.fill.overprint = st.at("fillOverprint").get<bool>();
  const json& k = st.at("stroke");
  s.strokePaint = !k.is_null();
  if (s.strokePaint && !k.empty()) s.stroke.color = ColorFrom(k);
  s.stroke.overprint = st.at("strokeOverprint").get<bool>();
  s.stroke.width = st.at("width").get<double>();
  auto d = st.at("dashes").get<std::vector<double>>();
  if (d.size() > kMaxDashes) throw std::runtime_error("more than 6 dashes");
  s.stroke.dashCount = static_cast<std::int32_t>(d.size());
  std::copy(d.begin(), d.end(), s.stroke.dashes.begin());
  s.stroke.dashOffset = st.at("dashOffset").get<double>();
  const int cap = st.at("cap").get<int>(), join = st.at("join").get<int>();
  if (cap < 0 || cap > 2 || join < 0 || join > 2) throw std::runtime_error("bad cap or join");
  s.stroke.cap = static_cast<LineCap>(cap);
  s.stroke.join = static_cast<LineJoin>(join);
  s.stroke.miterLimit = st.at("miterLimit").get<double>();
  s.evenOdd = st.at("evenOdd").get<bool>();
  return s;
}

// Arrays and dictionaries are written once each into tables and referred to by index, so that a
// shared array stays shared after a load.
class Writer {
 public:
  json arrays = json::array();
  json dicts = json::array();

  json EntryJson(const Entry& e) {
    switch (e.Type()) {
      case EntryType::Integer: {
        std::int32_t v = 0;
        e.AsInteger(v);
        return {{"int", v}};
      }
      case EntryType::Boolean: {
        bool v = false;
        e.AsBoolean(v);
        return {{"bool", v}};
      }
      case EntryType::Real: {
        double v = 0;
        e.AsReal(v);
        return {{"real", v}};
      }
      case EntryType::String: {
        std::string v;
        e.AsString(v);
        if (ValidUtf8(v)) return {{"string", v}};
        return {{"stringHex", Hex(v)}};
      }
      case EntryType::Array: {
        ArrayRef a;
        e.AsArray(a);
        return {{"array", ArrayId(a)}};
      }
      case EntryType::Dictionary: {
        DictionaryRef d;
        e.AsDictionary(d);
        return {{"dict", DictId(d)}};
      }
    }
    return nullptr;
  }

  std::size_t ArrayId(const ArrayRef& a) {
    auto it = arrayIds_.find(a.get());
    if (it != arrayIds_.end()) return it->second;
    const std::size_t id = arrays.size();
    arrayIds_[a.get()] = id;
    arrays.push_back(nullptr);
    json items = json::array();
    for (std::int32_t i = 0; i < a->Count(); ++i) {
      Entry e;
      a->Get(i, e);
      items.push_back(EntryJson(e));
    }
    arrays[id] = std::move(items);
    return id;
  }

  std::size_t DictId(const DictionaryRef& d) {
    auto it = dictIds_.find(d.get());
    if (it != dictIds_.end()) return it->second;
    const std::size_t id = dicts.size();
    dictIds_[d.get()] = id;
    dicts.push_back(nullptr);
    json entries = json::object();
    for (const std::string& k : d->Keys()) {
      Entry e;
      d->Get(k, e);
      entries[k] = EntryJson(e);
    }
    dicts[id] = std::move(entries);
    return id;
  }

  json ArtJson(const ArtOpaque* a) {
    json j;
    j["kind"] = KindName(a->type);
    if (a->flags & kArtSelected) j["selected"] = true;
    if (a->flags & kArtLocked) j["locked"] = true;
    if (a->flags & kArtHidden) j["hidden"] = true;
    if (a->opacity != 1.0) j["opacity"] = a->opacity;
    switch (a->type) {
      case ArtType::Path: {
        // Straight segments (handles on the anchor) are written as two numbers, others as six.
        bool straight = true;
        for (const auto& s : a->segments) straight = straight && s.in == s.p && s.out == s.p && !s.corner;
        json pts = json::array();
        auto& v = pts.get_ref<json::array_t&>();
        v.reserve(a->segments.size() * (straight ? 2 : 6));
        for (const auto& s : a->segments) {
          v.emplace_back(s.p.h);
          v.emplace_back(s.p.v);
          if (!straight) {
            v.emplace_back(s.in.h);
            v.emplace_back(s.in.v);
            v.emplace_back(s.out.h);
            v.emplace_back(s.out.v);
          }
        }
        j[straight ? "points" : "segments"] = std::move(pts);
        if (!straight) {
          std::string corners;
          for (const auto& s : a->segments) corners += s.corner ? '1' : '0';
          j["corners"] = corners;
        }
        j["closed"] = a->closed;
        if (a->guide) j["guide"] = true;
        if (a->clip) j["clip"] = true;
        j["style"] = StyleJson(a->style);
        break;
      }
      case ArtType::CompoundPath:
        if (a->clip) j["clip"] = true;
        j["style"] = StyleJson(a->style);
        break;
      case ArtType::TextFrame: {
        j["frame"] = static_cast<int>(a->frameKind);
        j["vertical"] = a->orientation == TextOrientation::Vertical;
        j["anchor"] = {a->anchor.h, a->anchor.v};
        std::u16string t = a->text;
        json units = json::array();
        for (char16_t c : t) units.push_back(static_cast<int>(c));
        j["utf16"] = std::move(units);
        j["fontSize"] = a->fontSize;
        j["textFill"] = ColorJson(a->textFill);
        j["justification"] = static_cast<int>(a->justification);
        break;
      }
      case ArtType::Symbol:
        j["symbol"] = a->symbolName;
        j["bounds"] = {a->symbolBounds.left, a->symbolBounds.top, a->symbolBounds.right, a->symbolBounds.bottom};
        break;
      default:
        break;
    }
    if (a->dictionary) j["dict"] = DictId(a->dictionary);
    if (!a->tags.empty()) {
      json tags = json::array();
      for (const auto& t : a->tags) {
        json tj{{"name", t.name}, {"type", t.type}};
        if (ValidUtf8(t.value)) tj["value"] = t.value; else tj["valueHex"] = Hex(t.value);
        tags.push_back(std::move(tj));
      }
      j["tags"] = std::move(tags);
    }
    if (a->type == ArtType::Group || a->type == ArtType::CompoundPath) {
      json kids = json::array();
      for (const ArtOpaque* c = a->firstChild; c; c = c->next) {
        if (!c->alive) continue;
        if (c->layerOfGroup) kids.push_back({{"kind", "layer"}, {"layer", LayerJson(c->layerOfGroup)}});
        else kids.push_back(ArtJson(c));
      }
      j["children"] = std::move(kids);
    }
    return j;
  }

  json LayerJson(const LayerOpaque* l) {
    json j;
    j["title"] = l->title;
    j["visible"] = l->visible;
    j["editable"] = l->editable;
    j["group"] = ArtJson(l->group);
    return j;
  }

 private:
  std::unordered_map<const Array*, std::size_t> arrayIds_;
  std::unordered_map<const Dictionary*, std::size_t> dictIds_;
};

class Reader {
 public:
  Reader(const json& root, Document& doc) : root_(root), doc_(doc) {
    arrays_.resize(root.at("arrays").size());
    dicts_.resize(root.at("dictionaries").size());
  }

  Entry EntryFrom(const json& j) {
    if (j.contains("int")) return Entry::Integer(j.at("int").get<std::int32_t>());
    if (j.contains("bool")) return Entry::Boolean(j.at("bool").get<bool>());
    if (j.contains("real")) return Entry::Real(j.at("real").get<double>());
    if (j.contains("string")) return Entry::String(j.at("string").get<std::string>());
    if (j.contains("stringHex")) return Entry::String(Unhex(j.at("stringHex").get<std::string>()));
    if (j.contains("array")) return Entry::FromArray(ArrayAt(j.at("array").get<std::size_t>()));
    if (j.contains("dict")) return Entry::FromDictionary(DictAt(j.at("dict").get<std::size_t>()));
    throw std::runtime_error("unknown entry type");
  }

  ArrayRef ArrayAt(std::size_t id) {
    if (id >= arrays_.size()) throw std::runtime_error("array reference out of range");
    if (arrays_[id]) return arrays_[id];
    if (busy_.count(id)) throw std::runtime_error("array contains itself");
    busy_.insert(id);
    auto a = std::make_shared<ArrayImpl>();
    arrays_[id] = a;
    for (const json& e : root_.at("arrays").at(id)) a->Append(EntryFrom(e));
    return a;
  }

  DictionaryRef DictAt(std::size_t id) {
    if (id >= dicts_.size()) throw std::runtime_error("dictionary reference out of range");
    if (dicts_[id]) return dicts_[id];
    auto d = std::make_shared<DictionaryImpl>();
    dicts_[id] = d;
    for (const auto& [k, e] : root_.at("dictionaries").at(id).items()) d->Set(k, EntryFrom(e));
    return d;
  }

  void FillArt(ArtOpaque* a, const json& j, int depth) {
    // Drawing, rendering and bounds recurse over the tree; a document deeper than any drawing
    // needs is refused rather than risking the stack.
    if (depth > kMaxDepth) throw std::runtime_error("art nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (j.value("selected", false)) a->flags |= kArtSelected;
    if (j.value("locked", false)) a->flags |= kArtLocked;
    if (j.value("hidden", false)) a->flags |= kArtHidden;
    a->opacity = j.value("opacity", 1.0);
    switch (a->type) {
      case ArtType::Path: {
        const bool straight = j.contains("points");
        const json& pts = straight ? j.at("points") : j.at("segments");
        const std::size_t per = straight ? 2 : 6;
        const auto& v = pts.get_ref<const json::array_t&>();
        if (v.size() % per) throw std::runtime_error("path coordinates do not come in whole segments");
        a->segments.resize(v.size() / per);
        std::string corners = straight ? std::string() : j.at("corners").get<std::string>();
        if (!straight && corners.size() != a->segments.size()) throw std::runtime_error("corner flags do not match");
        for (std::size_t i = 0; i < a->segments.size(); ++i) {
          PathSegment& s = a->segments[i];
          const std::size_t b = i * per;
          s.p = {v[b].get<double>(), v[b + 1].get<double>()};
          if (straight) {
            s.in = s.out = s.p;
          } else {
            s.in = {v[b + 2].get<double>(), v[b + 3].get<double>()};
            s.out = {v[b + 4].get<double>(), v[b + 5].get<double>()};
            s.corner = corners[i] == '1';
          }
        }
        a->closed = j.at("closed").get<bool>();
        a->guide = j.value("guide", false);
        a->clip = j.value("clip", false);
        a->style = StyleFrom(j.at("style"));
        break;
      }
      case ArtType::CompoundPath:
        a->clip = j.value("clip", false);
        a->style = StyleFrom(j.at("style"));
        break;
      case ArtType::TextFrame: {
        const int frame = j.at("frame").get<int>();
        if (frame < 0 || frame > 2) throw std::runtime_error("bad text frame kind");
        a->frameKind = static_cast<TextFrameKind>(frame);
        a->orientation = j.at("vertical").get<bool>() ? TextOrientation::Vertical : TextOrientation::Horizontal;
        auto an = j.at("anchor").get<std::vector<double>>();
        if (an.size() != 2) throw std::runtime_error("bad text anchor");
        a->anchor = {an[0], an[1]};
        for (const json& u : j.at("utf16")) {
          const int c = u.get<int>();
          if (c < 0 || c > 0xFFFF) throw std::runtime_error("bad UTF-16 code unit");
          a->text += static_cast<char16_t>(c);
        }
        a->fontSize = j.at("fontSize").get<double>();
        a->textFill = ColorFrom(j.at("textFill"));
        const int just = j.at("justification").get<int>();
        if (just < 0 || just > 3) throw std::runtime_error("bad justification");
        a->justification = static_cast<Justification>(just);
        break;
      }
      case ArtType::Symbol: {
        a->symbolName = j.at("symbol").get<std::string>();
        auto b = j.at("bounds").get<std::vector<double>>();
        if (b.size() != 4) throw std::runtime_error("bad symbol bounds");
        a->symbolBounds = {b[0], b[1], b[2], b[3]};
        break;
      }
      default:
        break;
    }
    if (j.contains("dict")) a->dictionary = DictAt(j.at("dict").get<std::size_t>());
    if (j.contains("tags"))
      for (const json& t : j.at("tags"))
        a->tags.push_back({t.at("name").get<std::string>(), t.at("type").get<std::string>(),
                           t.contains("valueHex") ? Unhex(t.at("valueHex").get<std::string>())
                                                  : t.at("value").get<std::string>()});
    if (a->type == ArtType::Group || a->type == ArtType::CompoundPath) {
      if (!j.contains("children")) return;
      for (const json& c : j.at("children")) {
        const std::string kind = c.at("kind").get<std::string>();
        ArtOpaque* child;
        if (kind == "layer") {
          if (a->type != ArtType::Group) throw std::runtime_error("a sublayer inside a compound path");
          child = LayerFrom(c.at("layer"), depth + 1)->group;
        } else {
          child = doc_.NewNode(KindFromName(kind));
          if (child->type == ArtType::CompoundPath || child->type == ArtType::Group || child->type == ArtType::Path ||
              child->type == ArtType::TextFrame || child->type == ArtType::Symbol || child->type == ArtType::Other) {
            FillArt(child, c, depth + 1);
          }
        }
        if (Err e = doc_.Place(child, PaintOrder::InsideOnBottom, a)) throw std::runtime_error("cannot place art: " + ErrText(e));
      }
    }
  }

  LayerOpaque* LayerFrom(const json& j, int depth) {
    LayerOpaque* l = doc_.NewLayer(j.at("title").get<std::string>());
    l->visible = j.at("visible").get<bool>();
    l->editable = j.at("editable").get<bool>();
    const json& g = j.at("group");
    if (g.at("kind").get<std::string>() != "group") throw std::runtime_error("a layer's art must be a group");
    FillArt(l->group, g, depth);
    return l;
  }

 private:
  const json& root_;
  Document& doc_;
  std::vector<ArrayRef> arrays_;
  std::vector<DictionaryRef> dicts_;
  std::set<std::size_t> busy_;
};

}  // namespace

bool StandInHost::SaveDocument(const std::filesystem::path& file, std::string& error) {
  if (!doc_) {
    error = "no document is open";
    return false;
  }
  Writer w;
  json root;
  root["format"] = kFormat;
  root["version"] = kVersion;
  const RealRect& b = doc_->bounds;
  root["bounds"] = {b.left, b.top, b.right, b.bottom};
  json layers = json::array();
  for (const LayerOpaque* l : doc_->layers) layers.push_back(w.LayerJson(l));
  root["layers"] = std::move(layers);
  // The current layer as its position in pre-order.
  const auto pre = doc_->PreorderLayers();
  auto it = std::find(pre.begin(), pre.end(), doc_->current);
  root["currentLayer"] = it == pre.end() ? -1 : static_cast<int>(it - pre.begin());
  root["arrays"] = std::move(w.arrays);
  root["dictionaries"] = std::move(w.dicts);

  // Written beside the target and renamed over it, so a failure never leaves half a document.
  const std::filesystem::path tmp = file.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot write " + tmp.string();
      return false;
    }
    const std::string text = root.dump();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.put('\n');
    if (!out.flush()) {
      error = "cannot write " + tmp.string();
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, file, ec);
  if (ec) {
    error = "cannot replace " + file.string() + ": " + ec.message();
    std::filesystem::remove(tmp, ec);
    return false;
  }
  doc_->file = std::filesystem::absolute(file, ec);
  return true;
}

bool StandInHost::OpenDocument(const std::filesystem::path& file, std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = file.string() + ": cannot open the document";
    return false;
  }
  try {
    std::ostringstream ss;
    ss << in.rdbuf();
    const json root = json::parse(ss.str());
    if (!root.is_object() || root.value("format", "") != kFormat)
      throw std::runtime_error("not a vxshape document");
    if (root.at("version").get<int>() != kVersion)
      throw std::runtime_error("document version " + root.at("version").dump() + " is not supported");
    auto doc = std::make_unique<Document>();
    auto b = root.at("bounds").get<std::vector<double>>();
    if (b.size() != 4) throw std::runtime_error("bad bounds");
    doc->bounds = {b[0], b[1], b[2], b[3]};
    Reader r(root, *doc);
    for (const json& l : root.at("layers")) doc->layers.push_back(r.LayerFrom(l, 0));
    const int cur = root.at("currentLayer").get<int>();
    const auto pre = doc->PreorderLayers();
    if (cur >= static_cast<int>(pre.size())) throw std::runtime_error("current layer out of range");
    doc->current = cur >= 0 ? pre[static_cast<std::size_t>(cur)] : nullptr;
    std::error_code ec;
    doc->file = std::filesystem::absolute(file, ec);
    doc_ = std::move(doc);
    return true;
  } catch (const std::exception& e) {
    std::string what = e.what();
    if (auto nl = what.find('\n'); nl != std::string::npos) what.resize(nl);
    // The JSON library prefixes its messages with "[json.exception.kind.N] ".
    if (what.rfind("[json.exception.", 0) == 0)
      if (auto end = what.find("] "); end != std::string::npos) what.erase(0, end + 2);
    error = file.string() + ": damaged document: " + what;
    return false;
  }
}

}  // namespace vx::host
