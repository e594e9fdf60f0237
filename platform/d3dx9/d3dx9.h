// The part of D3DX 9 the engine uses: the sprite, the 2D transformation matrix, and
// picture information and textures from picture files (BMP, JPEG, PNG, TGA, PPM, DDS,
// PFM, HDR, told apart by content). Built on the Direct3D 9 stand-in.
#pragma once

#include "platform/d3d9/d3d9.h"

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);
constexpr DWORD D3DXSPRITE_ALPHABLEND = 0x10;

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

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8,
};

struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
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
