// Direct3D 9 and the part of D3DX the engine uses: the device, textures, the sprite,
// the 2D transformation and the picture functions. Implemented on SDL's renderer.
//
// Objects are reference counted as in COM: Release() drops one reference and the
// object goes away with the last one.
#pragma once

#include "platform/d3d9/image_types.h"
#include "platform/win32/geometry.h"
#include "platform/win32/types.h"

struct WindowTag;
using HWND = WindowTag*;

constexpr UINT D3D_SDK_VERSION = 32;
constexpr UINT D3DADAPTER_DEFAULT = 0;
constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;

constexpr HRESULT D3D_OK = S_OK;
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868u);
constexpr HRESULT D3DERR_DEVICENOTRESET = static_cast<HRESULT>(0x88760869u);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

enum D3DDEVTYPE : DWORD { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };
enum D3DPOOL : DWORD { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2, D3DPOOL_SCRATCH = 3 };
enum D3DMULTISAMPLE_TYPE : DWORD { D3DMULTISAMPLE_NONE = 0 };
enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum D3DRENDERSTATETYPE : DWORD {
  D3DRS_ZENABLE = 7,
  D3DRS_SHADEMODE = 9,
  D3DRS_CULLMODE = 22,
  D3DRS_LIGHTING = 137,
};
enum D3DZBUFFERTYPE : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DSHADEMODE : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
constexpr DWORD D3DCLEAR_TARGET = 0x1;
constexpr DWORD D3DXSPRITE_ALPHABLEND = 0x10;

constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b) {
  return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  DWORD MultiSampleQuality;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct D3DXVECTOR2 {
  float x, y;
};
struct D3DXVECTOR3 {
  float x, y, z;
};
// Row-major 4x4 matrix; row vectors are multiplied from the left, as in D3DX.
struct D3DXMATRIX {
  float m[4][4];
};

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};

class IUnknownLike {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknownLike() = default;
};

class IDirect3DTexture9 : public IUnknownLike {
 public:
  virtual D3DPOOL GetPool() const = 0;
  virtual UINT GetWidth() const = 0;
  virtual UINT GetHeight() const = 0;
};

class IDirect3DDevice9 : public IUnknownLike {
 public:
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND overrideWindow, const void* dirtyRegion) = 0;
};

class IDirect3D9 : public IUnknownLike {
 public:
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) = 0;
};

class ID3DXSprite : public IUnknownLike {
 public:
  virtual HRESULT Begin(DWORD flags) = 0;
  virtual HRESULT SetTransform(const D3DXMATRIX* transform) = 0;
  // Draws the source rectangle of the texture (the whole texture when null) through
  // the current transformation, its colours modulated by color (ARGB).
  virtual HRESULT Draw(IDirect3DTexture9* texture, const RECT* sourceRect, const D3DXVECTOR3* center,
                       const D3DXVECTOR3* position, D3DCOLOR color) = 0;
  virtual HRESULT End() = 0;
};

IDirect3D9* Direct3DCreate9(UINT sdkVersion);
HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite);

D3DXMATRIX* D3DXMatrixTransformation2D(D3DXMATRIX* out, const D3DXVECTOR2* scalingCenter, float scalingRotation,
                                       const D3DXVECTOR2* scaling, const D3DXVECTOR2* rotationCenter,
                                       float rotation, const D3DXVECTOR2* translation);

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info);
HRESULT D3DXGetImageInfoFromFileW(LPCWSTR path, D3DXIMAGE_INFO* info);

// Width, Height, MipLevels: the picture's own with D3DX_DEFAULT or 0. colorKey: pixels
// equal to it (opaque magenta 0xFFFF00FF for the engine) become transparent black;
// 0 means no colour key.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR path, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* sourceInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture9** texture);
