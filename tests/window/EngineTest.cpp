// Engine start-up (the log, the window, the reason for a failed start, the scene
// registry) and the main loop: the order within an iteration, scene and overlay
// switching, quitting, closing the window, an inactive window and a lost device.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Engine.h"
#include "engine/Log.h"
#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/display.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "platform/win32/strings.h"
#include "tests/support/TempFolder.h"
#include "tests/window/WindowKit.h"

namespace {

// A 2 x 2 picture (binary PPM) for scenes that need a texture to exist.
const std::string kPicture = std::string("P6\n2 2\n255\n") + std::string(12, '\x7f');

// "kind x,y b<button> L R M w<wheel>" for pointer events, "kind k<key> s<symbol>" for keys.
std::string Describe(const CTEvent& e) {
  if (e.kind >= CTEvent::KeyPress) return std::to_string(e.kind) + " k" + std::to_string(e.key) + " s" + std::to_string(e.symbol);
  return std::to_string(e.kind) + " " + std::to_string(e.x) + "," + std::to_string(e.y) + " b" + std::to_string(e.button) +
         " " + std::to_string(e.leftDown) + std::to_string(e.rightDown) + std::to_string(e.middleDown) + " w" +
         std::to_string(e.wheel);
}

class MainLoopTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    // A cursor that stays at the client origin raises no pointer events.
    testkit::MoveCursorToClient(g_Window, 0, 0);
    g_Scenes.clear();
    g_Overlays.clear();
    g_Scenes[NoScene] = &g_EmptyScene;
    g_Overlays[NoScene] = &slot;  // stands in for the empty scene, to be watched
    picture.LoadFromMemory(kPicture.data(), static_cast<std::uint32_t>(kPicture.size()));
  }
  void TearDown() override {
    ReleaseAllTextures();
    g_Scenes.clear();
    g_Overlays.clear();
    g_CurrentScene = g_CurrentOverlay = NoScene;
    WindowTest::TearDown();
  }
  // Lines of the journal that begin with one of the prefixes, in order.
  Journal Only(std::initializer_list<std::string> prefixes) const {
    Journal kept;
    for (const std::string& line : journal) {
      for (const std::string& prefix : prefixes) {
        if (line.rfind(prefix, 0) == 0) {
          kept.push_back(line);
          break;
        }
      }
    }
    return kept;
  }
  // Registers first (and second) as scenes and runs from first.
  void Run(ScriptedScene& first, ScriptedScene* second = nullptr) {
    RegisterScene(&first);
    if (second) RegisterScene(second);
    RunEngine(first.GetId());
  }

  Journal journal;
  ScriptedScene slot{"O", NoScene, journal};
  ScriptedScene first{"S1", SplashScene, journal}, second{"S2", MenuScene, journal}, overlay{"P", 5, journal};
  CTTexture picture;
};

void QuitAt(ScriptedScene& scene, int at) {
  scene.onUpdate = [at](ScriptedScene& self, int update) {
    if (update == at) self.next = QuitScene;
  };
}

TEST_F(MainLoopTest, EventsOfOneIterationComeInTheirFixedOrder) {
  testkit::MoveCursorToClient(g_Window, 100, 100);
  testkit::PressMouseButton(1);
  testkit::PressMouseButton(0);
  testkit::TurnWheel(1);
  testkit::TypeText("q");
  testkit::PressKey(SDL_SCANCODE_T);  // key code 20
  first.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) {
      testkit::ReleaseKey(SDL_SCANCODE_T);
      testkit::PressKey(SDL_SCANCODE_A);  // key code 30
      testkit::ReleaseMouseButton(0);
      testkit::PressMouseButton(2);
      testkit::PressKey(SDL_SCANCODE_B);  // down and up between two polls: both seen
      testkit::ReleaseKey(SDL_SCANCODE_B);
      testkit::MoveCursorToClient(g_Window, -5, 10);
    }
    if (update == 2) self.next = QuitScene;
  };
  Run(first);
  Journal seen;
  for (const CTEvent& event : first.events) seen.push_back(Describe(event));
  // First iteration: pointer, presses (left before right), wheel, character, keys.
  // Second: leaving the area, presses before releases, keys ascending. Third: the
  // release of the key that went down and up between the polls.
  EXPECT_EQ(seen, (Journal{"1 100,100 b0 110 w120", "2 100,100 b0 110 w120", "2 100,100 b1 110 w120",
                           "4 100,100 b4 110 w120", "9 k0 s113", "7 k20 s0", "6 -5,10 b0 011 w0",
                           "2 -5,10 b2 011 w0", "3 -5,10 b0 011 w0", "8 k20 s0", "7 k30 s0", "7 k48 s0",
                           "8 k48 s0"}));
}

