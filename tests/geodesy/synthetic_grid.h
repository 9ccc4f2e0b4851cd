// A made-up shift field for tests: smooth, of realistic size (about +11.6" in latitude and -11.6"
// in longitude around Tokyo), and bilinear in latitude and longitude, so that interpolation inside
// any mesh cell must give back the field itself. Its grid is written as a parameter list (text)
// and turned into a binary grid the way a user would.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vx::geo::test {

inline double FieldDB(double lat, double lon) {
  return 11.6 + 0.35 * (lat - 36) - 0.12 * (lon - 138) + 0.021 * (lat - 36) * (lon - 138);
}
inline double FieldDL(double lat, double lon) {
  return -11.6 + 0.08 * (lat - 36) + 0.27 * (lon - 138) - 0.015 * (lat - 36) * (lon - 138);
}

// South-west corner of third-order cell (pp, qq, d, h, e, l), degrees, computed from the mesh
// definition (a first-order mesh is 40' by 1 degree, split 8 x 8, then 10 x 10).
inline double CellSouth(int pp, int d, int e) { return (pp * 80 + d * 10 + e) / 120.0; }
inline double CellWest(int qq, int h, int l) { return 100 + (qq * 80 + h * 10 + l) / 80.0; }

inline int Code(int pp, int qq, int d, int h, int e, int l) {
  return pp * 1000000 + qq * 10000 + d * 1000 + h * 100 + e * 10 + l;
}

// Writes the parameter list of whole first-order meshes `meshes` (pp*100+qq), every cell valued at
// its south-west corner; cells for which `skip` is true are left out.
inline void WriteParameterList(const std::filesystem::path& path, const std::vector<int>& meshes,
                               const std::function<bool(int code)>& skip = {}) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fputs("JGD2000-TokyoDatum synthetic test field\r\nMeshCode dB(sec) dL(sec)\r\n", f);
  for (int mesh : meshes) {
    const int pp = mesh / 100, qq = mesh % 100;
    for (int d = 0; d < 8; ++d)
      for (int e = 0; e < 10; ++e)
        for (int h = 0; h < 8; ++h)
          for (int l = 0; l < 10; ++l) {
            const int code = Code(pp, qq, d, h, e, l);
            if (skip && skip(code)) continue;
            const double lat = CellSouth(pp, d, e), lon = CellWest(qq, h, l);
            std::fprintf(f, "%d %.17g %.17g\r\n", code, FieldDB(lat, lon), FieldDL(lat, lon));
          }
  }
  std::fclose(f);
}

// A fresh empty folder under the build tree, private to this process (ctest runs tests side by
// side) and removed when the process ends.
inline std::filesystem::path ScratchDir(const std::string& name) {
  struct Root {
    std::filesystem::path path = std::filesystem::path(VX_BINARY_DIR) / "tests" / "geodesy" / "scratch" /
                                 std::to_string(::getpid());
    ~Root() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Root root;
  const auto dir = root.path / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace vx::geo::test
