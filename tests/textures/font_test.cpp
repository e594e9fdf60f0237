// Bitmap fonts: which pack entries define which code units, where the pen puts each
// glyph, the warnings and errors, and the life of the glyph textures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>

#include "engine/Font.h"
#include "engine/Log.h"
#include "engine/Window.h"
#include "tests/textures/RecordingSprite.h"
#include "tests/textures/TestPictures.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

const std::wstring kNotInitialized = L"WARNING  Symbol is not initialized";

bool EndedWithFailure(int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; }

// A at 10 pixels, B at 10, W at 14, all 8 high.
PackEntries LatinGlyphs() {
  return {{"/Font0041", SolidBmp(10, 8, 0xFF0000)},
          {"/Font0042", SolidBmp(10, 8, 0x00FF00)},
          {"/Font0057", SolidBmp(14, 8, 0x0000FF)}};
}

class FontTest : public ::testing::Test {
 protected:
  // Before the recording sprite takes the engine's sprite slot.
  static void SetUpTestSuite() { EnsureDevice(); }
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }

  RecordingSprite sprite;
  LogCapture log;
};

using FontDeathTest = FontTest;

TEST(FontNaming, TheLastFourCharactersAreTheCodeInHexadecimal) {
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font0041"), 0x0041);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font00e9"), 0x00E9);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font00E9"), 0x00E9);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font041A"), 0x041A);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/FontaBcD"), 0xABCD);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/FontFFFF"), 0xFFFF);
  // Whatever the prefix: "nt20" gives 0, 0, 2, 0.
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font20"), 0x0020);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/FontG041"), 0x0041);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font0x41"), 0x0041);
  // Characters that are no hexadecimal digit, in and out of the 8-bit range, give 0.
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"/Font0g:G"), 0x0000);
  EXPECT_EQ(CTFont::SymbolCodeFromName(std::wstring(L"/Font") + wchar_t(0xE9) + L"1" + wchar_t(0x10031) + L"2"),
            0x0102);
  // Names shorter than four characters count the missing ones as 0.
  EXPECT_EQ(CTFont::SymbolCodeFromName(L"41"), 0x0041);
  EXPECT_EQ(CTFont::SymbolCodeFromName(L""), 0x0000);
}

TEST_F(FontTest, LoadDefinesOneSymbolPerEntryUnderThePrefixPointingIntoThePack) {
  TestPack pack({{"/Font0041", SolidBmp(10, 8, 0xFF0000)},
                 {"/Back", SolidBmp(3, 3, 0)},
                 {"/Font00e9", SolidBmp(6, 8, 0xFF0000)},
                 {"/Font041A", SolidBmp(7, 8, 0xFF0000)},
                 {"/Font20", SolidBmp(4, 8, 0xFF0000)},
                 {"/Fon", SolidBmp(4, 8, 0xFF0000)},
                 {"/FontFFFF", SolidBmp(5, 8, 0xFF0000)}});
  CTFont font;
  font.Init(0);
  font.Load(pack.Get(), L"/Font");

  int defined = 0;
  for (std::size_t code = 0; code < CTFont::kSymbolCount; ++code) {
    defined += font.GetSymbol(static_cast<std::uint16_t>(code))->defined ? 1 : 0;
  }
  EXPECT_EQ(defined, 5);
  for (std::uint16_t code : {0x0041, 0x00E9, 0x041A, 0x0020, 0xFFFF}) {
    const SymbolEntry* entry = font.GetSymbol(code);
    EXPECT_TRUE(entry->defined) << code;
    EXPECT_FALSE(entry->loaded) << code;
    EXPECT_EQ(entry->glyph, nullptr) << code;
  }
  const CTResource e9 = pack->GetByName(L"/Font00e9");
  EXPECT_EQ(font.GetSymbol(0x00E9)->imageData, e9.GetData());  // not copied
  EXPECT_EQ(font.GetSymbol(0x00E9)->imageSize, e9.GetSize());

  // The table's last entry works like any other.
  EXPECT_FLOAT_EQ(font.MeasureText(std::wstring(1, wchar_t(0xFFFF)), 1.0f), 5.0f);
  EXPECT_EQ(log.Count(kNotInitialized), 0);
}

TEST_F(FontTest, AFontThatWasNeverInitializedRecordsDrawsAndMeasuresNothing) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Load(pack.Get(), L"/Font");
  EXPECT_EQ(font.GetSymbol(0x41), nullptr);
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB?", 1.0f), 0.0f);
  font.DrawText(L"AB?", 1.0f, 0, 0, 255, RGB{});
  font.ReleaseGlyphs();
  font.Free();
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_TRUE(std::find(g_Fonts.begin(), g_Fonts.end(), &font) == g_Fonts.end());
}

TEST_F(FontDeathTest, ACodeDefinedTwiceEndsTheProgram) {
  TestPack pack({{"/Font0041", SolidBmp(10, 8, 0)}, {"/Font0x41", SolidBmp(10, 8, 0)}});
  CTFont font;
  font.Init(0);
  EXPECT_EXIT(font.Load(pack.Get(), L"/Font"), EndedWithFailure, "Symbol redefinition");
  EXPECT_EQ(log.Count(L"ERROR    Symbol redefinition"), 1);
}

