// Engine start-up (the log, the window, the reason for a failed start, the scene
// registry) and the main loop: the order within an iteration, scene and overlay
// switching, quitting, closing the window, an inactive window and a lost device.
#include <SDL.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "engine/Engine.h"
#include "engine/Log.h"
#include "platform/testkit/clock.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/input.h"
#include "platform/testkit/windows.h"
#include "platform/win32/strings.h"
#include "platform/win32/threads.h"
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
    g_Scenes = {{NoScene, &g_EmptyScene}};
    g_Overlays = {{NoScene, &slot}};  // stands in for the empty scene, to be watched
    picture.LoadFromMemory(kPicture.data(), static_cast<std::uint32_t>(kPicture.size()));
    testkit::UseVirtualClock(true);  // a loop that waits does so at once
  }
  void TearDown() override {
    testkit::UseVirtualClock(false);
    ReleaseAllTextures();
    g_Scenes.clear(), g_Overlays.clear();
    g_CurrentScene = g_CurrentOverlay = NoScene;
    WindowTest::TearDown();
  }
  // Registers the two scenes and runs from the first.
  void Run() { RegisterScene(&first), RegisterScene(&second), RunEngine(first.GetId()); }
  // From now on the loop's looks at an empty message queue go into the journal: "Look"
  // when a message pump found nothing, "Wait<ms>" for a wait. At the given look the
  // action runs and the journal stops; a loop that never waits thus still gets there.
  void WatchIdleLoop(int look, std::function<void()> action) {
    idleLooks = 0;
    testkit::WatchEmptyQueue([this, look, action](std::uint32_t waited) {
      journal.push_back(waited > 0 ? "Wait" + std::to_string(waited) : "Look");
      if (++idleLooks != look) return;
      testkit::WatchEmptyQueue(nullptr);
      action();
    });
  }
  int idleLooks = 0;

  Journal journal;
  ScriptedScene slot{"O", NoScene, journal};
  ScriptedScene first{"S1", SplashScene, journal}, second{"S2", MenuScene, journal}, overlay{"P", 5, journal};
  CTTexture picture;
};

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
    // Then along the edges of the drawing area, one step per iteration.
    const POINT edges[] = {{0, 0}, {639, 479}, {640, 479}, {700, 10}, {0, 0}, {0, 480}};
    if (update >= 2 && update <= 7) testkit::MoveCursorToClient(g_Window, edges[update - 2].x, edges[update - 2].y);
    if (update == 8) self.next = QuitScene;
  };
  Run();
  Journal seen;
  for (const CTEvent& event : first.events) seen.push_back(Describe(event));
  // First iteration: pointer, presses (left before right), wheel, character, keys.
  // Second: leaving the area, presses before releases, keys ascending. Third: the
  // release of the key that went down and up between the polls. Then the edges: inside
  // from 0,0 up to 639,479, outside from 640 and 480 on.
  EXPECT_EQ(seen, (Journal{"1 100,100 b0 110 w120", "2 100,100 b0 110 w120", "2 100,100 b1 110 w120",
                           "4 100,100 b4 110 w120", "9 k0 s113", "7 k20 s0", "6 -5,10 b0 011 w0", "2 -5,10 b2 011 w0",
                           "3 -5,10 b0 011 w0", "8 k20 s0", "7 k30 s0", "7 k48 s0", "5 0,0 b0 011 w0", "8 k48 s0",
                           "1 639,479 b0 011 w0", "6 640,479 b0 011 w0", "1 700,10 b0 011 w0", "5 0,0 b0 011 w0",
                           "6 0,480 b0 011 w0"}));
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
  Run();
  // At a switch the old scene goes, device textures go, the new one comes; at the quit
  // the scene that answered 255 still gets the iteration's events.
  EXPECT_EQ(journal, (Journal{"S1.Enter(textures=0)", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
      "S1.Pause", "S1.Leave(textures=1)", "S2.Enter(textures=0)", "S2.Resume", "S2.Update", "O.Update", "S2.Draw",
      "O.Draw", "S2.Pause", "S2.Leave(textures=1)", "S2.Enter(textures=0)", "S2.Resume", "S2.Update", "O.Update",
      "S2.Draw", "O.Draw", "S2.Pause", "S2.Leave(textures=1)", "S2.Event7", "O.Pause", "O.Leave"}));
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_EQ(g_CurrentScene, MenuScene) << "the current scene stays on quit";
}

TEST_F(MainLoopTest, ClosingTheWindowReturnsWithoutPauseOrLeave) {
  first.onUpdate = [](ScriptedScene&, int update) { if (update == 1) testkit::CloseWindow(g_Window); };
  Run();
  // The iteration that closed the window still runs; then nothing is paused or left.
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "S1.Update",
                              "O.Update", "S1.Draw", "O.Draw"}));
}

