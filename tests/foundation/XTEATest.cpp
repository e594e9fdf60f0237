#include <gtest/gtest.h>

#include <vector>

#include "engine/LittleEndian.h"
#include "engine/XTEA.h"
#include "engine/XTEABatch.h"
#include "tests/foundation/FoundationKit.h"

namespace {

using namespace foundation_test;

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) { return Bytes(&bytes[from], &bytes[to]); }

// Published XTEA vectors at 32 cycles (two independent sets), words read big-endian
// from the published hex: key, plain text, cipher text.
constexpr std::uint32_t kPublished[][8] = {
    {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F, 0x41424344, 0x45464748, 0x497DF3D0, 0x72612CB5},
    {0, 0, 0, 0, 0, 0, 0xDEE9D4D8, 0xF7131ED9},
};

// A fresh object enciphers with 32 cycles; buffers hold each block as two little-endian
// words, and a partial block stays as it is.
TEST(XTEA, MatchesThePublishedVectorsAndOnlyTouchesWholeBlocks) {
  for (const auto& v : kPublished) {
    XTEA cipher;
    cipher.SetKey(v);
    Bytes buffer(15, 0x5A);
    StoreLE32(&buffer[0], v[4]), StoreLE32(&buffer[4], v[5]);
    cipher.Encipher(buffer.data(), 15);
    EXPECT_EQ(std::pair(LoadLE32(&buffer[0]), LoadLE32(&buffer[4])), std::pair(v[6], v[7]));
    EXPECT_EQ(Slice(buffer, 8, 15), Bytes(7, 0x5A));
  }
}

TEST(XTEAMod, PadHoldsTheTextFourTimesAndWhitensEvenBlocksBeforeOddBlocksAfter) {
  const std::uint32_t vector[2] = {0xA5A5A5A5, 0x0F0F0F0F};
  const std::uint32_t key[4] = {0x01234567, 0x89ABCDEF, 0xFEDCBA98, 0x76543210};
  XTEAMod cipher;
  cipher.SetPad(vector, "");
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], 0) << i;
  cipher.SetPad(vector, "Pad text!");  // four copies of the text, then zeros
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], i < 36 ? "Pad text!"[i % 9] : 0) << i;
  cipher.SetKey(key);
  cipher.SetRounds(5);
  const Bytes plain = PatternBytes(129 * 8 + 7, 2);
  Bytes buffer = plain;
  cipher.Encipher(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
  for (int i : {0, 1, 2, 127, 128}) {  // block 128 takes pad words 0 and 1 again
    auto whiten = [&](std::uint32_t block[2]) {
      for (int w = 0; w < 2; ++w) block[w] ^= LoadLE32(cipher.GetPad() + 4 * ((2 * i + w) % 256)) ^ vector[w];
    };
    std::uint32_t block[2] = {LoadLE32(&plain[8 * i]), LoadLE32(&plain[8 * i + 4])};
    if (i % 2 == 0) whiten(block);
    XTEA::EncipherBlock(5, block, key);
    if (i % 2 == 1) whiten(block);
    EXPECT_EQ(LoadLE32(&buffer[8 * i]), block[0]) << i;
    EXPECT_EQ(LoadLE32(&buffer[8 * i + 4]), block[1]) << i;
  }
  EXPECT_EQ(Slice(buffer, 129 * 8, buffer.size()), Slice(plain, 129 * 8, plain.size()));
  // Positions count from the start of each call: deciphering from another byte fails.
  cipher.Decipher(buffer.data() + 8, 128 * 8);
  EXPECT_NE(Slice(buffer, 8, 16), Slice(plain, 8, 16));
}

// Every batch path, and the dispatch, against the one-block-at-a-time yardstick on
// buffers of many lengths and cycle counts (over 64 take the one-by-one fallback).
TEST(XTEAMod, FastPathsMatchTheOneByOneReference) {
  std::vector<std::uint32_t> lengths = {1031, 2048 + 136, 8192 + 7, 65536 + 200};
  for (std::uint32_t n = 0; n <= 300; ++n) lengths.push_back(n);
  const std::uint32_t key[4] = {1, 2, 3, 0xFFFFFFFF}, vector[2] = {5, 6};
  for (std::uint32_t rounds : {0u, 1u, 5u, 32u, 64u, 65u}) {
    XTEAMod cipher;
    cipher.SetKey(key);
    cipher.SetRounds(rounds);
    cipher.SetPad(vector, "ZorvempLaxit");
    // Deciphering whitens odd blocks before the cipher step, enciphering even ones.
    xtea_batch::Whitening decipherWhitening{}, encipherWhitening{};
    for (std::uint32_t word = 0; word < 2 * xtea_batch::kPeriodBlocks; ++word) {
      const std::uint32_t value = LoadLE32(cipher.GetPad() + 4 * word) ^ vector[word % 2];
      const bool odd = (word / 2) % 2 == 1;
      (odd ? decipherWhitening.before : decipherWhitening.after)[word] = value;
      (odd ? encipherWhitening.after : encipherWhitening.before)[word] = value;
    }
    for (std::uint32_t length : lengths) {
      const Bytes plain = PatternBytes(length, length + rounds);
      Bytes actual = plain;
      cipher.EncipherOneByOne(actual.data(), length);
      for (auto path : {xtea_batch::Path::OneByOne, xtea_batch::Path::Sse2, xtea_batch::Path::Avx2}) {
        if (rounds > xtea_batch::kMaxScheduledRounds || !xtea_batch::PathAvailable(path)) continue;
        Bytes copy = actual;
        xtea_batch::Decipher(path, copy.data(), length / 8, xtea_batch::DecipherSchedule(rounds, key), decipherWhitening);
        ASSERT_EQ(copy, plain) << xtea_batch::PathName(path) << " rounds " << rounds << " length " << length;
        xtea_batch::Encipher(path, copy.data(), length / 8, xtea_batch::EncipherSchedule(rounds, key), encipherWhitening);
        ASSERT_EQ(copy, actual) << xtea_batch::PathName(path) << " rounds " << rounds << " length " << length;
      }
      cipher.Decipher(actual.data(), length);
      ASSERT_EQ(actual, plain) << "rounds " << rounds << " length " << length;
    }
  }
}

}  // namespace
