// DirectInput's rules (versions, devices, formats, acquisition), the key table, and
// what polls show of presses and releases that fall between two of them.
#include <SDL.h>

#include <cctype>
#include <cstring>
#include <map>

#include "platform/dinput8/dinput.h"
#include "platform/dinput8/keymap.h"
#include "platform/testkit/input.h"
#include "tests/window/WindowKit.h"

namespace {

// A DirectInput of its own, on the installer's window.
class DirectInputTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8W, reinterpret_cast<void**>(&input), nullptr), DI_OK);
  }
  void TearDown() override {
    input->Release();  // its devices hold it until they go
    WindowTest::TearDown();
  }
  IDirectInput8* input = nullptr;
};

TEST_F(DirectInputTest, CreationAndDevicesFollowTheVersionAndAcquireRules) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8W, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, GUID_SysMouse, &out, nullptr), DIERR_NOINTERFACE);

  IDirectInputDevice8* device = nullptr;
  EXPECT_EQ(input->CreateDevice(IID_IDirectInput8W, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);

  ASSERT_EQ(input->CreateDevice(GUID_SysKeyboard, &device, nullptr), DI_OK);
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  EXPECT_EQ(device->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  EXPECT_EQ(device->SetCooperativeLevel(g_Window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_NOTIMPL);
  EXPECT_EQ(device->SetCooperativeLevel(g_Window, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE), DI_OK);

  std::vector<BYTE> keys(256, 0xAB);
  EXPECT_EQ(device->GetDeviceState(256, keys.data()), DIERR_NOTACQUIRED);
  testkit::PressKey(SDL_SCANCODE_A);  // pressed and released before the acquire: not shown
  testkit::ReleaseKey(SDL_SCANCODE_A);
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(device->Acquire(), DI_NOEFFECT);
  EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(device->GetDeviceState(255, keys.data()), DIERR_INVALIDPARAM);
  EXPECT_EQ(keys[0], 0xAB) << "a failed read leaves the buffer alone";
  EXPECT_EQ(device->GetDeviceState(256, keys.data()), DI_OK);
  EXPECT_EQ(keys[0], 0);
  EXPECT_EQ(keys[DIK_A], 0);
  EXPECT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(device->Unacquire(), DI_NOEFFECT);
  device->Release();
}

// The engine's mouse was acquired with its window; this one now.
TEST_F(DirectInputTest, EachMouseMeasuresFromItsOwnPreviousPoll) {
  IDirectInputDevice8* mouse = nullptr;
  ASSERT_EQ(input->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
  mouse->SetDataFormat(&c_dfDIMouse);
  mouse->Acquire();
  DIMOUSESTATE state{};
  testkit::TurnWheel(1);
  mouse->GetDeviceState(sizeof(state), &state);
  EXPECT_EQ(state.lZ, 120);
  testkit::TurnWheel(0.5f);
  mouse->GetDeviceState(sizeof(state), &state);
  EXPECT_EQ(state.lZ, 60);
  g_Mouse->GetDeviceState(sizeof(state), &state);
  EXPECT_EQ(state.lZ, 180);
  mouse->Release();
}

// A quick click or tap (down and up before one poll) is down at that poll and up at
// the next, so the main loop makes both events; a quick re-press of a held button
// shows the other way round. Scripts: d down, u up, | the engine's poll. (Keys share
// the reading; a quick key press through the main loop: EngineTest.cpp.) The two keys
// with the backslash's code (k, h down; K, H up; : the poll of that code) hold it down
// until both are up.
TEST_F(WindowTest, EveryChangeBetweenTwoPollsReachesTheEngine) {
  OpenInstallerWindow();
  const std::pair<const char*, const char*> scripts[] = {{"du||", "10"}, {"d|ud||u|", "1010"}, {"kh:K:H:", "110"},
                                                         {"k:hK:H:", "110"}};
  for (const auto& [script, shown] : scripts) {
    std::string seen;
    for (const char* step = script; *step != '\0'; ++step) {
      if (*step == 'd') testkit::PressMouseButton(0);
      if (*step == 'u') testkit::ReleaseMouseButton(0);
      if (*step == '|') PumpMessages(), seen += g_MouseCurrent.rgbButtons[0] == 0x80 ? '1' : '0';
      if (std::strchr("kKhH", *step) != nullptr) {
        const int scancode = std::tolower(*step) == 'k' ? SDL_SCANCODE_BACKSLASH : SDL_SCANCODE_NONUSHASH;
        std::islower(*step) ? testkit::PressKey(scancode) : testkit::ReleaseKey(scancode);
      }
      if (*step == ':') PumpMessages(), seen += g_KeysCurrent[DIK_BACKSLASH] == 0x80 ? '1' : '0';
    }
    EXPECT_EQ(seen, shown) << script;
  }
}

TEST(KeyTable, NoTwoKeysShareACodeByMistake) {
  std::map<int, std::vector<int>> byCode;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (int dik = layer::DikFromScancode(scancode)) byCode[dik].push_back(scancode);
  }
  // Deliberate: the ISO key left of Enter sends the backslash's code; two mute keys.
  std::map<int, std::vector<int>> shared = {{DIK_BACKSLASH, {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH}},
                                            {DIK_MUTE, {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE}}};
  for (const auto& [dik, scancodes] : byCode) {
    EXPECT_TRUE(scancodes.size() == 1 || scancodes == shared[dik]) << "code 0x" << std::hex << dik;
  }
  // A full-size PC keyboard has 104 keys (105 on ISO), each with its own code.
  EXPECT_GE(byCode.size(), 105u);
  for (int bad : {-1, int{SDL_NUM_SCANCODES}, int{SDL_SCANCODE_UNKNOWN}}) EXPECT_FALSE(layer::DikFromScancode(bad));
}

}  // namespace
