#include "export/prj.h"

#include "geodesy/geodesy.h"

#include <charconv>

namespace vx::xport {

namespace {

// Shortest text that reads back to the same double.
std::string Num(double v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

std::string GeogCs(std::int32_t datum) {
  if (datum == 2)
    return "GEOGCS[\"GCS_JGD_2000\",DATUM[\"D_JGD_2000\",SPHEROID[\"GRS_1980\",6378137.0,298.257222101]],"
           "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
  return "GEOGCS[\"GCS_Tokyo\",DATUM[\"D_Tokyo\",SPHEROID[\"Bessel_1841\",6377397.155,299.1528128]],"
         "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]";
}

std::string TransverseMercator(const std::string& name, std::int32_t datum, double falseEasting, double centralMeridian,
                               double scale, double latitudeOfOrigin) {
  return "PROJCS[\"" + name + "\"," + GeogCs(datum) + ",PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"False_Easting\"," +
         Num(falseEasting) + "],PARAMETER[\"False_Northing\",0.0],PARAMETER[\"Central_Meridian\"," +
         Num(centralMeridian) + "],PARAMETER[\"Scale_Factor\"," + Num(scale) + "],PARAMETER[\"Latitude_Of_Origin\"," +
         Num(latitudeOfOrigin) + "],UNIT[\"Meter\",1.0]]";
}

}  // namespace

std::string EsriWkt(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utmZone) {
  if (datum != 1 && datum != 2) return {};
  const std::string prefix = datum == 2 ? "JGD_2000_" : "Tokyo_";
  switch (kind) {
    case 1: return GeogCs(datum);
    case 2:
      if (utmZone < 1 || utmZone > 60) return {};
      return TransverseMercator(prefix + "UTM_Zone_" + std::to_string(utmZone) + "N", datum, 500000.0,
                                6.0 * utmZone - 183.0, 0.9996, 0.0);
    case 3: {
      double lat = 0, lon = 0;
      if (!geo::CGeodesy().PlaneZoneOrigin(zone, lat, lon)) return {};
      // The Tokyo-datum zones carry no datum prefix in their usual names.
      const std::string name = (datum == 2 ? "JGD_2000_" : "") + std::string("Japan_Zone_") + std::to_string(zone);
      return TransverseMercator(name, datum, 0.0, lon, 0.9999, lat);
    }
    default: return {};
  }
}

std::string CodePageName(std::int32_t encoding) { return encoding == 1 ? "UTF-8" : "932"; }

}  // namespace vx::xport
