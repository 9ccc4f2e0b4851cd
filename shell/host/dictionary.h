// Dictionaries, arrays and entries: typed data the host keeps with art and documents.
//
// Arrays and dictionaries are shared by reference: an array taken from an art's dictionary is the
// art's stored array, so changing it changes the art's data at once, and putting one array into
// two places stores it once. Handles are reference counted through std::shared_ptr.
#pragma once

#include "shell/host/types.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vx::host {

class Array;
class Dictionary;
using ArrayRef = std::shared_ptr<Array>;
using DictionaryRef = std::shared_ptr<Dictionary>;

enum class EntryType : std::uint8_t { Integer, Boolean, Real, String, Array, Dictionary };

// One typed value. Strings are Unicode text held as UTF-8.
//
// 24 bytes: documents hold an entry for every value of every attribute list, so the entry keeps
// strings of up to 22 bytes (most field names and values) in place and longer ones in one block.
// Layout of raw_: the value from byte 0 (an int, bool, double, shared_ptr, the text in place, or
// the pointer and size of the text's block); byte 22 the length of text in place (kOnHeap: in a
// block); byte 23 the type.
class Entry {
 public:
  Entry() noexcept { Clear(); }
  Entry(const Entry& o) : Entry() { CopyFrom(o); }
  Entry(Entry&& o) noexcept : Entry() { MoveFrom(o); }
  Entry& operator=(const Entry& o) {
    if (this != &o) {
      Entry copy(o);
      Reset();
      MoveFrom(copy);
    }
    return *this;
  }
  Entry& operator=(Entry&& o) noexcept {
    if (this != &o) {
      Reset();
      MoveFrom(o);
    }
    return *this;
  }
  ~Entry() { Reset(); }

  static Entry Integer(std::int32_t v) { return Plain(EntryType::Integer, v); }
  static Entry Boolean(bool v) { return Plain(EntryType::Boolean, v); }
  static Entry Real(double v) { return Plain(EntryType::Real, v); }
  static Entry String(std::string_view utf8) {
    Entry e;
    e.SetText(utf8);
    return e;
  }
  static Entry FromArray(ArrayRef a) {
    Entry e;
    new (e.raw_) ArrayRef(std::move(a));
    e.SetType(EntryType::Array);
    return e;
  }
  static Entry FromDictionary(DictionaryRef d) {
    Entry e;
    new (e.raw_) DictionaryRef(std::move(d));
    e.SetType(EntryType::Dictionary);
    return e;
  }

  EntryType Type() const { return static_cast<EntryType>(raw_[kTypeByte]); }

  // Each accessor answers kWrongType when the entry holds another type.
  Err AsInteger(std::int32_t& out) const { return GetPlain(EntryType::Integer, out); }
  Err AsBoolean(bool& out) const { return GetPlain(EntryType::Boolean, out); }
  Err AsReal(double& out) const { return GetPlain(EntryType::Real, out); }
  Err AsString(std::string& out) const {
    if (Type() != EntryType::String) return kWrongType;
    out.assign(Text());
    return kNoErr;
  }
  Err AsArray(ArrayRef& out) const {
    if (Type() != EntryType::Array) return kWrongType;
    out = *ArrayPtr();
    return kNoErr;
  }
  Err AsDictionary(DictionaryRef& out) const {
    if (Type() != EntryType::Dictionary) return kWrongType;
    out = *DictPtr();
    return kNoErr;
  }
  // A string entry's text, valid while the entry stands unchanged; empty for other types.
  std::string_view Text() const {
    if (Type() != EntryType::String) return {};
    if (raw_[kLengthByte] == kOnHeap) {
      Block b;
      std::memcpy(&b, raw_, sizeof b);
      return {b.p, b.size};
    }
    return {reinterpret_cast<const char*>(raw_), raw_[kLengthByte]};
  }

 private:
  static constexpr std::size_t kSize = 24, kLengthByte = 22, kTypeByte = 23, kSmall = 22;
  static constexpr unsigned char kOnHeap = 0xff;
  struct Block {
    char* p;
    std::size_t size;
  };

