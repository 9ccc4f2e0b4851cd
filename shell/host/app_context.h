// Pushes the host's application context for a plug-in for the life of the object.
#pragma once

#include "shell/host/slots.h"

namespace vx::host {

class ScopedAppContext {
 public:
  explicit ScopedAppContext(PluginRef plugin) {
    if (ContextSuite* c = sContext()) pushed_ = c->PushAppContext(plugin, context_) == kNoErr;
  }
  ~ScopedAppContext() {
    // The slot can only be empty here if the suites went while a command ran; nothing to pop then.
    if (pushed_ && sContext()) sContext()->PopAppContext(context_);
  }
  ScopedAppContext(const ScopedAppContext&) = delete;
  ScopedAppContext& operator=(const ScopedAppContext&) = delete;

 private:
  ContextHandle context_ = nullptr;
  bool pushed_ = false;
};

}  // namespace vx::host
