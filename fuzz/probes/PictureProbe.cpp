// Picture decoders: information and pixels must agree (a picture that decodes has the
// size its information gives), the texture preparation built on them must give the
// size asked for, scaled or not, and where a second decoder reads the file (PNG and
// binary Netpbm) its pixels must be the layer's.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <vector>

#include "fuzz/probes/ProbeKit.h"
#include "fuzz/probes/Probes.h"
#include "fuzz/probes/ReferencePictures.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_texture.h"

namespace fuzzprobe {

namespace {

// Scaling walks every target pixel; bigger pictures are only decoded.
constexpr std::uint64_t kMaxScaledPixels = 1 << 16;

std::string Size(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

void CheckTexturePixels(Input input, const layer::DecodedImage& image, Problems& problems) {
  if (static_cast<std::uint64_t>(image.width) * image.height > kMaxScaledPixels) return;
  D3DXIMAGE_INFO info{};
  layer::DecodedImage pixels;
  HRESULT result = layer::PrepareTexturePixels(input.data(), input.size(), D3DX_DEFAULT, D3DX_DEFAULT, 0xFFFF00FF,
                                               &info, pixels);
  problems.Check(SUCCEEDED(result) && pixels.width == image.width && pixels.height == image.height &&
                     pixels.argb.size() == image.argb.size(),
                 "texture pixels at the picture's own size differ from the decoded picture");
  // One side grown, the other shrunk.
  const std::uint32_t width = image.width * 3 / 2 + 1, height = (image.height + 1) / 2;
  result = layer::PrepareTexturePixels(input.data(), input.size(), width, height, 0, nullptr, pixels);
  problems.Check(SUCCEEDED(result) && pixels.width == width && pixels.height == height &&
                     pixels.argb.size() == static_cast<std::size_t>(width) * height,
                 [&] { return "scaled texture pixels are not " + Size(width, height); });
}

}  // namespace

std::string ProbePicture(Input input) {
  Problems problems;
  D3DXIMAGE_INFO info{};
  const bool informed = layer::ReadImageInfo(input.data(), input.size(), info);
  layer::DecodedImage image;
  const bool decoded = layer::DecodeImage(input.data(), input.size(), image);

  D3DXIMAGE_INFO d3dx{};
  const bool d3dxInformed = !input.empty() && SUCCEEDED(D3DXGetImageInfoFromFileInMemory(
                                                  input.data(), static_cast<UINT>(input.size()), &d3dx));
  problems.Check(d3dxInformed == (informed && !input.empty()), "D3DX information disagrees with the decoder's");
  if (informed) {
    problems.Check(info.Width >= 1 && info.Height >= 1 && info.Width <= layer::kMaxImageSide &&
                       info.Height <= layer::kMaxImageSide,
                     [&] { return "information gives a size out of range: " + Size(info.Width, info.Height); });
    problems.Check(info.Depth == 1 && info.MipLevels >= 1, "information gives no depth or mip level");
  }
  if (decoded) {
    problems.Check(informed, "a picture decodes but gives no information");
    problems.Check(image.argb.size() == static_cast<std::size_t>(image.width) * image.height,
                   [&] { return "pixel count differs from " + Size(image.width, image.height); });
    problems.Check(!informed || (info.Width == image.width && info.Height == image.height),
                   [&] {
                     return "decoded " + Size(image.width, image.height) + " but information says " +
                            Size(info.Width, info.Height);
                   });
    if (!problems.Any()) CheckTexturePixels(input, image, problems);
    // Where a second decoder reads the file too, the pixels must be the same.
    layer::DecodedImage reference;
    if (!problems.Any() && ReferenceDecode(input, reference)) {
      problems.Check(reference.width == image.width && reference.height == image.height, [&] {
        return "the second decoder reads " + Size(reference.width, reference.height) + ", the layer " +
               Size(image.width, image.height);
      });
      for (std::size_t i = 0; i < image.argb.size() && i < reference.argb.size() && !problems.Any(); ++i) {
        problems.Check(image.argb[i] == reference.argb[i], [&] {
          char text[96];
          std::snprintf(text, sizeof text, "pixel %zu is %08X, the second decoder's %08X", i,
                        static_cast<unsigned>(image.argb[i]), static_cast<unsigned>(reference.argb[i]));
          return std::string(text);
        });
      }
    }
  }
  return problems.Take();
}

namespace {

// Signatures the decoders recognise; the last is TGA's, which has none.
constexpr std::string_view kSignatures[] = {
    {"\x89PNG\r\n\x1A\n", 8}, {"\xFF\xD8\xFF", 3}, {"DDS ", 4}, {"BM", 2},  {"P6", 2},
    {"P5", 2},                {"P3", 2},           {"P2", 2},   {"PF", 2},  {"Pf", 2},
    {"#?RADIANCE\n", 11},     {"#?RGBE\n", 7},     {"", 0},
};

}  // namespace

std::vector<std::uint8_t> PictureFormatInput(Input file) {
  // The TGA entry (no signature) matches anything, so it is tried last.
  for (std::size_t k = 0; k < std::size(kSignatures); ++k) {
    const std::string_view signature = kSignatures[k];
    if (file.size() < signature.size() || !std::equal(signature.begin(), signature.end(), file.begin())) continue;
    std::vector<std::uint8_t> input{static_cast<std::uint8_t>(k)};
    input.insert(input.end(), file.begin() + static_cast<std::ptrdiff_t>(signature.size()), file.end());
    return input;
  }
  return {};
}

std::string ProbePictureFormat(Input input) {
  if (input.empty()) return {};
  const std::string_view signature = kSignatures[input[0] % std::size(kSignatures)];
  std::vector<std::uint8_t> file(signature.begin(), signature.end());
  file.insert(file.end(), input.begin() + 1, input.end());
  return ProbePicture(file);
}

}  // namespace fuzzprobe
