#include "export/settings.h"

#include "geodesy/georef.h"
#include "geodesy/zones.h"
#include "resources/templates.h"
#include "shell/host/preference_keys.h"
#include "shell/host/slots.h"

#include <string>
#include <vector>

namespace vx::xport {

using namespace vx::host;
namespace id = resources::exp115;

namespace {
// The stored export settings, in the order they are read and written.
constexpr auto kExportKeys = [](auto& s, auto f) {
  f("exportDataType", s.dataType);
  f("exportDelimiter", s.delimiter);
  f("exportEncoding", s.encoding);
  f("exportObjectSpec", s.objectSpec);
  f("exportAddTextField", s.addTextField);
  f("exportAddLayerField", s.addLayerField);
  f("exportExpandBezier", s.expandBezier);
  f("exportBezierAccuracy", s.bezierAccuracy);
  f("exportMarkerGeoSys", s.marker.datum);
  f("exportMarkerProjection", s.marker.kind);
  f("exportMarkerXYKei", s.marker.zone);
  f("exportConvertCoords", s.convertCoords);
  f("exportOutGeoSys", s.out.datum);
  f("exportOutProjection", s.out.kind);
  f("exportOutXYKei", s.out.zone);
  f("exportOutUTMZone", s.out.utmZone);
};
}  // namespace

void LoadExportSettings(ExportSettings& s) { ReadPreferences(kPreferencePrefix, s, kExportKeys); }

void SaveExportSettings(const ExportSettings& s) { WritePreferences(kPreferencePrefix, s, kExportKeys); }

namespace {

class ExportDialog final : public DialogHandler {
 public:
  explicit ExportDialog(ExportSettings& s) : s_(s) {}

  void OnInit(Window& w) override {
    // Lists.
    std::string current;
    LayerHandle layer = nullptr;
    if (sLayer()->GetCurrentLayer(layer) == kNoErr && layer) sLayer()->GetLayerTitle(layer, current);
    w.ClearItems(id::kTarget);
    w.AddItem(id::kTarget, "現在のレイヤー: " + current, 0);
    w.AddItem(id::kTarget, "表示されている全てのレイヤー", 1);
    w.AddItem(id::kTarget, "全てのレイヤー", 2);
    if (s_.hasSelection) w.AddItem(id::kTarget, "選択されているオブジェクト", 3);
    w.SetSelectedItem(id::kTarget, 0);

    w.ClearItems(id::kEncoding);
    w.AddItem(id::kEncoding, "シフトJIS", 17);
    w.AddItem(id::kEncoding, "UTF-8", 1);
    if (s_.format == ExportFormat::CoordinateText) w.AddItem(id::kEncoding, "UTF-16", 2);
    w.SetSelectedItem(id::kEncoding, 0);
    if (s_.format == ExportFormat::Shapefile) {
      w.SetEnabled(id::kDelimiterLabel, false);
      w.SetEnabled(id::kTab, false);
      w.SetEnabled(id::kComma, false);
    }
    for (std::int32_t list : {id::kMarkerZone, id::kOutZone}) {
      w.ClearItems(list);
      const std::vector<std::string> zones = geo::PlaneZonePickerItems();
      for (std::size_t z = 0; z < zones.size(); ++z) w.AddItem(list, zones[z], static_cast<std::intptr_t>(z));
      w.SetSelectedItem(list, 0);
    }
    w.ClearItems(id::kOutUtmZone);
    const std::vector<std::string> utmZones = geo::UtmZonePickerItems();
    for (std::size_t n = 0; n < utmZones.size(); ++n)
      w.AddItem(id::kOutUtmZone, utmZones[n], static_cast<std::intptr_t>(n));
    w.SetSelectedItem(id::kOutUtmZone, 0);
    if (s_.format == ExportFormat::CoordinateText) {
      w.SetEnabled(id::kPolyline, false);
      w.SetEnabled(id::kPolygon, false);
    }
    if (s_.hasDataFrame) {
      w.SetText(id::kFrameLabel, geo::DataFrameLabel());
    } else {
      w.SetEnabled(id::kUseFrame, false);
      w.SetText(id::kFrameLabel, "");
    }
    if (!s_.hasMarkers) w.SetEnabled(id::kUseMarkers, false);
    w.SetRange(id::kAccuracy, 1, 9);

    // The settings.
    std::int32_t count = 0;
    w.CountItems(id::kTarget, count);
    w.SetSelectedItem(id::kTarget, s_.target >= 0 && s_.target < count ? s_.target : 0);
    w.SetChecked(id::kPerLayer, s_.perLayerFiles);
    Radio(w, {id::kPoint, id::kPolyline, id::kPolygon}, s_.dataType == 0 ? 0 : s_.dataType == 1 ? 1 : 2);
    // A stored code the list does not offer (UTF-16 after a text export) falls back to the first
    // entry: kept, it would reach a writer that cannot write it.
    const std::int32_t encPos = s_.encoding == 1 ? 1 : (s_.encoding == 2 && s_.format == ExportFormat::CoordinateText) ? 2 : 0;
    w.SetSelectedItem(id::kEncoding, encPos);
    Radio(w, {id::kTab, id::kComma}, s_.delimiter == 9 ? 0 : 1);
    w.SetChecked(id::kUnfilled, (s_.objectSpec & kSpecUnfilledPath) != 0);
    w.SetChecked(id::kFilled, (s_.objectSpec & kSpecFilledPath) != 0);
    w.SetChecked(id::kText, (s_.objectSpec & kSpecText) != 0);
    w.SetChecked(id::kSymbol, (s_.objectSpec & kSpecSymbol) != 0);
    w.SetChecked(id::kGroup, (s_.objectSpec & kSpecGroup) != 0);
    w.SetChecked(id::kExpand, (s_.objectSpec & kSpecExpandGroups) != 0);
    w.SetChecked(id::kAddText, s_.addTextField);
    w.SetChecked(id::kAddLayer, s_.addLayerField);
    w.SetChecked(id::kBezier, s_.expandBezier);
    w.SetPosition(id::kAccuracy, s_.bezierAccuracy);
    Radio(w, {id::kUseFrame, id::kUseMarkers}, s_.hasDataFrame ? 0 : 1);
    Radio(w, {id::kMarkerJgd, id::kMarkerTokyo}, s_.marker.datum == geo::DatumJgd2000 ? 0 : 1);
    Radio(w, {id::kMarkerBL, id::kMarkerXY}, s_.marker.kind == geo::KindLatLong ? 0 : 1);
    w.SetSelectedItem(id::kMarkerZone, PickerIndex(s_.marker.zone, geo::kPlaneZoneCount));
    Radio(w, {id::kNoConvert, id::kConvert}, s_.convertCoords ? 1 : 0);
    Radio(w, {id::kOutJgd, id::kOutTokyo}, s_.out.datum == geo::DatumJgd2000 ? 0 : 1);
    Radio(w, {id::kOutBL, id::kOutXY, id::kOutUTM}, s_.out.kind == geo::KindPlaneXY ? 1 : s_.out.kind == geo::KindUtm ? 2 : 0);
    w.SetSelectedItem(id::kOutZone, PickerIndex(s_.out.zone, geo::kPlaneZoneCount));
    w.SetSelectedItem(id::kOutUtmZone, PickerIndex(s_.out.utmZone, geo::kUtmZoneCount));
    Enable(w);
  }

