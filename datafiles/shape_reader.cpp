#include "datafiles/shape_reader.h"

#include "datafiles/byte_order.h"
#include "datafiles/shape_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vx::data {
namespace {

using namespace layout;

constexpr std::uint64_t kPointContentSize = 20;  // shape type and one point, in bytes

std::string Str(const std::filesystem::path& p) { return FileNameText(p); }

// The sibling file with `ext`; a path whose extension is in capitals also finds a sibling in
// capitals, as written by tools on case-insensitive systems.
std::filesystem::path Sibling(const std::filesystem::path& path, const char* ext) {
  std::filesystem::path lower = path;
  lower.replace_extension(ext);
  const std::string given = path.extension().string();
  bool upper = given.size() > 1;
  for (std::size_t i = 1; i < given.size(); ++i)
    if (!(given[i] >= 'A' && given[i] <= 'Z')) upper = false;
  std::error_code ec;
  if (upper && !std::filesystem::exists(lower, ec)) {
    std::string up = ext;
    for (char& c : up) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    std::filesystem::path alt = path;
    alt.replace_extension(up);
    if (std::filesystem::exists(alt, ec)) return alt;
  }
  return lower;
}

}  // namespace

ShapeFileReader::ShapeFileReader() : pointBuffer_(new unsigned char[kChunkPoints * kPointSize]) {}

ShapeFileReader::~ShapeFileReader() { Close(); }

std::string ShapeFileReader::GeometryName() const { return Str(geometryFile_.Path()); }

bool ShapeFileReader::Fail(const std::string& message) {
  error_ = message;
  return false;
}

bool ShapeFileReader::FailRecord(const std::string& message) {
  error_ = GeometryName() + ": record " + std::to_string(recordsStarted_) + ": " + message;
  broken_ = true;
  inRecord_ = false;
  return false;
}

void ShapeFileReader::Close() {
  geometryFile_.Close();
  indexFile_.Close();
  tableFile_.Close();
  columns_.clear();
  cellOffsets_.clear();
  row_.clear();
  row_.shrink_to_fit();
  tableHeader_ = {};
  shapeType_ = 0;
  recordCount_ = 0;
  for (double& e : extent_) e = 0.0;
  recordsStarted_ = recordsFinished_ = 0;
  entryOffset_ = entryLength_ = contentLength_ = recordType_ = 0;
  contentBytes_ = 0;
  rowStart_ = 0;
  inRecord_ = broken_ = atEnd_ = open_ = rowMissing_ = false;
}

bool ShapeFileReader::Open(const std::filesystem::path& path) {
  Close();
  error_.clear();
  const std::string name = Str(path);
  if (!path.has_extension()) return Fail(name + ": the path has no extension");
  const std::filesystem::path indexPath = Sibling(path, ".shx");
  const std::filesystem::path tablePath = Sibling(path, ".dbf");
  auto fail = [this](const std::string& message) {
    Close();
    return Fail(message);
  };
  if (!geometryFile_.OpenPath(path, "rb")) return fail(name + ": cannot be opened");
  if (!indexFile_.OpenPath(indexPath, "rb")) return fail(Str(indexPath) + ": cannot be opened");
  if (!tableFile_.OpenPath(tablePath, "rb")) return fail(Str(tablePath) + ": cannot be opened");

  unsigned char h[kFileHeaderSize];
  if (!geometryFile_.Size(geometrySize_) || !geometryFile_.Read(h, sizeof h))
    return fail(name + ": the file header is cut short");
  if (const std::int32_t code = bytes::GetI32BE(h + kHdrFileCode); code != kFileCode)
    return fail(name + ": file code " + std::to_string(code) + " is not 9994");
  shapeType_ = bytes::GetI32LE(h + kHdrShapeType);
  extent_[0] = bytes::GetF64LE(h + kHdrXmin);
  extent_[1] = bytes::GetF64LE(h + kHdrXmax);
  extent_[2] = bytes::GetF64LE(h + kHdrYmin);
  extent_[3] = bytes::GetF64LE(h + kHdrYmax);
  for (double e : extent_)
    if (!std::isfinite(e)) return fail(name + ": the header extent holds " + std::to_string(e));

  // Records: the complete entries the index really holds, whatever its length field says.
  const std::string indexName = Str(indexPath);
  std::uint64_t indexSize = 0;
  if (!indexFile_.Size(indexSize) || !indexFile_.Read(h, sizeof h))
    return fail(indexName + ": the file header is cut short");
  if (const std::int32_t code = bytes::GetI32BE(h + kHdrFileCode); code != kFileCode)
    return fail(indexName + ": file code " + std::to_string(code) + " is not 9994");
  const std::uint64_t entries = indexSize >= kFileHeaderSize ? (indexSize - kFileHeaderSize) / kIndexEntrySize : 0;
  if (entries == 0) return fail(indexName + ": the index has no entries");
  recordCount_ = static_cast<std::int32_t>(
      std::min<std::uint64_t>(entries, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())));

  if (!ReadIndexEntry()) return fail(indexName + ": the first entry is cut short");

  if (!OpenTable()) {
    const std::string message = error_;
    return fail(message);
  }
  open_ = true;
  return true;
}

