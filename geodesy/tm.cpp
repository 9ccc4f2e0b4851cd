// Transverse Mercator by the classical Gauss-Krüger series: the meridian arc as a series in
// sin 2phi ... sin 16phi with coefficients to e^16, the forward mapping to the eighth power of the
// longitude difference, and the inverse from the footpoint latitude (the formulation of
// the Japanese survey regulations; cf. Redfearn 1948, Thomas 1952). Within 5.5 degrees of the
// central meridian these give the values documents were drawn with; further out, where they go
// astray, Krüger's series in the third flattening (KruegerTm) take over.
#include "geodesy/angles.h"
#include "geodesy/geodesy.h"
#include "geodesy/zones.h"

#include <cmath>

namespace vx::geo {

namespace {
constexpr double kPlaneScale = 0.9999;
constexpr double kUtmScale = 0.9996;
constexpr double kUtmFalseEasting = 500000;  // metres
// Footpoint rounds before the inverse gives up on a target beyond a pole; they settle in a few.
constexpr int kMaxFootpointRounds = 100;
// A Halley step of at most this leaves an error of about K d^3, with K = |S'''/6S' - (S''/2S')^2|
// under 0.01 for the meridian arc: below 1e-23 rad, so the step's result is final. (A bound of
// 1e-14 on the step, as before, costs one more round that moves nothing.)
constexpr double kFootpointSettled = 1e-7;  // radians
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// Widest longitude difference from the central meridian at which the classical series are used:
// within 5.5 degrees the forward stays within 0.5 mm and the inverse within 0.2 mm of the exact
// transverse Mercator at every latitude (checked against GeographicLib on both ellipsoids), so a
// round trip stays within 1 mm. Beyond it their error grows fast (0.8 mm at 6 degrees on the
// equator, hundreds of metres at 9).
constexpr double kMaxLonDiff = 5.5 * 0.017453292519943295;  // radians
// Widest longitude difference of all: Krüger's series stay within 0.02 mm of the exact mapping out
// to 60 degrees at every latitude, then part from it fast (5 mm at 70, 100 m at 80), so the
// degree wrappers refuse beyond rather than move the point.
constexpr double kWideLonDiff = 60 * 0.017453292519943295;  // radians
// The inverse accepts a result this much beyond kMaxLonDiff, so that a forward result at the
// bound always comes back (the round trip moves the longitude by under 1e-10 rad).
constexpr double kInverseLonSlack = 1e-9;  // radians (6 mm on the equator)
// Largest distance the forward may put an inverse's result from the grid position it came from:
// within the bound it stays under 0.7 mm; where the inverse series has gone astray it is metres.
constexpr double kInverseCheck = 1e-3;  // metres
// Where the inverse cannot go astray, so the forward check is left out: within 300 km of the
// central meridian with the footpoint within 60 degrees of the equator, a round trip that ends
// within kMaxLonDiff stays under 0.2 mm (5 million random positions over every zone and both
// datums), far inside kInverseCheck. Every zone's use lies there; the check costs a third of
// the inverse.
constexpr double kInnerEasting = 300e3;                          // metres
constexpr double kInnerFootpointLat = 60 * 0.017453292519943295;  // radians
// An angle difference or longitude (radians) taken modulo 2 pi into [-pi, pi]; unchanged (bit for
// bit) when already inside.
double WrapPi(double a) { return std::fabs(a) <= kPi ? a : std::remainder(a, 2 * kPi); }
}  // namespace

CGeodesy::CGeodesy() {
  for (int i = 0; i < 2; ++i) EllipsoidAt(i, ellipsoids_[i]);
}

bool CGeodesy::EllipsoidOf(int index, Ellipsoid& out) const {
  if (!(index == 0 || index == 1)) return false;
  out = ellipsoids_[index];
  return true;
}

bool CGeodesy::SetupPlaneZone(Zone zone, Datum datum) {
  double lat, lon;
  if (!geo::PlaneZoneOrigin(zone, lat, lon)) return false;
  return Prepare(lat * kDegToRad, lon * kDegToRad, kPlaneScale, datum);
}

bool CGeodesy::SetupUtmZone(Zone zone, Datum datum) {
  double lon0 = 0;
  if (!UtmCentralMeridian(zone, lon0)) return false;
  return Prepare(0, lon0 * kDegToRad, kUtmScale, datum);
}

bool CGeodesy::Prepare(double lat0, double lon0, double m0, Datum datum) {
  const int index = EllipsoidIndexForDatum(datum);
  if (index < 0) return false;
  const Ellipsoid& el = ellipsoids_[index];
  ellipsoidIndex_ = index;
  lat0_ = lat0;
  lon0_ = lon0;
  m0_ = m0;
  a_ = el.a;
  e2_ = el.e2;
  e4_ = e2_ * e2_;
  e6_ = e4_ * e2_;
  e8_ = e6_ * e2_;
  e10_ = e8_ * e2_;
  e12_ = e10_ * e2_;
  e14_ = e12_ * e2_;
  e16_ = e14_ * e2_;
  b1_ = a_ * (1 - e2_);
  c_ = a_ / std::sqrt(1 - e2_);
  ep2_ = e2_ / (1 - e2_);
  // Meridian arc coefficients (expansion of the integral of M dphi in e^2; all denominators are
  // powers of two, so the fractions are exact doubles).
  A_ = 1 + 3.0 / 4 * e2_ + 45.0 / 64 * e4_ + 175.0 / 256 * e6_ + 11025.0 / 16384 * e8_ +
       43659.0 / 65536 * e10_ + 693693.0 / 1048576 * e12_ + 2760615.0 / 4194304 * e14_ +
       703956825.0 / 1073741824 * e16_;
  B_ = 3.0 / 4 * e2_ + 15.0 / 16 * e4_ + 525.0 / 512 * e6_ + 2205.0 / 2048 * e8_ + 72765.0 / 65536 * e10_ +
       297297.0 / 262144 * e12_ + 19324305.0 / 16777216 * e14_ + 78217425.0 / 67108864 * e16_;
  C_ = 15.0 / 64 * e4_ + 105.0 / 256 * e6_ + 2205.0 / 4096 * e8_ + 10395.0 / 16384 * e10_ +
       1486485.0 / 2097152 * e12_ + 6441435.0 / 8388608 * e14_ + 109504395.0 / 134217728 * e16_;
  D_ = 35.0 / 512 * e6_ + 315.0 / 2048 * e8_ + 31185.0 / 131072 * e10_ + 165165.0 / 524288 * e12_ +
       6441435.0 / 16777216 * e14_ + 29864835.0 / 67108864 * e16_;
  E_ = 315.0 / 16384 * e8_ + 3465.0 / 65536 * e10_ + 99099.0 / 1048576 * e12_ + 585585.0 / 4194304 * e14_ +
       49774725.0 / 268435456 * e16_;
  F_ = 693.0 / 131072 * e10_ + 9009.0 / 524288 * e12_ + 585585.0 / 16777216 * e14_ +
       3828825.0 / 67108864 * e16_;
  G_ = 3003.0 / 2097152 * e12_ + 45045.0 / 8388608 * e14_ + 1640925.0 / 134217728 * e16_;
  H_ = 6435.0 / 16777216 * e14_ + 109395.0 / 67108864 * e16_;
  I_ = 109395.0 / 1073741824 * e16_;
  B2_ = B_ / 2;
  C4_ = C_ / 4;
  D6_ = D_ / 6;
  E8_ = E_ / 8;
  F10_ = F_ / 10;
  G12_ = G_ / 12;
  H14_ = H_ / 14;
  I16_ = I_ / 16;
  S0_ = MeridianArc(lat0_);
  rect_ = b1_ * A_;
  {
    const double r = std::sqrt(1 - e2_);
    const double n = (1 - r) / (1 + r), n2 = n * n, n3 = n2 * n, n4 = n2 * n2, n5 = n4 * n;
    fp2_ = 3 * n / 2 - 27 * n3 / 32 + 269 * n5 / 512;
    fp4_ = 21 * n2 / 16 - 55 * n4 / 32;
    fp6_ = 151 * n3 / 96 - 417 * n5 / 128;
    fp8_ = 1097 * n4 / 512;
    fp10_ = 8011 * n5 / 2560;
  }
  innerArc_ = MeridianArc(kInnerFootpointLat);
  wide_.Prepare(el.a, el.f, m0);
  double x0, g0, k0;
  wide_.Forward(lat0_, 0, x0, wideNorth0_, g0, k0);
  return true;
}

double CGeodesy::MeridianArc(double phi) const { return ArcFromSinCos(phi, std::sin(phi), std::cos(phi)); }

// The arc from sin phi and cos phi already at hand: sin 2k phi come from the Chebyshev recurrence
// sin((k+1)x) = 2 cos x sin kx - sin((k-1)x) with x = 2 phi, so one sincos serves all eight terms
// (its rounding error grows by about one ulp per step, picometres on the arc). The terms are summed
// from sin 16phi down to A phi, smallest first.
double CGeodesy::ArcFromSinCos(double phi, double s, double c) const {
  const double sn1 = 2 * s * c;          // sin 2phi
  const double cs1 = (c - s) * (c + s);  // cos 2phi
  const double k = 2 * cs1;
  const double sn2 = k * sn1;
  const double sn3 = k * sn2 - sn1;
  const double sn4 = k * sn3 - sn2;
  const double sn5 = k * sn4 - sn3;
  const double sn6 = k * sn5 - sn4;
  const double sn7 = k * sn6 - sn5;
  const double sn8 = k * sn7 - sn6;
  double sum = I16_ * sn8;
  sum -= H14_ * sn7;
  sum += G12_ * sn6;
  sum -= F10_ * sn5;
  sum += E8_ * sn4;
  sum -= D6_ * sn3;
  sum += C4_ * sn2;
  sum -= B2_ * sn1;
  sum += A_ * phi;
  return b1_ * sum;
}

bool CGeodesy::TmForward(double phi, double lambda, double& X, double& Y, double& gamma, double& k) const {
  if (!IsPrepared()) return false;
  // 179 W seen from a central meridian at 177 E is 4 degrees east, not 356 west.
  const double dl = WrapPi(lambda - lon0_);
  const double s = std::sin(phi), c = std::cos(phi);
  const double t = s / c;
  const double c2 = c * c;
  const double eta2 = ep2_ * c2;
  const double eta4 = eta2 * eta2;
  const double v2 = 1 + eta2;
  const double M = c_ / std::sqrt(v2 * v2 * v2);  // meridian radius of curvature
  const double N = c_ / std::sqrt(v2);            // prime vertical radius of curvature
  const double S = ArcFromSinCos(phi, s, c);
  const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double c4 = c2 * c2, c6 = c4 * c2;
  const double dl2 = dl * dl, dl4 = dl2 * dl2, dl6 = dl4 * dl2;

  double bx = -((-1385 + 3111 * t2 - 543 * t4 + t6) * c6 * dl6 / 40320);
  bx -= (-61 + 58 * t2 - t4 - 270 * eta2 + 330 * t2 * eta2) * c4 * dl4 / 720;
  bx += (5 - t2 + 9 * eta2 + 4 * eta4) * c2 * dl2 / 24;
  bx += 0.5;
  const double x = m0_ * (S - S0_ + N * c2 * t * dl2 * bx);

  double by = -((-61 + 479 * t2 - 179 * t4 + t6) * c6 * dl6 / 5040);
  by -= (-5 + 18 * t2 - t4 - 14 * eta2 + 58 * t2 * eta2) * c4 * dl4 / 120;
  by -= (-1 + t2 - eta2) * c2 * dl2 / 6;
  by += 1;
  const double y = m0_ * N * c * dl * by;

  double bg = (2 - t2) * c4 * dl4 / 15;
  bg += (1 + 3 * eta2 + 2 * eta4) * c2 * dl2 / 3;
  bg += 1;
  gamma = c * t * dl * bg;

  const double mn = M * N * m0_ * m0_;
  k = m0_ * (y * y * y * y / (24 * mn * mn) + y * y / (2 * mn) + 1);
  X = x;
  Y = y;
  return true;
}

bool CGeodesy::TmInverse(double X, double Y, double& phi, double& lambda, double& gamma, double& k) const {
  return TmInverseTo(X, Y, phi, lambda, &gamma, &k);
}

bool CGeodesy::TmInverseTo(double X, double Y, double& phi, double& lambda, double* gamma, double* k) const {
  if (!IsPrepared()) return false;
  // Footpoint latitude phi1, where the meridian arc equals the target. On the equator's side of
  // either pole it comes straight from the classical series of the geodetic latitude in the
  // rectifying latitude mu and the third flattening n (to n^5; the first n^6 term is below
  // 1e-16 rad): within 1e-15 rad of the arc's own inverse, as close as iterating gets. Beyond a pole,
  // where nothing is mapped, Halley's method on S(phi) - T from the zone origin, with
  // S' = a (1 - e2) / W^1.5, finds where the arc runs on, so the caller can refuse it.
  const double T = S0_ + X / m0_;
  const double mu = T / rect_;
  double p1 = 0;
  if (std::fabs(mu) <= kHalfPi) {
    const double s2 = std::sin(2 * mu), c2 = std::cos(2 * mu), k2 = 2 * c2;
    const double s4 = k2 * s2, s6 = k2 * s4 - s2, s8 = k2 * s6 - s4, s10 = k2 * s8 - s6;
    p1 = mu + (fp10_ * s10 + fp8_ * s8 + fp6_ * s6 + fp4_ * s4 + fp2_ * s2);
  } else {
    double p = lat0_;
    bool settled = false;
    for (int n = 1; n <= kMaxFootpointRounds; ++n) {
      const double s = std::sin(p), c = std::cos(p);
      const double d = ArcFromSinCos(p, s, c) - T;
      const double W = 1 - e2_ * s * s;
      const double rw = std::sqrt(W);
      p1 = p + 2 * d * W * rw / (3 * e2_ * d * s * c * rw - 2 * a_ * (1 - e2_));
      if (std::fabs(p1 - p) <= kFootpointSettled) {
        settled = true;
        break;
      }
      p = p1;
    }
    if (!settled) return false;
  }

  const double y = Y / m0_;
  const double s1 = std::sin(p1), c1 = std::cos(p1);
  const double t = s1 / c1;
  const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double eta2 = ep2_ * c1 * c1;
  const double eta4 = eta2 * eta2;
  const double N1 = c_ / std::sqrt(1 + eta2);
  const double u = y / N1;  // y / N1, so that y^n / N1^n = u^n
  const double u2 = u * u, u3 = u2 * u, u4 = u2 * u2, u5 = u4 * u, u6 = u4 * u2, u7 = u6 * u, u8 = u4 * u4;

  double bp = (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6) * u8 / 40320;
  bp -= (61 + 90 * t2 + 45 * t4 + 107 * eta2 - 162 * t2 * eta2 - 45 * t4 * eta2) * u6 / 720;
  bp += (5 + 3 * t2 + 6 * eta2 - 6 * t2 * eta2 - 3 * eta4 - 9 * t2 * eta4) * u4 / 24;
  bp -= (1 + eta2) * u2 / 2;
  const double lat = p1 + t * bp;

  double bl = -((61 + 662 * t2 + 1320 * t4 + 720 * t6) * u7 / (5040 * c1));
  bl += (5 + 28 * t2 + 24 * t4 + 6 * eta2 + 8 * t2 * eta2) * u5 / (120 * c1);
  bl -= (1 + 2 * t2 + eta2) * u3 / (6 * c1);
  bl += u / c1;
  // Far from the zone the series runs past the pole: no point on the ellipsoid to give.
  if (!(std::fabs(lat) <= kHalfPi)) return false;
  const double lon = WrapPi(lon0_ + bl);

  if (gamma) {
    double bg = (1 + t2) * (2 + 3 * t2) * u5 / 15;
    bg -= (1 + t2 - eta2) * u3 / 3;
    bg += u;
    *gamma = t * bg;
  }

  // Scale from the radii at the resulting latitude and the scaled grid easting.
  if (k) {
    const double c = std::cos(lat);
    const double v2 = 1 + ep2_ * c * c;
    const double M = c_ / std::sqrt(v2 * v2 * v2);
    const double N = c_ / std::sqrt(v2);
    const double mn = M * N * m0_ * m0_;
    *k = m0_ * (Y * Y * Y * Y / (24 * mn * mn) + Y * Y / (2 * mn) + 1);
  }
  phi = lat;
  lambda = lon;
  return true;
}

bool CGeodesy::InSeriesDomain(double lambda) const {
  return std::fabs(WrapPi(lambda - lon0_)) <= kWideLonDiff;
}

bool CGeodesy::LatLongToPlane(double lat, double lon, double& X, double& Y, double& convergence,
                              double& k) const {
  if (!(std::fabs(lat) <= 90 && std::isfinite(lon) && IsPrepared())) return false;
  const double phi = lat * kDegToRad, lambda = lon * kDegToRad;
  const double dl = WrapPi(lambda - lon0_);
  double x, y, g, kk;
  if (std::fabs(dl) <= kMaxLonDiff && TmForward(phi, lambda, x, y, g, kk) &&
      std::isfinite(x) && std::isfinite(y) && std::isfinite(g) && std::isfinite(kk)) {
    X = x;
    Y = y;
  } else {
    // A pole is on the map from every longitude.
    if (!(std::fabs(dl) <= kWideLonDiff || std::fabs(lat) == 90)) return false;
    double east, north;
    if (!wide_.Forward(phi, dl, east, north, g, kk)) return false;
    X = north - wideNorth0_;
    Y = east;
  }
  convergence = g * (-1) * kRadToDeg;
  k = kk;
  return true;
}

bool CGeodesy::LatLongToUtm(double lat, double lon, double& northing, double& easting, double& convergence,
                            double& k) const {
  double y;
  if (!LatLongToPlane(lat, lon, northing, y, convergence, k)) return false;
  easting = y + kUtmFalseEasting;
  return true;
}

bool CGeodesy::PlaneToLatLong(double X, double Y, double& lat, double& lon, double& convergence,
                              double& k) const {
  return Inverse(X, Y, lat, lon, &convergence, &k);
}

bool CGeodesy::PlaneToLatLong(double X, double Y, double& lat, double& lon) const {
  return Inverse(X, Y, lat, lon, nullptr, nullptr);
}

bool CGeodesy::Inverse(double X, double Y, double& lat, double& lon, double* convergence, double* k) const {
  if (!(std::isfinite(X) && std::isfinite(Y) && IsPrepared())) return false;
  double p, l, g = 0, kk = 0;
  double X2, Y2, g2, k2;
  // The forward from the result must come back to the grid position: far out either inverse can
  // land inside its bound from a position that belongs well outside it.
  const bool inner = std::fabs(Y) <= kInnerEasting && std::fabs(S0_ + X / m0_) <= innerArc_;
  if (TmInverseTo(X, Y, p, l, convergence ? &g : nullptr, k ? &kk : nullptr) && std::fabs(WrapPi(l - lon0_)) <= kMaxLonDiff + kInverseLonSlack &&
      (inner || (TmForward(p, l, X2, Y2, g2, k2) && std::hypot(X2 - X, Y2 - Y) <= kInverseCheck))) {
    lat = p * kRadToDeg;
    lon = l * kRadToDeg;
  } else {
    double dl, east, north;
    if (!(wide_.Reverse(Y, X + wideNorth0_, p, dl, g, kk) && std::fabs(dl) <= kWideLonDiff + kInverseLonSlack &&
          wide_.Forward(p, dl, east, north, g2, k2) &&
          std::hypot(north - wideNorth0_ - X, east - Y) <= kInverseCheck))
      return false;
    lat = p * kRadToDeg;
    lon = WrapPi(lon0_ + dl) * kRadToDeg;
  }
  if (convergence) *convergence = g * (-1) * kRadToDeg;
  if (k) *k = kk;
  return true;
}

bool CGeodesy::UtmToLatLong(double northing, double easting, double& lat, double& lon, double& convergence,
                            double& k) const {
  return PlaneToLatLong(northing, easting - kUtmFalseEasting, lat, lon, convergence, k);
}

bool CGeodesy::UtmToLatLong(double northing, double easting, double& lat, double& lon) const {
  return PlaneToLatLong(northing, easting - kUtmFalseEasting, lat, lon);
}

}  // namespace vx::geo
