#include "export/settings.h"

#include "geodesy/georef.h"
#include "geodesy/zones.h"
#include "resources/templates.h"
#include "shell/host/slots.h"

#include <string>
#include <vector>

namespace vx::xport {

using namespace vx::host;
namespace id = resources::exp115;

namespace {

void GetInt(const char* key, std::int32_t& member) {
  std::int32_t v = 0;
  if (sPreference()->GetInteger(kPreferencePrefix, key, v) == kNoErr) member = v;
}
void GetBool(const char* key, bool& member) {
  bool v = false;
  if (sPreference()->GetBoolean(kPreferencePrefix, key, v) == kNoErr) member = v;
}

}  // namespace

void LoadExportSettings(ExportSettings& s) {
  GetInt("exportDataType", s.dataType);
  GetInt("exportDelimiter", s.delimiter);
  GetInt("exportEncoding", s.encoding);
  GetInt("exportObjectSpec", s.objectSpec);
  GetBool("exportAddTextField", s.addTextField);
  GetBool("exportAddLayerField", s.addLayerField);
  GetBool("exportExpandBezier", s.expandBezier);
  GetInt("exportBezierAccuracy", s.bezierAccuracy);
  GetInt("exportMarkerGeoSys", s.markerGeoSys);
  GetInt("exportMarkerProjection", s.markerProjection);
  GetInt("exportMarkerXYKei", s.markerXYKei);
  GetBool("exportConvertCoords", s.convertCoords);
  GetInt("exportOutGeoSys", s.outGeoSys);
  GetInt("exportOutProjection", s.outProjection);
  GetInt("exportOutXYKei", s.outXYKei);
  GetInt("exportOutUTMZone", s.outUTMZone);
}

void SaveExportSettings(const ExportSettings& s) {
  PreferenceSuite* p = sPreference();
  p->PutInteger(kPreferencePrefix, "exportDataType", s.dataType);
  p->PutInteger(kPreferencePrefix, "exportDelimiter", s.delimiter);
  p->PutInteger(kPreferencePrefix, "exportEncoding", s.encoding);
  p->PutInteger(kPreferencePrefix, "exportObjectSpec", s.objectSpec);
  p->PutBoolean(kPreferencePrefix, "exportAddTextField", s.addTextField);
  p->PutBoolean(kPreferencePrefix, "exportAddLayerField", s.addLayerField);
  p->PutBoolean(kPreferencePrefix, "exportExpandBezier", s.expandBezier);
  p->PutInteger(kPreferencePrefix, "exportBezierAccuracy", s.bezierAccuracy);
  p->PutInteger(kPreferencePrefix, "exportMarkerGeoSys", s.markerGeoSys);
  p->PutInteger(kPreferencePrefix, "exportMarkerProjection", s.markerProjection);
  p->PutInteger(kPreferencePrefix, "exportMarkerXYKei", s.markerXYKei);
  p->PutBoolean(kPreferencePrefix, "exportConvertCoords", s.convertCoords);
  p->PutInteger(kPreferencePrefix, "exportOutGeoSys", s.outGeoSys);
  p->PutInteger(kPreferencePrefix, "exportOutProjection", s.outProjection);
  p->PutInteger(kPreferencePrefix, "exportOutXYKei", s.outXYKei);
  p->PutInteger(kPreferencePrefix, "exportOutUTMZone", s.outUTMZone);
}

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
    if (s_.kind == 1) w.AddItem(id::kEncoding, "UTF-16", 2);
    w.SetSelectedItem(id::kEncoding, 0);
    if (s_.kind == 0) {
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
    if (s_.kind == 1) {
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
    const std::int32_t encPos = s_.encoding == 1 ? 1 : (s_.encoding == 2 && s_.kind == 1) ? 2 : 0;
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
    Radio(w, {id::kMarkerJgd, id::kMarkerTokyo}, s_.markerGeoSys == 2 ? 0 : 1);
    Radio(w, {id::kMarkerBL, id::kMarkerXY}, s_.markerProjection == 1 ? 0 : 1);
    w.SetSelectedItem(id::kMarkerZone, s_.markerXYKei >= 0 && s_.markerXYKei <= 19 ? s_.markerXYKei : 0);
    Radio(w, {id::kNoConvert, id::kConvert}, s_.convertCoords ? 1 : 0);
    Radio(w, {id::kOutJgd, id::kOutTokyo}, s_.outGeoSys == 2 ? 0 : 1);
    Radio(w, {id::kOutBL, id::kOutXY, id::kOutUTM}, s_.outProjection == 3 ? 1 : s_.outProjection == 2 ? 2 : 0);
    w.SetSelectedItem(id::kOutZone, s_.outXYKei >= 0 && s_.outXYKei <= 19 ? s_.outXYKei : 0);
    w.SetSelectedItem(id::kOutUtmZone, s_.outUTMZone >= 0 && s_.outUTMZone <= 60 ? s_.outUTMZone : 0);
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
      s_.markerGeoSys = On(w, id::kMarkerJgd) ? 2 : 1;
      s_.markerProjection = On(w, id::kMarkerBL) ? 1 : 3;
      if (s_.markerProjection == 3) {
        s_.markerXYKei = Selected(w, id::kMarkerZone);
        if (s_.markerXYKei <= 0) {
          s_.markerXYKei = 0;
          return Refuse(kChooseZoneMessage);
        }
      }
    }

    s_.convertCoords = On(w, id::kConvert);
    if (s_.convertCoords) {
      s_.outGeoSys = On(w, id::kOutJgd) ? 2 : 1;
      if (On(w, id::kOutBL)) {
        s_.outProjection = 1;
      } else if (On(w, id::kOutXY)) {
        s_.outProjection = 3;
        s_.outXYKei = Selected(w, id::kOutZone);
        if (s_.outXYKei <= 0) {
          s_.outXYKei = 0;
          return Refuse(kChooseZoneMessage);
        }
      } else if (On(w, id::kOutUTM)) {
        s_.outProjection = 2;
        s_.outUTMZone = Selected(w, id::kOutUtmZone);
        if (s_.outUTMZone <= 0) {
          s_.outUTMZone = 0;
          return Refuse(kChooseUtmZoneMessage);
        }
      }
    } else if (s_.useDataFrame) {
      geo::DataFrame df;
      if (geo::ReadDataFrame(df)) {
        s_.outGeoSys = df.datum;
        s_.outProjection = df.kind;
        s_.outXYKei = df.zone;
        s_.outUTMZone = df.utmZone;
      }
    } else {
      s_.outGeoSys = s_.markerGeoSys;
      s_.outProjection = s_.markerProjection;
      s_.outXYKei = s_.markerXYKei;
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
