// DirectInput's rules: versions, devices, formats, acquisition; the key table.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "platform/dinput8/dinput.h"
#include "platform/dinput8/keymap.h"
#include "engine/Window.h"
#include "platform/testkit/input.h"
#include "tests/window/WindowKit.h"

namespace {

// Devices of a DirectInput of their own, on the installer's window.
class DirectInputTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    window = g_Window;
    ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8W, reinterpret_cast<LPVOID*>(&input), nullptr), DI_OK);
  }
  void TearDown() override {
    for (IDirectInputDevice8* device : devices) device->Release();
    input->Release();
    WindowTest::TearDown();
  }
  IDirectInputDevice8* Device(REFGUID which) {
    IDirectInputDevice8* device = nullptr;
    EXPECT_EQ(input->CreateDevice(which, &device, nullptr), DI_OK);
    devices.push_back(device);
    return device;
  }

  HWND window = nullptr;
  IDirectInput8* input = nullptr;
  std::vector<IDirectInputDevice8*> devices;
};

TEST(DirectInputCreate, ChecksVersionInterfaceAndAggregation) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8W, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0900, IID_IDirectInput8W, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, GUID_SysMouse, &out, nullptr), DIERR_NOINTERFACE);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8W, &out, &out), DIERR_NOAGGREGATION);
  EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8W, nullptr, nullptr), DIERR_INVALIDPARAM);
}

TEST_F(DirectInputTest, DevicesFollowTheAcquireRules) {
  IDirectInputDevice8* device = nullptr;
  EXPECT_EQ(input->CreateDevice(IID_IDirectInput8W, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);

  device = Device(GUID_SysKeyboard);
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  EXPECT_EQ(device->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DI_OK);
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_BACKGROUND), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_NOTIMPL);
  EXPECT_EQ(device->SetCooperativeLevel(reinterpret_cast<HWND>(0x5), DISCL_BACKGROUND | DISCL_NONEXCLUSIVE),
            DIERR_INVALIDPARAM);

  BYTE keys[256];
  std::memset(keys, 0xAB, sizeof(keys));
  EXPECT_EQ(device->GetDeviceState(sizeof(keys), keys), DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Acquire(), DI_OK);
  EXPECT_EQ(device->Acquire(), DI_NOEFFECT);
  EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
  EXPECT_EQ(device->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
  EXPECT_EQ(keys[0], 0xAB) << "a failed read leaves the buffer alone";
  EXPECT_EQ(device->GetDeviceState(sizeof(keys), keys), DI_OK);
  EXPECT_EQ(keys[0], 0);
  EXPECT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(device->Unacquire(), DI_NOEFFECT);
}

TEST_F(DirectInputTest, EachMouseMeasuresFromItsOwnPreviousPoll) {
  IDirectInputDevice8* mice[] = {Device(GUID_SysMouse), Device(GUID_SysMouse)};
  for (IDirectInputDevice8* mouse : mice) {
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
    EXPECT_EQ(mouse->SetCooperativeLevel(window, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE), DI_OK);
    mouse->Acquire();
  }
  DIMOUSESTATE state{};
  testkit::TurnWheel(1);
  ASSERT_EQ(mice[0]->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lZ, 120);
  testkit::TurnWheel(0.5f);
  ASSERT_EQ(mice[0]->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lZ, 60);
  ASSERT_EQ(mice[1]->GetDeviceState(sizeof(state), &state), DI_OK);
  EXPECT_EQ(state.lZ, 180);
}

TEST(KeyTable, NoTwoKeysShareACodeByMistake) {
  std::map<int, std::vector<int>> byCode;
  for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
    if (int dik = layer::DikFromScancode(scancode)) byCode[dik].push_back(scancode);
  }
  for (const auto& [dik, scancodes] : byCode) {
    if (scancodes.size() == 1) continue;
    // Deliberate: the ISO key left of Enter sends the backslash's code; two mute keys.
    bool backslash = dik == DIK_BACKSLASH && scancodes == std::vector<int>{SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH};
    bool mute = dik == DIK_MUTE && scancodes == std::vector<int>{SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE};
    EXPECT_TRUE(backslash || mute) << "code 0x" << std::hex << dik << " has " << scancodes.size() << " keys";
  }
  // A full-size PC keyboard has 104 keys (105 on ISO), each with its own code.
  EXPECT_GE(byCode.size(), 105u);
  for (int outside : {-1, static_cast<int>(SDL_NUM_SCANCODES), static_cast<int>(SDL_SCANCODE_UNKNOWN)}) {
    EXPECT_EQ(layer::DikFromScancode(outside), 0);
  }
}

}  // namespace
