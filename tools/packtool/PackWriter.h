// Writes resource packs in the format CTResourceFile reads: a 36-byte header, the
// directory right after it and the data area after the directory, everything from
// byte 20 on enciphered with XTEAMod::Encipher and the key words masked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace packwriter {

// Bytes 0-3, which the reader never looks at: they tell a pack of ours at a glance.
inline constexpr char kMagic[4] = {'Q', 'P', 'A', 'K'};

struct Entry {
  std::string name;  // 8-bit characters, no 0 byte
  std::vector<std::uint8_t> bytes;
};

struct Secrets {
  std::int32_t salt = 0;
  std::uint32_t mask[4] = {0, 0, 0, 0};
  std::string passText;
};

// The plain pack: magic, the key words unmasked, header, directory, data. Throws
// std::invalid_argument for a name with a 0 byte and std::length_error when the pack
// would be larger than the program reads (CTResourceFile::kMaxFileSize).
std::vector<std::uint8_t> LayOut(const std::vector<Entry>& entries, const std::uint32_t key[4]);

// Turns a plain pack (at least 20 bytes, key words at 4-19) into the stored form, in
// place: enciphers from byte 20 on, then masks the key words.
void Seal(std::vector<std::uint8_t>& image, const Secrets& secrets);

// A key worked out from the entries, so the same input always gives the same file.
void DeriveKey(const std::vector<Entry>& entries, std::uint32_t key[4]);

// LayOut with the derived key, then Seal.
std::vector<std::uint8_t> Build(const std::vector<Entry>& entries, const Secrets& secrets);

}  // namespace packwriter
