// Test kit: the screen the layer reports and the frames the device presents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

// GetSystemMetrics reports this screen size (and full screen is refused for larger
// back buffers); 0 x 0 reports the real desktop again.
void SetScreenSize(int width, int height);
// SM_CLEANBOOT: 0 normal, 1 safe mode, 2 safe mode with network.
void SetSafeMode(int cleanBoot);

struct Frame {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint32_t> argb;  // rows top to bottom, 0xFFRRGGBB

  std::uint32_t At(unsigned x, unsigned y) const { return argb[static_cast<std::size_t>(y) * width + x]; }
};

// While on, every Present keeps a copy of the frame it shows.
void CaptureFrames(bool on);
// The last frame presented while capturing (empty before the first and after
// ForgetLastFrame).
Frame LastFrame();
void ForgetLastFrame();
// Writes the last captured frame as an 8-bit RGB PNG; false when there is none or the
// file cannot be written.
bool WriteLastFramePng(const std::string& path);

}  // namespace testkit
