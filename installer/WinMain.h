// The program's entry as the platform's start-up code calls it, and the step that makes
// every relative path (Config.xml, the packs, "Inst") resolve beside the executable.
#pragma once

#include "platform/win32/types.h"

// Only the instance is used; the command line, the previous instance and the show
// command are ignored. Returns the process's exit code: 0 after the main loop, 1 when
// the configuration cannot be read or the engine cannot start.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

void SetWorkingDirectoryToExeFolder(HINSTANCE instance);
