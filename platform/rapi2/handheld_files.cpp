#include "platform/rapi2/handheld_files.h"

#include <dirent.h>

#include <algorithm>
#include <utility>

#include "platform/rapi2/device_path.h"
#include "platform/win32/strings.h"

namespace emu {

namespace {

std::vector<std::string> ReadFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

std::string RootFolderProblem(const std::string& handheldFolder) {
  const std::string root = handheldFolder + "/fs";
  struct stat st {};
  if (::lstat(root.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return "";
  return root + ": not a real folder (a link or a file), so every write would land elsewhere";
}

DeviceFiles::DeviceFiles(std::string fsRoot, std::vector<std::wstring> cardNames)
    : root_(std::move(fsRoot)), cards_(std::move(cardNames)) {}

std::optional<HostEntry> DeviceFiles::Child(const std::string& folder, std::wstring_view name) const {
  // Host names are sorted, so two names that differ only in case resolve the same way
  // every time.
  for (const std::string& hostName : ReadFolder(folder)) {
    std::wstring wide = layer::Utf8ToWide(hostName);
    if (!NamesEqual(wide, name)) continue;
    std::string host = folder + "/" + hostName;
    struct stat st {};
    if (::lstat(host.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) continue;
    HostEntry entry;
    entry.host = host;
    entry.names = {wide};
    entry.exists = true;
    entry.isDir = S_ISDIR(st.st_mode);
    return entry;
  }
  return std::nullopt;
}

bool DeviceFiles::Resolve(const std::vector<std::wstring>& names, HostEntry* out) const {
  HostEntry current;
  current.host = root_;
  current.exists = true;
  current.isDir = true;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!current.exists || !current.isDir) return false;
    std::optional<HostEntry> child = Child(current.host, names[i]);
    if (child) {
      current.host = child->host;
      current.names.push_back(child->names[0]);
      current.isDir = child->isDir;
    } else {
      current.host += "/" + layer::WideToUtf8(names[i]);
      current.names.push_back(names[i]);
      current.exists = false;
      current.isDir = false;
    }
  }
  *out = std::move(current);
  return true;
}

int DeviceFiles::VolumeOf(const std::vector<std::wstring>& names) const {
  if (names.empty()) return -1;
  for (size_t i = 0; i < cards_.size(); ++i) {
    if (NamesEqual(cards_[i], names[0])) return static_cast<int>(i);
  }
  return -1;
}

std::optional<std::string> DeviceFiles::VolumeRoot(int volume) const {
  if (volume < 0) return root_;
  std::optional<HostEntry> card = Child(root_, cards_[static_cast<size_t>(volume)]);
  if (!card || !card->isDir) return std::nullopt;
  return card->host;
}

std::uint64_t DeviceFiles::UsedBytes(int volume) const {
  std::optional<std::string> start = VolumeRoot(volume);
  if (!start) return 0;
  std::uint64_t used = 0;
  std::vector<std::string> pending{*start};
  bool atRoot = volume < 0;
  while (!pending.empty()) {
    std::string folder = std::move(pending.back());
    pending.pop_back();
    for (const std::string& name : ReadFolder(folder)) {
      std::string host = folder + "/" + name;
      struct stat st {};
      if (::lstat(host.c_str(), &st) != 0) continue;
      if (S_ISREG(st.st_mode)) {
        used += static_cast<std::uint64_t>(st.st_size);
      } else if (S_ISDIR(st.st_mode)) {
        // Main memory holds everything under fs/ except the cards' folders.
        if (atRoot && folder == root_ && VolumeOf({layer::Utf8ToWide(name)}) >= 0) continue;
        pending.push_back(host);
      }
    }
  }
  return used;
}

std::vector<ListedEntry> DeviceFiles::List(const std::string& hostFolder, bool atRoot) const {
  std::vector<ListedEntry> out;
  for (const std::string& name : ReadFolder(hostFolder)) {
    ListedEntry entry;
    entry.name = layer::Utf8ToWide(name);
    if (!IsValidName(entry.name)) continue;
    entry.host = hostFolder + "/" + name;
    if (::lstat(entry.host.c_str(), &entry.info) != 0) continue;
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
