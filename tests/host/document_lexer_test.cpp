// The saved documents' lexer: values whole or piece by piece, tokens cut by a chunk's end, numbers
// that read back exactly, and faults placed by line and column.
#include "host/document_io.h"
#include "host/document_lexer.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace vx::test {
namespace {

using namespace vx::host::docfile;

Node Whole(const std::string& text) {
  Lexer lex(text.data(), text.size());
  lex.Space();
  Node n;
  lex.Value(n, 0);
  return n;
}

// The message the lexer fails `text` with, "" when it reads.
std::string Fault(const std::string& text) {
  try {
    Whole(text);
  } catch (const DocumentError& e) {
    return e.what();
  }
  return "";
}

TEST(DocumentLexer, ValuesComeWhole) {
  const Node n = Whole(
      R"( {"nums":[1, 2.5,-0,1e-300], "mixed":[1,"x",{}], "text":"a\u00e9\ud83d\ude00\t\"", "none":null,)"
      "\n" R"("yes":true, "no":false, "empty":[], "obj":{"k":{"int":3}}} )");
  ASSERT_EQ(n.kind, Node::Kind::Object);
  ASSERT_EQ(n.members.size(), 8u);
  const Node* nums = n.Find("nums");
  ASSERT_TRUE(nums && nums->IsNumbers());
  EXPECT_EQ(nums->nums, (std::vector<double>{1, 2.5, -0.0, 1e-300}));
  EXPECT_TRUE(std::signbit(nums->nums[2]));
  // A list that turns out not to be all numbers keeps the numbers read before as its first items.
  const Node* mixed = n.Find("mixed");
  ASSERT_TRUE(mixed && !mixed->IsNumbers());
  ASSERT_EQ(mixed->items.size(), 3u);
  EXPECT_TRUE(mixed->nums.empty());
  EXPECT_EQ(mixed->items[0].kind, Node::Kind::Number);
  EXPECT_EQ(mixed->items[0].num, 1);
  EXPECT_EQ(mixed->items[1].str, "x");
  EXPECT_EQ(mixed->items[2].kind, Node::Kind::Object);
  EXPECT_EQ(n.Find("text")->str, "a\xC3\xA9\xF0\x9F\x98\x80\t\"");
  EXPECT_EQ(n.Find("none")->kind, Node::Kind::Null);
  EXPECT_TRUE(n.Find("yes")->b);
  EXPECT_EQ(n.Find("no")->kind, Node::Kind::Bool);
  EXPECT_FALSE(n.Find("no")->b);
  EXPECT_TRUE(n.Find("empty")->IsNumbers() && n.Find("empty")->nums.empty());
  EXPECT_EQ(n.Find("obj")->Find("k")->Find("int")->num, 3);
  EXPECT_EQ(n.Find("missing"), nullptr);
}

TEST(DocumentLexer, MembersAndItemsOneAtATime) {
  const std::string text = R"({"a":[1,{"b":2}],"c":"d"})";
  Lexer lex(text.data(), text.size());
  lex.Space();
  lex.Open(0);
  std::string key;
  ASSERT_TRUE(lex.Member(key));
  EXPECT_EQ(key, "a");
  lex.OpenList(1);
  ASSERT_TRUE(lex.Item());
  Node one;
  lex.Value(one, 2);
  EXPECT_EQ(one.num, 1);
  ASSERT_TRUE(lex.Item());
  Node obj;
  lex.Value(obj, 2);
  EXPECT_EQ(obj.Find("b")->num, 2);
  EXPECT_FALSE(lex.Item());
  ASSERT_TRUE(lex.Member(key));
  EXPECT_EQ(key, "c");
  Node d;
  lex.Value(d, 1);
  EXPECT_EQ(d.str, "d");
  EXPECT_FALSE(lex.Member(key));
  lex.Space();
  EXPECT_TRUE(lex.AtEnd());
}

