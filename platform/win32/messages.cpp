#include "platform/win32/messages.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/win32/clock_internal.h"
#include "platform/win32/cursor.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/strings.h"
#include "platform/win32/threads.h"
#include "platform/win32/window.h"
#include "platform/win32/window_internal.h"

namespace {

std::mutex g_queueMutex;
std::deque<MSG> g_queue;
bool g_quitPosted = false;
int g_quitCode = 0;
std::function<void(DWORD)> g_emptyQueueWatcher;  // UI thread only

// Input messages carry where the cursor was; they are made on the UI thread, the only
// one that may ask SDL.
MSG MakeInputMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG made{window, message, wParam, lParam, GetTickCount(), {0, 0}};
  POINT cursor;
  if (GetCursorPos(&cursor)) made.pt = cursor;
  return made;
}

void Enqueue(const MSG& message) {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  g_queue.push_back(message);
}

bool Matches(const MSG& message, HWND window, UINT minFilter, UINT maxFilter) {
  if (window == reinterpret_cast<HWND>(-1)) {
    if (message.hwnd != nullptr) return false;
  } else if (window != nullptr && message.hwnd != window) {
    return false;
  }
  if (minFilter == 0 && maxFilter == 0) return true;
  return message.message >= minFilter && message.message <= maxFilter;
}

bool AnyMessageQueued() {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  return !g_queue.empty() || g_quitPosted;
}

void TellEmptyQueue(DWORD waitedMs) {
  if (!g_emptyQueueWatcher) return;
  // A copy: the watcher may replace or stop itself.
  std::function<void(DWORD)> watcher = g_emptyQueueWatcher;
  watcher(waitedMs);
}

// Text input arrives as UTF-8; the window gets one WM_CHAR per UTF-16 unit, so a
// character beyond the basic plane comes as its two surrogates.
void PostTypedText(HWND window, const char* utf8) {
  std::wstring units = layer::Utf8ToWide(utf8);
  for (wchar_t unit : units) Enqueue(MakeInputMessage(window, WM_CHAR, static_cast<WPARAM>(unit), 1));
}

}  // namespace

namespace layer {

void RouteWindowEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT: {
      HWND window = WindowFromSdlId(event.window.windowID);
      if (window == nullptr) return;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: Enqueue(MakeInputMessage(window, WM_SETFOCUS, 0, 0)); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: Enqueue(MakeInputMessage(window, WM_KILLFOCUS, 0, 0)); break;
        case SDL_WINDOWEVENT_CLOSE: Enqueue(MakeInputMessage(window, WM_CLOSE, 0, 0)); break;
        default: break;
      }
      return;
    }
    case SDL_TEXTINPUT: {
      HWND window = WindowFromSdlId(event.text.windowID);
      if (window == nullptr) window = FirstWindow();
      if (window != nullptr) PostTypedText(window, event.text.text);
      return;
    }
    case SDL_QUIT: {
      // The session or a signal asks the program to end: ask its window to close, as
      // the system does when it shuts down.
      HWND window = FirstWindow();
      if (window != nullptr) Enqueue(MakeInputMessage(window, WM_CLOSE, 0, 0));
      return;
    }
    default: return;
  }
}

void DropQueuedMessages(HWND window) {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  std::erase_if(g_queue, [window](const MSG& message) { return message.hwnd == window; });
}

void ResetMessageQueue() {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  g_queue.clear();
  g_quitPosted = false;
  g_quitCode = 0;
}

void WatchEmptyQueue(std::function<void(DWORD waitedMs)> watcher) { g_emptyQueueWatcher = std::move(watcher); }

}  // namespace layer

BOOL PeekMessageW(MSG* message, HWND window, UINT minFilter, UINT maxFilter, UINT removeFlags) {
  if (message == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  layer::PumpSdlEvents();
  {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
      if (!Matches(*it, window, minFilter, maxFilter)) continue;
      *message = *it;
      if (removeFlags & PM_REMOVE) g_queue.erase(it);
      return TRUE;
    }
    bool wantsQuit = (minFilter == 0 && maxFilter == 0) || (WM_QUIT >= minFilter && WM_QUIT <= maxFilter);
    if (g_quitPosted && wantsQuit) {
      *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quitCode), 0, GetTickCount(), {0, 0}};
      if (removeFlags & PM_REMOVE) g_quitPosted = false;
      return TRUE;
    }
  }
  TellEmptyQueue(0);
  return FALSE;
}

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE*, DWORD milliseconds, DWORD, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  const std::uint64_t deadline = layer::NowMs() + milliseconds;
  for (;;) {
    layer::PumpSdlEvents();
    if (AnyMessageQueued()) return WAIT_OBJECT_0;
    const std::uint64_t now = layer::NowMs();
    if (now >= deadline) return WAIT_TIMEOUT;
    if (layer::UsesVirtualTime()) {
      // The time passes at once; whatever the watcher queued meanwhile is seen by the
      // next look.
      TellEmptyQueue(milliseconds);
      layer::AdvanceVirtualTime(deadline - now);
      continue;
    }
    // SDL's own wait sleeps in the display connection until an event comes. Not every
    // event becomes a message, so look again until the time is up.
    SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX)));
  }
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageW(const MSG* message) {
  if (message == nullptr || message->hwnd == nullptr) return 0;
  layer::WindowObject* object = layer::FindWindowObject(message->hwnd);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return object->procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  g_quitPosted = true;
  g_quitCode = exitCode;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}
