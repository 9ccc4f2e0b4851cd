#include "geodesy/angles.h"
#include "geodesy/georef.h"
#include "geodesy/georef_text.h"

#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

namespace vx::geo {

using host::Err;
using host::kNoErr;

namespace {

// Reads the marker on `layer`: the anchor of its first art, which must be a text frame, and the
// map point its text gives.
bool ReadMarker(host::LayerHandle layer, host::RealPoint& doc, MarkerPoint& map, bool& degrees) {
  host::ArtHandle group = nullptr, frame = nullptr;
  if (host::sLayer()->GetLayerGroup(layer, group) != kNoErr || !group) return false;
  if (host::sArt()->GetArtFirstChild(group, frame) != kNoErr || !frame) return false;
  host::ArtType type = host::ArtType::Unknown;
  if (host::sArt()->GetArtType(frame, type) != kNoErr || type != host::ArtType::TextFrame) return false;
  if (host::sTextFrame()->GetPointTextAnchor(frame, doc) != kNoErr) return false;
  std::int32_t size = 0;
  if (host::sTextRange()->GetSize(frame, size) != kNoErr || size <= 0) return false;
  std::u16string contents;
  if (host::sTextRange()->GetContents(frame, contents) != kNoErr) return false;
  return ParseMarkerText(contents, map, &degrees);
}

// Inserts one layer below all and titles it; a layer whose title could not be set is removed
// again, so that no untitled layer is left behind.
Err InsertTitledLayer(const char* title, host::LayerHandle& out) {
  out = nullptr;
  host::LayerHandle layer = nullptr;
  VX_CHECK(host::sLayer()->InsertLayer(nullptr, host::PaintOrder::Below, layer));
  if (const Err e = host::sLayer()->SetLayerTitle(layer, title)) {
    host::sLayer()->DeleteLayer(layer);
    return e;
  }
  out = layer;
  return kNoErr;
}

bool Finite(double a, double b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

bool ParseMarkerText(const std::u16string& text, MarkerPoint& out, bool* degrees) {
  try {
    const std::string s = text::Utf16ToUtf8(std::u16string_view(text).substr(0, detail::kMaxTextUnits));
    const std::size_t amp = s.find('&');
    if (amp == std::string::npos) return false;
    const std::string a = s.substr(0, amp), b = s.substr(amp + 1);
    MarkerPoint p;
    const bool degreeForm = std::count(s.begin(), s.end(), '/') >= 4;
    if (degrees) *degrees = degreeForm;
    if (degreeForm) {
      // Degree form: latitude before "&", longitude after it.
      if (!ParseDmsText(a, p.y) || !ParseDmsText(b, p.x)) return false;
    } else {
      p.x = std::atof(b.c_str());
      p.y = std::atof(a.c_str());
    }
    out = p;
    return true;
  } catch (...) {
    return false;
  }
}

Err CreateMarkerLayers(bool four, std::array<host::LayerHandle, 4>* made) {
  if (!host::sLayer()) return host::kNotFound;
  try {
    std::array<host::LayerHandle, 4> layers{};
    if (four) {
      // Each goes below all, so 左上 ends at the bottom.
      VX_CHECK(InsertTitledLayer(kMarkerBottomRight, layers[3]));
      VX_CHECK(InsertTitledLayer(kMarkerBottomLeft, layers[2]));
      VX_CHECK(InsertTitledLayer(kMarkerTopRight, layers[1]));
      VX_CHECK(InsertTitledLayer(kMarkerTopLeft, layers[0]));
    } else {
      VX_CHECK(InsertTitledLayer(kMarker1of3, layers[0]));
      VX_CHECK(InsertTitledLayer(kMarker2of3, layers[1]));
      VX_CHECK(InsertTitledLayer(kMarker3of3, layers[2]));
    }
    if (made) *made = layers;
    return kNoErr;
  } catch (const std::bad_alloc&) {
    return host::kOutOfMemory;
  } catch (...) {
    return host::kCant;
  }
}

bool ReadMarkers(MarkerSet& out) {
  if (!detail::SuitesHeld()) return false;
  try {
    MarkerSet set;
    std::array<host::LayerHandle, 4> byPoint{};  // layers of points 1-4
    host::LayerHandle tl = nullptr, bl = nullptr, tr = nullptr, br = nullptr;
    if (FindLayerByTitle(kMarkerTopLeft, tl) || FindLayerByTitle(kMarkerBottomLeft, bl) ||
        FindLayerByTitle(kMarkerTopRight, tr) || FindLayerByTitle(kMarkerBottomRight, br))
      return false;
    if (tl && bl && tr && br) {
      set.layout = MarkerLayout::FourPoint;
      byPoint = {bl, tl, tr, br};
    } else {
      host::LayerHandle p1 = nullptr, p2 = nullptr, p3 = nullptr;
      if (FindLayerByTitle(kMarker1of3, p1) || FindLayerByTitle(kMarker2of3, p2) || FindLayerByTitle(kMarker3of3, p3))
        return false;
      if (!(p1 && p2 && p3)) return false;
      set.layout = MarkerLayout::ThreePoint;
      byPoint = {p1, p2, p3, nullptr};
    }
    const int count = set.layout == MarkerLayout::FourPoint ? 4 : 3;
    set.degrees = true;
    for (int i = 0; i < count; ++i) {
      const auto k = static_cast<std::size_t>(i);
      bool degrees = false;
      if (!ReadMarker(byPoint[k], set.doc[k], set.map[k], degrees)) return false;
      set.degrees = set.degrees && degrees;
    }
    if (set.layout == MarkerLayout::FourPoint) {
      const auto& m = set.map;
      // Exact: the texts of one side carry the same number.
      if (!(m[0].x == m[1].x && m[2].x == m[3].x && m[0].y == m[3].y && m[1].y == m[2].y)) return false;
    }
    // A set the transform cannot use (collinear points, a text reading as infinity) would put
    // every point at an infinite position: it counts as no markers.
    CSheetTransform check;
    if (!check.SetFromMarkers(set)) return false;
    out = set;
    return true;
  } catch (...) {
    return false;
  }
}

Err WriteMarkerText(host::LayerHandle layer, const CCoordConverter& converter, const CSheetTransform& transform,
                    double x, double y, std::int32_t justification) {
  if (!detail::SuitesHeld()) return host::kNotFound;
  try {
    std::string text;
    host::RealPoint at;
    if (converter.DestinationKind() == KindPlaneXY) {
      char buf[700];
      std::snprintf(buf, sizeof buf, "%f&%f", y, x);
      text = buf;
      transform.MapToArt(x, y, at.h, at.v);
    } else {
      text = DmsPairText(SplitDms(y, 5), SplitDms(x, 5));
      double mx = 0, my = 0, convergence = 0, k = 0;
      converter.LatLongToDestination(y, x, mx, my, convergence, k);
      transform.MapToArt(mx, my, at.h, at.v);
    }
    // A failed conversion gives NaN: no text at a position that does not exist.
    if (!Finite(at.h, at.v) || !Finite(x, y)) return host::kBadParameter;
    host::ArtHandle group = nullptr, frame = nullptr;
    VX_CHECK(host::sLayer()->GetLayerGroup(layer, group));
    VX_CHECK(host::sTextFrame()->NewPointText(host::PaintOrder::InsideOnTop, group, host::TextOrientation::Horizontal,
                                             at, frame));
    VX_CHECK(host::sTextRange()->InsertAfter(frame, text::Utf8ToUtf16(text)));
    VX_CHECK(host::sTextRange()->SetFillColor(frame, host::Color::Cmyk(0, 0, 0, 1)));
    if (justification == 1) VX_CHECK(host::sTextRange()->SetJustification(frame, host::Justification::Left));
    if (justification == 3) VX_CHECK(host::sTextRange()->SetJustification(frame, host::Justification::Right));
    return kNoErr;
  } catch (const std::bad_alloc&) {
    return host::kOutOfMemory;
  } catch (...) {
    return host::kCant;
  }
}

Err CreateExtentMarkers(const CCoordConverter& converter, const CSheetTransform& transform, double xmin, double xmax,
                        double ymin, double ymax) {
  if (!detail::SuitesHeld()) return host::kNotFound;
  // Corners in the file's system: bottom left, top left, top right, bottom right.
  const MarkerPoint corner[4] = {{xmin, ymin}, {xmin, ymax}, {xmax, ymax}, {xmax, ymin}};
  MarkerPoint c[4];  // in the drawing's system: metres, or longitude and latitude
  for (int i = 0; i < 4; ++i) {
    if (converter.DestinationKind() == KindPlaneXY) {
      double convergence = 0;
      converter.Convert(corner[i].x, corner[i].y, c[i].x, c[i].y, convergence);
    } else {
      double lat = 0, lon = 0;
      converter.SourceToLatLong(corner[i].y, corner[i].x, lat, lon);
      converter.ShiftDatum(lat, lon, c[i].y, c[i].x);
    }
    if (!Finite(c[i].x, c[i].y)) return host::kBadParameter;
  }
  const double left = std::min(c[0].x, c[1].x), right = std::max(c[2].x, c[3].x);
  const double bottom = std::min(c[0].y, c[3].y), top = std::max(c[1].y, c[2].y);

  std::array<host::LayerHandle, 4> layers{};  // 左上, 右上, 左下, 右下
  VX_CHECK(CreateMarkerLayers(true, &layers));
  VX_CHECK(WriteMarkerText(layers[0], converter, transform, left, top, 3));
  VX_CHECK(WriteMarkerText(layers[1], converter, transform, right, top, 1));
  VX_CHECK(WriteMarkerText(layers[2], converter, transform, left, bottom, 3));
  return WriteMarkerText(layers[3], converter, transform, right, bottom, 1);
}

}  // namespace vx::geo
