// Angle units and the three angle forms of the system: decimal degrees, degrees/minutes/seconds
// and the packed integer form DDDMMSS.s.
#pragma once

#include <string>
#include <string_view>

namespace vx::geo {

// Degrees to radians and back. These are the rounded constants the stored data was made with,
// not pi/180 evaluated at run time; they differ from it in the last bit only.
inline constexpr double kDegToRad = 0.0174532925199433;
inline constexpr double kRadToDeg = 57.2957795130823;

// One angle as whole degrees, whole minutes and seconds.
struct DmsAngle {
  int degrees = 0;         // signed: negative for a negative angle
  int minutes = 0;         // 0-59
  double seconds = 0;      // 0 <= s < 60 (NaN when the input angle was not finite)
  bool negative = false;   // set for every negative angle, also when degrees is 0
};

// Decimal degrees `x` (degrees) to degrees/minutes/seconds, seconds rounded to `decimals` places
// (clamped to 0-20) the way printf rounds them, carrying 60 seconds into the minutes and 60
// minutes into the degrees. A non-finite or out-of-int-range `x` gives seconds NaN.
DmsAngle SplitDms(double x, int decimals);

// The marker text of one angle, "%d/%d/%f" of (degrees, minutes, seconds), with "-0" as the degree
// field of a negative angle whose whole degrees are 0 so that the sign survives.
std::string DmsText(const DmsAngle& angle);
// Latitude and longitude joined by "&", as "%d/%d/%f&%d/%d/%f".
std::string DmsPairText(const DmsAngle& latitude, const DmsAngle& longitude);

// Reads one "degrees/minutes/seconds" field (degrees) as written by DmsText; degrees and minutes
// as strtol reads them, seconds as atof does. False when a "/" is missing.
bool ParseDmsText(std::string_view text, double& degrees);

// Reads a number written as DDDMMSS.s (degrees, minutes, seconds packed in decimal digits) and
// returns decimal degrees: 1293000 gives 129.5. Non-finite or |x| >= 2^31 gives NaN.
double PackedDmsToDegrees(double x);

}  // namespace vx::geo
