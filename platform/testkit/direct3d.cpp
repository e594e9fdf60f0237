#include "platform/testkit/direct3d.h"

#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/direct3d_switches.h"

namespace testkit {

void FailDirect3DCreate(bool on) { layer::Switches().failCreate = on; }

void FailCreateDevice(UINT width, UINT height) { layer::Switches().failingSizes.insert({width, height}); }

void FailSpriteCreation(bool on) { layer::Switches().failSprite = on; }

void LoseDevice() {
  if (!layer::EnsureVideo()) return;
  SDL_Event event{};
  event.type = SDL_RENDER_DEVICE_RESET;
  SDL_PushEvent(&event);
}

void SetLostAnswers(unsigned count) { layer::Switches().lostAnswers = count; }

void FailResets(unsigned count) { layer::Switches().failingResets = count; }

Stage DeviceStage(IDirect3DDevice9* device) {
  layer::Device* ours = layer::Device::From(device);
  if (ours == nullptr) return Stage::NotOurs;
  switch (ours->Stage()) {
    case layer::DeviceStage::Usable: return Stage::Usable;
    case layer::DeviceStage::Lost: return Stage::Lost;
    case layer::DeviceStage::NotReset: return Stage::NotReset;
  }
  return Stage::NotOurs;
}

DWORD RenderState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state) {
  layer::Device* ours = layer::Device::From(device);
  return ours ? ours->GetRenderState(state) : 0;
}

unsigned PresentCount(IDirect3DDevice9* device) {
  layer::Device* ours = layer::Device::From(device);
  return ours ? ours->PresentCount() : 0;
}

std::string RendererName(IDirect3DDevice9* device) {
  layer::Device* ours = layer::Device::From(device);
  SDL_RendererInfo info;
  if (ours == nullptr || ours->Renderer() == nullptr || SDL_GetRendererInfo(ours->Renderer(), &info) != 0) return "";
  return info.name;
}

}  // namespace testkit

namespace testkit {

D3DPRESENT_PARAMETERS RequestedParameters(IDirect3DDevice9* device) {
  layer::Device* ours = layer::Device::From(device);
  return ours ? ours->Requested() : D3DPRESENT_PARAMETERS{};
}

}  // namespace testkit
