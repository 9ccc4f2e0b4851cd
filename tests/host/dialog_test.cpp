// Dialogs built from templates and driven by the scripted user as a person would.
#include "resources/templates.h"
#include "shell/host/slots.h"
#include "tests/support/host_fixture.h"

#include <algorithm>
#include <fstream>

namespace vx::test {
namespace {

using namespace vx::host;
using Step = ScriptedUser::Step;

Step Make(Step::Kind k, std::int32_t id = 0) {
  Step s;
  s.kind = k;
  s.id = id;
  return s;
}

// The About dialog's behaviour, with the web button switched off by a check box in a test-only
// state: OK ends it, the web button opens the site and leaves it open.
class AboutHandler : public DialogHandler {
 public:
  bool disableWeb = false;
  void OnInit(Window& w) override {
    if (disableWeb) w.SetEnabled(resources::kAboutWebSite, false);
  }
  void OnCommand(Window& w, std::int32_t id, ControlEvent, std::int32_t) override {
    if (id == resources::kAboutOk || id == kIdCancel) w.EndDialog(id);
    if (id == resources::kAboutWebSite) {
      sUser()->OpenUrl("https://example.invalid/");
      sUser()->MessageAlert("opened");
    }
  }
};

class DialogTest : public HostFixture {};

TEST_F(DialogTest, ScriptedUserReadsStatesClicksAndSeesAlertsOverTheDialog) {
  user->Push(Make(Step::Kind::Dialog, resources::kAboutDialog));
  user->Push(Make(Step::Kind::Snapshot));
  user->Push(Make(Step::Kind::Click, resources::kAboutWebSite));
  user->Push(Make(Step::Kind::Click, resources::kAboutOk));
  AboutHandler h;
  std::int32_t result = 0;
  WindowHandle parent = nullptr;
  ASSERT_EQ(sModalParent()->GetApplicationWindow(parent), kNoErr);
  ASSERT_EQ(sPlatform()->RunModalDialog(host->Plugin(), resources::kAboutDialog, parent, h, result), kNoErr);
  EXPECT_FALSE(user->Failure()) << *user->Failure();
  EXPECT_EQ(result, resources::kAboutOk);
  ASSERT_EQ(user->Alerts().size(), 1u);
  EXPECT_EQ(user->Alerts()[0].kind, AlertKind::Message);
  EXPECT_EQ(user->Alerts()[0].parent, "dialog \"Varnox-Dirir4.5について\"");
  EXPECT_EQ(user->OpenedUrls().size(), 1u);
  const auto& t = user->Transcript();
  EXPECT_NE(std::find(t.begin(), t.end(), "  1062 static \"Version 4.5.1\""), t.end());
  EXPECT_NE(std::find(t.begin(), t.end(), "  1063 button \"Webサイトを開く\""), t.end());
  // After the dialog, alerts go to the application again.
  sUser()->WarningAlert("after");
  EXPECT_EQ(host->Alerts().back().parent, "application");
}

TEST_F(DialogTest, ClickOnADisabledControlIsRefused) {
  user->Push(Make(Step::Kind::Dialog, resources::kAboutDialog));
  user->Push(Make(Step::Kind::Click, resources::kAboutWebSite));
  AboutHandler h;
  h.disableWeb = true;
  std::int32_t result = 0;
  ASSERT_EQ(sPlatform()->RunModalDialog(host->Plugin(), resources::kAboutDialog, nullptr, h, result), kNoErr);
  ASSERT_TRUE(user->Failure());
  EXPECT_NE(user->Failure()->find("disabled"), std::string::npos) << *user->Failure();
  EXPECT_TRUE(user->OpenedUrls().empty());
  EXPECT_EQ(result, kIdCancel) << "the dialog is closed as with Cancel";
}

TEST_F(DialogTest, UnexpectedDialogsAndMissingControlsFailTheScript) {
  struct Case {
    const char* why;
    std::vector<Step> steps;
    const char* expect;
  } cases[] = {
      {"no dialog expected", {}, "does not expect a dialog"},
      {"another dialog expected", {Make(Step::Kind::Dialog, 115)}, "expects dialog 115"},
      {"control not in the template", {Make(Step::Kind::Dialog), Make(Step::Kind::Click, 4242)}, "no such control"},
      {"dialog left open", {Make(Step::Kind::Dialog), Make(Step::Kind::Snapshot)}, "still open"},
      {"typing into a button", {Make(Step::Kind::Dialog), Make(Step::Kind::SetText, resources::kAboutOk)}, "cannot set"},
  };
  for (const Case& c : cases) {
    auto u = std::make_shared<ScriptedUser>();
    host->SetUser(u);
    for (const Step& s : c.steps) u->Push(s);
    AboutHandler h;
    std::int32_t result = 0;
    ASSERT_EQ(sPlatform()->RunModalDialog(host->Plugin(), resources::kAboutDialog, nullptr, h, result), kNoErr);
    ASSERT_TRUE(u->Failure()) << c.why;
    EXPECT_NE(u->Failure()->find(c.expect), std::string::npos) << c.why << ": " << *u->Failure();
  }
  std::int32_t result = 0;
  AboutHandler h;
  EXPECT_EQ(sPlatform()->RunModalDialog(host->Plugin(), 9999, nullptr, h, result), kNotFound);
}

// Radio buttons exclude each other within their group; combo boxes and lists keep their items.
TEST_F(DialogTest, ControlsBehaveAsTheirKind) {
  ControlWindow w("t", true);
  const ControlTemplate controls[] = {
      {ControlKind::Radio, 10, "a", 0, 0, 1, 1, kStyleGroup},
      {ControlKind::Radio, 11, "b", 0, 0, 1, 1},
      {ControlKind::Radio, 20, "c", 0, 0, 1, 1, kStyleGroup},
      {ControlKind::ComboBox, 30, "", 0, 0, 1, 1, kStyleGroup},
      {ControlKind::ListView, 40, "", 0, 0, 1, 1, kStyleMultiSelect},
      {ControlKind::TrackBar, 50, "", 0, 0, 1, 1},
      {ControlKind::Edit, 60, "x", 0, 0, 1, 1, kStyleHidden},
  };
  const DialogTemplate t{1, "t", 10, 10, controls};
  w.Build(t);
  w.SetChecked(20, true);
  EXPECT_EQ(w.UserClick(10), kNoErr);
  EXPECT_EQ(w.UserClick(11), kNoErr);
  bool a = true, b = false, c = false;
  w.GetChecked(10, a), w.GetChecked(11, b), w.GetChecked(20, c);
  EXPECT_FALSE(a);
  EXPECT_TRUE(b);
  EXPECT_TRUE(c) << "another group is left alone";
  w.AddItem(30, "シフトJIS", 17);
  w.AddItem(30, "UTF-8", 1);
  EXPECT_EQ(w.UserSelectItem(30, 1), kNoErr);
  std::intptr_t data = 0;
  std::int32_t sel = -1;
  w.GetSelectedItem(30, sel);
  w.GetItemData(30, sel, data);
  EXPECT_EQ(data, 1);
  EXPECT_EQ(w.UserSelectItem(30, 2), kOutOfRange);
  w.AddColumn(40, "a", 10, Align::Left);
  w.AddColumn(40, "b", 10, Align::Left);
  w.AddRow(40, {"1", "2", "3"});
  w.AddRow(40, {"4"});
  EXPECT_EQ(w.UserSelectRows(40, {0, 1}), kNoErr);
  std::vector<std::int32_t> rows;
  w.GetSelectedRows(40, rows);
  EXPECT_EQ(rows, (std::vector<std::int32_t>{0, 1}));
  std::string cell;
  EXPECT_EQ(w.GetCell(40, 1, 1, cell), kNoErr);
  EXPECT_EQ(cell, "");
  EXPECT_EQ(w.GetCell(40, 0, 2, cell), kOutOfRange) << "cells past the columns are dropped";
  w.SetRange(50, 1, 5);
  EXPECT_EQ(w.UserSetPosition(50, 9), kNoErr);
  std::int32_t pos = 0;
  w.GetPosition(50, pos);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(w.UserSetText(60, "y"), kLocked) << "hidden controls take no input";
  EXPECT_EQ(w.SetChecked(30, true), kWrongType);
}

TEST_F(DialogTest, OpenFileDialogWithEncodingArea) {
  TempDir dir;
  { std::ofstream(dir / "a.shp") << "x"; }
  struct EncodingArea : DialogHandler {
    std::intptr_t chosen = -1;
    void OnInit(Window& w) override {
      w.AddItem(resources::kEncodingCombo, "シフトJIS", 17);
      w.AddItem(resources::kEncodingCombo, "UTF-8", 1);
      w.SetSelectedItem(resources::kEncodingCombo, 0);
    }
    void OnCommand(Window& w, std::int32_t id, ControlEvent, std::int32_t) override {
      std::int32_t sel = -1;
      if (id == kIdFileOk && w.GetSelectedItem(resources::kEncodingCombo, sel) == kNoErr)
        w.GetItemData(resources::kEncodingCombo, sel, chosen);
    }
  } area;
  Step s = Make(Step::Kind::OpenFiles, resources::kEncodingCombo);
  s.files = {dir / "a.shp"};
  s.text = "UTF-8";
  user->Push(s);
  OpenFileRequest req;
  req.title = "シェープファイルを読み込む（複数選択可）";
  req.allowMultiple = true;
  req.childTemplate = resources::kOpenFileEncodingArea;
  req.childHandler = &area;
  std::vector<std::filesystem::path> files;
  ASSERT_EQ(sUser()->GetOpenFiles(req, files), kNoErr);
  EXPECT_EQ(files, std::vector<std::filesystem::path>{dir / "a.shp"});
  EXPECT_EQ(area.chosen, 1);

  user->Push(Make(Step::Kind::CancelFileDialog));
  EXPECT_EQ(sUser()->GetOpenFiles(req, files), kStop);

  // A dialog without the encoding area has no list a person could pick the encoding from.
  user->Push(s);
  OpenFileRequest plain;
  plain.title = "KMLファイルを読み込む";
  EXPECT_EQ(sUser()->GetOpenFiles(plain, files), kStop);
  ASSERT_TRUE(user->Failure());
  EXPECT_NE(user->Failure()->find("shows no encoding list, but the script picks the encoding \"UTF-8\""),
            std::string::npos)
      << *user->Failure();
}

TEST_F(DialogTest, QuestionsAndCancelFollowTheScript) {
  Step yes = Make(Step::Kind::Answer);
  yes.flag = true;
  user->Push(yes);
  EXPECT_TRUE(sUser()->YesNoAlert("続けますか?"));
  EXPECT_FALSE(sUser()->YesNoAlert("もう一度?"));
  EXPECT_TRUE(user->Failure()) << "a question with no answer in the script";

  auto u = std::make_shared<ScriptedUser>();
  host->SetUser(u);
  u->CancelAtPoll(3);
  EXPECT_FALSE(sUser()->Cancelled());
  EXPECT_FALSE(sUser()->Cancelled());
  EXPECT_TRUE(sUser()->Cancelled());
}

}  // namespace
}  // namespace vx::test
