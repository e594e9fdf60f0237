// The D3DX picture functions on the real (offscreen) device: results, information,
// texture size and pool.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/Window.h"
#include "platform/win32/strings.h"
#include "tests/support/FailingAllocations.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/TempFolder.h"

namespace pictures_test {
namespace {

class D3dxPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_EQ(CreateMainWindow(L"pictures test", 640, 480, 0, 0, false, nullptr, nullptr, nullptr), WindowOk);
  }
  // The path of a file in the test's folder, written first when bytes are given.
  std::wstring File(const std::string& name, const Bytes* bytes = nullptr) const {
    return layer::Utf8ToWide(bytes ? testsupport::WriteBytes(folder_.File(name), *bytes) : folder_.File(name));
  }
  static HRESULT Create(const Bytes& file, IDirect3DTexture9** texture, D3DXIMAGE_INFO* info) {
    return D3DXCreateTextureFromFileInMemoryEx(g_Device, file.data(), static_cast<UINT>(file.size()), D3DX_DEFAULT,
                                               D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                               D3DX_DEFAULT, D3DX_DEFAULT, 0, info, nullptr, texture);
  }

  testsupport::TempFolder folder_{"pictures_test"};
};

TEST_F(D3dxPictures, InformationAndTexturesFromMemoryOrFilesOrWhyNot) {
  const Bytes png = WritePngRgba(kWidth, kHeight, SamplePixels()), empty;
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(Create(png, &texture, &info), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), texture->GetHeight(), texture->GetPool(), info.Format),
            std::tuple(kWidth, kHeight, D3DPOOL_MANAGED, D3DFMT_A8R8G8B8));
  texture->Release();
  // By content: a PNG named like a bitmap is read as the PNG it is.
  ASSERT_EQ(D3DXCreateTextureFromFileExW(g_Device, File("picture.bmp", &png).c_str(), 0, 0, 0, 0, D3DFMT_UNKNOWN,
                                        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture), D3D_OK);
  EXPECT_EQ(std::tuple(texture->GetWidth(), info.Width, info.ImageFileFormat), std::tuple(kWidth, kWidth, D3DXIFF_PNG));
  texture->Release();
  EXPECT_EQ(D3DXGetImageInfoFromFileW(File("empty.png", &empty).c_str(), &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), 10, &info), D3DXERR_INVALIDDATA);

  // A failure clears the texture pointer and leaves the information alone.
  texture = reinterpret_cast<IDirect3DTexture9*>(&info);
  info.Width = 77;
  EXPECT_EQ(Create(Bytes(png.begin(), png.end() - 4), &texture, &info), D3DXERR_INVALIDDATA);
  EXPECT_EQ(std::tuple(texture, info.Width), std::tuple(nullptr, 77u));
  // So does memory running out for the pixels scaled to 512 x 512, or for the device's
  // copy of them.
  for (int skip : {0, 1}) {
    texture = reinterpret_cast<IDirect3DTexture9*>(&info);
    testsupport::FailLargeAllocations noMemory(512 * 512 * 4, skip);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(g_Device, png.data(), static_cast<UINT>(png.size()), 512, 512, 1, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info,
                                                  nullptr, &texture),
              E_OUTOFMEMORY) << skip;
    EXPECT_EQ(std::tuple(texture, info.Width), std::tuple(nullptr, 77u)) << skip;
  }
}

}  // namespace
}  // namespace pictures_test
