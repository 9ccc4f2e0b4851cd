// Layout of the shapefile geometry, index and table files, shared by the reader and the writer.
// Offsets are in bytes from the start of the structure they belong to.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::data::layout {

// Geometry and index files: a 100-byte header (file code and length big-endian, the rest
// little-endian), then records (geometry) or 8-byte entries (index).
inline constexpr std::int32_t kFileCode = 9994;
inline constexpr std::int32_t kVersion = 1000;
inline constexpr std::size_t kFileHeaderSize = 100;
inline constexpr std::int32_t kHeaderWords = 50;  // the header in 16-bit words
inline constexpr std::size_t kHdrFileCode = 0;
inline constexpr std::size_t kHdrFileLength = 24;
inline constexpr std::size_t kHdrVersion = 28;
inline constexpr std::size_t kHdrShapeType = 32;
inline constexpr std::size_t kHdrBounds = 36;  // Xmin, Ymin, Xmax, Ymax, Zmin, Zmax, Mmin, Mmax
inline constexpr std::size_t kHdrXmin = kHdrBounds;
inline constexpr std::size_t kHdrYmin = kHdrBounds + 8;
inline constexpr std::size_t kHdrXmax = kHdrBounds + 16;
inline constexpr std::size_t kHdrYmax = kHdrBounds + 24;
inline constexpr std::size_t kIndexEntrySize = 8;
inline constexpr std::size_t kRecordHeaderSize = 8;
inline constexpr std::int32_t kRecordHeaderWords = 4;

// Record contents.
inline constexpr std::size_t kPointSize = 16;  // x, y
inline constexpr std::int32_t kPointContentWords = 10;  // shape type and one point
inline constexpr std::size_t kPartsFixedSize = 44;  // shape type, box, part count, point count

// Attribute table: a 32-byte header, 32-byte column descriptors ended by 0x0D, rows, 0x1A.
inline constexpr std::size_t kTblHeaderSize = 32;
inline constexpr std::size_t kDescSize = 32;
inline constexpr std::size_t kTblRecordCount = 4;
inline constexpr std::size_t kTblHeaderLength = 8;
inline constexpr std::size_t kTblRowLength = 10;
inline constexpr unsigned char kTerminator = 0x0D;
inline constexpr unsigned char kEndOfFile = 0x1A;

}  // namespace vx::data::layout
