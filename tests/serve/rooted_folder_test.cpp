// The folder a page may browse: no name leads outside it, through "..", an absolute name or a link.
#include "serve/rooted_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using serve::RootedFolder;
using Need = RootedFolder::Need;

class RootedFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::temp_directory_path() / ("vx-rooted-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base_);
    fs::create_directories(base_ / "root" / "sub");
    fs::create_directories(base_ / "outside");
    std::ofstream(base_ / "root" / "a.shp") << "x";
    std::ofstream(base_ / "root" / "a.dbf") << "x";
    std::ofstream(base_ / "root" / "sub" / "b.SHP") << "x";
    std::ofstream(base_ / "outside" / "secret.shp") << "x";
    fs::create_directory_symlink(base_ / "outside", base_ / "root" / "door");
    fs::create_symlink(base_ / "outside" / "secret.shp", base_ / "root" / "secret.shp");
  }
  void TearDown() override { fs::remove_all(base_); }
  fs::path base_;
};

TEST_F(RootedFolderTest, NamesThatLeaveTheFolderAreRefused) {
  const RootedFolder root(base_ / "root");
  struct Case {
    const char* name;
    Need need;
    bool ok;
  };
  const Case cases[] = {
      {"", Need::Folder, true},          {"sub", Need::Folder, true},
      {"a.shp", Need::File, true},        {"sub/b.SHP", Need::File, true},
      {"sub//b.SHP", Need::File, true},   {"new.shp", Need::NewFile, true},
      {"a.shp", Need::NewFile, true},     {"sub/new.shp", Need::NewFile, true},
      {"..", Need::Folder, false},        {"sub/..", Need::Folder, false},
      {"../outside", Need::Folder, false}, {"./a.shp", Need::File, false},
      {"/etc", Need::Folder, false},      {"/etc/passwd", Need::File, false},
      {"door", Need::Folder, false},      {"door/secret.shp", Need::File, false},
      {"secret.shp", Need::File, false},  {"secret.shp", Need::NewFile, false},
      {"door/new.shp", Need::NewFile, false}, {"sub", Need::NewFile, false},
      {"sub", Need::File, false},         {"a.shp", Need::Folder, false},
      {"missing/new.shp", Need::NewFile, false}, {"missing.shp", Need::File, false},
      {"", Need::File, false},            {"sub\\\\..\\\\..", Need::Folder, false},
  };
  for (const Case& c : cases) {
    const auto p = root.Resolve(c.name, c.need);
    EXPECT_EQ(p.has_value(), c.ok) << "\"" << c.name << "\" need " << static_cast<int>(c.need);
    if (p) {
      EXPECT_TRUE(root.Relative(*p).has_value()) << c.name;
    }
  }
  EXPECT_FALSE(root.Relative(base_ / "outside" / "secret.shp").has_value());
  EXPECT_EQ(root.Relative(base_ / "root").value_or("?"), "");
  EXPECT_EQ(root.Relative(base_ / "root" / "sub" / "b.SHP").value_or("?"), "sub/b.SHP");
}

TEST_F(RootedFolderTest, ListingShowsFoldersAndMatchingFilesButNoLinks) {
  const RootedFolder root(base_ / "root");
  const auto top = root.List("", {"*.shp"});
  ASSERT_TRUE(top.has_value());
  std::vector<std::string> names;
  for (const auto& e : *top) names.push_back(e.name + (e.folder ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"sub/", "a.shp"}));
  const auto sub = root.List("sub", {"*.shp"});
  ASSERT_TRUE(sub.has_value());
  ASSERT_EQ(sub->size(), 1u) << "patterns match either case";
  EXPECT_FALSE(root.List("door", {}).has_value());
  EXPECT_FALSE(root.List("..", {}).has_value());
}

TEST(FilterPatternTest, WildcardsAndLists) {
  EXPECT_EQ(serve::FilterPatterns("*.shp; *.dbf;;"), (std::vector<std::string>{"*.shp", "*.dbf"}));
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"a.shp", "*.shp", true},   {"A.SHP", "*.shp", true}, {"a.shp.bak", "*.shp", false}, {"a.txt", "*.*", true},
      {"abc", "a?c", true},       {"ac", "a?c", false},     {"x.tar.gz", "*.gz", true},     {"", "*", true},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
  };
  for (const Case& c : cases) EXPECT_EQ(serve::MatchesPattern(c.name, c.pattern), c.match) << c.name << " " << c.pattern;
}

}  // namespace
}  // namespace vx::test
