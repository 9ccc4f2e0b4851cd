#include "geodesy/shift_grid.h"

#include "geodesy/mesh_digits.h"
#include "shell/host/atomic_file.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace vx::geo {

bool MeshDigitsOf(double lat, double lon, MeshDigits& m) {
  // Non-finite or far-off input would make the integer conversions below undefined.
  if (!(std::fabs(lat) <= 90 && std::fabs(lon) <= 180)) return false;
  int pp = static_cast<int>(lat * 1.5);
  int qq = static_cast<int>(lon) - 100;
  int d = static_cast<int>(8 * (1.5 * lat - pp));
  int h = static_cast<int>(8 * (lon - (qq + 100)));
  // The 1e-11 puts a point that lies on a cell edge within rounding into the upper cell.
  int e = static_cast<int>(10 * (12 * lat - 8 * pp - d) + 1e-11);
  int l = static_cast<int>(10 * (8 * (lon - (qq + 100)) - h) + 1e-11);
  if (e == 10) {
    e = 0;
    if (++d == 8) {
      d = 0;
      ++pp;
    }
  }
  if (l == 10) {
    l = 0;
    if (++h == 8) {
      h = 0;
      ++qq;
    }
  }
  if (!(d >= 0 && d <= 7 && h >= 0 && h <= 7 && e >= 0 && e <= 9 && l >= 0 && l <= 9)) return false;
  m.pp = pp;
  m.qq = qq;
  m.d = d;
  m.h = h;
  m.e = e;
  m.l = l;
  // Not clamped: a carry can leave a value a hair below 0.
  m.latFrac = 120 * lat - 80 * pp - 10 * d - e;
  m.lonFrac = 80 * (lon - (qq + 100)) - 10 * h - l;
  return true;
}

namespace {

MeshCell Compose(int pp, int qq, int d, int h, int e, int l, double latFrac, double lonFrac) {
  MeshCell c;
  c.primary = pp * 100 + qq;
  c.secondary = d * 10 + h;
  c.tertiary = e * 10 + l;
  c.full = pp * 1000000 + qq * 10000 + d * 1000 + h * 100 + e * 10 + l;
  c.latFrac = latFrac;
  c.lonFrac = lonFrac;
  return c;
}

// Digits of a cell; pp and qq come out of `primary` as C division leaves them, which keeps the full
// code (10000 primary + 100 secondary + tertiary) unchanged.
void Decompose(const MeshCell& c, int& pp, int& qq, int& d, int& h, int& e, int& l) {
  pp = c.primary / 100;
  qq = c.primary % 100;
  d = c.secondary / 10;
  h = c.secondary % 10;
  e = c.tertiary / 10;
  l = c.tertiary % 10;
}

}  // namespace

bool MeshCellOf(double lat, double lon, MeshCell& cell) {
  MeshDigits m;
  if (!MeshDigitsOf(lat, lon, m)) return false;
  cell = Compose(m.pp, m.qq, m.d, m.h, m.e, m.l, m.latFrac, m.lonFrac);
  return true;
}

std::array<MeshCell, 3> MeshNeighbours(const MeshCell& cell) {
  int pp, qq, d, h, e, l;
  Decompose(cell, pp, qq, d, h, e, l);
  int qqE = qq, hE = h, lE = l + 1;  // east: l, carrying 9 -> 0 into h and 7 -> 0 into qq
  if (lE > 9) {
    lE = 0;
    if (++hE > 7) {
      hE = 0;
      ++qqE;
    }
  }
  int ppN = pp, dN = d, eN = e + 1;  // north: e, carrying 9 -> 0 into d and 7 -> 0 into pp
  if (eN > 9) {
    eN = 0;
    if (++dN > 7) {
      dN = 0;
      ++ppN;
    }
  }
  return {Compose(pp, qqE, d, hE, e, lE, 0, 0), Compose(ppN, qq, dN, h, eN, l, 0, 0),
          Compose(ppN, qqE, dN, hE, eN, lE, 0, 0)};
}

// ---- ShiftGrid ----

namespace {
// Block number and cell index of a code that some mesh cell can have; false for any other code.
bool Locate(std::int32_t code, int& block, int& index) {
  if (!(code >= 0 && code <= 99999999)) return false;
  const int pp = code / 1000000, qq = code / 10000 % 100;
  const int d = code / 1000 % 10, h = code / 100 % 10, e = code / 10 % 10, l = code % 10;
  if (!(d <= 7 && h <= 7)) return false;
  block = pp * 100 + qq;
  index = (d * 10 + e) * 80 + (h * 10 + l);
  return true;
}

// Full code of the cell at `index` of first-order mesh `block` (the inverse of Locate).
std::int32_t CodeAt(int block, int index) {
  const int row = index / 80, col = index % 80;
  return (block / 100) * 1000000 + (block % 100) * 10000 + row / 10 * 1000 + col / 10 * 100 + row % 10 * 10 +
         col % 10;
}
}  // namespace

