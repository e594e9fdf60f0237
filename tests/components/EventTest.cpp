#include <gtest/gtest.h>

#include <cstring>

#include "engine/Event.h"

namespace {

// The four bytes x shares with key and symbol, read without touching the union.
std::uint32_t SharedBytes(const CTEvent& event) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, &event.x, sizeof(bytes));
  return bytes;
}

TEST(Event, MouseKindsTakeBitSevenOfEachButtonTheWheelAndAnyPosition) {
  DIMOUSESTATE state{};
  state.rgbButtons[0] = 0xFF;
  state.rgbButtons[1] = 0x7F;  // up: only bit 7 counts
  state.rgbButtons[2] = 0x80;
  state.lZ = -120;
  // Kept as plain CTEvent copies, as OnEvent receives them.
  const CTEvent events[] = {CTEventMouseMove(state, -1, 480), CTEventMouseDown(state, -1, 480, 2),
                            CTEventMouseUp(state, -1, 480, 1),  CTEventMouseWheel(state, -1, 480),
                            CTEventMouseIn(state, -1, 480),     CTEventMouseOut(state, -1, 480)};
  const std::uint8_t buttons[] = {0, 2, 1, 4, 0, 0};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(events[i].kind, i + 1);
    EXPECT_EQ(events[i].button, buttons[i]) << i;
    EXPECT_EQ(events[i].x, -1);
    EXPECT_EQ(events[i].y, 480);
    EXPECT_EQ(events[i].leftDown, 1);
    EXPECT_EQ(events[i].rightDown, 0);
    EXPECT_EQ(events[i].middleDown, 1);
    EXPECT_EQ(events[i].wheel, -120);
  }
}

TEST(Event, KeyKindsKeepKeyAndSymbolInTheStorageOfXAndZeroTheRest) {
  const CTEvent events[] = {CTEvent(), CTEventKeyPress(30, 0), CTEventKeyRelease(255, 0), CTEventSymbol(0, 0xD83D)};
  const std::uint32_t bytes[] = {0, 30, 255, 0xD83Du << 16};  // key in byte 0, symbol in bytes 2-3
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(events[i].kind, i == 0 ? 0 : CTEvent::KeyPress + i - 1);
    EXPECT_EQ(SharedBytes(events[i]) & 0xFFFF00FFu, bytes[i]) << i;
    EXPECT_EQ(events[i].y | events[i].leftDown | events[i].rightDown | events[i].middleDown | events[i].button |
                  events[i].wheel, 0);
  }
  EXPECT_EQ(events[2].key, 255);
  EXPECT_EQ(events[3].symbol, 0xD83D);
  EXPECT_EQ(static_cast<const void*>(&events[1].key), static_cast<const void*>(&events[1].x));
}

}  // namespace
