// The keyboard and mouse as DirectInput sees them, kept from SDL's input events
// (internal). Keeping our own state, rather than asking SDL for its, makes events the
// test kit pushes count exactly like real ones.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32/sdl_video.h"

namespace layer {

// A key or button as last seen, and how often it has changed since input started.
struct Switch {
  bool down = false;
  std::uint32_t changes = 0;
};

class InputState final : public SdlEventSink {
 public:
  // Created on first use, already listening to SDL's events.
  static InputState& Instance();

  void OnSdlEvent(const SDL_Event& event) override;

  // By DirectInput key code (down while any key with that code is held).
  const Switch& Key(std::uint8_t dik) const { return keys_[dik]; }

  struct Mouse {
    std::int64_t motionX = 0;  // sums of all motion since start
    std::int64_t motionY = 0;
    double wheel = 0;          // sum of wheel movement, 120 per notch
    Switch buttons[4];         // left, right, middle, fourth
  };
  const Mouse& GetMouse() const { return mouse_; }

  // Every key and button up (test kit); the sums stay, since devices measure from them.
  void ReleaseAll();

 private:
  InputState();
  void SetKey(int scancode, bool down);
  std::array<bool, SDL_NUM_SCANCODES> scancodeDown_{};
  std::array<std::uint8_t, 256> heldPerKey_{};  // scancodes held, by DirectInput code
  std::array<Switch, 256> keys_{};
  Mouse mouse_;
};

// What one poll shows of a switch. A press and release that both fall between two
// polls (a quick click, a touchpad tap) would leave no trace in the state alone: the
// poll that follows them shows the switch down, and the next one up again. The same
// holds for a release and press between two polls.
class SwitchReader {
 public:
  bool Read(const Switch& now) {
    const bool missedChange = now.changes != changesSeen_ && now.down == shown_;
    shown_ = missedChange ? !shown_ : now.down;
    changesSeen_ = now.changes;
    return shown_;
  }
  // Starts from the switch as it is now, without its history.
  void Sync(const Switch& now) {
    shown_ = now.down;
    changesSeen_ = now.changes;
  }

 private:
  bool shown_ = false;
  std::uint32_t changesSeen_ = 0;
};

}  // namespace layer
