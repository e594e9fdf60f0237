#include "platform/rapi2/host_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace emu {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

}  // namespace

HostFolder::HostFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
}

HostFolder::~HostFolder() { ::close(fd_); }

FolderRef HostFolder::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), kFolderFlags);
  if (fd < 0) return nullptr;
  return FolderRef(new HostFolder(fd, path));
}

FolderRef HostFolder::Child(const std::string& name) const {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return nullptr;
  const int fd = ::openat(fd_, name.c_str(), kFolderFlags);
  if (fd < 0) return nullptr;
  return FolderRef(new HostFolder(fd, path_ + "/" + name));
}

std::vector<std::string> HostFolder::Names() const {
  std::vector<std::string> names;
  // A descriptor of its own: reading a folder moves the descriptor's position.
  const int fd = ::openat(fd_, ".", kFolderFlags);
  if (fd < 0) return names;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return names;
  }
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool HostFolder::Stat(const std::string& name, struct stat* info) const {
  return ::fstatat(fd_, name.c_str(), info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace emu
