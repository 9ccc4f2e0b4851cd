// Settings kept in the host's preferences through one key table per settings struct: a generic
// function that calls f(key, member) for every stored member in order, once with a reader and once
// with a writer, so that both walk the same list. Booleans are stored as booleans; integers and
// integer-coded enums as integers.
#pragma once

#include "shell/host/slots.h"

#include <cstdint>
#include <type_traits>

namespace vx::host {

// Reads `key` into `member`; a key not stored (or of another type) leaves it alone.
template <class T>
void ReadPreference(const char* prefix, const char* key, T& member) {
  PreferenceSuite* p = sPreference();
  if (!p) return;
  if constexpr (std::is_same_v<T, bool>) {
    bool v = false;
    if (p->GetBoolean(prefix, key, v) == kNoErr) member = v;
  } else {
    static_assert(std::is_enum_v<T> || std::is_same_v<T, std::int32_t>);
    std::int32_t v = 0;
    if (p->GetInteger(prefix, key, v) == kNoErr) member = static_cast<T>(v);
  }
}

template <class T>
void WritePreference(const char* prefix, const char* key, const T& member) {
  PreferenceSuite* p = sPreference();
  if (!p) return;
  if constexpr (std::is_same_v<T, bool>)
    p->PutBoolean(prefix, key, member);
  else
    p->PutInteger(prefix, key, static_cast<std::int32_t>(member));
}

// Reads and writes every member of `s` that a key table names: `keys(s, f)` calls f(key, member)
// for each stored member in order.
template <class S, class Keys>
void ReadPreferences(const char* prefix, S& s, Keys keys) {
  keys(s, [prefix](const char* key, auto& member) { ReadPreference(prefix, key, member); });
}

template <class S, class Keys>
void WritePreferences(const char* prefix, const S& s, Keys keys) {
  keys(s, [prefix](const char* key, const auto& member) { WritePreference(prefix, key, member); });
}

}  // namespace vx::host
