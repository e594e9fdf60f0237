// Engine start-up: the log, the window and the reason for a failed start; the scene
// registry.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "platform/testkit/windows.h"
#include "tests/window/log_reader.h"
#include "tests/window/scripted_scene.h"
#include "tests/window/window_fixture.h"

namespace {

class InitializeEngineTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    folder = std::filesystem::temp_directory_path() / ("quellor_engine_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    setenv("ALLUSERS", folder.c_str(), 1);
    g_Scenes.clear();
    g_Overlays.clear();
    testkit::SetScreenSize(1280, 1024);
  }
  void TearDown() override {
    unsetenv("ALLUSERS");
    g_LogPath.clear();
    g_Scenes.clear();
    g_Overlays.clear();
    std::filesystem::remove_all(folder);
    WindowTest::TearDown();
  }
  bool Start() {
    return InitializeEngine(L"Tamblor Games", L"QuellorMobileInstaller", L"Quellor", 640, 480, 0, 0, false, nullptr,
                            nullptr, nullptr);
  }
  std::wstring Log() const { return log.Text(); }

  std::filesystem::path folder;
  LogReader log;  // reads whatever g_LogPath names
};

TEST_F(InitializeEngineTest, OpensLogWindowAndFillsSlotZero) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(std::filesystem::path(g_LogPath).parent_path(), folder / "Tamblor Games" / "QuellorMobileInstaller" / "Logs");
  std::wstring text = Log();
  std::size_t created = text.find(L"INFO     Window Created");
  std::size_t done = text.find(L"INFO     Engine Initialization Done");
  EXPECT_NE(created, std::wstring::npos);
  EXPECT_NE(done, std::wstring::npos);
  EXPECT_LT(created, done);
  EXPECT_EQ(g_Scenes.at(NoScene), &g_EmptyScene);
  EXPECT_EQ(g_Overlays.at(NoScene), &g_EmptyScene);
  EXPECT_EQ(g_EmptyScene.GetId(), NoScene);
  EXPECT_EQ(g_EmptyScene.GetNextScene(), NoScene);
  testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  EXPECT_EQ(facts.title, L"Quellor");
  EXPECT_EQ(facts.clientWidth, 640);
  EXPECT_EQ(facts.clientHeight, 480);
}

TEST_F(InitializeEngineTest, FailuresAreLoggedWithTheirReason) {
  testkit::SetSafeMode(1);
  EXPECT_FALSE(Start());
  EXPECT_NE(Log().find(L"ERROR    Can't Run in Safe Mode"), std::wstring::npos);
  EXPECT_TRUE(g_Scenes.empty());
  testkit::SetSafeMode(0);

  EXPECT_FALSE(InitializeEngine(L"Tamblor Games", L"QuellorMobileInstaller", L"Q", 0, 0, 0, 0, false, nullptr,
                                nullptr, nullptr));
  EXPECT_NE(Log().find(L"ERROR    Display Should Support 1024x768 or 1280x800"), std::wstring::npos);

  testkit::FailDirect3DCreate(true);
  EXPECT_FALSE(Start());
  EXPECT_NE(Log().find(L"ERROR    Direct3D Failed"), std::wstring::npos);
  EXPECT_EQ(testkit::WindowCount(), 0);
}

TEST_F(InitializeEngineTest, RegistrationUnderZeroAndTheEmptyScene) {
  std::vector<std::string> journal;
  ScriptedScene before("B", NoScene, journal), after("A", NoScene, journal);
  RegisterScene(&before);
  ASSERT_TRUE(Start());
  EXPECT_EQ(g_Scenes.at(NoScene), &g_EmptyScene) << "stored later than the scene registered before";
  RegisterScene(&after);
  EXPECT_EQ(g_Scenes.at(NoScene), &after);
  EXPECT_EQ(g_Overlays.at(NoScene), &g_EmptyScene) << "registration never touches the overlay map";
  RegisterScene(nullptr);
  EXPECT_EQ(g_Scenes.size(), 1u);
}

}  // namespace
