// Runs a program the way a person's shell would, but without a shell: the words are passed as
// they are (UTF-8; on Windows through the wide-character command line), standard input comes
// from a text, and the output and the exit status are captured.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vx::test {

struct ProgramRun {
  int status = -1;   // the exit status; -1 when the program could not be run or did not exit
  std::string out;   // standard output
  std::string err;   // standard error
};

// `env` sets (or, with an empty value, removes) environment variables for this run only.
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& words,
                      const std::string& stdinText = "",
                      const std::vector<std::pair<std::string, std::string>>& env = {});

// A file's bytes; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& p);

}  // namespace vx::test
