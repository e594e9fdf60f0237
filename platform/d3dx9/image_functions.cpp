// The D3DX picture functions: information and textures from a picture file in memory
// or on disk. The format is found from the content, never from the file name.
//
// Textures hold the top-level picture only, as 32-bit ARGB whatever Format is asked:
// the device keeps no other layout, so the colour key's transparency survives even
// for a format without alpha. Usage, Filter and MipFilter are not used; a size other
// than the picture's own is reached by nearest-pixel scaling; no palette is returned.
#include <new>
#include <vector>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_texture.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/win32/files.h"

namespace {

// The whole file; D3DXERR_INVALIDDATA when it cannot be read, as D3DX answers for a
// missing file.
HRESULT ReadWholeFile(LPCWSTR path, std::vector<std::uint8_t>& bytes) {
  if (path == nullptr) return D3DERR_INVALIDCALL;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return D3DXERR_INVALIDDATA;
  HRESULT result = D3DXERR_INVALIDDATA;
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  if (size != INVALID_FILE_SIZE && high == 0 && size > 0) {
    try {
      bytes.resize(size);
      DWORD read = 0;
      if (ReadFile(file, bytes.data(), size, &read, nullptr) && read == size) result = D3D_OK;
    } catch (const std::bad_alloc&) {
      result = E_OUTOFMEMORY;
    }
  }
  CloseHandle(file);
  return result;
}

}  // namespace

HRESULT D3DXGetImageInfoFromFileInMemory(LPCVOID data, UINT size, D3DXIMAGE_INFO* info) {
  if (data == nullptr || size == 0) return D3DERR_INVALIDCALL;
  D3DXIMAGE_INFO read{};
  if (!layer::ReadImageInfo(static_cast<const std::uint8_t*>(data), size, read)) return D3DXERR_INVALIDDATA;
  if (info != nullptr) *info = read;
  return D3D_OK;
}

HRESULT D3DXGetImageInfoFromFileW(LPCWSTR path, D3DXIMAGE_INFO* info) {
  std::vector<std::uint8_t> bytes;
  HRESULT result = ReadWholeFile(path, bytes);
  if (FAILED(result)) return result;
  return D3DXGetImageInfoFromFileInMemory(bytes.data(), static_cast<UINT>(bytes.size()), info);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, LPCVOID data, UINT size, UINT width,
                                            UINT height, UINT /*mipLevels*/, DWORD /*usage*/, D3DFORMAT /*format*/,
                                            D3DPOOL pool, DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* sourceInfo, PALETTEENTRY* /*palette*/,
                                            IDirect3DTexture9** texture) {
  if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  layer::DecodedImage pixels;
  D3DXIMAGE_INFO info{};
  HRESULT result =
      layer::PrepareTexturePixels(data, size, width, height, colorKey, sourceInfo ? &info : nullptr, pixels);
  if (FAILED(result)) return result;
  // A picture whose device copy doesn't fit fails as its own decoding would.
  result = layer::CreateTextureFromPixels(device, pixels.width, pixels.height, pixels.argb.data(), pool, texture);
  // Like every failure before it, a failed texture leaves the information alone.
  if (SUCCEEDED(result) && sourceInfo != nullptr) *sourceInfo = info;
  return result;
}

HRESULT D3DXCreateTextureFromFileExW(IDirect3DDevice9* device, LPCWSTR path, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* sourceInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture9** texture) {
  if (device == nullptr || texture == nullptr) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  std::vector<std::uint8_t> bytes;
  HRESULT result = ReadWholeFile(path, bytes);
  if (FAILED(result)) return result;
  return D3DXCreateTextureFromFileInMemoryEx(device, bytes.data(), static_cast<UINT>(bytes.size()), width, height,
                                             mipLevels, usage, format, pool, filter, mipFilter, colorKey,
                                             sourceInfo, palette, texture);
}
