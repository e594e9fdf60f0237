// Icons from the program's resources (see resources.h): PNG pictures registered under
// resource ids, decoded when loaded.
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/window_types.h"

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;

constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_DEFAULTSIZE = 0x0040;

constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// Loads the icon registered under a numeric resource id (MAKEINTRESOURCEW), scaled to
// width x height; 0 means the picture's own size, or the system icon size with
// LR_DEFAULTSIZE. Only IMAGE_ICON from resources is supported. The result is an HICON
// that stays valid until the program ends.
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags);
