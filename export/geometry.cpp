// The half of the exporter that turns one art object into one record in map coordinates.
#include "export/exporter_base.h"

#include "shell/host/slots.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

MapPoint CExporterBase::ToMapPoint(double h, double v) const {
  double mx = 0, my = 0;
  sheetTransform_.ArtToMap(h, v, mx, my);
  if (converter_.IsIdentity()) return {mx, my};
  if (converter_.DestinationKind() == 1) {
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

PointList CExporterBase::PathVertices(ArtHandle path, int closeMode) {
  if (Err e = ReadSegments(path)) throw HostError{e};
  PointList out;
  out.reserve(segmentBuffer_.size() + 1);
  for (const PathSegment& s : segmentBuffer_) out.push_back(ToMapPoint(s.p.h, s.p.v));
  if (!out.empty() && (Closed(path) || closeMode == kClosePolygon)) out.push_back(out.front());
  return out;
}

bool CExporterBase::IsCurved(const RealBezier& b) {
  return !(sMath()->PointClose(b.p1, b.p0, kRetractedHandle) && sMath()->PointClose(b.p2, b.p3, kRetractedHandle));
}

PointList CExporterBase::FlattenPath(ArtHandle path, int closeMode, int accuracy) {
  if (Err e = ReadSegments(path)) throw HostError{e};
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
  if (!closed && closeMode == kClosePolygon) out.push_back(out.front());
  return out;
}

PartList CExporterBase::CompoundRings(ArtHandle compound, bool expand, int accuracy) {
  struct Ring {
    ArtHandle path;
    double area;
  };
  std::vector<Ring> rings;
  ArtHandle child = nullptr;
  if (Err e = sArt()->GetArtFirstChild(compound, child)) throw HostError{e};
  for (ArtHandle c = child; c;) {
    if (TypeOf(c) == ArtType::Path) {
      const double area = Area(c);
      if (area != 0) rings.push_back({c, area});  // NaN counts as non-zero
    }
    if (Err e = sArt()->GetArtSibling(c, c)) throw HostError{e};
  }
  std::size_t largest = 0;
  for (std::size_t i = 1; i < rings.size(); ++i)
    if (std::abs(rings[i].area) > std::abs(rings[largest].area)) largest = i;
  if (!rings.empty()) std::swap(rings[0], rings[largest]);
  PartList parts;
  for (std::size_t i = 0; i < rings.size(); ++i) {
    PointList ring = expand ? FlattenPath(rings[i].path, kClosePolygon, accuracy) : PathVertices(rings[i].path, kClosePolygon);
    if (i == 0 ? rings[i].area < 0 : rings[i].area > 0) std::reverse(ring.begin(), ring.end());
    parts.push_back(std::move(ring));
  }
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

bool CExporterBase::ObjectContext(ArtHandle art, CVxShapeAttr& attributes, std::string& title) {
  attributes.Load(art);
  if (!settings_.addLayerField) return false;
  LayerHandle layer = nullptr;
  if (Err e = sArt()->GetLayerOfArt(art, layer)) throw HostError{e};
  if (Err e = sLayer()->GetLayerTitle(layer, title)) throw HostError{e};
  return true;
}

Err CExporterBase::EmitPoint(const MapPoint& p, const CVxShapeAttr& a, const std::string* title,
                             const std::u16string* text) {
  if (!Finite(p)) {
    ++leftOut_;
    return kNoErr;
  }
  const Err e = WritePoint(p, a, title, text);
  if (e) ++refused_;
  return e;
}

Err CExporterBase::EmitParts(bool polygon, const PartList& parts, const CVxShapeAttr& a, const std::string* title) {
  if (!Finite(parts)) {
    ++leftOut_;
    return kNoErr;
  }
  const Err e = polygon ? WritePolygon(parts, a, title) : WritePolyline(parts, a, title);
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
    if (n <= 1 || Length(path) == 0) return kNoErr;
  }
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
  const double area = Area(path);
  if (area <= 0) std::reverse(v.begin(), v.end());
  return EmitParts(true, PartList{std::move(v)}, attributes, t);
}

Err CExporterBase::ExportCompoundPath(ArtHandle compound) {
  if (settings_.objectSpec & kSpecExpandGroups) return WalkArt(compound, true, false);
  if (!PassesFillFilter(compound)) return kNoErr;
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
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(group, attributes, title) ? &title : nullptr;
  const RealPoint c = Centre(group);
  return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
}

Err CExporterBase::ExportText(ArtHandle frame) {
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
  CVxShapeAttr attributes;
  std::string title;
  const std::string* t = ObjectContext(symbol, attributes, title) ? &title : nullptr;
  const RealPoint c = Centre(symbol);
  return EmitPoint(ToMapPoint(c.h, c.v), attributes, t, nullptr);
}

Err CExporterBase::WalkArt(ArtHandle art, bool descend, bool siblings) {
  if (!art) return kNoErr;
  bool layerGroup = false;
  if (Err e = sArt()->IsLayerGroup(art, layerGroup)) return e;
  if (layerGroup) return kNoErr;
  const std::int32_t spec = settings_.objectSpec;
  ArtType type = ArtType::Unknown;
  if (Err e = sArt()->GetArtType(art, type)) return e;
  try {
    // One object's failure leaves that object out; the walk goes on.
    if (type == ArtType::Path && (spec & (kSpecUnfilledPath | kSpecFilledPath)))
      ExportPath(art);
    else if (type == ArtType::TextFrame && (spec & kSpecText))
      ExportText(art);
    else if (type == ArtType::Symbol && (spec & kSpecSymbol))
      ExportSymbol(art);
  } catch (const HostError&) {
  }
  if (descend) {
    ArtHandle child = nullptr;
    if (sArt()->GetArtFirstChild(art, child) == kNoErr && child) WalkArt(child, descend, true);
  }
  if (siblings) {
    ArtHandle s = nullptr;
    if (sArt()->GetArtSibling(art, s) != kNoErr) return kNoErr;
    while (s) {
      WalkArt(s, descend, false);
      if (sArt()->GetArtSibling(s, s) != kNoErr) break;
    }
  }
  return kNoErr;
}

}  // namespace vx::xport
