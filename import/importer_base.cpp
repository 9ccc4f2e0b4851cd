#include "import/importer_base.h"

#include "geodesy/host_services.h"
#include "import/import_dialog.h"
#include "import/messages.h"
#include "resources/templates.h"
#include "shell/host/preference_keys.h"
#include "shell/host/slots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace vx::imp {

using namespace vx::host;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Preferences

namespace {
// The stored import settings, in the order they are read and written.
constexpr auto kImportKeys = [](auto& s, auto f) {
  f("importLimitArea", s.limitOn);
  f("importInGeoSysType", s.data.datum);
  f("importInProjection", s.data.kind);
  f("importInXYKei", s.data.zone);
  f("importInUTMZone", s.data.utmZone);
};
}  // namespace

void LoadImportPreferences(ImportSettings& s) { ReadPreferences(kPrefPrefix, s, kImportKeys); }

void StoreImportPreferences(const ImportSettings& s) { WritePreferences(kPrefPrefix, s, kImportKeys); }

std::string FileNameUtf8(const fs::path& file) {
  const std::u8string s = file.filename().u8string();
  return std::string(s.begin(), s.end());
}

std::string FileStemUtf8(const fs::path& file) {
  const std::u8string s = file.stem().u8string();
  return std::string(s.begin(), s.end());
}

// ---------------------------------------------------------------------------------------------
// Construction

namespace {

// The converter's warnings go to the user; the importer also learns that one was shown, so that a
// failed set-up is never left without a word.
geo::ConverterHost ConverterServices(PluginRef plugin, bool* warned) {
  geo::ConverterHost h = geo::HostConverterServices(plugin);
  auto warn = h.warn;
  h.warn = [warn, warned](std::string_view text) {
    *warned = true;
    if (warn) warn(text);
  };
  return h;
}

void Warn(const std::string& text) {
  if (UserSuite* u = sUser()) u->WarningAlert(text);
}

}  // namespace

CImporterBase::CImporterBase(PluginRef plugin)
    : plugin_(plugin),
      converter_(ConverterServices(plugin, &converterWarned_)),
      segments_(new PathSegment[kSegmentsPerPath]) {}

CImporterBase::~CImporterBase() = default;

Err CImporterBase::ChooseFiles() { return kNoErr; }

Err CImporterBase::ImportFile(const fs::path& file, LayerHandle& layer) {
  (void)file, (void)layer;
  return kNoErr;
}

bool CImporterBase::GetDataExtent(Extent& extent) {
  extent = {};
  return true;
}

bool CImporterBase::PrepareImport() { return true; }

bool CImporterBase::ScanPoints(const std::function<void(const data::MapPoint&)>& visit) {
  (void)visit;
  return false;
}

