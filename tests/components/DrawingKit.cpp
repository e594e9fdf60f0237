#include "tests/components/DrawingKit.h"

#include <cstdlib>

#include "engine/Window.h"

namespace components_test {

RecordingSprite::RecordingSprite() : saved_(g_Sprite) { g_Sprite = this; }

RecordingSprite::~RecordingSprite() { g_Sprite = saved_; }

HRESULT RecordingSprite::SetTransform(const D3DXMATRIX* transform) {
  current_ = *transform;
  return S_OK;
}

HRESULT RecordingSprite::Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3*,
                              const D3DXVECTOR3*, D3DCOLOR colour) {
  // Row vectors times the matrix: row 3 is the translation, the diagonal the scale.
  calls.push_back({current_.m[3][0], current_.m[3][1], current_.m[0][0], current_.m[1][1], texture,
                   source != nullptr, source != nullptr ? *source : RECT{}, colour});
  return S_OK;
}

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  const std::uint32_t headerBytes = 14 + 40;
  std::vector<std::uint8_t> out;
  out.reserve(headerBytes + rowBytes * height);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, headerBytes + rowBytes * height);
  PutU32(out, 0);
  PutU32(out, headerBytes);
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);
  PutU16(out, 1);   // planes
  PutU16(out, 24);  // bits per pixel
  PutU32(out, 0);   // uncompressed
  PutU32(out, rowBytes * height);
  PutU32(out, 2835);
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  for (std::uint32_t row = 0; row < height; ++row) {
    for (std::uint32_t column = 0; column < width; ++column) {
      out.push_back(static_cast<std::uint8_t>(rgb));
      out.push_back(static_cast<std::uint8_t>(rgb >> 8));
      out.push_back(static_cast<std::uint8_t>(rgb >> 16));
    }
    for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

void MemoryPack::Add(std::wstring name, std::vector<std::uint8_t> bytes) {
  items_.emplace_back(std::move(name), std::move(bytes));
}

CTResource MemoryPack::GetByName(const std::wstring& name) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].first == name) {
      return CTResource(name, const_cast<MemoryPack*>(this), static_cast<std::uint32_t>(i), 0,
                        static_cast<std::uint32_t>(items_[i].second.size()));
    }
  }
  return CTResource();
}

std::vector<CTResource> MemoryPack::GetByPrefix(const std::wstring& prefix) const {
  std::vector<CTResource> found;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].first.starts_with(prefix)) {
      found.emplace_back(items_[i].first, const_cast<MemoryPack*>(this), static_cast<std::uint32_t>(i), 0,
                         static_cast<std::uint32_t>(items_[i].second.size()));
    }
  }
  return found;
}

// The index names the item; the offset is always 0.
const std::uint8_t* MemoryPack::GetData(CTResource resource) const {
  return items_.at(resource.GetIndex()).second.data();
}

bool EnsureDevice() {
  static const bool ready = [] {
    // Headless unless the caller chose otherwise.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"components test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return ready;
}

}  // namespace components_test

// The window start-up keeps no pointer to the DirectInput object it makes the keyboard
// and mouse from, so LeakSanitizer reports it once per program that opens the window.
// That object belongs to the window code, not to anything these tests check.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:InitDirectInput\n";
}
