#include "platform/rapi2/handheld_hold.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace emu {

namespace {

constexpr int kTries = 4;

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The holder's process id as it wrote it, for the message only.
std::string HolderOf(int fd) {
  char text[24];
  const ssize_t n = ::pread(fd, text, sizeof text, 0);
  std::string digits;
  for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i) digits += text[i];
  return digits;
}

}  // namespace

HoldFile::~HoldFile() {
  if (fd_ >= 0) ::close(fd_);
}

HoldFile::Outcome HoldFile::Take(const HostFolder& home, std::string* why) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    // Non-blocking: whatever is swapped in under the name is looked at, not waited on.
    const int fd =
        ::openat(home.fd(), kHoldFileName, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
      *why = std::string(kHoldFileName) + ": cannot be opened: " + std::strerror(errno);
      return Outcome::kRefused;
    }
    // No link count (0) is a file its holder is removing as it lets go: still held.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_nlink > 1) {
      ::close(fd);
      *why = std::string(kHoldFileName) + ": not a plain file of its own";
      return Outcome::kRefused;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      const std::string holder = error == EWOULDBLOCK ? HolderOf(fd) : "";
      ::close(fd);
      if (error != EWOULDBLOCK) {
        *why = std::string(kHoldFileName) + ": cannot be locked: " + std::strerror(error);
        return Outcome::kRefused;
      }
      *why = "another program holds this handheld" + (holder.empty() ? "" : " (process " + holder + ")") +
             ", so it is not offered here until that program lets go of it or ends";
      return Outcome::kHeldElsewhere;
    }
    // A holder removes the file as it lets go: a lock on a removed file holds nothing.
    // (The file system may reuse its number only once it is closed, which it is not.)
    struct stat named {};
    if (!home.Stat(kHoldFileName, &named) || !SameFile(named, opened)) {
      ::close(fd);
      continue;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) WriteAll(fd, pid.data(), pid.size(), 0);
    fd_ = fd;
    return Outcome::kTaken;
  }
  *why = std::string(kHoldFileName) + ": replaced again and again while it was being taken";
  return Outcome::kRefused;
}

void HoldFile::Release(const HostFolder& home) {
  if (fd_ < 0) return;
  // Only the file this hold locked: a name that leads elsewhere by now is not ours.
  struct stat opened {}, named {};
  if (::fstat(fd_, &opened) == 0 && home.Stat(kHoldFileName, &named) && SameFile(opened, named)) {
    ::unlinkat(home.fd(), kHoldFileName, 0);
  }
  Forget();
}

void HoldFile::Forget() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace emu
