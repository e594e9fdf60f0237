// The maker's web site, opened by the menu's and the info page's web buttons.
#pragma once

#include "platform/win32/types.h"

// A reserved example domain until the maker's real address is known: nothing real is
// ever opened by a test or a demonstration run.
inline constexpr const WCHAR* kMakerWebAddress = L"https://www.tamblorgames.example/";
