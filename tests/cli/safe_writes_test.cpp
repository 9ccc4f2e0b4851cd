// What the commands may do to files when people (or scripts) run them as people do: two at once
// on one document, an output that is an input, a save through a link, a preferences file that
// cannot be written, and an export that cannot be opened.
#include "shell/host/atomic_file.h"
#include "tests/cli/run_vxshape.h"
#include "tests/support/host_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <set>

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path kSource(VX_SOURCE_DIR);
const std::string kImportOptions = " --encoding auto --from auto --map JGD:XY9 --scale 5000";

// The sample shapefile set `name` copied into `dir` (under `as`).
fs::path CopySet(const fs::path& dir, const std::string& name, const std::string& as) {
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    fs::copy_file(kSource / "samples" / (name + ext), dir / (as + ext));
  return dir / (as + ".shp");
}

std::set<std::string> LayerTitles(const fs::path& doc) {
  RunResult r = RunVxshape("info " + Q(doc) + " --json");
  EXPECT_EQ(r.status, 0) << r.err;
  std::set<std::string> out;
  if (r.status != 0) return out;
  const json info = json::parse(r.out);
  for (const json& l : info["layers"]) out.insert(l["title"].get<std::string>());
  return out;
}

// Two imports into one document at once, as two real processes: each one that says it saved
// has its layer in the document, and the document always loads. Before the lock, the second
// writer's layers were lost (or the file was torn) and it still exited 0.
TEST(SafeWrites, TwoImportsIntoOneDocument) {
  TempDir dir;
  const fs::path a = CopySet(dir.path(), "stations", "first"), b = CopySet(dir.path(), "stations", "second");
  const std::string prefs = " --preferences " + Q(dir / "p.json");
  for (int trial = 0; trial < 3; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const fs::path doc = dir / "d.vxd";
    fs::remove(doc);
    ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
    const std::string cmd = std::string("'") + VXSHAPE_BIN + "' import-shp " + Q(doc) + " " + Q(a) + kImportOptions +
                            prefs + " >/dev/null 2>" + Q(dir / "e1") + " & p1=$!; '" + VXSHAPE_BIN + "' import-shp " +
                            Q(doc) + " " + Q(b) + kImportOptions + prefs + " >/dev/null 2>" + Q(dir / "e2") +
                            " & p2=$!; wait $p1; s1=$?; wait $p2; s2=$?; echo $s1 $s2 >" + Q(dir / "st");
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int s1 = -1, s2 = -1;
    std::ifstream(dir / "st") >> s1 >> s2;
    const std::set<std::string> titles = LayerTitles(doc);
    EXPECT_EQ(s1 == 0, titles.count("first") == 1) << Slurp(dir / "e1");
    EXPECT_EQ(s2 == 0, titles.count("second") == 1) << Slurp(dir / "e2");
    EXPECT_TRUE(s1 == 0 || s2 == 0);
    for (const auto& e : fs::directory_iterator(dir.path()))
      EXPECT_EQ(e.path().filename().string().find(".vxtmp"), std::string::npos) << e.path();
  }
}

