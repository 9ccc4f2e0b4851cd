// A folder a page may browse: names given relative to it, never leaving it. Names with "..",
// absolute names and names that pass through a symbolic link are refused, and links are never
// listed, so nothing outside the folder is listed, read or written through it.
#pragma once

#include "shell/host/suites.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vx::serve {

class RootedFolder {
 public:
  // `root` must be an existing folder; it is made absolute and canonical.
  explicit RootedFolder(const std::filesystem::path& root);
  const std::filesystem::path& Root() const { return root_; }

  enum class Need { Folder, File, NewFile };
  // The path of `relative` (UTF-8, '/' between names; "" is the root itself), or nothing when it
  // leaves the folder, passes through a link, or is not what `need` asks: an existing folder, an
  // existing regular file, or a name whose folder exists and that is no folder or link itself.
  std::optional<std::filesystem::path> Resolve(const std::string& relative, Need need) const;
  // `path` relative to the root ("" for the root), or nothing when it lies outside.
  std::optional<std::string> Relative(const std::filesystem::path& path) const;

  struct Entry {
    std::string name;  // UTF-8
    bool folder = false;
    std::uintmax_t size = 0;  // bytes, files only
  };
  // The folders, and the files that match one of `patterns` ("*.shp"; none: all files), of the
  // folder `relative`, folders first, each group by name. Nothing when the folder cannot be read.
  std::optional<std::vector<Entry>> List(const std::string& relative, const std::vector<std::string>& patterns) const;

 private:
  std::filesystem::path root_;
};

// The patterns of a file filter ("*.shp;*.dbf"), one each.
std::vector<std::string> FilterPatterns(const std::string& pattern);
// True when `name` matches `pattern`, '*' and '?' as wildcards, letters of either case alike.
bool MatchesPattern(const std::string& name, const std::string& pattern);

}  // namespace vx::serve
