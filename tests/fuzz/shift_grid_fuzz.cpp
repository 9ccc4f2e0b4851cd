// Fuzzes the datum-shift grid loader: the input is the grid file. Every whole record must be found
// with the last value given for its code, the corner lookup must agree with four code lookups, and
// the memory must follow the records (libFuzzer's RSS limit catches a grid that grows without them).
#include "geodesy/shift_grid.h"
#include "tests/fuzz/fuzz_files.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto path = vx::fuzz::Folder() / "grid.dat";
  vx::fuzz::Write(path, data, size);
  vx::geo::ShiftGrid grid;
  if (!grid.Load(path)) __builtin_trap();  // the file is there

  // The same records by plain reading (the fuzzing machines are little-endian).
  std::unordered_map<std::int32_t, vx::geo::MeshShift> expected;
  for (std::size_t at = 0; at + vx::geo::kShiftRecordSize <= size; at += vx::geo::kShiftRecordSize) {
    std::int32_t code;
    vx::geo::MeshShift s;
    std::memcpy(&code, data + at, 4);
    std::memcpy(&s.dB, data + at + 4, 8);
    std::memcpy(&s.dL, data + at + 12, 8);
    expected[code] = s;
  }
  if (grid.Size() != expected.size()) __builtin_trap();
  for (const auto& [code, s] : expected) {
    vx::geo::MeshShift found;
    if (!grid.Find(code, found) || std::memcmp(&found, &s, sizeof s) != 0) __builtin_trap();

    // The cell of this code, if it is one, looked up by corners and by codes.
    if (code < 0 || code > 99999999) continue;
    vx::geo::MeshCell cell;
    cell.primary = code / 10000;
    cell.secondary = code / 100 % 100;
    cell.tertiary = code % 100;
    cell.full = code;
    const auto n = vx::geo::MeshNeighbours(cell);
    std::array<vx::geo::MeshShift, 4> fast, slow;
    const bool bySlow = grid.Find(cell.full, slow[0]) && grid.Find(n[0].full, slow[1]) &&
                        grid.Find(n[1].full, slow[2]) && grid.Find(n[2].full, slow[3]);
    if (grid.Corners(cell, fast) != bySlow) __builtin_trap();
    if (bySlow && std::memcmp(fast.data(), slow.data(), sizeof fast) != 0) __builtin_trap();
  }
  return 0;
}
