// Tokyo <-> JGD2000: bilinear interpolation in the mesh shift grid, with a three-parameter
// geocentric translation wherever the grid has no data.
#include "geodesy/angles.h"
#include "geodesy/geodesy.h"
#include "geodesy/mesh_digits.h"

#include <cmath>

namespace vx::geo {

namespace {
// Tokyo -> JGD2000 geocentric translation, stored in centimetres (metres after * 0.01).
constexpr double kShiftXcm = -14641.4;
constexpr double kShiftYcm = 50733.7;
constexpr double kShiftZcm = 68050.7;
// 12" (degrees): the typical JGD2000 - Tokyo difference, first guess of the inverse shift.
constexpr double kTwelveSeconds = 0.0033333333333333335;

bool OnEarth(double lat, double lon) { return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180; }
}  // namespace

void GeodeticToGeocentric(double phi, double lambda, double h, const Ellipsoid& e, double& X, double& Y,
                          double& Z) {
  const double s = std::sin(phi), c = std::cos(phi);
  const double N = e.a / std::sqrt(1 - e.e2 * s * s);
  X = (N + h) * c * std::cos(lambda);
  Y = (N + h) * c * std::sin(lambda);
  Z = (N * (1 - e.e2) + h) * s;
}

void GeocentricToGeodetic(double X, double Y, double Z, const Ellipsoid& e, double& phi, double& lambda,
                          double& h) {
  const double p = std::sqrt(X * X + Y * Y);
  if (X != 0) {
    lambda = std::atan(Y / X);
    if (X < 0) lambda += 3.14159265358979;
    if (lambda > 3.14159265358979) lambda -= 6.28318530717959;
  } else {
    lambda = std::copysign(1.5707963267949, Y);
  }
  if (p == 0) {
    // On the axis the auxiliary angle below is 90 degrees and its cosine, rounded, would flip the
    // latitude into the other hemisphere: the pole is known directly.
    phi = std::copysign(1.5707963267948966, Z);
    h = std::fabs(Z) - e.a * (1 - e.f);
    return;
  }
  // Bowring (1985): theta is the parametric latitude of the surface point under (p, Z), after
  // which one evaluation of the closed form gives phi.
  const double r = std::sqrt(p * p + Z * Z);
  const double theta = std::atan((Z / p) * ((1 - e.f) + e.e2 * e.a / r));
  const double st = std::sin(theta), ct = std::cos(theta);
  phi = std::atan((Z * (1 - e.f) + e.e2 * e.a * st * st * st) / ((1 - e.f) * (p - e.e2 * e.a * ct * ct * ct)));
  const double sp = std::sin(phi);
  h = p * std::cos(phi) + Z * sp - e.a * std::sqrt(1 - e.e2 * sp * sp);
}

bool CGeodesy::LoadShiftGrid(const std::filesystem::path& path) { return grid_.Load(path); }

bool CGeodesy::InterpolateShift(double lat, double lon, double& dB, double& dL) const {
  if (!(lat >= 20 && lat <= 46 && lon >= 120 && lon <= 154)) return false;
  if (grid_.Empty()) return false;
  MeshDigits m;
  if (!MeshDigitsOf(lat, lon, m)) return false;
  std::array<MeshShift, 4> v;  // SW, E, N, NE
  if (!grid_.CornersOf(m, v)) return false;
  const double x = m.lonFrac, y = m.latFrac;
  dB = v[0].dB + (v[1].dB - v[0].dB) * x + (v[2].dB - v[0].dB) * y + (v[3].dB - v[1].dB - v[2].dB + v[0].dB) * x * y;
  dL = v[0].dL + (v[1].dL - v[0].dL) * x + (v[2].dL - v[0].dL) * y + (v[3].dL - v[1].dL - v[2].dL + v[0].dL) * x * y;
  return true;
}

void CGeodesy::FallbackTokyoToJgd(double lat, double lon, double& latOut, double& lonOut) const {
  double X, Y, Z, phi, lambda, h;
  GeodeticToGeocentric(lat * kDegToRad, lon * kDegToRad, 0, ellipsoids_[0], X, Y, Z);
  X += kShiftXcm * 0.01;
  Y += kShiftYcm * 0.01;
  Z += kShiftZcm * 0.01;
  GeocentricToGeodetic(X, Y, Z, ellipsoids_[1], phi, lambda, h);
  latOut = phi * kRadToDeg;
  lonOut = lambda * kRadToDeg;
}

// The inverse translation of a JGD2000 position on its ellipsoid lands some metres off the Bessel
// surface; a second pass from the height that cancels that offset puts the result on the surface,
// where the forward shift starts.
void CGeodesy::FallbackJgdToTokyo(double lat, double lon, double& latOut, double& lonOut) const {
  double h = 0;
  double phi = 0, lambda = 0;
  for (int pass = 0; pass < 2; ++pass) {
    double X, Y, Z, hOut;
    GeodeticToGeocentric(lat * kDegToRad, lon * kDegToRad, -h, ellipsoids_[1], X, Y, Z);
    X += -kShiftXcm * 0.01;
    Y += -kShiftYcm * 0.01;
    Z += -kShiftZcm * 0.01;
    GeocentricToGeodetic(X, Y, Z, ellipsoids_[0], phi, lambda, hOut);
    h = hOut;
  }
  latOut = phi * kRadToDeg;
  lonOut = lambda * kRadToDeg;
}

bool CGeodesy::TokyoToJgd(double lat, double lon, double& latOut, double& lonOut) const {
  if (!OnEarth(lat, lon)) return false;
  double dB, dL;
  if (InterpolateShift(lat, lon, dB, dL)) {
    latOut = lat + dB / 3600;
    lonOut = lon + dL / 3600;
  } else {
    FallbackTokyoToJgd(lat, lon, latOut, lonOut);
  }
  return true;
}

bool CGeodesy::JgdToTokyo(double lat, double lon, double& latOut, double& lonOut) const {
  if (!OnEarth(lat, lon)) return false;
  // The shift is indexed by Tokyo position: guess it from the typical 12" offset, refine once.
  double dB1, dL1, dB2, dL2;
  if (InterpolateShift(lat - kTwelveSeconds, lon + kTwelveSeconds, dB1, dL1) &&
      InterpolateShift(lat - dB1 / 3600, lon - dL1 / 3600, dB2, dL2)) {
    latOut = lat - dB2 / 3600;
    lonOut = lon - dL2 / 3600;
  } else {
    FallbackJgdToTokyo(lat, lon, latOut, lonOut);
  }
  return true;
}

}  // namespace vx::geo
