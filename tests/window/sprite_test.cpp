// The 2D transformation, and a sprite drawn through the layer: turned about its
// top-left corner, tinted by its colour, blended only where something can show through
// (the texture or the colour below full alpha), the frame then written as PNG; the
// texture factory's refusals. Placement, scale, parts, alpha and the colour key through the
// engine's textures: tests/textures/TextureTest.cpp.
#include <SDL.h>
#include <png.h>

#include <cmath>
#include <tuple>

#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/texture_factory.h"
#include "tests/support/TempFolder.h"
#include "tests/window/WindowKit.h"

namespace {

void ExpectAffineNear(const D3DXMATRIX& m, float a, float b, float c, float d, float x, float y) {
  const D3DXMATRIX expected{{{a, b, 0, 0}, {c, d, 0, 0}, {0, 0, 1, 0}, {x, y, 0, 1}}};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i / 4][i % 4], expected.m[i / 4][i % 4], 1e-3) << "element " << i;
}

TEST(Transformation2D, MatchesTheCompositionAndNullsMeanIdentity) {
  D3DXVECTOR2 scalingCenter{7, -3}, scaling{2.5f, 0.5f}, rotationCenter{-4, 9}, translation{100, 40};
  D3DXMATRIX out;
  D3DXMatrixTransformation2D(&out, &scalingCenter, 0.6f, &scaling, &rotationCenter, -1.1f, &translation);
  // Move(-sc) Turn(-0.6) Scale(s) Turn(0.6) Move(sc - rc) Turn(-1.1) Move(rc + t), worked out
  // independently (row vectors, as D3DX).
  ExpectAffineNear(out, 1.67540f, -1.23698f, 1.43664f, -0.31461f, 82.87721f, 41.46858f);
  EXPECT_EQ(D3DXMatrixTransformation2D(&out, nullptr, 0.7f, nullptr, nullptr, 0, nullptr), &out);
  ExpectAffineNear(out, 1, 0, 0, 1, 0, 0);
  EXPECT_EQ(D3DXMatrixTransformation2D(nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

using Sample = std::tuple<unsigned, unsigned, std::uint32_t>;  // x, y, colour

// As the engine draws a picture: scaled, turned about its top-left corner, moved to
// (x, y). Each sample channel by channel, with room for the renderer's rounding; and
// whether the draw blended.
struct DrawRow {
  const char* name;
  IDirect3DTexture9* picture;
  float x, y, scale, rotation;
  D3DCOLOR colour;
  std::vector<Sample> samples;
  bool blended;
  RECT source = {};  // all zero: the whole texture
};

TEST_F(WindowTest, SpriteTurnsTintsAndBlendsOnlyWhereSomethingShowsThrough) {
  OpenInstallerWindow();
  testkit::CaptureFrames(true);
  std::vector<IDirect3DTexture9*> made;
  auto make = [&made](UINT width, UINT height, const std::vector<std::uint32_t>& argb) {
    made.push_back(nullptr);
    EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, width, height, argb.data(), D3DPOOL_MANAGED, &made.back()), D3D_OK);
    return made.back();
  };
  // 20 x 10, left half red and right half blue; 2 x 2 white with one half-transparent
  // texel, which makes the whole texture need blending.
  std::vector<std::uint32_t> pixels(20 * 10);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 20 < 10 ? kRed : kBlue;
  IDirect3DTexture9 *halves = make(20, 10, pixels), *veiled = make(2, 2, {kWhite, kWhite, 0x80FFFFFF, kWhite});
  // Opaque black is full alpha; alpha 254, even in the last texel alone, is not.
  IDirect3DTexture9 *black = make(2, 2, std::vector<std::uint32_t>(4, kBlack)),
                    *edge = make(2, 2, {kBlack, kBlack, kBlack, 0xFEFFFFFF});
  ASSERT_TRUE(halves && veiled && black && edge);
  const DrawRow rows[] = {
      // The image's x axis points down the screen, its y axis to the left.
      {"quarter turn", halves, 200, 100, 1, static_cast<float>(M_PI / 2), kWhite,
       {{195, 104, kRed}, {195, 115, kBlue}, {205, 105, kBlack}, {195, 97, kBlack}, {195, 122, kBlack}}, false},
      {"tinted", halves, 0, 0, 1, 0, 0xFF2080C0, {{5, 5, 0xFF200000}, {15, 5, 0xFF0000C0}}, false},
      {"half alpha", halves, 0, 0, 1, 0, 0x80FFFFFF, {{5, 5, 0xFF800000}, {15, 5, 0xFF000080}}, true},
      {"veiled", veiled, 0, 0, 10, 0, kWhite, {{2, 2, kWhite}, {2, 17, 0xFF808080}, {17, 17, kWhite}}, true},
      {"black", black, 0, 0, 10, 0, kWhite, {{5, 5, kBlack}}, false},
      {"edge", edge, 0, 0, 10, 0, kWhite, {{2, 2, kBlack}, {17, 17, 0xFFFEFEFE}}, true},
      // Only the part of the rectangle inside the texture, where it would lie.
      {"overhanging", halves, 100, 50, 1, 0, kWhite, {{102, 55, kBlack}, {106, 55, kRed}, {111, 55, kBlack}}, false,
       {-5, 0, 5, 10}},
  };
  for (const DrawRow& row : rows) {
    ASSERT_TRUE(BeginFrame());
    D3DXVECTOR2 scaling{row.scale, row.scale}, at{row.x, row.y};
    D3DXMATRIX matrix;
    D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, &scaling, nullptr, row.rotation, &at);
    EXPECT_EQ(GetSprite()->SetTransform(&matrix), D3D_OK);
    const RECT* source = row.source.right == 0 ? nullptr : &row.source;
    EXPECT_EQ(GetSprite()->Draw(row.picture, source, nullptr, nullptr, row.colour), D3D_OK);
    EXPECT_TRUE(EndFrame(true));
    for (const auto& [x, y, colour] : row.samples) {
      const std::uint32_t got = testkit::LastFrame().At(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        EXPECT_LE(std::abs(int((got >> shift) & 0xFF) - int((colour >> shift) & 0xFF)), 3)
            << row.name << " at (" << x << ", " << y << "): 0x" << std::hex << got << " not 0x" << colour;
      }
    }
    SDL_BlendMode used = SDL_BLENDMODE_INVALID;
    SDL_GetTextureBlendMode(dynamic_cast<layer::Texture*>(row.picture)->Sdl(), &used);
    EXPECT_EQ(used == SDL_BLENDMODE_BLEND, row.blended) << row.name;
  }
  // The last frame, written as PNG and read back.
  testsupport::TempFolder folder("sprite-frame");
  ASSERT_TRUE(testkit::WriteLastFramePng(folder.File("frame.png")));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, folder.File("frame.png").c_str()));
  image.format = PNG_FORMAT_BGRA;
  testkit::Frame read{image.width, image.height, std::vector<std::uint32_t>(image.width * image.height)};
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.argb.data(), 0, nullptr));
  EXPECT_EQ(std::tuple(read.width, read.height), std::tuple(640u, 480u));
  EXPECT_TRUE(read.argb == testkit::LastFrame().argb) << "the frame, pixel for pixel";
  for (IDirect3DTexture9* texture : made) texture->Release();
}

TEST_F(WindowTest, TextureFactoryRefusesBadDevicesSizesPoolsAndPointers) {
  OpenInstallerWindow();
  std::uint32_t pixel = 0;
  IDirect3DTexture9* out = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(layer::CreateTextureFromPixels(nullptr, 1, 1, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(out, nullptr) << "the out pointer is cleared on failure";
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 0, 1, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 16385, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 1, nullptr, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 1, &pixel, D3DPOOL_SYSTEMMEM, &out), D3DERR_INVALIDCALL);
}

}  // namespace
