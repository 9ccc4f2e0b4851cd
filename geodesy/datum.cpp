#include "geodesy/datum.h"

#include "geodesy/angles.h"

namespace vx::geo {

namespace {
struct EllipsoidRow {
  std::string_view name;
  double a;     // metres
  double invF;  // dimensionless
};
constexpr EllipsoidRow kEllipsoids[2] = {
    {"Bessel", 6377397.155, 299.152813},
    {"GRS-80", 6378137.0, 298.257222101},
};
}  // namespace

bool EllipsoidAt(int index, Ellipsoid& out) {
  if (!(index == 0 || index == 1)) return false;
  const EllipsoidRow& row = kEllipsoids[index];
  out.name = row.name;
  out.a = row.a;
  out.invF = row.invF;
  out.f = 1 / row.invF;
  out.e2 = (2 * row.invF - 1) / row.invF / row.invF;
  return true;
}

int EllipsoidIndexForDatum(Datum datum) {
  if (datum == DatumTokyo) return 0;
  if (datum == DatumJgd2000) return 1;
  return -1;
}

bool EllipsoidForDatum(Datum datum, Ellipsoid& out) {
  return EllipsoidAt(EllipsoidIndexForDatum(datum), out);
}

bool MeanRadius(Datum datum, double& radius) {
  Ellipsoid e;
  if (!EllipsoidForDatum(datum, e)) {
    radius = 0;
    return false;
  }
  radius = e.a * (3 - e.f) / 3;
  return true;
}

bool EquirectForward(double lat, double lon, Datum datum, double& x, double& y) {
  double r;
  if (!MeanRadius(datum, r)) return false;
  x = lon * kDegToRad * r;
  y = lat * kDegToRad * r;
  return true;
}

bool EquirectInverse(double x, double y, Datum datum, double& lat, double& lon) {
  double r;
  if (!MeanRadius(datum, r)) return false;
  lat = y / (kDegToRad * r);
  lon = x / (kDegToRad * r);
  return true;
}

std::string_view DatumKey(Datum datum) {
  if (datum == DatumTokyo) return "TKY";
  if (datum == DatumJgd2000) return "JGD";
  return {};
}

std::string_view DatumLabel(Datum datum) {
  if (datum == DatumTokyo) return "日本測地系";
  if (datum == DatumJgd2000) return "世界測地系";
  return {};
}

}  // namespace vx::geo
