// File paths as UTF-8 text and back (the host's paths are Unicode).
#pragma once

#include <filesystem>
#include <string>

namespace vx::host {

inline std::string PathToUtf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

inline std::filesystem::path Utf8ToPath(const std::string& s) {
  return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

}  // namespace vx::host
