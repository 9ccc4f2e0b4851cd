// Loading documents: the lexer (document_lexer.h) reads the file in chunks and the reader builds
// the document as it goes, so the text is never held whole. Hand-written: rapidjson's SAX reader,
// measured on a document of 1.5 million vertices, only parses in about the time this reader
// parses and builds the paths, and this one keeps the messages and limits; simdjson needs the
// whole text in memory, which the memory budget does not allow.
#include "host/document_io.h"
#include "host/document_lexer.h"
#include "host/impl.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

namespace vx::host {

using namespace docfile;

namespace {

// ----- reading values with their places

std::string DescribeNumber(double x) {
  char tmp[32];
  const auto r = std::to_chars(tmp, tmp + sizeof tmp, x);
  return std::string(tmp, r.ptr);
}

std::string Describe(const Node& v) {
  switch (v.kind) {
    case Node::Kind::Null: return "null";
    case Node::Kind::Bool: return v.b ? "true" : "false";
    case Node::Kind::Number: return DescribeNumber(v.num);
    case Node::Kind::String: return "the text " + Quote(v.str);
    case Node::Kind::Array: return "a list";
    case Node::Kind::Object: return "an object";
  }
  return "?";
}

const Node& Need(const Node& o, const char* key, const Where& w) {
  if (const Node* v = o.Find(key)) return *v;
  Fail(w, std::string("key '") + key + "' missing");
}

void Expect(const Node& v, Node::Kind k, const char* what, const Where& w) {
  if (v.kind != k) Fail(w, std::string(what) + " is needed, not " + Describe(v));
}

const Node& Obj(const Node& v, const Where& w) {
  Expect(v, Node::Kind::Object, "an object", w);
  return v;
}

double Num(const Node& v, const Where& w) {
  Expect(v, Node::Kind::Number, "a number", w);
  return v.num;
}

bool Bool(const Node& v, const Where& w) {
  Expect(v, Node::Kind::Bool, "true or false", w);
  return v.b;
}

const std::string& Str(const Node& v, const Where& w) {
  Expect(v, Node::Kind::String, "a text", w);
  return v.str;
}

std::int64_t IntIn(const Node& v, std::int64_t lo, std::int64_t hi, const Where& w) {
  if (v.kind != Node::Kind::Number || !(v.num >= static_cast<double>(lo) && v.num <= static_cast<double>(hi)) ||
      v.num != std::trunc(v.num))
    Fail(w, "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + " is needed, not " +
                Describe(v));
  return static_cast<std::int64_t>(v.num);
}

// A list of numbers; `count` of them unless 0.
const std::vector<double>& Numbers(const Node& v, std::size_t count, const Where& w) {
  if (v.kind != Node::Kind::Array) Fail(w, "a list of numbers is needed, not " + Describe(v));
  for (std::size_t i = 0; i < v.items.size(); ++i)
    if (v.items[i].kind != Node::Kind::Number) Fail(w.At(i), "a number is needed, not " + Describe(v.items[i]));
  if (count && v.nums.size() != count)
    Fail(w, "a list of " + std::to_string(count) + " numbers is needed, not " + std::to_string(v.nums.size()));
  return v.nums;
}

// The elements of a list that are not numbers (objects, lists); an empty list is fine.
const std::vector<Node>& Items(const Node& v, const Where& w) {
  Expect(v, Node::Kind::Array, "a list", w);
  if (v.items.empty() && !v.nums.empty()) Fail(w.At(0), "an object is needed, not " + DescribeNumber(v.nums[0]));
  return v.items;
}

bool OptBool(const Node& o, const char* key, bool def, const Where& w) {
  const Node* v = o.Find(key);
  return v ? Bool(*v, w.Key(key)) : def;
}

double OptNum(const Node& o, const char* key, double def, const Where& w) {
  const Node* v = o.Find(key);
  return v ? Num(*v, w.Key(key)) : def;
}

std::int64_t OptInt(const Node& o, const char* key, std::int64_t lo, std::int64_t hi, std::int64_t def,
                    const Where& w) {
  const Node* v = o.Find(key);
  return v ? IntIn(*v, lo, hi, w.Key(key)) : def;
}

std::string Unhex(const std::string& s, const Where& w) {
  if (s.size() % 2) Fail(w, "hex text of odd length");
  auto digit = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    Fail(w, std::string("bad hex digit '") + c + "'");
  };
  std::string out;
  out.reserve(s.size() / 2);
  for (std::size_t i = 0; i < s.size(); i += 2) out += static_cast<char>(digit(s[i]) * 16 + digit(s[i + 1]));
  return out;
}

// A text stored as `key` or, when not UTF-8, as `hexKey`; `def` when neither is there (nullptr:
// required).
std::string TextOrHex(const Node& o, const char* key, const char* hexKey, const char* def, const Where& w) {
  if (const Node* v = o.Find(key)) return Str(*v, w.Key(key));
  if (const Node* v = o.Find(hexKey)) return Unhex(Str(*v, w.Key(hexKey)), w.Key(hexKey));
  if (!def) Fail(w, std::string("key '") + key + "' missing");
  return def;
}

Color ColourFrom(const Node& j, const Where& w) {
  Color c;
  if (j.kind == Node::Kind::Null) return c;
  Obj(j, w);
  if (const Node* g = j.Find("gray")) {
    c.kind = ColorKind::Gray;
    c.gray = Num(*g, w.Key("gray"));
  } else if (const Node* v = j.Find("cmyk")) {
    const auto& x = Numbers(*v, 4, w.Key("cmyk"));
    c = Color::Cmyk(x[0], x[1], x[2], x[3]);
  } else if (const Node* r = j.Find("rgb")) {
    const auto& x = Numbers(*r, 3, w.Key("rgb"));
    c = Color::Rgb(x[0], x[1], x[2]);
  } else {
    Fail(w, "a colour is {\"gray\": g}, {\"cmyk\": [c, m, y, k]} or {\"rgb\": [r, g, b]}");
  }
  return c;
}

// Keys left out keep the style a new path has.
void StyleFrom(const Node& st, PathStyle& s, const Where& w) {
  Obj(st, w);
  auto paint = [&](const char* key, bool& on, Color& colour) {
    const Node* v = st.Find(key);
    if (!v) return;
    on = v->kind != Node::Kind::Null;
    colour = on && !(v->kind == Node::Kind::Object && v->members.empty()) ? ColourFrom(*v, w.Key(key)) : Color();
  };
  paint("fill", s.fillPaint, s.fill.color);
  paint("stroke", s.strokePaint, s.stroke.color);
  s.fill.overprint = OptBool(st, "fillOverprint", s.fill.overprint, w);
  s.stroke.overprint = OptBool(st, "strokeOverprint", s.stroke.overprint, w);
  s.stroke.width = OptNum(st, "width", s.stroke.width, w);
  if (!(s.stroke.width >= 0)) Fail(w.Key("width"), "a stroke width is not negative");
  if (const Node* d = st.Find("dashes")) {
    const auto& x = Numbers(*d, 0, w.Key("dashes"));
    if (x.size() > kMaxDashes) Fail(w.Key("dashes"), "at most 6 dash lengths, not " + std::to_string(x.size()));
    s.stroke.dashCount = static_cast<std::int32_t>(x.size());
    s.stroke.dashes = {};
    std::copy(x.begin(), x.end(), s.stroke.dashes.begin());
  }
  s.stroke.dashOffset = OptNum(st, "dashOffset", s.stroke.dashOffset, w);
  s.stroke.cap = static_cast<LineCap>(OptInt(st, "cap", 0, 2, static_cast<int>(s.stroke.cap), w));
  s.stroke.join = static_cast<LineJoin>(OptInt(st, "join", 0, 2, static_cast<int>(s.stroke.join), w));
  s.stroke.miterLimit = OptNum(st, "miterLimit", s.stroke.miterLimit, w);
  s.evenOdd = OptBool(st, "evenOdd", s.evenOdd, w);
}

// Art shares its style with the art that looks alike, so the style read is set whole.
void StyleInto(ArtOpaque* a, const Node& st, const Where& w) {
  PathStyle style = a->style;
  StyleFrom(st, style, w);
  a->style = style;
}

// Builds the document while the lexer reads it, art by art: an art's own members (a path's
// numbers among them) are gathered into a small Node, its children are built as they come.
// Arrays and dictionaries are built as their tables are read; the tables come after the layers in
// a saved document, so references are resolved once everything is read.
class Reader {
 public:
  Reader(Lexer& lex, Document& doc)
      : lex_(lex), doc_(doc), top_{nullptr, "", 0, nullptr}, arrays_{"arrays", "an array", top_.Key("arrays")},
        dicts_{"dictionaries", "a dictionary", top_.Key("dictionaries")} {}

