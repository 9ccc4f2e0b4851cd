#include "datafiles/field_splitter.h"


namespace vx::data {

void FieldSplitter::SetDelimiter(char16_t delimiter) {
  delimiter_ = delimiter;
  const std::u16string line = line_;
  Split(line);
}

std::int32_t FieldSplitter::Split(std::u16string_view line) {
  fields_.clear();
  count_ = 0;
  tooMany_ = false;
  line_.assign(line);
  const std::size_t n = line_.size();
  if (n == 0) return 0;
  std::size_t i = 0;
  std::size_t j = 0;
  do {
    std::u16string field;
    if (i < n && line_[i] == u'"') {
      j = i + 1;
      while (j < n) {
        if (line_[j] == u'"') {
          if (j + 1 < n && line_[j + 1] == u'"') {
            field.push_back(u'"');
            j += 2;
            continue;
          }
          // Closing quote: whatever follows up to the delimiter still belongs to the field.
          const std::size_t start = j + 1;
          std::size_t end = line_.find(delimiter_, start);
          if (end == std::u16string::npos) end = n;
          field.append(line_, start, end - start);
          j = end;
          break;
        }
        field.push_back(line_[j]);
        ++j;
      }
    } else {
      j = i < n ? line_.find(delimiter_, i) : std::u16string::npos;
      if (j == std::u16string::npos) j = n;
      if (i < j) field.assign(line_, i, j - i);
    }
    fields_.push_back(std::move(field));
    i = j + 1;
  } while (j < n && fields_.size() < static_cast<std::size_t>(kMaxFields));
  tooMany_ = j < n;
  count_ = static_cast<std::int32_t>(fields_.size());
  return count_;
}

std::u16string FieldSplitter::Field(std::int32_t i) const {
  if (i < 0 || i >= count_) return {};
  return fields_[static_cast<std::size_t>(i)];
}

}  // namespace vx::data
