#include "export/exporter_base.h"

#include "geodesy/host_services.h"
#include "shell/host/atomic_file.h"
#include "shell/host/paths.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vx::xport {

using namespace vx::host;
using attr::CVxShapeAttr;
using attr::ShapeField;

namespace {

constexpr std::size_t kInitialSegments = 32000;

std::string Title(LayerHandle layer) {
  std::string t;
  if (layer) sLayer()->GetLayerTitle(layer, t);
  return t;
}

bool Visible(LayerHandle layer) {
  bool v = false;
  return sLayer()->GetLayerVisible(layer, v) == kNoErr && v;
}

LayerHandle NextPreorder(LayerHandle layer) {
  LayerHandle next = nullptr;
  if (sLayer()->GetNextPreorderLayer(layer, next) != kNoErr) return nullptr;
  return next;
}

LayerHandle FirstLayer() {
  LayerHandle first = nullptr;
  if (sLayer()->GetFirstLayer(first) != kNoErr) return nullptr;
  return first;
}

std::string Format(const char* fmt, const std::string& s, std::int64_t a, std::int64_t b) {
  char buf[1024];
  std::snprintf(buf, sizeof buf, fmt, s.c_str(), static_cast<long long>(a), static_cast<long long>(b));
  return buf;
}

}  // namespace

CExporterBase::CExporterBase(PluginRef plugin)
    : plugin_(plugin), converter_(geo::HostConverterServices(plugin)) {
  segmentBuffer_.reserve(kInitialSegments);
  for (LayerHandle l = nullptr, next = FirstLayer(); next; ) {
    l = next;
    bool selected = false;
    if (sLayer()->LayerHasSelectedArt(l, selected) == kNoErr && selected) {
      settings_.hasSelection = true;
      break;
    }
    if (sLayer()->GetNextLayer(l, next) != kNoErr) break;
  }
}

CExporterBase::~CExporterBase() = default;

// ---------------------------------------------------------------------------------------------
// The run

Err CExporterBase::Run() {
  geo::DataFrame frame;
  geo::MarkerSet markers;
  settings_.hasDataFrame = geo::ReadDataFrame(frame);
  settings_.hasMarkers = geo::ReadMarkers(markers);
  if (!settings_.hasDataFrame && !settings_.hasMarkers) {
    sUser()->MessageAlert(kNoGeoreferenceMessage);
    return kStop;
  }
  InitSettings(settings_);
  LoadExportSettings(settings_);
  if (settings_.format == ExportFormat::CoordinateText) settings_.dataType = kDataPoint;
  if (Err e = ShowExportDialog(plugin_, settings_)) return e;
  SaveExportSettings(settings_);
  if (Err e = PrepareCoordinates()) return e;
  if (Err e = ChooseOutputPath()) return e;

  Err result = kNoErr;
  switch (settings_.target) {
    case kTargetCurrentLayer: {
      LayerHandle current = nullptr;
      if (Err e = sLayer()->GetCurrentLayer(current)) return e;
      result = ExportLayer(current, false);
      break;
    }
    case kTargetVisibleLayers:
    case kTargetAllLayers:
      if (settings_.perLayerFiles) {
        for (LayerHandle l = FirstLayer(); l && result == kNoErr; l = NextPreorder(l)) {
          if (geo::IsReservedLayer(l)) continue;
          if (settings_.target == kTargetVisibleLayers && !Visible(l)) continue;
          result = ExportLayer(l, true);
        }
      } else {
        result = settings_.target == kTargetVisibleLayers ? ExportVisibleLayers() : ExportAllLayers();
      }
      break;
    case kTargetSelection: result = ExportSelection(); break;
    default: break;
  }
  sUser()->CloseProgress();
  ReportLeftOut();
  return result;
}

void CExporterBase::ReportLeftOut() {
  if (leftOut_ > 0) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "座標を計算できない点があるため、%lld 個のオブジェクトを書き出しませんでした",
                  static_cast<long long>(leftOut_));
    std::string text = buf;
    for (const std::string& name : leftOutNames_) text += "\n" + name;
    if (leftOut_ > static_cast<std::int64_t>(leftOutNames_.size()))
      text += "\nほか " + std::to_string(leftOut_ - static_cast<std::int64_t>(leftOutNames_.size())) + " 個";
    sUser()->WarningAlert(text);
  }
  if (refused_ > 0) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, "%lld 個のレコードを書き込めませんでした（%s）", static_cast<long long>(refused_),
                  refusedReason_.c_str());
    sUser()->WarningAlert(buf);
  }
  if (measuresDropped_ > 0)
    closingNotes_.push_back("頂点の数が読み込み時と変わったため、" + std::to_string(measuresDropped_) +
                            " 個のオブジェクトは Z 値・M 値なしで書き出しました");
  if (!closingNotes_.empty()) {
    std::string text;
    for (const std::string& note : closingNotes_) text += (text.empty() ? "" : "\n") + note;
    sUser()->WarningAlert(text);
  }
}

