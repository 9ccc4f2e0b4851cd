// Saving and loading documents as JSON (format described in docs/document-format.md).
//
// Documents of imported data are mostly path coordinates, so both directions are written by hand
// and neither holds the whole text: the writer streams from the document to the file with numbers
// through std::to_chars (shortest form that reads back exactly); the reader reads the file in
// chunks and builds the document as it goes, numbers through std::from_chars. Hand-written: rapidjson's
// SAX reader, measured on a document of 1.5 million vertices, only parses in about the time this
// reader parses and builds the paths, and this one keeps the messages and limits; simdjson needs
// the whole text in memory, which the memory budget does not allow.
#include "host/atomic_file.h"
#include "host/impl.h"
#include "host/svg_document.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"
#include "shell/text/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace vx::host {
namespace {

constexpr const char* kFormat = "vxshape-document";
// Version 2 keeps a segment whose handles sit on its anchor as the anchor alone; version 1
// documents still load.
constexpr int kVersion = 2;
// Drawing, rendering and bounds recurse over the tree; deeper art is refused rather than risking
// the stack. The same bound holds for arrays and dictionaries inside one another.
constexpr int kMaxDepth = 1000;
// A sublayer costs three JSON levels, an art two.
constexpr int kMaxJsonDepth = 3 * kMaxDepth + 16;
constexpr const char* kMaxDepthText = "1,000";  // kMaxDepth as messages write it

// ----- text helpers

using text::AppendUtf8;

}  // namespace

bool ValidUtf8(std::string_view s) { return text::IsValidUtf8(s); }

std::string Hex(std::string_view s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  out.reserve(s.size() * 2);
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

// Messages quote texts from the file; they stay one line.
std::string OneLine(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return s;
}

namespace {

std::string Quote(std::string_view s) {
  std::string q(s.substr(0, 40));
  if (s.size() > 40) q += "...";
  return "\"" + q + "\"";
}

// ----- where a value sits, for messages: layers[2].group.children[5].style (layer "roads")

struct Where {
  const Where* up = nullptr;
  const char* key = nullptr;  // member name, or nullptr for an index
  std::size_t index = 0;
  const std::string* layer = nullptr;  // a layer's title, on the layer's own node

  Where Key(const char* k) const { return Where{this, k, 0, nullptr}; }
  Where At(std::size_t i) const { return Where{this, nullptr, i, nullptr}; }

  std::string Text() const {
    std::vector<const Where*> chain;
    for (const Where* w = this; w; w = w->up) chain.push_back(w);
    std::string out;
    const std::string* title = nullptr;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const Where* w = *it;
      if (w->key) {
        if (!*w->key) continue;  // the document itself
        if (!out.empty()) out += '.';
        out += w->key;
      } else {
        out += "[" + std::to_string(w->index) + "]";
      }
      if (w->layer) title = w->layer;
    }
    if (out.empty()) out = "the document";
    // A place hundreds of levels down is told by its two ends.
    constexpr std::size_t kEnds = 80;
    if (out.size() > 3 * kEnds) out = out.substr(0, kEnds) + " ... " + out.substr(out.size() - kEnds);
    if (title) out += " (layer " + Quote(*title) + ")";
    return out;
  }
};

struct DocumentError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const Where& w, const std::string& what) { throw DocumentError(w.Text() + ": " + what); }

// ----- the writer

class Out {
 public:
  explicit Out(AtomicFile& file) : file_(file), buf_(new char[kChunk + kSlack]) {}
  void Raw(std::string_view s) {
    if (s.size() > kSlack) {
      Flush();
      file_.Write(s);
      return;
    }
    Room();
    std::memcpy(buf_.get() + pos_, s.data(), s.size());
    pos_ += s.size();
  }
  void Char(char c) {
    Room();
    buf_[pos_++] = c;
  }
  void Num(double v, const Where& w) {
    if (!std::isfinite(v)) Fail(w, "the number " + std::to_string(v) + " cannot be saved (not finite)");
    Room();
    char* p = buf_.get() + pos_;
    pos_ = static_cast<std::size_t>(std::to_chars(p, p + 32, v).ptr - buf_.get());
  }
  void Int(long long v) {
    Room();
    char* p = buf_.get() + pos_;
    pos_ = static_cast<std::size_t>(std::to_chars(p, p + 24, v).ptr - buf_.get());
  }
  void Bool(bool b) { Raw(b ? "true" : "false"); }
  // A JSON text; `s` is valid UTF-8.
  void Str(std::string_view s) {
    Char('"');
    std::size_t run = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      const auto c = static_cast<unsigned char>(s[i]);
      if (c >= 0x20 && c != '"' && c != '\\') continue;
      Raw(s.substr(run, i - run));
      run = i + 1;
      switch (c) {
        case '"': Raw("\\\""); break;
        case '\\': Raw("\\\\"); break;
        case '\n': Raw("\\n"); break;
        case '\r': Raw("\\r"); break;
        case '\t': Raw("\\t"); break;
        default: {
          static const char* d = "0123456789abcdef";
          const char esc[] = {'\\', 'u', '0', '0', d[c >> 4], d[c & 15]};
          Raw(std::string_view(esc, sizeof esc));
        }
      }
    }
    Raw(s.substr(run));
    Char('"');
  }
  // "key": with the key plain ASCII.
  void Key(const char* k) {
    Char('"');
    Raw(k);
    Raw("\":");
  }
  // A text member, or its hex form when the text is not UTF-8: "title":"…" or "titleHex":"…".
  void TextMember(const char* key, const char* hexKey, std::string_view s) {
    if (ValidUtf8(s)) {
      Key(key);
      Str(s);
    } else {
      Key(hexKey);
      Str(Hex(s));
    }
  }
  void Flush() {
    file_.Write(std::string_view(buf_.get(), pos_));
    pos_ = 0;
  }

 private:
  // Every single write is at most kSlack bytes, so one check before it is enough.
  void Room() {
    if (pos_ >= kChunk) Flush();
  }
  static constexpr std::size_t kChunk = 1 << 20;
  static constexpr std::size_t kSlack = 64;
  AtomicFile& file_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0;
};

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

