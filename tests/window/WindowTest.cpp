// The main window: choosing the display mode, window or full screen, the one retry
// with the other mode when Direct3D refuses the first, and the per-iteration poll.
#include <SDL.h>

#include <tuple>

#include "platform/testkit/direct3d.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "tests/window/WindowKit.h"

namespace {

WindowResult Create(int widthA, int heightA, int widthB, int heightB, bool fullscreen) {
  return CreateMainWindow(L"Q", widthA, heightA, widthB, heightB, fullscreen, nullptr, nullptr, nullptr);
}

// What stands in the way: Direct3D refusing the device for mode A or B, or itself; safe
// mode with network (plain safe mode, 1, is checked through InitializeEngine).
enum Refusal { kNone = 0, kRefuseA = 1, kRefuseB = 2, kNoDirect3D = 4, kSafeModeWithNetwork = 8 };

struct ModeRow {
  const char* name;
  int screenWidth, screenHeight, widthA, heightA, widthB, heightB;
  bool fullscreenAsked;
  int refused;
  WindowResult result;
  int windowsMade;
  bool wide = false, fullscreen = false;
  int clientWidth = 0, clientHeight = 0;
};

// Frame 3 pixels, caption 23: a mode w x h fits when w + 6 <= screen width and
// h + 29 <= screen height. A refused device means one retry with the other mode,
// keeping full screen, without a fit test.
const ModeRow kRows[] = {
    {"BothFitWideScreen", 1920, 1080, 1024, 768, 1280, 800, false, kNone, WindowOk, 1, true, false, 1280, 800},
    {"BothFitNarrowScreen", 1600, 1200, 1024, 768, 1280, 800, false, kNone, WindowOk, 1, false, false, 1024, 768},
    {"OnlyBFitsEvenOnNarrowScreen", 1300, 1000, 1400, 600, 1000, 700, false, kNone, WindowOk, 1, true, false, 1000, 700},
    {"OnlyAFitsEvenOnWideScreen", 1500, 900, 1000, 700, 1600, 600, false, kNone, WindowOk, 1, false, false, 1000, 700},
    {"NeitherFitsNarrowGoesFullscreen", 1024, 768, 1024, 768, 1280, 800, false, kNone, WindowOk, 1, false, true, 1024, 768},
    {"NeitherFitsWideGoesFullscreen", 1000, 620, 800, 600, 960, 600, false, kNone, WindowOk, 1, true, true, 960, 600},
    {"OnlyAFullscreenAsked", 1280, 1024, 640, 480, 0, 0, true, kNone, WindowOk, 1, false, true, 640, 480},
    {"OnlyAJustFitsWindowed", 646, 509, 640, 480, 0, 0, false, kNone, WindowOk, 1, false, false, 640, 480},
    {"OnlyATooWideGoesFullscreen", 645, 1024, 640, 480, 0, 0, false, kNone, WindowOk, 1, false, true, 640, 480},
    {"OnlyATooHighGoesFullscreen", 1280, 508, 640, 480, 0, 0, false, kNone, WindowOk, 1, false, true, 640, 480},
    {"OnlyBTooLargeGoesFullscreen", 1280, 800, 0, 0, 1280, 800, false, kNone, WindowOk, 1, true, true, 1280, 800},
    {"RatioExactlyOneAndAHalfIsNotWide", 1440, 960, 1024, 768, 1280, 800, true, kNone, WindowOk, 1, false, true, 1024, 768},
    {"RatioOnePointSixIsWide", 1280, 800, 1024, 768, 1280, 800, true, kNone, WindowOk, 1, true, true, 1280, 800},
    {"NoModeGiven", 1920, 1080, 0, 0, 0, 0, false, kNone, WindowNoMode, 0},
    {"ZeroHeightIsNotGiven", 1920, 1080, 640, 0, 0, 0, false, kNone, WindowNoMode, 0},
    {"ZeroWidthBIsNotGiven", 1920, 1080, 0, 0, 0, 800, true, kNone, WindowNoMode, 0},
    {"RefusedARetriesWithB", 1600, 1200, 1024, 768, 1280, 800, false, kRefuseA, WindowOk, 2, true, false, 1280, 800},
    {"RefusedBRetriesFullscreenA", 1920, 1080, 1024, 768, 1280, 800, true, kRefuseB, WindowOk, 2, false, true, 1024, 768},
    {"RefusedAWithoutB", 1600, 1200, 1024, 768, 0, 0, false, kRefuseA, WindowNoDirect3D, 1},
    {"BothRefused", 1600, 1200, 1024, 768, 1280, 800, false, kRefuseA | kRefuseB, WindowNoDirect3D, 2},
    {"NoDirect3D", 1600, 1200, 1024, 768, 1280, 800, false, kNoDirect3D, WindowNoDirect3D, 2},
    {"SafeModeWithNetworkMakesNoWindow", 1280, 1024, 640, 480, 0, 0, false, kSafeModeWithNetwork, WindowSafeMode, 0},
};

class ModeTable : public WindowTest, public ::testing::WithParamInterface<ModeRow> {};

TEST_P(ModeTable, ChoosesModeAndWindow) {
  const ModeRow& row = GetParam();
  testkit::SetScreenSize(row.screenWidth, row.screenHeight);
  if (row.refused & kRefuseA) testkit::FailCreateDevice(row.widthA, row.heightA);
  if (row.refused & kRefuseB) testkit::FailCreateDevice(row.widthB, row.heightB);
  testkit::FailDirect3DCreate(row.refused & kNoDirect3D);
  if (row.refused & kSafeModeWithNetwork) testkit::SetSafeMode(2);
  ASSERT_EQ(Create(row.widthA, row.heightA, row.widthB, row.heightB, row.fullscreenAsked), row.result);
  EXPECT_EQ(std::tuple(testkit::WindowsCreated(), testkit::WindowCount()),
            std::tuple(row.windowsMade, row.result == WindowOk ? 1 : 0));
  if (row.result != WindowOk) {
    EXPECT_EQ(g_Device, nullptr);
    return;
  }
  const bool full = row.fullscreen;
  EXPECT_EQ(std::tuple(g_WideMode, g_Fullscreen, g_FullscreenRequested), std::tuple(row.wide, full, row.fullscreenAsked));
  EXPECT_EQ(std::tuple(g_ClientWidth, g_ClientHeight, g_OuterWidth, g_OuterHeight),
            std::tuple(row.clientWidth, row.clientHeight, row.clientWidth + (full ? 0 : 6), row.clientHeight + (full ? 0 : 29)));
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  EXPECT_EQ(std::tuple(facts.visible, facts.borderless, facts.fullscreen), std::tuple(true, full, full));
  if (!full) { EXPECT_EQ(std::tuple(facts.clientWidth, facts.clientHeight), std::tuple(row.clientWidth, row.clientHeight)); }
  D3DPRESENT_PARAMETERS asked = testkit::RequestedParameters(g_Device);
  EXPECT_EQ(std::tuple(asked.BackBufferWidth, asked.BackBufferHeight, asked.BackBufferFormat, asked.Windowed,
                       asked.FullScreen_RefreshRateInHz),
            std::tuple(UINT(row.clientWidth), UINT(row.clientHeight), full ? D3DFMT_X8R8G8B8 : D3DFMT_UNKNOWN,
                       full ? FALSE : TRUE, full ? 60u : 0u));
  EXPECT_EQ(asked.hDeviceWindow, g_Window);
  // Culling would hide pictures drawn mirrored.
  EXPECT_EQ(testkit::RenderState(g_Device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_TRUE(GetSprite() && g_Keyboard && g_Mouse);
  // A window destroyed before the retry must not leave a quit behind.
  EXPECT_FALSE(PumpMessages() || PumpMessages());
}

INSTANTIATE_TEST_SUITE_P(Rows, ModeTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.name); });

TEST_F(WindowTest, MissingSpriteDoesNotStopStartOrFrames) {
  testkit::FailSpriteCreation(true);
  OpenInstallerWindow();
  EXPECT_EQ(GetSprite(), nullptr);
  ASSERT_TRUE(BeginFrame());
  EXPECT_TRUE(EndFrame(true));
  EXPECT_EQ(testkit::PresentCount(g_Device), 1u);
}

// The cursor is read in client coordinates, also outside the client area, the wheel
// as the movement since the last poll; keys by SDL scancode (physical key) reach their
// DirectInput codes. Nothing is polled while the device is lost.
TEST_F(WindowTest, PollsCursorAndKeysOnlyWhileTheDeviceIsUsable) {
  OpenInstallerWindow();
  g_DeviceLost = true;
  testkit::PressKey(SDL_SCANCODE_SPACE);
  testkit::TurnWheel(-1);
  testkit::MoveCursorTo(0, 0);  // over the caption, left of and above the client area
  auto polled = [] { return std::tuple(g_KeysCurrent[DIK_SPACE], g_MouseCurrent.lZ, g_CursorCurrent.x, g_CursorCurrent.y); };
  PumpMessages();
  EXPECT_EQ(polled(), std::tuple(0, 0, 0, 0));
  g_DeviceLost = false;
  PumpMessages();
  EXPECT_EQ(polled(), std::tuple(0x80, -120, -3, -26));
  const std::pair<SDL_Scancode, BYTE> keys[] = {
      {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_A, DIK_A}, {SDL_SCANCODE_0, DIK_0}, {SDL_SCANCODE_F12, DIK_F12},
      {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER}, {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_RALT, DIK_RMENU},
      {SDL_SCANCODE_PAGEDOWN, DIK_NEXT}, {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE}, {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
      {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH}, {SDL_SCANCODE_LGUI, DIK_LWIN}, {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
      {SDL_SCANCODE_PAUSE, DIK_PAUSE}, {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN}, {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP}};
  for (auto [scancode, dik] : keys) {
    testkit::PressKey(scancode);
    PumpMessages();
    EXPECT_EQ(g_KeysCurrent[dik], 0x80) << "scancode " << scancode;
    testkit::ReleaseKey(scancode);
  }
}

// Full screen covers the display with the 640x480 picture scaled into it, centred.
TEST_F(WindowTest, FullScreenCursorMapsToBackBufferPixels) {
  testkit::SetScreenSize(1280, 1024);
  ASSERT_EQ(Create(640, 480, 0, 0, true), WindowOk);
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  testkit::MoveCursorTo(facts.x + facts.clientWidth / 4, facts.y + facts.clientHeight / 4);
  PumpMessages();
  EXPECT_NEAR(g_CursorCurrent.x, 160, 1);
  EXPECT_NEAR(g_CursorCurrent.y, 120, 1);
}

}  // namespace
