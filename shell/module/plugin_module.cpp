// The plug-in as a loaded module (a Windows DLL or a Linux shared object): the shell's PluginMain
// linked in and exported (shell/plugin.h), the host's only way in.
#include "shell/plugin.h"

#ifdef __GLIBCXX__
// The module's own copy of the C++ runtime keeps an emergency pool for exceptions (some 70 KB)
// that it never frees by itself; every load and unload would leave one behind.
namespace __gnu_cxx {
void __freeres() noexcept;
}
#endif

namespace {

// Keeps the entry's object in the module: nothing else in it refers to PluginMain.
[[maybe_unused]] const vx::host::PluginMainProc kEntry = &PluginMain;

#ifdef __GLIBCXX__
// Destroyed when the module is unloaded, after the last message.
struct RuntimeRelease {
  RuntimeRelease() = default;
  RuntimeRelease(const RuntimeRelease&) = delete;
  RuntimeRelease& operator=(const RuntimeRelease&) = delete;
  ~RuntimeRelease() { __gnu_cxx::__freeres(); }
} runtimeRelease;
#endif

}  // namespace
