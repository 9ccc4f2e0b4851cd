// Shapefile import: each chosen shapefile becomes a layer named after the file, carrying the
// table's columns as its field definitions; each record becomes point marks, a path or a compound
// path carrying the record's row.
#pragma once

#include "attributes/field.h"
#include "datafiles/shape_reader.h"
#include "import/importer_base.h"

#include <vector>

namespace vx::imp {

class CShapeFileImporter : public CImporterBase {
 public:
  explicit CShapeFileImporter(host::PluginRef plugin) : CImporterBase(plugin) {}

  host::Err ChooseFiles() override;
  // The extent of the files that open; false (after telling the user why) when none does.
  bool GetDataExtent(Extent& extent) override;
  bool ScanPoints(const std::function<void(const data::MapPoint&)>& visit) override;
  host::Err ImportFile(const std::filesystem::path& file, host::LayerHandle& layer) override;

 protected:
  // The .cpg's code page, else the table's language driver; else UTF-8 when the table is valid
  // UTF-8 with some non-ASCII byte and declares nothing.
  std::optional<text::TextEncoding> FileEncoding(const std::filesystem::path& file) const override;

 private:
  host::Err ImportRecords(const std::filesystem::path& file, host::LayerHandle layer);
  // The current row as a list of fields, built once per record.
  void ReadRow();
  // Stores the record's row on one art.
  host::Err StoreRow(host::ArtHandle art);
  // Stores the Z and M of `count` of the record's points from `first` on (the art's anchors).
  host::Err StoreMeasures(host::ArtHandle art, std::size_t first, std::size_t count);

  data::ShapeFileReader reader_;
  std::vector<attr::ShapeField> row_;
  // Reused between records.
  data::PartsRecord parts_;
  data::PointList points_;
  std::vector<host::ArtHandle> arts_, pieces_;
};

}  // namespace vx::imp
