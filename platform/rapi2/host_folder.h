// A folder of the emulated handheld held open by descriptor. Every lookup, make,
// rename and removal happens relative to such a handle, one name at a time, without
// following links: once fs/ is open, nothing done by name can reach outside it, even
// while folders in it are swapped for links.
#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

namespace emu {

class HostFolder {
 public:
  // The folder at a host path; its last name must not be a link. Nothing when it is
  // not a folder that can be opened.
  static std::shared_ptr<const HostFolder> Open(const std::string& path);
  // The folder of that name inside this one (never through a link).
  std::shared_ptr<const HostFolder> Child(const std::string& name) const;

  ~HostFolder();
  HostFolder(const HostFolder&) = delete;
  HostFolder& operator=(const HostFolder&) = delete;

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }  // for messages and reports only
  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }

  // Names it holds now, sorted, without "." and "..".
  std::vector<std::string> Names() const;
  // What a name in it is, without following a link; false when it is not there.
  bool Stat(const std::string& name, struct stat* info) const;

 private:
  HostFolder(int fd, std::string path);
  int fd_;
  std::string path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
};

using FolderRef = std::shared_ptr<const HostFolder>;

// Writes all the bytes at the offset (a descriptor opened to append appends them).
bool WriteAll(int fd, const char* data, std::size_t size, off_t offset);

}  // namespace emu
