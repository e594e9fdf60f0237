// A second reading of a pack, written plainly from the format's rules (one block at a
// time, no batch paths), to compare the reader with: the deciphered bytes and the
// directory it gives must be the reader's, byte for byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fuzzprobe {

struct ReferenceEntry {
  std::wstring name;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

struct ReferencePack {
  std::vector<std::uint8_t> plain;  // the file deciphered from byte 20 on, key words unmasked
  std::uint32_t dirOffset = 0, dirSize = 0, dataOffset = 0, dataSize = 0;
  std::vector<ReferenceEntry> entries;
};

// Records are read while one may begin (5 bytes of the directory left) and lies wholly
// inside the file, the reader's documented choice for a directory that runs past it.
ReferencePack ReadReferencePack(std::span<const std::uint8_t> file, std::int32_t salt, const std::uint32_t mask[4],
                                const char* passText);

}  // namespace fuzzprobe
