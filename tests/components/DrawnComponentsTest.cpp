// Pictures, labels and buttons drawn through the real device and read back from the
// presented frame (black background).
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Texture.h"
#include "tests/components/ComponentsKit.h"

namespace {

using components_test::DrawFrame;

// Within the rounding of alpha blending.
void ExpectPixel(const testkit::Frame& frame, unsigned x, unsigned y, std::uint32_t rgb) {
  const std::uint32_t got = frame.At(x, y);
  for (int shift : {16, 8, 0}) {
    EXPECT_LE(std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)), 2)
        << "at (" << x << ", " << y << "): " << std::hex << got << " instead of " << rgb;
  }
}

// White glyphs 10x8 for A and B with spacing 2: "AB" covers 22 pixels and measures 24.
class Drawn : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(components_test::EnsureDevice());
    pack.Add(L"/Font0041", components_test::WhitePicture(10, 8));
    pack.Add(L"/Font0042", components_test::WhitePicture(10, 8));
    font.Init(2);
    font.Load(&pack, L"/Font");
  }
  void TearDown() override {
    font.Free();
    ReleaseAllTextures();
  }
  // A running label with its rectangle set after Setup, as scenes do.
  void Place(CTCLabel& label, std::uint32_t alignment, float x, float y, float width, RGB colour = {255, 0, 0}) {
    label.Initialize();
    label.Resume();
    label.Setup(&font, 1.0f, 255, colour, alignment, L"AB");
    label.SetRect(x, y, width, 8.0f);
  }

  components_test::MemoryPack pack;
  CTFont font;
};

TEST_F(Drawn, LabelsPlaceTheirTextByAlignmentWithoutClipping) {
  CTCLabel left, centre, right, unknown, unsized;
  Place(left, CTCLabel::Left, 100, 0, 100);
  Place(centre, CTCLabel::Center, 100, 20, 100);
  Place(right, CTCLabel::Right, 100, 40, 10);  // wider than its rectangle
  Place(unknown, 3, 100, 60, 100);
  Place(unsized, CTCLabel::Center, 300, 80, 0);
  unsized.Setup(&font, 1.0f, 255, RGB{255, 0, 0}, CTCLabel::Center, L"AB");  // width back to 0
  const testkit::Frame frame = DrawFrame([&] {
    for (CTCLabel* label : {&left, &centre, &right, &unknown, &unsized}) label->Draw();
  });
  const struct { unsigned firstLit, y; } rows[] = {{100, 0}, {138, 20}, {86, 40}, {288, 80}};
  for (const auto& row : rows) {
    ExpectPixel(frame, row.firstLit - 1, row.y + 1, 0x000000);
    ExpectPixel(frame, row.firstLit, row.y + 1, 0xFF0000);
    ExpectPixel(frame, row.firstLit + 10, row.y + 1, 0x000000);  // the spacing between A and B
    ExpectPixel(frame, row.firstLit + 21, row.y + 7, 0xFF0000);
    ExpectPixel(frame, row.firstLit + 22, row.y + 1, 0x000000);
  }
  for (unsigned x = 80; x < 220; x += 5) ExpectPixel(frame, x, 61, 0x000000);
}

TEST_F(Drawn, EffectsDrawFaintCopiesUnderTheText) {
  CTCLabel outline, shadow, unknown;
  Place(outline, CTCLabel::Left, 100, 100, 0);
  outline.SetEffect(CTCLabel::Outline, RGB{0, 0, 255}, 30.0f);
  Place(shadow, CTCLabel::Left, 300, 100, 0, RGB{0, 255, 0});
  shadow.SetAlpha(128);
  shadow.SetEffect(CTCLabel::Shadow, RGB{0, 0, 255}, 30.0f);
  Place(unknown, CTCLabel::Left, 500, 100, 0);
  unknown.SetEffect(3, RGB{0, 0, 255}, 30.0f);
  const testkit::Frame frame = DrawFrame([&] {
    outline.Draw();
    shadow.Draw();
    unknown.Draw();
  });
  ExpectPixel(frame, 101, 101, 0xFF0000);
  for (auto [x, y] : {std::pair{131, 131}, {131, 71}, {71, 71}, {71, 131}}) ExpectPixel(frame, x, y, 42);  // 255/6
  ExpectPixel(frame, 301, 101, 0x008000);  // the text at alpha 128
  ExpectPixel(frame, 331, 131, 32);        // the shadow at 128/4
  ExpectPixel(frame, 531, 131, 0x000000);  // an unknown effect draws no copy
  ExpectPixel(frame, 501, 101, 0xFF0000);
}

TEST_F(Drawn, PicturesTakeTheirImageSizeAndStretchWithTheirAlpha) {
  const std::vector<std::uint8_t> bytes = components_test::WhitePicture(8, 4);
  CTTexture texture;
  texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  CTCImage plain, stretched;
  plain.SetPosition(20.0f, 20.0f).SetAlpha(10);
  plain.Create(&texture);
  EXPECT_EQ(std::tuple(int(plain.GetAlpha()), plain.GetSourceRect().right), std::tuple(255, 8));
  stretched.Create(&texture);
  stretched.SetTexture(nullptr);  // keeps size and alpha
  stretched.SetTexture(&texture);
  stretched.SetRect(60.0f, 20.0f, 16.0f, 8.0f).SetAlpha(128);
  plain.Resume();
  stretched.Resume();
  testkit::Frame frame = DrawFrame([&] {
    plain.Draw();
    stretched.Draw();
  });
  ExpectPixel(frame, 27, 23, 0xFFFFFF);  // pixel for pixel
  ExpectPixel(frame, 28, 23, 0x000000);
  ExpectPixel(frame, 75, 27, 0x808080);  // stretched to 16x8, half alpha
  ExpectPixel(frame, 76, 27, 0x000000);

  EXPECT_TRUE(plain.Pause());  // releases the shared texture
  EXPECT_FALSE(texture.IsCreated());
  texture.Create();
  EXPECT_FALSE(plain.Pause());  // changes nothing, so releases nothing
  EXPECT_TRUE(texture.IsCreated());
  texture.Release();
  frame = DrawFrame([&] { stretched.Draw(); });  // made again at the draw
  ExpectPixel(frame, 75, 27, 0x808080);
  plain.Shutdown();
  EXPECT_EQ(plain.GetTexture(), nullptr);
}

TEST_F(Drawn, LabelPauseReleasesItsFontsGlyphsAndCreateInitialisesOnce) {
  CTCLabel label, bare;
  Place(label, CTCLabel::Center, 0, 0, 100);
  DrawFrame([&] { label.Draw(); });
  ASSERT_TRUE(font.GetSymbol(L'A')->loaded);
  bare.Create(nullptr, 1.0f, 255, RGB{}, CTCLabel::Left);
  bare.Resume();
  bare.Pause();  // no font: releases nothing
  EXPECT_TRUE(font.GetSymbol(L'A')->loaded);
  EXPECT_TRUE(label.Pause());
  EXPECT_EQ(std::tuple(font.GetSymbol(L'A')->loaded, font.GetSymbol(L'A')->defined), std::tuple(false, true));
  label.Shutdown();  // forgets the font
  EXPECT_EQ(label.GetFont(), nullptr);
  EXPECT_DEATH(bare.Create(&font, 1.0f, 255, RGB{}, CTCLabel::Left, L"A"), "Twice initialize");
}

}  // namespace
