// SDL's input becoming the UI thread's window messages: focus, typed text, close
// requests, and the quit that comes only once nothing else waits.
#include <SDL.h>

#include <cstring>
#include <tuple>

#include "platform/testkit/clock.h"
#include "platform/testkit/input.h"
#include "platform/win32/messages.h"
#include "platform/win32/threads.h"
#include "platform/win32/window.h"
#include "tests/window/WindowKit.h"

namespace {

using Messages = WindowTest;  // a clean layer around each test

using Message = std::tuple<HWND, UINT, WPARAM>;

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(3);
  return DefWindowProcW(window, message, wParam, lParam);
}

// Every message waiting now, in order, each dispatched as it is taken.
std::vector<Message> TakeAll() {
  std::vector<Message> taken;
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); DispatchMessageW(&message)) {
    taken.emplace_back(message.hwnd, message.message, message.wParam);
  }
  return taken;
}

// A window of a class whose destruction posts the quit.
HWND TestWindow(const wchar_t* title) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = QuitOnDestroy;
  windowClass.lpszClassName = L"Test";
  RegisterClassExW(&windowClass);
  return CreateWindowExW(0, L"Test", title, WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
}

// Text that names no window goes to the first. SDL sends a session quit and a close
// when the last window closes: the window closes once, and the quit its destruction
// posts waits behind what is still queued.
TEST_F(Messages, FocusTextAndCloseRequestsInOrderThenOneQuit) {
  HWND first = TestWindow(L"1");
  HWND second = TestWindow(L"2");
  testkit::GainFocus(second);
  SDL_Event text{}, quit{};
  text.type = SDL_TEXTINPUT;
  std::strcpy(text.text.text, "\xC3\xA9\xF0\x9F\x98\x80");  // é and U+1F600: one unit, then two surrogates
  SDL_PushEvent(&text);
  testkit::LoseFocus(second);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  testkit::CloseWindow(first);
  testkit::GainFocus(second);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{second, WM_SETFOCUS, 0}, {first, WM_CHAR, 0xE9}, {first, WM_CHAR, 0xD83D},
                                             {first, WM_CHAR, 0xDE00}, {second, WM_KILLFOCUS, 0}, {first, WM_CLOSE, 0},
                                             {second, WM_SETFOCUS, 0}, {nullptr, WM_QUIT, 3}}));
}

// A wait for a message ends at once when one is queued (or a quit is pending), without
// the time passing; with nothing queued its whole time passes (on virtual time at once,
// telling the test kit). Only the queue can be waited on.
TEST_F(Messages, WaitEndsAtOnceForAQueuedMessageOrQuitElseTimesOut) {
  testkit::UseVirtualClock(true);
  HWND window = TestWindow(L"1");
  std::vector<std::uint32_t> waits;
  testkit::WatchEmptyQueue([&waits](std::uint32_t waited) { waits.push_back(waited); });
  auto wait = [](DWORD ms) {
    const DWORD before = GetTickCount();
    const DWORD result = MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    return std::tuple(result, GetTickCount() - before);
  };
  EXPECT_EQ(wait(100), std::tuple(WAIT_TIMEOUT, DWORD{100}));
  testkit::TypeText("x");
  EXPECT_EQ(wait(100), std::tuple(WAIT_OBJECT_0, DWORD{0}));
  EXPECT_EQ(wait(100), std::tuple(WAIT_OBJECT_0, DWORD{0})) << "a message already seen still counts";
  TakeAll();
  DestroyWindow(window);  // posts the quit
  EXPECT_EQ(wait(100), std::tuple(WAIT_OBJECT_0, DWORD{0}));
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{nullptr, WM_QUIT, 3}}));
  EXPECT_EQ(waits, (std::vector<std::uint32_t>{100, 0, 0}));  // the timed-out wait; each TakeAll's last look
  HANDLE none = nullptr;
  SetLastError(0);
  EXPECT_EQ(MsgWaitForMultipleObjectsEx(1, &none, 100, QS_ALLINPUT, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  testkit::UseVirtualClock(false);
}

}  // namespace
