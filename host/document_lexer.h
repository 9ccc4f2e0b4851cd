// The lexer of saved documents: JSON read from a file in chunks (or from text in memory), so a
// large document never sits in memory as text. Values are taken one at a time (objects member by
// member, lists item by item) or whole into a small tree, whose lists of numbers are plain
// vectors (the bulk of a document is path coordinates).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vx::host::docfile {

struct Member;

struct Node {
  enum class Kind : std::uint8_t { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool b = false;
  double num = 0;
  std::string str;
  // An array is held in `nums` while every element is a number, else in `items`.
  std::vector<double> nums;
  std::vector<Node> items;
  std::vector<Member> members;

  bool IsNumbers() const { return kind == Kind::Array && items.empty(); }
  const Node* Find(std::string_view key) const;
};

struct Member {
  std::string first;
  Node second;
};

// Faults throw DocumentError (host/document_io.h) saying "line L, column C: what".
class Lexer {
 public:
  // Reads `file` (open for reading) in chunks.
  explicit Lexer(std::FILE* file);
  // Text in memory; `text` is NUL-terminated one past its end (a std::string's data is).
  Lexer(const char* text, std::size_t size) : p_(text), end_(text + size), start_(text), eof_(true) {}

  [[noreturn]] void Fail(const std::string& what) const;

  // Skips white space: afterwards Peek() is the next character, '\0' at the end.
  void Space() {
    for (;;) {
      const char c = *p_;
      if (c == ' ' || c == '\t' || c == '\r') {
        ++p_;
      } else if (c == '\n') {
        ++p_;
        ++line_;
        lineStart_ = Pos();
      } else if (!(c == '\0' && p_ == end_ && More())) {
        return;
      }
    }
  }
  char Peek() const { return *p_; }
  bool AtEnd() const { return p_ == end_; }

  // The whole value here (after Space) into `out`; `depth` counts the containers around it.
  void Value(Node& out, int depth);

  // An object member by member: Open at its '{' (after Space), then Member until it says false;
  // each true leaves the lexer at the member's value (after Space). Lists alike with OpenList and
  // Item.
  void Open(int depth);
  bool Member(std::string& key);
  void OpenList(int depth) { Open(depth); }
  bool Item();

 private:
  static constexpr std::size_t kChunk = 1 << 20;

  std::size_t Pos() const { return base_ + static_cast<std::size_t>(p_ - start_); }
  bool More();
  void Ensure(std::size_t n);
  void Literal(const char* word);
  double Number();
  std::uint32_t Hex4();
  void String(std::string& out);
  void List(Node& out, int depth);
  void Object(Node& out, int depth);

  std::FILE* file_ = nullptr;
  std::vector<char> buf_;  // file input: a chunk and a NUL after it
  const char* p_;
  const char* end_;
  const char* start_;  // where base_ is
  bool eof_ = false;
  std::size_t base_ = 0;  // offset in the input of start_
  std::size_t line_ = 1;
  std::size_t lineStart_ = 0;  // offset of the current line's start
  bool first_ = false;         // Member, Item: none read yet
};

}  // namespace vx::host::docfile
