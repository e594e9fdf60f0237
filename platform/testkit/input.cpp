#include "platform/testkit/input.h"

#include "platform/dinput8/input_state.h"
#include "platform/win32/cursor.h"
#include "platform/win32/cursor_internal.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/window_internal.h"

namespace testkit {
namespace {

Uint32 SdlIdOf(HWND window) {
  layer::WindowObject* object = layer::FindWindowObject(window ? window : layer::FirstWindow());
  return object && object->sdl ? SDL_GetWindowID(object->sdl) : 0;
}

void Push(SDL_Event& event) {
  if (!layer::EnsureVideo()) return;
  layer::InputState::Instance();  // DirectInput listens from its first use; so do tests
  SDL_PushEvent(&event);
}

Uint8 SdlButton(int button) {
  switch (button) {
    case 0: return SDL_BUTTON_LEFT;
    case 1: return SDL_BUTTON_RIGHT;
    case 2: return SDL_BUTTON_MIDDLE;
    default: return SDL_BUTTON_X1;
  }
}

void Key(int scancode, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = SdlIdOf(nullptr);
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
  event.key.keysym.sym = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
  Push(event);
}

void Button(int button, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.windowID = SdlIdOf(nullptr);
  event.button.button = SdlButton(button);
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  Push(event);
}

void WindowEvent(HWND window, Uint8 what) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = SdlIdOf(window);
  event.window.event = what;
  Push(event);
}

}  // namespace

void PressKey(int scancode) { Key(scancode, true); }
void ReleaseKey(int scancode) { Key(scancode, false); }
void PressMouseButton(int button) { Button(button, true); }
void ReleaseMouseButton(int button) { Button(button, false); }

void TurnWheel(float notches) {
  SDL_Event event{};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.windowID = SdlIdOf(nullptr);
  event.wheel.y = static_cast<Sint32>(notches);
  event.wheel.preciseY = notches;
  event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  Push(event);
}

void MoveCursorTo(int screenX, int screenY) {
  POINT before{0, 0};
  GetCursorPos(&before);
  layer::OverrideCursorPos(screenX, screenY);
  // The motion event carries window coordinates, as SDL's do (negative outside).
  HWND window = layer::FirstWindow();
  int originX = 0, originY = 0;
  if (layer::WindowObject* object = layer::FindWindowObject(window); object && object->sdl) {
    SDL_GetWindowPosition(object->sdl, &originX, &originY);
  }
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = SdlIdOf(window);
  event.motion.x = screenX - originX;
  event.motion.y = screenY - originY;
  event.motion.xrel = screenX - before.x;
  event.motion.yrel = screenY - before.y;
  Push(event);
}

void MoveCursorToClient(HWND window, int x, int y) {
  POINT point{x, y};
  if (ClientToScreen(window, &point)) MoveCursorTo(point.x, point.y);
}

void TypeText(const std::string& utf8) {
  // SDL's text events hold at most 31 bytes; split between characters, never inside one.
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = std::min(utf8.size(), start + sizeof(SDL_TextInputEvent::text) - 1);
    while (end < utf8.size() && end > start && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = SdlIdOf(nullptr);
    utf8.copy(event.text.text, end - start, start);
    Push(event);
    start = end;
  }
}

void GainFocus(HWND window) { WindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED); }
void LoseFocus(HWND window) { WindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST); }
void CloseWindow(HWND window) { WindowEvent(window, SDL_WINDOWEVENT_CLOSE); }

}  // namespace testkit
