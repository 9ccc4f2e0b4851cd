// CExporterBase: the common frame of the exports. It finds the georeference, runs the settings
// dialog, chooses the output, decides which layers and objects are written and with which fields,
// turns each object into a point, a line or a polygon in map coordinates, and hands each record to
// the concrete exporter's write operations.
#pragma once

#include "attributes/field.h"
#include "attributes/shape_attr.h"
#include "datafiles/shape_types.h"
#include "export/settings.h"
#include "geodesy/coord_converter.h"
#include "geodesy/georef.h"
#include "shell/host/suites.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vx::xport {

using data::MapPoint;
using data::PartList;
using data::PointList;

inline constexpr const char* kNoGeoreferenceMessage = "データフレームか座標マーカーが正しくありません";
inline constexpr const char* kCannotOpenMessage = "出力ファイルを開けません";
inline constexpr const char* kLayerFieldName = "AI_LAYER";
inline constexpr const char* kTextFieldName = "AI_TEXT";

// closeMode of the vertex operations.
inline constexpr int kCloseLine = 1;
inline constexpr int kClosePolygon = 2;

class CExporterBase {
 public:
  explicit CExporterBase(host::PluginRef plugin);
  virtual ~CExporterBase();
  CExporterBase(const CExporterBase&) = delete;
  CExporterBase& operator=(const CExporterBase&) = delete;

  // 0, kStop (no georeference, cancelled, or the coordinates could not be prepared) or a host
  // error. The exporter shows its own messages.
  host::Err Run();

  // scope 1 visible layers, 2 all layers, 3 the layers of the selected objects.
  void CollectFields(int scope);

  // Geometry (document points in, map points of the written system out).
  MapPoint ToMapPoint(double h, double v) const;
  PointList PathVertices(host::ArtHandle path, int closeMode);
  // accuracy 1 (rough) to 9 (precise).
  PointList FlattenPath(host::ArtHandle path, int closeMode, int accuracy);
  static bool IsCurved(const host::RealBezier& b);
  PartList CompoundRings(host::ArtHandle compound, bool expand, int accuracy);
  PartList CompoundLines(host::ArtHandle compound, bool expand, int accuracy);
  // Paragraph ends (carriage returns) become the two characters \ and n.
  static std::u16string TextFieldValue(const std::u16string& text);

  ExportSettings& Settings() { return settings_; }
  const std::vector<attr::ShapeField>& ExportFields() const { return exportFields_; }
  const std::filesystem::path& OutputPath() const { return outputPath_; }
  // Objects left out because a point could not be converted, and records the output refused.
  std::int64_t LeftOut() const { return leftOut_; }
  std::int64_t Refused() const { return refused_; }

  // ---- slots ----
  virtual void InitSettings(ExportSettings& settings);
  virtual host::Err PrepareCoordinates();
  virtual void AddExtraFields();
  virtual host::Err ExportLayer(host::LayerHandle layer, bool ownFile);
  virtual host::Err ExportVisibleLayers();
  virtual host::Err ExportAllLayers();
  virtual host::Err ExportSelection();
  virtual host::Err ExportLayerArt(host::LayerHandle layer);
  virtual host::Err ExportPath(host::ArtHandle art);
  virtual host::Err ExportGroup(host::ArtHandle art);
  virtual host::Err ExportCompoundPath(host::ArtHandle art);
  virtual host::Err ExportText(host::ArtHandle art);
  virtual host::Err ExportSymbol(host::ArtHandle art);
  virtual host::Err WalkArt(host::ArtHandle art, bool descend, bool siblings);
  // layerTitle and text are nullptr when not given. A non-zero result means the record was not
  // written.
  virtual host::Err WritePoint(const MapPoint& point, const attr::CVxShapeAttr& attributes,
                               const std::string* layerTitle, const std::u16string* text);
  virtual host::Err WritePolyline(const PartList& parts, const attr::CVxShapeAttr& attributes,
                                  const std::string* layerTitle);
  virtual host::Err WritePolygon(const PartList& parts, const attr::CVxShapeAttr& attributes,
                                 const std::string* layerTitle);
  virtual host::Err ChooseOutputPath();
  virtual std::vector<host::FileFilter> FileFilters();
  virtual std::string DefaultFileName();
  virtual std::string LayerFileName(host::LayerHandle layer);
  virtual bool OpenOutput(const std::filesystem::path& path);
  // False when the output could not be completed (the concrete exporter has said why).
  virtual bool CloseOutput();

 protected:
  host::PluginRef plugin_;
  geo::CCoordConverter converter_;
  geo::CSheetTransform sheetTransform_;
  std::vector<host::PathSegment> segmentBuffer_;  // reused for every path; grows for long paths
  std::vector<attr::ShapeField> exportFields_;
  std::filesystem::path outputPath_;
  ExportSettings settings_;
  std::int64_t leftOut_ = 0;
  std::int64_t refused_ = 0;
  std::vector<std::string> layerFileNames_;  // per-layer names written so far, folded to lower case
  std::string refusedReason_;  // the first refusal's reason, for the closing message
  std::vector<std::string> closingNotes_;  // told to the user at the end, in one warning
  // The closing note for `count` values of `field` in `file` whose characters the output encoding
  // has no code for.
  static std::string UnencodableNote(const std::string& file, const std::string& field, std::int64_t count);

 private:
  host::Err Dispatch(host::ArtHandle art, host::ArtType type);
  host::Err ReadSegments(host::ArtHandle path);
  // Exports every ordinary layer, or the visible ones only, into the one output file.
  host::Err ExportLayersToOneFile(std::int32_t target, bool visibleOnly);
  // The layer's file name in the chosen folder, made distinct from the names already written.
  std::string DistinctLayerFileName(host::LayerHandle layer);
  bool PassesFillFilter(host::ArtHandle art);
  void LayerFieldsInto(host::LayerHandle layer);
  // Reads the attribute list and, with addLayerField, the title of the art's layer.
  bool ObjectContext(host::ArtHandle art, attr::CVxShapeAttr& attributes, std::string& title);
  host::Err EmitPoint(const MapPoint& p, const attr::CVxShapeAttr& a, const std::string* title,
                      const std::u16string* text);
  host::Err EmitParts(bool polygon, const PartList& parts, const attr::CVxShapeAttr& a, const std::string* title);
  void Progress(const std::string& text, std::int64_t i, std::int64_t n);
  void ReportLeftOut();
};

}  // namespace vx::xport
