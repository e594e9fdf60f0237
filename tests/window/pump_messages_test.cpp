// One message per iteration, input polled only while the window is active and the
// device usable, typed characters, focus, closing, and the cursor in client
// coordinates also outside the window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "platform/win32/messages.h"
#include "tests/window/window_kit.h"

namespace {

class PumpMessagesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
  }
};

TEST_F(PumpMessagesTest, TypedTextBecomesOneCharacterPerUtf16Unit) {
  EXPECT_FALSE(PumpMessages()) << "an empty queue is no quit";
  testkit::TypeText("\xC3\xA9");  // é
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(TakeTypedChar(), 0x00E9);
  EXPECT_EQ(TakeTypedChar(), 0) << "taking clears it";

  testkit::TypeText("\xF0\x9F\x98\x80");  // U+1F600: two surrogates, two messages
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(g_PendingChar, 0xD83D);
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(TakeTypedChar(), 0xDE00) << "a second character before taking replaces the first";
}

TEST_F(PumpMessagesTest, FocusLostFreezesSnapshotsUntilRegained) {
  testkit::PressKey(SDL_SCANCODE_A);
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(g_KeysCurrent[DIK_A], 0x80);

  testkit::LoseFocus(g_Window);
  testkit::ReleaseKey(SDL_SCANCODE_A);
  testkit::PressKey(SDL_SCANCODE_B);
  EXPECT_FALSE(PumpMessages());
  EXPECT_FALSE(IsWindowActive());
  EXPECT_EQ(g_KeysCurrent[DIK_A], 0x80) << "no poll while inactive";
  EXPECT_EQ(g_KeysCurrent[DIK_B], 0);

  testkit::GainFocus(g_Window);
  EXPECT_FALSE(PumpMessages());
  EXPECT_TRUE(IsWindowActive());
  // The first poll after regaining focus compares against the state from before.
  EXPECT_EQ(g_KeysPrevious[DIK_A], 0x80);
  EXPECT_EQ(g_KeysCurrent[DIK_A], 0);
  EXPECT_EQ(g_KeysCurrent[DIK_B], 0x80);
}

TEST_F(PumpMessagesTest, NoPollWhileDeviceLost) {
  g_DeviceLost = true;
  testkit::PressKey(SDL_SCANCODE_SPACE);
  testkit::MoveCursorToClient(g_Window, 10, 10);
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(g_KeysCurrent[DIK_SPACE], 0);
  EXPECT_EQ(g_CursorCurrent.x, 0);
  g_DeviceLost = false;
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(g_KeysCurrent[DIK_SPACE], 0x80);
  EXPECT_EQ(g_CursorCurrent.x, 10);
}

TEST_F(PumpMessagesTest, ClosingTheWindowEndsInQuit) {
  testkit::TypeText("z");
  testkit::CloseWindow(g_Window);
  EXPECT_FALSE(PumpMessages()) << "the character comes first";
  EXPECT_FALSE(PumpMessages()) << "WM_CLOSE: the window is destroyed";
  EXPECT_FALSE(testkit::DescribeWindow(g_Window).exists);
  EXPECT_TRUE(PumpMessages()) << "then WM_QUIT";
  EXPECT_FALSE(PumpMessages());
}

TEST_F(PumpMessagesTest, SessionQuitClosesTheWindowOnce) {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  testkit::CloseWindow(g_Window);  // SDL sends both when the last window closes
  int quits = 0;
  for (int i = 0; i < 10; ++i) quits += PumpMessages();
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(testkit::WindowCount(), 0);
}

TEST_F(PumpMessagesTest, CursorInClientCoordinatesInsideAndOutside) {
  const struct {
    int screenX, screenY;  // client coordinates when client is true
    bool client;
    int x, y;
  } moves[] = {{100, 50, true, 100, 50},
               {0, 0, false, -3, -26},  // over the caption, left of and above the client area
               {640, 480, true, 640, 480}};
  for (const auto& move : moves) {
    if (move.client) testkit::MoveCursorToClient(g_Window, move.screenX, move.screenY);
    if (!move.client) testkit::MoveCursorTo(move.screenX, move.screenY);
    PumpMessages();
    EXPECT_EQ(g_CursorCurrent.x, move.x);
    EXPECT_EQ(g_CursorCurrent.y, move.y);
  }
  EXPECT_EQ(g_CursorPrevious.x, -3);
}

TEST_F(WindowTest, FullScreenCursorMapsToBackBufferPixels) {
  testkit::SetScreenSize(1280, 1024);
  ASSERT_EQ(CreateMainWindow(L"Q", 640, 480, 0, 0, true, nullptr, nullptr, nullptr), WindowOk);
  // The window covers the display; the 640x480 picture is scaled into it, centred.
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  ASSERT_TRUE(facts.fullscreen);
  testkit::MoveCursorTo(facts.x + facts.clientWidth / 4, facts.y + facts.clientHeight / 4);
  PumpMessages();
  EXPECT_NEAR(g_CursorCurrent.x, 160, 1);
  EXPECT_NEAR(g_CursorCurrent.y, 120, 1);
}

TEST_F(PumpMessagesTest, MouseButtonsWheelAndMotion) {
  testkit::MoveCursorToClient(g_Window, 10, 10);
  PumpMessages();
  testkit::PressMouseButton(0);
  testkit::PressMouseButton(2);
  testkit::TurnWheel(2);
  testkit::MoveCursorToClient(g_Window, 15, 7);
  PumpMessages();
  EXPECT_EQ(std::vector<BYTE>(g_MouseCurrent.rgbButtons, g_MouseCurrent.rgbButtons + 3), (std::vector<BYTE>{0x80, 0, 0x80}));
  EXPECT_EQ(g_MouseCurrent.lZ, 240);
  EXPECT_EQ(g_MouseCurrent.lX, 5);
  EXPECT_EQ(g_MouseCurrent.lY, -3);

  testkit::ReleaseMouseButton(0);
  testkit::TurnWheel(-1);
  PumpMessages();
  EXPECT_EQ(g_MousePrevious.rgbButtons[0], 0x80);
  EXPECT_EQ(g_MouseCurrent.rgbButtons[0], 0);
  EXPECT_EQ(g_MouseCurrent.lX, 0) << "movement since the previous poll only";
  DIMOUSESTATE copy;
  GetMouseState(&copy);
  EXPECT_EQ(copy.lZ, -120);
}

// SDL scancode (physical key) to DirectInput key code, through the whole road: SDL
// event, layer state, DirectInput poll.
TEST_F(PumpMessagesTest, KeysReachTheirDirectInputCodes) {
  const std::pair<SDL_Scancode, BYTE> keys[] = {
      {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_A, DIK_A}, {SDL_SCANCODE_0, DIK_0}, {SDL_SCANCODE_F12, DIK_F12},
      {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER}, {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_RALT, DIK_RMENU},
      {SDL_SCANCODE_PAGEDOWN, DIK_NEXT}, {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE}, {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
      {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH}, {SDL_SCANCODE_LGUI, DIK_LWIN}, {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
      {SDL_SCANCODE_PAUSE, DIK_PAUSE}, {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN}, {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP}};
  for (auto [scancode, dik] : keys) {
    testkit::PressKey(scancode);
    PumpMessages();
    int down = 0;
    for (BYTE byte : g_KeysCurrent) down += byte != 0;
    EXPECT_TRUE(g_KeysCurrent[dik] == 0x80 && down == 1) << "scancode " << scancode;
    testkit::ReleaseKey(scancode);
    PumpMessages();
    EXPECT_EQ(g_KeysCurrent[dik], 0) << "scancode " << scancode;
  }
}

}  // namespace