  void Read() {
    lex_.Space();
    if (lex_.Peek() != '{') {
      Node n;
      lex_.Value(n, 0);
      End();
      throw DocumentError("not a vxshape document");
    }
    lex_.Open(0);
    bool format = false, version = false, layers = false, bounds = false, arrays = false, dicts = false;
    Node current;
    bool hasCurrent = false;
    std::string key;
    while (lex_.Member(key)) {
      Node n;
      if (key == "format" && !format) {
        lex_.Value(n, 1);
        if (n.kind != Node::Kind::String || n.str != kFormat) throw DocumentError("not a vxshape document");
        format = true;
      } else if (key == "version" && !version) {
        lex_.Value(n, 1);
        if (n.kind != Node::Kind::Number || !(n.num == 1 || n.num == kVersion))
          throw DocumentError("document version " + Describe(n) + " is not supported");
        version_ = static_cast<int>(n.num);
        version = true;
      } else if (key == "bounds" && !bounds) {
        lex_.Value(n, 1);
        const auto& x = Numbers(n, 4, top_.Key("bounds"));
        doc_.bounds = {x[0], x[1], x[2], x[3]};
        bounds = true;
      } else if (key == "currentLayer" && !hasCurrent) {
        lex_.Value(current, 1);
        hasCurrent = true;
      } else if (key == "layers" && !layers) {
        Layers();
        layers = true;
      } else if (key == "arrays" && !arrays) {
        ReadTable(arrays_);
        arrays = true;
      } else if (key == "dictionaries" && !dicts) {
        ReadTable(dicts_);
        dicts = true;
      } else {
        lex_.Value(n, 1);  // not ours: read for its syntax only
      }
    }
    End();
    if (!format) throw DocumentError("not a vxshape document");
    if (!version) Fail(top_, "key 'version' missing");
    if (!layers) Fail(top_, "key 'layers' missing");
    for (const DictUse& u : dictUses_) {
      if (u.id >= dicts_.items.size()) FailAtArt(u.art, "dict", "dictionaries[" + std::to_string(u.id) + "] does not exist (" +
                                                   std::to_string(dicts_.items.size()) + " dictionaries)");
      u.art->dictionary = Resolve(dicts_, u.id, top_, 0);
    }
    const auto pre = doc_.PreorderLayers();
    const std::int64_t cur = !hasCurrent ? (pre.empty() ? -1 : 0)
                                 : IntIn(current, -1, static_cast<std::int64_t>(pre.size()) - 1, top_.Key("currentLayer"));
    doc_.current = cur >= 0 ? pre[static_cast<std::size_t>(cur)] : nullptr;
  }

