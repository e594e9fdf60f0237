#include "engine/Event.h"

namespace {

// DirectInput reports a button as down by bit 7 of its byte; the other bits are noise.
std::uint8_t IsDown(BYTE buttonByte) { return (buttonByte & 0x80) != 0 ? 1 : 0; }

}  // namespace

CTEvent::~CTEvent() = default;

CTEvent::CTEvent(Kind eventKind, const DIMOUSESTATE& state, std::int32_t pointerX, std::int32_t pointerY,
                 std::uint8_t eventButton)
    : x(pointerX),
      y(pointerY),
      leftDown(IsDown(state.rgbButtons[0])),
      rightDown(IsDown(state.rgbButtons[1])),
      middleDown(IsDown(state.rgbButtons[2])),
      button(eventButton),
      wheel(state.lZ),
      kind(eventKind) {}

CTEvent::CTEvent(Kind eventKind, std::uint8_t eventKey, std::uint16_t eventSymbol) : x(0), kind(eventKind) {
  // Writing both members makes the key pair the live member of the shared storage.
  key = eventKey;
  symbol = eventSymbol;
}

CTEventMouseMove::CTEventMouseMove(DIMOUSESTATE state, std::int32_t x, std::int32_t y)
    : CTEvent(MouseMove, state, x, y, 0) {}
CTEventMouseMove::~CTEventMouseMove() = default;

CTEventMouseDown::CTEventMouseDown(DIMOUSESTATE state, std::int32_t x, std::int32_t y, std::uint8_t button)
    : CTEvent(MouseDown, state, x, y, button) {}
CTEventMouseDown::~CTEventMouseDown() = default;

CTEventMouseUp::CTEventMouseUp(DIMOUSESTATE state, std::int32_t x, std::int32_t y, std::uint8_t button)
    : CTEvent(MouseUp, state, x, y, button) {}
CTEventMouseUp::~CTEventMouseUp() = default;

CTEventMouseWheel::CTEventMouseWheel(DIMOUSESTATE state, std::int32_t x, std::int32_t y)
    : CTEvent(MouseWheel, state, x, y, WheelButton) {}
CTEventMouseWheel::~CTEventMouseWheel() = default;

CTEventMouseIn::CTEventMouseIn(DIMOUSESTATE state, std::int32_t x, std::int32_t y)
    : CTEvent(MouseIn, state, x, y, 0) {}
CTEventMouseIn::~CTEventMouseIn() = default;

CTEventMouseOut::CTEventMouseOut(DIMOUSESTATE state, std::int32_t x, std::int32_t y)
    : CTEvent(MouseOut, state, x, y, 0) {}
CTEventMouseOut::~CTEventMouseOut() = default;

CTEventKeyPress::CTEventKeyPress(std::uint8_t key, std::uint16_t symbol) : CTEvent(KeyPress, key, symbol) {}
CTEventKeyPress::~CTEventKeyPress() = default;

CTEventKeyRelease::CTEventKeyRelease(std::uint8_t key, std::uint16_t symbol) : CTEvent(KeyRelease, key, symbol) {}
CTEventKeyRelease::~CTEventKeyRelease() = default;

CTEventSymbol::CTEventSymbol(std::uint8_t key, std::uint16_t symbol) : CTEvent(Symbol, key, symbol) {}
CTEventSymbol::~CTEventSymbol() = default;