bool CImporterBase::PlacedBox(const ImportSettings& s, Extent& box) {
  box = s.limitOn ? s.limit : s.extent;
  auto converts = [this](double x, double y) {
    double cx, cy, cv;
    return converter_.Convert(x, y, cx, cy, cv);
  };
  if (converts((box.xmin + box.xmax) / 2, (box.ymin + box.ymax) / 2) && converts(box.xmin, box.ymin) &&
      converts(box.xmin, box.ymax) && converts(box.xmax, box.ymax) && converts(box.xmax, box.ymin))
    return true;
  // The box of the points that convert, inside the range when it is on.
  bool any = false;
  Extent placed;
  const bool scanned = ScanPoints([&](const data::MapPoint& p) {
    if (s.limitOn && !(s.limit.xmin <= p.x && p.x <= s.limit.xmax && s.limit.ymin <= p.y && p.y <= s.limit.ymax))
      return;
    if (!converts(p.x, p.y)) return;
    if (!any) {
      placed = {p.x, p.x, p.y, p.y};
      any = true;
      return;
    }
    placed.xmin = std::min(placed.xmin, p.x);
    placed.xmax = std::max(placed.xmax, p.x);
    placed.ymin = std::min(placed.ymin, p.y);
    placed.ymax = std::max(placed.ymax, p.y);
  });
  if (!scanned || !any) return false;
  box = placed;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Run

Err CImporterBase::Run() {
  struct ProgressCloser {
    ~ProgressCloser() {
      if (UserSuite* u = sUser()) u->CloseProgress();
    }
  } closer;

  if (Err r = ChooseFiles()) return r;
  if (!PrepareImport()) return kStop;
  Extent e;
  // No chosen file can be read: GetDataExtent has told the user which and why.
  if (!GetDataExtent(e)) return kStop;

  ImportSettings s;
  s.extent = s.limit = e;
  LoadImportPreferences(s);
  if (!SetupCoordinates(s)) return kStop;
  StoreImportPreferences(s);

  notes_.clear();
  LayerHandle layer = nullptr;
  for (const fs::path& file : files_) {
    fileNotes_ = FileNotes{};
    fileNotes_.file = FileNameUtf8(file);
    fileEncoding_ = EncodingFor(file);
    fileNotes_.encoding = EncodingLabel(fileEncoding_);
    const Err r = ImportFile(file, layer);
    if (!fileNotes_.Empty()) notes_.push_back(fileNotes_);
    if (r != kNoErr) {
      if (r != kStop) ReportNotes();
      return r;
    }
  }
  if (s.mode == kModeNewFrame) {
    const Err r = geo::CreateExtentMarkers(converter_, transform_, markerBox_.xmin, markerBox_.xmax, markerBox_.ymin,
                                           markerBox_.ymax);
    // A corner of the box that does not convert (points in a curve around it) costs the markers,
    // not the import: the frame already places the data.
    if (r == kBadParameter) {
      Warn(kNoExtentMarkersMessage);
    } else if (r != kNoErr) {
      ReportNotes();
      return r;
    }
  }
  ReportNotes();
  // Every file may have been passed over: then there is no layer to make current.
  if (!layer) return kNoErr;
  return sLayer()->SetCurrentLayer(layer);
}

void CImporterBase::ReportNotes() {
  // Split rings are named; a long list is cut after this many per file.
  constexpr std::size_t kNamedItems = 10;
  std::string text;
  auto section = [&](const char* head, const auto& say) {
    std::string lines;
    for (const FileNotes& f : notes_)
      if (const std::string what = say(f); !what.empty()) lines += "\n" + f.file + ": " + what;
    if (lines.empty()) return;
    if (!text.empty()) text += "\n\n";
    text += head + lines;
  };
  auto count = [](std::int64_t n, const char* unit) { return n > 0 ? std::to_string(n) + unit : std::string(); };
  section(kDroppedPointsMessage, [&](const FileNotes& f) { return count(f.droppedPoints, " 点"); });
  section(kNoShapeMessage, [&](const FileNotes& f) { return count(f.noShape, " 件"); });
  section(kNoRowMessage, [&](const FileNotes& f) { return count(f.noRow, " 件"); });
  section(kBadTextMessage, [&](const FileNotes& f) {
    std::string fields;
    for (const FileNotes::BadText& b : f.badText)
      fields += (fields.empty() ? "（" + f.encoding + "）" : "、") + b.field + " " + std::to_string(b.values) +
                " 件（最初は" + b.first + "）";
    return fields;
  });
  auto named = [](const std::vector<std::string>& items) {
    std::string names;
    for (std::size_t i = 0; i < items.size() && i < kNamedItems; ++i) names += (i ? "、" : "") + items[i];
    if (items.size() > kNamedItems) names += " ほか " + std::to_string(items.size() - kNamedItems) + " 件";
    return names;
  };
  section(kLeftOutItemsMessage, [&](const FileNotes& f) { return named(f.leftOut); });
  section(kSplitRingMessage, [&](const FileNotes& f) { return named(f.splitRings); });
  if (!text.empty()) Warn(text);
}

bool CImporterBase::SetupCoordinates(ImportSettings& s) {
  geo::DataFrame frame;
  geo::MarkerSet markers;
  // A georeference counts only when it gives a usable transform (a scale of 0, collinear markers
  // and the like would place everything at infinity).
  if (geo::ReadDataFrame(frame) && transform_.SetFromDataFrame(frame)) {
    s.mode = kModeDataFrame;
  } else if (geo::ReadMarkers(markers) && transform_.SetFromMarkers(markers)) {
    s.mode = kModeMarkers;
    s.markerDegrees = markers.degrees;
  } else {
    // A frame layer whose text cannot be read would keep a new frame from being written, and the
    // data would be placed by a frame the document does not hold.
    LayerHandle unreadable = nullptr;
    if (geo::FindLayerByTitle(geo::kDataFrameLayerTitle, unreadable) == kNoErr && unreadable) {
      Warn(kUnreadableFrameMessage);
      return false;
    }
    s.mode = kModeNewFrame;
  }

  if (ShowImportDialog(plugin_, s) != kNoErr) return false;

  converterWarned_ = false;
  auto setup = [&](const geo::CoordSystem& map) {
    if (converter_.Setup(s.data, map)) return true;
    // The grid warning has been shown; any other failure is a system the converter does not know.
    if (!converterWarned_) Warn(kConverterSetupMessage);
    return false;
  };

  switch (s.mode) {
    case kModeDataFrame:
      if (!setup(frame.system)) return false;
      break;
    case kModeMarkers:
      // The file's system converted into the markers' (as into a data frame's); markers in
      // degrees take the latitude and longitude themselves, not the sheet's metres.
      markersInDegrees_ = s.map.kind == geo::KindLatLong;
      if (!setup(s.map)) return false;
      break;
    default: {
      if (!setup(s.map)) return false;
      // The frame and the extent markers come from the points that convert: one point past the
      // edge of the world or of the zone must not stop the whole import.
      if (!PlacedBox(s, markerBox_)) {
        Warn(kCentreNotConvertedMessage);
        return false;
      }
      const double cx = (markerBox_.xmin + markerBox_.xmax) / 2, cy = (markerBox_.ymin + markerBox_.ymax) / 2;
      double X = 0, Y = 0, convergence = 0;
      if (!converter_.Convert(cx, cy, X, Y, convergence)) {
        Warn(kCentreNotConvertedMessage);
        return false;
      }
      RealRect bounds;
      if (sDocument()->GetDocumentBounds(bounds) != kNoErr) {
        Warn(kFrameNotWrittenMessage);
        return false;
      }
      frame = geo::DataFrame{};
      frame.system = s.map;
      frame.X = X;
      frame.Y = Y;
      frame.R = s.trueNorth ? convergence : 0.0;
      frame.S = s.scale;
      frame.anchorH = (bounds.left + bounds.right) / 2;
      frame.anchorV = (bounds.top + bounds.bottom) / 2;
      // Placed with the values the frame's text keeps (the scale as an integer, the rotation to
      // six decimals): every later import and export reads those.
      if (!geo::StoredDataFrame(frame, frame)) {
        Warn(kBadGeoreferenceMessage);
        return false;
      }
      if (geo::WriteDataFrame(frame) != kNoErr) {
        Warn(kFrameNotWrittenMessage);
        return false;
      }
      break;
    }
  }

  const bool ready = s.mode == kModeMarkers ? transform_.SetFromMarkers(markers) : transform_.SetFromDataFrame(frame);
  if (!ready) {
    Warn(kBadGeoreferenceMessage);
    return false;
  }
  if (s.limitOn) SetLimit(s.limit);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Art

Err CImporterBase::CreateImportLayer(LayerHandle& out) {
  out = nullptr;
  LayerHandle layer = nullptr;
  if (Err e = sLayer()->GetFirstLayer(layer)) return e;
  while (layer && geo::IsReservedLayer(layer)) {
    if (Err e = sLayer()->GetNextLayer(layer, layer)) return e;
  }
  return sLayer()->InsertLayer(layer, PaintOrder::Above, out);
}

bool CImporterBase::ToSheet(const data::MapPoint& p, RealPoint& out) const {
  double x = 0, y = 0, convergence = 0;
  if (markersInDegrees_) {
    if (!(converter_.SourceToLatLong(p.y, p.x, y, x) && converter_.ShiftDatum(y, x, y, x))) return false;
  } else if (!converter_.Convert(p.x, p.y, x, y, convergence)) {
    return false;
  }
  transform_.MapToArt(x, y, out.h, out.v);
  return std::isfinite(out.h) && std::isfinite(out.v);
}

namespace {

void SolidStroke(PathStyle& st, const Color& colour, double width) {
  st.strokePaint = true;
  st.stroke.color = colour;
  st.stroke.width = width;
  st.stroke.overprint = false;
  st.stroke.dashCount = 0;
  st.stroke.dashOffset = 0;
  st.stroke.cap = LineCap::Butt;
  st.stroke.join = LineJoin::Miter;
  st.stroke.miterLimit = 4.0;
  st.evenOdd = false;
}

}  // namespace

Err CImporterBase::CreatePointArt(const data::MapPoint& p, LayerHandle layer, ArtHandle& art) {
  art = nullptr;
  RealPoint at;
  if (!ToSheet(p, at)) {
    ++fileNotes_.droppedPoints;
    return kNoErr;
  }
  ArtHandle group = nullptr;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
  ArtHandle mark = nullptr;
  if (Err e = sShapeConstruction()->NewEllipse(at, 2.5, 2.5, false, mark)) return e;
  if (!mark) return kCant;
  if (Err e = sArt()->ReorderArt(mark, PaintOrder::InsideOnTop, group)) return e;
  PathStyle st;
  if (Err e = sPathStyle()->GetPathStyle(mark, st)) return e;
  st.fillPaint = false;
  SolidStroke(st, Color::Cmyk(0, 0, 0, 1), 1.0);
  if (Err e = sPathStyle()->SetPathStyle(mark, st)) return e;
  art = mark;
  return kNoErr;
}

bool CImporterBase::PlaceParts(std::span<const data::PointList> parts, const std::string& item) {
  if (placed_.size() < parts.size()) placed_.resize(parts.size());
  bool failed = false;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::vector<RealPoint>& out = placed_[i];
    out.clear();
    out.reserve(parts[i].size());
    for (const data::MapPoint& p : parts[i]) {
      RealPoint at;
      if (!ToSheet(p, at)) {
        failed = true;
        break;
      }
      out.push_back(at);
    }
  }
  if (!failed) return true;
  if (fileNotes_.leftOut.empty() || fileNotes_.leftOut.back() != item) fileNotes_.leftOut.push_back(item);
  return false;
}

Err CImporterBase::CreatePathArt(const data::PointList& points, bool closed, LayerHandle layer, const std::string& item,
                                 std::vector<ArtHandle>& out) {
  out.clear();
  if (!PlaceParts(std::span<const data::PointList>(&points, 1), item)) return kNoErr;
  return DrawPlacedPart(0, closed, layer, item, out);
}

Err CImporterBase::DrawPlacedPart(std::size_t part, bool closed, LayerHandle layer, const std::string& item,
                                  std::vector<ArtHandle>& out) {
  out.clear();
  if (part >= placed_.size()) return kBadParameter;
  const std::vector<RealPoint>& points = placed_[part];
  ArtHandle group = nullptr;
  if (Err e = sLayer()->GetLayerGroup(layer, group)) return e;
  std::size_t n = 0;      // segments waiting in the buffer
  std::size_t fresh = 0;  // of them, those not already drawn as the end of the piece before
  bool split = false;     // a piece has been drawn
  RealPoint first;        // the first anchor, where a split ring ends
  auto draw = [&](bool pieceClosed) -> Err {
    ArtHandle path = nullptr;
    if (Err e = sArt()->NewArt(ArtType::Path, PaintOrder::InsideOnTop, group, path)) return e;
    if (!path) return kCant;
    if (Err e = sPath()->SetPathSegments(path, static_cast<std::int32_t>(n), segments_.get())) return e;
    if (Err e = sPath()->SetPathClosed(path, pieceClosed)) return e;
    PathStyle st;
    if (Err e = sPathStyle()->GetPathStyle(path, st)) return e;
    SolidStroke(st, Color::Cmyk(0.8, 0, 0.5, 0), 0.5);
    // A piece of a ring is open: filled, it would paint an area the ring does not bound.
    st.fillPaint = pieceClosed;
    if (pieceClosed) st.fill.color = Color::Cmyk(0, 0, 0, 0.1);
    if (Err e = sPathStyle()->SetPathStyle(path, st)) return e;
    out.push_back(path);
    return kNoErr;
  };
  // A full buffer is drawn only when one more point comes, so a path that fits is never split;
  // the next piece starts on the last anchor drawn, so no segment falls between pieces.
  auto add = [&](const RealPoint& at) -> Err {
    if (n == kSegmentsPerPath) {
      if (Err e = draw(false)) return e;
      split = true;
      segments_[0] = segments_[n - 1];
      n = 1;
      fresh = 0;
    }
    segments_[n++] = PathSegment{at, at, at, false};
    ++fresh;
    return kNoErr;
  };

  // A ring's last point repeats its first; the closed path draws that edge by itself.
  std::size_t count = points.size();
  if (closed && count > 1 && points.front() == points.back()) --count;
  for (const RealPoint& at : std::span<const RealPoint>(points.data(), count)) {
    if (n == 0) first = at;
    if (Err e = add(at)) return e;
  }
  if (split && closed) {
    // The ring's closing segment, unless its last point already repeats the first.
    if (!(segments_[n - 1].p == first))
      if (Err e = add(first)) return e;
    if (fileNotes_.splitRings.empty() || fileNotes_.splitRings.back() != item) fileNotes_.splitRings.push_back(item);
  }
  if (fresh > 0) return draw(closed && !split);
  return kNoErr;
}

Err CImporterBase::MakeCompoundPath(const std::vector<ArtHandle>& paths, ArtHandle group, ArtHandle& out) {
  out = nullptr;
  ArtHandle compound = nullptr;
  if (Err e = sArt()->NewArt(ArtType::CompoundPath, PaintOrder::InsideOnTop, group, compound)) return e;
  if (!compound) return kCant;
  for (ArtHandle path : paths) {
    if (Err e = sArt()->ReorderArt(path, PaintOrder::InsideOnTop, compound)) return e;
  }
  out = compound;
  return kNoErr;
}

// ---------------------------------------------------------------------------------------------
// Import range

bool CImporterBase::PointInLimit(const data::MapPoint& p) const {
  return limit_.xmin <= p.x && p.x <= limit_.xmax && limit_.ymin <= p.y && p.y <= limit_.ymax;
}

bool CImporterBase::BoxInLimit(double xmin, double ymin, double xmax, double ymax) const {
  // A box that only touches the range counts as inside.
  return !(limit_.xmin > xmax || xmin > limit_.xmax || limit_.ymin > ymax || ymin > limit_.ymax);
}

void CImporterBase::SetLimit(const Extent& limit) {
  limit_ = limit;
  limitOn_ = true;
}

// ---------------------------------------------------------------------------------------------
// Open-file dialog

namespace {

// The encoding area below the open-file dialog.
class EncodingArea : public DialogHandler {
 public:
  using Detect = std::function<std::optional<text::TextEncoding>(const fs::path&)>;
  EncodingArea(bool offerUtf16, Detect detect) : offerUtf16_(offerUtf16), detect_(std::move(detect)) {}
  void OnInit(Window& w) override {
    const std::int32_t id = resources::kEncodingCombo;
    w.ClearItems(id);
    for (const EncodingChoice& c : kEncodingChoices)
      if (offerUtf16_ || c.encoding != text::TextEncoding::kUTF16)
        w.AddItem(id, c.label, static_cast<std::intptr_t>(c.encoding));
    w.SetSelectedItem(id, 0);
  }
  // A chosen file shows its own encoding, until the person picks one.
  void OnFileSelected(Window& w, const fs::path& file) override {
    if (picked || !detect_) return;
    const text::TextEncoding want = detect_(file).value_or(text::TextEncoding::kShiftJIS);
    std::int32_t count = 0;
    if (w.CountItems(resources::kEncodingCombo, count) != kNoErr) return;
    for (std::int32_t i = 0; i < count; ++i) {
      std::intptr_t data = 0;
      if (w.GetItemData(resources::kEncodingCombo, i, data) == kNoErr && data == static_cast<std::intptr_t>(want))
        w.SetSelectedItem(resources::kEncodingCombo, i);
    }
  }
  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (id == resources::kEncodingCombo && event == ControlEvent::SelectionChanged) picked = true;
    if (id != kIdFileOk) return;
    std::int32_t index = 0;
    std::intptr_t data = 0;
    if (w.GetSelectedItem(resources::kEncodingCombo, index) == kNoErr && index >= 0 &&
        w.GetItemData(resources::kEncodingCombo, index, data) == kNoErr &&
        text::IsKnownEncoding(static_cast<std::int32_t>(data)))
      chosen = static_cast<text::TextEncoding>(data);
  }
  text::TextEncoding chosen = text::TextEncoding::kShiftJIS;
  bool picked = false;  // the person picked an item

 private:
  bool offerUtf16_;
  Detect detect_;
};

}  // namespace

