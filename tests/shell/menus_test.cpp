// Host menu entries, the About dialog, the flyout menu and its commands, and the notifications.
#include "tests/shell/shell_fixture.h"

#include <algorithm>

namespace vx::test {
namespace {

using namespace vx::host;
using Kind = ScriptedUser::Step::Kind;

class MenusTest : public ShellFixture {};

std::vector<std::string> ItemsOfGroup(const StandInHost& h, const std::string& group) {
  std::vector<std::string> out;
  for (const auto& m : h.menuItems)
    if (m.group == group) out.push_back(m.text);
  return out;
}

TEST_F(MenusTest, AboutSubmenuIsMadeOnceAndSharedWithTheFamily) {
  for (bool siblingFirst : {false, true}) {
    SCOPED_TRACE(siblingFirst ? "a sibling plug-in made the submenu" : "first of the family");
    TearDown();
    SetUp();
    PluginOpaque sibling;
    if (siblingFirst) {
      host->FillSlots();
      MenuItemHandle item = nullptr, entry = nullptr;
      MenuGroupHandle group = nullptr;
      ASSERT_EQ(sMenu()->AddMenuItem(&sibling, "", "About", "Varnoxについて...", 0, item), kNoErr);
      ASSERT_EQ(sMenu()->AddMenuGroupAsSubMenu("AboutVarnoxName", item, group), kNoErr);
      ASSERT_EQ(sMenu()->AddMenuItem(&sibling, "", "AboutVarnoxName", "Varnox-Sibling...", 0, entry), kNoErr);
      StandInHost::ClearSlots();
    }
    ASSERT_EQ(Start(), kNoErr);
    EXPECT_EQ(ItemsOfGroup(*host, "About"), std::vector<std::string>{"Varnoxについて..."});
    EXPECT_EQ(std::count_if(host->menuGroups.begin(), host->menuGroups.end(),
                            [](const MenuGroupOpaque& g) { return g.name == "AboutVarnoxName"; }),
              1);
    std::vector<std::string> expected{"Varnox-Dirir4.5..."};
    if (siblingFirst) expected.insert(expected.begin(), "Varnox-Sibling...");
    EXPECT_EQ(ItemsOfGroup(*host, "AboutVarnoxName"), expected);
    MenuItemOpaque* palette = MenuItem("Varnox-Dirir4.5");
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->group, "Tool Palettes");
    EXPECT_EQ(palette->keyName, "Varnox-Dirir4.5");
    EXPECT_TRUE(palette->options & kMenuWantsUpdate);
    EXPECT_EQ(MenuItem("Varnox-Dirir4.5...")->keyName, "");
    EXPECT_EQ(Object()->AboutMenuItem(), MenuItem("Varnox-Dirir4.5..."));
  }
}

TEST_F(MenusTest, AboutDialogShowsItsTextsOpensTheWebSiteAndClosesWithOk) {
  ASSERT_EQ(Start(), kNoErr);
  user->Push(UserStep(Kind::Dialog, 107));
  user->Push(UserStep(Kind::Snapshot));
  user->Push(UserStep(Kind::Click, 1063));
  user->Push(UserStep(Kind::Snapshot));  // still open after the web button
  user->Push(UserStep(Kind::Click, 1));
  EXPECT_EQ(app->ChooseMenu("Varnox-Dirir4.5..."), "");
  EXPECT_FALSE(user->Failure()) << *user->Failure();
  EXPECT_FALSE(user->StepsLeft());
  const auto& t = user->Transcript();
  EXPECT_EQ(std::count(t.begin(), t.end(), "  1062 static \"Version 4.5.1\""), 2);
  EXPECT_NE(std::find(t.begin(), t.end(), "  1063 button \"Webサイトを開く\""), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "closed dialog 107 \"Varnox-Dirir4.5について\" with 1"), t.end());
  ASSERT_EQ(user->OpenedUrls().size(), 1u);
  EXPECT_EQ(user->OpenedUrls()[0].rfind("https://", 0), 0u);
  EXPECT_TRUE(host->Alerts().empty());
}

TEST_F(MenusTest, AboutDoesNothingWhenThePluginModuleCannotBeFound) {
  ASSERT_EQ(app->Start(PluginMain, ""), kNoErr);
  EXPECT_EQ(app->ChooseMenu("Varnox-Dirir4.5..."), "");
  EXPECT_FALSE(DialogOpened());
  EXPECT_FALSE(user->Failure());
}

