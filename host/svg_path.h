// SVG geometry: affine transforms, path data and the basic shapes, read into the host's segments.
#pragma once

#include "shell/host/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace vx::host {
class Segments;
}

namespace vx::host::svg {

// x' = a x + c y + e, y' = b x + d y + f.
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  RealPoint Apply(double x, double y) const { return {a * x + c * y + e, b * x + d * y + f}; }
  RealPoint Apply(const RealPoint& p) const { return Apply(p.h, p.v); }
  // this after `inner`: (this * inner)(p) = this(inner(p)).
  Affine operator*(const Affine& m) const {
    return {a * m.a + c * m.b, b * m.a + d * m.b, a * m.c + c * m.d, b * m.c + d * m.d, a * m.e + c * m.f + e,
            b * m.e + d * m.f + f};
  }
  // Inverse; the identity when singular (a collapsed group has no coordinates of its own).
  Affine Inverse() const;
  bool Identity() const { return a == 1 && b == 0 && c == 0 && d == 1 && e == 0 && f == 0; }
  // How much lengths grow: the square root of the determinant's size.
  double Scale() const;
  friend bool operator==(const Affine&, const Affine&) = default;
};

// Parses a transform list; false with `error` on a fault.
bool ParseTransform(std::string_view text, Affine& out, std::string& error);
// The shortest transform attribute for `m` ("" for the identity).
std::string TransformText(const Affine& m);

struct Subpath {
  std::vector<PathSegment> segments;
  bool closed = false;
};

// Reads path data, every command; arcs become cubic curves. Points are mapped through `m`.
// False with `error` (the character offset and what is wrong) on broken data; what was read
// before the fault is not used.
bool ParsePathData(std::string_view d, const Affine& m, std::vector<Subpath>& out, std::string& error);

// Appends path data in absolute commands (M, L, C, Z) for the subpath, mapped through `m`.
void AppendPathData(std::string& out, const std::vector<PathSegment>& segments, bool closed, const Affine& m);
void AppendPathData(std::string& out, const Segments& segments, bool closed, const Affine& m);

// Shortest text that reads back to the same double.
void AppendNumber(std::string& out, double v);

// A length with an optional unit, in user units (px); `percentOf` is what 100% is.
bool ParseLength(std::string_view text, double percentOf, double& out);

}  // namespace vx::host::svg
