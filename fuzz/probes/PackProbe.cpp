// Resource packs: whatever the file holds, the reader must decipher and list exactly
// what a plain reading of the format gives, the entries it lists must be found again
// by index, name and prefix, and the bytes of every entry it serves must lie in its
// buffer (touched here, so AddressSanitizer sees any that do not).
#include <algorithm>
#include <cstring>

#include "engine/LittleEndian.h"
#include "fuzz/probes/ProbeKit.h"
#include "fuzz/probes/Probes.h"
#include "fuzz/probes/ReferencePack.h"
#include "installer/PackKeys.h"

namespace fuzzprobe {

namespace {

// Look-ups scan the whole directory, so asking for every entry of a pack with many
// thousands of records would make each input slow; the first ones stand for the rest.
constexpr std::size_t kLookedUpEntries = 64;

void WalkEntries(const CTResourceFile& pack, Problems& problems) {
  const std::vector<CTResource>& entries = pack.GetEntries();
  volatile std::uint8_t sink = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const CTResource& entry = entries[i];
    problems.Check(entry.GetIndex() == i, [&] { return "directory index out of order at " + std::to_string(i); });
    problems.Check(entry.GetOwner() == &pack, "entry without its pack");
    problems.Check(entry.GetName().find(L'\0') == std::wstring::npos, "name holds a 0 unit");
    for (wchar_t unit : entry.GetName()) problems.Check(unit >= 0 && unit <= 0xFF, "name unit beyond 8 bits");
    if (!EntryServable(pack, entry)) continue;
    const std::uint8_t* data = entry.GetData();
    problems.Check(data != nullptr, "servable entry without data");
    if (data != nullptr && entry.GetSize() > 0) sink = sink + data[0] + data[entry.GetSize() - 1];
  }

  const std::size_t looked = std::min(entries.size(), kLookedUpEntries);
  for (std::size_t i = 0; i < looked; ++i) {
    const CTResource& entry = entries[i];
    auto where = [&] { return " (entry " + std::to_string(i) + " " + Narrow(entry.GetName()) + ")"; };
    CTResource byIndex = pack.GetByIndex(static_cast<std::uint32_t>(i));
    problems.Check(byIndex.GetName() == entry.GetName() && byIndex.GetOffset() == entry.GetOffset() &&
                       byIndex.GetSize() == entry.GetSize(),
                   [&] { return "GetByIndex gives another entry" + where(); });
    CTResource byName = pack.GetByName(entry.GetName());
    problems.Check(byName.GetOwner() == &pack && byName.GetName() == entry.GetName() && byName.GetIndex() <= i,
                   [&] { return "GetByName misses the entry or finds a later one" + where(); });
    std::vector<CTResource> byPrefix = pack.GetByPrefix(entry.GetName());
    problems.Check(std::any_of(byPrefix.begin(), byPrefix.end(),
                               [&](const CTResource& found) { return found.GetIndex() == i; }),
                   [&] { return "GetByPrefix of the entry's own name misses it" + where(); });
    for (const CTResource& found : byPrefix) {
      problems.Check(found.GetName().starts_with(entry.GetName()),
                     [&] { return "GetByPrefix gives a name without the prefix" + where(); });
    }
  }

