#include "host/document.h"
#include "host/edge.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace vx::host {

namespace {
std::atomic<std::uint64_t> gLinks{0};  // counts links made and broken in any art tree

// An array put into an array or a dictionary is nearly always complete by then, so it settles
// (ArrayImpl::Fit): a record's field, built by five appends, would otherwise keep room for eight.
void Settle(const Entry& e) {
  if (e.Type() != EntryType::Array) return;
  ArrayRef a;
  e.AsArray(a);
  if (auto* impl = dynamic_cast<ArrayImpl*>(a.get())) impl->Fit();
}

// A packed entry: its type byte, then an int32, a bool byte, a double, or a text's length byte
// and bytes. Only texts of up to kPackedText bytes are packed.
constexpr std::size_t kPackMax = 16, kPackedText = 255;
std::size_t PackedSize(const Entry& e) {
  switch (e.Type()) {
    case EntryType::Integer: return 1 + sizeof(std::int32_t);
    case EntryType::Boolean: return 2;
    case EntryType::Real: return 1 + sizeof(double);
    case EntryType::String: return e.Text().size() <= kPackedText ? 2 + e.Text().size() : 0;
    default: return 0;
  }
}
void SkipPacked(const unsigned char*& p) {
  switch (static_cast<EntryType>(*p++)) {
    case EntryType::Integer: p += sizeof(std::int32_t); break;
    case EntryType::Boolean: p += 1; break;
    case EntryType::Real: p += sizeof(double); break;
    default: p += 1 + *p; break;
  }
}
}  // namespace

ArrayImpl::~ArrayImpl() {
  if (Packed()) delete[] packed_.bytes;
  else items_.~vector();
}

Entry ArrayImpl::Decode(const unsigned char*& p) {
  switch (static_cast<EntryType>(*p++)) {
    case EntryType::Integer: {
      std::int32_t v = 0;
      std::memcpy(&v, p, sizeof v);
      p += sizeof v;
      return Entry::Integer(v);
    }
    case EntryType::Boolean: return Entry::Boolean(*p++ != 0);
    case EntryType::Real: {
      double v = 0;
      std::memcpy(&v, p, sizeof v);
      p += sizeof v;
      return Entry::Real(v);
    }
    default: {
      const std::size_t n = *p++;
      const std::string_view t(reinterpret_cast<const char*>(p), n);
      p += n;
      return Entry::String(t);
    }
  }
}

void ArrayImpl::Fit() {
  if (Packed()) return;
  std::size_t bytes = 0;
  bool plain = !items_.empty() && items_.size() <= kPackMax;
  for (std::size_t i = 0; plain && i < items_.size(); ++i) {
    const std::size_t n = PackedSize(items_[i]);
    plain = n != 0;
    bytes += n;
  }
  if (!plain) {
    constexpr std::size_t kFitMax = 64;
    if (items_.size() <= kFitMax && items_.capacity() > items_.size()) items_.shrink_to_fit();
    return;
  }
  auto* block = new unsigned char[bytes];
  unsigned char* p = block;
  for (const Entry& e : items_) {
    *p++ = static_cast<unsigned char>(e.Type());
    switch (e.Type()) {
      case EntryType::Integer: {
        std::int32_t v = 0;
        e.AsInteger(v);
        std::memcpy(p, &v, sizeof v);
        p += sizeof v;
        break;
      }
      case EntryType::Boolean: {
        bool v = false;
        e.AsBoolean(v);
        *p++ = v ? 1 : 0;
        break;
      }
      case EntryType::Real: {
        double v = 0;
        e.AsReal(v);
        std::memcpy(p, &v, sizeof v);
        p += sizeof v;
        break;
      }
      default: {
        const std::string_view t = e.Text();
        *p++ = static_cast<unsigned char>(t.size());
        if (!t.empty()) std::memcpy(p, t.data(), t.size());
        p += t.size();
        break;
      }
    }
  }
  const auto count = static_cast<std::uint32_t>(items_.size());
  items_.~vector();
  packed_.bytes = block;
  packed_.count = count;
  bits_ |= kPackedBit;
}

void ArrayImpl::Unpack() {
  if (!Packed()) return;
  std::vector<Entry> items;
  items.reserve(packed_.count);
  const unsigned char* p = packed_.bytes;
  for (std::uint32_t i = 0; i < packed_.count; ++i) items.push_back(Decode(p));
  delete[] packed_.bytes;
  new (&items_) std::vector<Entry>(std::move(items));
  bits_ &= ~kPackedBit;
}

