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

// A file opened for reading ("rb") that others may still replace, rename or remove while it is
// open (on Windows a plain fopen forbids that).
std::FILE* FopenShared(const std::filesystem::path& path);

// An environment variable as UTF-8 text; empty when unset.
std::string Environment(const char* name);

}  // namespace vx::host

namespace vx::host {

// Confinement of the files a person chooses at a web page. Once set, every path that lies below
// `root` as written (before any ".." in it is resolved) is reached from the root one name at a
// time without following a symbolic link at any step, and a ".." among its names is refused:
// Fopen, AtomicFile, RenameOver, MakeTempFolder and MakeFolder all go this way, so neither a
// planted link nor a link swapped in between a check and an open leads outside. Paths elsewhere
// (the program's own files, the preferences) are not affected. Empty: no confinement. On
// Windows, where the server does not run, this does nothing.
void ConfineFilesBelow(const std::filesystem::path& root);

// A folder for `path`'s sake (std::filesystem::create_directory, confined as above); true when
// it exists now.
bool MakeFolder(const std::filesystem::path& path);

// The folder of a confined path opened for *at calls, and the path's last name.
struct Beneath {
  bool confined = false;  // the path lies below the root: use `folder` and `leaf`
  int folder = -1;        // an open descriptor, or -1 with `error` (an errno value) set
  std::string leaf;
  int error = 0;
  Beneath() = default;
  Beneath(Beneath&& o) noexcept;
  Beneath& operator=(Beneath&&) = delete;
  ~Beneath();
};
Beneath OpenBeneath(const std::filesystem::path& path);

}  // namespace vx::host
