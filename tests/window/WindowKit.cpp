#include "tests/window/WindowKit.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/Log.h"
#include "platform/win32/strings.h"

void ResetWindowGlobals() {
  if (g_Sprite) g_Sprite->Release();
  if (g_Keyboard) g_Keyboard->Release();
  if (g_Mouse) g_Mouse->Release();
  if (g_Device) g_Device->Release();
  g_Sprite = nullptr, g_Keyboard = g_Mouse = nullptr, g_Device = nullptr;
  g_ModeA = {1024, 768}, g_ModeB = {1280, 800};
  g_FullscreenRequested = g_Fullscreen = true, g_WideMode = false;
  g_ClientWidth = 1024, g_ClientHeight = 768, g_OuterWidth = g_OuterHeight = 0;
  g_WindowActive = true, g_DeviceLost = false;
  g_Instance = nullptr, g_Window = nullptr, g_PendingChar = 0;
  std::memset(g_KeysPrevious, 0, sizeof(g_KeysPrevious));
  std::memset(g_KeysCurrent, 0, sizeof(g_KeysCurrent));
  g_MousePrevious = g_MouseCurrent = DIMOUSESTATE{};
  g_CursorPrevious = g_CursorCurrent = POINT{0, 0};
}

LogReader::~LogReader() { g_LogPath.clear(); }

std::wstring LogReader::Text() const {
  std::ifstream file(layer::WideToUtf8(g_LogPath), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += wchar_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
  return text;
}

::testing::AssertionResult LogReader::Holds(const std::wstring& wanted) const {
  const std::wstring text = Text();
  if (text.find(wanted) != std::wstring::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not in the log:\n" << layer::WideToUtf8(text);
}

void ScriptedScene::Update() {
  Note("Update");
  // A script that never ends would hang the test; end it loudly instead.
  if (++updates > 1000) {
    Note("Runaway");
    next = QuitScene;
  } else if (onUpdate) {
    onUpdate(*this, updates);
  }
}

void ScriptedScene::Draw() {
  Note("Draw");
  if (picture) picture->Draw(0, 0, 2, 2, 0, 255, RECT{0, 0, 2, 2});
}

void ScriptedScene::Note(const std::string& what) {
  std::string line = name_ + "." + what;
  if (journalTextures && (what == "Enter" || what == "Leave")) line += "(textures=" + std::to_string(g_Textures.size()) + ")";
  journal_.push_back(line);
}
