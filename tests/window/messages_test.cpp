// SDL's input becoming the UI thread's window messages: focus, typed text, close
// requests, and the quit that comes only once nothing else waits.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "platform/testkit/input.h"
#include "platform/testkit/layer.h"
#include "platform/win32/messages.h"
#include "platform/win32/window.h"

namespace {

using Message = std::tuple<HWND, UINT, WPARAM>;
std::vector<UINT> g_handled;

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_handled.push_back(message);
  if (message == WM_DESTROY) PostQuitMessage(3);
  return DefWindowProcW(window, message, wParam, lParam);
}

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ResetLayer();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = QuitOnDestroy;
    windowClass.lpszClassName = L"Test";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    for (HWND* window : {&first, &second}) {
      *window = CreateWindowExW(0, L"Test", L"T", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    }
    g_handled.clear();
  }
  void TearDown() override { testkit::ResetLayer(); }

  // Every message waiting now, in order, each dispatched as it is taken.
  static std::vector<Message> TakeAll() {
    std::vector<Message> taken;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      taken.emplace_back(message.hwnd, message.message, message.wParam);
      DispatchMessageW(&message);
    }
    return taken;
  }

  HWND first = nullptr, second = nullptr;
};

TEST_F(MessagesTest, TypedTextIsOneCharacterPerUtf16UnitForTheWindowNamedOrTheFirst) {
  testkit::GainFocus(second);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = 0;  // no window named
  std::strcpy(text.text.text, "\xC3\xA9\xF0\x9F\x98\x80");  // é and U+1F600
  SDL_PushEvent(&text);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{second, WM_SETFOCUS, 0}, {first, WM_CHAR, 0xE9},
                                             {first, WM_CHAR, 0xD83D}, {first, WM_CHAR, 0xDE00}}));
  testkit::LoseFocus(second);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{second, WM_KILLFOCUS, 0}}));
}

// SDL sends a session quit and a close when the last window closes: the window closes
// once, and the quit its destruction posts waits behind what is still queued.
TEST_F(MessagesTest, CloseAndSessionQuitDestroyOnceAndQuitComesLast) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  testkit::CloseWindow(first);
  testkit::GainFocus(second);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{first, WM_CLOSE, 0}, {second, WM_SETFOCUS, 0}, {nullptr, WM_QUIT, 3}}));
  EXPECT_EQ(g_handled, (std::vector<UINT>{WM_CLOSE, WM_DESTROY, WM_SETFOCUS}));
}

}  // namespace
