// The real installer run inside a benchmark program. WinMain's calls into the engine
// pass through here first (the program is linked with --wrap for them), so that a
// benchmark can take a reading between the start-up steps, act at the start of every
// main-loop iteration, or do its own work where the main loop would run.
#pragma once

#include <functional>

#include "engine/Scene.h"

namespace probe {

struct Hooks {
  std::function<void()> configRead;   // InitializeEngine is called: Config.xml is read
  std::function<void()> engineReady;  // InitializeEngine has returned
  std::function<void()> packsLoaded;  // the first RegisterScene: both packs are loaded
  std::function<void()> scenesReady;  // RunEngine is called: every scene is initialised
  // Runs instead of the main loop when set.
  std::function<void(SceneId first)> mainLoop;
  // At the start of every main-loop iteration, before its message pump.
  std::function<void()> iteration;
};

Hooks& GetHooks();

// WinMain with this module's instance, as the program's entry calls it. Once per
// process: the scenes are static objects initialised once.
int RunWinMain();

}  // namespace probe