  void OnCommand(Window& w, std::int32_t control, ControlEvent event, std::int32_t detail) override {
    (void)event, (void)detail;
    if (control == kIdOk) {
      if (Accept(w)) w.EndDialog(kNoErr);
      return;
    }
    if (control == kIdCancel) {
      w.EndDialog(kStop);
      return;
    }
    Enable(w);
  }

 private:
  // The picker item of a zone (the item index is the zone number); one out of range picks none.
  static std::int32_t PickerIndex(geo::Zone zone, std::int32_t count) {
    const std::int32_t z = geo::Code(zone);
    return z >= 0 && z <= count ? z : 0;
  }
  static void Radio(Window& w, std::initializer_list<std::int32_t> ids, std::size_t on) {
    std::size_t i = 0;
    for (std::int32_t c : ids) w.SetChecked(c, i++ == on);
  }
  static bool On(Window& w, std::int32_t c) {
    bool b = false;
    w.GetChecked(c, b);
    return b;
  }
  static std::int32_t Selected(Window& w, std::int32_t c) {
    std::int32_t i = -1;
    w.GetSelectedItem(c, i);
    return i;
  }
  static void Disable(Window& w, std::int32_t c) {
    w.SetChecked(c, false);
    w.SetEnabled(c, false);
  }

  void Enable(Window& w) {
    const std::int32_t target = TargetOf(w);
    if (target == kTargetCurrentLayer || target == kTargetSelection)
      Disable(w, id::kPerLayer);
    else
      w.SetEnabled(id::kPerLayer, true);

    const bool shapes = On(w, id::kPolyline) || On(w, id::kPolygon);
    for (std::int32_t c : {id::kGroup, id::kText, id::kSymbol}) {
      if (shapes)
        Disable(w, c);
      else
        w.SetEnabled(c, true);
    }
    const bool expandable = On(w, id::kGroup) || On(w, id::kUnfilled) || On(w, id::kFilled);
    if (!expandable) w.SetChecked(id::kExpand, false);
    w.SetEnabled(id::kExpand, expandable);

    const bool markers = On(w, id::kUseMarkers);
    for (std::int32_t c : {id::kMarkerJgd, id::kMarkerTokyo, id::kMarkerBL, id::kMarkerXY}) w.SetEnabled(c, markers);
    w.SetEnabled(id::kMarkerZone, markers && On(w, id::kMarkerXY));

    const bool convert = On(w, id::kConvert);
    for (std::int32_t c : {id::kOutJgd, id::kOutTokyo, id::kOutBL, id::kOutXY, id::kOutUTM}) w.SetEnabled(c, convert);
    w.SetEnabled(id::kOutZone, convert && On(w, id::kOutXY));
    w.SetEnabled(id::kOutUtmZone, convert && On(w, id::kOutUTM));

    if (On(w, id::kPoint))
      Disable(w, id::kBezier);
    else
      w.SetEnabled(id::kBezier, true);
    const bool bezier = On(w, id::kBezier);
    for (std::int32_t c : {id::kAccuracyLabel, id::kAccuracy, id::kAccuracyValue, id::kRough, id::kPrecise})
      w.SetEnabled(c, bezier);
    std::int32_t pos = 0;
    w.GetPosition(id::kAccuracy, pos);
    w.SetText(id::kAccuracyValue, std::to_string(pos));
  }

