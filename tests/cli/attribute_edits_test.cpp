// Attribute edits through set / field / search / label / run on small sheets written here: values
// are never lost or changed behind the user's back.
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <set>

namespace vx::test {
namespace {

using nlohmann::json;

struct F {
  const char* name;
  int type;  // 0 text, 1 integer, 2 real
  int width;
  int decimals;
  const char* value;
};

// Writes a sheet by hand: layers of paths, compound paths, groups and sublayers with attribute lists.
class Sheet {
 public:
  json Path(std::initializer_list<F> fields, double x = 0) {
    json p{{"kind", "path"}, {"points", {x, 0, x + 10, 0, x + 10, 10}}, {"closed", true}};
    if (fields.size()) p["dict"] = List(fields);
    return p;
  }
  // kind "compound" or "group".
  json Holder(const char* kind, std::initializer_list<F> fields, json children) {
    json g{{"kind", kind}, {"children", std::move(children)}};
    if (fields.size()) g["dict"] = List(fields);
    return g;
  }
  json Layer(const char* title, std::initializer_list<F> definitions, json children, bool visible = true,
             bool editable = true) {
    json group{{"kind", "group"}, {"children", std::move(children)}};
    group["dict"] = List(definitions);
    return {{"title", title}, {"visible", visible}, {"editable", editable}, {"group", group}};
  }
  static json Sublayer(json layer) { return {{"kind", "layer"}, {"layer", std::move(layer)}}; }

  void Write(const std::filesystem::path& file, json layers) const {
    json doc{{"format", "vxshape-document"}, {"version", 1},           {"layers", std::move(layers)},
             {"arrays", arrays_},            {"dictionaries", dicts_}};
    std::ofstream(file, std::ios::binary) << doc.dump();
  }

 private:
  int List(std::initializer_list<F> fields) {
    json list = json::array();
    for (const F& f : fields) {
      arrays_.push_back(json::array({{{"string", f.name}}, {{"int", f.type}}, {{"int", f.width}},
                                     {{"int", f.decimals}}, {{"string", f.value}}}));
      list.push_back({{"array", arrays_.size() - 1}});
    }
    arrays_.push_back(list);
    dicts_.push_back({{"Varnox-ShapeField", {{"array", arrays_.size() - 1}}}});
    return static_cast<int>(dicts_.size() - 1);
  }
  json arrays_ = json::array();
  json dicts_ = json::array();
};

class AttributeEdits : public ::testing::Test {
 protected:
  RunResult Run(const std::string& command, const std::string& args) {
    return RunVxshape(command + " " + Q(doc) + " " + args);
  }
  // The panel's rows for a selection: field → value ("(複数の属性値)" when the objects differ).
  std::map<std::string, std::string> Rows(const std::string& select) {
    const RunResult r = Run("attrs", "--select " + select + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> rows;
    if (r.status == 0)
      for (const json& row : json::parse(r.out)) rows[row["field"]] = row["value"];
    return rows;
  }
  std::string Value(const std::string& select, const std::string& field) { return Rows(select)[field]; }

  TempDir dir;
  std::filesystem::path doc = dir / "sheet.vxd";
};

TEST_F(AttributeEdits, UnchangedDefinitionAndWideIntegersKeepTheirValues) {
  Sheet s;
  s.Write(doc, {s.Layer("L", {{"N", 1, 10, 0, ""}, {"B", 1, 18, 0, ""}},
                        {s.Path({{"N", 1, 10, 0, "3000000000"}, {"B", 1, 18, 0, "123456789012345678"}}),
                         s.Path({{"N", 1, 10, 0, "-2500000000"}}, 20)})});
  // OK on the definition dialog as it stands.
  RunResult r = Run("field", "--select L:0 --field N");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Value("L:0", "N"), "3000000000");
  EXPECT_EQ(Value("L:1", "N"), "-2500000000") << "an unselected object";

  r = Run("field", "--select L:0 --field B --rename BIG");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Value("L:0", "BIG"), "123456789012345678");

  r = Run("set", "--select L:1 --field N 9999999999");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Value("L:1", "N"), "9999999999");
}