// Arrays and dictionaries are written once each into tables and referred to by index, so that a
// shared array stays shared after a load. They are numbered while the art is written (so a fault
// names the art it belongs to) and written after the layers.
class Writer {
 public:
  explicit Writer(Out& out) : out_(out) {}

  void Layer(const LayerOpaque* l, const Where& here, int depth) {
    const Where w{here.up, here.key, here.index, &l->title};
    out_.Char('{');
    out_.TextMember("title", "titleHex", l->title);
    out_.Raw(",\"visible\":");
    out_.Bool(l->visible);
    out_.Raw(",\"editable\":");
    out_.Bool(l->editable);
    out_.Raw(",\"group\":");
    Art(l->group, w.Key("group"), depth);
    out_.Char('}');
  }

  void Tables() {
    const Where root{nullptr, "", 0, nullptr};
    const Where arraysW = root.Key("arrays"), dictsW = root.Key("dictionaries");
    out_.Raw(",\"arrays\":[");
    for (std::size_t i = 0; i < arrays_.size(); ++i) {
      if (i) out_.Char(',');
      out_.Char('[');
      const Array& a = *arrays_[i];
      for (std::int32_t k = 0; k < a.Count(); ++k) {
        Entry e;
        a.Get(k, e);
        if (k) out_.Char(',');
        EntryOut(e, nullptr, arraysW.At(i).At(static_cast<std::size_t>(k)));
      }
      out_.Char(']');
    }
    out_.Raw("],\"dictionaries\":[");
    for (std::size_t i = 0; i < dicts_.size(); ++i) {
      if (i) out_.Char(',');
      out_.Char('{');
      const Dictionary& d = *dicts_[i];
      bool first = true;
      for (const std::string& k : d.Keys()) {
        Entry e;
        d.Get(k, e);
        if (!first) out_.Char(',');
        first = false;
        const bool plain = ValidUtf8(k);
        out_.Str(plain ? k : Hex(k));
        out_.Char(':');
        EntryOut(e, plain ? nullptr : &k, dictsW.At(i).Key(""));
      }
      out_.Char('}');
    }
    out_.Char(']');
  }

 private:
  void Art(const ArtOpaque* a, const Where& w, int depth) {
    if (depth > kMaxDepth) Fail(w, std::string("art nested deeper than ") + kMaxDepthText + " levels cannot be saved");
    out_.Raw("{\"kind\":\"");
    out_.Raw(KindName(a->type));
    out_.Char('"');
    if (a->flags & kArtSelected) out_.Raw(",\"selected\":true");
    if (a->flags & kArtLocked) out_.Raw(",\"locked\":true");
    if (a->flags & kArtHidden) out_.Raw(",\"hidden\":true");
    if (a->opacity != 1.0) {
      out_.Raw(",\"opacity\":");
      out_.Num(a->opacity, w.Key("opacity"));
    }
    switch (a->type) {
      case ArtType::Path: {
        // A segment whose handles sit on its anchor is written as the anchor alone: a path of
        // such segments as `points`, others as `segments` with `handles` saying which carry them.
        const Segments& segs = a->segments;
        const std::size_t n = segs.size();
        const bool straight = segs.HandleCount() == 0;
        const Where pw = w.Key(straight ? "points" : "segments");
        out_.Raw(straight ? ",\"points\":[" : ",\"segments\":[");
        const RealPoint* p = segs.Anchors();
        for (std::size_t i = 0; i < n; ++i) {
          if (i) out_.Char(',');
          out_.Num(p[i].h, pw);
          out_.Char(',');
          out_.Num(p[i].v, pw);
          if (!straight && segs.HasHandles(i)) {
            const PathSegment s = segs[i];
            out_.Char(',');
            out_.Num(s.in.h, pw);
            out_.Char(',');
            out_.Num(s.in.v, pw);
            out_.Char(',');
            out_.Num(s.out.h, pw);
            out_.Char(',');
            out_.Num(s.out.v, pw);
          }
        }
        out_.Char(']');
        if (!straight && segs.HandleCount() < n) {
          out_.Raw(",\"handles\":\"");
          for (std::size_t i = 0; i < n; ++i) out_.Char(segs.HasHandles(i) ? '1' : '0');
          out_.Char('"');
        }
        if (segs.CornerCount()) {
          out_.Raw(",\"corners\":\"");
          for (const PathSegment& s : segs) out_.Char(s.corner ? '1' : '0');
          out_.Char('"');
        }
        out_.Raw(",\"closed\":");
        out_.Bool(a->closed);
        if (a->guide) out_.Raw(",\"guide\":true");
        if (a->clip) out_.Raw(",\"clip\":true");
        Style(a->style, w.Key("style"));
        break;
      }
      case ArtType::CompoundPath:
        if (a->clip) out_.Raw(",\"clip\":true");
        Style(a->style, w.Key("style"));
        break;
      case ArtType::TextFrame: {
        out_.Raw(",\"frame\":");
        out_.Int(static_cast<int>(a->frameKind));
        out_.Raw(",\"vertical\":");
        out_.Bool(a->orientation == TextOrientation::Vertical);
        out_.Raw(",\"anchor\":[");
        out_.Num(a->anchor.h, w.Key("anchor"));
        out_.Char(',');
        out_.Num(a->anchor.v, w.Key("anchor"));
        out_.Raw("],\"utf16\":[");
        for (std::size_t i = 0; i < a->text.size(); ++i) {
          if (i) out_.Char(',');
          out_.Int(a->text[i]);
        }
        out_.Raw("],\"fontSize\":");
        out_.Num(a->fontSize, w.Key("fontSize"));
        out_.Raw(",\"textFill\":");
        Colour(a->textFill, w.Key("textFill"));
        out_.Raw(",\"justification\":");
        out_.Int(static_cast<int>(a->justification));
        break;
      }
      case ArtType::Symbol: {
        out_.Char(',');
        out_.TextMember("symbol", "symbolHex", a->symbolName);
        const Where bw = w.Key("bounds");
        out_.Raw(",\"bounds\":[");
        out_.Num(a->symbolBounds.left, bw);
        out_.Char(',');
        out_.Num(a->symbolBounds.top, bw);
        out_.Char(',');
        out_.Num(a->symbolBounds.right, bw);
        out_.Char(',');
        out_.Num(a->symbolBounds.bottom, bw);
        out_.Char(']');
        break;
      }
      default:
        break;
    }
    if (a->dictionary) {
      out_.Raw(",\"dict\":");
      out_.Int(static_cast<long long>(DictId(a->dictionary.get(), w.Key("dict"), 0)));
    }
    if (!a->tags.empty()) {
      out_.Raw(",\"tags\":[");
      bool first = true;
      for (const auto& t : a->tags) {
        if (!first) out_.Char(',');
        first = false;
        out_.Char('{');
        out_.TextMember("name", "nameHex", t.name);
        out_.Char(',');
        out_.TextMember("type", "typeHex", t.type);
        out_.Char(',');
        out_.TextMember("value", "valueHex", t.value);
        out_.Char('}');
      }
      out_.Char(']');
    }
    if (a->type == ArtType::Group || a->type == ArtType::CompoundPath) {
      out_.Raw(",\"children\":[");
      const Where cw = w.Key("children");
      std::size_t i = 0;
      for (const ArtOpaque* c = a->firstChild; c; c = c->next) {
        if (!c->alive) continue;
        if (i) out_.Char(',');
        const Where here = cw.At(i++);
        if (c->layerOfGroup) {
          out_.Raw("{\"kind\":\"layer\",\"layer\":");
          Layer(c->layerOfGroup, here.Key("layer"), depth + 1);
          out_.Char('}');
        } else {
          Art(c, here, depth + 1);
        }
      }
      out_.Char(']');
    }
    out_.Char('}');
  }

