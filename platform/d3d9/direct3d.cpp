// Direct3DCreate9 and the Direct3D object that makes devices.
#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/direct3d_switches.h"
#include "platform/win32/ref_counted.h"

namespace {

constexpr DWORD kVertexProcessingFlags = 0x20 | 0x40 | 0x80;  // software, hardware, mixed

class Direct3D final : public layer::RefCounted<IDirect3D9> {
 public:
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    if (device == nullptr || parameters == nullptr) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF && type != D3DDEVTYPE_SW) return D3DERR_INVALIDCALL;
    DWORD processing = behaviorFlags & kVertexProcessingFlags;
    if (processing != 0x20 && processing != 0x40 && processing != 0x80) return D3DERR_INVALIDCALL;
    HWND window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
    D3DPRESENT_PARAMETERS completed = *parameters;
    HRESULT result = layer::CompletePresentParameters(window, completed);
    if (FAILED(result)) return result;
    const auto& failing = layer::Switches().failingSizes;
    if (failing.count({completed.BackBufferWidth, completed.BackBufferHeight})) return D3DERR_NOTAVAILABLE;
    layer::Device* made = nullptr;
    result = layer::Device::Create(this, window, completed, &made);
    if (FAILED(result)) return result;
    made->SetRequested(*parameters);
    *parameters = completed;
    *device = made;
    return D3D_OK;
  }

 private:
  ~Direct3D() override = default;
};

}  // namespace

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || layer::Switches().failCreate) return nullptr;
  if (!layer::EnsureVideo()) return nullptr;
  return new Direct3D;
}