  template <class T>
  static Entry Plain(EntryType t, T v) {
    Entry e;
    std::memcpy(e.raw_, &v, sizeof v);
    e.SetType(t);
    return e;
  }
  template <class T>
  Err GetPlain(EntryType t, T& out) const {
    if (Type() != t) return kWrongType;
    std::memcpy(&out, raw_, sizeof out);
    return kNoErr;
  }
  void SetType(EntryType t) { raw_[kTypeByte] = static_cast<unsigned char>(t); }
  ArrayRef* ArrayPtr() { return std::launder(reinterpret_cast<ArrayRef*>(raw_)); }
  const ArrayRef* ArrayPtr() const { return std::launder(reinterpret_cast<const ArrayRef*>(raw_)); }
  DictionaryRef* DictPtr() { return std::launder(reinterpret_cast<DictionaryRef*>(raw_)); }
  const DictionaryRef* DictPtr() const { return std::launder(reinterpret_cast<const DictionaryRef*>(raw_)); }

  void Clear() noexcept { std::memset(raw_, 0, kSize); }  // an integer 0
  void SetText(std::string_view t) {
    if (t.size() <= kSmall) {
      if (!t.empty()) std::memcpy(raw_, t.data(), t.size());
      raw_[kLengthByte] = static_cast<unsigned char>(t.size());
    } else {
      Block b{new char[t.size()], t.size()};
      std::memcpy(b.p, t.data(), t.size());
      std::memcpy(raw_, &b, sizeof b);
      raw_[kLengthByte] = kOnHeap;
    }
    SetType(EntryType::String);
  }
  // Into an entry that holds an integer 0.
  void CopyFrom(const Entry& o) {
    switch (o.Type()) {
      case EntryType::String:
        SetText(o.Text());
        return;
      case EntryType::Array:
        new (raw_) ArrayRef(*o.ArrayPtr());
        break;
      case EntryType::Dictionary:
        new (raw_) DictionaryRef(*o.DictPtr());
        break;
      default:
        std::memcpy(raw_, o.raw_, kSize);
        break;
    }
    SetType(o.Type());
  }
  // Into an entry that holds an integer 0; o is left an integer 0.
  void MoveFrom(Entry& o) noexcept {
    switch (o.Type()) {
      case EntryType::Array:
        new (raw_) ArrayRef(std::move(*o.ArrayPtr()));
        o.ArrayPtr()->~ArrayRef();
        SetType(EntryType::Array);
        break;
      case EntryType::Dictionary:
        new (raw_) DictionaryRef(std::move(*o.DictPtr()));
        o.DictPtr()->~DictionaryRef();
        SetType(EntryType::Dictionary);
        break;
      default:
        std::memcpy(raw_, o.raw_, kSize);  // a text's block changes hands
        break;
    }
    o.Clear();
  }
  void Reset() noexcept {
    switch (Type()) {
      case EntryType::String:
        if (raw_[kLengthByte] == kOnHeap) {
          Block b;
          std::memcpy(&b, raw_, sizeof b);
          delete[] b.p;
        }
        break;
      case EntryType::Array:
        ArrayPtr()->~ArrayRef();
        break;
      case EntryType::Dictionary:
        DictPtr()->~DictionaryRef();
        break;
      default:
        break;
    }
    Clear();
  }

  alignas(ArrayRef) unsigned char raw_[kSize];
};
static_assert(sizeof(ArrayRef) <= 16 && sizeof(Entry) == 24);

// An ordered list of entries.
class Array {
 public:
  virtual ~Array() = default;
  virtual std::int32_t Count() const = 0;
  // kOutOfRange when index is not in [0, Count()).
  virtual Err Get(std::int32_t index, Entry& out) const = 0;
  virtual Err Set(std::int32_t index, const Entry& e) = 0;
  // Inserts before index; index == Count() appends.
  virtual Err Insert(std::int32_t index, const Entry& e) = 0;
  virtual Err Append(const Entry& e) = 0;
  virtual Err Remove(std::int32_t index) = 0;
  virtual Err Clear() = 0;
};

// Keyed entries; keys are ASCII or UTF-8 text.
class Dictionary {
 public:
  virtual ~Dictionary() = default;
  virtual bool IsKnown(const std::string& key) const = 0;
  // kNotFound when the key is not stored.
  virtual Err Get(const std::string& key, Entry& out) const = 0;
  virtual Err Set(const std::string& key, const Entry& e) = 0;
  virtual Err Delete(const std::string& key) = 0;
  virtual std::vector<std::string> Keys() const = 0;
};

}  // namespace vx::host