  void Colour(const Color& c, const Where& w) {
    switch (c.kind) {
      case ColorKind::None: out_.Raw("null"); return;
      case ColorKind::Gray:
        out_.Raw("{\"gray\":");
        out_.Num(c.gray, w);
        break;
      case ColorKind::Cmyk:
        out_.Raw("{\"cmyk\":");
        List({c.c, c.m, c.y, c.k}, w);
        break;
      case ColorKind::Rgb:
        out_.Raw("{\"rgb\":");
        List({c.r, c.g, c.b}, w);
        break;
    }
    out_.Char('}');
  }

  void List(std::initializer_list<double> xs, const Where& w) {
    out_.Char('[');
    bool first = true;
    for (double x : xs) {
      if (!first) out_.Char(',');
      first = false;
      out_.Num(x, w);
    }
    out_.Char(']');
  }

  void Paint(const char* key, bool paint, const Color& c, const Where& w) {
    out_.Char(',');
    out_.Key(key);
    if (!paint) out_.Raw("null");
    else if (c.kind == ColorKind::None) out_.Raw("{}");
    else Colour(c, w.Key(key));
  }

  void Style(const PathStyle& s, const Where& w) {
    out_.Raw(",\"style\":{\"evenOdd\":");
    out_.Bool(s.evenOdd);
    Paint("fill", s.fillPaint, s.fill.color, w);
    out_.Raw(",\"fillOverprint\":");
    out_.Bool(s.fill.overprint);
    Paint("stroke", s.strokePaint, s.stroke.color, w);
    out_.Raw(",\"strokeOverprint\":");
    out_.Bool(s.stroke.overprint);
    out_.Raw(",\"width\":");
    out_.Num(s.stroke.width, w.Key("width"));
    out_.Raw(",\"dashes\":[");
    for (std::int32_t i = 0; i < s.stroke.dashCount && i < kMaxDashes; ++i) {
      if (i) out_.Char(',');
      out_.Num(s.stroke.dashes[static_cast<std::size_t>(i)], w.Key("dashes"));
    }
    out_.Raw("],\"dashOffset\":");
    out_.Num(s.stroke.dashOffset, w.Key("dashOffset"));
    out_.Raw(",\"cap\":");
    out_.Int(static_cast<int>(s.stroke.cap));
    out_.Raw(",\"join\":");
    out_.Int(static_cast<int>(s.stroke.join));
    out_.Raw(",\"miterLimit\":");
    out_.Num(s.stroke.miterLimit, w.Key("miterLimit"));
    out_.Char('}');
  }

