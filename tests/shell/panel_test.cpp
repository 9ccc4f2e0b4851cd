// The attribute panel as the plug-in makes it at start-up: host panel, controls, layout, theme
// colours, refresh and the list's double click.
#include "tests/shell/shell_fixture.h"

namespace vx::test {
namespace {

using namespace vx::host;
using panel::CAttrPanel;

class PanelTest : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    ASSERT_EQ(Start(), kNoErr);
    p = app->Panel();
    ASSERT_NE(p, nullptr);
    object = Object()->Panel();
    ASSERT_NE(object, nullptr);
  }
  ControlState& Control(std::int32_t id) {
    ControlState* c = p->window->Find(id);
    EXPECT_NE(c, nullptr) << id;
    return *c;
  }
  PanelOpaque* p = nullptr;
  CAttrPanel* object = nullptr;
};

TEST_F(PanelTest, IsCreatedShownWithItsIdentityControlsAndUserData) {
  EXPECT_EQ(p->id, "Varnox-Shape");
  EXPECT_EQ(p->title, "Varnox-Dirir4.5");
  EXPECT_EQ(p->states, 3);
  EXPECT_EQ(p->size.width, 240);
  EXPECT_EQ(p->size.height, 320);
  EXPECT_TRUE(p->resizable);
  EXPECT_TRUE(p->shown);
  EXPECT_EQ(p->minSize.width, 230);
  EXPECT_EQ(p->minSize.height, 140);
  EXPECT_EQ(p->userData, object);
  EXPECT_EQ(p->flyout, object->FlyoutMenu());
  EXPECT_TRUE(p->flyoutDisplay && p->flyoutCommand && p->sizeChange);

  EXPECT_EQ(Control(panel::kLabelId).text, "選択範囲の属性:");
  const ControlState& list = Control(panel::kListId);
  EXPECT_EQ(list.kind, ControlKind::ListView);
  EXPECT_TRUE(list.style & kStyleMultiSelect);
  ASSERT_EQ(list.columns.size(), 2u);
  EXPECT_EQ(list.columns[0].title, "フィールド名");
  EXPECT_EQ(list.columns[0].width, 100);
  EXPECT_EQ(list.columns[1].title, "属性値");
  EXPECT_EQ(list.columns[1].width, 150);
  const std::pair<std::int32_t, const char*> buttons[] = {{panel::kAnnotateButtonId, "注記..."},
                                                          {panel::kSearchButtonId, "検索..."},
                                                          {panel::kDefineButtonId, "定義..."},
                                                          {panel::kNewButtonId, "新規..."}};
  std::int32_t x = 2;
  for (auto [id, text] : buttons) {
    const ControlState& b = Control(id);
    EXPECT_EQ(b.text, text);
    EXPECT_EQ(b.x, x);
    EXPECT_EQ(b.y, 210);
    EXPECT_EQ(b.width, 48);
    EXPECT_EQ(b.height, 22);
    x += 50;
  }
}

