// vxshape import-text: a coordinate text import through the plug-in, played the way a person does
// it: flyout item 2, the open-file dialog, the field dialog (the coordinate columns set by
// double-clicking their rows), the import settings dialog, OK.
#include "attributes/field.h"
#include "cli/commands.h"
#include "cli/import_run.h"
#include "cli/session.h"
#include "import/importer_base.h"
#include "shell/text/text.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace vx::cli {
namespace {

constexpr std::int32_t kFlyoutImportText = 2;
constexpr std::int32_t kFieldsDialog = 111, kFieldDialog = 112;
constexpr std::int32_t kTab = 1085, kComma = 1086, kHeaderRow = 1076, kFieldList = 1083;
constexpr std::int32_t kFieldType = 1075, kFieldWidth = 1084, kOk = 1, kCancel = 2;
// Items of the field dialog's type list in its coordinate-text mode.
constexpr std::int32_t kItemText = 0, kItemLatitude = 3, kItemLongitude = 4;

struct TextAnswers {
  std::string delimiter;  // "tab", "comma" or empty: as the dialog opens
  bool noHeader = false;
  std::string lat, lon;  // a column's name or its number (from 1); empty: as the dialog opens
  std::optional<std::int32_t> pendingItem;  // the type the next field dialog is to take
  std::string error;  // why the answers do not fit the file; the dialog is then cancelled
};

std::string TypeName(attr::FieldType t) { return text::Utf16ToUtf8(attr::FieldTypeName(t)); }

// The row a column answer names: its number from 1, else the row of that name; -1 when none.
std::int32_t FindRow(host::ControlWindow& d, const std::string& column) {
  std::int32_t rows = 0;
  d.CountRows(kFieldList, rows);
  char* end = nullptr;
  const long n = std::strtol(column.c_str(), &end, 10);
  if (!column.empty() && *end == '\0' && n >= 1 && n <= rows) return static_cast<std::int32_t>(n - 1);
  for (std::int32_t r = 0; r < rows; ++r) {
    std::string name;
    d.GetCell(kFieldList, r, 0, name);
    if (name == column) return r;
  }
  return -1;
}

void Retype(host::ControlWindow& d, TextAnswers& a, std::int32_t row, std::int32_t item) {
  a.pendingItem = item;
  d.UserDoubleClickRow(kFieldList, row);
  a.pendingItem.reset();
}

bool AnswerFields(host::ControlWindow& d, TextAnswers& a) {
  if (d.TemplateId() == kFieldDialog && a.pendingItem) {
    d.UserSelectItem(kFieldType, *a.pendingItem);
    if (*a.pendingItem == kItemText) d.UserSetText(kFieldWidth, "48");
    d.UserClick(kOk);
    if (!d.Ended()) d.UserClick(kCancel);
    return true;
  }
  if (d.TemplateId() != kFieldsDialog) return false;
  const host::ControlState* tab = d.Find(kTab);
  if (a.delimiter == "tab" && !(tab && tab->checked)) d.UserClick(kTab);
  const host::ControlState* comma = d.Find(kComma);
  if (a.delimiter == "comma" && !(comma && comma->checked)) d.UserClick(kComma);
  const host::ControlState* header = d.Find(kHeaderRow);
  if (a.noHeader && header && header->checked) d.UserClick(kHeaderRow);
  if (!a.lat.empty() || !a.lon.empty()) {
    // Exceptions stay out of the plug-in's dialog: the reason is kept and the dialog cancelled.
    const std::int32_t lat = FindRow(d, a.lat), lon = FindRow(d, a.lon);
    if (lat < 0 || lon < 0) {
      a.error = std::string(lat < 0 ? "--lat" : "--lon") + ": the file has no column \"" + (lat < 0 ? a.lat : a.lon) + "\"";
      d.UserClick(kCancel);
      return true;
    }
    Retype(d, a, lat, kItemLatitude);
    Retype(d, a, lon, kItemLongitude);
    // The columns the dialog took as coordinates by position become text.
    std::int32_t rows = 0;
    d.CountRows(kFieldList, rows);
    const std::string latName = TypeName(attr::kFieldLatitudeOrX), lonName = TypeName(attr::kFieldLongitudeOrY);
    for (std::int32_t r = 0; r < rows; ++r) {
      std::string type;
      d.GetCell(kFieldList, r, 1, type);
      if (r != lat && r != lon && (type == latName || type == lonName)) Retype(d, a, r, kItemText);
    }
  }
  std::int32_t rows = 0;
  d.CountRows(kFieldList, rows);
  for (std::int32_t r = 0; r < rows; ++r) {
    std::string name, type, first;
    d.GetCell(kFieldList, r, 0, name);
    d.GetCell(kFieldList, r, 1, type);
    d.GetCell(kFieldList, r, 2, first);
    std::printf("フィールド %d: %s (%s) %s\n", r + 1, name.c_str(), type.c_str(), first.c_str());
  }
  d.UserClick(kOk);
  // Refused: the alert has been printed; the person gives up.
  if (!d.Ended()) d.UserClick(kCancel);
  return true;
}

void Install(CLI::App& app) {
  auto* cmd = app.add_subcommand("import-text", "Import a coordinate text file into a document through the plug-in (docs/text-kml.md)");
  auto o = std::make_shared<ImportOptions>();
  auto a = std::make_shared<TextAnswers>();
  auto file = std::make_shared<std::string>();
  auto encoding = std::make_shared<std::string>();
  auto tab = std::make_shared<bool>(false), comma = std::make_shared<bool>(false);
  cmd->add_option("DOC", o->doc, "Document to import into; saved when the import is complete")->required();
  cmd->add_option("FILE", *file, "Coordinate text file (.txt tab-separated, .csv comma-separated)")->required();
  cmd->add_option("--encoding", *encoding,
                  "sjis, utf8, utf16, latin1, cp1252 or eucjp (default: as the file sets the open-file dialog: UTF-8 "
                  "or UTF-16 after a byte-order mark, UTF-8 for valid UTF-8, else sjis)")
      ->check(CLI::IsMember({"sjis", "utf8", "utf16", "latin1", "cp1252", "eucjp"}));
  cmd->add_flag("--no-header", a->noHeader, "The first line holds data, not column names");
  auto* t = cmd->add_flag("--tab", *tab, "Tab-separated (default for all but .csv)");
  cmd->add_flag("--comma", *comma, "Comma-separated (default for .csv)")->excludes(t);
  cmd->add_option("--lat", a->lat,
                  "The latitude (or plane X) column: its name or number from 1 (default: the column headed 緯度, lat, "
                  "latitude or Y, else column 1)");
  cmd->add_option("--lon", a->lon,
                  "The longitude (or plane Y) column: its name or number from 1 (default: the column headed 経度, lon, "
                  "lng, longitude or X, else column 2)");
  cmd->add_option("--from", o->from, "The file's coordinate system, e.g. JGD:BL, TKY:XY9, JGD:UTM54");
  AddCommonImportOptions(cmd, *o);
  cmd->callback([o, a, file, encoding, tab, comma] {
    o->files = {*file};
    const std::pair<const char*, text::TextEncoding> words[] = {
        {"sjis", text::TextEncoding::kShiftJIS}, {"utf8", text::TextEncoding::kUTF8},
        {"utf16", text::TextEncoding::kUTF16},   {"latin1", text::TextEncoding::kLatin1},
        {"cp1252", text::TextEncoding::kWindows1252}, {"eucjp", text::TextEncoding::kEucJp}};
    for (const auto& [word, e] : words)
      if (*encoding == word) o->encodingItem = imp::EncodingLabel(e);
    a->delimiter = *comma ? "comma" : *tab ? "tab" : "";
    ExitStatus() = Guard([&] {
      if (a->lat.empty() != a->lon.empty()) throw Failure("--lat and --lon go together", 2);
      if (!a->lat.empty() && a->lat == a->lon) throw Failure("--lat and --lon name the same column", 2);
      try {
        RunImport(*o, kFlyoutImportText, [a](host::ControlWindow& d) { return AnswerFields(d, *a); });
      } catch (const Failure&) {
        if (!a->error.empty()) throw Failure(a->error + "; " + o->doc + " was not saved", 2);
        throw;
      }
    });
  });
}

Registrar reg(Install);

}  // namespace
}  // namespace vx::cli
