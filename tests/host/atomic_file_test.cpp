// The whole-file writer and the advisory lock: what a save may and may not do to the file it
// replaces, to links, to a planted temporary name and to a second writer.
#include "shell/host/atomic_file.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <sstream>
#include <sys/stat.h>

namespace vx::host {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::string Read(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}
void Put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
unsigned Mode(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mode & 07777;
}
// Every name in `dir`, to see that nothing was left behind.
std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(AtomicFile, KeepsModeAndWritesThroughLinks) {
  TempDir dir;
  fs::create_directory(dir / "real");
  struct Case {
    const char* why;
    unsigned mode;
    fs::path link;     // what is saved to ("" = the file itself)
    fs::path linkTo;   // what the link holds
  } const cases[] = {
      {"a private file stays private", 0600, {}, {}},
      {"a group-readable file stays so", 0640, {}, {}},
      {"an absolute link", 0600, dir / "abs.vxd", dir / "real" / "doc.vxd"},
      {"a relative link into another folder", 0644, dir / "rel.vxd", fs::path("real") / "doc.vxd"},
      {"a link to a link", 0600, dir / "twice.vxd", dir / "abs2.vxd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const fs::path file = dir / "real" / "doc.vxd";
    Put(file, "old");
    ::chmod(file.c_str(), c.mode);
    fs::path target = file;
    if (!c.link.empty()) {
      fs::remove(c.link);
      if (c.link == dir / "twice.vxd") {
        fs::remove(dir / "abs2.vxd");
        fs::create_symlink(file, dir / "abs2.vxd");
      }
      fs::create_symlink(c.linkTo, c.link);
      target = c.link;
    }
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(target, "new", error)) << error;
    EXPECT_EQ(Read(file), "new");
    EXPECT_EQ(Mode(file), c.mode);
    if (!c.link.empty()) {
      EXPECT_TRUE(fs::is_symlink(c.link)) << "the link is kept, not replaced by a file";
    }
    EXPECT_EQ(Names(dir / "real"), std::vector<std::string>{"doc.vxd"});
  }
}

TEST(AtomicFile, NewFileFollowsTheUmask) {
  TempDir dir;
  const mode_t old = ::umask(022);
  std::string error;
  EXPECT_TRUE(WriteFileAtomically(dir / "n.txt", "x", error)) << error;
  ::umask(old);
  EXPECT_EQ(Mode(dir / "n.txt"), 0644u);
}

// The old writer opened NAME.tmp with truncation: a link planted there overwrote its target.
TEST(AtomicFile, PlantedLinksAtTemporaryNamesAreNotFollowed) {
  TempDir dir;
  const fs::path victim = dir / "victim.txt";
  Put(victim, "precious");
  for (const char* planted : {"doc.vxd.tmp", ".doc.vxd.tmp", ".doc.vxd.vxpart"})
    fs::create_symlink(victim, dir / planted);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(dir / "doc.vxd", "document", error)) << error;
  EXPECT_EQ(Read(victim), "precious");
  EXPECT_EQ(Read(dir / "doc.vxd"), "document");
  EXPECT_EQ(Names(dir.path()).size(), 5u) << "nothing but the document was added";
}

TEST(AtomicFile, FailuresKeepTheTargetAndLeaveNothing) {
  TempDir dir;
  const fs::path file = dir / "doc.vxd";
  Put(file, "old");
  std::string error;

  SetRenameFaultForTesting([](const fs::path&, const fs::path& to) { return to.filename() == "doc.vxd"; });
  EXPECT_FALSE(WriteFileAtomically(file, "new", error));
  SetRenameFaultForTesting({});
  EXPECT_NE(error.find("doc.vxd"), std::string::npos) << error;
  EXPECT_NE(error.find(SystemReason(EIO)), std::string::npos) << error;
  EXPECT_EQ(Read(file), "old");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"doc.vxd"});

  // A folder that does not exist: the reason is the system's.
  error.clear();
  EXPECT_FALSE(WriteFileAtomically(dir / "no" / "doc.vxd", "new", error));
  EXPECT_NE(error.find(SystemReason(ENOENT)), std::string::npos) << error;
}

TEST(AtomicFile, SameFileSeesLinksAndSpellings) {
  TempDir dir;
  Put(dir / "a.shp", "x");
  fs::create_symlink(dir / "a.shp", dir / "link.shp");
  fs::create_hard_link(dir / "a.shp", dir / "hard.shp");
  EXPECT_TRUE(SameFile(dir / "a.shp", dir / "link.shp"));
  EXPECT_TRUE(SameFile(dir / "a.shp", dir / "hard.shp"));
  EXPECT_TRUE(SameFile(dir / "a.shp", dir.path() / "." / ".." / dir.path().filename() / "a.shp"));
  EXPECT_FALSE(SameFile(dir / "a.shp", dir / "absent.shp"));
  EXPECT_FALSE(SameFile(dir / "absent.shp", dir / "absent.shp")) << "a file that does not exist is no input";
}

TEST(FileLock, SecondHolderWaitsThenIsRefusedAndFollowsAReplacedFile) {
  TempDir dir;
  const fs::path file = dir / "doc.vxd";
  Put(file, "v1");
  std::string error;
  FileLock first, second;
  ASSERT_EQ(first.Acquire(file, 0, error), FileLock::Outcome::kHeld) << error;
  EXPECT_EQ(second.Acquire(file, 100, error), FileLock::Outcome::kBusy);
  // Through a link it is the same file, and so the same lock.
  fs::create_symlink(file, dir / "link.vxd");
  EXPECT_EQ(second.Acquire(dir / "link.vxd", 0, error), FileLock::Outcome::kBusy);
  first.Release();
  EXPECT_EQ(second.Acquire(file, 0, error), FileLock::Outcome::kHeld) << error;
  second.Release();

  // The holder saves (a new file under the name) and then lets go: the waiter, which opened the
  // old file, must end up holding the new one, or a third command could lock it beside it.
  ASSERT_EQ(first.Acquire(file, 0, error), FileLock::Outcome::kHeld);
  FileLock::Outcome waited = FileLock::Outcome::kError;
  std::thread waiter([&] {
    std::string e;
    waited = second.Acquire(file, 10000, e);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the waiter is polling the old file
  ASSERT_TRUE(WriteFileAtomically(file, "v2", error)) << error;
  first.Release();
  waiter.join();
  EXPECT_EQ(waited, FileLock::Outcome::kHeld);
  FileLock third;
  EXPECT_EQ(third.Acquire(file, 0, error), FileLock::Outcome::kBusy) << "the waiter holds what the name holds now";
  second.Release();

  EXPECT_EQ(FileLock().Acquire(dir / "absent.vxd", 0, error), FileLock::Outcome::kError);
  EXPECT_NE(error.find("absent.vxd"), std::string::npos) << error;
}

TEST(AtomicFile, TemporaryFoldersAreFreshAndPrivate) {
  TempDir dir;
  fs::path a, b;
  std::string error;
  ASSERT_TRUE(MakeTempFolder(dir / "out.shp", a, error)) << error;
  ASSERT_TRUE(MakeTempFolder(dir / "out.shp", b, error)) << error;
  EXPECT_NE(a, b);
  EXPECT_EQ(a.parent_path(), dir.path());
  EXPECT_EQ(Mode(a), 0700u);
}

}  // namespace
}  // namespace vx::host
