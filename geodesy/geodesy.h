// CGeodesy: the projection engine (Gauss-Krüger transverse Mercator for the plane rectangular and
// UTM zones) and the holder of the Tokyo/JGD2000 shift grid.
#pragma once

#include "geodesy/datum.h"
#include "geodesy/krueger_tm.h"
#include "geodesy/shift_grid.h"
#include "geodesy/zones.h"

#include <array>
#include <cstdint>
#include <filesystem>

namespace vx::geo {

// Geodetic latitude phi, longitude lambda (radians) and height h (metres) on ellipsoid `e` to
// geocentric X, Y, Z (metres).
void GeodeticToGeocentric(double phi, double lambda, double h, const Ellipsoid& e, double& X, double& Y,
                          double& Z);
// Geocentric X, Y, Z (metres) to geodetic phi, lambda (radians) and h (metres): Bowring's 1985
// closed form (one auxiliary angle, no iteration), good to well under a millimetre for points
// within some kilometres of the surface.
void GeocentricToGeodetic(double X, double Y, double Z, const Ellipsoid& e, double& phi, double& lambda,
                          double& h);

class CGeodesy {
 public:
  // Ellipsoid table filled, projection unprepared, grid empty.
  CGeodesy();

  // ---- ellipsoids and zones ----
  // Row `index` of this engine's ellipsoid table (0 Bessel, 1 GRS-80).
  bool EllipsoidOf(int index, Ellipsoid& out) const;

  // ---- projection setup: false (state untouched) for a bad zone or datum ----
  bool SetupPlaneZone(Zone zone, Datum datum);  // scale 0.9999
  bool SetupUtmZone(Zone zone, Datum datum);    // scale 0.9996, no false northing
  bool IsPrepared() const { return ellipsoidIndex_ >= 0; }
  // Whether longitude lambda (radians) lies within the domain the degree wrappers convert (60
  // degrees of the central meridian, modulo 2 pi).
  bool InSeriesDomain(double lambda) const;

  // Meridian arc from the equator to latitude phi (radians), metres. Needs a setup.
  double MeridianArc(double phi) const;

  // Survey order: X north, Y east (metres, scaled by m0, relative to the zone origin); phi, lambda
  // in radians; gamma the meridian convergence (radians, positive east of the central meridian in
  // the northern hemisphere); k the point scale factor. The longitude difference is taken modulo
  // 2 pi into [-pi, pi]. False only when unprepared.
  bool TmForward(double phi, double lambda, double& X, double& Y, double& gamma, double& k) const;
  // False when unprepared, for a non-finite X, or when the latitude leaves [-pi/2, pi/2] (outputs
  // then untouched). lambda comes back in [-pi, pi].
  bool TmInverse(double X, double Y, double& phi, double& lambda, double& gamma, double& k) const;

  // Degree wrappers; convergence is returned as -gamma in degrees. False (outputs untouched) where
  // the underlying call fails, for a latitude beyond +-90 or a non-finite longitude given to the
  // forward ones, and outside the domain where the series hold to a millimetre: a longitude more
  // than 60 degrees from the central meridian, in or out (the inverse also checks that the
  // forward of its result comes back within 1 mm; the poles convert from any longitude). Within
  // 5.5 degrees the classical series above are used, as documents were drawn with them; beyond,
  // Krüger's series. Every result lies within 1 mm of the exact mapping.
  bool LatLongToPlane(double lat, double lon, double& X, double& Y, double& convergence, double& k) const;
  bool LatLongToUtm(double lat, double lon, double& northing, double& easting, double& convergence,
                    double& k) const;
  bool PlaneToLatLong(double X, double Y, double& lat, double& lon, double& convergence, double& k) const;
  bool UtmToLatLong(double northing, double easting, double& lat, double& lon, double& convergence,
                    double& k) const;
  // The same positions without convergence and scale, a cosine and two roots cheaper a point.
  bool PlaneToLatLong(double X, double Y, double& lat, double& lon) const;
  bool UtmToLatLong(double northing, double easting, double& lat, double& lon) const;

  // ---- datum shift (degrees in and out) ----
  // Replaces the grid with the file's records. False only if the file cannot be opened.
  bool LoadShiftGrid(const std::filesystem::path& path);
  const ShiftGrid& Grid() const { return grid_; }
  ShiftGrid& Grid() { return grid_; }

  // Bilinear shift (arc-seconds) at a Tokyo position. False outside 20-46 N, 120-154 E (bounds
  // inside) or where any of the cell's four corners has no data.
  bool InterpolateShift(double lat, double lon, double& dB, double& dL) const;
  // Tokyo -> JGD2000 by the grid, else by the three-parameter geocentric translation. False only
  // outside +-90 latitude, +-180 longitude (outputs untouched).
  bool TokyoToJgd(double lat, double lon, double& latOut, double& lonOut) const;
  // JGD2000 -> Tokyo: the grid shift taken at a Tokyo position found by two fixed-point guesses,
  // else the inverse translation. Same failure as TokyoToJgd.
  bool JgdToTokyo(double lat, double lon, double& latOut, double& lonOut) const;

 private:
  std::array<Ellipsoid, 2> ellipsoids_{};

  // Projection state.
  double lat0_ = 0, lon0_ = 0;  // origin latitude and central meridian (radians)
  double a_ = 0;                // semi-major axis (metres)
  double e2_ = 0, e4_ = 0, e6_ = 0, e8_ = 0, e10_ = 0, e12_ = 0, e14_ = 0, e16_ = 0;
  double b1_ = 0;   // a (1 - e2), metres
  double c_ = 0;    // polar radius of curvature a / sqrt(1 - e2), metres
  double ep2_ = 0;  // second eccentricity squared
  double A_ = 0, B_ = 0, C_ = 0, D_ = 0, E_ = 0, F_ = 0, G_ = 0, H_ = 0, I_ = 0;  // arc coefficients
  // B/2, C/4, ... I/16: the divided coefficients the arc sum multiplies by, fixed per setup.
  double B2_ = 0, C4_ = 0, D6_ = 0, E8_ = 0, F10_ = 0, G12_ = 0, H14_ = 0, I16_ = 0;
  double S0_ = 0;   // meridian arc at lat0, metres
  double innerArc_ = 0;  // meridian arc at 60 degrees, metres: see PlaneToLatLong
  double rect_ = 0;      // arc per radian of rectifying latitude (b1 A), metres
  double fp2_ = 0, fp4_ = 0, fp6_ = 0, fp8_ = 0, fp10_ = 0;  // footpoint series: see TmInverse
  double m0_ = 0;   // central scale factor
  KruegerTm wide_;        // beyond the classical series' reach
  double wideNorth0_ = 0;  // its northing of the zone origin (metres)
  int ellipsoidIndex_ = -1;  // 0 Bessel, 1 GRS-80; -1 unprepared

  ShiftGrid grid_;

  bool Prepare(double lat0, double lon0, double m0, Datum datum);
  double ArcFromSinCos(double phi, double s, double c) const;
  // TmInverse, the convergence and the scale left out where null.
  bool TmInverseTo(double X, double Y, double& phi, double& lambda, double* gamma, double* k) const;
  // PlaneToLatLong; convergence and scale left out where null.
  bool Inverse(double X, double Y, double& lat, double& lon, double* convergence, double* k) const;
  void FallbackTokyoToJgd(double lat, double lon, double& latOut, double& lonOut) const;
  void FallbackJgdToTokyo(double lat, double lon, double& latOut, double& lonOut) const;
};

}  // namespace vx::geo
