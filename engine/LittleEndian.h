// Little-endian 32-bit words in byte buffers, whatever the host's byte order. The
// resource packs and their cipher store every number this way.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

inline std::uint32_t LoadLE32(const std::uint8_t* at) {
  std::uint32_t value;
  std::memcpy(&value, at, sizeof value);
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  return value;
}

inline void StoreLE32(std::uint8_t* at, std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
  std::memcpy(at, &value, sizeof value);
}
