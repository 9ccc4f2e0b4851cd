#include "datafiles/shape_writer.h"

#include "datafiles/byte_order.h"
#include "datafiles/shape_format.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>

namespace vx::data {
namespace {

using namespace layout;

constexpr std::size_t kFlushSize = 64 * 1024;
constexpr std::size_t kMaxCellBytes = 255;

std::string Str(const std::filesystem::path& p) { return FileNameText(p); }

// A name as a column stores it: up to its first zero byte, cut to `limit` on a character boundary.
std::string CutName(std::string_view name, std::size_t limit, TextEncoding encoding) {
  name = name.substr(0, name.find('\0'));
  return std::string(name.substr(0, text::CharBoundary(name, limit, encoding)));
}

std::string_view TrimBlanks(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool AllDigits(std::string_view s) {
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The whole text read as a finite number, or nothing.
std::optional<double> ReadNumber(const std::string& s) {
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

// printf into a string of any length.
std::string Printed(const char* format, int width, int precision, double v) {
  const int n = std::snprintf(nullptr, 0, format, width, precision, v);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, format, width, precision, v);
  return out;
}

// The cell text of a number in an 'N' column, or nothing when the column cannot hold the number
// as itself: cutting "12345" to "123" would write another number.
std::optional<std::string> NumberCell(std::string_view value, bool integer, std::size_t length, int decimals) {
  const std::string v(value);
  std::string cell;
  if (integer && AllDigits(v)) {
    // Digits are written as given: any number of them, never through a narrower type.
    cell = v.front() == '+' ? v.substr(1) : v;
    if (cell.size() < length) cell.insert(0, length - cell.size(), ' ');
  } else {
    const std::optional<double> n = ReadNumber(v);
    if (!n) return std::nullopt;
    if (integer) {
      cell = Printed("%*.*f", static_cast<int>(length), 0, *n);
    } else {
      // Reals: width length - decimals - 1, the column keeps room for the point; WriteRow pads.
      // A value with more integer digits than that room gives up decimals, rounded, as other
      // writers do (318622525.00000000000000 in N(24,15)); it is blank only when even its
      // integer digits do not fit.
      for (int d = decimals; d >= 0; --d) {
        cell = Printed("%*.*f", static_cast<int>(length) - decimals - 1, d, *n);
        if (cell.size() <= length) break;
      }
    }
  }
  if (cell.size() > length) return std::nullopt;
  return cell;
}

void PutFileHeader(unsigned char* h, std::int32_t lengthWords, std::int32_t shapeType, const ShapeExtent& e) {
  std::memset(h, 0, kFileHeaderSize);
  bytes::PutI32BE(h, kFileCode);
  bytes::PutI32BE(h + kHdrFileLength, lengthWords);
  bytes::PutI32LE(h + kHdrVersion, kVersion);
  bytes::PutI32LE(h + kHdrShapeType, shapeType);
  const ShapeExtent::Range* r[4] = {&e.x, &e.y, &e.z, &e.m};
  const double v[8] = {r[0]->min, r[1]->min, r[0]->max, r[1]->max, r[2]->min, r[2]->max, r[3]->min, r[3]->max};
  for (int i = 0; i < 8; ++i) bytes::PutF64LE(h + kHdrBounds + 8 * i, v[i]);
}

}  // namespace

ShapeFileWriter::ShapeFileWriter() = default;

ShapeFileWriter::~ShapeFileWriter() { CloseAll(); }

bool ShapeFileWriter::Fail(const std::string& message) {
  error_ = message;
  return false;
}

void ShapeFileWriter::CloseAll() {
  geometryFile_.Close();
  indexFile_.Close();
  tableFile_.Close();
  created_ = false;
}

bool ShapeFileWriter::Init(std::int32_t shapeType, TextEncoding encoding) {
  CloseAll();
  initialized_ = false;
  error_.clear();
  shapeType_ = shapeType;
  encoding_ = encoding;
  fileLength_ = nextOffset_ = kHeaderWords;
  recordCount_ = 0;
  extent_ = ShapeExtent{};
  columns_.clear();
  sourceNames_.clear();
  rowValues_.clear();
  rowBlanked_.clear();
  sourceDefs_.clear();
  reports_.clear();
  tableHeader_ = attr::DbfHeader{};
  tableHeader_.version = 3;
  tableHeader_.headerLength = kTblHeaderSize + 1;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  SetDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  const std::int32_t plain = PlainType(shapeType);
  if (!(plain == kShapePoint || plain == kShapePolyLine || plain == kShapePolygon || plain == kShapeMultiPoint))
    return Fail("shape type " + std::to_string(shapeType) +
                " cannot be written (only 1, 3, 5 and 8, and their Z and M types)");
  if (encoding != TextEncoding::kShiftJIS && encoding != TextEncoding::kUTF8)
    return Fail("encoding " + std::to_string(static_cast<std::int32_t>(encoding)) +
                " cannot be written to a table (only Shift-JIS and UTF-8)");
  initialized_ = true;
  return true;
}

void ShapeFileWriter::SetDate(int year, int month, int day) {
  tableHeader_.year = static_cast<std::uint8_t>(year - 1900);
  tableHeader_.month = static_cast<std::uint8_t>(month);
  tableHeader_.day = static_cast<std::uint8_t>(day);
}

bool ShapeFileWriter::AddColumn(const attr::ShapeField& field) {
  const std::string full = text::Encode(field.name, encoding_);
  if (!initialized_ || created_) return Fail("column " + full + ": columns are added between Init and Create");
  if (field.width < 0 || field.width > 255 || field.decimals < 0 || field.decimals > 255)
    return Fail("column " + full + ": width " + std::to_string(field.width) + " and decimals " +
                std::to_string(field.decimals) + " do not fit a table column");
  attr::DbfFieldDesc desc;
  switch (field.type) {
    case attr::kFieldString: desc.type = 'C'; break;
    case attr::kFieldInteger:
    case attr::kFieldReal: desc.type = 'N'; break;
    default: return Fail("column " + full + ": field type " + std::to_string(field.type) + " is not written");
  }
  desc.length = static_cast<std::uint8_t>(field.width);
  desc.decimals = static_cast<std::uint8_t>(field.decimals);

  // Two names that share their first 10 bytes would share a column: the later one gets "_n".
  auto taken = [this](const std::string& n) {
    for (const auto& c : columns_)
      if (c.Name() == n) return true;
    return false;
  };
  std::string stored = CutName(full, kMaxNameBytes, encoding_);
  for (int k = 1; taken(stored); ++k) {
    const std::string suffix = "_" + std::to_string(k);
    stored = CutName(full, kMaxNameBytes - suffix.size(), encoding_) + suffix;
  }
  std::memcpy(desc.name, stored.data(), stored.size());
  columns_.push_back(desc);
  sourceNames_.push_back(full.substr(0, full.find('\0')));
  attr::ShapeField def = field;
  def.value.clear();
  sourceDefs_.push_back(std::move(def));
  return true;
}

bool ShapeFileWriter::Create(const std::filesystem::path& path) {
  if (!initialized_) return Fail(error_.empty() ? "Init has not succeeded" : error_);
  CloseAll();
  geometryPath_ = path;
  if (geometryPath_.extension() != ".shp") geometryPath_ += ".shp";
  indexPath_ = tablePath_ = geometryPath_;
  indexPath_.replace_extension(".shx");
  tablePath_.replace_extension(".dbf");

  // The row: the deletion flag, then every cell.
  rowLength_ = 1;
  for (const auto& c : columns_) rowLength_ += c.length;
  const std::size_t headerLength = kTblHeaderSize + kDescSize * columns_.size() + 1;
  if (headerLength > UINT16_MAX || rowLength_ > UINT16_MAX)
    return Fail(Str(tablePath_) + ": " + std::to_string(columns_.size()) + " columns of " +
                std::to_string(rowLength_) + " bytes per row do not fit the table header");

  if (!geometryFile_.OpenPath(geometryPath_, "wb")) return Fail(Str(geometryPath_) + ": cannot be created");
  if (!indexFile_.OpenPath(indexPath_, "wb")) {
    CloseAll();
    return Fail(Str(indexPath_) + ": cannot be created");
  }
  if (!tableFile_.OpenPath(tablePath_, "wb")) {
    CloseAll();
    return Fail(Str(tablePath_) + ": cannot be created");
  }
  unsigned char h[kFileHeaderSize];
  PutFileHeader(h, fileLength_, shapeType_, ShapeExtent{});
  if (!geometryFile_.Write(h, sizeof h) || !indexFile_.Write(h, sizeof h)) {
    CloseAll();
    return Fail(Str(geometryPath_) + ": the header cannot be written");
  }

  std::vector<unsigned char> t(headerLength, 0);
  t[0] = tableHeader_.version;
  t[1] = tableHeader_.year;
  t[2] = tableHeader_.month;
  t[3] = tableHeader_.day;
  bytes::PutU32LE(&t[kTblRecordCount], 0);
  bytes::PutU16LE(&t[kTblHeaderLength], static_cast<std::uint16_t>(kTblHeaderSize + 1));
  bytes::PutU16LE(&t[kTblRowLength], 0);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    unsigned char* d = &t[kTblHeaderSize + kDescSize * i];
    std::memcpy(d, columns_[i].name, 11);
    d[11] = static_cast<unsigned char>(columns_[i].type);
    d[16] = columns_[i].length;
    d[17] = columns_[i].decimals;
  }
  t.back() = kTerminator;
  if (!tableFile_.Write(t.data(), t.size())) {
    CloseAll();
    return Fail(Str(tablePath_) + ": the header cannot be written");
  }
  rowValues_.assign(columns_.size(), std::nullopt);
  rowBlanked_.assign(columns_.size(), std::nullopt);
  reports_.assign(columns_.size(), CellReport{});
  for (std::size_t i = 0; i < columns_.size(); ++i) reports_[i].name = sourceNames_[i];
  created_ = true;
  return true;
}

int ShapeFileWriter::FindColumn(std::string_view name) const {
  for (std::size_t i = 0; i < sourceNames_.size(); ++i)
    if (sourceNames_[i] == name) return static_cast<int>(i);
  const std::string cut = CutName(name, kMaxNameBytes, encoding_);
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].Name() == cut) return static_cast<int>(i);
  return -1;
}

