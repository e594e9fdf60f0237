#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/LittleEndian.h"
#include "engine/XTEA.h"
#include "engine/XTEABatch.h"
#include "tests/foundation/FoundationKit.h"

namespace {

using namespace foundation_test;
using xtea_batch::Path;

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) { return Bytes(&bytes[from], &bytes[to]); }

// Published XTEA vectors at 32 cycles (two independent sets), words read big-endian
// from the published hex: key, plain text, cipher text.
constexpr std::uint32_t kPublished[][8] = {
    {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F, 0x41424344, 0x45464748, 0x497DF3D0, 0x72612CB5},
    {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F, 0x5A5B6E27, 0x8948D77F, 0x41414141, 0x41414141},
    {0, 0, 0, 0, 0x41424344, 0x45464748, 0xA0390589, 0xF8B8EFA5},
    {0, 0, 0, 0, 0, 0, 0xDEE9D4D8, 0xF7131ED9},
    {0x01234567, 0x12345678, 0x23456789, 0x3456789A, 0, 0, 0x1FF9A026, 0x1AC64264},
    {0x01234567, 0x12345678, 0x23456789, 0x3456789A, 0x01020304, 0x05060708, 0x8C67155B, 0x2EF91EAD},
};

TEST(Xtea, MatchesThePublishedVectorsAndOnlyTouchesWholeBlocks) {
  for (const auto& v : kPublished) {
    std::uint32_t block[2] = {v[4], v[5]};
    XTEA::EncipherBlock(32, block, v);
    EXPECT_EQ(std::pair(block[0], block[1]), std::pair(v[6], v[7]));
    XTEA::DecipherBlock(32, block, v);
    EXPECT_EQ(std::pair(block[0], block[1]), std::pair(v[4], v[5]));
  }
  // Buffers hold each block as two little-endian words; a partial block stays as it is.
  XTEA cipher;
  cipher.SetKey(kPublished[0]);
  Bytes buffer = PatternBytes(15, 1);
  const Bytes original = buffer;
  StoreLE32(&buffer[0], kPublished[0][4]);
  StoreLE32(&buffer[4], kPublished[0][5]);
  cipher.Encipher(buffer.data(), 15);
  EXPECT_EQ(std::pair(LoadLE32(&buffer[0]), LoadLE32(&buffer[4])), std::pair(kPublished[0][6], kPublished[0][7]));
  EXPECT_EQ(Slice(buffer, 8, 15), Slice(original, 8, 15));
  cipher.Decipher(buffer.data(), 7);
  EXPECT_EQ(LoadLE32(&buffer[0]), kPublished[0][6]);
}

TEST(XteaMod, PadHoldsTheTextFourTimes) {
  const std::uint32_t vector[2] = {0, 0};
  XTEAMod cipher;
  cipher.SetPad(vector, "ZorvempLaxit");
  EXPECT_EQ(cipher.GetPadTextLength(), 12u);
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], i < 48 ? "ZorvempLaxit"[i % 12] : 0) << i;
  cipher.SetPad(vector, "");
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], 0) << i;
  // Over 256 bytes: the copies run on to the pad's end and stop there.
  cipher.SetPad(vector, (std::string(300, 'q') + "!").c_str());
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], i % 301 == 300 ? '!' : 'q') << i;
}

TEST(XteaMod, WhitensEvenBlocksBeforeAndOddBlocksAfterTheCipher) {
  const std::uint32_t vector[2] = {0xA5A5A5A5, 0x0F0F0F0F};
  const std::uint32_t key[4] = {0x01234567, 0x89ABCDEF, 0xFEDCBA98, 0x76543210};
  XTEAMod cipher;
  cipher.SetPad(vector, "Pad text!");
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
    EXPECT_EQ(std::pair(LoadLE32(&buffer[8 * i]), LoadLE32(&buffer[8 * i + 4])), std::pair(block[0], block[1])) << i;
  }
  EXPECT_EQ(Slice(buffer, 129 * 8, buffer.size()), Slice(plain, 129 * 8, plain.size()));

  // Positions count from the start of each call: deciphering from another byte fails.
  Bytes shifted = buffer;
  cipher.Decipher(shifted.data() + 8, 128 * 8);
  EXPECT_NE(Slice(shifted, 8, 16), Slice(plain, 8, 16));

  // With no cycles both directions only whiten; an empty pad leaves only the vector.
  cipher.SetRounds(0);
  cipher.SetPad(vector, "");
  Bytes a(16, 0), b(16, 0);
  cipher.Encipher(a.data(), 16);
  cipher.Decipher(b.data(), 16);
  EXPECT_EQ(a, b);
  EXPECT_EQ(std::pair(LoadLE32(&a[8]), LoadLE32(&a[12])), std::pair(vector[0], vector[1]));
}

