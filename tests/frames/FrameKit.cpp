#include "tests/frames/FrameKit.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "engine/Window.h"
#include "platform/win32/strings.h"
#include "tools/packtool/PackWriter.h"

namespace frames_test {

namespace {

// Any values do: the pack is written and read with the same ones.
constexpr std::int32_t kSalt = 0x5EED;
constexpr std::uint32_t kMask[4] = {0x0BADF00Du, 0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu};
constexpr char kPassText[] = "FramesTest";

}  // namespace

bool EnsureDevice() {
  static const bool made = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // no display, whoever runs us
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"frames test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return made;
}

PackOnDisk::PackOnDisk(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  const std::vector<std::uint8_t> file =
      packwriter::Build(items, packwriter::Secrets{kSalt, {kMask[0], kMask[1], kMask[2], kMask[3]}, kPassText});
  const std::string path = folder_.File("scene.pak");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  Load(layer::Utf8ToWide(path), kSalt, kMask, kPassText);
}

void ExpectedFrame::Fill(int x, int y, int width, int height, std::uint32_t argb, int within) {
  for (int row = std::max(y, 0); row < std::min(y + height, static_cast<int>(colours.height)); ++row) {
    for (int column = std::max(x, 0); column < std::min(x + width, static_cast<int>(colours.width)); ++column) {
      const std::size_t at = static_cast<std::size_t>(row) * colours.width + static_cast<std::size_t>(column);
      colours.argb[at] = argb;
      tolerance[at] = static_cast<std::uint8_t>(within);
    }
  }
}

::testing::AssertionResult ExpectedFrame::Matches(const testkit::Frame& frame) const {
  if (frame.width != colours.width || frame.height != colours.height || frame.argb.size() != colours.argb.size()) {
    return ::testing::AssertionFailure() << "frame of " << frame.width << "x" << frame.height;
  }
  int wrong = 0;
  std::size_t first = 0;
  for (std::size_t at = 0; at < frame.argb.size(); ++at) {
    const std::uint32_t want = colours.argb[at], got = frame.argb[at];
    const auto off = [=](int shift) { return std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)); };
    if (std::max({off(24), off(16), off(8), off(0)}) > tolerance[at] && wrong++ == 0) first = at;
  }
  if (wrong == 0) return ::testing::AssertionSuccess();
  std::ostringstream text;  // one stream, so that the colours come out in hexadecimal
  text << wrong << " pixels differ; the first at (" << first % frame.width << ", " << first / frame.width << "): "
       << std::hex << frame.argb[first] << " instead of " << colours.argb[first];
  return ::testing::AssertionFailure() << text.str();
}

}  // namespace frames_test
