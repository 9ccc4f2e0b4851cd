// Explicit byte order for the binary formats: values are assembled byte by byte, so the host's
// own order never matters.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace vx::data::bytes {

inline std::uint32_t GetU32BE(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}
inline std::uint32_t GetU32LE(const unsigned char* p) {
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}
inline std::int32_t GetI32BE(const unsigned char* p) { return static_cast<std::int32_t>(GetU32BE(p)); }
inline std::int32_t GetI32LE(const unsigned char* p) { return static_cast<std::int32_t>(GetU32LE(p)); }
inline std::uint16_t GetU16LE(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline double GetF64LE(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return std::bit_cast<double>(v);
}

inline void PutU32BE(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}
inline void PutU32LE(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
inline void PutI32BE(unsigned char* p, std::int32_t v) { PutU32BE(p, static_cast<std::uint32_t>(v)); }
inline void PutI32LE(unsigned char* p, std::int32_t v) { PutU32LE(p, static_cast<std::uint32_t>(v)); }
inline void PutU16LE(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutF64LE(unsigned char* p, double d) {
  std::uint64_t v = std::bit_cast<std::uint64_t>(d);
  for (int i = 0; i < 8; ++i, v >>= 8) p[i] = static_cast<unsigned char>(v);
}

}  // namespace vx::data::bytes
