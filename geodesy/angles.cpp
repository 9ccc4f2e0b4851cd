#include "geodesy/angles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace vx::geo {

namespace {
constexpr double kIntLimit = 2147483647.0;
}

DmsAngle SplitDms(double x, int decimals) {
  DmsAngle r;
  if (!(std::isfinite(x) && std::fabs(x) < kIntLimit)) {
    r.seconds = std::numeric_limits<double>::quiet_NaN();
    r.negative = x < 0;
    return r;
  }
  if (decimals < 0) decimals = 0;
  if (decimals > 20) decimals = 20;
  const double a = std::fabs(x);
  const int d = static_cast<int>(a);
  r.negative = x < 0;
  r.degrees = r.negative ? -d : d;
  int m = static_cast<int>((a - d) * 60);
  double s = ((a - d) - m / 60.0) * 3600;
  // Round through printf so that the seconds equal what a "%3.nf" text shows.
  char fmt[16];
  std::snprintf(fmt, sizeof fmt, "%%3.%df", decimals);
  char text[64];
  std::snprintf(text, sizeof text, fmt, s);
  s = std::strtod(text, nullptr);
  // On a whole minute, (A - D) - M / 60 can come out a hair below 0 and print as "-0.00000";
  // seconds are never negative, so that zero loses its sign.
  if (s == 0) s = 0;
  if (s >= 60) {
    s = 0;
    ++m;
    if (m == 60) {
      m = 0;
      r.degrees += r.negative ? -1 : 1;
    }
  }
  r.minutes = m;
  r.seconds = s;
  return r;
}

std::string DmsText(const DmsAngle& angle) {
  char text[96];
  if (angle.negative && angle.degrees == 0)
    std::snprintf(text, sizeof text, "-0/%d/%f", angle.minutes, angle.seconds);
  else
    std::snprintf(text, sizeof text, "%d/%d/%f", angle.degrees, angle.minutes, angle.seconds);
  return text;
}

std::string DmsPairText(const DmsAngle& latitude, const DmsAngle& longitude) {
  return DmsText(latitude) + "&" + DmsText(longitude);
}

namespace {
// strtol on a view, clamped to int, as the C library reads leading digits.
int LeadingInt(std::string_view s) {
  const std::string copy(s);
  long v = std::strtol(copy.c_str(), nullptr, 10);
  if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) v = std::numeric_limits<int>::min();
  return static_cast<int>(v);
}
}  // namespace

bool ParseDmsText(std::string_view text, double& degrees) {
  const auto slash1 = text.find('/');
  if (slash1 == std::string_view::npos) return false;
  std::string_view deg = text.substr(0, slash1);
  const std::string_view rest = text.substr(slash1 + 1);
  const auto slash2 = rest.find('/');
  if (slash2 == std::string_view::npos) return false;
  double sign = 1;
  if (!deg.empty() && deg.front() == '-') {
    sign = -1;
    deg.remove_prefix(1);
  }
  const int d = LeadingInt(deg);
  const int m = LeadingInt(rest.substr(0, slash2));
  const double s = std::atof(std::string(rest.substr(slash2 + 1)).c_str());
  degrees = sign * (d + m / 60.0 + s / 3600.0);
  return true;
}

double PackedDmsToDegrees(double x) {
  if (!(std::isfinite(x) && std::fabs(x) < kIntLimit)) return std::numeric_limits<double>::quiet_NaN();
  const double sign = x >= 0 ? 1 : -1;
  const double a = std::fabs(x);
  const int whole = static_cast<int>(a);
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%07d", whole);
  const std::string_view t(digits, static_cast<std::size_t>(n));
  const int d = LeadingInt(t.substr(0, 3));
  const int m = LeadingInt(t.substr(3, 2));
  const double s = LeadingInt(t.substr(t.size() - 2)) + (a - whole);
  return sign * (d + m / 60.0 + s / 3600.0);
}

}  // namespace vx::geo
