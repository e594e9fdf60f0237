// The sample distribution as built beside the program, read the way the program reads
// it: Config.xml through the engine's reader, the packs through CTResourceFile with the
// application's keys. Every text the scenes look up must be there, have a glyph for
// each character and fit the rectangle its scene draws it in.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/Config.h"
#include "engine/ResourceFile.h"
#include "installer/PackKeys.h"
#include "installer/DeviceLink.h"
#include "installer/GameLayout.h"
#include "platform/rapi2/handheld.h"
#include "platform/win32/strings.h"
#include "tests/sample/SampleKit.h"
#include "tools/artgen/GlyphSet.h"

namespace {

using artgen::Canvas;

using sampletest::kDist;

std::wstring Wide(const std::string& s) { return layer::Utf8ToWide(s); }
std::string Narrow(const std::wstring& s) { return layer::WideToUtf8(s); }

// One text as a scene draws it: the scale and the rectangle's width and height. Some
// scenes put a fixed part before or after the configured text.
struct SceneText {
  std::wstring section;
  int idx;
  float scale;
  float width;
  float height;
  std::wstring before = {};
  std::wstring after = {};
};

std::vector<SceneText> SceneTexts() {
  // The device line and the card's button show names from the sample handheld.
  std::optional<emu::Profile> profile = emu::ReadProfileOf(kDist + "/Handheld");
  std::wstring device = profile ? profile->name : L"?";
  std::wstring card = profile && !profile->cards.empty() ? profile->cards[0].name : L"?";
  std::vector<SceneText> texts = {
      // Menu: four buttons 300 x 30 at scale 0.6, the device line 500 x 40.
      {L"MainMenu", 0, 0.6f, 300, 30}, {L"MainMenu", 2, 0.6f, 300, 30},
      {L"MainMenu", 3, 0.6f, 300, 30}, {L"MainMenu", 4, 0.6f, 300, 30},
      {L"MainMenu", 5, 0.6f, 300, 30},
      {L"Device", 0, 0.6f, 500, 40}, {L"Device", 1, 0.6f, 500, 40}, {L"Device", 2, 0.6f, 500, 40},
      {L"Device", 3, 0.6f, 500, 40, L"", device},
      // Path: the title, a button per location (main memory is shown as "\ "), back.
      {L"Path", 0, 1.0f, 640, 50}, {L"Path", 1, 0.6f, 640, 40, L"\\ "},
      {L"Path", 2, 0.6f, 640, 40, L"\\" + card + L" "}, {L"Path", 3, 0.6f, 640, 40},
      // Confirm: two lines and two buttons.
      {L"Confirm", 0, 0.8f, 640, 50}, {L"Confirm", 1, 0.8f, 640, 50},
      {L"Confirm", 2, 0.6f, 640, 40}, {L"Confirm", 3, 0.6f, 640, 40},
      // Info: two buttons over the page.
      {L"Info", 0, 0.7f, 640, 30}, {L"Info", 1, 0.7f, 640, 30},
  };
  // Install and uninstall: heading, two progress lines, result heading, result, foot.
  for (const wchar_t* section : {L"Install", L"Uninstall"}) {
    bool install = std::wstring(section) == L"Install";
    texts.push_back({section, 0, 1.2f, 640, 50});
    texts.push_back({section, 1, 0.5f, 640, 30});
    texts.push_back({section, 2, 0.5f, 640, 30});
    texts.push_back({section, 3, 0.9f, 640, 40});
    for (int result : install ? std::vector<int>{4, 5, 6} : std::vector<int>{4, 5}) {
      texts.push_back({section, result, 0.9f, 640, 40});
    }
    texts.push_back({section, install ? 7 : 6, 0.5f, 640, 30});
  }
  return texts;
}

// The program reads its configuration and its packs once; so do these tests.
class SampleDistribution : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (loaded_) return;
    loaded_ = true;
    configRead_ = ReadConfig(Wide(kDist + "/Config.xml"));
    common_ = new CTResourceFile;
    local_ = new CTResourceFile;
    // A pack that cannot be opened ends the process inside Load, as in the program.
    common_->Load(Wide(kDist) + L"/" + g_CommonPackPath, kCommonPackKeys.salt, kCommonPackKeys.mask,
                  kCommonPackKeys.passText);
    local_->Load(Wide(kDist) + L"/" + g_LocalPackPath, kLocalPackKeys.salt, kLocalPackKeys.mask,
                 kLocalPackKeys.passText);
    for (const CTResource& glyph : common_->GetByPrefix(L"/Font")) {
      std::optional<Canvas> picture = sampletest::Decode(glyph.GetData(), glyph.GetSize());
      if (!picture) continue;
      std::wstring hex = glyph.GetName().substr(glyph.GetName().size() - 4);
      glyphs_->emplace(static_cast<wchar_t>(std::stoi(Narrow(hex), nullptr, 16)), *picture);
    }
  }

  static std::optional<Canvas> Picture(const CTResourceFile& pack, const wchar_t* name) {
    CTResource entry = pack.GetByName(name);
    if (entry.GetOwner() == nullptr) return std::nullopt;
    return sampletest::Decode(entry.GetData(), entry.GetSize());
  }

  static inline bool loaded_ = false;
  static inline bool configRead_ = false;
  static inline CTResourceFile* common_ = nullptr;
  static inline CTResourceFile* local_ = nullptr;
  static inline auto* glyphs_ = new std::map<wchar_t, Canvas>;
};

