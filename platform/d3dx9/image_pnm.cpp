// Netpbm pictures: P6/P3 colour and P5/P2 grey, binary and plain text, any maximum
// value up to 65535. Read here rather than by stb_image, whose reader takes only the
// binary kinds, returns uninitialised pixels as success when the data is cut short,
// ignores a maximum value below 255 and reads 16-bit samples in host byte order.
#include "platform/d3dx9/image_codecs.h"

namespace layer::image {

namespace {

struct PnmHeader {
  std::uint32_t width = 0, height = 0, maxValue = 0;
  std::uint32_t channels = 0;  // 1 grey, 3 colour
  bool plainText = false;
  std::size_t dataOffset = 0;
};

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

// Skips white space and '#' comments (to the end of their line).
void SkipSpace(Bytes file, std::size_t& at) {
  while (at < file.size()) {
    if (IsSpace(file[at])) {
      ++at;
    } else if (file[at] == '#') {
      while (at < file.size() && file[at] != '\n' && file[at] != '\r') ++at;
    } else {
      return;
    }
  }
}

// A decimal number no larger than limit.
bool ReadNumber(Bytes file, std::size_t& at, std::uint32_t limit, std::uint32_t& value) {
  if (at >= file.size() || !IsDigit(file[at])) return false;
  std::uint64_t v = 0;
  while (at < file.size() && IsDigit(file[at])) {
    v = v * 10 + (file[at++] - '0');
    if (v > limit) return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

bool ParseHeader(Bytes file, PnmHeader& h) {
  if (file.size() < 3 || file[0] != 'P') return false;
  switch (file[1]) {
    case '2': h.channels = 1; h.plainText = true; break;
    case '3': h.channels = 3; h.plainText = true; break;
    case '5': h.channels = 1; break;
    case '6': h.channels = 3; break;
    default: return false;
  }
  std::size_t at = 2;
  if (!IsSpace(file[at]) && file[at] != '#') return false;
  SkipSpace(file, at);
  if (!ReadNumber(file, at, kMaxImageSide, h.width)) return false;
  SkipSpace(file, at);
  if (!ReadNumber(file, at, kMaxImageSide, h.height)) return false;
  SkipSpace(file, at);
  if (!ReadNumber(file, at, 65535, h.maxValue) || h.maxValue == 0) return false;
  // Exactly one white-space byte separates the header from binary samples.
  if (at >= file.size() || !IsSpace(file[at])) return false;
  h.dataOffset = at + 1;
  if (!SidesAllowed(h.width, h.height)) return false;

  std::uint64_t samples = static_cast<std::uint64_t>(h.width) * h.height * h.channels;
  std::uint64_t available = file.size() - h.dataOffset;
  // Plain text needs at least a digit and a white-space byte per sample.
  std::uint64_t needed = h.plainText ? samples * 2 : samples * (h.maxValue > 255 ? 2 : 1);
  return available >= needed;
}

// Samples scale from 0..maxValue to 0..255, rounded.
std::uint32_t Scale(std::uint32_t sample, std::uint32_t maxValue) {
  return maxValue == 255 ? sample : (sample * 255u + maxValue / 2) / maxValue;
}

bool ReadSamples(Bytes file, const PnmHeader& h, DecodedImage& image) {
  std::size_t at = h.dataOffset;
  bool wide = h.maxValue > 255;
  auto next = [&](std::uint32_t& value) {
    if (h.plainText) {
      SkipSpace(file, at);
      return ReadNumber(file, at, h.maxValue, value);
    }
    // The header check made sure every binary sample is present.
    value = wide ? static_cast<std::uint32_t>(file[at] << 8 | file[at + 1]) : file[at];
    at += wide ? 2 : 1;
    return value <= h.maxValue;
  };
  for (std::uint32_t& pixel : image.argb) {
    std::uint32_t c[3] = {};
    for (std::uint32_t i = 0; i < h.channels; ++i) {
      if (!next(c[i])) return false;
      c[i] = Scale(c[i], h.maxValue);
    }
    pixel = h.channels == 1 ? Argb(255, c[0], c[0], c[0]) : Argb(255, c[0], c[1], c[2]);
  }
  // Writers end plain text with a line break; without white space after the last
  // number a file cut inside that number would read as a smaller one.
  return !h.plainText || (at < file.size() && IsSpace(file[at]));
}

bool Matches(Bytes file) {
  return file.size() >= 2 && file[0] == 'P' && (file[1] == '2' || file[1] == '3' || file[1] == '5' || file[1] == '6');
}

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  PnmHeader h;
  if (!ParseHeader(file, h)) return false;
  SetInfo(info, h.width, h.height, 1, h.channels == 1 ? D3DFMT_L8 : D3DFMT_R8G8B8, D3DXIFF_PPM);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  PnmHeader h;
  return ParseHeader(file, h) && AllocatePixels(image, h.width, h.height) && ReadSamples(file, h, image);
}

}  // namespace

const Codec kPnmCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
