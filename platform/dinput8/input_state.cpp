#include "platform/dinput8/input_state.h"

#include "platform/dinput8/keymap.h"

namespace layer {
namespace {

int ButtonIndex(Uint8 sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    default: return -1;
  }
}

void Turn(Switch& which, bool down) {
  if (which.down == down) return;
  which.down = down;
  ++which.changes;
}

}  // namespace

InputState& InputState::Instance() {
  static InputState* state = new InputState;  // listens until the process ends
  return *state;
}

InputState::InputState() {
  if (EnsureVideo()) {
    // Keys already held when input starts count as down.
    int count = 0;
    const Uint8* held = SDL_GetKeyboardState(&count);
    for (int i = 0; i < count && i < SDL_NUM_SCANCODES; ++i) SetKey(i, held[i] != 0);
  }
  AddSdlEventSink(this);
}

void InputState::SetKey(int scancode, bool down) {
  if (scancode < 0 || scancode >= SDL_NUM_SCANCODES || scancodeDown_[scancode] == down) return;
  scancodeDown_[scancode] = down;
  const std::uint8_t dik = DikFromScancode(scancode);
  if (dik == 0) return;
  heldPerKey_[dik] = static_cast<std::uint8_t>(heldPerKey_[dik] + (down ? 1 : -1));
  Turn(keys_[dik], heldPerKey_[dik] != 0);
}

void InputState::OnSdlEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      SetKey(event.key.keysym.scancode, event.type == SDL_KEYDOWN);
      break;
    case SDL_MOUSEMOTION:
      mouse_.motionX += event.motion.xrel;
      mouse_.motionY += event.motion.yrel;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      int index = ButtonIndex(event.button.button);
      if (index >= 0) Turn(mouse_.buttons[index], event.type == SDL_MOUSEBUTTONDOWN);
      break;
    }
    case SDL_MOUSEWHEEL: {
      double notches = event.wheel.preciseY;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      mouse_.wheel += notches * 120.0;
      break;
    }
    default: break;
  }
}

void InputState::ReleaseAll() {
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) SetKey(scancode, false);
  for (Switch& button : mouse_.buttons) Turn(button, false);
}

}  // namespace layer
