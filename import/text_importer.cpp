#include "import/text_importer.h"

#include "attributes/shape_attr.h"
#include "datafiles/field_splitter.h"
#include "datafiles/vx_file.h"
#include "import/messages.h"
#include "panel/edit_dialogs.h"
#include "resources/templates.h"
#include "shell/host/slots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vx::imp {

using namespace vx::host;
namespace fs = std::filesystem;
using attr::ShapeField;
using namespace vx::resources::txt111;

namespace {

constexpr const char* kTextTitle = "座標付きテキストファイルを読み込む";
constexpr const char* kTextFolderKey = "importGeoTextDir";
constexpr const char* kNeedCoordinateFields = "縦方向と横方向の座標値フィールドを各1つ設定してください。";
// %s: the file's name.
constexpr const char* kNoDataLineFormat = "座標値を含む行がありません [ %s ]";
// The file's name and the line numbers follow, on lines of their own.
constexpr const char* kSkippedLinesMessage = "座標値が数値でない行は読み込んでいません";
constexpr std::size_t kListedLines = 20;  // line numbers named before "ほか"
// %s: the file's name, %lld: the line number, %d: the limit.
constexpr const char* kTooManyFieldsFormat = "列の数が上限の%d列を超えています [ %s 第%lld行 ]\nこのファイルは読み込まれていません";

constexpr std::uint32_t kDarkGrey = 0x404040, kLightGreen = 0xDCF0DC, kWhite = 0xFFFFFF, kBlack = 0;

std::string Utf8(std::u16string_view s) { return text::Utf16ToUtf8(s); }

std::u16string Numbered(const char16_t* stem, std::int32_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%d", Utf8(stem).c_str(), n);
  return text::Utf8ToUtf16(buf);
}

ShapeField Column(std::u16string name, attr::FieldType type, std::int32_t width) {
  ShapeField f;
  f.name = std::move(name);
  f.type = type;
  f.width = width;
  return f;
}

// Exactly n values: the line's fields, empty past its end.
std::vector<std::u16string> Row(data::FieldSplitter& split, const std::u16string& line, std::size_t n) {
  split.Split(line);
  std::vector<std::u16string> row(n);
  for (std::size_t i = 0; i < n; ++i) row[i] = split.Field(static_cast<std::int32_t>(i));
  return row;
}

class FieldListDialog final : public DialogHandler {
 public:
  explicit FieldListDialog(TextImportSettings& s) : s_(s) {}

  void OnInit(Window& w) override {
    w.SetChecked(kHeaderRow, s_.headerRow);
    w.SetChecked(kTab, s_.delimiter == '\t');
    w.SetChecked(kComma, s_.delimiter != '\t');
    w.AddColumn(kFieldList, "フィールド名", 100, Align::Left);
    w.AddColumn(kFieldList, "フィールドタイプ", 170, Align::Left);
    w.AddColumn(kFieldList, "データ1行目", 150, Align::Left);
    w.AddColumn(kFieldList, "データ2行目", 150, Align::Left);
    Fill(w, true);
  }

  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    if (id == kFieldList && event == ControlEvent::DoubleClicked) {
      if (detail >= 0 && static_cast<std::size_t>(detail) < s_.fields.size()) {
        panel::FieldDialogParams p;
        p.plugin = s_.plugin;
        p.field = s_.fields[static_cast<std::size_t>(detail)];
        p.mode = panel::kFieldModeColumn;
        if (panel::RunFieldDialog(p) == kNoErr) s_.fields[static_cast<std::size_t>(detail)] = p.field;
      }
      Fill(w, false);
      return;
    }
    if (event != ControlEvent::Clicked) return;
    if (id == kHeaderRow) {
      bool checked = false;
      w.GetChecked(kHeaderRow, checked);
      s_.headerRow = checked;
      Fill(w, true);
    } else if (id == kTab || id == kComma) {
      bool tab = false;
      w.GetChecked(kTab, tab);
      s_.delimiter = tab ? '\t' : ',';
      s_.fields.clear();
      Fill(w, true);
    } else if (id == kIdOk) {
      const auto count = [&](attr::FieldType t) {
        return std::count_if(s_.fields.begin(), s_.fields.end(), [t](const ShapeField& f) { return f.type == t; });
      };
      if (s_.fields.size() >= 2 && count(attr::kFieldLatitudeOrX) == 1 && count(attr::kFieldLongitudeOrY) == 1)
        w.EndDialog(kNoErr);
      else
        sUser()->WarningAlert(kNeedCoordinateFields);
    } else if (id == kIdCancel) {
      w.EndDialog(kStop);
    }
  }

