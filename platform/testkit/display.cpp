#include "platform/testkit/display.h"

#include <SDL.h>
#include <png.h>

#include "platform/d3d9/direct3d_switches.h"
#include "platform/win32/system_metrics_internal.h"

namespace testkit {
namespace {

Frame g_lastFrame;

void Capture(SDL_Renderer* renderer, UINT width, UINT height) {
  g_lastFrame = Frame{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  if (SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, g_lastFrame.argb.data(),
                           static_cast<int>(width * 4)) != 0) {
    g_lastFrame = Frame{};
    return;
  }
  // The back buffer has no alpha channel worth keeping (X8R8G8B8).
  for (std::uint32_t& pixel : g_lastFrame.argb) pixel |= 0xFF000000u;
}

}  // namespace

void SetScreenSize(int width, int height) { layer::OverrideScreenSize(width, height); }

void SetSafeMode(int cleanBoot) { layer::OverrideCleanBoot(cleanBoot); }

void CaptureFrames(bool on) { layer::Switches().beforePresent = on ? Capture : nullptr; }

Frame LastFrame() { return g_lastFrame; }

void ForgetLastFrame() { g_lastFrame = Frame{}; }

bool WriteLastFramePng(const std::string& path) {
  const Frame& captured = g_lastFrame;
  if (captured.argb.empty()) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = captured.width;
  image.height = captured.height;
  // 0xAARRGGBB words lie in memory as B, G, R, A on this little-endian machine.
  image.format = PNG_FORMAT_BGRA;
  bool ok = png_image_write_to_file(&image, path.c_str(), 0, captured.argb.data(),
                                    static_cast<png_int_32>(captured.width * 4), nullptr) != 0;
  png_image_free(&image);
  return ok;
}

}  // namespace testkit