 private:
  // Fails at member `key` of the place art `target` was read from. The place is found again by
  // walking the tree as it was read: keeping it for every art would cost more than the art.
  [[noreturn]] void FailAtArt(const ArtOpaque* target, const char* key, const std::string& what) {
    std::string text;
    std::function<bool(const ArtOpaque*, const Where&)> walk = [&](const ArtOpaque* a, const Where& w) {
      if (a == target) {
        text = w.Key(key).Text();
        return true;
      }
      const Where cw = w.Key("children");
      std::size_t i = 0;
      for (const ArtOpaque* c = a->firstChild; c; c = c->next, ++i) {
        const Where here = cw.At(i);
        if (c->layerOfGroup) {
          const Where lw = here.Key("layer");
          const Where l{lw.up, lw.key, lw.index, &c->layerOfGroup->title};
          if (walk(c, l.Key("group"))) return true;
        } else if (walk(c, here)) {
          return true;
        }
      }
      return false;
    };
    const Where lw = top_.Key("layers");
    for (std::size_t i = 0; i < doc_.layers.size() && text.empty(); ++i) {
      const Where at = lw.At(i);
      const Where l{at.up, at.key, at.index, &doc_.layers[i]->title};
      walk(doc_.layers[i]->group, l.Key("group"));
    }
    throw DocumentError((text.empty() ? top_.Text() : text) + ": " + what);
  }

  // An art object read, its children built but not yet placed in it.
  struct PendingArt {
    Node own;  // every member but the children (and a sublayer)
    bool hasChildren = false;
    std::vector<ArtOpaque*> children;
    LayerOpaque* layer = nullptr;  // {"kind": "layer", "layer": …}
  };
  // An art's reference to a dictionary, resolved when the tables are read.
  struct DictUse {
    ArtOpaque* art;
    std::size_t id;
  };

