// The probes behind the fuzz targets must see the faults they are there to see, and
// must step around the program's deliberate endings: a probe that ended the process
// at "Incorrect resource pointer" or "Symbol redefinition" would stop every fuzz run
// at the first such input, and one that missed a write outside the handheld's fs/
// would let the fault through. Small sweeps also run the pack reader against its
// second reading on the shapes that matter most (under the sanitizers in CI). At the
// end, the inputs every probe must pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/LittleEndian.h"
#include "fuzz/probes/HandheldSandbox.h"
#include "fuzz/probes/Probes.h"
#include "tests/support/TempFolder.h"
#include "tools/packtool/PackWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A binary PPM of width x 1 pixels.
Bytes Ppm(int width) {
  Bytes file = Text("P6\n" + std::to_string(width) + " 1\n255\n");
  file.resize(file.size() + 3 * static_cast<std::size_t>(width), 0x7F);
  return file;
}

Bytes PlainPack(const std::vector<packwriter::Entry>& entries) {
  const std::uint32_t key[4] = {1, 2, 3, 4};
  return packwriter::LayOut(entries, key);
}

// Records start right after the 36-byte header: offset, size, name and its 0 byte.
std::size_t RecordAt(const std::vector<packwriter::Entry>& entries, std::size_t index) {
  std::size_t at = 36;
  for (std::size_t i = 0; i < index; ++i) at += 8 + entries[i].name.size() + 1;
  return at;
}

TEST(PackProbe, StepsAroundEntriesTheProgramRefusesToServe) {
  const std::vector<packwriter::Entry> entries = {{"/Back", Ppm(2)}, {"/Info", Ppm(1)}, {"/Quellor", Ppm(3)}};
  Bytes beyondData = PlainPack(entries);
  StoreLE32(beyondData.data() + 32, LoadLE32(beyondData.data() + 32) - 1);  // the last entry pokes out
  EXPECT_EQ(fuzzprobe::ProbePackImage(beyondData), "");

  Bytes beyondFile = PlainPack(entries);
  StoreLE32(beyondFile.data() + 32, 0xFFFFFFF0u);  // a data area far larger than the file
  StoreLE32(beyondFile.data() + RecordAt(entries, 1) + 4, 0x10000);
  EXPECT_EQ(fuzzprobe::ProbePackImage(beyondFile), "");
  EXPECT_EQ(fuzzprobe::ProbePackFile(beyondFile), "");

  // Cut anywhere: names without their 0 byte at the end, a file shorter than a header.
  const Bytes whole = PlainPack(entries);
  for (std::size_t cut : {whole.size(), whole.size() - 1, whole.size() - 7, RecordAt(entries, 2) + 10, std::size_t{36},
                          std::size_t{10}}) {
    EXPECT_EQ(fuzzprobe::ProbePackImage(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut))), "")
        << cut;
  }
}

// Random pack files around the header and the first blocks, and past a whole pad period
// (128 blocks) with every tail length the batch paths must leave alone.
TEST(PackProbe, PackFilesOfEveryLengthReadAsThePlainReading) {
  std::mt19937 random(7);
  for (std::size_t size = 0; size <= 20 + 8 * 131; size = size == 80 ? 20 + 8 * 130 : size + 1) {
    Bytes file(size);
    for (auto& byte : file) byte = static_cast<std::uint8_t>(random());
    EXPECT_EQ(fuzzprobe::ProbePackFile(file), "") << size;
  }
}

TEST(FontProbe, StepsAroundTheFontsEndingsAndMeasuresWhatItLoads) {
  // Two names for the code 0x0041 end the program while loading: not loaded at all.
  EXPECT_EQ(fuzzprobe::ProbeFont(PlainPack({{"/Font0041", Ppm(2)}, {"/Font0x41", Ppm(3)}})), "");
  // A glyph that is no picture ends the program when drawn: left out of the text.
  EXPECT_EQ(fuzzprobe::ProbeFont(PlainPack({{"/Font0042", Text("not a picture")}, {"/Font0043", Ppm(4)}})),
            "");
  // Glyphs of 2, 3 and 5 pixels with the spacing of the pack's first byte.
  Bytes font = PlainPack({{"/Font0041", Ppm(2)}, {"/Font00e9", Ppm(3)}, {"/FontG042", Ppm(5)}, {"/Back", Ppm(9)}});
  font[0] = static_cast<std::uint8_t>(-2);
  EXPECT_EQ(fuzzprobe::ProbeFont(font), "");
}