// A file is read a mebibyte at a time: a token cut by a chunk's end, at every byte of it, comes
// back whole.
TEST(DocumentLexer, TokensCutByAChunkComeBackWhole) {
  constexpr std::size_t kChunk = 1 << 20;
  struct Token {
    const char* text;
    Node::Kind kind;
    double num;
    const char* str;
  } tokens[] = {
      {"-123456.789012345e-7", Node::Kind::Number, -123456.789012345e-7, ""},
      {R"("x\u00e9\ud83d\ude00\n名")", Node::Kind::String, 0, "x\xC3\xA9\xF0\x9F\x98\x80\n\xE5\x90\x8D"},
      {"false", Node::Kind::Bool, 0, ""},
  };
  for (const Token& t : tokens) {
    const std::size_t len = std::strlen(t.text);
    for (std::size_t cut = 0; cut <= len; ++cut) {
      // The list's '[' and padding fill the first chunk up to `cut` bytes into the token.
      std::string text = "[" + std::string(kChunk - 1 - cut, ' ') + t.text + ",7]";
      const std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::tmpfile(), &std::fclose);
      ASSERT_TRUE(f);
      ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f.get()), text.size());
      std::rewind(f.get());
      Lexer lex(f.get());
      lex.Space();
      Node n;
      ASSERT_NO_THROW(lex.Value(n, 0)) << t.text << " cut after " << cut;
      const Node& first = n.IsNumbers() ? n : n.items[0];
      if (t.kind == Node::Kind::Number) {
        ASSERT_EQ(n.nums.size(), 2u) << cut;
        EXPECT_EQ(n.nums[0], t.num) << cut;
      } else {
        ASSERT_EQ(n.items.size(), 2u) << cut;
        EXPECT_EQ(first.kind, t.kind) << cut;
        EXPECT_EQ(first.str, t.str) << cut;
        EXPECT_EQ(n.items[1].num, 7) << cut;
      }
    }
  }
}

// Numbers as the writer prints them (shortest form that reads back) come back bit for bit.
TEST(DocumentLexer, NumbersReadBackExactly) {
  const double values[] = {0.1,
                           -0.0,
                           1.0 / 3,
                           123456.789012345,
                           -4.9406564584124654e-324,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::min(),
                           2.2250738585072009e-308,
                           9007199254740993.0,
                           1e23};
  std::string text = "[";
  for (double v : values) {
    char buf[32];
    text.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    text += ',';
  }
  text.back() = ']';
  const Node n = Whole(text);
  ASSERT_EQ(n.nums.size(), std::size(values));
  for (std::size_t i = 0; i < n.nums.size(); ++i)
    EXPECT_EQ(std::memcmp(&n.nums[i], &values[i], sizeof(double)), 0) << values[i];
}

TEST(DocumentLexer, FaultsArePlacedByLineAndColumn) {
  struct Case {
    std::string text;
    std::string says;
  } cases[] = {
      {"", "line 1, column 1: the document ends too early"},
      {"[1,\n 2,]", "line 2, column 4: not JSON"},
      {"[1 2]", "line 1, column 4: ',' or ']' expected"},
      {R"({"a" 1})", "line 1, column 6: ':' expected"},
      {R"({"a":1 "b":2})", "line 1, column 8: ',' or '}' expected"},
      {"{1:2}", "line 1, column 2: a quoted key expected"},
      {"[01]", "line 1, column 3: ',' or ']' expected"},
      {"[-]", "line 1, column 3: bad number"},
      {"[1.]", "line 1, column 4: bad number"},
      {"[1e]", "line 1, column 4: bad number"},
      {"[1e999]", "line 1, column 2: number 1e999 is out of range"},
      {"tru", "line 1, column 1: not JSON"},
      {R"(["a)", "line 1, column 4: the document ends inside a text"},
      {"[\"a\x01\"]", "line 1, column 4: a control character inside a text"},
      {"[\"\xC3\x28\"]", "line 1, column 3: a text is not valid UTF-8"},
      {"[\"\xED\xA0\x80\"]", "line 1, column 3: a text is not valid UTF-8"},  // a surrogate in UTF-8
      {R"(["\ud800x"])", "a lone UTF-16 surrogate in a text"},
      {R"(["\udc00"])", "a lone UTF-16 surrogate in a text"},
      {R"(["\x"])", "line 1, column 4: bad escape in a text"},
      {R"(["\u12g4"])", "bad \\u escape"},
      {std::string(kMaxJsonDepth + 2, '['), std::string("nested too deep (art is read to ") + kMaxDepthText + " levels)"},
  };
  for (const Case& c : cases) {
    const std::string fault = Fault(c.text);
    EXPECT_NE(fault.find(c.says), std::string::npos) << c.text.substr(0, 40) << ": " << fault;
  }
  EXPECT_EQ(Fault(std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']')), "") << "as deep as allowed";
}

}  // namespace
}  // namespace vx::test
