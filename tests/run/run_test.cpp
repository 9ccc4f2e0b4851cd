// Run scripts: parsing, playing against the plug-in, and `vxshape run` itself.
#include "host/application.h"
#include "shell/commands.h"
#include "shell/plugin.h"
#include "tests/support/host_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

using namespace vx::host;
using nlohmann::json;

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = shell::Commands();
    host = std::make_unique<StandInHost>();
    user = std::make_shared<ScriptedUser>();
    host->SetUser(user);
    host->NewDocument();
    app = std::make_unique<Application>(*host);
    ASSERT_EQ(app->Start(PluginMain, "/opt/vxshape/vxshape.aip"), kNoErr);
  }
  void TearDown() override {
    app->Quit();
    app.reset();
    host.reset();
    shell::Commands() = saved;
  }
  // Plays `script`; answers the failure ("" when it ran) and collects the printed lines.
  std::string Play(const char* script) {
    lines.clear();
    const auto actions = ParseScript(json::parse(script), "/scripts");
    return PlayScript(*app, *user, actions, [&](const std::string& l) { lines.push_back(l); });
  }
  bool Printed(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

  shell::CommandTable saved;
  std::unique_ptr<StandInHost> host;
  std::shared_ptr<ScriptedUser> user;
  std::unique_ptr<Application> app;
  std::vector<std::string> lines;
};

TEST(ParseScript, RejectsMalformedScriptsWithTheStepAndTheReason) {
  struct Case {
    const char* script;
    const char* reason;
  };
  const Case cases[] = {
      {R"({"actions": []})", "no \"steps\""},
      {R"({"steps": {"menu": "x"}})", "must be a list"},
      {R"([{"click": 1}])", "step 1: \"click\" answers what"},
      {R"([{"menu": "x"}, {"click": 1, "menu": "y"}])", "step 2: \"click\" and \"menu\" in one step"},
      {R"([{"menu": "x", "colour": 1}])", "step 1: unknown key \"colour\""},
      {R"([{"flyout": "1"}])", "step 1: \"flyout\" must be a whole number"},
      {R"([{"flyout": 1}, {"answer": "maybe"}])", "step 2: \"answer\" takes"},
      {R"([{"flyout": 1}, {"setText": 1001}])", "step 2: \"setText\" needs \"text\""},
      {R"([{"flyout": 1}, {"cancelAt": 0}])", "step 2: \"cancelAt\" counts from 1"},
      {R"([{"select": {"art": [0]}}])", "step 1: \"select\" takes"},
      {R"([{"text": "x"}])", "step 1: no action"},
      {R"([{"menu": "x", "text": "y"}])", "step 1: \"text\" does not go with \"menu\""},
      {R"([{"flyout": 1}, {"click": 1, "rows": [0]}])", "step 2: \"rows\" does not go with \"click\""},
      {R"([{"flyout": 1}, {"selectItem": 1081, "index": 0, "row": 2}])", "step 2: \"row\" does not go with"},
      {R"([{"menu": "x", "a\nb": 1}])", "step 1: unknown key \"a\\nb\""},
      {R"([3])", "step 1: each step is an object"},
      {R"([{"notify": "AI Bogus Notifier"}])", "step 1: the application sends no notification \"AI Bogus Notifier\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    try {
      ParseScript(json::parse(c.script), "");
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

TEST(ParseScript, GroupsUserStepsUnderTheirActionAndResolvesFilesFromTheScriptFolder) {
  const auto actions = ParseScript(json::parse(R"([
    {"flyout": 1},
    {"openFiles": ["a.shp", "/abs/b.shp"], "encoding": "UTF-8"},
    {"dialog": 108}, {"click": 1}, {"cancelAt": 2},
    {"menu": "m"}
  ])"),
                                   "/scripts");
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0].number, 1u);
  EXPECT_EQ(actions[0].cancelAt, 2);
  ASSERT_EQ(actions[0].userSteps.size(), 3u);
  const auto& open = actions[0].userSteps[0];
  EXPECT_EQ(open.files, (std::vector<std::filesystem::path>{"/scripts/a.shp", "/abs/b.shp"}));
  EXPECT_EQ(open.text, "UTF-8");
  EXPECT_EQ(actions[0].userSteps[1].id, 108);
  EXPECT_EQ(actions[1].number, 6u);
  EXPECT_TRUE(actions[1].userSteps.empty());
}

