// DirectInput 8 over the layer's input state: the system keyboard and mouse.
#include <cmath>
#include <cstring>

#include "platform/dinput8/dinput.h"
#include "platform/dinput8/input_state.h"
#include "platform/win32/ref_counted.h"
#include "platform/win32/window.h"

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 16, 0, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 16, 2, sizeof(DIMOUSESTATE), 0, nullptr};

const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8W = {0xBF798031, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};

static_assert(sizeof(DIMOUSESTATE) == 16, "DIMOUSESTATE is 16 bytes");

namespace {

// A device keeps its DirectInput object alive, as COM children hold their parent.
class InputDevice : public layer::RefCounted<IDirectInputDevice8W> {
 public:
  InputDevice(IDirectInput8W* parent, const DIDATAFORMAT* format) : parent_(parent), format_(format) {
    parent_->AddRef();
  }

  HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
    if (acquired_) return DIERR_ACQUIRED;
    if (format != format_) return DIERR_INVALIDPARAM;  // only the device's predefined format
    formatSet_ = true;
    return DI_OK;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    DWORD exclusivity = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    DWORD scope = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    bool oneEach = (exclusivity == DISCL_EXCLUSIVE || exclusivity == DISCL_NONEXCLUSIVE) &&
                   (scope == DISCL_FOREGROUND || scope == DISCL_BACKGROUND);
    if (!oneEach || !IsWindow(window)) return DIERR_INVALIDPARAM;
    // The system keyboard cannot be held exclusively in the background.
    if (format_ == &c_dfDIKeyboard && flags == (DISCL_EXCLUSIVE | DISCL_BACKGROUND)) return E_NOTIMPL;
    return DI_OK;
  }

  HRESULT Acquire() override {
    if (!formatSet_) return DIERR_INVALIDPARAM;
    if (acquired_) return DI_NOEFFECT;
    acquired_ = true;
    // Input still queued happened before the acquire: it is taken in first, so that
    // the device starts from the state it left rather than showing it as news.
    layer::PumpSdlEvents();
    OnAcquire();
    return DI_OK;
  }

  HRESULT Unacquire() override {
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
  }

  HRESULT GetDeviceState(DWORD size, LPVOID data) override {
    if (data == nullptr || size != format_->dwDataSize) return DIERR_INVALIDPARAM;
    if (!acquired_) return DIERR_NOTACQUIRED;
    layer::PumpSdlEvents();
    Fill(data);
    return DI_OK;
  }

 protected:
  virtual ~InputDevice() { parent_->Release(); }
  virtual void OnAcquire() {}
  virtual void Fill(void* data) = 0;

 private:
  IDirectInput8W* parent_;
  const DIDATAFORMAT* format_;
  bool formatSet_ = false;
  bool acquired_ = false;
};

// Keys and buttons are read through a layer::SwitchReader each, so that a press and
// release between two polls is seen by both of them.
class Keyboard final : public InputDevice {
 public:
  explicit Keyboard(IDirectInput8W* parent) : InputDevice(parent, &c_dfDIKeyboard) {}

 private:
  void OnAcquire() override {
    const layer::InputState& input = layer::InputState::Instance();
    for (int dik = 0; dik < 256; ++dik) keys_[dik].Sync(input.Key(static_cast<std::uint8_t>(dik)));
  }

  void Fill(void* data) override {
    const layer::InputState& input = layer::InputState::Instance();
    auto* bytes = static_cast<std::uint8_t*>(data);
    for (int dik = 0; dik < 256; ++dik) {
      bytes[dik] = keys_[dik].Read(input.Key(static_cast<std::uint8_t>(dik))) ? 0x80 : 0;
    }
  }

  layer::SwitchReader keys_[256];
};

// Motion and wheel are reported as the change since this device's previous poll (or
// since it was acquired).
class Mouse final : public InputDevice {
 public:
  explicit Mouse(IDirectInput8W* parent) : InputDevice(parent, &c_dfDIMouse) {}

 private:
  void OnAcquire() override {
    last_ = layer::InputState::Instance().GetMouse();
    for (int i = 0; i < 4; ++i) buttons_[i].Sync(last_.buttons[i]);
  }

  void Fill(void* data) override {
    const layer::InputState::Mouse& now = layer::InputState::Instance().GetMouse();
    DIMOUSESTATE state{};
    state.lX = static_cast<LONG>(now.motionX - last_.motionX);
    state.lY = static_cast<LONG>(now.motionY - last_.motionY);
    state.lZ = static_cast<LONG>(std::llround(now.wheel) - std::llround(last_.wheel));
    for (int i = 0; i < 4; ++i) state.rgbButtons[i] = buttons_[i].Read(now.buttons[i]) ? 0x80 : 0;
    std::memcpy(data, &state, sizeof(state));
    last_ = now;
  }

  layer::InputState::Mouse last_;
  layer::SwitchReader buttons_[4];
};

class DirectInput final : public layer::RefCounted<IDirectInput8W> {
 public:
  HRESULT CreateDevice(REFGUID device, IDirectInputDevice8W** out, void* outer) override {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer != nullptr) return DIERR_NOAGGREGATION;
    if (device == GUID_SysKeyboard) {
      *out = new Keyboard(this);
    } else if (device == GUID_SysMouse) {
      *out = new Mouse(this);
    } else {
      return DIERR_DEVICENOTREG;
    }
    return DI_OK;
  }

 private:
  ~DirectInput() = default;
};

}  // namespace

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, void* outer) {
  if (out == nullptr) return DIERR_INVALIDPARAM;
  *out = nullptr;
  if (outer != nullptr) return DIERR_NOAGGREGATION;
  if (version < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
  if (version > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
  if (!(iid == IID_IDirectInput8W)) return DIERR_NOINTERFACE;
  layer::InputState::Instance();  // start listening now, so no input is missed
  *out = static_cast<IDirectInput8W*>(new DirectInput);
  return DI_OK;
}