// A command that finds the document held by another waits a moment, then says so and exits
// non-zero, leaving the document as it was.
TEST(SafeWrites, BusyDocumentIsRefusedWithAReason) {
  TempDir dir;
  const fs::path doc = dir / "d.vxd", shp = CopySet(dir.path(), "stations", "s");
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string before = Slurp(doc);
  host::FileLock other;
  std::string error;
  ASSERT_EQ(other.Acquire(doc, 0, error), host::FileLock::Outcome::kHeld) << error;
  for (const std::string& args : {"import-shp " + Q(doc) + " " + Q(shp) + kImportOptions + " --preferences " +
                                      Q(dir / "p.json"),
                                  "upgrade " + Q(doc)}) {
    SCOPED_TRACE(args);
    RunResult r = RunVxshape(args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("is being changed by another command"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(doc.string()), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(doc), before);
  }
  // Reading needs no lock.
  EXPECT_EQ(RunVxshape("info " + Q(doc)).status, 0);
}

// An output that is one of the inputs (also through a link or another spelling) is refused
// before anything is written, for every command that writes.
TEST(SafeWrites, OutputThatIsAnInputIsRefused) {
  TempDir dir;
  const fs::path doc = dir / "d.vxd", shp = CopySet(dir.path(), "stations", "roads");
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string prefs = " --preferences " + Q(dir / "p.json");
  ASSERT_EQ(RunVxshape("import-shp " + Q(doc) + " " + Q(shp) + kImportOptions + prefs).status, 0);
  std::ofstream(dir / "pts.csv") << "lat,lon\n35,139\n";
  fs::copy_file(kSource / "samples" / "sights.kml", dir / "s.kml");
  std::ofstream(dir / "script.json") << "[]";
  fs::create_symlink(shp, dir / "link.shp");
  fs::create_symlink(doc, dir / "doclink.vxd");
  // A document under a shapefile's name: the export's .shp would be the document.
  fs::copy_file(doc, dir / "docset.shp");

  const std::string sub = (dir.path() / "." / "sub" / "..").string();
  fs::create_directory(dir / "sub");
  const struct {
    const char* why;
    std::string args;
    fs::path input;  // must come through unchanged
  } cases[] = {
      {"import-shp -o its shapefile", "import-shp " + Q(doc) + " " + Q(shp) + " -o " + Q(shp) + kImportOptions + prefs, shp},
      {"import-shp -o the shapefile's table", "import-shp " + Q(doc) + " " + Q(shp) + " -o " + Q(dir / "roads.dbf") +
                                                  kImportOptions + prefs,
       dir / "roads.dbf"},
      {"import-shp -o a link to the shapefile",
       "import-shp " + Q(doc) + " " + Q(shp) + " -o " + Q(dir / "link.shp") + kImportOptions + prefs, shp},
      {"import-text -o its text by another spelling",
       "import-text " + Q(doc) + " " + Q(dir / "pts.csv") + " -o " + Q(fs::path(sub) / "pts.csv") +
           " --lat 1 --lon 2 --from JGD:BL --map JGD:XY9 --scale 5000" + prefs,
       dir / "pts.csv"},
      {"import-kml -o its KML", "import-kml " + Q(doc) + " " + Q(dir / "s.kml") + " -o " + Q(dir / "s.kml") +
                                    " --map JGD:XY9 --scale 5000" + prefs,
       dir / "s.kml"},
      {"export-text onto the document", "export-text " + Q(doc) + " " + Q(doc) + prefs, doc},
      {"export-text onto a link to the document", "export-text " + Q(doc) + " " + Q(dir / "doclink.vxd") + prefs, doc},
      {"export-shp onto the document", "export-shp " + Q(dir / "docset.shp") + " " + Q(dir / "docset") + prefs,
       dir / "docset.shp"},
      {"render onto the document", "render " + Q(doc) + " " + Q(dir / "doclink.vxd"), doc},
      {"run -o its script", "run " + Q(doc) + " " + Q(dir / "script.json") + " -o " + Q(dir / "script.json") + prefs,
       dir / "script.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string before = Slurp(c.input), docBefore = Slurp(doc);
    RunResult r = RunVxshape(c.args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("would destroy what is read"), std::string::npos) << r.err;
    EXPECT_EQ(Slurp(c.input), before);
    EXPECT_EQ(Slurp(doc), docBefore);
  }
}

// Per-layer export files are opened by the plug-in: one that would be the document is refused
// there, the others are written.
TEST(SafeWrites, PerLayerExportNeverWritesTheDocument) {
  TempDir dir;
  const fs::path doc = dir / "stations.csv";  // a document named as its layer's text file would be
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string prefs = " --preferences " + Q(dir / "p.json");
  ASSERT_EQ(RunVxshape("import-shp " + Q(doc) + " " + Q(kSource / "samples/stations.shp") + kImportOptions + prefs).status,
            0);
  const std::string before = Slurp(doc);
  RunResult r = RunVxshape("export-text " + Q(doc) + " " + Q(dir.path()) + " --per-layer --target all --comma" + prefs);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("this is the document being exported"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(Slurp(doc), before);
}

// Saving keeps the document's permissions, and a document opened through a link is saved into
// the link's target, the link kept.
TEST(SafeWrites, SaveKeepsModeAndLink) {
  TempDir dir;
  fs::create_directory(dir / "store");
  const fs::path real = dir / "store" / "d.vxd", link = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(real)).status, 0);
  ::chmod(real.c_str(), 0600);
  fs::create_symlink(fs::path("store") / "d.vxd", link);
  RunResult r = RunVxshape("import-shp " + Q(link) + " " + Q(kSource / "samples/stations.shp") + kImportOptions +
                           " --preferences " + Q(dir / "p.json"));
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(LayerTitles(real).count("stations"), 1u);
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Preferences that cannot be written are reported and fail the command; the document that was
// saved before says so.
TEST(SafeWrites, PreferencesThatCannotBeSavedFailTheCommand) {
  TempDir dir;
  const fs::path doc = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  std::ofstream(dir / "plain") << "a file, not a folder";
  RunResult r = RunVxshape("import-shp " + Q(doc) + " " + Q(kSource / "samples/stations.shp") + kImportOptions +
                           " --preferences " + Q(dir / "plain" / "p.json"));
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.err.find("the preferences were not saved"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Not a directory"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(doc.string() + " was saved"), std::string::npos) << r.err;
  EXPECT_EQ(LayerTitles(doc).count("stations"), 1u);
}

// An export that cannot open its output says where and why; a layer title that cannot be a file
// name is named.
TEST(SafeWrites, ExportFailuresSayWhereAndWhy) {
  TempDir dir;
  const fs::path doc = dir / "d.vxd";
  ASSERT_EQ(RunVxshape("new " + Q(doc)).status, 0);
  const std::string prefs = " --preferences " + Q(dir / "p.json");
  ASSERT_EQ(RunVxshape("import-shp " + Q(doc) + " " + Q(kSource / "samples/stations.shp") + kImportOptions + prefs).status,
            0);
  RunResult r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "missing" / "out.shp") + prefs);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("出力ファイルを開けません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find((dir / "missing").string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;

  r = RunVxshape("export-text " + Q(doc) + " " + Q(dir / "missing" / "out.txt") + prefs);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find((dir / "missing" / "out.txt").string()), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;

  // A KML folder makes a layer of its name; one with a slash cannot name a file of its own.
  std::ofstream(dir / "f.kml") << "<kml><Document><Folder><name>上り/下り</name><Placemark><Point>"
                                  "<coordinates>139.7,35.6</coordinates></Point></Placemark></Folder></Document></kml>\n";
  ASSERT_EQ(RunVxshape("import-kml " + Q(doc) + " " + Q(dir / "f.kml") + " --map JGD:XY9 --scale 5000" + prefs).status, 0);
  fs::create_directory(dir / "layers");
  r = RunVxshape("export-shp " + Q(doc) + " " + Q(dir / "layers") + " --per-layer --target all" + prefs);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("上り/下り"), std::string::npos) << r.out << r.err;
  EXPECT_TRUE(fs::exists(dir / "layers" / "stations.shp")) << "the other layers are written";
}

}  // namespace
}  // namespace vx::test
