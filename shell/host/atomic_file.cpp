#include "shell/host/atomic_file.h"

#include "shell/host/file_failure.h"
#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vx::host {
namespace fs = std::filesystem;

namespace {

// How many fresh names are tried before giving up: each collision means someone else holds one.
constexpr int kNameAttempts = 100;
constexpr int kMaxLinkHops = 40;
constexpr int kLockPollMs = 50;
constexpr int kLockRounds = 100000;

std::mutex faultMutex;
std::function<bool(const fs::path&, const fs::path&)> renameFault;

// Six characters no one can guess ahead.
std::string RandomSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 rng{std::random_device{}() ^
                                   static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  std::string s(6, 'a');
  for (char& c : s) c = kChars[rng() % (sizeof kChars - 1)];
  return s;
}

// ---------------------------------------------------------------------------------------------
// The operating system's side: every call to it is below.
namespace os {

// LockOpen's answer when another command holds the lock file (Windows).
[[maybe_unused]] constexpr std::intptr_t kLockBusy = -2;

#ifdef _WIN32

std::string LastReason() { return std::system_category().message(static_cast<int>(GetLastError())); }

// A new file that did not exist by that name, not a link, for writing; nullptr with `why`.
std::FILE* CreateExclusive(const fs::path& path, std::string& why) {
  const int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    why = SystemReason(errno);
    return nullptr;
  }
  std::FILE* f = _fdopen(fd, "wb");
  if (!f) {
    why = SystemReason(errno);
    _close(fd);
  }
  return f;
}
bool IsCollision(const std::string& why) { return why == SystemReason(EEXIST); }
void KeepModeOf(std::FILE*, const fs::path&) {}  // read-only files are not replaced anyway
bool SyncOpen(std::FILE* f) { return _commit(_fileno(f)) == 0; }
bool Rename(const fs::path& from, const fs::path& to, std::string& why) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  why = LastReason();
  return false;
}
bool SyncPath(const fs::path& path, bool folder) {
  if (folder) return true;  // entries reach the disk with MOVEFILE_WRITE_THROUGH
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = FlushFileBuffers(h) != 0;
  CloseHandle(h);
  return ok;
}
bool MakePrivateFolder(const fs::path& path, std::string& why) {
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  why = GetLastError() == ERROR_ALREADY_EXISTS ? SystemReason(EEXIST) : LastReason();
  return false;
}
// Windows will not rename over a file that has an open handle, so a document is not locked
// through a handle on itself (its own save would fail) but through a lock file beside it, opened
// exclusively and removed when closed. A folder is locked by a handle on itself.
bool IsFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}
std::intptr_t LockOpen(const fs::path& path, std::string& why) {
  if (!IsFolder(path)) {
    const fs::path lockName = fs::path(path) += L".vxlock";
    HANDLE l = CreateFileW(lockName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (l != INVALID_HANDLE_VALUE) return reinterpret_cast<std::intptr_t>(l);
    // Held by another command (or being removed by one that just finished).
    if (GetLastError() == ERROR_SHARING_VIOLATION || GetLastError() == ERROR_ACCESS_DENIED) return kLockBusy;
    why = LastReason();
    return -1;
  }
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    why = LastReason();
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(h);
}
// 1 locked, 0 held by another, -1 error.
int LockTry(std::intptr_t handle, std::string& why) {
  OVERLAPPED o{};
  if (LockFileEx(reinterpret_cast<HANDLE>(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o))
    return 1;
  if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) return 0;
  why = LastReason();
  return -1;
}
bool StillNamed(std::intptr_t handle, const fs::path& path) {
  if (!IsFolder(path)) return true;  // the lock file names the document, whatever file it holds
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(handle), &a)) return false;
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, &b) != 0;
  CloseHandle(h);
  return ok && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}
