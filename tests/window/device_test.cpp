// A lost device and the engine's recovery: lost (as often as the device says so), then
// not reset (Reset waits for default-pool textures to go, and may be refused), then
// ready; managed textures keep their pixels.
#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/d3d9/renderer_choice.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/testkit/direct3d.h"
#include "tests/support/TempFolder.h"
#include "tests/window/WindowKit.h"

namespace {

TEST_F(WindowTest, EngineRestoresOnceResetIsPossibleAndManagedPixelsSurvive) {
  OpenInstallerWindow();
  testkit::CaptureFrames(true);
  const std::vector<std::uint32_t> pixels(8 * 8, 0xFF2040C0);
  IDirect3DTexture9 *picture = nullptr, *glyph = nullptr;
  ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 8, 8, pixels.data(), D3DPOOL_MANAGED, &picture), D3D_OK);
  ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 8, 8, pixels.data(), D3DPOOL_DEFAULT, &glyph), D3D_OK);
  // Draws the picture at the origin through the engine's frame; the pixel in its middle.
  auto drawAndSample = [picture] {
    EXPECT_TRUE(BeginFrame());
    GetSprite()->Draw(picture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    EXPECT_TRUE(EndFrame(true));
    return testkit::LastFrame().At(4, 4);
  };
  EXPECT_EQ(drawAndSample(), 0xFF2040C0u);
  testkit::SetLostAnswers(2);
  testkit::FailResets(1);
  // SDL lost the render targets (testkit::LoseDevice: the whole renderer); the engine
  // learns of it at presentation.
  SDL_Event event{};
  event.type = SDL_RENDER_TARGETS_RESET;
  SDL_PushEvent(&event);
  EXPECT_FALSE(PumpMessages());
  EXPECT_FALSE(IsDeviceLost());
  ASSERT_TRUE(BeginFrame());
  EXPECT_FALSE(EndFrame(true));
  EXPECT_TRUE(IsDeviceLost());
  EXPECT_EQ(GetSprite(), nullptr);

  const unsigned presents = testkit::PresentCount(g_Device);
  EXPECT_FALSE(BeginFrame());
  EXPECT_TRUE(EndFrame(false)) << "already lost: nothing presented, nothing to report";
  EXPECT_EQ(testkit::PresentCount(g_Device), presents);

  for (testkit::Stage after : {testkit::Stage::Lost, testkit::Stage::Lost, testkit::Stage::NotReset,
                               testkit::Stage::NotReset}) {
    EXPECT_FALSE(RestoreDevice());  // lost twice, then Reset refused: a default-pool texture lives
    EXPECT_EQ(testkit::DeviceStage(g_Device), after);
  }
  glyph->Release();
  EXPECT_FALSE(RestoreDevice()) << "the reset is refused once";
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::NotReset);
  EXPECT_FALSE(RestoreDevice());  // Reset succeeds
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Usable);
  EXPECT_TRUE(RestoreDevice());  // ready
  ASSERT_NE(GetSprite(), nullptr) << "a new sprite";
  EXPECT_FALSE(IsDeviceLost());
  EXPECT_FALSE(RestoreDevice()) << "nothing to restore";
  EXPECT_EQ(drawAndSample(), 0xFF2040C0u);
  EXPECT_EQ(testkit::PresentCount(g_Device), presents + 1);
  picture->Release();
}

// OpenGL counts as a GPU only with the server's DRI and a local device node, or with a
// GPU maker's own GLX; a forced software Mesa or no GLX at all is software.
TEST_F(WindowTest, OpenGlIsSoftwareWithoutDriAndDeviceOrWhenForced) {
  const struct { layer::OpenGlFacts facts; bool software; } rows[] = {
      {{false, true, false, true, true}, false},   // Mesa on a GPU
      {{false, true, false, false, false}, true},  // Xvfb, VNC: no DRI, no device
      {{false, true, false, true, false}, true},   // DRI offered by a server elsewhere
      {{false, true, false, false, true}, true},   // a device, but the server offers no DRI
      {{false, true, true, false, false}, false},  // NVIDIA's GLX
      {{true, true, false, true, true}, true},     // LIBGL_ALWAYS_SOFTWARE
      {{false, false, false, true, true}, true}};  // no GLX
  for (const auto& row : rows) {
    const layer::OpenGlFacts& f = row.facts;
    EXPECT_EQ(layer::IsSoftwareOpenGl(f), row.software)
        << f.softwareForced << f.glx << f.vendorGlx << f.dri << f.drmDevice;
  }
  // The facts themselves: the server's extensions, LIBGL_ALWAYS_SOFTWARE's value, and
  // the nodes of /dev/dri.
  const struct { std::set<std::string> offered; bool glx, vendorGlx, dri; } servers[] = {
      {{"GLX", "DRI2"}, true, false, true},
      {{"GLX", "DRI3"}, true, false, true},
      {{"GLX"}, true, false, false},
      {{"GLX", "NV-GLX"}, true, true, false},
      {{}, false, false, false}};
  for (const auto& server : servers) {
    SCOPED_TRACE(&server - servers);
    const layer::OpenGlFacts f =
        layer::ServerFacts([&](const char* extension) { return server.offered.count(extension) > 0; });
    EXPECT_EQ(std::make_tuple(f.glx, f.vendorGlx, f.dri), std::make_tuple(server.glx, server.vendorGlx, server.dri));
    EXPECT_FALSE(f.softwareForced || f.drmDevice) << "not the server's to say";
  }
  for (const auto& [value, says] : std::vector<std::pair<const char*, bool>>{
           {nullptr, false}, {"", false}, {"0", false}, {"false", false}, {"1", true}, {"true", true}}) {
    EXPECT_EQ(layer::SaysYes(value), says) << (value ? value : "unset");
  }
  testsupport::TempFolder dri("dri");
  EXPECT_FALSE(layer::HasDrmDevice(dri.File("missing").c_str()));
  for (const auto& [node, device] : std::vector<std::pair<const char*, bool>>{
           {"by-path", false}, {"controlD64", false}, {"renderD128", true}, {"card0", true}}) {
    const std::string folder = dri.File(std::string("with-") + node);  // that node alone
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/" + node).close();
    EXPECT_EQ(layer::HasDrmDevice(folder.c_str()), device) << node;
  }
}

}  // namespace
