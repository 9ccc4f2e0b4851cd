#include "panel/attr_panel.h"

#include "panel/annotation.h"
#include "panel/art_walk.h"
#include "panel/edit_dialogs.h"
#include "panel/search.h"
#include "resources/templates.h"

#include "shell/host/app_context.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <string>

namespace vx::panel {

using namespace vx::host;

namespace {

// A text as a platform control shows it (8-bit, at most 255 bytes).
std::string PlatformText(const char* utf8) { return text::FromPlatformText(text::ToPlatformText(utf8)); }

struct ButtonDef {
  std::int32_t id;
  const char* text;
};

constexpr ButtonDef kButtons[] = {
    {kAnnotateButtonId, "注記..."},
    {kSearchButtonId, "検索..."},
    {kDefineButtonId, "定義..."},
    {kNewButtonId, "新規..."},
};

CAttrPanel* FromUserData(PanelHandle panel) {
  if (!sPanel()) return nullptr;
  void* data = nullptr;
  if (sPanel()->GetUserData(panel, data) != kNoErr) return nullptr;
  return static_cast<CAttrPanel*>(data);
}

}  // namespace

const std::vector<FlyoutItemText>& FlyoutItems() {
  static const std::vector<FlyoutItemText> items{
      {kFlyoutImportShapefile, "シェープファイル読み込み..."},
      {kFlyoutImportCoordText, "座標付きテキストファイル読み込み..."},
      {kFlyoutImportKml, "KMLファイル読み込み..."},
      {kFlyoutSeparator1, nullptr},
      {kFlyoutExportShapefile, "シェープファイル書き出し..."},
      {kFlyoutExportCoordText, "座標付きテキストファイル書き出し..."},
      {kFlyoutSeparator2, nullptr},
      {kFlyoutFourPointMarkers, "4点座標マーカーレイヤー作成"},
      {kFlyoutThreePointMarkers, "3点座標マーカーレイヤー作成"},
      {kFlyoutSeparator3, nullptr},
      {kFlyoutUpgradeAttributes, "以前の形式の属性データをアップグレード"},
  };
  return items;
}

CAttrPanel::CAttrPanel(PluginRef plugin, FlyoutProcs flyout) : plugin_(plugin), flyoutProcs_(flyout) {}

CAttrPanel::~CAttrPanel() {
  // Without the suites the host has let go of the plug-in; there is nothing left to call.
  if (!sPanel()) return;
  Detach();
  if (panel_) {
    // Destroying the host panel takes its platform window with it.
    sPanel()->Destroy(panel_);
    panel_ = nullptr;
  }
  if (flyout_ && sFlyoutMenu()) {
    sFlyoutMenu()->Destroy(flyout_);
    flyout_ = nullptr;
  }
}

std::uint32_t CAttrPanel::ColorRef(const ThemeColor& c) {
  auto byte = [](double v) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(v * 255)) & 0xFFu; };
  return byte(c[1]) | (byte(c[2]) << 8) | (byte(c[3]) << 16);
}

Err CAttrPanel::Create() {
  // The menu is a convenience: a panel without it still shows the selection.
  if (sFlyoutMenu()->Create(flyout_) == kNoErr) {
    for (const FlyoutItemText& item : FlyoutItems()) {
      if (item.text) sFlyoutMenu()->AppendItem(flyout_, item.id, item.text);
      else sFlyoutMenu()->AppendSeparator(flyout_, item.id);
    }
  } else {
    flyout_ = nullptr;
  }

  if (Err e = sPanel()->Create(plugin_, "Varnox-Shape", resources::kPluginName, 3, PanelSize{240, 320}, true, flyout_, this,
                               panel_))
    return e;
  if (Err e = sPanel()->SetFlyoutMenuPreVisibilityProc(panel_, flyoutProcs_.display)) return e;
  if (Err e = sPanel()->SetFlyoutMenuProc(panel_, flyoutProcs_.command)) return e;

  sPanel()->SetMinimumSize(panel_, PanelSize{230, 140});
  sPanel()->SetPreferredSize(panel_, PanelSize{230, 400});

  CreateControls();
  // The label starts black on black; give it the theme's colours from the first paint on.
  LoadThemeColors();

  if (Err e = sPanel()->SetSizeChangeProc(panel_, [](PanelHandle p) {
        try {
          if (CAttrPanel* self = FromUserData(p)) self->Layout();
        } catch (...) {
          // Nothing may reach the host from a callback.
        }
      }))
    return e;
  if (Err e = sPanel()->SetUserData(panel_, this)) return e;
  return sPanel()->Show(panel_, true);
}

void CAttrPanel::CreateControls() {
  if (sPanel()->GetPlatformWindow(panel_, window_) != kNoErr) return;
  Window* w = PanelWindow();
  if (!w) return;
  const std::string label = PlatformText("選択範囲の属性:");
  w->CreateControl({ControlKind::Static, kLabelId, label.c_str(), 4, 0, 100, 20});
  w->CreateControl({ControlKind::ListView, kListId, "", 0, 25, 230, 180,
                    kStyleMultiSelect | kStyleShowSelection | kStyleGridLines | kStyleFullRowSelect});
  w->AddColumn(kListId, PlatformText("フィールド名"), 100, Align::Left);
  w->AddColumn(kListId, PlatformText("属性値"), 150, Align::Left);
  std::int32_t x = 2;
  for (const ButtonDef& b : kButtons) {
    const std::string t = PlatformText(b.text);
    w->CreateControl({ControlKind::Button, b.id, t.c_str(), x, 210, 48, 22});
    x += 50;
  }
  Attach();
}

