// The plug-in loaded into a stand-in host through its entry, for tests of the spine.
#pragma once

#include "host/application.h"
#include "shell/commands.h"
#include "shell/shape_plugin.h"
#include "tests/support/host_fixture.h"

#include <memory>

namespace vx::test {

class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCommands = shell::Commands();
    host = std::make_unique<host::StandInHost>();
    user = std::make_shared<host::ScriptedUser>();
    host->SetUser(user);
    host->NewDocument();
    app = std::make_unique<host::Application>(*host);
  }
  void TearDown() override {
    if (host->Plugin() && host->Plugin()->globals) host->ShutdownPlugin();
    EXPECT_EQ(shell::gSuiteCount, 0) << "the suites are still counted as held after shut-down";
    app.reset();
    host.reset();
    shell::Commands() = savedCommands;
  }

  host::Err Start(host::PluginMainProc main = PluginMain) {
    return app->Start(main, "/opt/vxshape/vxshape.aip");
  }
  shell::ShapePlugin* Object() {
    return static_cast<shell::ShapePlugin*>(static_cast<shell::Plugin*>(host->Plugin()->globals));
  }
  host::Err Send(const char* caller, const char* selector) {
    host::MessageData m;
    return host->Send(caller, selector, &m);
  }
  host::MenuItemOpaque* MenuItem(const std::string& text) {
    for (auto& m : host->menuItems)
      if (m.text == text) return &m;
    return nullptr;
  }
  bool DialogOpened() const {
    for (const auto& line : user->Transcript())
      if (line.rfind("open dialog", 0) == 0) return true;
    return false;
  }

  shell::CommandTable savedCommands;
  std::unique_ptr<host::StandInHost> host;
  std::shared_ptr<host::ScriptedUser> user;
  std::unique_ptr<host::Application> app;
};

inline host::ScriptedUser::Step UserStep(host::ScriptedUser::Step::Kind k, std::int32_t id = 0) {
  host::ScriptedUser::Step s;
  s.kind = k;
  s.id = id;
  return s;
}

}  // namespace vx::test