bool ShapeFileReader::OpenTable() {
  const std::string name = Str(tableFile_.Path());
  // Table header offsets.
  unsigned char h[kTblHeaderSize];
  if (!tableFile_.Size(tableSize_) || !tableFile_.Read(h, sizeof h))
    return Fail(name + ": the table header is cut short");
  tableHeader_.version = h[0];
  tableHeader_.year = h[1];
  tableHeader_.month = h[2];
  tableHeader_.day = h[3];
  tableHeader_.recordCount = bytes::GetU32LE(h + 4);
  tableHeader_.headerLength = bytes::GetU16LE(h + 8);
  tableHeader_.rowLength = bytes::GetU16LE(h + 10);
  tableHeader_.incompleteTransaction = h[14];
  tableHeader_.encryption = h[15];
  tableHeader_.indexFlag = h[28];
  tableHeader_.languageDriver = h[29];

  unsigned char d[kDescSize];
  std::size_t rowBytes = 1;
  for (;;) {
    if (!tableFile_.Read(d, 1)) return Fail(name + ": the column descriptors end before their 0x0D terminator");
    if (d[0] == kTerminator) break;
    if (columns_.size() == kMaxColumns)
      return Fail(name + ": more than " + std::to_string(kMaxColumns) + " column descriptors");
    if (!tableFile_.Read(d + 1, kDescSize - 1))
      return Fail(name + ": column " + std::to_string(columns_.size() + 1) + " is cut short");
    attr::DbfFieldDesc desc;
    std::memcpy(desc.name, d, 11);
    desc.name[11] = '\0';
    desc.type = static_cast<char>(d[11]);
    desc.length = d[16];
    desc.decimals = d[17];
    cellOffsets_.push_back(rowBytes);
    rowBytes += desc.length;
    columns_.push_back(desc);
  }
  const std::uint64_t dataStart = kTblHeaderSize + kDescSize * columns_.size() + 1;

  // Rows: where the header length says when that lies past the descriptors and inside the file
  // (room some writers leave after the terminator), else straight after the terminator.
  std::uint64_t rowStart = dataStart;
  if (tableHeader_.headerLength > dataStart && tableHeader_.headerLength <= tableSize_)
    rowStart = tableHeader_.headerLength;
  // The row length field only spaces the rows: one shorter than the cells (0 included) is
  // taken as the cells' own length.
  const std::size_t stride = std::max<std::size_t>(rowBytes, tableHeader_.rowLength);
  if (!tableFile_.Seek(rowStart)) return Fail(name + ": cannot reach the first row");
  rowStart_ = rowStart;
  row_.assign(stride, ' ');
  return true;
}

void ShapeFileReader::GetExtent(double& xmin, double& xmax, double& ymin, double& ymax) const {
  xmin = extent_[0];
  xmax = extent_[1];
  ymin = extent_[2];
  ymax = extent_[3];
}

bool ShapeFileReader::GetColumn(int i, attr::DbfFieldDesc& desc) const {
  if (i < 0 || i >= ColumnCount()) return false;
  desc = columns_[static_cast<std::size_t>(i)];
  return true;
}

std::string_view ShapeFileReader::GetCell(int i) const {
  if (i < 0 || i >= ColumnCount()) return {};
  const auto k = static_cast<std::size_t>(i);
  const std::string_view cell(row_.data() + cellOffsets_[k], columns_[k].length);
  return cell.substr(0, cell.find('\0'));
}

bool ShapeFileReader::ReadGeometry(void* buffer, std::size_t size) {
  if (geometryFile_.Read(buffer, size)) return true;
  atEnd_ = geometryFile_.AtEof();
  return false;
}