TEST_F(AttributeEdits, TextToNumberAsksWithTheCountAndEmptiesWhatIsNoNumber) {
  Sheet s;
  s.Write(doc, {s.Layer("L", {{"T", 0, 10, 0, ""}},
                        {s.Path({{"T", 0, 10, 0, "12"}}), s.Path({{"T", 0, 10, 0, "abc"}}, 20),
                         s.Path({{"T", 0, 10, 0, "7x"}}, 40), s.Path({{"T", 0, 10, 0, ""}}, 60)})});
  const std::string before = Slurp(doc);
  RunResult r = Run("field", "--select L:0 --field T --type integer --width 5");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("このフィールドの定義を変更すると、2個の属性値が変わります（そのうち1個は数値として読めないため空になります）。"
                       "よろしいですか？"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Slurp(doc), before) << "No leaves everything as it was";

  r = Run("field", "--select L:0 --field T --type integer --width 5 --yes");
  ASSERT_EQ(r.status, 0) << r.err;
  const char* after[] = {"12", "", "7", ""};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Value("L:" + std::to_string(i), "T"), after[i]) << i;
}

TEST_F(AttributeEdits, FieldCommandsLeaveSublayersAlone) {
  for (const char* change : {"--rename Title", "--delete"}) {
    SCOPED_TRACE(change);
    Sheet s;
    s.Write(doc, {s.Layer("P", {{"Name", 0, 10, 0, ""}},
                          {s.Path({{"Name", 0, 10, 0, "p"}}),
                           Sheet::Sublayer(s.Layer("S", {{"Name", 0, 10, 0, ""}}, {s.Path({{"Name", 0, 10, 0, "s"}})}))})});
    RunResult r = Run("field", std::string("--select P:0 --field Name ") + change);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Rows("S:0"), (std::map<std::string, std::string>{{"Name", "s"}}));
    EXPECT_EQ(Rows("P:0").count("Name"), 0u);
  }
}

