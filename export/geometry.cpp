// The half of the exporter that turns one art object into one record in map coordinates.
#include "export/exporter_base.h"

#include "attributes/vertex_measures.h"
#include "shell/host/slots.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vx::xport {

using namespace vx::host;
using attr::CVxShapeAttr;

namespace {

// Both handles within this distance of their anchors: a straight segment (points).
constexpr double kRetractedHandle = 0.03;
// Flatness of the host's length measure (points).
constexpr double kLengthFlatness = 1.0;

bool Finite(const MapPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
bool Finite(const PartList& parts) {
  for (const PointList& part : parts)
    for (const MapPoint& p : part)
      if (!Finite(p)) return false;
  return true;
}

RealPoint Centre(ArtHandle art) {
  RealRect b;
  if (Err e = sArt()->GetArtBounds(art, b)) throw HostError{e};
  return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
}

ArtType TypeOf(ArtHandle art) {
  ArtType t = ArtType::Unknown;
  if (Err e = sArt()->GetArtType(art, t)) throw HostError{e};
  return t;
}

double Length(ArtHandle path) {
  double len = 0;
  if (Err e = sPath()->GetPathLength(path, len, kLengthFlatness)) throw HostError{e};
  return len;
}

double Area(ArtHandle path) {
  double a = 0;
  if (Err e = sPath()->GetPathArea(path, a)) throw HostError{e};
  return a;
}

bool Closed(ArtHandle path) {
  bool c = false;
  if (Err e = sPath()->GetPathClosed(path, c)) throw HostError{e};
  return c;
}

bool Same(const MapPoint& a, const MapPoint& b) { return a.x == b.x && a.y == b.y; }

// Ends the ring on its first point, once.
void CloseRing(PointList& ring) {
  if (ring.empty()) return;
  while (ring.size() > 1 && Same(ring.back(), ring.front())) ring.pop_back();
  ring.push_back(ring.front());
}

// Twice the signed area of a closed ring in map coordinates (x east, y north): positive when
// counter-clockwise. Taken about the first point, so large coordinates keep their digits.
double TwiceArea(const PointList& ring) {
  double a = 0;
  if (ring.empty()) return a;
  const MapPoint o = ring.front();
  for (std::size_t i = 1; i + 1 < ring.size(); ++i)
    a += (ring[i].x - o.x) * (ring[i + 1].y - o.y) - (ring[i + 1].x - o.x) * (ring[i].y - o.y);
  return a;
}

struct Box {
  double xmin = INFINITY, ymin = INFINITY, xmax = -INFINITY, ymax = -INFINITY;
  explicit Box(const PointList& ring) {
    for (const MapPoint& p : ring) {
      xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
      ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
    }
  }
  bool Holds(const Box& b) const { return xmin <= b.xmin && b.xmax <= xmax && ymin <= b.ymin && b.ymax <= ymax; }
};

enum class Where { kInside, kOutside, kOnEdge };

// Where p lies with respect to a closed ring (even-odd rule).
Where Locate(const MapPoint& p, const PointList& ring) {
  bool inside = false;
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
    const MapPoint& a = ring[i];
    const MapPoint& b = ring[i + 1];
    const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    if (cross == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
        p.y <= std::max(a.y, b.y))
      return Where::kOnEdge;
    if ((a.y > p.y) != (b.y > p.y)) {
      // The edge crosses the horizontal through p; count it when the crossing lies right of p.
      if ((cross > 0) == (b.y > a.y)) inside = !inside;
    }
  }
  return inside ? Where::kInside : Where::kOutside;
}

// Whether ring a lies inside ring b: the first vertex of a not on b's edge decides. Rings that
// share every vertex lie inside neither.
bool Inside(const PointList& a, const PointList& b) {
  for (const MapPoint& p : a) {
    const Where w = Locate(p, b);
    if (w != Where::kOnEdge) return w == Where::kInside;
  }
  return false;
}

}  // namespace

MapPoint CExporterBase::ToMapPoint(double h, double v) const {
  double mx = 0, my = 0;
  sheetTransform_.ArtToMap(h, v, mx, my);
  if (converter_.IsIdentity()) return {mx, my};
  if (converter_.DestinationKind() == geo::KindLatLong) {
    double lat = 0, lon = 0, lat2 = 0, lon2 = 0;
    if (!converter_.SourceToLatLong(my, mx, lat, lon) || !converter_.ShiftDatum(lat, lon, lat2, lon2))
      return {NAN, NAN};
    return {lon2, lat2};
  }
  MapPoint out;
  double convergence = 0;
  if (!converter_.Convert(mx, my, out.x, out.y, convergence)) return {NAN, NAN};
  return out;
}

