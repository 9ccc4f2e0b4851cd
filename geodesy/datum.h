// Datums, ellipsoids and coordinate kinds: the codes every other part speaks in.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx::geo {

// Datum codes as stored (preferences, settings); any other code is invalid and stays representable,
// so that a stored value that is none still reads and fails where it is used.
enum class Datum : std::int32_t {
  DatumTokyo = 1,    // Tokyo datum, Bessel ellipsoid
  DatumJgd2000 = 2,  // JGD2000, GRS-80 ellipsoid
};
using enum Datum;

// Coordinate kinds: the projection a system's numbers are in. Both enums are scoped (no silent
// integer mixing) and their enumerators are brought into the namespace.
enum class CoordKind : std::int32_t {
  KindLatLong = 1,       // degrees as a source, equirectangular metres drawn
  KindUtm = 2,           // UTM zones 1-60
  KindPlaneXY = 3,       // plane rectangular zones 1-19
  KindSphereMetres = 5,  // equirectangular metres read back (converter only)
};
using enum CoordKind;

// A plane zone (1-19) or UTM zone (1-60); 0 is none chosen.
enum class Zone : std::int32_t {};

// The stored number of a datum, kind or zone.
template <class E>
constexpr std::int32_t Code(E e) {
  return static_cast<std::int32_t>(e);
}

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
int EllipsoidIndexForDatum(Datum datum);

// The ellipsoid of `datum`. False (out untouched) for an invalid datum.
bool EllipsoidForDatum(Datum datum, Ellipsoid& out);

// Mean radius a (3 - f) / 3 of the datum's ellipsoid (metres). False and R = 0 for an invalid datum.
bool MeanRadius(Datum datum, double& radius);

// Latitude/longitude (degrees) to the equirectangular metres of the latitude/longitude kind: arc
// lengths on the datum's mean sphere along the equator and the meridian (reference latitude 0, so
// x carries no cosine). False (outputs untouched) for an invalid datum.
bool EquirectForward(double lat, double lon, Datum datum, double& x, double& y);
// Equirectangular metres (x east, y north) back to latitude/longitude (degrees).
bool EquirectInverse(double x, double y, Datum datum, double& lat, double& lon);

// "TKY" / "JGD" (empty for other codes): the datum key of the data frame text.
std::string_view DatumKey(Datum datum);
// "日本測地系" / "世界測地系" (empty for other codes).
std::string_view DatumLabel(Datum datum);

}  // namespace vx::geo