bool ShapeFileReader::ReadIndexEntry() {
  unsigned char b[kIndexEntrySize];
  if (!indexFile_.Read(b, sizeof b)) return false;
  entryOffset_ = bytes::GetI32BE(b);
  entryLength_ = bytes::GetI32BE(b + 4);
  return true;
}

bool ShapeFileReader::ReadRecordHeader(ShapeRecordHeader& header) {
  if (!open_) return Fail("no shapefile is open");
  if (inRecord_) return FailRecord("its header was read twice");
  if (broken_) return Fail(GeometryName() + ": reading stopped at record " + std::to_string(recordsStarted_));
  if (recordsFinished_ >= recordCount_)
    return Fail(GeometryName() + ": all " + std::to_string(recordCount_) + " records have been read");
  ++recordsStarted_;

  // Records may lie in any order; each is where its entry says, if it fits in the file.
  const std::uint64_t offset = 2 * static_cast<std::uint64_t>(static_cast<std::uint32_t>(entryOffset_));
  const std::uint64_t headerEnd = offset + kRecordHeaderSize + 4;
  if (entryOffset_ < 0 || headerEnd > geometrySize_)
    return FailRecord(Str(indexFile_.Path()) + " entry " + std::to_string(recordsStarted_) + ": offset " +
                      std::to_string(entryOffset_) + " words lies outside the " + std::to_string(geometrySize_) +
                      " bytes of the file");
  std::uint64_t pos = 0;
  if (!geometryFile_.Tell(pos) || (pos != offset && !geometryFile_.Seek(offset)))
    return FailRecord("cannot reach offset " + std::to_string(entryOffset_) + " words");
  unsigned char b[kRecordHeaderSize + 4];
  if (!ReadGeometry(b, sizeof b)) return FailRecord("the record header is cut short");
  header.recordNumber = bytes::GetI32BE(b);
  header.contentLength = bytes::GetI32BE(b + 4);
  header.shapeType = bytes::GetI32LE(b + 8);

  // The index and the record header may disagree (lengths in bytes, a last record claiming more
  // than the file holds): the contents may use the larger length, up to the end of the file.
  const std::int64_t claimed = 2 * std::max({std::int64_t{0}, std::int64_t{entryLength_}, std::int64_t{header.contentLength}});
  contentBytes_ = std::min(static_cast<std::uint64_t>(claimed), geometrySize_ - (offset + kRecordHeaderSize));
  contentLength_ = header.contentLength;
  recordType_ = header.shapeType;
  inRecord_ = true;
  return true;
}

bool ShapeFileReader::BeginRecordBody(std::uint64_t minContentBytes) {
  if (!open_) return Fail("no shapefile is open");
  if (!inRecord_) return Fail(GeometryName() + ": no record header has been read");
  if (contentBytes_ < minContentBytes)
    return FailRecord("content length " + std::to_string(contentLength_) + " words (index: " +
                      std::to_string(entryLength_) + ") leaves " + std::to_string(contentBytes_) +
                      " bytes, too few for shape type " + std::to_string(recordType_));
  return true;
}

bool ShapeFileReader::ReadRow() {
  rowMissing_ = false;
  if (columns_.empty()) return true;
  if (tableFile_.Read(row_.data(), row_.size())) return true;
  // A table that ends before the geometry leaves the later records without values, not without
  // their shapes: their cells read as empty, like a row of spaces.
  std::fill(row_.begin(), row_.end(), ' ');
  rowMissing_ = true;
  return true;
}

bool ShapeFileReader::MoveToNextRecord() {
  inRecord_ = false;
  ++recordsFinished_;
  if (recordsFinished_ >= recordCount_) return true;
  if (!ReadIndexEntry()) recordCount_ = recordsFinished_;  // the index ended: that was the last record
  return true;
}

bool ShapeFileReader::ReadPointRecord(MapPoint& point) {
  if (!BeginRecordBody(kPointContentSize)) return false;
  if (!IsPointType(recordType_)) return FailRecord("shape type " + std::to_string(recordType_) + " is not a point");
  measures_.Clear();
  unsigned char b[kPointSize + 16];
  if (!ReadGeometry(b, kPointSize)) return FailRecord("the point is cut short");
  const double x = bytes::GetF64LE(b), y = bytes::GetF64LE(b + 8);
  // PointZ: Z, then M if the record holds it; PointM: M.
  std::uint64_t used = kPointContentSize;
  if (HasZ(recordType_) && contentBytes_ >= used + 8 && ReadGeometry(b + kPointSize, 8)) {
    measures_.z.push_back(bytes::GetF64LE(b + kPointSize));
    used += 8;
  }
  if ((HasZ(recordType_) || HasM(recordType_)) && contentBytes_ >= used + 8 && ReadGeometry(b + kPointSize + 8, 8))
    measures_.m.push_back(bytes::GetF64LE(b + kPointSize + 8));
  if (!ReadRow()) return false;
  point = {x, y};
  return MoveToNextRecord();
}