bool ShapeFileWriter::SetCellText(std::string_view name, std::string_view text) {
  const int i = FindColumn(name);
  if (i < 0) return Fail("no column is named " + std::string(name));
  if (static_cast<std::size_t>(i) < rowValues_.size()) rowValues_[static_cast<std::size_t>(i)] = std::string(text);
  return true;
}

int ShapeFileWriter::FindColumn(const attr::ShapeField& field, std::string_view name) const {
  // Two layers may define fields of one name differently; each value belongs to its own.
  for (std::size_t i = 0; i < sourceDefs_.size(); ++i)
    if (attr::SameFieldDef(sourceDefs_[i], field)) return static_cast<int>(i);
  return FindColumn(name);
}

void ShapeFileWriter::ClearRow() {
  for (auto& v : rowValues_) v.reset();
  for (auto& v : rowBlanked_) v.reset();
}

bool ShapeFileWriter::SetRowValues(const std::vector<attr::ShapeField>& fields) {
  bool result = true;
  for (const auto& f : fields) {
    if (f.type != attr::kFieldString && f.type != attr::kFieldInteger && f.type != attr::kFieldReal) continue;
    const std::string name = text::Encode(f.name, encoding_);
    const int found = FindColumn(f, name);
    if (found < 0) {
      result = Fail("no column is named " + name);
      continue;
    }
    const auto i = static_cast<std::size_t>(found);
    if (i >= rowValues_.size()) continue;
    std::size_t unencodable = 0;
    const std::string value = text::Encode(f.value, encoding_, &unencodable);
    if (unencodable) ++reports_[i].unencodableValues;
    rowValues_[i].reset();
    rowBlanked_[i].reset();
    result = true;
    if (columns_[i].type == 'C') {
      rowValues_[i] = value;
      continue;
    }
    const std::string_view v = TrimBlanks(value);
    if (v.empty()) continue;  // an empty number stays a blank cell, read back as null
    const auto& c = columns_[i];
    if (auto cell = NumberCell(v, c.decimals == 0 && f.type == attr::kFieldInteger, c.length, c.decimals))
      rowValues_[i] = std::move(*cell);
    else
      rowBlanked_[i] = std::string(v);
  }
  return result;
}

