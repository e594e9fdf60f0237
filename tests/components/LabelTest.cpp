#include <gtest/gtest.h>

#include <vector>

#include "engine/Font.h"
#include "engine/Label.h"
#include "tests/components/DrawingKit.h"
#include "tests/components/LogCapture.h"

namespace {

using components_test::RecordingSprite;

// Glyphs 10 pixels wide with spacing 2: "AB" measures 24 at scale 1.
class TextLabel : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(components_test::EnsureDevice());
    pack.Add(L"/Font0041", components_test::SolidBmp(10, 8, 0xFFFFFF));
    pack.Add(L"/Font0042", components_test::SolidBmp(10, 8, 0xFFFFFF));
    font.Init(2);
    font.Load(&pack, L"/Font");
    label.Initialize();
    label.Resume();
    label.Setup(&font, 1.0f, 255, RGB{0x11, 0x22, 0x33}, CTCLabel::Left, L"AB");
    label.SetRect(100.0f, 50.0f, 100.0f, 20.0f);
  }
  void TearDown() override { font.Free(); }

  struct Pass {
    float x;
    float y;
    D3DCOLOR colour;
  };
  // The first glyph of every DrawText pass (one per glyph of "AB": every second call).
  std::vector<Pass> Passes() {
    RecordingSprite sprite;
    label.Draw();
    std::vector<Pass> passes;
    EXPECT_EQ(sprite.calls.size() % 2, 0u);
    for (std::size_t i = 0; i < sprite.calls.size(); i += 2) {
      passes.push_back({sprite.calls[i].x, sprite.calls[i].y, sprite.calls[i].colour});
    }
    return passes;
  }

  components_test::MemoryPack pack;
  CTFont font;
  CTCLabel label;
  LogCapture log;
};

TEST_F(TextLabel, AlignmentPlacesThePenInTheRectangle) {
  std::vector<Pass> left = Passes();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].x, 100.0f);
  EXPECT_EQ(left[0].y, 50.0f);
  EXPECT_EQ(left[0].colour, 0xFF112233u);

  label.SetAlignment(CTCLabel::Center);
  std::vector<Pass> centred = Passes();
  ASSERT_EQ(centred.size(), 1u);
  EXPECT_EQ(centred[0].x, 138.0f);  // 100 + (100 - 24) / 2

  label.SetAlignment(CTCLabel::Right);
  std::vector<Pass> right = Passes();
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].x, 176.0f);
  EXPECT_EQ(right[0].y, 50.0f);  // the height never moves the text

  label.SetAlignment(3);
  EXPECT_TRUE(Passes().empty());
  EXPECT_TRUE(log.Empty());
}

TEST_F(TextLabel, WithoutARectangleTheTextCentresOnXOrEndsAtIt) {
  label.Setup(&font, 1.0f, 255, RGB{}, CTCLabel::Center, L"AB");
  EXPECT_EQ(label.GetWidth(), 0.0f);
  std::vector<Pass> centred = Passes();
  ASSERT_EQ(centred.size(), 1u);
  EXPECT_EQ(centred[0].x, 88.0f);

  label.SetAlignment(CTCLabel::Right);
  label.SetScale(2.0f);  // 48 wide: runs out to the left of x, unclipped
  RecordingSprite sprite;
  label.Draw();
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_EQ(sprite.calls[0].x, 52.0f);
  EXPECT_EQ(sprite.calls[1].x, 76.0f);
  EXPECT_FLOAT_EQ(sprite.calls[0].scaleX, 2.0f);
}

TEST_F(TextLabel, OutlineDrawsFourFaintDiagonalCopiesUnderTheText) {
  label.SetEffect(CTCLabel::Outline, RGB{0xAA, 0xBB, 0xCC}, 3.0f);
  std::vector<Pass> passes = Passes();
  ASSERT_EQ(passes.size(), 5u);
  const float expected[4][2] = {{103, 53}, {103, 47}, {97, 47}, {97, 53}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(passes[i].x, expected[i][0]) << i;
    EXPECT_EQ(passes[i].y, expected[i][1]) << i;
    EXPECT_EQ(passes[i].colour, 0x2AAABBCCu) << i;  // 255 / 6 = 42
  }
  EXPECT_EQ(passes[4].x, 100.0f);
  EXPECT_EQ(passes[4].colour, 0xFF112233u);

  label.SetEffect(CTCLabel::Outline, RGB{}, 0.0f);
  label.SetAlpha(5);
  passes = Passes();
  ASSERT_EQ(passes.size(), 5u);
  EXPECT_EQ(passes[0].x, 100.0f);  // offset 0: exactly under the text
  EXPECT_EQ(passes[0].y, 50.0f);
  EXPECT_EQ(passes[0].colour >> 24, 0u);
  EXPECT_EQ(passes[4].colour >> 24, 5u);
}

