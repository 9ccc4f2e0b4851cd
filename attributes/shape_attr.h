// The attribute list of one art object, kept in the art's dictionary.
//
// Stored form: under "Varnox-ShapeField" an array with one element per field, in field order; each
// element is an array of five entries: name (string), type, width, decimals (integers), value
// (string, already formatted). No header: the array's length is the number of fields. A layer's
// group art holds the layer's field definitions in the same form, with empty values.
#pragma once

#include "attributes/field.h"
#include "shell/host/dictionary.h"
#include "shell/host/types.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace vx::attr {

inline constexpr const char* kShapeFieldKey = "Varnox-ShapeField";

// A handle on one art object's list, made for one operation and dropped afterwards (never kept
// across host events). The held list IS the stored list: changes through the handle reach the
// art at once, and other handles loaded from the same art see them.
//
// Find answers from a key index built by Load and kept up to date by AddField and ReplaceAll only;
// after UpdateField or DeleteField, Load again before relying on Find.
class CVxShapeAttr {
 public:
  CVxShapeAttr() = default;
  virtual ~CVxShapeAttr();
  CVxShapeAttr(const CVxShapeAttr&) = delete;
  CVxShapeAttr& operator=(const CVxShapeAttr&) = delete;

  // Binds to `art`. Without a dictionary, or without a list in it, no list is held.
  void Load(host::ArtHandle art);
  // Releases the dictionary and the list and empties the key index.
  void Clear();

  bool HasList() const { return list_ != nullptr; }
  // Stores a new empty list on the bound art; it becomes the held list.
  host::Err CreateList();
  // The art whose list is held; nullptr without a list.
  host::ArtHandle Art() const { return list_ ? art_ : nullptr; }

  std::int32_t Count() const;
  // Whether a field with the same name, type, width and decimals is in the list.
  bool Find(const ShapeField& field, std::int32_t* index = nullptr) const;

  bool GetField(std::int32_t index, ShapeField& out) const;
  // Name, type, width and decimals only; out.value is left alone.
  bool GetFieldDef(std::int32_t index, ShapeField& out) const;
  bool GetValue(std::int32_t index, std::u16string& out) const;

  // Appends the field with its value; a field already there is left as it is (result 0).
  host::Err AddField(const ShapeField& field);
  // Gives element `index` the definition of `def` and carries its value over (CarriedValue).
  bool UpdateField(std::int32_t index, const ShapeField& def);
  // Stores the text, formatted for the field at `index`.
  bool SetValue(std::int32_t index, std::u16string_view text);
  bool DeleteField(std::int32_t index);
  // Stores a new list of `fields` in order; an empty sequence leaves an empty list stored.
  host::Err ReplaceAll(std::span<const ShapeField> fields);
  // Stores a copy of the held list on `other`, replacing its list.
  bool CopyTo(host::ArtHandle other) const;

 private:
  // Element `index` of the list; kOutOfRange past the end or before the start.
  host::Err Element(std::int32_t index, host::ArrayRef& out) const;
  static host::Err ReadDef(const host::ArrayRef& element, ShapeField& out);
  static host::Err MakeElement(const ShapeField& field, host::ArrayRef& out);

  host::DictionaryRef dictionary_;
  host::ArrayRef list_;
  host::ArtHandle art_ = nullptr;  // the bound art
  // FieldKey → position, built on the first look-up: most art is loaded to be read in order.
  void Index() const;
  mutable std::map<std::string, std::int32_t> index_;
  mutable bool indexed_ = false;
};

}  // namespace vx::attr
