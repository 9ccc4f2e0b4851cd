// A stand-in host with a new document and the plug-in's suite slots filled, for tests that run
// plug-in code directly.
#pragma once

#include "host/standin.h"
#include "shell/host/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace vx::test {

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenHost();
    host->FillSlots();
  }
  // The host with its user and a new document; the slots stay empty (the plug-in fills them).
  void OpenHost() {
    host = std::make_unique<host::StandInHost>();
    user = std::make_shared<host::ScriptedUser>();
    host->SetUser(user);
    host->NewDocument();
  }
  void TearDown() override { host.reset(); }

  host::Document& Doc() { return *host->Doc(); }

  std::unique_ptr<host::StandInHost> host;
  std::shared_ptr<host::ScriptedUser> user;
};

// A fresh temporary folder, removed when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  // `name` is UTF-8 (on Windows a narrow path would be read in the ANSI code page).
  std::filesystem::path operator/(const std::string& name) const { return path_ / host::Utf8ToPath(name); }

 private:
  std::filesystem::path path_;
};

}  // namespace vx::test
