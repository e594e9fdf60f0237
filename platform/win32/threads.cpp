#include "platform/win32/threads.h"

#include <atomic>
#include <thread>

#include "platform/win32/clock_internal.h"

namespace {

struct ThreadObject : KernelObject {
  DWORD id = 0;
};

std::atomic<DWORD> g_nextThreadId{1};

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD, LPDWORD threadId) {
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* object = new ThreadObject;
  object->id = g_nextThreadId++;
  if (threadId) *threadId = object->id;
  std::thread([start, parameter] { start(parameter); }).detach();
  return object;
}

void Sleep(DWORD milliseconds) { layer::SleepMs(milliseconds); }

DWORD GetTickCount() { return static_cast<DWORD>(layer::NowMs()); }
