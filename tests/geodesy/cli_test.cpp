// vxshape convert and vxshape grid, run as a user runs them.
#include "geodesy/coord_converter.h"
#include "tests/geodesy/codes.h"
#include "synthetic_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace vx::geo {
namespace {

const std::filesystem::path kProgram = std::filesystem::path(VX_BINARY_DIR) / "cli" / "vxshape";

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs `args` with `input` on standard input; returns the exit status.
int RunProgram(const std::filesystem::path& dir, const std::string& program, const std::string& args,
        const std::string& input, std::string& out, std::string& err) {
  std::ofstream(dir / "in.txt", std::ios::binary) << input;
  const std::string cmd = "'" + program + "' " + args + " < '" + (dir / "in.txt").string() + "' > '" +
                          (dir / "out.txt").string() + "' 2> '" + (dir / "err.txt").string() + "'";
  const int rc = std::system(cmd.c_str());
  out = Slurp(dir / "out.txt");
  err = Slurp(dir / "err.txt");
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

class Cli : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kProgram)) << kProgram;
    dir_ = test::ScratchDir(testing::UnitTest::GetInstance()->current_test_info()->name());
    test::WriteParameterList(dir_ / "field.par", {5339, 5340, 5439, 5440});
    std::string out, err;
    ASSERT_EQ(RunProgram(dir_, kProgram, "grid '" + (dir_ / "field.par").string() + "' '" + (dir_ / "grid.dat").string() + "'",
                  "", out, err),
              0)
        << err;
  }
  std::filesystem::path dir_;
};

TEST_F(Cli, ConvertsAcrossDatumsLineByLine) {
  const std::string input = "# Tokyo plane zone 9\n\n-8342.512 22119.73\n  1000\t-2000.5  \r\n12345 -6789";
  std::string out, err;
  ASSERT_EQ(RunProgram(dir_, kProgram, "convert --from TKY:XY9 --to JGD:UTM54 --grid '" + (dir_ / "grid.dat").string() + "'",
                input, out, err),
            0)
      << err;
  CCoordConverter cv({[this] { return dir_ / "grid.dat"; }, {}});
  ASSERT_TRUE(cv.Setup(Sys(1, 3, 9, 0), Sys(2, 2, 0, 54)));
  std::string expected = "# Tokyo plane zone 9\n\n";
  for (auto [x, y] : {std::pair{-8342.512, 22119.73}, {1000.0, -2000.5}, {12345.0, -6789.0}}) {
    double a, b, g;
    ASSERT_TRUE(cv.Convert(x, y, a, b, g));
    char line[128];
    std::snprintf(line, sizeof line, "%.9f %.9f %.9f\n", a, b, g);
    expected += line;
  }
  EXPECT_EQ(out, expected);
  EXPECT_EQ(err, "");
}

TEST_F(Cli, BadLinesAreReportedAndTheRunGoesOn) {
  const std::string input = "139.7 35.7\nabc 35\n139.7\n139.7 35.7 9\n139.7 95\n+-140 36\n140 36\n";
  std::string out, err;
  EXPECT_EQ(RunProgram(dir_, kProgram, "convert --from JGD:BL --to TKY:BL --grid '" + (dir_ / "grid.dat").string() + "'",
                input, out, err),
            1);
  std::istringstream lines(out);
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) {
    ++n;
    const bool bad = n >= 2 && n <= 6;
    EXPECT_EQ(line == "nan nan nan", bad) << n << ": " << line;
  }
  EXPECT_EQ(n, 7);
  for (const char* m : {"line 2:", "line 3:", "line 4:", "line 5:", "line 6:"}) EXPECT_NE(err.find(m), std::string::npos) << err;
  EXPECT_EQ(err.find("line 1:"), std::string::npos);
  EXPECT_EQ(err.find("line 7:"), std::string::npos);
}

