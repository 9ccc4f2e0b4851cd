// Saving documents as JSON: the document streams to the file through a buffer, numbers through
// std::to_chars (shortest form that reads back exactly).
#include "host/atomic_file.h"
#include "host/document_io.h"
#include "host/impl.h"
#include "shell/host/paths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace vx::host {

using namespace docfile;

namespace {

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
      std::size_t k = 0;
      const std::uint32_t* kid = kids_.data() + arrayKids_[i];
      ForEachEntry(*arrays_[i], [&](const std::string*, const Entry& e) {
        if (k) out_.Char(',');
        EntryOut(e, nullptr, kid, arraysW.At(i).At(k++));
      });
      out_.Char(']');
    }
    out_.Raw("],\"dictionaries\":[");
    for (std::size_t i = 0; i < dicts_.size(); ++i) {
      if (i) out_.Char(',');
      out_.Char('{');
      bool first = true;
      const std::uint32_t* kid = kids_.data() + dictKids_[i];
      ForEachEntry(*dicts_[i], [&](const std::string* k, const Entry& e) {
        if (!first) out_.Char(',');
        first = false;
        const bool plain = ValidUtf8(*k);
        out_.Str(plain ? *k : Hex(*k));
        out_.Char(':');
        EntryOut(e, plain ? nullptr : k, kid, dictsW.At(i).Key(""));
      });
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
        out_.Int(static_cast<int>(a->Extra().frameKind));
        out_.Raw(",\"vertical\":");
        out_.Bool(a->Extra().orientation == TextOrientation::Vertical);
        out_.Raw(",\"anchor\":[");
        out_.Num(a->Extra().anchor.h, w.Key("anchor"));
        out_.Char(',');
        out_.Num(a->Extra().anchor.v, w.Key("anchor"));
        out_.Raw("],\"utf16\":[");
        for (std::size_t i = 0; i < a->Extra().text.size(); ++i) {
          if (i) out_.Char(',');
          out_.Int(a->Extra().text[i]);
        }
        out_.Raw("],\"fontSize\":");
        out_.Num(a->Extra().fontSize, w.Key("fontSize"));
        out_.Raw(",\"textFill\":");
        Colour(a->Extra().textFill, w.Key("textFill"));
        out_.Raw(",\"justification\":");
        out_.Int(static_cast<int>(a->Extra().justification));
        break;
      }
      case ArtType::Symbol: {
        out_.Char(',');
        out_.TextMember("symbol", "symbolHex", a->Extra().symbolName);
        const Where bw = w.Key("bounds");
        out_.Raw(",\"bounds\":[");
        out_.Num(a->Extra().symbolBounds.left, bw);
        out_.Char(',');
        out_.Num(a->Extra().symbolBounds.top, bw);
        out_.Char(',');
        out_.Num(a->Extra().symbolBounds.right, bw);
        out_.Char(',');
        out_.Num(a->Extra().symbolBounds.bottom, bw);
        out_.Char(']');
        break;
      }
      default:
        break;
    }
    if (a->dictionary) {
      out_.Raw(",\"dict\":");
      out_.Int(static_cast<long long>(DictId(a->dictionary.get(), a->dictionary.use_count() > 1, w.Key("dict"), 0)));
    }
    if (!a->Extra().tags.empty()) {
      out_.Raw(",\"tags\":[");
      bool first = true;
      for (const auto& t : a->Extra().tags) {
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

  // Numbers an array or a dictionary (and what it holds) on first sight; a container met again
  // while its own contents are being numbered contains itself, which no load could rebuild.
  // Only a container held in more than one place can be met again: the others are numbered
  // without a look-up table, which for a large document would hold an entry per attribute list.
  // The numbers of a container's own containers go to kids_, from `starts[id]` on, in order.
  // `one`: the container's name in messages ("an array").
  template <class C>
  std::uint32_t Number(const C* c, bool shared, std::vector<const C*>& table, std::vector<std::uint32_t>& starts,
                       const char* one, const Where& w, int depth) {
    Id* slot = nullptr;
    if (shared) {
      // One look-up: the slot stays where it is while the table grows (the map's nodes do not move).
      const auto [it, fresh] = ids_.try_emplace(c, Id{static_cast<std::uint32_t>(table.size()), true});
      if (!fresh) {
        if (it->second.busy) Fail(w, std::string(one) + " contains itself; such a document could not be loaded");
        return it->second.id;
      }
      slot = &it->second;
    }
    if (depth > kMaxDepth)
      Fail(w, std::string("arrays and dictionaries nested deeper than ") + kMaxDepthText + " levels cannot be saved");
    if (table.size() >= kMaxContainers) Fail(w, std::string("more than ") + std::to_string(kMaxContainers) + " containers cannot be saved");
    const auto id = static_cast<std::uint32_t>(table.size());
    table.push_back(c);
    starts.push_back(0);
    const std::size_t mark = scratch_.size();
    ForEachEntry(*c, [&](const std::string*, const Entry& e) { Register(e, w, depth); });
    if (kids_.size() + (scratch_.size() - mark) > kMaxContainers) Fail(w, "too many containers to save");
    starts[id] = static_cast<std::uint32_t>(kids_.size());
    kids_.insert(kids_.end(), scratch_.begin() + static_cast<std::ptrdiff_t>(mark), scratch_.end());
    scratch_.resize(mark);
    if (slot) slot->busy = false;
    return id;
  }
  std::uint32_t ArrayId(const Array* a, bool shared, const Where& w, int depth) {
    return Number(a, shared, arrays_, arrayKids_, "an array", w, depth);
  }
  std::uint32_t DictId(const Dictionary* d, bool shared, const Where& w, int depth) {
    return Number(d, shared, dicts_, dictKids_, "a dictionary", w, depth);
  }

  // A copy of the reference is held here, so a container stored once has two.
  void Register(const Entry& e, const Where& w, int depth) {
    if (e.Type() == EntryType::Array) {
      ArrayRef a;
      e.AsArray(a);
      scratch_.push_back(ArrayId(a.get(), a.use_count() > 2, w, depth + 1));
    } else if (e.Type() == EntryType::Dictionary) {
      DictionaryRef d;
      e.AsDictionary(d);
      scratch_.push_back(DictId(d.get(), d.use_count() > 2, w, depth + 1));
    } else if (e.Type() == EntryType::Real) {
      double v = 0;
      e.AsReal(v);
      if (!std::isfinite(v)) Fail(w, "a real entry " + std::to_string(v) + " cannot be saved (not finite)");
    }
  }

  // `hexKey`: the dictionary key, when it is written in hex.
  // `kid`: the number of the next container among the entries written (advanced past it).
  void EntryOut(const Entry& e, const std::string* hexKey, const std::uint32_t*& kid, const Where& w) {
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
        e.AsString(text_);
        out_.TextMember("string", "stringHex", text_);
        break;
      }
      case EntryType::Array: {
        out_.Raw("\"array\":");
        out_.Int(static_cast<long long>(*kid++));
        break;
      }
      case EntryType::Dictionary: {
        out_.Raw("\"dict\":");
        out_.Int(static_cast<long long>(*kid++));
        break;
      }
    }
    out_.Char('}');
  }

  struct Id {
    std::uint32_t id;
    bool busy;
  };
  static constexpr std::size_t kMaxContainers = 0xffffffffu;
  Out& out_;
  std::vector<const Array*> arrays_;
  std::vector<const Dictionary*> dicts_;
  std::vector<std::uint32_t> arrayKids_, dictKids_;  // per container: where its containers' numbers start
  std::vector<std::uint32_t> kids_, scratch_;
  std::unordered_map<const void*, Id> ids_;  // containers held in more than one place
  std::string text_;  // a string entry being written; kept for its capacity
};
}  // namespace

bool WriteDocument(const Document& doc, const std::filesystem::path& file, std::string& error) {
  return GuardedSave(file, error, [&] {
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
  });
}

}  // namespace vx::host
