// Handles and callback types of Win32 windowing, shared by the window, message,
// cursor, icon and shell parts of the layer.
#pragma once

#include "platform/win32/types.h"

struct WindowTag;
using HWND = WindowTag*;
struct IconTag;
using HICON = IconTag*;
using HCURSOR = HICON;  // a cursor is an icon with a hot spot, as on Windows
struct BrushTag;
using HBRUSH = BrushTag*;
struct MenuTag;
using HMENU = MenuTag*;

#define CALLBACK
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A resource named by a number instead of a string.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) { return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(id)); }
inline bool IS_INTRESOURCE(LPCWSTR name) { return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0; }
