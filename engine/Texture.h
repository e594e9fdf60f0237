// One picture of the interface. It remembers where its image comes from (bytes inside a
// resource pack, or a file) and makes the device texture only when it is first drawn,
// so the device texture can be given up at any time and made again from the source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/win32/geometry.h"

class CTResource;
class CTTexture;

// Every texture whose device texture exists, in the order the device textures were
// made. It does not own the textures.
extern std::vector<CTTexture*> g_Textures;

class CTTexture {
 public:
  enum class SourceKind : std::uint32_t { None = 0, Memory = 1, File = 2 };

  CTTexture() = default;
  // A texture that is still created gives up its device texture and leaves g_Textures,
  // so the list never points at a destroyed texture.
  virtual ~CTTexture();
  CTTexture(const CTTexture&) = delete;
  CTTexture& operator=(const CTTexture&) = delete;

  // Reads the picture's facts from the bytes, which must outlive the texture (they are
  // not copied). On failure the texture has no source. The device texture is untouched.
  void LoadFromMemory(const void* data, std::uint32_t size);
  // The bytes of a pack entry; an empty resource (no owner) leaves the texture as it was.
  void LoadFromResource(CTResource resource);
  // Reads the picture's facts from the file; the file is read again at each creation.
  void LoadFromFile(const std::wstring& path);

  // Makes the device texture (managed pool, opaque magenta transparent). A failure is
  // silent and leaves the texture not created, so the next Draw tries again.
  void Create();
  // Draws the source rectangle of the picture stretched so that the whole image would
  // fill width x height, top-left corner at (x, y), turned by rotation radians about
  // that corner, with the given alpha.
  void Draw(float x, float y, float width, float height, float rotation, std::uint8_t alpha, RECT sourceRect);
  // Gives up the device texture; the source stays.
  void Release();

  SourceKind GetSourceKind() const { return sourceKind; }
  bool IsCreated() const { return created; }
  // Width, Height, MipLevels, Format... of the source image as the last load read them.
  const D3DXIMAGE_INFO& GetImageInfo() const { return imageInfo; }
  IDirect3DTexture9* GetDeviceTexture() const { return deviceTexture; }

 private:
  SourceKind sourceKind = SourceKind::None;
  bool created = false;
  D3DXIMAGE_INFO imageInfo{};
  IDirect3DTexture9* deviceTexture = nullptr;
  const std::uint8_t* sourceData = nullptr;  // inside a pack's buffer; not owned
  std::uint32_t sourceSize = 0;
  std::wstring filePath;
};

// Releases the device texture of every texture in g_Textures, which is then empty.
void ReleaseAllTextures();
