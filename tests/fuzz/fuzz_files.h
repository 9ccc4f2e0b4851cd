// A private folder for the files one fuzzing process writes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vx::fuzz {

inline const std::filesystem::path& Folder() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("vx_fuzz_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

inline void Write(const std::filesystem::path& p, const unsigned char* data, std::size_t size) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace vx::fuzz
