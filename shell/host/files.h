// Files by path. Paths are Unicode; on Windows they reach the system through its wide-character
// (UTF-16) calls, never through the ANSI code page, so Japanese file and folder names work
// whatever the system's locale.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace vx::host {

// std::fopen for a path (`mode` as fopen's, e.g. "rb", "wb"); nullptr with errno set on failure.
std::FILE* Fopen(const std::filesystem::path& path, const char* mode);

// Renames `from` over `to` in one step, replacing an existing `to` (Windows' rename refuses to
// replace, so there it is a replacing move written through to the disk). False with `ec` set
// otherwise; `to` then keeps what it held.
bool RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);

// An environment variable as UTF-8 text; empty when unset.
std::string Environment(const char* name);

}  // namespace vx::host
