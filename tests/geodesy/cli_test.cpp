// vxshape convert and vxshape grid, run as a user runs them.
#include "geodesy/coord_converter.h"
#include "synthetic_grid.h"

#include <gtest/gtest.h>

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
  ASSERT_TRUE(cv.Setup(1, 3, 9, 0, 2, 2, 0, 54));
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

TEST_F(Cli, GridBesideTheProgramOrNone) {
  std::string out, err;
  // No grid beside the program and no --grid: the plug-in's message, and nothing converted.
  const auto lonely = dir_ / "lonely";
  std::filesystem::create_directories(lonely);
  std::filesystem::copy_file(kProgram, lonely / "vxshape");
  EXPECT_EQ(RunProgram(dir_, (lonely / "vxshape").string(), "convert --from TKY:XY9 --to JGD:XY9", "0 0\n", out, err), 1);
  EXPECT_NE(err.find("測地系変換パラメータファイルを開けません"), std::string::npos) << err;
  EXPECT_EQ(out, "");
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

}  // namespace
}  // namespace vx::geo