Err CExporterBase::ReadSegments(ArtHandle path) {
  std::int32_t n = 0;
  if (Err e = sPath()->GetPathSegmentCount(path, n)) return e;
  if (n < 0) return kBadParameter;
  segmentBuffer_.resize(static_cast<std::size_t>(n));
  if (n == 0) return kNoErr;
  return sPath()->GetPathSegments(path, 0, n, segmentBuffer_.data());
}

bool CExporterBase::ZeroLength(ArtHandle path) {
  // Compared, not measured: a cubic piece is a single point exactly when its four points are one.
  if (Err e = ReadSegments(path)) throw HostError{e};
  if (segmentBuffer_.empty()) return true;
  const bool closed = Closed(path);
  const RealPoint p = segmentBuffer_.front().p;
  const auto same = [&](const RealPoint& q) { return q.h == p.h && q.v == p.v; };
  for (std::size_t i = 0; i < segmentBuffer_.size(); ++i) {
    const PathSegment& s = segmentBuffer_[i];
    // The handles at an open path's ends draw nothing.
    if (!same(s.p) || ((closed || i > 0) && !same(s.in)) || ((closed || i + 1 < segmentBuffer_.size()) && !same(s.out)))
      return false;
  }
  return true;
}

PointList CExporterBase::PathVertices(ArtHandle path, int closeMode) {
  if (Err e = ReadSegments(path)) throw HostError{e};
  AddAnchorMeasures(path);
  PointList out;
  out.reserve(segmentBuffer_.size() + 1);
  for (const PathSegment& s : segmentBuffer_) out.push_back(ToMapPoint(s.p.h, s.p.v));
  if (Closed(path) || closeMode == kClosePolygon) CloseRing(out);
  return out;
}

bool CExporterBase::IsCurved(const RealBezier& b) {
  return !(sMath()->PointClose(b.p1, b.p0, kRetractedHandle) && sMath()->PointClose(b.p2, b.p3, kRetractedHandle));
}

PointList CExporterBase::FlattenPath(ArtHandle path, int closeMode, int accuracy) {
  if (Err e = ReadSegments(path)) throw HostError{e};
  AddAnchorMeasures(path);
  const bool closed = Closed(path);
  PointList out;
  if (segmentBuffer_.empty()) return out;
  const double a = accuracy;
  const double maxStep = 10 - a;
  const double minStep = 0.3 + (5 - a) / 20;
  const PathSegment first = segmentBuffer_.front();
  out.push_back(ToMapPoint(first.p.h, first.p.v));
  auto segment = [&](const PathSegment& s, const PathSegment& t) {
    const RealBezier b{s.p, s.out, t.in, t.p};
    if (!IsCurved(b)) {
      out.push_back(ToMapPoint(b.p3.h, b.p3.v));
      return;
    }
    const double len = sBezier()->Length(b, kLengthFlatness);
    double n = a + 1;
    if (len < n * minStep)
      n = std::floor(len / minStep);
    else if (len > n * maxStep)
      n = std::floor(len / maxStep);
    // A length that is not a number gives no points rather than a loop without end.
    if (!(n >= 1)) return;
    const auto steps = static_cast<std::int64_t>(n);
    for (std::int64_t j = 1; j <= steps; ++j) {
      const RealPoint p = sBezier()->PointAt(b, static_cast<double>(j) / n);
      out.push_back(ToMapPoint(p.h, p.v));
    }
  };
  for (std::size_t i = 0; i + 1 < segmentBuffer_.size(); ++i) segment(segmentBuffer_[i], segmentBuffer_[i + 1]);
  if (closed && segmentBuffer_.size() >= 2) segment(segmentBuffer_.back(), first);
  // A closing curve shorter than one step adds no point: the ring is closed here all the same.
  if (closed || closeMode == kClosePolygon) CloseRing(out);
  return out;
}

