// The keyboard and mouse as DirectInput sees them, kept from SDL's input events
// (internal). Keeping our own state, rather than asking SDL for its, makes events the
// test kit pushes count exactly like real ones.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32/sdl_video.h"

namespace layer {

class InputState final : public SdlEventSink {
 public:
  // Created on first use, already listening to SDL's events.
  static InputState& Instance();

  void OnSdlEvent(const SDL_Event& event) override;

  // 256 bytes by DirectInput key code, 0x80 for a key that is down.
  void FillKeys(std::uint8_t keys[256]) const;

  struct Mouse {
    std::int64_t motionX = 0;  // sums of all motion since start
    std::int64_t motionY = 0;
    double wheel = 0;          // sum of wheel movement, 120 per notch
    std::uint8_t buttons[4] = {0, 0, 0, 0};  // left, right, middle, fourth; 0x80 down
  };
  const Mouse& GetMouse() const { return mouse_; }

  // Every key and button up (test kit); the sums stay, since devices measure from them.
  void ReleaseAll();

 private:
  InputState();
  std::array<bool, SDL_NUM_SCANCODES> keyDown_{};
  Mouse mouse_;
};

}  // namespace layer
