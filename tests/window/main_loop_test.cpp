// The main loop's order within an iteration, scene and overlay switching, quitting,
// closing the window, an inactive window and a lost device.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Engine.h"
#include "engine/Window.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/input.h"
#include "tests/window/log_reader.h"
#include "tests/window/scripted_scene.h"
#include "tests/window/window_fixture.h"

namespace {

using Journal = std::vector<std::string>;

// A 2 x 2 picture (binary PPM) for scenes that need a texture to exist.
const std::string kPicture = std::string("P6\n2 2\n255\n") + std::string(12, '\x7f');

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
    ASSERT_EQ(picture.GetSourceKind(), CTTexture::SourceKind::Memory);
  }
  void TearDown() override {
    ReleaseAllTextures();
    g_Scenes.clear();
    g_Overlays.clear();
    g_CurrentScene = g_CurrentOverlay = NoScene;
    log.Close();
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

  Journal journal;
  ScriptedScene slot{"O", NoScene, journal};
  CTTexture picture;
  LogReader log;
};

void QuitAt(ScriptedScene& scene, int at) {
  scene.onUpdate = [at](ScriptedScene& self, int update) {
    if (update == at) self.next = QuitScene;
  };
}

TEST_F(MainLoopTest, EventsOfOneIterationComeInTheirFixedOrder) {
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
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
      testkit::PressKey(SDL_SCANCODE_B);  // down and up between two polls: nothing
      testkit::ReleaseKey(SDL_SCANCODE_B);
      testkit::MoveCursorToClient(g_Window, -5, 10);
    }
    if (update == 2) self.next = QuitScene;
  };
  RunEngine(SplashScene);

  ASSERT_EQ(first.events.size(), 11u);
  const auto& e = first.events;
  // First iteration: pointer, presses (left before right), wheel, character, keys.
  EXPECT_EQ(e[0].kind, CTEvent::MouseMove);
  EXPECT_EQ(e[0].x, 100);
  EXPECT_EQ(e[0].y, 100);
  EXPECT_EQ(e[1].kind, CTEvent::MouseDown);
  EXPECT_EQ(e[1].button, 0);
  EXPECT_EQ(e[1].leftDown, 1);
  EXPECT_EQ(e[1].rightDown, 1);
  EXPECT_EQ(e[2].kind, CTEvent::MouseDown);
  EXPECT_EQ(e[2].button, 1);
  EXPECT_EQ(e[3].kind, CTEvent::MouseWheel);
  EXPECT_EQ(e[3].button, 4);
  EXPECT_EQ(e[3].wheel, 120);
  EXPECT_EQ(e[4].kind, CTEvent::Symbol);
  EXPECT_EQ(e[4].key, 0);
  EXPECT_EQ(e[4].symbol, u'q');
  EXPECT_EQ(e[5].kind, CTEvent::KeyPress);
  EXPECT_EQ(e[5].key, 20);
  EXPECT_EQ(e[5].symbol, 0);
  // Second iteration: leaving the area, presses before releases, keys ascending.
  EXPECT_EQ(e[6].kind, CTEvent::MouseOut);
  EXPECT_EQ(e[6].x, -5);
  EXPECT_EQ(e[7].kind, CTEvent::MouseDown);
  EXPECT_EQ(e[7].button, 2);
  EXPECT_EQ(e[8].kind, CTEvent::MouseUp);
  EXPECT_EQ(e[8].button, 0);
  EXPECT_EQ(e[8].leftDown, 0);
  EXPECT_EQ(e[8].wheel, 0);
  EXPECT_EQ(e[9].kind, CTEvent::KeyRelease);
  EXPECT_EQ(e[9].key, 20);
  EXPECT_EQ(e[10].kind, CTEvent::KeyPress);
  EXPECT_EQ(e[10].key, 30);
}

TEST_F(MainLoopTest, PointerEdgesOfTheDrawingArea) {
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
  // Each step moves the cursor; the next iteration reports it.
  const std::vector<POINT> path = {{639, 479}, {640, 479}, {700, 10}, {0, 0}, {0, 480}};
  first.onUpdate = [&path](ScriptedScene& self, int update) {
    if (update <= static_cast<int>(path.size())) {
      testkit::MoveCursorToClient(g_Window, path[update - 1].x, path[update - 1].y);
    } else {
      self.next = QuitScene;
    }
  };
  RunEngine(SplashScene);
  std::vector<int> kinds;
  for (const CTEvent& event : first.events) kinds.push_back(event.kind);
  EXPECT_EQ(kinds, (std::vector<int>{CTEvent::MouseMove, CTEvent::MouseOut, CTEvent::MouseMove, CTEvent::MouseIn,
                                     CTEvent::MouseOut}));
}

