// What the texture and font tests stand on: the engine's device made once (offscreen),
// resource packs written to a temporary folder and loaded as the program loads them,
// and the log redirected to a file the test reads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"

namespace textures_test {

// Makes the engine's window, device and sprite once per test program. False when no
// device could be made.
bool EnsureDevice();

// A folder of its own under the system's temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // Writes the bytes to a file of that name inside the folder; its full path.
  std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
};

using PackEntries = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

// An enciphered pack file with the entries, in that order, loaded into a CTResourceFile.
class TestPack {
 public:
  explicit TestPack(const PackEntries& entries);
  CTResourceFile* operator->() { return &pack_; }
  CTResourceFile* Get() { return &pack_; }

 private:
  TempFolder folder_;
  CTResourceFile pack_;
};

// Points the engine's log at a fresh file for as long as it lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  // The log's lines, each without its time stamp and CR LF ("WARNING  Symbol ...").
  std::vector<std::wstring> Lines() const;
  int Count(const std::wstring& levelAndText) const;

 private:
  TempFolder folder_;
  std::wstring savedPath_;
};

}  // namespace textures_test
