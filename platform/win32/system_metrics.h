// System metrics: the screen size is the desktop display mode; frame and caption sizes
// are those of a classic fixed-size window. The test kit can set the screen size and
// the safe-mode answer.
#pragma once

#include "platform/win32/types.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXFIXEDFRAME = 7;
constexpr int SM_CYFIXEDFRAME = 8;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
// 0 normal boot, 1 safe mode, 2 safe mode with network.
constexpr int SM_CLEANBOOT = 67;

// 0 for an index it does not know, and for the screen size when there is no display.
int GetSystemMetrics(int index);
