#include "geodesy/coord_converter.h"

#include "geodesy/angles.h"

#include <cmath>
#include <limits>

namespace vx::geo {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Degrees this far beyond +-180 still read as the date line, and beyond +-90 as the pole.
constexpr double kBoundRounding = 1e-9;
// A coordinate within rounding past +-bound (degrees), put on it; anything else unchanged.
double OntoBound(double v, double bound) {
  return std::fabs(v) > bound && std::fabs(v) - bound <= kBoundRounding ? std::copysign(bound, v) : v;
}
bool ValidDatum(Datum datum) { return datum == DatumTokyo || datum == DatumJgd2000; }
// A position on the ellipsoid (degrees); false also for NaN.
bool OnEarth(double lat, double lon) { return std::fabs(lat) <= 90 && std::fabs(lon) <= 180; }
}  // namespace

std::filesystem::path GridFileBeside(const std::filesystem::path& pluginFile) {
  return pluginFile.parent_path() / kShiftGridFileName;
}

CCoordConverter::CCoordConverter(ConverterHost host) : host_(std::move(host)) {}

bool CCoordConverter::Setup(const CoordSystem& src, const CoordSystem& dst) {
  const Datum srcDatum = src.datum, dstDatum = dst.datum;
  const CoordKind srcKind = src.kind, dstKind = dst.kind;
  const Zone srcZone = src.zone, srcUtmZone = src.utmZone, dstZone = dst.zone, dstUtmZone = dst.utmZone;
  srcDatum_ = srcDatum;
  srcKind_ = srcKind;
  dstDatum_ = dstDatum;
  dstKind_ = dstKind;
  identity_ = false;
  srcReady_ = dstReady_ = false;

  // Lat/long to lat/long is never the identity: that destination is drawn in metres.
  if (srcDatum == dstDatum && srcKind == dstKind &&
      ((srcKind == KindUtm && srcUtmZone == dstUtmZone) || (srcKind == KindPlaneXY && srcZone == dstZone)))
    identity_ = true;

  switch (srcKind) {
    case KindPlaneXY: srcReady_ = srcEngine_.SetupPlaneZone(srcZone, srcDatum); break;
    case KindUtm: srcReady_ = srcEngine_.SetupUtmZone(srcUtmZone, srcDatum); break;
    case KindLatLong: srcReady_ = ValidDatum(srcDatum); break;
    case KindSphereMetres: srcReady_ = MeanRadius(srcDatum, srcMeanRadius_); break;
    default: break;
  }

  shiftNeeded_ = srcDatum != dstDatum;
  // Between a datum and a code that is none there is no shift to load a grid for (nor to warn of).
  const bool datumsValid = ValidDatum(srcDatum) && ValidDatum(dstDatum);
  if (shiftNeeded_ && datumsValid && !gridLoaded_) {
    const std::filesystem::path file = host_.gridFile ? host_.gridFile() : std::filesystem::path();
    if (file.empty() || !srcEngine_.LoadShiftGrid(file)) {
      if (host_.warn) host_.warn(kGridMissingMessage);
      return false;
    }
    gridLoaded_ = true;
  }

  switch (dstKind) {
    case KindPlaneXY: dstReady_ = dstEngine_.SetupPlaneZone(dstZone, dstDatum); break;
    case KindUtm: dstReady_ = dstEngine_.SetupUtmZone(dstUtmZone, dstDatum); break;
    case KindLatLong: dstReady_ = MeanRadius(dstDatum, meanRadius_); break;
    default: break;
  }
  return srcReady_ && dstReady_ && datumsValid;
}

bool CCoordConverter::Convert(double x, double y, double& xOut, double& yOut, double& convergence) const {
  if (identity_) {
    if (!(std::isfinite(x) && std::isfinite(y))) {
      xOut = yOut = convergence = kNaN;
      return false;
    }
    xOut = x;
    yOut = y;
    convergence = 0;
    return true;
  }
  double lat, lon, k;
  if (SourceToLatLong(y, x, lat, lon) && ShiftDatum(lat, lon, lat, lon) &&
      LatLongToDestination(lat, lon, xOut, yOut, convergence, k) &&
      std::isfinite(xOut) && std::isfinite(yOut) && std::isfinite(convergence))
    return true;
  xOut = yOut = convergence = kNaN;
  return false;
}

bool CCoordConverter::SourceToLatLong(double north, double east, double& lat, double& lon) const {
  bool ok = srcReady_;
  if (ok) {
    switch (srcKind_) {
      case KindLatLong:
        // Files written by other tools carry the date line as 180.00000000000006 and the like:
        // within rounding of it is on it.
        lat = OntoBound(north, 90);
        lon = OntoBound(east, 180);
        break;
      case KindPlaneXY: ok = srcEngine_.PlaneToLatLong(north, east, lat, lon); break;
      case KindUtm: ok = srcEngine_.UtmToLatLong(north, east, lat, lon); break;
      case KindSphereMetres:
        // The date line and the poles come back from the sheet with a rounding error to spare.
        lat = OntoBound(north / (kDegToRad * srcMeanRadius_), 90);
        lon = OntoBound(east / (kDegToRad * srcMeanRadius_), 180);
        break;
      default: ok = false; break;
    }
  }
  // Degrees beyond the ellipsoid would go on to a plausible but wrong point.
  ok = ok && OnEarth(lat, lon);
  if (!ok) lat = lon = kNaN;
  return ok;
}

bool CCoordConverter::ShiftDatum(double lat, double lon, double& latOut, double& lonOut) const {
  bool ok = true;
  if (!shiftNeeded_) {
    latOut = lat;
    lonOut = lon;
  } else if (!gridLoaded_ || !(ValidDatum(srcDatum_) && ValidDatum(dstDatum_))) {
    ok = false;  // Setup stopped before the shift was ready, or one side is no datum
  } else if (srcDatum_ == DatumTokyo) {
    ok = srcEngine_.TokyoToJgd(lat, lon, latOut, lonOut);
  } else {
    ok = srcEngine_.JgdToTokyo(lat, lon, latOut, lonOut);
  }
  if (!ok) latOut = lonOut = kNaN;
  return ok;
}

bool CCoordConverter::LatLongToDestination(double lat, double lon, double& x, double& y, double& convergence,
                                           double& k) const {
  bool ok = dstReady_ && OnEarth(lat, lon);
  if (ok) {
    switch (dstKind_) {
      case KindLatLong:
        x = lon * kDegToRad * meanRadius_ * std::cos(refLatitude_ * kDegToRad);
        y = lat * kDegToRad * meanRadius_;
        convergence = 0;
        k = kNaN;
        break;
      case KindUtm: ok = dstEngine_.LatLongToUtm(lat, lon, y, x, convergence, k); break;
      case KindPlaneXY: ok = dstEngine_.LatLongToPlane(lat, lon, y, x, convergence, k); break;
      default: ok = false; break;
    }
  }
  if (!ok) x = y = convergence = k = kNaN;
  return ok;
}

}  // namespace vx::geo
