#include "host/atomic_file.h"

#include "shell/host/files.h"
#include "shell/host/paths.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace vx::host {

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (!file_) return;
  std::fclose(file_);
  file_ = nullptr;
  std::error_code ec;
  std::filesystem::remove(tmp_, ec);
}

bool AtomicFile::Open(const std::filesystem::path& target, std::string& error) {
  Discard();
  target_ = target;
  tmp_ = std::filesystem::path(target) += ".tmp";
  errno_ = 0;
  file_ = Fopen(tmp_, "wb");
  if (!file_) {
    error = "cannot write " + PathToUtf8(tmp_) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void AtomicFile::Write(std::string_view bytes) {
  if (!file_ || errno_ || bytes.empty()) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) errno_ = errno ? errno : EIO;
}

bool AtomicFile::Commit(std::string& error) {
  if (!file_) {
    error = "cannot write " + PathToUtf8(tmp_);
    return false;
  }
  if (!errno_ && std::fflush(file_) != 0) errno_ = errno ? errno : EIO;
  if (errno_) {
    error = "cannot write " + PathToUtf8(tmp_) + ": " + std::strerror(errno_);
    Discard();
    return false;
  }
  const int closed = std::fclose(file_);
  const int closeErrno = errno;
  file_ = nullptr;
  std::error_code ec;
  if (closed != 0) {
    error = "cannot write " + PathToUtf8(tmp_) + ": " + std::strerror(closeErrno);
    std::filesystem::remove(tmp_, ec);
    return false;
  }
  if (!RenameReplacing(tmp_, target_, ec)) {
    error = "cannot replace " + PathToUtf8(target_) + ": " + ec.message();
    std::filesystem::remove(tmp_, ec);
    return false;
  }
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string& error) {
  AtomicFile f;
  if (!f.Open(target, error)) return false;
  f.Write(bytes);
  return f.Commit(error);
}

}  // namespace vx::host
