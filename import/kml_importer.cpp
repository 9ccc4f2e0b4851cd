#include "import/kml_importer.h"

#include "attributes/shape_attr.h"
#include "datafiles/vx_file.h"
#include "import/messages.h"
#include "shell/host/slots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vx::imp {

using namespace vx::host;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxLayerDepth = 32;
constexpr const char* kKmlTitle = "KMLファイルを読み込む";
constexpr const char* kKmlFolderKey = "importKMLDir";
constexpr const char* kKmlProgressText = "読み込んでいます";
constexpr const char* kNoCoordinatesFormat = "座標を含むプレースマークがありません [ %s ]";
// %s: the file's name, %llu: how many elements, %zu: the depth bound.
constexpr const char* kTooDeepFormat = "入れ子が%zu階層より深い要素%llu個は読み込んでいません [ %s ]";

// The line telling how many elements were passed over for their depth; empty when none.
std::string TooDeepLine(const KmlReader& reader, const fs::path& file) {
  if (reader.PassedOverForDepth() == 0) return {};
  char buf[512];
  std::snprintf(buf, sizeof buf, kTooDeepFormat, KmlReader::kMaxDepth,
                static_cast<unsigned long long>(reader.PassedOverForDepth()), FileNameUtf8(file).c_str());
  return buf;
}

// Opens `file` for reading and gives its size (0 when unknown, for the progress only).
bool OpenKml(const fs::path& file, data::CVxFile& stream, std::uint64_t& size) {
  if (!stream.OpenPath(file, "rb")) return false;
  if (!stream.Size(size)) size = 0;
  return true;
}

void WarnOpenFailed(const fs::path& file) {
  std::string message = kOpenFailedFormat;
  message.replace(message.find("%s"), 2, FileNameUtf8(file));
  sUser()->WarningAlert(message);
}

// The first chosen file's extent: the first tuple sets it, later ones away from zero widen it.
class ExtentPass : public KmlHandler {
 public:
  void Coordinates(const data::PointList& points) override {
    for (const data::MapPoint& p : points) {
      if (!(std::isfinite(p.x) && std::isfinite(p.y))) continue;
      if (!set_) {
        extent = {p.x, p.x, p.y, p.y};
        set_ = true;
      } else if (p.x != 0 && p.y != 0) {
        extent.xmin = std::min(extent.xmin, p.x);
        extent.xmax = std::max(extent.xmax, p.x);
        extent.ymin = std::min(extent.ymin, p.y);
        extent.ymax = std::max(extent.ymax, p.y);
      }
    }
  }
  bool Progress(std::uint64_t done, std::uint64_t total) override {
    sUser()->UpdateProgress(static_cast<std::int64_t>(done / 1024), static_cast<std::int64_t>(total / 1024));
    return !sUser()->Cancelled();
  }
  Extent extent;
  bool set_ = false;
};

// Every coordinate tuple of a file, for the box of the points that convert.
class PointPass : public KmlHandler {
 public:
  explicit PointPass(const std::function<void(const data::MapPoint&)>& visit) : visit_(visit) {}
  void Coordinates(const data::PointList& points) override {
    for (const data::MapPoint& p : points) visit_(p);
  }
  bool Progress(std::uint64_t, std::uint64_t) override { return true; }

 private:
  const std::function<void(const data::MapPoint&)>& visit_;
};

Err DefineFields(ArtHandle art, const std::string& name, const std::string& description) {
  attr::CVxShapeAttr list;
  list.Load(art);
  return list.ReplaceAll(KmlFields(name, description));
}

Err DefineLayerFields(LayerHandle layer) {
  ArtHandle group = nullptr;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
  return DefineFields(group, {}, {});
}

Color Bgr(const std::array<double, 4>& abgr) { return Color::Rgb(abgr[3], abgr[2], abgr[1]); }

