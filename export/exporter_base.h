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
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
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
  // What the objects of the output being written carry beyond X and Y: found by a walk over them
  // before the output is opened, so that its shape type can hold them.
  struct OutputExtras {
    bool z = false, m = false;
    bool multipoint = false;  // points of imported multipoint records (point exports only)
  };
  const OutputExtras& Extras() const { return extras_; }
  // Objects left out because a point could not be converted, and records the output refused.
  std::int64_t LeftOut() const { return leftOut_; }
  std::int64_t Refused() const { return refused_; }

  // The steps of a run; the concrete exporters override the virtual ones (settings, names, output).
  virtual void InitSettings(ExportSettings& settings);
  host::Err PrepareCoordinates();
  void AddExtraFields();
  host::Err ExportLayer(host::LayerHandle layer, bool ownFile);
  host::Err ExportVisibleLayers();
  host::Err ExportAllLayers();
  host::Err ExportSelection();
  host::Err ExportLayerArt(host::LayerHandle layer);
  host::Err ExportPath(host::ArtHandle art);
  host::Err ExportGroup(host::ArtHandle art);
  host::Err ExportCompoundPath(host::ArtHandle art);
  host::Err ExportText(host::ArtHandle art);
  host::Err ExportSymbol(host::ArtHandle art);
  host::Err WalkArt(host::ArtHandle art, bool descend, bool siblings);
  // layerTitle and text are nullptr when not given. A non-zero result means the record was not
  // written.
  virtual host::Err WritePoint(const MapPoint& point, const attr::CVxShapeAttr& attributes,
                               const std::string* layerTitle, const std::u16string* text);
  virtual host::Err WritePolyline(const PartList& parts, const attr::CVxShapeAttr& attributes,
                                  const std::string* layerTitle);
  virtual host::Err WritePolygon(const PartList& parts, const attr::CVxShapeAttr& attributes,
                                 const std::string* layerTitle);
  // The points of one imported multipoint record, with its row. By default a point record each.
  virtual host::Err WriteMultiPoint(const PointList& points, const attr::CVxShapeAttr& attributes,
                                    const std::string* layerTitle);
  host::Err ChooseOutputPath();
  virtual std::vector<host::FileFilter> FileFilters();
  virtual std::string DefaultFileName();
  virtual std::string LayerFileName(host::LayerHandle layer);
  virtual bool OpenOutput(const std::filesystem::path& path);
  // False when the output could not be completed (the concrete exporter has said why).
  virtual bool CloseOutput();

 protected:
  // The Z and M of the record being written, one per point of its parts in order; nullptr when
  // the object carries none (or lost them by an edit).
  const data::VertexMeasures* RecordMeasures() const { return recordMeasures_; }

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
  // True when the path's length is zero: every point its pieces are drawn through is one point.
  bool ZeroLength(host::ArtHandle path);
  // Exports every ordinary layer, or the visible ones only, into the one output file.
  host::Err ExportLayersToOneFile(std::int32_t target, bool visibleOnly);
  // The layer's file name in the chosen folder, made distinct from the names already written.
  std::string DistinctLayerFileName(host::LayerHandle layer);
  bool PassesFillFilter(host::ArtHandle art);
  void LayerFieldsInto(host::LayerHandle layer);
  // Reads the attribute list and, with addLayerField, the title of the art's layer.
  bool ObjectContext(host::ArtHandle art, attr::CVxShapeAttr& attributes, std::string& title);
  // While probing: notes what the object's records will need, instead of exporting it.
  host::Err Probed(host::ArtHandle art);
  host::Err EmitPoint(const MapPoint& p, const attr::CVxShapeAttr& a, const std::string* title,
                      const std::u16string* text);
  host::Err EmitParts(bool polygon, const PartList& parts, const attr::CVxShapeAttr& a, const std::string* title);
  void Progress(const std::string& text, std::int64_t i, std::int64_t n);
  void ReportLeftOut();
  // Counts the current object as left out and names it for the closing warning.
  void NoteLeftOut();
  // Runs `walk` (the target's walk over its objects) only to fill extras_.
  void Probe(const std::function<void()>& walk);
  void NoteExtras(host::ArtHandle art);
  // Whether the object's own anchors carry Z or M (a compound path's through its paths).
  static void ArtMeasures(host::ArtHandle art, bool& z, bool& m);
  // The map points of the path's anchors with their Z and M, for RecordMeasuresOf.
  void AddAnchorMeasures(host::ArtHandle path);
  // measures_ for the given vertices from the anchors seen; false when a vertex is no anchor (a
  // point of a flattened curve) or the lists no longer fit the anchors.
  bool RecordMeasuresOf(const PartList& parts);
  // Writes the pending multipoint record, if any.
  host::Err FlushMultiPoint();
  bool CloseOutputFlushed();
  // Probes the objects `walk` writes, opens `path`, writes them and closes it.
  host::Err WriteOutput(const std::filesystem::path& path, const std::function<host::Err()>& walk);

  OutputExtras extras_;
  bool probing_ = false;
  // Anchors of the current object: the bits of the map point's x and y, and its Z and M.
  struct BitsHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& k) const {
      return std::hash<std::uint64_t>()(k.first * 0x9E3779B97F4A7C15ull ^ k.second);
    }
  };
  std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, std::pair<double, double>, BitsHash> anchorMeasures_;
  bool objectHasZ_ = false, objectHasM_ = false;  // the current object carries them
  bool measuresLost_ = false;  // the current object's lists no longer fit its anchors
  std::int64_t measuresDropped_ = 0;  // objects written without the Z or M they carried
  data::VertexMeasures measures_;
  const data::VertexMeasures* recordMeasures_ = nullptr;
  // The multipoint record being gathered: its number, its layer, its first point's art.
  struct PendingMultiPoint {
    bool active = false;
    std::int32_t record = 0;
    host::LayerHandle layer = nullptr;
    host::ArtHandle first = nullptr;
    bool titled = false;
    std::string title;
    PointList points;
    data::VertexMeasures measures;
  } pending_;
  static constexpr std::size_t kNamedLeftOut = 10;
  host::ArtHandle currentArt_ = nullptr;  // the object being exported
  std::int64_t objectNumber_ = 0;         // its number in the export, from 1
  std::vector<std::string> leftOutNames_;  // the first objects left out
};

}  // namespace vx::xport
