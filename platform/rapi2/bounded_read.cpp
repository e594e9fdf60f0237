#include "platform/rapi2/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace emu {

namespace {

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};


const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

}  // namespace

WholeFile ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string* text, std::string* why) {
  return ReadWholeFileAt(AT_FDCWD, path, maxBytes, text, why);
}

WholeFile ReadWholeFileAt(int folder, const std::string& name, std::size_t maxBytes, std::string* text,
                          std::string* why) {
  // O_NONBLOCK: opening a FIFO waits for a writer otherwise. O_NOCTTY: a terminal
  // opened here must not become the program's own.
  Descriptor file{::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
  if (file.fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return WholeFile::kMissing;
    *why = std::string("cannot be opened: ") + std::strerror(errno);
    return WholeFile::kRefused;
  }
  return ReadOpenFile(file.fd, maxBytes, text, why);
}

WholeFile ReadOpenFile(int fd, std::size_t maxBytes, std::string* text, std::string* why) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    *why = std::string("cannot be read: ") + std::strerror(errno);
    return WholeFile::kRefused;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = std::string(KindOf(st.st_mode)) + ", not a plain file";
    return WholeFile::kRefused;
  }
  // Read up to one byte past the bound, whatever size the file claims (it may change,
  // or read as 0 as files of /proc do): one byte more refuses it.
  std::string read;
  read.reserve(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes) + 1);
  char chunk[16384];
  while (true) {
    const std::size_t want = std::min(sizeof chunk, maxBytes + 1 - read.size());
    const ssize_t n = ::read(fd, chunk, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::string("cannot be read: ") + std::strerror(errno);
      return WholeFile::kRefused;
    }
    if (n == 0) break;
    read.append(chunk, static_cast<std::size_t>(n));
    if (read.size() > maxBytes) {
      *why = "larger than " + std::to_string(maxBytes) + " bytes";
      return WholeFile::kRefused;
    }
  }
  *text = std::move(read);
  return WholeFile::kRead;
}

}  // namespace emu