void CExporterBase::InitSettings(ExportSettings& s) {
  geo::DataFrame df;
  if (!geo::ReadDataFrame(df)) return;
  if (df.system.datum == geo::DatumTokyo) s.marker.datum = geo::DatumTokyo;
  if (df.system.kind == geo::KindPlaneXY) {
    s.marker.kind = geo::KindPlaneXY;
    s.marker.zone = df.system.zone;
  }
}

Err CExporterBase::PrepareCoordinates() {
  bool ok = true;
  if (settings_.useDataFrame) {
    geo::DataFrame df;
    ok = geo::ReadDataFrame(df) && sheetTransform_.SetFromDataFrame(df);
    if (ok && (settings_.convertCoords || df.system.kind == geo::KindLatLong)) {
      // A lat/long sheet holds equirectangular metres, read back into degrees.
      geo::CoordSystem sheet = df.system;
      if (sheet.kind == geo::KindLatLong) sheet.kind = geo::KindSphereMetres;
      ok = converter_.Setup(sheet, settings_.out);
      // A missing grid has been reported by the converter; anything else is the frame's fault.
      if (!ok && converter_.ShiftNeeded() && !converter_.GridLoaded()) return kStop;
    } else if (ok) {
      converter_.SetIdentity();
    }
  } else {
    geo::MarkerSet m;
    ok = geo::ReadMarkers(m) && sheetTransform_.SetFromMarkers(m);
    if (ok && settings_.convertCoords) {
      ok = converter_.Setup(settings_.marker, settings_.out);
      if (!ok && converter_.ShiftNeeded() && !converter_.GridLoaded()) return kStop;
    } else if (ok) {
      converter_.SetIdentity();
    }
  }
  // Writing with an unprepared transform or converter would give wrong coordinates as if right.
  if (!ok) {
    sUser()->MessageAlert(kNoGeoreferenceMessage);
    return kStop;
  }
  return kNoErr;
}

Err CExporterBase::ChooseOutputPath() {
  std::filesystem::path start;
  if (sPreference()->GetFilePath(kPreferencePrefix, kExportPathKey, start) == kNoErr) outputPath_ = start;
  std::filesystem::path chosen;
  if (settings_.perLayerFiles) {
    if (Err e = sUser()->ChooseFolder("書き出し先フォルダの指定", outputPath_, chosen)) return e;
  } else {
    SaveFileRequest r;
    r.title = "ファイルの書き出し";
    r.filters = FileFilters();
    std::error_code ec;
    r.folder = std::filesystem::is_directory(outputPath_, ec) ? outputPath_ : outputPath_.parent_path();
    r.defaultName = DefaultFileName();
    if (!r.filters.empty()) {
      const std::string& p = r.filters.front().pattern;
      if (p.rfind("*.", 0) == 0 && p != "*.*") r.defaultExtension = p.substr(2);
    }
    if (Err e = sUser()->GetSaveFile(r, chosen)) return e;
  }
  outputPath_ = chosen;
  sPreference()->PutFilePath(kPreferencePrefix, kExportPathKey, outputPath_);
  return kNoErr;
}

std::vector<FileFilter> CExporterBase::FileFilters() { return {{"All Files(*.*)", "*.*"}}; }
std::string CExporterBase::DefaultFileName() { return "Export.shp"; }
std::string CExporterBase::LayerFileName(LayerHandle layer) { return Title(layer); }
bool CExporterBase::OpenOutput(const std::filesystem::path& path) {
  (void)path;
  return true;
}
bool CExporterBase::CloseOutput() { return true; }

Err CExporterBase::WritePoint(const MapPoint&, const CVxShapeAttr&, const std::string*, const std::u16string*) {
  return kNoErr;
}
Err CExporterBase::WritePolyline(const PartList&, const CVxShapeAttr&, const std::string*) { return kNoErr; }
Err CExporterBase::WritePolygon(const PartList&, const CVxShapeAttr&, const std::string*) { return kNoErr; }
Err CExporterBase::WriteMultiPoint(const PointList& points, const CVxShapeAttr& attributes, const std::string* layerTitle) {
  for (const MapPoint& p : points)
    if (Err e = WritePoint(p, attributes, layerTitle, nullptr)) return e;
  return kNoErr;
}

// ---------------------------------------------------------------------------------------------
// Fields