// An active window with no input draws every iteration and never waits for a message.
TEST_F(MainLoopTest, ActiveWindowDrawsEveryFrameWithoutWaiting) {
  DWORD watchedAt = 0;
  first.onUpdate = [&](ScriptedScene& self, int update) {
    if (update == 1) watchedAt = GetTickCount(), WatchIdleLoop(3, [] {});
    if (update == 4) self.next = QuitScene;
  };
  Run();
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "Look",
                              "S1.Update", "O.Update", "S1.Draw", "O.Draw", "Look", "S1.Update", "O.Update", "S1.Draw",
                              "O.Draw", "Look", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "S1.Pause", "S1.Leave",
                              "O.Pause", "O.Leave"}));
  EXPECT_EQ(GetTickCount() - watchedAt, 0u);
  EXPECT_EQ(testkit::PresentCount(g_Device), 4u);
}

// An inactive iteration that finds no message waits for the next one, at most 100 ms;
// one that finds a message does not wait, nor does an active one.
TEST_F(MainLoopTest, InactiveWindowWaitsForMessagesAndCatchesUpOnInput) {
  DWORD lostAt = 0, regainedAt = 0;
  first.onUpdate = [&](ScriptedScene& self, int update) {
    if (update == 1) {
      // One message per iteration: focus lost, three characters; then an empty queue.
      lostAt = GetTickCount();
      testkit::LoseFocus(g_Window);
      testkit::TypeText("abc");
      WatchIdleLoop(4, [] {
        testkit::PressKey(SDL_SCANCODE_A);
        testkit::GainFocus(g_Window);
      });
    }
    if (update == 2) {
      regainedAt = GetTickCount();
      self.next = QuitScene;
    }
  };
  Run();
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "Look",
                              "Wait100", "Look", "Wait100", "S1.Event9", "S1.Event7", "S1.Update", "O.Update",
                              "S1.Draw", "O.Draw", "S1.Pause", "S1.Leave", "O.Pause", "O.Leave"}));
  EXPECT_EQ(regainedAt - lostAt, 200u) << "each wait lasts its bound while nothing comes";
  // Of the characters typed meanwhile only the last one.
  EXPECT_EQ(std::tuple(first.events.at(0).symbol, first.events.at(1).key), std::tuple(u'c', DIK_A));
  EXPECT_EQ(testkit::PresentCount(g_Device), 2u) << "nothing is drawn while inactive";
}

// Every iteration without a message offers a lost device restoring, and waits when
// that fails.
TEST_F(MainLoopTest, LostDevicePausesRetriesAfterWaitsAndResumes) {
  first.picture = &picture;
  first.onUpdate = [this](ScriptedScene& self, int update) {
    if (update == 1) {
      testkit::LoseDevice();
      WatchIdleLoop(4, [] {});
    }
    if (update != 2) return;
    EXPECT_FALSE(picture.IsCreated()) << "released at the loss";
    self.next = QuitScene;
  };
  Run();
  // Lost once, then not reset (Reset), then ready.
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "O.Pause",
                              "S1.Pause", "Look", "Wait100", "Look", "Wait100", "S1.Resume", "O.Resume",
                              "S1.Update", "O.Update", "S1.Draw", "O.Draw", "S1.Pause", "S1.Leave", "O.Pause",
                              "O.Leave"}));
}

TEST_F(MainLoopTest, ClosingWhileTheDeviceStaysLostEndsTheLoopAtOnce) {
  testkit::SetLostAnswers(testkit::kHoldLost);
  DWORD lostAt = 0;
  first.onUpdate = [&](ScriptedScene&, int update) {
    if (update != 1) return;
    lostAt = GetTickCount();
    testkit::LoseDevice();
    WatchIdleLoop(6, [] { testkit::CloseWindow(g_Window); });  // at the third wait
  };
  Run();
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw", "O.Pause",
                              "S1.Pause", "Look", "Wait100", "Look", "Wait100", "Look", "Wait100"}));
  EXPECT_EQ(GetTickCount() - lostAt, 300u);
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Lost);
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
  second.onUpdate = [](ScriptedScene& self, int) { self.next = QuitScene; };
  Run();
  // Iteration by iteration: the slot's scene answers 5, it goes and the overlay comes,
  // no release; the overlay holds the input; it answers 255, the empty slot again; open
  // again, then the scene switch closes it before the new scene comes.
  EXPECT_EQ(journal, (Journal{"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
      "S1.Update", "O.Pause", "O.Leave", "P.Enter", "P.Resume", "P.Update", "S1.Draw", "P.Draw",
      "P.Event7", "S1.Update", "P.Update", "S1.Draw", "P.Draw",
      "S1.Update", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "O.Update", "S1.Draw", "O.Draw",
      "S1.Update", "O.Pause", "O.Leave", "P.Enter", "P.Resume", "P.Update", "S1.Draw", "P.Draw",
      "S1.Pause", "S1.Leave", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "S2.Enter", "S2.Resume",
      "S2.Update", "O.Update", "S2.Draw", "O.Draw", "S2.Pause", "S2.Leave", "O.Pause", "O.Leave"}));
  EXPECT_EQ(g_CurrentOverlay, NoScene);
}

using MainLoopDeathTest = MainLoopTest;