  // Numbers an array (and what it holds) on first sight; a container met again while its own
  // contents are being numbered contains itself, which no load could rebuild.
  std::size_t ArrayId(const Array* a, const Where& w, int depth) {
    if (auto it = ids_.find(a); it != ids_.end()) {
      if (it->second.busy) Fail(w, "an array contains itself; such a document could not be loaded");
      return it->second.id;
    }
    if (depth > kMaxDepth)
      Fail(w, std::string("arrays and dictionaries nested deeper than ") + kMaxDepthText + " levels cannot be saved");
    const std::size_t id = arrays_.size();
    arrays_.push_back(a);
    ids_[a] = {id, true};
    for (std::int32_t i = 0; i < a->Count(); ++i) {
      Entry e;
      a->Get(i, e);
      Register(e, w, depth);
    }
    ids_[a].busy = false;
    return id;
  }

  std::size_t DictId(const Dictionary* d, const Where& w, int depth) {
    if (auto it = ids_.find(d); it != ids_.end()) {
      if (it->second.busy) Fail(w, "a dictionary contains itself; such a document could not be loaded");
      return it->second.id;
    }
    if (depth > kMaxDepth)
      Fail(w, std::string("arrays and dictionaries nested deeper than ") + kMaxDepthText + " levels cannot be saved");
    const std::size_t id = dicts_.size();
    dicts_.push_back(d);
    ids_[d] = {id, true};
    for (const std::string& k : d->Keys()) {
      Entry e;
      d->Get(k, e);
      Register(e, w, depth);
    }
    ids_[d].busy = false;
    return id;
  }

  void Register(const Entry& e, const Where& w, int depth) {
    if (e.Type() == EntryType::Array) {
      ArrayRef a;
      e.AsArray(a);
      ArrayId(a.get(), w, depth + 1);
    } else if (e.Type() == EntryType::Dictionary) {
      DictionaryRef d;
      e.AsDictionary(d);
      DictId(d.get(), w, depth + 1);
    } else if (e.Type() == EntryType::Real) {
      double v = 0;
      e.AsReal(v);
      if (!std::isfinite(v)) Fail(w, "a real entry " + std::to_string(v) + " cannot be saved (not finite)");
    }
  }

  // `hexKey`: the dictionary key, when it is written in hex.
  void EntryOut(const Entry& e, const std::string* hexKey, const Where& w) {
    out_.Char('{');
    if (hexKey) {
      out_.Raw("\"keyHex\":true,");
    }
    switch (e.Type()) {
      case EntryType::Integer: {
        std::int32_t v = 0;
        e.AsInteger(v);
        out_.Raw("\"int\":");
        out_.Int(v);
        break;
      }
      case EntryType::Boolean: {
        bool v = false;
        e.AsBoolean(v);
        out_.Raw("\"bool\":");
        out_.Bool(v);
        break;
      }
      case EntryType::Real: {
        double v = 0;
        e.AsReal(v);
        out_.Raw("\"real\":");
        out_.Num(v, w);
        break;
      }
      case EntryType::String: {
        std::string v;
        e.AsString(v);
        out_.TextMember("string", "stringHex", v);
        break;
      }
      case EntryType::Array: {
        ArrayRef a;
        e.AsArray(a);
        out_.Raw("\"array\":");
        out_.Int(static_cast<long long>(ids_.at(a.get()).id));
        break;
      }
      case EntryType::Dictionary: {
        DictionaryRef d;
        e.AsDictionary(d);
        out_.Raw("\"dict\":");
        out_.Int(static_cast<long long>(ids_.at(d.get()).id));
        break;
      }
    }
    out_.Char('}');
  }

  struct Id {
    std::size_t id;
    bool busy;
  };
  Out& out_;
  std::vector<const Array*> arrays_;
  std::vector<const Dictionary*> dicts_;
  std::unordered_map<const void*, Id> ids_;
};

// ----- the reader: small JSON trees whose number lists are plain vectors

struct Member;

struct Node {
  enum class Kind : std::uint8_t { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool b = false;
  double num = 0;
  std::string str;
  // An array is held in `nums` while every element is a number (the bulk of a document), else in
  // `items`.
  std::vector<double> nums;
  std::vector<Node> items;
  std::vector<Member> members;

  bool IsNumbers() const { return kind == Kind::Array && items.empty(); }
  const Node* Find(std::string_view key) const;
};

struct Member {
  std::string first;
  Node second;
};

const Node* Node::Find(std::string_view key) const {
  for (const Member& m : members)
    if (m.first == key) return &m.second;
  return nullptr;
}

// Reads JSON from a file in chunks (or from text in memory), so a large document never sits in
// memory as text. Values are taken one at a time (objects member by member, lists item by item)
// or whole into a Node.
class Lexer {
 public:
  // Reads `file` (open for reading) in chunks.
  explicit Lexer(std::FILE* file) : file_(file), buf_(kChunk + 1) {
    p_ = end_ = start_ = buf_.data();
    buf_[0] = '\0';
    More();
  }
  // Text in memory; `text` is NUL-terminated one past its end (a std::string's data is).
  Lexer(const char* text, std::size_t size) : p_(text), end_(text + size), start_(text), eof_(true) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw DocumentError("line " + std::to_string(line_) + ", column " + std::to_string(Pos() - lineStart_ + 1) +
                        ": " + what);
  }

  // Skips white space: afterwards Peek() is the next character, '\0' at the end.
  void Space() {
    for (;;) {
      const char c = *p_;
      if (c == ' ' || c == '\t' || c == '\r') {
        ++p_;
      } else if (c == '\n') {
        ++p_;
        ++line_;
        lineStart_ = Pos();
      } else if (!(c == '\0' && p_ == end_ && More())) {
        return;
      }
    }
  }
  char Peek() const { return *p_; }
  bool AtEnd() const { return p_ == end_; }