  bool OnListCellColors(Window& w, std::int32_t id, std::int32_t row, std::int32_t column, std::uint32_t& text,
                        std::uint32_t& back) override {
    (void)w, (void)row;
    if (id != kFieldList) return false;
    if (column == 0) text = kWhite, back = kDarkGrey;
    else if (column == 1) text = kBlack, back = kLightGreen;
    else text = kBlack, back = kWhite;
    return true;
  }

 private:
  void Fill(Window& w, bool rename) {
    if (s_.headerRow && s_.sampleLines.size() < 2) return;
    const SampleRows rows = BuildFields(s_, rename);
    w.DeleteAllRows(kFieldList);
    for (std::size_t i = 0; i < s_.fields.size(); ++i) {
      const ShapeField& f = s_.fields[i];
      std::vector<std::string> cells{Utf8(panel::CutText(f.name, 255)), Utf8(attr::FieldTypeName(f.type)),
                                     i < rows.first.size() ? Utf8(rows.first[i]) : std::string()};
      if (!rows.second.empty() && i < rows.second.size()) cells.push_back(Utf8(rows.second[i]));
      w.AddRow(kFieldList, cells);
    }
  }

  TextImportSettings& s_;
};

void WarnWithFile(const char* format, const fs::path& file) {
  std::string message = format;
  message.replace(message.find("%s"), 2, FileNameUtf8(file));
  sUser()->WarningAlert(message);
}

// Refuses a file with a line of more fields than the splitter keeps, naming file, line and limit.
bool RefuseTooMany(const fs::path& file, std::int64_t lineNumber) {
  char buf[512];
  std::snprintf(buf, sizeof buf, kTooManyFieldsFormat, static_cast<int>(data::FieldSplitter::kMaxFields),
                FileNameUtf8(file).c_str(), static_cast<long long>(lineNumber));
  sUser()->WarningAlert(buf);
  return false;
}

}  // namespace

bool ReadCoordinate(const std::u16string& cell, double& value) {
  const std::string s = Utf8(cell);
  const char* begin = s.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || !std::isfinite(v)) return false;
  value = v;
  return true;
}

CoordinateHeader ClassifyCoordinateHeader(std::u16string_view name) {
  // Letter case and spaces (half and full width) do not matter.
  std::u16string key;
  for (char16_t c : name) {
    if (c == u' ' || c == u'\t' || c == u'\u3000') continue;
    key.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
  }
  for (std::u16string_view n : {u"緯度", u"lat", u"latitude", u"y"})
    if (key == n) return CoordinateHeader::North;
  for (std::u16string_view e : {u"経度", u"lon", u"lng", u"long", u"longitude", u"x"})
    if (key == e) return CoordinateHeader::East;
  return CoordinateHeader::None;
}

SampleRows BuildFields(TextImportSettings& s, bool rename) {
  SampleRows rows;
  if (s.sampleLines.empty()) return rows;
  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(s.delimiter));
  const bool header = s.headerRow;
  const std::size_t firstData = header ? 1 : 0;
  if (s.fields.empty()) {
    const std::int32_t n = split.Split(s.sampleLines[0]);
    if (n < 2) return rows;
    if (header && s.sampleLines.size() < 2) return rows;
    // Columns named as coordinates take the coordinate types; else the first two columns do.
    std::int32_t northColumn = 0, eastColumn = 1;
    if (header) {
      std::int32_t north = -1, east = -1, norths = 0, easts = 0;
      for (std::int32_t i = 0; i < n; ++i) {
        const CoordinateHeader h = ClassifyCoordinateHeader(split.Field(i));
        if (h == CoordinateHeader::North) north = i, ++norths;
        if (h == CoordinateHeader::East) east = i, ++easts;
      }
      if (norths == 1 && easts == 1) northColumn = north, eastColumn = east;
    }
    for (std::int32_t i = 0; i < n; ++i) {
      std::u16string name = header ? split.Field(i) : Numbered(u"FIELD", i < 2 ? i + 1 : i - 1);
      if (i == northColumn) s.fields.push_back(Column(std::move(name), attr::kFieldLatitudeOrX, 0));
      else if (i == eastColumn) s.fields.push_back(Column(std::move(name), attr::kFieldLongitudeOrY, 0));
      else s.fields.push_back(Column(std::move(name), attr::kFieldString, 48));
    }
  } else if (rename) {
    split.Split(s.sampleLines[0]);
    for (std::size_t i = 0; i < s.fields.size(); ++i)
      s.fields[i].name =
          header ? split.Field(static_cast<std::int32_t>(i)) : Numbered(u"FIELD", static_cast<std::int32_t>(i + 1));
  }
  const std::size_t n = s.fields.size();
  if (firstData < s.sampleLines.size()) rows.first = Row(split, s.sampleLines[firstData], n);
  if (firstData + 1 < s.sampleLines.size()) rows.second = Row(split, s.sampleLines[firstData + 1], n);
  return rows;
}

