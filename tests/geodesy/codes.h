// Datums, zones and systems from the plain numbers the tables of cases are written in; numbers
// that name none stay as they are, for the cases that must fail.
#pragma once

#include "geodesy/coord_system.h"

namespace vx::geo {

template <class T>
Datum D(T code) {
  return static_cast<Datum>(code);
}
template <class T>
Zone Z(T code) {
  return Zone{static_cast<std::int32_t>(code)};
}
template <class A, class B>
CoordSystem Sys(A datum, B kind, int zone, int utmZone) {
  return {static_cast<Datum>(datum), static_cast<CoordKind>(kind), Zone{zone}, Zone{utmZone}};
}

}  // namespace vx::geo
