#include "tests/textures/TextureTestKit.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "engine/Log.h"
#include "engine/Window.h"
#include "tools/packtool/PackWriter.h"

namespace textures_test {

namespace {

// Any values do: the test packs are written and read with the same ones.
constexpr std::int32_t kSalt = 0x1234567;
constexpr std::uint32_t kMask[4] = {0xA5A5A5A5u, 0x01020304u, 0xDEADBEEFu, 0x0F0F0F0Fu};
constexpr char kPassText[] = "TexturesTest";

// The length of "YYYY-MM-DD hh:mm:ss  " before the level tag of a log line.
constexpr std::size_t kTimeStampLength = 21;

}  // namespace

bool EnsureDevice() {
  static const bool made = [] {
    // No display: SDL's offscreen driver and the software renderer, whoever runs us.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"textures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk &&
           g_Device != nullptr && g_Sprite != nullptr;
  }();
  return made;
}

TempFolder::TempFolder() {
  static int counter = 0;
  path_ = std::filesystem::temp_directory_path() /
          ("textures_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
  const std::filesystem::path file = path_ / name;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return file;
}

TestPack::TestPack(const PackEntries& entries) {
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  packwriter::Secrets secrets;
  secrets.salt = kSalt;
  for (int i = 0; i < 4; ++i) secrets.mask[i] = kMask[i];
  secrets.passText = kPassText;
  const std::filesystem::path file = folder_.Write("test.pak", packwriter::Build(items, secrets));
  pack_.Load(file.wstring(), kSalt, kMask, kPassText);
}

LogCapture::LogCapture() : savedPath_(g_LogPath) {
  const std::filesystem::path file = folder_.Write("test.log", {});
  g_LogPath = file.wstring();
}

LogCapture::~LogCapture() { g_LogPath = savedPath_; }

std::vector<std::wstring> LogCapture::Lines() const {
  std::ifstream in(folder_.Path() / "test.log", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  std::vector<std::wstring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    const std::wstring line = text.substr(start, end - start);
    lines.push_back(line.size() >= kTimeStampLength ? line.substr(kTimeStampLength) : line);
  }
  return lines;
}

int LogCapture::Count(const std::wstring& levelAndText) const {
  int count = 0;
  for (const std::wstring& line : Lines()) count += line == levelAndText ? 1 : 0;
  return count;
}

}  // namespace textures_test