void LockClose(std::intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

#else

std::FILE* CreateExclusive(const fs::path& path, std::string& why) {
  // O_EXCL with O_CREAT refuses any existing name, a link included, and never follows one.
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = SystemReason(errno);
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    why = SystemReason(errno);
    ::close(fd);
  }
  return f;
}
bool IsCollision(const std::string& why) { return why == SystemReason(EEXIST); }
void KeepModeOf(std::FILE* f, const fs::path& replaced) {
  struct stat st {};
  if (::stat(replaced.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;  // new file: the umask decides
  const int fd = ::fileno(f);
  // The owner first: changing it may clear the set-id bits that the mode then restores. Only
  // the superuser may give a file away; for anyone else this is a no-op or refused.
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  (void)::fchmod(fd, st.st_mode & 07777);
}
bool SyncOpen(std::FILE* f) { return ::fsync(::fileno(f)) == 0; }
bool Rename(const fs::path& from, const fs::path& to, std::string& why) {
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  why = SystemReason(errno);
  return false;
}
bool SyncPath(const fs::path& path, bool folder) {
  const int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  // Some file systems cannot flush a folder; the rename is then as durable as they make it.
  if (!ok && folder && (errno == EINVAL || errno == ENOTSUP)) ok = true;
  ::close(fd);
  return ok;
}
bool MakePrivateFolder(const fs::path& path, std::string& why) {
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  why = SystemReason(errno);
  return false;
}
std::intptr_t LockOpen(const fs::path& path, std::string& why) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) why = SystemReason(errno);
  return fd;
}
int LockTry(std::intptr_t handle, std::string& why) {
  if (::flock(static_cast<int>(handle), LOCK_EX | LOCK_NB) == 0) return 1;
  if (errno == EWOULDBLOCK || errno == EINTR) return 0;
  why = SystemReason(errno);
  return -1;
}
bool StillNamed(std::intptr_t handle, const fs::path& path) {
  struct stat a {}, b {};
  return ::fstat(static_cast<int>(handle), &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}
void LockClose(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

#endif

}  // namespace os

std::string Text(const fs::path& p) { return PathToUtf8(p); }

// Plain bytes: a thread-local object with a destructor would keep the plug-in's module from
// unloading (or run its destructor from unloaded code). A longer reason is cut at a character.
constexpr std::size_t kFailureCapacity = 2048;
thread_local char lastFailure[kFailureCapacity];
thread_local std::size_t lastFailureSize = 0;

}  // namespace

std::string SystemReason(int error) { return std::generic_category().message(error); }

fs::path FollowLinks(const fs::path& path) {
  fs::path p = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) return p;
    const fs::path next = fs::read_symlink(p, ec);
    if (ec) return p;
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

void SetRenameFaultForTesting(std::function<bool(const fs::path&, const fs::path&)> fault) {
  std::lock_guard<std::mutex> hold(faultMutex);
  renameFault = std::move(fault);
}

namespace {
// A rename through the test hook; `why` is the system's reason.
bool Rename(const fs::path& from, const fs::path& to, std::string& why) {
  bool failed = false;
  {
    std::lock_guard<std::mutex> hold(faultMutex);
    failed = renameFault && renameFault(from, to);
  }
  if (failed) {
    why = SystemReason(EIO);
    return false;
  }
#ifndef _WIN32
  Beneath a = OpenBeneath(from), b = OpenBeneath(to);
  if (a.confined || b.confined) {
    const int error = !(a.confined && b.confined) ? EXDEV : a.folder < 0 ? a.error : b.folder < 0 ? b.error : 0;
    if (error == 0 && ::renameat(a.folder, a.leaf.c_str(), b.folder, b.leaf.c_str()) == 0) return true;
    why = SystemReason(error ? error : errno);
    return false;
  }
#endif
  return os::Rename(from, to, why);
}
}  // namespace

bool RenameOver(const fs::path& from, const fs::path& to, std::string& error) {
  std::string why;
  if (Rename(from, to, why)) return true;
  error = "cannot rename " + Text(from) + " to " + Text(to) + ": " + why;
  return false;
}

bool SyncFile(const fs::path& file) { return os::SyncPath(file, false); }
bool SyncFolder(const fs::path& folder) { return os::SyncPath(folder.empty() ? fs::path(".") : folder, true); }