TEST_F(SampleDistribution, SplashListShowsTheMakerThenTheExternalPicture) {
  ASSERT_EQ(CountSplashes(kSplashAtStart), 2u);
  SplashRecord maker = GetSplash(kSplashAtStart, 0);
  EXPECT_EQ(maker.resource, kSplashInternal);
  EXPECT_EQ(maker.id, L"Tamblor");  // the one internal name the splash scene knows
  SplashRecord file = GetSplash(kSplashAtStart, 1);
  EXPECT_EQ(file.resource, kSplashExternal);
  std::vector<std::uint8_t> bytes = sampletest::ReadFileBytes(kDist + "/" + Narrow(file.id));
  std::optional<Canvas> picture = sampletest::Decode(bytes.data(), bytes.size());
  ASSERT_TRUE(picture) << Narrow(file.id);
  EXPECT_LE(picture->Width(), 640);
  EXPECT_LE(picture->Height(), 480);
}

TEST_F(SampleDistribution, PacksHoldTheFullScreenPicturesTheScenesAskForAndTheCommonPackTheFont) {
  for (auto [pack, name] : {std::pair{common_, L"/Back"}, {local_, L"/Quellor"}, {local_, L"/Info"}}) {
    std::optional<Canvas> picture = Picture(*pack, name);
    ASSERT_TRUE(picture) << Narrow(name);
    EXPECT_EQ(picture->Width(), 640) << Narrow(name);
    EXPECT_EQ(picture->Height(), 480) << Narrow(name);
  }
  std::optional<Canvas> maker = Picture(*common_, L"/Tamblor");
  ASSERT_TRUE(maker);
  EXPECT_LE(maker->Width(), 640);
  EXPECT_LE(maker->Height(), 480);
  EXPECT_TRUE(local_->GetByPrefix(L"/Font").empty());
}

TEST_F(SampleDistribution, EveryGlyphIsAValidPictureOfTheLineHeight) {
  std::vector<CTResource> entries = common_->GetByPrefix(L"/Font");
  ASSERT_EQ(entries.size(), artgen::FontCodeUnits().size());
  ASSERT_EQ(glyphs_->size(), entries.size()) << "some glyph is not a valid PNG, or two share a code";
  int height = glyphs_->begin()->second.Height();
  EXPECT_GE(height, 20);
  for (const auto& [code, picture] : *glyphs_) {
    EXPECT_EQ(picture.Height(), height) << std::hex << int(code);
    // Labels tint glyphs by modulation, so only white keeps the label's colour.
    for (const auto& c : picture.Pixels()) {
      ASSERT_TRUE(c.a == 0 || (c.r == 255 && c.g == 255 && c.b == 255)) << std::hex << int(code);
    }
  }
  for (const CTResource& e : entries) EXPECT_EQ(e.GetName().size(), 9u) << Narrow(e.GetName());
}

