// The D3DX picture functions on the real (offscreen) device: results, information,
// texture size and pool.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "engine/Window.h"
#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

class D3dxPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    ASSERT_EQ(CreateMainWindow(L"pictures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr), WindowOk);
  }
  void SetUp() override { std::filesystem::create_directories(folder_); }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::wstring Path(const std::string& name) const { return (folder_ / name).wstring(); }
  std::wstring WriteFile(const std::string& name, const Bytes& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return Path(name);
  }
  static HRESULT Create(const Bytes& file, UINT width, UINT height, D3DPOOL pool, IDirect3DTexture9** texture,
                        D3DXIMAGE_INFO* info = nullptr) {
    return D3DXCreateTextureFromFileInMemoryEx(g_Device, file.data(), static_cast<UINT>(file.size()), width, height,
                                               D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, pool, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               info, nullptr, texture);
  }
  static HRESULT CreateFromFile(const std::wstring& path, IDirect3DTexture9** texture, D3DXIMAGE_INFO* info) {
    return D3DXCreateTextureFromFileExW(g_Device, path.c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                        D3DX_DEFAULT, D3DX_DEFAULT, 0, info, nullptr, texture);
  }

  const std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() / ("pictures_test_" + std::to_string(getpid()));
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
  ASSERT_EQ(D3DXGetImageInfoFromFileW(WriteFile("picture.png", WritePnm("P6", 2, 1, 255, {1, 2, 3, 4, 5, 6})).c_str(),
                                      &info), D3D_OK);
  EXPECT_EQ(std::tuple(info.ImageFileFormat, info.Width), std::tuple(D3DXIFF_PPM, 2u));
  EXPECT_EQ(D3DXGetImageInfoFromFileW(Path("missing.bmp").c_str(), &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXGetImageInfoFromFileW(WriteFile("empty.bmp", {}).c_str(), &info), D3DXERR_INVALIDDATA);
}

TEST_F(D3dxPictures, TexturesTakeTheAskedSizeAndPoolOrReportWhyNot) {
  Bytes png = WritePngRgba(kWidth, kHeight, SamplePixels());
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(Create(png, D3DX_DEFAULT, D3DX_DEFAULT, D3DPOOL_MANAGED, &texture, &info), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetPool(), info.Format),
            std::tuple(kWidth, kHeight, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8));
  texture->Release();
  ASSERT_EQ(Create(png, 10, 4, D3DPOOL_DEFAULT, &texture), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetPool()),
            std::tuple(10u, 4u, D3DPOOL_DEFAULT));
  texture->Release();
  // Mip levels in the file: the texture holds the top level.
  std::wstring dds = WriteFile("picture.dds", WriteDds(8, 8, {.fourCc = "DXT1", .mipLevels = 4}, Bytes(56, 0)));
  ASSERT_EQ(CreateFromFile(dds, &texture, &info), D3D_OK);
  EXPECT_EQ(std::tuple(info.MipLevels, texture->GetWidth()), std::tuple(4u, 8u));
  texture->Release();

  // A failure clears the texture pointer and leaves the information alone.
  texture = reinterpret_cast<IDirect3DTexture9*>(&info);
  info.Width = 77;
  EXPECT_EQ(Create(Bytes(png.begin(), png.end() - 4), 0, 0, D3DPOOL_MANAGED, &texture, &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(std::tuple(texture, info.Width), std::tuple(nullptr, 77u));
  EXPECT_EQ(Create(png, layer::kMaxImageSide + 1, 0, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(Create(png, 0, 0, D3DPOOL_SCRATCH, &texture), D3DERR_INVALIDCALL) << "the device's refusal";
  EXPECT_EQ(CreateFromFile(Path("missing.png"), &texture, nullptr), D3DXERR_INVALIDDATA);
}

}  // namespace
}  // namespace pictures_test