  // The target the selected entry stands for (the list holds the target as item data).
  static std::int32_t TargetOf(Window& w) {
    const std::int32_t pos = Selected(w, id::kTarget);
    std::intptr_t data = 0;
    if (pos < 0 || w.GetItemData(id::kTarget, pos, data) != kNoErr) return kTargetCurrentLayer;
    return static_cast<std::int32_t>(data);
  }

  // The zone picked in `list` into `zone`; none picked stores 0 and answers false.
  static bool ChosenZone(Window& w, std::int32_t list, geo::Zone& zone) {
    const std::int32_t z = Selected(w, list);
    zone = geo::Zone{z > 0 ? z : 0};
    return z > 0;
  }

  bool Refuse(const char* message) {
    sUser()->MessageAlert(message);
    return false;
  }

  bool Accept(Window& w) {
    s_.target = TargetOf(w);
    s_.perLayerFiles = On(w, id::kPerLayer);
    s_.dataType = On(w, id::kPolygon) ? kDataPolygon : On(w, id::kPolyline) ? kDataPolyline : kDataPoint;
    switch (Selected(w, id::kEncoding)) {
      case 0: s_.encoding = 17; break;
      case 1: s_.encoding = 1; break;
      case 2: s_.encoding = 2; break;
      default: break;
    }
    s_.delimiter = On(w, id::kTab) ? 9 : 44;

    std::int32_t objects = 0;
    if (On(w, id::kUnfilled)) objects |= kSpecUnfilledPath;
    if (On(w, id::kFilled)) objects |= kSpecFilledPath;
    if (On(w, id::kText)) objects |= kSpecText;
    if (On(w, id::kSymbol)) objects |= kSpecSymbol;
    if (On(w, id::kGroup)) objects |= kSpecGroup;
    if (On(w, id::kExpand)) objects |= kSpecExpandGroups;
    s_.objectSpec = objects;
    if (objects == 0) return Refuse(kNoObjectsMessage);

    s_.addTextField = On(w, id::kAddText) && On(w, id::kText);
    s_.addLayerField = On(w, id::kAddLayer);
    s_.expandBezier = On(w, id::kBezier);
    std::int32_t pos = s_.bezierAccuracy;
    w.GetPosition(id::kAccuracy, pos);
    s_.bezierAccuracy = pos;
    s_.useDataFrame = On(w, id::kUseFrame);

    if (!s_.useDataFrame) {
      s_.marker.datum = On(w, id::kMarkerJgd) ? geo::DatumJgd2000 : geo::DatumTokyo;
      s_.marker.kind = On(w, id::kMarkerBL) ? geo::KindLatLong : geo::KindPlaneXY;
      if (s_.marker.kind == geo::KindPlaneXY && !ChosenZone(w, id::kMarkerZone, s_.marker.zone))
        return Refuse(kChooseZoneMessage);
    }

    s_.convertCoords = On(w, id::kConvert);
    if (s_.convertCoords) {
      s_.out.datum = On(w, id::kOutJgd) ? geo::DatumJgd2000 : geo::DatumTokyo;
      if (On(w, id::kOutBL)) {
        s_.out.kind = geo::KindLatLong;
      } else if (On(w, id::kOutXY)) {
        s_.out.kind = geo::KindPlaneXY;
        if (!ChosenZone(w, id::kOutZone, s_.out.zone)) return Refuse(kChooseZoneMessage);
      } else if (On(w, id::kOutUTM)) {
        s_.out.kind = geo::KindUtm;
        if (!ChosenZone(w, id::kOutUtmZone, s_.out.utmZone)) return Refuse(kChooseUtmZoneMessage);
      }
    } else if (s_.useDataFrame) {
      geo::DataFrame df;
      if (geo::ReadDataFrame(df)) s_.out = df.system;
    } else {
      // The markers have no UTM zone: the stored one stays.
      s_.out.datum = s_.marker.datum;
      s_.out.kind = s_.marker.kind;
      s_.out.zone = s_.marker.zone;
    }
    return true;
  }

  ExportSettings& s_;
};

}  // namespace

Err ShowExportDialog(PluginRef plugin, ExportSettings& settings) {
  WindowHandle parent = nullptr;
  if (Err e = sModalParent()->GetApplicationWindow(parent)) return e;
  ExportDialog handler(settings);
  std::int32_t result = 0;
  if (Err e = sPlatform()->RunModalDialog(plugin, resources::kExportSettingsDialog, parent, handler, result)) return e;
  return result == kNoErr ? kNoErr : kStop;
}

}  // namespace vx::xport
