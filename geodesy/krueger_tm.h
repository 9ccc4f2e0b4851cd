// KruegerTm: transverse Mercator by Krüger's series in the third flattening n to sixth order, the
// conformal-latitude formulation (Karney 2011). Good to nanometres within 3 900 km of the central
// meridian and to under a millimetre far beyond, where the classical series in the longitude
// difference have long gone astray.
#pragma once

namespace vx::geo {

class KruegerTm {
 public:
  // a semi-major axis (metres), f flattening, k0 central scale (dimensionless).
  void Prepare(double a, double f, double k0);

  // dl longitude from the central meridian, phi latitude (radians; |dl| < pi/2) to x east, y north
  // from the equator (metres, scaled by k0), gamma convergence (radians, positive east in the north),
  // k point scale. False for a non-finite result.
  bool Forward(double phi, double dl, double& x, double& y, double& gamma, double& k) const;
  // The reverse: phi, dl in radians.
  bool Reverse(double x, double y, double& phi, double& dl, double& gamma, double& k) const;

 private:
  static constexpr int kOrder = 6;
  double a_ = 0, k0_ = 0, e2_ = 0, e_ = 0;
  double rectifying_ = 0;  // A, the rectifying radius, times k0 (metres)
  double alpha_[kOrder + 1] = {};
  double beta_[kOrder + 1] = {};
  double poleScale_ = 0;  // k at the poles, over k0

  double Taupf(double tau) const;  // tan of the conformal latitude from tan phi
  double Tauf(double taup) const;  // the reverse (Newton's method)
};

}  // namespace vx::geo
