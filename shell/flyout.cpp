#include "shell/flyout.h"

#include "panel/attr_panel.h"
#include "shell/commands.h"
#include "shell/host/app_context.h"
#include "shell/host/slots.h"
#include "shell/plugin.h"

namespace vx::shell {

using namespace vx::host;
using panel::CAttrPanel;

namespace {

CAttrPanel* PanelObject(PanelHandle panel) {
  // After an unload the host may still show the panel; without suites there is nothing to do.
  if (gSuiteCount == 0 || !sPanel()) return nullptr;
  void* data = nullptr;
  if (sPanel()->GetUserData(panel, data) != kNoErr) return nullptr;
  return static_cast<CAttrPanel*>(data);
}

constexpr std::int32_t kNeedLayer[] = {
    panel::kFlyoutExportShapefile,  panel::kFlyoutExportCoordText,    panel::kFlyoutFourPointMarkers,
    panel::kFlyoutThreePointMarkers, panel::kFlyoutUpgradeAttributes,
};

void RunImport(PluginRef plugin, Err (*import)(PluginRef)) {
  DocumentHandle doc = nullptr;
  if (sDocument()->GetDocument(doc) != kNoErr || !doc) {
    sUser()->MessageAlert(kNeedDocumentMessage);
    return;
  }
  Err result = kNoErr;
  try {
    result = import(plugin);
  } catch (const HostError& e) {
    result = e.code;
  } catch (...) {
    result = kCant;
  }
  if (result != kNoErr && result != kStop) sUser()->ErrorAlert(kImportFailedMessage);
}

}  // namespace

void FlyoutDisplay(PanelHandle panel) noexcept {
  try {
    CAttrPanel* p = PanelObject(panel);
    if (!p) return;
    ScopedAppContext context(p->Plugin());
    std::int32_t layers = 0;
    if (sLayer()->CountLayers(layers) != kNoErr) layers = 0;  // no document: no layers
    for (std::int32_t id : kNeedLayer) sFlyoutMenu()->SetItemEnabled(p->FlyoutMenu(), id, layers >= 1);
  } catch (...) {
  }
}

void FlyoutCommand(PanelHandle panel, std::int32_t itemId) noexcept {
  try {
    CAttrPanel* p = PanelObject(panel);
    if (!p) return;
    ScopedAppContext context(p->Plugin());
    const PluginRef plugin = p->Plugin();
    CommandTable& c = Commands();
    switch (itemId) {
      case panel::kFlyoutImportShapefile: RunImport(plugin, c.importShapefiles); break;
      case panel::kFlyoutImportCoordText: RunImport(plugin, c.importCoordinateText); break;
      case panel::kFlyoutImportKml: RunImport(plugin, c.importKml); break;
      case panel::kFlyoutExportShapefile: c.exportShapefiles(plugin); break;
      case panel::kFlyoutExportCoordText: c.exportCoordinateText(plugin); break;
      case panel::kFlyoutFourPointMarkers: c.createFourPointMarkerLayer(plugin); break;
      case panel::kFlyoutThreePointMarkers: c.createThreePointMarkerLayer(plugin); break;
      case panel::kFlyoutUpgradeAttributes: c.upgradeOldAttributes(plugin); break;
      default: break;  // separators and unknown ids
    }
  } catch (...) {
    // A command that throws has ended; the host hears nothing of it.
  }
}

}  // namespace vx::shell
