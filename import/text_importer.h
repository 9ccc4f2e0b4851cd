// Coordinate text import: one delimited text file, one point mark per line, the two coordinate
// columns marked in the field dialog and every other column an attribute of the point.
#pragma once

#include "attributes/field.h"
#include "datafiles/vx_file.h"
#include "import/importer_base.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vx::imp {

struct TextImportSettings {
  host::PluginRef plugin = nullptr;
  std::vector<std::u16string> sampleLines;  // the first three lines of the file
  bool headerRow = true;                    // the first line holds the column names
  char delimiter = '\t';                    // tab (9) or comma (44)
  std::vector<attr::ShapeField> fields;     // one per column, in column order
  std::int32_t latIndex = -1;               // the column of type kFieldLatitudeOrX
  std::int32_t lonIndex = -1;               // the column of type kFieldLongitudeOrY
};

// The two data rows the list shows, each holding one value per field.
using SampleRows = std::pair<std::vector<std::u16string>, std::vector<std::u16string>>;

// 0 after OK, kStop after キャンセル, or the host's error when the dialog could not open.
host::Err ShowFieldDialog(host::PluginRef plugin, TextImportSettings& settings);
// Builds the field list anew when it is empty, else renames its fields when `rename`.
SampleRows BuildFields(TextImportSettings& settings, bool rename);

// What a column's header says it holds: 緯度, lat, latitude, Y name the northing; 経度, lon, lng,
// long, longitude, X the easting.
enum class CoordinateHeader { None, North, East };
CoordinateHeader ClassifyCoordinateHeader(std::u16string_view name);

// A coordinate cell read as a number: the whole cell (spaces around it allowed) must be a finite
// number; false otherwise.
bool ReadCoordinate(const std::u16string& cell, double& value);

class CGeoTextFileImporter : public CImporterBase {
 public:
  explicit CGeoTextFileImporter(host::PluginRef plugin) : CImporterBase(plugin) {}

  host::Err ChooseFiles() override;
  bool PrepareImport() override;
  bool GetDataExtent(Extent& extent) override;
  bool ScanPoints(const std::function<void(const data::MapPoint&)>& visit) override;
  host::Err ImportFile(const std::filesystem::path& file, host::LayerHandle& layer) override;

  const TextImportSettings& Settings() const { return settings_; }

 protected:
  // A byte-order mark's encoding, else UTF-8 for a file of valid UTF-8 with some non-ASCII byte.
  std::optional<text::TextEncoding> FileEncoding(const std::filesystem::path& file) const override;

 private:
  // Notes, by field, the cells of the line read last that hold bytes no text in its encoding.
  void NoteBadLine(const data::CVxTextFile& f, std::int64_t lineNumber);
  TextImportSettings settings_;
};

}  // namespace vx::imp
