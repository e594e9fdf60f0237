#include "tests/window/window_fixture.h"

#include <cstring>

#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "platform/testkit/layer.h"

void ResetWindowGlobals() {
  if (g_Sprite) g_Sprite->Release();
  if (g_Keyboard) g_Keyboard->Release();
  if (g_Mouse) g_Mouse->Release();
  if (g_Device) g_Device->Release();
  g_Sprite = nullptr;
  g_Keyboard = g_Mouse = nullptr;
  g_Device = nullptr;
  g_ModeA = {1024, 768};
  g_ModeB = {1280, 800};
  g_FullscreenRequested = g_Fullscreen = true;
  g_WideMode = false;
  g_ClientWidth = 1024;
  g_ClientHeight = 768;
  g_OuterWidth = g_OuterHeight = 0;
  g_WindowActive = true;
  g_DeviceLost = false;
  g_Instance = nullptr;
  g_Window = nullptr;
  g_PendingChar = 0;
  std::memset(g_KeysPrevious, 0, sizeof(g_KeysPrevious));
  std::memset(g_KeysCurrent, 0, sizeof(g_KeysCurrent));
  g_MousePrevious = g_MouseCurrent = DIMOUSESTATE{};
  g_CursorPrevious = g_CursorCurrent = POINT{0, 0};
}

void WindowTest::SetUp() {
  testkit::ResetLayer();
  ResetWindowGlobals();
}

void WindowTest::TearDown() {
  ResetWindowGlobals();
  testkit::ResetLayer();
}

void WindowTest::OpenInstallerWindow(const std::wstring& title) {
  testkit::SetScreenSize(1280, 1024);
  ASSERT_EQ(CreateMainWindow(title, 640, 480, 0, 0, false, nullptr, nullptr, nullptr), WindowOk);
}
