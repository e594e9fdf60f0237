// The block cipher of the resource packs: XTEA over the whole 8-byte blocks of a
// buffer, and XTEAMod, which also whitens every block with a 1024-byte pad and a
// two-word vector. Blocks hold two little-endian 32-bit words.
#pragma once

#include <cstdint>

class XTEA {
 public:
  static constexpr std::uint32_t kDelta = 0x9E3779B9u;
  static constexpr std::uint32_t kBlockSize = 8;

  XTEA();
  virtual ~XTEA() = default;

  // Every whole block of the buffer, in place; the last length % 8 bytes stay as they are.
  virtual void Encipher(std::uint8_t* buffer, std::uint32_t length);
  virtual void Decipher(std::uint8_t* buffer, std::uint32_t length);

  void SetKey(const std::uint32_t newKey[4]);
  void SetRounds(std::uint32_t newRounds);

  // One block (w0, w1) in place. rounds counts cycles: each updates w0, then w1, so 32
  // cycles are the published cipher's 64 Feistel rounds.
  static void EncipherBlock(std::uint32_t rounds, std::uint32_t block[2], const std::uint32_t key[4]);
  static void DecipherBlock(std::uint32_t rounds, std::uint32_t block[2], const std::uint32_t key[4]);

  const std::uint32_t* GetKey() const { return key; }
  std::uint32_t GetRounds() const { return rounds; }

 protected:
  std::uint32_t key[4];
  std::uint32_t rounds;
};

class XTEAMod : public XTEA {
 public:
  static constexpr std::uint32_t kPadSize = 1024;

  XTEAMod();

  // Whitening and cipher step per block: even blocks are whitened before the cipher,
  // odd ones after it. Block positions count from the start of each call.
  void Encipher(std::uint8_t* buffer, std::uint32_t length) override;
  void Decipher(std::uint8_t* buffer, std::uint32_t length) override;

  // The pad holds the text four times, one copy after the other, the rest zero. Copies
  // that would run past the pad's end are cut there (texts over 256 bytes).
  void SetPad(const std::uint32_t newVector[2], const char* text);

  // The same results as Encipher and Decipher, one block at a time with EncipherBlock and
  // DecipherBlock: the yardstick the fast paths are measured and tested against.
  void EncipherOneByOne(std::uint8_t* buffer, std::uint32_t length) const;
  void DecipherOneByOne(std::uint8_t* buffer, std::uint32_t length) const;

  const std::uint8_t* GetPad() const { return pad; }
  const std::uint32_t* GetVector() const { return vector; }
  std::uint32_t GetPadTextLength() const { return padTextLength; }

 private:
  // Pad word j of block-word pairs, as the whitening uses it.
  std::uint32_t PadWord(std::uint32_t j) const;
  void CipherOneByOne(std::uint8_t* buffer, std::uint32_t length, bool decipher) const;

  std::uint32_t vector[2] = {0, 0};
  std::uint8_t pad[kPadSize] = {};
  std::uint32_t padTextLength;
};
