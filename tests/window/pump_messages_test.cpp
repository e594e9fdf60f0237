// One message per iteration, input polled only while the window is active and the
// device usable, typed characters, focus, closing, and the cursor in client
// coordinates also outside the window.
#include <SDL.h>
#include <gtest/gtest.h>

#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "platform/win32/messages.h"
#include "tests/window/window_fixture.h"

namespace {

class PumpMessagesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
  }
  // Pumps until the queue is empty; true when WM_QUIT was among the messages.
  bool Drain(int limit = 50) {
    for (int i = 0; i < limit; ++i) {
      MSG peeked;
      bool more = PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE) != 0;
      if (PumpMessages()) return true;
      if (!more) return false;
    }
    return false;
  }
};

TEST_F(PumpMessagesTest, EmptyQueueIsNoQuit) { EXPECT_FALSE(PumpMessages()); }

TEST_F(PumpMessagesTest, TypedTextBecomesOneCharacterPerUtf16Unit) {
  testkit::TypeText("\xC3\xA9");  // é
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(TakeTypedChar(), 0x00E9);
  EXPECT_EQ(TakeTypedChar(), 0) << "taking clears it";

  testkit::TypeText("\xF0\x9F\x98\x80");  // U+1F600: two surrogates, two messages
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(g_PendingChar, 0xD83D);
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(TakeTypedChar(), 0xDE00);
}

TEST_F(PumpMessagesTest, SecondCharacterBeforeTakingReplacesFirst) {
  testkit::TypeText("ab");
  EXPECT_FALSE(PumpMessages());
  EXPECT_FALSE(PumpMessages());
  EXPECT_EQ(TakeTypedChar(), 'b');
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
  EXPECT_TRUE(Drain());
  EXPECT_EQ(testkit::WindowCount(), 0);
}

TEST_F(PumpMessagesTest, CursorInClientCoordinatesInsideAndOutside) {
  testkit::MoveCursorToClient(g_Window, 100, 50);
  PumpMessages();
  EXPECT_EQ(g_CursorCurrent.x, 100);
  EXPECT_EQ(g_CursorCurrent.y, 50);

  testkit::MoveCursorTo(0, 0);  // over the caption, left of and above the client area
  PumpMessages();
  EXPECT_EQ(g_CursorPrevious.x, 100);
  EXPECT_EQ(g_CursorCurrent.x, -3);
  EXPECT_EQ(g_CursorCurrent.y, -26);

  testkit::MoveCursorToClient(g_Window, 640, 480);  // beyond the right and bottom edges
  PumpMessages();
  EXPECT_EQ(g_CursorCurrent.x, 640);
  EXPECT_EQ(g_CursorCurrent.y, 480);
}

using FullScreenCursor = WindowTest;

TEST_F(FullScreenCursor, MapsToBackBufferPixels) {
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
  EXPECT_EQ(g_MouseCurrent.rgbButtons[0], 0x80);
  EXPECT_EQ(g_MouseCurrent.rgbButtons[1], 0);
  EXPECT_EQ(g_MouseCurrent.rgbButtons[2], 0x80);
  EXPECT_EQ(g_MouseCurrent.lZ, 240);
  EXPECT_EQ(g_MouseCurrent.lX, 5);
  EXPECT_EQ(g_MouseCurrent.lY, -3);

  testkit::ReleaseMouseButton(0);
  testkit::TurnWheel(-1);
  PumpMessages();
  EXPECT_EQ(g_MousePrevious.rgbButtons[0], 0x80);
  EXPECT_EQ(g_MouseCurrent.rgbButtons[0], 0);
  EXPECT_EQ(g_MouseCurrent.lZ, -120) << "movement since the previous poll only";
  EXPECT_EQ(g_MouseCurrent.lX, 0);
  DIMOUSESTATE copy;
  GetMouseState(&copy);
  EXPECT_EQ(copy.lZ, -120);
}

// SDL scancode (physical key) to DirectInput key code, through the whole road: SDL
// event, layer state, DirectInput poll.
struct KeySample {
  SDL_Scancode scancode;
  BYTE dik;
};

class KeyboardMapping : public PumpMessagesTest, public ::testing::WithParamInterface<KeySample> {};

TEST_P(KeyboardMapping, KeyReachesItsDirectInputCode) {
  testkit::PressKey(GetParam().scancode);
  PumpMessages();
  EXPECT_EQ(g_KeysCurrent[GetParam().dik], 0x80);
  int down = 0;
  for (BYTE byte : g_KeysCurrent) down += byte != 0;
  EXPECT_EQ(down, 1);
  testkit::ReleaseKey(GetParam().scancode);
  PumpMessages();
  EXPECT_EQ(g_KeysCurrent[GetParam().dik], 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sample, KeyboardMapping,
    ::testing::Values(KeySample{SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, KeySample{SDL_SCANCODE_A, DIK_A},
                      KeySample{SDL_SCANCODE_Z, DIK_Z}, KeySample{SDL_SCANCODE_0, DIK_0},
                      KeySample{SDL_SCANCODE_RETURN, DIK_RETURN}, KeySample{SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
                      KeySample{SDL_SCANCODE_SPACE, DIK_SPACE}, KeySample{SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
                      KeySample{SDL_SCANCODE_RCTRL, DIK_RCONTROL}, KeySample{SDL_SCANCODE_RALT, DIK_RMENU},
                      KeySample{SDL_SCANCODE_F1, DIK_F1}, KeySample{SDL_SCANCODE_F12, DIK_F12},
                      KeySample{SDL_SCANCODE_UP, DIK_UP}, KeySample{SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
                      KeySample{SDL_SCANCODE_DELETE, DIK_DELETE}, KeySample{SDL_SCANCODE_KP_7, DIK_NUMPAD7},
                      KeySample{SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE}, KeySample{SDL_SCANCODE_GRAVE, DIK_GRAVE},
                      KeySample{SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
                      KeySample{SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH}, KeySample{SDL_SCANCODE_LGUI, DIK_LWIN},
                      KeySample{SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ}, KeySample{SDL_SCANCODE_PAUSE, DIK_PAUSE},
                      KeySample{SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
                      KeySample{SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP}),
    [](const ::testing::TestParamInfo<KeySample>& info) {
      return "Scancode" + std::to_string(info.param.scancode);
    });

}  // namespace
