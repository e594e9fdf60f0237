#include "fuzz/probes/ScratchFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstdio>

namespace fuzzprobe {

ScratchFile::ScratchFile() {
  fd_ = ::memfd_create("quellor-probe", MFD_CLOEXEC);
  if (fd_ < 0) {
    std::perror("memfd_create");
    std::abort();
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd_);
  path_.assign(path.begin(), path.end());
}

ScratchFile::~ScratchFile() { ::close(fd_); }

bool ScratchFile::Write(std::span<const std::uint8_t> bytes) {
  if (::ftruncate(fd_, 0) != 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace fuzzprobe
