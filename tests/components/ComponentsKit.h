// What these tests share: the engine's log in a file of its own, the engine's device
// (offscreen), white pictures made in memory, a pack held in memory so fonts load
// without a pack file, and a frame read back from the device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"
#include "platform/testkit/display.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/TempFolder.h"

namespace components_test {

// Points the engine's log at a fresh file for the object's life.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  // How many WARNING lines with this text the file holds.
  int Warnings(const std::wstring& message) const;

 private:
  testsupport::TempFolder folder_{"components_log"};
};

// Opens the engine's window and device once per test program; false when it can't.
bool EnsureDevice();
// One frame drawn by draw between BeginFrame and EndFrame, as presented.
testkit::Frame DrawFrame(const std::function<void()>& draw);
inline std::vector<std::uint8_t> WhitePicture(std::uint32_t width, std::uint32_t height) {
  return pictures_test::WritePnm("P6", width, height, 255, std::vector<std::uint32_t>(width * height * 3, 255));
}

class MemoryPack : public CTResourceFile {
 public:
  void Add(std::wstring name, std::vector<std::uint8_t> bytes) { items_.emplace_back(std::move(name), std::move(bytes)); }
  std::vector<CTResource> GetByPrefix(const std::wstring& prefix) const override;
  const std::uint8_t* GetData(CTResource resource) const override;

 private:
  std::vector<std::pair<std::wstring, std::vector<std::uint8_t>>> items_;
};

}  // namespace components_test
