// Bitmap fonts: which pack entries define which code units, where the pen puts each
// glyph, the warnings and errors, and the life of the glyph textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "engine/Font.h"
#include "engine/Window.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

using Placed = RecordingSprite::Placed;
const std::wstring kWarning = L"WARNING  Symbol is not initialized";

const ::testing::ExitedWithCode kFailed(3);  // the engine's exit after an ERROR line

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }
  // Initialised with that spacing and loaded with the "/Font" entries of the pack.
  CTFont& Ready(CTFont& font, int spacing, CTResourceFile* from = nullptr) {
    font.Init(spacing);
    font.Load(from ? from : &pack, L"/Font");
    return font;
  }
  void Draw(CTFont& font, const std::wstring& text) { font.DrawText(text, 1.0f, 0, 0, 255, RGB{}); }

  // A and B 10 pixels wide, W 14.
  TestPack pack{{{"/Font0041", SolidBmp(10, 8, 0xFF0000)},
                 {"/Font0042", SolidBmp(10, 8, 0x00FF00)},
                 {"/Font0057", SolidBmp(14, 8, 0x0000FF)}}};
  RecordingSprite sprite;
  LogCapture log;
};

using FontDeathTest = FontTest;

TEST(FontNaming, TheLastFourCharactersAreTheCodeInHexadecimal) {
  const std::pair<std::wstring, int> cases[] = {
      {L"/Font0041", 0x0041}, {L"/Font00e9", 0x00E9}, {L"/Font041A", 0x041A}, {L"/FontaBcD", 0xABCD},
      {L"/FontFFFF", 0xFFFF}, {L"/Font20", 0x0020},   // "nt20": other characters give 0
      {L"/FontG041", 0x0041}, {L"/Font0x41", 0x0041}, {L"/Font0g:G", 0},
      {std::wstring(L"/Font") + wchar_t(0xE9) + L"1" + wchar_t(0x10031) + L"2", 0x0102},
      {L"41", 0x0041},        {L"", 0}};  // a name shorter than four: the missing ones are 0
  for (const auto& [name, code] : cases) EXPECT_EQ(CTFont::SymbolCodeFromName(name), code) << name.size();
}

TEST_F(FontTest, LoadDefinesTheEntriesUnderThePrefixPointingIntoThePack) {
  TestPack named({{"/Font00e9", SolidBmp(6, 8, 0)}, {"/Back", SolidBmp(3, 3, 0)}, {"/Fon", SolidBmp(4, 8, 0)},
                  {"/FontFFFF", SolidBmp(5, 8, 0)}});
  CTFont font;
  Ready(font, 0, &named);
  EXPECT_FALSE(font.GetSymbol(0xBAC0)->defined || font.GetSymbol(0x0F00)->defined);  // "Back" and "/Fon" are no font's
  const CTResource e9 = named.GetByName(L"/Font00e9");
  const SymbolEntry* symbol = font.GetSymbol(0xE9);
  EXPECT_EQ(std::tuple(symbol->imageData, symbol->imageSize, symbol->loaded, log.Lines().size()),
            std::tuple(e9.GetData(), e9.GetSize(), false, 0u));  // not copied; nothing logged
  EXPECT_FLOAT_EQ(font.MeasureText(std::wstring(1, wchar_t(0xFFFF)), 1.0f), 5.0f);  // the table's last entry
}

TEST_F(FontDeathTest, ACodeDefinedTwiceOrAGlyphThatCannotBeMadeEndsTheProgram) {
  TestPack twice({{"/Font0041", SolidBmp(10, 8, 0)}, {"/Font0x41", SolidBmp(10, 8, 0)}});
  TestPack broken({{"/Font0041", {'n', 'o', 'p', 'e'}}});
  CTFont font, again, unreadable;
  EXPECT_EXIT((font.Init(0), font.Load(&twice, L"/Font")), kFailed, "Symbol redefinition");
  // The check is against the whole table: the same prefix again.
  Ready(again, 0);
  EXPECT_EXIT(again.Load(&pack, L"/Font"), kFailed, "Symbol redefinition");
  EXPECT_EXIT(Ready(unreadable, 0, &broken).MeasureText(L"A", 1.0f), kFailed, "Can't find symbol metrics");
  // The picture reads, but its texture can't be made.
  EXPECT_EXIT((g_Device = nullptr, Draw(again, L"B")), kFailed, "Can't load symbol");
  auto noMemory = [](std::size_t, std::size_t) -> void* { return nullptr; };
  EXPECT_EXIT((g_FontTableAllocator = noMemory, again.Init(0)), kFailed, "Can't allocate symbol table");
  EXPECT_EQ(log.Lines(), (std::vector<std::wstring>{L"ERROR    Symbol redefinition", L"ERROR    Symbol redefinition",
                                                   L"ERROR    Can't find symbol metrics", L"ERROR    Can't load symbol",
                                                   L"ERROR    Can't allocate symbol table"}));
}

