// Test kit: what the layer's windows look like.
#pragma once

#include <string>

#include "platform/win32/window_types.h"

namespace testkit {

struct WindowFacts {
  bool exists = false;
  std::wstring title;
  int x = 0, y = 0;  // the client area's top-left corner on the screen
  int clientWidth = 0, clientHeight = 0;
  bool visible = false;
  bool borderless = false;
  bool fullscreen = false;
  int iconWidth = 0, iconHeight = 0;  // the icon given to the window, 0 for none
};

WindowFacts DescribeWindow(HWND window);
// Windows alive now, and windows made since the last ResetLayer.
int WindowCount();
int WindowsCreated();

}  // namespace testkit
