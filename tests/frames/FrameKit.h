// What the whole-frame tests stand on: the engine's window and device (offscreen,
// software renderer), an enciphered pack file loaded as the program loads its packs,
// and an expected frame painted independently of the engine and compared with a
// presented one pixel by pixel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"
#include "platform/testkit/display.h"
#include "tests/support/TempFolder.h"

namespace frames_test {

// Opens the engine's 640x480 window and device once per test program.
bool EnsureDevice();

// A pack file written with the pack writer into a temporary folder and loaded with
// CTResourceFile::Load; the file goes with the object.
class PackOnDisk : public CTResourceFile {
 public:
  explicit PackOnDisk(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries);

 private:
  testsupport::TempFolder folder_{"frames-pack"};
};

// The frame a test expects: every pixel a colour and how far each channel may stray
// from it (0 where a pixel is copied or cleared, 1 where SDL's blitters blend and round
// their own way).
struct ExpectedFrame {
  ExpectedFrame(unsigned width, unsigned height, std::uint32_t background)
      : colours{width, height, std::vector<std::uint32_t>(std::size_t{width} * height, background)},
        tolerance(colours.argb.size(), 0) {}

  // Clipped to the frame.
  void Fill(int x, int y, int width, int height, std::uint32_t argb, int tolerance = 0);

  // Every pixel of the frame against its expectation; a failure names how many differ
  // and the first with its coordinates.
  ::testing::AssertionResult Matches(const testkit::Frame& frame) const;

  testkit::Frame colours;
  std::vector<std::uint8_t> tolerance;
};

}  // namespace frames_test
