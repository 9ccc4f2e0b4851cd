// The line format of `vxshape convert`: what one input line holds, and how a number is printed.
#pragma once

#include <string>
#include <string_view>

namespace vx::cli {

enum class ConvertLine {
  kPassThrough,  // blank, or a comment starting with '#': copied to the output as it stands
  kPair,         // "x y": two numbers with white space around and between, nothing else
  kBad,          // anything else
};

// Classifies one input line (without its '\n'; a trailing '\r' is ignored) and reads its pair.
// x and y are set only for kPair.
ConvertLine ParseConvertLine(std::string_view line, double& x, double& y);

// Appends `v` with `decimals` digits after the point (0 to 17). Every finite double fits, the
// largest taking some 330 characters; false (nothing appended) for a non-finite value.
bool AppendFixed(std::string& out, double v, int decimals);

}  // namespace vx::cli
