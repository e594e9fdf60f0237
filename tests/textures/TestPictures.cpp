#include "tests/textures/TestPictures.h"

namespace textures_test {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> MakeBmp(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  const std::uint32_t dataOffset = 14 + 40;
  std::vector<std::uint8_t> out;
  out.reserve(dataOffset + rowBytes * height);
  out.push_back('B');
  out.push_back('M');
  PutU32(out, dataOffset + rowBytes * height);
  PutU32(out, 0);
  PutU32(out, dataOffset);
  PutU32(out, 40);  // BITMAPINFOHEADER
  PutU32(out, width);
  PutU32(out, height);  // positive: rows stored bottom up
  PutU16(out, 1);
  PutU16(out, 24);
  PutU32(out, 0);  // BI_RGB
  PutU32(out, rowBytes * height);
  PutU32(out, 2835);
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
  for (std::uint32_t row = height; row-- > 0;) {
    for (std::uint32_t column = 0; column < width; ++column) {
      const std::uint32_t pixel = pixels[row * width + column];
      out.push_back(static_cast<std::uint8_t>(pixel));
      out.push_back(static_cast<std::uint8_t>(pixel >> 8));
      out.push_back(static_cast<std::uint8_t>(pixel >> 16));
    }
    for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
  return MakeBmp(width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, rgb));
}

}  // namespace textures_test
