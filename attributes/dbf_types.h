// Attribute-table header and column descriptor as the table reader and writer hold them in
// memory. Plain records, shared by the field model and the data files.
#pragma once

#include <cstdint>
#include <string_view>

namespace vx::attr {

struct DbfFieldDesc {
  char name[12] = {};  // up to 11 bytes, always followed by a zero byte
  char type = 'C';
  std::uint8_t length = 0;
  std::uint8_t decimals = 0;

  // The name bytes up to the first zero byte.
  std::string_view Name() const {
    std::size_t n = 0;
    while (n < sizeof name - 1 && name[n] != '\0') ++n;
    return {name, n};
  }
};

struct DbfHeader {
  std::uint8_t version = 0;
  std::uint8_t year = 0;  // years since 1900
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t rowLength = 0;
  std::uint8_t incompleteTransaction = 0;
  std::uint8_t encryption = 0;
  std::uint8_t indexFlag = 0;
  std::uint8_t languageDriver = 0;
};

}  // namespace vx::attr
