// Bitmap fonts: every character is its own picture in a resource pack, named by a
// common prefix and four hexadecimal digits of its UTF-16 code unit (/Font0041 is A).
// Loading only records where each picture lies; a character's glyph texture is made
// when the character is first drawn or measured.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/Color.h"
#include "platform/d3d9/d3d9.h"

class CTResourceFile;
class CTFont;

// One UTF-16 code unit of a font. Ordered widest first so that an entry takes 24 bytes
// with 64-bit pointers instead of 32: the table has 65536 of them per font.
struct SymbolEntry {
  const std::uint8_t* imageData;  // the picture file inside the pack's buffer; not owned
  IDirect3DTexture9* glyph;       // while loaded
  std::uint32_t imageSize;
  std::uint16_t advance;  // glyph width in pixels, known once the glyph has been made
  bool defined;           // the font has a picture for this code unit
  bool loaded;            // glyph has been made
};
static_assert(sizeof(SymbolEntry) == 2 * sizeof(void*) + 8, "no padding inside a symbol entry");

// Allocates a font's symbol table (std::calloc); replaced by tests only, to make the
// allocation fail.
using FontTableAllocator = void* (*)(std::size_t count, std::size_t size);
extern FontTableAllocator g_FontTableAllocator;

// Every font that was initialised, in the order of Init calls; not owned.
extern std::vector<CTFont*> g_Fonts;

class CTFont {
 public:
  static constexpr std::size_t kSymbolCount = 65536;

  CTFont() = default;
  // Releases the glyph textures and leaves g_Fonts, so the list never points at a
  // destroyed font.
  virtual ~CTFont();
  CTFont(const CTFont&) = delete;
  CTFont& operator=(const CTFont&) = delete;

  // Starts an empty table, sets the letter spacing (glyph pixels, may be negative) and
  // appends the font to g_Fonts. A table that can't be allocated is an ERROR that ends
  // the program.
  void Init(std::int32_t spacing);
  // Defines a symbol for every entry of the pack whose name begins with prefix. A code
  // defined twice is an ERROR that ends the program ("Symbol redefinition").
  void Load(CTResourceFile* pack, const std::wstring& prefix);
  // Makes the glyph texture of a defined symbol (default pool, no colour key). A picture
  // that can't be read or made is an ERROR that ends the program.
  void LoadSymbol(std::uint16_t code);

  // Draws text on one line, the first glyph's top-left corner at (x, y), each glyph at
  // scale times its picture size. Units without a symbol are skipped with a WARNING.
  void DrawText(const std::wstring& text, float scale, float x, float y, std::uint8_t alpha, RGB colour);
  // The distance DrawText moves its pen for the same text and scale (spacing after the
  // last glyph included). Makes the glyphs it meets.
  float MeasureText(const std::wstring& text, float scale);

  // Releases every glyph texture; the symbols stay and their glyphs are made again on use.
  void ReleaseGlyphs();
  // Releases every glyph texture, forgets the symbols and makes the font uninitialised.
  void Free();

  bool IsInitialized() const { return initialized; }
  std::int32_t GetSpacing() const { return spacing; }
  // The entry of a code unit, or null while the font has no table (never initialised,
  // or freed).
  const SymbolEntry* GetSymbol(std::uint16_t code) const;

  // The code unit an entry name stands for: its last four characters read as hexadecimal
  // digits, most significant first; a character that is no hexadecimal digit, and a
  // character missing from a name shorter than four, counts as 0.
  static std::uint16_t SymbolCodeFromName(const std::wstring& name);

 private:
  struct FreeTable {
    void operator()(SymbolEntry* table) const { std::free(table); }
  };

  // The entry of a text's code unit when the font has a symbol for it; null otherwise.
  SymbolEntry* FindDefined(wchar_t unit);
  // FindDefined, warning for a unit with no symbol and making the glyph when missing.
  SymbolEntry* GlyphFor(wchar_t unit);
  void ReleaseLoadedGlyphs();

  bool initialized = false;
  std::int32_t spacing = 0;
  // kSymbolCount entries from calloc while initialised, indexed by the code unit. Zeroed
  // pages come straight from the system and cost memory only where a symbol is written.
  std::unique_ptr<SymbolEntry[], FreeTable> symbols;
  // Codes whose glyph exists, so that releasing glyphs need not walk the whole table.
  std::vector<std::uint16_t> loadedCodes;
};

// ReleaseGlyphs of every font in g_Fonts.
void ReleaseAllFonts();
// Free of every font in g_Fonts.
void FreeAllFonts();
