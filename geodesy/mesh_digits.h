// Mesh digits of a point, shared by the mesh cell code and the grid's corner lookup (internal).
#pragma once

namespace vx::geo {

struct MeshDigits {
  int pp = 0, qq = 0;  // first order: latitude index, longitude minus 100
  int d = 0, h = 0;    // second order: 0-7
  int e = 0, l = 0;    // third order: 0-9
  double latFrac = 0, lonFrac = 0;
};

// The digits and fractions of the cell holding (lat, lon) in degrees; see MeshCellOf.
bool MeshDigitsOf(double lat, double lon, MeshDigits& m);

}  // namespace vx::geo
