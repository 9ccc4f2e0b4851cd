#include "geodesy/georef.h"

#include <cmath>
#include <limits>

namespace vx::geo {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Metres on the map per point on the sheet at scale 1 : 1 (0.0254 / 72), and points per metre.
constexpr double kMetresPerPoint = 0.00035277777777777776;
constexpr double kPointsPerMetre = 2834.645669291339;
constexpr double kRadiansPerDegree = 3.141592653589793 / 180;

bool Finite(const MarkerPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
MarkerPoint FromDoc(const host::RealPoint& p) { return {p.h, p.v}; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// CAffine2D: each operation is applied after the ones already held.

void CAffine2D::Translate(double dx, double dy) {
  tx += dx;
  ty += dy;
}

void CAffine2D::Scale(double s) {
  m0 *= s, m1 *= s, m2 *= s, m3 *= s, tx *= s, ty *= s;
}

void CAffine2D::Rotate(double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  const CAffine2D a = *this;
  m0 = c * a.m0 - s * a.m2;
  m1 = c * a.m1 - s * a.m3;
  m2 = s * a.m0 + c * a.m2;
  m3 = s * a.m1 + c * a.m3;
  tx = c * a.tx - s * a.ty;
  ty = s * a.tx + c * a.ty;
}

void CAffine2D::Apply(double x, double y, double& xOut, double& yOut) const {
  const double nx = m0 * x + m1 * y + tx;
  const double ny = m2 * x + m3 * y + ty;
  xOut = nx;
  yOut = ny;
}

// ---------------------------------------------------------------------------------------------
// FitAffine3

bool FitAffine3::Setup(const MarkerPoint& s1, const MarkerPoint& s2, const MarkerPoint& s3, const MarkerPoint& d1,
                       const MarkerPoint& d2, const MarkerPoint& d3) {
  ready_ = false;
  if (!(Finite(s1) && Finite(s2) && Finite(s3) && Finite(d1) && Finite(d2) && Finite(d3))) return false;
  const double b = (s2.x - s1.x) * (s3.y - s1.y) - (s3.x - s1.x) * (s2.y - s1.y);
  // b also underflows to 0 for points that are nearly on one line.
  if (!(std::isfinite(b) && b != 0)) return false;
  s1_ = s1;
  d1_ = d1;
  e2_ = {d2.x - d1.x, d2.y - d1.y};
  e3_ = {d3.x - d1.x, d3.y - d1.y};
  i0_ = s3.y - s1.y;
  i1_ = s3.x - s1.x;
  i2_ = s2.x - s1.x;
  i3_ = s2.y - s1.y;
  b_ = b;
  ready_ = std::isfinite(e2_.x) && std::isfinite(e2_.y) && std::isfinite(e3_.x) && std::isfinite(e3_.y);
  return ready_;
}

void FitAffine3::Apply(double x, double y, double& xOut, double& yOut) const {
  if (!ready_) {
    xOut = yOut = kNaN;
    return;
  }
  const double u = (i0_ * (x - s1_.x) - i1_ * (y - s1_.y)) / b_;
  const double v = (i2_ * (y - s1_.y) - i3_ * (x - s1_.x)) / b_;
  xOut = d1_.x + u * e2_.x + v * e3_.x;
  yOut = d1_.y + u * e2_.y + v * e3_.y;
}

// ---------------------------------------------------------------------------------------------
// FitBilinear4

bool FitBilinear4::Setup(const MarkerPoint& s0, const MarkerPoint& s1, const MarkerPoint& s2, const MarkerPoint& s3,
                         const MarkerPoint& d0, const MarkerPoint& d1, const MarkerPoint& d3) {
  ready_ = false;
  if (!(Finite(s0) && Finite(s1) && Finite(s2) && Finite(s3) && Finite(d0) && Finite(d1) && Finite(d3)))
    return false;
  const double L = (s3.x - s0.x) * (s1.y - s0.y) - (s3.y - s0.y) * (s1.x - s0.x);
  if (!(std::isfinite(L) && L != 0)) return false;
  const double uC = ((s1.y - s0.y) * (s2.x - s0.x) - (s1.x - s0.x) * (s2.y - s0.y)) / L;
  const double vC = ((s3.x - s0.x) * (s2.y - s0.y) - (s3.y - s0.y) * (s2.x - s0.x)) / L;
  if (!(std::isfinite(uC) && std::isfinite(vC))) return false;
  const double width = d3.x - d0.x, height = d1.y - d0.y;
  if (!(std::isfinite(width) && std::isfinite(height) && width != 0 && height != 0)) return false;
  s0_ = s0, s1_ = s1, s2_ = s2, s3_ = s3;
  d0_ = d0, d1_ = d1, d3_ = d3;
  L_ = L, uC_ = uC, vC_ = vC;
  ready_ = true;
  return true;
}

void FitBilinear4::Apply(double x, double y, double& xOut, double& yOut) const {
  if (!ready_) {
    xOut = yOut = kNaN;
    return;
  }
  const double U = ((s1_.y - s0_.y) * (x - s0_.x) - (s1_.x - s0_.x) * (y - s0_.y)) / L_;
  const double V = ((s3_.x - s0_.x) * (y - s0_.y) - (s3_.y - s0_.y) * (x - s0_.x)) / L_;
  const double g = V * (uC_ - 1) - U * (vC_ - 1);
  const double D = (1 + g) * (1 + g) + 4 * U * (vC_ - 1);
  const double r = std::sqrt(D);  // NaN far outside the quadrilateral: no real solution there
  const double m = 2 * U / ((1 + g) + r);
  const double n = 2 * V / ((1 - g) + r);
  xOut = d0_.x + (d3_.x - d0_.x) * m;
  yOut = d0_.y + (d1_.y - d0_.y) * n;
}

void FitBilinear4::ApplyInverse(double x, double y, double& xOut, double& yOut) const {
  if (!ready_) {
    xOut = yOut = kNaN;
    return;
  }
  // The point's parameters in the rectangle, then P = s0 + m (s3 - s0) + n (s1 - s0) + m n (s2 - s1 - s3 + s0).
  const double m = (x - d0_.x) / (d3_.x - d0_.x);
  const double n = (y - d0_.y) / (d1_.y - d0_.y);
  xOut = s0_.x + m * (s3_.x - s0_.x) + n * (s1_.x - s0_.x) + m * n * (s2_.x - s1_.x - s3_.x + s0_.x);
  yOut = s0_.y + m * (s3_.y - s0_.y) + n * (s1_.y - s0_.y) + m * n * (s2_.y - s1_.y - s3_.y + s0_.y);
}

// ---------------------------------------------------------------------------------------------
// CSheetTransform

bool CSheetTransform::SetFromDataFrame(const DataFrame& df) {
  source_ = TransformSource::DataFrame;
  frame_ = df;
  ready_ = false;
  if (!UsableDataFrame(df)) return false;
  const double theta = df.R * kRadiansPerDegree;
  artToMap_ = {};
  artToMap_[0].Translate(-df.anchorH, -df.anchorV);
  artToMap_[0].Scale(df.S);
  artToMap_[0].Scale(kMetresPerPoint);
  artToMap_[1].Rotate(-theta);
  artToMap_[2].Translate(df.X, df.Y);
  mapToArt_ = {};
  mapToArt_[0].Translate(-df.X, -df.Y);
  mapToArt_[1].Rotate(theta);
  mapToArt_[2].Scale(kPointsPerMetre);
  mapToArt_[2].Scale(1 / df.S);
  mapToArt_[2].Translate(df.anchorH, df.anchorV);
  ready_ = std::isfinite(df.anchorH) && std::isfinite(df.anchorV);
  return ready_;
}

bool CSheetTransform::SetFromMarkers(const MarkerSet& set) {
  source_ = TransformSource::Markers;
  markers_ = set;
  ready_ = false;
  const auto& A = set.doc;
  const auto& M = set.map;
  if (set.layout == MarkerLayout::FourPoint) {
    // The map points are an axis-aligned rectangle (ReadMarkers checks it), so the bilinear map
    // from it onto the markers' positions is the exact inverse of the fit; a second fit in that
    // direction would treat the positions as a rectangle too.
    ready_ = artToMap4_.Setup(FromDoc(A[0]), FromDoc(A[1]), FromDoc(A[2]), FromDoc(A[3]), M[0], M[1], M[3]);
  } else if (set.layout == MarkerLayout::ThreePoint) {
    ready_ = artToMap3_.Setup(FromDoc(A[0]), FromDoc(A[1]), FromDoc(A[2]), M[0], M[1], M[2]) &&
             mapToArt3_.Setup(M[0], M[1], M[2], FromDoc(A[0]), FromDoc(A[1]), FromDoc(A[2]));
  }
  return ready_;
}

void CSheetTransform::MapToArt(double x, double y, double& h, double& v) const {
  if (!ready_) {
    h = v = kNaN;
  } else if (source_ == TransformSource::DataFrame) {
    for (const CAffine2D& m : mapToArt_) m.Apply(x, y, x, y);
    h = x, v = y;
  } else if (markers_.layout == MarkerLayout::FourPoint) {
    artToMap4_.ApplyInverse(x, y, h, v);
  } else {
    mapToArt3_.Apply(x, y, h, v);
  }
}

void CSheetTransform::ArtToMap(double h, double v, double& x, double& y) const {
  if (!ready_) {
    x = y = kNaN;
  } else if (source_ == TransformSource::DataFrame) {
    for (const CAffine2D& m : artToMap_) m.Apply(h, v, h, v);
    x = h, y = v;
  } else if (markers_.layout == MarkerLayout::FourPoint) {
    artToMap4_.Apply(h, v, x, y);
  } else {
    artToMap3_.Apply(h, v, x, y);
  }
}

}  // namespace vx::geo