bool ShapeFileReader::ReadPartsRecord(PartsRecord& record) {
  record = PartsRecord{};
  measures_.Clear();
  if (!BeginRecordBody(kPartsFixedSize)) return false;
  if (!IsPartsType(recordType_))
    return FailRecord("shape type " + std::to_string(recordType_) + " is not a polyline or polygon");
  unsigned char b[kPartsFixedSize - 4];
  if (!ReadGeometry(b, sizeof b)) return FailRecord("the parts header is cut short");
  for (int i = 0; i < 4; ++i) record.box[i] = bytes::GetF64LE(b + 8 * i);
  record.numParts = bytes::GetI32LE(b + 32);
  record.numPoints = bytes::GetI32LE(b + 36);
  if (record.numParts < 0) return FailRecord("part count " + std::to_string(record.numParts) + " is negative");
  if (record.numPoints < 0) return FailRecord("point count " + std::to_string(record.numPoints) + " is negative");
  // Bounded by the bytes the record may use, so nothing below allocates more than the file holds.
  const std::uint64_t need = kPartsFixedSize + 4 * static_cast<std::uint64_t>(record.numParts) +
                             kPointSize * static_cast<std::uint64_t>(record.numPoints);
  if (need > contentBytes_)
    return FailRecord("part count " + std::to_string(record.numParts) + " and point count " +
                      std::to_string(record.numPoints) + " need " + std::to_string(need) + " bytes, the record holds " +
                      std::to_string(contentBytes_));

  // Part starts as other readers take them: equal starts give an empty part, points before the
  // first start belong to no part. Starts going back or past the points cannot be read.
  std::vector<unsigned char> starts(4 * static_cast<std::size_t>(record.numParts));
  if (!ReadGeometry(starts.data(), starts.size())) return FailRecord("the part starts are cut short");
  record.partStarts.resize(static_cast<std::size_t>(record.numParts));
  for (std::size_t i = 0; i < record.partStarts.size(); ++i) {
    const std::int32_t s = bytes::GetI32LE(starts.data() + 4 * i);
    const std::string which = "part " + std::to_string(i + 1) + " starts at point " + std::to_string(s);
    if (s < 0) return FailRecord(which);
    if (i > 0 && s < record.partStarts[i - 1])
      return FailRecord(which + ", before part " + std::to_string(i) + "'s start " +
                        std::to_string(record.partStarts[i - 1]));
    if (s > record.numPoints) return FailRecord(which + " of " + std::to_string(record.numPoints));
    record.partStarts[i] = s;
  }

  if (!record.partStarts.empty() && record.partStarts[0] > 0) {
    std::uint64_t pos = 0;
    const std::uint64_t skip = kPointSize * static_cast<std::uint64_t>(record.partStarts[0]);
    if (!geometryFile_.Tell(pos) || !geometryFile_.Seek(pos + skip)) return FailRecord("the points are cut short");
  }
  record.parts.reserve(record.partStarts.size());
  for (std::size_t i = 0; i < record.partStarts.size(); ++i) {
    const std::int32_t end = i + 1 < record.partStarts.size() ? record.partStarts[i + 1] : record.numPoints;
    const std::size_t count = static_cast<std::size_t>(end - record.partStarts[i]);
    PointList part;
    part.reserve(count);
    if (!ReadPoints(count, part)) return false;
    record.parts.push_back(std::move(part));
  }
  const std::size_t skipped = record.partStarts.empty() ? 0 : static_cast<std::size_t>(record.partStarts[0]);
  if (!ReadMeasures(static_cast<std::size_t>(record.numPoints), skipped, need)) return false;
  if (!ReadRow()) return false;
  return MoveToNextRecord();
}

