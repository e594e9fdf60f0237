#include "installer/InstallWorkers.h"

#include "installer/DeviceLink.h"

// Constant-initialised, so they hold WorkerRunning before any static constructor runs.
std::atomic<std::int32_t> g_InstallStatus{WorkerRunning};
std::atomic<std::int32_t> g_UninstallStatus{WorkerRunning};

DWORD WINAPI InstallWorkerThread(LPVOID) {
  g_InstallStatus = WorkerRunning;
  std::int32_t result = WorkerCheckFailed;
  if (g_DeviceLink.CheckFreeSpace()) result = g_DeviceLink.InstallGame() ? WorkerDone : WorkerFailed;
  // The last act: the scene may leave as soon as it sees this.
  g_InstallStatus = result;
  return 0;
}

DWORD WINAPI UninstallWorkerThread(LPVOID) {
  g_UninstallStatus = WorkerRunning;
  g_UninstallStatus = g_DeviceLink.RemoveGame() ? WorkerDone : WorkerCheckFailed;
  return 0;
}
