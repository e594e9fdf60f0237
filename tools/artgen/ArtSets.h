// What artgen writes for each part of the distribution: the pictures of a pack with
// the list file the pack tool reads ("NAME=FILE" per line, files beside the list).
#pragma once

#include <string>
#include <vector>

#include "tools/artgen/Pictures.h"

namespace artgen {

// Glyph size chosen so the scenes' texts fit 640 pixels at their scales (0.5 to 1.2):
// a line of about 38 pixels, about 18 pixels of advance per average letter.
constexpr int kGlyphPixelSize = 32;

struct ListEntry {
  std::string name;  // pack entry, e.g. "/Back"
  std::string file;  // relative to the list file's folder
};

// Throws std::runtime_error when the file cannot be written.
void WriteListFile(const std::string& path, const std::vector<ListEntry>& entries);

// "/Back", "/Tamblor" and every "/Font" glyph, plus common.list, into `folder`.
void WriteCommonArt(const FontFiles& fonts, const std::string& folder);
// "/Quellor" and "/Info", plus local.list, into `folder`.
void WriteLocalArt(const FontFiles& fonts, const std::string& folder);

}  // namespace artgen
