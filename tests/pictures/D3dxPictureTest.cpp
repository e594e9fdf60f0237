// The four D3DX picture functions on the real (offscreen) device: results, information,
// texture size and pool, and the colour key as it shows on screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "platform/testkit/layer.h"
#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

constexpr D3DCOLOR kMagenta = 0xFFFF00FF;

class D3dxPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    ASSERT_EQ(CreateMainWindow(L"pictures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr), WindowOk);
  }
  // The engine keeps its window's objects to the end of the program; a test gives them back.
  static void TearDownTestSuite() {
    auto release = [](auto*& object) {
      if (object) object->Release();
      object = nullptr;
    };
    release(g_Sprite);
    release(g_Keyboard);
    release(g_Mouse);
    release(g_Device);
    testkit::ResetLayer();
  }

  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("pictures_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::wstring WriteFile(const std::string& name, const Bytes& bytes) {
    std::ofstream(folder_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return (folder_ / name).wstring();
  }

  static HRESULT Create(const Bytes& file, UINT width, UINT height, D3DPOOL pool, D3DCOLOR key,
                        IDirect3DTexture9** texture, D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileInMemoryEx(g_Device, file.data(), static_cast<UINT>(file.size()), width, height,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, pool, D3DX_DEFAULT, D3DX_DEFAULT, key,
                                               info, nullptr, texture);
  }

  std::filesystem::path folder_;
};

TEST_F(D3dxPictures, InformationFromMemoryAndFiles) {
  Bytes tga = WriteTga(kWidth, kHeight, SamplePixels(), 32, true);
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(tga.data(), static_cast<UINT>(tga.size()), &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(tga.data(), static_cast<UINT>(tga.size()), nullptr), D3D_OK);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(tga.data(), 10, &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(nullptr, 10, &info), D3DERR_INVALIDCALL);

  // By content: a PPM named like a PNG is read as the PPM it is.
  std::wstring path = WriteFile("picture.png", WritePnm("P6", 2, 1, 255, {1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(D3DXGetImageInfoFromFileW(path.c_str(), &info), D3D_OK);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PPM);
  EXPECT_EQ(info.Width, 2u);
  EXPECT_EQ(D3DXGetImageInfoFromFileW((folder_ / "missing.bmp").wstring().c_str(), &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXGetImageInfoFromFileW(WriteFile("empty.bmp", {}).c_str(), &info), D3DXERR_INVALIDDATA);
}

TEST_F(D3dxPictures, TexturesTakeTheAskedSizeAndPoolOrReportWhyNot) {
  Bytes png = WritePngRgba(kWidth, kHeight, SamplePixels());
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(Create(png, D3DX_DEFAULT, D3DX_DEFAULT, D3DPOOL_MANAGED, kMagenta, &texture, &info), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetPool()),
            std::tuple(kWidth, kHeight, D3DPOOL_MANAGED));
  EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
  texture->Release();
  ASSERT_EQ(Create(png, 10, 4, D3DPOOL_DEFAULT, 0, &texture), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetPool()),
            std::tuple(10u, 4u, D3DPOOL_DEFAULT));
  texture->Release();

  // From a file, with mip levels in the file: the texture holds the top level.
  std::wstring path = WriteFile("picture.dds", WriteDds(8, 8, {.fourCc = "DXT1", .mipLevels = 4}, Bytes(56, 0)));
  ASSERT_EQ(D3DXCreateTextureFromFileExW(g_Device, path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                         D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture),
            D3D_OK);
  EXPECT_EQ(info.MipLevels, 4u);
  EXPECT_EQ(texture->GetWidth(), 8u);
  texture->Release();

  // A failure clears the texture pointer and leaves the information alone.
  texture = reinterpret_cast<IDirect3DTexture9*>(&info);
  info.Width = 77;
  EXPECT_EQ(Create(Bytes(png.begin(), png.end() - 4), 0, 0, D3DPOOL_MANAGED, 0, &texture, &info),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);
  EXPECT_EQ(info.Width, 77u);
  EXPECT_EQ(Create(png, layer::kMaxImageSide + 1, 0, D3DPOOL_MANAGED, 0, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(Create(png, 0, 0, D3DPOOL_SCRATCH, 0, &texture), D3DERR_INVALIDCALL) << "the device's refusal";
  EXPECT_EQ(D3DXCreateTextureFromFileExW(g_Device, (folder_ / "missing.png").wstring().c_str(), 0, 0, 0, 0,
                                         D3DFMT_UNKNOWN, D3DPOOL_MANAGED, 0, 0, 0, nullptr, nullptr, &texture),
            D3DXERR_INVALIDDATA);
}

TEST_F(D3dxPictures, KeyedMagentaShowsTheBackgroundWhenDrawn) {
  // An opaque 8x2 picture, left half magenta, right half red, drawn ten times larger
  // over the black clear; the samples are taken well inside each half.
  Pixels halves;
  for (int i = 0; i < 16; ++i) halves.push_back(i % 8 < 4 ? kMagenta : 0xFFFF0000);
  Bytes bmp = WriteBmp(8, 2, halves, 24);
  auto drawnColours = [&](D3DCOLOR key) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(Create(bmp, 0, 0, D3DPOOL_MANAGED, key, &texture), D3D_OK);
    testkit::CaptureFrames(true);
    EXPECT_TRUE(BeginFrame());
    D3DXMATRIX scale;
    D3DXVECTOR2 factor{10, 10};
    D3DXMatrixTransformation2D(&scale, nullptr, 0, &factor, nullptr, 0, nullptr);
    GetSprite()->SetTransform(&scale);
    GetSprite()->Draw(texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    EXPECT_TRUE(EndFrame(true));
    testkit::CaptureFrames(false);
    texture->Release();
    testkit::Frame frame = testkit::LastFrame();
    return std::pair{frame.At(15, 10) & 0xFFFFFF, frame.At(65, 10) & 0xFFFFFF};
  };
  EXPECT_EQ(drawnColours(kMagenta), (std::pair<std::uint32_t, std::uint32_t>{0x000000, 0xFF0000}));
  EXPECT_EQ(drawnColours(0), (std::pair<std::uint32_t, std::uint32_t>{0xFF00FF, 0xFF0000}));
}

}  // namespace
}  // namespace pictures_test
