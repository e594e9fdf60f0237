// Portable float maps: "PF" colour or "Pf" grey, then width, height and a scale whose
// sign gives the byte order (negative little-endian), then 32-bit float samples with
// rows bottom to top.
#include <bit>
#include <charconv>
#include <cmath>
#include <string_view>

#include "platform/d3dx9/image_codecs.h"

namespace layer::image {

namespace {

struct PfmHeader {
  std::uint32_t width = 0, height = 0;
  std::uint32_t channels = 0;
  bool littleEndian = false;
  std::size_t dataOffset = 0;
};

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The next white-space separated word; the byte after it (white space) is consumed.
bool NextWord(Bytes file, std::size_t& at, std::string_view& word) {
  while (at < file.size() && IsSpace(file[at])) ++at;
  std::size_t start = at;
  while (at < file.size() && !IsSpace(file[at])) ++at;
  if (at == start || at >= file.size() || at - start > 32) return false;
  word = std::string_view(reinterpret_cast<const char*>(file.data()) + start, at - start);
  ++at;
  return true;
}

bool ParseSide(std::string_view word, std::uint32_t& side) {
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), side);
  return error == std::errc() && end == word.data() + word.size();
}

bool ParseHeader(Bytes file, PfmHeader& h) {
  std::size_t at = 0;
  std::string_view magic, width, height, scale;
  if (!NextWord(file, at, magic) || (magic != "PF" && magic != "Pf")) return false;
  h.channels = magic == "PF" ? 3 : 1;
  if (!NextWord(file, at, width) || !NextWord(file, at, height) || !NextWord(file, at, scale)) return false;
  if (!ParseSide(width, h.width) || !ParseSide(height, h.height) || !SidesAllowed(h.width, h.height)) return false;
  float factor = 0.0f;
  auto [end, error] = std::from_chars(scale.data(), scale.data() + scale.size(), factor);
  // Only the sign matters; zero or a non-number says nothing about the byte order.
  if (error != std::errc() || end != scale.data() + scale.size() || factor == 0.0f || !std::isfinite(factor)) {
    return false;
  }
  h.littleEndian = factor < 0.0f;
  h.dataOffset = at;
  std::uint64_t needed = static_cast<std::uint64_t>(h.width) * h.height * h.channels * 4;
  return file.size() - at >= needed;
}

float SampleAt(const std::uint8_t* p, bool littleEndian) {
  std::uint32_t bits = littleEndian ? Le32(p) : Be32(p);
  return std::bit_cast<float>(bits);
}

bool Matches(Bytes file) { return StartsWith(file, "PF", 2) || StartsWith(file, "Pf", 2); }

// Colour maps are A32B32G32R32F (D3D9 has no three-channel float format), grey R32F.
bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  PfmHeader h;
  if (!ParseHeader(file, h)) return false;
  SetInfo(info, h.width, h.height, 1, h.channels == 3 ? D3DFMT_A32B32G32R32F : D3DFMT_R32F, D3DXIFF_PFM);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  PfmHeader h;
  if (!ParseHeader(file, h) || !AllocatePixels(image, h.width, h.height)) return false;
  std::size_t rowBytes = static_cast<std::size_t>(h.width) * h.channels * 4;
  for (std::uint32_t y = 0; y < h.height; ++y) {
    const std::uint8_t* src = file.data() + h.dataOffset + rowBytes * (h.height - 1 - y);
    std::uint32_t* dst = image.argb.data() + static_cast<std::size_t>(y) * h.width;
    for (std::uint32_t x = 0; x < h.width; ++x, src += h.channels * 4) {
      std::uint32_t r = FloatToByte(SampleAt(src, h.littleEndian));
      if (h.channels == 1) {
        dst[x] = Argb(255, r, r, r);
      } else {
        dst[x] = Argb(255, r, FloatToByte(SampleAt(src + 4, h.littleEndian)),
                      FloatToByte(SampleAt(src + 8, h.littleEndian)));
      }
    }
  }
  return true;
}

}  // namespace

const Codec kPfmCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
