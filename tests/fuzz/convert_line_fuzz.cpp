// Fuzzes the line format of `vxshape convert`: the input is a text of lines. A pair that reads must
// print as plain digits that read back to the number, and the converter must give either a finite
// point or NaN with false, for any pair, between the kinds of system.
#include "cli/convert_line.h"
#include "geodesy/coord_converter.h"
#include "tests/geodesy/codes.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void CheckPrinted(double v, int decimals) {
  std::string text;
  if (!vx::cli::AppendFixed(text, v, decimals)) {
    if (std::isfinite(v)) __builtin_trap();
    return;
  }
  if (text.size() > 330) __builtin_trap();
  for (char c : text)
    if (!(c == '-' || c == '.' || (c >= '0' && c <= '9'))) __builtin_trap();
  double back;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), back);
  if (ec != std::errc() || end != text.data() + text.size()) __builtin_trap();
  // Rounded to the last decimal, within the number's own precision.
  if (!(std::fabs(back - v) <= 0.51 * std::pow(10.0, -decimals) + std::fabs(v) * 0x1p-52)) __builtin_trap();
}

struct Converters {
  vx::geo::CCoordConverter cv[5];
  Converters() {
    // Same datum throughout: no grid file needed.
    cv[0].Setup(vx::geo::Sys(2, 3, 9, 0), vx::geo::Sys(2, 2, 0, 54));   // plane zone 9 -> UTM 54
    cv[1].Setup(vx::geo::Sys(2, 1, 0, 0), vx::geo::Sys(2, 3, 9, 0));    // degrees -> plane zone 9
    cv[2].Setup(vx::geo::Sys(1, 2, 0, 60), vx::geo::Sys(1, 1, 0, 0));   // UTM 60 -> sheet metres
    cv[3].Setup(vx::geo::Sys(2, 5, 0, 0), vx::geo::Sys(2, 2, 0, 1));    // sheet metres -> UTM 1
    cv[4].Setup(vx::geo::Sys(2, 3, 19, 0), vx::geo::Sys(2, 3, 19, 0));  // the identity
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Converters converters;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    double x = 0, y = 0;
    if (vx::cli::ParseConvertLine(line, x, y) != vx::cli::ConvertLine::kPair) continue;
    CheckPrinted(x, 9);
    CheckPrinted(y, 12);
    for (const auto& cv : converters.cv) {
      double a, b, g;
      const bool ok = cv.Convert(x, y, a, b, g);
      if (ok != (std::isfinite(a) && std::isfinite(b) && std::isfinite(g))) __builtin_trap();
      if (!ok && !(std::isnan(a) && std::isnan(b) && std::isnan(g))) __builtin_trap();
    }
  }
  return 0;
}
