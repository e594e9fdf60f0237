#include "platform/win32/window.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/fork_held.h"
#include "platform/win32/icon_objects.h"
#include "platform/win32/messages.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/strings.h"
#include "platform/win32/system_metrics.h"
#include "platform/win32/window_internal.h"

namespace {

struct WindowClass {
  ATOM atom = 0;
  WNDCLASSEXW description{};
};

// Windows and classes live on the UI thread; the lock keeps a look-up from another
// thread safe. It is never held while a window procedure runs.
std::recursive_mutex g_windowsMutex;
std::recursive_mutex& WindowsLock() { return g_windowsMutex; }
const bool kWindowsHeldAcrossForks = layer::HoldAcrossForks<WindowsLock>();
std::map<std::wstring, WindowClass> g_classes;
std::map<HWND, std::unique_ptr<layer::WindowObject>> g_windows;
ATOM g_nextAtom = 0xC000;
std::uintptr_t g_nextHandle = 0x10;
int g_createdWindows = 0;

std::map<int, std::function<void(HWND)>> g_destroyObservers;
int g_nextObserver = 1;

struct FrameSizes {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Overlapped windows always have a caption and a frame; popups only what they ask for.
FrameSizes FrameFor(DWORD style) {
  FrameSizes frame;
  bool popup = (style & (WS_POPUP | WS_CHILD)) != 0;
  bool caption = !popup || (style & WS_CAPTION) == WS_CAPTION;
  bool border = !popup || (style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) != 0;
  if (border) {
    frame.left = frame.right = GetSystemMetrics(SM_CXFIXEDFRAME);
    frame.top = frame.bottom = GetSystemMetrics(SM_CYFIXEDFRAME);
  }
  if (caption) frame.top += GetSystemMetrics(SM_CYCAPTION);
  return frame;
}

void CloseSdlWindow(layer::WindowObject& object) {
  std::vector<std::function<void(HWND)>> observers;
  for (auto& [id, observer] : g_destroyObservers) observers.push_back(observer);
  for (auto& observer : observers) observer(object.handle);
  if (object.sdl) SDL_DestroyWindow(object.sdl);
  object.sdl = nullptr;
}

}  // namespace

namespace layer {

WindowObject* FindWindowObject(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  auto it = g_windows.find(window);
  return it == g_windows.end() ? nullptr : it->second.get();
}

HWND WindowFromSdlId(Uint32 id) {
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  for (auto& [handle, object] : g_windows) {
    if (object->sdl && SDL_GetWindowID(object->sdl) == id) return handle;
  }
  return nullptr;
}

HWND FirstWindow() {
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  return g_windows.empty() ? nullptr : g_windows.begin()->first;
}

int CreatedWindowCount() { return g_createdWindows; }

int LiveWindowCount() {
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  return static_cast<int>(g_windows.size());
}

int AddWindowDestroyObserver(std::function<void(HWND)> observer) {
  int id = g_nextObserver++;
  g_destroyObservers[id] = std::move(observer);
  return id;
}

void RemoveWindowDestroyObserver(int id) { g_destroyObservers.erase(id); }

SDL_Rect LetterboxRect(int outputWidth, int outputHeight, int logicalWidth, int logicalHeight) {
  if (logicalWidth <= 0 || logicalHeight <= 0) return SDL_Rect{0, 0, outputWidth, outputHeight};
  double scale = std::min(static_cast<double>(outputWidth) / logicalWidth,
                          static_cast<double>(outputHeight) / logicalHeight);
  int width = static_cast<int>(logicalWidth * scale + 0.5);
  int height = static_cast<int>(logicalHeight * scale + 0.5);
  return SDL_Rect{(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

void DestroyAllWindowsQuietly() {
  std::map<HWND, std::unique_ptr<WindowObject>> windows;
  {
    std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
    windows.swap(g_windows);
    g_classes.clear();
    g_createdWindows = 0;
  }
  for (auto& [handle, object] : windows) CloseSdlWindow(*object);
  ResetMessageQueue();
}

}  // namespace layer

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW) ||
      windowClass->lpszClassName == nullptr || IS_INTRESOURCE(windowClass->lpszClassName) ||
      windowClass->lpfnWndProc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  std::wstring key = windowClass->lpszClassName;
  if (g_classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  WindowClass& entry = g_classes[key];
  entry.atom = g_nextAtom++;
  entry.description = *windowClass;
  entry.description.lpszClassName = nullptr;  // the caller's string need not outlive the call
  entry.description.lpszMenuName = nullptr;
  return entry.atom;
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
  if (className == nullptr || IS_INTRESOURCE(className)) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  WNDCLASSEXW description;
  {
    std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
    auto it = g_classes.find(className);
    if (it == g_classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    description = it->second.description;
  }
  if (!layer::EnsureVideo()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  FrameSizes frame = FrameFor(style);
  int clientWidth = std::max(1, width - frame.left - frame.right);
  int clientHeight = std::max(1, height - frame.top - frame.bottom);
  // SDL places the client area; the frame is drawn around it. As on Windows, y is
  // ignored when x asks for the default position.
  int sdlX = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : x + frame.left;
  int sdlY = x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : y + frame.top;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (frame.top == 0) flags |= SDL_WINDOW_BORDERLESS;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  std::string title = windowName ? layer::WideToUtf8(windowName) : std::string();
  SDL_Window* sdl = SDL_CreateWindow(title.c_str(), sdlX, sdlY, clientWidth, clientHeight, flags);
  if (sdl == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  auto object = std::make_unique<layer::WindowObject>();
  object->sdl = sdl;
  object->procedure = description.lpfnWndProc;
  object->style = style;
  HWND handle;
  {
    std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
    handle = reinterpret_cast<HWND>(g_nextHandle);
    g_nextHandle += 0x10;
    object->handle = handle;
    g_windows[handle] = std::move(object);
    ++g_createdWindows;
  }
  layer::WindowObject* created = layer::FindWindowObject(handle);
  HICON icon = description.hIcon ? description.hIcon : description.hIconSm;
  if (layer::ApplyWindowIcon(sdl, icon)) created->icon = icon;
  layer::ApplyCursor(description.hCursor);

  if (description.lpfnWndProc(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (style & WS_VISIBLE) ShowWindow(handle, (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW);
  return handle;
}

BOOL DestroyWindow(HWND window) {
  layer::WindowObject* object = layer::FindWindowObject(window);
  if (object == nullptr || object->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  object->destroying = true;
  object->procedure(window, WM_DESTROY, 0, 0);
  CloseSdlWindow(*object);
  layer::DropQueuedMessages(window);
  std::lock_guard<std::recursive_mutex> lock(g_windowsMutex);
  g_windows.erase(window);
  return TRUE;
}

BOOL IsWindow(HWND window) { return layer::FindWindowObject(window) != nullptr ? TRUE : FALSE; }

BOOL ShowWindow(HWND window, int command) {
  layer::WindowObject* object = layer::FindWindowObject(window);
  if (object == nullptr || object->sdl == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool wasVisible = (SDL_GetWindowFlags(object->sdl) & SDL_WINDOW_SHOWN) != 0;
  switch (command) {
    case SW_HIDE: SDL_HideWindow(object->sdl); break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      SDL_ShowWindow(object->sdl);
      SDL_MinimizeWindow(object->sdl);
      break;
    case SW_RESTORE:
      SDL_ShowWindow(object->sdl);
      SDL_RestoreWindow(object->sdl);
      break;
    default: SDL_ShowWindow(object->sdl); break;
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND window) {
  // The device paints the whole client area every frame; there is no update region.
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}
