// The UI thread's message queue. Input from SDL becomes messages when the queue is
// looked at: focus gained and lost (WM_SETFOCUS, WM_KILLFOCUS), typed text (one
// WM_CHAR per UTF-16 unit), a close request (WM_CLOSE). WM_QUIT comes last, once
// nothing else is queued, as on Windows.
#pragma once

#include "platform/win32/geometry.h"
#include "platform/win32/types.h"
#include "platform/win32/window_types.h"

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD QS_ALLINPUT = 0x04FF;
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

// window null: messages of every window of the thread and those without a window;
// minFilter = maxFilter = 0: every message. Never waits.
BOOL PeekMessageW(MSG* message, HWND window, UINT minFilter, UINT maxFilter, UINT removeFlags);
// Characters come from SDL's text input rather than from key messages, so there is
// nothing to translate: always FALSE.
BOOL TranslateMessage(const MSG* message);
// Calls the window procedure of the message's window; 0 for a message without one.
LRESULT DispatchMessageW(const MSG* message);
void PostQuitMessage(int exitCode);
// Waits on the layer's clock until a message is queued for the thread (one already
// queued counts, as with MWMO_INPUTAVAILABLE; a pending quit too) or the time is up:
// WAIT_OBJECT_0 + count or WAIT_TIMEOUT. Only the queue can be waited on here: count
// must be 0 (else WAIT_FAILED); the wake mask is not looked at. On the test kit's
// virtual clock it returns at once, moving the clock by the time it would have waited.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags);
// WM_CLOSE destroys the window; every other message gives 0.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
