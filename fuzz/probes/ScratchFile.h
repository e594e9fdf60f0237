// A file in memory (memfd) that the readers open by path, rewritten for every input:
// no disk writes and nothing to clean up, however the run ends.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace fuzzprobe {

class ScratchFile {
 public:
  ScratchFile();
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the content; false when it could not be written.
  bool Write(std::span<const std::uint8_t> bytes);
  // "/proc/self/fd/N", which the readers open like any other file.
  const std::wstring& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::wstring path_;
};

}  // namespace fuzzprobe
