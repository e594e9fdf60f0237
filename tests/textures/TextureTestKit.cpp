#include "tests/textures/TextureTestKit.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/Log.h"
#include "engine/Window.h"
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

Bytes Bmp(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  Bytes out;
  auto put = [&out](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  put('B' | 'M' << 8, 2);
  for (std::uint32_t field : {54 + rowBytes * height, 0u, 54u, 40u, width, height}) put(field, 4);  // rows bottom up
  put(1 | 24 << 16, 4);
  for (int i = 0; i < 6; ++i) put(0, 4);
  for (std::uint32_t row = height; row-- > 0;) {
    for (std::uint32_t column = 0; column < width; ++column) put(rgb[row * width + column], 3);
    out.resize(out.size() + rowBytes - width * 3, 0);
  }
  return out;
}

TempFolder::TempFolder() {
  static int counter = 0;
  path_ = std::filesystem::temp_directory_path() /
          ("textures_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

std::filesystem::path TempFolder::Write(const std::string& name, const Bytes& bytes) const {
  std::ofstream(path_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
  return path_ / name;
}

TestPack::TestPack(const std::vector<std::pair<std::string, Bytes>>& entries) {
  // Any keys do: the test packs are written and read with the same ones.
  const packwriter::Secrets secrets{0x1234567, {0xA5A5A5A5u, 0x01020304u, 0xDEADBEEFu, 0x0F0F0F0Fu}, "TexturesTest"};
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  Load(folder_.Write("test.pak", packwriter::Build(items, secrets)).wstring(), secrets.salt, secrets.mask,
       secrets.passText.c_str());
}

LogCapture::LogCapture() : saved_(g_LogPath) { g_LogPath = folder_.Write("test.log", {}).wstring(); }
LogCapture::~LogCapture() { g_LogPath = saved_; }

std::vector<std::wstring> LogCapture::Lines() const {
  constexpr std::size_t kTimeStampLength = 21;  // "YYYY-MM-DD hh:mm:ss  "
  std::ifstream in(folder_.Path() / "test.log", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
  }
  std::vector<std::wstring> lines;
  for (std::size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start + kTimeStampLength, end - start - kTimeStampLength));
  }
  return lines;
}

}  // namespace textures_test
