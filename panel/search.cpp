#include "panel/search.h"

#include "attributes/shape_attr.h"
#include "panel/art_walk.h"
#include "panel/edit_dialogs.h"
#include "resources/panel_templates.h"
#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <cmath>
#include <limits>

namespace vx::panel {

using namespace vx::host;
using namespace vx::resources;
using attr::CVxShapeAttr;

namespace {

// A bound or value that reads as a finite number; NaN otherwise, which no comparison lets through.
double Number(std::u16string_view s) {
  double v = 0;
  return attr::ReadFiniteNumber(s, v) ? v : std::numeric_limits<double>::quiet_NaN();
}

class SearchDialog final : public DialogHandler {
 public:
  explicit SearchDialog(SearchParams& p) : p_(p) {}
  void OnInit(Window& w) override {
    w.ClearItems(kSearchField);
    for (std::size_t i = 0; i < p_.fieldNames.size(); ++i)
      w.AddItem(kSearchField, text::Utf16ToUtf8(CutText(p_.fieldNames[i], 255)), static_cast<std::intptr_t>(i));
    w.SetSelectedItem(kSearchField, p_.fieldIndex);
    w.SetChecked(kSearchByNumber, p_.byNumber);
    w.SetChecked(kSearchByText, !p_.byNumber);
    for (std::int32_t id : {kSearchText, kSearchLower, kSearchUpper}) w.SetTextLimit(id, 255);
    Enable(w);
  }
  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (id == kIdOk && event == ControlEvent::Clicked) return Confirm(w);
    if (id == kIdCancel && event == ControlEvent::Clicked) return (void)w.EndDialog(kStop);
    Enable(w);
  }

 private:
  static bool Checked(Window& w, std::int32_t id) {
    bool on = false;
    w.GetChecked(id, on);
    return on;
  }
  static std::u16string Text(Window& w, std::int32_t id) {
    std::string t;
    w.GetText(id, t);
    return text::Utf8ToUtf16(t);
  }
  static void Enable(Window& w) {
    const bool byText = Checked(w, kSearchByText);
    w.SetEnabled(kSearchText, byText);
    w.SetEnabled(kSearchLowerOn, !byText);
    w.SetEnabled(kSearchUpperOn, !byText);
    w.SetEnabled(kSearchLower, !byText && Checked(w, kSearchLowerOn));
    w.SetEnabled(kSearchUpper, !byText && Checked(w, kSearchUpperOn));
  }
  void Confirm(Window& w) {
    std::int32_t item = -1;
    if (w.GetSelectedItem(kSearchField, item) != kNoErr) item = -1;
    p_.fieldIndex = item;
    p_.byNumber = !Checked(w, kSearchByText);
    if (!p_.byNumber) {
      p_.text = Text(w, kSearchText);
      w.EndDialog(kNoErr);
      return;
    }
    p_.upperOn = Checked(w, kSearchUpperOn);
    if (p_.upperOn) p_.upperText = Text(w, kSearchUpper);
    p_.lowerOn = Checked(w, kSearchLowerOn);
    if (p_.lowerOn) p_.lowerText = Text(w, kSearchLower);
    // A bound that is not a number is no bound at all: it would match nothing, or everything.
    if ((!p_.lowerOn && !p_.upperOn) || (p_.lowerOn && !std::isfinite(Number(p_.lowerText))) ||
        (p_.upperOn && !std::isfinite(Number(p_.upperText)))) {
      sUser()->MessageAlert(kSetRange);
      return;
    }
    if (p_.lowerOn && p_.upperOn && Number(p_.lowerText) > Number(p_.upperText)) {
      sUser()->MessageAlert(kBadRange);
      return;
    }
    w.EndDialog(kNoErr);
  }
  SearchParams& p_;
};

bool Matches(const SearchParams& p, const std::u16string& value) {
  if (!p.byNumber) return value.find(p.text) != std::u16string::npos;
  // Only numbers are compared: an empty value or a text is in no range.
  const double v = Number(value);
  if (!std::isfinite(v)) return false;
  if (p.lowerOn && !(Number(p.lowerText) <= v)) return false;
  if (p.upperOn && !(v <= Number(p.upperText))) return false;
  return true;
}

}  // namespace

Err RunSearchDialog(PluginRef plugin, SearchParams& params) {
  SearchDialog handler(params);
  return RunDialog(plugin, kSearchDialog, handler);
}

bool IsSelectable(ArtHandle art) {
  ArtHandle a = art;
  for (int guard = 0; a && guard < 100000; ++guard) {
    bool layerGroup = false;
    if (sArt()->IsLayerGroup(a, layerGroup) != kNoErr) return false;
    if (layerGroup) return true;
    std::uint32_t flags = 0;
    if (sArt()->GetArtUserAttr(a, kArtLocked | kArtHidden, flags) != kNoErr) return false;
    if (flags & (kArtLocked | kArtHidden)) return false;
    if (sArt()->GetArtParent(a, a) != kNoErr) return false;
  }
  return true;
}

bool LayerOpen(LayerHandle layer) {
  LayerHandle l = layer;
  for (int guard = 0; l && guard < 100000; ++guard) {
    bool visible = false, editable = false;
    if (sLayer()->GetLayerVisible(l, visible) != kNoErr || !visible) return false;
    if (sLayer()->GetLayerEditable(l, editable) != kNoErr || !editable) return false;
    if (sLayer()->GetLayerParent(l, l) != kNoErr) return false;
  }
  return true;
}

Err DeselectAll() {
  LayerHandle layer = nullptr;
  VX_CHECK(sLayer()->GetFirstLayer(layer));
  for (int guard = 0; layer && guard < 1000000; ++guard) {
    bool selected = false;
    VX_CHECK(sLayer()->LayerHasSelectedArt(layer, selected));
    if (selected) VX_CHECK(sLayer()->DeselectArtOnLayer(layer));
    VX_CHECK(sLayer()->GetNextLayer(layer, layer));
  }
  return kNoErr;
}

void SearchByValue(PluginRef plugin, std::int32_t row, const CSelectionModel& model) {
  if (model.RowCount() == 0) {
    sUser()->MessageAlert(kNoFields);
    return;
  }
  SearchParams params;
  for (std::int32_t i = 0; i < model.RowCount(); ++i) {
    AttrRow r;
    if (model.GetRow(i, r)) params.fieldNames.push_back(r.field.name);
  }
  params.fieldIndex = row < 0 ? 0 : row;
  if (RunSearchDialog(plugin, params) != kNoErr) return;
  AttrRow chosen;
  if (!model.GetRow(params.fieldIndex, chosen)) return;
  if (DeselectAll() != kNoErr) return;

  LayerHandle layer = nullptr;
  if (sLayer()->GetFirstLayer(layer) != kNoErr) return;
  for (int guard = 0; layer && guard < 1000000; ++guard) {
    if (LayerOpen(layer)) {
      // A sublayer's art is searched with its own layer.
      std::vector<ArtHandle> art;
      if (OwnLayerArt(layer, art) == kNoErr) {
        for (ArtHandle a : art) {
          CVxShapeAttr list;
          list.Load(a);
          std::int32_t at = -1;
          std::u16string value;
          if (!list.HasList() || !list.Find(chosen.field, &at) || !list.GetValue(at, value)) continue;
          if (Matches(params, value) && IsSelectable(a)) sArt()->SetArtUserAttr(a, kArtSelected, kArtSelected);
        }
      }
    }
    if (sLayer()->GetNextPreorderLayer(layer, layer) != kNoErr) break;
  }
}

}  // namespace vx::panel
