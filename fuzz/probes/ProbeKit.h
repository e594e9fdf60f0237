// What the probes share: the common pack's secrets, loading a pack from bytes, and the
// bounds rule that decides whether an entry's bytes may be asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/ResourceFile.h"

namespace fuzzprobe {

// A pack loaded from the bytes with the salt and mask given, through a scratch file.
std::unique_ptr<CTResourceFile> LoadPack(std::span<const std::uint8_t> file, std::int32_t salt,
                                         const std::uint32_t mask[4]);

// The input taken as a deciphered pack and sealed with the common pack's secrets, as
// the pack tool does; shorter than the enciphered part's start it stays as it is.
std::vector<std::uint8_t> SealWithCommonKeys(std::span<const std::uint8_t> plain);

// True when GetData may be asked for the entry: it lies inside the data area (the
// program ends with "Incorrect resource pointer" otherwise) and inside the file (the
// reader ends the same way rather than read past its buffer).
bool EntryServable(const CTResourceFile& pack, const CTResource& entry);

// Keeps the first problem found. The text may be given as a function that makes it,
// so that checks made for every entry cost nothing while they pass.
class Problems {
 public:
  template <typename What>
  void Check(bool ok, What&& what) {
    if (ok || !first_.empty()) return;
    if constexpr (std::is_invocable_v<What>) {
      first_ = what();
    } else {
      first_ = what;
    }
  }
  bool Any() const { return !first_.empty(); }
  std::string Take() { return std::move(first_); }

 private:
  std::string first_;
};

std::string Narrow(const std::wstring& text);

}  // namespace fuzzprobe
