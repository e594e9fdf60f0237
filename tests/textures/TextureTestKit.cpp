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
constexpr std::size_t kTimeStampLength = 21;  // "YYYY-MM-DD hh:mm:ss  "

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool EnsureDevice() {
  static const bool made = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // no display, whoever runs us
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"textures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return made;
}

std::vector<std::uint8_t> Bmp(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& rgb) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out{'B', 'M'};
  Put(out, 54 + rowBytes * height, 4);
  Put(out, 0, 4);
  Put(out, 54, 4);
  for (std::uint32_t field : {40u, width, height}) Put(out, field, 4);  // rows stored bottom up
  Put(out, 1, 2);
  Put(out, 24, 2);
  for (int i = 0; i < 6; ++i) Put(out, 0, 4);
  for (std::uint32_t row = height; row-- > 0;) {
    for (std::uint32_t column = 0; column < width; ++column) Put(out, rgb[row * width + column], 3);
    out.resize(out.size() + rowBytes - width * 3, 0);
  }
  return out;
}

RecordingSprite::RecordingSprite() : saved_(g_Sprite) { g_Sprite = this; }
RecordingSprite::~RecordingSprite() { g_Sprite = saved_; }

HRESULT RecordingSprite::SetTransform(const D3DXMATRIX* transform) {
  current = *transform;
  return S_OK;
}

HRESULT RecordingSprite::Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3*,
                              const D3DXVECTOR3*, D3DCOLOR colour) {
  calls.push_back({current.m[3][0], current.m[3][1], current.m[0][0], current.m[1][1], texture,
                   texture ? texture->GetWidth() : 0u, source == nullptr, colour});
  return S_OK;
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
  std::ofstream(path_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
  return path_ / name;
}

TestPack::TestPack(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  packwriter::Secrets secrets{kSalt, {kMask[0], kMask[1], kMask[2], kMask[3]}, kPassText};
  Load(folder_.Write("test.pak", packwriter::Build(items, secrets)).wstring(), kSalt, kMask, kPassText);
}

LogCapture::LogCapture() : saved_(g_LogPath) { g_LogPath = folder_.Write("test.log", {}).wstring(); }
LogCapture::~LogCapture() { g_LogPath = saved_; }

std::vector<std::wstring> LogCapture::ReadLines() const {
  std::ifstream in(folder_.Path() / "test.log", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  std::vector<std::wstring> lines;
  for (std::size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    lines.push_back(text.substr(start + kTimeStampLength, end - start - kTimeStampLength));
  }
  return lines;
}

int LogCapture::Count(const std::wstring& levelAndText) const {
  int count = 0;
  for (const std::wstring& line : ReadLines()) count += line == levelAndText ? 1 : 0;
  return count;
}

int LogCapture::Lines() const { return static_cast<int>(ReadLines().size()); }

}  // namespace textures_test
