#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/Event.h"

namespace {

DIMOUSESTATE MouseState(BYTE left, BYTE right, BYTE middle, LONG wheel) {
  DIMOUSESTATE state{};
  state.lX = 7;  // movement fields are not events' business
  state.lY = -3;
  state.lZ = wheel;
  state.rgbButtons[0] = left;
  state.rgbButtons[1] = right;
  state.rgbButtons[2] = middle;
  state.rgbButtons[3] = 0x80;  // the fourth button is never looked at
  return state;
}

// The four bytes that x shares with key and symbol, read without touching the union.
std::vector<unsigned char> SharedBytes(const CTEvent& event) {
  std::vector<unsigned char> bytes(sizeof(event.x));
  std::memcpy(bytes.data(), &event.x, bytes.size());
  return bytes;
}

// Delivery hands over the CTEvent part by value.
CTEvent Deliver(CTEvent event) { return event; }

TEST(Event, DefaultEventIsAllZero) {
  CTEvent event;
  EXPECT_EQ(event.kind, 0);
  EXPECT_EQ(event.x, 0);
  EXPECT_EQ(event.y, 0);
  EXPECT_EQ(event.leftDown, 0);
  EXPECT_EQ(event.rightDown, 0);
  EXPECT_EQ(event.middleDown, 0);
  EXPECT_EQ(event.button, 0);
  EXPECT_EQ(event.wheel, 0);
  EXPECT_EQ(SharedBytes(event), (std::vector<unsigned char>{0, 0, 0, 0}));
}

TEST(Event, EachMouseClassSetsItsKindButtonAndState) {
  const DIMOUSESTATE state = MouseState(0x80, 0x00, 0xFF, -120);
  struct Case {
    CTEvent event;
    std::int32_t kind;
    std::uint8_t button;
  };
  const Case cases[] = {
      {CTEventMouseMove(state, 5, 6), CTEvent::MouseMove, 0},
      {CTEventMouseDown(state, 5, 6, 2), CTEvent::MouseDown, 2},
      {CTEventMouseUp(state, 5, 6, 1), CTEvent::MouseUp, 1},
      {CTEventMouseWheel(state, 5, 6), CTEvent::MouseWheel, 4},
      {CTEventMouseIn(state, 5, 6), CTEvent::MouseIn, 0},
      {CTEventMouseOut(state, 5, 6), CTEvent::MouseOut, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(c.event.kind, c.kind);
    EXPECT_EQ(c.event.x, 5);
    EXPECT_EQ(c.event.y, 6);
    EXPECT_EQ(c.event.button, c.button);
    EXPECT_EQ(c.event.wheel, -120);
    EXPECT_EQ(c.event.leftDown, 1);
    EXPECT_EQ(c.event.rightDown, 0);
    EXPECT_EQ(c.event.middleDown, 1);
  }
}

TEST(Event, OnlyBitSevenMakesAButtonDown) {
  for (int index = 0; index < 3; ++index) {
    for (BYTE value : {BYTE{0x7F}, BYTE{0x80}, BYTE{0xFF}, BYTE{0x01}}) {
      DIMOUSESTATE state{};
      state.rgbButtons[index] = value;
      const CTEventMouseMove event(state, 0, 0);
      const std::uint8_t expected = (value & 0x80) ? 1 : 0;
      const std::uint8_t got[] = {event.leftDown, event.rightDown, event.middleDown};
      for (int other = 0; other < 3; ++other) {
        EXPECT_EQ(got[other], other == index ? expected : 0) << "button " << index << " byte " << int(value);
      }
    }
  }
}

TEST(Event, DownAndUpCarryTheStateAfterTheChange) {
  const CTEventMouseDown down(MouseState(0x80, 0, 0, 0), 1, 1, 0);
  const CTEventMouseUp up(MouseState(0, 0, 0, 0), 1, 1, 0);
  EXPECT_EQ(down.leftDown, 1);
  EXPECT_EQ(up.leftDown, 0);
}

TEST(Event, MouseEventsKeepCoordinatesOutsideTheDrawingArea) {
  const CTEventMouseOut out(MouseState(0, 0, 0, 0), -15, 480);
  EXPECT_EQ(out.x, -15);
  EXPECT_EQ(out.y, 480);
  const CTEventMouseMove far(MouseState(0, 0, 0, 0), 640, -2147483647 - 1);
  EXPECT_EQ(far.x, 640);
  EXPECT_EQ(far.y, -2147483647 - 1);
}

TEST(Event, KeyKindsFillKeyAndSymbolAndZeroThePointerFields) {
  const CTEventKeyPress press(30, 0);
  const CTEventKeyRelease release(255, 0);
  const CTEventSymbol symbol(0, 0x0416);
  EXPECT_EQ(press.kind, CTEvent::KeyPress);
  EXPECT_EQ(release.kind, CTEvent::KeyRelease);
  EXPECT_EQ(symbol.kind, CTEvent::Symbol);
  EXPECT_EQ(press.key, 30);
  EXPECT_EQ(press.symbol, 0);
  EXPECT_EQ(release.key, 255);
  EXPECT_EQ(symbol.key, 0);
  EXPECT_EQ(symbol.symbol, 0x0416);
  for (const CTEvent* event : {static_cast<const CTEvent*>(&press), static_cast<const CTEvent*>(&release),
                               static_cast<const CTEvent*>(&symbol)}) {
    EXPECT_EQ(event->y, 0);
    EXPECT_EQ(event->leftDown, 0);
    EXPECT_EQ(event->rightDown, 0);
    EXPECT_EQ(event->middleDown, 0);
    EXPECT_EQ(event->button, 0);
    EXPECT_EQ(event->wheel, 0);
  }
}

TEST(Event, KeyAndSymbolShareTheStorageOfX) {
  const CTEventKeyPress press(0xAB, 0xBEEF);
  const auto* base = reinterpret_cast<const unsigned char*>(&press.x);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&press.key), base);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&press.symbol), base + 2);
  const std::vector<unsigned char> bytes = SharedBytes(press);
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(bytes[2], 0xEF);  // little-endian symbol after the key
  EXPECT_EQ(bytes[3], 0xBE);
}

TEST(Event, ACopyAsPlainEventKeepsKindAndEveryField) {
  const CTEvent wheel = Deliver(CTEventMouseWheel(MouseState(0, 0x80, 0, 240), -4, 500));
  EXPECT_EQ(wheel.kind, CTEvent::MouseWheel);
  EXPECT_EQ(wheel.x, -4);
  EXPECT_EQ(wheel.y, 500);
  EXPECT_EQ(wheel.rightDown, 1);
  EXPECT_EQ(wheel.button, 4);
  EXPECT_EQ(wheel.wheel, 240);

  const CTEvent typed = Deliver(CTEventSymbol(0, 0xD83D));
  EXPECT_EQ(typed.kind, CTEvent::Symbol);
  EXPECT_EQ(typed.key, 0);
  EXPECT_EQ(typed.symbol, 0xD83D);

  CTEvent assigned;
  assigned = CTEventKeyRelease(20, 0);
  EXPECT_EQ(assigned.kind, CTEvent::KeyRelease);
  EXPECT_EQ(assigned.key, 20);
}

}  // namespace
