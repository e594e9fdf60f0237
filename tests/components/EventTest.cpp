#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "engine/Event.h"

namespace {

// The four bytes x shares with key and symbol, read without touching the union.
std::uint32_t SharedBytes(const CTEvent& event) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, &event.x, sizeof(bytes));
  return bytes;
}

TEST(Event, MouseKindsTakeBitSevenOfEachButtonTheWheelAndAnyPosition) {
  const DIMOUSESTATE state{0, 0, -120, {0xFF, 0x7F, 0x80, 0}};  // right is up: only bit 7 counts
  // Kept as plain CTEvent copies, as OnEvent receives them.
  const CTEvent events[] = {CTEventMouseMove(state, -1, 480), CTEventMouseDown(state, -1, 480, 2),
                            CTEventMouseUp(state, -1, 480, 1),  CTEventMouseWheel(state, -1, 480),
                            CTEventMouseIn(state, -1, 480),     CTEventMouseOut(state, -1, 480)};
  const std::uint8_t buttons[] = {0, 2, 1, 4, 0, 0};
  for (int i = 0; i < 6; ++i) {
    const CTEvent& e = events[i];
    EXPECT_EQ(std::tuple(int(e.kind), int(e.button), e.x, e.y, int(e.leftDown), int(e.rightDown), int(e.middleDown), e.wheel),
              std::tuple(i + 1, int(buttons[i]), -1, 480, 1, 0, 1, -120));
  }
}

TEST(Event, KeyKindsKeepKeyAndSymbolInTheStorageOfXAndZeroTheRest) {
  const CTEvent events[] = {CTEvent(), CTEventKeyPress(30, 0), CTEventKeyRelease(255, 0), CTEventSymbol(0, 0xD83D)};
  const std::uint32_t bytes[] = {0, 30, 255, 0xD83Du << 16};  // key in byte 0, symbol in bytes 2-3
  for (int i = 0; i < 4; ++i) {
    const CTEvent& e = events[i];
    EXPECT_EQ(std::tuple(int(e.kind), SharedBytes(e) & 0xFFFF00FFu),
              std::tuple(i == 0 ? 0 : CTEvent::KeyPress + i - 1, bytes[i]));
    EXPECT_EQ(std::tuple(e.y, int(e.leftDown), int(e.rightDown), int(e.middleDown), int(e.button), e.wheel),
              std::tuple(0, 0, 0, 0, 0, 0));
  }
  EXPECT_EQ(std::tuple(int(events[2].key), int(events[3].symbol)), std::tuple(255, 0xD83D));
}

}  // namespace
