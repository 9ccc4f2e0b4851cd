// The note of the last output failure (atomic_file.h: NoteFileFailure) crosses the module
// boundary through this suite: the plug-in notes, the host keeps the note for its front end
// (TakeFileFailure), which runs on the host's side.
#pragma once

#include <cstdint>
#include <string>

namespace vx::host {

struct FileFailureSuite {
  void (*Note)(const char* utf8);  // throws nothing
};
inline constexpr const char* kFileFailureSuiteName = "VX File Failure Suite";
inline constexpr std::int32_t kFileFailureSuiteVersion = 1;

// Where NoteFileFailure hands its notes on besides keeping them; nullptr for nowhere.
void SetFileFailureSink(const FileFailureSuite* suite);
// Keeps a note for TakeFileFailure without handing it on (the host's side of the suite).
void KeepFileFailure(std::string what);

}  // namespace vx::host
