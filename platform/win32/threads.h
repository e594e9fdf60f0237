// Threads and waiting.
#pragma once

#include "platform/win32/kernel_object.h"
#include "platform/win32/types.h"

#define WINAPI

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);

// Starts a detached thread; the handle only names it (closing it does not stop it).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId);

// Waits on the layer's clock: real time, or the test kit's virtual clock, which a
// Sleep advances at once without waiting.
void Sleep(DWORD milliseconds);

// Milliseconds since start on the layer's clock.
DWORD GetTickCount();