TEST_F(MainLoopTest, PointerEdgesOfTheDrawingArea) {
  // Each step moves the cursor; the next iteration reports it.
  const std::vector<POINT> path = {{639, 479}, {640, 479}, {700, 10}, {0, 0}, {0, 480}};
  first.onUpdate = [&path](ScriptedScene& self, int update) {
    if (update <= static_cast<int>(path.size())) {
      testkit::MoveCursorToClient(g_Window, path[update - 1].x, path[update - 1].y);
    } else {
      self.next = QuitScene;
    }
  };
  Run(first);
  std::vector<int> kinds;
  for (const CTEvent& event : first.events) kinds.push_back(event.kind);
  EXPECT_EQ(kinds, (std::vector<int>{CTEvent::MouseMove, CTEvent::MouseOut, CTEvent::MouseMove, CTEvent::MouseIn,
                                     CTEvent::MouseOut}));
}

// A scene that answers its own id is paused, left, entered and resumed again, with the
// device textures released in between.
TEST_F(MainLoopTest, SwitchPausesLeavesReleasesThenEntersAndResumes) {
  first.picture = second.picture = &picture;
  first.journalTextures = second.journalTextures = true;
  first.onUpdate = [](ScriptedScene& self, int) { self.next = MenuScene; };
  second.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 2) testkit::PressKey(SDL_SCANCODE_ESCAPE);
    self.next = update == 1 ? MenuScene : QuitScene;
  };
  Run(first, &second);
  Journal expected = {"S1.Enter(textures=0)", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      // the switch: the old scene goes, device textures go, the new one comes
                      "S1.Pause", "S1.Leave(textures=1)", "S2.Enter(textures=0)", "S2.Resume", "S2.Update", "O.Update",
                      "S2.Draw", "O.Draw", "S2.Pause", "S2.Leave(textures=1)", "S2.Enter(textures=0)", "S2.Resume",
                      "S2.Update", "O.Update", "S2.Draw", "O.Draw",
                      // the quit: the scene that answered 255 still gets the iteration's events
                      "S2.Pause", "S2.Leave(textures=1)", "S2.Event7", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_EQ(g_CurrentScene, MenuScene) << "the current scene stays on quit";
}

TEST_F(MainLoopTest, ClosingTheWindowReturnsWithoutPauseOrLeave) {
  first.onUpdate = [](ScriptedScene&, int update) {
    if (update == 1) testkit::CloseWindow(g_Window);
  };
  Run(first);
  EXPECT_EQ(Only({"S1.Pause", "S1.Leave", "O.Pause", "O.Leave"}), Journal{});
  EXPECT_EQ(first.updates, 2) << "the iteration that closed the window still ran";
}

TEST_F(MainLoopTest, InactiveWindowStandsStillAndCatchesUpOnInput) {
  first.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) {
      // One message per iteration: focus lost, three characters, focus back.
      testkit::LoseFocus(g_Window);
      testkit::TypeText("abc");
      testkit::PressKey(SDL_SCANCODE_A);
      testkit::GainFocus(g_Window);
    }
    if (update == 2) self.next = QuitScene;
  };
  Run(first);
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "S1.Event9",
                              "S1.Event7", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "S1.Pause", "S1.Leave",
                              "O.Pause", "O.Leave"}));
  ASSERT_EQ(first.events.size(), 2u);
  EXPECT_EQ(first.events[0].symbol, u'c') << "only the last of the characters typed meanwhile";
  EXPECT_EQ(first.events[1].key, DIK_A);
  EXPECT_EQ(testkit::PresentCount(g_Device), 2u) << "nothing is drawn while inactive";
}

