// The ESRI-style WKT of a written coordinate system (the .prj beside a shapefile) and the code
// page name of its table (the .cpg).
#pragma once

#include <cstdint>
#include <string>

namespace vx::xport {

// datum 1 Tokyo, 2 JGD2000; kind 1 latitude/longitude (degrees), 2 UTM (zone 1-60, north),
// 3 plane rectangular (zone 1-19). Empty for any other combination.
std::string EsriWkt(std::int32_t datum, std::int32_t kind, std::int32_t zone, std::int32_t utmZone);

// "UTF-8" for encoding 1, "932" for Shift-JIS (17).
std::string CodePageName(std::int32_t encoding);

}  // namespace vx::xport
