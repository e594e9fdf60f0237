#include "platform/win32/cursor.h"

#include <cmath>
#include <memory>
#include <mutex>

#include "platform/win32/icon_objects.h"
#include "platform/win32/cursor_internal.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/window.h"
#include "platform/win32/window_internal.h"

namespace {

std::mutex g_overrideMutex;
bool g_overridden = false;
POINT g_override{0, 0};

struct ClientMapping {
  int originX = 0, originY = 0;  // the client area's top-left corner on the screen
  SDL_Rect shown{0, 0, 0, 0};    // where the back buffer is shown (full screen only)
  int logicalWidth = 0, logicalHeight = 0;
};

bool MappingOf(HWND window, ClientMapping& mapping) {
  layer::WindowObject* object = layer::FindWindowObject(window);
  if (object == nullptr || object->sdl == nullptr) return false;
  SDL_GetWindowPosition(object->sdl, &mapping.originX, &mapping.originY);
  mapping.logicalWidth = object->logicalWidth;
  mapping.logicalHeight = object->logicalHeight;
  if (mapping.logicalWidth > 0 && mapping.logicalHeight > 0) {
    int width = 0, height = 0;
    SDL_GetWindowSize(object->sdl, &width, &height);
    mapping.shown = layer::LetterboxRect(width, height, mapping.logicalWidth, mapping.logicalHeight);
  }
  return true;
}

}  // namespace

namespace layer {

void OverrideCursorPos(int x, int y) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_overridden = true;
  g_override = POINT{x, y};
}

void ClearCursorOverride() {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_overridden = false;
}

}  // namespace layer

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (g_overridden) {
      *point = g_override;
      return TRUE;
    }
  }
  if (!layer::EnsureVideo()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  int x = 0, y = 0;
  SDL_GetGlobalMouseState(&x, &y);
  *point = POINT{x, y};
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  ClientMapping mapping;
  if (point == nullptr || !MappingOf(window, mapping)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  LONG x = point->x - mapping.originX;
  LONG y = point->y - mapping.originY;
  if (mapping.logicalWidth > 0 && mapping.shown.w > 0 && mapping.shown.h > 0) {
    x = static_cast<LONG>(std::floor((x - mapping.shown.x) * static_cast<double>(mapping.logicalWidth) / mapping.shown.w));
    y = static_cast<LONG>(std::floor((y - mapping.shown.y) * static_cast<double>(mapping.logicalHeight) / mapping.shown.h));
  }
  *point = POINT{x, y};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  ClientMapping mapping;
  if (point == nullptr || !MappingOf(window, mapping)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  LONG x = point->x, y = point->y;
  if (mapping.logicalWidth > 0 && mapping.shown.w > 0 && mapping.shown.h > 0) {
    x = static_cast<LONG>(std::floor(x * static_cast<double>(mapping.shown.w) / mapping.logicalWidth)) + mapping.shown.x;
    y = static_cast<LONG>(std::floor(y * static_cast<double>(mapping.shown.h) / mapping.logicalHeight)) + mapping.shown.y;
  }
  *point = POINT{x + mapping.originX, y + mapping.originY};
  return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  if (instance != nullptr || name != IDC_ARROW) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  static std::once_flag once;
  static HCURSOR arrow = nullptr;
  std::call_once(once, [] {
    auto object = std::make_unique<layer::IconObject>();
    // Drivers without cursors (offscreen) still get a handle; it just shows nothing.
    if (layer::EnsureVideo()) object->cursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    arrow = layer::AddIcon(std::move(object));
  });
  return arrow;
}