void CExporterBase::LayerFieldsInto(LayerHandle layer) {
  ArtHandle group = nullptr;
  if (sLayer()->GetLayerGroup(layer, group) != kNoErr || !group) return;
  CVxShapeAttr defs;
  defs.Load(group);
  for (std::int32_t i = 0; i < defs.Count(); ++i) {
    ShapeField f;
    if (!defs.GetFieldDef(i, f)) continue;
    bool taken = false;
    for (const ShapeField& g : exportFields_) taken = taken || attr::SameFieldDef(f, g);
    if (!taken) exportFields_.push_back(f);
  }
}

void CExporterBase::CollectFields(int scope) {
  exportFields_.clear();
  if (scope == 1 || scope == 2) {
    for (LayerHandle l = FirstLayer(); l; l = NextPreorder(l))
      if (scope == 2 || Visible(l)) LayerFieldsInto(l);
    return;
  }
  std::vector<LayerHandle> layers;
  ArtSetHandle set = nullptr;
  if (sArtSet()->NewArtSet(set) == kNoErr) {
    std::int32_t n = 0;
    if (sArtSet()->SelectedArtSet(set) == kNoErr && sArtSet()->CountArtSet(set, n) == kNoErr) {
      for (std::int32_t i = 0; i < n; ++i) {
        ArtHandle a = nullptr;
        LayerHandle l = nullptr;
        if (sArtSet()->IndexArtSet(set, i, a) != kNoErr || sArt()->GetLayerOfArt(a, l) != kNoErr || !l) continue;
        if (std::find(layers.begin(), layers.end(), l) == layers.end()) layers.push_back(l);
      }
    }
    sArtSet()->DisposeArtSet(set);
  }
  if (layers.empty()) {
    LayerHandle current = nullptr;
    if (sLayer()->GetCurrentLayer(current) == kNoErr && current) layers.push_back(current);
  }
  for (LayerHandle l : layers) LayerFieldsInto(l);
}

void CExporterBase::AddExtraFields() {
  auto text = [](const char* name) {
    ShapeField f;
    f.name = text::Utf8ToUtf16(name);
    f.type = attr::kFieldString;
    f.width = 254;
    f.decimals = 0;
    return f;
  };
  if (settings_.addLayerField) exportFields_.push_back(text(kLayerFieldName));
  if (settings_.addTextField && (settings_.objectSpec & kSpecText)) exportFields_.push_back(text(kTextFieldName));
}

// ---------------------------------------------------------------------------------------------
// Targets

Err CExporterBase::ExportLayer(LayerHandle layer, bool ownFile) {
  exportFields_.clear();
  LayerFieldsInto(layer);
  AddExtraFields();
  std::filesystem::path path = outputPath_;
  if (ownFile) {
    const std::string name = DistinctLayerFileName(layer);
    const std::filesystem::path file = Utf8ToPath(name);
    // A title that names another folder ("../x", "a/b"; on Windows also "a\\b" and "C:x") must
    // not write outside the chosen one.
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos || file.has_root_path() ||
        file.has_parent_path()) {
      NoteFileFailure("layer \"" + Title(layer) + "\": the title cannot be a file name (it names a folder or holds a zero byte)");
      sUser()->ErrorAlert(kCannotOpenMessage);
      return kNoErr;
    }
    path /= file;
  }
  return WriteOutput(path, [&] { return ExportLayerArt(layer); });
}

std::string CExporterBase::DistinctLayerFileName(LayerHandle layer) {
  const std::string name = LayerFileName(layer);
  // Case folded: on some file systems "Roads" and "roads" are one file.
  auto folded = [](std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  };
  auto taken = [&](const std::string& n) {
    return std::find(layerFileNames_.begin(), layerFileNames_.end(), folded(n)) != layerFileNames_.end();
  };
  std::string chosen = name;
  if (taken(name)) {
    // Two layers of one title would write one file, the second over the first.
    const std::size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot);
    for (std::size_t k = 2; k <= layerFileNames_.size() + 1; ++k) {
      chosen = stem + "_" + std::to_string(k) + ext;
      if (!taken(chosen)) break;
    }
    closingNotes_.push_back("同じ名前のレイヤーがあるため「" + Title(layer) + "」を " + chosen + " に書き出しました");
  }
  layerFileNames_.push_back(folded(chosen));
  return chosen;
}

Err CExporterBase::ExportLayersToOneFile(std::int32_t target, bool visibleOnly) {
  CollectFields(target);
  AddExtraFields();
  auto walk = [&] {
    Err result = kNoErr;
    for (LayerHandle l = FirstLayer(); l && result == kNoErr; l = NextPreorder(l))
      if (!geo::IsReservedLayer(l) && (!visibleOnly || Visible(l))) result = ExportLayerArt(l);
    return result;
  };
  return WriteOutput(outputPath_, walk);
}

