// Pictures and labels drawn through a sprite that records where each picture or glyph
// lands, at which scale and in which colour.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Texture.h"
#include "tests/textures/TextureTestKit.h"

namespace {

using namespace textures_test;
using Placed = RecordingSprite::Placed;
constexpr D3DCOLOR kRed = 0xFFFF0000u;

// Glyphs 10x8 for A and B with spacing 2: "AB" measures 24, B 12 right of A.
class Drawn : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureDevice());
    font.Init(2);
    font.Load(&pack, L"/Font");
  }
  // A running label with its rectangle set after Setup, as scenes do.
  void Place(CTCLabel& label, std::uint32_t alignment, float width, RGB colour = {255, 0, 0}) {
    label.Initialize();
    label.Resume();
    label.Setup(&font, 1.0f, 255, colour, alignment, L"AB");
    label.SetRect(100.0f, 10.0f, width, 8.0f);
  }

  TestPack pack{{{"/Font0041", SolidBmp(10, 8, 0xFFFFFF)}, {"/Font0042", SolidBmp(10, 8, 0xFFFFFF)}}};
  CTFont font;
  RecordingSprite sprite;
};

TEST_F(Drawn, LabelsPlaceTheirTextByAlignmentWithoutClipping) {
  const struct { std::uint32_t alignment; float width, left; } rows[] = {
      {CTCLabel::Left, 100, 100}, {CTCLabel::Center, 100, 138}, {CTCLabel::Right, 10, 86}};  // wider than its rectangle
  for (const auto& row : rows) {
    CTCLabel label;
    Place(label, row.alignment, row.width);
    label.Draw();
    EXPECT_EQ(sprite.Take(), (std::vector<Placed>{{row.left, 10, kRed}, {row.left + 12, 10, kRed}})) << row.left;
  }
  CTCLabel unsized, unknown;
  Place(unsized, CTCLabel::Center, 100);
  unsized.Setup(&font, 1.0f, 255, RGB{255, 0, 0}, CTCLabel::Center, L"AB");  // width back to 0: centred on x
  Place(unknown, 3, 100);
  unsized.Draw();
  unknown.Draw();
  EXPECT_EQ(sprite.Take(), (std::vector<Placed>{{88, 10, kRed}, {100, 10, kRed}}));
}

TEST_F(Drawn, EffectsDrawFaintCopiesUnderTheText) {
  CTCLabel outline, shadow, unknown;
  Place(outline, CTCLabel::Left, 0);
  outline.SetEffect(CTCLabel::Outline, RGB{0, 0, 255}, 30.0f);
  Place(shadow, CTCLabel::Left, 0, RGB{0, 255, 0});
  shadow.SetAlpha(128);
  shadow.SetEffect(CTCLabel::Shadow, RGB{0, 0, 255}, 30.0f);
  Place(unknown, CTCLabel::Left, 0);
  unknown.SetEffect(3, RGB{0, 0, 255}, 30.0f);
  for (CTCLabel* label : {&outline, &shadow, &unknown}) label->SetText(L"A"), label->Draw();
  // Outline copies at 255 / 6, a shadow copy at 128 / 4, each under its text.
  EXPECT_EQ(sprite.Take(), (std::vector<Placed>{{130, 40, 0x2A0000FF}, {130, -20, 0x2A0000FF}, {70, -20, 0x2A0000FF},
                                                {70, 40, 0x2A0000FF}, {100, 10, kRed}, {130, 40, 0x200000FF},
                                                {100, 10, 0x8000FF00}, {100, 10, kRed}}));
}

TEST_F(Drawn, PicturesTakeTheirImageSizeAndStretchWithTheirAlpha) {
  const Bytes bytes = SolidBmp(8, 4, 0xFFFFFF);
  CTTexture texture;
  texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  CTCImage plain, stretched;
  plain.SetPosition(20.0f, 30.0f).SetAlpha(10);
  plain.Create(&texture);  // its image's size, opaque, the whole image
  const RECT source = plain.GetSourceRect();
  EXPECT_EQ(std::tuple(plain.GetWidth(), plain.GetHeight(), source.left, source.top, source.right, source.bottom),
            std::tuple(8.0f, 4.0f, 0, 0, 8, 4));
  stretched.Create(&texture);
  stretched.SetRect(60.0f, 20.0f, 16.0f, 12.0f).SetAlpha(128);
  for (CTCImage* image : {&plain, &stretched}) image->Resume(), image->Draw();
  ASSERT_EQ(sprite.calls.size(), 2u);
  const auto& [one, two] = std::tie(sprite.calls[0], sprite.calls[1]);
  EXPECT_EQ(std::tuple(one.x, one.y, one.scaleX, one.scaleY, one.colour), std::tuple(20.0f, 30.0f, 1.0f, 1.0f, 0xFFFFFFFFu));
  EXPECT_EQ(std::tuple(two.x, two.y, two.scaleX, two.scaleY, two.colour), std::tuple(60.0f, 20.0f, 2.0f, 3.0f, 0x80FFFFFFu));
  stretched.SetTexture(nullptr);  // keeps size and alpha, draws nothing
  stretched.Draw();
  EXPECT_EQ(std::tuple(stretched.GetWidth(), int(stretched.GetAlpha()), sprite.calls.size()), std::tuple(16.0f, 128, 2u));

  EXPECT_EQ((std::tuple{plain.Pause(), texture.IsCreated()}), std::tuple(true, false));  // releases the shared texture
  texture.Create();
  EXPECT_EQ((std::tuple{plain.Pause(), texture.IsCreated()}), std::tuple(false, true));  // a change only releases
  texture.Release();
  plain.Resume();
  plain.Draw();  // made again at the draw
  EXPECT_EQ(std::tuple(texture.IsCreated(), sprite.calls.size()), std::tuple(true, 3u));
  plain.Shutdown();
  EXPECT_EQ(plain.GetTexture(), nullptr);
}

TEST_F(Drawn, LabelPauseReleasesItsFontsGlyphsAndCreateInitialisesOnce) {
  CTCLabel label, bare;
  Place(label, CTCLabel::Center, 100);
  label.Draw();
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
