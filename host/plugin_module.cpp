#include "host/plugin_module.h"

#include "shell/host/paths.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vx::host {

namespace {

#ifdef _WIN32
std::string LastError() {
  const DWORD code = GetLastError();
  return std::system_category().message(static_cast<int>(code)) + " (error " + std::to_string(code) + ")";
}
#else
std::string LastError() {
  const char* why = dlerror();
  return why ? why : "unknown reason";
}
#endif

}  // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::filesystem::path& file, std::string& error) {
  error.clear();
  const std::string name = PathToUtf8(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = "the plug-in module " + name + " is missing (looked for it there)";
    return nullptr;
  }
#ifdef _WIN32
  HMODULE handle = LoadLibraryW(std::filesystem::absolute(file, ec).c_str());
  if (!handle) {
    error = "the plug-in module " + name + " cannot be loaded: " + LastError();
    return nullptr;
  }
  auto main = reinterpret_cast<PluginMainProc>(reinterpret_cast<void*>(GetProcAddress(handle, kEntryName)));
  if (!main) {
    FreeLibrary(handle);
    error = "the plug-in module " + name + " does not export " + kEntryName + "; it is not a vxshape plug-in";
    return nullptr;
  }
#else
  // An absolute name, so that the library path is never searched; the plug-in's own symbols stay
  // its own (RTLD_LOCAL).
  void* handle = dlopen(std::filesystem::absolute(file, ec).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    error = "the plug-in module " + name + " cannot be loaded: " + LastError();
    return nullptr;
  }
  dlerror();
  auto main = reinterpret_cast<PluginMainProc>(dlsym(handle, kEntryName));
  if (!main) {
    dlclose(handle);
    error = "the plug-in module " + name + " does not export " + kEntryName + "; it is not a vxshape plug-in";
    return nullptr;
  }
#endif
  return std::unique_ptr<PluginModule>(new PluginModule(handle, main, file));
}

PluginModule::~PluginModule() {
#ifdef _WIN32
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

}  // namespace vx::host