  // The whole value here (after Space) into `out`; `depth` counts the containers around it.
  void Value(Node& out, int depth) {
    if (depth > kMaxJsonDepth) Fail(std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)");
    switch (*p_) {
      case '{': Object(out, depth); return;
      case '[': List(out, depth); return;
      case '"':
        out.kind = Node::Kind::String;
        String(out.str);
        return;
      case 't':
        Literal("true");
        out.kind = Node::Kind::Bool;
        out.b = true;
        return;
      case 'f':
        Literal("false");
        out.kind = Node::Kind::Bool;
        return;
      case 'n':
        Literal("null");
        return;
      default:
        if (*p_ == '-' || Digit(*p_)) {
          out.kind = Node::Kind::Number;
          out.num = Number();
          return;
        }
        Fail(AtEnd() ? "the document ends too early" : "not JSON");
    }
  }

  // Reads the value here (after Space) for its syntax only, as Value would.
  void Skip(int depth) {
    if (depth > kMaxJsonDepth) Fail(std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)");
    switch (*p_) {
      case '{': {
        Open(depth);
        while (Member(scratch_)) Skip(depth + 1);
        return;
      }
      case '[':
        OpenList(depth);
        while (Item()) Skip(depth + 1);
        return;
      case '"': String(scratch_); return;
      case 't': Literal("true"); return;
      case 'f': Literal("false"); return;
      case 'n': Literal("null"); return;
      default:
        if (*p_ == '-' || Digit(*p_)) {
          Number();
          return;
        }
        Fail(AtEnd() ? "the document ends too early" : "not JSON");
    }
  }

  // An object member by member: Open at its '{' (after Space), then Member until it says false;
  // each true leaves the lexer at the member's value (after Space). Lists alike with OpenList and
  // Item.
  void Open(int depth) {
    if (depth > kMaxJsonDepth) Fail(std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)");
    ++p_;
    first_ = true;
  }
  bool Member(std::string& key) {
    Space();
    if (first_) {
      first_ = false;
      if (*p_ == '}') {
        ++p_;
        return false;
      }
    } else if (*p_ == ',') {
      ++p_;
      Space();
    } else if (*p_ == '}') {
      ++p_;
      return false;
    } else {
      Fail(AtEnd() ? "the document ends too early" : "',' or '}' expected");
    }
    if (*p_ != '"') Fail(AtEnd() ? "the document ends too early" : "a quoted key expected");
    String(key);
    Space();
    if (*p_ != ':') Fail("':' expected");
    ++p_;
    Space();
    return true;
  }
  void OpenList(int depth) { Open(depth); }
  bool Item() {
    Space();
    if (first_) {
      first_ = false;
      if (*p_ == ']') {
        ++p_;
        return false;
      }
      return true;
    }
    if (*p_ == ',') {
      ++p_;
      Space();
      return true;
    }
    if (*p_ == ']') {
      ++p_;
      return false;
    }
    Fail(AtEnd() ? "the document ends too early" : "',' or ']' expected");
  }

