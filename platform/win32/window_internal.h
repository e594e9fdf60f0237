// What the rest of the layer knows about a window (internal).
#pragma once

#include <SDL.h>

#include <functional>
#include <string>

#include "platform/win32/types.h"
#include "platform/win32/window_types.h"

namespace layer {

struct WindowObject {
  HWND handle = nullptr;
  SDL_Window* sdl = nullptr;
  WNDPROC procedure = nullptr;
  DWORD style = 0;
  HICON icon = nullptr;  // the icon given to SDL, if any
  bool destroying = false;
  // Full screen stands in for a display-mode change: the back buffer is scaled into the
  // window, so client coordinates are back-buffer pixels (0 when not in use).
  int logicalWidth = 0;
  int logicalHeight = 0;
};

// The live window behind a handle, or null.
WindowObject* FindWindowObject(HWND window);
HWND WindowFromSdlId(Uint32 id);
// The first live window (for input that names no window).
HWND FirstWindow();
int LiveWindowCount();
// Windows made since the last DestroyAllWindowsQuietly (test kit).
int CreatedWindowCount();

// Called just before a window's SDL window closes (the device gives up its renderer).
int AddWindowDestroyObserver(std::function<void(HWND)> observer);
void RemoveWindowDestroyObserver(int id);

// The rectangle of the window's output in which a logicalWidth x logicalHeight picture
// is shown, scaled to fit with its aspect kept and centred.
SDL_Rect LetterboxRect(int outputWidth, int outputHeight, int logicalWidth, int logicalHeight);

// Messages (messages.cpp).
void RouteWindowEvent(const SDL_Event& event);
void DropQueuedMessages(HWND window);
void ResetMessageQueue();
// Test kit: told each time the UI thread finds its message queue empty, by PeekMessageW
// (waited 0) and by a message wait on virtual time (the time it would have waited).
// An empty function stops it.
void WatchEmptyQueue(std::function<void(DWORD waitedMs)> watcher);

// Test kit: every window goes away without WM_DESTROY, every class is forgotten.
void DestroyAllWindowsQuietly();

}  // namespace layer