TEST_F(MainLoopTest, SwitchPausesLeavesReleasesThenEntersAndResumes) {
  ScriptedScene first("S1", SplashScene, journal), second("S2", MenuScene, journal);
  first.picture = second.picture = &picture;
  first.journalTextures = second.journalTextures = true;
  RegisterScene(&first);
  RegisterScene(&second);
  first.onUpdate = [](ScriptedScene& self, int) { self.next = MenuScene; };
  second.onUpdate = [](ScriptedScene& self, int) {
    testkit::PressKey(SDL_SCANCODE_ESCAPE);
    self.next = QuitScene;
  };
  RunEngine(SplashScene);

  Journal expected = {"S1.Enter(textures=0)", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      // the switch: the old scene goes, device textures go, the new one comes
                      "S1.Pause", "S1.Leave(textures=1)", "S2.Enter(textures=0)", "S2.Resume", "S2.Update",
                      "O.Update", "S2.Draw", "O.Draw",
                      // the quit: the scene that answered 255 still gets the iteration's events
                      "S2.Pause", "S2.Leave(textures=1)", "S2.Event7", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_EQ(g_CurrentScene, MenuScene) << "the current scene stays on quit";
}

TEST_F(MainLoopTest, SwitchAsksTheAnswerThreeTimes) {
  ScriptedScene first("S1", SplashScene, journal), second("S2", MenuScene, journal);
  first.journalNext = true;
  RegisterScene(&first);
  RegisterScene(&second);
  first.onUpdate = [](ScriptedScene& self, int) { self.next = MenuScene; };
  QuitAt(second, 1);
  RunEngine(SplashScene);
  Journal expected = {"S1.Enter", "S1.Resume", "S1.Next", "S1.Update", "S1.Draw",
                      "S1.Next",  "S1.Pause",  "S1.Leave", "S1.Next",  "S1.Next", "S2.Enter"};
  EXPECT_EQ(Only({"S1.", "S2.Enter"}), expected);
}

TEST_F(MainLoopTest, SceneAnsweringItsOwnIdIsEnteredAgain) {
  ScriptedScene first("S1", SplashScene, journal);
  first.picture = &picture;
  first.journalTextures = true;
  RegisterScene(&first);
  first.onUpdate = [](ScriptedScene& self, int update) { self.next = update == 1 ? SplashScene : QuitScene; };
  RunEngine(SplashScene);
  Journal expected = {"S1.Enter(textures=0)", "S1.Resume", "S1.Update", "S1.Draw",
                      "S1.Pause", "S1.Leave(textures=1)", "S1.Enter(textures=0)", "S1.Resume",
                      "S1.Update", "S1.Draw", "S1.Pause", "S1.Leave(textures=1)"};
  EXPECT_EQ(Only({"S1."}), expected);
}

TEST_F(MainLoopTest, ClosingTheWindowReturnsWithoutPauseOrLeave) {
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
  first.onUpdate = [](ScriptedScene&, int update) {
    if (update == 1) testkit::CloseWindow(g_Window);
  };
  RunEngine(SplashScene);
  EXPECT_EQ(Only({"S1.Pause", "S1.Leave", "O.Pause", "O.Leave"}), Journal{});
  EXPECT_EQ(first.updates, 2) << "the iteration that closed the window still ran";
}

TEST_F(MainLoopTest, InactiveWindowStandsStillAndCatchesUpOnInput) {
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
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
  RunEngine(SplashScene);
  Journal expected = {"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      "S1.Event9", "S1.Event7", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      "S1.Pause", "S1.Leave", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  ASSERT_EQ(first.events.size(), 2u);
  EXPECT_EQ(first.events[0].symbol, u'c') << "only the last of the characters typed meanwhile";
  EXPECT_EQ(first.events[1].key, DIK_A);
  EXPECT_EQ(testkit::PresentCount(g_Device), 2u) << "nothing is drawn while inactive";
}

TEST_F(MainLoopTest, LostDevicePausesAndRestoredDeviceResumes) {
  ScriptedScene first("S1", SplashScene, journal);
  first.picture = &picture;
  RegisterScene(&first);
  first.onUpdate = [this](ScriptedScene& self, int update) {
    if (update == 1) testkit::LoseDevice();
    if (update == 2) {
      EXPECT_TRUE(g_Textures.empty()) << "released at the loss";
      EXPECT_FALSE(picture.IsCreated());
      self.next = QuitScene;
    }
  };
  RunEngine(SplashScene);
  Journal expected = {"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      "O.Pause", "S1.Pause", "S1.Resume", "O.Resume", "S1.Update", "O.Update",
                      "S1.Draw", "O.Draw", "S1.Pause", "S1.Leave", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(picture.IsCreated() || g_Textures.empty());
  EXPECT_EQ(testkit::DeviceStage(g_Device), testkit::Stage::Usable);
}

TEST_F(MainLoopTest, OverlayOpensTakesEventsAndCloses) {
  ScriptedScene first("S1", SplashScene, journal), overlay("P", 5, journal);
  RegisterScene(&first);
  g_Overlays[5] = &overlay;
  slot.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) self.next = 5;
  };
  overlay.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) testkit::PressKey(SDL_SCANCODE_SPACE);
    if (update == 2) self.next = QuitScene;
  };
  first.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 4) self.next = QuitScene;
  };
  RunEngine(SplashScene);
  Journal expected = {"S1.Enter", "S1.Resume", "S1.Update", "O.Update", "S1.Draw", "O.Draw",
                      // the slot's scene answers 5: it goes, the overlay comes, no release
                      "S1.Update", "O.Pause", "O.Leave", "P.Enter", "P.Resume", "P.Update", "S1.Draw", "P.Draw",
                      // the overlay holds the input
                      "P.Event7", "S1.Update", "P.Update", "S1.Draw", "P.Draw",
                      // it answers 255: the empty slot again
                      "S1.Update", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "O.Update", "S1.Draw", "O.Draw",
                      "S1.Pause", "S1.Leave", "O.Pause", "O.Leave"};
  EXPECT_EQ(journal, expected);
  EXPECT_EQ(g_CurrentOverlay, NoScene);
}