  // Keeps the text read from here to EndCapture in `out`.
  void BeginCapture(std::string& out) {
    capture_ = &out;
    captureFrom_ = p_;
  }
  void EndCapture() {
    capture_->append(captureFrom_, p_);
    capture_ = nullptr;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  std::size_t Pos() const { return base_ + static_cast<std::size_t>(p_ - start_); }

  // Reads the next chunk after the bytes from p_ on, which move to the buffer's start so that a
  // token spanning two chunks stays in one piece. False at the end of the input.
  bool More() {
    if (eof_) return false;
    if (capture_) capture_->append(captureFrom_, p_);
    const std::size_t kept = static_cast<std::size_t>(end_ - p_);
    base_ += static_cast<std::size_t>(p_ - start_);
    if (kept + kChunk + 1 > buf_.size()) {
      std::vector<char> bigger(kept + kChunk + 1);
      std::memcpy(bigger.data(), p_, kept);
      buf_.swap(bigger);
    } else {
      std::memmove(buf_.data(), p_, kept);
    }
    p_ = start_ = captureFrom_ = buf_.data();
    const std::size_t n = std::fread(buf_.data() + kept, 1, kChunk, file_);
    if (n < kChunk) {
      if (std::ferror(file_)) throw DocumentError("the document cannot be read to its end");
      eof_ = true;
    }
    end_ = buf_.data() + kept + n;
    buf_[kept + n] = '\0';
    return n > 0;
  }
  // At least `n` bytes from p_ on, unless the input ends sooner.
  void Ensure(std::size_t n) {
    while (static_cast<std::size_t>(end_ - p_) < n && More()) {
    }
  }

  void Literal(const char* word) {
    const std::size_t n = std::strlen(word);
    Ensure(n);
    if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, word, n) != 0) Fail("not JSON");
    p_ += n;
  }

  static bool Digit(char c) { return c >= '0' && c <= '9'; }
  static bool NumberChar(char c) { return Digit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

  double Number() {
    // Every character a number may hold in one piece in the buffer first.
    for (std::size_t n = 0;;) {
      while (NumberChar(p_[n])) ++n;
      if (!(p_ + n == end_ && More())) break;
    }
    const char* start = p_;
    if (*p_ == '-') ++p_;
    if (*p_ == '0') {
      ++p_;
    } else if (Digit(*p_)) {
      while (Digit(*p_)) ++p_;
    } else {
      Fail("bad number");
    }
    if (*p_ == '.') {
      ++p_;
      if (!Digit(*p_)) Fail("bad number");
      while (Digit(*p_)) ++p_;
    }
    if (*p_ == 'e' || *p_ == 'E') {
      ++p_;
      if (*p_ == '+' || *p_ == '-') ++p_;
      if (!Digit(*p_)) Fail("bad number");
      while (Digit(*p_)) ++p_;
    }
    double v = 0;
    const auto r = std::from_chars(start, p_, v);
    if (r.ec != std::errc() || r.ptr != p_) {
      const std::string text(start, static_cast<std::size_t>(r.ptr - start));
      p_ = start;
      Fail("number " + text + " is out of range");
    }
    return v;
  }

  std::uint32_t Hex4() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i, ++p_) {
      const char c = *p_;
      v <<= 4;
      if (Digit(c)) v |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') v |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') v |= static_cast<std::uint32_t>(c - 'A' + 10);
      else Fail("bad \\u escape");
    }
    return v;
  }

  void String(std::string& out) {
    ++p_;  // the opening quote
    out.clear();
    for (;;) {
      const char* run = p_;
      while (static_cast<unsigned char>(*p_) >= 0x20 && *p_ != '"' && *p_ != '\\' &&
             static_cast<unsigned char>(*p_) < 0x80)
        ++p_;
      out.append(run, p_);
      const auto c = static_cast<unsigned char>(*p_);
      if (c == '"') {
        ++p_;
        return;
      }
      if (c == '\\') {
        Ensure(12);  // the longest escape: a surrogate pair
        ++p_;
        const char e = *p_++;
        switch (e) {
          case '"': out += '"'; break;
          case '\\': out += '\\'; break;
          case '/': out += '/'; break;
          case 'b': out += '\b'; break;
          case 'f': out += '\f'; break;
          case 'n': out += '\n'; break;
          case 'r': out += '\r'; break;
          case 't': out += '\t'; break;
          case 'u': {
            std::uint32_t cp = Hex4();
            if (cp >= 0xD800 && cp <= 0xDBFF) {
              if (p_[0] != '\\' || p_[1] != 'u') Fail("a lone UTF-16 surrogate in a text");
              p_ += 2;
              const std::uint32_t lo = Hex4();
              if (lo < 0xDC00 || lo > 0xDFFF) Fail("a lone UTF-16 surrogate in a text");
              cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
              Fail("a lone UTF-16 surrogate in a text");
            }
            AppendUtf8(out, cp);
            break;
          }
          default: --p_, Fail("bad escape in a text");
        }
      } else if (c >= 0x80) {
        Ensure(4);
        const std::size_t len = text::Utf8CharLength(std::string_view(p_, static_cast<std::size_t>(end_ - p_)));
        if (!len) Fail("a text is not valid UTF-8");
        out.append(p_, len);
        p_ += len;
      } else if (!(c == '\0' && AtEnd() && More())) {
        Fail(AtEnd() ? "the document ends inside a text" : "a control character inside a text");
      }
    }
  }

  void List(Node& out, int depth) {
    ++p_;
    out.kind = Node::Kind::Array;
    Space();
    if (*p_ == ']') {
      ++p_;
      return;
    }
    for (;;) {
      Space();
      if (out.items.empty() && (*p_ == '-' || Digit(*p_))) {
        out.nums.push_back(Number());
      } else {
        if (out.items.empty() && !out.nums.empty()) {
          // Not a list of numbers after all: keep the numbers read so far as elements.
          out.items.resize(out.nums.size());
          for (std::size_t i = 0; i < out.nums.size(); ++i) {
            out.items[i].kind = Node::Kind::Number;
            out.items[i].num = out.nums[i];
          }
          out.nums.clear();
          out.nums.shrink_to_fit();
        }
        out.items.emplace_back();
        Value(out.items.back(), depth + 1);
      }
      Space();
      if (*p_ == ',') {
        ++p_;
        continue;
      }
      if (*p_ == ']') {
        ++p_;
        return;
      }
      Fail(AtEnd() ? "the document ends too early" : "',' or ']' expected");
    }
  }

  void Object(Node& out, int depth) {
    ++p_;
    out.kind = Node::Kind::Object;
    Space();
    if (*p_ == '}') {
      ++p_;
      return;
    }
    for (;;) {
      Space();
      if (*p_ != '"') Fail(AtEnd() ? "the document ends too early" : "a quoted key expected");
      out.members.emplace_back();
      String(out.members.back().first);
      Space();
      if (*p_ != ':') Fail("':' expected");
      ++p_;
      Space();
      Value(out.members.back().second, depth + 1);
      Space();
      if (*p_ == ',') {
        ++p_;
        continue;
      }
      if (*p_ == '}') {
        ++p_;
        return;
      }
      Fail(AtEnd() ? "the document ends too early" : "',' or '}' expected");
    }
  }

  std::FILE* file_ = nullptr;
  std::vector<char> buf_;  // file input: a chunk and a NUL after it
  const char* p_;
  const char* end_;
  const char* start_;  // where base_ is
  bool eof_ = false;
  std::size_t base_ = 0;  // offset in the input of start_
  std::size_t line_ = 1;
  std::size_t lineStart_ = 0;  // offset of the current line's start
  bool first_ = false;         // Member, Item: none read yet
  std::string scratch_;        // Skip's texts
  std::string* capture_ = nullptr;
  const char* captureFrom_ = nullptr;
};

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

