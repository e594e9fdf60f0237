// The main window: choosing the display mode, window or full screen, the one retry
// with the other mode when Direct3D refuses the first, and the per-iteration poll.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "tests/window/WindowKit.h"

namespace {

WindowResult Create(int widthA, int heightA, int widthB, int heightB, bool fullscreen) {
  return CreateMainWindow(L"Q", widthA, heightA, widthB, heightB, fullscreen, nullptr, nullptr, nullptr);
}

struct ModeRow {
  const char* name;
  int screenWidth, screenHeight, widthA, heightA, widthB, heightB;
  bool fullscreenAsked;
  WindowResult result;
  bool wide, fullscreen;
  int clientWidth, clientHeight;
};

// Frame 3 pixels, caption 23: a mode w x h fits when w + 6 <= screen width and
// h + 29 <= screen height.
const ModeRow kRows[] = {
    {"BothFitWideScreen", 1920, 1080, 1024, 768, 1280, 800, false, WindowOk, true, false, 1280, 800},
    {"BothFitNarrowScreen", 1600, 1200, 1024, 768, 1280, 800, false, WindowOk, false, false, 1024, 768},
    {"OnlyBFitsEvenOnNarrowScreen", 1300, 1000, 1400, 600, 1000, 700, false, WindowOk, true, false, 1000, 700},
    {"OnlyAFitsEvenOnWideScreen", 1500, 900, 1000, 700, 1600, 600, false, WindowOk, false, false, 1000, 700},
    {"NeitherFitsNarrowGoesFullscreen", 1024, 768, 1024, 768, 1280, 800, false, WindowOk, false, true, 1024, 768},
    {"NeitherFitsWideGoesFullscreen", 1000, 620, 800, 600, 960, 600, false, WindowOk, true, true, 960, 600},
    {"OnlyAFullscreenAsked", 1280, 1024, 640, 480, 0, 0, true, WindowOk, false, true, 640, 480},
    {"OnlyAJustFitsWindowed", 646, 509, 640, 480, 0, 0, false, WindowOk, false, false, 640, 480},
    {"OnlyATooWideGoesFullscreen", 645, 1024, 640, 480, 0, 0, false, WindowOk, false, true, 640, 480},
    {"OnlyATooHighGoesFullscreen", 1280, 508, 640, 480, 0, 0, false, WindowOk, false, true, 640, 480},
    {"OnlyBTooLargeGoesFullscreen", 1280, 800, 0, 0, 1280, 800, false, WindowOk, true, true, 1280, 800},
    {"RatioExactlyOneAndAHalfIsNotWide", 1440, 960, 1024, 768, 1280, 800, true, WindowOk, false, true, 1024, 768},
    {"RatioOnePointSixIsWide", 1280, 800, 1024, 768, 1280, 800, true, WindowOk, true, true, 1280, 800},
    {"NoModeGiven", 1920, 1080, 0, 0, 0, 0, false, WindowNoMode, false, false, 0, 0},
    {"ZeroHeightIsNotGiven", 1920, 1080, 640, 0, 0, 0, false, WindowNoMode, false, false, 0, 0},
    {"ZeroWidthBIsNotGiven", 1920, 1080, 0, 0, 0, 800, true, WindowNoMode, false, false, 0, 0},
};

class ModeTable : public WindowTest, public ::testing::WithParamInterface<ModeRow> {};

TEST_P(ModeTable, ChoosesModeAndWindow) {
  const ModeRow& row = GetParam();
  testkit::SetScreenSize(row.screenWidth, row.screenHeight);
  ASSERT_EQ(Create(row.widthA, row.heightA, row.widthB, row.heightB, row.fullscreenAsked), row.result);
  if (row.result != WindowOk) {
    EXPECT_EQ(testkit::WindowsCreated(), 0);
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
}

INSTANTIATE_TEST_SUITE_P(Rows, ModeTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.name); });

using CreateMainWindowTest = WindowTest;