PartList CExporterBase::CompoundRings(ArtHandle compound, bool expand, int accuracy) {
  // The rings in drawing order (back to front), those of non-zero area only.
  std::vector<ArtHandle> paths;
  ArtHandle child = nullptr;
  if (Err e = sArt()->GetArtFirstChild(compound, child)) throw HostError{e};
  for (ArtHandle c = child; c;) {
    if (TypeOf(c) == ArtType::Path && Area(c) != 0) paths.push_back(c);  // NaN counts as non-zero
    if (Err e = sArt()->GetArtSibling(c, c)) throw HostError{e};
  }
  std::reverse(paths.begin(), paths.end());
  struct Ring {
    PointList points;
    double area = 0;  // twice the map area, unsigned
    std::size_t depth = 0;  // the number of other rings it lies in
    std::size_t parent = SIZE_MAX;  // the smallest of those
  };
  std::vector<Ring> rings(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i) {
    rings[i].points = expand ? FlattenPath(paths[i], kClosePolygon, accuracy) : PathVertices(paths[i], kClosePolygon);
    rings[i].area = std::abs(TwiceArea(rings[i].points));
  }
  // Nesting: a ring can only lie in a larger one whose box holds its box.
  std::vector<Box> boxes;
  boxes.reserve(rings.size());
  for (const Ring& r : rings) boxes.emplace_back(r.points);
  for (std::size_t i = 0; i < rings.size(); ++i) {
    for (std::size_t j = 0; j < rings.size(); ++j) {
      if (!(rings[j].area > rings[i].area) || !boxes[j].Holds(boxes[i]) || !Inside(rings[i].points, rings[j].points))
        continue;
      ++rings[i].depth;
      if (rings[i].parent == SIZE_MAX || rings[j].area < rings[rings[i].parent].area) rings[i].parent = j;
    }
  }
  // A ring inside an odd number of others is a hole (counter-clockwise), every other ring an
  // outer ring (clockwise); the largest ring first, each outer ring followed by its holes.
  std::vector<std::size_t> outers;
  for (std::size_t i = 0; i < rings.size(); ++i)
    if (rings[i].depth % 2 == 0) outers.push_back(i);
  const auto largest = std::max_element(outers.begin(), outers.end(),
                                        [&](std::size_t a, std::size_t b) { return rings[a].area < rings[b].area; });
  if (largest != outers.end()) std::rotate(outers.begin(), largest, largest + 1);
  PartList parts;
  std::vector<bool> written(rings.size(), false);
  auto put = [&](std::size_t i) {
    PointList& ring = rings[i].points;
    const bool hole = rings[i].depth % 2 == 1;
    if (hole != (TwiceArea(ring) > 0)) std::reverse(ring.begin(), ring.end());
    parts.push_back(std::move(ring));
    written[i] = true;
  };
  for (std::size_t o : outers) {
    put(o);
    for (std::size_t i = 0; i < rings.size(); ++i)
      if (!written[i] && rings[i].depth % 2 == 1 && rings[i].parent == o) put(i);
  }
  // Holes of crossing rings, whose innermost container is no outer ring.
  for (std::size_t i = 0; i < rings.size(); ++i)
    if (!written[i]) put(i);
  return parts;
}

PartList CExporterBase::CompoundLines(ArtHandle compound, bool expand, int accuracy) {
  PartList parts;
  ArtHandle child = nullptr;
  if (Err e = sArt()->GetArtFirstChild(compound, child)) throw HostError{e};
  for (ArtHandle c = child; c;) {
    if (TypeOf(c) == ArtType::Path && Length(c) > 0)
      parts.push_back(expand ? FlattenPath(c, kCloseLine, accuracy) : PathVertices(c, kCloseLine));
    if (Err e = sArt()->GetArtSibling(c, c)) throw HostError{e};
  }
  return parts;
}

std::u16string CExporterBase::TextFieldValue(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c == u'\r')
      out += u"\\n";
    else
      out += c;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Objects

bool CExporterBase::PassesFillFilter(ArtHandle art) {
  const bool filled = settings_.objectSpec & kSpecFilledPath;
  const bool unfilled = settings_.objectSpec & kSpecUnfilledPath;
  if (filled == unfilled) return true;
  PathStyle style;
  if (Err e = sPathStyle()->GetPathStyle(art, style)) throw HostError{e};
  return style.fillPaint == filled;
}

