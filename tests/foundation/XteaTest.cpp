#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/LittleEndian.h"
#include "engine/XTEA.h"
#include "engine/XTEABatch.h"
#include "tests/foundation/FoundationKit.h"

namespace {

using foundation_test::PatternBytes;
using Bytes = std::vector<std::uint8_t>;

// Published XTEA vectors (32 cycles), words read big-endian from the hex as published.
struct Vector {
  std::uint32_t key[4];
  std::uint32_t plain[2];
  std::uint32_t cipher[2];
};
constexpr Vector kPublished[] = {
    {{0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F}, {0x41424344, 0x45464748}, {0x497DF3D0, 0x72612CB5}},
    {{0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F}, {0x41414141, 0x41414141}, {0xE78F2D13, 0x744341D8}},
    {{0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F}, {0x5A5B6E27, 0x8948D77F}, {0x41414141, 0x41414141}},
    {{0, 0, 0, 0}, {0x41424344, 0x45464748}, {0xA0390589, 0xF8B8EFA5}},
    {{0, 0, 0, 0}, {0x41414141, 0x41414141}, {0xED23375A, 0x821A8C2D}},
    {{0, 0, 0, 0}, {0x70E1225D, 0x6E4E7655}, {0x41414141, 0x41414141}},
    {{0, 0, 0, 0}, {0, 0}, {0xDEE9D4D8, 0xF7131ED9}},
    {{0, 0, 0, 0}, {0x01020304, 0x05060708}, {0x065C1B89, 0x75C6A816}},
    {{0x01234567, 0x12345678, 0x23456789, 0x3456789A}, {0, 0}, {0x1FF9A026, 0x1AC64264}},
    {{0x01234567, 0x12345678, 0x23456789, 0x3456789A}, {0x01020304, 0x05060708}, {0x8C67155B, 0x2EF91EAD}},
};

TEST(Xtea, MatchesThePublishedVectorsAt32Cycles) {
  for (const Vector& v : kPublished) {
    std::uint32_t block[2] = {v.plain[0], v.plain[1]};
    XTEA::EncipherBlock(32, block, v.key);
    EXPECT_EQ(block[0], v.cipher[0]);
    EXPECT_EQ(block[1], v.cipher[1]);
    XTEA::DecipherBlock(32, block, v.key);
    EXPECT_EQ(block[0], v.plain[0]);
    EXPECT_EQ(block[1], v.plain[1]);
  }
  // The buffer form holds each block as two little-endian words.
  XTEA cipher;
  cipher.SetKey(kPublished[0].key);
  Bytes buffer(8);
  StoreLE32(buffer.data(), kPublished[0].plain[0]);
  StoreLE32(buffer.data() + 4, kPublished[0].plain[1]);
  cipher.Encipher(buffer.data(), 8);
  EXPECT_EQ(LoadLE32(buffer.data()), kPublished[0].cipher[0]);
  EXPECT_EQ(LoadLE32(buffer.data() + 4), kPublished[0].cipher[1]);
}

TEST(Xtea, OnlyWholeBlocksChangeAndZeroCyclesChangeNothing) {
  const std::uint32_t vector[2] = {0x11111111, 0x22222222};
  XTEA plainCipher;
  XTEAMod modifiedCipher;
  modifiedCipher.SetPad(vector, "pad");
  for (XTEA* cipher : {&plainCipher, static_cast<XTEA*>(&modifiedCipher)}) {
    XTEA& base = *cipher;
    const Bytes original = PatternBytes(15, 1);
    for (int decipher = 0; decipher < 2; ++decipher) {
      Bytes seven = original;
      decipher ? base.Decipher(seven.data(), 7) : base.Encipher(seven.data(), 7);
      EXPECT_EQ(seven, original);
      Bytes fifteen = original;
      decipher ? base.Decipher(fifteen.data(), 15) : base.Encipher(fifteen.data(), 15);
      EXPECT_NE(Bytes(fifteen.begin(), fifteen.begin() + 8), Bytes(original.begin(), original.begin() + 8));
      EXPECT_EQ(Bytes(fifteen.begin() + 8, fifteen.end()), Bytes(original.begin() + 8, original.end()));
    }
  }
  std::uint32_t block[2] = {1, 2};
  const std::uint32_t key[4] = {3, 4, 5, 6};
  XTEA::EncipherBlock(0, block, key);
  EXPECT_EQ(block[0], 1u);
  EXPECT_EQ(block[1], 2u);
}

TEST(XteaMod, PadHoldsTheTextFourTimes) {
  const std::uint32_t vector[2] = {0, 0};
  XTEAMod cipher;
  cipher.SetPad(vector, "ZorvempLaxit");
  EXPECT_EQ(cipher.GetPadTextLength(), 12u);
  for (int i = 0; i < 48; ++i) EXPECT_EQ(cipher.GetPad()[i], "ZorvempLaxit"[i % 12]);
  for (int i = 48; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], 0) << i;

