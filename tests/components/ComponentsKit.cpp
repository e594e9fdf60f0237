#include "tests/components/ComponentsKit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/Log.h"
#include "engine/Window.h"
#include "platform/win32/strings.h"

namespace components_test {

LogCapture::LogCapture() {
  std::ofstream(folder_.File("log.txt"));
  g_LogPath = layer::Utf8ToWide(folder_.File("log.txt"));
}
LogCapture::~LogCapture() { g_LogPath.clear(); }

int LogCapture::Warnings(const std::wstring& message) const {
  std::ifstream in(folder_.File("log.txt"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring text;  // UTF-16 little-endian
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  const std::wstring line = L"WARNING  " + message + L"\r\n";
  int count = 0;
  for (std::size_t at = text.find(line); at != std::wstring::npos; at = text.find(line, at + 1)) ++count;
  return count;
}

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

std::vector<CTResource> MemoryPack::GetByPrefix(const std::wstring& prefix) const {
  std::vector<CTResource> found;
  for (std::uint32_t i = 0; i < items_.size(); ++i) {
    if (items_[i].first.starts_with(prefix)) {
      found.emplace_back(items_[i].first, const_cast<MemoryPack*>(this), i, 0, static_cast<std::uint32_t>(items_[i].second.size()));
    }
  }
  return found;
}

const std::uint8_t* MemoryPack::GetData(CTResource resource) const { return items_.at(resource.GetIndex()).second.data(); }

}  // namespace components_test
