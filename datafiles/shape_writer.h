// Writer of a shapefile: geometry (.shp), index (.shx) and attribute table (.dbf).
//
// Calling order: Init; AddColumn per column; Create; per record the row values (SetRowValues,
// SetCellText) then one record write; Finish. Each record is written completely when given;
// the file-wide header values are completed by Finish.
#pragma once

#include "attributes/dbf_types.h"
#include "attributes/field.h"
#include "datafiles/shape_types.h"
#include "datafiles/vx_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::data {

class ShapeFileWriter {
 public:
  // A column name holds at most this many bytes.
  static constexpr std::size_t kMaxNameBytes = 10;

  ShapeFileWriter();
  ~ShapeFileWriter();
  ShapeFileWriter(const ShapeFileWriter&) = delete;
  ShapeFileWriter& operator=(const ShapeFileWriter&) = delete;

  // Shape type 1, 3, 5 or 8, or one of their Z or M types; encoding Shift-JIS or UTF-8. Anything
  // else is refused: false, and Create fails until a successful Init.
  bool Init(std::int32_t shapeType, TextEncoding encoding);
  // Replaces the local date written to the table header (years as in 2024).
  void SetDate(int year, int month, int day);
  // Appends a column: 'C' for text, 'N' for numbers. The name is cut to 10 bytes on a character
  // boundary, and made unique with a "_n" suffix when the cut name is already taken. False
  // (column not added) when the width or decimals do not fit a byte or Create has run.
  bool AddColumn(const attr::ShapeField& field);
  // Adds ".shp" unless the extension is exactly "shp"; .shx and .dbf replace the extension.
  bool Create(const std::filesystem::path& path);

  // Pending row. Names and texts are bytes in the table's encoding. A column is found by its
  // full name first, then by the name cut the way AddColumn cuts it.
  bool SetCellText(std::string_view name, std::string_view text);
  // Every value of an attribute list; the result is that of the last field handled. A value goes
  // to the column of its own definition (name, type, width, decimals), or else to the first
  // column of its name. An empty number leaves the cell blank (null); a real with more integer
  // digits than its column's decimals leave room for is written with as many decimals as fit,
  // rounded. A number the column cannot hold even so is never cut to another number: the cell is
  // left blank and the value is counted in CellReports.
  bool SetRowValues(const std::vector<attr::ShapeField>& fields);

  // A record of the file's plain type (a polyline for PolyLineZ). In a Z or M file each vertex
  // gets the Z and M of `measures` when it holds one per point (Z 0, M "no data" otherwise); a Z
  // file writes M only when given. A plain file passes over the measures.
  bool WritePointRecord(const MapPoint& point, const VertexMeasures* measures = nullptr);
  bool WritePolyLineRecord(const PartList& parts, const VertexMeasures* measures = nullptr);
  bool WritePolygonRecord(const PartList& parts, const VertexMeasures* measures = nullptr);
  bool WriteMultiPointRecord(const PointList& points, const VertexMeasures* measures = nullptr);
  // Completes the three headers and closes the files.
  bool Finish();

  // What the table could not take as given, for one column.
  struct CellReport {
    std::string name;             // the column's full name, in the table's encoding
    std::int64_t cutTexts = 0;    // texts longer than the column, cut to its width
    std::int64_t blankedNumbers = 0;  // numbers the column cannot hold, written blank
    // Values holding characters the table's encoding has no code for (each written as '?').
    std::int64_t unencodableValues = 0;
    // The first few blanked numbers: record number (from 1) and the value as given.
    std::vector<std::pair<std::int32_t, std::string>> firstBlanked;
  };
  static constexpr std::size_t kBlankedExamples = 3;

  const std::vector<attr::DbfFieldDesc>& Columns() const { return columns_; }
  // One report per column, in column order; counts of the rows written since Create.
  const std::vector<CellReport>& CellReports() const { return reports_; }
  const std::filesystem::path& GeometryPath() const { return geometryPath_; }
  const std::filesystem::path& IndexPath() const { return indexPath_; }
  const std::filesystem::path& TablePath() const { return tablePath_; }
  std::int32_t RecordCount() const { return recordCount_; }
  std::int32_t ShapeType() const { return shapeType_; }
  const ShapeExtent& Extent() const { return extent_; }
  // Why the last failing operation failed.
  const std::string& LastError() const { return error_; }

 private:
  bool Fail(const std::string& message);
  int FindColumn(std::string_view name) const;
  int FindColumn(const attr::ShapeField& field, std::string_view name) const;
  void ClearRow();
  bool WritePartsRecord(std::int32_t type, const PartList& parts, const VertexMeasures* measures);
  // The Z and M lists a record of n points gets in this file, into zOut_ and mOut_ (empty: no block).
  void MeasureLists(std::size_t n, const VertexMeasures* given);
  // Their bytes in the record, with or without a range before each list.
  std::uint64_t MeasureBytes(bool ranges) const;
  // Appends them to buffer_ (writing out full buffers); false when a write failed.
  bool AppendMeasures(bool ranges);
  void ExtendMeasures();
  static constexpr double kNoDataMWritten = -1e39;
  bool WriteRow();
  bool CheckRecord(std::int32_t type);
  void CloseAll();

  CVxFile geometryFile_{true};
  CVxFile indexFile_{true};
  CVxFile tableFile_{true};
  std::filesystem::path geometryPath_, indexPath_, tablePath_;
  std::int32_t shapeType_ = 0;
  std::int32_t fileLength_ = 50;  // words
  std::int32_t recordCount_ = 0;
  std::int32_t nextOffset_ = 50;  // words
  attr::DbfHeader tableHeader_;
  std::vector<attr::DbfFieldDesc> columns_;
  std::size_t rowLength_ = 1;  // bytes per table row, fixed by Create
  std::vector<std::string> sourceNames_;  // each column's full name in the table's encoding
  ShapeExtent extent_;
  std::vector<std::optional<std::string>> rowValues_;  // pending row, by column
  std::vector<std::optional<std::string>> rowBlanked_;  // pending numbers left blank, by column
  std::vector<attr::ShapeField> sourceDefs_;  // each column's definition (no value)
  std::vector<CellReport> reports_;
  TextEncoding encoding_ = TextEncoding::kShiftJIS;
  bool initialized_ = false;
  bool created_ = false;
  std::string error_;
  std::vector<unsigned char> buffer_;
  std::vector<double> zOut_, mOut_;
};

}  // namespace vx::data
