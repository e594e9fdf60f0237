// A small scene drawn the way the main loop draws it (BeginFrame, the scene's Draw,
// EndFrame) on the offscreen software renderer, and the whole presented frame compared
// with one painted here from the scene's plan: the background everywhere except where
// the picture, the label's glyphs and the button's glyphs land.
#include <gtest/gtest.h>

#include <string>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "tests/frames/FrameKit.h"

namespace frames_test {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u,
                        kMagenta = 0xFFFF00FFu, kWhite = 0xFFFFFFFFu;

// The picture, 40x30: a green band over the top 5 rows; below it red, then opaque
// magenta (the colour key makes it a hole), then white at alpha 128.
constexpr int kPictureX = 100, kPictureY = 60, kPictureWidth = 40, kPictureHeight = 30;
constexpr int kBand = 5, kRedEnd = 14, kHoleEnd = 26;
std::uint32_t PicturePixel(unsigned x, unsigned y) {
  if (y < kBand) return kGreen;
  if (x < kRedEnd) return kRed;
  if (x < kHoleEnd) return kMagenta;
  return 0x80FFFFFFu;
}

// Glyphs: A is 5x9 with its top-left pixel transparent (so a turned or mirrored glyph
// shows), B a solid 3x9; both white, so the text colour is what lands. Spacing 1.
constexpr int kGlyphHeight = 9, kSpacing = 1;
int GlyphWidth(wchar_t c) { return c == L'A' ? 5 : 3; }
int TextWidth(const std::wstring& text) {
  int width = 0;
  for (wchar_t c : text) width += GlyphWidth(c) + kSpacing;
  return width;
}

// The label: centred in its rectangle, red. The button: centred, yellow.
const std::wstring kLabelText = L"ABBA", kButtonText = L"AB";
constexpr int kLabelX = 200, kLabelY = 200, kLabelWidth = 240, kLabelHeight = 20;
constexpr int kButtonX = 220, kButtonY = 300, kButtonWidth = 200, kButtonHeight = 20;
constexpr RGB kLabelColour{255, 0, 0}, kButtonColour{255, 255, 0};

class SmallScene : public CTScene {
 public:
  explicit SmallScene(CTResourceFile& pack) : pack_(pack) {}

  void Initialize() override {
    AddComponent(&image_);
    AddComponent(&label_);
    AddComponent(&button_);
    CTScene::Initialize();
    picture_.LoadFromResource(pack_.GetByName(L"/Picture"));
    image_.SetTexture(&picture_);
    image_.SetPosition(kPictureX, kPictureY);
    font_.Init(kSpacing);
    font_.Load(&pack_, L"/Font");
    label_.Setup(&font_, 1.0f, 255, kLabelColour, CTCLabel::Center, kLabelText);
    label_.SetRect(kLabelX, kLabelY, kLabelWidth, kLabelHeight);
    button_.Setup(kButtonText, &font_, 1.0f, CTCLabel::Center, kButtonColour, CTCLabel::None, RGB{}, 0.0f);
    button_.SetRect(kButtonX, kButtonY, kButtonWidth, kButtonHeight);
  }

  const CTCBlinkButton& Button() const { return button_; }

