// Rectangles and points of Win32.
#pragma once

#include "platform/win32/types.h"

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct POINT {
  LONG x;
  LONG y;
};
