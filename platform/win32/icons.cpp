#include "platform/win32/icons.h"

#include <memory>

#include "platform/d3dx9/image_decode.h"
#include "platform/win32/icon_objects.h"
#include "platform/win32/resources.h"
#include "platform/win32/system_metrics.h"

namespace {

// Nearest-neighbour resampling: icons are small and already drawn at their sizes, so
// this only runs when a caller asks for a size the picture was not made for.
std::vector<std::uint32_t> Resample(const layer::DecodedImage& image, int width, int height) {
  std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    std::size_t sourceY = static_cast<std::size_t>(y) * image.height / height;
    for (int x = 0; x < width; ++x) {
      std::size_t sourceX = static_cast<std::size_t>(x) * image.width / width;
      out[static_cast<std::size_t>(y) * width + x] = image.argb[sourceY * image.width + sourceX];
    }
  }
  return out;
}

HICON DecodeResourceIcon(int id, int width, int height) {
  layer::ResourceBytes bytes;
  if (!layer::LookupResource(id, bytes)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  layer::DecodedImage image;
  if (!layer::DecodeImage(bytes.data, bytes.size, image) || image.width == 0 || image.height == 0) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  auto icon = std::make_unique<layer::IconObject>();
  icon->width = width > 0 ? width : static_cast<int>(image.width);
  icon->height = height > 0 ? height : static_cast<int>(image.height);
  if (static_cast<std::uint32_t>(icon->width) == image.width && static_cast<std::uint32_t>(icon->height) == image.height) {
    icon->argb = std::move(image.argb);
  } else {
    icon->argb = Resample(image, icon->width, icon->height);
  }
  return layer::AddIcon(std::move(icon));
}

}  // namespace

HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  if (type != IMAGE_ICON || (flags & LR_LOADFROMFILE) || width < 0 || height < 0) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  if (flags & LR_DEFAULTSIZE) {
    if (width == 0) width = GetSystemMetrics(SM_CXICON);
    if (height == 0) height = GetSystemMetrics(SM_CYICON);
  }
  if (name == nullptr || !IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
  return reinterpret_cast<HANDLE>(DecodeResourceIcon(id, width, height));
}
