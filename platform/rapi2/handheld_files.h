// The emulated handheld's file system: the folder fs/ of the handheld's folder, seen
// through device names. fs/ is held open from the moment it is attached and every
// path is resolved beneath it one real folder at a time: names compare without regard
// to case, links are never followed, so a device path cannot lead outside fs/ even
// while the folder changes under the program.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rapi2/host_folder.h"

namespace emu {

struct HostEntry {
  FolderRef parent;                // the folder holding it; null for the root itself
  std::string name;                // its host name there (or the one it would be made with)
  std::string host;                // host path, for messages and reports
  std::vector<std::wstring> names; // device names, in the case the device stores them
  bool exists = false;
  bool isDir = false;
};

struct ListedEntry {
  std::wstring name;
  std::string hostName;            // its name in the listed folder
  std::string host;
  bool isDir = false;
  bool isCard = false;             // a storage card's root folder
  struct stat info {};
};

// Why a handheld folder's fs/ cannot be the device's root: it must be a real folder
// inside the handheld folder (or not there yet, to be made). Empty when it can.
std::string RootFolderProblem(const std::string& handheldFolder);
std::string RootFolderProblem(const HostFolder& handheldFolder);

class DeviceFiles {
 public:
  // Opens fs/ (never through a link); without it every lookup fails.
  DeviceFiles(const std::string& fsRoot, std::vector<std::wstring> cardNames);
  DeviceFiles(FolderRef fsRoot, std::vector<std::wstring> cardNames);

  const FolderRef& root() const { return root_; }
  // Every folder on the way must exist; the last name may be missing (exists false).
  bool Resolve(const std::vector<std::wstring>& names, HostEntry* out) const;
  // The folder an existing folder entry names.
  FolderRef OpenFolder(const HostEntry& entry) const;
  // The entry of a folder whose name equals `name` without regard to case, if any.
  std::optional<HostEntry> Find(const FolderRef& folder, std::wstring_view name) const;
  // Index of the card holding the path, or -1 for main memory.
  int VolumeOf(const std::vector<std::wstring>& names) const;
  bool IsCardRoot(const std::vector<std::wstring>& names) const {
    return names.size() == 1 && VolumeOf(names) >= 0;
  }
  // The folder of a volume (-1 main memory), or nothing when a card's folder is missing.
  FolderRef VolumeRoot(int volume) const;
  // Bytes that the files of a volume hold now (temporary files included).
  std::uint64_t UsedBytes(int volume) const;
  // Entries of a folder with names the device can show, sorted without regard to case;
  // atRoot marks card folders.
  std::vector<ListedEntry> List(const HostFolder& folder, bool atRoot) const;

  // Names in a folder that the device does not show (the layer's temporary files).
  void SetHidden(std::function<bool(const HostFolder&, const std::string&)> hidden) { hidden_ = std::move(hidden); }

 private:
  bool Hidden(const HostFolder& folder, const std::string& name) const { return hidden_ && hidden_(folder, name); }

  FolderRef root_;
  std::vector<std::wstring> cards_;
  std::function<bool(const HostFolder&, const std::string&)> hidden_;
};

}  // namespace emu
