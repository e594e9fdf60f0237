// Small deterministic sweeps through the probes, so that ./test (built with g++, and
// under its sanitizers in CI) checks the readers against their second readings on
// the shapes that matter most: every tail length of the pack cipher, long packs whose
// pad repeats, PNGs of every colour type, and configuration files at the limits.
#include <gtest/gtest.h>

#include <png.h>

#include <random>
#include <string>
#include <vector>

#include "fuzz/probes/Probes.h"
#include "installer/PackKeys.h"
#include "tools/packtool/PackWriter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Random(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

TEST(ReaderSweeps, PackFilesOfEveryLengthReadAsThePlainReading) {
  // Lengths around the header and the first blocks, and past a whole pad period
  // (128 blocks) with every tail length the batch paths must leave alone.
  for (std::size_t size = 0; size <= 80; ++size) {
    EXPECT_EQ(fuzzprobe::ProbePackFile(Random(size, static_cast<std::uint32_t>(size))), "") << size;
  }
  for (std::size_t size = 20 + 8 * 130; size < 20 + 8 * 131; ++size) {
    EXPECT_EQ(fuzzprobe::ProbePackFile(Random(size, static_cast<std::uint32_t>(size))), "") << size;
  }
}

TEST(ReaderSweeps, SealedPacksComeBackAsWritten) {
  std::vector<packwriter::Entry> entries;
  for (int i = 0; i < 40; ++i) {
    entries.push_back({"/Font00" + std::to_string(10 + i), Random(static_cast<std::size_t>(i * 7 % 61), i)});
  }
  const std::uint32_t key[4] = {0xDEADBEEF, 1, 2, 3};
  Bytes plain = packwriter::LayOut(entries, key);
  for (std::size_t cut : {plain.size(), plain.size() - 1, plain.size() - 7, std::size_t{300}, std::size_t{36}}) {
    EXPECT_EQ(fuzzprobe::ProbePackImage(Bytes(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(cut))), "")
        << cut;
  }
}

// The picture through libpng's simplified writer in the given layout.
Bytes Png(std::uint32_t format, std::uint32_t width, std::uint32_t height, const Bytes& pixels,
          const Bytes& colormap = {}) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colormap.size() / 4);
  png_alloc_size_t size = 0;
  const void* map = colormap.empty() ? nullptr : colormap.data();
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, map);
  Bytes file(size);
  if (!png_image_write_to_memory(&image, file.data(), &size, 0, pixels.data(), 0, map)) return {};
  file.resize(size);
  return file;
}

TEST(ReaderSweeps, PngPixelsAgreeWithTheSecondDecoder) {
  const std::uint32_t width = 7, height = 5;
  const Bytes samples = Random(width * height * 4, 7);
  const Bytes indexes = Random(width * height, 8);
  Bytes colormap = Random(256 * 4, 9);  // RGBA entries, some of them translucent
  const std::uint32_t formats[] = {PNG_FORMAT_GRAY, PNG_FORMAT_GA, PNG_FORMAT_RGB, PNG_FORMAT_RGBA, PNG_FORMAT_BGRA};
  for (std::uint32_t format : formats) {
    const Bytes file = Png(format, width, height, samples);
    ASSERT_FALSE(file.empty()) << format;
    EXPECT_EQ(fuzzprobe::ProbePicture(file), "") << "format " << format;
  }
  const Bytes palette = Png(PNG_FORMAT_RGBA_COLORMAP, width, height, indexes, colormap);
  ASSERT_FALSE(palette.empty());
  EXPECT_EQ(fuzzprobe::ProbePicture(palette), "");
  const Bytes netpbm = [&] {
    Bytes file = Text("P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n");
    file.insert(file.end(), samples.begin(), samples.begin() + width * height * 3);
    return file;
  }();
  EXPECT_EQ(fuzzprobe::ProbePicture(netpbm), "");
}

TEST(ReaderSweeps, ConfigurationsAtTheLimitsAnswerWhatTheyStore) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<a>";
  deep += "x";
  for (int i = 0; i < 5000; ++i) deep += "</a>";
  const std::vector<std::string> files = {
      "<C><Translate><T id=\"S\" idx=\"-2147483648\">low</T><T id=\"S\" idx=\"2147483647\">high</T>"
      "<T id=\"S\" idx=\"99999999999\">clamped</T><T id=\"\" idx=\"\"/></Translate></C>",
      "<C><Header>" + deep + "</Header><Translate><T id=\"D\">" + deep + "</T></Translate></C>",
      "<!DOCTYPE C [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><C><Header>&c;&c;</Header></C>",
      "<C><Splash><P when=\"end\"/><P when=\"start\" id=\"1\"/><P when=\"START\"/><P when=\"start\" id=\"2\"/>"
      "</Splash><Splash><Translate when=\"start\" id=\"3\"/></Splash></C>",
      "<C><Header>unclosed</C>",
  };
  for (const std::string& file : files) EXPECT_EQ(fuzzprobe::ProbeConfig(Text(file)), "") << file.substr(0, 60);
}

}  // namespace