  // A reference from a table item to an item of either table.
  struct Link {
    bool dict;           // to a dictionary, else to an array
    std::uint32_t id;    // the item referred to
    std::uint32_t slot;  // the entry's index in its array or among its dictionary's keys
  };
  enum State : char { kUnlinked, kLinking, kLinked, kFaulty };
  template <class C>
  struct Table {
    Table(const char* n, const char* o, const Where& w) : name(n), one(o), where(w) {}
    const char* name;  // "arrays"
    const char* one;   // "an array"
    Where where;
    std::vector<std::shared_ptr<C>> items;
    std::vector<char> state;
    std::vector<std::uint32_t> firstLink;  // item i's links: links[firstLink[i]] up to links[firstLink[i + 1]]
    std::vector<Link> links;
    std::map<std::pair<std::size_t, std::string>, std::string> rawKeys;  // linked keys written in hex: as written
    std::unordered_map<std::size_t, std::string> faults;  // kFaulty items' messages
  };

  void End() {
    lex_.Space();
    if (!lex_.AtEnd()) lex_.Fail("text after the document's end");
  }

  // A value that is not the container expected: read it to name it.
  [[noreturn]] void NotA(const char* what, const Where& w, int jd) {
    Node n;
    lex_.Value(n, jd);
    Fail(w, std::string(what) + " is needed, not " + Describe(n));
  }

  // Reads a table, building each item as it comes. An item's references to other items are kept
  // as links and set when an art comes to use the item (Resolve). A fault in an item's own entries
  // is kept and told then too, as for a missing item or a cycle: an item no art uses does not stop
  // the load.
  template <class C>
  void ReadTable(Table<C>& t) {
    if (lex_.Peek() != '[') NotA("a list", t.where, 1);
    lex_.OpenList(1);
    bool numbers = true;
    double first = 0;
    while (lex_.Item()) {
      const std::size_t id = t.items.size();
      Node n;
      lex_.Value(n, 2);
      if (id == 0 && n.kind == Node::Kind::Number) first = n.num;
      numbers = numbers && n.kind == Node::Kind::Number;
      t.firstLink.push_back(static_cast<std::uint32_t>(t.links.size()));
      t.items.push_back(std::make_shared<C>());
      t.state.push_back(kUnlinked);
      try {
        Build(t, *t.items.back(), n, t.where.At(id));
      } catch (const DocumentError& e) {
        t.state.back() = kFaulty;
        t.faults.emplace(id, e.what());
      }
    }
    t.firstLink.push_back(static_cast<std::uint32_t>(t.links.size()));
    if (numbers && !t.items.empty()) Fail(t.where.At(0), "an object is needed, not " + DescribeNumber(first));
  }

  void Layers() {
    const Where lw = top_.Key("layers");
    if (lex_.Peek() != '[') NotA("a list", lw, 1);
    lex_.OpenList(1);
    for (std::size_t i = 0; lex_.Item(); ++i) doc_.layers.push_back(LayerFrom(lw.At(i), 2, 0));
  }

  // `jd`: the JSON depth of the value; `depth`: the art depth.
  LayerOpaque* LayerFrom(const Where& here, int jd, int depth) {
    if (lex_.Peek() != '{') NotA("an object", here, jd);
    lex_.Open(jd);
    std::string title;
    const Where w{here.up, here.key, here.index, &title};
    const Where gw = w.Key("group");
    Node own;
    own.kind = Node::Kind::Object;
    PendingArt group;
    bool hasGroup = false;
    std::string key;
    while (lex_.Member(key)) {
      if (key == "group" && !hasGroup) {
        if (own.Find("title") || own.Find("titleHex")) title = TextOrHex(own, "title", "titleHex", nullptr, here);
        ArtFrom(group, gw, jd + 1, depth, true);
        hasGroup = true;
      } else {
        own.members.emplace_back();
        own.members.back().first = key;
        lex_.Value(own.members.back().second, jd + 1);
      }
    }
    title = TextOrHex(own, "title", "titleHex", nullptr, here);
    LayerOpaque* l = doc_.NewLayer(title);
    l->visible = OptBool(own, "visible", true, w);
    l->editable = OptBool(own, "editable", true, w);
    if (hasGroup) {
      if (const Node* k = group.own.Find("kind"); k && Str(*k, gw.Key("kind")) != "group")
        Fail(gw.Key("kind"), "a layer's art is a group, not " + Quote(k->str));
      Finish(l->group, group, gw, depth);
    }
    return l;
  }

