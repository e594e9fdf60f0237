#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/LittleEndian.h"
#include "engine/Log.h"
#include "engine/ResourceFile.h"
#include "platform/testkit/clock.h"
#include "tests/foundation/FoundationKit.h"
#include "tools/packtool/PackWriter.h"

namespace {

using foundation_test::Bytes;
using foundation_test::PatternBytes;
using foundation_test::ReadBytes;
using foundation_test::ScopedEnv;
using foundation_test::TempFolder;
using foundation_test::Utf16Le;
using foundation_test::Wide;
using foundation_test::WriteBytes;
using packwriter::Entry;

const packwriter::Secrets kSecrets = {-77, {0xDEADBEEF, 1, 0x80000000, 42}, "ZorvempLaxit"};

Bytes EntryBytes(const CTResource& entry) {
  const std::uint8_t* data = entry.GetData();
  return Bytes(data, data + entry.GetSize());
}

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

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override { testkit::FixLocalTime(&kTime); }
  void TearDown() override { testkit::FixLocalTime(nullptr), g_LogPath.clear(); }
  // Writes the entries as a pack and loads it.
  void LoadEntries(const std::vector<Entry>& entries) {
    WriteBytes(path, packwriter::Build(entries, kSecrets));
    Load();
  }
  // Seals a hand-made plain pack as the pack tool would and loads it.
  void LoadImage(Bytes image) {
    if (image.size() >= 20) packwriter::Seal(image, kSecrets);
    WriteBytes(path, image);
    Load();
  }
  void Load() { pack.Load(Wide(path), kSecrets.salt, kSecrets.mask, kSecrets.passText.c_str()); }
  std::string LogFile() const { return folder.File("T/P/Logs/2009_03_07 14_05_09.txt"); }

  static constexpr SYSTEMTIME kTime = {2009, 3, 6, 7, 14, 5, 9, 0};
  TempFolder folder;
  std::string path = folder.File("test.pak");
  CTResourceFile pack;
};

TEST_F(PackTest, EveryEntryComesBackUnchangedWhateverTheTailLength) {
  for (std::uint32_t tail = 0; tail < 8; ++tail) {
    // 36 + 3 records of 14 bytes: the last entry's size sets (file size - 20) % 8.
    const std::uint32_t lastSize = (tail + 8 - (36 + 42 + 100 + 37 - 20) % 8) % 8 + 8;
    const std::vector<Entry> entries = {
        {"/Back", PatternBytes(100, tail)}, {"/Font", PatternBytes(37, tail + 10)}, {"/Info", PatternBytes(lastSize, 1)}};
    LoadEntries(entries);
    ASSERT_EQ((pack.GetFileSize() - 20) % 8, tail);
    ASSERT_EQ(pack.GetEntries().size(), 3u);
    std::uint32_t offset = 0;
    for (std::uint32_t k = 0; k < 3; ++k) {
      const CTResource entry = pack.GetByIndex(k);
      EXPECT_EQ(entry.GetName(), Wide(entries[k].name));
      EXPECT_EQ(entry.GetOffset(), offset);
      EXPECT_EQ(EntryBytes(entry), entries[k].bytes);
      offset += entry.GetSize();
    }
    // The bytes behind the last whole block are stored as they are.
    std::uint32_t key[4];
    packwriter::DeriveKey(entries, key);
    const Bytes plain = packwriter::LayOut(entries, key), stored = ReadBytes(path);
    const std::size_t blocksEnd = plain.size() - tail;
    EXPECT_TRUE(std::equal(plain.begin() + blocksEnd, plain.end(), stored.begin() + blocksEnd));
    EXPECT_FALSE(std::equal(plain.begin() + blocksEnd - 8, plain.begin() + blocksEnd, stored.begin() + blocksEnd - 8));
  }
}

TEST_F(PackTest, LookUpsByIndexNameAndPrefix) {
  LoadEntries({{"/Font0041", {1}}, {"/Back", {2}}, {"/Fo", {3}}, {"/Font0042", {4}}, {"/Back", {5}},
               {"caf\xE9", {6}}, {"/Empty", {}}});
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Back")), Bytes{2});  // the first of two
  EXPECT_EQ(pack.GetByName(L"/back").GetOwner(), nullptr);     // letter case counts
  EXPECT_EQ(pack.GetByName(L"/Bac").GetOwner(), nullptr);
  EXPECT_EQ(EntryBytes(pack.GetByName(L"caf\x00E9")), Bytes{6});
  EXPECT_TRUE(EntryBytes(pack.GetByName(L"/Empty")).empty());
  EXPECT_EQ(pack.GetByIndex(4).GetName(), L"/Back");
  EXPECT_EQ(pack.GetByIndex(7).GetOwner(), nullptr);

  std::vector<std::wstring> names;
  for (const CTResource& entry : pack.GetByPrefix(L"/Font")) names.push_back(entry.GetName());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"/Font0041", L"/Font0042"}));
  EXPECT_EQ(pack.GetByPrefix(L"").size(), 7u);
  EXPECT_TRUE(pack.GetByPrefix(L"/Nothing").empty());

  EXPECT_EQ(std::tuple(CTResource().GetData(), CTResource().GetName()), std::tuple(nullptr, L""));
}

