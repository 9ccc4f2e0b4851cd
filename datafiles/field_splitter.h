// Cuts one line of delimited text into its fields, with double-quoted fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::data {

class FieldSplitter {
 public:
  // The most fields a line may have. A line with more is cut there and TooMany() says so: each
  // field costs memory all the way to the attribute lists, and a table has at most 255 columns.
  static constexpr std::int32_t kMaxFields = 10000;

  FieldSplitter() = default;

  // The delimiter becomes `delimiter` and the current line is split again.
  void SetDelimiter(char16_t delimiter);
  // The line becomes the current line; gives the number of fields (0 for an empty line).
  std::int32_t Split(std::u16string_view line);
  // Field i of the current line; empty when i is not a field index.
  std::u16string Field(std::int32_t i) const;
  std::int32_t Count() const { return count_; }
  // True when the current line has more than kMaxFields fields.
  bool TooMany() const { return tooMany_; }

 private:
  std::int32_t count_ = 0;
  bool tooMany_ = false;
  char16_t delimiter_ = u',';
  std::u16string line_;
  std::vector<std::u16string> fields_;
};

}  // namespace vx::data
