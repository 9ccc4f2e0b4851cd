// Datums, ellipsoids and coordinate kinds: the codes every other part speaks in.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx::geo {

using Datum = std::int32_t;
using CoordKind = std::int32_t;

// Datum codes.
inline constexpr std::int32_t DatumTokyo = 1;     // Tokyo datum, Bessel ellipsoid
inline constexpr std::int32_t DatumJgd2000 = 2;   // JGD2000, GRS-80 ellipsoid

// Coordinate kinds.
inline constexpr std::int32_t KindLatLong = 1;       // degrees as a source, equirectangular metres drawn
inline constexpr std::int32_t KindUtm = 2;           // UTM zones 1-60
inline constexpr std::int32_t KindPlaneXY = 3;       // plane rectangular zones 1-19
inline constexpr std::int32_t KindSphereMetres = 5;  // equirectangular metres read back (converter only)

inline constexpr std::int32_t kPlaneZoneCount = 19;
inline constexpr std::int32_t kUtmZoneCount = 60;

struct Ellipsoid {
  std::string_view name;  // "Bessel" or "GRS-80"
  double a = 0;           // semi-major axis (metres)
  double invF = 0;        // inverse flattening 1/f (dimensionless)
  double f = 0;           // flattening 1 / invF
  double e2 = 0;          // first eccentricity squared (2 invF - 1) / invF^2
};

// The table row `index` (0 Bessel, 1 GRS-80), with f and e2 derived as the data was made.
// False for any other index.
bool EllipsoidAt(int index, Ellipsoid& out);

// Ellipsoid index of a datum: 0 for Tokyo, 1 for JGD2000, -1 for anything else.
int EllipsoidIndexForDatum(std::int32_t datum);

// The ellipsoid of `datum`. False (out untouched) for an invalid datum.
bool EllipsoidForDatum(std::int32_t datum, Ellipsoid& out);

// Mean radius a (3 - f) / 3 of the datum's ellipsoid (metres). False and R = 0 for an invalid datum.
bool MeanRadius(std::int32_t datum, double& radius);

// Latitude/longitude (degrees) to the equirectangular metres of the latitude/longitude kind: arc
// lengths on the datum's mean sphere along the equator and the meridian (reference latitude 0, so
// x carries no cosine). False (outputs untouched) for an invalid datum.
bool EquirectForward(double lat, double lon, std::int32_t datum, double& x, double& y);
// Equirectangular metres (x east, y north) back to latitude/longitude (degrees).
bool EquirectInverse(double x, double y, std::int32_t datum, double& lat, double& lon);

// "TKY" / "JGD" (empty for other codes): the datum key of the data frame text.
std::string_view DatumKey(std::int32_t datum);
// "日本測地系" / "世界測地系" (empty for other codes).
std::string_view DatumLabel(std::int32_t datum);

}  // namespace vx::geo