std::string Fixed(double v, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// "BL" is degrees both ways, longitude first, as the exporter writes latitude/longitude;
// "BL-sheet" is the sheet's equirectangular metres, both ways.
TEST_F(Cli, LatLongInDegreesAndSheetMetres) {
  double r;
  ASSERT_TRUE(MeanRadius(DatumJgd2000, r));
  const double sx = 139.7 * 0.0174532925199433 * r, sy = 35.7 * 0.0174532925199433 * r;
  // The expected line from the converter's own stages.
  auto viaStages = [this](int sd, CoordKind sk, int sz, int dd, double x, double y) {
    CCoordConverter cv({[this] { return dir_ / "grid.dat"; }, {}});
    EXPECT_TRUE(cv.Setup(Sys(sd, sk, sz, 0), Sys(dd, KindLatLong, 0, 0)));
    double lat, lon;
    EXPECT_TRUE(cv.SourceToLatLong(y, x, lat, lon) && cv.ShiftDatum(lat, lon, lat, lon));
    return Fixed(lon, 12) + " " + Fixed(lat, 12) + " 0.000000000\n";
  };
  struct Case {
    const char* from;
    const char* to;
    std::string input, expected;
    const char* why;
  } const cases[] = {
      {"JGD:BL", "JGD:BL", "139.7 35.7\n", "139.700000000000 35.700000000000 0.000000000\n", "degrees pass through"},
      {"TKY:BL", "JGD:BL", "139.7 35.7\n", viaStages(1, KindLatLong, 0, 2, 139.7, 35.7), "shifted degrees"},
      {"JGD:XY9", "TKY:BL", "-8342.512 22119.73\n", viaStages(2, KindPlaneXY, 9, 1, -8342.512, 22119.73),
       "plane zone to Tokyo degrees"},
      {"JGD:BL", "JGD:BL-sheet", "139.7 35.7\n", Fixed(sx, 9) + " " + Fixed(sy, 9) + " 0.000000000\n",
       "sheet metres out"},
      {"JGD:BL-sheet", "JGD:BL", Fixed(sx, 9) + " " + Fixed(sy, 9) + "\n",
       "139.700000000000 35.700000000000 0.000000000\n", "sheet metres read back"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::string out, err;
    EXPECT_EQ(RunProgram(dir_, kProgram,
                         std::string("convert --from ") + c.from + " --to " + c.to + " --grid '" +
                             (dir_ / "grid.dat").string() + "'",
                         c.input, out, err),
              0)
        << err;
    EXPECT_EQ(out, c.expected);
  }
}

// Out of the domain, and non-finite through the identity: the failed line, not a plausible point.
// Numbers of any size are printed whole.
TEST_F(Cli, OutOfDomainAndHugeNumbers) {
  struct Case {
    const char* from;
    const char* to;
    std::string input, expected;
    const char* why;
  } const cases[] = {
      {"JGD:BL", "JGD:XY9", "139.7 95\n", "nan nan nan\n", "latitude beyond 90"},
      {"JGD:BL", "JGD:BL", "-181 35\n", "nan nan nan\n", "longitude beyond -180"},
      {"JGD:XY9", "JGD:UTM54", "0 1.2e7\n", "nan nan nan\n", "past the pole"},
      {"JGD:XY9", "JGD:XY9", "nan 0\n", "nan nan nan\n", "NaN through the identity"},
      {"JGD:UTM54", "JGD:UTM54", "500000 inf\n", "nan nan nan\n", "infinity through the identity"},
      {"JGD:XY9", "JGD:XY9", "1e300 0\n", Fixed(1e300, 9) + " 0.000000000 0.000000000\n", "1e300 is 301 digits"},
      {"JGD:XY9", "JGD:XY9", "0 -1.7976931348623157e308\n",
       "0.000000000 " + Fixed(-1.7976931348623157e308, 9) + " 0.000000000\n", "the largest double"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::string out, err;
    const bool bad = c.expected == "nan nan nan\n";
    EXPECT_EQ(RunProgram(dir_, kProgram, std::string("convert --from ") + c.from + " --to " + c.to, c.input, out, err),
              bad ? 1 : 0);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(err.find("line 1:") != std::string::npos, bad) << err;
  }
}

// A write that fails ends the run with one line on standard error and status 1, whether it fails
// while converting or in the last flush, and whether the reader is a full disk or a closed pipe.
TEST_F(Cli, WriteFailuresAreReported) {
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "1000 2000\n";
  std::ofstream(dir_ / "many.txt") << many;
  std::ofstream(dir_ / "one.txt") << "# a comment\n1000 2000\n";
  const std::string convert = "'" + kProgram.string() + "' convert --from JGD:XY9 --to JGD:UTM54 ";
  const std::string err = "'" + (dir_ / "err.txt").string() + "'";
  const std::string rc = "'" + (dir_ / "rc.txt").string() + "'";
  struct Case {
    std::string command;
    const char* why;
  } const cases[] = {
      {convert + "< '" + (dir_ / "one.txt").string() + "' > /dev/full 2> " + err + "; echo $? > " + rc,
       "disk full at the last flush"},
      {convert + "< '" + (dir_ / "many.txt").string() + "' > /dev/full 2> " + err + "; echo $? > " + rc,
       "disk full while converting"},
      {"(" + convert + "< '" + (dir_ / "many.txt").string() + "' 2> " + err + "; echo $? > " + rc + ") | true",
       "reader gone"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::system(c.command.c_str());
    EXPECT_EQ(Slurp(dir_ / "rc.txt"), "1\n");
    const std::string text = Slurp(dir_ / "err.txt");
    EXPECT_TRUE(text.starts_with("vxshape: cannot write standard output: ")) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  }
}

TEST_F(Cli, GridBesideTheProgramOrNone) {
  std::string out, err;
  // No grid beside the program and no --grid: the plug-in's message, and nothing converted.
  const auto lonely = dir_ / "lonely";
  std::filesystem::create_directories(lonely);
  std::filesystem::copy_file(kProgram, lonely / "vxshape");
  EXPECT_EQ(RunProgram(dir_, (lonely / "vxshape").string(), "convert --from TKY:XY9 --to JGD:XY9", "0 0\n", out, err), 1);
  EXPECT_NE(err.find("測地系変換パラメータファイルを開けません"), std::string::npos) << err;
  // ... followed by the file looked for and the way to give one.
  EXPECT_NE(err.find((lonely / kShiftGridFileName).string()), std::string::npos) << err;
  EXPECT_NE(err.find("--grid FILE"), std::string::npos) << err;
  EXPECT_EQ(out, "");
  const std::string missing = (dir_ / "no-such.dat").string();
  EXPECT_EQ(RunProgram(dir_, kProgram, "convert --from TKY:XY9 --to JGD:XY9 --grid '" + missing + "'", "0 0\n", out, err), 1);
  EXPECT_NE(err.find(missing), std::string::npos) << err;
  // The same datum needs no grid.
  EXPECT_EQ(RunProgram(dir_, (lonely / "vxshape").string(), "convert --from TKY:XY9 --to TKY:XY9", "0 0\n", out, err), 0);
  EXPECT_EQ(out, "0.000000000 0.000000000 0.000000000\n");
  // With the test grid under the looked-for name beside the copy (removed straight after).
  std::filesystem::copy_file(dir_ / "grid.dat", lonely / kShiftGridFileName);
  const int rc = RunProgram(dir_, (lonely / "vxshape").string(), "convert --from TKY:XY9 --to JGD:XY9", "0 0\n", out, err);
  std::filesystem::remove_all(lonely);
  EXPECT_EQ(rc, 0) << err;
  std::string viaOption;
  EXPECT_EQ(RunProgram(dir_, kProgram, "convert --from TKY:XY9 --to JGD:XY9 --grid '" + (dir_ / "grid.dat").string() + "'",
                "0 0\n", viaOption, err),
            0);
  EXPECT_EQ(out, viaOption);
}

TEST_F(Cli, RejectsUnknownSystemsAndBadParameterLists) {
  std::string out, err;
  for (const char* sys : {"WGS:BL", "JGD:XY0", "JGD:XY20", "JGD:UTM61", "JGD:XY9x", "JGD", "jgd:BL", "JGD:LL"}) {
    EXPECT_EQ(RunProgram(dir_, kProgram, std::string("convert --from ") + sys + " --to JGD:BL", "", out, err), 2) << sys;
    EXPECT_NE(err.find("unknown coordinate system"), std::string::npos) << sys;
  }
  std::ofstream(dir_ / "bad.par") << "h1\nh2\n53394546 1 2\n53394547 x 2\n";
  EXPECT_EQ(RunProgram(dir_, kProgram, "grid '" + (dir_ / "bad.par").string() + "' '" + (dir_ / "bad.dat").string() + "'", "",
                out, err),
            1);
  EXPECT_NE(err.find("line 4"), std::string::npos) << err;
}

// The grid is replaced only by a complete one, and never written over its own parameter list.
TEST_F(Cli, GridIsReplacedOnlyWhenComplete) {
  const auto par = dir_ / "field.par", dat = dir_ / "grid.dat";
  const std::string parText = Slurp(par), datBytes = Slurp(dat);
  ASSERT_FALSE(datBytes.empty());
  // No temporary is left behind: every name in the folder is one the test made.
  auto noTemporaries = [&] {
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      EXPECT_EQ(e.path().filename().string().find(".vxtmp"), std::string::npos) << e.path();
  };
  std::ofstream(dir_ / "bad.par") << "h1\nh2\n53394546 1 2\n53394547 x 2\n";
  std::filesystem::create_symlink(par, dir_ / "alias.par");
  struct Case {
    std::filesystem::path text, grid;
    const char* message;
    const char* why;
  } const cases[] = {
      {dir_ / "bad.par", dat, "line 4", "a bad list keeps the previous grid"},
      {dir_ / "absent.par", dat, "cannot open", "a missing list keeps the previous grid"},
      {par, par, "same file", "one path twice"},
      {par, dir_ / "alias.par", "same file", "a link to the list"},
      {par, dir_ / "." / "field.par", "same file", "the list by another spelling"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::string out, err;
    const std::string text = Slurp(c.text);
    EXPECT_EQ(RunProgram(dir_, kProgram, "grid '" + c.text.string() + "' '" + c.grid.string() + "'", "", out, err), 1);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(Slurp(c.text), text);
    EXPECT_EQ(Slurp(par), parText);
    EXPECT_EQ(Slurp(dat), datBytes);
    noTemporaries();
  }
}

}  // namespace
}  // namespace vx::geo