TEST_F(FontTest, ThePenAdvancesByTheScaledGlyphWidthPlusSpacing) {
  CTFont font, overlapping;
  EXPECT_EQ((std::tuple{Ready(font, 2).MeasureText(L"AB", 0.5f), Ready(overlapping, -25).MeasureText(L"AB", 0.5f)}),
            std::tuple(12.0f, -15.0f));  // the pen can go backwards

  font.DrawText(L"WAB", 2.0f, 100.0f, 50.0f, 200, RGB{1, 2, 3});
  for (const auto& call : sprite.calls) EXPECT_EQ(std::tuple(call.scaleX, call.scaleY), std::tuple(2.0f, 2.0f));
  EXPECT_EQ(sprite.calls.at(2).texture, font.GetSymbol(L'B')->glyph);
  EXPECT_EQ(sprite.Take(), (std::vector<Placed>{{100, 50, 0xC8010203}, {132, 50, 0xC8010203}, {156, 50, 0xC8010203}}));
}

TEST_F(FontTest, AUnitWithoutSymbolIsSkippedWithOneWarningPerOccurrenceAndCall) {
  CTFont font;
  EXPECT_EQ((std::tuple{Ready(font, 2).MeasureText(L"A?B", 1.0f), log.Lines().size()}), std::tuple(24.0f, 1u));
  Draw(font, L"?A??B");
  EXPECT_EQ(std::tuple(log.Lines().size(), sprite.Take()),
            std::tuple(4u, std::vector<Placed>{{0, 0, 0xFF000000}, {12, 0, 0xFF000000}}));
  // Beyond 16 bits (never in UTF-16 text) must not alias the symbol of the low 16 bits.
  EXPECT_FLOAT_EQ(font.MeasureText({wchar_t(0x10041), wchar_t(-1), L'A'}, 1.0f), 12.0f);
  EXPECT_EQ(log.Lines(), std::vector<std::wstring>(6, kWarning));
}

TEST_F(FontTest, GlyphsAreMadeOnUseInTheDefaultPoolAndRemadeAfterRelease) {
  CTFont first, second;
  Draw(Ready(first, 0), L"AW");
  Ready(second, 0).MeasureText(L"B", 1.0f);  // measuring makes the glyph: its width is needed
  const SymbolEntry *a = first.GetSymbol(L'A'), *b = second.GetSymbol(L'B');
  EXPECT_EQ(std::tuple(a->loaded, a->glyph->GetPool(), first.GetSymbol(L'W')->advance, first.GetSymbol(L'B')->loaded),
            std::tuple(true, D3DPOOL_DEFAULT, 14, false));  // B is drawn by the second font only
  EXPECT_TRUE(b->loaded);

  ReleaseAllFonts();  // every font's glyphs go; the symbols and their widths stay
  for (const SymbolEntry* entry : {a, b}) {
    EXPECT_EQ(std::tuple(entry->defined, entry->loaded, entry->glyph, entry->advance), std::tuple(true, false, nullptr, 10));
  }
  Draw(first, L"A");  // remade on use
  EXPECT_EQ(std::tuple(a->loaded, sprite.calls.back().textureWidth), std::tuple(true, 10u));

  // Init again without Free gives the glyphs up: a default-pool texture left alive would
  // keep the device from a reset.
  a->glyph->AddRef();
  IDirect3DTexture9* glyph = a->glyph;
  first.Init(1);
  EXPECT_EQ(std::tuple(glyph->Release(), first.GetSymbol(L'A')->defined), std::tuple(0u, false));
}

TEST_F(FontTest, FreeForgetsTheSymbolsUntilTheNextInitAndDestructionLeavesTheList) {
  auto uses = [](const CTFont* font) { return std::count(g_Fonts.begin(), g_Fonts.end(), font); };
  CTFont font, other;
  Draw(Ready(font, 2), L"A");
  Draw(Ready(other, 0), L"A");
  font.Free();
  Draw(font, L"AB");
  font.Load(&pack, L"/Font");  // records nothing, so no redefinition either
  EXPECT_EQ(std::tuple(font.IsInitialized(), font.MeasureText(L"AB", 1.0f), font.GetSymbol(L'A'), sprite.calls.size(),
                       log.Lines().size(), uses(&font)),
            std::tuple(false, 0.0f, nullptr, 2u, 0u, 1));  // only the two draws before; keeps its place in the list

  EXPECT_EQ((std::tuple{Ready(font, 0).MeasureText(L"AB", 1.0f), uses(&font)}), std::tuple(20.0f, 2));
  FreeAllFonts();
  CTFont().Init(0);  // destroyed at once: leaves the list
  EXPECT_EQ(std::tuple(font.IsInitialized(), other.IsInitialized(), g_Fonts.size()), std::tuple(false, false, 3u));
}

}  // namespace
}  // namespace textures_test
