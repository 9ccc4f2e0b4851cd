// Runs the vxshape program and captures what it prints.
#pragma once

#include <filesystem>
#include <string>

namespace vx::test {

struct RunResult {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// `args` is appended to the program's path as shell words (quote them yourself).
RunResult RunVxshape(const std::string& args, const std::string& stdinText = "");

// A path as one shell word.
std::string Q(const std::filesystem::path& p);
// A file's bytes; empty when it cannot be read.
std::string Slurp(const std::filesystem::path& p);

}  // namespace vx::test