// Builds the document while the lexer reads it, art by art: an art's own members (a path's
// numbers among them) are gathered into a small Node, its children are built as they come.
// Arrays and dictionaries stay text until an art refers to them; the tables come after the layers
// in a saved document, so references are resolved once everything is read.
class Reader {
 public:
  Reader(Lexer& lex, Document& doc)
      : lex_(lex), doc_(doc), top_{nullptr, "", 0, nullptr}, arraysW_(top_.Key("arrays")),
        dictsW_(top_.Key("dictionaries")) {}

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
        Table(arraysW_, arrayTexts_);
        arrays = true;
      } else if (key == "dictionaries" && !dicts) {
        Table(dictsW_, dictTexts_);
        dicts = true;
      } else {
        lex_.Value(n, 1);  // not ours: read for its syntax only
      }
    }
    End();
    if (!format) throw DocumentError("not a vxshape document");
    if (!version) Fail(top_, "key 'version' missing");
    if (!layers) Fail(top_, "key 'layers' missing");
    arrayRefs_.resize(arrayTexts_.size());
    arrayState_.resize(arrayTexts_.size());
    dictRefs_.resize(dictTexts_.size());
    dictState_.resize(dictTexts_.size());
    for (const DictUse& u : dictUses_) u.art->dictionary = DictAt(u.id, Where{nullptr, u.where.c_str(), 0, nullptr}, 0);
    const auto pre = doc_.PreorderLayers();
    const std::int64_t cur = !hasCurrent ? (pre.empty() ? -1 : 0)
                                 : IntIn(current, -1, static_cast<std::int64_t>(pre.size()) - 1, top_.Key("currentLayer"));
    doc_.current = cur >= 0 ? pre[static_cast<std::size_t>(cur)] : nullptr;
  }

 private:
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
    std::string where;
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

  void Table(const Where& w, std::vector<std::string>& texts) {
    if (lex_.Peek() != '[') NotA("a list", w, 1);
    lex_.OpenList(1);
    bool numbers = true;
    double first = 0;
    while (lex_.Item()) {
      texts.emplace_back();
      const bool number = lex_.Peek() == '-' || (lex_.Peek() >= '0' && lex_.Peek() <= '9');
      lex_.BeginCapture(texts.back());
      if (number && texts.size() == 1) {
        Node n;
        lex_.Value(n, 2);
        first = n.num;
      } else {
        lex_.Skip(2);
      }
      lex_.EndCapture();
      numbers = numbers && number;
    }
    if (numbers && !texts.empty()) Fail(w.At(0), "an object is needed, not " + DescribeNumber(first));
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
    if (const Node* s = j.Find("style")) StyleFrom(*s, a->style, w.Key("style"));
  }

  void TextFrom(ArtOpaque* a, const Node& j, const Where& w) {
    a->frameKind = static_cast<TextFrameKind>(OptInt(j, "frame", 0, 2, 0, w));
    a->orientation = OptBool(j, "vertical", false, w) ? TextOrientation::Vertical : TextOrientation::Horizontal;
    if (const Node* an = j.Find("anchor")) {
      const auto& x = Numbers(*an, 2, w.Key("anchor"));
      a->anchor = {x[0], x[1]};
    }
    if (const Node* u = j.Find("utf16")) {
      const Where uw = w.Key("utf16");
      const auto& units = Numbers(*u, 0, uw);
      a->text.reserve(units.size());
      for (std::size_t i = 0; i < units.size(); ++i) {
        const double c = units[i];
        if (!(c >= 0 && c <= 0xFFFF) || c != std::trunc(c))
          Fail(uw.At(i), "a UTF-16 code unit (0 to 65535) is needed, not " + std::to_string(c));
        a->text += static_cast<char16_t>(c);
      }
    }
    a->fontSize = OptNum(j, "fontSize", a->fontSize, w);
    if (const Node* f = j.Find("textFill")) a->textFill = ColourFrom(*f, w.Key("textFill"));
    a->justification = static_cast<Justification>(OptInt(j, "justification", 0, 3, 0, w));
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
        if (const Node* s = j.Find("style")) StyleFrom(*s, a->style, w.Key("style"));
        break;
      case ArtType::TextFrame: TextFrom(a, j, w); break;
      case ArtType::Symbol: {
        a->symbolName = TextOrHex(j, "symbol", "symbolHex", nullptr, w);
        if (const Node* b = j.Find("bounds")) {
          const auto& x = Numbers(*b, 4, w.Key("bounds"));
          a->symbolBounds = {x[0], x[1], x[2], x[3]};
        }
        break;
      }
      default:
        break;
    }
    if (const Node* d = j.Find("dict")) {
      const Where dw = w.Key("dict");
      dictUses_.push_back({a, static_cast<std::size_t>(IntIn(*d, 0, INT32_MAX, dw)), dw.Text()});
    }
    if (const Node* tags = j.Find("tags")) {
      const Where tw = w.Key("tags");
      const auto& list = Items(*tags, tw);
      for (std::size_t i = 0; i < list.size(); ++i) {
        const Where t = tw.At(i);
        Obj(list[i], t);
        a->tags.push_back({TextOrHex(list[i], "name", "nameHex", nullptr, t),
                           TextOrHex(list[i], "type", "typeHex", "string", t),
                           TextOrHex(list[i], "value", "valueHex", "", t)});
      }
    }
  }

 private:
  // `w`: where the entry stands; `depth`: how many containers hold it.
  Entry EntryFrom(const Node& j, bool inDictionary, const Where& w, int depth) {
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
    if (key == "array")
      return Entry::FromArray(ArrayAt(static_cast<std::size_t>(IntIn(*value, 0, INT32_MAX, w.Key("array"))),
                                      w.Key("array"), depth + 1));
    return Entry::FromDictionary(
        DictAt(static_cast<std::size_t>(IntIn(*value, 0, INT32_MAX, w.Key("dict"))), w.Key("dict"), depth + 1));
  }

  // An item of a table, read again from its text (checked when the file was read). Not inline:
  // the lexer stays out of the frames of nested arrays.
  [[gnu::noinline]] static Node TableItem(const std::string& text) {
    Node n;
    Lexer(text.data(), text.size()).Value(n, 2);
    return n;
  }

  void CheckNesting(int depth, const Where& w) {
    if (depth > kMaxDepth)
      Fail(w, std::string("arrays and dictionaries nested deeper than ") + kMaxDepthText + " levels");
  }

  // State of a table entry: 0 not built, 1 being built (a reference now is a cycle), 2 built.
  ArrayRef ArrayAt(std::size_t id, const Where& w, int depth) {
    if (id >= arrayRefs_.size())
      Fail(w, "arrays[" + std::to_string(id) + "] does not exist (" + std::to_string(arrayRefs_.size()) + " arrays)");
    if (arrayState_[id] == 2) return arrayRefs_[id];
    if (arrayState_[id] == 1)
      Fail(w, "refers to arrays[" + std::to_string(id) + "], which holds this entry: an array cannot contain itself");
    CheckNesting(depth, w);
    arrayState_[id] = 1;
    auto a = std::make_shared<ArrayImpl>();
    const Where aw = arraysW_.At(id);
    const Node n = TableItem(arrayTexts_[id]);
    std::string().swap(arrayTexts_[id]);
    const auto& items = Items(n, aw);
    a->Reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) a->Append(EntryFrom(items[i], false, aw.At(i), depth));
    arrayRefs_[id] = a;
    arrayState_[id] = 2;
    return a;
  }

  DictionaryRef DictAt(std::size_t id, const Where& w, int depth) {
    if (id >= dictRefs_.size())
      Fail(w, "dictionaries[" + std::to_string(id) + "] does not exist (" + std::to_string(dictRefs_.size()) +
                  " dictionaries)");
    if (dictState_[id] == 2) return dictRefs_[id];
    if (dictState_[id] == 1)
      Fail(w, "refers to dictionaries[" + std::to_string(id) +
                  "], which holds this entry: a dictionary cannot contain itself");
    CheckNesting(depth, w);
    dictState_[id] = 1;
    auto d = std::make_shared<DictionaryImpl>();
    const Where dw = dictsW_.At(id);
    const Node n = TableItem(dictTexts_[id]);
    std::string().swap(dictTexts_[id]);
    const Node& o = Obj(n, dw);
    for (const auto& [k, e] : o.members) {
      const Where ew = dw.Key(k.c_str());
      const Node* hex = e.kind == Node::Kind::Object ? e.Find("keyHex") : nullptr;
      const bool isHex = hex && Bool(*hex, ew.Key("keyHex"));
      d->Set(isHex ? Unhex(k, ew) : k, EntryFrom(e, true, ew, depth));
    }
    dictRefs_[id] = d;
    dictState_[id] = 2;
    return d;
  }

  Lexer& lex_;
  Document& doc_;
  const Where top_, arraysW_, dictsW_;
  int version_ = kVersion;
  std::vector<std::string> arrayTexts_, dictTexts_;  // the tables' items as text
  std::vector<DictUse> dictUses_;
  std::vector<double> numbers_;  // kept between paths for its capacity
  std::vector<ArrayRef> arrayRefs_;
  std::vector<char> arrayState_;
  std::vector<DictionaryRef> dictRefs_;
  std::vector<char> dictState_;
};

}  // namespace

