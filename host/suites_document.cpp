// The stand-in host's document suites: art, art sets, layers, paths, styles, text, tags,
// dictionaries, the document, Bezier and math helpers and shape construction.
#include "host/impl.h"

#include <algorithm>
#include <cmath>

namespace vx::host {
namespace {

class Base {
 public:
  explicit Base(StandInHost& h) : host_(h) {}

 protected:
  Document* Doc() { return host_.Doc(); }
  // A live art of the open document.
  Err Check(ArtHandle art) {
    if (!Doc()) return kNoDocument;
    if (!art || !art->alive) return kBadParameter;
    return kNoErr;
  }
  Err Check(LayerHandle layer) {
    if (!Doc()) return kNoDocument;
    if (!layer || !layer->alive) return kBadParameter;
    return kNoErr;
  }
  // A live art of one kind.
  Err CheckKind(ArtHandle art, ArtType type) {
    if (Err e = Check(art)) return e;
    return art->type == type ? kNoErr : kWrongType;
  }
  Err CheckPath(ArtHandle art) { return CheckKind(art, ArtType::Path); }
  Err CheckText(ArtHandle art) { return CheckKind(art, ArtType::TextFrame); }
  void Changed() { host_.documentChanged = true; }
  // Undo keeps what a change replaces: called before the change.
  void Edit(ArtHandle art) { Doc()->journal.ArtValuesChanging(art); }
  void Edit(LayerHandle layer) { Doc()->journal.LayerValuesChanging(layer); }
  // Art the user cannot change: locked art, or art on a locked layer.
  bool Locked(ArtHandle art) {
    for (ArtOpaque* a = art; a; a = a->parent) {
      if (a->flags & kArtLocked) return true;
      if (a->layerOfGroup && !a->layerOfGroup->editable) return true;
    }
    return false;
  }
  // Setters refuse locked art as the application does, with the same code throughout.
  Err Unlocked(ArtHandle art) { return Locked(art) ? kLocked : kNoErr; }
  StandInHost& host_;
};

class ArtSuiteImpl final : public ArtSuite, Base {
 public:
  using Base::Base;
  Err NewArt(ArtType type, PaintOrder order, ArtHandle prep, ArtHandle& out) override try {
    out = nullptr;
    VX_TRY(Check(prep));
    if (type != ArtType::Group && type != ArtType::Path && type != ArtType::CompoundPath) return kBadParameter;
    ArtOpaque* a = Doc()->NewNode(type);
    if (Err e = Doc()->Place(a, order, prep)) {
      a->alive = false;
      return e;
    }
    out = a;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err DisposeArt(ArtHandle art) override try {
    VX_TRY(Check(art));
    if (art->layerOfGroup) return kBadParameter;  // layers are deleted through the layer suite
    VX_TRY(Unlocked(art));
    Doc()->Dispose(art);
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err ReorderArt(ArtHandle art, PaintOrder order, ArtHandle prep) override try {
    VX_TRY(Check(art));
    VX_TRY(Check(prep));
    if (art->layerOfGroup) return kBadParameter;
    VX_TRY(Unlocked(art));
    VX_TRY(Doc()->Place(art, order, prep));
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtType(ArtHandle art, ArtType& out) override try {
    VX_TRY(Check(art));
    out = art->type;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtParent(ArtHandle art, ArtHandle& out) override try {
    VX_TRY(Check(art));
    out = art->parent;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtFirstChild(ArtHandle art, ArtHandle& out) override try {
    VX_TRY(Check(art));
    out = art->firstChild;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtSibling(ArtHandle art, ArtHandle& out) override try {
    VX_TRY(Check(art));
    // A top-level layer's group has no art siblings; its neighbours are layers.
    out = art->next;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtBounds(ArtHandle art, RealRect& out) override try {
    VX_TRY(Check(art));
    out = ArtBounds(art);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t& out) override try {
    VX_TRY(Check(art));
    std::uint32_t f = art->flags & (kArtSelected | kArtLocked | kArtHidden);
    if (FullySelected(art)) f |= kArtFullySelected;
    out = f & which;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetArtUserAttr(ArtHandle art, std::uint32_t which, std::uint32_t value) override try {
    VX_TRY(Check(art));
    if (which & kArtFullySelected) return kBadParameter;  // computed, not set
    // Locking and hiding stay open (they are how art gets unlocked); selecting locked art does not.
    if ((which & value & kArtSelected) && !(art->flags & kArtSelected)) VX_TRY(Unlocked(art));
    const std::uint32_t before = art->flags;
    if ((before ^ value) & which & (kArtLocked | kArtHidden)) Edit(art);
    art->flags = (art->flags & ~which) | (value & which);
    if (which & kArtSelected) {
      // Selecting or deselecting a group or compound path takes its contents along.
      std::vector<ArtOpaque*> below;
      Document::Walk(art, below);
      for (ArtOpaque* a : below) a->flags = (a->flags & ~kArtSelected) | (value & kArtSelected);
      host_.selectionChanged = true;
    }
    if ((before ^ art->flags) & (kArtLocked | kArtHidden)) Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetDictionary(ArtHandle art, DictionaryRef& out) override try {
    VX_TRY(Check(art));
    if (!art->dictionary) {
      // An empty dictionary is no change: it is as old as its art (so what a command puts into the
      // dictionary of art it made needs no undo records).
      auto d = std::make_shared<DictionaryImpl>();
      d->serial = art->serial;
      art->dictionary = std::move(d);
    }
    out = art->dictionary;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  bool HasDictionary(ArtHandle art) override try { return Check(art) == kNoErr && art->dictionary; } catch (...) { return EdgeFailure(); }
  Err GetLayerOfArt(ArtHandle art, LayerHandle& out) override try {
    VX_TRY(Check(art));
    out = Doc()->LayerOf(art);
    return out ? kNoErr : kBadParameter;
  } catch (...) { return EdgeFailure(); }
  Err IsLayerGroup(ArtHandle art, bool& out) override try {
    VX_TRY(Check(art));
    out = art->layerOfGroup != nullptr;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  bool ValidArt(ArtHandle art) override try { return Check(art) == kNoErr; } catch (...) { return EdgeFailure(); }
};

class ArtSetSuiteImpl final : public ArtSetSuite, Base {
 public:
  using Base::Base;
  Err NewArtSet(ArtSetHandle& out) override try {
    sets_.emplace_back();
    out = reinterpret_cast<ArtSetHandle>(&sets_.back());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err DisposeArtSet(ArtSetHandle& set) override try {
    if (!set) return kBadParameter;
    Set(set).clear();
    Set(set).shrink_to_fit();
    set = nullptr;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SelectedArtSet(ArtSetHandle set) override try {
    if (!set) return kBadParameter;
    if (!Doc()) return kNoDocument;
    auto& s = Set(set);
    s.clear();
    for (LayerOpaque* l : Doc()->layers) {
      std::vector<ArtOpaque*> all;
      Document::Walk(l->group, all);
      for (ArtOpaque* a : all)
        if ((a->flags & kArtSelected) && !a->layerOfGroup) s.push_back(a);
    }
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err LayerArtSet(LayerHandle layer, ArtSetHandle set) override try {
    if (!set) return kBadParameter;
    VX_TRY(Check(layer));
    auto& s = Set(set);
    s.clear();
    Document::Walk(layer->group, s);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err CountArtSet(ArtSetHandle set, std::int32_t& out) override try {
    if (!set) return kBadParameter;
    out = static_cast<std::int32_t>(Set(set).size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err IndexArtSet(ArtSetHandle set, std::int32_t index, ArtHandle& out) override try {
    if (!set) return kBadParameter;
    auto& s = Set(set);
    if (index < 0 || index >= static_cast<std::int32_t>(s.size())) return kOutOfRange;
    out = s[static_cast<std::size_t>(index)];
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  std::vector<ArtOpaque*>& Set(ArtSetHandle h) { return *reinterpret_cast<std::vector<ArtOpaque*>*>(h); }
  std::deque<std::vector<ArtOpaque*>> sets_;
};

class LayerSuiteImpl final : public LayerSuite, Base {
 public:
  using Base::Base;
  Err CountLayers(std::int32_t& out) override try {
    if (!Doc()) return kNoDocument;
    out = static_cast<std::int32_t>(Doc()->layers.size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetFirstLayer(LayerHandle& out) override try {
    if (!Doc()) return kNoDocument;
    out = Doc()->layers.empty() ? nullptr : Doc()->layers.front();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetNextLayer(LayerHandle layer, LayerHandle& out) override try {
    VX_TRY(Check(layer));
    out = nullptr;
    LayerOpaque* parent = Doc()->ParentLayer(layer);
    const auto list = parent ? Doc()->Sublayers(parent) : Doc()->layers;
    auto it = std::find(list.begin(), list.end(), layer);
    if (it != list.end() && ++it != list.end()) out = *it;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetNextPreorderLayer(LayerHandle layer, LayerHandle& out) override try {
    VX_TRY(Check(layer));
    out = nullptr;
    const auto all = Doc()->PreorderLayers();
    auto it = std::find(all.begin(), all.end(), layer);
    if (it != all.end() && ++it != all.end()) out = *it;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetCurrentLayer(LayerHandle& out) override try {
    if (!Doc()) return kNoDocument;
    out = Doc()->current;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetCurrentLayer(LayerHandle layer) override try {
    VX_TRY(Check(layer));
    Doc()->current = layer;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err InsertLayer(LayerHandle prep, PaintOrder order, LayerHandle& out) override try {
    out = nullptr;
    if (!Doc()) return kNoDocument;
    Document& d = *Doc();
    LayerOpaque* l = nullptr;
    if (!prep) {
      if (order != PaintOrder::Above && order != PaintOrder::Below) return kBadParameter;
      l = d.NewLayer("");
      d.journal.LayersChanging();
      if (order == PaintOrder::Above) d.layers.insert(d.layers.begin(), l); else d.layers.push_back(l);
    } else {
      VX_TRY(Check(prep));
      LayerOpaque* parent = d.ParentLayer(prep);
      if (order == PaintOrder::InsideOnTop || order == PaintOrder::InsideOnBottom) {
        l = d.NewLayer("");
        VX_TRY(d.Place(l->group, order, prep->group));
      } else if (parent) {
        l = d.NewLayer("");
        VX_TRY(d.Place(l->group, order, prep->group));
      } else {
        auto it = std::find(d.layers.begin(), d.layers.end(), prep);
        if (it == d.layers.end()) return kBadParameter;
        l = d.NewLayer("");
        d.journal.LayersChanging();
        if (order == PaintOrder::Below) ++it;
        d.layers.insert(it, l);
      }
    }
    l->title = "レイヤー " + std::to_string(d.layerArena.size());  // a new layer: no record
    out = l;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err DeleteLayer(LayerHandle layer) override try {
    VX_TRY(Check(layer));
    Document& d = *Doc();
    d.journal.LayersChanging();
    if (layer->group->parent) {
      d.Dispose(layer->group);
    } else {
      std::vector<ArtOpaque*> all;
      Document::Walk(layer->group, all);
      for (ArtOpaque* a : all) {
        a->alive = false;
        if (a->layerOfGroup) a->layerOfGroup->alive = false;
      }
      layer->group->alive = false;
      layer->alive = false;
      d.layers.erase(std::remove(d.layers.begin(), d.layers.end(), layer), d.layers.end());
      if (d.current && !d.current->alive) d.current = nullptr;
    }
    if (!d.current && !d.layers.empty()) d.current = d.layers.front();
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetLayerTitle(LayerHandle layer, std::string& utf8) override try {
    VX_TRY(Check(layer));
    utf8 = layer->title;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetLayerTitle(LayerHandle layer, const std::string& utf8) override try {
    VX_TRY(Check(layer));
    Edit(layer);
    layer->title = utf8;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetLayerVisible(LayerHandle layer, bool& out) override try {
    VX_TRY(Check(layer));
    out = layer->visible;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetLayerVisible(LayerHandle layer, bool visible) override try {
    VX_TRY(Check(layer));
    Edit(layer);
    layer->visible = visible;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetLayerEditable(LayerHandle layer, bool& out) override try {
    VX_TRY(Check(layer));
    out = layer->editable;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetLayerEditable(LayerHandle layer, bool editable) override try {
    VX_TRY(Check(layer));
    Edit(layer);
    layer->editable = editable;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err LayerHasSelectedArt(LayerHandle layer, bool& out) override try {
    VX_TRY(Check(layer));
    std::vector<ArtOpaque*> all;
    Document::Walk(layer->group, all);
    out = std::any_of(all.begin(), all.end(), [](ArtOpaque* a) { return (a->flags & kArtSelected) != 0; });
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err DeselectArtOnLayer(LayerHandle layer) override try {
    VX_TRY(Check(layer));
    std::vector<ArtOpaque*> all;
    Document::Walk(layer->group, all);
    for (ArtOpaque* a : all) {
      if (a->flags & kArtSelected) host_.selectionChanged = true;
      a->flags &= ~kArtSelected;
    }
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetLayerGroup(LayerHandle layer, ArtHandle& out) override try {
    VX_TRY(Check(layer));
    out = layer->group;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetLayerParent(LayerHandle layer, LayerHandle& out) override try {
    VX_TRY(Check(layer));
    out = Doc()->ParentLayer(layer);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

double SignedArea(const Segments& s, bool closed, double flatness);
std::vector<RealPoint> Flatten(const RealBezier& b, double flatness);

RealPoint BezierAt(const RealBezier& b, double t) {
  const double u = 1 - t;
  const double a = u * u * u, c1 = 3 * u * u * t, c2 = 3 * u * t * t, d = t * t * t;
  return {a * b.p0.h + c1 * b.p1.h + c2 * b.p2.h + d * b.p3.h, a * b.p0.v + c1 * b.p1.v + c2 * b.p2.v + d * b.p3.v};
}

bool IsLine(const RealBezier& b) { return b.p1 == b.p0 && b.p2 == b.p3; }

// Recursive subdivision until the control points lie within `flatness` of the chord; depth is
// capped at 16 (65,536 pieces), far past any flatness a caller asks for.
void FlattenInto(const RealBezier& b, double flatness, int depth, std::vector<RealPoint>& out) {
  auto dist = [&](const RealPoint& p) {
    const double dx = b.p3.h - b.p0.h, dy = b.p3.v - b.p0.v;
    const double len = std::hypot(dx, dy);
    if (len == 0) return std::hypot(p.h - b.p0.h, p.v - b.p0.v);
    return std::abs((p.h - b.p0.h) * dy - (p.v - b.p0.v) * dx) / len;
  };
  if (depth >= 16 || IsLine(b) || (dist(b.p1) <= flatness && dist(b.p2) <= flatness)) {
    out.push_back(b.p3);
    return;
  }
  auto mid = [](const RealPoint& a, const RealPoint& c) { return RealPoint{(a.h + c.h) / 2, (a.v + c.v) / 2}; };
  const RealPoint p01 = mid(b.p0, b.p1), p12 = mid(b.p1, b.p2), p23 = mid(b.p2, b.p3);
  const RealPoint p012 = mid(p01, p12), p123 = mid(p12, p23), m = mid(p012, p123);
  FlattenInto({b.p0, p01, p012, m}, flatness, depth + 1, out);
  FlattenInto({m, p123, p23, b.p3}, flatness, depth + 1, out);
}

std::vector<RealPoint> Flatten(const RealBezier& b, double flatness) {
  std::vector<RealPoint> out{b.p0};
  FlattenInto(b, flatness > 0 ? flatness : 0.01, 0, out);
  return out;
}

RealBezier SegmentBezier(const Segments& s, std::size_t i) {
  const PathSegment& a = s[i];
  const PathSegment& c = s[(i + 1) % s.size()];
  return {a.p, a.out, c.in, c.p};
}

std::size_t BezierCount(const Segments& s, bool closed) {
  if (s.size() < 2) return 0;
  return closed ? s.size() : s.size() - 1;
}

double SignedArea(const Segments& s, bool closed, double flatness) {
  (void)closed;  // the area of an open path is that of its closing chord's polygon
  std::vector<RealPoint> pts;
  for (std::size_t i = 0; i < BezierCount(s, true); ++i) {
    auto piece = Flatten(SegmentBezier(s, i), flatness);
    pts.insert(pts.end(), piece.begin() + (pts.empty() ? 0 : 1), piece.end());
  }
  // Positive for clockwise paths (v up), so that an exported outer ring, kept in the order of a
  // positive area, runs clockwise in map coordinates as shapefiles want (docs/export.md).
  double a = 0;
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) a += pts[i + 1].h * pts[i].v - pts[i].h * pts[i + 1].v;
  return a / 2;
}

class PathSuiteImpl final : public PathSuite, Base {
 public:
  using Base::Base;
  Err GetPathSegmentCount(ArtHandle path, std::int32_t& out) override try {
    VX_TRY(CheckPath(path));
    out = static_cast<std::int32_t>(path->segments.size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathSegments(ArtHandle path, std::int32_t first, std::int32_t count, PathSegment* out) override try {
    VX_TRY(CheckPath(path));
    const auto n = static_cast<std::int64_t>(path->segments.size());
    if (first < 0 || count < 0 || first + static_cast<std::int64_t>(count) > n || (count > 0 && !out))
      return kOutOfRange;
    std::copy_n(path->segments.begin() + first, count, out);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPathSegments(ArtHandle path, std::int32_t count, const PathSegment* segments) override try {
    VX_TRY(CheckPath(path));
    if (count < 0 || (count > 0 && !segments)) return kBadParameter;
    VX_TRY(Unlocked(path));
    Edit(path);
    path->segments.assign(segments, segments + count);
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathClosed(ArtHandle path, bool& out) override try {
    VX_TRY(CheckPath(path));
    out = path->closed;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPathClosed(ArtHandle path, bool closed) override try {
    VX_TRY(CheckPath(path));
    VX_TRY(Unlocked(path));
    Edit(path);
    path->closed = closed;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathGuide(ArtHandle path, bool& out) override try {
    VX_TRY(CheckPath(path));
    out = path->guide;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPathGuide(ArtHandle path, bool guide) override try {
    VX_TRY(CheckPath(path));
    VX_TRY(Unlocked(path));
    Edit(path);
    path->guide = guide;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathIsClip(ArtHandle art, bool& out) override try {
    VX_TRY(Check(art));
    out = art->clip;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPathIsClip(ArtHandle art, bool clip) override try {
    VX_TRY(Check(art));
    if (art->type != ArtType::Path && art->type != ArtType::CompoundPath) return kWrongType;
    VX_TRY(Unlocked(art));
    Edit(art);
    art->clip = clip;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathArea(ArtHandle path, double& out) override try {
    VX_TRY(CheckPath(path));
    out = SignedArea(path->segments, path->closed, 1e-4);
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathLength(ArtHandle path, double& out, double flatness) override try {
    VX_TRY(CheckPath(path));
    out = 0;
    std::vector<RealPoint> pts;  // kept for its capacity
    for (std::size_t i = 0; i < BezierCount(path->segments, path->closed); ++i) {
      const RealBezier b = SegmentBezier(path->segments, i);
      // A straight piece (an imported line is all of them) is its chord, as flattening gives.
      if (IsLine(b)) {
        out += std::hypot(b.p3.h - b.p0.h, b.p3.v - b.p0.v);
        continue;
      }
      pts.assign(1, b.p0);
      FlattenInto(b, flatness > 0 ? flatness : 0.01, 0, pts);
      for (std::size_t k = 0; k + 1 < pts.size(); ++k) out += std::hypot(pts[k + 1].h - pts[k].h, pts[k + 1].v - pts[k].v);
    }
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPathBezier(ArtHandle path, std::int32_t index, RealBezier& out) override try {
    VX_TRY(CheckPath(path));
    if (index < 0 || static_cast<std::size_t>(index) >= BezierCount(path->segments, path->closed)) return kOutOfRange;
    out = SegmentBezier(path->segments, static_cast<std::size_t>(index));
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class PathStyleSuiteImpl final : public PathStyleSuite, Base {
 public:
  using Base::Base;
  Err GetPathStyle(ArtHandle art, PathStyle& out) override try {
    VX_TRY(Styled(art));
    out = art->style;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetPathStyle(ArtHandle art, const PathStyle& style) override try {
    VX_TRY(Styled(art));
    if (style.stroke.dashCount < 0 || style.stroke.dashCount > kMaxDashes) return kBadParameter;
    VX_TRY(Unlocked(art));
    Edit(art);
    art->style = style;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }

 private:
  Err Styled(ArtHandle a) {
    VX_TRY(Check(a));
    return a->type == ArtType::Path || a->type == ArtType::CompoundPath ? kNoErr : kWrongType;
  }
};

class BlendStyleSuiteImpl final : public BlendStyleSuite, Base {
 public:
  using Base::Base;
  Err GetOpacity(ArtHandle art, double& out) override try {
    VX_TRY(Check(art));
    out = art->opacity;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetOpacity(ArtHandle art, double opacity) override try {
    VX_TRY(Check(art));
    if (!(opacity >= 0 && opacity <= 1)) return kBadParameter;
    VX_TRY(Unlocked(art));
    Edit(art);
    art->opacity = opacity;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class RealBezierSuiteImpl final : public RealBezierSuite {
 public:
  RealPoint PointAt(const RealBezier& b, double t) override try { return BezierAt(b, t); } catch (...) { return EdgeFailure(); }
  double Length(const RealBezier& b, double flatness) override try {
    auto pts = Flatten(b, flatness);
    double len = 0;
    for (std::size_t k = 0; k + 1 < pts.size(); ++k) len += std::hypot(pts[k + 1].h - pts[k].h, pts[k + 1].v - pts[k].v);
    return len;
  } catch (...) { return EdgeFailure(); }
};

class RealMathSuiteImpl final : public RealMathSuite {
 public:
  bool PointClose(const RealPoint& a, const RealPoint& b, double tolerance) override try {
    return std::abs(a.h - b.h) <= tolerance && std::abs(a.v - b.v) <= tolerance;
  } catch (...) { return EdgeFailure(); }
};

class ShapeConstructionSuiteImpl final : public ShapeConstructionSuite, Base {
 public:
  using Base::Base;
  Err NewEllipse(const RealPoint& c, double width, double height, bool reversed, ArtHandle& out) override try {
    out = nullptr;
    if (!Doc()) return kNoDocument;
    if (!(std::isfinite(c.h) && std::isfinite(c.v) && width >= 0 && height >= 0)) return kBadParameter;
    LayerOpaque* layer = Doc()->current;
    if (!layer && !Doc()->layers.empty()) layer = Doc()->layers.front();
    if (!layer) return kBadParameter;
    // Four arcs with the usual 0.5523 handle factor, starting at the top, counter-clockwise.
    const double k = 0.5522847498307936, rx = width / 2, ry = height / 2;
    std::vector<PathSegment> s(4);
    auto seg = [&](double px, double py, double ix, double iy, double ox, double oy) {
      return PathSegment{{c.h + px, c.v + py}, {c.h + ix, c.v + iy}, {c.h + ox, c.v + oy}, false};
    };
    s[0] = seg(0, ry, k * rx, ry, -k * rx, ry);
    s[1] = seg(-rx, 0, -rx, k * ry, -rx, -k * ry);
    s[2] = seg(0, -ry, -k * rx, -ry, k * rx, -ry);
    s[3] = seg(rx, 0, rx, -k * ry, rx, k * ry);
    if (reversed) {
      std::reverse(s.begin(), s.end());
      for (auto& x : s) std::swap(x.in, x.out);
    }
    ArtOpaque* a = Doc()->NewNode(ArtType::Path);
    a->segments = std::move(s);
    a->closed = true;
    VX_TRY(Doc()->Place(a, PaintOrder::InsideOnTop, layer->group));
    out = a;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class TextFrameSuiteImpl final : public TextFrameSuite, Base {
 public:
  using Base::Base;
  Err NewPointText(PaintOrder order, ArtHandle prep, TextOrientation orientation, const RealPoint& anchor,
                   ArtHandle& out) override try {
    out = nullptr;
    VX_TRY(Check(prep));
    ArtOpaque* a = Doc()->NewNode(ArtType::TextFrame);
    a->EditExtra().frameKind = TextFrameKind::Point;
    a->EditExtra().orientation = orientation;
    a->EditExtra().anchor = anchor;
    if (Err e = Doc()->Place(a, order, prep)) {
      a->alive = false;
      return e;
    }
    out = a;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetFrameKind(ArtHandle frame, TextFrameKind& out) override try {
    VX_TRY(CheckText(frame));
    out = frame->Extra().frameKind;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetPointTextAnchor(ArtHandle frame, RealPoint& out) override try {
    VX_TRY(CheckText(frame));
    out = frame->Extra().anchor;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class TextRangeSuiteImpl final : public TextRangeSuite, Base {
 public:
  using Base::Base;
  Err GetSize(ArtHandle f, std::int32_t& out) override try {
    VX_TRY(CheckText(f));
    out = static_cast<std::int32_t>(f->Extra().text.size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetContents(ArtHandle f, std::u16string& out) override try {
    VX_TRY(CheckText(f));
    out = f->Extra().text;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err InsertAfter(ArtHandle f, const std::u16string& text) override try {
    VX_TRY(CheckText(f));
    VX_TRY(Unlocked(f));
    Edit(f);
    f->EditExtra().text += text;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetFillColor(ArtHandle f, const Color& color) override try {
    VX_TRY(CheckText(f));
    VX_TRY(Unlocked(f));
    Edit(f);
    f->EditExtra().textFill = color;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetFillColor(ArtHandle f, Color& out) override try {
    VX_TRY(CheckText(f));
    out = f->Extra().textFill;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetFontSize(ArtHandle f, double points) override try {
    VX_TRY(CheckText(f));
    if (!(std::isfinite(points) && points > 0)) return kBadParameter;
    VX_TRY(Unlocked(f));
    Edit(f);
    f->EditExtra().fontSize = points;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetFontSize(ArtHandle f, double& out) override try {
    VX_TRY(CheckText(f));
    out = f->Extra().fontSize;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SetJustification(ArtHandle f, Justification j) override try {
    VX_TRY(CheckText(f));
    VX_TRY(Unlocked(f));
    Edit(f);
    f->EditExtra().justification = j;
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetJustification(ArtHandle f, Justification& out) override try {
    VX_TRY(CheckText(f));
    out = f->Extra().justification;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class TagSuiteImpl final : public TagSuite, Base {
 public:
  using Base::Base;
  Err SetTag(ArtHandle art, const std::string& name, const std::string& type, const std::string& value) override try {
    VX_TRY(Check(art));
    if (name.empty()) return kBadParameter;
    VX_TRY(Unlocked(art));
    Edit(art);
    for (auto& t : art->EditExtra().tags)
      if (t.name == name) {
        t.type = type;
        t.value = value;
        Changed();
        return kNoErr;
      }
    art->EditExtra().tags.push_back({name, type, value});
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetTag(ArtHandle art, const std::string& name, std::string& value) override try {
    VX_TRY(Check(art));
    for (auto& t : art->Extra().tags)
      if (t.name == name) {
        value = t.value;
        return kNoErr;
      }
    return kNotFound;
  } catch (...) { return EdgeFailure(); }
  Err GetTagType(ArtHandle art, const std::string& name, std::string& type) override try {
    VX_TRY(Check(art));
    for (auto& t : art->Extra().tags)
      if (t.name == name) {
        type = t.type;
        return kNoErr;
      }
    return kNotFound;
  } catch (...) { return EdgeFailure(); }
  Err CountTags(ArtHandle art, std::int32_t& out) override try {
    VX_TRY(Check(art));
    out = static_cast<std::int32_t>(art->Extra().tags.size());
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetNthTag(ArtHandle art, std::int32_t index, std::string& name) override try {
    VX_TRY(Check(art));
    if (index < 0 || index >= static_cast<std::int32_t>(art->Extra().tags.size())) return kOutOfRange;
    name = art->Extra().tags[static_cast<std::size_t>(index)].name;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err RemoveTag(ArtHandle art, const std::string& name) override try {
    VX_TRY(Check(art));
    auto it = std::find_if(art->Extra().tags.begin(), art->Extra().tags.end(), [&](auto& t) { return t.name == name; });
    if (it == art->Extra().tags.end()) return kNotFound;
    VX_TRY(Unlocked(art));
    Edit(art);
    art->EditExtra().tags.erase(it);
    Changed();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class DictionarySuiteImpl final : public DictionarySuite {
 public:
  Err NewDictionary(DictionaryRef& out) override try {
    out = std::make_shared<DictionaryImpl>();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err NewArray(ArrayRef& out) override try {
    out = std::make_shared<ArrayImpl>();
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

class DocumentSuiteImpl final : public DocumentSuite, Base {
 public:
  using Base::Base;
  Err GetDocument(DocumentHandle& out) override try {
    out = reinterpret_cast<DocumentHandle>(Doc());
    return Doc() ? kNoErr : kNoDocument;
  } catch (...) { return EdgeFailure(); }
  Err GetDocumentBounds(RealRect& out) override try {
    if (!Doc()) return kNoDocument;
    out = Doc()->bounds;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err GetDocumentFile(std::filesystem::path& out) override try {
    if (!Doc()) return kNoDocument;
    out = Doc()->file;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err SuspendTextReflow() override try {
    host_.textReflowSuspended = true;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
  Err ResumeTextReflow() override try {
    host_.textReflowSuspended = false;
    return kNoErr;
  } catch (...) { return EdgeFailure(); }
};

}  // namespace

void RegisterDocumentSuites(StandInHost& host, StandInHost::Impl& impl) {
  AddSuite<ArtSuite>(impl, "AI Art Suite", 17, std::make_shared<ArtSuiteImpl>(host));
  AddSuite<ArtSetSuite>(impl, "AI Art Set Suite", 8, std::make_shared<ArtSetSuiteImpl>(host));
  AddSuite<LayerSuite>(impl, "AI Layer Suite", 13, std::make_shared<LayerSuiteImpl>(host));
  AddSuite<PathSuite>(impl, "AI Path Suite", 11, std::make_shared<PathSuiteImpl>(host));
  AddSuite<PathStyleSuite>(impl, "AI Path Style Suite", 13, std::make_shared<PathStyleSuiteImpl>(host));
  AddSuite<BlendStyleSuite>(impl, "AI Blend Style Suite", 5, std::make_shared<BlendStyleSuiteImpl>(host));
  AddSuite<RealBezierSuite>(impl, "AI Real Bezier Suite", 4, std::make_shared<RealBezierSuiteImpl>());
  AddSuite<RealMathSuite>(impl, "AI Real Math Suite", 3, std::make_shared<RealMathSuiteImpl>());
  AddSuite<ShapeConstructionSuite>(impl, "AI Shape Construction Suite", 6,
                                   std::make_shared<ShapeConstructionSuiteImpl>(host));
  AddSuite<TextFrameSuite>(impl, "AI Text Frame Suite", 4, std::make_shared<TextFrameSuiteImpl>(host));
  AddSuite<TextRangeSuite>(impl, "ATE TextRange Suite", 1, std::make_shared<TextRangeSuiteImpl>(host));
  AddSuite<TagSuite>(impl, "AI Tag Suite", 4, std::make_shared<TagSuiteImpl>(host));
  AddSuite<DictionarySuite>(impl, "AI Dictionary Suite", 8, std::make_shared<DictionarySuiteImpl>());
  AddSuite<DocumentSuite>(impl, "AI Document Suite", 14, std::make_shared<DocumentSuiteImpl>(host));
}

}  // namespace vx::host