TEST_F(CreateMainWindowTest, InstallerWindowIsPlacedAtOriginWithTitleAndDevice) {
  OpenInstallerWindow(L"Установка Quellor");
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  // The outer window sits at (0, 0); its client area starts inside frame and caption.
  EXPECT_EQ(std::tuple(facts.title, facts.x, facts.y), std::tuple(L"Установка Quellor", 3, 26));
  EXPECT_EQ(testkit::RequestedParameters(g_Device).hDeviceWindow, g_Window);
  // Culling would hide pictures drawn mirrored.
  EXPECT_EQ(testkit::RenderState(g_Device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_TRUE(GetSprite() && g_Keyboard && g_Mouse);
}

TEST_F(CreateMainWindowTest, SafeModeWithNetworkMakesNoWindow) {
  testkit::SetSafeMode(2);  // plain safe mode (1) is checked through InitializeEngine
  EXPECT_EQ(Create(640, 480, 0, 0, false), WindowSafeMode);
  EXPECT_EQ(testkit::WindowsCreated(), 0);
}

// Direct3D refusing the first mode: one retry with the other, keeping full screen and
// without a fit test; the destroyed first window must not leave a quit behind.
TEST_F(CreateMainWindowTest, RefusedDirect3DRetriesOnceWithTheOtherMode) {
  const struct {
    int screenWidth, screenHeight, heightB;  // heightB 0: no mode B
    bool fullscreen, noDirect3D, refuseB;    // the first mode tried is always refused
    WindowResult result;
    int windowsCreated;
    bool wide;
    int outerWidth, outerHeight;
  } cases[] = {{1600, 1200, 800, false, false, false, WindowOk, 2, true, 1286, 829},  // narrow: A first
               {1920, 1080, 800, true, false, false, WindowOk, 2, false, 1024, 768},  // wide: B first, refused
               {1600, 1200, 0, false, false, false, WindowNoDirect3D, 1, false, 0, 0},
               {1600, 1200, 800, false, false, true, WindowNoDirect3D, 2, false, 0, 0},
               {1600, 1200, 800, false, true, false, WindowNoDirect3D, 2, false, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TearDown();
    SetUp();
    testkit::SetScreenSize(c.screenWidth, c.screenHeight);
    testkit::FailDirect3DCreate(c.noDirect3D);
    testkit::FailCreateDevice(c.fullscreen ? 1280 : 1024, c.fullscreen ? 800 : 768);
    if (c.refuseB) testkit::FailCreateDevice(1280, 800);
    ASSERT_EQ(Create(1024, 768, 1280, c.heightB, c.fullscreen), c.result);
    EXPECT_EQ(std::tuple(testkit::WindowsCreated(), testkit::WindowCount()), std::tuple(c.windowsCreated, int(c.result == WindowOk)));
    if (c.result != WindowOk) {
      EXPECT_EQ(g_Device, nullptr);
      continue;
    }
    EXPECT_EQ(std::tuple(g_WideMode, g_Fullscreen, g_OuterWidth, g_OuterHeight),
              std::tuple(c.wide, c.fullscreen, c.outerWidth, c.outerHeight));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(PumpMessages());
  }
}

TEST_F(CreateMainWindowTest, MissingSpriteDoesNotStopStartOrFrames) {
  testkit::FailSpriteCreation(true);
  OpenInstallerWindow();
  EXPECT_EQ(GetSprite(), nullptr);
  ASSERT_TRUE(BeginFrame());
  EXPECT_TRUE(EndFrame(true));
  EXPECT_EQ(testkit::PresentCount(g_Device), 1u);
}

using PumpMessagesTest = WindowTest;

TEST_F(PumpMessagesTest, TypedCharacterWaitsUntilTakenAndTheLatestWins) {
  OpenInstallerWindow();
  EXPECT_FALSE(PumpMessages()) << "an empty queue is no quit";
  testkit::TypeText("ab");
  PumpMessages();
  EXPECT_EQ(TakeTypedChar(), u'a');
  EXPECT_EQ(TakeTypedChar(), 0) << "taking clears it";
  PumpMessages();
  testkit::TypeText("c");
  PumpMessages();
  EXPECT_EQ(TakeTypedChar(), u'c') << "a second character before taking replaces the first";
}

TEST_F(PumpMessagesTest, NoPollWhileDeviceLost) {
  OpenInstallerWindow();
  g_DeviceLost = true;
  testkit::PressKey(SDL_SCANCODE_SPACE);
  testkit::MoveCursorToClient(g_Window, 10, 10);
  PumpMessages();
  EXPECT_EQ(std::tuple(g_KeysCurrent[DIK_SPACE], g_CursorCurrent.x), std::tuple(0, 0));
  g_DeviceLost = false;
  PumpMessages();
  EXPECT_EQ(std::tuple(g_KeysCurrent[DIK_SPACE], g_CursorCurrent.x), std::tuple(0x80, 10));
}

TEST_F(PumpMessagesTest, CursorInClientCoordinatesOverTheCaptionAndInFullScreen) {
  OpenInstallerWindow();
  testkit::MoveCursorTo(0, 0);  // over the caption, left of and above the client area
  PumpMessages();
  EXPECT_EQ(std::tuple(g_CursorCurrent.x, g_CursorCurrent.y), std::tuple(-3, -26));
  // Full screen covers the display with the 640x480 picture scaled into it, centred.
  TearDown();
  SetUp();
  testkit::SetScreenSize(1280, 1024);
  ASSERT_EQ(Create(640, 480, 0, 0, true), WindowOk);
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  testkit::MoveCursorTo(facts.x + facts.clientWidth / 4, facts.y + facts.clientHeight / 4);
  PumpMessages();
  EXPECT_NEAR(g_CursorCurrent.x, 160, 1);
  EXPECT_NEAR(g_CursorCurrent.y, 120, 1);
}

// SDL scancode (physical key) to DirectInput key code, through the whole road: SDL
// event, layer state, DirectInput poll.
TEST_F(PumpMessagesTest, KeysReachTheirDirectInputCodes) {
  OpenInstallerWindow();
  const std::pair<SDL_Scancode, BYTE> keys[] = {
      {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_A, DIK_A}, {SDL_SCANCODE_0, DIK_0}, {SDL_SCANCODE_F12, DIK_F12},
      {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER}, {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_RALT, DIK_RMENU},
      {SDL_SCANCODE_PAGEDOWN, DIK_NEXT}, {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE}, {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
      {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH}, {SDL_SCANCODE_LGUI, DIK_LWIN}, {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ},
      {SDL_SCANCODE_PAUSE, DIK_PAUSE}, {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN}, {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP}};
  for (auto [scancode, dik] : keys) {
    std::array<BYTE, 256> down{}, seen{};
    down[dik] = 0x80;  // this key and no other
    testkit::PressKey(scancode);
    PumpMessages();
    std::copy(std::begin(g_KeysCurrent), std::end(g_KeysCurrent), seen.begin());
    EXPECT_EQ(seen, down) << "scancode " << scancode;
    testkit::ReleaseKey(scancode);
    PumpMessages();
  }
}

}  // namespace