  // Reads an art object into `a`; `layerGroup`: it is a layer's group, whose kind may be left out.
  void ArtFrom(PendingArt& a, const Where& w, int jd, int depth, bool layerGroup) {
    if (depth > kMaxDepth) Fail(w, std::string("art nested deeper than ") + kMaxDepthText + " levels");
    if (lex_.Peek() != '{') NotA("an object", w, jd);
    lex_.Open(jd);
    a.own.kind = Node::Kind::Object;
    std::string key;
    while (lex_.Member(key)) {
      if (key == "children" && !a.hasChildren) {
        a.hasChildren = true;
        ChildrenFrom(a, w, jd + 1, depth, layerGroup);
      } else if (key == "layer" && !a.layer && !layerGroup && KindMayBe(a.own, "layer")) {
        a.layer = LayerFrom(w.Key("layer"), jd + 1, depth);
      } else {
        a.own.members.emplace_back();
        Member& m = a.own.members.back();
        m.first = key;
        // A path's numbers go into the list the previous path used, grown already.
        if (key == "points" || key == "segments") m.second.nums.swap(numbers_);
        lex_.Value(m.second, jd + 1);
      }
    }
  }

  // False once the art's kind is known to be another.
  static bool KindMayBe(const Node& own, const char* kind) {
    const Node* k = own.Find("kind");
    return !k || k->kind != Node::Kind::String || k->str == kind;
  }

  void ChildrenFrom(PendingArt& a, const Where& w, int jd, int depth, bool layerGroup) {
    const Where cw = w.Key("children");
    if (const Node* k = a.own.Find("kind"); k && !layerGroup) {
      // The kind is known already (it comes first in a saved document): refuse children early.
      const std::string& kind = Str(*k, w.Key("kind"));
      if (kind == "layer") {
        Node ignored;
        lex_.Value(ignored, jd);
        a.hasChildren = false;
        return;
      }
      const ArtType type = KindFrom(kind, w.Key("kind"));
      if (type != ArtType::Group && type != ArtType::CompoundPath)
        Fail(cw, std::string("a ") + KindName(type) + " has no children");
    }
    if (lex_.Peek() != '[') NotA("a list", cw, jd);
    lex_.OpenList(jd);
    for (std::size_t i = 0; lex_.Item(); ++i) {
      const Where here = cw.At(i);
      PendingArt c;
      ArtFrom(c, here, jd + 1, depth + 1, false);
      const std::string& kind = Str(Need(c.own, "kind", here), here.Key("kind"));
      if (kind == "layer") {
        if (!c.layer) Fail(here, "key 'layer' missing");
        a.children.push_back(c.layer->group);
      } else {
        ArtOpaque* child = doc_.NewNode(KindFrom(kind, here.Key("kind")));
        Finish(child, c, here, depth + 1);
        a.children.push_back(child);
        for (Member& m : c.own.members)
          if (m.second.nums.capacity() > numbers_.capacity()) numbers_.swap(m.second.nums);
        numbers_.clear();
      }
    }
  }

  // Fills `a` from what was read and places its children in it.
  void Finish(ArtOpaque* a, PendingArt& p, const Where& w, int depth) {
    FillArt(a, p.own, w, depth);
    if (!p.hasChildren) return;
    const Where cw = w.Key("children");
    if (a->type != ArtType::Group && a->type != ArtType::CompoundPath)
      Fail(cw, std::string("a ") + KindName(a->type) + " has no children");
    for (std::size_t i = 0; i < p.children.size(); ++i) {
      ArtOpaque* child = p.children[i];
      if (child->layerOfGroup && a->type != ArtType::Group)
        Fail(cw.At(i), "a sublayer cannot be inside a compound path");
      if (Err e = doc_.Place(child, PaintOrder::InsideOnBottom, a))
        Fail(cw.At(i), "cannot place the art: " + ErrText(e));
    }
  }

  static ArtType KindFrom(const std::string& s, const Where& w) {
    if (s == "group") return ArtType::Group;
    if (s == "path") return ArtType::Path;
    if (s == "compound") return ArtType::CompoundPath;
    if (s == "text") return ArtType::TextFrame;
    if (s == "symbol") return ArtType::Symbol;
    if (s == "other") return ArtType::Other;
    Fail(w, "unknown art kind " + Quote(s));
  }

