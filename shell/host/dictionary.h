// Dictionaries, arrays and entries: typed data the host keeps with art and documents.
//
// Arrays and dictionaries are shared by reference: an array taken from an art's dictionary is the
// art's stored array, so changing it changes the art's data at once, and putting one array into
// two places stores it once. Handles are reference counted through std::shared_ptr.
#pragma once

#include "shell/host/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vx::host {

class Array;
class Dictionary;
using ArrayRef = std::shared_ptr<Array>;
using DictionaryRef = std::shared_ptr<Dictionary>;

enum class EntryType { Integer, Boolean, Real, String, Array, Dictionary };

// One typed value. Strings are Unicode text held as UTF-8.
class Entry {
 public:
  Entry() = default;
  static Entry Integer(std::int32_t v) { return Entry(Value(std::in_place_index<0>, v)); }
  static Entry Boolean(bool v) { return Entry(Value(std::in_place_index<1>, v)); }
  static Entry Real(double v) { return Entry(Value(std::in_place_index<2>, v)); }
  static Entry String(std::string utf8) { return Entry(Value(std::in_place_index<3>, std::move(utf8))); }
  static Entry FromArray(ArrayRef a) { return Entry(Value(std::in_place_index<4>, std::move(a))); }
  static Entry FromDictionary(DictionaryRef d) { return Entry(Value(std::in_place_index<5>, std::move(d))); }

  EntryType Type() const { return static_cast<EntryType>(value_.index()); }

  // Each accessor answers kWrongType when the entry holds another type.
  Err AsInteger(std::int32_t& out) const { return Get<0>(out); }
  Err AsBoolean(bool& out) const { return Get<1>(out); }
  Err AsReal(double& out) const { return Get<2>(out); }
  Err AsString(std::string& out) const { return Get<3>(out); }
  Err AsArray(ArrayRef& out) const { return Get<4>(out); }
  Err AsDictionary(DictionaryRef& out) const { return Get<5>(out); }

 private:
  using Value = std::variant<std::int32_t, bool, double, std::string, ArrayRef, DictionaryRef>;
  explicit Entry(Value v) : value_(std::move(v)) {}
  template <std::size_t I, class T>
  Err Get(T& out) const {
    if (value_.index() != I) return kWrongType;
    out = std::get<I>(value_);
    return kNoErr;
  }
  Value value_{std::in_place_index<0>, 0};
};

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
