// A small scene drawn the way the main loop draws it (BeginFrame, the scene's Draw,
// EndFrame) on the offscreen software renderer, and the whole presented frame compared
// with one painted here from the scene's plan: the background everywhere except where
// the picture, the label's glyphs and the button's glyphs land.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"
#include "platform/testkit/display.h"
#include "tests/textures/TextureTestKit.h"

namespace {

// The frame a test expects, painted independently of the engine: every pixel a colour
// and how far each channel may stray from it (0 where a pixel is copied or cleared, 1
// where SDL's blitters blend and round their own way).
struct ExpectedFrame {
  ExpectedFrame(unsigned width, unsigned height, std::uint32_t background)
      : colours{width, height, std::vector<std::uint32_t>(std::size_t{width} * height, background)},
        tolerance(colours.argb.size(), 0) {}

  // Clipped to the frame.
  void Fill(int x, int y, int width, int height, std::uint32_t argb, int within = 0) {
    for (int row = std::max(y, 0); row < std::min(y + height, static_cast<int>(colours.height)); ++row) {
      for (int column = std::max(x, 0); column < std::min(x + width, static_cast<int>(colours.width)); ++column) {
        const std::size_t at = static_cast<std::size_t>(row) * colours.width + static_cast<std::size_t>(column);
        colours.argb[at] = argb;
        tolerance[at] = static_cast<std::uint8_t>(within);
      }
    }
  }

  // Every pixel of the frame against its expectation; a failure names how many differ
  // and the first with its coordinates.
  ::testing::AssertionResult Matches(const testkit::Frame& frame) const {
    if (frame.width != colours.width || frame.height != colours.height || frame.argb.size() != colours.argb.size()) {
      return ::testing::AssertionFailure() << "frame of " << frame.width << "x" << frame.height;
    }
    int wrong = 0;
    std::size_t first = 0;
    for (std::size_t at = 0; at < frame.argb.size(); ++at) {
      const std::uint32_t want = colours.argb[at], got = frame.argb[at];
      const auto off = [=](int shift) { return std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF)); };
      if (std::max({off(24), off(16), off(8), off(0)}) > tolerance[at] && wrong++ == 0) first = at;
    }
    if (wrong == 0) return ::testing::AssertionSuccess();
    std::ostringstream text;  // one stream, so that the colours come out in hexadecimal
    text << wrong << " pixels differ; the first at (" << first % frame.width << ", " << first / frame.width << "): "
         << std::hex << frame.argb[first] << " instead of " << colours.argb[first];
    return ::testing::AssertionFailure() << text.str();
  }

  testkit::Frame colours;
  std::vector<std::uint8_t> tolerance;
};

constexpr std::uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kWhite = 0xFFFFFFFFu;

// The picture, 40x30: a green band over the top 5 rows; below it red, then opaque
// magenta (the colour key makes it a hole), then white at alpha 128.
constexpr int kPictureX = 100, kPictureY = 60, kPictureWidth = 40, kPictureHeight = 30;
constexpr int kBand = 5, kRedEnd = 14, kHoleEnd = 26;
std::vector<std::uint8_t> PicturePng() {
  pictures_test::Pixels pixels;
  for (int y = 0; y < kPictureHeight; ++y)
    for (int x = 0; x < kPictureWidth; ++x)
      pixels.push_back(y < kBand ? kGreen : x < kRedEnd ? kRed : x < kHoleEnd ? 0xFFFF00FFu : 0x80FFFFFFu);
  return pictures_test::WritePngRgba(kPictureWidth, kPictureHeight, pixels);
}

// Glyphs: A is 5x9 with its top-left pixel transparent (so a turned or mirrored glyph
// shows), B a solid 3x9, drawn opaque; both white, so the text colour is what lands.
// Spacing 1.
constexpr int kGlyphHeight = 9, kSpacing = 1;
int GlyphWidth(wchar_t c) { return c == L'A' ? 5 : 3; }
std::vector<std::uint8_t> GlyphPng(wchar_t c) {
  pictures_test::Pixels pixels(static_cast<std::size_t>(GlyphWidth(c)) * kGlyphHeight, kWhite);
  if (c == L'A') pixels[0] = 0x00FFFFFFu;
  return pictures_test::WritePngRgba(static_cast<std::uint32_t>(GlyphWidth(c)), kGlyphHeight, pixels);
}

