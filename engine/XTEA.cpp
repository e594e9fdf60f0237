#include "engine/XTEA.h"

#include <cstring>

#include "engine/LittleEndian.h"
#include "engine/XTEABatch.h"

namespace {

// Every user sets its own key; this one only keeps a fresh object deterministic.
constexpr std::uint32_t kDefaultKey[4] = {0x243F6A88u, 0x85A308D3u, 0x13198A2Eu, 0x03707344u};
constexpr std::uint32_t kDefaultRounds = 32;

xtea_batch::Path FastestPath() {
  static const xtea_batch::Path path = xtea_batch::BestPath();
  return path;
}

}  // namespace

XTEA::XTEA() : rounds(kDefaultRounds) { std::memcpy(key, kDefaultKey, sizeof key); }

void XTEA::SetKey(const std::uint32_t newKey[4]) { std::memcpy(key, newKey, sizeof key); }

void XTEA::SetRounds(std::uint32_t newRounds) { rounds = newRounds; }

void XTEA::EncipherBlock(std::uint32_t rounds, std::uint32_t block[2], const std::uint32_t key[4]) {
  std::uint32_t w0 = block[0], w1 = block[1], sum = 0;
  for (std::uint32_t i = 0; i < rounds; ++i) {
    w0 += (((w1 << 4) ^ (w1 >> 5)) + w1) ^ (sum + key[sum & 3]);
    sum += kDelta;
    w1 += (((w0 << 4) ^ (w0 >> 5)) + w0) ^ (sum + key[(sum >> 11) & 3]);
  }
  block[0] = w0;
  block[1] = w1;
}

void XTEA::DecipherBlock(std::uint32_t rounds, std::uint32_t block[2], const std::uint32_t key[4]) {
  std::uint32_t w0 = block[0], w1 = block[1], sum = rounds * kDelta;
  for (std::uint32_t i = 0; i < rounds; ++i) {
    w1 -= (((w0 << 4) ^ (w0 >> 5)) + w0) ^ (sum + key[(sum >> 11) & 3]);
    sum -= kDelta;
    w0 -= (((w1 << 4) ^ (w1 >> 5)) + w1) ^ (sum + key[sum & 3]);
  }
  block[0] = w0;
  block[1] = w1;
}

void XTEA::Encipher(std::uint8_t* buffer, std::uint32_t length) {
  const std::uint32_t blocks = length / kBlockSize;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint8_t* at = buffer + static_cast<std::size_t>(i) * kBlockSize;
    std::uint32_t block[2] = {LoadLE32(at), LoadLE32(at + 4)};
    EncipherBlock(rounds, block, key);
    StoreLE32(at, block[0]);
    StoreLE32(at + 4, block[1]);
  }
}

void XTEA::Decipher(std::uint8_t* buffer, std::uint32_t length) {
  const std::uint32_t blocks = length / kBlockSize;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint8_t* at = buffer + static_cast<std::size_t>(i) * kBlockSize;
    std::uint32_t block[2] = {LoadLE32(at), LoadLE32(at + 4)};
    DecipherBlock(rounds, block, key);
    StoreLE32(at, block[0]);
    StoreLE32(at + 4, block[1]);
  }
}

XTEAMod::XTEAMod() : padTextLength(0) {}

void XTEAMod::SetPad(const std::uint32_t newVector[2], const char* text) {
  const std::size_t length = text == nullptr ? 0 : std::strlen(text);
  padTextLength = static_cast<std::uint32_t>(length);
  std::memset(pad, 0, sizeof pad);
  for (std::size_t copy = 0; copy < 4 && length > 0; ++copy) {
    const std::size_t start = copy * length;
    if (start >= kPadSize) break;
    const std::size_t room = kPadSize - start;
    std::memcpy(pad + start, text, length < room ? length : room);
  }
  vector[0] = newVector[0];
  vector[1] = newVector[1];
}

std::uint32_t XTEAMod::PadWord(std::uint32_t j) const { return LoadLE32(pad + 4 * j); }

// The whitening exactly as stated: pad word index j and vector index a run on across
// the blocks of one call. Enciphering whitens even blocks before the cipher and odd ones
// after it; deciphering undoes that, so it whitens odd blocks first.
void XTEAMod::CipherOneByOne(std::uint8_t* buffer, std::uint32_t length, bool decipher) const {
  std::uint32_t j = 0, a = 0;
  const std::uint32_t blocks = length / kBlockSize;
  for (std::uint32_t i = 0; i < blocks; ++i) {
    std::uint8_t* at = buffer + static_cast<std::size_t>(i) * kBlockSize;
    std::uint32_t block[2] = {LoadLE32(at), LoadLE32(at + 4)};
    auto whiten = [&] {
      block[0] ^= PadWord(j) ^ vector[a];
      a = (a - 1) & 1;
      block[1] ^= PadWord(j + 1) ^ vector[a];
      a = (a - 1) & 1;
      j = (j + 2) & 255;
    };
    const bool whitenFirst = (i % 2 == 0) != decipher;
    if (whitenFirst) whiten();
    if (decipher) {
      DecipherBlock(rounds, block, key);
    } else {
      EncipherBlock(rounds, block, key);
    }
    if (!whitenFirst) whiten();
    StoreLE32(at, block[0]);
    StoreLE32(at + 4, block[1]);
  }
}

void XTEAMod::EncipherOneByOne(std::uint8_t* buffer, std::uint32_t length) const {
  CipherOneByOne(buffer, length, false);
}

void XTEAMod::DecipherOneByOne(std::uint8_t* buffer, std::uint32_t length) const {
  CipherOneByOne(buffer, length, true);
}

namespace {

// whitenEvenFirst: even blocks are whitened before their cipher step (enciphering).
void BuildWhitening(xtea_batch::Whitening& out, const std::uint8_t* pad, const std::uint32_t vector[2],
                    bool whitenEvenFirst) {
  for (std::uint32_t i = 0; i < xtea_batch::kPeriodBlocks; ++i) {
    const std::uint32_t w0 = LoadLE32(pad + 8 * i) ^ vector[0];
    const std::uint32_t w1 = LoadLE32(pad + 8 * i + 4) ^ vector[1];
    const bool first = (i % 2 == 0) == whitenEvenFirst;
    out.before[2 * i] = first ? w0 : 0;
    out.before[2 * i + 1] = first ? w1 : 0;
    out.after[2 * i] = first ? 0 : w0;
    out.after[2 * i + 1] = first ? 0 : w1;
  }
}

}  // namespace

void XTEAMod::Encipher(std::uint8_t* buffer, std::uint32_t length) {
  if (rounds > xtea_batch::kMaxScheduledRounds) {
    EncipherOneByOne(buffer, length);
    return;
  }
  xtea_batch::Whitening whitening;
  BuildWhitening(whitening, pad, vector, true);
  xtea_batch::Encipher(FastestPath(), buffer, length / kBlockSize, xtea_batch::EncipherSchedule(rounds, key),
                       whitening);
}

void XTEAMod::Decipher(std::uint8_t* buffer, std::uint32_t length) {
  if (rounds > xtea_batch::kMaxScheduledRounds) {
    DecipherOneByOne(buffer, length);
    return;
  }
  xtea_batch::Whitening whitening;
  BuildWhitening(whitening, pad, vector, false);
  xtea_batch::Decipher(FastestPath(), buffer, length / kBlockSize, xtea_batch::DecipherSchedule(rounds, key),
                       whitening);
}
