// The installation (scene 4): reached from the path scene once a location is chosen.
#pragma once

#include "engine/Scene.h"
#include "installer/InstallWorkers.h"
#include "installer/SceneWorkerRun.h"

struct InstallRun {
  static constexpr SceneId kId = InstallScene;
  static constexpr const wchar_t* kSection = L"Install";
  static constexpr std::int32_t kFootText = 7;
  static constexpr std::int32_t kNoThread = WorkerFailed;
  static constexpr LPTHREAD_START_ROUTINE Worker = &InstallWorkerThread;
  static std::atomic<std::int32_t>& Status() { return g_InstallStatus; }
};

extern template class CSceneWorkerRun<InstallRun>;
using CSceneInstall = CSceneWorkerRun<InstallRun>;

extern CSceneInstall g_SceneInstall;