bool ShapeFileWriter::WriteRow() {
  buffer_.assign(rowLength_, ' ');
  std::size_t at = 1;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const std::size_t len = columns_[i].length;
    if (i < rowValues_.size() && rowValues_[i]) {
      const std::string& v = *rowValues_[i];
      // A value longer than its column keeps its first bytes, never half a character.
      const std::size_t n = text::CharBoundary(v, std::min(len, kMaxCellBytes), encoding_);
      if (n < v.size()) ++reports_[i].cutTexts;
      std::memcpy(&buffer_[at], v.data(), n);
    }
    if (i < rowBlanked_.size() && rowBlanked_[i]) {
      CellReport& r = reports_[i];
      if (r.firstBlanked.size() < kBlankedExamples) r.firstBlanked.emplace_back(recordCount_, *rowBlanked_[i]);
      ++r.blankedNumbers;
    }
    at += len;
  }
  ClearRow();
  if (!tableFile_.Write(buffer_.data(), buffer_.size())) return Fail(Str(tablePath_) + ": a row cannot be written");
  return true;
}

bool ShapeFileWriter::CheckRecord(std::int32_t type) {
  if (!created_) return Fail("no shapefile has been created");
  if (type != PlainType(shapeType_)) {
    // The refused record's row ends here too, or its values would land in the next row.
    ClearRow();
    return Fail(Str(geometryPath_) + ": record " + std::to_string(recordCount_ + 1) + " of shape type " +
                std::to_string(type) + " in a file of shape type " + std::to_string(shapeType_));
  }
  return true;
}

