// KML import: the file's documents and folders become nested layers, its placemarks point marks,
// open paths and closed filled paths carrying "Name" and "Desc", drawn in the look of their style.
#pragma once

#include "import/importer_base.h"
#include "attributes/field.h"
#include "import/kml_reader.h"

namespace vx::imp {

class CKMLFileImporter : public CImporterBase {
 public:
  explicit CKMLFileImporter(host::PluginRef plugin) : CImporterBase(plugin) {}

  host::Err ChooseFiles() override;
  bool GetDataExtent(Extent& extent) override;
  bool ScanPoints(const std::function<void(const data::MapPoint&)>& visit) override;
  host::Err ImportFile(const std::filesystem::path& file, host::LayerHandle& layer) override;
  bool PrepareImport() override { return true; }

 private:
  class Builder;
  KmlReader reader_;
};

// The two fields every KML layer and placemark carries.
std::vector<attr::ShapeField> KmlFields(const std::string& name, const std::string& description);

}  // namespace vx::imp
