#include "import/import_dialog.h"

#include "geodesy/zones.h"
#include "import/messages.h"
#include "resources/templates.h"
#include "shell/host/slots.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vx::imp {

using namespace vx::host;
using namespace vx::resources;

namespace {

// A number read as atof reads it: leading white space, then the longest number; none gives 0.
double AtoF(std::string_view text) {
  const std::string s(text);
  return std::strtod(s.c_str(), nullptr);
}

std::string Format(const char* format, double a) {
  char buf[400];
  std::snprintf(buf, sizeof buf, format, a);
  return buf;
}

std::string Format(const char* format, double a, double b) {
  char buf[800];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

// One corner: the numbers before and after the first comma.
bool ParseCorner(std::string_view text, double& first, double& second) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  const std::string_view after = text.substr(comma + 1);
  if (after.size() < 3) return false;
  first = AtoF(text.substr(0, comma));
  second = AtoF(after);
  return std::isfinite(first) && std::isfinite(second);
}

class ImportDialog : public DialogHandler {
 public:
  explicit ImportDialog(ImportSettings& s) : s_(s) {}

  void OnInit(Window& w) override {
    FillList(w, kImpDataZone, geo::PlaneZonePickerItems());
    FillList(w, kImpDataUtmZone, geo::UtmZonePickerItems());
    FillList(w, kImpMapZone, geo::PlaneZonePickerItems());
    FillList(w, kImpMapUtmZone, geo::UtmZonePickerItems());

    const char* mode = s_.mode == kModeDataFrame ? kModeDataFrameText
                       : s_.mode == kModeMarkers ? kModeMarkersText
                                                 : kModeNewFrameText;
    w.SetText(kImpModeText, mode);

    w.SetText(kImpExtentXmin, Format("%f", s_.extent.xmin));
    w.SetText(kImpExtentXmax, Format("%f", s_.extent.xmax));
    w.SetText(kImpExtentYmin, Format("%f", s_.extent.ymin));
    w.SetText(kImpExtentYmax, Format("%f", s_.extent.ymax));
    // The corners always start with the whole extent.
    northWestShown_ = Format("%f,%f", s_.extent.ymax, s_.extent.xmin);
    southEastShown_ = Format("%f,%f", s_.extent.ymin, s_.extent.xmax);
    w.SetText(kImpNorthWest, northWestShown_);
    w.SetText(kImpSouthEast, southEastShown_);

    w.SetChecked(s_.data.datum == geo::DatumJgd2000 ? kImpDataJgd : kImpDataTokyo, true);
    if (s_.data.kind == geo::KindLatLong) w.SetChecked(kImpDataBL, true);
    if (s_.data.kind == geo::KindPlaneXY) w.SetChecked(kImpDataXY, true);
    if (s_.data.kind == geo::KindUtm) w.SetChecked(kImpDataUTM, true);
    Select(w, kImpDataZone, geo::Code(s_.data.zone));
    Select(w, kImpDataUtmZone, geo::Code(s_.data.utmZone));
    w.SetChecked(kImpLimitOn, s_.limitOn);

    if (s_.mode == kModeMarkers) {
      // The markers' system starts as the file's: degree-form markers in latitude and longitude,
      // plane-form ones in the file's grid (a plane zone for a lat/long file).
      s_.map = s_.data;
      if (s_.markerDegrees) s_.map.kind = geo::KindLatLong;
      else if (s_.data.kind == geo::KindLatLong) s_.map.kind = geo::KindPlaneXY;
    }
    w.SetChecked(s_.map.datum == geo::DatumJgd2000 ? kImpMapJgd : kImpMapTokyo, true);
    if (s_.map.kind == geo::KindLatLong) w.SetChecked(kImpMapBL, true);
    if (s_.map.kind == geo::KindPlaneXY) w.SetChecked(kImpMapXY, true);
    if (s_.map.kind == geo::KindUtm) w.SetChecked(kImpMapUTM, true);
    Select(w, kImpMapZone, geo::Code(s_.map.zone));
    Select(w, kImpMapUtmZone, geo::Code(s_.map.utmZone));
    w.SetText(kImpScale, Format("%.0f", s_.scale));
    w.SetChecked(kImpTrueNorth, s_.trueNorth);

    ApplyRules(w);
  }

  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (id >= kImpMapJgd && id <= kImpMapUtmZone) mapTouched_ = true;
    if (event != ControlEvent::Clicked) return;
    switch (id) {
      case kImpLimitOn:
      case kImpDataUTM:
      case kImpDataBL:
      case kImpDataXY:
      case kImpMapBL:
      case kImpMapXY:
      case kImpMapUTM:
        ApplyRules(w);
        break;
      case kImpWebMap:
        sUser()->OpenUrl(kWebMapUrl);
        break;
      case kImpOk:
        if (Accept(w)) w.EndDialog(kIdOk);
        break;
      case kImpCancel:
        w.EndDialog(kIdCancel);
        break;
      default:
        break;
    }
  }

