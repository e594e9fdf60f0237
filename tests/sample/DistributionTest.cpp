// The sample distribution as built beside the program, read the way the program reads
// it: Config.xml through the engine's reader, the packs through CTResourceFile with the
// application's keys. It must hold every file, pack entry and text the scenes ask for,
// and a glyph for every character of those texts; where the scenes put things is theirs.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engine/Config.h"
#include "engine/ResourceFile.h"
#include "installer/DeviceLink.h"
#include "installer/GameLayout.h"
#include "installer/PackKeys.h"
#include "platform/rapi2/handheld.h"
#include "platform/win32/strings.h"
#include "tests/sample/SampleKit.h"
#include "tools/artgen/GlyphSet.h"

namespace {

using artgen::Canvas;
using sampletest::kDist;

std::string Narrow(const std::wstring& s) { return layer::WideToUtf8(s); }

std::optional<Canvas> Picture(const CTResourceFile& pack, const std::wstring& name) {
  CTResource entry = pack.GetByName(name);
  if (entry.GetOwner() == nullptr) return std::nullopt;
  return sampletest::Decode(std::vector<std::uint8_t>(entry.GetData(), entry.GetData() + entry.GetSize()));
}

// Read once, as the program does; a pack that cannot be opened ends the process inside
// Load, as in the program.
struct Distribution {
  bool configRead = ReadConfig(layer::Utf8ToWide(kDist + "/Config.xml"));
  CTResourceFile common, local;
  std::set<wchar_t> glyphs;  // the codes of the "/Font" entries
  Distribution() {
    const std::wstring dist = layer::Utf8ToWide(kDist) + L"/";
    common.Load(dist + g_CommonPackPath, kCommonPackKeys.salt, kCommonPackKeys.mask, kCommonPackKeys.passText);
    local.Load(dist + g_LocalPackPath, kLocalPackKeys.salt, kLocalPackKeys.mask, kLocalPackKeys.passText);
    for (const CTResource& glyph : common.GetByPrefix(L"/Font")) {
      EXPECT_TRUE(glyph.GetName().size() == 9 && Picture(common, glyph.GetName())) << Narrow(glyph.GetName());
      glyphs.insert(wchar_t(std::stoi(Narrow(glyph.GetName().substr(5)), nullptr, 16)));
    }
  }
};
const Distribution& Dist() {
  static const Distribution* dist = new Distribution;  // kept to the end, like the program's packs
  return *dist;
}

TEST(SampleDistribution, HoldsTheSplashesAndTheFullScreenPicturesTheScenesShow) {
  const Distribution& d = Dist();
  ASSERT_TRUE(d.configRead);
  ASSERT_EQ(CountSplashes(kSplashAtStart), 2u);
  const SplashRecord maker = GetSplash(kSplashAtStart, 0), file = GetSplash(kSplashAtStart, 1);
  EXPECT_TRUE(maker.resource == kSplashInternal && maker.id == L"Tamblor");  // the one the splash scene knows
  EXPECT_EQ(file.resource, kSplashExternal);
  const std::pair<std::optional<Canvas>, bool> pictures[] = {  // the picture, whether it fills the window
      {sampletest::Decode(sampletest::ReadFileBytes(kDist + "/" + Narrow(file.id))), false}, {Picture(d.common, L"/Tamblor"), false},
      {Picture(d.common, L"/Back"), true}, {Picture(d.local, L"/Quellor"), true}, {Picture(d.local, L"/Info"), true}};
  for (const auto& [picture, full] : pictures) {
    ASSERT_TRUE(picture) << &picture - &pictures[0].first;
    const int w = picture->Width(), h = picture->Height();
    EXPECT_TRUE(full ? w == 640 && h == 480 : w <= 640 && h <= 480) << w << "x" << h;
  }
  EXPECT_TRUE(d.local.GetByPrefix(L"/Font").empty());
}

TEST(SampleDistribution, EveryTextTheScenesAskForIsThereWithAGlyphForEachCharacter) {
  const Distribution& d = Dist();
  EXPECT_EQ(d.glyphs.size(), artgen::FontCodeUnits().size());
  ASSERT_TRUE(d.configRead);
  EXPECT_FALSE(g_Header.empty());
  const std::map<std::wstring, std::vector<int>> asked = {{L"MainMenu", {0, 2, 3, 4, 5}}, {L"Device", {0, 1, 2, 3}},
      {L"Path", {0, 1, 2, 3}}, {L"Install", {0, 1, 2, 3, 4, 5, 6, 7}}, {L"Uninstall", {0, 1, 2, 3, 4, 5, 6}},
      {L"Confirm", {0, 1, 2, 3}}, {L"Info", {0, 1}}};
  for (const auto& [section, indexes] : asked) {
    for (int idx : indexes) EXPECT_FALSE(LookupText(section, idx).empty()) << Narrow(section) << " " << idx;
  }
  // Whatever the table holds, a character without a glyph would be skipped on screen.
  for (const auto& [key, text] : g_Texts) {
    for (wchar_t c : text) EXPECT_TRUE(d.glyphs.count(c)) << Narrow(key.id) << " " << key.idx << ": " << int(c);
  }
}

// The default handheld that ./run attaches, read by the layer that serves it: the game
// it describes must be the executable the installer starts and write the marker the
// installer waits for; and the payload holds the six files the installer copies.
TEST(SampleHandheldAndPayload, AReadyVgaPocketPcWithACardAndAGameThatWritesTheMarker) {
  std::optional<emu::Profile> p = emu::ReadProfileOf(kDist + "/Handheld");
  ASSERT_TRUE(p) << "the layer refused the sample's profile.json";
  EXPECT_TRUE(p->connected && p->osMajor >= 5u && ClassifyScreen(p->screenWidth, p->screenHeight) == ScreenVga);
  EXPECT_FALSE(p->noDesktop || p->sessionRefused || p->processRefused || p->shortcutRefused || p->disconnectAfterBytes);
  EXPECT_GE(p->mainMemory.total - p->mainMemory.reserved, SpaceNeeded(ScreenVga) + kMainMemoryReserve);
  ASSERT_EQ(p->cards.size(), 1u);
  EXPECT_GE(p->cards[0].total - p->cards[0].reserved, SpaceNeeded(ScreenVga));
  ASSERT_EQ(p->programs.size(), 1u);
  const emu::ProgramBehaviour& game = p->programs[0];
  EXPECT_TRUE(game.path == game::kGameExecutable && game.delaySeconds && *game.delaySeconds > 0.0);
  bool marker = false;
  for (const auto& write : game.writes) {
    marker |= write.key == game::kRegistryKey && write.value.name == game::kInstalledValue &&
              write.value.type == REG_DWORD && write.value.number != 0;
  }
  EXPECT_TRUE(marker) << "the game must write a non-zero REG_DWORD KX";
  for (std::string file : {"Config.xml", "QuellorMobileVGA.exe", "QuellorMobileQVGA.exe", "QuellorMobile.exe",
                           "QMRes_VGA.dat", "QMRes_QVGA.dat"}) {
    EXPECT_GT(sampletest::ReadFileBytes(kDist + "/Inst/" + file).size(), file.ends_with(".dat") ? 102400u : 0u) << file;
  }
}

}  // namespace
