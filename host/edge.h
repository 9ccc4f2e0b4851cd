// The host's side of the module boundary: what a function the plug-in calls (a suite's, a
// window's, a dictionary's) answers when something inside it threw. No exception may reach the
// plug-in: its module has its own C++ runtime, and unwinding into it is not defined.
#pragma once

#include "shell/host/types.h"

#include <new>
#include <type_traits>

namespace vx::host {

// Converts to the function's own result: kOutOfMemory or kCant for a code, an empty value else.
// Use only inside a catch handler.
struct EdgeFailure {
  template <class T>
  operator T() const {
    if constexpr (std::is_same_v<T, Err>) {
      try {
        throw;
      } catch (const std::bad_alloc&) {
        return kOutOfMemory;
      } catch (...) {
        return kCant;
      }
    } else {
      return T{};
    }
  }
};

}  // namespace vx::host