TEST_F(RunTest, AboutDialogAndFlyoutStatesWithAndWithoutALayer) {
  EXPECT_EQ(Play(R"([
    {"menu": "Varnox-Dirir4.5..."}, {"dialog": 107}, {"snapshot": true}, {"click": 1},
    {"flyoutStates": true},
    {"deleteLayer": "レイヤー 1"},
    {"flyoutStates": true}
  ])"),
            "");
  EXPECT_TRUE(Printed("  1062 static \"Version 4.5.1\""));
  EXPECT_TRUE(Printed("  1063 button \"Webサイトを開く\""));
  EXPECT_TRUE(Printed("closed dialog 107 \"Varnox-Dirir4.5について\" with 1"));
  const auto first = std::find(lines.begin(), lines.end(), "  5 シェープファイル書き出し... enabled");
  const auto second = std::find(lines.begin(), lines.end(), "  5 シェープファイル書き出し... disabled");
  EXPECT_NE(first, lines.end());
  EXPECT_NE(second, lines.end());
  EXPECT_LT(first, second);
  EXPECT_TRUE(Printed("  1 シェープファイル読み込み... enabled"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  1 シェープファイル読み込み... enabled"), 2);
}

TEST_F(RunTest, AStepThatCannotBePlayedEndsTheRunWithItsReason) {
  struct Case {
    const char* script;
    const char* reason;
  };
  const Case cases[] = {
      {R"([{"deleteLayer": "レイヤー 1"}, {"flyout": 5}])", "step 2 (flyout 5): flyout item 5 \"シェープファイル書き出し...\" is disabled"},
      {R"([{"flyout": 5}, {"dialog": 115}])", "step 2 (dialog 115) was not played after step 1 (flyout 5): the dialog it expects never opened"},
      {R"([{"menu": "Varnox-Dirir4.5..."}, {"dialog": 108}])", "opened but the script expects dialog 108"},
      {R"([{"menu": "Varnox-Dirir4.5..."}, {"dialog": 107}, {"click": 5}])", "cannot click 5: no such control"},
      {R"([{"menu": "Varnox-Dirir4.5..."}])", "opened but the script does not expect a dialog here"},
      {R"([{"flyout": 8}, {"answer": "yes"}])", "no question was asked"},
      {R"([{"menu": "Save"}])", "the plug-in has no menu entry \"Save\""},
      {R"([{"menu": "Varnox-Dirir4.5"}, {"flyout": 1}])", "step 2 (flyout 1): the panel is hidden"},
      {R"([{"select": {"layer": "レイヤー 1", "art": [0]}}])", "layer \"レイヤー 1\" has no art 0"},
      {R"([{"menu": "a\nb"}])", "step 1 (menu a\\nb): the plug-in has no menu entry \"a\\nb\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    TearDown();
    SetUp();
    const std::string failure = Play(c.script);
    EXPECT_NE(failure.find(c.reason), std::string::npos) << failure;
  }
}

// A person cannot select art on a locked or hidden layer, nor locked or hidden art itself.
TEST_F(RunTest, SelectingWhatAPersonCannotSelectIsRefused) {
  Document& d = *host->Doc();
  auto addPath = [&](LayerOpaque* l, std::uint32_t flags = 0) {
    ArtOpaque* a = d.NewNode(ArtType::Path);
    a->flags = flags;
    EXPECT_EQ(d.Place(a, PaintOrder::InsideOnBottom, l->group), kNoErr);
    return a;
  };
  LayerOpaque* open = d.layers[0];
  ArtOpaque* free = addPath(open);
  addPath(open, kArtLocked);
  addPath(open, kArtHidden);
  LayerOpaque* locked = d.NewLayer("locked");
  LayerOpaque* hidden = d.NewLayer("hidden");
  LayerOpaque* inner = d.NewLayer("inner");
  d.layers.push_back(locked);
  d.layers.push_back(hidden);
  locked->editable = false;
  hidden->visible = false;
  ASSERT_EQ(d.Place(inner->group, PaintOrder::InsideOnBottom, locked->group), kNoErr);
  for (LayerOpaque* l : {locked, hidden, inner}) addPath(l);

  struct Case {
    const char* script;
    const char* reason;
  };
  const Case cases[] = {
      {R"([{"select": {"layer": "locked", "art": [0]}}])", "cannot select art of layer \"locked\": layer \"locked\" is locked"},
      {R"([{"select": {"layer": "hidden"}}])", "cannot select art of layer \"hidden\": layer \"hidden\" is hidden"},
      {R"([{"select": {"layer": "inner"}}])", "its parent layer \"locked\" is locked"},
      {R"([{"select": {"layer": "レイヤー 1", "art": [0, 1]}}])", "cannot select art 1 of layer \"レイヤー 1\": it is locked"},
      {R"([{"select": {"layer": "レイヤー 1", "art": [2]}}])", "cannot select art 2 of layer \"レイヤー 1\": it is hidden"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_NE(Play(c.script).find(c.reason), std::string::npos);
    EXPECT_FALSE(free->flags & kArtSelected) << "a refused step selects nothing";
  }
  // "All" is what a person gets with Select All: the art that can be selected.
  ASSERT_EQ(Play(R"([{"select": {"layer": "レイヤー 1", "art": "all"}}])"), "");
  std::vector<bool> selected;
  for (ArtOpaque* a = open->group->firstChild; a; a = a->next) selected.push_back(a->flags & kArtSelected);
  EXPECT_EQ(selected, (std::vector<bool>{true, false, false}));
}

// `vxshape run` shuts the plug-in down at the end whatever happened: a step failed, saving failed.
TEST_F(RunTest, ASessionAlwaysShutsThePluginDown) {
  for (const bool stepFails : {false, true}) {
    SCOPED_TRACE(stepFails);
    TearDown();
    SetUp();
    bool wasSaved = false;
    const auto actions = ParseScript(json::parse(stepFails ? R"([{"menu": "Save"}])" : R"([{"flyoutStates": true}])"), "");
    const SessionResult r = PlaySession(*app, *user, actions, [](const std::string&) {}, [&] {
      wasSaved = true;
      return std::string("cannot write d.vxd.tmp: No space left on device");
    });
    EXPECT_EQ(wasSaved, !stepFails) << "nothing is saved after a failed step";
    EXPECT_EQ(r.scriptFailure.empty(), !stepFails);
    EXPECT_EQ(r.saveFailure.empty(), stepFails);
    EXPECT_EQ(host->Plugin()->globals, nullptr) << "the plug-in was shut down";
    EXPECT_EQ(app->Panel(), nullptr) << "the application shut-down notification destroyed the panel";
  }
}

std::vector<std::int64_t> cancelledAt;

Err PollingImport(PluginRef) {
  for (std::int64_t i = 1; i <= 10; ++i)
    if (sUser()->Cancelled()) {
      cancelledAt.push_back(i);
      return kStop;
    }
  cancelledAt.push_back(0);
  return kNoErr;
}

TEST_F(RunTest, CancelAtCountsThePollsOfItsOwnStep) {
  cancelledAt.clear();
  shell::Commands().importShapefiles = PollingImport;
  EXPECT_EQ(Play(R"([{"flyout": 1}, {"flyout": 1}, {"cancelAt": 3}, {"flyout": 1}])"), "");
  EXPECT_EQ(cancelledAt, (std::vector<std::int64_t>{0, 3, 0}));
  EXPECT_TRUE(host->Alerts().empty()) << "a cancelled import is quiet";
  EXPECT_TRUE(Printed("cancel at poll 3"));

  cancelledAt.clear();
  EXPECT_EQ(Play(R"([{"flyout": 1}, {"cancelAt": 11}])"),
            "step 2 (cancelAt 11) was not played after step 1 (flyout 1): the command made only 10 cancel polls");
  EXPECT_EQ(cancelledAt, (std::vector<std::int64_t>{0}));
}

// ----- undo and redo

std::string ReadFile(const std::filesystem::path& p);

// The document as saved, without the selection (which is no change of the work).
std::string Saved(StandInHost& h) {
  TempDir dir;
  std::string error;
  Document& d = *h.Doc();
  std::vector<ArtOpaque*> selected;
  for (ArtOpaque& a : d.artArena)
    if (a.flags & kArtSelected) selected.push_back(&a), a.flags &= ~kArtSelected;
  EXPECT_TRUE(WriteDocument(d, dir / "d.vxd", error)) << error;
  for (ArtOpaque* a : selected) a->flags |= kArtSelected;
  return ReadFile(dir / "d.vxd");
}

// Every command that changes the document is one step; undo puts back the document as it was,
// redo as it was after: an import, a value edit, a delete, a new layer and a deleted layer.
TEST_F(RunTest, UndoAndRedoPutBackEachCommandWhole) {
  const std::string stations = std::string(VX_SOURCE_DIR) + "/samples/stations.shp";
  std::vector<std::string> states{Saved(*host)};
  auto play = [&](const std::string& script) {
    ASSERT_EQ(Play(script.c_str()), "");
    states.push_back(Saved(*host));
    ASSERT_NE(states.back(), states[states.size() - 2]) << script;
  };
  play(R"([{"flyout": 1}, {"openFiles": [")" + stations +
       R"("]}, {"dialog": 108}, {"click": 1126}, {"selectItem": 1115, "index": 9}, {"click": 1}])");
  std::string layer;
  for (LayerOpaque* l : host->Doc()->PreorderLayers())
    if (l->title.find("stations") != std::string::npos) layer = l->title;
  ASSERT_FALSE(layer.empty());
  play(R"([{"select": {"layer": ")" + layer + R"(", "art": [0]}}, {"panelDoubleClick": 0},
           {"dialog": 113}, {"setText": 1130, "text": "有楽町"}, {"click": 1}])");
  ASSERT_NE(states.back().find("有楽町"), std::string::npos);
  play(R"([{"select": {"layer": ")" + layer + R"(", "art": [1, 2]}}, {"delete": true}])");
  play(R"([{"newLayer": "道路"}])");
  play(R"([{"deleteLayer": ")" + layer + R"("}])");

  std::string error;
  ASSERT_TRUE(host->SaveDocument(TempDir() / "saved.vxd", error)) << error;
  EXPECT_FALSE(app->Unsaved());
  for (std::size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(app->CanUndo());
    ASSERT_EQ(Play(R"([{"undo": true}])"), "");
    EXPECT_EQ(Saved(*host), states[i]) << "undo to state " << i;
    EXPECT_TRUE(app->Unsaved()) << "undo after a save is a change";
  }
  EXPECT_NE(Play(R"([{"undo": true}])").find("there is nothing to undo"), std::string::npos);
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_EQ(Play(R"([{"redo": true}])"), "");
    EXPECT_EQ(Saved(*host), states[i]) << "redo to state " << i;
  }
  EXPECT_FALSE(app->Unsaved()) << "back at the saved revision";
  EXPECT_NE(Play(R"([{"redo": true}])").find("there is nothing to redo"), std::string::npos);

  // A new command after undo drops what could be redone.
  ASSERT_EQ(Play(R"([{"undo": true}, {"undo": true}, {"newLayer": "x"}])"), "");
  EXPECT_FALSE(app->CanRedo());
  EXPECT_NE(Play(R"([{"redo": true}])").find("there is nothing to redo"), std::string::npos);
}