Err ShowFieldDialog(PluginRef plugin, TextImportSettings& settings) {
  FieldListDialog handler(settings);
  return panel::RunDialog(plugin, resources::kTextFieldsDialog, handler);
}

Err CGeoTextFileImporter::ChooseFiles() {
  fs::path folder;
  sPreference()->GetFilePath(kPrefPrefix, kTextFolderKey, folder);
  if (Err r = ChooseFilesDialog(kTextTitle,
                                {{"Text Files(*.txt)", "*.txt"}, {"CSV Files(*.csv)", "*.csv"}, {"All Files(*.*)", "*.*"}},
                                "txt", false, true, true, folder, files_, encoding_))
    return r;
  encoding_ = EncodingFor(files_.front());
  sPreference()->PutFilePath(kPrefPrefix, kTextFolderKey, files_.front().parent_path());
  return kNoErr;
}

bool CGeoTextFileImporter::PrepareImport() {
  if (files_.empty()) return false;
  settings_ = TextImportSettings{};
  settings_.plugin = plugin_;
  const fs::path& file = files_.front();
  settings_.delimiter = file.extension() == ".csv" ? ',' : '\t';
  data::CVxTextFile f;
  if (!f.Open(file, encoding_)) return false;
  std::u16string line;
  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(settings_.delimiter));
  while (settings_.sampleLines.size() < 3 && f.ReadLine(line)) {
    // Checked before the field dialog builds a row for every column.
    split.Split(line);
    if (split.TooMany()) return RefuseTooMany(file, static_cast<std::int64_t>(settings_.sampleLines.size()) + 1);
    settings_.sampleLines.push_back(line);
  }
  if (settings_.sampleLines.empty()) return false;
  if (ShowFieldDialog(plugin_, settings_) != kNoErr) return false;
  for (std::size_t i = 0; i < settings_.fields.size(); ++i) {
    if (settings_.fields[i].type == attr::kFieldLatitudeOrX) settings_.latIndex = static_cast<std::int32_t>(i);
    if (settings_.fields[i].type == attr::kFieldLongitudeOrY) settings_.lonIndex = static_cast<std::int32_t>(i);
  }
  return settings_.latIndex >= 0 && settings_.lonIndex >= 0;
}

bool CGeoTextFileImporter::GetDataExtent(Extent& extent) {
  if (files_.empty()) return false;
  const fs::path& file = files_.front();
  data::CVxTextFile f;
  if (!f.Open(file, encoding_)) return false;
  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(settings_.delimiter));
  std::u16string line;
  if (settings_.headerRow && !f.ReadLine(line)) return false;
  bool set = false;
  for (std::int64_t lineNumber = settings_.headerRow ? 2 : 1; f.ReadLine(line); ++lineNumber) {
    if (line.empty()) continue;
    split.Split(line);
    if (split.TooMany()) return RefuseTooMany(file, lineNumber);
    double x = 0, y = 0;
    // Lines without a number in both coordinate cells are left out of the import.
    if (!ReadCoordinate(split.Field(settings_.lonIndex), x) || !ReadCoordinate(split.Field(settings_.latIndex), y))
      continue;
    if (!set) {
      extent = {x, x, y, y};
      set = true;
    } else {
      extent.xmin = std::min(extent.xmin, x);
      extent.xmax = std::max(extent.xmax, x);
      extent.ymin = std::min(extent.ymin, y);
      extent.ymax = std::max(extent.ymax, y);
    }
  }
  // Nothing to place: no empty layer and no data frame around an undefined extent.
  if (!set) WarnWithFile(kNoDataLineFormat, file);
  return set;
}

bool CGeoTextFileImporter::ScanPoints(const std::function<void(const data::MapPoint&)>& visit) {
  if (files_.empty()) return false;
  data::CVxTextFile f;
  if (!f.Open(files_.front(), encoding_)) return false;
  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(settings_.delimiter));
  std::u16string line;
  if (settings_.headerRow && !f.ReadLine(line)) return false;
  while (f.ReadLine(line)) {
    if (line.empty()) continue;
    split.Split(line);
    data::MapPoint p;
    if (ReadCoordinate(split.Field(settings_.lonIndex), p.x) && ReadCoordinate(split.Field(settings_.latIndex), p.y))
      visit(p);
  }
  return true;
}

std::optional<text::TextEncoding> CGeoTextFileImporter::FileEncoding(const fs::path& file) const {
  return data::TextFileEncoding(file);
}

