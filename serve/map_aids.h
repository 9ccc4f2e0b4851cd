// Map aids of the page: the sheet's scale and the map position under the pointer, in the sheet's
// own system (the data frame's, else the coordinate markers'), computed by the geodesy library.
#pragma once

#include "geodesy/coord_converter.h"
#include "geodesy/georef.h"
#include "host/standin.h"

#include <nlohmann/json.hpp>

namespace vx::serve {

class MapAids {
 public:
  // What the page shows always: {"kind": "frame" | "markers" | "none", "system": label,
  // "scale": denominator of the sheet at 100 % (1 : scale)}.
  nlohmann::json Describe() const;
  // Page point (x, y): points right of and below the artboard's top-left corner. Answers
  // {"text": the map position as the sheet's system writes it, "lat", "lon" (degrees) where the
  // system tells them}; {} without a georeference or where the transform gives nothing.
  nlohmann::json Where(double x, double y) const;

 private:
  friend MapAids ReadMapAids(host::StandInHost& host);
  enum class Kind { None, Frame, Markers } kind_ = Kind::None;
  std::string system_;
  double scale_ = 0;
  host::RealPoint origin_;  // the artboard's top-left corner (points)
  geo::CSheetTransform transform_;
  // From map points to latitude and longitude (the source stage only); not set up for plane
  // markers, whose zone the sheet does not tell.
  geo::CCoordConverter converter_;
  bool latLong_ = false;
  bool degrees_ = false;  // map points are longitude, latitude (marker texts in degree form)
  bool plane_ = false;    // map points are plane rectangular X (northing), Y (easting)
};

// Worker only: reads the open document's georeference through the host's suites.
MapAids ReadMapAids(host::StandInHost& host);

}  // namespace vx::serve
