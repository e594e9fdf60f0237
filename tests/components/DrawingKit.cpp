#include "tests/components/DrawingKit.h"

#include <cstdlib>

#include "engine/Window.h"

namespace components_test {

bool EnsureDevice() {
  static const bool ready = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // headless unless the caller chose otherwise
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"components test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return ready;
}

testkit::Frame DrawFrame(const std::function<void()>& draw) {
  testkit::CaptureFrames(true);
  const bool begun = BeginFrame();
  if (begun) draw();
  EndFrame(begun);
  testkit::CaptureFrames(false);
  return testkit::LastFrame();
}

std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out;
  auto put = [&out](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  out = {'B', 'M'};
  put(54 + rowBytes * height, 4), put(0, 4), put(54, 4);              // file header
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);  // info header
  put(0, 4), put(rowBytes * height, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  for (std::uint32_t row = 0; row < height; ++row) {
    for (std::uint32_t column = 0; column < width; ++column) put(rgb, 3);
    put(0, static_cast<int>(rowBytes - width * 3));
  }
  return out;
}

std::vector<CTResource> MemoryPack::GetByPrefix(const std::wstring& prefix) const {
  std::vector<CTResource> found;
  for (std::uint32_t i = 0; i < items_.size(); ++i) {
    if (items_[i].first.starts_with(prefix)) {
      found.emplace_back(items_[i].first, const_cast<MemoryPack*>(this), i, 0,
                         static_cast<std::uint32_t>(items_[i].second.size()));
    }
  }
  return found;
}

const std::uint8_t* MemoryPack::GetData(CTResource resource) const {
  return items_.at(resource.GetIndex()).second.data();
}

}  // namespace components_test

