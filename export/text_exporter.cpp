#include "export/text_exporter.h"

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

constexpr std::int32_t kEncodingUtf8 = 1, kEncodingUtf16 = 2;

std::u16string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%2.9f", v);
  return text::Utf8ToUtf16(buf);
}

}  // namespace

std::u16string TextCell(const std::u16string& value, char16_t delimiter) {
  if (delimiter != u',' || value.find_first_of(u",\"") == std::u16string::npos) return value;
  std::u16string out = u"\"";
  for (char16_t c : value) {
    if (c == u'"') out += u'"';
    out += c;
  }
  out += u'"';
  return out;
}

CGeoTextFileExporter::~CGeoTextFileExporter() = default;  // an uncommitted file removes its temporary

void CGeoTextFileExporter::InitSettings(ExportSettings& settings) {
  settings.format = ExportFormat::CoordinateText;
  settings.dataType = kDataPoint;
  CExporterBase::InitSettings(settings);
}

std::vector<FileFilter> CGeoTextFileExporter::FileFilters() {
  if (settings_.delimiter == 44) return {{"CSVファイル(*.csv)", "*.csv"}, {"すべてのファイル(*.*)", "*.*"}};
  return {{"タブ区切りテキストファイル(*.txt)", "*.txt"}, {"すべてのファイル(*.*)", "*.*"}};
}

std::string CGeoTextFileExporter::DefaultFileName() {
  std::filesystem::path doc;
  sDocument()->GetDocumentFile(doc);
  return PathToUtf8(doc.stem()) + ".txt";
}

std::string CGeoTextFileExporter::LayerFileName(LayerHandle layer) {
  std::string title;
  sLayer()->GetLayerTitle(layer, title);
  return title + (settings_.delimiter == 44 ? ".csv" : ".txt");
}

bool CGeoTextFileExporter::WriteLine(const std::u16string& line, std::size_t* unencodable) {
  std::string bytes;
  if (settings_.encoding == kEncodingUtf16) {
    bytes = text::Utf16ToUtf16LeBytes(line + u"\r\n");
  } else {
    bytes = text::Encode(line, settings_.encoding == kEncodingUtf8 ? text::TextEncoding::kUTF8 : text::TextEncoding::kShiftJIS,
                         unencodable);
    bytes += "\r\n";
  }
  file_->Write(bytes);
  if (file_->Failed()) {
    writeFailed_ = true;
    return false;
  }
  return true;
}

bool CGeoTextFileExporter::OpenOutput(const std::filesystem::path& path) {
  if (file_) CloseOutput();
  columnOf_.clear();
  for (std::size_t i = 0; i < exportFields_.size(); ++i) columnOf_[attr::FieldKey(exportFields_[i])] = i;
  finalPath_ = path;
  std::error_code ec;
  if (std::filesystem::is_directory(finalPath_, ec)) {
    NoteFileFailure(PathToUtf8(finalPath_) + ": a folder of that name is in the way");
    return false;
  }
  std::filesystem::path doc;
  sDocument()->GetDocumentFile(doc);
  if (!doc.empty() && SameFile(finalPath_, doc)) {
    NoteFileFailure(PathToUtf8(finalPath_) + ": this is the document being exported");
    return false;
  }
  auto file = std::make_unique<AtomicFile>();
  std::string error;
  if (!file->Open(finalPath_, error)) {
    NoteFileFailure(error);
    return false;
  }
  file_ = std::move(file);
  writeFailed_ = false;

  bool ok = true;
  if (settings_.encoding == kEncodingUtf8) file_->Write(std::string_view("\xEF\xBB\xBF", 3));
  else if (settings_.encoding == kEncodingUtf16) file_->Write(std::string_view("\xFF\xFE", 2));
  ok = !file_->Failed();
  const char16_t sep = static_cast<char16_t>(settings_.delimiter);
  std::u16string header = settings_.out.kind == geo::KindUtm     ? u"UTM N座標(m)" + std::u16string(1, sep) + u"UTM E座標(m)"
                          : settings_.out.kind == geo::KindPlaneXY ? u"平面直角X座標(m)" + std::u16string(1, sep) + u"平面直角Y座標(m)"
                                                                        : u"緯度(B)" + std::u16string(1, sep) + u"経度(L)";
  for (const ShapeField& f : exportFields_) header += sep + f.name;
  unencodable_.assign(exportFields_.size(), 0);
  unencodableNames_ = 0;
  if (ok) ok = WriteLine(header, &unencodableNames_);
  if (!ok) {
    std::string why;
    file_->Commit(why);  // reports the write's reason; removes the temporary
    NoteFileFailure(why);
    file_.reset();
  }
  return ok;
}

bool CGeoTextFileExporter::CloseOutput() {
  if (!file_) return true;
  const std::string file = PathToUtf8(finalPath_.filename());
  if (unencodableNames_) closingNotes_.push_back(UnencodableNote(file, "列名", 1));
  for (std::size_t i = 0; i < unencodable_.size() && i < exportFields_.size(); ++i)
    if (unencodable_[i]) closingNotes_.push_back(UnencodableNote(file, text::Utf16ToUtf8(exportFields_[i].name), unencodable_[i]));
  std::string error;
  // A failed write left the file short: the previous file stays (Commit refuses it).
  const bool ok = file_->Commit(error);
  file_.reset();
  if (!ok) {
    if (!error.empty()) NoteFileFailure(error);
    sUser()->ErrorAlert("出力ファイルを書き込めません: " + PathToUtf8(finalPath_));
  }
  return ok;
}

Err CGeoTextFileExporter::WritePoint(const MapPoint& point, const CVxShapeAttr& attributes,
                                     const std::string* layerTitle, const std::u16string* text) {
  if (!file_) return kFileError;
  const char16_t sep = static_cast<char16_t>(settings_.delimiter);
  std::u16string line = Number(point.y) + sep + Number(point.x);
  std::vector<std::u16string> row(exportFields_.size());
  for (std::int32_t i = 0; i < attributes.Count(); ++i) {
    ShapeField f;
    if (!attributes.GetField(i, f)) continue;
    const auto it = columnOf_.find(attr::FieldKey(f));
    if (it != columnOf_.end()) row[it->second] = std::move(f.value);
  }
  auto put = [&](const char* name, const std::u16string& value) {
    for (std::size_t i = 0; i < exportFields_.size(); ++i)
      if (exportFields_[i].name == text::Utf8ToUtf16(name)) row[i] = value;
  };
  if (layerTitle) put(kLayerFieldName, text::Utf8ToUtf16(*layerTitle));
  if (text) put(kTextFieldName, *text);
  for (const std::u16string& v : row) line += sep + TextCell(v, sep);
  std::size_t missing = 0;
  const bool written = WriteLine(line, &missing);
  // Which values lost characters: looked for only when the line did.
  for (std::size_t i = 0; missing && i < row.size(); ++i) {
    std::size_t inCell = 0;
    text::Encode(row[i], text::TextEncoding::kShiftJIS, &inCell);
    if (inCell) ++unencodable_[i];
  }
  if (!written) {
    if (refusedReason_.empty()) refusedReason_ = "書き込みに失敗しました: " + PathToUtf8(finalPath_);
    return kFileError;
  }
  return kNoErr;
}

}  // namespace vx::xport
