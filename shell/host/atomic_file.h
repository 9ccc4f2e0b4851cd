// Files written whole or not at all, shared by the host and the plug-in.
//
// The bytes go to a temporary file created exclusively under a fresh name in the target's own
// folder (an existing name, a planted link included, is never opened), are flushed to the disk,
// and the temporary is renamed over the target; the folder is flushed after the rename. A target
// that is a symbolic link is not replaced: the file it leads to is. The new file keeps the
// permission bits (and, where allowed, the owner) of the file it replaces. On any failure the
// temporary is removed and the target keeps what it held.
//
// Every call to the operating system lives in atomic_file.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vx::host {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();  // removes the temporary unless committed

  // Creates the temporary for `target`; false with the reason in `error`.
  bool Open(const std::filesystem::path& target, std::string& error);
  // Appends bytes; a failure is remembered and reported by Commit.
  void Write(std::string_view bytes);
  // True once a write has failed (the system's reason is in Commit's error).
  bool Failed() const { return errno_ != 0; }
  // Flushes, closes and renames the temporary over the target; false with the reason otherwise
  // (the temporary is gone then).
  bool Commit(std::string& error);
  // The file a commit replaces: the target with its links followed.
  const std::filesystem::path& FinalPath() const { return final_; }

 private:
  void Discard();
  std::filesystem::path final_, tmp_;
  // Below a confined root (shell/host/files.h): the target's folder, held open, and the names in it.
  int folder_ = -1;
  std::string leaf_, tmpLeaf_;
  std::FILE* file_ = nullptr;
  int errno_ = 0;  // first write error
};

// `bytes` into `target` through a temporary file and a rename.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string& error);

// The file a write to `path` lands on: symbolic links at the end of the path followed (at most
// 40 of them), relative links read from the link's folder.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

// True when both names exist and are one file (links and other spellings included).
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The system's words for an error number.
std::string SystemReason(int error);

// A fresh private folder (owner only) beside `besides`, named ".NAME.vxpart-XXXXXX", for a set of
// files written together; false with the reason in `error`.
bool MakeTempFolder(const std::filesystem::path& besides, std::filesystem::path& folder, std::string& error);

// Renames `from` to `to` (replacing `to`); false with the reason in `error`. Goes through the
// test hook below.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

// Flushes a written file's data, or a folder's entries, to the disk.
bool SyncFile(const std::filesystem::path& file);
bool SyncFolder(const std::filesystem::path& folder);

// Tests only: when set and it returns true for a rename, that rename fails as if the system had
// refused it (EIO). Reset with an empty function.
void SetRenameFaultForTesting(std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)> fault);

// An exclusive advisory lock on an existing file or folder, held until destroyed. Other holders
// of the same kind of lock wait or are refused; programs that take no lock are not stopped.
class FileLock {
 public:
  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

  enum class Outcome { kHeld, kBusy, kError };
  // Locks `path` (through links), trying for up to `waitMs` milliseconds. A file that was
  // replaced by a rename while we waited is locked anew under its name, so that the lock is
  // always on what the name holds now. kError: `error` says why.
  Outcome Acquire(const std::filesystem::path& path, int waitMs, std::string& error);
  void Release();

 private:
  std::intptr_t handle_ = -1;
};

// The last output failure of this thread, named for people: where and why. The plug-in notes it
// beside its fixed alert text; a front end that can show more takes it.
void NoteFileFailure(std::string what);
std::string TakeFileFailure();

}  // namespace vx::host
