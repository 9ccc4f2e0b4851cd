#include "geodesy/krueger_tm.h"

#include <cmath>
#include <complex>

namespace vx::geo {

namespace {
constexpr double kHalfPi = 1.5707963267948966;
// Newton rounds for the geodetic latitude from the conformal one: 2 suffice for the ellipsoids
// in use; the bound keeps a NaN from looping.
constexpr int kMaxNewtonRounds = 8;
}  // namespace

void KruegerTm::Prepare(double a, double f, double k0) {
  a_ = a;
  k0_ = k0;
  e2_ = f * (2 - f);
  e_ = std::sqrt(e2_);
  const double n = f / (2 - f);
  const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n, n6 = n5 * n;
  rectifying_ = k0 * a / (1 + n) * (1 + n2 / 4 + n4 / 64 + n6 / 256);
  alpha_[1] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180 - 127 * n5 / 288 + 7891 * n6 / 37800;
  alpha_[2] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440 + 281 * n5 / 630 - 1983433 * n6 / 1935360;
  alpha_[3] = 61 * n3 / 240 - 103 * n4 / 140 + 15061 * n5 / 26880 + 167603 * n6 / 181440;
  alpha_[4] = 49561 * n4 / 161280 - 179 * n5 / 168 + 6601661 * n6 / 7257600;
  alpha_[5] = 34729 * n5 / 80640 - 3418889 * n6 / 1995840;
  alpha_[6] = 212378941 * n6 / 319334400;
  beta_[1] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360 - 81 * n5 / 512 + 96199 * n6 / 604800;
  beta_[2] = n2 / 48 + n3 / 15 - 437 * n4 / 1440 + 46 * n5 / 105 - 1118711 * n6 / 3870720;
  beta_[3] = 17 * n3 / 480 - 37 * n4 / 840 - 209 * n5 / 4480 + 5569 * n6 / 90720;
  beta_[4] = 4397 * n4 / 161280 - 11 * n5 / 504 - 830251 * n6 / 7257600;
  beta_[5] = 4583 * n5 / 161280 - 108847 * n6 / 3991680;
  beta_[6] = 20648693 * n6 / 638668800;
  poleScale_ = std::sqrt(1 - e2_) * std::exp(e_ * std::atanh(e_));
}

double KruegerTm::Taupf(double tau) const {
  const double tau1 = std::hypot(1.0, tau);
  const double sig = std::sinh(e_ * std::atanh(e_ * tau / tau1));
  return std::hypot(1.0, sig) * tau - sig * tau1;
}

double KruegerTm::Tauf(double taup) const {
  const double e2m = 1 - e2_;
  double tau = taup / e2m;  // within a few ulps of the answer, so Newton settles at once
  for (int i = 0; i < kMaxNewtonRounds; ++i) {
    const double taupa = Taupf(tau);
    const double dtau = (taup - taupa) * (1 + e2m * tau * tau) /
                        (e2m * std::hypot(1.0, tau) * std::hypot(1.0, taupa));
    tau += dtau;
    if (!(std::fabs(dtau) >= 1e-15 * std::fmax(1.0, std::fabs(tau)))) break;
  }
  return tau;
}

bool KruegerTm::Forward(double phi, double dl, double& x, double& y, double& gamma, double& k) const {
  using C = std::complex<double>;
  double xip, etap, gammap, kp;
  if (std::fabs(phi) >= kHalfPi) {
    // The pole (90 degrees in radians rounds a hair past it): the tangent is no use there, the
    // limits are.
    xip = std::copysign(kHalfPi, phi);
    etap = 0;
    gammap = phi > 0 ? dl : -dl;
    kp = poleScale_;
  } else {
    const double tau = std::tan(phi);
    const double taup = Taupf(tau);
    const double cl = std::cos(dl), sl = std::sin(dl);
    xip = std::atan2(taup, cl);
    etap = std::asinh(sl / std::hypot(taup, cl));
    gammap = std::atan2(sl * taup, cl * std::hypot(1.0, taup));
    kp = std::sqrt(1 - e2_ * std::sin(phi) * std::sin(phi)) * std::hypot(1.0, tau) / std::hypot(taup, cl);
  }
  // zeta = zeta' + sum alpha_j sin(2 j zeta'), and its derivative for the convergence and scale.
  const C zp(xip, etap);
  C z = zp, dz = 1;
  for (int j = kOrder; j >= 1; --j) {
    z += alpha_[j] * std::sin(2.0 * j * zp);
    dz += 2.0 * j * alpha_[j] * std::cos(2.0 * j * zp);
  }
  y = rectifying_ * z.real();
  x = rectifying_ * z.imag();
  gamma = gammap - std::arg(dz);
  k = k0_ * rectifying_ / (k0_ * a_) * kp * std::abs(dz);
  return std::isfinite(x) && std::isfinite(y) && std::isfinite(gamma) && std::isfinite(k);
}

bool KruegerTm::Reverse(double x, double y, double& phi, double& dl, double& gamma, double& k) const {
  using C = std::complex<double>;
  const C z(y / rectifying_, x / rectifying_);
  C zp = z, dzp = 1;
  for (int j = kOrder; j >= 1; --j) {
    zp -= beta_[j] * std::sin(2.0 * j * z);
    dzp -= 2.0 * j * beta_[j] * std::cos(2.0 * j * z);
  }
  const double xip = zp.real(), etap = zp.imag();
  const double s = std::sinh(etap), c = std::fmax(0.0, std::cos(xip)), r = std::hypot(s, c);
  double gammap, kp;
  if (r != 0) {
    const double taup = std::sin(xip) / r;
    const double tau = Tauf(taup);
    phi = std::atan(tau);
    dl = std::atan2(s, c);
    gammap = std::atan2(std::sin(xip) * std::tanh(etap), c);
    kp = std::sqrt(1 - e2_ * std::sin(phi) * std::sin(phi)) * std::hypot(1.0, tau) * r;
  } else {
    phi = std::copysign(kHalfPi, xip);
    dl = 0;
    gammap = 0;
    kp = poleScale_;
  }
  gamma = gammap + std::arg(dzp);
  k = rectifying_ / a_ * kp / std::abs(dzp);
  return std::isfinite(phi) && std::isfinite(dl) && std::isfinite(gamma) && std::isfinite(k);
}

}  // namespace vx::geo
