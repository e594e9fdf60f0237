// Test kit: Direct3D failures and the stages of a lost device.
#pragma once

#include <string>

#include "platform/d3d9/d3d9.h"

namespace testkit {

// Direct3DCreate9 gives null while on.
void FailDirect3DCreate(bool on);
// CreateDevice refuses a back buffer of this size (D3DERR_NOTAVAILABLE) from now on.
void FailCreateDevice(UINT width, UINT height);
// D3DXCreateSprite fails while on.
void FailSpriteCreation(bool on);

// Every device becomes lost, as when SDL resets the renderer: an SDL render-reset event
// is pushed and takes effect when the layer next looks at its events (the window's
// message pump, Present, TestCooperativeLevel).
void LoseDevice();
// After a loss, TestCooperativeLevel says D3DERR_DEVICELOST this many times before it
// says D3DERR_DEVICENOTRESET (default 1); kHoldLost keeps it lost.
constexpr unsigned kHoldLost = ~0u;
void SetLostAnswers(unsigned count);
// The next count Resets fail with D3DERR_NOTAVAILABLE.
void FailResets(unsigned count);

enum class Stage { Usable, Lost, NotReset, NotOurs };
Stage DeviceStage(IDirect3DDevice9* device);
DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state);
unsigned PresentCount(IDirect3DDevice9* device);
// The SDL renderer the device draws with ("software", "opengl"...; empty for a device
// not ours or without one).
std::string RendererName(IDirect3DDevice9* device);
// What the caller gave CreateDevice or the last Reset (zeros for a device not ours).
D3DPRESENT_PARAMETERS RequestedParameters(IDirect3DDevice9* device);

}  // namespace testkit
