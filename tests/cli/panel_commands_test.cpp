// vxshape attrs / set / field / label / search on the shipped sample.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

class PanelCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = dir / "sample.vxd";
    std::filesystem::copy_file(std::filesystem::path(VX_SOURCE_DIR) / "samples/sample-sheet.vxd", doc);
  }
  RunResult Run(const std::string& args) { return RunVxshape(args.substr(0, args.find(' ')) + " " + Q(doc) + args.substr(args.find(' '))); }
  TempDir dir;
  std::filesystem::path doc;
};

TEST_F(PanelCommands, AttrsShowsRowsAndSetChangesTheSelectedArtOnly) {
  RunResult r = Run("attrs --select 建物:1 --select 道路 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = nlohmann::json::parse(r.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0]["field"], "NAME");
  EXPECT_EQ(rows[0]["value"], "(複数の属性値)");
  EXPECT_EQ(rows[1]["mixed"], true) << "the roads have no FLOORS";
  EXPECT_EQ(rows[2]["field"], "WIDTH");
  r = Run("attrs --select 建物:1 --json");
  EXPECT_EQ(nlohmann::json::parse(r.out)[1], nlohmann::json({{"field", "FLOORS"}, {"type", "整数"}, {"width", 4},
                                                              {"decimals", 0}, {"mixed", false}, {"value", "2"}}));

  r = Run("set --select 道路:0 3.14159 --field WIDTH");  // the value may stand between options
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("WIDTH\t実数\t8\t1\t3.1\n"), std::string::npos) << r.out;
  r = Run("attrs --select 道路:0");
  EXPECT_NE(r.out.find("WIDTH\t実数\t8\t1\t3.1\n"), std::string::npos) << r.out;
  r = Run("attrs --select 道路");
  EXPECT_NE(r.out.find("WIDTH\t実数\t8\t1\t(複数の属性値)\n"), std::string::npos) << "the other road kept its value";
}

TEST_F(PanelCommands, RefusalsEndWithTheAlertAndLeaveTheDocumentUnsaved) {
  const std::string before = Slurp(doc);
  struct Case {
    const char* args;
    const char* message;
  };
  const Case cases[] = {
      {"field --select 建物 --field FLOORS --width 11", "整数型の全桁数は1～10の間に設定してください"},
      {"field --select 道路 --field WIDTH --width 5 --decimals 4", "実数型の精度が不適切です"},
      {"field --select 道路 --field WIDTH --rename NAME", "指定されたフィールド名が重複しています"},
      {"field --select 建物 --new FLOORS", "指定されたフィールド名が重複しています"},
      {"search --field FLOORS --min 10 --max 5", "指定した数値範囲が正しくありません"},
      {"set --select 建物 --field NOSUCH 1", "no field is named NOSUCH"},
      {"set --select 公園 --field NAME 1", "the document has no layer \"公園\""},
      {"field --select 建物 --field FLOORS --rename ABCDEFGHIJK", "a field name has at most 10 characters"},
      {"label --select 地点 --field NAME --copy-attributes --select 建物:9", "layer \"建物\" has no art 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    RunResult r = Run(c.args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(doc), before) << "not saved";
  }
}

TEST_F(PanelCommands, FieldLabelAndSearchChangeAndSaveTheDocument) {
  RunResult r = Run("field --select 建物 --field FLOORS --type real --width 6 --decimals 1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("FLOORS\t実数\t6\t1\t"), std::string::npos) << r.out;
  r = Run("field --new MEMO --width 30");  // the current layer
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("field --select 道路 --field NAME --delete");
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunVxshape("info " + Q(doc) + " --json");
  const auto info = nlohmann::json::parse(r.out);
  std::map<std::string, nlohmann::json> layers;
  for (const auto& l : info["layers"]) layers[l["title"]] = l["fields"];
  EXPECT_EQ(layers["建物"][1], nlohmann::json({{"name", "FLOORS"}, {"type", "実数"}, {"width", 6}, {"decimals", 1}}));
  EXPECT_EQ(layers["地点"].back()["name"], "MEMO");
  ASSERT_EQ(layers["道路"].size(), 1u);
  EXPECT_EQ(layers["道路"][0]["name"], "WIDTH");

  r = Run("label --select 地点 --field NAME");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "3 labels made\n");
  r = RunVxshape("render " + Q(doc) + " " + Q(dir / "d.svg"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Slurp(dir / "d.svg").find(">日比谷<"), std::string::npos);

  r = Run("search --field FLOORS --min 2 --json");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto found = nlohmann::json::parse(r.out);
  ASSERT_FALSE(found.empty());
  for (const auto& f : found) {
    EXPECT_EQ(f["layer"], "建物");
    EXPECT_GE(std::atof(f["value"].get<std::string>().c_str()), 2.0);
  }
  // The selection is saved: attrs of the selection as it stands shows the field.
  EXPECT_NE(Slurp(doc).find("\"selected\""), std::string::npos);
}

}  // namespace
}  // namespace vx::test
