#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/LittleEndian.h"
#include "engine/Log.h"
#include "engine/ResourceFile.h"
#include "engine/XTEA.h"
#include "platform/testkit/clock.h"
#include "tests/foundation/FoundationKit.h"
#include "tests/support/FailingAllocations.h"
#include "tools/packtool/PackWriter.h"

namespace {

using namespace foundation_test;

const packwriter::Secrets kSecrets = {-77, {0xDEADBEEF, 1, 0x80000000, 42}, "ZorvempLaxit"};

Bytes EntryBytes(const CTResource& entry) { return Bytes(entry.GetData(), entry.GetData() + entry.GetSize()); }

// The start of a plain pack with the given header numbers; records and data follow.
Bytes Header(std::uint32_t dirOffset, std::uint32_t dirSize, std::uint32_t dataOffset, std::uint32_t dataSize) {
  Bytes image(36, 0);
  const std::uint32_t words[9] = {0x4B415051, 11, 22, 33, 44, dirOffset, dirSize, dataOffset, dataSize};
  for (int k = 0; k < 9; ++k) StoreLE32(&image[4 * k], words[k]);
  return image;
}

void AddRecord(Bytes& image, std::uint32_t offset, std::uint32_t size, const std::string& name, bool terminated = true) {
  image.resize(image.size() + 8);
  StoreLE32(&image[image.size() - 8], offset);
  StoreLE32(&image[image.size() - 4], size);
  image.insert(image.end(), name.begin(), name.end() + (terminated ? 1 : 0));
}

// Enciphers a plain pack as the format says, with its numbers written out here rather
// than taken from the reader: key words at 4-19 stored masked, 5 cycles from byte 20.
// fileSize: the size of the file the image begins, when more follows it.
void Seal(Bytes& image, std::uint32_t fileSize = 0) {
  std::uint32_t key[4];
  for (int k = 0; k < 4; ++k) key[k] = LoadLE32(&image[4 + 4 * k]);
  const auto size = fileSize != 0 ? fileSize : static_cast<std::uint32_t>(image.size());
  const auto salt = static_cast<std::uint32_t>(kSecrets.salt);
  const std::uint32_t vector[2] = {size + salt, size - salt};
  XTEAMod cipher;
  cipher.SetPad(vector, "ZorvempLaxit");
  cipher.SetKey(key);
  cipher.SetRounds(5);
  cipher.Encipher(image.data() + 20, static_cast<std::uint32_t>(image.size()) - 20);
  for (int k = 0; k < 4; ++k) StoreLE32(&image[4 + 4 * k], key[k] ^ kSecrets.mask[k]);
}

class PackTest : public ::testing::Test {
 protected:
  PackTest() { testkit::FixLocalTime(&kTime); }
  ~PackTest() override { testkit::FixLocalTime(nullptr), g_LogPath.clear(); }
  void LoadImage(Bytes image) {
    if (image.size() >= 20) Seal(image);
    WriteBytes(path, image);
    Load();
  }
  void Load() { pack.Load(Wide(path), kSecrets.salt, kSecrets.mask, kSecrets.passText.c_str()); }

