// File access: the owner of one open C-library file, and the line reader in the three encodings.
#pragma once

#include "shell/text/text.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vx::data {

using text::TextEncoding;

// The file's name without its folder, as UTF-8: how messages name a file.
std::string FileNameText(const std::filesystem::path& path);

// Owns one open C-library stream (binary modes "rb" and "wb").
class CVxFile {
 public:
  explicit CVxFile(bool autoClose = true);
  virtual ~CVxFile();
  CVxFile(const CVxFile&) = delete;
  CVxFile& operator=(const CVxFile&) = delete;

  virtual void Close();

  bool OpenPath(const std::filesystem::path& path, const char* mode);
  bool OpenName(const std::string& name, const char* mode);  // `name` in UTF-8
  std::FILE* GetHandle() const { return handle_; }
  const std::filesystem::path& Path() const { return path_; }

  // Exact reads and writes: false when fewer bytes moved.
  bool Read(void* buffer, std::size_t size);
  bool Write(const void* buffer, std::size_t size);
  bool Seek(std::uint64_t offset);
  bool Tell(std::uint64_t& offset) const;
  // The file's current size; the position is kept.
  bool Size(std::uint64_t& size);
  bool AtEof() const { return handle_ && std::feof(handle_); }

 private:
  std::filesystem::path path_;
  bool autoClose_;
  std::FILE* handle_ = nullptr;
};

class CVxTextFileReaderBase {
 public:
  CVxTextFileReaderBase(std::FILE* handle, TextEncoding encoding) : handle_(handle), encoding_(encoding) {}
  virtual ~CVxTextFileReaderBase() = default;
  // True when a line was read (it may be empty), false at the end of the file.
  virtual bool ReadLine(std::u16string& line) = 0;
  // The last line's bytes as read (8-bit encodings) and how many byte sequences in them are no
  // text in the encoding; empty and 0 for UTF-16, whose units are taken as they are.
  virtual std::string_view LastLineBytes() const { return {}; }
  std::size_t LastLineInvalid() const { return invalid_; }

 protected:
  bool first_ = true;
  bool atEnd_ = false;
  std::FILE* handle_;  // not owned
  TextEncoding encoding_;
  std::size_t invalid_ = 0;
};

// Shift-JIS and UTF-8 lines; a UTF-8 byte-order mark at the start is passed over.
class CVxTextFileReaderA : public CVxTextFileReaderBase {
 public:
  using CVxTextFileReaderBase::CVxTextFileReaderBase;
  bool ReadLine(std::u16string& line) override;
  std::string_view LastLineBytes() const override { return bytes_; }

 private:
  std::string bytes_;  // reused line buffer
};

// UTF-16 lines, little-endian unless the file starts with FE FF.
class CVxTextFileReaderW : public CVxTextFileReaderBase {
 public:
  using CVxTextFileReaderBase::CVxTextFileReaderBase;
  bool ReadLine(std::u16string& line) override;

 private:
  bool ReadUnit(char16_t& unit);
  bool swapBytes_ = false;
  bool hasPending_ = false;  // a unit read after CR that starts the next line
  char16_t pending_ = 0;
};

class CVxTextFile : public CVxFile {
 public:
  CVxTextFile() : CVxFile(true) {}
  virtual bool Open(const std::filesystem::path& path, TextEncoding encoding);
  bool ReadLine(std::u16string& line);
  TextEncoding GetEncoding() const { return encoding_; }
  // Of the line read last: see CVxTextFileReaderBase.
  std::string_view LastLineBytes() const { return reader_ ? reader_->LastLineBytes() : std::string_view(); }
  std::size_t LastLineInvalid() const { return reader_ ? reader_->LastLineInvalid() : 0; }

 private:
  TextEncoding encoding_ = TextEncoding::kShiftJIS;
  std::unique_ptr<CVxTextFileReaderBase> reader_;
};

// The encoding a text file plainly is in: UTF-8 after its byte-order mark or when its first
// 8 MiB are valid UTF-8 with some byte above ASCII, UTF-16 after FF FE or FE FF; else nothing.
std::optional<TextEncoding> TextFileEncoding(const std::filesystem::path& path);

}  // namespace vx::data