TEST_F(MenusTest, PanelEntryTogglesThePanelAndItsCheckMarkFollows) {
  ASSERT_EQ(Start(), kNoErr);
  MenuItemOpaque* entry = MenuItem("Varnox-Dirir4.5");
  ASSERT_NE(entry, nullptr);
  PanelOpaque* panel = app->Panel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(host->MenuUpdate(entry), kNoErr);
  EXPECT_TRUE(panel->shown) << "the panel is created shown";
  EXPECT_TRUE(entry->checked);
  for (bool shownAfter : {false, true, false}) {
    EXPECT_EQ(app->ChooseMenu("Varnox-Dirir4.5"), "");  // sends the update first, then the command
    EXPECT_EQ(panel->shown, shownAfter);
    EXPECT_EQ(host->MenuUpdate(entry), kNoErr);
    EXPECT_EQ(entry->checked, shownAfter);
  }
  // The host refusing to show the panel is not a failure of the menu command.
  panel->alive = false;
  EXPECT_EQ(host->MenuGo(entry), kNoErr);
}

std::vector<bool> Enabled(const std::vector<FlyoutItemState>& items) {
  std::vector<bool> out;
  for (const auto& s : items)
    if (!s.separator) out.push_back(s.enabled);
  return out;
}

TEST_F(MenusTest, FlyoutItemsNeedingALayerFollowTheDocument) {
  ASSERT_EQ(Start(), kNoErr);
  std::string error;
  const auto items = app->FlyoutStates(error);
  ASSERT_EQ(error, "");
  // The menu as built: ids 1 to 11 with three separators, in order.
  std::vector<std::int32_t> ids;
  for (const auto& s : items) ids.push_back(s.id);
  EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_TRUE(items[3].separator && items[6].separator && items[9].separator);
  EXPECT_EQ(items[0].text, "シェープファイル読み込み...");
  EXPECT_EQ(items[10].text, "以前の形式の属性データをアップグレード");

  const std::vector<bool> all(8, true);
  const std::vector<bool> importsOnly{true, true, true, false, false, false, false, false};
  EXPECT_EQ(Enabled(items), all);
  EXPECT_EQ(app->DeleteLayer("レイヤー 1"), "");
  EXPECT_EQ(Enabled(app->FlyoutStates(error)), importsOnly) << "a document without layers";
  EXPECT_EQ(app->NewLayer("地図"), "");
  EXPECT_EQ(Enabled(app->FlyoutStates(error)), all);
  EXPECT_EQ(app->CloseDocument(), "");
  EXPECT_EQ(Enabled(app->FlyoutStates(error)), importsOnly) << "no document";
  EXPECT_EQ(host->contextDepth, 0);
  EXPECT_NE(app->ChooseFlyout(5).find("is disabled"), std::string::npos);
  EXPECT_NE(app->ChooseFlyout(4).find("separator"), std::string::npos);
}

// Records which command ran, with which plug-in and inside how many contexts.
struct Ran {
  std::string command;
  PluginRef plugin = nullptr;
  std::int32_t depth = -1;
};
std::vector<Ran> ran;
Err importResult = kNoErr;

template <const char* Name>
Err RecordImport(PluginRef p) {
  ran.push_back({Name, p, StandInHost::Current()->contextDepth});
  if (importResult == kCant) throw std::runtime_error("importer failed");
  return importResult;
}
template <const char* Name>
void Record(PluginRef p) {
  ran.push_back({Name, p, StandInHost::Current()->contextDepth});
}

constexpr char kShp[] = "import shp", kTxt[] = "import text", kKml[] = "import kml", kExShp[] = "export shp",
               kExTxt[] = "export text", kM4[] = "markers 4", kM3[] = "markers 3", kUp[] = "upgrade";

class FlyoutCommandTest : public MenusTest {
 protected:
  void SetUp() override {
    MenusTest::SetUp();
    ran.clear();
    importResult = kNoErr;
    shell::CommandTable& c = shell::Commands();
    c.importShapefiles = RecordImport<kShp>;
    c.importCoordinateText = RecordImport<kTxt>;
    c.importKml = RecordImport<kKml>;
    c.exportShapefiles = Record<kExShp>;
    c.exportCoordinateText = Record<kExTxt>;
    c.createFourPointMarkerLayer = Record<kM4>;
    c.createThreePointMarkerLayer = Record<kM3>;
    c.upgradeOldAttributes = Record<kUp>;
  }
};

