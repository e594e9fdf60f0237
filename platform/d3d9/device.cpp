#include <algorithm>

#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/direct3d_switches.h"
#include "platform/d3d9/renderer_choice.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/system_metrics.h"
#include "platform/win32/window_internal.h"

namespace layer {
namespace {

bool IsBackBufferFormat(D3DFORMAT format) {
  return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 || format == D3DFMT_R5G6B5 ||
         format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

}  // namespace

Direct3DSwitches& Switches() {
  static Direct3DSwitches switches;
  return switches;
}

HRESULT CompletePresentParameters(HWND window, D3DPRESENT_PARAMETERS& parameters) {
  WindowObject* object = FindWindowObject(window);
  if (object == nullptr || object->sdl == nullptr) return D3DERR_INVALIDCALL;
  if (parameters.Windowed) {
    if (parameters.FullScreen_RefreshRateInHz != 0) return D3DERR_INVALIDCALL;
    int width = 0, height = 0;
    SDL_GetWindowSize(object->sdl, &width, &height);
    if (parameters.BackBufferWidth == 0) parameters.BackBufferWidth = static_cast<UINT>(width);
    if (parameters.BackBufferHeight == 0) parameters.BackBufferHeight = static_cast<UINT>(height);
    if (parameters.BackBufferFormat == D3DFMT_UNKNOWN) parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
  } else {
    if (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    // Full screen needs a display mode of that size; the desktop is the largest there is.
    if (parameters.BackBufferWidth > static_cast<UINT>(GetSystemMetrics(SM_CXSCREEN)) ||
        parameters.BackBufferHeight > static_cast<UINT>(GetSystemMetrics(SM_CYSCREEN))) {
      return D3DERR_NOTAVAILABLE;
    }
  }
  if (!IsBackBufferFormat(parameters.BackBufferFormat)) return D3DERR_INVALIDCALL;
  if (parameters.BackBufferCount == 0) parameters.BackBufferCount = 1;
  if (parameters.BackBufferCount > 3) return D3DERR_INVALIDCALL;
  if (parameters.SwapEffect < D3DSWAPEFFECT_DISCARD || parameters.SwapEffect > D3DSWAPEFFECT_COPY) {
    return D3DERR_INVALIDCALL;
  }
  if (parameters.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if (parameters.BackBufferWidth > 16384 || parameters.BackBufferHeight > 16384) return D3DERR_NOTAVAILABLE;
  if (parameters.hDeviceWindow == nullptr) parameters.hDeviceWindow = window;
  return D3D_OK;
}

Device::Device(IDirect3D9* parent, HWND window) : parent_(parent), window_(window) {
  parent_->AddRef();
  windowObserver_ = AddWindowDestroyObserver([this](HWND destroyed) { OnWindowDestroyed(destroyed); });
  AddSdlEventSink(this);
}

Device::~Device() {
  RemoveSdlEventSink(this);
  RemoveWindowDestroyObserver(windowObserver_);
  if (backBuffer_) SDL_DestroyTexture(backBuffer_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (WindowObject* object = FindWindowObject(window_)) {
    if (!parameters_.Windowed && object->sdl) SDL_SetWindowFullscreen(object->sdl, 0);
    object->logicalWidth = object->logicalHeight = 0;
  }
  parent_->Release();
}

HRESULT Device::Create(IDirect3D9* parent, HWND window, const D3DPRESENT_PARAMETERS& parameters, Device** out) {
  auto* device = new Device(parent, window);
  HRESULT result = device->Start(parameters);
  if (FAILED(result)) {
    device->Release();
    return result;
  }
  *out = device;
  return D3D_OK;
}

Device* Device::From(IDirect3DDevice9* device) { return dynamic_cast<Device*>(device); }

HRESULT Device::Start(const D3DPRESENT_PARAMETERS& parameters) {
  WindowObject* object = FindWindowObject(window_);
  if (object == nullptr || object->sdl == nullptr) return D3DERR_INVALIDCALL;
  // SDL_RENDER_DRIVER chooses the renderer (software for tests), else SDL's first that
  // works, or its software one where OpenGL is only software; vsync paces Present as
  // the default presentation interval does, where the renderer can. Headless drivers
  // have no display to follow: SDL would only simulate vsync there with real waits.
  ChooseRenderer(object->sdl);
  renderer_ = SDL_CreateRenderer(object->sdl, -1, SDL_RENDERER_TARGETTEXTURE);
  if (renderer_ == nullptr) return D3DERR_NOTAVAILABLE;
  const bool headless = IsHeadlessVideoDriver(SDL_GetCurrentVideoDriver());
  if (parameters.PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE && !headless) SDL_RenderSetVSync(renderer_, 1);
  parameters_ = parameters;
  HRESULT result = ApplyDisplayMode(parameters);
  if (FAILED(result)) return result;
  if (!MakeBackBuffer(parameters.BackBufferWidth, parameters.BackBufferHeight)) return D3DERR_OUTOFVIDEOMEMORY;
  ResetRenderStates(parameters);
  return D3D_OK;
}

// Full screen stands in for a display-mode change: the window covers the desktop and
// the back buffer is shown scaled to fit it.
HRESULT Device::ApplyDisplayMode(const D3DPRESENT_PARAMETERS& parameters) {
  WindowObject* object = FindWindowObject(window_);
  if (object == nullptr || object->sdl == nullptr) return D3DERR_INVALIDCALL;
  if (parameters.Windowed) {
    if (SDL_GetWindowFlags(object->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) SDL_SetWindowFullscreen(object->sdl, 0);
    object->logicalWidth = object->logicalHeight = 0;
    return D3D_OK;
  }
  if (SDL_SetWindowFullscreen(object->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return D3DERR_NOTAVAILABLE;
  object->logicalWidth = static_cast<int>(parameters.BackBufferWidth);
  object->logicalHeight = static_cast<int>(parameters.BackBufferHeight);
  return D3D_OK;
}

bool Device::MakeBackBuffer(UINT width, UINT height) {
  if (backBuffer_) SDL_DestroyTexture(backBuffer_);
  backBuffer_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                  static_cast<int>(width), static_cast<int>(height));
  if (backBuffer_ == nullptr) return false;
  SDL_SetTextureBlendMode(backBuffer_, SDL_BLENDMODE_NONE);
  SDL_SetTextureScaleMode(backBuffer_, SDL_ScaleModeLinear);
  SDL_SetRenderTarget(renderer_, backBuffer_);
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  return true;
}

void Device::ResetRenderStates(const D3DPRESENT_PARAMETERS& parameters) {
  renderStates_.fill(0);
  renderStates_[D3DRS_ZENABLE] = parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  renderStates_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
  renderStates_[D3DRS_LIGHTING] = TRUE;
}

void Device::OnSdlEvent(const SDL_Event& event) {
  if (event.type == SDL_RENDER_TARGETS_RESET || event.type == SDL_RENDER_DEVICE_RESET) MarkLost();
}

void Device::MarkLost() {
  if (stage_ == DeviceStage::Lost) return;
  stage_ = DeviceStage::Lost;
  lostAnswersLeft_ = Switches().lostAnswers;
}

// The window went away under the device: it can never present again (Present fails
// with D3DERR_INVALIDCALL, TestCooperativeLevel says lost). Managed textures keep
// their pixels; nothing refers to the renderer any more.
void Device::OnWindowDestroyed(HWND window) {
  if (window != window_ || renderer_ == nullptr) return;
  for (Texture* texture : textures_) texture->DropSdl();
  if (backBuffer_) SDL_DestroyTexture(backBuffer_);
  backBuffer_ = nullptr;
  SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
}

HRESULT Device::TestCooperativeLevel() {
  PumpSdlEvents();
  if (renderer_ == nullptr) return D3DERR_DEVICELOST;
  switch (stage_) {
    case DeviceStage::Usable: return D3D_OK;
    case DeviceStage::Lost:
      if (lostAnswersLeft_ > 0) {
        if (lostAnswersLeft_ > 0 && lostAnswersLeft_ != ~0u) --lostAnswersLeft_;
        return D3DERR_DEVICELOST;
      }
      stage_ = DeviceStage::NotReset;
      return D3DERR_DEVICENOTRESET;
    case DeviceStage::NotReset: return D3DERR_DEVICENOTRESET;
  }
  return D3DERR_DEVICELOST;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
  if (parameters == nullptr) return D3DERR_INVALIDCALL;
  PumpSdlEvents();
  requested_ = *parameters;
  if (renderer_ == nullptr) return D3DERR_DEVICELOST;
  if (stage_ == DeviceStage::Lost) return D3DERR_DEVICELOST;
  // A failed Reset leaves the device waiting for another one, as Direct3D does.
  stage_ = DeviceStage::NotReset;
  D3DPRESENT_PARAMETERS wanted = *parameters;
  HRESULT result = CompletePresentParameters(window_, wanted);
  if (FAILED(result)) return result;
  for (Texture* texture : textures_) {
    if (texture->GetPool() == D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  }
  if (Switches().failingResets > 0) {
    --Switches().failingResets;
    return D3DERR_NOTAVAILABLE;
  }
  for (Texture* texture : textures_) texture->DropSdl();
  result = ApplyDisplayMode(wanted);
  if (FAILED(result)) return result;
  if (!MakeBackBuffer(wanted.BackBufferWidth, wanted.BackBufferHeight)) return D3DERR_OUTOFVIDEOMEMORY;
  for (Texture* texture : textures_) {
    if (!texture->Upload(renderer_)) return D3DERR_OUTOFVIDEOMEMORY;
  }
  *parameters = wanted;
  parameters_ = wanted;
  ResetRenderStates(wanted);
  inScene_ = false;
  stage_ = DeviceStage::Usable;
  return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (state >= renderStates_.size()) return D3DERR_INVALIDCALL;
  renderStates_[state] = value;
  return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD, D3DCOLOR color, float, DWORD) {
  if ((count == 0) != (rects == nullptr)) return D3DERR_INVALIDCALL;
  if (stage_ != DeviceStage::Usable || renderer_ == nullptr) return D3D_OK;
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(renderer_, (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, (color >> 24) & 0xFF);
  if (count == 0) {
    SDL_RenderClear(renderer_);
    return D3D_OK;
  }
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& rect = rects[i];
    if (rect.x2 <= rect.x1 || rect.y2 <= rect.y1) continue;
    SDL_Rect area{rect.x1, rect.y1, rect.x2 - rect.x1, rect.y2 - rect.y1};
    SDL_RenderFillRect(renderer_, &area);
  }
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const void*) {
  PumpSdlEvents();
  if (renderer_ == nullptr || inScene_) return D3DERR_INVALIDCALL;
  if (stage_ != DeviceStage::Usable) return D3DERR_DEVICELOST;
  if (Switches().beforePresent) {
    Switches().beforePresent(renderer_, parameters_.BackBufferWidth, parameters_.BackBufferHeight);
  }
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  int outputWidth = 0, outputHeight = 0;
  SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
  // Windowed, Direct3D stretches the back buffer over the client area; full screen
  // keeps its proportions (see ApplyDisplayMode).
  SDL_Rect shown = parameters_.Windowed
                       ? SDL_Rect{0, 0, outputWidth, outputHeight}
                       : LetterboxRect(outputWidth, outputHeight, static_cast<int>(parameters_.BackBufferWidth),
                                       static_cast<int>(parameters_.BackBufferHeight));
  SDL_RenderCopy(renderer_, backBuffer_, nullptr, &shown);
  SDL_RenderPresent(renderer_);
  SDL_SetRenderTarget(renderer_, backBuffer_);
  ++presents_;
  return D3D_OK;
}

void Device::AddTexture(Texture* texture) {
  textures_.push_back(texture);
  AddRef();
}

void Device::RemoveTexture(Texture* texture) {
  textures_.erase(std::remove(textures_.begin(), textures_.end(), texture), textures_.end());
  Release();
}

void Device::DrawTriangles(Texture* texture, const SDL_Vertex* vertices, int vertexCount, const int* indices,
                           int indexCount, bool blend) {
  if (stage_ != DeviceStage::Usable || renderer_ == nullptr || texture->Sdl() == nullptr) return;
  SDL_SetTextureBlendMode(texture->Sdl(), blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  SDL_RenderGeometry(renderer_, texture->Sdl(), vertices, vertexCount, indices, indexCount);
}

}  // namespace layer