TEST_F(FontDeathTest, LoadingTheSamePrefixTwiceEndsTheProgramAtItsFirstEntry) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Init(0);
  font.Load(pack.Get(), L"/Font");
  EXPECT_EXIT(font.Load(pack.Get(), L"/Font"), EndedWithFailure, "Symbol redefinition");
}

TEST_F(FontDeathTest, AGlyphPictureThatCannotBeReadOrMadeEndsTheProgram) {
  TestPack pack({{"/Font0041", {'n', 'o', 'p', 'e'}}, {"/Font0042", SolidBmp(10, 8, 0)}});
  CTFont font;
  font.Init(0);
  font.Load(pack.Get(), L"/Font");
  EXPECT_EXIT(font.MeasureText(L"A", 1.0f), EndedWithFailure, "Can't find symbol metrics");
  EXPECT_EQ(log.Count(L"ERROR    Can't find symbol metrics"), 1);
  EXPECT_EXIT(
      {
        g_Device = nullptr;  // the picture reads, the texture can't be made
        font.DrawText(L"B", 1.0f, 0, 0, 255, RGB{});
      },
      EndedWithFailure, "Can't load symbol");
}

TEST_F(FontTest, ThePenAdvancesByTheScaledGlyphWidthPlusSpacing) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Init(2);
  font.Load(pack.Get(), L"/Font");

  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 24.0f);
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 0.5f), 12.0f);
  EXPECT_FLOAT_EQ(font.MeasureText(L"WA", 1.0f), 28.0f);

  font.DrawText(L"AB", 1.0f, 100.0f, 50.0f, 200, RGB{1, 2, 3});
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_FLOAT_EQ(sprite.calls[0].X(), 100.0f);
  EXPECT_FLOAT_EQ(sprite.calls[1].X(), 112.0f);
  for (const auto& call : sprite.calls) {
    EXPECT_FLOAT_EQ(call.Y(), 50.0f);
    EXPECT_FLOAT_EQ(call.ScaleX(), 1.0f);
    EXPECT_FLOAT_EQ(call.ScaleY(), 1.0f);
    EXPECT_EQ(call.colour, 0xC8010203u);
    EXPECT_FALSE(call.source.has_value());  // the whole glyph
  }
  EXPECT_EQ(sprite.calls[0].texture, font.GetSymbol(0x41)->glyph);
  EXPECT_EQ(sprite.calls[1].texture, font.GetSymbol(0x42)->glyph);
  // The pen is left after the last glyph, exactly where the measure says.
  EXPECT_FLOAT_EQ(sprite.current.m[3][0] - 100.0f, font.MeasureText(L"AB", 1.0f));

  sprite.calls.clear();
  font.DrawText(L"WAB", 2.0f, 0.0f, 0.0f, 255, RGB{255, 255, 255});
  ASSERT_EQ(sprite.calls.size(), 3u);
  EXPECT_FLOAT_EQ(sprite.calls[1].X(), 32.0f);
  EXPECT_FLOAT_EQ(sprite.calls[2].X(), 56.0f);
  EXPECT_FLOAT_EQ(sprite.calls[2].ScaleX(), 2.0f);
  EXPECT_EQ(sprite.calls[2].colour, 0xFFFFFFFFu);
}

TEST_F(FontTest, NegativeSpacingDrawsGlyphsOverlapping) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Init(-3);
  font.Load(pack.Get(), L"/Font");
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 14.0f);
  font.DrawText(L"AB", 1.0f, 10.0f, 0.0f, 255, RGB{});
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_FLOAT_EQ(sprite.calls[1].X(), 17.0f);

  // Spacing beyond the glyph width moves the pen backwards.
  CTFont backwards;
  backwards.Init(-25);
  backwards.Load(pack.Get(), L"/Font");
  EXPECT_FLOAT_EQ(backwards.MeasureText(L"AB", 0.5f), -15.0f);
}