bool WriteDocument(const Document& doc, const std::filesystem::path& file, std::string& error) {
  try {
    AtomicFile f;
    if (!f.Open(file, error)) return false;
    Out out(f);
    Writer w(out);
    const Where root{nullptr, "", 0, nullptr};
    out.Raw("{\"format\":\"");
    out.Raw(kFormat);
    out.Raw("\",\"version\":");
    out.Int(kVersion);
    const RealRect& b = doc.bounds;
    const Where bw = root.Key("bounds");
    out.Raw(",\"bounds\":[");
    out.Num(b.left, bw);
    out.Char(',');
    out.Num(b.top, bw);
    out.Char(',');
    out.Num(b.right, bw);
    out.Char(',');
    out.Num(b.bottom, bw);
    // The current layer as its position in pre-order.
    const auto pre = doc.PreorderLayers();
    auto it = std::find(pre.begin(), pre.end(), doc.current);
    out.Raw("],\"currentLayer\":");
    out.Int(it == pre.end() ? -1 : static_cast<long long>(it - pre.begin()));
    out.Raw(",\"layers\":[");
    const Where lw = root.Key("layers");
    for (std::size_t i = 0; i < doc.layers.size(); ++i) {
      if (i) out.Char(',');
      w.Layer(doc.layers[i], lw.At(i), 0);
    }
    out.Char(']');
    w.Tables();
    out.Raw("}\n");
    out.Flush();
    return f.Commit(error);
  } catch (const DocumentError& e) {
    error = OneLine(PathToUtf8(file) + ": not saved: " + e.what());
  } catch (const std::bad_alloc&) {
    error = PathToUtf8(file) + ": not saved: out of memory";
  } catch (const std::exception& e) {
    error = OneLine(PathToUtf8(file) + ": not saved: " + e.what());
  }
  return false;
}

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

bool StandInHost::SaveDocument(const std::filesystem::path& file, std::string& error) {
  if (!doc_) {
    error = "no document is open";
    return false;
  }
  if (!(IsSvgFile(file) ? WriteSvgDocument(*doc_, file, error) : WriteDocument(*doc_, file, error))) return false;
  doc_->journal.MarkSaved();
  std::error_code ec;
  doc_->file = std::filesystem::absolute(file, ec);
  return true;
}

bool StandInHost::OpenDocument(const std::filesystem::path& file, std::string& error) {
  auto doc = IsSvgFile(file) ? ReadSvgDocument(file, error) : ReadDocument(file, error);
  if (!doc) return false;
  doc_ = std::move(doc);
  return true;
}

}  // namespace vx::host