// An id under which nothing is registered is an engine ERROR: logged, on stderr, and
// the program ends with the failure exit code rather than as a success.
TEST_F(MainLoopDeathTest, AnUnregisteredIdIsAnErrorThatEndsTheProgram) {
  // The window's threads make a plain fork unsafe: the child runs the test anew, and
  // finds the log file through the environment.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testsupport::TempFolder folder("engine_death");
  if (!getenv("ENGINE_TEST_LOG")) setenv("ENGINE_TEST_LOG", folder.File("log.txt").c_str(), 1);
  std::ofstream(getenv("ENGINE_TEST_LOG"), std::ios::app).close();  // the log writes only into a file that exists
  RegisterScene(&first);
  const struct { SceneId run; ScriptedScene* asking; SceneId answer; std::wstring message; } cases[] = {
      {MenuScene, nullptr, NoScene, L"First scene 2 is not registered"},
      {SplashScene, &first, 42, L"Next scene 42 is not registered"},
      {SplashScene, &slot, 7, L"Overlay scene 7 is not registered"}};
  for (const auto& c : cases) {
    if (c.asking) c.asking->onUpdate = [answer = c.answer](ScriptedScene& self, int) { self.next = answer; };
    g_LogPath = layer::Utf8ToWide(getenv("ENGINE_TEST_LOG"));
    EXPECT_EXIT(RunEngine(c.run), ::testing::ExitedWithCode(3), layer::WideToUtf8(c.message));
    EXPECT_TRUE(LogReader().Holds(L"ERROR    " + c.message + L"\r\n"));  // which clears g_LogPath
    if (c.asking) c.asking->onUpdate = nullptr;
  }
}

class InitializeEngineTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    setenv("ALLUSERS", folder.Path().c_str(), 1);
    g_Scenes.clear(), g_Overlays.clear();
    testkit::SetScreenSize(1280, 1024);
  }
  void TearDown() override {
    unsetenv("ALLUSERS");
    g_Scenes.clear(), g_Overlays.clear();
    WindowTest::TearDown();
  }
  bool Start(int width = 640, int height = 480) {
    return InitializeEngine(L"Tamblor Games", L"QuellorMobileInstaller", L"Quellor", width, height, 0, 0, false,
                            nullptr, nullptr, nullptr);
  }

  testsupport::TempFolder folder{"engine"};
  LogReader log;  // reads whatever g_LogPath names, and clears it
};

// Of a scene registered under 0 and the empty scene the one stored later stays;
// registration never touches the overlay map, ignores null, and replaces an earlier
// scene of the same id without telling it.
TEST_F(InitializeEngineTest, OpensLogAndWindowThenRegistersUnderTheirIds) {
  Journal journal;
  ScriptedScene before("B", NoScene, journal), after("A", NoScene, journal);
  ScriptedScene early("E", SplashScene, journal), later("L", SplashScene, journal);
  RegisterScene(&before);
  ASSERT_TRUE(Start());
  EXPECT_EQ(std::filesystem::path(g_LogPath).parent_path(),
            std::filesystem::path(folder.Path()) / "Tamblor Games" / "QuellorMobileInstaller" / "Logs");
  EXPECT_TRUE(log.Holds(L"INFO     Engine Initialization Done"));
  EXPECT_LT(log.Text().find(L"INFO     Window Created"), log.Text().find(L"INFO     Engine Initialization Done"));
  EXPECT_EQ(std::tuple(g_EmptyScene.GetId(), g_EmptyScene.GetNextScene()), std::tuple(NoScene, NoScene));
  const testkit::WindowFacts facts = testkit::DescribeWindow(g_Window);
  EXPECT_EQ(std::tuple(facts.title, facts.clientWidth, facts.clientHeight), std::tuple(L"Quellor", 640, 480));
  EXPECT_EQ(std::tuple(g_Scenes.at(NoScene), g_Overlays.at(NoScene)), std::tuple(&g_EmptyScene, &g_EmptyScene));
  for (CTScene* scene : std::initializer_list<CTScene*>{&after, nullptr, &early, &later}) RegisterScene(scene);
  EXPECT_EQ(g_Scenes, (std::map<SceneId, CTScene*>{{NoScene, &after}, {SplashScene, &later}}));
  EXPECT_EQ(g_Overlays, (std::map<SceneId, CTScene*>{{NoScene, &g_EmptyScene}}));
  EXPECT_TRUE(journal.empty());
}

TEST_F(InitializeEngineTest, FailuresAreLoggedWithTheirReason) {
  const struct { void (*cause)(); int width, height; const wchar_t* error; } rows[] = {
      {[] { testkit::SetSafeMode(1); }, 640, 480, L"ERROR    Can't Run in Safe Mode"},
      {[] { testkit::SetSafeMode(0); }, 0, 0, L"ERROR    Display Should Support 1024x768 or 1280x800"},
      {[] { testkit::FailDirect3DCreate(true); }, 640, 480, L"ERROR    Direct3D Failed"}};
  for (const auto& row : rows) {
    row.cause();
    EXPECT_FALSE(Start(row.width, row.height));
    EXPECT_TRUE(log.Holds(row.error));
    EXPECT_TRUE(g_Scenes.empty());
  }
  EXPECT_EQ(testkit::WindowCount(), 0);
}

}  // namespace
