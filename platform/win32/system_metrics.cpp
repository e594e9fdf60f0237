#include "platform/win32/system_metrics.h"

#include <atomic>

#include "platform/win32/sdl_video.h"
#include "platform/win32/system_metrics_internal.h"

namespace {

// A classic fixed-size window: 3-pixel frame, 23-pixel caption.
constexpr int kFixedFrame = 3;
constexpr int kCaption = 23;

std::atomic<int> g_screenWidth{0};
std::atomic<int> g_screenHeight{0};
std::atomic<int> g_cleanBoot{0};

int DesktopSide(bool width) {
  if (g_screenWidth != 0 && g_screenHeight != 0) return width ? g_screenWidth : g_screenHeight;
  if (!layer::EnsureVideo()) return 0;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 0;
  return width ? mode.w : mode.h;
}

}  // namespace

namespace layer {

void OverrideScreenSize(int width, int height) {
  g_screenWidth = width;
  g_screenHeight = height;
}

void OverrideCleanBoot(int value) { g_cleanBoot = value; }

}  // namespace layer

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return DesktopSide(true);
    case SM_CYSCREEN: return DesktopSide(false);
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return kFixedFrame;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CLEANBOOT: return g_cleanBoot;
    default: return 0;
  }
}
