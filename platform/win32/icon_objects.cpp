#include "platform/win32/icon_objects.h"

#include <map>
#include <mutex>

#include "platform/win32/fork_held.h"

namespace layer {
namespace {

std::mutex g_iconsMutex;
std::mutex& IconsLock() { return g_iconsMutex; }
const bool kIconsHeldAcrossForks = HoldAcrossForks<IconsLock>();
std::map<HICON, std::unique_ptr<IconObject>>& Icons() {
  static std::map<HICON, std::unique_ptr<IconObject>> icons;
  return icons;
}

}  // namespace

HICON AddIcon(std::unique_ptr<IconObject> icon) {
  std::lock_guard<std::mutex> lock(g_iconsMutex);
  auto handle = reinterpret_cast<HICON>(icon.get());
  Icons()[handle] = std::move(icon);
  return handle;
}

IconObject* FindIcon(HICON icon) {
  std::lock_guard<std::mutex> lock(g_iconsMutex);
  auto it = Icons().find(icon);
  return it == Icons().end() ? nullptr : it->second.get();
}

bool ApplyWindowIcon(SDL_Window* window, HICON icon) {
  IconObject* object = FindIcon(icon);
  if (window == nullptr || object == nullptr || object->argb.empty()) return false;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(object->argb.data(), object->width, object->height,
                                                            32, object->width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return false;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
  return true;
}

void ApplyCursor(HCURSOR cursor) {
  IconObject* object = FindIcon(cursor);
  if (object != nullptr && object->cursor != nullptr) SDL_SetCursor(object->cursor);
}

}  // namespace layer