void ShapeFileWriter::MeasureLists(std::size_t n, const VertexMeasures* given) {
  zOut_.clear();
  mOut_.clear();
  const bool z = HasZ(shapeType_), m = HasM(shapeType_);
  if (z) {
    if (given && given->z.size() == n)
      zOut_ = given->z;
    else
      zOut_.assign(n, 0.0);  // a flat object in a file of heights stands at 0
  }
  if (given && given->m.size() == n && (z || m))
    mOut_ = given->m;
  else if (m)
    mOut_.assign(n, kNoDataMWritten);
}

namespace {
void AppendF64(std::vector<unsigned char>& b, double v) {
  const std::size_t at = b.size();
  b.resize(at + 8);
  bytes::PutF64LE(&b[at], v);
}
// The range of the values that are data (M below kNoDataM is none); nullopt when there is none.
std::optional<std::pair<double, double>> DataRange(const std::vector<double>& v) {
  std::optional<std::pair<double, double>> r;
  for (double x : v) {
    if (!(x >= kNoDataM)) continue;
    if (!r) r.emplace(x, x);
    r->first = std::min(r->first, x);
    r->second = std::max(r->second, x);
  }
  return r;
}
}  // namespace

std::uint64_t ShapeFileWriter::MeasureBytes(bool ranges) const {
  std::uint64_t n = 0;
  for (const auto* list : {&zOut_, &mOut_})
    if (!list->empty()) n += 8 * list->size() + (ranges ? 16 : 0);
  return n;
}

bool ShapeFileWriter::AppendMeasures(bool ranges) {
  bool ok = true;
  for (const auto* list : {&zOut_, &mOut_}) {
    if (list->empty()) continue;
    const auto range = DataRange(*list);
    if (ranges) {
      AppendF64(buffer_, range ? range->first : 0.0);
      AppendF64(buffer_, range ? range->second : 0.0);
    }
    for (double v : *list) {
      AppendF64(buffer_, v);
      if (buffer_.size() >= kFlushSize) {
        ok = ok && geometryFile_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
      }
    }
  }
  return ok;
}

void ShapeFileWriter::ExtendMeasures() {
  for (double v : zOut_) extent_.z.Extend(v);
  if (const auto range = DataRange(mOut_)) {
    extent_.m.Extend(range->first);
    extent_.m.Extend(range->second);
  }
}

