// vxshape new / info / render, and how the program fails.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <iterator>

namespace vx::test {
namespace {

// A straight open path through `points` (h, v in points) on top of `layer`.
host::ArtOpaque* AddLine(host::Document& d, host::LayerOpaque* layer, std::vector<host::RealPoint> points) {
  host::ArtOpaque* a = d.NewNode(host::ArtType::Path);
  for (const host::RealPoint& p : points) a->segments.push_back({p, p, p, true});
  host::PathStyle style = a->style;
  style.strokePaint = true;
  a->style = style;
  EXPECT_EQ(d.Place(a, host::PaintOrder::InsideOnTop, layer->group), host::kNoErr);
  return a;
}

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

// An existing file is never replaced by an empty document without --force: not a document, not
// a file of another kind, not a link.
TEST(DocumentCommands, NewRefusesAnExistingFileUnlessForced) {
  TempDir dir;
  const auto doc = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc) + " --size 842x595").status, 0);
  { std::ofstream(dir / "notes.txt") << "keep me"; }
  std::filesystem::create_symlink(dir / "nowhere.vxd", dir / "link.vxd");
  auto bytes = [](const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  for (const auto& target : {doc, dir / "notes.txt", dir / "link.vxd"}) {
    SCOPED_TRACE(target);
    const std::string before = bytes(target);
    RunResult r = RunVxshape("new " + Q(target));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vxshape: " + target.string() + " already exists; give --force to replace it with a new document\n");
    EXPECT_EQ(bytes(target), before);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.vxd")) << "nothing written through the link";

  ASSERT_EQ(RunVxshape("new " + Q(doc) + " --size 100x200 --force").status, 0);
  RunResult info = RunVxshape("info " + Q(doc) + " --json");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(nlohmann::json::parse(info.out)["bounds"], nlohmann::json({0.0, 200.0, 100.0, 0.0}));
}

TEST(DocumentCommands, RenderDrawsVisibleArtNorthUpAndLeavesOutWhatIsHidden) {
  TempDir dir;
  const auto doc = dir / "d.vxd";
  {
    host::StandInHost h;
    h.NewDocument(600, 800);
    host::Document& d = *h.Doc();
    host::LayerOpaque* shown = d.layers[0];
    shown->title = "shown layer";
    // North-west, north-east, south-west corners of an L.
    AddLine(d, shown, {{100, 700}, {500, 700}, {100, 100}});
    AddLine(d, shown, {{333, 444}, {335, 446}})->flags |= host::kArtHidden;
    host::LayerOpaque* hidden = d.NewLayer("hidden layer");
    hidden->visible = false;
    d.layers.push_back(hidden);
    AddLine(d, hidden, {{222, 555}, {224, 557}});
    std::string error;
    ASSERT_TRUE(h.SaveDocument(doc, error)) << error;
  }
  RunResult r = RunVxshape("render " + Q(doc) + " " + Q(dir / "d.svg"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = Slurp(dir / "d.svg");

  EXPECT_EQ(svg.find("hidden layer"), std::string::npos) << svg;
  EXPECT_EQ(svg.find("222"), std::string::npos) << "art of a hidden layer\n" << svg;
  EXPECT_EQ(svg.find("333"), std::string::npos) << "hidden art\n" << svg;
  EXPECT_NE(svg.find("shown layer"), std::string::npos) << svg;

  // Where each vertex lands in the picture, measured from its top left corner.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(viewBox="(\S+) (\S+) (\S+) (\S+)")re"))) << svg;
  const double left = std::stod(m[1]), top = std::stod(m[2]);
  EXPECT_EQ(std::stod(m[3]), 600);
  EXPECT_EQ(std::stod(m[4]), 800);
  ASSERT_TRUE(std::regex_search(svg, m, std::regex(R"re(<path d="([^"]*)")re"))) << svg;
  const std::string path = m[1];
  std::vector<std::pair<double, double>> drawn;
  const std::regex pair(R"((-?[0-9.]+),(-?[0-9.]+))");
  for (auto it = std::sregex_iterator(path.begin(), path.end(), pair); it != std::sregex_iterator(); ++it)
    drawn.emplace_back(std::stod((*it)[1]) - left, std::stod((*it)[2]) - top);
  const std::vector<std::pair<double, double>> expected{{100, 100}, {500, 100}, {100, 700}};
  EXPECT_EQ(drawn, expected) << "north up, east to the right: " << path;
  EXPECT_EQ(svg.find("<path", svg.find("<path") + 1), std::string::npos) << "one visible path only\n" << svg;
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
  ASSERT_EQ(RunVxshape("new " + Q(dir / "good.vxd")).status, 0);
  struct Case {
    const char* why;
    std::string args;
  } cases[] = {
      {"damaged document", "info " + Q(dir / "bad.vxd")},
      {"missing document", "render " + Q(dir / "none.vxd") + " " + Q(dir / "x.svg")},
      {"unknown command", "frobnicate"},
      {"bad size", "new " + Q(dir / "n.vxd") + " --size 10"},
      {"unwritable target", "render " + Q(dir / "good.vxd") + " " + Q(dir / "no" / "x.svg")},
  };
  for (const Case& c : cases) {
    RunResult r = RunVxshape(c.args);
    EXPECT_NE(r.status, 0) << c.why;
    ASSERT_FALSE(r.err.empty()) << c.why;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.why << ": " << r.err;
    EXPECT_EQ(r.err.rfind("vxshape: ", 0), 0u) << c.why << ": " << r.err;
  }
  // The document loads; only the target cannot be written.
  RunResult unwritable = RunVxshape("render " + Q(dir / "good.vxd") + " " + Q(dir / "no" / "x.svg"));
  EXPECT_NE(unwritable.err.find("x.svg"), std::string::npos) << unwritable.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "no")) << "nothing is made on the way";
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
}

}  // namespace
}  // namespace vx::test
