// Replacing a shapefile set: the previous set stays whole unless the whole new one is in place,
// whatever rename fails, and no moment shows a .shp beside another set's .shx or .dbf.
#include "shell/host/atomic_file.h"
#include "tests/export/export_fixture.h"

#include <map>

namespace vx::test {
namespace {

namespace fs = std::filesystem;

class SetReplaceTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    AddFrame();
    Square(Group(first), 0, 0, 4);
    ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);  // the previous set: one record
    for (const char* ext : kExts) old[ext] = Slurp(dir / (std::string("x") + ext));
    Square(Group(first), 10, 0, 4);  // the new set would have two
  }
  void TearDown() override {
    host::SetRenameFaultForTesting({});
    ExportFixture::TearDown();
  }
  bool OldSetIntact() const {
    for (const char* ext : kExts)
      if (Slurp(dir / (std::string("x") + ext)) != old.at(ext)) return false;
    return true;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir.path())) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static constexpr const char* kExts[] = {".shp", ".shx", ".dbf", ".prj", ".cpg"};
  std::map<std::string, std::string> old;
};

TEST_F(SetReplaceTest, AnyFailedRenameKeepsThePreviousSet) {
  const std::vector<std::string> before = Names();
  // The previous set's five files go aside and the new five come in: ten renames.
  for (int failing = 1; failing <= 10; ++failing) {
    SCOPED_TRACE("rename " + std::to_string(failing) + " fails");
    int n = 0;
    host::SetRenameFaultForTesting([&](const fs::path&, const fs::path&) { return ++n == failing; });
    const std::size_t alerts = user->Alerts().size();
    ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);
    host::SetRenameFaultForTesting({});
    ASSERT_EQ(user->Alerts().size(), alerts + 1);
    EXPECT_EQ(user->Alerts().back().text.rfind("出力ファイルを書き込めません", 0), 0u);
    EXPECT_TRUE(OldSetIntact());
    EXPECT_EQ(Names(), before) << "nothing left behind";
    EXPECT_EQ(Read(dir / "x.shp").size(), 1u);
  }
  ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);
  EXPECT_EQ(Read(dir / "x.shp").size(), 2u);
  EXPECT_EQ(Names(), before);
}

// A kill may come between any two renames: at each of them, a .shp under the name must be the
// previous one with its own .shx and .dbf.
TEST_F(SetReplaceTest, NoMomentShowsAMixedSet) {
  int renames = 0;
  host::SetRenameFaultForTesting([&](const fs::path&, const fs::path&) {
    ++renames;
    if (fs::exists(dir / "x.shp")) {
      EXPECT_TRUE(OldSetIntact()) << "before rename " << renames;
    }
    return false;
  });
  ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);
  host::SetRenameFaultForTesting({});
  EXPECT_EQ(renames, 10);
  EXPECT_EQ(Read(dir / "x.shp").size(), 2u);
}

// The old writer used fixed temporary names: links planted there overwrote what they led to.
TEST_F(SetReplaceTest, PlantedLinksAtTemporaryNamesAreNotFollowed) {
  fs::create_directory(dir / "elsewhere");
  const fs::path victim = dir / "elsewhere" / "victim";
  std::ofstream(victim) << "precious";
  for (const char* ext : kExts) fs::create_symlink(victim, dir / (std::string(".x.vxpart") + ext));
  ASSERT_EQ(Export({}, dir / "x.shp"), host::kNoErr);
  EXPECT_EQ(Slurp(victim), "precious");
  EXPECT_EQ(Read(dir / "x.shp").size(), 2u);
}

}  // namespace
}  // namespace vx::test
