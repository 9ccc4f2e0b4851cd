// Fuzzes the text file readers and the field splitter: the first byte picks the encoding and the
// delimiter, the rest is the file.
#include "datafiles/field_splitter.h"
#include "datafiles/vx_file.h"
#include "tests/fuzz/fuzz_files.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  using vx::text::TextEncoding;
  const TextEncoding encodings[] = {TextEncoding::kShiftJIS, TextEncoding::kUTF8, TextEncoding::kUTF16};
  const char16_t delimiters[] = {u',', u'\t', u' ', u'"'};
  const TextEncoding enc = encodings[data[0] % 3];
  const char16_t delimiter = delimiters[(data[0] >> 2) % 4];
  const auto path = vx::fuzz::Folder() / "t.txt";
  vx::fuzz::Write(path, data + 1, size - 1);

  vx::data::CVxTextFile file;
  if (!file.Open(path, enc)) return 0;
  vx::data::FieldSplitter splitter;
  splitter.SetDelimiter(delimiter);
  std::u16string line;
  std::size_t lines = 0;
  while (file.ReadLine(line)) {
    if (++lines > size + 1) __builtin_trap();  // more lines than bytes: the reader does not end
    const std::int32_t n = splitter.Split(line);
    for (std::int32_t i = -1; i <= n; ++i) (void)splitter.Field(i);
    (void)vx::text::Utf16ToUtf8(line);
    (void)vx::text::Utf16ToShiftJis(line);
    (void)vx::text::Utf8ToUtf16(vx::text::Utf16ToUtf8(line));
  }
  return 0;
}