 private:
  static void FillList(Window& w, std::int32_t id, const std::vector<std::string>& items) {
    w.ClearItems(id);
    for (std::size_t i = 0; i < items.size(); ++i) w.AddItem(id, items[i], static_cast<std::intptr_t>(i));
  }
  // A stored zone outside the list shows as no zone chosen.
  static void Select(Window& w, std::int32_t id, std::int32_t index) {
    if (w.SetSelectedItem(id, index) != kNoErr) w.SetSelectedItem(id, 0);
  }
  static bool Checked(Window& w, std::int32_t id) {
    bool c = false;
    return w.GetChecked(id, c) == kNoErr && c;
  }
  static std::int32_t Position(Window& w, std::int32_t id) {
    std::int32_t i = 0;
    if (w.GetSelectedItem(id, i) != kNoErr || i < 0) return 0;
    return i;
  }
  static std::string Text255(Window& w, std::int32_t id) {
    std::string t;
    w.GetText(id, t);
    if (t.size() > 255) t.resize(255);
    return t;
  }

  void ApplyRules(Window& w) {
    const bool limit = Checked(w, kImpLimitOn);
    w.SetEnabled(kImpNorthWest, limit);
    w.SetEnabled(kImpSouthEast, limit);
    w.SetEnabled(kImpDataUtmZone, Checked(w, kImpDataUTM));
    w.SetEnabled(kImpDataZone, Checked(w, kImpDataXY));
    // The system matters for a new data frame and for markers (theirs); scale and north only
    // for a new frame.
    const bool newFrame = s_.mode == kModeNewFrame;
    const bool system = newFrame || s_.mode == kModeMarkers;
    w.SetEnabled(kImpMapUtmZone, system && Checked(w, kImpMapUTM));
    w.SetEnabled(kImpMapZone, system && Checked(w, kImpMapXY));
    for (std::int32_t id : {kImpMapJgd, kImpMapTokyo, kImpMapBL, kImpMapXY, kImpMapUTM}) w.SetEnabled(id, system);
    for (std::int32_t id : {kImpTrueNorth, kImpScale}) w.SetEnabled(id, newFrame);
  }

