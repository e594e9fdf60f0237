// A scene that writes every call the main loop makes into a shared journal and
// answers GetNextScene from a script, for tests of the loop's order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "engine/Texture.h"

class ScriptedScene : public CTScene {
 public:
  ScriptedScene(std::string name, SceneId id, std::vector<std::string>& journal)
      : name_(std::move(name)), id_(id), journal_(journal) {}

  // The answer of GetNextScene; Enter clears it, as the application's scenes do.
  SceneId next = NoScene;
  // Runs after the Update is journaled; update counts from 1.
  std::function<void(ScriptedScene&, int update)> onUpdate;
  // Drawn in every Draw when set (so that textures exist to be released).
  CTTexture* picture = nullptr;
  bool journalNext = false;
  bool journalTextures = false;
  std::vector<CTEvent> events;
  int updates = 0;

  SceneId GetId() override { return id_; }
  SceneId GetNextScene() override {
    if (journalNext) Note("Next");
    return next;
  }
  void Enter() override {
    next = NoScene;
    Note("Enter");
  }
  void Leave() override { Note("Leave"); }
  void Pause() override { Note("Pause"); }
  void Resume() override { Note("Resume"); }
  void Update() override {
    Note("Update");
    ++updates;
    // A script that never ends would hang the test; end it loudly instead.
    if (updates > 1000) {
      Note("Runaway");
      next = QuitScene;
      return;
    }
    if (onUpdate) onUpdate(*this, updates);
  }
  void Draw() override {
    Note("Draw");
    if (picture) picture->Draw(0, 0, 2, 2, 0, 255, RECT{0, 0, 2, 2});
  }
  void OnEvent(CTEvent event) override {
    Note("Event" + std::to_string(event.kind));
    events.push_back(event);
  }

 private:
  void Note(const std::string& what) {
    std::string line = name_ + "." + what;
    if (journalTextures && (what == "Enter" || what == "Leave")) {
      line += "(textures=" + std::to_string(g_Textures.size()) + ")";
    }
    journal_.push_back(line);
  }

  std::string name_;
  SceneId id_;
  std::vector<std::string>& journal_;
};