void CExporterBase::ArtMeasures(ArtHandle art, bool& z, bool& m) {
  attr::HasVertexMeasures(art, z, m);
  if (TypeOf(art) != ArtType::CompoundPath) return;
  ArtHandle child = nullptr;
  if (sArt()->GetArtFirstChild(art, child) != kNoErr) return;
  for (ArtHandle c = child; c;) {
    bool cz = false, cm = false;
    attr::HasVertexMeasures(c, cz, cm);
    z = z || cz;
    m = m || cm;
    if (sArt()->GetArtSibling(c, c) != kNoErr) break;
  }
}

void CExporterBase::NoteExtras(ArtHandle art) {
  bool z = false, m = false;
  if (settings_.dataType == kDataPoint) {
    // A point keeps the Z and M of a point mark; the centre of a line has none.
    std::vector<double> zs, ms;
    if (attr::LoadVertexMeasures(art, zs, ms)) {
      z = zs.size() == 1;
      m = ms.size() == 1;
    }
    std::int32_t record = 0;
    extras_.multipoint = extras_.multipoint || attr::LoadMultiPointRecord(art, record);
  } else {
    ArtMeasures(art, z, m);
  }
  extras_.z = extras_.z || z;
  extras_.m = extras_.m || m;
}

void CExporterBase::Probe(const std::function<void()>& walk) {
  extras_ = {};
  probing_ = true;
  try {
    walk();
  } catch (const HostError&) {
  }
  probing_ = false;
}

void CExporterBase::AddAnchorMeasures(ArtHandle path) {
  if (!(extras_.z || extras_.m) || probing_) return;
  std::vector<double> z, m;
  if (!attr::LoadVertexMeasures(path, z, m)) return;
  objectHasZ_ = objectHasZ_ || !z.empty();
  objectHasM_ = objectHasM_ || !m.empty();
  // One value per anchor; an imported ring also holds its closing point, the first again.
  const std::size_t n = segmentBuffer_.size();
  auto fits = [&](const std::vector<double>& v) { return v.empty() || v.size() == n || (Closed(path) && v.size() == n + 1); };
  if (!fits(z) || !fits(m) || n == 0) {
    measuresLost_ = true;
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const MapPoint p = ToMapPoint(segmentBuffer_[i].p.h, segmentBuffer_[i].p.v);
    anchorMeasures_.try_emplace({std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y)},
                                z.empty() ? 0.0 : z[i], m.empty() ? 0.0 : m[i]);
  }
}

bool CExporterBase::RecordMeasuresOf(const PartList& parts) {
  measures_.Clear();
  if (measuresLost_) return false;
  for (const PointList& part : parts)
    for (const MapPoint& p : part) {
      const auto it = anchorMeasures_.find({std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y)});
      if (it == anchorMeasures_.end()) return false;
      if (objectHasZ_) measures_.z.push_back(it->second.first);
      if (objectHasM_) measures_.m.push_back(it->second.second);
    }
  return true;
}

Err CExporterBase::Probed(ArtHandle art) {
  NoteExtras(art);
  return kNoErr;  // the probe needs nothing more of the object
}

bool CExporterBase::ObjectContext(ArtHandle art, CVxShapeAttr& attributes, std::string& title) {
  currentArt_ = art;
  ++objectNumber_;
  anchorMeasures_.clear();
  objectHasZ_ = objectHasM_ = measuresLost_ = false;
  recordMeasures_ = nullptr;
  attributes.Load(art);
  if (!settings_.addLayerField) return false;
  LayerHandle layer = nullptr;
  if (Err e = sArt()->GetLayerOfArt(art, layer)) throw HostError{e};
  if (Err e = sLayer()->GetLayerTitle(layer, title)) throw HostError{e};
  return true;
}

void CExporterBase::NoteLeftOut() {
  ++leftOut_;
  if (leftOutNames_.size() >= kNamedLeftOut) return;
  std::string title;
  LayerHandle layer = nullptr;
  if (currentArt_ && sArt()->GetLayerOfArt(currentArt_, layer) == kNoErr) sLayer()->GetLayerTitle(layer, title);
  leftOutNames_.push_back("第" + std::to_string(objectNumber_) + "オブジェクト（レイヤー「" + title + "」）");
}

