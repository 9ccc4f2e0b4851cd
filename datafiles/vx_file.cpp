#include "datafiles/vx_file.h"

#include "shell/host/files.h"
#include "shell/host/paths.h"

#ifdef _WIN32
#include <share.h>
#define VX_GETC _getc_nolock
#else
#define VX_GETC getc_unlocked
#endif

namespace vx::data {
namespace {

std::FILE* OpenShared(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
  return _wfsopen(path.c_str(), wmode.c_str(), _SH_DENYNO);
#else
  return host::Fopen(path, mode);  // confined below a web page's root when one is set
#endif
}

}  // namespace

CVxFile::CVxFile(bool autoClose) : autoClose_(autoClose) {}

CVxFile::~CVxFile() {
  if (autoClose_) CVxFile::Close();
}

void CVxFile::Close() {
  if (handle_) {
    std::fclose(handle_);
    handle_ = nullptr;
  }
}

bool CVxFile::OpenPath(const std::filesystem::path& path, const char* mode) {
  Close();  // never leak a handle opened before
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  handle_ = OpenShared(full, mode);
  path_ = full;
  return handle_ != nullptr;
}

bool CVxFile::OpenName(const std::string& name, const char* mode) {
  Close();
  // The name is UTF-8, as every text here; on Windows it goes through the wide-character call.
  path_ = host::Utf8ToPath(name);
  handle_ = OpenShared(path_, mode);
  return handle_ != nullptr;
}

bool CVxFile::Read(void* buffer, std::size_t size) {
  return handle_ && std::fread(buffer, 1, size, handle_) == size;
}

bool CVxFile::Write(const void* buffer, std::size_t size) {
  return handle_ && std::fwrite(buffer, 1, size, handle_) == size;
}

std::string FileNameText(const std::filesystem::path& path) {
  const auto u8 = path.filename().u8string();
  return std::string(u8.begin(), u8.end());
}

bool CVxFile::Seek(std::uint64_t offset) {
  if (!handle_ || offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
  return _fseeki64(handle_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(handle_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool CVxFile::Tell(std::uint64_t& offset) const {
  if (!handle_) return false;
#ifdef _WIN32
  const __int64 p = _ftelli64(handle_);
#else
  const off_t p = ftello(handle_);
#endif
  if (p < 0) return false;
  offset = static_cast<std::uint64_t>(p);
  return true;
}

bool CVxFile::Size(std::uint64_t& size) {
  std::uint64_t here;
  if (!Tell(here)) return false;
#ifdef _WIN32
  if (_fseeki64(handle_, 0, SEEK_END) != 0) return false;
#else
  if (fseeko(handle_, 0, SEEK_END) != 0) return false;
#endif
  const bool ok = Tell(size);
  return Seek(here) && ok;
}

bool CVxTextFileReaderA::ReadLine(std::u16string& line) {
  line.clear();
  if (first_) {
    first_ = false;
    unsigned char bom[3];
    if (std::fread(bom, 1, 3, handle_) != 3 || bom[0] != 0xEF || bom[1] != 0xBB || bom[2] != 0xBF) {
      std::clearerr(handle_);
      std::fseek(handle_, 0, SEEK_SET);
    }
  }
  bytes_.clear();
  invalid_ = 0;
  bool ended = false;
  for (;;) {
    const int c = VX_GETC(handle_);
    if (c == EOF) {
      ended = true;
      atEnd_ = true;
      break;
    }
    if (c == '\n') break;
    if (c == '\r') {
      const int next = VX_GETC(handle_);
      if (next != '\n' && next != EOF) std::ungetc(next, handle_);
      break;
    }
    bytes_.push_back(static_cast<char>(c));
  }
  if (bytes_.empty()) return !ended;
  line = text::Decode(bytes_, encoding_, &invalid_);
  return true;
}

bool CVxTextFileReaderW::ReadUnit(char16_t& unit) {
  const int lo = VX_GETC(handle_);
  if (lo == EOF) return false;
  const int hi = VX_GETC(handle_);
  if (hi == EOF) return false;  // an odd last byte is dropped
  unit = static_cast<char16_t>(lo | (hi << 8));
  if (swapBytes_) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
  return true;
}

bool CVxTextFileReaderW::ReadLine(std::u16string& line) {
  line.clear();
  if (first_) {
    first_ = false;
    char16_t unit;
    if (!ReadUnit(unit)) return false;
    if (unit == 0xFFFE) {
      swapBytes_ = true;
    } else if (unit != 0xFEFF) {
      // No mark: little-endian, and the unit is ordinary text (a line end included).
      pending_ = unit;
      hasPending_ = true;
    }
  }
  bool ended = false;
  for (;;) {
    char16_t u;
    if (hasPending_) {
      u = pending_;
      hasPending_ = false;
    } else if (!ReadUnit(u)) {
      ended = true;
      break;
    }
    if (u == u'\n') break;
    if (u == u'\r') {
      char16_t next;
      if (ReadUnit(next) && next != u'\n') {
        pending_ = next;
        hasPending_ = true;
      }
      break;
    }
    line.push_back(u);
  }
  if (line.empty()) return !ended;
  return true;
}

bool CVxTextFile::Open(const std::filesystem::path& path, TextEncoding encoding) {
  encoding_ = encoding;
  reader_.reset();
  if (!OpenPath(path, "rb")) return false;
  if (encoding == TextEncoding::kUTF16)
    reader_ = std::make_unique<CVxTextFileReaderW>(GetHandle(), encoding);
  else
    reader_ = std::make_unique<CVxTextFileReaderA>(GetHandle(), encoding);
  return true;
}

bool CVxTextFile::ReadLine(std::u16string& line) {
  if (!reader_ || !GetHandle()) {
    line.clear();
    return false;
  }
  return reader_->ReadLine(line);
}

std::optional<TextEncoding> TextFileEncoding(const std::filesystem::path& path) {
  constexpr std::size_t kSample = std::size_t{8} << 20;  // bytes looked at
  CVxFile f;
  if (!f.OpenPath(path, "rb")) return std::nullopt;
  std::string bytes(kSample, '\0');
  bytes.resize(std::fread(bytes.data(), 1, kSample, f.GetHandle()));
  if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::kUTF8;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return TextEncoding::kUTF16;
  bool nonAscii = false;
  if (text::IsValidUtf8(bytes, nonAscii) && nonAscii) return TextEncoding::kUTF8;
  return std::nullopt;
}

}  // namespace vx::data