bool MakeTempFolder(const fs::path& besides, fs::path& folder, std::string& error) {
  const fs::path dir = besides.parent_path();
  std::string why;
  for (int i = 0; i < kNameAttempts; ++i) {
    folder = dir / Utf8ToPath("." + Text(besides.filename()) + ".vxpart-" + RandomSuffix());
#ifndef _WIN32
    if (Beneath b = OpenBeneath(folder); b.confined) {
      if (b.folder >= 0 && ::mkdirat(b.folder, b.leaf.c_str(), 0700) == 0) return true;
      why = SystemReason(b.folder < 0 ? b.error : errno);
      if (b.folder < 0) break;
      continue;
    }
#endif
    if (os::MakePrivateFolder(folder, why)) return true;
    if (!os::IsCollision(why)) break;
  }
  error = "cannot create a temporary folder in " + Text(dir.empty() ? fs::path(".") : dir) + ": " + why;
  folder.clear();
  return false;
}

// ---------------------------------------------------------------------------------------------

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
#ifndef _WIN32
    if (folder_ >= 0) ::unlinkat(folder_, tmpLeaf_.c_str(), 0);
#endif
    std::error_code ec;
    if (folder_ < 0) fs::remove(tmp_, ec);
  }
#ifndef _WIN32
  if (folder_ >= 0) ::close(folder_);
#endif
  folder_ = -1;
}

