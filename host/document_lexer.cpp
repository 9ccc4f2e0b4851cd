#include "host/document_lexer.h"
#include "host/document_io.h"
#include "shell/text/text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vx::host::docfile {

namespace {
bool Digit(char c) { return c >= '0' && c <= '9'; }
bool NumberChar(char c) { return Digit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }
}  // namespace

const Node* Node::Find(std::string_view key) const {
  for (const Member& m : members)
    if (m.first == key) return &m.second;
  return nullptr;
}

Lexer::Lexer(std::FILE* file) : file_(file), buf_(kChunk + 1) {
  p_ = end_ = start_ = buf_.data();
  buf_[0] = '\0';
  More();
}

void Lexer::Fail(const std::string& what) const {
  throw DocumentError("line " + std::to_string(line_) + ", column " + std::to_string(Pos() - lineStart_ + 1) +
                      ": " + what);
}

void Lexer::Value(Node& out, int depth) {
  if (depth > kMaxJsonDepth) Fail(std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)");
  switch (*p_) {
    case '{': Object(out, depth); return;
    case '[': List(out, depth); return;
    case '"':
      out.kind = Node::Kind::String;
      String(out.str);
      return;
    case 't':
      Literal("true");
      out.kind = Node::Kind::Bool;
      out.b = true;
      return;
    case 'f':
      Literal("false");
      out.kind = Node::Kind::Bool;
      return;
    case 'n':
      Literal("null");
      return;
    default:
      if (*p_ == '-' || Digit(*p_)) {
        out.kind = Node::Kind::Number;
        out.num = Number();
        return;
      }
      Fail(AtEnd() ? "the document ends too early" : "not JSON");
  }
}

void Lexer::Open(int depth) {
  if (depth > kMaxJsonDepth) Fail(std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)");
  ++p_;
  first_ = true;
}

bool Lexer::Member(std::string& key) {
  Space();
  if (first_) {
    first_ = false;
    if (*p_ == '}') {
      ++p_;
      return false;
    }
  } else if (*p_ == ',') {
    ++p_;
    Space();
  } else if (*p_ == '}') {
    ++p_;
    return false;
  } else {
    Fail(AtEnd() ? "the document ends too early" : "',' or '}' expected");
  }
  if (*p_ != '"') Fail(AtEnd() ? "the document ends too early" : "a quoted key expected");
  String(key);
  Space();
  if (*p_ != ':') Fail("':' expected");
  ++p_;
  Space();
  return true;
}

bool Lexer::Item() {
  Space();
  if (first_) {
    first_ = false;
    if (*p_ == ']') {
      ++p_;
      return false;
    }
    return true;
  }
  if (*p_ == ',') {
    ++p_;
    Space();
    return true;
  }
  if (*p_ == ']') {
    ++p_;
    return false;
  }
  Fail(AtEnd() ? "the document ends too early" : "',' or ']' expected");
}

// Reads the next chunk after the bytes from p_ on, which move to the buffer's start so that a
// token spanning two chunks stays in one piece. False at the end of the input.
bool Lexer::More() {
  if (eof_) return false;
  const std::size_t kept = static_cast<std::size_t>(end_ - p_);
  base_ += static_cast<std::size_t>(p_ - start_);
  if (kept + kChunk + 1 > buf_.size()) {
    // Grown by doubling: a token spanning two chunks is met at nearly every chunk's end, and a
    // fresh buffer each time would be cleared and faulted in again.
    std::vector<char> bigger(std::max(2 * buf_.size(), kept + kChunk + 1));
    std::memcpy(bigger.data(), p_, kept);
    buf_.swap(bigger);
  } else {
    std::memmove(buf_.data(), p_, kept);
  }
  p_ = start_ = buf_.data();
  const std::size_t n = std::fread(buf_.data() + kept, 1, kChunk, file_);
  if (n < kChunk) {
    if (std::ferror(file_)) throw DocumentError("the document cannot be read to its end");
    eof_ = true;
  }
  end_ = buf_.data() + kept + n;
  buf_[kept + n] = '\0';
  return n > 0;
}

// At least `n` bytes from p_ on, unless the input ends sooner.
void Lexer::Ensure(std::size_t n) {
  while (static_cast<std::size_t>(end_ - p_) < n && More()) {
  }
}

void Lexer::Literal(const char* word) {
  const std::size_t n = std::strlen(word);
  Ensure(n);
  if (static_cast<std::size_t>(end_ - p_) < n || std::memcmp(p_, word, n) != 0) Fail("not JSON");
  p_ += n;
}

namespace {
// Where the number that starts at q ends, by the grammar; `ok` false when it breaks the grammar
// there. The buffered text ends with a NUL, which no rule takes.
const char* NumberEnd(const char* q, bool& ok) {
  ok = false;
  if (*q == '-') ++q;
  if (*q == '0') {
    ++q;
  } else if (Digit(*q)) {
    while (Digit(*q)) ++q;
  } else {
    return q;
  }
  if (*q == '.') {
    ++q;
    if (!Digit(*q)) return q;
    while (Digit(*q)) ++q;
  }
  if (*q == 'e' || *q == 'E') {
    ++q;
    if (*q == '+' || *q == '-') ++q;
    if (!Digit(*q)) return q;
    while (Digit(*q)) ++q;
  }
  ok = true;
  return q;
}
}  // namespace