TEST(PictureProbe, SignatureChoiceGivesBackTheSameFile) {
  const Bytes ppm = Ppm(3);
  const Bytes input = fuzzprobe::PictureFormatInput(ppm);
  ASSERT_FALSE(input.empty());
  EXPECT_EQ(Bytes(input.begin() + 1, input.end()), Bytes(ppm.begin() + 2, ppm.end()));
  EXPECT_EQ(fuzzprobe::ProbePictureFormat(input), "");
  EXPECT_EQ(fuzzprobe::ProbePicture(ppm), "");
  // No signature of the list: the TGA choice, which keeps every byte.
  EXPECT_EQ(fuzzprobe::PictureFormatInput(Text("xyz")).size(), 4u);
}

TEST(DevicePathProbe, SeesEveryChangeBesideFs) {
  fuzzprobe::HandheldSandbox& sandbox = fuzzprobe::HandheldSandbox::Get();
  const fs::path besideFs = sandbox.FsRoot().parent_path() / "outside.txt";
  ASSERT_EQ(sandbox.Damage(), "");
  const Bytes sentinel = testsupport::ReadBytes(besideFs);
  std::ofstream(besideFs, std::ios::trunc) << "overwritten";
  EXPECT_NE(sandbox.Damage(), "");
  testsupport::WriteBytes(besideFs, sentinel);
  EXPECT_EQ(sandbox.Damage(), "");

  const fs::path stray = sandbox.FsRoot().parent_path().parent_path() / "stray.txt";
  std::ofstream(stray) << "made outside";
  EXPECT_NE(sandbox.Damage(), "");
  fs::remove(stray);

  fs::create_symlink(besideFs, sandbox.FsRoot() / "Program Files" / "new-link");
  EXPECT_NE(sandbox.Damage(), "");
  sandbox.ResetDevice();
  EXPECT_EQ(sandbox.Damage(), "");
}

TEST(DevicePathProbe, PathsThatTryToLeaveFsStayInside) {
  for (const std::wstring& path :
       {std::wstring(L"\\..\\outside.txt"), std::wstring(L"\\escape\\keep.txt"), std::wstring(L"\\escape.txt"),
        std::wstring(L"\\Storage Card\\up\\outside.txt"), std::wstring(L"\\Program Files/../../outside.txt"),
        std::wstring(L"\\escape.txt") + L'\0' + L"\\escape\\keep.txt", std::wstring(L"C:\\outside.txt"),
        // An ordinary path is written and removed again inside fs/ without complaint.
        std::wstring(L"\\Program Files\\game.exe") + L'\0' + L"\\Windows\\Start Menu\\Programs\\game.lnk"}) {
    EXPECT_EQ(fuzzprobe::ProbeDevicePath(testsupport::Utf16Le(path)), "");
  }
}

// Inputs replayed through the probe of their fuzz target, each of which must pass the
// probe's checks (and, in the sanitizer build, run without a sanitizer report): the
// sample distribution's files and the test data, which also seed the fuzz corpora, and
// the inputs that fuzzing found faults with, kept in tests/data/regressions/<target>/.
// QUELLOR_REPLAY_DIR points the last at another folder of <target>/ folders, such as a
// fuzz run's corpora, so that they can be replayed under g++'s sanitizers too.
TEST(Replay, EveryKnownInputPassesItsProbe) {
  const fs::path dist = QUELLOR_DIST_DIR, data = QUELLOR_TEST_DATA_DIR;
  std::vector<std::pair<std::string, fs::path>> inputs = {
      {"config", dist / "Config.xml"}, {"config", dist / "Inst" / "Config.xml"}, {"pack", dist / "Common.pak"},
      {"pack", dist / "Local.pak"}, {"picture", dist / "Splash.png"}, {"config", data / "foundation" / "Config.xml"}};
  const char* other = std::getenv("QUELLOR_REPLAY_DIR");
  const fs::path kept = other != nullptr && *other != '\0' ? fs::path(other) : data / "regressions";
  for (const char* target : {"pack", "pack_image", "config", "picture", "picture_format", "font", "device_path"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(kept / target, error)) inputs.emplace_back(target, entry.path());
  }
  for (const auto& [target, path] : inputs) {
    const fuzzprobe::Probe probe = fuzzprobe::ProbeNamed(target);
    ASSERT_NE(probe, nullptr) << target;
    const std::vector<std::uint8_t> input = testsupport::ReadBytes(path);
    ASSERT_FALSE(input.empty()) << path;
    EXPECT_EQ(probe(input), "") << target << ": " << path;
  }
}

}  // namespace
