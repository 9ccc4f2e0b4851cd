// What differs between systems: Japanese file and folder names, replacing a file that exists,
// line ends, and where the preferences live. The same tests run on Linux and, under Wine, on
// Windows, where names go through the wide-character calls and rename does not replace by itself.
#include "geodesy/shift_grid.h"
#include "host/atomic_file.h"
#include "host/svg_document.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"
#include "tests/support/host_fixture.h"
#include "tests/support/run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using host::PathToUtf8;
using host::Utf8ToPath;

const fs::path kSamples = fs::path(VX_SOURCE_DIR) / "samples";

ProgramRun Vx(const std::vector<std::string>& words, const std::vector<std::pair<std::string, std::string>>& env = {}) {
  return RunProgram(VXSHAPE_BIN, words, "", env);
}

std::string Word(const fs::path& p) { return PathToUtf8(p); }

// Names in the folder, sorted: what a failed or finished write leaves behind.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(PathToUtf8(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

// Every LF is preceded by exactly one CR (UTF-8 and Shift-JIS files).
bool CrLfOnly(const std::string& b) {
  std::size_t lf = 0;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b[i] == '\n' && !(i > 0 && b[i - 1] == '\r' && !(i > 1 && b[i - 2] == '\r'))) return false;
    if (b[i] == '\r' && !(i + 1 < b.size() && b[i + 1] == '\n')) return false;
    lf += b[i] == '\n';
  }
  return lf > 0 && b.ends_with("\r\n");
}

class PlatformFiles : public ::testing::Test {
 protected:
  // The sample roads as 地図/道路.shp, in a document named 地図/地図.vxd.
  void SetUp() override {
    fs::create_directory(folder);
    for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
      fs::copy_file(kSamples / (std::string("roads") + ext), folder / Utf8ToPath(std::string("道路") + ext));
    ASSERT_EQ(Vx({"new", Word(doc), "--size", "842x595"}).status, 0);
    const ProgramRun r = Vx({"import-shp", Word(doc), Word(folder / Utf8ToPath("道路.shp")), "--encoding", "auto",
                             "--from", "auto", "--map", "JGD:XY9", "--scale", "5000", "--north", "--preferences",
                             Word(dir / "prefs.json")});
    ASSERT_EQ(r.status, 0) << r.err;
  }

  TempDir dir;
  const fs::path folder = dir / "地図";
  const fs::path doc = folder / Utf8ToPath("地図.vxd");
};

TEST_F(PlatformFiles, JapaneseFileAndFolderNamesImportAndExport) {
  const ProgramRun info = Vx({"info", Word(doc), "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("\"道路\""), std::string::npos) << "the layer is named after the file: " << info.out;

  // One file with a Japanese name, and one file per layer named after the layer's title.
  const fs::path out = folder / Utf8ToPath("出力.shp"), layers = dir / "書き出し";
  fs::create_directory(layers);
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"export-shp", Word(doc), Word(out), "--target", "all", "--type", "line"},
           {"export-shp", Word(doc), Word(layers), "--target", "all", "--per-layer", "--type", "line"},
           {"export-text", Word(doc), Word(folder / Utf8ToPath("道路の点.csv")), "--target", "all", "--comma"}}) {
    const ProgramRun r = Vx(words);
    EXPECT_EQ(r.status, 0) << words[0] << ": " << r.err;
  }
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    EXPECT_TRUE(fs::is_regular_file(fs::path(out).replace_extension(ext))) << ext;
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    EXPECT_TRUE(fs::is_regular_file(layers / Utf8ToPath(std::string("道路") + ext))) << ext;
  // The exported set reads back under its Japanese name.
  const ProgramRun inspect = Vx({"inspect", Word(out)});
  EXPECT_EQ(inspect.status, 0) << inspect.err;
  EXPECT_TRUE(fs::file_size(folder / Utf8ToPath("道路の点.csv")) > 0);

  // Text in and out through a Japanese name, and a grid file under one.
  std::FILE* f = host::Fopen(folder / Utf8ToPath("座標.txt"), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("-8342.512 22119.73\n", f);
  std::fclose(f);
  const ProgramRun conv = Vx({"convert", "--from", "JGD:XY9", "--to", "JGD:BL", Word(folder / Utf8ToPath("座標.txt"))});
  EXPECT_EQ(conv.status, 0) << conv.err;
  EXPECT_EQ(conv.out.find('\r'), std::string::npos) << "standard output carries the bytes unchanged";
  EXPECT_NE(conv.out.find("139."), std::string::npos) << conv.out;
}

