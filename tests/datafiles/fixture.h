// Small files built in the tests: a temporary folder, and shapefiles assembled byte by byte so
// that any field can be made to lie.
#pragma once

#include "datafiles/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vx::data::testing {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::random_device rd;
    path_ = fs::temp_directory_path() /
            ("vx_" + std::string(info ? info->name() : "t") + "_" + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

using Bytes = std::string;

inline void WriteFile(const fs::path& p, const Bytes& b) {
  std::ofstream f(p, std::ios::binary);
  f.write(b.data(), static_cast<std::streamsize>(b.size()));
}

inline Bytes ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

inline void I32BE(Bytes& b, std::int32_t v) {
  unsigned char t[4];
  bytes::PutI32BE(t, v);
  b.append(reinterpret_cast<char*>(t), 4);
}
inline void I32LE(Bytes& b, std::int32_t v) {
  unsigned char t[4];
  bytes::PutI32LE(t, v);
  b.append(reinterpret_cast<char*>(t), 4);
}
inline void F64LE(Bytes& b, double v) {
  unsigned char t[8];
  bytes::PutF64LE(t, v);
  b.append(reinterpret_cast<char*>(t), 8);
}
inline std::int32_t GetI32BE(const Bytes& b, std::size_t at) {
  return bytes::GetI32BE(reinterpret_cast<const unsigned char*>(b.data()) + at);
}
inline std::int32_t GetI32LE(const Bytes& b, std::size_t at) {
  return bytes::GetI32LE(reinterpret_cast<const unsigned char*>(b.data()) + at);
}
inline double GetF64LE(const Bytes& b, std::size_t at) {
  return bytes::GetF64LE(reinterpret_cast<const unsigned char*>(b.data()) + at);
}

inline Bytes FileHeader(std::int32_t shapeType, std::int32_t lengthWords, double xmin = 0, double ymin = 0,
                        double xmax = 0, double ymax = 0) {
  Bytes h;
  I32BE(h, 9994);
  for (int i = 0; i < 5; ++i) I32BE(h, 0);
  I32BE(h, lengthWords);
  I32LE(h, 1000);
  I32LE(h, shapeType);
  for (double v : {xmin, ymin, xmax, ymax, 0.0, 0.0, 0.0, 0.0}) F64LE(h, v);
  return h;
}

// Record contents.
inline Bytes PointContent(double x, double y, std::int32_t type = 1) {
  Bytes c;
  I32LE(c, type);
  F64LE(c, x);
  F64LE(c, y);
  if (type == 11) F64LE(c, 7.0);  // Z
  if (type == 11 || type == 21) F64LE(c, 8.0);  // M
  return c;
}

// A polyline / polygon content; Z and M types get their ranges and arrays after the points.
inline Bytes PartsContent(std::int32_t type, const std::vector<std::vector<std::pair<double, double>>>& parts,
                          std::vector<std::int32_t> starts = {}, std::int32_t numPoints = -1) {
  std::int32_t n = 0;
  if (starts.empty())
    for (const auto& p : parts) {
      starts.push_back(n);
      n += static_cast<std::int32_t>(p.size());
    }
  else
    for (const auto& p : parts) n += static_cast<std::int32_t>(p.size());
  Bytes c;
  I32LE(c, type);
  for (int i = 0; i < 4; ++i) F64LE(c, 0.0);
  I32LE(c, static_cast<std::int32_t>(starts.size()));
  I32LE(c, numPoints >= 0 ? numPoints : n);
  for (auto s : starts) I32LE(c, s);
  for (const auto& p : parts)
    for (const auto& [x, y] : p) {
      F64LE(c, x);
      F64LE(c, y);
    }
  const bool z = type == 13 || type == 15, m = z || type == 23 || type == 25;
  if (z) {
    F64LE(c, 0);
    F64LE(c, 1);
    for (std::int32_t i = 0; i < n; ++i) F64LE(c, 99.0);
  }
  if (m) {
    F64LE(c, 0);
    F64LE(c, 1);
    for (std::int32_t i = 0; i < n; ++i) F64LE(c, -5.0);
  }
  return c;
}

// A shapefile assembled from record contents; the index matches unless changed afterwards.
// `fileOrder` (indexes into `contents`) puts the records in the geometry file in another order
// than the index's.
struct ShapeFixture {
  std::int32_t shapeType = 1;
  std::vector<Bytes> contents;
  std::vector<std::size_t> fileOrder;
  Bytes shp, shx;

  void Build() {
    shp = FileHeader(shapeType, 0);
    shx = FileHeader(shapeType, 0);
    std::vector<std::size_t> order = fileOrder;
    for (std::size_t i = order.size(); i < contents.size(); ++i) order.push_back(i);
    std::vector<std::int32_t> offsets(contents.size());
    for (std::size_t i : order) {
      offsets[i] = static_cast<std::int32_t>(shp.size() / 2);
      I32BE(shp, static_cast<std::int32_t>(i + 1));
      I32BE(shp, static_cast<std::int32_t>(contents[i].size() / 2));
      shp += contents[i];
    }
    for (std::size_t i = 0; i < contents.size(); ++i) {
      I32BE(shx, offsets[i]);
      I32BE(shx, static_cast<std::int32_t>(contents[i].size() / 2));
    }
    SetLength(shp, shp.size());
    SetLength(shx, shx.size());
  }
  static void SetLength(Bytes& b, std::size_t size) {
    Bytes v;
    I32BE(v, static_cast<std::int32_t>(size / 2));
    b.replace(24, 4, v);
  }
  // Overwrites a big-endian integer in the index entry `i` (0-based): field 0 offset, 1 length.
  void SetIndex(std::size_t i, int field, std::int32_t v) {
    Bytes t;
    I32BE(t, v);
    shx.replace(100 + 8 * i + 4 * static_cast<std::size_t>(field), 4, t);
  }
  // Overwrites the content length in the header of record `i` (0-based), found through the index.
  void SetRecordLength(std::size_t i, std::int32_t words) {
    Bytes t;
    I32BE(t, words);
    shp.replace(2 * static_cast<std::size_t>(GetI32BE(shx, 100 + 8 * i)) + 4, 4, t);
  }
};

struct DbfColumn {
  std::string name;
  char type;
  std::uint8_t length;
  std::uint8_t decimals = 0;
};

// A table; `rows` are whole rows (flag byte included).
inline Bytes Dbf(const std::vector<DbfColumn>& cols, const std::vector<std::string>& rows, bool terminator = true,
                 int headerLength = -1, int rowLength = -1, int recordCount = -1) {
  Bytes b(32, '\0');
  b[0] = 3;
  int rl = 1;
  for (const auto& c : cols) rl += c.length;
  auto put16 = [&](std::size_t at, int v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
  };
  const int n = recordCount >= 0 ? recordCount : static_cast<int>(rows.size());
  b[4] = static_cast<char>(n & 0xFF);
  b[5] = static_cast<char>((n >> 8) & 0xFF);
  put16(8, headerLength >= 0 ? headerLength : 32 * static_cast<int>(cols.size()) + 33);
  put16(10, rowLength >= 0 ? rowLength : rl);
  for (const auto& c : cols) {
    Bytes d(32, '\0');
    d.replace(0, c.name.size(), c.name);
    d[11] = c.type;
    d[16] = static_cast<char>(c.length);
    d[17] = static_cast<char>(c.decimals);
    b += d;
  }
  if (terminator) b.push_back('\x0D');
  for (const auto& r : rows) b += r;
  if (terminator) b.push_back('\x1A');
  return b;
}

// Writes base.shp/.shx/.dbf and gives the .shp path.
inline fs::path WriteShapefile(const TempDir& dir, const std::string& base, const Bytes& shp, const Bytes& shx,
                               const Bytes& dbf) {
  WriteFile(dir / (base + ".shp"), shp);
  WriteFile(dir / (base + ".shx"), shx);
  WriteFile(dir / (base + ".dbf"), dbf);
  return dir / (base + ".shp");
}

}  // namespace vx::data::testing
