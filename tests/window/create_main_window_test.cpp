// Choosing the display mode, window or full screen, and the one retry with the other
// mode when Direct3D refuses the first.
#include <gtest/gtest.h>

#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "platform/testkit/layer.h"
#include "platform/testkit/windows.h"
#include "tests/window/window_kit.h"

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
    {"NeitherFitsNarrowGoesFullscreen", 1024, 768, 1024, 768, 1280, 800, false, WindowOk, false, true, 1024, 768},
    {"NeitherFitsWideGoesFullscreen", 1000, 620, 800, 600, 960, 600, false, WindowOk, true, true, 960, 600},
    {"OnlyAFitsWindowed", 1280, 1024, 640, 480, 0, 0, false, WindowOk, false, false, 640, 480},
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
  EXPECT_EQ(g_WideMode, row.wide);
  EXPECT_EQ(g_Fullscreen, row.fullscreen);
  EXPECT_EQ(g_FullscreenRequested, row.fullscreenAsked);
  EXPECT_EQ(g_ClientWidth, row.clientWidth);
  EXPECT_EQ(g_ClientHeight, row.clientHeight);
  EXPECT_EQ(g_OuterWidth, row.clientWidth + (row.fullscreen ? 0 : 6));
  EXPECT_EQ(g_OuterHeight, row.clientHeight + (row.fullscreen ? 0 : 29));

  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  ASSERT_TRUE(facts.visible);
  EXPECT_EQ(facts.borderless, row.fullscreen);
  EXPECT_EQ(facts.fullscreen, row.fullscreen);
  if (!row.fullscreen) {
    EXPECT_EQ(facts.clientWidth, row.clientWidth);
    EXPECT_EQ(facts.clientHeight, row.clientHeight);
  }

  D3DPRESENT_PARAMETERS asked = testkit::RequestedParameters(g_Device);
  EXPECT_EQ(asked.BackBufferWidth, static_cast<UINT>(row.clientWidth));
  EXPECT_EQ(asked.BackBufferHeight, static_cast<UINT>(row.clientHeight));
  EXPECT_EQ(asked.BackBufferFormat, row.fullscreen ? D3DFMT_X8R8G8B8 : D3DFMT_UNKNOWN);
  EXPECT_EQ(asked.Windowed, row.fullscreen ? FALSE : TRUE);
  EXPECT_EQ(asked.FullScreen_RefreshRateInHz, row.fullscreen ? 60u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, ModeTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.name); });

using CreateMainWindowTest = WindowTest;

TEST_F(CreateMainWindowTest, InstallerWindowIsPlacedAtOriginWithTitleAndDevice) {
  OpenInstallerWindow(L"Установка Quellor");
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  EXPECT_EQ(facts.title, L"Установка Quellor");
  // The outer window sits at (0, 0); its client area starts inside frame and caption.
  EXPECT_EQ(facts.x, 3);
  EXPECT_EQ(facts.y, 26);
  EXPECT_EQ(testkit::RequestedParameters(g_Device).hDeviceWindow, g_Window);
  // Culling would hide pictures drawn mirrored.
  EXPECT_EQ(testkit::RenderState(g_Device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
  EXPECT_NE(GetSprite(), nullptr);
  EXPECT_NE(g_Keyboard, nullptr);
  EXPECT_NE(g_Mouse, nullptr);
}

TEST_F(CreateMainWindowTest, SafeModeOfEitherKindMakesNoWindow) {
  for (int cleanBoot : {1, 2}) {
    testkit::SetScreenSize(1920, 1080);
    testkit::SetSafeMode(cleanBoot);
    EXPECT_EQ(Create(640, 480, 0, 0, false), WindowSafeMode);
    EXPECT_EQ(testkit::WindowsCreated(), 0);
  }
}

TEST_F(CreateMainWindowTest, RetriesWithOtherModeAndLeavesNoQuitBehind) {
  testkit::SetScreenSize(1600, 1200);  // narrow: mode A first
  testkit::FailCreateDevice(1024, 768);
  ASSERT_EQ(Create(1024, 768, 1280, 800, false), WindowOk);
  EXPECT_TRUE(g_WideMode);
  EXPECT_FALSE(g_Fullscreen);
  EXPECT_EQ(g_OuterWidth, 1286);
  EXPECT_EQ(g_OuterHeight, 829);
  EXPECT_EQ(testkit::WindowsCreated(), 2);
  EXPECT_EQ(testkit::WindowCount(), 1);
  EXPECT_EQ(testkit::DescribeWindow(g_Window).clientWidth, 1280);
  // The first window's WM_DESTROY must not end the program.
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(PumpMessages());
}

TEST_F(CreateMainWindowTest, RetryKeepsFullScreenWithoutFitTest) {
  testkit::SetScreenSize(1920, 1080);  // wide: mode B first, full screen as asked
  testkit::FailCreateDevice(1280, 800);
  ASSERT_EQ(Create(1024, 768, 1280, 800, true), WindowOk);
  EXPECT_FALSE(g_WideMode);
  EXPECT_TRUE(g_Fullscreen);
  EXPECT_EQ(g_OuterWidth, 1024);
  EXPECT_EQ(g_OuterHeight, 768);
}

TEST_F(CreateMainWindowTest, RefusedDirect3DLeavesNoWindowAndNoDevice) {
  const struct {
    int widthB, failures, windowsCreated;  // -1: not counted
  } cases[] = {{0, 1, 1},       // no other mode: no retry
               {1280, 2, 2},    // both refused: the second window goes too
               {1280, 0, -1}};  // no Direct3D at all
  for (const auto& c : cases) {
    testkit::ResetLayer();
    testkit::SetScreenSize(1600, 1200);
    testkit::FailDirect3DCreate(c.failures == 0);
    if (c.failures > 0) testkit::FailCreateDevice(1024, 768);
    if (c.failures > 1) testkit::FailCreateDevice(1280, 800);
    EXPECT_EQ(Create(1024, 768, c.widthB, c.widthB ? 800 : 0, false), WindowNoDirect3D);
    if (c.windowsCreated >= 0) {
      EXPECT_EQ(testkit::WindowsCreated(), c.windowsCreated) << c.failures;
    }
    EXPECT_EQ(testkit::WindowCount(), 0);
    EXPECT_EQ(g_Device, nullptr);
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

}  // namespace
