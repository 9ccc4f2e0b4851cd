#include "tests/cli/run_vxshape.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>

namespace vx::test {

RunResult RunVxshape(const std::string& args, const std::string& stdinText) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string tag = std::to_string(std::random_device{}());
  const auto in = dir / ("vx-in-" + tag), out = dir / ("vx-out-" + tag), err = dir / ("vx-err-" + tag);
  { std::ofstream(in, std::ios::binary) << stdinText; }
  const std::string cmd = std::string("'") + VXSHAPE_BIN + "' " + args + " <'" + in.string() + "' >'" + out.string() +
                          "' 2>'" + err.string() + "'";
  RunResult r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  auto slurp = [](const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  };
  r.out = slurp(out);
  r.err = slurp(err);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace vx::test
