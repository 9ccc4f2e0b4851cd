// The Tokyo -> JGD2000 shift grid: shifts in arc-seconds indexed by third-order regional mesh code
// (JIS X 0410: cells of 30" of latitude by 45" of longitude), and its binary and text files.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "geodesy/mesh_digits.h"

namespace vx::geo {

// The binary grid file expected beside the plug-in file.
inline constexpr const char* kShiftGridFileName = "TKY2JGD_Win.dat";
// Bytes of one record: int32 code, double dB, double dL, little-endian, no padding.
inline constexpr std::size_t kShiftRecordSize = 20;

struct MeshShift {
  double dB = 0;  // latitude shift (arc-seconds)
  double dL = 0;  // longitude shift (arc-seconds)
};

// One third-order mesh cell and the position of a point inside it.
struct MeshCell {
  std::int32_t primary = 0;    // pp * 100 + qq
  std::int32_t secondary = 0;  // d * 10 + h
  std::int32_t tertiary = 0;   // e * 10 + l
  std::int32_t full = 0;       // pp qq d h e l as eight decimal digits
  double latFrac = 0;          // from the southern edge, 0 to 1 (dimensionless)
  double lonFrac = 0;          // from the western edge, 0 to 1; may be a hair below 0 after a carry
};

// The cell holding latitude `lat`, longitude `lon` (degrees). A point on a cell edge within
// rounding (1e-11 of a cell) falls into the cell to its north or east. False outside the mesh
// digits' ranges and for non-finite or out-of-range (|lat| > 90, |lon| > 180) input.
bool MeshCellOf(double lat, double lon, MeshCell& cell);

// East, north and north-east neighbours of `cell` (codes only; their fractions are 0).
std::array<MeshCell, 3> MeshNeighbours(const MeshCell& cell);

// Shift values by full mesh code. Behaves as an ordered map from code to shift (a later Set of a
// code replaces the earlier value). A first-order mesh that holds at least 256 of its 6400 cells
// gets a block: an 80 x 80 table of slots into its own list of shifts, so that the four corners of
// an interpolation cost four table reads; the cells of other meshes, and codes no mesh cell can
// have, sit in a hash map. Memory thus follows the number of records (under 80 bytes each, plus a
// fixed 100 KB directory), however they are spread over the meshes.
class ShiftGrid {
 public:
  void Clear();
  void Set(std::int32_t code, MeshShift shift);
  bool Find(std::int32_t code, MeshShift& shift) const;
  std::size_t Size() const { return count_ + sparse_.size(); }
  bool Empty() const { return Size() == 0; }
  // First-order meshes stored as blocks.
  std::size_t DenseMeshes() const { return denseBlocks_; }

  // The shifts at the corners SW, E, N, NE of `cell`: the same as four Find calls on the codes of
  // the cell and its MeshNeighbours. False if any is missing.
  bool Corners(const MeshCell& cell, std::array<MeshShift, 4>& corners) const;
  // The same from the digits of MeshDigitsOf, without recomposing codes.
  bool CornersOf(const MeshDigits& digits, std::array<MeshShift, 4>& corners) const;

  // Replaces the contents with the records of a binary grid file; an incomplete record at the end
  // is ignored. False only if the file cannot be opened (the grid is then empty).
  bool Load(const std::filesystem::path& path);

 private:
  static constexpr int kSide = 80;  // third-order cells per first-order mesh side
  static constexpr int kMeshes = 100 * 100;
  // A block's table costs 12.8 KB: from 256 cells that is 50 bytes a cell, less than a hash entry.
  static constexpr int kDenseFrom = 256;
  struct Block {
    std::array<std::uint16_t, kSide * kSide> slot{};  // 1 + position in `shift`; 0 for none
    std::vector<MeshShift> shift;
  };
  // Block of first-order mesh (pp, qq) at pp * 100 + qq, both 0-99; null while the mesh is sparse.
  // The directory is made by the first Set (an engine without a grid pays nothing).
  std::vector<std::unique_ptr<Block>> blocks_;
  // Cells of each first-order mesh held in sparse_ (a sparse mesh becomes dense at kDenseFrom).
  std::vector<std::uint16_t> sparseCount_;
  std::size_t count_ = 0;        // codes stored in blocks_
  std::size_t denseBlocks_ = 0;  // blocks made
  // Codes of sparse meshes, and codes that no mesh cell can have (negative, more than eight
  // digits, d or h above 7): kept so that the grid holds every record it was given.
  std::unordered_map<std::int32_t, MeshShift> sparse_;

  const MeshShift* At(int latIndex, int lonIndex) const;
  void MakeDense(int block);
};

// Turns a text parameter list (two header lines, then lines of mesh code, dB and dL separated by
// white space) into a binary grid file, written as gridPath + ".tmp" and renamed over gridPath
// when complete. False, with gridPath as it was, if the two paths name one file, either file
// cannot be opened, a header line is missing, or a data line does not hold exactly three numbers;
// `error` then says why (with the line number). Blank lines are skipped.
bool ConvertShiftText(const std::filesystem::path& textPath, const std::filesystem::path& gridPath,
                      std::string* error = nullptr);

}  // namespace vx::geo