// Every batch path against the one-block-at-a-time yardstick, on random buffers of many
// lengths, cycle counts (over 64 take the one-by-one fallback), keys and pads.
TEST(XteaMod, FastPathsMatchTheOneByOneReference) {
  std::mt19937 generator(20240611);
  auto random = [&generator] { return static_cast<std::uint32_t>(generator()); };
  std::vector<std::uint32_t> lengths;
  for (std::uint32_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::uint32_t n : {1031u, 2048u + 136u, 8192u + 7u, 65536u + 200u}) lengths.push_back(n);

  for (std::uint32_t rounds : {0u, 1u, 5u, 32u, 64u, 65u}) {
    const std::uint32_t key[4] = {random(), random(), random(), random()};
    const std::uint32_t vector[2] = {random(), random()};
    XTEAMod cipher;
    cipher.SetKey(key);
    cipher.SetRounds(rounds);
    cipher.SetPad(vector, (std::string(random() % 40, 'x') + "Laxit").c_str());
    for (std::uint32_t length : lengths) {
      const Bytes plain = PatternBytes(length, random());
      Bytes expected = plain, actual = plain;
      cipher.EncipherOneByOne(expected.data(), length);
      cipher.Encipher(actual.data(), length);
      ASSERT_EQ(actual, expected) << "rounds " << rounds << " length " << length;
      cipher.DecipherOneByOne(expected.data(), length);
      cipher.Decipher(actual.data(), length);
      ASSERT_EQ(actual, plain) << "rounds " << rounds << " length " << length;
    }
  }

  // Each path on its own, whatever the dispatch picks on this machine. Deciphering
  // whitens odd blocks before the cipher step, enciphering even ones.
  const std::uint32_t key[4] = {1, 2, 3, 4}, vector[2] = {5, 6};
  XTEAMod cipher;
  cipher.SetKey(key);
  cipher.SetRounds(5);
  cipher.SetPad(vector, "ZorvempLaxit");
  xtea_batch::Whitening decipherWhitening{}, encipherWhitening{};
  for (std::uint32_t word = 0; word < 2 * xtea_batch::kPeriodBlocks; ++word) {
    const std::uint32_t value = LoadLE32(cipher.GetPad() + 4 * word) ^ vector[word % 2];
    const bool odd = (word / 2) % 2 == 1;
    (odd ? decipherWhitening.before : decipherWhitening.after)[word] = value;
    (odd ? encipherWhitening.after : encipherWhitening.before)[word] = value;
  }
  for (Path path : {Path::OneByOne, Path::Sse2, Path::Avx2}) {
    if (!xtea_batch::PathAvailable(path)) continue;
    for (std::uint32_t length : lengths) {
      const Bytes plain = PatternBytes(length, length);
      Bytes expected = plain, actual = plain;
      cipher.DecipherOneByOne(expected.data(), length);
      xtea_batch::Decipher(path, actual.data(), length / 8, xtea_batch::DecipherSchedule(5, key), decipherWhitening);
      ASSERT_EQ(actual, expected) << xtea_batch::PathName(path) << " length " << length;
      xtea_batch::Encipher(path, actual.data(), length / 8, xtea_batch::EncipherSchedule(5, key), encipherWhitening);
      ASSERT_EQ(actual, plain) << xtea_batch::PathName(path) << " length " << length;
    }
  }
}

}  // namespace