double Lexer::Number() {
  // Nearly every number lies whole inside the buffer and is read in one pass; one that breaks
  // the grammar or runs to the buffer's end (it may go on in the file) takes the long way.
  bool ok = false;
  if (const char* q = NumberEnd(p_, ok); ok && q != end_) {
    double v = 0;
    const auto r = std::from_chars(p_, q, v);
    if (r.ec == std::errc() && r.ptr == q) {
      p_ = q;
      return v;
    }
  }
  // Every character a number may hold in one piece in the buffer first.
  for (std::size_t n = 0;;) {
    while (NumberChar(p_[n])) ++n;
    if (!(p_ + n == end_ && More())) break;
  }
  const char* start = p_;
  p_ = NumberEnd(start, ok);
  if (!ok) Fail("bad number");
  double v = 0;
  const auto r = std::from_chars(start, p_, v);
  if (r.ec != std::errc() || r.ptr != p_) {
    const std::string text(start, static_cast<std::size_t>(r.ptr - start));
    p_ = start;
    Fail("number " + text + " is out of range");
  }
  return v;
}

std::uint32_t Lexer::Hex4() {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i, ++p_) {
    const char c = *p_;
    v <<= 4;
    if (Digit(c)) v |= static_cast<std::uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') v |= static_cast<std::uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') v |= static_cast<std::uint32_t>(c - 'A' + 10);
    else Fail("bad \\u escape");
  }
  return v;
}

void Lexer::String(std::string& out) {
  ++p_;  // the opening quote
  out.clear();
  for (;;) {
    const char* run = p_;
    while (static_cast<unsigned char>(*p_) >= 0x20 && *p_ != '"' && *p_ != '\\' &&
           static_cast<unsigned char>(*p_) < 0x80)
      ++p_;
    out.append(run, p_);
    const auto c = static_cast<unsigned char>(*p_);
    if (c == '"') {
      ++p_;
      return;
    }
    if (c == '\\') {
      Ensure(12);  // the longest escape: a surrogate pair
      ++p_;
      const char e = *p_++;
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (p_[0] != '\\' || p_[1] != 'u') Fail("a lone UTF-16 surrogate in a text");
            p_ += 2;
            const std::uint32_t lo = Hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) Fail("a lone UTF-16 surrogate in a text");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            Fail("a lone UTF-16 surrogate in a text");
          }
          text::AppendUtf8(out, cp);
          break;
        }
        default: --p_, Fail("bad escape in a text");
      }
    } else if (c >= 0x80) {
      Ensure(4);
      const std::size_t len = text::Utf8CharLength(std::string_view(p_, static_cast<std::size_t>(end_ - p_)));
      if (!len) Fail("a text is not valid UTF-8");
      out.append(p_, len);
      p_ += len;
    } else if (!(c == '\0' && AtEnd() && More())) {
      Fail(AtEnd() ? "the document ends inside a text" : "a control character inside a text");
    }
  }
}

void Lexer::List(Node& out, int depth) {
  ++p_;
  out.kind = Node::Kind::Array;
  Space();
  if (*p_ == ']') {
    ++p_;
    return;
  }
  for (;;) {
    Space();
    if (out.items.empty() && (*p_ == '-' || Digit(*p_))) {
      out.nums.push_back(Number());
    } else {
      if (out.items.empty() && !out.nums.empty()) {
        // Not a list of numbers after all: keep the numbers read so far as elements.
        out.items.resize(out.nums.size());
        for (std::size_t i = 0; i < out.nums.size(); ++i) {
          out.items[i].kind = Node::Kind::Number;
          out.items[i].num = out.nums[i];
        }
        out.nums.clear();
        out.nums.shrink_to_fit();
      }
      out.items.emplace_back();
      Value(out.items.back(), depth + 1);
    }
    Space();
    if (*p_ == ',') {
      ++p_;
      continue;
    }
    if (*p_ == ']') {
      ++p_;
      return;
    }
    Fail(AtEnd() ? "the document ends too early" : "',' or ']' expected");
  }
}

void Lexer::Object(Node& out, int depth) {
  ++p_;
  out.kind = Node::Kind::Object;
  Space();
  if (*p_ == '}') {
    ++p_;
    return;
  }
  for (;;) {
    Space();
    if (*p_ != '"') Fail(AtEnd() ? "the document ends too early" : "a quoted key expected");
    out.members.emplace_back();
    String(out.members.back().first);
    Space();
    if (*p_ != ':') Fail("':' expected");
    ++p_;
    Space();
    Value(out.members.back().second, depth + 1);
    Space();
    if (*p_ == ',') {
      ++p_;
      continue;
    }
    if (*p_ == '}') {
      ++p_;
      return;
    }
    Fail(AtEnd() ? "the document ends too early" : "',' or '}' expected");
  }
}

}  // namespace vx::host::docfile
