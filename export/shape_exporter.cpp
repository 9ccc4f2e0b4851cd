#include "export/shape_exporter.h"

#include "datafiles/sidecars.h"

#include "shell/host/atomic_file.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cerrno>
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

// The files of a set. They are put in place .shp last, so that no reader meets a new .shp with
// the previous .shx or .dbf.
constexpr const char* kSiblings[] = {".shx", ".dbf", ".prj", ".cpg", ".shp"};

// Where the previous file of `ext` waits while the new set goes in: a folder of its own, as the
// new files beside it may have any name.
std::filesystem::path KeptName(const std::filesystem::path& folder, const char* ext) {
  return folder / "previous" / (std::string("previous") + ext);
}

// Puts the complete set written in `folder` (named like `finalShp`) in place of the previous
// one. The previous files are first moved into `folder`, .shp first; the new ones follow, .shp
// last. Any failure puts the previous set back. An interruption between the first and the last
// rename leaves no .shp under the name (never a mixed set); the previous files are then in
// `folder`. `error` says why on failure.
// `keptIn`: set when the previous files could not be put back and wait in `folder`.
bool ReplaceSet(const std::filesystem::path& folder, const std::filesystem::path& finalShp, std::string& error,
                bool& keptIn) {
  std::error_code ec;
  std::vector<const char*> kept, placed;
  auto fail = [&] {
    std::string ignored;
    bool back = true;
    for (auto it = placed.rbegin(); it != placed.rend(); ++it)
      RenameOver(WithExtension(finalShp, *it), WithExtension(folder / finalShp.filename(), *it), ignored);
    // .shp back last, as it went first.
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
      back = RenameOver(KeptName(folder, *it), WithExtension(finalShp, *it), ignored) && back;
    keptIn = !back;
    if (keptIn) error += "; the previous files are kept in " + PathToUtf8(folder);
    return false;
  };
  if (!MakeFolder(folder / "previous")) {
    error = "cannot write in " + PathToUtf8(folder) + ": " + SystemReason(errno ? errno : EACCES);
    return false;
  }
  constexpr const char* kAsideOrder[] = {".shp", ".shx", ".dbf", ".prj", ".cpg"};
  for (const char* ext : kAsideOrder) {
    const auto old = WithExtension(finalShp, ext);
    const auto status = std::filesystem::symlink_status(old, ec);
    if (!std::filesystem::exists(status)) continue;
    if (std::filesystem::is_directory(status)) {
      error = PathToUtf8(old) + ": a folder of that name is in the way";
      return fail();
    }
    if (!RenameOver(old, KeptName(folder, ext), error)) return fail();
    kept.push_back(ext);
  }
  for (const char* ext : kSiblings) {
    const auto from = WithExtension(folder / finalShp.filename(), ext);
    if (!std::filesystem::exists(from, ec)) continue;
    if (!SyncFile(from)) {
      error = "cannot write " + PathToUtf8(WithExtension(finalShp, ext)) + ": " + SystemReason(errno ? errno : EIO);
      return fail();
    }
    if (!RenameOver(from, WithExtension(finalShp, ext), error)) return fail();
    placed.push_back(ext);
  }
  SyncFolder(finalShp.parent_path());
  return true;
}

}  // namespace

CShapeFileExporter::~CShapeFileExporter() {
  if (writer_) CloseOutput();
}

void CShapeFileExporter::InitSettings(ExportSettings& settings) {
  settings.format = ExportFormat::Shapefile;
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
  std::error_code ec;
  std::filesystem::path doc;
  sDocument()->GetDocumentFile(doc);
  for (const char* ext : kSiblings) {
    const auto file = WithExtension(finalPath_, ext);
    if (std::filesystem::is_directory(file, ec)) {
      NoteFileFailure(PathToUtf8(file) + ": a folder of that name is in the way");
      return false;
    }
    if (!doc.empty() && SameFile(file, doc)) {
      NoteFileFailure(PathToUtf8(file) + ": this is the document being exported");
      return false;
    }
  }
  // The set is written in a private folder beside the output, under the output's own names.
  std::string error;
  if (!MakeTempFolder(finalPath_, tempFolder_, error)) {
    NoteFileFailure(error);
    return false;
  }
  tempPath_ = tempFolder_ / finalPath_.filename();

  auto writer = std::make_unique<data::ShapeFileWriter>();
  // Objects carrying heights or measures get the Z (or M) type, points of multipoint records the
  // multipoint type; anything else is written as it always was.
  const std::int32_t plain = settings_.dataType == kDataPolygon    ? data::kShapePolygon
                             : settings_.dataType == kDataPolyline ? data::kShapePolyLine
                             : Extras().multipoint                 ? data::kShapeMultiPoint
                                                                   : data::kShapePoint;
  const std::int32_t type = plain + (Extras().z ? 10 : Extras().m ? 20 : 0);
  const bool ok = writer->Init(type, static_cast<text::TextEncoding>(settings_.encoding));
  if (ok)
    for (const ShapeField& f : exportFields_) writer->AddColumn(f);
  errno = 0;
  if (!ok || !writer->Create(tempPath_)) {
    const int why = errno;
    NoteFileFailure(PathToUtf8(finalPath_) + ": " + (why ? SystemReason(why) : writer->LastError()));
    RemoveTemporaries();
    return false;
  }
  writer_ = std::move(writer);
  unencodableLayerTitles_ = unencodableTexts_ = 0;
  return true;
}

