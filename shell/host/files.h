// Files by path. Paths are Unicode; on Windows they reach the system through its wide-character
// (UTF-16) calls, never through the ANSI code page, so Japanese file and folder names work
// whatever the system's locale.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace vx::host {

// std::fopen for a path (`mode` as fopen's, e.g. "rb", "wb"); nullptr with errno set on failure.
std::FILE* Fopen(const std::filesystem::path& path, const char* mode);

// An environment variable as UTF-8 text; empty when unset.
std::string Environment(const char* name);

}  // namespace vx::host