Err ArrayImpl::Get(std::int32_t index, Entry& out) const try {
  if (index < 0 || index >= Count()) return kOutOfRange;
  if (Packed()) {
    const unsigned char* p = packed_.bytes;
    for (std::int32_t i = 0; i < index; ++i) SkipPacked(p);
    out = Decode(p);
    return kNoErr;
  }
  out = items_[static_cast<std::size_t>(index)];
  return kNoErr;
} catch (...) { return EdgeFailure(); }
void ArrayImpl::Changing() {
  Unpack();
  if (Journal* j = Journal::Active()) j->ArrayChanging(*this);
}
Err ArrayImpl::Set(std::int32_t index, const Entry& e) try {
  if (index < 0 || index >= Count()) return kOutOfRange;
  Changing();
  items_[static_cast<std::size_t>(index)] = e;
  Settle(e);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ArrayImpl::Insert(std::int32_t index, const Entry& e) try {
  if (index < 0 || index > Count()) return kOutOfRange;
  Changing();
  items_.insert(items_.begin() + index, e);
  Settle(e);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ArrayImpl::Append(const Entry& e) try {
  Changing();
  items_.push_back(e);
  Settle(e);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ArrayImpl::Remove(std::int32_t index) try {
  if (index < 0 || index >= Count()) return kOutOfRange;
  Changing();
  items_.erase(items_.begin() + index);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err ArrayImpl::Clear() try {
  if (Count() == 0) return kNoErr;
  Changing();
  items_.clear();
  return kNoErr;
} catch (...) { return EdgeFailure(); }

namespace {
auto KeyLess = [](const DictionaryImpl::Item& a, const std::string& k) { return a.first < k; };
}

const Entry* DictionaryImpl::Find(const std::string& key) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key, KeyLess);
  return it != entries_.end() && it->first == key ? &it->second : nullptr;
}
std::optional<Entry> DictionaryImpl::Exchange(const std::string& key, std::optional<Entry> e) {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), key, KeyLess);
  std::optional<Entry> was;
  if (it != entries_.end() && it->first == key) {
    was = std::move(it->second);
    if (e) it->second = std::move(*e);
    else entries_.erase(it);
  } else if (e) {
    entries_.insert(it, Item(key, std::move(*e)));
  }
  return was;
}
Err DictionaryImpl::Get(const std::string& key, Entry& out) const try {
  const Entry* e = Find(key);
  if (!e) return kNotFound;
  out = *e;
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err DictionaryImpl::Set(const std::string& key, const Entry& e) try {
  if (Journal* j = Journal::Active()) j->DictionaryChanging(*this, key);
  Exchange(key, e);
  Settle(e);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
Err DictionaryImpl::Delete(const std::string& key) try {
  if (!Find(key)) return kNotFound;
  if (Journal* j = Journal::Active()) j->DictionaryChanging(*this, key);
  Exchange(key, std::nullopt);
  return kNoErr;
} catch (...) { return EdgeFailure(); }
std::vector<std::string> DictionaryImpl::Keys() const try {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& [k, v] : entries_) keys.push_back(k);
  return keys;
} catch (...) { return EdgeFailure(); }

Document::Document() = default;

namespace {
// The styles given last: an import gives each new path the new-art style, then every path of a
// file the same one of its own.
std::mutex gStyleMutex;
constexpr std::size_t kRecentStyles = 4;
std::array<std::shared_ptr<const PathStyle>, kRecentStyles> gRecentStyles;
std::size_t gNextStyle = 0;

std::shared_ptr<const PathStyle> Shared(const PathStyle& s) {
  const std::lock_guard lock(gStyleMutex);
  for (const auto& r : gRecentStyles)
    if (r && *r == s) return r;
  auto& slot = gRecentStyles[gNextStyle++ % kRecentStyles];
  slot = std::make_shared<const PathStyle>(s);
  return slot;
}
}  // namespace

SharedStyle::SharedStyle() : p_(Shared(PathStyle{})) {}

SharedStyle& SharedStyle::operator=(const PathStyle& s) {
  if (!(p_ && *p_ == s)) p_ = Shared(s);
  return *this;
}

PathStyle NewArtStyle() {
  PathStyle s;
  s.fillPaint = true;
  s.fill.color = Color::Cmyk(0, 0, 0, 0);
  s.strokePaint = true;
  s.stroke.color = Color::Cmyk(0, 0, 0, 1);
  return s;
}

const ArtExtra& ArtOpaque::NoExtra() {
  static const ArtExtra none;
  return none;
}

ArtOpaque* Document::NewNode(ArtType type) {
  ArtOpaque& a = artArena.emplace_back();
  a.type = type;
  if (type == ArtType::Path || type == ArtType::CompoundPath) a.style = NewArtStyle();
  return &a;
}

LayerOpaque* Document::NewLayer(const std::string& title) {
  LayerOpaque& l = layerArena.emplace_back();
  l.title = title;
  l.group = NewNode(ArtType::Group);
  l.group->layerOfGroup = &l;
  return &l;
}

void Document::Unlink(ArtOpaque* art) {
  ++gLinks;
  ArtOpaque* p = art->parent;
  if (!p) return;
  if (art->prev) art->prev->next = art->next; else p->firstChild = art->next;
  if (art->next) art->next->prev = art->prev; else p->lastChild = art->prev;
  art->parent = art->prev = art->next = nullptr;
}

Err Document::Place(ArtOpaque* art, PaintOrder order, ArtOpaque* prep) {
  if (!art || !prep || !art->alive || !prep->alive) return kBadParameter;
  for (ArtOpaque* a = prep; a; a = a->parent)
    if (a == art) return kBadParameter;  // would go inside itself
  const bool inside = order == PaintOrder::InsideOnTop || order == PaintOrder::InsideOnBottom;
  if (!inside && !prep->parent) return kBadParameter;  // nothing stands next to a layer group
  if (inside && prep->type != ArtType::Group && prep->type != ArtType::CompoundPath) return kBadParameter;
  journal.ArtPlacing(art);
  Unlink(art);
  ++gLinks;
  if (inside) {
    art->parent = prep;
    if (order == PaintOrder::InsideOnTop) {
      art->next = prep->firstChild;
      if (prep->firstChild) prep->firstChild->prev = art; else prep->lastChild = art;
      prep->firstChild = art;
    } else {
      art->prev = prep->lastChild;
      if (prep->lastChild) prep->lastChild->next = art; else prep->firstChild = art;
      prep->lastChild = art;
    }
    return kNoErr;
  }
  ArtOpaque* p = prep->parent;
  art->parent = p;
  if (order == PaintOrder::Above) {
    art->next = prep;
    art->prev = prep->prev;
    if (prep->prev) prep->prev->next = art; else p->firstChild = art;
    prep->prev = art;
  } else {
    art->prev = prep;
    art->next = prep->next;
    if (prep->next) prep->next->prev = art; else p->lastChild = art;
    prep->next = art;
  }
  return kNoErr;
}

void Document::Dispose(ArtOpaque* art) {
  journal.LayersChanging();
  journal.ArtPlacing(art);
  Unlink(art);
  std::vector<ArtOpaque*> below;
  Walk(art, below);
  below.push_back(art);
  for (ArtOpaque* a : below) {
    a->alive = false;
    if (a->layerOfGroup) a->layerOfGroup->alive = false;
  }
  if (current && !current->alive) current = nullptr;
  layers.erase(std::remove_if(layers.begin(), layers.end(), [](LayerOpaque* l) { return !l->alive; }), layers.end());
}

const Document::LayerTree& Document::Tree() const {
  const std::uint64_t links = gLinks;
  if (tree_.links == links && tree_.top == layers) return tree_;
  tree_.links = links;
  tree_.top = layers;
  tree_.preorder.clear();
  tree_.sublayers.clear();
  std::vector<LayerOpaque*> stack(layers.rbegin(), layers.rend());
  while (!stack.empty()) {
    LayerOpaque* l = stack.back();
    stack.pop_back();
    tree_.preorder.push_back(l);
    std::vector<LayerOpaque*>& subs = tree_.sublayers[l];
    for (ArtOpaque* c = l->group->firstChild; c; c = c->next)
      if (c->layerOfGroup) subs.push_back(c->layerOfGroup);
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) stack.push_back(*it);
  }
  return tree_;
}

