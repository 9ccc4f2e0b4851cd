// Runs the vxshape program and captures what it prints.
#pragma once

#include <string>

namespace vx::test {

struct RunResult {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// `args` is appended to the program's path as shell words (quote them yourself).
RunResult RunVxshape(const std::string& args, const std::string& stdinText = "");

}  // namespace vx::test
