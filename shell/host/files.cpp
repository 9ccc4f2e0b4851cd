#include "shell/host/files.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "shell/host/paths.h"

#include <utility>
#include <vector>

namespace vx::host {

namespace fs = std::filesystem;

namespace {
std::mutex gConfineMutex;
fs::path gConfineRoot;

#ifndef _WIN32
// open() flags for an fopen mode.
int OpenFlags(const char* mode) {
  const bool plus = std::char_traits<char>::find(mode, std::char_traits<char>::length(mode), '+') != nullptr;
  switch (mode[0]) {
    case 'w': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: return plus ? O_RDWR : O_RDONLY;
  }
}
#endif
}  // namespace

void ConfineFilesBelow(const fs::path& root) {
  std::lock_guard<std::mutex> hold(gConfineMutex);
  gConfineRoot = root.empty() ? fs::path() : fs::path(root).lexically_normal();
  if (!gConfineRoot.empty() && !gConfineRoot.has_filename() && gConfineRoot.has_relative_path())
    gConfineRoot = gConfineRoot.parent_path();  // no trailing separator
}

Beneath::Beneath(Beneath&& o) noexcept
    : confined(o.confined), folder(std::exchange(o.folder, -1)), leaf(std::move(o.leaf)), error(o.error) {}

Beneath::~Beneath() {
#ifndef _WIN32
  if (folder >= 0) ::close(folder);
#endif
}

Beneath OpenBeneath(const fs::path& path) {
  Beneath b;
#ifndef _WIN32
  fs::path root;
  {
    std::lock_guard<std::mutex> hold(gConfineMutex);
    root = gConfineRoot;
  }
  if (root.empty()) return b;
  std::error_code ec;
  const fs::path p = path.is_absolute() ? path : fs::absolute(path, ec);
  auto at = p.begin();
  for (const fs::path& name : root) {
    if (at == p.end() || *at != name) return b;  // elsewhere: not confined
    ++at;
  }
  b.confined = true;
  std::vector<std::string> names;
  for (; at != p.end(); ++at) {
    const std::string name = at->string();
    if (name == "..") {
      b.error = EACCES;
      return b;
    }
    if (!name.empty() && name != ".") names.push_back(name);
  }
  if (names.empty()) {
    b.error = EISDIR;
    return b;
  }
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (std::size_t i = 0; fd >= 0 && i + 1 < names.size(); ++i) {
    const int next = ::openat(fd, names[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int why = errno;
    ::close(fd);
    fd = next;
    errno = why;
  }
  if (fd < 0) {
    b.error = errno == ENOTDIR ? ELOOP : errno;
    return b;
  }
  b.folder = fd;
  b.leaf = names.back();
#else
  (void)path;
#endif
  return b;
}

bool MakeFolder(const fs::path& path) {
  Beneath b = OpenBeneath(path);
  std::error_code ec;
  if (!b.confined) {
    fs::create_directory(path, ec);
    return fs::is_directory(path, ec);
  }
#ifndef _WIN32
  if (b.folder < 0) return false;
  if (::mkdirat(b.folder, b.leaf.c_str(), 0777) == 0) return true;
  struct stat st {};
  return ::fstatat(b.folder, b.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
#else
  return false;
#endif
}

std::FILE* Fopen(const fs::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(path.c_str(), wmode.c_str());
#else
  Beneath b = OpenBeneath(path);
  if (!b.confined) return std::fopen(path.c_str(), mode);
  if (b.folder < 0) {
    errno = b.error;
    return nullptr;
  }
  // Not blocking on a planted FIFO or device: only a regular file is taken.
  const int fd = ::openat(b.folder, b.leaf.c_str(), OpenFlags(mode) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EACCES;
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, mode);
  if (!f) ::close(fd);
  return f;
#endif
}

std::FILE* FopenShared(const fs::path& path) {
#ifdef _WIN32
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "rb");
  if (!f) _close(fd);
  return f;
#else
  return Fopen(path, "rb");
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
