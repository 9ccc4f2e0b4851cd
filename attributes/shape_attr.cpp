#include "attributes/shape_attr.h"

#include "shell/host/check.h"
#include "shell/host/slots.h"
#include "shell/text/text.h"

namespace vx::attr {

using host::ArrayRef;
using host::Entry;
using host::Err;
using host::kNoErr;

namespace {

Err NewArray(ArrayRef& out) {
  host::DictionarySuite* s = host::sDictionary();
  if (!s) return host::kNotFound;
  VX_CHECK(s->NewArray(out));
  return out ? kNoErr : host::kOutOfMemory;
}

Err GetString(const ArrayRef& a, std::int32_t i, std::u16string& out) {
  Entry e;
  std::string utf8;
  VX_CHECK(a->Get(i, e));
  VX_CHECK(e.AsString(utf8));
  out = text::Utf8ToUtf16(utf8);
  return kNoErr;
}

Err GetInteger(const ArrayRef& a, std::int32_t i, std::int32_t& out) {
  Entry e;
  VX_CHECK(a->Get(i, e));
  return e.AsInteger(out);
}

// A copy that shares nothing with the original: the elements are arrays too, and a shallow copy
// would let a value set on one art change the other.
Err CloneArray(const ArrayRef& from, ArrayRef& out) {
  ArrayRef copy;
  VX_CHECK(NewArray(copy));
  for (std::int32_t i = 0; i < from->Count(); ++i) {
    Entry e;
    VX_CHECK(from->Get(i, e));
    ArrayRef inner;
    if (e.AsArray(inner) == kNoErr) {
      ArrayRef innerCopy;
      VX_CHECK(CloneArray(inner, innerCopy));
      e = Entry::FromArray(innerCopy);
    }
    VX_CHECK(copy->Append(e));
  }
  out = std::move(copy);
  return kNoErr;
}

}  // namespace

CVxShapeAttr::~CVxShapeAttr() { Clear(); }

void CVxShapeAttr::Clear() {
  dictionary_.reset();
  list_.reset();
  art_ = nullptr;
  index_.clear();
  indexed_ = false;
}

void CVxShapeAttr::Load(host::ArtHandle art) {
  Clear();
  host::ArtSuite* arts = host::sArt();
  if (!arts) return;
  host::DictionaryRef dict;
  if (arts->GetDictionary(art, dict) != kNoErr || !dict) return;
  dictionary_ = std::move(dict);
  art_ = art;
  if (!dictionary_->IsKnown(kShapeFieldKey)) return;
  Entry e;
  ArrayRef list;
  if (dictionary_->Get(kShapeFieldKey, e) != kNoErr || e.AsArray(list) != kNoErr || !list) return;
  list_ = std::move(list);
}

void CVxShapeAttr::Index() const {
  if (indexed_) return;
  indexed_ = true;
  index_.clear();
  // Later positions overwrite earlier ones when two elements share a key.
  for (std::int32_t i = 0; i < Count(); ++i) {
    ArrayRef element;
    ShapeField def;
    if (Element(i, element) == kNoErr && ReadDef(element, def) == kNoErr) index_[FieldKey(def)] = i;
  }
}

Err CVxShapeAttr::CreateList() {
  if (!dictionary_) return host::kBadParameter;
  ArrayRef list;
  VX_CHECK(NewArray(list));
  VX_CHECK(dictionary_->Set(kShapeFieldKey, Entry::FromArray(list)));
  list_ = std::move(list);
  index_.clear();  // positions of a list that is no longer held
  indexed_ = true;
  return kNoErr;
}

std::int32_t CVxShapeAttr::Count() const { return list_ ? list_->Count() : 0; }

bool CVxShapeAttr::Find(const ShapeField& field, std::int32_t* index) const {
  Index();
  auto it = index_.find(FieldKey(field));
  if (it == index_.end()) return false;
  if (index) *index = it->second;
  return true;
}

Err CVxShapeAttr::Element(std::int32_t index, ArrayRef& out) const {
  if (!list_) return host::kBadParameter;
  if (index < 0) return host::kOutOfRange;
  Entry e;
  VX_CHECK(list_->Get(index, e));
  VX_CHECK(e.AsArray(out));
  return out ? kNoErr : host::kWrongType;
}

Err CVxShapeAttr::ReadDef(const ArrayRef& element, ShapeField& out) {
  ShapeField f;
  std::int32_t type = 0;
  VX_CHECK(GetString(element, 0, f.name));
  VX_CHECK(GetInteger(element, 1, type));
  VX_CHECK(GetInteger(element, 2, f.width));
  VX_CHECK(GetInteger(element, 3, f.decimals));
  f.type = static_cast<FieldType>(type);
  out.CopyDefinition(f);
  return kNoErr;
}

Err CVxShapeAttr::MakeElement(const ShapeField& field, ArrayRef& out) {
  ArrayRef element;
  VX_CHECK(NewArray(element));
  VX_CHECK(element->Append(Entry::String(text::Utf16ToUtf8(field.name))));
  VX_CHECK(element->Append(Entry::Integer(field.type)));
  VX_CHECK(element->Append(Entry::Integer(field.width)));
  VX_CHECK(element->Append(Entry::Integer(field.decimals)));
  VX_CHECK(element->Append(Entry::String(text::Utf16ToUtf8(field.value))));
  out = std::move(element);
  return kNoErr;
}

bool CVxShapeAttr::GetField(std::int32_t index, ShapeField& out) const {
  ArrayRef element;
  ShapeField f;
  if (Element(index, element) != kNoErr || ReadDef(element, f) != kNoErr ||
      GetString(element, 4, f.value) != kNoErr)
    return false;
  out = std::move(f);
  return true;
}

bool CVxShapeAttr::GetFieldDef(std::int32_t index, ShapeField& out) const {
  ArrayRef element;
  return Element(index, element) == kNoErr && ReadDef(element, out) == kNoErr;
}

bool CVxShapeAttr::GetValue(std::int32_t index, std::u16string& out) const {
  ArrayRef element;
  return Element(index, element) == kNoErr && GetString(element, 4, out) == kNoErr;
}

Err CVxShapeAttr::AddField(const ShapeField& field) {
  if (Find(field)) return kNoErr;
  if (!list_) return host::kBadParameter;
  ArrayRef element;
  VX_CHECK(MakeElement(field, element));
  VX_CHECK(list_->Append(Entry::FromArray(element)));
  index_[FieldKey(field)] = Count() - 1;
  return kNoErr;
}

bool CVxShapeAttr::UpdateField(std::int32_t index, const ShapeField& def) {
  Index();  // the positions stay those the list had when loaded
  ArrayRef element;
  ShapeField old;
  if (Element(index, element) != kNoErr || ReadDef(element, old) != kNoErr || GetString(element, 4, old.value) != kNoErr)
    return false;
  ShapeField f;
  f.CopyDefinition(def);
  f.value = CarriedValue(old, def);
  return element->Set(0, Entry::String(text::Utf16ToUtf8(f.name))) == kNoErr &&
         element->Set(1, Entry::Integer(f.type)) == kNoErr && element->Set(2, Entry::Integer(f.width)) == kNoErr &&
         element->Set(3, Entry::Integer(f.decimals)) == kNoErr &&
         element->Set(4, Entry::String(text::Utf16ToUtf8(f.value))) == kNoErr;
}

bool CVxShapeAttr::SetValue(std::int32_t index, std::u16string_view text) {
  ShapeField f;
  ArrayRef element;
  if (!GetField(index, f) || Element(index, element) != kNoErr) return false;
  NormalizeValue(f, text);
  return element->Set(4, Entry::String(text::Utf16ToUtf8(f.value))) == kNoErr;
}

bool CVxShapeAttr::DeleteField(std::int32_t index) {
  if (!list_ || index < 0) return false;
  Index();  // the positions stay those the list had when loaded
  return list_->Remove(index) == kNoErr;
}

Err CVxShapeAttr::ReplaceAll(std::span<const ShapeField> fields) {
  if (!dictionary_) return host::kBadParameter;
  index_.clear();
  if (list_) {
    list_.reset();
    const Err e = dictionary_->Delete(kShapeFieldKey);
    if (e != kNoErr && e != host::kNotFound) return e;
  }
  // Held only once stored, so that after a failure neither the art nor the handle has a list.
  ArrayRef list;
  VX_CHECK(NewArray(list));
  for (const ShapeField& f : fields) {
    ArrayRef element;
    VX_CHECK(MakeElement(f, element));
    VX_CHECK(list->Append(Entry::FromArray(element)));
  }
  VX_CHECK(dictionary_->Set(kShapeFieldKey, Entry::FromArray(list)));
  list_ = std::move(list);
  // Indexed when first asked: an import sets every record's list and never looks a field up.
  indexed_ = false;
  return kNoErr;
}

bool CVxShapeAttr::CopyTo(host::ArtHandle other) const {
  if (!list_) return false;
  CVxShapeAttr target;
  target.Load(other);
  if (!target.dictionary_) return false;
  ArrayRef copy;
  if (CloneArray(list_, copy) != kNoErr) return false;
  return target.dictionary_->Set(kShapeFieldKey, Entry::FromArray(copy)) == kNoErr;
}

}  // namespace vx::attr
