// The mouse cursor: its position on the screen, client coordinates of a window (also
// outside the window, where they are negative or beyond the client size), and the
// system's arrow cursor.
#pragma once

#include "platform/win32/geometry.h"
#include "platform/win32/types.h"
#include "platform/win32/window_types.h"

#define IDC_ARROW MAKEINTRESOURCEW(32512)

// Screen coordinates, wherever the cursor is.
BOOL GetCursorPos(POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL ClientToScreen(HWND window, POINT* point);
// Only the system arrow (instance null, IDC_ARROW); shared, never destroyed.
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