Err CImporterBase::ChooseFilesDialog(const std::string& title, const std::vector<FileFilter>& filters,
                                     const std::string& defaultExt, bool allowMultiple, bool offerUtf16,
                                     bool showEncoding, const fs::path& folder, std::vector<fs::path>& files,
                                     text::TextEncoding& encoding) {
  OpenFileRequest request;
  request.title = title;
  for (const FileFilter& f : filters) request.filters.push_back({f.label, f.pattern});
  request.defaultExtension = defaultExt;
  request.allowMultiple = allowMultiple;
  std::error_code ec;
  if (!folder.empty() && fs::is_directory(folder, ec)) request.folder = folder;
  EncodingArea area(offerUtf16, [this](const fs::path& f) { return FileEncoding(f); });
  if (showEncoding) {
    request.childTemplate = resources::kOpenFileEncodingArea;
    request.childHandler = &area;
  }
  std::vector<fs::path> chosen;
  // Any failure of the platform's dialog counts as a cancel.
  if (sUser()->GetOpenFiles(request, chosen) != kNoErr || chosen.empty()) return kStop;
  files.insert(files.end(), chosen.begin(), chosen.end());
  if (showEncoding) {
    encoding = area.chosen;
    encodingPicked_ = area.picked;
  }
  return kNoErr;
}

text::TextEncoding CImporterBase::EncodingFor(const fs::path& file) const {
  if (encodingPicked_) return encoding_;
  return FileEncoding(file).value_or(text::TextEncoding::kShiftJIS);
}

void CImporterBase::NoteBadText(const std::string& field, const std::string& item) {
  for (FileNotes::BadText& b : fileNotes_.badText)
    if (b.field == field) {
      ++b.values;
      return;
    }
  fileNotes_.badText.push_back({field, 1, item});
}

}  // namespace vx::imp