Window* CAttrPanel::PanelWindow() const {
  if (!window_ || !sPlatform()) return nullptr;
  Window* w = nullptr;
  if (sPlatform()->GetWindow(window_, w) != kNoErr) return nullptr;
  return w;
}

void CAttrPanel::Attach() {
  if (!sPlatform() || attached_) return;
  sPlatform()->GetWindowHandler(window_, previous_);
  attached_ = sPlatform()->SetWindowHandler(window_, this) == kNoErr;
}

void CAttrPanel::Detach() {
  if (!attached_ || !sPlatform()) return;
  sPlatform()->SetWindowHandler(window_, previous_);
  attached_ = false;
  previous_ = nullptr;
}

bool CAttrPanel::IsShown() const {
  bool shown = false;
  if (panel_ && sPanel()) sPanel()->IsShown(panel_, shown);
  return shown;
}

Err CAttrPanel::Show(bool show) {
  if (!panel_) return kBadParameter;
  return sPanel()->Show(panel_, show);
}

void CAttrPanel::Refresh() {
  ScopedAppContext context(plugin_);
  // A hidden panel collects nothing, so nothing is written to the document behind the user's back.
  if (IsShown()) Reload();
}

void CAttrPanel::Reload() {
  ++reloads_;
  Window* w = PanelWindow();
  if (!w) return;
  model_.Collect();
  w->DeleteAllRows(kListId);
  for (std::int32_t i = 0; i < model_.RowCount(); ++i) {
    AttrRow row;
    if (!model_.GetRow(i, row)) continue;
    const std::string name = text::Utf16ToUtf8(CutText(row.field.name, 255));
    const std::string value = row.mixed ? std::string(kMixedValues) : text::Utf16ToUtf8(CutText(row.field.value, 254));
    w->AddRow(kListId, {name, value});
  }
}

Err CAttrPanel::LoadThemeColors() {
  if (Err e = sUITheme()->GetUIThemeColor(1, 0, labelBack_)) return e;
  return sUITheme()->GetUIThemeColor(1, 1, labelText_);
}

void CAttrPanel::Layout() {
  Window* w = PanelWindow();
  if (!w) return;
  PanelSize size;
  if (sPanel()->GetSize(panel_, size) != kNoErr) return;
  const auto width = static_cast<std::int32_t>(size.width);
  const auto height = static_cast<std::int32_t>(size.height);
  w->MoveControl(kListId, 0, 20, width, height - 50);
  std::int32_t i = 0;
  for (const ButtonDef& b : kButtons) w->MoveControl(b.id, 2 + 50 * i++, height - 25, 48, 22);
  std::int32_t first = 0;
  if (w->GetColumnWidth(kListId, 0, first) == kNoErr) w->SetColumnWidth(kListId, 1, width - first - 1);
}

std::int32_t CAttrPanel::CommandRow() const {
  Window* w = PanelWindow();
  std::vector<std::int32_t> rows;
  if (w && w->GetSelectedRows(kListId, rows) == kNoErr && !rows.empty()) return rows.front();
  return 0;
}

void CAttrPanel::OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) {
  // The host calls in here directly: nothing may escape.
  try {
    if (!sPanel()) return;  // the suites are gone (unloaded)
    if (id == kListId) {
      // Other list events are the list's own business and go no further.
      if (event != ControlEvent::DoubleClicked) return;
      ScopedAppContext context(plugin_);
      if (!AnyLayerHasSelectedArt()) {
        sUser()->MessageAlert("オブジェクトが選択されていません");
        return;
      }
      if (detail >= 0 && ValueCommand(plugin_, detail, model_)) Refresh();
      return;
    }
    bool button = false;
    for (const ButtonDef& b : kButtons) button = button || b.id == id;
    if (button && event == ControlEvent::Clicked) {
      {
        ScopedAppContext context(plugin_);
        const std::int32_t row = CommandRow();
        switch (id) {
          case kAnnotateButtonId: MakeLabels(plugin_, row, model_); break;
          case kSearchButtonId: SearchByValue(plugin_, row, model_); break;
          case kDefineButtonId:
            DefinitionCommand(plugin_, row, model_);
            Refresh();
            break;
          case kNewButtonId:
            NewFieldCommand(plugin_, model_);
            Refresh();
            break;
        }
      }
    }
    if (previous_) previous_->OnCommand(w, id, event, detail);
  } catch (...) {
  }
}

bool CAttrPanel::OnListCellColors(Window& w, std::int32_t id, std::int32_t row, std::int32_t column,
                                  std::uint32_t& text, std::uint32_t& back) {
  if (id != kListId) return previous_ && previous_->OnListCellColors(w, id, row, column, text, back);
  if (column == 0) {
    text = kNameCellText;
    back = kNameCellBack;
  } else {
    text = kValueCellText;
    back = kValueCellBack;
  }
  return true;
}

bool CAttrPanel::OnStaticColors(Window& w, std::int32_t id, std::uint32_t& text, std::uint32_t& back) {
  (void)w, (void)id;
  text = ColorRef(labelText_);
  back = ColorRef(labelBack_);
  return true;
}

}  // namespace vx::panel