TEST_F(SampleDistribution, EveryTextHasItsGlyphsAndFitsWhereItIsDrawn) {
  // Whatever the table holds, a character without a glyph would be skipped on screen.
  for (const auto& [key, text] : g_Texts) {
    for (wchar_t c : text) {
      EXPECT_TRUE(glyphs_->count(c)) << Narrow(key.id) << " " << key.idx << ": U+" << std::hex << int(c);
    }
  }
  ASSERT_TRUE(configRead_);
  EXPECT_FALSE(g_Header.empty());
  for (const SceneText& t : SceneTexts()) {
    EXPECT_FALSE(LookupText(t.section, t.idx).empty()) << Narrow(t.section) << " " << t.idx;
    std::wstring shown = t.before + LookupText(t.section, t.idx) + t.after;
    float width = 0, height = 0;
    for (wchar_t c : shown) {
      auto glyph = glyphs_->find(c);
      ASSERT_TRUE(glyph != glyphs_->end()) << "no glyph in \"" << Narrow(shown) << "\"";
      width += glyph->second.Width() * t.scale;
      height = std::max(height, glyph->second.Height() * t.scale);
    }
    std::string where = Narrow(t.section) + " " + std::to_string(t.idx) + " \"" + Narrow(shown) + "\"";
    EXPECT_LE(width, t.width) << where;
    EXPECT_LE(height, t.height) << where;
  }
}

// The default handheld that ./run attaches, read by the layer that serves it: the game
// it describes must be the executable the installer starts and write the marker the
// installer waits for; and the payload holds the six files the installer copies.
TEST(SampleHandheldAndPayload, AReadyVgaPocketPcWithACardAndAGameThatWritesTheMarker) {
  std::optional<emu::Profile> profile = emu::ReadProfileOf(kDist + "/Handheld");
  ASSERT_TRUE(profile) << "the layer refused the sample's profile.json";
  EXPECT_TRUE(profile->connected);
  EXPECT_GE(profile->osMajor, 5u);
  EXPECT_EQ(ClassifyScreen(profile->screenWidth, profile->screenHeight), ScreenVga);
  EXPECT_GE(profile->mainMemory.total - profile->mainMemory.reserved, SpaceNeeded(ScreenVga) + kMainMemoryReserve);
  ASSERT_EQ(profile->cards.size(), 1u);
  EXPECT_GE(profile->cards[0].total - profile->cards[0].reserved, SpaceNeeded(ScreenVga));
  EXPECT_FALSE(profile->noDesktop || profile->sessionRefused || profile->processRefused ||
               profile->shortcutRefused || profile->disconnectAfterBytes);
  ASSERT_EQ(profile->programs.size(), 1u);
  const emu::ProgramBehaviour& game = profile->programs[0];
  EXPECT_EQ(game.path, game::kGameExecutable);
  EXPECT_TRUE(game.delaySeconds && *game.delaySeconds > 0.0);
  bool marker = false;
  for (const auto& write : game.writes) {
    marker |= write.key == game::kRegistryKey && write.value.name == game::kInstalledValue &&
              write.value.type == REG_DWORD && write.value.number != 0;
  }
  EXPECT_TRUE(marker) << "the game must write a non-zero REG_DWORD KX";

  for (const char* file : {"Config.xml", "QuellorMobileVGA.exe", "QuellorMobileQVGA.exe", "QuellorMobile.exe",
                           "QMRes_VGA.dat", "QMRes_QVGA.dat"}) {
    EXPECT_GT(sampletest::ReadFileBytes(kDist + "/Inst/" + file).size(), std::string(file).ends_with(".dat") ? 102400u : 0u)
        << file;
  }
}

}  // namespace