// The placemark's look over the frame's default path style. `ringPiece`: an open piece of a ring
// too long for one path, drawn as a line whatever the style says of its fill and outline.
Err ApplyStyle(ArtHandle art, const KmlStyle* style, bool closed, bool ringPiece, bool evenOdd) {
  PathStyle st;
  if (Err e = sPathStyle()->GetPathStyle(art, st)) return e;
  Color line = Color::Rgb(0, 0, 0), poly = Color::Rgb(0, 0, 0);
  double width = 0.5, opacity = 1.0;
  bool fill = true, outline = true;
  if (style) {
    if (style->lineColorSet) line = Bgr(style->lineColor);
    if (style->widthSet) width = style->lineWidth;
    if (style->polyColorSet) {
      poly = Bgr(style->polyColor);
      opacity = style->polyColor[0];
    }
    if (style->fillSet) fill = style->fill;
    if (style->outlineSet) outline = style->outline;
  }
  st.fill.overprint = false;
  st.stroke.overprint = false;
  st.stroke.dashCount = 0;
  st.stroke.dashOffset = 0;
  st.stroke.cap = LineCap::Butt;
  st.stroke.join = LineJoin::Miter;
  st.stroke.miterLimit = 4.0;
  st.fillPaint = fill && closed && !ringPiece;
  st.strokePaint = outline || ringPiece;
  st.fill.color = poly;
  st.stroke.color = line;
  st.stroke.width = width;
  st.evenOdd = evenOdd;
  if (Err e = sBlendStyle()->SetOpacity(art, opacity)) return e;
  return sPathStyle()->SetPathStyle(art, st);
}

}  // namespace

std::vector<attr::ShapeField> KmlFields(const std::string& name, const std::string& description) {
  std::vector<attr::ShapeField> fields(2);
  fields[0].name = u"Name";
  fields[0].type = attr::kFieldString;
  fields[0].width = 48;
  fields[0].value = text::Utf8ToUtf16(name);
  fields[1].name = u"Desc";
  fields[1].type = attr::kFieldString;
  fields[1].width = 254;
  fields[1].value = text::Utf8ToUtf16(description);
  return fields;
}

// The import pass: layers for containers, art for placemarks, in file order.
class CKMLFileImporter::Builder : public KmlHandler {
 public:
  Builder(CKMLFileImporter& owner, LayerHandle top) : owner_(owner), layers_{top} {}

  void ContainerBegin(bool document, int depth) override {
    if (error_) return;
    // The outermost document is the file itself: it names the new top layer.
    // So are containers nested deeper than people nest folders: their placemarks join the
    // deepest layer rather than making a layer chain the host has to walk.
    if ((document && depth == 0) || layers_.size() > kMaxLayerDepth) {
      layers_.push_back(layers_.size() > kMaxLayerDepth ? layers_.back() : layers_.front());
      return;
    }
    LayerHandle layer = nullptr;
    if ((error_ = sLayer()->InsertLayer(layers_.back(), PaintOrder::InsideOnBottom, layer))) return;
    if ((error_ = sLayer()->SetLayerTitle(layer, ""))) return;
    error_ = DefineLayerFields(layer);
    layers_.push_back(layer);
  }
  void ContainerName(const std::string& name) override {
    if (!error_) error_ = sLayer()->SetLayerTitle(layers_.back(), name);
  }
  void ContainerEnd() override {
    if (layers_.size() > 1) layers_.pop_back();
  }

  void Placemark(KmlPlacemark& pm) override {
    if (error_) return;
    const KmlStyle* style = pm.hasInlineStyle ? &pm.inlineStyle : owner_.reader_.Resolve(pm.styleUrl);
    char label[64];
    std::snprintf(label, sizeof label, kPlacemarkLabelFormat, ++placemarks_);
    owner_.itemLabel_ = label;
    for (const KmlGeometry& g : pm.geometries)
      if ((error_ = Geometry(pm, g, style))) return;
  }

  bool Progress(std::uint64_t done, std::uint64_t total) override {
    if (error_) return false;
    sUser()->UpdateProgress(static_cast<std::int64_t>(done / 1024), static_cast<std::int64_t>(total / 1024));
    cancelled_ = sUser()->Cancelled();
    return !cancelled_;
  }

  Err error_ = kNoErr;
  bool cancelled_ = false;