  void PathFrom(ArtOpaque* a, const Node& j, const Where& w) {
    const Node* pts = j.Find("points");
    const Node* segs = j.Find("segments");
    if (pts && segs) Fail(w, "a path has 'points' or 'segments', not both");
    if (!pts && !segs) Fail(w, "key 'points' (or 'segments') missing");
    const bool straight = pts != nullptr;
    const Where pw = w.Key(straight ? "points" : "segments");
    const auto& v = Numbers(straight ? *pts : *segs, 0, pw);
    // Version 2 keeps a segment whose handles sit on its anchor as the anchor alone: `handles`
    // says which segments of `segments` carry handles ('1': six numbers, '0': two).
    const Node* handles = version_ >= 2 && !straight ? j.Find("handles") : nullptr;
    const std::string* h = nullptr;
    std::size_t n = 0;
    if (handles) {
      h = &Str(*handles, w.Key("handles"));
      if (h->find_first_not_of("01") != std::string::npos)
        Fail(w.Key("handles"), "one '0' or '1' for each segment is needed");
      const std::size_t full = static_cast<std::size_t>(std::count(h->begin(), h->end(), '1'));
      const std::size_t needed = 6 * full + 2 * (h->size() - full);
      if (v.size() != needed)
        Fail(pw, std::to_string(v.size()) + " numbers do not make the " + std::to_string(h->size()) +
                     " segments of 'handles' (" + std::to_string(needed) + " numbers)");
      n = h->size();
    } else {
      const std::size_t per = straight ? 2 : 6;
      if (v.size() % per)
        Fail(pw, std::to_string(v.size()) + " numbers do not make whole segments of " + std::to_string(per));
      n = v.size() / per;
    }
    // Version 1 has corners with `segments` only.
    const std::string* corners = nullptr;
    if (const Node* c = !straight || version_ >= 2 ? j.Find("corners") : nullptr) {
      corners = &Str(*c, w.Key("corners"));
      if (corners->size() != n || corners->find_first_not_of("01") != std::string::npos)
        Fail(w.Key("corners"), "one '0' or '1' for each of the " + std::to_string(n) + " segments is needed");
      if (corners->find('1') == std::string::npos) corners = nullptr;
    }
    if (straight && !corners) {
      a->segments.AssignAnchors(v.data(), n);
    } else {
      a->segments.clear();
      a->segments.reserve(n);
      const double* s = v.data();
      for (std::size_t i = 0; i < n; ++i) {
        const RealPoint p{s[0], s[1]};
        const bool full = h ? (*h)[i] == '1' : !straight;
        const bool corner = corners && (*corners)[i] == '1';
        a->segments.push_back(full ? PathSegment{p, {s[2], s[3]}, {s[4], s[5]}, corner} : PathSegment{p, p, p, corner});
        s += full ? 6 : 2;
      }
      a->segments.Fit();
    }
    a->closed = OptBool(j, "closed", false, w);
    a->guide = OptBool(j, "guide", false, w);
    a->clip = OptBool(j, "clip", false, w);
    if (const Node* s = j.Find("style")) StyleInto(a, *s, w.Key("style"));
  }

  void TextFrom(ArtOpaque* a, const Node& j, const Where& w) {
    ArtExtra& x = a->EditExtra();
    x.frameKind = static_cast<TextFrameKind>(OptInt(j, "frame", 0, 2, 0, w));
    x.orientation = OptBool(j, "vertical", false, w) ? TextOrientation::Vertical : TextOrientation::Horizontal;
    if (const Node* an = j.Find("anchor")) {
      const auto& n = Numbers(*an, 2, w.Key("anchor"));
      x.anchor = {n[0], n[1]};
    }
    if (const Node* u = j.Find("utf16")) {
      const Where uw = w.Key("utf16");
      const auto& units = Numbers(*u, 0, uw);
      x.text.reserve(units.size());
      for (std::size_t i = 0; i < units.size(); ++i) {
        const double c = units[i];
        if (!(c >= 0 && c <= 0xFFFF) || c != std::trunc(c))
          Fail(uw.At(i), "a UTF-16 code unit (0 to 65535) is needed, not " + std::to_string(c));
        x.text += static_cast<char16_t>(c);
      }
    }
    x.fontSize = OptNum(j, "fontSize", x.fontSize, w);
    if (const Node* f = j.Find("textFill")) x.textFill = ColourFrom(*f, w.Key("textFill"));
    x.justification = static_cast<Justification>(OptInt(j, "justification", 0, 3, 0, w));
  }