Err CExporterBase::WriteOutput(const std::filesystem::path& path, const std::function<Err()>& walk) {
  // The objects are walked once to learn what the file must hold, then again to write them.
  Probe([&] { walk(); });
  if (!OpenOutput(path)) {
    sUser()->ErrorAlert(kCannotOpenMessage);
    return kNoErr;
  }
  const Err result = walk();
  CloseOutputFlushed();
  return result;
}

Err CExporterBase::ExportVisibleLayers() { return ExportLayersToOneFile(kTargetVisibleLayers, true); }

Err CExporterBase::ExportAllLayers() { return ExportLayersToOneFile(kTargetAllLayers, false); }

Err CExporterBase::ExportSelection() {
  CollectFields(3);
  AddExtraFields();
  auto walk = [&] {
    Err result = kNoErr;
    ArtSetHandle set = nullptr;
    if ((result = sArtSet()->NewArtSet(set)) == kNoErr) {
      std::int32_t n = 0;
      if ((result = sArtSet()->SelectedArtSet(set)) == kNoErr && (result = sArtSet()->CountArtSet(set, n)) == kNoErr) {
        for (std::int32_t i = 0; i < n; ++i) {
          char buf[128];
          std::snprintf(buf, sizeof buf, "書き出しています %d / %d", i, n);
          if (!probing_) {
            Progress(buf, i, n);
            if (sUser()->Cancelled()) {
              result = kStop;
              break;
            }
          }
          ArtHandle a = nullptr, parent = nullptr;
          ArtType type = ArtType::Unknown;
          bool top = false;
          if (sArtSet()->IndexArtSet(set, i, a) != kNoErr || sArt()->GetArtParent(a, parent) != kNoErr || !parent ||
              sArt()->IsLayerGroup(parent, top) != kNoErr || !top || sArt()->GetArtType(a, type) != kNoErr)
            continue;
          Dispatch(a, type);
        }
      }
      sArtSet()->DisposeArtSet(set);
    }
    return result;
  };
  return WriteOutput(outputPath_, walk);
}

Err CExporterBase::ExportLayerArt(LayerHandle layer) {
  ArtHandle group = nullptr;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
  ArtHandle child = nullptr;
  if (Err e = sArt()->GetArtFirstChild(group, child)) return e;
  // Back to front, the drawing order: the import puts each record on top of the one before, so
  // the records come out in the order they were read.
  std::vector<ArtHandle> art;
  for (ArtHandle a = child; a;) {
    art.push_back(a);
    if (sArt()->GetArtSibling(a, a) != kNoErr) break;
  }
  const auto count = static_cast<std::int64_t>(art.size());
  const std::string title = Title(layer);
  std::int64_t i = 0;
  for (auto it = art.rbegin(); it != art.rend(); ++it, ++i) {
    if (!probing_) {
      Progress(Format("書き出しています[ %s ]\n%lld / %lld", title, i, count), i, count);
      if (sUser()->Cancelled()) return kStop;
    }
    bool sublayer = false;
    ArtType type = ArtType::Unknown;
    if (sArt()->IsLayerGroup(*it, sublayer) == kNoErr && !sublayer && sArt()->GetArtType(*it, type) == kNoErr)
      Dispatch(*it, type);  // a failing object is left out; the walk goes on
  }
  return kNoErr;
}

Err CExporterBase::Dispatch(ArtHandle a, ArtType type) {
  const std::int32_t objects = settings_.objectSpec;
  try {
    switch (type) {
      case ArtType::Group:
        if (objects & (kSpecGroup | kSpecExpandGroups)) return ExportGroup(a);
        break;
      case ArtType::Path:
        if (objects & (kSpecUnfilledPath | kSpecFilledPath)) return ExportPath(a);
        break;
      case ArtType::CompoundPath:
        if (objects & (kSpecUnfilledPath | kSpecFilledPath | kSpecExpandGroups)) return ExportCompoundPath(a);
        break;
      case ArtType::TextFrame:
        if (objects & kSpecText) return ExportText(a);
        break;
      case ArtType::Symbol:
        if (objects & kSpecSymbol) return ExportSymbol(a);
        break;
      default: break;
    }
  } catch (const HostError& e) {
    return e.code;
  }
  return kNoErr;
}

void CExporterBase::Progress(const std::string& text, std::int64_t i, std::int64_t n) {
  sUser()->SetProgressText(text);
  sUser()->UpdateProgress(i, n);
}

std::string CExporterBase::UnencodableNote(const std::string& file, const std::string& field, std::int64_t count) {
  return "出力する文字コードで表せない文字を「?」にしました: " + file + " の " + field + "（" + std::to_string(count) +
         " 件）";
}

}  // namespace vx::xport
