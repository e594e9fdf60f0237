// A lost device, as Direct3D 9 loses it: Present reports it, TestCooperativeLevel says
// lost and then not reset, Reset waits for default-pool textures to go, managed ones
// come back with their pixels.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/Window.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "tests/window/window_fixture.h"

namespace {

class DeviceLossTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    testkit::CaptureFrames(true);
  }

  IDirect3DTexture9* MakeTexture(D3DPOOL pool, std::uint32_t colour, UINT side = 8) {
    std::vector<std::uint32_t> pixels(side * side, colour);
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, side, side, pixels.data(), pool, &texture), D3D_OK);
    return texture;
  }

  D3DPRESENT_PARAMETERS Windowed640() {
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 640;
    parameters.BackBufferHeight = 480;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_FLIP;
    parameters.hDeviceWindow = g_Window;
    parameters.Windowed = TRUE;
    return parameters;
  }

  // Draws the texture at (10, 10) through the engine's frame and returns the pixel
  // in its middle.
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
};

TEST_F(DeviceLossTest, LayerGoesThroughLostNotResetAndReady) {
  IDirect3DTexture9* picture = MakeTexture(D3DPOOL_MANAGED, 0xFFFF0000);
  IDirect3DTexture9* glyph = MakeTexture(D3DPOOL_DEFAULT, 0xFF00FF00);
  testkit::LoseDevice();
  EXPECT_EQ(g_Device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Lost);

  D3DPRESENT_PARAMETERS parameters = Windowed640();
  EXPECT_EQ(g_Device->Reset(&parameters), D3DERR_DEVICELOST) << "no reset while still lost";
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(g_Device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
  EXPECT_EQ(g_Device->Reset(&parameters), D3DERR_INVALIDCALL) << "a default-pool texture is alive";
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  glyph->Release();
  EXPECT_EQ(g_Device->Reset(&parameters), D3D_OK);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3D_OK);
  EXPECT_EQ(g_Device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  picture->Release();
}

TEST_F(DeviceLossTest, RenderTargetResetLosesTheDeviceToo) {
  SDL_Event event{};
  event.type = SDL_RENDER_TARGETS_RESET;
  SDL_PushEvent(&event);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
}

TEST_F(DeviceLossTest, LostAnswersAndRefusedResetsFollowTheTestKit) {
  testkit::SetLostAnswers(3);
  testkit::FailResets(1);
  testkit::LoseDevice();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  D3DPRESENT_PARAMETERS parameters = Windowed640();
  EXPECT_EQ(g_Device->Reset(&parameters), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  EXPECT_EQ(g_Device->Reset(&parameters), D3D_OK);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(DeviceLossTest, ManagedTextureKeepsItsPixelsAcrossReset) {
  IDirect3DTexture9* picture = MakeTexture(D3DPOOL_MANAGED, 0xFF2040C0);
  EXPECT_EQ(DrawAndSample(picture), 0xFF2040C0u);
  testkit::LoseDevice();
  EXPECT_FALSE(PumpMessages());
  EXPECT_TRUE(BeginFrame());
  EXPECT_FALSE(EndFrame(true));
  while (!RestoreDevice()) {
  }
  EXPECT_EQ(DrawAndSample(picture), 0xFF2040C0u);
  picture->Release();
}

TEST_F(DeviceLossTest, EngineRestoresInThreeCalls) {
  testkit::LoseDevice();
  EXPECT_FALSE(PumpMessages());
  EXPECT_FALSE(IsDeviceLost()) << "the engine learns of the loss at presentation";
  ASSERT_TRUE(BeginFrame());
  EXPECT_FALSE(EndFrame(true));
  EXPECT_TRUE(IsDeviceLost());
  EXPECT_EQ(GetSprite(), nullptr);

  unsigned presents = testkit::PresentCount(g_Device);
  EXPECT_FALSE(BeginFrame());
  EXPECT_TRUE(EndFrame(false)) << "already lost: nothing presented, nothing to report";
  EXPECT_EQ(testkit::PresentCount(g_Device), presents);

  EXPECT_FALSE(RestoreDevice());  // lost
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Lost);
  EXPECT_FALSE(RestoreDevice());  // not reset: Reset succeeds
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Usable);
  EXPECT_TRUE(RestoreDevice());   // ready: new sprite
  EXPECT_FALSE(IsDeviceLost());
  EXPECT_NE(GetSprite(), nullptr);
  EXPECT_FALSE(RestoreDevice()) << "nothing to restore";

  ASSERT_TRUE(BeginFrame());
  EXPECT_TRUE(EndFrame(true));
  EXPECT_EQ(testkit::PresentCount(g_Device), presents + 1);
}

TEST_F(DeviceLossTest, RestoreWaitsForDefaultPoolTexturesToGo) {
  IDirect3DTexture9* glyph = MakeTexture(D3DPOOL_DEFAULT, 0xFFFFFFFF);
  testkit::LoseDevice();
  ASSERT_TRUE(BeginFrame());
  EXPECT_FALSE(EndFrame(true));
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(RestoreDevice());
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::NotReset);
  glyph->Release();
  EXPECT_FALSE(RestoreDevice());
  EXPECT_TRUE(RestoreDevice());
}

TEST_F(DeviceLossTest, ResetRestoresDefaultRenderStates) {
  testkit::LoseDevice();
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  D3DPRESENT_PARAMETERS parameters = Windowed640();
  ASSERT_EQ(g_Device->Reset(&parameters), D3D_OK);
  EXPECT_EQ(testkit::RenderState(g_Device, D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
  EXPECT_EQ(testkit::RenderState(g_Device, D3DRS_LIGHTING), static_cast<DWORD>(TRUE));
}

}  // namespace
