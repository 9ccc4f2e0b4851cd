// The entry, the routing of messages, failure reporting and the plug-in's states, driven through
// the entry as the host drives it.
#include "tests/shell/shell_fixture.h"

#include <stdexcept>

namespace vx::test {
namespace {

using namespace vx::host;
using shell::Plugin;
using shell::ShapePlugin;

// What the probe plug-in's handlers answer and what they saw.
struct Probe {
  Err actionResult = kNoErr;
  enum class Throw { None, Host, Other } throws = Throw::None;
  std::int64_t now = 1000;
  std::vector<std::string> calls;
  std::int32_t contextDepthInNotify = -1;
};
Probe probe;

class ProbePlugin : public ShapePlugin {
 public:
  using ShapePlugin::ShapePlugin;
  Err OnAction(void*) override {
    probe.calls.push_back("OnAction");
    if (probe.throws == Probe::Throw::Host) throw HostError{FourCC("NFND")};
    if (probe.throws == Probe::Throw::Other) throw std::runtime_error("boom");
    return probe.actionResult;
  }
  Err OnAppStarted() override {
    probe.calls.push_back("OnAppStarted");
    return ShapePlugin::OnAppStarted();
  }
  Err OnNotify(NotifierMessage* m) override {
    probe.calls.push_back(std::string("OnNotify ") + (m->type ? m->type : ""));
    probe.contextDepthInNotify = StandInHost::Current()->contextDepth;
    return ShapePlugin::OnNotify(m);
  }
  Err OnMenuGo(MenuMessage* m) override {
    probe.calls.push_back("OnMenuGo");
    return ShapePlugin::OnMenuGo(m);
  }

 protected:
  std::int64_t Now() const override { return probe.now; }
};

Err ProbeMain(const char* caller, const char* selector, void* message) {
  return shell::Entry(caller, selector, message, [](PluginRef self) -> Plugin* { return new ProbePlugin(self); });
}

class EntryTest : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    probe = Probe{};
  }
  Err Action() { return Send("Action Manager", "Do Action"); }
};

TEST_F(EntryTest, BeforeStartupMessagesAnswerSuccessAndReachNoHandler) {
  host->LoadPlugin(ProbeMain, "/opt/vxshape/vxshape.aip");
  EXPECT_EQ(Action(), kNoErr);
  EXPECT_EQ(Send(kCallerInterface, kSelectorShutdown), kNoErr) << "shut-down without an object";
  EXPECT_EQ(host->Notify("AI Art Selection Changed Notifier"), kNoErr);
  EXPECT_TRUE(probe.calls.empty());
  EXPECT_EQ(host->Plugin()->globals, nullptr);
  EXPECT_EQ(sMenu(), nullptr) << "no suite is acquired before start-up";
}

