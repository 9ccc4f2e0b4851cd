// Saving and loading documents: what the writer (document_writer.cpp) and the reader
// (document_reader.cpp) share, and the host's save and open, which pick the format by the name.
#include "host/document_io.h"
#include "host/impl.h"
#include "host/svg_document.h"
#include "shell/host/paths.h"
#include "shell/text/text.h"

#include <vector>

namespace vx::host {

bool ValidUtf8(std::string_view s) { return text::IsValidUtf8(s); }

std::string Hex(std::string_view s) {
  static const char* d = "0123456789abcdef";
  std::string out;
  out.reserve(s.size() * 2);
  for (unsigned char c : s) {
    out += d[c >> 4];
    out += d[c & 15];
  }
  return out;
}

// Messages quote texts from the file; they stay one line.
std::string OneLine(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return s;
}

bool GuardedSave(const std::filesystem::path& file, std::string& error, const std::function<bool()>& save) {
  try {
    return save();
  } catch (const std::bad_alloc&) {
    error = PathToUtf8(file) + ": not saved: out of memory";
  } catch (const std::exception& e) {
    error = OneLine(PathToUtf8(file) + ": not saved: " + e.what());
  }
  return false;
}

namespace docfile {

std::string Quote(std::string_view s) {
  std::string q(s.substr(0, 40));
  if (s.size() > 40) q += "...";
  return "\"" + q + "\"";
}

std::string Where::Text() const {
  std::vector<const Where*> chain;
  for (const Where* w = this; w; w = w->up) chain.push_back(w);
  std::string out;
  const std::string* title = nullptr;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const Where* w = *it;
    if (w->key) {
      if (!*w->key) continue;  // the document itself
      if (!out.empty()) out += '.';
      out += w->key;
    } else {
      out += "[" + std::to_string(w->index) + "]";
    }
    if (w->layer) title = w->layer;
  }
  if (out.empty()) out = "the document";
  // A place hundreds of levels down is told by its two ends.
  constexpr std::size_t kEnds = 80;
  if (out.size() > 3 * kEnds) out = out.substr(0, kEnds) + " ... " + out.substr(out.size() - kEnds);
  if (title) out += " (layer " + Quote(*title) + ")";
  return out;
}

[[noreturn]] void Fail(const Where& w, const std::string& what) { throw DocumentError(w.Text() + ": " + what); }

const char* KindName(ArtType t) {
  switch (t) {
    case ArtType::Group: return "group";
    case ArtType::Path: return "path";
    case ArtType::CompoundPath: return "compound";
    case ArtType::TextFrame: return "text";
    case ArtType::Symbol: return "symbol";
    default: return "other";
  }
}

}  // namespace docfile

bool StandInHost::SaveDocument(const std::filesystem::path& file, std::string& error) {
  if (!doc_) {
    error = "no document is open";
    return false;
  }
  if (!(IsSvgFile(file) ? WriteSvgDocument(*doc_, file, error) : WriteDocument(*doc_, file, error))) return false;
  doc_->journal.MarkSaved();
  std::error_code ec;
  doc_->file = std::filesystem::absolute(file, ec);
  return true;
}

bool StandInHost::OpenDocument(const std::filesystem::path& file, std::string& error) {
  auto doc = IsSvgFile(file) ? ReadSvgDocument(file, error) : ReadDocument(file, error);
  if (!doc) return false;
  doc_ = std::move(doc);
  return true;
}

}  // namespace vx::host

