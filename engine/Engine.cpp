#include "engine/Engine.h"

#include <string>

#include "engine/Event.h"
#include "engine/Font.h"
#include "engine/Log.h"
#include "engine/Texture.h"
#include "engine/Window.h"

SceneId g_CurrentScene = NoScene;
SceneId g_CurrentOverlay = NoScene;

namespace {

// An iteration with nothing to draw sleeps until the next message rather than burn a
// core; the bound keeps a lost device asked to restore about ten times a second.
constexpr std::uint32_t kIdleWaitMs = 100;

CTScene* Find(const std::map<SceneId, CTScene*>& scenes, SceneId id) {
  auto it = scenes.find(id);
  return it == scenes.end() ? nullptr : it->second;
}

CTScene* CurrentScene() { return Find(g_Scenes, g_CurrentScene); }

// The overlay slot always holds a scene: the empty one when no overlay is open (also
// before InitializeEngine has stored it under id 0).
CTScene* OverlaySlot() {
  CTScene* scene = Find(g_Overlays, g_CurrentOverlay);
  return scene ? scene : &g_EmptyScene;
}

// A scene id that names no registered scene leaves the loop nothing sound to run: an
// engine ERROR, final like every other.
[[noreturn]] void FailUnknownScene(const char* role, SceneId id) {
  char text[256] = {};
  FormatString(text, "%s scene %u is not registered", role, static_cast<unsigned>(id));
  std::wstring wide;
  for (const char* c = text; *c; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  FailWithError(wide);
}

bool Inside(const POINT& point) {
  return point.x >= 0 && point.x < g_ClientWidth && point.y >= 0 && point.y < g_ClientHeight;
}

bool Down(BYTE button) { return (button & 0x80) != 0; }

// This iteration's events, from the differences between the previous and the current
// snapshots, in their fixed order: pointer, presses, releases, wheel, typed character,
// keys by ascending code.
void DeliverEvents(CTScene* target) {
  DIMOUSESTATE state;
  GetMouseState(&state);
  const std::int32_t x = g_CursorCurrent.x;
  const std::int32_t y = g_CursorCurrent.y;

  if (g_CursorCurrent.x != g_CursorPrevious.x || g_CursorCurrent.y != g_CursorPrevious.y) {
    bool wasInside = Inside(g_CursorPrevious), isInside = Inside(g_CursorCurrent);
    if (!wasInside && isInside) {
      target->OnEvent(CTEventMouseIn(state, x, y));
    } else if (wasInside && !isInside) {
      target->OnEvent(CTEventMouseOut(state, x, y));
    } else {
      target->OnEvent(CTEventMouseMove(state, x, y));
    }
  }
  for (std::uint8_t button = 0; button < 3; ++button) {
    if (!Down(g_MousePrevious.rgbButtons[button]) && Down(g_MouseCurrent.rgbButtons[button])) {
      target->OnEvent(CTEventMouseDown(state, x, y, button));
    }
  }
  for (std::uint8_t button = 0; button < 3; ++button) {
    if (Down(g_MousePrevious.rgbButtons[button]) && !Down(g_MouseCurrent.rgbButtons[button])) {
      target->OnEvent(CTEventMouseUp(state, x, y, button));
    }
  }
  if (g_MouseCurrent.lZ != 0) target->OnEvent(CTEventMouseWheel(state, x, y));
  if (std::uint16_t typed = TakeTypedChar(); typed != 0) target->OnEvent(CTEventSymbol(0, typed));
  for (int key = 0; key < 256; ++key) {
    bool was = g_KeysPrevious[key] != 0, is = g_KeysCurrent[key] != 0;
    if (is && !was) target->OnEvent(CTEventKeyPress(static_cast<std::uint8_t>(key), 0));
    if (was && !is) target->OnEvent(CTEventKeyRelease(static_cast<std::uint8_t>(key), 0));
  }
}

void ReleaseDeviceResources() {
  ReleaseAllTextures();
  ReleaseAllFonts();
}

enum class Switch { Stay, Switched, Quit };

// The current scene asked to go elsewhere: it is paused and left, an open overlay
// closes, device resources go, and the scene it names (asked again) comes in.
Switch SwitchScene() {
  CTScene* old = CurrentScene();
  if (old->GetNextScene() == NoScene) return Switch::Stay;
  old->Pause();
  old->Leave();
  if (g_CurrentOverlay != NoScene) {
    CTScene* overlay = OverlaySlot();
    overlay->Pause();
    overlay->Leave();
    g_CurrentOverlay = NoScene;
    CTScene* empty = OverlaySlot();
    empty->Enter();
    empty->Resume();
  }
  ReleaseDeviceResources();
  if (old->GetNextScene() == QuitScene) return Switch::Quit;
  SceneId next = old->GetNextScene();
  CTScene* incoming = Find(g_Scenes, next);
  if (incoming == nullptr) FailUnknownScene("Next", next);
  g_CurrentScene = next;
  incoming->Enter();
  incoming->Resume();
  return Switch::Switched;
}

// The overlay slot's scene asked to go elsewhere; no device resources are released.
void SwitchOverlay() {
  CTScene* slot = OverlaySlot();
  if (slot->GetNextScene() == NoScene) return;
  slot->Pause();
  slot->Leave();
  if (slot->GetNextScene() == QuitScene) {
    g_CurrentOverlay = NoScene;
  } else {
    SceneId next = slot->GetNextScene();
    if (Find(g_Overlays, next) == nullptr) FailUnknownScene("Overlay", next);
    g_CurrentOverlay = next;
  }
  CTScene* incoming = OverlaySlot();
  incoming->Enter();
  incoming->Resume();
}

}  // namespace

bool InitializeEngine(const std::wstring& maker, const std::wstring& product, const std::wstring& title,
                      std::int32_t widthA, std::int32_t heightA, std::int32_t widthB, std::int32_t heightB,
                      bool fullscreen, HINSTANCE instance, HICON smallIcon, HICON largeIcon) {
  OpenLog(maker, product);
  switch (CreateMainWindow(title, widthA, heightA, widthB, heightB, fullscreen, instance, smallIcon, largeIcon)) {
    case WindowOk:
      WriteLog(LogInfo, L"Window Created");
      g_Scenes[NoScene] = &g_EmptyScene;
      g_Overlays[NoScene] = &g_EmptyScene;
      WriteLog(LogInfo, L"Engine Initialization Done");
      return true;
    case WindowNoMode: WriteLog(LogError, L"Display Should Support 1024x768 or 1280x800"); return false;
    case WindowSafeMode: WriteLog(LogError, L"Can't Run in Safe Mode"); return false;
    case WindowNoDirect3D: WriteLog(LogError, L"Direct3D Failed"); return false;
  }
  return false;
}

void RegisterScene(CTScene* scene) {
  if (scene == nullptr) return;
  g_Scenes[scene->GetId()] = scene;
}

void RunEngine(SceneId first) {
  CTScene* start = Find(g_Scenes, first);
  if (start == nullptr) FailUnknownScene("First", first);
  start->Enter();
  start->Resume();
  g_CurrentScene = first;
  g_CurrentOverlay = NoScene;

  for (;;) {
    if (PumpMessages()) return;
    if (!IsWindowActive() || IsDeviceLost()) {
      if (IsDeviceLost() && RestoreDevice()) {
        CurrentScene()->Resume();
        OverlaySlot()->Resume();
      } else {
        WaitForMessage(kIdleWaitMs);
      }
      continue;
    }

    Switch switched = SwitchScene();
    CTScene* target = g_CurrentOverlay != NoScene ? OverlaySlot() : CurrentScene();
    DeliverEvents(target);
    if (switched == Switch::Quit) {
      OverlaySlot()->Pause();
      OverlaySlot()->Leave();
      return;
    }

    CurrentScene()->Update();
    SwitchOverlay();
    OverlaySlot()->Update();

    bool begun = BeginFrame();
    if (begun) {
      CurrentScene()->Draw();
      OverlaySlot()->Draw();
    }
    if (!EndFrame(begun)) {
      OverlaySlot()->Pause();
      CurrentScene()->Pause();
      ReleaseDeviceResources();
    }
  }
}
