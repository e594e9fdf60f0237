// A scene of a picture, a label with a shadow and a disabled button drawn through the
// real device, read back from the presented frame.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "tests/components/DrawingKit.h"

namespace {

// Channels of a presented pixel, within the rounding of alpha blending.
void ExpectPixel(const testkit::Frame& frame, unsigned x, unsigned y, int red, int green, int blue) {
  const std::uint32_t pixel = frame.At(x, y);
  const int got[3] = {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                      static_cast<int>(pixel & 0xFF)};
  const int want[3] = {red, green, blue};
  for (int channel = 0; channel < 3; ++channel) {
    EXPECT_LE(std::abs(got[channel] - want[channel]), 2)
        << "at (" << x << ", " << y << ") channel " << channel << " pixel " << std::hex << pixel;
  }
}

TEST(ComponentFrame, SceneDrawsVisibleComponentsWithTheirColoursAndAlphas) {
  ASSERT_TRUE(components_test::EnsureDevice());
  components_test::MemoryPack pack;
  pack.Add(L"/Font0041", components_test::SolidBmp(10, 8, 0xFFFFFF));
  const std::vector<std::uint8_t> pictureBytes = components_test::SolidBmp(8, 4, 0xFFFFFF);
  CTTexture picture;
  picture.LoadFromMemory(pictureBytes.data(), static_cast<std::uint32_t>(pictureBytes.size()));
  CTFont font;
  font.Init(0);
  font.Load(&pack, L"/Font");

  CTCImage image, hiddenImage;
  CTCLabel label;
  CTCBlinkButton button;
  CTScene scene;
  for (CTComponent* component : {static_cast<CTComponent*>(&image), static_cast<CTComponent*>(&hiddenImage),
                                 static_cast<CTComponent*>(&label), static_cast<CTComponent*>(&button)}) {
    scene.AddComponent(component);
  }
  button.Disable();
  scene.Initialize();
  image.SetTexture(&picture);
  image.SetPosition(20.0f, 20.0f);
  hiddenImage.SetTexture(&picture);
  hiddenImage.SetPosition(40.0f, 20.0f).Hide();
  label.Setup(&font, 1.0f, 255, RGB{255, 0, 0}, CTCLabel::Left, L"A");
  label.SetEffect(CTCLabel::Shadow, RGB{0, 0, 255}, 20.0f);
  label.SetRect(100.0f, 100.0f, 0.0f, 0.0f);
  button.SetRect(300.0f, 200.0f, 10.0f, 8.0f);
  button.Setup(L"A", &font, 1.0f, CTCLabel::Left, RGB{0, 255, 0}, CTCLabel::None, RGB{}, 0.0f);
  scene.Enter();
  scene.Resume();

  testkit::CaptureFrames(true);
  const bool begun = BeginFrame();
  ASSERT_TRUE(begun);
  scene.Draw();
  EndFrame(begun);
  const testkit::Frame frame = testkit::LastFrame();
  testkit::CaptureFrames(false);
  ASSERT_EQ(frame.width, 640u);

  ExpectPixel(frame, 21, 21, 255, 255, 255);  // the picture, opaque
  ExpectPixel(frame, 28, 21, 0, 0, 0);        // just right of its 8 pixels
  ExpectPixel(frame, 41, 21, 0, 0, 0);        // the hidden picture
  ExpectPixel(frame, 101, 101, 255, 0, 0);    // the text
  ExpectPixel(frame, 125, 125, 0, 0, 63);     // its shadow, a quarter of 255
  ExpectPixel(frame, 305, 204, 0, 127, 0);    // the disabled button, half alpha

  scene.Pause();
  scene.Leave();
  EXPECT_FALSE(picture.IsCreated());
  EXPECT_FALSE(font.GetSymbol(L'A')->loaded);
  font.Free();
}

}  // namespace
