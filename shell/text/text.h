// Text conversion shared by every part of the system: Shift-JIS as Windows code page 932
// converts it, UTF-8 and UTF-16. Unicode text is UTF-16 (std::u16string), as the host holds it.
// No conversion fails: bytes that are not valid text and characters without a code are
// replaced the way the platform replaces them (see each function).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vx::text {

// The host's encoding codes, and codes of our own (the Windows code page numbers) for the
// Western and EUC tables that files declare; those are converted here, not by the host.
enum class TextEncoding : std::int32_t {
  kShiftJIS = 17,
  kUTF8 = 1,
  kUTF16 = 2,
  kLatin1 = 28591,       // ISO-8859-1: each byte is the character of that number
  kWindows1252 = 1252,   // ISO-8859-1 with printable characters in 0x80-0x9F
  kEucJp = 51932,        // EUC-JP: ASCII, JIS X 0208 in two bytes, half-width kana after 0x8E
};

// True for the codes above.
bool IsKnownEncoding(std::int32_t code);

// Code page 932 → UTF-16. An undefined double-byte pair becomes U+30FB (the code page's default
// character); a lead byte without a valid trail byte (or at the end) becomes U+30FB and the next
// byte is read on its own, so a delimiter after a lone lead byte is never swallowed.
std::u16string ShiftJisToUtf16(std::string_view bytes);

// UTF-16 → code page 932. A character without a code (lone surrogates and characters outside
// the BMP included) becomes '?'.
std::string Utf16ToShiftJis(std::u16string_view text);

// UTF-8 → UTF-16. Each maximal invalid subsequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view bytes);

// UTF-16 → UTF-8. A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Appends `cp` as UTF-8; a value that is no Unicode character (a surrogate, past U+10FFFF)
// becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// Length (1 to 4) of the UTF-8 character `bytes` starts with, or 0 when they do not start with a
// whole, strictly valid one (no overlong forms, no surrogates, nothing past U+10FFFF).
std::size_t Utf8CharLength(std::string_view bytes);
// True when all of `bytes` is strictly valid UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Little-endian UTF-16 bytes → UTF-16 units, taken as they are; an odd last byte is dropped.
std::u16string Utf16LeBytesToUtf16(std::string_view bytes);
std::string Utf16ToUtf16LeBytes(std::u16string_view text);

// Bytes in `encoding` → UTF-16, and back. An unknown encoding is taken as UTF-8.
// `invalid`, when given, is increased by the number of byte sequences that are not text in the
// encoding (each decoded as the conversions above say: U+FFFD, U+30FB, or the byte's own code
// in the gaps of windows-1252); `unencodable` by the characters the encoding has no code for
// (each written as '?'). Callers tell the person these counts: nothing is changed silently.
std::u16string Decode(std::string_view bytes, TextEncoding encoding, std::size_t* invalid = nullptr);
std::string Encode(std::u16string_view text, TextEncoding encoding, std::size_t* unencodable = nullptr);

// True when `bytes` is valid UTF-8 throughout; `nonAscii` tells whether any byte is 0x80 or
// above. A sequence cut off by the end of `bytes` counts as valid (a sample may end inside one).
bool IsValidUtf8(std::string_view bytes, bool& nonAscii);

// The length of the longest prefix of `bytes` that is at most `limit` bytes long and does not
// end inside a character of `encoding` (a character cut off by the end of `bytes` is left out
// too). Cutting elsewhere corrupts the character for every reader.
std::size_t CharBoundary(std::string_view bytes, std::size_t limit, TextEncoding encoding);

// UTF-8 → the platform's 8-bit text (code page 932) as its controls and menus hold it: cut at
// 255 bytes on a character boundary; characters without a code become '?'.
std::string ToPlatformText(std::string_view utf8);
// The platform's 8-bit text → UTF-8.
std::string FromPlatformText(std::string_view bytes);

}  // namespace vx::text