void ShiftGrid::Clear() {
  blocks_.clear();
  sparseCount_.clear();
  count_ = 0;
  denseBlocks_ = 0;
  sparse_.clear();
}

void ShiftGrid::Set(std::int32_t code, MeshShift shift) {
  int block, index;
  if (!Locate(code, block, index)) {
    sparse_[code] = shift;
    return;
  }
  if (blocks_.empty()) {
    blocks_.resize(kMeshes);
    sparseCount_.assign(kMeshes, 0);
  }
  if (Block* b = blocks_[block].get()) {
    if (b->slot[index] == 0) {
      b->shift.push_back(shift);
      b->slot[index] = static_cast<std::uint16_t>(b->shift.size());
      ++count_;
    } else {
      b->shift[b->slot[index] - 1u] = shift;
    }
    return;
  }
  if (sparse_.insert_or_assign(code, shift).second && ++sparseCount_[block] >= kDenseFrom) MakeDense(block);
}

void ShiftGrid::MakeDense(int block) {
  auto b = std::make_unique<Block>();
  b->shift.reserve(2 * kDenseFrom);
  for (int index = 0; index < kSide * kSide; ++index) {
    const auto it = sparse_.find(CodeAt(block, index));
    if (it == sparse_.end()) continue;
    b->shift.push_back(it->second);
    b->slot[index] = static_cast<std::uint16_t>(b->shift.size());
    ++count_;
    sparse_.erase(it);
  }
  sparseCount_[block] = 0;
  blocks_[block] = std::move(b);
  ++denseBlocks_;
}

bool ShiftGrid::Find(std::int32_t code, MeshShift& shift) const {
  int block, index;
  if (Locate(code, block, index) && !blocks_.empty()) {
    if (const Block* b = blocks_[block].get()) {
      if (b->slot[index] == 0) return false;
      shift = b->shift[b->slot[index] - 1u];
      return true;
    }
  }
  const auto it = sparse_.find(code);
  if (it == sparse_.end()) return false;
  shift = it->second;
  return true;
}

const MeshShift* ShiftGrid::At(int latIndex, int lonIndex) const {
  const int block = (latIndex / kSide) * 100 + lonIndex / kSide;
  const int index = (latIndex % kSide) * kSide + lonIndex % kSide;
  if (const Block* b = blocks_[block].get()) return b->slot[index] ? &b->shift[b->slot[index] - 1u] : nullptr;
  if (sparseCount_[block] == 0) return nullptr;
  const auto it = sparse_.find(CodeAt(block, index));
  return it == sparse_.end() ? nullptr : &it->second;
}

bool ShiftGrid::CornersOf(const MeshDigits& m, std::array<MeshShift, 4>& corners) const {
  if (!(m.pp >= 0 && m.pp <= 98 && m.qq >= 0 && m.qq <= 98)) {
    // The neighbours leave the two-digit first-order range: go through the codes.
    const MeshCell cell = Compose(m.pp, m.qq, m.d, m.h, m.e, m.l, 0, 0);
    const auto n = MeshNeighbours(cell);
    return Find(cell.full, corners[0]) && Find(n[0].full, corners[1]) && Find(n[1].full, corners[2]) &&
           Find(n[2].full, corners[3]);
  }
  if (blocks_.empty()) return false;
  // Rows and columns of third-order cells counted from mesh 0000: a neighbour is one step along
  // them, whatever digit carries the codes go through.
  const int i = m.pp * kSide + m.d * 10 + m.e;
  const int j = m.qq * kSide + m.h * 10 + m.l;
  const MeshShift* sw = At(i, j);
  const MeshShift* e = At(i, j + 1);
  const MeshShift* n = At(i + 1, j);
  const MeshShift* ne = At(i + 1, j + 1);
  if (!(sw && e && n && ne)) return false;
  corners = {*sw, *e, *n, *ne};
  return true;
}

bool ShiftGrid::Corners(const MeshCell& cell, std::array<MeshShift, 4>& corners) const {
  MeshDigits m;
  Decompose(cell, m.pp, m.qq, m.d, m.h, m.e, m.l);
  if (!(m.d >= 0 && m.d <= 7 && m.h >= 0 && m.h <= 7 && m.e >= 0 && m.e <= 9 && m.l >= 0 && m.l <= 9)) {
    const auto n = MeshNeighbours(cell);
    return Find(cell.full, corners[0]) && Find(n[0].full, corners[1]) && Find(n[1].full, corners[2]) &&
           Find(n[2].full, corners[3]);
  }
  return CornersOf(m, corners);
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::filesystem::path& path, const char* mode) {
  return File(host::Fopen(path, mode));
}

