// Window classes, windows and the message queue as Win32 behaves.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/testkit/input.h"
#include "platform/testkit/layer.h"
#include "platform/testkit/windows.h"
#include "platform/win32/messages.h"
#include "platform/win32/window.h"

namespace {

std::vector<UINT> g_seen;
LRESULT g_createAnswer = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back(message);
  if (message == WM_CREATE) return g_createAnswer;
  return DefWindowProcW(window, message, wParam, lParam);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ResetLayer();
    g_seen.clear();
    g_createAnswer = 0;
    ASSERT_NE(Register(L"TestClass"), 0);
  }
  void TearDown() override { testkit::ResetLayer(); }

  static ATOM Register(const wchar_t* name, UINT size = sizeof(WNDCLASSEXW)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = size;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass);
  }
  static HWND Make(DWORD style = WS_SYSMENU) {
    return CreateWindowExW(0, L"TestClass", L"T", style, 0, 0, 206, 129, nullptr, nullptr, nullptr, nullptr);
  }
  static UINT Next(HWND expectedWindow = nullptr, WPARAM* wParam = nullptr) {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return 0;
    EXPECT_EQ(message.hwnd, expectedWindow);
    if (wParam) *wParam = message.wParam;
    return message.message;
  }
};

TEST_F(Win32WindowTest, ClassNamesAreUniqueWithoutRegardToCase) {
  EXPECT_EQ(Register(L"testCLASS"), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  EXPECT_EQ(Register(L"Other", 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  HWND window = Make();
  EXPECT_FALSE(UnregisterClassW(L"TestClass", nullptr)) << "a window of it still exists";
  DestroyWindow(window);
  EXPECT_TRUE(UnregisterClassW(L"TESTclass", nullptr));
  EXPECT_EQ(Make(), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(Win32WindowTest, OverlappedWindowsHaveFramePopupsDoNot) {
  HWND framed = Make(WS_SYSMENU | WS_MINIMIZEBOX);
  testkit::WindowFacts facts = testkit::DescribeWindow(framed);
  EXPECT_EQ(facts.clientWidth, 200);
  EXPECT_EQ(facts.clientHeight, 100);
  EXPECT_FALSE(facts.borderless);
  EXPECT_FALSE(facts.visible) << "hidden until shown";
  EXPECT_FALSE(ShowWindow(framed, SW_SHOWDEFAULT)) << "answers whether it was visible";
  EXPECT_TRUE(ShowWindow(framed, SW_SHOW));

  facts = testkit::DescribeWindow(Make(WS_POPUP | WS_VISIBLE));
  EXPECT_EQ(facts.clientWidth, 206);
  EXPECT_EQ(facts.clientHeight, 129);
  EXPECT_TRUE(facts.borderless && facts.visible);
}

TEST_F(Win32WindowTest, CreateSendsWmCreateAndMinusOneRefuses) {
  ASSERT_NE(Make(), nullptr);
  EXPECT_EQ(g_seen, std::vector<UINT>{WM_CREATE});
  g_createAnswer = -1;
  EXPECT_EQ(Make(), nullptr);
  EXPECT_EQ(testkit::WindowCount(), 1);
}

TEST_F(Win32WindowTest, DestroyDropsQueuedMessagesAndQuitComesLast) {
  HWND doomed = Make(), kept = Make();
  PostQuitMessage(7);
  PostMessageW(doomed, WM_USER, 1, 0);
  PostMessageW(kept, WM_USER, 2, 0);
  g_seen.clear();
  EXPECT_TRUE(DestroyWindow(doomed));
  EXPECT_EQ(g_seen, std::vector<UINT>{WM_DESTROY});
  EXPECT_FALSE(IsWindow(doomed));
  EXPECT_FALSE(DestroyWindow(doomed));
  EXPECT_FALSE(PostMessageW(doomed, WM_USER, 3, 0));
  MSG peeked;
  ASSERT_TRUE(PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(peeked.message, WM_USER) << "the quit waits for everything else";
  WPARAM wParam = 0;
  EXPECT_EQ(Next(kept, &wParam), static_cast<UINT>(WM_USER));
  EXPECT_EQ(wParam, 2u);
  EXPECT_EQ(Next(nullptr, &wParam), static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(wParam, 7u);
  EXPECT_EQ(Next(), 0u);
}

TEST_F(Win32WindowTest, CloseRequestBecomesCloseThenDestroy) {
  HWND window = Make();
  g_seen.clear();
  testkit::CloseWindow(window);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_CLOSE);
  EXPECT_FALSE(TranslateMessage(&message));
  DispatchMessageW(&message);
  EXPECT_EQ(g_seen, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(Win32WindowTest, FocusAndTextReachTheirWindow) {
  HWND first = Make(), second = Make();
  testkit::GainFocus(second);
  SDL_Event text{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = 0;  // no window named: the first window gets it
  text.text.text[0] = 'k';
  SDL_PushEvent(&text);
  EXPECT_EQ(Next(second), static_cast<UINT>(WM_SETFOCUS));
  WPARAM character = 0;
  EXPECT_EQ(Next(first, &character), static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(character, static_cast<WPARAM>('k'));
}

}  // namespace