void CShapeFileExporter::RemoveTemporaries() {
  std::error_code ec;
  if (!tempFolder_.empty()) std::filesystem::remove_all(tempFolder_, ec);
  tempFolder_.clear();
}

void CShapeFileExporter::NoteCells() {
  const std::string file = PathToUtf8(finalPath_.filename());
  const auto enc = static_cast<text::TextEncoding>(settings_.encoding);
  if (unencodableLayerTitles_) closingNotes_.push_back(UnencodableNote(file, kLayerFieldName, unencodableLayerTitles_));
  if (unencodableTexts_) closingNotes_.push_back(UnencodableNote(file, kTextFieldName, unencodableTexts_));
  for (const data::ShapeFileWriter::CellReport& r : writer_->CellReports()) {
    const std::string field = text::Utf16ToUtf8(text::Decode(r.name, enc));
    if (r.cutTexts > 0)
      closingNotes_.push_back("列の幅を超える文字列を切り詰めました: " + file + " の " + field + "（" +
                              std::to_string(r.cutTexts) + " 件）");
    if (r.unencodableValues > 0)
      closingNotes_.push_back(UnencodableNote(file, field, r.unencodableValues));
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
  // Without a .prj of our own, one left from an earlier export in another system is moved aside
  // with the rest of the previous set: it would now lie about the data.
  std::string error;
  if (ok)
    ok = data::WriteSidecars(tempPath_, geo::Code(settings_.out.datum), geo::Code(settings_.out.kind),
                             geo::Code(settings_.out.zone), geo::Code(settings_.out.utmZone),
                             static_cast<text::TextEncoding>(settings_.encoding), error);
  if (ok) {
    // Two exports to one folder put their sets in place one after the other, never interleaved.
    FileLock folderLock;
    const auto folder = finalPath_.parent_path().empty() ? std::filesystem::path(".") : finalPath_.parent_path();
    folderLock.Acquire(folder, kSetLockWaitMs, error);
    error.clear();
    bool keptIn = false;
    ok = ReplaceSet(tempFolder_, finalPath_, error, keptIn);
    if (keptIn) tempFolder_.clear();  // the only copy of the previous files: not removed
  }
  RemoveTemporaries();
  if (!ok) {
    if (!error.empty()) NoteFileFailure(error);
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
  std::size_t missing = 0;
  if (layerTitle) {
    writer_->SetCellText(kLayerFieldName, text::Encode(text::Utf8ToUtf16(*layerTitle), enc, &missing));
    if (missing) ++unencodableLayerTitles_, missing = 0;
  }
  if (text) {
    writer_->SetCellText(kTextFieldName, text::Encode(*text, enc, &missing));
    if (missing) ++unencodableTexts_;
  }
  return true;
}

Err CShapeFileExporter::Result(bool written) {
  if (written) return kNoErr;
  if (refusedReason_.empty()) {
    // The writer names the temporary file; the user knows the file by the name they chose.
    refusedReason_ = writer_->LastError();
    const std::string temp = PathToUtf8(tempPath_), final = PathToUtf8(finalPath_);
    for (std::size_t at = refusedReason_.find(temp); at != std::string::npos; at = refusedReason_.find(temp, at))
      refusedReason_.replace(at, temp.size(), final), at += final.size();
  }
  return kFileError;
}

Err CShapeFileExporter::WritePoint(const MapPoint& point, const CVxShapeAttr& attributes, const std::string* layerTitle,
                                   const std::u16string* text) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, text);
  // In a multipoint file a point made on its own is a record of one point.
  if (data::PlainType(writer_->ShapeType()) == data::kShapeMultiPoint)
    return Result(writer_->WriteMultiPointRecord({point}, RecordMeasures()));
  return Result(writer_->WritePointRecord(point, RecordMeasures()));
}

Err CShapeFileExporter::WritePolyline(const PartList& parts, const CVxShapeAttr& attributes,
                                      const std::string* layerTitle) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, nullptr);
  return Result(writer_->WritePolyLineRecord(parts, RecordMeasures()));
}

Err CShapeFileExporter::WritePolygon(const PartList& parts, const CVxShapeAttr& attributes,
                                     const std::string* layerTitle) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, nullptr);
  return Result(writer_->WritePolygonRecord(parts, RecordMeasures()));
}

Err CShapeFileExporter::WriteMultiPoint(const PointList& points, const CVxShapeAttr& attributes,
                                        const std::string* layerTitle) {
  if (!writer_) return kFileError;
  SetRow(attributes, layerTitle, nullptr);
  return Result(writer_->WriteMultiPointRecord(points, RecordMeasures()));
}

}  // namespace vx::xport
