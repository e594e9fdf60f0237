// A lost device and the engine's three-call recovery: lost, then not reset (Reset waits
// for default-pool textures to go), then ready; managed textures keep their pixels.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/Window.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "tests/window/WindowKit.h"

namespace {

class DeviceLossTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    testkit::CaptureFrames(true);
  }

  IDirect3DTexture9* MakeTexture(D3DPOOL pool, std::uint32_t colour) {
    std::vector<std::uint32_t> pixels(8 * 8, colour);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 8, 8, pixels.data(), pool, &texture), D3D_OK);
    return texture;
  }

  // Draws the texture at (10, 10) through the engine's frame; the pixel in its middle.
  std::uint32_t DrawAndSample(IDirect3DTexture9* texture) {
    EXPECT_TRUE(BeginFrame());
    D3DXMATRIX identity;
    D3DXMatrixTransformation2D(&identity, nullptr, 0, nullptr, nullptr, 0, nullptr);
    D3DXVECTOR3 at{10, 10, 0};
    GetSprite()->SetTransform(&identity);
    GetSprite()->Draw(texture, nullptr, nullptr, &at, 0xFFFFFFFF);
    EXPECT_TRUE(EndFrame(true));
    return testkit::LastFrame().At(14, 14);
  }

  // Lost at the next presentation, as the main loop finds out.
  void LoseAtPresent() {
    testkit::LoseDevice();
    EXPECT_FALSE(PumpMessages());
    EXPECT_FALSE(IsDeviceLost()) << "the engine learns of the loss at presentation";
    ASSERT_TRUE(BeginFrame());
    EXPECT_FALSE(EndFrame(true));
    EXPECT_TRUE(IsDeviceLost());
  }
};

TEST_F(DeviceLossTest, RenderTargetResetLosesTheDeviceToo) {
  SDL_Event event{};
  event.type = SDL_RENDER_TARGETS_RESET;
  SDL_PushEvent(&event);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
}

TEST_F(DeviceLossTest, EngineRestoresInThreeCallsAndManagedPixelsSurvive) {
  IDirect3DTexture9* picture = MakeTexture(D3DPOOL_MANAGED, 0xFF2040C0);
  EXPECT_EQ(DrawAndSample(picture), 0xFF2040C0u);
  LoseAtPresent();
  EXPECT_EQ(GetSprite(), nullptr);

  unsigned presents = testkit::PresentCount(g_Device);
  EXPECT_FALSE(BeginFrame());
  EXPECT_TRUE(EndFrame(false)) << "already lost: nothing presented, nothing to report";
  EXPECT_EQ(testkit::PresentCount(g_Device), presents);

  EXPECT_FALSE(RestoreDevice());  // lost
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Lost);
  EXPECT_FALSE(RestoreDevice());  // not reset: Reset succeeds
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Usable);
  EXPECT_TRUE(RestoreDevice());  // ready
  ASSERT_NE(GetSprite(), nullptr) << "a new sprite";
  EXPECT_FALSE(IsDeviceLost());
  EXPECT_FALSE(RestoreDevice()) << "nothing to restore";
  EXPECT_EQ(DrawAndSample(picture), 0xFF2040C0u);
  EXPECT_EQ(testkit::PresentCount(g_Device), presents + 1);
  picture->Release();
}

TEST_F(DeviceLossTest, RestoreWaitsForDefaultPoolTexturesAndRefusedResets) {
  IDirect3DTexture9* glyph = MakeTexture(D3DPOOL_DEFAULT, 0xFFFFFFFF);
  testkit::SetLostAnswers(3);
  testkit::FailResets(1);
  LoseAtPresent();
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(RestoreDevice());
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::NotReset);
  glyph->Release();
  EXPECT_FALSE(RestoreDevice()) << "the reset is refused once";
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::NotReset);
  EXPECT_FALSE(RestoreDevice());
  EXPECT_TRUE(RestoreDevice());
  EXPECT_NE(GetSprite(), nullptr);
}

}  // namespace