bool ShapeFileWriter::WritePointRecord(const MapPoint& p, const VertexMeasures* measures) {
  if (!CheckRecord(kShapePoint)) return false;
  const std::string record = Str(geometryPath_) + ": record " + std::to_string(recordCount_ + 1) + ": ";
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
    ClearRow();
    return Fail(record + "point (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") is not finite");
  }
  MeasureLists(1, measures);
  const auto content = static_cast<std::int32_t>(kPointContentWords + MeasureBytes(false) / 2);
  if (std::int64_t{fileLength_} + content + kRecordHeaderWords > INT32_MAX) {
    ClearRow();
    return Fail(record + "the file would pass the format's size limit");
  }
  ++recordCount_;
  buffer_.assign(8 + 20, 0);
  unsigned char* g = buffer_.data();
  bytes::PutI32BE(g, recordCount_);
  bytes::PutI32BE(g + 4, content);
  bytes::PutI32LE(g + 8, shapeType_);
  bytes::PutF64LE(g + 12, p.x);
  bytes::PutF64LE(g + 20, p.y);
  bool geometryOk = AppendMeasures(false);
  unsigned char x[8];
  bytes::PutI32BE(x, nextOffset_);
  bytes::PutI32BE(x + 4, content);
  geometryOk = geometryOk && geometryFile_.Write(buffer_.data(), buffer_.size()) && indexFile_.Write(x, sizeof x);
  const bool rowOk = WriteRow();
  if (!geometryOk) return Fail(record + "cannot be written");
  if (!rowOk) return false;
  fileLength_ += content + kRecordHeaderWords;
  nextOffset_ += content + kRecordHeaderWords;
  extent_.x.Extend(p.x);
  extent_.y.Extend(p.y);
  ExtendMeasures();
  return true;
}

bool ShapeFileWriter::WriteMultiPointRecord(const PointList& points, const VertexMeasures* measures) {
  return WritePartsRecord(kShapeMultiPoint, PartList{points}, measures);
}

bool ShapeFileWriter::WritePolyLineRecord(const PartList& parts, const VertexMeasures* measures) {
  return WritePartsRecord(kShapePolyLine, parts, measures);
}

bool ShapeFileWriter::WritePolygonRecord(const PartList& parts, const VertexMeasures* measures) {
  return WritePartsRecord(kShapePolygon, parts, measures);
}