  // The art's own members (its children are placed by Finish).
  void FillArt(ArtOpaque* a, const Node& j, const Where& w, int /*depth*/) {
    if (OptBool(j, "selected", false, w)) a->flags |= kArtSelected;
    if (OptBool(j, "locked", false, w)) a->flags |= kArtLocked;
    if (OptBool(j, "hidden", false, w)) a->flags |= kArtHidden;
    a->opacity = OptNum(j, "opacity", 1.0, w);
    if (!(a->opacity >= 0 && a->opacity <= 1)) Fail(w.Key("opacity"), "an opacity is from 0 to 1");
    switch (a->type) {
      case ArtType::Path: PathFrom(a, j, w); break;
      case ArtType::CompoundPath:
        a->clip = OptBool(j, "clip", false, w);
        if (const Node* s = j.Find("style")) StyleInto(a, *s, w.Key("style"));
        break;
      case ArtType::TextFrame: TextFrom(a, j, w); break;
      case ArtType::Symbol: {
        a->EditExtra().symbolName = TextOrHex(j, "symbol", "symbolHex", nullptr, w);
        if (const Node* b = j.Find("bounds")) {
          const auto& x = Numbers(*b, 4, w.Key("bounds"));
          a->EditExtra().symbolBounds = {x[0], x[1], x[2], x[3]};
        }
        break;
      }
      default:
        break;
    }
    if (const Node* d = j.Find("dict")) {
      const Where dw = w.Key("dict");
      dictUses_.push_back({a, static_cast<std::size_t>(IntIn(*d, 0, INT32_MAX, dw))});
    }
    if (const Node* tags = j.Find("tags")) {
      const Where tw = w.Key("tags");
      const auto& list = Items(*tags, tw);
      for (std::size_t i = 0; i < list.size(); ++i) {
        const Where t = tw.At(i);
        Obj(list[i], t);
        a->EditExtra().tags.push_back({TextOrHex(list[i], "name", "nameHex", nullptr, t),
                           TextOrHex(list[i], "type", "typeHex", "string", t),
                           TextOrHex(list[i], "value", "valueHex", "", t)});
      }
    }
  }

 private:
  // An entry of a table item; a reference to an item (of either table) comes back as a link to set
  // later, the entry a stand-in until then.
  Entry EntryFrom(const Node& j, bool inDictionary, const Where& w, std::optional<Link>& link) {
    Obj(j, w);
    static const char* const kValueKeys[] = {"int", "bool", "real", "string", "stringHex", "array", "dict"};
    const Node* value = nullptr;
    std::string key;
    for (const Member& m : j.members) {
      const std::string& k = m.first;
      if (inDictionary && k == "keyHex") continue;
      if (value || std::find_if(std::begin(kValueKeys), std::end(kValueKeys), [&](const char* x) { return k == x; }) ==
                       std::end(kValueKeys))
        Fail(w, "an entry is one of {\"int\": N}, {\"bool\": B}, {\"real\": X}, {\"string\": S}, "
                "{\"stringHex\": H}, {\"array\": I}, {\"dict\": I}");
      value = &m.second;
      key = k;
    }
    if (!value) Fail(w, "an entry needs a value");
    const Where vw = w.Key("stringHex");
    if (key == "int") return Entry::Integer(static_cast<std::int32_t>(IntIn(*value, INT32_MIN, INT32_MAX, w.Key("int"))));
    if (key == "bool") return Entry::Boolean(Bool(*value, w.Key("bool")));
    if (key == "real") return Entry::Real(Num(*value, w.Key("real")));
    if (key == "string") return Entry::String(Str(*value, w.Key("string")));
    if (key == "stringHex") return Entry::String(Unhex(Str(*value, vw), vw));
    const bool dict = key == "dict";
    link = Link{dict, static_cast<std::uint32_t>(IntIn(*value, 0, INT32_MAX, w.Key(dict ? "dict" : "array"))), 0};
    return Entry();
  }

  void Build(Table<ArrayImpl>& t, ArrayImpl& a, const Node& n, const Where& aw) {
    const auto& items = Items(n, aw);
    a.Reserve(items.size());
    const std::size_t links = t.links.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
      std::optional<Link> link;
      a.Append(EntryFrom(items[i], false, aw.At(i), link));
      if (link) t.links.push_back({link->dict, link->id, static_cast<std::uint32_t>(i)});
    }
    // Packed now, while its entries' block is the one the next array takes; an array that holds
    // containers gets them later.
    if (t.links.size() == links) a.Fit();
  }