TEST_F(PlatformFiles, PerLayerFilesStayInTheChosenFolderWhateverTheTitle) {
  // A title that names another folder on Windows, where the backslash separates folders too.
  std::string bytes = FileBytes(doc);
  const std::string title = "\"title\":\"道路\"";
  const std::size_t at = bytes.find(title);
  ASSERT_NE(at, std::string::npos) << bytes.substr(0, 300);
  for (const std::string& evil : {std::string(R"(..\\外)")}) {
    std::string changed = bytes;
    changed.replace(at, title.size(), "\"title\":\"" + evil + "\"");
    std::string error;
    ASSERT_TRUE(host::WriteFileAtomically(doc, changed, error)) << error;
    const fs::path chosen = dir / "層" / Utf8ToPath("書き出し");
    fs::create_directories(chosen);
    const ProgramRun r = Vx({"export-shp", Word(doc), Word(chosen), "--target", "all", "--per-layer", "--type", "line"});
    EXPECT_EQ(Listing(chosen.parent_path()), std::vector<std::string>{"書き出し"}) << evil << ": " << r.err;
    fs::remove_all(chosen.parent_path());
  }
}

TEST_F(PlatformFiles, TextExportsEndEveryLineWithCrLfAndOtherFilesWithLf) {
  const fs::path utf8 = dir / "点.csv", sjis = dir / "点.txt", utf16 = dir / "点16.txt", svg = dir / "図.svg";
  ASSERT_EQ(Vx({"export-text", Word(doc), Word(utf8), "--target", "all", "--comma", "--encoding", "utf8"}).status, 0);
  ASSERT_EQ(Vx({"export-text", Word(doc), Word(sjis), "--target", "all", "--tab", "--encoding", "sjis"}).status, 0);
  ASSERT_EQ(Vx({"export-text", Word(doc), Word(utf16), "--target", "all", "--encoding", "utf16"}).status, 0);
  ASSERT_EQ(Vx({"render", Word(doc), Word(svg)}).status, 0);
  EXPECT_TRUE(CrLfOnly(FileBytes(utf8)));
  EXPECT_TRUE(CrLfOnly(FileBytes(sjis)));
  // UTF-16: every 0A 00 unit follows a 0D 00 unit, and the file ends with one.
  const std::string w = FileBytes(utf16);
  ASSERT_TRUE(w.size() > 4 && w.size() % 2 == 0);
  EXPECT_TRUE(w.ends_with(std::string("\r\0\n\0", 4)));
  for (std::size_t i = 2; i + 1 < w.size(); i += 2)
    if (w[i] == '\n' && w[i + 1] == '\0') {
      EXPECT_TRUE(w[i - 2] == '\r' && w[i - 1] == '\0') << "unit " << i / 2;
    }
  // Documents and drawings are written byte for byte the same on every system: LF, no CR.
  for (const fs::path& p : {doc, svg}) EXPECT_EQ(FileBytes(p).find('\r'), std::string::npos) << PathToUtf8(p);
}

TEST_F(PlatformFiles, ReplacingAnExistingFileLeavesTheWholeNewOrTheWholeOldFile) {
  // Exports over files that exist: the second export's files replace the first's.
  const fs::path shp = folder / Utf8ToPath("出力.shp"), csv = folder / Utf8ToPath("出力.csv");
  for (const char* encoding : {"sjis", "utf8"}) {
    ASSERT_EQ(Vx({"export-shp", Word(doc), Word(shp), "--target", "all", "--type", "line", "--encoding", encoding})
                  .status, 0);
    ASSERT_EQ(Vx({"export-text", Word(doc), Word(csv), "--target", "all", "--comma", "--encoding", encoding}).status,
              0);
  }
  EXPECT_EQ(FileBytes(fs::path(shp).replace_extension(".cpg")), "UTF-8");
  EXPECT_TRUE(FileBytes(csv).starts_with("\xEF\xBB\xBF"));
  // (The import in SetUp saved the document over the one `new` made.)

  // A grid rebuilt over the one that exists.
  const fs::path par = folder / Utf8ToPath("変換.par"), grid = folder / Utf8ToPath("変換.dat");
  for (const char* record : {"53394546 1.0 2.0\n", "53394546 3.0 4.0\n53394547 5.0 6.0\n"}) {
    std::FILE* f = host::Fopen(par, "wb");
    ASSERT_NE(f, nullptr);
    std::fputs((std::string("header\nheader\n") + record).c_str(), f);
    std::fclose(f);
    std::string error;
    ASSERT_TRUE(geo::ConvertShiftText(par, grid, &error)) << error;
  }
  EXPECT_EQ(fs::file_size(grid), 2u * geo::kShiftRecordSize);

  // A write over a file another program holds open: either it is replaced whole or it keeps its
  // bytes; no temporary is left either way.
  const fs::path held = dir / "開いている.txt";
  std::string error;
  ASSERT_TRUE(host::WriteFileAtomically(held, "old", error)) << error;
  std::FILE* reader = host::Fopen(held, "rb");
  ASSERT_NE(reader, nullptr);
  const bool replaced = host::WriteFileAtomically(held, "new", error);
  std::fclose(reader);
  EXPECT_EQ(FileBytes(held), replaced ? "new" : "old") << error;
  for (const std::string& name : Listing(dir.path())) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  for (const std::string& name : Listing(folder)) EXPECT_EQ(name.find("vxpart"), std::string::npos) << name;
}

