// An emulated handheld in a temporary folder, attached through RAPI_HANDHELD, with a
// started session and things that must never change around its fs/: a file beside
// fs/, a file and a folder beside the handheld's folder, and symbolic links inside fs/
// that point at them (as a hand-edited handheld folder might hold).
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "platform/rapi2/rapi2.h"
#include "tests/support/TempFolder.h"

namespace fuzzprobe {

class HandheldSandbox {
 public:
  // The one sandbox of the process, made on first use; removed at exit.
  static HandheldSandbox& Get();

  IRAPISession* Session() const { return session_; }
  const std::filesystem::path& FsRoot() const { return fsRoot_; }
  // What changed outside fs/ since the sandbox was made, or what in fs/ became a
  // symbolic link; empty when nothing did.
  std::string Damage() const;
  // fs/ back to its first state, so that every input meets the same device.
  void ResetDevice() const;
  ~HandheldSandbox();

 private:
  HandheldSandbox();
  // Every entry under base (not following links) except the device's changing parts:
  // a file's content, a link's target, or "dir".
  std::map<std::string, std::string> Snapshot() const;

  testsupport::TempFolder folder_;  // under the system's temporary folder; removed last
  std::filesystem::path base_, handheld_, fsRoot_, outside_;
  std::map<std::string, std::string> before_;
  IRAPIDesktop* desktop_ = nullptr;
  IRAPIEnumDevices* devices_ = nullptr;
  IRAPIDevice* device_ = nullptr;
  IRAPISession* session_ = nullptr;
};

}  // namespace fuzzprobe