TEST_F(AttributeEdits, OkOnAMixedRowWithoutTypingKeepsTheValues) {
  Sheet s;
  s.Write(doc, {s.Layer("L", {{"V", 1, 10, 0, ""}},
                        {s.Path({{"V", 1, 10, 0, "40000"}}), s.Path({{"V", 1, 10, 0, "180000"}}, 20),
                         s.Path({{"V", 1, 10, 0, "250000"}}, 40)})});
  std::ofstream(dir / "ok.json") << R"([{"select": {"layer": "L"}}, {"panelDoubleClick": 0}, {"dialog": 113}, {"click": 1}])";
  const RunResult r = RunVxshape("run " + Q(doc) + " " + Q(dir / "ok.json"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Value("L:0", "V"), "40000");
  EXPECT_EQ(Value("L:1", "V"), "180000");
  EXPECT_EQ(Value("L:2", "V"), "250000");
}

TEST_F(AttributeEdits, ValuesThatDoNotFitAreRefusedOrWidenTheField) {
  Sheet s;
  s.Write(doc, {s.Layer("L", {{"T", 0, 10, 0, ""}, {"I", 1, 2, 0, ""}, {"R", 2, 6, 1, ""}},
                        {s.Path({{"I", 1, 2, 0, "12"}}), s.Path({}, 20)})});
  const std::string before = Slurp(doc);
  struct Case {
    const char* args;
    const char* alert;
  };
  const Case refused[] = {
      {"--field T ABCDEFGHIJKLMNOP", "この属性値は全桁数10に収まりません（16桁必要です）。全桁数を16に広げますか？"},
      {"--field T 東京都千代田区", "この属性値は全桁数10に収まりません（14桁必要です）"},
      {"--field I -123", "この属性値は全桁数2に収まりません（4桁必要です）。全桁数を4に広げますか？"},
      {"--field I 123456789012", "この属性値は全桁数2に収まりません（12桁必要です）; "},  // past 10: no widening
      {"--field R 1e300", "この属性値は全桁数6に収まりません（303桁必要です）; "},
      {"--field I abc", "数値を入力してください"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.args);
    const RunResult r = Run("set", std::string("--select L:0 ") + c.args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.alert), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(doc), before);
  }

  RunResult r = Run("set", "--select L:0 --field T ABCDEFGHIJKLMNOP --yes");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("set", "--select L:0 --field I 123456 --yes");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Run("set", "--select L:1 --field R \"\"");  // no value: stays empty, never 0
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunVxshape("info " + Q(doc) + " --json");
  const json fields = json::parse(r.out)["layers"][0]["fields"];
  EXPECT_EQ(fields[0]["width"], 16);
  EXPECT_EQ(fields[1]["width"], 6);
  EXPECT_EQ(Value("L:0", "T"), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(Value("L:0", "I"), "123456");
  EXPECT_EQ(Value("L:1", "R"), "");
}

TEST_F(AttributeEdits, NumericSearchComparesOnlyFiniteNumbers) {
  Sheet s;
  json paths = json::array();
  double x = 0;
  for (const char* v : {"5", "", "abc", "nan", "12", "-3", "inf", "4km"}) paths.push_back(s.Path({{"V", 0, 10, 0, v}}, x += 20));
  s.Write(doc, {s.Layer("L", {{"V", 0, 10, 0, ""}}, paths)});
  struct Case {
    const char* range;
    std::multiset<std::string> found;
  };
  const Case cases[] = {
      {"--min 0", {"5", "12"}},
      {"--max 100", {"5", "12", "-3"}},
      {"--min -10 --max 10", {"5", "-3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    const RunResult r = Run("search", std::string("--field V --json ") + c.range);
    ASSERT_EQ(r.status, 0) << r.err;
    std::multiset<std::string> found;
    for (const json& f : json::parse(r.out)) found.insert(f["value"].get<std::string>());
    EXPECT_EQ(found, c.found);
  }
  const RunResult r = Run("search", "--field V --min nan");
  EXPECT_NE(r.err.find("検索する数値範囲を設定してください"), std::string::npos) << r.err;
}

TEST_F(AttributeEdits, SearchSelectsOnlyWhereEveryEnclosingLayerIsOpen) {
  struct Case {
    bool parentVisible, parentEditable, subVisible;
    std::size_t found;
  };
  const Case cases[] = {
      {true, true, true, 2}, {false, true, true, 0}, {true, false, true, 0}, {true, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.parentVisible << c.parentEditable << c.subVisible);
    Sheet s;
    s.Write(doc, {s.Layer("P", {{"V", 1, 4, 0, ""}},
                          {s.Path({{"V", 1, 4, 0, "1"}}),
                           Sheet::Sublayer(s.Layer("S", {{"V", 1, 4, 0, ""}}, {s.Path({{"V", 1, 4, 0, "1"}})},
                                                   c.subVisible))},
                          c.parentVisible, c.parentEditable)});
    const RunResult r = Run("search", "--field V --min 1 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out).size(), c.found) << r.out;
  }
}

TEST_F(AttributeEdits, OneLabelForEachSelectedTopLevelObject) {
  Sheet s;
  const F name{"Name", 0, 10, 0, ""};
  s.Write(doc, {s.Layer("L", {name},
                        {s.Holder("compound", {{"Name", 0, 10, 0, "A"}},
                                  {s.Path({{"Name", 0, 10, 0, "A"}}), s.Path({{"Name", 0, 10, 0, "A"}}, 2)}),
                         s.Holder("group", {{"Name", 0, 10, 0, "G"}},
                                  {s.Path({{"Name", 0, 10, 0, "g1"}}, 20), s.Path({{"Name", 0, 10, 0, "g2"}}, 30)}),
                         // A group without the value: its members stand for themselves.
                         s.Holder("group", {}, {s.Path({{"Name", 0, 10, 0, "x"}}, 40), s.Path({{"Name", 0, 10, 0, "y"}}, 50)}),
                         s.Path({{"Name", 0, 10, 0, "P"}}, 60)})});
  const RunResult r = Run("label", "--select L --field Name");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "5 labels made\n");
  const std::string svgFile = (dir / "l.svg").string();
  ASSERT_EQ(RunVxshape("render " + Q(doc) + " " + Q(svgFile)).status, 0);
  const std::string svg = Slurp(svgFile);
  for (const char* label : {">A<", ">G<", ">x<", ">y<", ">P<"}) EXPECT_NE(svg.find(label), std::string::npos) << label;
  EXPECT_EQ(svg.find(">g1<"), std::string::npos);
}

}  // namespace
}  // namespace vx::test
