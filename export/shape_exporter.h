// CShapeFileExporter: the export frame writing one shapefile (.shp, .shx, .dbf, with .prj and
// .cpg beside them) per output.
#pragma once

#include "datafiles/shape_writer.h"
#include "export/exporter_base.h"

#include <memory>

namespace vx::xport {

class CShapeFileExporter : public CExporterBase {
 public:
  explicit CShapeFileExporter(host::PluginRef plugin) : CExporterBase(plugin) {}
  ~CShapeFileExporter() override;

  void InitSettings(ExportSettings& settings) override;
  host::Err WritePoint(const MapPoint& point, const attr::CVxShapeAttr& attributes, const std::string* layerTitle,
                       const std::u16string* text) override;
  host::Err WritePolyline(const PartList& parts, const attr::CVxShapeAttr& attributes,
                          const std::string* layerTitle) override;
  host::Err WritePolygon(const PartList& parts, const attr::CVxShapeAttr& attributes,
                         const std::string* layerTitle) override;
  host::Err WriteMultiPoint(const PointList& points, const attr::CVxShapeAttr& attributes,
                            const std::string* layerTitle) override;
  std::vector<host::FileFilter> FileFilters() override;
  std::string DefaultFileName() override;
  std::string LayerFileName(host::LayerHandle layer) override;
  // The files are written in a private folder beside the chosen one and are put in place only
  // when complete, .shp last; a failure leaves the previous set as it was.
  bool OpenOutput(const std::filesystem::path& path) override;
  bool CloseOutput() override;

 private:
  bool SetRow(const attr::CVxShapeAttr& attributes, const std::string* layerTitle, const std::u16string* text);
  host::Err Result(bool written);
  void RemoveTemporaries();
  // Adds to the closing notes the texts cut and the numbers left blank in the file.
  void NoteCells();

  std::unique_ptr<data::ShapeFileWriter> writer_;
  std::filesystem::path finalPath_;  // the .shp the set is renamed to
  std::filesystem::path tempPath_;   // the .shp being written
  std::filesystem::path tempFolder_;  // the private folder holding it
  // Layer titles and texts with characters written as '?' in the table's encoding.
  std::int64_t unencodableLayerTitles_ = 0, unencodableTexts_ = 0;
  static constexpr int kSetLockWaitMs = 60000;  // how long a set waits for another export's renames (ms)
};

}  // namespace vx::xport
