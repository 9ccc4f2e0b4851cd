#include "panel/selection_model.h"

#include "attributes/shape_attr.h"
#include "panel/art_walk.h"
#include "shell/host/slots.h"

#include <algorithm>

namespace vx::panel {

using namespace vx::host;
using attr::CVxShapeAttr;
using attr::ShapeField;

namespace {

// The layer of every art, or nullptr when the host cannot tell.
LayerHandle LayerOf(ArtHandle art) {
  LayerHandle l = nullptr;
  if (sArt()->GetLayerOfArt(art, l) != kNoErr) return nullptr;
  return l;
}

ArtHandle GroupOf(LayerHandle layer) {
  ArtHandle g = nullptr;
  if (sLayer()->GetLayerGroup(layer, g) != kNoErr) return nullptr;
  return g;
}

}  // namespace

void CSelectionModel::Collect() {
  rows_.clear();
  names_.clear();
  layers_.clear();

  // Layers touched by the selection, or the current layer when nothing is selected.
  std::vector<ArtHandle> selected;
  const bool haveSelection = SelectedArt(selected) == kNoErr;
  if (!haveSelection) selected.clear();
  if (!selected.empty()) {
    for (ArtHandle a : selected) {
      LayerHandle l = LayerOf(a);
      if (!l) break;
      if (std::find(layers_.begin(), layers_.end(), l) == layers_.end()) layers_.push_back(l);
    }
  } else {
    LayerHandle current = nullptr;
    if (sLayer()->GetCurrentLayer(current) == kNoErr && current) layers_.push_back(current);
  }

  // Definitions: a layer learns every field its selected objects carry.
  for (LayerHandle layer : layers_) {
    ArtHandle group = GroupOf(layer);
    if (!group) break;
    CVxShapeAttr layerList;
    layerList.Load(group);
    if (!layerList.HasList() && layerList.CreateList() != kNoErr) break;
    bool failed = false;
    for (ArtHandle a : selected) {
      if (LayerOf(a) != layer) continue;
      bool passes = false;
      if (PassesDefinitionFilter(a, passes) != kNoErr) {
        failed = true;
        break;
      }
      if (!passes) continue;
      CVxShapeAttr artList;
      artList.Load(a);
      for (std::int32_t i = 0; i < artList.Count(); ++i) {
        ShapeField f;
        if (!artList.GetFieldDef(i, f)) continue;
        if (!layerList.Find(f)) layerList.AddField(f);  // value stays empty
      }
    }
    if (failed) break;
  }

  // Rows: each distinct definition once, in order of first appearance.
  for (LayerHandle layer : layers_) {
    ArtHandle group = GroupOf(layer);
    if (!group) continue;
    CVxShapeAttr layerList;
    layerList.Load(group);
    for (std::int32_t i = 0; i < layerList.Count(); ++i) {
      ShapeField f;
      if (!layerList.GetField(i, f)) continue;
      bool known = false;
      auto [from, to] = names_.equal_range(f.name);
      for (auto it = from; it != to && !known; ++it)
        known = attr::SameFieldDef(rows_[static_cast<std::size_t>(it->second)].field, f);
      if (known) continue;
      AttrRow row;
      row.field = f;
      rows_.push_back(row);
      names_.emplace(f.name, RowCount() - 1);
    }
  }

  // Values: an object without the field counts as having an empty value.
  for (ArtHandle a : selected) {
    bool passes = false;
    if (PassesValueFilter(a, passes) != kNoErr) return;
    if (!passes) continue;
    CVxShapeAttr list;
    list.Load(a);
    for (AttrRow& row : rows_) {
      if (row.mixed) continue;
      std::int32_t at = -1;
      if (!list.Find(row.field, &at)) {
        if (row.pending) row.pending = false;
        else if (!row.field.value.empty()) row.mixed = true;
        continue;
      }
      std::u16string value;
      if (!list.GetValue(at, value)) continue;
      if (row.pending) {
        row.field.value = value;
        row.pending = false;
      } else if (value != row.field.value) {
        row.mixed = true;
      }
    }
  }
}

bool CSelectionModel::GetRow(std::int32_t index, AttrRow& out) const {
  if (index < 0 || index >= RowCount()) return false;
  out = rows_[static_cast<std::size_t>(index)];
  return true;
}

bool CSelectionModel::NameTaken(const std::u16string& name, std::int32_t except) const {
  auto [from, to] = names_.equal_range(name);
  for (auto it = from; it != to; ++it)
    if (it->second != except) return true;
  return false;
}

void CSelectionModel::ApplyValue(std::int32_t index, std::u16string_view text) {
  AttrRow row;
  if (!GetRow(index, row)) return;
  std::vector<ArtHandle> selected;
  if (SelectedArt(selected) != kNoErr) return;
  for (ArtHandle a : selected) {
    bool passes = false;
    if (PassesValueFilter(a, passes) != kNoErr) return;
    if (!passes) continue;
    CVxShapeAttr list;
    list.Load(a);
    std::int32_t at = -1;
    if (list.Find(row.field, &at)) {
      list.SetValue(at, text);
      continue;
    }
    if (!list.HasList() && list.CreateList() != kNoErr) continue;
    ShapeField f = row.field;
    attr::NormalizeValue(f, text);
    list.AddField(f);
  }
}

Err CSelectionModel::FieldHolders(std::vector<ArtHandle>& groups, std::vector<ArtHandle>& objects) const {
  groups.clear();
  objects.clear();
  for (LayerHandle layer : layers_) {
    ArtHandle group = GroupOf(layer);
    if (!group) return kNotFound;
    groups.push_back(group);
    // A sublayer's objects follow the sublayer's own definitions, which are not edited here.
    std::vector<ArtHandle> art;
    if (Err e = OwnLayerArt(layer, art)) return e;
    for (ArtHandle a : art) {
      bool passes = false;
      if (Err e = PassesDefinitionFilter(a, passes)) return e;
      if (passes) objects.push_back(a);
    }
  }
  return kNoErr;
}

bool CSelectionModel::RemoveField(std::int32_t index) {
  AttrRow row;
  if (!GetRow(index, row)) return false;
  std::vector<ArtHandle> groups, objects;
  if (FieldHolders(groups, objects) != kNoErr) return false;
  for (ArtHandle group : groups) {
    CVxShapeAttr list;
    list.Load(group);
    std::int32_t at = -1;
    if (list.Find(row.field, &at) && !list.DeleteField(at)) return false;
  }
  for (ArtHandle a : objects) {
    CVxShapeAttr list;
    list.Load(a);
    std::int32_t at = -1;
    if (list.Find(row.field, &at)) list.DeleteField(at);
  }
  return true;
}

bool CSelectionModel::Rewrite(const ShapeField& from, const ShapeField& def, bool ask) {
  // Every layer and every object is read before anything changes, so a layer the host cannot
  // give, or a No to the question, leaves all of them under the old definition.
  std::vector<ArtHandle> groups, objects;
  if (FieldHolders(groups, objects) != kNoErr) return false;
  if (ask) {
    std::int64_t changed = 0, emptied = 0;
    for (ArtHandle a : objects) {
      CVxShapeAttr list;
      list.Load(a);
      std::int32_t at = -1;
      ShapeField old;
      if (!list.Find(from, &at) || !list.GetField(at, old)) continue;
      const std::u16string carried = attr::CarriedValue(old, def);
      if (attr::SameMeaning(old.value, carried)) continue;
      ++changed;
      if (carried.empty()) ++emptied;
    }
    if (changed > 0 && !sUser()->YesNoAlert(ValuesChangeQuestion(changed, emptied))) return false;
  }
  for (ArtHandle group : groups) {
    CVxShapeAttr list;
    list.Load(group);
    std::int32_t at = -1;
    if (list.Find(from, &at) && !list.UpdateField(at, def)) return false;
  }
  for (ArtHandle a : objects) {
    CVxShapeAttr list;
    list.Load(a);
    std::int32_t at = -1;
    if (list.Find(from, &at)) list.UpdateField(at, def);
  }
  return true;
}

bool CSelectionModel::RedefineField(std::int32_t index, const ShapeField& def) {
  AttrRow row;
  if (!GetRow(index, row)) return false;
  // OK on the definition as it stands is no change at all.
  if (attr::SameFieldDef(row.field, def)) return false;
  if (!def.name.empty() && NameTaken(def.name, index)) {
    sUser()->MessageAlert(kDuplicateName);
    return false;
  }
  return Rewrite(row.field, def, true);
}

bool CSelectionModel::WidenField(std::int32_t index, std::int32_t width) {
  if (index < 0 || index >= RowCount()) return false;
  ShapeField& field = rows_[static_cast<std::size_t>(index)].field;
  if (width <= field.width) return true;
  ShapeField def;
  def.CopyDefinition(field);
  def.width = width;
  // A wider field holds every value it held: nothing to ask.
  if (!Rewrite(field, def, false)) return false;
  field.width = width;
  return true;
}

std::string ValuesChangeQuestion(std::int64_t changed, std::int64_t emptied) {
  std::string q = "このフィールドの定義を変更すると、" + std::to_string(changed) + "個の属性値が変わります";
  if (emptied > 0) q += "（そのうち" + std::to_string(emptied) + "個は数値として読めないため空になります）";
  return q + "。よろしいですか？";
}

bool CSelectionModel::AppendField(const ShapeField& def) {
  if (NameTaken(def.name, -1)) {
    sUser()->MessageAlert(kDuplicateName);
    return false;
  }
  ShapeField empty = def;
  empty.value.clear();
  for (LayerHandle layer : layers_) {
    ArtHandle group = GroupOf(layer);
    if (!group) return false;
    CVxShapeAttr list;
    list.Load(group);
    if (!list.HasList() && list.CreateList() != kNoErr) continue;
    list.AddField(empty);
  }
  return true;
}

}  // namespace vx::panel