  // Beyond the directory and for names no entry has: the empty resource.
  CTResource none = pack.GetByIndex(static_cast<std::uint32_t>(entries.size()));
  problems.Check(none.GetOwner() == nullptr && none.GetData() == nullptr, "GetByIndex past the end finds something");
  const std::size_t fonts = static_cast<std::size_t>(std::count_if(
      entries.begin(), entries.end(), [](const CTResource& e) { return e.GetName().starts_with(L"/Font"); }));
  problems.Check(pack.GetByPrefix(L"/Font").size() == fonts, "GetByPrefix(/Font) count differs");
  problems.Check(pack.GetByPrefix(L"").size() == entries.size(), "the empty prefix does not give every entry");
}

// The reader against the plain second reading: header, directory and every byte of the
// buffer it deciphered (reached through an entry it serves, when there is one).
void CompareWithReference(const CTResourceFile& pack, const ReferencePack& reference, Problems& problems) {
  problems.Check(pack.GetDirOffset() == reference.dirOffset && pack.GetDirSize() == reference.dirSize &&
                     pack.GetDataOffset() == reference.dataOffset && pack.GetDataSize() == reference.dataSize,
                 "header differs from the plain reading");
  const std::vector<CTResource>& entries = pack.GetEntries();
  problems.Check(entries.size() == reference.entries.size(), [&] {
    return "directory has " + std::to_string(entries.size()) + " entries, the plain reading " +
           std::to_string(reference.entries.size());
  });
  for (std::size_t i = 0; i < entries.size() && i < reference.entries.size(); ++i) {
    const ReferenceEntry& expected = reference.entries[i];
    problems.Check(entries[i].GetName() == expected.name && entries[i].GetOffset() == expected.offset &&
                       entries[i].GetSize() == expected.size,
                   [&] { return "entry " + std::to_string(i) + " differs from the plain reading"; });
  }
  for (const CTResource& entry : entries) {
    if (!EntryServable(pack, entry) || entry.GetSize() == 0) continue;
    const std::uint8_t* buffer = entry.GetData() - pack.GetDataOffset() - entry.GetOffset();
    problems.Check(pack.GetFileSize() == reference.plain.size() &&
                       std::memcmp(buffer, reference.plain.data(), reference.plain.size()) == 0,
                   "deciphered bytes differ from the plain reading");
    break;
  }
}

}  // namespace

std::string ProbePackFile(Input input) {
  Problems problems;
  static constexpr std::uint32_t kZeroMask[4] = {0, 0, 0, 0};
  for (const std::uint32_t* mask : {kCommonPackKeys.mask, kZeroMask}) {
    std::unique_ptr<CTResourceFile> pack = LoadPack(input, kCommonPackKeys.salt, mask);
    if (!pack) return "scratch file could not be written";
    problems.Check(pack->GetFileSize() == input.size(), "file size differs from the bytes written");
    CompareWithReference(*pack, ReadReferencePack(input, kCommonPackKeys.salt, mask, kPackPassText), problems);
    WalkEntries(*pack, problems);
  }
  return problems.Take();
}

std::string ProbePackImage(Input input) {
  Problems problems;
  const std::vector<std::uint8_t> sealed = SealWithCommonKeys(input);
  std::unique_ptr<CTResourceFile> pack = LoadPack(sealed, kCommonPackKeys.salt, kCommonPackKeys.mask);
  if (!pack) return "scratch file could not be written";
  // The pack tool's enciphering against the plain deciphering: they must undo each other.
  const ReferencePack reference =
      ReadReferencePack(sealed, kCommonPackKeys.salt, kCommonPackKeys.mask, kPackPassText);
  problems.Check(std::equal(reference.plain.begin(), reference.plain.end(), input.begin(), input.end()),
                 "sealed pack does not decipher to what was sealed");
  CompareWithReference(*pack, reference, problems);
  if (input.size() >= CTResourceFile::kHeaderSize) {
    // Deciphering must give back exactly what was sealed.
    problems.Check(pack->GetDirOffset() == LoadLE32(input.data() + 20) &&
                       pack->GetDirSize() == LoadLE32(input.data() + 24) &&
                       pack->GetDataOffset() == LoadLE32(input.data() + 28) &&
                       pack->GetDataSize() == LoadLE32(input.data() + 32),
                   "header does not read back as sealed");
    for (const CTResource& entry : pack->GetEntries()) {
      if (!EntryServable(*pack, entry) || entry.GetSize() == 0) continue;
      const std::size_t at = static_cast<std::size_t>(pack->GetDataOffset()) + entry.GetOffset();
      const std::uint8_t* data = entry.GetData();
      problems.Check(data[0] == input[at] && data[entry.GetSize() - 1] == input[at + entry.GetSize() - 1],
                     [&] { return "entry bytes do not read back as sealed: " + Narrow(entry.GetName()); });
    }
  }
  WalkEntries(*pack, problems);
  return problems.Take();
}

}  // namespace fuzzprobe
