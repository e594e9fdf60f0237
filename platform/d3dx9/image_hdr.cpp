// Radiance HDR (RGBE): the header is read and the run-length data walked here, the
// pixels decoded by stb_image. stb loops forever on RLE data cut short, so it only
// ever sees a file whose every scanline is known to be complete.
#include <string_view>

#include "platform/d3dx9/image_codecs.h"
#include "platform/d3dx9/image_stb.h"

namespace layer::image {

namespace {

struct HdrHeader {
  std::uint32_t width = 0, height = 0;
  std::size_t dataOffset = 0;
};

// The next line without its '\n'; false when the file ends first or the line holds
// a NUL (stb would take it as the end of the header).
bool NextLine(Bytes file, std::size_t& at, std::string_view& line) {
  std::size_t start = at;
  while (at < file.size() && file[at] != '\n') {
    if (file[at] == 0) return false;
    ++at;
  }
  if (at >= file.size()) return false;
  line = std::string_view(reinterpret_cast<const char*>(file.data()) + start, at - start);
  ++at;
  return true;
}

// A decimal number of at most five digits (sides are at most 16384).
bool TakeNumber(std::string_view& text, std::uint32_t& value) {
  std::size_t digits = 0;
  value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    if (digits == 5) return false;
    value = value * 10 + static_cast<std::uint32_t>(text[digits] - '0');
    ++digits;
  }
  text.remove_prefix(digits);
  return digits > 0;
}

bool TakeText(std::string_view& text, std::string_view expected) {
  if (!text.starts_with(expected)) return false;
  text.remove_prefix(expected.size());
  return true;
}

// Only the layout stb reads: 32-bit RLE RGBE, rows top to bottom ("-Y h +X w").
bool ParseHeader(Bytes file, HdrHeader& h) {
  std::size_t at = 0;
  std::string_view line;
  if (!NextLine(file, at, line) || (line != "#?RADIANCE" && line != "#?RGBE")) return false;
  bool rgbe = false;
  while (true) {
    if (!NextLine(file, at, line)) return false;
    if (line.empty()) break;
    if (line == "FORMAT=32-bit_rle_rgbe") rgbe = true;
  }
  if (!rgbe || !NextLine(file, at, line)) return false;
  if (!TakeText(line, "-Y ") || !TakeNumber(line, h.height) || !TakeText(line, " +X ") ||
      !TakeNumber(line, h.width) || !line.empty()) {
    return false;
  }
  h.dataOffset = at;
  return SidesAllowed(h.width, h.height);
}

// True when the pixel data is complete, scanline by scanline as stb reads it: flat
// RGBE quadruples, or per row a 2, 2, width marker and four run-length coded channels.
bool DataComplete(Bytes file, const HdrHeader& h) {
  std::uint64_t flatBytes = static_cast<std::uint64_t>(h.width) * h.height * 4;
  std::size_t at = h.dataOffset;
  auto remaining = [&] { return file.size() - at; };
  // stb reads narrow (and very wide) pictures flat.
  if (h.width < 8) return remaining() >= flatBytes;
  for (std::uint32_t y = 0; y < h.height; ++y) {
    if (remaining() < 4) return false;
    const std::uint8_t* marker = file.data() + at;
    if (marker[0] != 2 || marker[1] != 2 || (marker[2] & 0x80) != 0) {
      // An uncoded file is flat throughout; a switch halfway is damage.
      return y == 0 && remaining() >= flatBytes;
    }
    if ((static_cast<std::uint32_t>(marker[2]) << 8 | marker[3]) != h.width) return false;
    at += 4;
    for (int channel = 0; channel < 4; ++channel) {
      std::uint32_t filled = 0;
      while (filled < h.width) {
        if (remaining() < 1) return false;
        std::uint32_t count = file[at++];
        bool run = count > 128;
        if (run) count -= 128;
        if (count > h.width - filled) return false;
        std::uint32_t bytes = run ? 1 : count;
        if (remaining() < bytes) return false;
        at += bytes;
        filled += count;
      }
    }
  }
  return true;
}

bool Matches(Bytes file) { return StartsWith(file, "#?RADIANCE\n", 11) || StartsWith(file, "#?RGBE\n", 7); }

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  HdrHeader h;
  if (!ParseHeader(file, h) || !DataComplete(file, h)) return false;
  SetInfo(info, h.width, h.height, 1, D3DFMT_A32B32G32R32F, D3DXIFF_HDR);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  HdrHeader h;
  return ParseHeader(file, h) && DataComplete(file, h) && StbDecodeHdr(file, h.width, h.height, image);
}

}  // namespace

const Codec kHdrCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
