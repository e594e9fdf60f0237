// One input event, passed by value to OnEvent. The main loop builds each one through
// the class of its kind; receivers tell the kind by `kind` alone, never by the class.
#pragma once

#include <cstdint>

#include "platform/dinput8/dinput.h"

class CTEvent {
 public:
  enum Kind : std::int32_t {
    MouseMove = 1,
    MouseDown = 2,
    MouseUp = 3,
    MouseWheel = 4,
    MouseIn = 5,
    MouseOut = 6,
    KeyPress = 7,
    KeyRelease = 8,
    Symbol = 9,
  };

  // Index that a wheel event carries in `button`.
  static constexpr std::uint8_t WheelButton = 4;

  CTEvent() : x(0) {}
  CTEvent(const CTEvent&) = default;
  CTEvent& operator=(const CTEvent&) = default;
  virtual ~CTEvent();

  // Mouse kinds use `x`; key kinds use `key` and `symbol`, which live in the same
  // four bytes. Only the member that the kind names is the one to read.
  union {
    std::int32_t x;
    struct {
      std::uint8_t key;
      std::uint16_t symbol;
    };
  };
  std::int32_t y = 0;
  std::uint8_t leftDown = 0;
  std::uint8_t rightDown = 0;
  std::uint8_t middleDown = 0;
  std::uint8_t button = 0;
  std::int32_t wheel = 0;
  std::int32_t kind = 0;

 protected:
  // Mouse kinds: the cursor in client pixels and the mouse state after the change.
  CTEvent(Kind kind, const DIMOUSESTATE& state, std::int32_t x, std::int32_t y, std::uint8_t button);
  // Key kinds: the pointer fields stay 0.
  CTEvent(Kind kind, std::uint8_t key, std::uint16_t symbol);
};

class CTEventMouseMove : public CTEvent {
 public:
  CTEventMouseMove(DIMOUSESTATE state, std::int32_t x, std::int32_t y);
  ~CTEventMouseMove() override;
};

class CTEventMouseDown : public CTEvent {
 public:
  CTEventMouseDown(DIMOUSESTATE state, std::int32_t x, std::int32_t y, std::uint8_t button);
  ~CTEventMouseDown() override;
};

class CTEventMouseUp : public CTEvent {
 public:
  CTEventMouseUp(DIMOUSESTATE state, std::int32_t x, std::int32_t y, std::uint8_t button);
  ~CTEventMouseUp() override;
};

class CTEventMouseWheel : public CTEvent {
 public:
  CTEventMouseWheel(DIMOUSESTATE state, std::int32_t x, std::int32_t y);
  ~CTEventMouseWheel() override;
};

class CTEventMouseIn : public CTEvent {
 public:
  CTEventMouseIn(DIMOUSESTATE state, std::int32_t x, std::int32_t y);
  ~CTEventMouseIn() override;
};

class CTEventMouseOut : public CTEvent {
 public:
  CTEventMouseOut(DIMOUSESTATE state, std::int32_t x, std::int32_t y);
  ~CTEventMouseOut() override;
};

class CTEventKeyPress : public CTEvent {
 public:
  CTEventKeyPress(std::uint8_t key, std::uint16_t symbol);
  ~CTEventKeyPress() override;
};

class CTEventKeyRelease : public CTEvent {
 public:
  CTEventKeyRelease(std::uint8_t key, std::uint16_t symbol);
  ~CTEventKeyRelease() override;
};

class CTEventSymbol : public CTEvent {
 public:
  CTEventSymbol(std::uint8_t key, std::uint16_t symbol);
  ~CTEventSymbol() override;
};
