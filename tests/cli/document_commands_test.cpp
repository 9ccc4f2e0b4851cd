// vxshape new / info / render, and how the program fails.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vx::test {
namespace {

std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

TEST(DocumentCommands, NewInfoRender) {
  TempDir dir;
  const auto doc = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc) + " --size 842x595").status, 0);
  RunResult info = RunVxshape("info " + Q(doc) + " --json");
  ASSERT_EQ(info.status, 0) << info.err;
  const auto j = nlohmann::json::parse(info.out);
  EXPECT_EQ(j["bounds"], nlohmann::json({0.0, 595.0, 842.0, 0.0}));
  ASSERT_EQ(j["layers"].size(), 1u);
  EXPECT_EQ(j["layers"][0]["title"], "レイヤー 1");
  EXPECT_EQ(j["layers"][0]["current"], true);

  RunResult r = RunVxshape("render " + Q(doc) + " " + Q(dir / "d.svg"));
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream svg(dir / "d.svg");
  std::string first;
  std::getline(svg, first);
  EXPECT_EQ(first, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
}

TEST(DocumentCommands, SampleSheetShowsFieldsAndDataFrame) {
  RunResult info = RunVxshape(std::string("info '") + VX_SOURCE_DIR + "/samples/sample-sheet.vxd'");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("data frame: G=JGD|P=XY9|"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("field: FLOORS 整数 4 0"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("1 compound path"), std::string::npos) << info.out;
}

TEST(DocumentCommands, FailuresAreOneLineAndNonZero) {
  TempDir dir;
  { std::ofstream(dir / "bad.vxd") << "{\"format\":\"vxshape-document\",\"version\":1,\"layers\":["; }
  struct Case {
    const char* why;
    std::string args;
  } cases[] = {
      {"damaged document", "info " + Q(dir / "bad.vxd")},
      {"missing document", "render " + Q(dir / "none.vxd") + " " + Q(dir / "x.svg")},
      {"unknown command", "frobnicate"},
      {"bad size", "new " + Q(dir / "n.vxd") + " --size 10"},
      {"unwritable target", "render " + Q(dir / "bad.vxd") + " " + Q(dir / "no" / "x.svg")},
  };
  for (const Case& c : cases) {
    RunResult r = RunVxshape(c.args);
    EXPECT_NE(r.status, 0) << c.why;
    ASSERT_FALSE(r.err.empty()) << c.why;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.why << ": " << r.err;
    EXPECT_EQ(r.err.rfind("vxshape: ", 0), 0u) << c.why << ": " << r.err;
  }
  EXPECT_EQ(RunVxshape("info --help").status, 0);
}

// Usage errors: one line naming the fault and where help is, status 2.
TEST(DocumentCommands, UsageErrorsAreOneLineWithStatusTwo) {
  struct Case {
    const char* args;
    const char* line;
  } cases[] = {
      {"", "vxshape: a command is needed (see vxshape --help)"},
      {"--bogus", "vxshape: unknown option '--bogus' (see vxshape --help)"},
      {"render d.vxd", "vxshape: render: OUT is required (see vxshape render --help)"},
      {"info d.vxd --bogus", "vxshape: info: unknown option '--bogus' (see vxshape info --help)"},
      {"info d.vxd extra", "vxshape: info: unexpected argument 'extra' (see vxshape info --help)"},
  };
  for (const Case& c : cases) {
    RunResult r = RunVxshape(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.err, std::string(c.line) + "\n") << c.args;
    EXPECT_EQ(r.out, "") << c.args;
  }
}

// A render cut short (here: killed at a file size limit) leaves the previous SVG as it was.
TEST(DocumentCommands, RenderReplacesTheTargetOnlyWhenComplete) {
  TempDir dir;
  const auto svg = dir / "d.svg";
  { std::ofstream(svg) << "previous"; }
  const std::string cmd = std::string("ulimit -f 1; '") + VXSHAPE_BIN + "' render '" + VX_SOURCE_DIR +
                          "/samples/sample-sheet.vxd' " + Q(svg) + " 2>/dev/null";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  std::ifstream in(svg);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "previous");
  ASSERT_EQ(RunVxshape("render '" + std::string(VX_SOURCE_DIR) + "/samples/sample-sheet.vxd' " + Q(svg)).status, 0);
  EXPECT_GT(std::filesystem::file_size(svg), 512u);
  EXPECT_FALSE(std::filesystem::exists(dir / "d.svg.tmp"));
}

}  // namespace
}  // namespace vx::test
