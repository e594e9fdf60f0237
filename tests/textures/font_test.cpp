// Bitmap fonts: which pack entries define which code units, where the pen puts each
// glyph, the warnings and errors, and the life of the glyph textures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>

#include "engine/Font.h"
#include "engine/Log.h"
#include "engine/Window.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

const std::wstring kWarning = L"WARNING  Symbol is not initialized";

bool EndedWithFailure(int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; }

class FontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureDevice(); }  // before the sprite is swapped
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }

  // A and B 10 pixels wide, W 14.
  TestPack pack{{{"/Font0041", SolidBmp(10, 8, 0xFF0000)},
                 {"/Font0042", SolidBmp(10, 8, 0x00FF00)},
                 {"/Font0057", SolidBmp(14, 8, 0x0000FF)}}};
  RecordingSprite sprite;
  LogCapture log;
};

using FontDeathTest = FontTest;

int Uses(const CTFont* font) { return static_cast<int>(std::count(g_Fonts.begin(), g_Fonts.end(), font)); }

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
  TestPack named({{"/Font00e9", SolidBmp(6, 8, 0)}, {"/Back", SolidBmp(3, 3, 0)}, {"/Font20", SolidBmp(4, 8, 0)},
                  {"/Fon", SolidBmp(4, 8, 0)}, {"/FontFFFF", SolidBmp(5, 8, 0)}});
  CTFont font;
  font.Load(&named, L"/Font");  // never initialised: records nothing
  EXPECT_EQ(font.GetSymbol(0x20), nullptr);
  font.Init(0);
  font.Load(&named, L"/Font");
  int defined = 0;
  for (std::size_t code = 0; code < CTFont::kSymbolCount; ++code) defined += font.GetSymbol(std::uint16_t(code))->defined;
  EXPECT_EQ(defined, 3);
  const CTResource e9 = named.GetByName(L"/Font00e9");
  EXPECT_EQ(font.GetSymbol(0xE9)->imageData, e9.GetData());  // not copied
  EXPECT_EQ(font.GetSymbol(0xE9)->imageSize, e9.GetSize());
  EXPECT_FALSE(font.GetSymbol(0xE9)->loaded);
  EXPECT_TRUE(font.GetSymbol(0x20)->defined);
  EXPECT_FLOAT_EQ(font.MeasureText(std::wstring(1, wchar_t(0xFFFF)), 1.0f), 5.0f);  // the table's last entry
  EXPECT_EQ(log.Lines(), 0);
}

TEST_F(FontDeathTest, ACodeDefinedTwiceOrAGlyphThatCannotBeMadeEndsTheProgram) {
  TestPack twice({{"/Font0041", SolidBmp(10, 8, 0)}, {"/Font0x41", SolidBmp(10, 8, 0)}});
  TestPack broken({{"/Font0041", {'n', 'o', 'p', 'e'}}});
  CTFont font, again, unreadable;
  font.Init(0);
  EXPECT_EXIT(font.Load(&twice, L"/Font"), EndedWithFailure, "Symbol redefinition");
  EXPECT_EQ(log.Count(L"ERROR    Symbol redefinition"), 1);
  again.Init(0);
  again.Load(&pack, L"/Font");  // the check is against the whole table: the same prefix again
  EXPECT_EXIT(again.Load(&pack, L"/Font"), EndedWithFailure, "Symbol redefinition");

  unreadable.Init(0);
  unreadable.Load(&broken, L"/Font");
  EXPECT_EXIT(unreadable.MeasureText(L"A", 1.0f), EndedWithFailure, "Can't find symbol metrics");
  EXPECT_EQ(log.Count(L"ERROR    Can't find symbol metrics"), 1);
  EXPECT_EXIT((g_Device = nullptr, again.DrawText(L"B", 1.0f, 0, 0, 255, RGB{})), EndedWithFailure,
              "Can't load symbol");  // the picture reads, its texture can't be made
}

TEST_F(FontTest, ThePenAdvancesByTheScaledGlyphWidthPlusSpacing) {
  CTFont font, overlapping;
  font.Init(2);
  font.Load(&pack, L"/Font");
  overlapping.Init(-25);
  overlapping.Load(&pack, L"/Font");
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 24.0f);
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 0.5f), 12.0f);
  EXPECT_FLOAT_EQ(overlapping.MeasureText(L"AB", 0.5f), -15.0f);  // the pen can go backwards

  font.DrawText(L"WAB", 2.0f, 100.0f, 50.0f, 200, RGB{1, 2, 3});
  ASSERT_EQ(sprite.calls.size(), 3u);
  const float lefts[] = {100.0f, 132.0f, 156.0f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(sprite.calls[i].x, lefts[i]);
    EXPECT_FLOAT_EQ(sprite.calls[i].y, 50.0f);
    EXPECT_FLOAT_EQ(sprite.calls[i].scaleX, 2.0f);
    EXPECT_TRUE(sprite.calls[i].wholeTexture);
    EXPECT_EQ(sprite.calls[i].colour, 0xC8010203u);
  }
  EXPECT_EQ(sprite.calls[2].texture, font.GetSymbol(L'B')->glyph);
  // The pen stays after the last glyph, where the measure says.
  EXPECT_FLOAT_EQ(sprite.current.m[3][0] - 100.0f, font.MeasureText(L"WAB", 2.0f));
}

