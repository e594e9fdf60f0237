// The sample distribution as built beside the program, read the way the program reads
// it: Config.xml through the engine's reader, the packs through CTResourceFile with the
// application's keys. It must hold every file, pack entry and text the scenes ask for,
// and a glyph for every character of those texts; where the scenes put things is theirs.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engine/Config.h"
#include "engine/ResourceFile.h"
#include "installer/PackKeys.h"
#include "platform/win32/strings.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/TempFolder.h"
#include "tools/artgen/GlyphSet.h"

namespace {

const std::string kDist = QUELLOR_DIST_DIR;

std::string Narrow(const std::wstring& s) { return layer::WideToUtf8(s); }

std::optional<layer::DecodedImage> Picture(const CTResourceFile& pack, const std::wstring& name) {
  const CTResource entry = pack.GetByName(name);  // none: no bytes, so no picture
  return pictures_test::Decode(std::vector<std::uint8_t>(entry.GetData(), entry.GetData() + entry.GetSize()));
}

TEST(SampleDistribution, HoldsEveryPictureFileAndTextTheScenesAndTheInstallerAskFor) {
  ASSERT_TRUE(ReadConfig(layer::Utf8ToWide(kDist + "/Config.xml")));
  EXPECT_FALSE(g_Header.empty());
  // A pack that cannot be opened ends the process inside Load, as in the program.
  CTResourceFile common, local;
  const std::wstring dist = layer::Utf8ToWide(kDist) + L"/";
  common.Load(dist + g_CommonPackPath, kCommonPackKeys.salt, kCommonPackKeys.mask, kCommonPackKeys.passText);
  local.Load(dist + g_LocalPackPath, kLocalPackKeys.salt, kLocalPackKeys.mask, kLocalPackKeys.passText);

  ASSERT_EQ(CountSplashes(kSplashAtStart), 2u);
  const SplashRecord maker = GetSplash(kSplashAtStart, 0), file = GetSplash(kSplashAtStart, 1);
  EXPECT_TRUE(maker.resource == kSplashInternal && maker.id == L"Tamblor");  // the one the splash scene knows
  EXPECT_EQ(file.resource, kSplashExternal);
  const std::tuple<std::string, std::optional<layer::DecodedImage>, bool> pictures[] = {  // fills the window?
      {Narrow(file.id), pictures_test::Decode(testsupport::ReadBytes(kDist + "/" + Narrow(file.id))), false},
      {"/Tamblor", Picture(common, L"/Tamblor"), false}, {"/Back", Picture(common, L"/Back"), true},
      {"/Quellor", Picture(local, L"/Quellor"), true}, {"/Info", Picture(local, L"/Info"), true}};
  for (const auto& [name, picture, full] : pictures) {
    ASSERT_TRUE(picture) << name;
    const std::uint32_t w = picture->width, h = picture->height;
    EXPECT_TRUE(full ? w == 640 && h == 480 : w <= 640 && h <= 480) << name << " " << w << "x" << h;
  }
  for (std::string payload : {"Config.xml", "QuellorMobileVGA.exe", "QuellorMobileQVGA.exe", "QuellorMobile.exe",
                              "QMRes_VGA.dat", "QMRes_QVGA.dat"}) {
    const std::size_t least = payload.ends_with(".dat") ? 102400 : 0;
    EXPECT_GT(testsupport::ReadBytes(kDist + "/Inst/" + payload).size(), least) << payload;
  }

  std::set<wchar_t> glyphs;  // "/Font" and four hexadecimal digits of the code, as the font reads them
  for (const CTResource& glyph : common.GetByPrefix(L"/Font")) {
    EXPECT_TRUE(glyph.GetName().size() == 9 && Picture(common, glyph.GetName())) << Narrow(glyph.GetName());
    glyphs.insert(wchar_t(std::stoi(Narrow(glyph.GetName().substr(5)), nullptr, 16)));
  }
  EXPECT_EQ(glyphs.size(), artgen::FontCodeUnits().size());
  const std::map<std::wstring, std::vector<int>> asked = {{L"MainMenu", {0, 2, 3, 4, 5}}, {L"Device", {0, 1, 2, 3}},
      {L"Path", {0, 1, 2, 3}}, {L"Install", {0, 1, 2, 3, 4, 5, 6, 7}}, {L"Uninstall", {0, 1, 2, 3, 4, 5, 6}},
      {L"Confirm", {0, 1, 2, 3}}, {L"Info", {0, 1}}};
  for (const auto& [section, indexes] : asked) {
    for (int idx : indexes) EXPECT_FALSE(LookupText(section, idx).empty()) << Narrow(section) << " " << idx;
  }
  // Whatever the table holds, a character without a glyph would be skipped on screen.
  for (const auto& [key, text] : g_Texts) {
    for (wchar_t c : text) EXPECT_TRUE(glyphs.count(c)) << Narrow(key.id) << " " << key.idx << ": " << int(c);
  }
}

}  // namespace
