#ifdef VX_SERVE
#include "cli/http_server.h"

#include "cli/platform.h"
#include "shell/host/paths.h"

#include <dlfcn.h>

namespace vx::cli::http {

std::unique_ptr<Server> NewServer(std::string& error) {
  const std::filesystem::path exe = ProgramFile();
  const std::filesystem::path file = (exe.empty() ? std::filesystem::current_path() : exe.parent_path()) / "vxshape-http.so";
  const std::string name = host::PathToUtf8(file);
  // Kept loaded to the end: the server's threads run its code until the process ends.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    error = name + ": cannot load the HTTP server (" + (why ? why : "unknown reason") + ")";
    return nullptr;
  }
  auto make = reinterpret_cast<NewServerProc>(dlsym(handle, kEntryName));
  if (!make) {
    error = name + ": not the HTTP server module (no " + kEntryName + ")";
    return nullptr;
  }
  std::unique_ptr<Server> server(make(kVersion));
  if (!server) error = name + ": the HTTP server module is of another version";
  return server;
}

}  // namespace vx::cli::http
#endif  // VX_SERVE