std::uint64_t LittleEndian(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void PutLittleEndian(unsigned char* p, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i, v >>= 8) p[i] = static_cast<unsigned char>(v & 0xff);
}

}  // namespace

bool ShiftGrid::Load(const std::filesystem::path& path) {
  Clear();
  // Some C libraries open a folder for reading and only fail the first read, which would pass
  // for an empty grid; a folder is no grid file.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return false;
  File f = Open(path, "rb");
  if (!f) return false;
  // Whole records per read; a partial record at the end of the file is dropped.
  constexpr std::size_t kRecords = 4096;
  std::vector<unsigned char> buf(kRecords * kShiftRecordSize);
  for (;;) {
    const std::size_t n = std::fread(buf.data(), kShiftRecordSize, kRecords, f.get());
    for (std::size_t r = 0; r < n; ++r) {
      const unsigned char* p = buf.data() + r * kShiftRecordSize;
      const auto code = static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(p, 4)));
      Set(code, {std::bit_cast<double>(LittleEndian(p + 4, 8)), std::bit_cast<double>(LittleEndian(p + 12, 8))});
    }
    if (n < kRecords) break;
  }
  // Growth leaves up to half of each list unused.
  for (auto& b : blocks_)
    if (b) b->shift.shrink_to_fit();
  return true;
}

// ---- text parameter list ----

namespace {

bool NextToken(std::string_view& s, std::string_view& token) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\v' || s[i] == '\f')) ++i;
  std::size_t j = i;
  while (j < s.size() && !(s[j] == ' ' || s[j] == '\t' || s[j] == '\r' || s[j] == '\v' || s[j] == '\f')) ++j;
  token = s.substr(i, j - i);
  s.remove_prefix(j);
  return !token.empty();
}

template <typename T>
bool ParseNumber(std::string_view token, T& v) {
  // One sign at most, as scanf reads it: "+-5" is no number.
  if (token.size() > 1 && token.front() == '+' && token[1] != '-') token.remove_prefix(1);
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  return ec == std::errc() && end == token.data() + token.size();
}

// One line without its end; false at the end of the input or on a read error.
bool ReadLine(std::FILE* f, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(f)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  return c == '\n' || !line.empty();
}

}  // namespace

bool ConvertShiftText(const std::filesystem::path& textPath, const std::filesystem::path& gridPath,
                      std::string* error) {
  auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  // Written beside the target and renamed over it when complete: a failed rebuild keeps the
  // previous grid, and a cut-short grid (which would load without complaint and silently fall
  // back where records are missing) is never left under the grid's name.
  // Reading a file while writing it over would leave neither the list nor a grid.
  if (textPath == gridPath || host::SameFile(textPath, gridPath))
    return fail(host::PathToUtf8(textPath) + " and " + host::PathToUtf8(gridPath) + " are the same file");
  File in = Open(textPath, "rb");
  if (!in) return fail("cannot open " + host::PathToUtf8(textPath));
  host::AtomicFile out;
  std::string why;
  if (!out.Open(gridPath, why)) return fail(why);
  std::string line;
  for (int i = 1; i <= 2; ++i)
    if (!ReadLine(in.get(), line)) return fail("header line " + std::to_string(i) + " missing");
  for (long number = 3; ReadLine(in.get(), line); ++number) {
    std::string_view rest = line, t1, t2, t3, extra;
    if (!NextToken(rest, t1)) continue;  // blank line
    std::int32_t code = 0;
    double dB = 0, dL = 0;
    if (!(NextToken(rest, t2) && NextToken(rest, t3) && !NextToken(rest, extra) && ParseNumber(t1, code) &&
          ParseNumber(t2, dB) && ParseNumber(t3, dL)))
      return fail("line " + std::to_string(number) + ": expected mesh code, dB and dL");
    unsigned char rec[kShiftRecordSize];
    PutLittleEndian(rec, static_cast<std::uint32_t>(code), 4);
    PutLittleEndian(rec + 4, std::bit_cast<std::uint64_t>(dB), 8);
    PutLittleEndian(rec + 12, std::bit_cast<std::uint64_t>(dL), 8);
    out.Write(std::string_view(reinterpret_cast<const char*>(rec), sizeof rec));
  }
  if (std::ferror(in.get())) return fail("cannot read " + host::PathToUtf8(textPath));
  if (!out.Commit(why)) return fail(why);
  return true;
}

}  // namespace vx::geo
