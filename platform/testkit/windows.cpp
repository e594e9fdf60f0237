#include "platform/testkit/windows.h"

#include "platform/win32/icon_objects.h"
#include "platform/win32/strings.h"
#include "platform/win32/window_internal.h"

namespace testkit {

WindowFacts DescribeWindow(HWND window) {
  WindowFacts facts;
  layer::WindowObject* object = layer::FindWindowObject(window);
  if (object == nullptr || object->sdl == nullptr) return facts;
  facts.exists = true;
  facts.title = layer::Utf8ToWide(SDL_GetWindowTitle(object->sdl));
  SDL_GetWindowPosition(object->sdl, &facts.x, &facts.y);
  SDL_GetWindowSize(object->sdl, &facts.clientWidth, &facts.clientHeight);
  Uint32 flags = SDL_GetWindowFlags(object->sdl);
  facts.visible = (flags & SDL_WINDOW_SHOWN) != 0;
  facts.borderless = (flags & SDL_WINDOW_BORDERLESS) != 0;
  facts.fullscreen = (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  if (layer::IconObject* icon = layer::FindIcon(object->icon)) {
    facts.iconWidth = icon->width;
    facts.iconHeight = icon->height;
  }
  return facts;
}

int WindowCount() { return layer::LiveWindowCount(); }

int WindowsCreated() { return layer::CreatedWindowCount(); }

}  // namespace testkit
