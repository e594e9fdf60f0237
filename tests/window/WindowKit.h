// What this program's tests share: a clean layer and clean window globals around every
// test, the engine's log read back, and a scene that journals the main loop's calls.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "platform/testkit/layer.h"

// Releases what CreateMainWindow made and puts every window global back to its start.
void ResetWindowGlobals();

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testkit::ResetLayer(), ResetWindowGlobals(); }
  void TearDown() override { ResetWindowGlobals(), testkit::ResetLayer(); }
  // The installer's call on a roomy screen: 640x480, no mode B, windowed.
  void OpenInstallerWindow(const std::wstring& title = L"Quellor") {
    testkit::SetScreenSize(1280, 1024);
    ASSERT_EQ(CreateMainWindow(title, 640, 480, 0, 0, false, nullptr, nullptr, nullptr), WindowOk);
  }
};

// Reads the file the engine's log path names (UTF-16 LE) and clears the path when it goes.
struct LogReader {
  ~LogReader();
  std::wstring Text() const;
  ::testing::AssertionResult Holds(const std::wstring& text) const;
};

using Journal = std::vector<std::string>;

// Writes every call into the journal ("name.Call"; Enter and Leave with the number of
// device textures when journalTextures) and answers GetNextScene with `next`.
class ScriptedScene : public CTScene {
 public:
  ScriptedScene(std::string name, SceneId id, Journal& journal) : name_(std::move(name)), id_(id), journal_(journal) {}

  SceneId next = NoScene;  // cleared by Enter, as the application's scenes do
  std::function<void(ScriptedScene&, int update)> onUpdate;  // update counts from 1
  CTTexture* picture = nullptr;  // drawn when set, so that device textures exist
  bool journalTextures = false;
  std::vector<CTEvent> events;
  int updates = 0;

  SceneId GetId() override { return id_; }
  SceneId GetNextScene() override { return next; }
  void Enter() override { next = NoScene, Note("Enter"); }
  void Leave() override { Note("Leave"); }
  void Pause() override { Note("Pause"); }
  void Resume() override { Note("Resume"); }
  void Update() override;
  void Draw() override;
  void OnEvent(CTEvent event) override { Note("Event" + std::to_string(event.kind)), events.push_back(event); }

 private:
  void Note(const std::string& what);
  std::string name_;
  SceneId id_;
  Journal& journal_;
};