TEST_F(FontTest, AUnitWithoutSymbolIsSkippedWithOneWarningPerOccurrenceAndCall) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Init(2);
  font.Load(pack.Get(), L"/Font");

  EXPECT_FLOAT_EQ(font.MeasureText(L"A?B", 1.0f), 24.0f);
  EXPECT_EQ(log.Count(kNotInitialized), 1);
  font.DrawText(L"?A??B", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_EQ(log.Count(kNotInitialized), 4);
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_FLOAT_EQ(sprite.calls[0].X(), 0.0f);
  EXPECT_FLOAT_EQ(sprite.calls[1].X(), 12.0f);

  // Values beyond 16 bits never come from UTF-16 text; they must not alias a symbol of
  // their low 16 bits.
  const std::wstring wide{wchar_t(0x10041), wchar_t(-1), L'A'};
  EXPECT_FLOAT_EQ(font.MeasureText(wide, 1.0f), 12.0f);
  EXPECT_EQ(log.Count(kNotInitialized), 6);

  // The empty text: nothing at all.
  sprite.calls.clear();
  EXPECT_FLOAT_EQ(font.MeasureText(L"", 1.0f), 0.0f);
  font.DrawText(L"", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_EQ(log.Count(kNotInitialized), 6);
}

TEST_F(FontTest, GlyphsAreMadeOnFirstUseInTheDefaultPoolAndRemadeAfterRelease) {
  TestPack pack(LatinGlyphs());
  CTFont first, second;
  first.Init(0);
  first.Load(pack.Get(), L"/Font");
  second.Init(0);
  second.Load(pack.Get(), L"/Font");

  first.DrawText(L"AW", 1.0f, 0.0f, 0.0f, 255, RGB{});
  second.MeasureText(L"B", 1.0f);  // measuring makes the glyph too: its width is needed
  const SymbolEntry* a = first.GetSymbol(0x41);
  ASSERT_TRUE(a->loaded);
  EXPECT_EQ(a->advance, 10);
  EXPECT_EQ(first.GetSymbol(0x57)->advance, 14);
  EXPECT_EQ(a->glyph->GetPool(), D3DPOOL_DEFAULT);
  EXPECT_FALSE(first.GetSymbol(0x42)->loaded);  // never used by this font
  ASSERT_TRUE(second.GetSymbol(0x42)->loaded);

  ReleaseAllFonts();
  for (const CTFont* font : {&first, &second}) {
    for (std::uint16_t code : {0x41, 0x42, 0x57}) {
      const SymbolEntry* entry = font->GetSymbol(code);
      EXPECT_TRUE(entry->defined);
      EXPECT_FALSE(entry->loaded);
      EXPECT_EQ(entry->glyph, nullptr);
    }
  }
  EXPECT_EQ(a->advance, 10);  // kept

  sprite.calls.clear();
  first.DrawText(L"AW", 1.0f, 5.0f, 0.0f, 255, RGB{});
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_NE(sprite.calls[0].texture, nullptr);
  EXPECT_FLOAT_EQ(sprite.calls[1].X(), 15.0f);
  EXPECT_TRUE(a->loaded);
  first.ReleaseGlyphs();
  EXPECT_FALSE(a->loaded);
  EXPECT_TRUE(second.GetSymbol(0x42)->loaded == false);
}

TEST_F(FontTest, InitAgainGivesUpTheGlyphsItHad) {
  TestPack pack(LatinGlyphs());
  CTFont font;
  font.Init(0);
  font.Load(pack.Get(), L"/Font");
  font.MeasureText(L"A", 1.0f);
  IDirect3DTexture9* glyph = font.GetSymbol(0x41)->glyph;
  ASSERT_NE(glyph, nullptr);
  glyph->AddRef();

  font.Init(1);  // a default-pool glyph left alive would keep the device from a reset
  EXPECT_EQ(glyph->Release(), 0u);
  EXPECT_FALSE(font.GetSymbol(0x41)->defined);
  EXPECT_EQ(font.GetSpacing(), 1);
}

TEST_F(FontTest, FreeForgetsTheSymbolsUntilTheNextInit) {
  TestPack pack(LatinGlyphs());
  CTFont font, other;
  font.Init(2);
  font.Load(pack.Get(), L"/Font");
  other.Init(0);
  other.Load(pack.Get(), L"/Font");
  font.DrawText(L"A", 1.0f, 0.0f, 0.0f, 255, RGB{});
  other.DrawText(L"A", 1.0f, 0.0f, 0.0f, 255, RGB{});

  font.Free();
  EXPECT_FALSE(font.IsInitialized());
  EXPECT_EQ(font.GetSpacing(), 2);
  sprite.calls.clear();
  font.DrawText(L"AB", 1.0f, 0.0f, 0.0f, 255, RGB{});
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 0.0f);
  font.Load(pack.Get(), L"/Font");  // records nothing: no redefinition either
  EXPECT_EQ(font.GetSymbol(0x41), nullptr);
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(std::count(g_Fonts.begin(), g_Fonts.end(), &font), 1);  // keeps its place

  font.Init(0);
  font.Load(pack.Get(), L"/Font");
  EXPECT_FLOAT_EQ(font.MeasureText(L"AB", 1.0f), 20.0f);
  EXPECT_EQ(std::count(g_Fonts.begin(), g_Fonts.end(), &font), 2);

  FreeAllFonts();
  EXPECT_FALSE(font.IsInitialized());
  EXPECT_FALSE(other.IsInitialized());
  EXPECT_FLOAT_EQ(other.MeasureText(L"A", 1.0f), 0.0f);
}

TEST_F(FontTest, ADestroyedFontLeavesTheList) {
  CTFont kept;
  kept.Init(0);
  {
    CTFont gone;
    gone.Init(0);
    gone.Init(0);
    EXPECT_EQ(std::count(g_Fonts.begin(), g_Fonts.end(), &gone), 2);
  }
  EXPECT_EQ(std::count(g_Fonts.begin(), g_Fonts.end(), &kept), 1);
  EXPECT_EQ(g_Fonts.size(), 1u);
}

}  // namespace
}  // namespace textures_test