TEST_F(TextLabel, ShadowDrawsOneQuarterAlphaCopyDownAndRight) {
  label.SetAlignment(CTCLabel::Center);
  label.SetAlpha(128);
  label.SetEffect(CTCLabel::Shadow, RGB{1, 2, 3}, 2.5f);
  std::vector<Pass> passes = Passes();
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_EQ(passes[0].x, 140.5f);
  EXPECT_EQ(passes[0].y, 52.5f);
  EXPECT_EQ(passes[0].colour, 0x20010203u);  // 128 / 4 = 32
  EXPECT_EQ(passes[1].x, 138.0f);
  EXPECT_EQ(passes[1].colour, 0x80112233u);

  label.SetEffect(3, RGB{1, 2, 3}, 2.5f);
  EXPECT_EQ(Passes().size(), 1u);  // an unknown effect draws the text alone
}

TEST_F(TextLabel, SetupTurnsTheEffectOffButKeepsItsColourAndOffset) {
  label.SetEffect(CTCLabel::Shadow, RGB{7, 8, 9}, 4.0f);
  label.SetPosition(3.0f, 4.0f).Hide();
  label.Setup(&font, 0.5f, 200, RGB{1, 1, 1}, CTCLabel::Right, L"B");
  EXPECT_EQ(label.GetEffect(), CTCLabel::None);
  EXPECT_EQ(label.GetEffectColour(), (RGB{7, 8, 9}));
  EXPECT_EQ(label.GetEffectOffset(), 4.0f);
  EXPECT_EQ(label.GetAlpha(), 200);
  EXPECT_EQ(label.GetText(), L"B");
  EXPECT_EQ(label.GetScale(), 0.5f);
  EXPECT_EQ(label.GetAlignment(), CTCLabel::Right);
  EXPECT_EQ(label.GetX(), 3.0f);  // position, visibility and state stay
  EXPECT_EQ(label.IsVisible(), 0);
  EXPECT_EQ(label.GetState(), CTComponent::Running);
  EXPECT_EQ(label.GetHeight(), 0.0f);

  label.Setup(&font, 1.0f, 255, RGB{}, CTCLabel::Left);  // the short form empties the text
  EXPECT_EQ(label.GetText(), L"");
  EXPECT_TRUE(Passes().empty());
}

TEST_F(TextLabel, PauseReleasesTheFontsGlyphsOnlyWhenThePauseChangesState) {
  Passes();
  ASSERT_TRUE(font.GetSymbol(L'A')->loaded);
  EXPECT_TRUE(label.Pause());
  EXPECT_FALSE(font.GetSymbol(L'A')->loaded);
  EXPECT_TRUE(font.GetSymbol(L'A')->defined);

  font.MeasureText(L"A", 1.0f);  // remakes the glyph
  EXPECT_FALSE(label.Pause());
  EXPECT_TRUE(font.GetSymbol(L'A')->loaded);

  label.Resume();
  EXPECT_EQ(Passes().size(), 1u);  // drawn again after the release
}

TEST_F(TextLabel, WithoutAFontNothingIsDrawnOrReleased) {
  Passes();
  CTCLabel bare;
  bare.Initialize();
  bare.Resume();
  bare.SetText(L"AB");
  RecordingSprite sprite;
  bare.Draw();
  EXPECT_TRUE(sprite.calls.empty());
  bare.Pause();
  EXPECT_TRUE(font.GetSymbol(L'A')->loaded);

  label.Enter();
  label.Shutdown();  // forgets the font
  EXPECT_EQ(label.GetFont(), nullptr);
  EXPECT_FALSE(label.IsEntered());
  label.Resume();
  EXPECT_TRUE(Passes().empty());
}

TEST_F(TextLabel, CreateInitialisesOnceAndEndsTheSecondTime) {
  GTEST_FLAG_SET(death_test_style, "fast");
  CTCLabel created;
  created.Create(&font, 1.0f, 90, RGB{5, 5, 5}, CTCLabel::Left, L"A");
  EXPECT_EQ(created.GetState(), CTComponent::Paused);
  EXPECT_EQ(created.GetText(), L"A");
  EXPECT_EQ(created.GetAlpha(), 90);
  EXPECT_DEATH(created.Create(&font, 1.0f, 90, RGB{}, CTCLabel::Left), "");
  EXPECT_TRUE(log.HasError(L"Twice initialize"));
  EXPECT_DEATH(created.Draw(), "");
  EXPECT_TRUE(log.HasError(L"TComponent draw in incorrect state"));
}

}  // namespace
