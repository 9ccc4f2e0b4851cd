#include "panel/annotation.h"

#include "attributes/shape_attr.h"
#include "panel/art_walk.h"
#include "panel/edit_dialogs.h"
#include "resources/panel_templates.h"
#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

#include <set>

namespace vx::panel {

using namespace vx::host;
using namespace vx::resources;
using attr::CVxShapeAttr;

namespace {

class AnnotationDialog final : public DialogHandler {
 public:
  explicit AnnotationDialog(AnnotationParams& p) : p_(p) {}
  void OnInit(Window& w) override {
    w.ClearItems(kLabelField);
    for (std::size_t i = 0; i < p_.rows.size(); ++i)
      w.AddItem(kLabelField, text::Utf16ToUtf8(CutText(p_.rows[i].field.name, 255)), static_cast<std::intptr_t>(i));
    w.SetSelectedItem(kLabelField, p_.chosen);
    w.SetChecked(kLabelCopyAttributes, p_.copyAttributes);
  }
  void OnCommand(Window& w, std::int32_t id, ControlEvent event, std::int32_t detail) override {
    (void)detail;
    if (event != ControlEvent::Clicked) return;
    if (id == kIdOk) {
      std::int32_t item = -1;
      if (w.GetSelectedItem(kLabelField, item) != kNoErr) item = -1;
      p_.chosen = item;
      bool copy = false;
      w.GetChecked(kLabelCopyAttributes, copy);
      p_.copyAttributes = copy;
      w.EndDialog(kNoErr);
    } else if (id == kIdCancel) {
      w.EndDialog(kStop);
    }
  }

 private:
  AnnotationParams& p_;
};

// Where a label of `art` stands: the anchor of a one-point path, else the centre of the bounds.
Err AnchorOf(ArtHandle art, RealPoint& out) {
  ArtType type = ArtType::Unknown;
  VX_CHECK(sArt()->GetArtType(art, type));
  if (type == ArtType::Path) {
    std::int32_t n = 0;
    VX_CHECK(sPath()->GetPathSegmentCount(art, n));
    if (n == 1) {
      PathSegment s;
      VX_CHECK(sPath()->GetPathSegments(art, 0, 1, &s));
      out = s.p;
      return kNoErr;
    }
  }
  RealRect r;
  VX_CHECK(sArt()->GetArtBounds(art, r));
  out = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return kNoErr;
}

Err Label(ArtHandle art, const std::u16string& value, bool copyAttributes, const CVxShapeAttr& list) {
  RealPoint anchor;
  VX_CHECK(AnchorOf(art, anchor));
  LayerHandle layer = nullptr;
  VX_CHECK(sArt()->GetLayerOfArt(art, layer));
  ArtHandle group = nullptr;
  VX_CHECK(sLayer()->GetLayerGroup(layer, group));
  ArtHandle textArt = nullptr;
  VX_CHECK(sTextFrame()->NewPointText(PaintOrder::InsideOnTop, group, TextOrientation::Horizontal, anchor, textArt));
  VX_CHECK(sTextRange()->InsertAfter(textArt, value));
  VX_CHECK(sArt()->SetArtUserAttr(textArt, kArtSelected, kArtSelected));
  if (copyAttributes) list.CopyTo(textArt);
  return kNoErr;
}

// Whether an object enclosing `art` (up to its layer's group) is itself in `labelled`.
bool InsideLabelled(ArtHandle art, const std::set<ArtHandle>& labelled) {
  ArtHandle a = art;
  for (int guard = 0; guard < 100000; ++guard) {
    if (sArt()->GetArtParent(a, a) != kNoErr || !a) return false;
    bool layerGroup = false;
    if (sArt()->IsLayerGroup(a, layerGroup) != kNoErr || layerGroup) return false;
    if (labelled.count(a)) return true;
  }
  return false;
}

}  // namespace

Err RunAnnotationDialog(PluginRef plugin, AnnotationParams& params) {
  AnnotationDialog handler(params);
  return RunDialog(plugin, kAnnotationDialog, handler);
}

void MakeLabels(PluginRef plugin, std::int32_t row, const CSelectionModel& model) {
  if (!AnyLayerHasSelectedArt()) {
    sUser()->MessageAlert(kNothingSelected);
    return;
  }
  AnnotationParams params;
  for (std::int32_t i = 0; i < model.RowCount(); ++i) {
    AttrRow r;
    if (model.GetRow(i, r)) params.rows.push_back(r);
  }
  params.chosen = row < 0 ? 0 : row;
  if (RunAnnotationDialog(plugin, params) != kNoErr) return;
  AttrRow source;
  if (!model.GetRow(params.chosen, source)) return;

  std::vector<ArtHandle> art;
  if (SelectedArt(art) != kNoErr) return;
  LayerHandle layer = nullptr;
  if (sLayer()->GetFirstLayer(layer) != kNoErr) return;
  for (int guard = 0; layer && guard < 1000000; ++guard) {
    sLayer()->DeselectArtOnLayer(layer);
    if (sLayer()->GetNextLayer(layer, layer) != kNoErr) break;
  }

  // The objects that carry a value; a member of a compound path or group that carries one too is
  // part of that object and gets no label of its own.
  struct Source {
    ArtHandle art;
    std::u16string value;
  };
  std::vector<Source> sources;
  std::set<ArtHandle> labelled;
  for (ArtHandle a : art) {
    CVxShapeAttr list;
    list.Load(a);
    std::int32_t at = -1;
    std::u16string value;
    if (!list.HasList() || !list.Find(source.field, &at) || !list.GetValue(at, value) || value.empty()) continue;
    sources.push_back({a, value});
    labelled.insert(a);
  }

  if (sDocument()->SuspendTextReflow() != kNoErr) return;
  for (const Source& s : sources) {
    if (InsideLabelled(s.art, labelled)) continue;
    CVxShapeAttr list;
    list.Load(s.art);
    if (Label(s.art, s.value, params.copyAttributes, list) != kNoErr) break;
  }
  sDocument()->ResumeTextReflow();
}

}  // namespace vx::panel
