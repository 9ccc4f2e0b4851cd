// The stand-in host's in-memory document: layers, an art tree, dictionaries, arrays and tags.
#pragma once

#include "host/journal.h"
#include "host/segments.h"
#include "shell/host/dictionary.h"
#include "shell/host/suites.h"

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vx::host {

// A path's style, one copy shared by the paths that look alike (most art of an import does): a
// style is 272 bytes, a path's points often less.
class SharedStyle {
 public:
  SharedStyle();
  SharedStyle(const PathStyle& s) { *this = s; }  // NOLINT: a style is given where a PathStyle was
  SharedStyle& operator=(const PathStyle& s);
  operator const PathStyle&() const { return *p_; }  // NOLINT
  const PathStyle& get() const { return *p_; }
  const PathStyle* operator->() const { return p_.get(); }

 private:
  std::shared_ptr<const PathStyle> p_;
};

// What only text frames and symbols use, and tags, which little art carries: a path (most art)
// goes without it, and its record is half the size.
struct ArtExtra {
  // Text frames.
  TextFrameKind frameKind = TextFrameKind::Point;
  TextOrientation orientation = TextOrientation::Horizontal;
  RealPoint anchor;
  std::u16string text;
  double fontSize = 12.0;
  Color textFill = Color::Cmyk(0, 0, 0, 1);
  Justification justification = Justification::Left;

  // Symbols: the symbol's name and where its instance stands.
  std::string symbolName;
  RealRect symbolBounds;

  struct Tag {
    std::string name, type, value;
  };
  std::vector<Tag> tags;
};

// Art nodes live in the document's arena until the document is destroyed, so a disposed art's
// handle stays a valid pointer and is recognised as dead instead of dangling.
struct ArtOpaque {
  ArtType type = ArtType::Group;
  bool alive = true;
  std::uint32_t flags = 0;  // kArtSelected, kArtLocked, kArtHidden (fully selected is computed)
  // When the node was made, on the journal's clock: changes to art made during the open undo step
  // (and to its dictionary) need no records, undo takes the art away whole.
  std::uint64_t serial = Journal::NewContainerSerial();
  ArtOpaque* parent = nullptr;
  ArtOpaque* firstChild = nullptr;  // topmost
  ArtOpaque* lastChild = nullptr;   // bottommost
  ArtOpaque* prev = nullptr;        // the sibling above
  ArtOpaque* next = nullptr;        // the sibling below
  LayerOpaque* layerOfGroup = nullptr;  // set on a layer's group art

  // Paths, compound paths and text.
  Segments segments;
  bool closed = false;
  bool guide = false;
  bool clip = false;
  SharedStyle style;
  double opacity = 1.0;

  DictionaryRef dictionary;  // created on first use

  // Text, symbol and tag values: the defaults while none was set.
  const ArtExtra& Extra() const { return extra_.p ? *extra_.p : NoExtra(); }
  // The same to change, made on first use.
  ArtExtra& EditExtra() {
    if (!extra_.p) extra_.p = std::make_unique<ArtExtra>();
    return *extra_.p;
  }

 private:
  static const ArtExtra& NoExtra();
  // Copied with the art (undo keeps copies of art values).
  struct Box {
    Box() = default;
    Box(const Box& o) : p(o.p ? std::make_unique<ArtExtra>(*o.p) : nullptr) {}
    Box(Box&&) noexcept = default;
    Box& operator=(const Box& o) {
      if (this != &o) p = o.p ? std::make_unique<ArtExtra>(*o.p) : nullptr;
      return *this;
    }
    Box& operator=(Box&&) noexcept = default;
    std::unique_ptr<ArtExtra> p;
  };
  Box extra_;
};

// The XML tree an SVG document was loaded from (host/svg_document.cpp).
struct SvgTree;

struct LayerOpaque {
  std::string title;
  bool visible = true;
  bool editable = true;
  ArtOpaque* group = nullptr;  // a Group whose layerOfGroup points back here
  bool alive = true;
};

// Dictionaries and arrays of the stand-in host.
// Changes go through the active journal (host/journal.h) first, so that undo can put them back.
class ArrayImpl final : public Array, public std::enable_shared_from_this<ArrayImpl> {
 public:
  ArrayImpl() { new (&items_) std::vector<Entry>(); }
  ArrayImpl(const ArrayImpl&) = delete;
  ArrayImpl& operator=(const ArrayImpl&) = delete;
  ~ArrayImpl() override;
  std::int32_t Count() const override { return static_cast<std::int32_t>(Packed() ? packed_.count : items_.size()); }
  Err Get(std::int32_t index, Entry& out) const override;
  Err Set(std::int32_t index, const Entry& e) override;
  Err Insert(std::int32_t index, const Entry& e) override;
  Err Append(const Entry& e) override;
  Err Remove(std::int32_t index) override;
  Err Clear() override;
  // Calls f(entry) for each entry in order.
  template <class F>
  void ForEach(F f) const {
    if (!Packed()) {
      for (const Entry& e : items_) f(e);
      return;
    }
    const unsigned char* p = packed_.bytes;
    for (std::uint32_t i = 0; i < packed_.count; ++i) f(Decode(p));
  }
  // Room for `n` entries, so a loaded array holds no spare capacity.
  void Reserve(std::size_t n) {
    Unpack();
    items_.reserve(n);
  }
  // Called when the array is stored in a container, by then nearly always complete. A small array
  // of plain values (a record's field: name, type, width, decimals, value) is packed into one
  // block of bytes, about a quarter of the room its entries took; a change unpacks it. Other small
  // arrays give back their spare room. Large ones keep it: a caller that appends to an array and
  // stores it again after each append would otherwise copy it every time.
  void Fit();
  // When it was made, on the journal's clock.
  std::uint64_t Serial() const { return bits_ & ~kPackedBit; }

 private:
  friend class Journal;
  static constexpr std::uint64_t kPackedBit = std::uint64_t{1} << 63;
  bool Packed() const { return (bits_ & kPackedBit) != 0; }
  static Entry Decode(const unsigned char*& p);
  // Back to entries (before any change).
  void Unpack();
  void Changing();
  std::uint64_t bits_ = Journal::NewContainerSerial();  // the serial, and kPackedBit
  union {
    std::vector<Entry> items_;  // unless packed
    struct {
      unsigned char* bytes;
      std::uint32_t count;
    } packed_;
  };
};

// Keys in one sorted array: a record's few attributes cost one allocation, not a tree node each.
class DictionaryImpl final : public Dictionary, public std::enable_shared_from_this<DictionaryImpl> {
 public:
  using Item = std::pair<std::string, Entry>;
  bool IsKnown(const std::string& key) const override { return Find(key) != nullptr; }
  Err Get(const std::string& key, Entry& out) const override;
  Err Set(const std::string& key, const Entry& e) override;
  Err Delete(const std::string& key) override;
  std::vector<std::string> Keys() const override;
  // Sorted by key (bytes).
  const std::vector<Item>& Entries() const { return entries_; }
  void Reserve(std::size_t n) { entries_.reserve(n); }
  // When it was made; 0 for a dictionary that counts as the document's from the start (one made
  // for art that already existed).
  std::uint64_t serial = Journal::NewContainerSerial();

 private:
  friend class Journal;
  const Entry* Find(const std::string& key) const;
  // Puts or removes (nullopt) the entry under `key` without the journal; gives back what it held.
  std::optional<Entry> Exchange(const std::string& key, std::optional<Entry> e);
  std::vector<Item> entries_;
};

// Calls f(key, entry) for each entry in order (key nullptr for an array); the host's own
// containers are read in place, others through their interface.
template <class F>
void ForEachEntry(const Array& a, F f) {
  if (const auto* impl = dynamic_cast<const ArrayImpl*>(&a)) {
    impl->ForEach([&](const Entry& e) { f(nullptr, e); });
    return;
  }
  Entry e;
  for (std::int32_t i = 0; i < a.Count(); ++i)
    if (a.Get(i, e) == kNoErr) f(nullptr, e);
}
template <class F>
void ForEachEntry(const Dictionary& d, F f) {
  if (const auto* impl = dynamic_cast<const DictionaryImpl*>(&d)) {
    for (const auto& [k, e] : impl->Entries()) f(&k, e);
    return;
  }
  Entry e;
  for (const std::string& k : d.Keys())
    if (d.Get(k, e) == kNoErr) f(&k, e);
}

class Document {
 public:
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  ArtOpaque* NewNode(ArtType type);
  LayerOpaque* NewLayer(const std::string& title);

  // Links `art` relative to `prep` (InsideOnTop / InsideOnBottom: into prep; Above / Below: next
  // to prep). Fails when prep is dead or art would go inside itself.
  Err Place(ArtOpaque* art, PaintOrder order, ArtOpaque* prep);
  static void Unlink(ArtOpaque* art);
  void Dispose(ArtOpaque* art);

  // Top-level layers, topmost first.
  std::vector<LayerOpaque*> layers;
  LayerOpaque* current = nullptr;
  RealRect bounds{0, 792, 612, 0};  // artboard
  std::filesystem::path file;
  // Set when the document came from (or was saved as) SVG; saving as SVG updates it.
  mutable std::shared_ptr<SvgTree> svgTree;

  // Layers in pre-order: each layer, then its sublayers.
  std::vector<LayerOpaque*> PreorderLayers() const;
  std::vector<LayerOpaque*> Sublayers(const LayerOpaque* layer) const;
  LayerOpaque* ParentLayer(const LayerOpaque* layer) const;
  LayerOpaque* LayerOf(const ArtOpaque* art) const;
  // Every live art below `root` in pre-order (top to bottom), `root` excluded.
  static void Walk(ArtOpaque* root, std::vector<ArtOpaque*>& out);
  bool OwnsLayer(const LayerOpaque* layer) const;

  std::deque<ArtOpaque> artArena;
  std::deque<LayerOpaque> layerArena;
  // Undo and redo; Place and Dispose record into it, as does every suite that changes the document.
  Journal journal{*this};

 private:
  // The layer tree, kept while no art is linked or unlinked and the top-level list stands: a
  // layer's sublayers are found among all its art, which a large layer makes slow to scan.
  struct LayerTree {
    std::uint64_t links = ~std::uint64_t{0};
    std::vector<LayerOpaque*> top, preorder;
    std::unordered_map<const LayerOpaque*, std::vector<LayerOpaque*>> sublayers;
  };
  const LayerTree& Tree() const;
  mutable LayerTree tree_;
};

// The paint of a new path or compound path: white fill, black 1-point stroke.
PathStyle NewArtStyle();
// Saves `doc` as JSON (docs/document-format.md) through a temporary file and a rename; never
// throws. On failure `error` says why in one line and the file keeps what it held.
bool WriteDocument(const Document& doc, const std::filesystem::path& file, std::string& error);
// Loads a document; nullptr with a one-line reason naming the place of a fault.
std::unique_ptr<Document> ReadDocument(const std::filesystem::path& file, std::string& error);

// True when every descendant (and the art itself) is selected.
bool FullySelected(const ArtOpaque* art);
// Bounds of an art and its contents; empty art gives a zero rectangle.
RealRect ArtBounds(const ArtOpaque* art);

}  // namespace vx::host