TEST_F(PackTest, MalformedPacksLoadWithoutTouchingAnythingOutsideTheFile) {
  for (std::size_t size : {0, 1, 19, 20, 35}) {  // shorter than the header: no entries
    WriteBytes(path, PatternBytes(size, 5));
    Load();
    EXPECT_EQ(pack.GetFileSize(), size);
    EXPECT_TRUE(pack.GetEntries().empty());
  }

  Bytes image = Header(36, 4, 60, 0);  // a directory of 4 bytes holds no record
  AddRecord(image, 0, 0, "/A");
  LoadImage(image);
  EXPECT_TRUE(pack.GetEntries().empty());

  LoadImage(Header(0xFFFFFF00, 0x1000, 0, 0));  // directory far outside the file
  EXPECT_TRUE(pack.GetEntries().empty());

  // A directory size running past the end (and past 32 bits): records are read while
  // they lie wholly inside the file; a name without its 0 byte ends the directory.
  image = Header(36, 0xFFFFFFFF, 36, 0);
  AddRecord(image, 0, 0, "/A");
  AddRecord(image, 0, 0, "/NoEnd", false);
  LoadImage(image);
  ASSERT_EQ(pack.GetEntries().size(), 1u);
  EXPECT_EQ(pack.GetEntries()[0].GetName(), L"/A");

  image = Header(36, 100, 36, 0);
  AddRecord(image, 0, 0, "/A");
  image.insert(image.end(), {1, 2, 3, 4, 5});  // a record cut short after 5 bytes
  LoadImage(image);
  EXPECT_EQ(pack.GetEntries().size(), 1u);

  // Random files of every small size with random headers, as a pack with the wrong keys
  // looks: loading and looking up must stay inside the buffer (checked under ASan).
  std::mt19937 random(7);
  for (std::size_t size = 0; size < 400; ++size) {
    Bytes garbage = PatternBytes(size, static_cast<std::uint32_t>(random()));
    if (size >= 36 && size % 2 == 0) StoreLE32(&garbage[20], static_cast<std::uint32_t>(random() % size));
    WriteBytes(path, garbage);
    Load();
    for (const CTResource& entry : pack.GetEntries()) EXPECT_EQ(pack.GetByName(entry.GetName()).GetOwner(), &pack);
  }
}

TEST_F(PackTest, BadEntriesEndTheProgramSilentlyAndAMissingPackWithALogLine) {
  ScopedEnv logFolder("ALLUSERS", folder.Path().c_str());
  OpenLog(L"T", L"P");
  // A data area of 8 bytes after the directory, then 8 bytes it leaves out; entries: exactly
  // to its end, one byte more (still inside the file), past the file's end under a data size
  // that claims more than the file holds, and offset + size past 32 bits.
  Bytes records;
  AddRecord(records, 0, 8, "/Fits");
  AddRecord(records, 1, 8, "/Over");
  AddRecord(records, 16, 1, "/Lie");
  AddRecord(records, 0xFFFFFFF0, 0x20, "/Wrap");
  const auto dirSize = static_cast<std::uint32_t>(records.size());
  Bytes image = Header(36, dirSize, 36 + dirSize, 8);
  image.insert(image.end(), records.begin(), records.end());
  image.resize(image.size() + 8, 0xAB);
  image.resize(image.size() + 8, 0xCD);
  LoadImage(image);
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Fits")), Bytes(8, 0xAB));
  EXPECT_EXIT(pack.GetByName(L"/Over").GetData(), ::testing::ExitedWithCode(3), "Incorrect resource pointer");

  StoreLE32(&image[32], 0xFFFFFFFF);  // the header now lies about the data size
  LoadImage(image);
  EXPECT_EQ(EntryBytes(pack.GetByName(L"/Fits")), Bytes(8, 0xAB));
  EXPECT_EXIT(pack.GetByName(L"/Lie").GetData(), ::testing::ExitedWithCode(3), "Incorrect resource pointer");
  EXPECT_EXIT(pack.GetByName(L"/Wrap").GetData(), ::testing::ExitedWithCode(3), "Incorrect resource pointer");
  EXPECT_TRUE(ReadBytes(LogFile()).empty());  // these failures write no log line

  path = folder.File("missing.pak");  // a pack that can't be read is logged, then final
  EXPECT_EXIT(Load(), ::testing::ExitedWithCode(3), "Can't read resource file");
  EXPECT_EQ(ReadBytes(LogFile()), Utf16Le(L"2009-03-07 14:05:09  ERROR    Can't read resource file\r\n"));
}

}  // namespace