std::vector<LayerOpaque*> Document::Sublayers(const LayerOpaque* layer) const {
  const LayerTree& t = Tree();
  if (auto it = t.sublayers.find(layer); it != t.sublayers.end()) return it->second;
  std::vector<LayerOpaque*> out;  // a layer outside the tree (removed)
  for (ArtOpaque* c = layer->group->firstChild; c; c = c->next)
    if (c->layerOfGroup) out.push_back(c->layerOfGroup);
  return out;
}

std::vector<LayerOpaque*> Document::PreorderLayers() const { return Tree().preorder; }

LayerOpaque* Document::ParentLayer(const LayerOpaque* layer) const {
  ArtOpaque* p = layer->group->parent;
  return p ? LayerOf(p) : nullptr;
}

LayerOpaque* Document::LayerOf(const ArtOpaque* art) const {
  for (const ArtOpaque* a = art; a; a = a->parent)
    if (a->layerOfGroup) return a->layerOfGroup;
  return nullptr;
}

void Document::Walk(ArtOpaque* root, std::vector<ArtOpaque*>& out) {
  // Iterative pre-order so that deep nesting cannot exhaust the stack.
  ArtOpaque* a = root->firstChild;
  while (a) {
    out.push_back(a);
    if (a->firstChild) {
      a = a->firstChild;
      continue;
    }
    while (a && !a->next && a != root) a = a->parent;
    if (!a || a == root) break;
    a = a->next;
  }
}

