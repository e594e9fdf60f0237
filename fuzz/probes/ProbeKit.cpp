#include "fuzz/probes/ProbeKit.h"

#include <cstdio>

#include "fuzz/probes/ScratchFile.h"
#include "installer/PackKeys.h"
#include "tools/packtool/PackWriter.h"

namespace fuzzprobe {

std::unique_ptr<CTResourceFile> LoadPack(std::span<const std::uint8_t> file, std::int32_t salt,
                                         const std::uint32_t mask[4]) {
  static ScratchFile scratch;
  auto pack = std::make_unique<CTResourceFile>();
  if (!scratch.Write(file)) return nullptr;
  pack->Load(scratch.Path(), salt, mask, kPackPassText);
  return pack;
}

std::vector<std::uint8_t> SealWithCommonKeys(std::span<const std::uint8_t> plain) {
  std::vector<std::uint8_t> image(plain.begin(), plain.end());
  if (image.size() < CTResourceFile::kEncipheredFrom) return image;
  packwriter::Secrets secrets;
  secrets.salt = kCommonPackKeys.salt;
  for (int k = 0; k < 4; ++k) secrets.mask[k] = kCommonPackKeys.mask[k];
  secrets.passText = kCommonPackKeys.passText;
  packwriter::Seal(image, secrets);
  return image;
}

bool EntryServable(const CTResourceFile& pack, const CTResource& entry) {
  const std::uint64_t end = static_cast<std::uint64_t>(entry.GetOffset()) + entry.GetSize();
  return end <= pack.GetDataSize() && pack.GetDataOffset() + end <= pack.GetFileSize();
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      out += static_cast<char>(unit);
    } else {
      char escaped[16];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      out += escaped;
    }
  }
  return out;
}

}  // namespace fuzzprobe
