// The Direct3D 9 objects behind the interfaces (internal): a device draws with an SDL
// renderer on its window into a back-buffer texture, which Present shows.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/ref_counted.h"
#include "platform/win32/sdl_video.h"

namespace layer {

class Device;

class Texture final : public RefCounted<IDirect3DTexture9> {
 public:
  // Registers with the device (and holds a reference to it) until the last Release.
  Texture(Device* device, UINT width, UINT height, D3DPOOL pool, std::vector<std::uint32_t> pixels);

  D3DPOOL GetPool() const override { return pool_; }
  UINT GetWidth() const override { return width_; }
  UINT GetHeight() const override { return height_; }

  Device* Owner() const { return device_; }
  SDL_Texture* Sdl() const { return sdl_; }
  // No pixel below full alpha in what was last uploaded: such a texture drawn at full
  // alpha covers what lies under it, and needs no blending.
  bool Opaque() const { return opaque_; }
  // Makes the SDL texture from the pixels; a default-pool texture then lets its copy go,
  // a managed one keeps it for the next reset.
  bool Upload(SDL_Renderer* renderer);
  void DropSdl();

 private:
  ~Texture() override;
  Device* device_;
  UINT width_;
  UINT height_;
  D3DPOOL pool_;
  std::vector<std::uint32_t> pixels_;
  SDL_Texture* sdl_ = nullptr;
  bool opaque_ = false;
};

// Direct3D 9's rules for a lost device: usable; lost (Present and TestCooperativeLevel
// say D3DERR_DEVICELOST); not reset (TestCooperativeLevel says D3DERR_DEVICENOTRESET
// until a Reset succeeds, which needs every default-pool texture released).
enum class DeviceStage { Usable, Lost, NotReset };

class Device final : public RefCounted<IDirect3DDevice9>, public SdlEventSink {
 public:
  // The device's window and the present parameters are already checked.
  static HRESULT Create(IDirect3D9* parent, HWND window, const D3DPRESENT_PARAMETERS& parameters,
                        Device** out);
  // Null for an interface that is not one of ours.
  static Device* From(IDirect3DDevice9* device);

  HRESULT TestCooperativeLevel() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT* source, const RECT* dest, HWND overrideWindow, const void* dirtyRegion) override;
  void OnSdlEvent(const SDL_Event& event) override;

  SDL_Renderer* Renderer() const { return renderer_; }
  DeviceStage Stage() const { return stage_; }
  DWORD GetRenderState(DWORD state) const { return state < renderStates_.size() ? renderStates_[state] : 0; }
  unsigned PresentCount() const { return presents_; }
  // The present parameters as the caller gave them to CreateDevice or the last Reset.
  const D3DPRESENT_PARAMETERS& Requested() const { return requested_; }
  void SetRequested(const D3DPRESENT_PARAMETERS& parameters) { requested_ = parameters; }
  // The device becomes lost (a render reset, or the test kit).
  void MarkLost();

  void AddTexture(Texture* texture);
  void RemoveTexture(Texture* texture);
  // Draws triangles from the texture into the back buffer; nothing while the device is
  // lost or its window gone.
  void DrawTriangles(Texture* texture, const SDL_Vertex* vertices, int vertexCount, const int* indices,
                     int indexCount, bool blend);

 private:
  Device(IDirect3D9* parent, HWND window);
  ~Device() override;
  HRESULT Start(const D3DPRESENT_PARAMETERS& parameters);
  HRESULT ApplyDisplayMode(const D3DPRESENT_PARAMETERS& parameters);
  bool MakeBackBuffer(UINT width, UINT height);
  void ResetRenderStates(const D3DPRESENT_PARAMETERS& parameters);
  void OnWindowDestroyed(HWND window);

  IDirect3D9* parent_;
  HWND window_;
  int windowObserver_ = 0;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* backBuffer_ = nullptr;
  D3DPRESENT_PARAMETERS parameters_{};
  D3DPRESENT_PARAMETERS requested_{};
  DeviceStage stage_ = DeviceStage::Usable;
  unsigned lostAnswersLeft_ = 0;
  bool inScene_ = false;
  unsigned presents_ = 0;
  std::array<DWORD, 256> renderStates_{};
  std::vector<Texture*> textures_;
};

// Checks the present parameters for the window and fills in what Direct3D fills in
// (a windowed back buffer of size 0 takes the client size, format UNKNOWN the display
// format, count 0 means 1).
HRESULT CompletePresentParameters(HWND window, D3DPRESENT_PARAMETERS& parameters);

}  // namespace layer
