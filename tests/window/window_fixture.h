// A clean layer and clean window globals around every test of this program.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Releases the device, sprite and input devices the window part made, and puts every
// global of the window part back to its value before CreateMainWindow.
void ResetWindowGlobals();

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The installer's call on a roomy screen: 640x480, no mode B, windowed.
  void OpenInstallerWindow(const std::wstring& title = L"Quellor");
};
