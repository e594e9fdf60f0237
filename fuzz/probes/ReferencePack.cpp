#include "fuzz/probes/ReferencePack.h"

#include <cstring>

#include "engine/LittleEndian.h"

namespace fuzzprobe {

namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;
constexpr std::uint32_t kRounds = 5;

void DecipherBlock(std::uint32_t& w0, std::uint32_t& w1, const std::uint32_t key[4]) {
  std::uint32_t sum = kRounds * kDelta;
  for (std::uint32_t round = 0; round < kRounds; ++round) {
    w1 -= (((w0 << 4) ^ (w0 >> 5)) + w0) ^ (sum + key[(sum >> 11) & 3]);
    sum -= kDelta;
    w0 -= (((w1 << 4) ^ (w1 >> 5)) + w1) ^ (sum + key[sum & 3]);
  }
}

void Decipher(std::vector<std::uint8_t>& bytes, std::int32_t salt, const std::uint32_t mask[4], const char* passText) {
  std::uint32_t key[4];
  for (int k = 0; k < 4; ++k) {
    key[k] = LoadLE32(bytes.data() + 4 + 4 * k) ^ mask[k];
    StoreLE32(bytes.data() + 4 + 4 * k, key[k]);
  }
  const auto size = static_cast<std::uint32_t>(bytes.size());
  const std::uint32_t vector[2] = {size + static_cast<std::uint32_t>(salt), size - static_cast<std::uint32_t>(salt)};
  std::uint8_t pad[1024] = {};
  const std::size_t length = std::strlen(passText);
  for (std::size_t copy = 0; copy < 4 && length <= 256; ++copy) std::memcpy(pad + copy * length, passText, length);

  const std::uint32_t blocks = (size - 20) / 8;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint8_t* block = bytes.data() + 20 + 8 * static_cast<std::size_t>(i);
    std::uint32_t w0 = LoadLE32(block), w1 = LoadLE32(block + 4);
    const std::uint32_t j = (2 * i) % 256;
    auto whiten = [&] {
      w0 ^= LoadLE32(pad + 4 * j) ^ vector[0];
      w1 ^= LoadLE32(pad + 4 * (j + 1)) ^ vector[1];
    };
    if (i % 2 == 1) {
      whiten();
      DecipherBlock(w0, w1, key);
    } else {
      DecipherBlock(w0, w1, key);
      whiten();
    }
    StoreLE32(block, w0);
    StoreLE32(block + 4, w1);
  }
}

}  // namespace

ReferencePack ReadReferencePack(std::span<const std::uint8_t> file, std::int32_t salt, const std::uint32_t mask[4],
                                const char* passText) {
  ReferencePack pack;
  pack.plain.assign(file.begin(), file.end());
  if (file.size() < 20) return pack;
  Decipher(pack.plain, salt, mask, passText);
  if (file.size() < 36) return pack;
  const std::uint8_t* bytes = pack.plain.data();
  pack.dirOffset = LoadLE32(bytes + 20);
  pack.dirSize = LoadLE32(bytes + 24);
  pack.dataOffset = LoadLE32(bytes + 28);
  pack.dataSize = LoadLE32(bytes + 32);

  const std::uint64_t end = std::uint64_t{pack.dirOffset} + pack.dirSize;
  std::uint64_t at = pack.dirOffset;
  while (at + 4 < end && at + 8 <= file.size()) {
    ReferenceEntry entry;
    entry.offset = LoadLE32(bytes + at);
    entry.size = LoadLE32(bytes + at + 4);
    std::uint64_t name = at + 8;
    while (name < file.size() && bytes[name] != 0) entry.name += static_cast<wchar_t>(bytes[name++]);
    if (name >= file.size()) break;  // no 0 byte before the end of the file
    pack.entries.push_back(std::move(entry));
    at = name + 1;
  }
  return pack;
}

}  // namespace fuzzprobe