TEST_F(MainLoopTest, LostDevicePausesAndRestoredDeviceResumes) {
  first.picture = &picture;
  first.onUpdate = [this](ScriptedScene& self, int update) {
    if (update == 1) testkit::LoseDevice();
    if (update == 2) {
      EXPECT_TRUE(g_Textures.empty()) << "released at the loss";
      EXPECT_FALSE(picture.IsCreated());
      self.next = QuitScene;
    }
  };
  Run(first);
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "O.Pause",
                              "S1.Pause", "S1.Resume", "O.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                              "S1.Pause", "S1.Leave", "O.Pause", "O.Leave"}));
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Usable);
}

// The overlay opens when the slot's scene answers its id, holds the input, closes on
// 255; a scene switch closes an open overlay too.
TEST_F(MainLoopTest, OverlayOpensTakesEventsAndClosesByItselfOrAtASwitch) {
  g_Overlays[5] = &overlay;
  slot.onUpdate = [](ScriptedScene& self, int update) { self.next = update <= 2 ? SceneId{5} : SceneId{NoScene}; };
  overlay.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) testkit::PressKey(SDL_SCANCODE_SPACE);
    if (update == 2) self.next = QuitScene;
  };
  first.onUpdate = [](ScriptedScene& self, int update) { self.next = update == 5 ? MenuScene : NoScene; };
  QuitAt(second, 1);
  Run(first, &second);
  Journal expected = {"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      // the slot's scene answers 5: it goes, the overlay comes, no release
                      "S1.Update", "O.Pause", "O.Leave", "P.Enter", "P.Resume", "P.Update", "S1.Draw", "P.Draw",
                      // the overlay holds the input
                      "P.Event7", "S1.Update", "P.Update", "S1.Draw", "P.Draw",
                      // it answers 255: the empty slot again
                      "S1.Update", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "O.Update", "S1.Draw", "O.Draw",
                      // open again, then the scene switch closes it before the new scene comes
                      "S1.Update", "O.Pause", "O.Leave", "P.Enter", "P.Resume", "P.Update", "S1.Draw", "P.Draw",
                      "S1.Pause", "S1.Leave", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "S2.Enter", "S2.Resume",
                      "S2.Update", "O.Update", "S2.Draw", "O.Draw", "S2.Pause", "S2.Leave", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  EXPECT_EQ(g_CurrentOverlay, NoScene);
}

class MainLoopDeathTest : public MainLoopTest {
 protected:
  void TearDown() override {
    g_LogPath.clear();
    MainLoopTest::TearDown();
  }
  // Reads the log that ENGINE_TEST_LOG names and leaves the engine writing to it.
  static std::wstring ReadLog() {
    g_LogPath = layer::Utf8ToWide(getenv("ENGINE_TEST_LOG"));
    std::wstring text = LogReader().Text();  // which clears g_LogPath
    g_LogPath = layer::Utf8ToWide(getenv("ENGINE_TEST_LOG"));
    return text;
  }
  testsupport::TempFolder folder{"engine_death"};
};

// An id under which nothing is registered is an engine ERROR: logged, on stderr, and
// the program ends with the failure exit code rather than as a success.
TEST_F(MainLoopDeathTest, AnUnregisteredIdIsAnErrorThatEndsTheProgram) {
  // The window's threads make a plain fork unsafe: the child runs the test anew, and
  // finds the log file through the environment.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!getenv("ENGINE_TEST_LOG")) setenv("ENGINE_TEST_LOG", folder.File("log.txt").c_str(), 1);
  std::ofstream(getenv("ENGINE_TEST_LOG"), std::ios::app).close();
  ReadLog();
  RegisterScene(&first);
  const struct {
    SceneId run;
    ScriptedScene* asking;
    SceneId answer;
    std::wstring message;
  } cases[] = {{MenuScene, nullptr, NoScene, L"First scene 2 is not registered"},
               {SplashScene, &first, 42, L"Next scene 42 is not registered"},
               {SplashScene, &slot, 7, L"Overlay scene 7 is not registered"}};
  for (const auto& c : cases) {
    if (c.asking) c.asking->onUpdate = [answer = c.answer](ScriptedScene& self, int) { self.next = answer; };
    EXPECT_EXIT(RunEngine(c.run), ::testing::ExitedWithCode(3), layer::WideToUtf8(c.message));
    EXPECT_NE(ReadLog().find(L"ERROR    " + c.message + L"\r\n"), std::wstring::npos) << layer::WideToUtf8(c.message);
    if (c.asking) c.asking->onUpdate = nullptr;
  }
}

class InitializeEngineTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setenv("ALLUSERS", folder.Path().c_str(), 1);
    g_Scenes.clear();
    g_Overlays.clear();
    testkit::SetScreenSize(1280, 1024);
  }
  void TearDown() override {
    unsetenv("ALLUSERS");
    g_Scenes.clear();
    g_Overlays.clear();
    WindowTest::TearDown();
  }
  bool Start(int width = 640, int height = 480) {
    return InitializeEngine(L"Tamblor Games", L"QuellorMobileInstaller", L"Quellor", width, height, 0, 0, false,
                            nullptr, nullptr, nullptr);
  }

  testsupport::TempFolder folder{"engine"};
  LogReader log;  // reads whatever g_LogPath names, and clears it
};

TEST_F(InitializeEngineTest, OpensLogWindowAndFillsSlotZero) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(std::filesystem::path(g_LogPath).parent_path(),
            std::filesystem::path(folder.Path()) / "Tamblor Games" / "QuellorMobileInstaller" / "Logs");
  EXPECT_TRUE(log.Holds(L"INFO     Engine Initialization Done"));
  EXPECT_LT(log.Text().find(L"INFO     Window Created"), log.Text().find(L"INFO     Engine Initialization Done"));
  EXPECT_EQ(std::tuple(g_Scenes.at(NoScene), g_Overlays.at(NoScene)), std::tuple(&g_EmptyScene, &g_EmptyScene));
  EXPECT_EQ(std::tuple(g_EmptyScene.GetId(), g_EmptyScene.GetNextScene()), std::tuple(NoScene, NoScene));
  const testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  EXPECT_EQ(std::tuple(facts.title, facts.clientWidth, facts.clientHeight), std::tuple(L"Quellor", 640, 480));
}

TEST_F(InitializeEngineTest, FailuresAreLoggedWithTheirReason) {
  testkit::SetSafeMode(1);
  EXPECT_FALSE(Start());
  EXPECT_TRUE(log.Holds(L"ERROR    Can't Run in Safe Mode"));
  EXPECT_TRUE(g_Scenes.empty());
  testkit::SetSafeMode(0);

  EXPECT_FALSE(Start(0, 0));
  EXPECT_TRUE(log.Holds(L"ERROR    Display Should Support 1024x768 or 1280x800"));

  testkit::FailDirect3DCreate(true);
  EXPECT_FALSE(Start());
  EXPECT_TRUE(log.Holds(L"ERROR    Direct3D Failed"));
  EXPECT_EQ(testkit::WindowCount(), 0);
}

TEST_F(InitializeEngineTest, RegistrationUnderZeroAndTheEmptyScene) {
  Journal journal;
  ScriptedScene before("B", NoScene, journal), after("A", NoScene, journal);
  RegisterScene(&before);
  ASSERT_TRUE(Start());
  EXPECT_EQ(g_Scenes.at(NoScene), &g_EmptyScene) << "stored later than the scene registered before";
  RegisterScene(&after);
  EXPECT_EQ(g_Scenes.at(NoScene), &after);
  EXPECT_EQ(g_Overlays.at(NoScene), &g_EmptyScene) << "registration never touches the overlay map";
  RegisterScene(nullptr);
  EXPECT_EQ(g_Scenes.size(), 1u);
  ScriptedScene early("E", SplashScene, journal), later("L", SplashScene, journal);
  RegisterScene(&early);
  RegisterScene(&later);  // replaces the earlier one, which is not told
  EXPECT_EQ(g_Scenes.at(SplashScene), &later);
  EXPECT_TRUE(journal.empty());
}

}  // namespace
