// The install and uninstall worker threads and the status integers through which they
// report to their scenes. A worker is the only writer of its status while it runs; the
// scene reads it every frame without a lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/win32/threads.h"

// The non-zero values also index the result texts of the scenes.
enum WorkerStatus : std::int32_t {
  WorkerRunning = 0,
  WorkerDone = 4,
  WorkerCheckFailed = 5,  // no room, or no device connected
  WorkerFailed = 6,       // a copy failed, the game did not start, or its marker came too late
};

extern std::atomic<std::int32_t> g_InstallStatus;
extern std::atomic<std::int32_t> g_UninstallStatus;

// Thread procedures for CreateThread; the parameter is not used.
DWORD WINAPI InstallWorkerThread(LPVOID parameter);
DWORD WINAPI UninstallWorkerThread(LPVOID parameter);
