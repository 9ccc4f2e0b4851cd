// The plug-in as a loaded module (a Windows DLL or a Linux shared object): the shell's PluginMain
// linked in and exported (shell/plugin.h), the host's only way in.
#include "shell/plugin.h"

namespace {
// Keeps the entry's object in the module: nothing else in it refers to PluginMain.
[[maybe_unused]] const vx::host::PluginMainProc kEntry = &PluginMain;
}  // namespace