Err CExporterBase::EmitPoint(const MapPoint& p, const CVxShapeAttr& a, const std::string* title,
                             const std::u16string* text) {
  if (!Finite(p)) {
    NoteLeftOut();
    return kNoErr;
  }
  measures_.Clear();
  if ((extras_.z || extras_.m) && currentArt_ && attr::LoadVertexMeasures(currentArt_, measures_.z, measures_.m)) {
    if (measures_.z.size() > 1 || measures_.m.size() > 1) measures_.Clear();  // a line's centre has no Z
  }
  if (extras_.multipoint) {
    std::int32_t record = 0;
    LayerHandle layer = nullptr;
    if (currentArt_ && attr::LoadMultiPointRecord(currentArt_, record) &&
        sArt()->GetLayerOfArt(currentArt_, layer) == kNoErr) {
      // The record's points follow one another as imported; any other object ends the record.
      if (!(pending_.active && pending_.record == record && pending_.layer == layer)) {
        if (Err e = FlushMultiPoint()) return e;
        pending_.active = true;
        pending_.record = record;
        pending_.layer = layer;
        pending_.first = currentArt_;
        pending_.titled = title != nullptr;
        pending_.title = title ? *title : std::string();
      }
      pending_.points.push_back(p);
      pending_.measures.z.insert(pending_.measures.z.end(), measures_.z.begin(), measures_.z.end());
      pending_.measures.m.insert(pending_.measures.m.end(), measures_.m.begin(), measures_.m.end());
      return kNoErr;
    }
    if (Err e = FlushMultiPoint()) return e;
  }
  recordMeasures_ = measures_.Empty() ? nullptr : &measures_;
  const Err e = WritePoint(p, a, title, text);
  recordMeasures_ = nullptr;
  if (e) ++refused_;
  return e;
}

Err CExporterBase::FlushMultiPoint() {
  if (!pending_.active) return kNoErr;
  PendingMultiPoint done = std::move(pending_);
  pending_ = {};
  CVxShapeAttr a;
  a.Load(done.first);
  // A list missing for some points is none for the record.
  if (done.measures.z.size() != done.points.size()) done.measures.z.clear();
  if (done.measures.m.size() != done.points.size()) done.measures.m.clear();
  recordMeasures_ = done.measures.Empty() ? nullptr : &done.measures;
  const Err e = WriteMultiPoint(done.points, a, done.titled ? &done.title : nullptr);
  recordMeasures_ = nullptr;
  if (e) ++refused_;
  return e;
}

bool CExporterBase::CloseOutputFlushed() {
  FlushMultiPoint();
  return CloseOutput();
}

Err CExporterBase::EmitParts(bool polygon, const PartList& parts, const CVxShapeAttr& a, const std::string* title) {
  if (!Finite(parts)) {
    NoteLeftOut();
    return kNoErr;
  }
  // A compound path with no ring of non-zero area (or no line of non-zero length) has nothing of
  // the chosen kind to write, like a single path of zero length, which is passed over.
  if (parts.empty()) return kNoErr;
  if (Err e = FlushMultiPoint()) return e;
  recordMeasures_ = nullptr;
  if (objectHasZ_ || objectHasM_) {
    if (RecordMeasuresOf(parts))
      recordMeasures_ = &measures_;
    else
      ++measuresDropped_;
  }
  const Err e = polygon ? WritePolygon(parts, a, title) : WritePolyline(parts, a, title);
  recordMeasures_ = nullptr;
  if (e) ++refused_;
  return e;
}

Err CExporterBase::ExportPath(ArtHandle path) {
  if (!PassesFillFilter(path)) return kNoErr;
  bool guide = false, clip = false;
  if (Err e = sPath()->GetPathGuide(path, guide)) return e;
  if (Err e = sPath()->GetPathIsClip(path, clip)) return e;
  if (guide || clip) return kNoErr;
  const std::int32_t type = settings_.dataType;
  if (type != kDataPoint) {
    std::int32_t n = 0;
    if (Err e = sPath()->GetPathSegmentCount(path, n)) return e;
    if (n <= 1 || ZeroLength(path)) return kNoErr;
  }
  if (probing_) return Probed(path);
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(path, attributes, title) ? &title : nullptr;
  if (type == kDataPoint) {
    const RealPoint c = Centre(path);
    return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
  }
  const int closeMode = type == kDataPolygon ? kClosePolygon : kCloseLine;
  PointList v = settings_.expandBezier ? FlattenPath(path, closeMode, settings_.bezierAccuracy)
                                       : PathVertices(path, closeMode);
  if (type == kDataPolyline) return EmitParts(false, PartList{std::move(v)}, attributes, t);
  // An outer ring runs clockwise in map coordinates.
  if (TwiceArea(v) > 0) std::reverse(v.begin(), v.end());
  return EmitParts(true, PartList{std::move(v)}, attributes, t);
}

