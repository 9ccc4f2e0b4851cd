// The fields and merged values of the current selection. Field definitions belong to layers (the
// attribute list of a layer's group art); each feature art holds its own values. The model brings
// the two together for the panel's list and is the target of the panel's editing commands.
#pragma once

#include "attributes/field.h"
#include "shell/host/types.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vx::panel {

struct AttrRow {
  attr::ShapeField field;  // definition and, unless mixed, the shared value
  bool pending = true;     // no object has supplied a value yet
  bool mixed = false;      // the objects disagree
};

class CSelectionModel {
 public:
  // Rebuilds layers, rows and values from the document's selection. Adds to each touched layer
  // the fields its selected objects carry and it does not define yet.
  void Collect();

  std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
  // False when `index` is not a row.
  bool GetRow(std::int32_t index, AttrRow& out) const;
  const std::vector<host::LayerHandle>& Layers() const { return layers_; }

  // Sets the text, formatted for row `index`'s field, on every selected object that takes values;
  // objects without the field receive it.
  void ApplyValue(std::int32_t index, std::u16string_view text);
  // Removes row `index`'s field from the layers' definitions and from every object of those
  // layers (not of their sublayers).
  bool RemoveField(std::int32_t index);
  // Gives row `index`'s field the definition `def` on the layers and every object of those layers
  // (not of their sublayers), each value carried over to the new definition (attr::CarriedValue).
  // An unchanged definition changes nothing (false). Refuses a name another row has (alert).
  // When values would change, asks first with their count; No, or a layer that cannot be read,
  // leaves everything as it was.
  bool RedefineField(std::int32_t index, const attr::ShapeField& def);
  // Makes row `index`'s field `width` wide, as RedefineField does; no value changes, so nothing is
  // asked. The row takes the new width.
  bool WidenField(std::int32_t index, std::int32_t width);
  // Appends `def` (empty value) to the layers' definitions. Refuses a name a row has (alert).
  bool AppendField(const attr::ShapeField& def);

 private:
  bool NameTaken(const std::u16string& name, std::int32_t except) const;
  // The layers' group arts and the objects of those layers that may carry fields.
  host::Err FieldHolders(std::vector<host::ArtHandle>& groups, std::vector<host::ArtHandle>& objects) const;
  // Gives the field `from` the definition `def` everywhere FieldHolders reaches; `ask`: first
  // ask whether values may change, when some would.
  bool Rewrite(const attr::ShapeField& from, const attr::ShapeField& def, bool ask);

  std::vector<host::LayerHandle> layers_;
  std::vector<AttrRow> rows_;
  std::multimap<std::u16string, std::int32_t> names_;  // name → row positions, in order added
};

// The question before a definition change alters values: how many, and how many become empty.
std::string ValuesChangeQuestion(std::int64_t changed, std::int64_t emptied);

// Alert texts.
inline constexpr const char* kNothingSelected = "オブジェクトが選択されていません";
inline constexpr const char* kNoFields = "属性フィールドがありません";
inline constexpr const char* kDuplicateName = "指定されたフィールド名が重複しています";
inline constexpr const char* kOpenDocumentFirst = "新規ドキュメントを開いた状態で実行してください";
inline constexpr const char* kMixedValues = "(複数の属性値)";

}  // namespace vx::panel
