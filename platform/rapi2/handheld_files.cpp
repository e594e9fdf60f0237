#include "platform/rapi2/handheld_files.h"

#include <algorithm>
#include <utility>

#include "platform/rapi2/device_path.h"
#include "platform/win32/strings.h"

namespace emu {

std::string RootFolderProblem(const std::string& handheldFolder) {
  const FolderRef folder = HostFolder::Open(handheldFolder);
  return folder ? RootFolderProblem(*folder) : "";
}

std::string RootFolderProblem(const HostFolder& handheldFolder) {
  struct stat st {};
  if (!handheldFolder.Stat("fs", &st) || S_ISDIR(st.st_mode)) return "";
  return handheldFolder.path() + "/fs: not a real folder (a link or a file), so every write would land elsewhere";
}

DeviceFiles::DeviceFiles(const std::string& fsRoot, std::vector<std::wstring> cardNames)
    : DeviceFiles(HostFolder::Open(fsRoot), std::move(cardNames)) {}

DeviceFiles::DeviceFiles(FolderRef fsRoot, std::vector<std::wstring> cardNames)
    : root_(std::move(fsRoot)), cards_(std::move(cardNames)) {}

std::optional<HostEntry> DeviceFiles::Find(const FolderRef& folder, std::wstring_view name) const {
  // Host names are sorted, so two names that differ only in case resolve the same way
  // every time.
  for (const std::string& hostName : folder->Names()) {
    std::wstring wide = layer::Utf8ToWide(hostName);
    if (!NamesEqual(wide, name) || Hidden(*folder, hostName)) continue;
    struct stat st {};
    if (!folder->Stat(hostName, &st)) continue;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) continue;  // links and the like are not there
    HostEntry entry;
    entry.parent = folder;
    entry.name = hostName;
    entry.host = folder->path() + "/" + hostName;
    entry.names = {wide};
    entry.exists = true;
    entry.isDir = S_ISDIR(st.st_mode);
    return entry;
  }
  return std::nullopt;
}

bool DeviceFiles::Resolve(const std::vector<std::wstring>& names, HostEntry* out) const {
  if (!root_) return false;
  HostEntry current;
  current.host = root_->path();
  current.exists = true;
  current.isDir = true;
  FolderRef folder = root_;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!current.exists || !current.isDir) return false;
    // Opened as a real folder: had it become a link since it was found, this fails.
    if (i > 0 && !(folder = current.parent->Child(current.name))) return false;
    std::vector<std::wstring> sofar = std::move(current.names);
    if (std::optional<HostEntry> child = Find(folder, names[i])) {
      current = std::move(*child);
    } else {
      current = HostEntry{folder, layer::WideToUtf8(names[i]), folder->path() + "/" + layer::WideToUtf8(names[i]),
                          {names[i]}, false, false};
    }
    sofar.push_back(current.names[0]);
    current.names = std::move(sofar);
  }
  *out = std::move(current);
  return true;
}

FolderRef DeviceFiles::OpenFolder(const HostEntry& entry) const {
  if (!entry.exists || !entry.isDir) return nullptr;
  return entry.parent ? entry.parent->Child(entry.name) : root_;
}

int DeviceFiles::VolumeOf(const std::vector<std::wstring>& names) const {
  if (names.empty()) return -1;
  for (size_t i = 0; i < cards_.size(); ++i) {
    if (NamesEqual(cards_[i], names[0])) return static_cast<int>(i);
  }
  return -1;
}

FolderRef DeviceFiles::VolumeRoot(int volume) const {
  if (volume < 0 || !root_) return root_;
  std::optional<HostEntry> card = Find(root_, cards_[static_cast<size_t>(volume)]);
  if (!card || !card->isDir) return nullptr;
  return OpenFolder(*card);
}

std::uint64_t DeviceFiles::UsedBytes(int volume) const {
  FolderRef start = VolumeRoot(volume);
  if (!start) return 0;
  std::uint64_t used = 0;
  std::vector<FolderRef> pending{start};
  while (!pending.empty()) {
    FolderRef folder = std::move(pending.back());
    pending.pop_back();
    const bool atRoot = folder == root_;
    for (const std::string& name : folder->Names()) {
      struct stat st {};
      if (!folder->Stat(name, &st)) continue;
      if (S_ISREG(st.st_mode)) {
        used += static_cast<std::uint64_t>(st.st_size);
      } else if (S_ISDIR(st.st_mode)) {
        // Main memory holds everything under fs/ except the cards' folders.
        if (atRoot && VolumeOf({layer::Utf8ToWide(name)}) >= 0) continue;
        if (FolderRef child = folder->Child(name)) pending.push_back(std::move(child));
      }
    }
  }
  return used;
}

std::vector<ListedEntry> DeviceFiles::List(const HostFolder& folder, bool atRoot) const {
  std::vector<ListedEntry> out;
  for (const std::string& name : folder.Names()) {
    ListedEntry entry;
    entry.name = layer::Utf8ToWide(name);
    if (!IsValidName(entry.name) || Hidden(folder, name)) continue;
    entry.hostName = name;
    entry.host = folder.path() + "/" + name;
    if (!folder.Stat(name, &entry.info)) continue;
    if (!S_ISDIR(entry.info.st_mode) && !S_ISREG(entry.info.st_mode)) continue;
    entry.isDir = S_ISDIR(entry.info.st_mode);
    entry.isCard = atRoot && entry.isDir && VolumeOf({entry.name}) >= 0;
    out.push_back(std::move(entry));
  }
  std::stable_sort(out.begin(), out.end(), [](const ListedEntry& a, const ListedEntry& b) {
    return FoldCase(a.name) < FoldCase(b.name);
  });
  return out;
}

}  // namespace emu