TEST_F(EntryTest, RoutesByCallerAndSelectorAndTurnsHandlerResultsIntoEntryResults) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);
  // `routed` is what the router answers before the entry turns '!MSG' into success, so a handler
  // that answers success is told apart from a message nobody handles.
  struct Case {
    const char* caller;
    const char* selector;
    Err actionResult;
    Probe::Throw throws;
    Err routed;
    Err expected;
    bool reachesAction;
  };
  const Case cases[] = {
      {"Action Manager", "Do Action", kNoErr, Probe::Throw::None, kNoErr, kNoErr, true},
      {"Action Manager", "Do Action", kNotHandled, Probe::Throw::None, kNotHandled, kNoErr, true},
      {"Action Manager", "Do Action", kStop, Probe::Throw::None, kStop, kStop, true},
      {"Action Manager", "Do Action", kNoErr, Probe::Throw::Host, FourCC("NFND"), FourCC("NFND"), true},
      {"Action Manager", "Do Action", kNoErr, Probe::Throw::Other, kCant, kCant, true},
      {"Action Manager", "Undo Action", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
      {"AI Filter", "AI Go", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
      {"AI Tool", "AI Mouse Down", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
      {"AI Tool", "AI Reselect", kNoErr, Probe::Throw::None, kNoErr, kNoErr, false},
      {"AI Tool", "AI Increase Diameter", kNoErr, Probe::Throw::None, kNoErr, kNoErr, false},
      {"AI Clipboard", "AI Clone", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
      {"SP Cache", "Plug-in Purge", kNoErr, Probe::Throw::None, kNoErr, kNoErr, false},
      {"SP Properties", "Acquire", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
      {"SP Interface", "About", kNoErr, Probe::Throw::None, kNoErr, kNoErr, false},
      {"No Such Caller", "AI Go", kNoErr, Probe::Throw::None, kNotHandled, kNoErr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.caller) + " / " + c.selector + " answering " + ErrText(c.actionResult));
    probe.actionResult = c.actionResult;
    probe.throws = c.throws;
    if (c.throws == Probe::Throw::None) {
      MessageData m;
      EXPECT_EQ(Object()->Plugin::Dispatch(c.caller, c.selector, &m), c.routed);
    } else {
      MessageData m;
      EXPECT_EQ(Object()->Dispatch(c.caller, c.selector, &m), c.routed);
    }
    probe.calls.clear();
    EXPECT_EQ(Send(c.caller, c.selector), c.expected);
    EXPECT_EQ(!probe.calls.empty() && probe.calls[0] == "OnAction", c.reachesAction);
  }
  EXPECT_TRUE(host->Alerts().empty()) << "no failure reaching the entry is shown";
  EXPECT_NE(host->Plugin()->globals, nullptr) << "a throwing handler leaves the plug-in running";
}

TEST_F(EntryTest, SameCodeIsReportedOnceWithinFiveSecondsAndADifferentCodeResetsTheWindow) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);
  Plugin* p = Object();
  const Err a = FourCC("ABCD"), b = FourCC("EFGH");
  struct Report {
    std::int64_t at;
    Err code;
    bool passes;
  };
  const Report reports[] = {
      {100, a, true},   // first
      {103, a, false},  // repeat within the window
      {104, b, true},   // another code
      {105, a, true},   // the window was reset by b
      {109, a, false},  // 4 s after the last report of a
      {110, a, true},   // 5 s: the window is over
  };
  for (const Report& r : reports) {
    SCOPED_TRACE(r.at);
    probe.now = r.at;
    probe.actionResult = r.code;
    const std::int64_t before = p->LastReportTime();
    EXPECT_EQ(Action(), r.code) << "a suppressed report still returns the code to the host";
    EXPECT_EQ(p->LastReportTime() != before, r.passes);
    if (r.passes) {
      EXPECT_EQ(p->LastReportedError(), r.code);
    }
  }
  EXPECT_TRUE(host->Alerts().empty());
}

TEST_F(EntryTest, QuietCodesAreNeverReported) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);
  Plugin* p = Object();
  for (const char* q : {"FMT?", "RFSE", "AFTR", "VALD", "MOOT", "TRSH", "CHEK", "CHIT", "TLTK", "pFls", "S!Fd", "!Acq",
                        "dsRP", "skpE", "DONE", "STOP"}) {
    char s[5] = {q[0], q[1], q[2], q[3], 0};
    p->ReportFailure(FourCC(s), "c", "s", nullptr);
    EXPECT_EQ(p->LastReportedError(), kNoErr) << q;
  }
  p->ReportFailure(361, "c", "s", nullptr);
  EXPECT_EQ(p->LastReportedError(), kNoErr) << 361;
  p->ReportFailure(362, "c", "s", nullptr);
  EXPECT_EQ(p->LastReportedError(), 362);
}

TEST_F(EntryTest, ApplicationStartedReachesOnAppStartedThenOnNotifyInsideTheContext) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);  // start-up sends the application-started notification
  const std::vector<std::string> expected{"OnAppStarted", "OnNotify AI Application Started Notifier"};
  ASSERT_GE(probe.calls.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(probe.calls.begin(), probe.calls.begin() + 2), expected);
  EXPECT_EQ(probe.contextDepthInNotify, 1);
  EXPECT_EQ(host->contextDepth, 0) << "the context is popped again";
}

TEST_F(EntryTest, StartupRegistersNameAndStaysResidentWithOneAccessHandle) {
  ASSERT_EQ(Start(), kNoErr);
  EXPECT_EQ(host->Plugin()->name, "Varnox-Dirir4.5");
  EXPECT_EQ(Object()->ResidencyCount(), 2);
  EXPECT_EQ(host->Plugin()->accessCount, 1);
  char buf[8];
  EXPECT_EQ(Object()->CopyName(buf, sizeof buf), 7u);
  EXPECT_STREQ(buf, "Varnox-");
  std::vector<std::pair<std::string, std::string>> notifiers;
  for (const auto& n : host->notifiers) notifiers.emplace_back(n.name, n.type);
  const std::vector<std::pair<std::string, std::string>> expected{
      {"Varnox-Dirir4.5 App Started Notifier", "AI Application Started Notifier"},
      {"VxShape Application Shutdown Notifier", "AI Application Shutdown Notifier"},
      {"VxShape Selection Changed Notifier", "AI Art Selection Changed Notifier"},
      {"VxShape Document Changed Notifier", "AI Document Changed Notifier"},
      {"VxShape UIBrightness Changed Notifier", "AI UI Brightness Changed Notifier"},
  };
  EXPECT_EQ(notifiers, expected);
}

TEST_F(EntryTest, StartupWithAMissingSuiteFailsAndReleasesWhatItAcquired) {
  for (const char* missing : {"SP Access Suite", "AI Menu Suite", "ATE ArrayComposerEngine Suite", "VX Platform UI Suite"}) {
    SCOPED_TRACE(missing);
    TearDown();
    SetUp();
    host->RemoveSuite(missing);
    EXPECT_EQ(Start(ProbeMain), kNotFound);
    EXPECT_EQ(host->Plugin()->globals, nullptr) << "the object is destroyed";
    EXPECT_EQ(shell::gSuiteCount, 0);
    for (auto table : {FrameSuiteTable(), ProgramSuiteTable()})
      for (const SuiteEntry& e : table) EXPECT_EQ(*e.slot, nullptr) << e.name << " is still held";
    EXPECT_EQ(sPlatform(), nullptr);
    EXPECT_TRUE(host->menuItems.empty());
    EXPECT_TRUE(host->notifiers.empty());
    EXPECT_EQ(host->Plugin()->accessCount, 0);
    EXPECT_TRUE(host->Alerts().empty());
    // Back in the not-started state: later messages do nothing.
    EXPECT_EQ(Action(), kNoErr);
    EXPECT_TRUE(probe.calls.empty());
  }
}