  cipher.SetPad(vector, "");
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], 0) << i;

  // A text over 256 bytes: the copies run on to the pad's end and stop there.
  const std::string longText(300, 'q');
  cipher.SetPad(vector, (longText + "!").c_str());
  for (int i = 0; i < 1024; ++i) ASSERT_EQ(cipher.GetPad()[i], i % 301 == 300 ? '!' : 'q') << i;
}

TEST(XteaMod, WhitensEvenBlocksBeforeAndOddBlocksAfterTheCipher) {
  const std::uint32_t vector[2] = {0xA5A5A5A5, 0x0F0F0F0F};
  const std::uint32_t key[4] = {0x01234567, 0x89ABCDEF, 0xFEDCBA98, 0x76543210};
  XTEAMod cipher;
  cipher.SetPad(vector, "Pad text!");
  cipher.SetKey(key);
  cipher.SetRounds(5);
  const auto padWord = [&](int j) { return LoadLE32(cipher.GetPad() + 4 * j); };

  Bytes buffer = PatternBytes(129 * 8, 2);
  const Bytes plain = buffer;
  cipher.Encipher(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
  for (int i : {0, 1, 2, 127, 128}) {
    const int j = (2 * i) % 256;
    std::uint32_t block[2] = {LoadLE32(&plain[8 * i]), LoadLE32(&plain[8 * i + 4])};
    const bool before = i % 2 == 0;
    if (before) block[0] ^= padWord(j) ^ vector[0], block[1] ^= padWord(j + 1) ^ vector[1];
    XTEA::EncipherBlock(5, block, key);
    if (!before) block[0] ^= padWord(j) ^ vector[0], block[1] ^= padWord(j + 1) ^ vector[1];
    EXPECT_EQ(LoadLE32(&buffer[8 * i]), block[0]) << "block " << i;
    EXPECT_EQ(LoadLE32(&buffer[8 * i + 4]), block[1]) << "block " << i;
  }

  // With no cycles both directions only whiten, and block 128 takes pad words 0 and 1 again.
  cipher.SetRounds(0);
  Bytes a = Bytes(129 * 8, 0x5C), b = a;
  cipher.Encipher(a.data(), static_cast<std::uint32_t>(a.size()));
  cipher.Decipher(b.data(), static_cast<std::uint32_t>(b.size()));
  EXPECT_EQ(a, b);
  EXPECT_EQ(Bytes(a.begin(), a.begin() + 8), Bytes(a.begin() + 1024, a.end()));
  cipher.SetPad(vector, "");
  Bytes zero(8, 0);
  cipher.Encipher(zero.data(), 8);
  EXPECT_EQ(LoadLE32(zero.data()), vector[0]);
  EXPECT_EQ(LoadLE32(zero.data() + 4), vector[1]);
}

TEST(XteaMod, BlockPositionsCountFromTheStartOfEachCall) {
  const std::uint32_t vector[2] = {7, 9};
  XTEAMod cipher;
  cipher.SetPad(vector, "abc");
  const Bytes plain = PatternBytes(64, 3);
  Bytes whole = plain, split = plain;
  cipher.Encipher(whole.data(), 64);
  cipher.Encipher(split.data(), 8);
  cipher.Encipher(split.data() + 8, 56);
  EXPECT_EQ(Bytes(whole.begin(), whole.begin() + 8), Bytes(split.begin(), split.begin() + 8));
  EXPECT_NE(whole, split);
  cipher.Decipher(whole.data() + 8, 56);  // started at the wrong byte: not the plain text
  EXPECT_NE(Bytes(whole.begin() + 8, whole.end()), Bytes(plain.begin() + 8, plain.end()));
}

// Every batch path against the one-block-at-a-time yardstick, for many lengths, cycle
// counts, keys and pads; and Decipher undoing Encipher.
TEST(XteaMod, FastPathsMatchTheOneByOneReference) {
  std::mt19937 generator(20240611);
  auto random = [&generator] { return static_cast<std::uint32_t>(generator()); };
  std::vector<std::uint32_t> lengths;
  for (std::uint32_t n = 0; n <= 300; ++n) lengths.push_back(n);
  for (std::uint32_t n : {1023u, 1024u, 1031u, 2048u + 136u, 8192u + 7u, 65536u + 200u}) lengths.push_back(n);

  for (std::uint32_t rounds : {0u, 1u, 5u, 32u, 64u, 65u}) {
    const std::uint32_t key[4] = {random(), random(), random(), random()};
    const std::uint32_t vector[2] = {random(), random()};
    const std::string pad = std::string(random() % 40, 'x') + "Laxit";
    XTEAMod cipher;
    cipher.SetKey(key);
    cipher.SetRounds(rounds);
    cipher.SetPad(vector, pad.c_str());
    for (std::uint32_t length : lengths) {
      const Bytes plain = PatternBytes(length, random());
      Bytes expected = plain;
      cipher.EncipherOneByOne(expected.data(), length);
      Bytes actual = plain;
      cipher.Encipher(actual.data(), length);
      ASSERT_EQ(actual, expected) << "rounds " << rounds << " length " << length;
      cipher.Decipher(actual.data(), length);
      ASSERT_EQ(actual, plain) << "rounds " << rounds << " length " << length;
    }
  }

  // Each path on its own, whatever the dispatch picks on this machine.
  const std::uint32_t key[4] = {1, 2, 3, 4}, vector[2] = {5, 6};
  XTEAMod cipher;
  cipher.SetKey(key);
  cipher.SetRounds(5);
  cipher.SetPad(vector, "ZorvempLaxit");
  for (auto path : {xtea_batch::Path::OneByOne, xtea_batch::Path::Sse2, xtea_batch::Path::Avx2}) {
    if (!xtea_batch::PathAvailable(path)) continue;
    // Decipher whitens odd blocks before the cipher step, Encipher even ones.
    xtea_batch::Whitening decipherWhitening{}, encipherWhitening{};
    for (std::uint32_t i = 0; i < xtea_batch::kPeriodBlocks; ++i) {
      for (int w = 0; w < 2; ++w) {
        const std::uint32_t word = LoadLE32(cipher.GetPad() + 8 * i + 4 * w) ^ vector[w];
        (i % 2 == 1 ? decipherWhitening.before : decipherWhitening.after)[2 * i + w] = word;
        (i % 2 == 0 ? encipherWhitening.before : encipherWhitening.after)[2 * i + w] = word;
      }
    }
    for (std::uint32_t length : lengths) {
      const Bytes plain = PatternBytes(length, length);
      Bytes expected = plain, actual = plain;
      cipher.DecipherOneByOne(expected.data(), length);
      xtea_batch::Decipher(path, actual.data(), length / 8, xtea_batch::DecipherSchedule(5, key), decipherWhitening);
      ASSERT_EQ(actual, expected) << xtea_batch::PathName(path) << " length " << length;
      cipher.EncipherOneByOne(expected.data(), length);
      xtea_batch::Encipher(path, actual.data(), length / 8, xtea_batch::EncipherSchedule(5, key), encipherWhitening);
      ASSERT_EQ(actual, plain) << xtea_batch::PathName(path) << " length " << length;
    }
  }
}

}  // namespace