Err CExporterBase::ExportCompoundPath(ArtHandle compound) {
  if (settings_.objectSpec & kSpecExpandGroups) return WalkArt(compound, true, false);
  if (!PassesFillFilter(compound)) return kNoErr;
  if (probing_) return Probed(compound);
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(compound, attributes, title) ? &title : nullptr;
  switch (settings_.dataType) {
    case kDataPoint: {
      const RealPoint c = Centre(compound);
      return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
    }
    case kDataPolyline:
      return EmitParts(false, CompoundLines(compound, settings_.expandBezier, settings_.bezierAccuracy), attributes, t);
    default:
      return EmitParts(true, CompoundRings(compound, settings_.expandBezier, settings_.bezierAccuracy), attributes, t);
  }
}

Err CExporterBase::ExportGroup(ArtHandle group) {
  if (settings_.objectSpec & kSpecExpandGroups) return WalkArt(group, true, false);
  if (settings_.dataType != kDataPoint) return kNoErr;
  if (probing_) return Probed(group);
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(group, attributes, title) ? &title : nullptr;
  const RealPoint c = Centre(group);
  return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
}

Err CExporterBase::ExportText(ArtHandle frame) {
  if (probing_) return Probed(frame);
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(frame, attributes, title) ? &title : nullptr;
  std::u16string value;
  if (settings_.addTextField) {
    std::int32_t size = 0;
    if (Err e = sTextRange()->GetSize(frame, size)) return e;
    if (size > 0) {
      std::u16string contents;
      if (Err e = sTextRange()->GetContents(frame, contents)) return e;
      value = TextFieldValue(contents);
    }
  }
  TextFrameKind kind = TextFrameKind::Point;
  if (Err e = sTextFrame()->GetFrameKind(frame, kind)) return e;
  RealPoint at;
  if (kind == TextFrameKind::Point) {
    if (Err e = sTextFrame()->GetPointTextAnchor(frame, at)) return e;
  } else {
    at = Centre(frame);
  }
  return EmitPoint(ToMapPoint(at.h, at.v), attributes, t, settings_.addTextField ? &value : nullptr);
}

Err CExporterBase::ExportSymbol(ArtHandle symbol) {
  if (probing_) return Probed(symbol);
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(symbol, attributes, title) ? &title : nullptr;
  const RealPoint c = Centre(symbol);
  return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
}

Err CExporterBase::WalkArt(ArtHandle art, bool descend, bool siblings) {
  if (!art) return kNoErr;
  if (siblings) {
    // Back to front: the order the objects were drawn (and imported) in.
    std::vector<ArtHandle> row{art};
    for (ArtHandle s = art; sArt()->GetArtSibling(s, s) == kNoErr && s;) row.push_back(s);
    for (auto it = row.rbegin(); it != row.rend(); ++it) WalkArt(*it, descend, false);
    return kNoErr;
  }
  bool layerGroup = false;
  if (Err e = sArt()->IsLayerGroup(art, layerGroup)) return e;
  if (layerGroup) return kNoErr;
  const std::int32_t objects = settings_.objectSpec;
  ArtType type = ArtType::Unknown;
  if (Err e = sArt()->GetArtType(art, type)) return e;
  try {
    // One object's failure leaves that object out; the walk goes on.
    if (type == ArtType::Path && (objects & (kSpecUnfilledPath | kSpecFilledPath)))
      ExportPath(art);
    else if (type == ArtType::TextFrame && (objects & kSpecText))
      ExportText(art);
    else if (type == ArtType::Symbol && (objects & kSpecSymbol))
      ExportSymbol(art);
  } catch (const HostError&) {
  }
  if (descend) {
    ArtHandle child = nullptr;
    if (sArt()->GetArtFirstChild(art, child) == kNoErr && child) WalkArt(child, descend, true);
  }
  return kNoErr;
}

}  // namespace vx::xport
