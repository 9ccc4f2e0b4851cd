#include "export/shape_exporter.h"

#include "export/prj.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cstdio>
#include <system_error>

namespace vx::xport {

using namespace vx::host;
using attr::CVxShapeAttr;
using attr::ShapeField;

namespace {

// The sibling of a .shp with another extension.
std::filesystem::path WithExtension(std::filesystem::path shp, const char* ext) {
  shp.replace_extension(ext);
  return shp;
}

constexpr const char* kSiblings[] = {".shx", ".dbf", ".prj", ".cpg", ".shp"};  // .shp last: a whole set

bool WriteSmallFile(const std::filesystem::path& path, const std::string& bytes) {
  std::FILE* f = host::Fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

}  // namespace

CShapeFileExporter::~CShapeFileExporter() {
  if (writer_) CloseOutput();
}

void CShapeFileExporter::InitSettings(ExportSettings& settings) {
  settings.kind = 0;
  CExporterBase::InitSettings(settings);
}

std::vector<FileFilter> CShapeFileExporter::FileFilters() { return {{"Shapefiles(*.shp)", "*.shp"}}; }

std::string CShapeFileExporter::DefaultFileName() {
  std::filesystem::path doc;
  sDocument()->GetDocumentFile(doc);
  // A document never saved has no name to offer; ".shp" alone would make a hidden file.
  if (doc.stem().empty()) return CExporterBase::DefaultFileName();
  return PathToUtf8(doc.stem()) + ".shp";
}

std::string CShapeFileExporter::LayerFileName(LayerHandle layer) {
  std::string title;
  sLayer()->GetLayerTitle(layer, title);
  return title + ".shp";
}

bool CShapeFileExporter::OpenOutput(const std::filesystem::path& path) {
  if (writer_) CloseOutput();
  finalPath_ = path;
  if (finalPath_.extension() != ".shp") finalPath_ += ".shp";
  tempPath_ = finalPath_.parent_path() / Utf8ToPath("." + PathToUtf8(finalPath_.stem()) + ".vxpart.shp");
  std::error_code ec;
  for (const char* ext : kSiblings)
    if (std::filesystem::is_directory(WithExtension(finalPath_, ext), ec)) return false;  // a folder in the way

  auto writer = std::make_unique<data::ShapeFileWriter>();
  const std::int32_t type = settings_.dataType == kDataPolygon    ? data::kShapePolygon
                            : settings_.dataType == kDataPolyline ? data::kShapePolyLine
                                                                  : data::kShapePoint;
  if (!writer->Init(type, static_cast<text::TextEncoding>(settings_.encoding))) return false;
  for (const ShapeField& f : exportFields_) writer->AddColumn(f);
  if (!writer->Create(tempPath_)) {
    RemoveTemporaries();
    return false;
  }
  writer_ = std::move(writer);
  return true;
}

void CShapeFileExporter::RemoveTemporaries() {
  std::error_code ec;
  for (const char* ext : kSiblings) std::filesystem::remove(WithExtension(tempPath_, ext), ec);
}

void CShapeFileExporter::NoteCells() {
  const std::string file = PathToUtf8(finalPath_.filename());
  const auto enc = static_cast<text::TextEncoding>(settings_.encoding);
  for (const data::ShapeFileWriter::CellReport& r : writer_->CellReports()) {
    const std::string field = text::Utf16ToUtf8(text::Decode(r.name, enc));
    if (r.cutTexts > 0)
      closingNotes_.push_back("列の幅を超える文字列を切り詰めました: " + file + " の " + field + "（" +
                              std::to_string(r.cutTexts) + " 件）");
    if (r.blankedNumbers > 0) {
      std::string examples;
      for (const auto& [record, value] : r.firstBlanked)
        examples += (examples.empty() ? "" : "、") + ("レコード " + std::to_string(record) + " の " + text::Utf16ToUtf8(text::Decode(value, enc)));
      if (r.blankedNumbers > static_cast<std::int64_t>(r.firstBlanked.size())) examples += " ほか";
      closingNotes_.push_back("列に収まらない数値を空欄にしました: " + file + " の " + field + "（" +
                              std::to_string(r.blankedNumbers) + " 件: " + examples + "）");
    }
  }
}

bool CShapeFileExporter::CloseOutput() {
  if (!writer_) return true;
  NoteCells();
  bool ok = writer_->Finish();
  writer_.reset();
  const std::string wkt = EsriWkt(settings_.outGeoSys, settings_.outProjection, settings_.outXYKei, settings_.outUTMZone);
  if (ok && !wkt.empty()) ok = WriteSmallFile(WithExtension(tempPath_, ".prj"), wkt);
  if (ok) ok = WriteSmallFile(WithExtension(tempPath_, ".cpg"), CodePageName(settings_.encoding));
  if (ok) {
    std::error_code ec;
    // A .prj left from an earlier export in another system would now lie about the data.
    if (wkt.empty()) std::filesystem::remove(WithExtension(finalPath_, ".prj"), ec);
    std::vector<std::filesystem::path> moved;
    for (const char* ext : kSiblings) {
      const auto from = WithExtension(tempPath_, ext);
      if (!std::filesystem::exists(from, ec)) continue;
      if (!host::RenameReplacing(from, WithExtension(finalPath_, ext), ec)) {
        // Half a set would pass for a whole one: take back what was moved.
        for (const auto& m : moved) std::filesystem::remove(m, ec);
        ok = false;
        break;
      }
      moved.push_back(WithExtension(finalPath_, ext));
    }
  }
  if (!ok) {
    RemoveTemporaries();
    sUser()->ErrorAlert("出力ファイルを書き込めません: " + PathToUtf8(finalPath_));
  }
  return ok;
}

bool CShapeFileExporter::SetRow(const CVxShapeAttr& attributes, const std::string* layerTitle,
                                const std::u16string* text) {
  std::vector<ShapeField> fields;
  const std::int32_t n = attributes.Count();
  fields.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
  for (std::int32_t i = 0; i < n; ++i) {
    ShapeField f;
    if (attributes.GetField(i, f)) fields.push_back(std::move(f));
  }
  writer_->SetRowValues(fields);  // an attribute without a column is passed over
  const auto enc = settings_.encoding == 1 ? text::TextEncoding::kUTF8 : text::TextEncoding::kShiftJIS;
  if (layerTitle) writer_->SetCellText(kLayerFieldName, text::Encode(text::Utf8ToUtf16(*layerTitle), enc));
  if (text) writer_->SetCellText(kTextFieldName, text::Encode(*text, enc));
  return true;
}

Err CShapeFileExporter::Result(bool written) {
  if (written) return kNoErr;
  if (refusedReason_.empty()) {
    // The writer names the temporary file; the user knows the file by the name they chose.
    refusedReason_ = writer_->LastError();
    const std::string temp = PathToUtf8(tempPath_.filename()), final = PathToUtf8(finalPath_.filename());
    for (std::size_t at = refusedReason_.find(temp); at != std::string::npos; at = refusedReason_.find(temp, at))
      refusedReason_.replace(at, temp.size(), final), at += final.size();
  }
  return kFileError;
}

Err CShapeFileExporter::WritePoint(const MapPoint& point, const CVxShapeAttr& attributes, const std::string* layerTitle,
                                   const std::u16string* text) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, text);
  return Result(writer_->WritePointRecord(point));
}

Err CShapeFileExporter::WritePolyline(const PartList& parts, const CVxShapeAttr& attributes,
                                      const std::string* layerTitle) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, nullptr);
  return Result(writer_->WritePolyLineRecord(parts));
}

Err CShapeFileExporter::WritePolygon(const PartList& parts, const CVxShapeAttr& attributes,
                                     const std::string* layerTitle) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, nullptr);
  return Result(writer_->WritePolygonRecord(parts));
}

}  // namespace vx::xport
