// Field definitions: the name, type, width and decimals of an attribute, and its value slot.
#pragma once

#include "attributes/dbf_types.h"
#include "shell/text/text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx::attr {

// Any 32-bit code may be held; codes outside these have an empty display name.
enum FieldType : std::int32_t {
  kFieldString = 0,
  kFieldInteger = 1,
  kFieldReal = 2,
  kFieldLatitudeOrX = 100,   // coordinate column of a text import; never stored on art
  kFieldLongitudeOrY = 101,
};

// One field definition (empty value) or one attribute (definition and value).
struct ShapeField {
  std::u16string name;
  FieldType type = kFieldString;
  std::int32_t width = 0;
  std::int32_t decimals = 0;
  std::u16string value;

  // Copies name, type, width and decimals; keeps this field's value.
  void CopyDefinition(const ShapeField& other) {
    name = other.name;
    type = other.type;
    width = other.width;
    decimals = other.decimals;
  }
};

std::u16string FieldTypeName(FieldType type);

// Same name (exact), type, width and decimals.
bool SameFieldDef(const ShapeField& a, const ShapeField& b);

// "name|type|width|decimals" with the name in UTF-8.
std::string FieldKey(const ShapeField& field);

// Removes leading and trailing U+0020 only.
std::u16string TrimSpaces(std::u16string_view text);

// 10^width - 1; 0 for width <= 0. Saturates at the largest 64-bit value from width 19 on.
std::int64_t IntegerFieldMax(std::int32_t width);

// Stores `text` as the field's value, formatted for its type and size. A number field takes the
// number the text starts with; a text without one (empty included) leaves the value empty, never 0.
// A positive integer wider than the field becomes the field's largest (IntegerFieldMax).
void NormalizeValue(ShapeField& field, std::u16string_view text);

// What NormalizeValue stores, without limiting an integer to the width: what the field must
// hold to keep the text's value. Empty for a number field when the text starts with no number.
std::u16string FormattedValue(const ShapeField& field, std::u16string_view text);

// The width a formatted value takes in its field: characters for numbers; for text the bytes of
// its Shift-JIS form (two for most Japanese characters), as an attribute table holds it.
std::int32_t ValueWidth(const ShapeField& field, std::u16string_view formatted);

// The whole text, white space around it allowed, read as a finite decimal number.
bool ReadFiniteNumber(std::u16string_view text, double& out);

// The value `field` (definition and value) has under the definition `def`: unchanged while type,
// width and decimals are (a rename keeps every value as stored), else formatted anew. Empty stays
// empty.
std::u16string CarriedValue(const ShapeField& field, const ShapeField& def);

// Whether a carried value still says what the old one did: the same text, or both the same number.
bool SameMeaning(std::u16string_view before, std::u16string_view after);

// The value of one attribute-table cell of the given type letter.
// `invalid`, when given, counts the byte sequences of the cell that are no text in `encoding`.
std::u16string DbfValueText(char typeLetter, std::string_view raw, text::TextEncoding encoding,
                            std::size_t* invalid = nullptr);

// A field made from a column descriptor and one cell of that column (an empty cell for the
// definition alone).
ShapeField FieldFromDbf(const DbfFieldDesc& desc, std::string_view raw, text::TextEncoding encoding,
                        std::size_t* invalid = nullptr);

}  // namespace vx::attr