Err AddPathThenPoll(PluginRef) {
  LayerHandle layer = nullptr;
  ArtHandle group = nullptr, art = nullptr;
  if (Err e = sLayer()->GetCurrentLayer(layer)) return e;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
  if (Err e = sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, group, art)) return e;
  const PathSegment s{{1, 2}, {1, 2}, {1, 2}, false};
  if (Err e = sPath()->SetPathSegments(art, 1, &s)) return e;
  return sUser()->Cancelled() ? kStop : kNoErr;
}

// A command cancelled half-way keeps what it did (the plug-in keeps what it read), as one step
// that one undo takes away whole; at least 50 steps are kept, and no more than the journal's bound.
TEST_F(RunTest, ACancelledCommandIsOneStepAndStepsAreBounded) {
  shell::Commands().importShapefiles = AddPathThenPoll;
  const std::string before = Saved(*host);
  const std::uint64_t revision = app->Revision();
  ASSERT_EQ(Play(R"([{"flyout": 1}, {"cancelAt": 1}])"), "");
  EXPECT_NE(Saved(*host), before);
  ASSERT_EQ(Play(R"([{"undo": true}])"), "");
  EXPECT_EQ(Saved(*host), before);
  EXPECT_EQ(app->Revision(), revision);
  EXPECT_FALSE(app->CanUndo());
  ASSERT_EQ(Play(R"([{"redo": true}])"), "");

  for (std::size_t i = 0; i < Journal::kMostSteps + 10; ++i) ASSERT_EQ(Play(R"([{"flyout": 1}])"), "");
  EXPECT_EQ(host->Doc()->journal.UndoCount(), Journal::kMostSteps);
  std::size_t undone = 0;
  while (app->CanUndo() && undone <= Journal::kMostSteps) {
    ASSERT_EQ(app->Undo(), "");
    ++undone;
  }
  EXPECT_EQ(undone, Journal::kMostSteps);
  std::size_t paths = 0;
  for (ArtOpaque* a = host->Doc()->layers.front()->group->firstChild; a; a = a->next) ++paths;
  EXPECT_EQ(paths, 11u) << "the oldest steps are forgotten, not undone";
}