 private:
  Err Geometry(const KmlPlacemark& pm, const KmlGeometry& g, const KmlStyle* style) {
    const LayerHandle layer = layers_.back();
    if (g.kind == KmlGeometryKind::kPoint) {
      if (g.rings.empty() || g.rings.front().empty()) return kNoErr;
      const data::MapPoint& p = g.rings.front().front();
      if (owner_.LimitOn() && !owner_.PointInLimit(p)) return kNoErr;
      ArtHandle art = nullptr;
      if (Err e = owner_.CreatePointArt(p, layer, art)) return e;
      return art ? DefineFields(art, pm.name, pm.description) : kNoErr;
    }
    if (owner_.LimitOn()) {
      double box[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};
      for (const data::PointList& ring : g.rings)
        for (const data::MapPoint& p : ring) {
          if (!(std::isfinite(p.x) && std::isfinite(p.y))) continue;
          box[0] = std::min(box[0], p.x), box[1] = std::min(box[1], p.y);
          box[2] = std::max(box[2], p.x), box[3] = std::max(box[3], p.y);
        }
      if (!(box[0] <= box[2]) || !owner_.BoxInLimit(box[0], box[1], box[2], box[3])) return kNoErr;
    }
    const bool closed = g.kind == KmlGeometryKind::kPolygon;
    const bool holes = closed && g.rings.size() > 1;
    arts_.clear();
    if (!owner_.PlaceParts(g.rings)) return kNoErr;
    for (std::size_t i = 0; i < g.rings.size(); ++i) {
      if (Err e = owner_.DrawPlacedPart(i, closed, layer, pieces_)) return e;
      arts_.insert(arts_.end(), pieces_.begin(), pieces_.end());
    }
    for (ArtHandle art : arts_) {
      bool pieceClosed = closed;
      if (closed)
        if (Err e = sPath()->GetPathClosed(art, pieceClosed)) return e;
      if (Err e = DefineFields(art, pm.name, pm.description)) return e;
      if (Err e = ApplyStyle(art, style, closed, closed && !pieceClosed, holes)) return e;
    }
    if (holes && arts_.size() > 1) {
      ArtHandle group = nullptr, compound = nullptr;
      if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
      if (Err e = owner_.MakeCompoundPath(arts_, group, compound)) return e;
      if (Err e = DefineFields(compound, pm.name, pm.description)) return e;
    }
    return kNoErr;
  }

  CKMLFileImporter& owner_;
  int placemarks_ = 0;
  std::vector<LayerHandle> layers_;
  std::vector<ArtHandle> arts_, pieces_;
};

Err CKMLFileImporter::ChooseFiles() {
  fs::path folder;
  sPreference()->GetFilePath(kPrefPrefix, kKmlFolderKey, folder);
  if (Err r = ChooseFilesDialog(kKmlTitle, {{"KML Files(*.kml)", "*.kml"}}, "kml", false, false, false, folder, files_,
                                encoding_))
    return r;
  sPreference()->PutFilePath(kPrefPrefix, kKmlFolderKey, files_.front().parent_path());
  return kNoErr;
}

bool CKMLFileImporter::GetDataExtent(Extent& extent) {
  if (files_.empty()) return false;
  const fs::path& file = files_.front();
  data::CVxFile stream;
  std::uint64_t size = 0;
  if (!OpenKml(file, stream, size)) {
    WarnOpenFailed(file);
    return false;
  }
  ExtentPass pass;
  KmlReader reader;
  if (!reader.Read(stream.GetHandle(), size, pass)) return false;
  // Nothing to place: no empty layer and no data frame around the origin.
  if (!pass.set_) {
    std::string message = kNoCoordinatesFormat;
    message.replace(message.find("%s"), 2, FileNameUtf8(file));
    if (const std::string deep = TooDeepLine(reader, file); !deep.empty()) message += "\n" + deep;
    sUser()->WarningAlert(message);
    return false;
  }
  extent = pass.extent;
  return true;
}

bool CKMLFileImporter::ScanPoints(const std::function<void(const data::MapPoint&)>& visit) {
  if (files_.empty()) return false;
  data::CVxFile stream;
  std::uint64_t size = 0;
  if (!OpenKml(files_.front(), stream, size)) return false;
  PointPass pass(visit);
  KmlReader reader;
  return reader.Read(stream.GetHandle(), size, pass);
}

Err CKMLFileImporter::ImportFile(const fs::path& file, LayerHandle& layer) {
  sUser()->SetProgressText(kKmlProgressText);
  LayerHandle top = nullptr;
  Err r = CreateImportLayer(top);
  if (top) layer = top;
  if (r) return r;
  if ((r = DefineLayerFields(top))) return r;
  data::CVxFile stream;
  std::uint64_t size = 0;
  if (!OpenKml(file, stream, size)) {
    WarnOpenFailed(file);
    return kNoErr;
  }
  Builder builder(*this, top);
  reader_ = KmlReader{};
  reader_.Read(stream.GetHandle(), size, builder);
  if (builder.error_) return builder.error_;
  if (const std::string deep = TooDeepLine(reader_, file); !deep.empty()) sUser()->WarningAlert(deep);
  return builder.cancelled_ ? kStop : kNoErr;
}

}  // namespace vx::imp