 private:
  CTResourceFile& pack_;
  CTTexture picture_;
  CTCImage image_;
  CTFont font_;
  CTCLabel label_;
  CTCBlinkButton button_;
};

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> ScenePackEntries() {
  auto glyph = [](wchar_t c) {
    return Png(static_cast<unsigned>(GlyphWidth(c)), kGlyphHeight, [c](unsigned x, unsigned y) {
      return c == L'A' && x == 0 && y == 0 ? 0x00FFFFFFu : kWhite;
    });
  };
  return {{"/Picture", Png(kPictureWidth, kPictureHeight, PicturePixel)},
          {"/Font0041", glyph(L'A')},
          {"/Font0042", glyph(L'B')}};
}

// Where each glyph of a text lands with the pen at (penX, penY), in one colour.
void PaintText(ExpectedFrame& frame, int penX, int penY, const std::wstring& text, std::uint32_t argb, int tolerance) {
  for (wchar_t c : text) {
    frame.Fill(penX, penY, GlyphWidth(c), kGlyphHeight, argb, tolerance);
    if (c == L'A') frame.Set(penX, penY, kBlack);
    penX += GlyphWidth(c) + kSpacing;
  }
}

// The frame with the button's text at the given alpha over the black background.
ExpectedFrame Expected(std::uint8_t buttonAlpha) {
  ExpectedFrame frame(640, 480, kBlack);
  frame.Fill(kPictureX, kPictureY, kPictureWidth, kBand, kGreen);
  frame.Fill(kPictureX, kPictureY + kBand, kRedEnd, kPictureHeight - kBand, kRed);
  // Between kRedEnd and kHoleEnd the background shows through.
  frame.Fill(kPictureX + kHoleEnd, kPictureY + kBand, kPictureWidth - kHoleEnd, kPictureHeight - kBand, 0xFF808080u, 1);
  PaintText(frame, kLabelX + (kLabelWidth - TextWidth(kLabelText)) / 2, kLabelY, kLabelText, kRed, 0);
  // Yellow at alpha a over black is (a, a, 0).
  const std::uint32_t button = 0xFF000000u | (std::uint32_t{buttonAlpha} << 16) | (std::uint32_t{buttonAlpha} << 8);
  PaintText(frame, kButtonX + (kButtonWidth - TextWidth(kButtonText)) / 2, kButtonY, kButtonText, button,
            buttonAlpha == 255 ? 0 : 1);
  return frame;
}

class WholeFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureDevice());
    testkit::CaptureFrames(true);
    scene_.Initialize();
    scene_.Enter();
    scene_.Resume();
  }
  void TearDown() override {
    scene_.Pause();
    scene_.Leave();
    ReleaseAllTextures();
    ReleaseAllFonts();
    testkit::CaptureFrames(false);
  }

  // One iteration of the main loop's drawing: update, begin, draw, end and present.
  testkit::Frame Frame() {
    scene_.Update();
    const bool begun = BeginFrame();
    EXPECT_TRUE(begun);
    if (begun) scene_.Draw();
    EXPECT_TRUE(EndFrame(begun));
    return testkit::LastFrame();
  }

  PackOnDisk pack_{ScenePackEntries()};
  SmallScene scene_{pack_};
};

TEST_F(WholeFrame, AtRestEveryPixelIsThePictureAGlyphOrTheBackground) {
  EXPECT_TRUE(Expected(255).Matches(Frame()));
  // The next frame draws the device textures made for the first one.
  EXPECT_TRUE(Expected(255).Matches(Frame()));
  // A scene switch releases every texture and glyph; they come back the same.
  ReleaseAllTextures();
  ReleaseAllFonts();
  EXPECT_TRUE(Expected(255).Matches(Frame()));
}

TEST_F(WholeFrame, AHoveredButtonPulsesWhileTheRestOfTheFrameStays) {
  Frame();
  scene_.OnEvent(CTEventMouseIn(DIMOUSESTATE{}, kButtonX + 5, kButtonY + 5));
  ASSERT_TRUE(scene_.Button().IsHovered());
  // Each frame moves the pulse 15 phases before drawing: five frames reach phase 75,
  // alpha 255 - 75.
  for (int i = 0; i < 5; ++i) Frame();
  ASSERT_EQ(scene_.Button().GetPhase(), 75);
  EXPECT_TRUE(Expected(180).Matches(testkit::LastFrame()));
  // Past the transparent middle the text comes back: phase 300, alpha 300 - 256.
  for (int i = 0; i < 15; ++i) Frame();
  ASSERT_EQ(scene_.Button().GetPhase(), 300);
  EXPECT_TRUE(Expected(44).Matches(testkit::LastFrame()));
  scene_.OnEvent(CTEventMouseOut(DIMOUSESTATE{}, 0, 0));
}

}  // namespace
}  // namespace frames_test
