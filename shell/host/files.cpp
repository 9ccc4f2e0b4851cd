#include "shell/host/files.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <cstdlib>

#include "shell/host/paths.h"

namespace vx::host {

std::FILE* Fopen(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(path.c_str(), wmode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

std::string Environment(const char* name) {
#ifdef _WIN32
  const std::wstring wname(name, name + std::char_traits<char>::length(name));
  const wchar_t* v = _wgetenv(wname.c_str());
  return v ? PathToUtf8(std::filesystem::path(v)) : std::string();
#else
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
#endif
}

}  // namespace vx::host
