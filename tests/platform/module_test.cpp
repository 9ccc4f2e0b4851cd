// The plug-in as a loaded module: the stand-in host finds vxshape.aip, reaches it only through
// PluginMain, shuts it down and unloads it, and can load it again in the same process; vxshape
// without the module refuses every plug-in command, naming the file it looked for.
#include "host/application.h"
#include "host/plugin_module.h"
#include "shell/host/paths.h"
#include "tests/support/host_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using host::Application;
using host::StandInHost;

const fs::path kProgram = VXSHAPE_BIN;
const fs::path kModule = kProgram.parent_path() / "vxshape.aip";
const fs::path kSamples = fs::path(VX_SOURCE_DIR) / "samples";

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// True while the module is mapped into this process.
bool ModuleMapped(const fs::path& file) {
#ifdef _WIN32
  return GetModuleHandleW(fs::absolute(file).c_str()) != nullptr;
#else
  void* h = dlopen(fs::absolute(file).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
#endif
}

TEST(PluginModule, LoadsStartsShutsDownAndUnloadsTwiceInOneProcess) {
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    StandInHost host;
    host.NewDocument();
    Application app(host);
    std::string error;
    ASSERT_EQ(app.Start(kModule, error), host::kNoErr) << error;
    EXPECT_TRUE(error.empty()) << error;
    ASSERT_TRUE(app.ModuleLoaded());
    EXPECT_TRUE(ModuleMapped(kModule));
    // What the plug-in made through the suites: its panel, its flyout, its menu entries.
    ASSERT_NE(app.Panel(), nullptr);
    std::string flyoutError;
    EXPECT_FALSE(app.FlyoutStates(flyoutError).empty()) << flyoutError;
    EXPECT_FALSE(app.MenuStates().empty());
    EXPECT_GT(host.HeldSuites(), 0);
    // A step of a person's, answered by the plug-in's panel.
    EXPECT_EQ(app.SelectArt("レイヤー 1", {}, true), "");

    EXPECT_EQ(app.Quit(), host::kNoErr);
    EXPECT_FALSE(app.ModuleLoaded());
    EXPECT_EQ(host.HeldSuites(), 0) << "suites the plug-in did not release";
    EXPECT_FALSE(ModuleMapped(kModule)) << "the module stayed loaded";
    // Nothing leads into the unloaded module any more.
    host::MessageData m;
    EXPECT_EQ(host.Send(host::kCallerInterface, host::kSelectorAbout, &m), host::kNotFound);
    EXPECT_EQ(app.Quit(), host::kNoErr) << "a second quit does nothing";
  }
}

TEST(PluginModule, MissingOrWrongModuleIsNamed) {
  TempDir dir;
  const fs::path missing = dir.path() / "vxshape.aip";
  std::string error;
  EXPECT_EQ(host::PluginModule::Load(missing, error), nullptr);
  EXPECT_NE(error.find(host::PathToUtf8(missing)), std::string::npos) << error;
  EXPECT_NE(error.find("missing"), std::string::npos) << error;

  // A file of that name that is not a module.
  const fs::path wrong = dir.path() / "wrong.aip";
  WriteFile(wrong, "not a module\n");
  EXPECT_EQ(host::PluginModule::Load(wrong, error), nullptr);
  EXPECT_NE(error.find(host::PathToUtf8(wrong)), std::string::npos) << error;
  EXPECT_NE(error.find("cannot be loaded"), std::string::npos) << error;

  // The application answers the same, and starts nothing.
  StandInHost host;
  Application app(host);
  EXPECT_EQ(app.Start(missing, error), host::kNotFound);
  EXPECT_NE(error.find(host::PathToUtf8(missing)), std::string::npos) << error;
  EXPECT_FALSE(app.ModuleLoaded());
}

// vxshape copied to a folder of its own: without the module beside it every command of the
// plug-in fails with the module's name; with the module put back they work.
TEST(PluginModule, ProgramWithoutTheModuleRefusesEveryPluginCommand) {
  TempDir dir;
  const fs::path program = dir.path() / kProgram.filename();
  fs::copy_file(kProgram, program);
  const fs::path module = dir.path() / "vxshape.aip";
  const std::string doc = host::PathToUtf8(dir.path() / "sheet.vxd");
  // The samples copied beside: the source folder's name may mean nothing to the program (Wine).
  for (const char* f : {"roads.shp", "roads.shx", "roads.dbf", "roads.prj", "roads.cpg", "sights.kml"})
    fs::copy_file(kSamples / f, dir.path() / f);
  const std::string shp = host::PathToUtf8(dir.path() / "roads.shp");
  const std::string kml = host::PathToUtf8(dir.path() / "sights.kml");
  const std::string points = host::PathToUtf8(dir.path() / "points.txt");
  const std::string script = host::PathToUtf8(dir.path() / "script.json");
  WriteFile(dir.path() / "points.txt", "-8342.512 22119.73\n");
  WriteFile(dir.path() / "script.json", "{\"steps\": []}\n");
  ASSERT_EQ(RunProgram(program, {"new", doc}).status, 0);

  const std::vector<std::vector<std::string>> commands = {
      {"import-shp", doc, shp, "--from", "JGD:XY9", "--map", "JGD:XY9", "--scale", "5000"},
      {"import-text", doc, points, "--from", "JGD:XY9", "--map", "JGD:XY9", "--scale", "5000"},
      {"import-kml", doc, kml, "--map", "JGD:XY9", "--scale", "5000"},
      {"export-shp", doc, host::PathToUtf8(dir.path() / "out.shp"), "--target", "all"},
      {"export-text", doc, host::PathToUtf8(dir.path() / "out.txt"), "--target", "all"},
      {"run", doc, script},
      {"attrs", doc},
      {"set", doc, "--select", "レイヤー 1", "--field", "name", "x"},
      {"field", doc, "--new", "name"},
      {"label", doc, "--select", "レイヤー 1", "--field", "name"},
      {"search", doc, "--field", "name", "--contains", "x"},
      {"upgrade", doc},
  };
  const std::string before = FileBytes(doc);
  for (const auto& words : commands) {
    const ProgramRun r = RunProgram(program, words);
    EXPECT_EQ(r.status, 1) << words[0] << ": " << r.err;
    EXPECT_NE(r.err.find("plug-in module " + host::PathToUtf8(module) + " is missing"), std::string::npos)
        << words[0] << ": " << r.err;
  }
  EXPECT_EQ(FileBytes(doc), before) << "a command changed the document without the plug-in";

  // --plugin names another file; that one is looked for.
  const std::string elsewhere = host::PathToUtf8(dir.path() / "elsewhere.aip");
  ProgramRun r = RunProgram(program, {"--plugin", elsewhere, "attrs", doc});
  EXPECT_NE(r.err.find(elsewhere), std::string::npos) << r.err;

  fs::copy_file(kModule, module);
  r = RunProgram(program, {"attrs", doc});
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunProgram(program, commands[0]);
  EXPECT_EQ(r.status, 0) << r.err;
  r = RunProgram(kProgram, {"--plugin", host::PathToUtf8(module), "attrs", doc});
  EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace vx::test