TEST_F(FontTest, AUnitWithoutSymbolIsSkippedWithOneWarningPerOccurrenceAndCall) {
  CTFont font;
  font.Init(2);
  font.Load(&pack, L"/Font");
  EXPECT_FLOAT_EQ(font.MeasureText(L"A?B", 1.0f), 24.0f);
  EXPECT_EQ(log.Count(kWarning), 1);
  font.DrawText(L"?A??B", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_EQ(log.Count(kWarning), 4);
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_FLOAT_EQ(sprite.calls[1].x, 12.0f);

  // Beyond 16 bits (never in UTF-16 text) must not alias the symbol of the low 16 bits.
  EXPECT_FLOAT_EQ(font.MeasureText({wchar_t(0x10041), wchar_t(-1), L'A'}, 1.0f), 12.0f);
  EXPECT_EQ(log.Count(kWarning), 6);
  EXPECT_FLOAT_EQ(font.MeasureText(L"", 1.0f), 0.0f);
  font.DrawText(L"", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_EQ(sprite.calls.size(), 2u);
  EXPECT_EQ(log.Lines(), 6);
}

TEST_F(FontTest, GlyphsAreMadeOnUseInTheDefaultPoolAndRemadeAfterRelease) {
  CTFont first, second;
  for (CTFont* font : {&first, &second}) {
    font->Init(0);
    font->Load(&pack, L"/Font");
  }
  first.DrawText(L"AW", 1.0f, 0.0f, 0.0f, 255, RGB{});
  second.MeasureText(L"B", 1.0f);  // measuring makes the glyph: its width is needed
  const SymbolEntry* a = first.GetSymbol(L'A');
  EXPECT_TRUE(a->loaded);
  EXPECT_EQ(first.GetSymbol(L'W')->advance, 14);
  EXPECT_EQ(a->glyph->GetPool(), D3DPOOL_DEFAULT);
  EXPECT_FALSE(first.GetSymbol(L'B')->loaded);
  EXPECT_TRUE(second.GetSymbol(L'B')->loaded);

  ReleaseAllFonts();
  for (const CTFont* font : {&first, &second}) {
    for (wchar_t c : {L'A', L'B', L'W'}) {
      EXPECT_TRUE(font->GetSymbol(c)->defined && !font->GetSymbol(c)->loaded && !font->GetSymbol(c)->glyph);
    }
  }
  EXPECT_EQ(a->advance, 10);
  sprite.calls.clear();
  first.DrawText(L"AW", 1.0f, 5.0f, 0.0f, 255, RGB{});
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_EQ(sprite.calls[0].textureWidth, 10u);
  EXPECT_FLOAT_EQ(sprite.calls[1].x, 15.0f);

  // Init again without Free gives the glyphs up: a default-pool texture left alive would
  // keep the device from a reset.
  a->glyph->AddRef();
  IDirect3DTexture9* glyph = a->glyph;
  first.Init(1);
  EXPECT_EQ(glyph->Release(), 0u);
  EXPECT_FALSE(first.GetSymbol(L'A')->defined);
}

TEST_F(FontTest, FreeForgetsTheSymbolsUntilTheNextInitAndDestructionLeavesTheList) {
  CTFont font, other;
  font.Init(2);
  other.Init(0);
  for (CTFont* f : {&font, &other}) {
    f->Load(&pack, L"/Font");
    f->DrawText(L"A", 1.0f, 0.0f, 0.0f, 255, RGB{});
  }
  sprite.calls.clear();
  font.Free();
  EXPECT_FALSE(font.IsInitialized());
  font.DrawText(L"AB", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 0.0f);
  font.Load(&pack, L"/Font");  // records nothing, so no redefinition either
  EXPECT_EQ(font.GetSymbol(L'A'), nullptr);
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_EQ(log.Lines(), 0);
  EXPECT_EQ(Uses(&font), 1);  // keeps its place

  font.Init(0);
  font.Load(&pack, L"/Font");
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 20.0f);
  EXPECT_EQ(Uses(&font), 2);
  FreeAllFonts();
  EXPECT_FALSE(font.IsInitialized() || other.IsInitialized());
  {
    CTFont gone;
    gone.Init(0);
  }
  EXPECT_EQ(g_Fonts.size(), 3u);
}

}  // namespace
}  // namespace textures_test
