#include "cli/convert_line.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vx::cli {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

const char* SkipSpace(const char* p, const char* end) {
  while (p < end && IsSpace(*p)) ++p;
  return p;
}

const char* ParseDouble(const char* p, const char* end, double& v) {
  if (end - p > 1 && *p == '+' && p[1] != '-') ++p;  // one sign at most: "+-5" is no number
  const auto [q, ec] = std::from_chars(p, end, v);
  return ec == std::errc() ? q : nullptr;
}

}  // namespace

ConvertLine ParseConvertLine(std::string_view line, double& x, double& y) {
  const char* p = line.data();
  const char* end = p + line.size();
  if (end > p && end[-1] == '\r') --end;
  p = SkipSpace(p, end);
  if (p == end || *p == '#') return ConvertLine::kPassThrough;
  double a, b;
  p = ParseDouble(p, end, a);
  if (!p || p == end || !IsSpace(*p)) return ConvertLine::kBad;
  p = ParseDouble(SkipSpace(p, end), end, b);
  if (!(p && SkipSpace(p, end) == end)) return ConvertLine::kBad;
  x = a;
  y = b;
  return ConvertLine::kPair;
}

bool AppendFixed(std::string& out, double v, int decimals) {
  if (!(std::isfinite(v) && decimals >= 0 && decimals <= 17)) return false;
  // Sign, 309 integer digits, point, decimals.
  char text[400];
  const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return false;
  out.append(text, r.ptr);
  return true;
}

}  // namespace vx::cli
