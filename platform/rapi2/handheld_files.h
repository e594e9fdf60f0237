// The emulated handheld's file system: the folder fs/ of the handheld's folder, seen
// through device names. Lookups compare names without regard to case and never follow
// symbolic links, so a device path cannot lead outside fs/.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

struct HostEntry {
  std::string host;                // host path (the entry itself, or where it would be made)
  std::vector<std::wstring> names; // device names, in the case the device stores them
  bool exists = false;
  bool isDir = false;
};

struct ListedEntry {
  std::wstring name;
  std::string host;
  bool isDir = false;
  bool isCard = false;             // a storage card's root folder
  struct stat info {};
};

// Why a handheld folder's fs/ cannot be the device's root: it must be a real folder
// inside the handheld folder (or not there yet, to be made). Empty when it can.
std::string RootFolderProblem(const std::string& handheldFolder);

class DeviceFiles {
 public:
  DeviceFiles(std::string fsRoot, std::vector<std::wstring> cardNames);

  const std::string& root() const { return root_; }
  // Every folder on the way must exist; the last name may be missing (exists false).
  bool Resolve(const std::vector<std::wstring>& names, HostEntry* out) const;
  // Index of the card holding the path, or -1 for main memory.
  int VolumeOf(const std::vector<std::wstring>& names) const;
  bool IsCardRoot(const std::vector<std::wstring>& names) const {
    return names.size() == 1 && VolumeOf(names) >= 0;
  }
  // Host folder of a volume (-1 main memory), or nothing when a card's folder is missing.
  std::optional<std::string> VolumeRoot(int volume) const;
  // Bytes that the files of a volume hold now.
  std::uint64_t UsedBytes(int volume) const;
  // Entries of a host folder with names the device can show, sorted without regard to
  // case; atRoot marks card folders.
  std::vector<ListedEntry> List(const std::string& hostFolder, bool atRoot) const;

 private:
  std::optional<HostEntry> Child(const std::string& folder, std::wstring_view name) const;

  std::string root_;
  std::vector<std::wstring> cards_;
};

}  // namespace emu
