// What these tests share: the engine's log in a file of its own, the engine's device
// (offscreen), pictures made in memory, a pack held in memory so fonts load without a
// pack file, and a frame read back from the device.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"
#include "platform/testkit/display.h"

namespace components_test {

// Points the engine's log at a fresh file for the object's life.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  // How many WARNING lines with this text the file holds.
  int Warnings(const std::wstring& message) const;

 private:
  std::string path_;
};

// Opens the engine's window and device once per test program; false when it can't.
bool EnsureDevice();
// One frame drawn by draw between BeginFrame and EndFrame, as presented.
testkit::Frame DrawFrame(const std::function<void()>& draw);
// A picture file (binary PPM) of one colour (0xRRGGBB).
std::vector<std::uint8_t> SolidPicture(std::uint32_t width, std::uint32_t height, std::uint32_t rgb);

class MemoryPack : public CTResourceFile {
 public:
  void Add(std::wstring name, std::vector<std::uint8_t> bytes) { items_.emplace_back(std::move(name), std::move(bytes)); }
  std::vector<CTResource> GetByPrefix(const std::wstring& prefix) const override;
  const std::uint8_t* GetData(CTResource resource) const override;

 private:
  std::vector<std::pair<std::wstring, std::vector<std::uint8_t>>> items_;
};

}  // namespace components_test
