// Writes a canvas as an 8-bit RGBA PNG through libpng. The output depends only on the
// pixels (no time stamp), so repeated builds give identical files.
#pragma once

#include <string>

#include "tools/artgen/Canvas.h"

namespace artgen {

// Throws std::runtime_error when the file cannot be written.
void WritePng(const std::string& path, const Canvas& canvas);

}  // namespace artgen
