#include "tests/frames/FrameKit.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <png.h>

#include "engine/Window.h"
#include "platform/win32/strings.h"
#include "tools/packtool/PackWriter.h"

namespace frames_test {

namespace {

// Any values do: the pack is written and read with the same ones.
constexpr std::int32_t kSalt = 0x5EED;
constexpr std::uint32_t kMask[4] = {0x0BADF00Du, 0x12345678u, 0x9ABCDEF0u, 0x0F1E2D3Cu};
constexpr char kPassText[] = "FramesTest";

int Channel(std::uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

}  // namespace

bool EnsureDevice() {
  static const bool made = [] {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // no display, whoever runs us
    setenv("SDL_RENDER_DRIVER", "software", 0);
    return CreateMainWindow(L"frames test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return made;
}

std::vector<std::uint8_t> Png(unsigned width, unsigned height,
                              const std::function<std::uint32_t(unsigned, unsigned)>& pixel) {
  std::vector<std::uint8_t> rgba;
  rgba.reserve(static_cast<std::size_t>(width) * height * 4);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      const std::uint32_t argb = pixel(x, y);
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                               static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)});
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  std::vector<std::uint8_t> file(size);
  if (!png_image_write_to_memory(&image, file.data(), &size, 0, rgba.data(), 0, nullptr)) throw std::runtime_error("PNG");
  file.resize(size);
  return file;
}

PackOnDisk::PackOnDisk(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& entries) {
  std::string pattern = (std::filesystem::temp_directory_path() / "frames-pack-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  std::vector<packwriter::Entry> items;
  for (const auto& [name, bytes] : entries) items.push_back({name, bytes});
  const packwriter::Secrets secrets{kSalt, {kMask[0], kMask[1], kMask[2], kMask[3]}, kPassText};
  const std::vector<std::uint8_t> file = packwriter::Build(items, secrets);
  const std::string path = folder_ + "/scene.pak";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  Load(layer::Utf8ToWide(path), kSalt, kMask, kPassText);
}

PackOnDisk::~PackOnDisk() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

ExpectedFrame::ExpectedFrame(unsigned width, unsigned height, std::uint32_t background)
    : width_(width),
      height_(height),
      argb_(static_cast<std::size_t>(width) * height, background),
      tolerance_(argb_.size(), 0) {}

void ExpectedFrame::Set(int x, int y, std::uint32_t argb, int tolerance) {
  if (x < 0 || y < 0 || x >= static_cast<int>(width_) || y >= static_cast<int>(height_)) return;
  const std::size_t at = static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x);
  argb_[at] = argb;
  tolerance_[at] = static_cast<std::uint8_t>(tolerance);
}

void ExpectedFrame::Fill(int x, int y, int width, int height, std::uint32_t argb, int tolerance) {
  for (int row = y; row < y + height; ++row) {
    for (int column = x; column < x + width; ++column) Set(column, row, argb, tolerance);
  }
}

::testing::AssertionResult ExpectedFrame::Matches(const testkit::Frame& frame) const {
  if (frame.width != width_ || frame.height != height_ || frame.argb.size() != argb_.size()) {
    return ::testing::AssertionFailure() << "frame of " << frame.width << "x" << frame.height << " instead of "
                                         << width_ << "x" << height_;
  }
  int wrong = 0;
  std::size_t first = 0;
  for (std::size_t at = 0; at < argb_.size(); ++at) {
    for (int shift : {24, 16, 8, 0}) {
      if (std::abs(Channel(argb_[at], shift) - Channel(frame.argb[at], shift)) > tolerance_[at]) {
        if (wrong++ == 0) first = at;
        break;
      }
    }
  }
  if (wrong == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << wrong << " pixels differ; the first at (" << first % width_ << ", "
                                       << first / width_ << "): " << std::hex << frame.argb[first] << " instead of "
                                       << argb_[first];
}

}  // namespace frames_test
