// Files written whole or not at all: the bytes go to NAME.tmp beside the target, which is renamed
// over the target only once everything is written. On any failure the temporary file is removed
// and the target keeps what it held.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace vx::host {

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile();  // removes the temporary unless committed

  // Creates the temporary; false with the reason in `error`.
  bool Open(const std::filesystem::path& target, std::string& error);
  // Appends bytes; a failure is remembered and reported by Commit.
  void Write(std::string_view bytes);
  // Flushes, closes and renames the temporary over the target; false with the reason otherwise
  // (the temporary is gone then).
  bool Commit(std::string& error);

 private:
  void Discard();
  std::filesystem::path target_, tmp_;
  std::FILE* file_ = nullptr;
  int errno_ = 0;  // first write error
};

// `bytes` into `target` through a temporary file and a rename.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string& error);

}  // namespace vx::host
