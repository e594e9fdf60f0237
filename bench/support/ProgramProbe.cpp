#include "bench/support/ProgramProbe.h"

#include <string>

#include "installer/WinMain.h"
#include "platform/win32/window.h"

extern "C" char __executable_start;

// The engine's entry points as the linker names them; bench/CMakeLists.txt wraps
// exactly these.
extern "C" {
bool __real__Z12PumpMessagesv();
void __real__Z9RunEnginej(SceneId first);
void __real__Z13RegisterSceneP7CTScene(CTScene* scene);
bool __real__Z16InitializeEngineRKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEES6_S6_iiiibP11InstanceTagP7IconTagSA_(
    const std::wstring& maker, const std::wstring& product, const std::wstring& title, int widthA, int heightA,
    int widthB, int heightB, bool fullscreen, HINSTANCE instance, HICON smallIcon, HICON largeIcon);

bool __wrap__Z12PumpMessagesv();
void __wrap__Z9RunEnginej(SceneId first);
void __wrap__Z13RegisterSceneP7CTScene(CTScene* scene);
bool __wrap__Z16InitializeEngineRKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEES6_S6_iiiibP11InstanceTagP7IconTagSA_(
    const std::wstring& maker, const std::wstring& product, const std::wstring& title, int widthA, int heightA,
    int widthB, int heightB, bool fullscreen, HINSTANCE instance, HICON smallIcon, HICON largeIcon);
}

namespace probe {

namespace {

void Call(const std::function<void()>& hook) {
  if (hook) hook();
}

}  // namespace

Hooks& GetHooks() {
  static Hooks hooks;
  return hooks;
}

int RunWinMain() {
  char commandLine[] = "";
  return WinMain(reinterpret_cast<HINSTANCE>(&__executable_start), nullptr, commandLine, SW_SHOWDEFAULT);
}

}  // namespace probe

bool __wrap__Z12PumpMessagesv() {
  probe::Call(probe::GetHooks().iteration);
  return __real__Z12PumpMessagesv();
}

void __wrap__Z9RunEnginej(SceneId first) {
  probe::Call(probe::GetHooks().scenesReady);
  if (probe::GetHooks().mainLoop) {
    probe::GetHooks().mainLoop(first);
  } else {
    __real__Z9RunEnginej(first);
  }
}

void __wrap__Z13RegisterSceneP7CTScene(CTScene* scene) {
  static bool first = true;
  if (first) {
    first = false;
    probe::Call(probe::GetHooks().packsLoaded);
  }
  __real__Z13RegisterSceneP7CTScene(scene);
}

bool __wrap__Z16InitializeEngineRKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEES6_S6_iiiibP11InstanceTagP7IconTagSA_(
    const std::wstring& maker, const std::wstring& product, const std::wstring& title, int widthA, int heightA,
    int widthB, int heightB, bool fullscreen, HINSTANCE instance, HICON smallIcon, HICON largeIcon) {
  probe::Call(probe::GetHooks().configRead);
  const bool ready =
      __real__Z16InitializeEngineRKNSt7__cxx1112basic_stringIwSt11char_traitsIwESaIwEEES6_S6_iiiibP11InstanceTagP7IconTagSA_(
          maker, product, title, widthA, heightA, widthB, heightB, fullscreen, instance, smallIcon, largeIcon);
  if (ready) probe::Call(probe::GetHooks().engineReady);
  return ready;
}