TEST_F(FlyoutCommandTest, EachItemRunsItsCommandInsideTheApplicationContext) {
  ASSERT_EQ(Start(), kNoErr);
  const std::pair<std::int32_t, const char*> items[] = {{1, kShp},  {2, kTxt}, {3, kKml}, {5, kExShp},
                                                         {6, kExTxt}, {8, kM4},  {9, kM3},  {11, kUp}};
  for (auto [id, name] : items) {
    SCOPED_TRACE(id);
    ran.clear();
    EXPECT_EQ(app->ChooseFlyout(id), "");
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0].command, name);
    EXPECT_EQ(ran[0].plugin, host->Plugin());
    EXPECT_EQ(ran[0].depth, 1);
  }
  // Separators and unknown ids reach the callback too and do nothing.
  ran.clear();
  PanelOpaque* p = app->Panel();
  for (std::int32_t id : {4, 7, 10, 12, 0, -1}) p->flyoutCommand(p, id);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(host->contextDepth, 0);
  EXPECT_TRUE(host->Alerts().empty());
}

TEST_F(FlyoutCommandTest, ImportsNeedADocumentAndReportFailuresButNotCancel) {
  ASSERT_EQ(Start(), kNoErr);
  struct Case {
    Err result;
    const char* alert;  // nullptr: none
  };
  const Case cases[] = {
      {kNoErr, nullptr},
      {kStop, nullptr},
      {kFileError, "読み込みでエラーが発生しました"},
      {kCant, "読み込みでエラーが発生しました"},  // the importer throws
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ErrText(c.result));
    importResult = c.result;
    const std::size_t before = host->Alerts().size();
    EXPECT_EQ(app->ChooseFlyout(2), "");
    if (!c.alert) {
      EXPECT_EQ(host->Alerts().size(), before);
    } else {
      ASSERT_EQ(host->Alerts().size(), before + 1);
      EXPECT_EQ(host->Alerts().back().kind, AlertKind::Error);
      EXPECT_EQ(host->Alerts().back().text, c.alert);
    }
  }
  ran.clear();
  ASSERT_EQ(app->CloseDocument(), "");
  for (std::int32_t id : {1, 2, 3}) {
    const std::size_t before = host->Alerts().size();
    EXPECT_EQ(app->ChooseFlyout(id), "");
    ASSERT_EQ(host->Alerts().size(), before + 1);
    EXPECT_EQ(host->Alerts().back().kind, AlertKind::Message);
    EXPECT_EQ(host->Alerts().back().text, "新規ドキュメントを開いた状態で実行してください");
  }
  EXPECT_TRUE(ran.empty()) << "no importer runs without a document";
}

TEST_F(MenusTest, ApplicationShutdownDestroysThePanelAndLaterNotificationsDoNothing) {
  ASSERT_EQ(Start(), kNoErr);
  ASSERT_NE(Object()->Panel(), nullptr);
  MenuItemOpaque* entry = MenuItem("Varnox-Dirir4.5");
  EXPECT_EQ(host->Notify("AI Application Shutdown Notifier"), kNoErr);
  EXPECT_EQ(Object()->Panel(), nullptr);
  ASSERT_EQ(host->panels.size(), 1u);
  EXPECT_FALSE(host->panels[0].alive);
  EXPECT_EQ(app->Panel(), nullptr);
  for (const char* type : {"AI Art Selection Changed Notifier", "AI Document Changed Notifier",
                           "AI UI Brightness Changed Notifier", "AI Application Shutdown Notifier"})
    EXPECT_EQ(host->Notify(type), kNoErr) << type;
  const bool checked = entry->checked;
  EXPECT_EQ(app->ChooseMenu("Varnox-Dirir4.5"), "");
  EXPECT_EQ(host->MenuUpdate(entry), kNoErr);
  EXPECT_EQ(entry->checked, checked) << "the check mark is left alone without a panel";
  EXPECT_EQ(std::count_if(host->panels.begin(), host->panels.end(), [](const PanelOpaque& p) { return p.alive; }), 0);
  EXPECT_TRUE(host->Alerts().empty());
}

}  // namespace
}  // namespace vx::test