TEST_F(PanelTest, LayoutFollowsThePanelSizeEvenWhenTooSmall) {
  struct Case {
    double w, h;
  };
  for (Case c : {Case{300.7, 500.9}, Case{230, 140}, Case{100, 30}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    ASSERT_EQ(sPanel()->SetSize(p, PanelSize{c.w, c.h}), kNoErr);  // the host calls the size callback
    const auto w = static_cast<std::int32_t>(c.w), h = static_cast<std::int32_t>(c.h);
    const ControlState& list = Control(panel::kListId);
    EXPECT_EQ(list.x, 0);
    EXPECT_EQ(list.y, 20);
    EXPECT_EQ(list.width, w);
    EXPECT_EQ(list.height, h - 50);
    EXPECT_EQ(list.columns[1].width, w - list.columns[0].width - 1);
    for (std::int32_t i = 0; i < 4; ++i) {
      const ControlState& b = Control(panel::kAnnotateButtonId + i);
      EXPECT_EQ(b.x, 2 + 50 * i);
      EXPECT_EQ(b.y, h - 25);
    }
  }
}

TEST_F(PanelTest, ThemeColoursPaintTheLabelAndFollowTheBrightnessNotification) {
  ASSERT_NE(p->window->handler, nullptr);
  auto labelColors = [&] {
    std::uint32_t text = 0, back = 0;
    EXPECT_TRUE(p->window->handler->OnStaticColors(*p->window, panel::kLabelId, text, back));
    return std::pair{text, back};
  };
  // The host's mid-grey theme from the start, not black on black.
  EXPECT_EQ(labelColors(), (std::pair<std::uint32_t, std::uint32_t>{0xE5E5E5, 0x525252}));
  host->themeColors[0] = {0, 1.0, 0.5, 0.0};   // background: orange
  host->themeColors[1] = {0, 0.0, 0.0, 0.999};  // text: almost full blue, fraction dropped
  EXPECT_EQ(labelColors(), (std::pair<std::uint32_t, std::uint32_t>{0xE5E5E5, 0x525252})) << "not before the notification";
  EXPECT_EQ(host->Notify("AI UI Brightness Changed Notifier"), kNoErr);
  EXPECT_EQ(labelColors(), (std::pair<std::uint32_t, std::uint32_t>{0xFE0000, 0x007FFF}));

  std::uint32_t text = 0, back = 0;
  ASSERT_TRUE(p->window->handler->OnListCellColors(*p->window, panel::kListId, 0, 0, text, back));
  EXPECT_EQ(text, 0xFFFFFFu);
  EXPECT_EQ(back, 0x606060u);
  ASSERT_TRUE(p->window->handler->OnListCellColors(*p->window, panel::kListId, 3, 1, text, back));
  EXPECT_EQ(text, 0x000000u);
  EXPECT_EQ(back, 0xFFFFFFu);
}

TEST_F(PanelTest, SelectionAndDocumentNotificationsRefreshOnlyAShownPanel) {
  const std::int32_t start = object->Reloads();
  EXPECT_EQ(app->SelectArt("レイヤー 1", {}, true), "");  // flushes a selection notification
  EXPECT_EQ(host->Notify("AI Document Changed Notifier"), kNoErr);
  EXPECT_EQ(object->Reloads(), start + 2);
  EXPECT_EQ(host->contextDepth, 0);
  EXPECT_EQ(app->ChooseMenu("Varnox-Dirir4.5"), "");  // hide
  ASSERT_FALSE(p->shown);
  EXPECT_EQ(host->Notify("AI Art Selection Changed Notifier"), kNoErr);
  EXPECT_EQ(host->Notify("AI Document Changed Notifier"), kNoErr);
  EXPECT_EQ(object->Reloads(), start + 2) << "a hidden panel collects nothing";
}

TEST_F(PanelTest, DoubleClickWithNothingSelectedTellsTheUser) {
  EXPECT_EQ(app->DoubleClickPanelRow(0), "");
  ASSERT_EQ(host->Alerts().size(), 1u);
  EXPECT_EQ(host->Alerts()[0].kind, AlertKind::Message);
  EXPECT_EQ(host->Alerts()[0].text, "オブジェクトが選択されていません");
  EXPECT_EQ(host->contextDepth, 0);

  // With art selected the value command runs instead (the layer has no fields, so no row).
  Document& d = *host->Doc();
  ArtOpaque* path = d.NewNode(ArtType::Path);
  ASSERT_EQ(d.Place(path, PaintOrder::InsideOnTop, d.layers[0]->group), kNoErr);
  EXPECT_EQ(app->SelectArt("レイヤー 1", {0}), "");
  EXPECT_EQ(app->DoubleClickPanelRow(0), "");
  EXPECT_EQ(host->Alerts().size(), 1u);
}

TEST_F(PanelTest, DefinitionAndNewFieldButtonsRefreshTheListAfterwards) {
  // An empty document: the first three buttons tell why they stop; 新規... opens its dialog,
  // which the person cancels.
  host::ScriptedUser::Step dialog;
  dialog.kind = host::ScriptedUser::Step::Kind::Dialog;
  host::ScriptedUser::Step cancel;
  cancel.kind = host::ScriptedUser::Step::Kind::Click;
  cancel.id = kIdCancel;
  user->Push(dialog);
  user->Push(cancel);
  struct Case {
    const char* caption;
    std::int32_t refreshes;
    const char* alert;
  };
  const Case cases[] = {{"注記...", 0, "オブジェクトが選択されていません"},
                        {"検索...", 0, "属性フィールドがありません"},
                        {"定義...", 1, "属性フィールドがありません"},
                        {"新規...", 1, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const std::size_t alerts = host->Alerts().size();
    const std::int32_t before = object->Reloads();
    EXPECT_EQ(app->ClickPanelButton(c.caption), "");
    EXPECT_EQ(object->Reloads(), before + c.refreshes);
    EXPECT_EQ(host->contextDepth, 0);
    if (c.alert) {
      ASSERT_EQ(host->Alerts().size(), alerts + 1);
      EXPECT_EQ(host->Alerts().back().text, c.alert);
    } else {
      EXPECT_EQ(host->Alerts().size(), alerts);
    }
  }
  EXPECT_FALSE(user->Failure().has_value());
  EXPECT_FALSE(user->StepsLeft());
  EXPECT_NE(app->ClickPanelButton("削除..."), "") << "no such button";
}

}  // namespace
}  // namespace vx::test