bool Document::OwnsLayer(const LayerOpaque* layer) const {
  if (!layer || !layer->alive) return false;
  for (const LayerOpaque& l : layerArena)
    if (&l == layer) return true;
  return false;
}

bool FullySelected(const ArtOpaque* art) {
  if (!(art->flags & kArtSelected)) return false;
  for (const ArtOpaque* c = art->firstChild; c; c = c->next)
    if (!FullySelected(c)) return false;
  return true;
}

namespace {
void Extend(RealRect& r, bool& any, const RealPoint& p) {
  if (!std::isfinite(p.h) || !std::isfinite(p.v)) return;
  if (!any) {
    r = {p.h, p.v, p.h, p.v};
    any = true;
    return;
  }
  r.left = std::min(r.left, p.h);
  r.right = std::max(r.right, p.h);
  r.top = std::max(r.top, p.v);
  r.bottom = std::min(r.bottom, p.v);
}

// Bounds of a cubic from its extrema rather than its control points.
void ExtendBezier(RealRect& r, bool& any, const RealPoint& p0, const RealPoint& p1, const RealPoint& p2,
                  const RealPoint& p3) {
  Extend(r, any, p0);
  Extend(r, any, p3);
  auto at = [&](double t) {
    const double u = 1 - t;
    return RealPoint{u * u * u * p0.h + 3 * u * u * t * p1.h + 3 * u * t * t * p2.h + t * t * t * p3.h,
                     u * u * u * p0.v + 3 * u * u * t * p1.v + 3 * u * t * t * p2.v + t * t * t * p3.v};
  };
  auto roots = [&](double a0, double a1, double a2, double a3) {
    // derivative coefficients of the cubic in one coordinate
    const double a = -a0 + 3 * a1 - 3 * a2 + a3, b = 2 * (a0 - 2 * a1 + a2), c = a1 - a0;
    std::vector<double> ts;
    if (std::abs(a) < 1e-12) {
      if (std::abs(b) > 1e-12) ts.push_back(-c / b);
    } else {
      const double d = b * b - 4 * a * c;
      if (d >= 0) {
        ts.push_back((-b + std::sqrt(d)) / (2 * a));
        ts.push_back((-b - std::sqrt(d)) / (2 * a));
      }
    }
    for (double t : ts)
      if (t > 0 && t < 1) Extend(r, any, at(t));
  };
  roots(p0.h, p1.h, p2.h, p3.h);
  roots(p0.v, p1.v, p2.v, p3.v);
}

void Bounds(const ArtOpaque* art, RealRect& r, bool& any) {
  switch (art->type) {
    case ArtType::Path: {
      const auto& s = art->segments;
      const std::size_t n = s.size();
      if (n == 1) Extend(r, any, s[0].p);
      for (std::size_t i = 0; i + 1 < n || (art->closed && n > 1 && i < n); ++i) {
        const PathSegment& a = s[i];
        const PathSegment& b = s[(i + 1) % n];
        ExtendBezier(r, any, a.p, a.out, b.in, b.p);
      }
      break;
    }
    case ArtType::TextFrame: {
      // Approximate the text's box from its size: half an em per code unit, one em high.
      const double w = 0.5 * art->Extra().fontSize * static_cast<double>(art->Extra().text.size());
      double left = art->Extra().anchor.h;
      if (art->Extra().justification == Justification::Right) left -= w;
      if (art->Extra().justification == Justification::Center) left -= w / 2;
      Extend(r, any, {left, art->Extra().anchor.v + art->Extra().fontSize * 0.8});
      Extend(r, any, {left + w, art->Extra().anchor.v - art->Extra().fontSize * 0.2});
      break;
    }
    case ArtType::Symbol:
      Extend(r, any, {art->Extra().symbolBounds.left, art->Extra().symbolBounds.top});
      Extend(r, any, {art->Extra().symbolBounds.right, art->Extra().symbolBounds.bottom});
      break;
    default:
      for (const ArtOpaque* c = art->firstChild; c; c = c->next)
        if (c->alive) Bounds(c, r, any);
  }
}
}  // namespace

RealRect ArtBounds(const ArtOpaque* art) {
  RealRect r{};
  bool any = false;
  Bounds(art, r, any);
  return r;
}

}  // namespace vx::host