bool ShapeFileWriter::WritePartsRecord(std::int32_t type, const PartList& parts, const VertexMeasures* measures) {
  if (!CheckRecord(type)) return false;
  const std::string record = Str(geometryPath_) + ": record " + std::to_string(recordCount_ + 1) + ": ";
  auto refuse = [&](const std::string& why) {
    ClearRow();
    return Fail(record + why);
  };
  // An empty part or a record without parts draws nothing (and shapelib refuses most empty
  // parts); non-finite coordinates cannot be placed.
  if (parts.empty()) return refuse("no parts");
  std::uint64_t n = 0;
  ShapeExtent box;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].empty()) return refuse("part " + std::to_string(i + 1) + " has no points");
    for (const auto& p : parts[i]) {
      if (!std::isfinite(p.x) || !std::isfinite(p.y))
        return refuse("point (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") is not finite");
      box.x.Extend(p.x);
      box.y.Extend(p.y);
    }
    n += parts[i].size();
  }
  // A multipoint has the box and the count, without part starts.
  const bool multi = type == kShapeMultiPoint;
  constexpr std::size_t kMultiPointFixedSize = 40;  // shape type, box, point count
  MeasureLists(n, measures);
  const std::uint64_t fixed = multi ? kMultiPointFixedSize : kPartsFixedSize + 4 * parts.size();
  const std::uint64_t contentWords = (16 * n + fixed + MeasureBytes(true)) / 2;
  if (contentWords + kRecordHeaderWords + static_cast<std::uint64_t>(fileLength_) > INT32_MAX)
    return refuse("the file would pass the format's size limit");
  const auto content = static_cast<std::int32_t>(contentWords);

  ++recordCount_;
  buffer_.assign(8 + kPartsFixedSize, 0);
  unsigned char* b = buffer_.data();
  bytes::PutI32BE(b, recordCount_);
  bytes::PutI32BE(b + 4, content);
  bytes::PutI32LE(b + 8, shapeType_);
  bytes::PutF64LE(b + 12, box.x.min);
  bytes::PutF64LE(b + 20, box.y.min);
  bytes::PutF64LE(b + 28, box.x.max);
  bytes::PutF64LE(b + 36, box.y.max);
  bool ok = true;
  if (multi) {
    bytes::PutI32LE(b + 44, static_cast<std::int32_t>(n));
    buffer_.resize(8 + kMultiPointFixedSize);
  } else {
    bytes::PutI32LE(b + 44, static_cast<std::int32_t>(parts.size()));
    bytes::PutI32LE(b + 48, static_cast<std::int32_t>(n));
    std::uint32_t start = 0;
    for (const auto& part : parts) {
      unsigned char s[4];
      bytes::PutU32LE(s, start);
      buffer_.insert(buffer_.end(), s, s + 4);
      start += static_cast<std::uint32_t>(part.size());
    }
  }
  for (const auto& part : parts) {
    for (const auto& p : part) {
      const std::size_t at = buffer_.size();
      buffer_.resize(at + 16);
      bytes::PutF64LE(&buffer_[at], p.x);
      bytes::PutF64LE(&buffer_[at + 8], p.y);
      if (buffer_.size() >= kFlushSize) {
        ok = ok && geometryFile_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
      }
    }
  }
  ok = AppendMeasures(true) && ok;
  ok = ok && geometryFile_.Write(buffer_.data(), buffer_.size());
  unsigned char x[8];
  bytes::PutI32BE(x, nextOffset_);
  bytes::PutI32BE(x + 4, content);
  ok = ok && indexFile_.Write(x, sizeof x);
  const bool rowOk = WriteRow();
  if (!ok) return Fail(record + "cannot be written");
  if (!rowOk) return false;
  fileLength_ += content + kRecordHeaderWords;
  nextOffset_ += content + kRecordHeaderWords;
  extent_.x.Extend(box.x.min);
  extent_.x.Extend(box.x.max);
  extent_.y.Extend(box.y.min);
  extent_.y.Extend(box.y.max);
  ExtendMeasures();
  return true;
}

bool ShapeFileWriter::Finish() {
  if (!created_) {
    CloseAll();
    return Fail(error_.empty() ? "no shapefile has been created" : error_);
  }
  bool ok = true;
  const unsigned char eof = kEndOfFile;
  ok = tableFile_.Write(&eof, 1);
  unsigned char h[kFileHeaderSize];
  if (ok) {
    PutFileHeader(h, fileLength_, shapeType_, extent_);
    ok = geometryFile_.Seek(kHdrFileLength) && geometryFile_.Write(h + kHdrFileLength, 4) &&
         geometryFile_.Seek(kHdrBounds) && geometryFile_.Write(h + kHdrBounds, 64);
  }
  if (ok) {
    const auto indexWords = static_cast<std::int32_t>((std::int64_t{recordCount_} * 8 + 100) / 2);
    PutFileHeader(h, indexWords, shapeType_, extent_);
    ok = indexFile_.Seek(kHdrFileLength) && indexFile_.Write(h + kHdrFileLength, 4) && indexFile_.Seek(kHdrBounds) &&
         indexFile_.Write(h + kHdrBounds, 64);
  }
  if (ok) {
    unsigned char t[8];
    bytes::PutU32LE(t, static_cast<std::uint32_t>(recordCount_));
    bytes::PutU16LE(t + 4, static_cast<std::uint16_t>(kTblHeaderSize + kDescSize * columns_.size() + 1));
    bytes::PutU16LE(t + 6, static_cast<std::uint16_t>(rowLength_));
    ok = tableFile_.Seek(kTblRecordCount) && tableFile_.Write(t, 8);
  }
  // Buffered data reaches the disk only now: a failure here is a write failure too.
  for (CVxFile* f : {&geometryFile_, &indexFile_, &tableFile_})
    if (f->GetHandle() && std::fflush(f->GetHandle()) != 0) ok = false;
  CloseAll();
  if (!ok) return Fail(Str(geometryPath_) + ": the headers cannot be completed");
  return true;
}

}  // namespace vx::data