TEST_F(EntryTest, StartupWithAFailingMenuStepSucceedsWithoutPanelOrNotifiers) {
  for (const char* group : {"Tool Palettes", "About"}) {
    SCOPED_TRACE(group);
    TearDown();
    SetUp();
    std::erase_if(host->menuGroups, [&](const MenuGroupOpaque& g) { return g.name == group; });
    EXPECT_EQ(Start(ProbeMain), kNoErr);
    ASSERT_NE(host->Plugin()->globals, nullptr);
    EXPECT_EQ(Object()->Panel(), nullptr);
    EXPECT_TRUE(host->panels.empty());
    EXPECT_TRUE(host->flyouts.empty());
    ASSERT_EQ(host->notifiers.size(), 1u) << "only the application-started notifier";
    EXPECT_EQ(host->Plugin()->accessCount, 1) << "still resident";
    // Notifications are ignored without a panel; the panel entry (if any) does nothing.
    EXPECT_EQ(host->Notify("AI Art Selection Changed Notifier"), kNoErr);
    if (MenuItemOpaque* item = MenuItem("Varnox-Dirir4.5")) {
      EXPECT_EQ(host->MenuGo(item), kNoErr);
      EXPECT_EQ(host->MenuUpdate(item), kNoErr);
      EXPECT_FALSE(item->checked);
    }
    EXPECT_TRUE(host->Alerts().empty());
  }
}

TEST_F(EntryTest, WhileUnloadedMessagesDoNothingAndReloadBringsTheSuitesBack) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);
  MenuItemOpaque* about = MenuItem("Varnox-Dirir4.5...");
  ASSERT_NE(about, nullptr);
  ASSERT_EQ(Send(kCallerAccess, kSelectorUnload), kNoErr);
  EXPECT_EQ(shell::gSuiteCount, 0);
  EXPECT_EQ(sMenu(), nullptr);
  probe.calls.clear();
  EXPECT_EQ(host->MenuGo(about), kNoErr);
  EXPECT_EQ(host->Notify("AI Art Selection Changed Notifier"), kNoErr);
  EXPECT_EQ(Action(), kNoErr);
  EXPECT_TRUE(probe.calls.empty()) << "no handler runs while unloaded";
  // The panel's own callbacks may still come from the host; they find no suites and do nothing.
  std::string error;
  app->FlyoutStates(error);
  EXPECT_EQ(app->ChooseFlyout(1), "");
  EXPECT_FALSE(DialogOpened());

  ASSERT_EQ(Send(kCallerAccess, kSelectorReload), kNoErr);
  EXPECT_EQ(shell::gSuiteCount, 1);
  user->Push(UserStep(ScriptedUser::Step::Kind::Dialog, 107));
  user->Push(UserStep(ScriptedUser::Step::Kind::Click, 1));
  EXPECT_EQ(host->MenuGo(about), kNoErr);
  EXPECT_TRUE(DialogOpened());
  EXPECT_FALSE(user->Failure()) << *user->Failure();
}

TEST_F(EntryTest, ReloadWithAMissingSuiteFailsAndLeavesThePluginUnloaded) {
  ASSERT_EQ(Start(ProbeMain), kNoErr);
  ASSERT_EQ(Send(kCallerAccess, kSelectorUnload), kNoErr);
  host->RemoveSuite("AI Layer Suite");
  EXPECT_EQ(Send(kCallerAccess, kSelectorReload), kNotFound);
  EXPECT_EQ(shell::gSuiteCount, 0);
  EXPECT_EQ(sArt(), nullptr) << "suites acquired before the missing one are released";
  probe.calls.clear();
  EXPECT_EQ(Action(), kNoErr);
  EXPECT_TRUE(probe.calls.empty());
  EXPECT_TRUE(host->Alerts().empty());
}

TEST_F(EntryTest, ShutdownReleasesTheSuitesAndDestroysThePanelIfNoNotificationDidSo) {
  ASSERT_EQ(Start(), kNoErr);
  ASSERT_EQ(host->panels.size(), 1u);
  // The host goes straight to shut-down, without the application shut-down notification.
  EXPECT_EQ(Send(kCallerInterface, kSelectorShutdown), kNoErr);
  EXPECT_EQ(host->Plugin()->globals, nullptr);
  EXPECT_FALSE(host->panels[0].alive);
  EXPECT_EQ(shell::gSuiteCount, 0);
  EXPECT_EQ(sUser(), nullptr);
  EXPECT_EQ(Action(), kNoErr) << "after shut-down nothing runs";
}

}  // namespace
}  // namespace vx::test