  void Build(Table<DictionaryImpl>& t, DictionaryImpl& d, const Node& n, const Where& dw) {
    const Node& o = Obj(n, dw);
    d.Reserve(o.members.size());
    const std::size_t id = t.items.size() - 1;
    keyLinks_.clear();
    for (const auto& [k, e] : o.members) {
      const Where ew = dw.Key(k.c_str());
      const Node* hex = e.kind == Node::Kind::Object ? e.Find("keyHex") : nullptr;
      const bool isHex = hex && Bool(*hex, ew.Key("keyHex"));
      std::string key = isHex ? Unhex(k, ew) : k;
      std::optional<Link> link;
      Entry entry = EntryFrom(e, true, ew, link);
      // A key given twice keeps its last entry, whatever an earlier one referred to.
      if (d.IsKnown(key)) {
        t.rawKeys.erase({id, key});
        keyLinks_.erase(std::remove_if(keyLinks_.begin(), keyLinks_.end(), [&](const auto& kl) { return kl.second == key; }),
                        keyLinks_.end());
      }
      if (link) {
        if (isHex) t.rawKeys[{id, key}] = k;
        keyLinks_.emplace_back(*link, key);
      }
      d.Set(key, entry);
    }
    // A link names its entry by the entry's place among the keys, which stand still from here on.
    const auto& entries = d.Entries();
    for (auto& [link, key] : keyLinks_) {
      const auto at = std::lower_bound(entries.begin(), entries.end(), key,
                                       [](const DictionaryImpl::Item& i, const std::string& k) { return i.first < k; });
      link.slot = static_cast<std::uint32_t>(at - entries.begin());
      t.links.push_back(link);
    }
  }

  void CheckNesting(int depth, const Where& w) {
    if (depth > kMaxDepth)
      Fail(w, std::string("arrays and dictionaries nested deeper than ") + kMaxDepthText + " levels");
  }

  // Item `id` of `t` with its links set, referred to from `w`; `depth`: how many containers hold it.
  template <class C>
  std::shared_ptr<C> Resolve(Table<C>& t, std::size_t id, const Where& w, int depth) {
    auto item = [&] { return std::string(t.name) + "[" + std::to_string(id) + "]"; };
    if (id >= t.items.size())
      Fail(w, item() + " does not exist (" + std::to_string(t.items.size()) + " " + t.name + ")");
    if (t.state[id] == kLinked) return t.items[id];
    if (t.state[id] == kLinking)
      Fail(w, "refers to " + item() + ", which holds this entry: " + t.one + " cannot contain itself");
    CheckNesting(depth, w);
    if (t.state[id] == kFaulty) throw DocumentError(t.faults.at(id));
    t.state[id] = kLinking;
    const Where iw = t.where.At(id);
    for (std::uint32_t k = t.firstLink[id]; k < t.firstLink[id + 1]; ++k) SetLink(t, id, t.links[k], iw, depth);
    t.state[id] = kLinked;
    return t.items[id];
  }

  Entry Linked(const Link& l, const Where& ew, int depth) {
    if (l.dict) return Entry::FromDictionary(Resolve(dicts_, l.id, ew.Key("dict"), depth + 1));
    return Entry::FromArray(Resolve(arrays_, l.id, ew.Key("array"), depth + 1));
  }
  void SetLink(Table<ArrayImpl>& t, std::size_t id, const Link& l, const Where& iw, int depth) {
    t.items[id]->Set(static_cast<std::int32_t>(l.slot), Linked(l, iw.At(l.slot), depth));
  }
  void SetLink(Table<DictionaryImpl>& t, std::size_t id, const Link& l, const Where& iw, int depth) {
    const std::string key = t.items[id]->Entries()[l.slot].first;
    const auto raw = t.rawKeys.find({id, key});
    t.items[id]->Set(key, Linked(l, iw.Key(raw == t.rawKeys.end() ? key.c_str() : raw->second.c_str()), depth));
  }

  Lexer& lex_;
  Document& doc_;
  const Where top_;
  int version_ = kVersion;
  std::vector<DictUse> dictUses_;
  std::vector<std::pair<Link, std::string>> keyLinks_;  // a dictionary's links being read, with their keys
  std::vector<double> numbers_;  // kept between paths for its capacity
  Table<ArrayImpl> arrays_;
  Table<DictionaryImpl> dicts_;
};

}  // namespace

std::unique_ptr<Document> ReadDocument(const std::filesystem::path& file, std::string& error) {
  std::FILE* f = Fopen(file, "rb");
  if (!f) {
    error = PathToUtf8(file) + ": cannot open the document";
    return nullptr;
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, &std::fclose);
  try {
    auto doc = std::make_unique<Document>();
    Lexer lex(f);
    Reader(lex, *doc).Read();
    std::error_code ec;
    doc->file = std::filesystem::absolute(file, ec);
    return doc;
  } catch (const std::bad_alloc&) {
    error = PathToUtf8(file) + ": the document is too large for memory";
  } catch (const std::exception& e) {
    error = OneLine(PathToUtf8(file) + ": damaged document: " + e.what());
  }
  return nullptr;
}

}  // namespace vx::host
