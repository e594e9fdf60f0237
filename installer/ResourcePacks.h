// The application's two resource packs: pictures and font glyphs shared by every
// product (common) and those of this game (local). Loaded once by WinMain.
#pragma once

#include "engine/ResourceFile.h"

extern CTResourceFile g_CommonResourceFile;
extern CTResourceFile g_LocalResourceFile;