  // Reads the controls into the record in order; the first refusal warns and keeps the dialog
  // open, leaving what was read so far in the record.
  bool Accept(Window& w) {
    s_.data.datum = Checked(w, kImpDataJgd) ? geo::DatumJgd2000 : geo::DatumTokyo;
    if (Checked(w, kImpDataBL)) {
      s_.data.kind = geo::KindLatLong;
    } else if (Checked(w, kImpDataXY)) {
      s_.data.kind = geo::KindPlaneXY;
      s_.data.zone = geo::Zone{Position(w, kImpDataZone)};
      if (geo::Code(s_.data.zone) == 0) return Refuse(kChooseZoneMessage);
    } else {
      s_.data.kind = geo::KindUtm;
      s_.data.utmZone = geo::Zone{Position(w, kImpDataUtmZone)};
      if (geo::Code(s_.data.utmZone) == 0) return Refuse(kChooseUtmZoneMessage);
    }

    if (s_.mode == kModeMarkers && !mapTouched_) {
      // Left as it opened: the markers are taken in the file's system as it now stands.
      s_.map.datum = s_.data.datum;
      if (s_.markerDegrees) {
        s_.map.kind = geo::KindLatLong;
      } else {
        // Plane-form markers hold grid metres: a lat/long file needs their zone.
        if (s_.data.kind == geo::KindLatLong) return Refuse(kChooseZoneMessage);
        s_.map = s_.data;
      }
    } else if (s_.mode != kModeDataFrame) {
      s_.map.datum = Checked(w, kImpMapJgd) ? geo::DatumJgd2000 : geo::DatumTokyo;
      if (Checked(w, kImpMapXY)) {
        s_.map.kind = geo::KindPlaneXY;
        s_.map.zone = geo::Zone{Position(w, kImpMapZone)};
        if (geo::Code(s_.map.zone) == 0) return Refuse(kChooseZoneMessage);
      } else if (Checked(w, kImpMapUTM)) {
        s_.map.kind = geo::KindUtm;
        s_.map.utmZone = geo::Zone{Position(w, kImpMapUtmZone)};
        if (geo::Code(s_.map.utmZone) == 0) return Refuse(kChooseUtmZoneMessage);
      } else {
        s_.map.kind = geo::KindLatLong;
      }
    }
    if (s_.mode == kModeNewFrame) {
      // An infinite or undefined scale would place everything at infinity. The frame keeps the
      // scale as a 32-bit integer: below 1 it would store as 0 (a frame no one can read), beyond
      // the range as another scale.
      const double scale = AtoF(Text255(w, kImpScale));
      if (!(std::isfinite(scale) && scale >= 1 && scale <= kMaxStoredScale)) return Refuse(kBadScaleMessage);
      s_.scale = scale;
      s_.trueNorth = Checked(w, kImpTrueNorth);
    }

    if (!Checked(w, kImpLimitOn)) {
      s_.limitOn = false;
      return true;
    }
    s_.limitOn = true;
    Extent range;
    const std::string northWest = Text255(w, kImpNorthWest), southEast = Text255(w, kImpSouthEast);
    if (!ParseRange(northWest, southEast, range)) return Refuse(kBadRangeMessage);
    // A corner left as shown means the extent itself, not its six-decimal rounding (which would
    // leave out the points on the west or north edge).
    if (northWest == northWestShown_) range.ymax = s_.extent.ymax, range.xmin = s_.extent.xmin;
    if (southEast == southEastShown_) range.ymin = s_.extent.ymin, range.xmax = s_.extent.xmax;
    if (!(range.ymin < range.ymax && range.xmin < range.xmax)) return Refuse(kBadRangeMessage);
    s_.limit = range;
    return true;
  }

  static constexpr double kMaxStoredScale = 2147483647;
  std::string northWestShown_, southEastShown_;
  bool mapTouched_ = false;  // the user set the system group (the markers' system in mode 1)

  static bool Refuse(const char* message) {
    sUser()->WarningAlert(message);
    return false;
  }

  ImportSettings& s_;
};

}  // namespace

bool ParseRange(std::string_view northWest, std::string_view southEast, Extent& out) {
  double north = 0, west = 0, south = 0, east = 0;
  if (!ParseCorner(northWest, north, west)) return false;
  if (!ParseCorner(southEast, south, east)) return false;
  if (south >= north || west >= east) return false;
  out = {west, east, south, north};
  return true;
}

Err ShowImportDialog(PluginRef plugin, ImportSettings& s) {
  WindowHandle parent = nullptr;
  if (Err e = sModalParent()->GetApplicationWindow(parent)) return e;
  // The template lives in the plug-in's own module.
  std::filesystem::path module;
  if (Err e = sPlugins()->GetPluginFileSpecification(plugin, module)) return e;
  ImportDialog handler(s);
  std::int32_t result = 0;
  if (Err e = sPlatform()->RunModalDialog(plugin, kImportSettingsDialog, parent, handler, result)) return e;
  return result == kIdOk ? kNoErr : kStop;
}

}  // namespace vx::imp
