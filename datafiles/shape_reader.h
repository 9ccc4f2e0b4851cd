// Sequential reader of a shapefile: geometry (.shp), index (.shx) and attribute table (.dbf).
//
// Calling order: Open; per record ReadRecordHeader then exactly one of ReadPointRecord,
// ReadPartsRecord or SkipRecord (by the header's shape type); Close.
//
// Lenient where other readers are: every record is found at the offset its index entry gives
// (in any order), its contents are bounded by the larger of the index's and the record header's
// content length and by the end of the file, and the table's rows are at least as long as its
// columns; a table that ends before the geometry gives the later records empty cells. Only what
// cannot be read safely is refused (data past the end of a file, counts that need more bytes than
// the record holds); coordinates are given as stored, NaN and infinities included, for the caller
// to leave out. A refused record fails like a short read, and LastError() names the file, the
// record and the value.
#pragma once

#include "attributes/dbf_types.h"
#include "datafiles/shape_types.h"
#include "datafiles/vx_file.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vx::data {

class ShapeFileReader {
 public:
  static constexpr std::size_t kChunkPoints = 1024;
  // A header length field holds at most this many 32-byte descriptors.
  static constexpr std::size_t kMaxColumns = 2046;

  ShapeFileReader();
  ~ShapeFileReader();
  ShapeFileReader(const ShapeFileReader&) = delete;
  ShapeFileReader& operator=(const ShapeFileReader&) = delete;

  bool Open(const std::filesystem::path& path);
  void Close();

  void GetExtent(double& xmin, double& xmax, double& ymin, double& ymax) const;
  std::int32_t RecordCount() const { return recordCount_; }
  std::int32_t ShapeType() const { return shapeType_; }
  // The geometry file hit its end during a read.
  bool AtEnd() const { return atEnd_; }

  bool ReadRecordHeader(ShapeRecordHeader& header);
  bool ReadPointRecord(MapPoint& point);
  bool ReadPartsRecord(PartsRecord& record);
  // MultiPoint, MultiPointZ and MultiPointM: the box (Xmin, Ymin, Xmax, Ymax as stored) and the
  // X, Y of every point.
  bool ReadMultiPointRecord(double box[4], PointList& points);
  // The Z and M of the points of the record read last, when its type has them (M only where the
  // record holds it; "no data" values as stored). For a polyline or polygon they follow the
  // points of its parts.
  const VertexMeasures& Measures() const { return measures_; }
  bool SkipRecord();
  // After a refused record: passes over it and puts the three files at the next record, found
  // through the index and the table's fixed-length rows. For tools that list every record; the
  // import stops at the first refused record instead.
  bool Resume();

  // Attribute table.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const std::vector<attr::DbfFieldDesc>& Columns() const { return columns_; }
  bool GetColumn(int i, attr::DbfFieldDesc& desc) const;
  // The i-th cell of the row read last: the column's bytes up to the first zero byte (zero
  // bytes pad a cell, as space does); empty for a bad index.
  std::string_view GetCell(int i) const;
  const attr::DbfHeader& TableHeader() const { return tableHeader_; }
  // The table had no complete row for the record read last (it ends before the geometry file):
  // every cell reads as empty.
  bool RowMissing() const { return rowMissing_; }

  // Why the last failing operation failed: names the file, the record and the value.
  const std::string& LastError() const { return error_; }

 private:
  bool Fail(const std::string& message);
  bool FailRecord(const std::string& message);
  bool OpenTable();
  bool ReadGeometry(void* buffer, std::size_t size);
  // Appends `count` points from the geometry file to `out`, a chunk at a time.
  bool ReadPoints(std::size_t count, PointList& out);
  // After the X, Y of `count` points (of which the first `skipped` belong to no part): the Z
  // block and the M block the record's type and length allow, into measures_.
  bool ReadMeasures(std::size_t count, std::size_t skipped, std::uint64_t used);
  bool ReadIndexEntry();
  bool BeginRecordBody(std::uint64_t minContentBytes);
  bool ReadRow();
  bool MoveToNextRecord();
  std::string GeometryName() const;

  CVxFile geometryFile_{true};
  CVxFile indexFile_{true};
  CVxFile tableFile_{true};
  std::uint64_t geometrySize_ = 0;
  std::uint64_t tableSize_ = 0;

  std::int32_t shapeType_ = 0;
  std::int32_t recordCount_ = 0;
  double extent_[4] = {};  // Xmin, Xmax, Ymin, Ymax

  attr::DbfHeader tableHeader_;
  std::vector<attr::DbfFieldDesc> columns_;
  std::vector<std::size_t> cellOffsets_;  // into row_
  std::vector<char> row_;                 // the row read last: flag byte, cells, padding

  std::unique_ptr<unsigned char[]> pointBuffer_;
  VertexMeasures measures_;

  // Sequential state.
  std::int32_t recordsStarted_ = 0;   // records whose header has been read
  std::int32_t recordsFinished_ = 0;  // records read or skipped to the end
  std::int32_t entryOffset_ = 0;      // the current record's index entry: offset in words
  std::int32_t entryLength_ = 0;      // and content length in words
  std::int32_t contentLength_ = 0;    // the record header's content length in words
  std::uint64_t contentBytes_ = 0;    // the bytes of contents the record may use
  std::int32_t recordType_ = 0;
  std::uint64_t rowStart_ = 0;        // byte offset of the table's first row
  bool inRecord_ = false;
  bool broken_ = false;               // a record failed part-way: the files are out of step
  bool atEnd_ = false;
  bool open_ = false;
  bool rowMissing_ = false;
  std::string error_;
};

}  // namespace vx::data
