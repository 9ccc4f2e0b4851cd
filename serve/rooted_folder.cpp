#include "serve/rooted_folder.h"

#include "shell/host/paths.h"

#include <algorithm>
#include <cctype>

namespace vx::serve {

namespace fs = std::filesystem;

RootedFolder::RootedFolder(const fs::path& root) {
  std::error_code ec;
  root_ = fs::canonical(fs::absolute(root, ec), ec);
  if (ec) root_ = fs::absolute(root, ec).lexically_normal();
}

std::optional<fs::path> RootedFolder::Resolve(const std::string& relative, Need need) const {
  if (relative.find('\0') != std::string::npos || relative.find('\\') != std::string::npos) return std::nullopt;
  if (!relative.empty() && relative.front() == '/') return std::nullopt;
  std::vector<std::string> names;
  std::size_t at = 0;
  for (std::size_t guard = 0; at <= relative.size() && guard <= relative.size(); ++guard) {
    const std::size_t slash = std::min(relative.find('/', at), relative.size());
    const std::string name = relative.substr(at, slash - at);
    if (name == "." || name == "..") return std::nullopt;
    if (!name.empty()) names.push_back(name);
    at = slash + 1;
  }
  fs::path p = root_;
  std::error_code ec;
  for (std::size_t i = 0; i < names.size(); ++i) {
    p /= host::Utf8ToPath(names[i]);
    const fs::file_status st = fs::symlink_status(p, ec);
    const bool last = i + 1 == names.size();
    if (fs::is_symlink(st)) return std::nullopt;
    if (!last && !fs::is_directory(st)) return std::nullopt;
    if (last) {
      switch (need) {
        case Need::Folder:
          if (!fs::is_directory(st)) return std::nullopt;
          break;
        case Need::File:
          if (!fs::is_regular_file(st)) return std::nullopt;
          break;
        case Need::NewFile:
          if (fs::exists(st) && !fs::is_regular_file(st)) return std::nullopt;
          break;
      }
    }
  }
  if (names.empty() && need != Need::Folder) return std::nullopt;
  return p;
}

std::optional<std::string> RootedFolder::Relative(const fs::path& path) const {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) return std::nullopt;
  const fs::path rel = p.lexically_relative(root_);
  if (rel.empty()) return std::nullopt;
  if (rel == ".") return std::string();
  const std::string s = host::PathToUtf8(rel.generic_string());
  if (s == ".." || s.rfind("../", 0) == 0) return std::nullopt;
  return s;
}

std::optional<std::vector<RootedFolder::Entry>> RootedFolder::List(const std::string& relative,
                                                                   const std::vector<std::string>& patterns) const {
  const auto dir = Resolve(relative, Need::Folder);
  if (!dir) return std::nullopt;
  std::error_code ec;
  fs::directory_iterator it(*dir, ec), end;
  if (ec) return std::nullopt;
  std::vector<Entry> out;
  // Bounded: a folder of more entries than a person can read is shown in part.
  constexpr std::size_t kMostEntries = 20000;
  for (; it != end && out.size() < kMostEntries; it.increment(ec)) {
    if (ec) break;
    const fs::file_status st = it->symlink_status(ec);
    if (ec || fs::is_symlink(st)) continue;
    Entry e;
    e.name = host::PathToUtf8(it->path().filename());
    e.folder = fs::is_directory(st);
    if (!e.folder) {
      if (!fs::is_regular_file(st)) continue;
      if (!patterns.empty() &&
          std::none_of(patterns.begin(), patterns.end(), [&](const std::string& p) { return MatchesPattern(e.name, p); }))
        continue;
      e.size = it->file_size(ec);
    }
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) return a.folder;
    return a.name < b.name;
  });
  return out;
}

std::vector<std::string> FilterPatterns(const std::string& pattern) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at <= pattern.size()) {
    const std::size_t semi = std::min(pattern.find(';', at), pattern.size());
    std::string p = pattern.substr(at, semi - at);
    while (!p.empty() && p.front() == ' ') p.erase(p.begin());
    while (!p.empty() && p.back() == ' ') p.pop_back();
    if (!p.empty()) out.push_back(p);
    at = semi + 1;
  }
  return out;
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  // Iterative wildcard match with one back-track point: linear in practice, bounded by n*m.
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace vx::serve