bool AtomicFile::Open(const fs::path& target, std::string& error) {
  Discard();
  errno_ = 0;
#ifndef _WIN32
  if (Beneath b = OpenBeneath(target); b.confined) {
    // Below the root nothing follows a link: the target's folder is held open and the new file
    // renamed within it, so no link swapped in later is followed either.
    final_ = target;
    struct stat st {};
    if (b.folder < 0 || (::fstatat(b.folder, b.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode))) {
      error = "cannot write " + Text(target) + ": " + (b.folder < 0 ? SystemReason(b.error) : "it is not a plain file");
      return false;
    }
    const bool replaces = ::fstatat(b.folder, b.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    for (int i = 0; i < kNameAttempts && !file_; ++i) {
      tmpLeaf_ = "." + b.leaf + ".vxtmp-" + RandomSuffix();
      const int fd = ::openat(b.folder, tmpLeaf_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      if (fd < 0 || !(file_ = ::fdopen(fd, "wb"))) {
        error = "cannot write " + Text(target) + ": " + SystemReason(errno);
        if (fd >= 0) ::close(fd), ::unlinkat(b.folder, tmpLeaf_.c_str(), 0);
        return false;
      }
    }
    if (!file_) {
      error = "cannot write " + Text(target) + ": " + SystemReason(EEXIST);
      return false;
    }
    if (replaces) (void)::fchmod(::fileno(file_), st.st_mode & 0777);
    tmp_ = target.parent_path() / Utf8ToPath(tmpLeaf_);
    leaf_ = b.leaf;
    folder_ = std::exchange(b.folder, -1);
    return true;
  }
#endif
  final_ = FollowLinks(target);
  std::string why;
  for (int i = 0; i < kNameAttempts; ++i) {
    tmp_ = final_.parent_path() / Utf8ToPath("." + Text(final_.filename()) + ".vxtmp-" + RandomSuffix());
    file_ = os::CreateExclusive(tmp_, why);
    if (file_ || !os::IsCollision(why)) break;
  }
  if (!file_) {
    error = "cannot write " + Text(target) + ": " + why;
    return false;
  }
  os::KeepModeOf(file_, final_);
  return true;
}

void AtomicFile::Write(std::string_view bytes) {
  if (!file_ || errno_ || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) errno_ = errno ? errno : EIO;
}

bool AtomicFile::Commit(std::string& error) {
  if (!file_) {
    error = "cannot write " + Text(final_);
    return false;
  }
  if (!errno_ && std::fflush(file_) != 0) errno_ = errno ? errno : EIO;
  if (!errno_ && !os::SyncOpen(file_)) errno_ = errno ? errno : EIO;
  if (errno_) {
    error = "cannot write " + Text(final_) + ": " + SystemReason(errno_);
    Discard();
    return false;
  }
  const int closed = std::fclose(file_);
  const int closeErrno = errno;
  file_ = nullptr;
  std::error_code ec;
#ifndef _WIN32
  if (folder_ >= 0) {
    bool faulted = false;
    {
      std::lock_guard<std::mutex> hold(faultMutex);
      faulted = renameFault && renameFault(tmp_, final_);
    }
    const int why = closed != 0 ? closeErrno : faulted ? EIO
                    : ::renameat(folder_, tmpLeaf_.c_str(), folder_, leaf_.c_str()) != 0 ? errno : 0;
    if (why != 0) {
      error = (closed != 0 ? "cannot write " : "cannot replace ") + Text(final_) + ": " + SystemReason(why);
      ::unlinkat(folder_, tmpLeaf_.c_str(), 0);
    } else {
      ::fsync(folder_);
    }
    ::close(folder_);
    folder_ = -1;
    return why == 0;
  }
#endif
  if (closed != 0) {
    error = "cannot write " + Text(final_) + ": " + SystemReason(closeErrno);
    fs::remove(tmp_, ec);
    return false;
  }
  std::string why;
  if (!Rename(tmp_, final_, why)) {
    error = "cannot replace " + Text(final_) + ": " + why;
    fs::remove(tmp_, ec);
    return false;
  }
  SyncFolder(final_.parent_path());
  return true;
}

bool WriteFileAtomically(const fs::path& target, std::string_view bytes, std::string& error) {
  AtomicFile f;
  if (!f.Open(target, error)) return false;
  f.Write(bytes);
  return f.Commit(error);
}

// ---------------------------------------------------------------------------------------------

FileLock::~FileLock() { Release(); }

void FileLock::Release() {
  if (handle_ >= 0) os::LockClose(handle_);
  handle_ = -1;
}

FileLock::Outcome FileLock::Acquire(const fs::path& path, int waitMs, std::string& error) {
  Release();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
  // Each round either waits (bounded by the clock) or follows a save by the holder.
  for (int round = 0; round < kLockRounds; ++round) {
    std::string why;
    const std::intptr_t h = os::LockOpen(path, why);
    if (h == os::kLockBusy) {
      if (std::chrono::steady_clock::now() >= until) return Outcome::kBusy;
      std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
      continue;
    }
    if (h < 0) {
      error = "cannot lock " + Text(path) + ": " + why;
      return Outcome::kError;
    }
    const int got = os::LockTry(h, why);
    if (got < 0) {
      os::LockClose(h);
      error = "cannot lock " + Text(path) + ": " + why;
      return Outcome::kError;
    }
    if (got > 0 && os::StillNamed(h, path)) {
      handle_ = h;
      return Outcome::kHeld;
    }
    os::LockClose(h);
    // Locked, but the name now holds a newer file (saved by the holder): lock that one at once.
    if (got > 0) continue;
    if (std::chrono::steady_clock::now() >= until) return Outcome::kBusy;
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
  }
  return Outcome::kBusy;
}

namespace {
const FileFailureSuite* gFileFailureSink = nullptr;
}  // namespace

void SetFileFailureSink(const FileFailureSuite* suite) { gFileFailureSink = suite; }

void NoteFileFailure(std::string what) {
  if (gFileFailureSink && gFileFailureSink->Note) gFileFailureSink->Note(what.c_str());
  KeepFileFailure(std::move(what));
}

void KeepFileFailure(std::string what) {
  std::size_t n = std::min(what.size(), kFailureCapacity);
  if (n < what.size())
    while (n > 0 && (static_cast<unsigned char>(what[n]) & 0xC0) == 0x80) --n;  // not inside a UTF-8 sequence
  std::memcpy(lastFailure, what.data(), n);
  lastFailureSize = n;
}

std::string TakeFileFailure() {
  std::string s(lastFailure, lastFailureSize);
  lastFailureSize = 0;
  return s;
}

}  // namespace vx::host