  static constexpr SYSTEMTIME kTime = {2009, 3, 6, 7, 14, 5, 9, 0};
  TempFolder folder;
  std::string path = folder.File("test.pak");
  CTResourceFile pack;
};

TEST_F(PackTest, LookUpsByIndexNameAndPrefix) {
  WriteBytes(path, packwriter::Build({{"/Font0041", {1}}, {"/Back", {2}}, {"/Fo", {3}}, {"/Font0042", {4}},
                                      {"/Back", {5}}, {"caf\xE9", {6}}, {"/Empty", {}}}, kSecrets));
  Load();
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Back")), Bytes{2});  // the first of two
  EXPECT_EQ(pack.GetByName(L"/back").GetOwner(), nullptr);     // letter case counts
  EXPECT_EQ(EntryBytes(pack.GetByName(L"caf\x00E9")), Bytes{6});
  EXPECT_TRUE(EntryBytes(pack.GetByName(L"/Empty")).empty());
  EXPECT_EQ(pack.GetByIndex(4).GetName(), L"/Back");
  EXPECT_EQ(pack.GetByIndex(7).GetOwner(), nullptr);
  const std::vector<CTResource> fonts = pack.GetByPrefix(L"/Font");
  ASSERT_EQ(fonts.size(), 2u);
  EXPECT_EQ(std::tuple(fonts[0].GetName(), fonts[1].GetName()), std::tuple(L"/Font0041", L"/Font0042"));
  EXPECT_EQ(pack.GetByPrefix(L"").size(), 7u);
  EXPECT_TRUE(pack.GetByPrefix(L"/Nothing").empty());
  EXPECT_EQ(CTResource().GetData(), nullptr);
}

// A record begins only while more than 4 bytes of the directory are left, and only a
// file of the whole 36-byte header has its header read.
TEST_F(PackTest, DirectoryBoundsAndMalformedPacks) {
  for (const auto& [dirSize, count] : {std::pair(4u, 0u), {5u, 1u}, {15u, 1u}, {16u, 2u}}) {
    Bytes image = Header(36, dirSize, 60, 0);
    AddRecord(image, 0, 0, "/A");
    AddRecord(image, 0, 0, "/B");
    LoadImage(image);
    EXPECT_EQ(pack.GetEntries().size(), count) << dirSize;
  }
  Bytes image = Header(20, 16, 0x41, 0);  // the header's last words read as a record "A"
  LoadImage(image);
  EXPECT_EQ(std::tuple(pack.GetEntries().size(), pack.GetByIndex(0).GetName()), std::tuple(1u, L"A"));
  image.pop_back();
  LoadImage(image);
  EXPECT_TRUE(pack.GetEntries().empty());
  // A directory size past the end (and past 32 bits): records are read while they lie
  // wholly inside the file; a name without its 0 byte ends it. (More malformed packs:
  // the pack probe's sweeps in tests/regressions.)
  image = Header(36, 0xFFFFFFFF, 36, 0);
  AddRecord(image, 0, 0, "/A");
  AddRecord(image, 0, 0, "/NoEnd", false);
  LoadImage(image);
  EXPECT_EQ(std::tuple(pack.GetEntries().size(), pack.GetByIndex(0).GetName()), std::tuple(1u, L"/A"));
}

TEST_F(PackTest, BadEntriesEndTheProgramSilentlyAndUnreadablePacksWithALogLine) {
  ScopedEnv logFolder("ALLUSERS", folder.Path().c_str());
  OpenLog(L"T", L"P");
  // A data area of 8 bytes after the directory, then 8 bytes it leaves out; entries: exactly
  // to its end, one byte more (still inside the file), past the file's end under a data size
  // that claims more than the file holds, and offset + size past 32 bits.
  Bytes image = Header(36, 4 * 8 + 6 + 6 + 5 + 6, 36 + 4 * 8 + 6 + 6 + 5 + 6, 8);
  AddRecord(image, 0, 8, "/Fits");
  AddRecord(image, 1, 8, "/Over");
  AddRecord(image, 16, 1, "/Lie");
  AddRecord(image, 0xFFFFFFF0, 0x20, "/Wrap");
  image.resize(image.size() + 8, 0xAB), image.resize(image.size() + 8, 0xCD);
  LoadImage(image);
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Fits")), Bytes(8, 0xAB));
  EXPECT_EXIT(pack.GetByName(L"/Over").GetData(), ::testing::ExitedWithCode(3), "Incorrect resource pointer");
  StoreLE32(&image[32], 0xFFFFFFFF);  // the header now lies about the data size
  LoadImage(image);
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Fits")), Bytes(8, 0xAB));
  for (const wchar_t* name : {L"/Lie", L"/Wrap"}) {
    EXPECT_EXIT(pack.GetByName(name).GetData(), ::testing::ExitedWithCode(3), "Incorrect resource pointer") << name;
  }
  const std::string log = folder.File("T/P/Logs/2009_03_07 14_05_09.txt");
  EXPECT_TRUE(ReadBytes(log).empty());  // these failures write no log line

  // A file that gives less than its size says (as the kernel's files do) is read as
  // far as it goes; a FIFO fails at once, though no one writes to it.
  path = "/sys/devices/system/cpu/online";
  Load();
  EXPECT_EQ(pack.GetFileSize(), 4096u);
  // Sparse packs: the largest read is read whole; one byte more, 2 GiB, or 4 GiB and
  // 36 bytes (36 in the low 32 bits of its size) fail before anything is read.
  path = folder.File("sparse.pak");
  image = Header(36, 11, 60, 0);
  AddRecord(image, 0, 0, "/A");
  image.resize(52);  // whole blocks: the file goes on after them
  Seal(image, CTResourceFile::kMaxFileSize);
  ASSERT_EQ(::truncate(WriteBytes(path, image).c_str(), CTResourceFile::kMaxFileSize), 0);
  Load();
  EXPECT_EQ(std::tuple(pack.GetFileSize(), pack.GetEntries().size(), pack.GetByIndex(0).GetName()),
            std::tuple(CTResourceFile::kMaxFileSize, 1u, L"/A"));
  for (const auto& [name, size] : {std::pair("over.pak", off_t{CTResourceFile::kMaxFileSize} + 1),
                                   {"huge.pak", off_t{1} << 31}, {"past32.pak", (off_t{1} << 32) + 36}}) {
    ASSERT_EQ(::truncate(WriteBytes(folder.File(name), {}).c_str(), size), 0);
  }
  ASSERT_EQ(::mkfifo(folder.File("fifo.pak").c_str(), 0600), 0);
  for (const char* name : {"fifo.pak", "missing.pak", "over.pak", "huge.pak", "past32.pak"}) {
    path = folder.File(name);
    EXPECT_EXIT(Load(), ::testing::ExitedWithCode(3), "Can't read resource file") << name;
  }
  // Memory running out for the buffer, or for a name of 100,000 characters (400 kB).
  image = Header(36, 100009, 0, 0);
  AddRecord(image, 0, 0, std::string(100000, 'n'));
  LoadImage(image);
  EXPECT_EQ(pack.GetEntries().at(0).GetName().size(), 100000u);
  for (int skip : {0, 1}) {
    EXPECT_EXIT((testsupport::FailLargeAllocations(100000, skip), Load()), ::testing::ExitedWithCode(3),
                "Can't read resource file") << skip;
  }
  const std::wstring stamp = L"2009-03-07 14:05:09  ", error = stamp + L"ERROR    Can't read resource file\r\n";
  std::wstring expected = stamp + L"WARNING  Resource file can't be read completely\r\n";
  for (int i = 0; i < 7; ++i) expected += error;
  EXPECT_EQ(ReadBytes(log), Utf16Le(expected));
}

}  // namespace
