#include "platform/testkit/display.h"

#include <png.h>

#include "platform/d3d9/direct3d_switches.h"
#include "platform/win32/system_metrics_internal.h"

namespace testkit {

void SetScreenSize(int width, int height) { layer::OverrideScreenSize(width, height); }

void SetSafeMode(int cleanBoot) { layer::OverrideCleanBoot(cleanBoot); }

void CaptureFrames(bool on) { layer::Switches().captureFrames = on; }

Frame LastFrame() {
  const layer::CapturedFrame& captured = layer::LastFrame();
  return Frame{captured.width, captured.height, captured.argb};
}

bool WriteLastFramePng(const std::string& path) {
  const layer::CapturedFrame& captured = layer::LastFrame();
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
