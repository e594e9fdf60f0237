#include "tools/packtool/PackWriter.h"

#include <cstring>
#include <stdexcept>

#include "engine/LittleEndian.h"
#include "engine/ResourceFile.h"
#include "engine/XTEA.h"

namespace packwriter {

namespace {

// Writes into a buffer sized beforehand.
class Cursor {
 public:
  explicit Cursor(std::vector<std::uint8_t>& out) : at(out.data()) {}
  void Word(std::uint32_t value) {
    StoreLE32(at, value);
    at += 4;
  }
  void Bytes(const void* data, std::size_t size) {
    if (size != 0) std::memcpy(at, data, size);
    at += size;
  }

 private:
  std::uint8_t* at;
};

// The program refuses a pack larger than it reads, so none is built.
void CheckFits(std::uint64_t size) {
  if (size > CTResourceFile::kMaxFileSize) {
    throw std::length_error("the pack would be larger than " + std::to_string(CTResourceFile::kMaxFileSize >> 20) +
                            " MiB, the most the program reads");
  }
}

// FNV-1a, 64 bits.
std::uint64_t Hash(std::uint64_t hash, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
  return hash;
}

}  // namespace

std::vector<std::uint8_t> LayOut(const std::vector<Entry>& entries, const std::uint32_t key[4]) {
  std::uint64_t dirSize = 0, dataSize = 0;
  for (const Entry& entry : entries) {
    if (entry.name.find('\0') != std::string::npos) {
      throw std::invalid_argument("entry name contains a 0 byte, which a pack cannot store");
    }
    dirSize += 8 + entry.name.size() + 1;
    dataSize += entry.bytes.size();
  }
  const std::uint64_t dataOffset = CTResourceFile::kHeaderSize + dirSize;
  CheckFits(dataOffset + dataSize);

  std::vector<std::uint8_t> image(static_cast<std::size_t>(dataOffset + dataSize));
  Cursor out(image);
  out.Bytes(kMagic, sizeof kMagic);
  for (int k = 0; k < 4; ++k) out.Word(key[k]);
  out.Word(CTResourceFile::kHeaderSize);
  out.Word(static_cast<std::uint32_t>(dirSize));
  out.Word(static_cast<std::uint32_t>(dataOffset));
  out.Word(static_cast<std::uint32_t>(dataSize));
  std::uint32_t offset = 0;
  for (const Entry& entry : entries) {
    out.Word(offset);
    out.Word(static_cast<std::uint32_t>(entry.bytes.size()));
    out.Bytes(entry.name.c_str(), entry.name.size() + 1);
    offset += static_cast<std::uint32_t>(entry.bytes.size());
  }
  for (const Entry& entry : entries) out.Bytes(entry.bytes.data(), entry.bytes.size());
  return image;
}

void Seal(std::vector<std::uint8_t>& image, const Secrets& secrets) {
  if (image.size() < CTResourceFile::kEncipheredFrom) throw std::invalid_argument("a pack has at least 20 bytes");
  CheckFits(image.size());
  const auto fileSize = static_cast<std::uint32_t>(image.size());
  std::uint8_t* bytes = image.data();
  std::uint32_t key[4];
  for (int k = 0; k < 4; ++k) key[k] = LoadLE32(bytes + CTResourceFile::kKeyOffset + 4 * k);

  XTEAMod cipher;
  const std::uint32_t vector[2] = {fileSize + static_cast<std::uint32_t>(secrets.salt),
                                   fileSize - static_cast<std::uint32_t>(secrets.salt)};
  cipher.SetPad(vector, secrets.passText.c_str());
  cipher.SetKey(key);
  cipher.SetRounds(CTResourceFile::kCipherRounds);
  cipher.Encipher(bytes + CTResourceFile::kEncipheredFrom, fileSize - CTResourceFile::kEncipheredFrom);

  for (int k = 0; k < 4; ++k) StoreLE32(bytes + CTResourceFile::kKeyOffset + 4 * k, key[k] ^ secrets.mask[k]);
}

void DeriveKey(const std::vector<Entry>& entries, std::uint32_t key[4]) {
  std::uint64_t first = 0xCBF29CE484222325ull, second = 0x84222325CBF29CE4ull;
  for (const Entry& entry : entries) {
    const std::uint64_t size = entry.bytes.size();
    first = Hash(first, entry.name.data(), entry.name.size() + 1);
    first = Hash(first, &size, sizeof size);
    second = Hash(second, entry.bytes.data(), entry.bytes.size());
    second = Hash(second, entry.name.data(), entry.name.size() + 1);
  }
  key[0] = static_cast<std::uint32_t>(first);
  key[1] = static_cast<std::uint32_t>(first >> 32);
  key[2] = static_cast<std::uint32_t>(second);
  key[3] = static_cast<std::uint32_t>(second >> 32);
}

std::vector<std::uint8_t> Build(const std::vector<Entry>& entries, const Secrets& secrets) {
  std::uint32_t key[4];
  DeriveKey(entries, key);
  std::vector<std::uint8_t> image = LayOut(entries, key);
  Seal(image, secrets);
  return image;
}

}  // namespace packwriter