// An SVG document's long path data stays in its file, kept open from load to save: the document
// saves over that file (Windows renames over no open file, so the save closes it and reads the
// new one) as often as it is saved, and elsewhere.
TEST(PlatformSvg, DocumentSavesOverTheFileItReadsItsPathDataFrom) {
  TempDir dir;
  const fs::path file = dir / "図面.svg", other = dir / "別の図面.svg";
  std::string d = "M 0 0";
  for (int i = 1; i <= 40; ++i) d += " L " + std::to_string(i) + " " + std::to_string(2 * i);
  const std::string text = "<svg xmlns='http://www.w3.org/2000/svg' xmlns:inkscape='http://www.inkscape.org/namespaces/inkscape' "
                           "width='100' height='100'><g inkscape:groupmode='layer'><path d='" + d + "'/><path d='" + d +
                           "'/></g></svg>";
  std::string error;
  ASSERT_TRUE(host::WriteFileAtomically(file, text, error)) << error;
  auto doc = host::ReadSvgDocument(file, error);
  ASSERT_TRUE(doc) << error;
  ASSERT_TRUE(host::WriteSvgDocument(*doc, file, error)) << error;
  const std::string saved = FileBytes(file);
  EXPECT_NE(saved.find("d=\"" + d + "\""), std::string::npos) << saved;
  for (const fs::path& target : {file, other, file}) {
    ASSERT_TRUE(host::WriteSvgDocument(*doc, target, error)) << error;
    EXPECT_EQ(FileBytes(target), saved) << PathToUtf8(target);
  }
  host::ArtOpaque* top = doc->layers.front()->group->firstChild;
  ASSERT_TRUE(top && top->next);
  top->segments = std::vector<host::PathSegment>{{{1, 2}, {1, 2}, {1, 2}, false}, {{3, 4}, {3, 4}, {3, 4}, false}};
  ASSERT_TRUE(host::WriteSvgDocument(*doc, file, error)) << error;
  auto back = host::ReadSvgDocument(file, error);
  ASSERT_TRUE(back) << error;
  const host::ArtOpaque* a = back->layers.front()->group->firstChild;
  ASSERT_TRUE(a && a->next);
  EXPECT_EQ(a->segments.size(), 2u);
  EXPECT_EQ(a->next->segments.size(), 41u);
}

TEST_F(PlatformFiles, PreferencesLiveInTheUsersApplicationDataFolder) {
#ifdef _WIN32
  // The roaming application-data folder the system names for the user.
  const fs::path appData = Utf8ToPath(host::Environment("APPDATA"));
  ASSERT_FALSE(appData.empty());
  const std::vector<std::pair<std::string, std::string>> env{{"VXSHAPE_PREFERENCES", ""}};
#else
  const fs::path appData = dir / "config";
  const std::vector<std::pair<std::string, std::string>> env{{"VXSHAPE_PREFERENCES", ""},
                                                             {"XDG_CONFIG_HOME", Word(appData)}};
#endif
  const fs::path prefs = appData / "vxshape" / "preferences.json";
  std::error_code ec;
  fs::remove(prefs, ec);
  // The import remembers its folder in the preferences.
  const ProgramRun r = Vx({"import-shp", Word(doc), Word(folder / Utf8ToPath("道路.shp")), "--encoding", "auto",
                           "--from", "auto", "--map", "JGD:XY9", "--scale", "5000", "-o", Word(dir / "p.vxd")},
                          env);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(FileBytes(prefs).find("地図"), std::string::npos) << PathToUtf8(prefs);
  fs::remove(prefs, ec);
}

}  // namespace
}  // namespace vx::test
