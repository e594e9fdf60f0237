#include "tools/artgen/ArtSets.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/artgen/FontFace.h"
#include "tools/artgen/GlyphSet.h"
#include "tools/artgen/PngFile.h"

namespace artgen {

namespace {

std::string In(const std::string& folder, const std::string& file) {
  return (std::filesystem::path(folder) / file).string();
}

}  // namespace

void WriteListFile(const std::string& path, const std::vector<ListEntry>& entries) {
  // Written whole to a temporary file and renamed: the list is the build's sign that
  // its pictures are complete, so it must never exist half-written.
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    for (const ListEntry& e : entries) out << e.name << '=' << e.file << '\n';
    if (!out.flush()) throw std::runtime_error("cannot write " + temporary);
  }
  std::filesystem::rename(temporary, path);
}

void WriteCommonArt(const FontFiles& fonts, const std::string& folder) {
  std::filesystem::create_directories(folder);
  std::vector<ListEntry> entries;
  WritePng(In(folder, "Back.png"), DrawBackground(fonts));
  entries.push_back({"/Back", "Back.png"});
  WritePng(In(folder, "Tamblor.png"), DrawMakerSplash(fonts));
  entries.push_back({"/Tamblor", "Tamblor.png"});

  FontFace face(fonts.regular, kGlyphPixelSize);
  GlyphSet glyphs = RenderGlyphSet(face, FontCodeUnits());
  for (const GlyphPicture& g : glyphs.glyphs) {
    WritePng(In(folder, GlyphFileName(g.code)), g.picture);
    entries.push_back({GlyphEntryName(g.code), GlyphFileName(g.code)});
  }
  WriteListFile(In(folder, "common.list"), entries);
}

void WriteLocalArt(const FontFiles& fonts, const std::string& folder) {
  std::filesystem::create_directories(folder);
  WritePng(In(folder, "Quellor.png"), DrawGamePicture(fonts));
  WritePng(In(folder, "Info.png"), DrawInfoPage(fonts));
  WriteListFile(In(folder, "local.list"), {{"/Quellor", "Quellor.png"}, {"/Info", "Info.png"}});
}

}  // namespace artgen
