// What the whole-frame tests stand on: the engine's window and device (offscreen,
// software renderer), PNG pictures drawn by a function, an enciphered pack file made
// from them and loaded as the program loads its packs, and an expected frame painted
// independently of the engine and compared with a presented one pixel by pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/ResourceFile.h"
#include "platform/testkit/display.h"

namespace frames_test {

// Opens the engine's 640x480 window and device once per test program.
bool EnsureDevice();

// An RGBA PNG file; pixel(x, y) answers 0xAARRGGBB.
std::vector<std::uint8_t> Png(unsigned width, unsigned height, const std::function<std::uint32_t(unsigned, unsigned)>& pixel);

// A pack file in a temporary folder, written with the pack writer and loaded with
// CTResourceFile::Load; the file goes with the object.
class PackOnDisk : public CTResourceFile {
 public:
  explicit PackOnDisk(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries);
  ~PackOnDisk() override;

 private:
  std::string folder_;
};

// The frame a test expects: every pixel a colour and how far each channel may stray
// from it (0 where a pixel is copied or cleared, 1 where SDL's blitters blend and round
// their own way).
class ExpectedFrame {
 public:
  ExpectedFrame(unsigned width, unsigned height, std::uint32_t background);

  void Set(int x, int y, std::uint32_t argb, int tolerance = 0);
  void Fill(int x, int y, int width, int height, std::uint32_t argb, int tolerance = 0);

  // Every pixel of the frame against its expectation; a failure names how many differ
  // and the first with its coordinates.
  ::testing::AssertionResult Matches(const testkit::Frame& frame) const;

 private:
  unsigned width_;
  unsigned height_;
  std::vector<std::uint32_t> argb_;
  std::vector<std::uint8_t> tolerance_;
};

}  // namespace frames_test
