// Base of every scene: lists its components (not owned), forwards the engine's
// life-cycle calls to them in list order and routes mouse events with hover tracking.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Component.h"
#include "engine/Event.h"

// Scene ids; as an answer of GetNextScene, NoScene means stay and QuitScene quit.
using SceneId = std::uint32_t;
enum : SceneId {
  NoScene = 0,
  SplashScene = 1,
  MenuScene = 2,
  InstallScene = 4,
  InfoScene = 6,
  UninstallScene = 7,
  PathScene = 8,
  ConfirmScene = 9,
  QuitScene = 255,
};

class CTScene {
 public:
  CTScene() = default;
  CTScene(const CTScene&) = delete;
  CTScene& operator=(const CTScene&) = delete;
  virtual ~CTScene();

  virtual void Initialize();
  virtual void Shutdown();
  virtual void Enter();
  virtual void Leave();
  // Hidden components are updated too; only Draw skips them.
  virtual void Update();
  virtual void Draw();
  virtual void Pause();
  virtual void Resume();
  virtual SceneId GetId();
  virtual SceneId GetNextScene();
  // Pointer events reach the components they concern, with coordinates relative to
  // each component; key and character events stop here.
  virtual void OnEvent(CTEvent event);

  // No check: a component added twice is visited twice.
  void AddComponent(CTComponent* component);

 protected:
  std::vector<CTComponent*> components;

 private:
  // Walks by index: a component's reaction (a click handler, say) may add to the list,
  // which would invalidate an iterator.
  template <typename Visit>
  void ForEachComponent(Visit visit) {
    for (std::size_t i = 0; i < components.size(); ++i) visit(components[i]);
  }
};
