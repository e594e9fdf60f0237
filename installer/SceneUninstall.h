// The removal (scene 7): reached from the confirm scene.
#pragma once

#include "engine/Scene.h"
#include "installer/InstallWorkers.h"
#include "installer/SceneWorkerRun.h"

struct UninstallRun {
  static constexpr SceneId kId = UninstallScene;
  static constexpr const wchar_t* kSection = L"Uninstall";
  static constexpr std::int32_t kFootText = 6;
  // The removal has no failure text of its own; "no device" is the nearest truth.
  static constexpr std::int32_t kNoThread = WorkerCheckFailed;
  static constexpr LPTHREAD_START_ROUTINE Worker = &UninstallWorkerThread;
  static std::atomic<std::int32_t>& Status() { return g_UninstallStatus; }
};

extern template class CSceneWorkerRun<UninstallRun>;
using CSceneUninstall = CSceneWorkerRun<UninstallRun>;

extern CSceneUninstall g_SceneUninstall;
