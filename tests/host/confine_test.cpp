// Files below a web page's root are reached without following links at any step: a planted link
// (to a file or a folder outside) is neither read, nor written through, nor renamed into.
#include "shell/host/atomic_file.h"
#include "shell/host/files.h"
#include "tests/support/host_fixture.h"

#include <fstream>
#include <sstream>

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using namespace vx::host;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ConfineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "sub");
    fs::create_directories(outside);
    std::ofstream(outside / "secret.dbf") << "secret";
    std::ofstream(root / "plain.txt") << "plain";
    fs::create_symlink(outside / "secret.dbf", root / "a.dbf");
    fs::create_symlink(outside, root / "out");
    ConfineFilesBelow(fs::canonical(root));
  }
  void TearDown() override { ConfineFilesBelow({}); }
  TempDir dir;
  fs::path root = fs::canonical(dir.path()) / "root", outside = fs::canonical(dir.path()) / "outside";
};

TEST_F(ConfineTest, NothingOutsideIsReadWrittenOrCreatedThroughALink) {
  // Reading: a sidecar that is a link, a file behind a linked folder, a name with "..".
  for (const fs::path& p : {root / "a.dbf", root / "out" / "secret.dbf", root / "sub" / ".." / ".." / "outside" / "secret.dbf"}) {
    SCOPED_TRACE(p.string());
    EXPECT_EQ(Fopen(p, "rb"), nullptr);
    EXPECT_EQ(Fopen(p, "wb"), nullptr);
  }
  // Writing whole files: over a link, into a linked folder.
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(root / "a.dbf", "x", error));
  EXPECT_FALSE(WriteFileAtomically(root / "out" / "new.txt", "x", error));
  fs::path temp;
  EXPECT_FALSE(MakeTempFolder(root / "out" / "set.shp", temp, error));
  EXPECT_FALSE(MakeFolder(root / "out" / "previous"));
  ASSERT_TRUE(WriteFileAtomically(root / "sub" / "made.txt", "made", error)) << error;
  EXPECT_FALSE(RenameOver(root / "sub" / "made.txt", root / "out" / "moved.txt", error));
  EXPECT_EQ(Read(outside / "secret.dbf"), "secret");
  EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 1) << "nothing made outside";
  EXPECT_TRUE(fs::is_symlink(root / "a.dbf")) << "the link itself is not replaced either";

  // What lies below the root without links works as ever; paths elsewhere are not confined.
  std::FILE* f = Fopen(root / "plain.txt", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  ASSERT_TRUE(WriteFileAtomically(root / "plain.txt", "new", error)) << error;
  EXPECT_EQ(Read(root / "plain.txt"), "new");
  ASSERT_TRUE(RenameOver(root / "sub" / "made.txt", root / "moved.txt", error)) << error;
  ASSERT_TRUE(MakeTempFolder(root / "x.shp", temp, error)) << error;
  ASSERT_TRUE(WriteFileAtomically(outside / "other.txt", "elsewhere", error)) << error;
}

// A link swapped in for the target's folder after the write began is not followed at the rename.
TEST_F(ConfineTest, AFolderSwappedForALinkMidWriteIsNotFollowed) {
  fs::create_directories(root / "race");
  AtomicFile f;
  std::string error;
  ASSERT_TRUE(f.Open(root / "race" / "out.txt", error)) << error;
  f.Write("bytes");
  fs::rename(root / "race", root / "race-was");
  fs::create_symlink(outside, root / "race");
  EXPECT_TRUE(f.Commit(error)) << error;  // lands in the folder it was opened in
  EXPECT_EQ(Read(root / "race-was" / "out.txt"), "bytes");
  EXPECT_FALSE(fs::exists(outside / "out.txt"));
}

}  // namespace
}  // namespace vx::test
