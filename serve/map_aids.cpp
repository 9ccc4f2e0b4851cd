#include "serve/map_aids.h"

#include "geodesy/datum.h"
#include "geodesy/georef_text.h"

#include <cmath>
#include <cstdio>

namespace vx::serve {

using nlohmann::json;

namespace {

// Metres on the map per point on the sheet at 1 : 1 (0.0254 / 72).
constexpr double kMetresPerPoint = 0.0254 / 72;
// For the scale of degree markers only: the mean earth radius (metres).
constexpr double kEarthRadius = 6371008.8;
constexpr double kRadiansPerDegree = 3.141592653589793 / 180;

std::string Format(const char* format, double a, double b) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

}  // namespace

MapAids ReadMapAids(host::StandInHost& host) {
  MapAids m;
  if (host::Document* d = host.Doc()) m.origin_ = {d->bounds.left, d->bounds.top};
  // With the plug-in in a module of its own this program holds no suites of its own yet.
  if (!geo::detail::SuitesHeld()) host.FillSlots();
  geo::DataFrame df;
  geo::MarkerSet ms;
  if (geo::ReadDataFrame(df) && m.transform_.SetFromDataFrame(df)) {
    m.kind_ = MapAids::Kind::Frame;
    m.system_ = geo::DataFrameLabel();
    m.scale_ = df.S;
    geo::CoordSystem sheet = df.system;
    if (sheet.kind == geo::KindLatLong) sheet.kind = geo::KindSphereMetres;
    m.latLong_ = m.converter_.Setup(sheet, sheet);
    m.plane_ = df.system.kind == geo::KindPlaneXY;
  } else if (geo::ReadMarkers(ms) && m.transform_.SetFromMarkers(ms)) {
    m.kind_ = MapAids::Kind::Markers;
    m.degrees_ = ms.degrees;
    m.plane_ = !ms.degrees;
    m.system_ = std::string(ms.layout == geo::MarkerLayout::FourPoint ? "(4点座標マーカー " : "(3点座標マーカー ") +
                (ms.degrees ? "緯度経度)" : "平面直角座標)");
    // The scale at the artboard's centre: map distance of a point's step across and down.
    if (host::Document* d = host.Doc()) {
      const double h = (d->bounds.left + d->bounds.right) / 2, v = (d->bounds.top + d->bounds.bottom) / 2;
      double x0, y0, x1, y1, x2, y2;
      m.transform_.ArtToMap(h, v, x0, y0);
      m.transform_.ArtToMap(h + 1, v, x1, y1);
      m.transform_.ArtToMap(h, v + 1, x2, y2);
      double kx = 1, ky = 1;
      if (ms.degrees) {
        ky = kEarthRadius * kRadiansPerDegree;
        kx = ky * std::cos(y0 * kRadiansPerDegree);
      }
      const double across = std::hypot((x1 - x0) * kx, (y1 - y0) * ky), down = std::hypot((x2 - x0) * kx, (y2 - y0) * ky);
      const double s = (across + down) / 2 / kMetresPerPoint;
      if (std::isfinite(s) && s > 0) m.scale_ = s;
    }
  }
  return m;
}

json MapAids::Describe() const {
  const char* kind = kind_ == Kind::Frame ? "frame" : kind_ == Kind::Markers ? "markers" : "none";
  json j = {{"kind", kind}, {"system", system_}};
  if (scale_ > 0) j["scale"] = scale_;
  return j;
}

json MapAids::Where(double x, double y) const {
  if (kind_ == Kind::None || !(std::isfinite(x) && std::isfinite(y))) return json::object();
  double mx = 0, my = 0;
  transform_.ArtToMap(origin_.h + x, origin_.v - y, mx, my);
  if (!(std::isfinite(mx) && std::isfinite(my))) return json::object();
  json j = json::object();
  double lat = NAN, lon = NAN;
  if (degrees_) {
    lat = my, lon = mx;
  } else if (latLong_) {
    if (!converter_.SourceToLatLong(my, mx, lat, lon)) lat = lon = NAN;
  }
  const bool latLongSystem = degrees_ || (latLong_ && converter_.SourceKind() == geo::KindSphereMetres);
  std::string text;
  if (!latLongSystem) text = plane_ ? Format("X %.3f m  Y %.3f m", my, mx) : Format("E %.3f m  N %.3f m", mx, my);
  if (std::isfinite(lat) && std::isfinite(lon)) text += (text.empty() ? "" : "  ") + Format("緯度 %.7f°  経度 %.7f°", lat, lon);
  j["text"] = text;
  j["x"] = mx, j["y"] = my;
  if (std::isfinite(lat) && std::isfinite(lon)) j["lat"] = lat, j["lon"] = lon;
  return j;
}

}  // namespace vx::serve