// The label: centred in its rectangle, red. The button: centred, yellow.
const std::wstring kLabelText = L"ABBA", kButtonText = L"AB";
constexpr int kLabelX = 200, kLabelY = 200, kLabelWidth = 240, kButtonX = 220, kButtonY = 300, kButtonWidth = 200;

// Where each glyph of a text, centred in a rectangle at (x, y), lands in one colour.
void PaintText(ExpectedFrame& frame, int x, int y, int width, const std::wstring& text, std::uint32_t argb,
               int tolerance) {
  int textWidth = 0;
  for (wchar_t c : text) textWidth += GlyphWidth(c) + kSpacing;
  for (int penX = x + (width - textWidth) / 2; wchar_t c : text) {
    frame.Fill(penX, y, GlyphWidth(c), kGlyphHeight, argb, tolerance);
    if (c == L'A') frame.Fill(penX, y, 1, 1, kBlack);
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
  PaintText(frame, kLabelX, kLabelY, kLabelWidth, kLabelText, kRed, 0);
  // Yellow at alpha a over black is (a, a, 0).
  const std::uint32_t button = 0xFF000000u | (std::uint32_t{buttonAlpha} << 16) | (std::uint32_t{buttonAlpha} << 8);
  PaintText(frame, kButtonX, kButtonY, kButtonWidth, kButtonText, button, buttonAlpha == 255 ? 0 : 1);
  return frame;
}

TEST(WholeFrame, EveryPixelIsThePictureAGlyphOrTheBackgroundAtRestAndWhileAButtonPulses) {
  ASSERT_TRUE(textures_test::EnsureDevice());
  testkit::CaptureFrames(true);
  textures_test::TestPack pack{{{"/Picture", PicturePng()}, {"/Font0041", GlyphPng(L'A')}, {"/Font0042", GlyphPng(L'B')}}};
  CTTexture picture;
  CTCImage image;
  CTFont font;
  CTCLabel label;
  CTCBlinkButton button;
  CTScene scene;
  for (CTComponent* component : std::initializer_list<CTComponent*>{&image, &label, &button}) scene.AddComponent(component);
  scene.Initialize();
  picture.LoadFromResource(pack.GetByName(L"/Picture"));
  image.SetTexture(&picture);
  image.SetPosition(kPictureX, kPictureY);
  font.Init(kSpacing);
  font.Load(&pack, L"/Font");
  label.Setup(&font, 1.0f, 255, RGB{255, 0, 0}, CTCLabel::Center, kLabelText);
  label.SetRect(kLabelX, kLabelY, kLabelWidth, 20);
  button.Setup(kButtonText, &font, 1.0f, CTCLabel::Center, RGB{255, 255, 0}, CTCLabel::None, RGB{}, 0.0f);
  button.SetRect(kButtonX, kButtonY, kButtonWidth, 20);
  scene.Enter(), scene.Resume();
  // One iteration of the main loop's drawing: update, begin, draw, end and present.
  auto frame = [&scene] {
    scene.Update();
    EXPECT_TRUE(BeginFrame());
    scene.Draw();
    EXPECT_TRUE(EndFrame(true));
    return testkit::LastFrame();
  };

  EXPECT_TRUE(Expected(255).Matches(frame()));
  // The next frame draws the device textures made for the first one.
  EXPECT_TRUE(Expected(255).Matches(frame()));
  // A scene switch releases every texture and glyph; they come back the same.
  ReleaseAllTextures();
  ReleaseAllFonts();
  EXPECT_TRUE(Expected(255).Matches(frame()));

  scene.OnEvent(CTEventMouseIn(DIMOUSESTATE{}, kButtonX + 5, kButtonY + 5));
  // Each frame moves the pulse 15 phases before drawing: five frames reach phase 75,
  // alpha 255 - 75; past the transparent middle the text comes back: phase 300, alpha
  // 300 - 256.
  for (auto [frames, phase, alpha] : {std::tuple{5, 75, 180}, {15, 300, 44}}) {
    for (int i = 0; i < frames; ++i) frame();
    EXPECT_EQ(button.GetPhase(), phase);
    EXPECT_TRUE(Expected(static_cast<std::uint8_t>(alpha)).Matches(testkit::LastFrame()));
  }

  scene.Pause(), scene.Leave();
  ReleaseAllTextures();
  ReleaseAllFonts();
  testkit::CaptureFrames(false);
}

}  // namespace