TEST_F(MainLoopTest, SceneSwitchClosesAnOpenOverlay) {
  ScriptedScene first("S1", SplashScene, journal), second("S2", MenuScene, journal), overlay("P", 5, journal);
  RegisterScene(&first);
  RegisterScene(&second);
  g_Overlays[5] = &overlay;
  slot.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 1) self.next = 5;
  };
  first.onUpdate = [](ScriptedScene& self, int update) {
    if (update == 2) self.next = MenuScene;
  };
  QuitAt(second, 1);
  RunEngine(SplashScene);
  Journal expected = {"S1.Pause", "S1.Leave", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "S2.Enter", "S2.Resume"};
  Journal seen = Only({"S1.Pause", "S1.Leave", "P.Pause", "P.Leave", "O.Enter", "O.Resume", "S2.Enter", "S2.Resume"});
  EXPECT_EQ(seen, expected);
}

TEST_F(MainLoopTest, UnregisteredFirstSceneIsLoggedAndNothingRuns) {
  log.Open();
  RunEngine(SplashScene);
  EXPECT_TRUE(journal.empty());
  EXPECT_NE(log.Text().find(L"ERROR    First scene 1 is not registered"), std::wstring::npos) << log.Narrow();
}

TEST_F(MainLoopTest, UnregisteredNextSceneIsLoggedAndEndsTheLoop) {
  log.Open();
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
  first.onUpdate = [](ScriptedScene& self, int) { self.next = 42; };
  RunEngine(SplashScene);
  EXPECT_EQ(Only({"S1."}), (Journal{"S1.Enter", "S1.Resume", "S1.Update", "S1.Draw", "S1.Pause", "S1.Leave"}));
  EXPECT_NE(log.Text().find(L"ERROR    Next scene 42 is not registered"), std::wstring::npos) << log.Narrow();
}

TEST_F(MainLoopTest, UnregisteredOverlayIsLoggedAndEndsTheLoop) {
  log.Open();
  ScriptedScene first("S1", SplashScene, journal);
  RegisterScene(&first);
  slot.onUpdate = [](ScriptedScene& self, int) { self.next = 7; };
  RunEngine(SplashScene);
  EXPECT_EQ(first.updates, 2);
  EXPECT_NE(log.Text().find(L"ERROR    Overlay scene 7 is not registered"), std::wstring::npos) << log.Narrow();
}

TEST_F(MainLoopTest, LaterRegistrationUnderAnIdWins) {
  ScriptedScene early("E", SplashScene, journal), late("L", SplashScene, journal);
  RegisterScene(&early);
  RegisterScene(&late);
  QuitAt(late, 1);
  RunEngine(SplashScene);
  EXPECT_TRUE(Only({"E."}).empty());
  EXPECT_EQ(late.updates, 1);
}

}  // namespace