// ----- the program

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Vxshape(const TempDir& dir, const std::string& args) {
  const std::string exe = std::string(VX_BINARY_DIR) + "/cli/vxshape";
  const std::string cmd = "'" + exe + "' " + args + " --preferences '" + (dir / "prefs.json").string() + "' >'" +
                          (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() + "'";
  const int rc = std::system(cmd.c_str());
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
}

TEST(VxshapeRun, PlaysTheScriptSavesTheDocumentAndFailsWithOneLine) {
  TempDir dir;
  const auto doc = dir / "sheet.json";
  ASSERT_EQ(std::system(("'" + std::string(VX_BINARY_DIR) + "/cli/vxshape' new '" + doc.string() + "'").c_str()), 0);
  {
    std::ofstream(dir / "ok.json") << R"({"steps": [
      {"menu": "Varnox-Dirir4.5..."}, {"dialog": 107}, {"snapshot": true}, {"click": 1},
      {"newLayer": "道路"},
      {"flyoutStates": true}
    ]})";
    std::ofstream(dir / "bad.json") << R"([{"deleteLayer": "道路"}, {"deleteLayer": "レイヤー 1"}, {"flyout": 8}])";
  }
  const std::string cd = "'" + doc.string() + "' '";
  Outcome ok = Vxshape(dir, "run " + cd + (dir / "ok.json").string() + "'");
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_NE(ok.out.find("  1062 static \"Version 4.5.1\"\n"), std::string::npos) << ok.out;
  EXPECT_NE(ok.out.find("  8 4点座標マーカーレイヤー作成 enabled\n"), std::string::npos) << ok.out;
  EXPECT_NE(ReadFile(doc).find("道路"), std::string::npos) << "the document was saved";

  const std::string before = ReadFile(doc);
  Outcome bad = Vxshape(dir, "run " + cd + (dir / "bad.json").string() + "'");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
  EXPECT_EQ(bad.err.rfind("vxshape: step 3 (flyout 8): flyout item 8", 0), 0u) << bad.err;
  EXPECT_EQ(ReadFile(doc), before) << "a failed run leaves the document alone";

  Outcome missing = Vxshape(dir, "run " + cd + (dir / "none.json").string() + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read the script"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vx::test
