#include "tests/textures/TextureTestKit.h"

#include <cstdlib>

#include "engine/Log.h"
#include "engine/Window.h"
#include "platform/win32/strings.h"
#include "tools/packtool/PackWriter.h"

namespace textures_test {

bool EnsureDevice() {
  static const bool made = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // no display, whoever runs us
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"textures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return made;
}

std::wstring WriteFile(const TempFolder& folder, const std::string& name, const Bytes& bytes) {
  return layer::Utf8ToWide(testsupport::WriteBytes(folder.File(name), bytes));
}

TestPack::TestPack(const std::vector<std::pair<std::string, Bytes>>& entries) {
  // Any keys do: the test packs are written and read with the same ones.
  const packwriter::Secrets secrets{0x1234567, {0xA5A5A5A5u, 0x01020304u, 0xDEADBEEFu, 0x0F0F0F0Fu}, "TexturesTest"};
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  Load(WriteFile(folder_, "test.pak", packwriter::Build(items, secrets)), secrets.salt, secrets.mask,
       secrets.passText.c_str());
}

LogCapture::LogCapture() : saved_(g_LogPath) { g_LogPath = WriteFile(folder_, "test.log", {}); }
LogCapture::~LogCapture() { g_LogPath = saved_; }

std::vector<std::wstring> LogCapture::Lines() const {
  constexpr std::size_t kTimeStampLength = 21;  // "YYYY-MM-DD hh:mm:ss  "
  const std::wstring text = testsupport::FromUtf16Le(testsupport::ReadBytes(folder_.File("test.log")));
  std::vector<std::wstring> lines;
  for (std::size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start + kTimeStampLength, end - start - kTimeStampLength));
  }
  return lines;
}

}  // namespace textures_test