bool ShapeFileReader::ReadPoints(std::size_t count, PointList& out) {
  std::size_t left = count;
  while (left > 0) {
    const std::size_t n = std::min(left, kChunkPoints);
    if (!ReadGeometry(pointBuffer_.get(), n * kPointSize)) return FailRecord("the points are cut short");
    for (std::size_t k = 0; k < n; ++k) {
      const double x = bytes::GetF64LE(pointBuffer_.get() + k * kPointSize);
      const double y = bytes::GetF64LE(pointBuffer_.get() + k * kPointSize + 8);
      out.push_back({x, y});
    }
    left -= n;
  }
  return true;
}

bool ShapeFileReader::ReadMeasures(std::size_t count, std::size_t skipped, std::uint64_t used) {
  const bool z = HasZ(recordType_);
  if (!(z || HasM(recordType_))) return true;
  // A block is a range (two doubles) and a value per point; one the record is too short for is
  // absent, as the format allows for M.
  const std::uint64_t block = 16 + 8 * static_cast<std::uint64_t>(count);
  auto read = [&](std::vector<double>& out) {
    if (contentBytes_ < used + block) return true;
    used += block;
    std::uint64_t pos = 0;
    // The values of the points before the first part are passed over, as their X, Y were.
    if (!geometryFile_.Tell(pos) || !geometryFile_.Seek(pos + 16 + 8 * static_cast<std::uint64_t>(skipped)))
      return FailRecord("the Z or M values are cut short");
    out.reserve(count - skipped);
    for (std::size_t left = count - skipped; left > 0;) {
      const std::size_t n = std::min(left, 2 * kChunkPoints);
      if (!ReadGeometry(pointBuffer_.get(), 8 * n)) return FailRecord("the Z or M values are cut short");
      for (std::size_t k = 0; k < n; ++k) out.push_back(bytes::GetF64LE(pointBuffer_.get() + 8 * k));
      left -= n;
    }
    return true;
  };
  if (z && !read(measures_.z)) return false;
  return read(measures_.m);
}

bool ShapeFileReader::ReadMultiPointRecord(double box[4], PointList& points) {
  points.clear();
  measures_.Clear();
  constexpr std::size_t kFixed = 40;  // shape type, box, point count
  if (!BeginRecordBody(static_cast<std::int64_t>(kFixed))) return false;
  if (!IsMultiPointType(recordType_))
    return FailRecord("shape type " + std::to_string(recordType_) + " is not a multipoint");
  unsigned char b[kFixed - 4];
  if (!ReadGeometry(b, sizeof b)) return FailRecord("the multipoint header is cut short");
  for (int i = 0; i < 4; ++i) box[i] = bytes::GetF64LE(b + 8 * i);
  const std::int32_t count = bytes::GetI32LE(b + 32);
  if (count < 0) return FailRecord("point count " + std::to_string(count) + " is negative");
  // Bounded by the bytes the record may use, so nothing below allocates more than the file holds.
  const std::uint64_t need = kFixed + kPointSize * static_cast<std::uint64_t>(count);
  if (need > contentBytes_)
    return FailRecord("point count " + std::to_string(count) + " needs " + std::to_string(need) +
                      " bytes, the record holds " + std::to_string(contentBytes_));
  points.reserve(static_cast<std::size_t>(count));
  if (!ReadPoints(static_cast<std::size_t>(count), points)) return false;
  if (!ReadMeasures(static_cast<std::size_t>(count), 0, need)) return false;
  if (!ReadRow()) return false;
  return MoveToNextRecord();
}

bool ShapeFileReader::Resume() {
  if (!open_) return Fail("no shapefile is open");
  if (!broken_) return true;
  const std::int32_t failed = recordsStarted_;
  broken_ = inRecord_ = false;
  recordsFinished_ = failed;
  if (failed >= recordCount_) return true;
  const std::uint64_t entry = kFileHeaderSize + kIndexEntrySize * static_cast<std::uint64_t>(failed);
  if (!indexFile_.Seek(entry) || !ReadIndexEntry()) {
    broken_ = true;
    return Fail(Str(indexFile_.Path()) + ": entry " + std::to_string(failed + 1) + " cannot be read");
  }
  if (!columns_.empty() && !tableFile_.Seek(rowStart_ + row_.size() * static_cast<std::uint64_t>(failed))) {
    broken_ = true;
    return Fail(Str(tableFile_.Path()) + ": row " + std::to_string(failed + 1) + " cannot be reached");
  }
  return true;
}

bool ShapeFileReader::SkipRecord() {
  if (!BeginRecordBody(0)) return false;
  if (!ReadRow()) return false;
  return MoveToNextRecord();
}

}  // namespace vx::data
