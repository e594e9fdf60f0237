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

struct Seen {
  HWND window;
  UINT message;
  WPARAM wParam;
};
std::vector<Seen> g_seen;
LRESULT g_createAnswer = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_seen.push_back({window, message, wParam});
  if (message == WM_CREATE) return g_createAnswer;
  return DefWindowProcW(window, message, wParam, lParam);
}

class Win32WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ResetLayer();
    g_seen.clear();
    g_createAnswer = 0;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = L"TestClass";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
  }
  void TearDown() override { testkit::ResetLayer(); }

  HWND Make(DWORD style = WS_SYSMENU, int width = 206, int height = 129) {
    return CreateWindowExW(0, L"TestClass", L"T", style, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
  }
  std::vector<UINT> Messages() const {
    std::vector<UINT> messages;
    for (const Seen& seen : g_seen) messages.push_back(seen.message);
    return messages;
  }
};

TEST_F(Win32WindowTest, ClassNamesAreUniqueWithoutRegardToCase) {
  WNDCLASSEXW again{};
  again.cbSize = sizeof(again);
  again.lpfnWndProc = RecordingProc;
  again.lpszClassName = L"testCLASS";
  EXPECT_EQ(RegisterClassExW(&again), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  again.cbSize = 0;
  again.lpszClassName = L"Other";
  EXPECT_EQ(RegisterClassExW(&again), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  HWND window = Make();
  EXPECT_FALSE(UnregisterClassW(L"TestClass", nullptr)) << "a window of it still exists";
  DestroyWindow(window);
  EXPECT_TRUE(UnregisterClassW(L"TESTclass", nullptr));
  EXPECT_EQ(Make(), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(Win32WindowTest, OverlappedWindowsHaveFramePopupsDoNot) {
  HWND framed = Make(WS_SYSMENU | WS_MINIMIZEBOX, 206, 129);
  testkit::WindowFacts facts = testkit::DescribeWindow(framed);
  EXPECT_EQ(facts.clientWidth, 200);
  EXPECT_EQ(facts.clientHeight, 100);
  EXPECT_FALSE(facts.borderless);
  EXPECT_FALSE(facts.visible) << "hidden until shown";
  EXPECT_FALSE(ShowWindow(framed, SW_SHOWDEFAULT)) << "answers whether it was visible";
  EXPECT_TRUE(ShowWindow(framed, SW_SHOW));
  EXPECT_TRUE(UpdateWindow(framed));

  HWND popup = Make(WS_POPUP | WS_VISIBLE, 206, 129);
  facts = testkit::DescribeWindow(popup);
  EXPECT_EQ(facts.clientWidth, 206);
  EXPECT_EQ(facts.clientHeight, 129);
  EXPECT_TRUE(facts.borderless);
  EXPECT_TRUE(facts.visible);
}

TEST_F(Win32WindowTest, CreateSendsWmCreateAndMinusOneRefuses) {
  HWND window = Make();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_CREATE});
  g_createAnswer = -1;
  EXPECT_EQ(Make(), nullptr);
  EXPECT_EQ(testkit::WindowCount(), 1);
}

TEST_F(Win32WindowTest, DestroySendsWmDestroyAndDropsQueuedMessages) {
  HWND doomed = Make(), kept = Make();
  PostMessageW(doomed, WM_USER, 1, 0);
  PostMessageW(kept, WM_USER, 2, 0);
  g_seen.clear();
  EXPECT_TRUE(DestroyWindow(doomed));
  EXPECT_EQ(Messages(), std::vector<UINT>{WM_DESTROY});
  EXPECT_FALSE(IsWindow(doomed));
  EXPECT_FALSE(DestroyWindow(doomed));
  EXPECT_FALSE(PostMessageW(doomed, WM_USER, 3, 0));
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, kept);
  EXPECT_EQ(message.wParam, 2u);
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32WindowTest, QuitComesAfterEverythingElse) {
  HWND window = Make();
  PostQuitMessage(7);
  PostMessageW(window, WM_USER, 1, 0);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, WM_USER);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(message.hwnd, nullptr);
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
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
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
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
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, second);
  EXPECT_EQ(message.message, WM_SETFOCUS);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.hwnd, first);
  EXPECT_EQ(message.message, WM_CHAR);
  EXPECT_EQ(message.wParam, static_cast<WPARAM>('k'));
}

}  // namespace