void CGeoTextFileImporter::NoteBadLine(const data::CVxTextFile& f, std::int64_t lineNumber) {
  // The delimiter, the quote and line ends are ASCII, never part of another character in the
  // 8-bit encodings: the line's bytes split as its text does, and each cell is decoded alone.
  const std::string_view bytes = f.LastLineBytes();
  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(settings_.delimiter));
  split.Split(std::u16string(bytes.begin(), bytes.end()));
  char label[64];
  std::snprintf(label, sizeof label, kLineLabelFormat, static_cast<long long>(lineNumber));
  itemLabel_ = label;
  for (std::int32_t i = 0; i < split.Count(); ++i) {
    const std::u16string cell = split.Field(i);
    std::string raw(cell.size(), '\0');
    for (std::size_t k = 0; k < cell.size(); ++k) raw[k] = static_cast<char>(cell[k]);
    std::size_t invalid = 0;
    text::Decode(raw, f.GetEncoding(), &invalid);
    if (!invalid) continue;
    const auto at = static_cast<std::size_t>(i);
    if (settings_.headerRow && lineNumber == 1) NoteBadText(kColumnNamesLabel);
    else NoteBadText(at < settings_.fields.size() ? Utf8(settings_.fields[at].name) : Utf8(Numbered(u"FIELD", i + 1)));
  }
}

Err CGeoTextFileImporter::ImportFile(const fs::path& file, LayerHandle& layer) {
  data::CVxTextFile f;
  if (!f.Open(file, fileEncoding_)) return kNoErr;
  std::u16string line;
  if (settings_.headerRow && !f.ReadLine(line)) return kNoErr;
  std::int64_t lineNumber = settings_.headerRow ? 1 : 0;
  if (lineNumber == 1 && f.LastLineInvalid()) NoteBadLine(f, lineNumber);

  LayerHandle made = nullptr;
  Err r = CreateImportLayer(made);
  if (made) layer = made;
  if (r) return r;
  if ((r = sLayer()->SetLayerTitle(made, FileStemUtf8(file)))) return r;
  ArtHandle group = nullptr;
  if ((r = sLayer()->GetLayerGroup(made, group))) return r;

  std::vector<ShapeField> definitions;
  for (const ShapeField& fd : settings_.fields)
    if (fd.type != attr::kFieldLatitudeOrX && fd.type != attr::kFieldLongitudeOrY) definitions.push_back(fd);
  if (!definitions.empty()) {
    for (ShapeField& d : definitions) d.value.clear();
    attr::CVxShapeAttr list;
    list.Load(group);
    if ((r = list.ReplaceAll(definitions))) return r;
  }

  data::FieldSplitter split;
  split.SetDelimiter(static_cast<char16_t>(settings_.delimiter));
  std::vector<std::int64_t> skipped;
  std::vector<ShapeField> values;
  while (f.ReadLine(line)) {
    ++lineNumber;
    if (line.empty()) continue;
    if (f.LastLineInvalid()) NoteBadLine(f, lineNumber);
    values.clear();
    split.Split(line);
    data::MapPoint p{0, 0};
    bool numbers = true;
    for (std::size_t i = 0; i < settings_.fields.size(); ++i) {
      const auto col = static_cast<std::int32_t>(i);
      if (col == settings_.lonIndex) numbers = ReadCoordinate(split.Field(col), p.x) && numbers;
      else if (col == settings_.latIndex) numbers = ReadCoordinate(split.Field(col), p.y) && numbers;
      else {
        ShapeField v;
        v.CopyDefinition(settings_.fields[i]);
        attr::NormalizeValue(v, split.Field(col));
        values.push_back(std::move(v));
      }
    }
    // A cell that is not a number would otherwise put the point at the origin.
    if (!numbers) {
      skipped.push_back(lineNumber);
      continue;
    }
    if (LimitOn() && !PointInLimit(p)) continue;
    ArtHandle art = nullptr;
    if ((r = CreatePointArt(p, made, art))) break;
    if (art && !values.empty()) {
      attr::CVxShapeAttr list;
      list.Load(art);
      if ((r = list.ReplaceAll(values))) break;
    }
  }
  if (!skipped.empty()) {
    std::string message = std::string(kSkippedLinesMessage) + "\n" + FileNameUtf8(file) + ":";
    for (std::size_t i = 0; i < skipped.size() && i < kListedLines; ++i)
      message += " " + std::to_string(skipped[i]);
    if (skipped.size() > kListedLines) message += " ほか" + std::to_string(skipped.size() - kListedLines) + "行";
    sUser()->WarningAlert(message);
  }
  return r;
}

}  // namespace vx::imp
