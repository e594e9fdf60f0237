#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/ResourceFile.h"
#include "installer/PackKeys.h"
#include "tests/foundation/FoundationKit.h"
#include "tools/packtool/CommandLine.h"
#include "tools/packtool/Commands.h"
#include "tools/packtool/PackWriter.h"

namespace {

using namespace foundation_test;

class PackToolTest : public ::testing::Test {
 protected:
  // Runs the tool; out and err hold what it printed.
  int Run(const std::vector<std::string>& args) {
    std::ostringstream outStream, errStream;
    const int code = packtool::Run(args, outStream, errStream);
    out = outStream.str(), err = errStream.str();
    return code;
  }
  TempFolder folder;
  std::string File(const std::string& name) const { return folder.File(name); }
  std::string out, err;
};

TEST_F(PackToolTest, BuildListAndExtractRoundTripAndKeysComeFromThePresetWithOverrides) {
  const Bytes back = PatternBytes(5000, 1), glyph = PatternBytes(13, 2);
  std::filesystem::create_directory(File("art"));
  WriteBytes(File("art/back.png"), back);
  WriteBytes(File("art/glyph.png"), glyph);
  WriteText(File("art/list.txt"), "/Back=back.png\r\n\n  \n/Font0041=" + File("art/glyph.png") + "\n");
  WriteBytes(File("info.bin"), {});

  ASSERT_EQ(Run({"build", File("out.pak"), "--preset", "common", "--list", File("art/list.txt"),
                 "caf\xC3\xA9=" + File("info.bin")}), 0) << err;
  ASSERT_EQ(Run({"list", File("out.pak"), "--preset", "common"}), 0) << err;
  EXPECT_EQ(out, "0 0 5000 /Back\n1 5000 13 /Font0041\n2 5013 0 caf\xC3\xA9\n");

  ASSERT_EQ(Run({"extract", File("out.pak"), "/Back", File("back.out"), "--preset", "common"}), 0) << err;
  EXPECT_EQ(ReadBytes(File("back.out")), back);

  // The program opens it with the same constants.
  CTResourceFile pack;
  pack.Load(Wide(File("out.pak")), kCommonPackKeys.salt, kCommonPackKeys.mask, kCommonPackKeys.passText);
  EXPECT_EQ(pack.GetByName(L"caf\x00E9").GetIndex(), 2u);

  const auto secrets = packtool::ResolveSecrets(packtool::ParseCommandLine(
      {"list", "p.pak", "--preset", "common", "--salt", "-5", "--mask", "1,0x2,3,0xFFFFFFFF"}));
  EXPECT_EQ(std::tuple(secrets.salt, secrets.mask[1], secrets.mask[3], secrets.passText),
            std::tuple(-5, 2u, 0xFFFFFFFFu, kCommonPackKeys.passText));
  EXPECT_EQ(std::tuple(packtool::ParseSalt("0xFFFFFFFF"), packtool::ParseSalt("-2147483648")), std::tuple(-1, INT32_MIN));
}

TEST_F(PackToolTest, BadUseAndBadInputGiveAClearErrorAndNonZeroExit) {
  WriteBytes(File("a.bin"), {1, 2, 3});
  WriteText(File("nul.txt"), std::string("/A\0B=a.bin\n", 11));  // a 0 byte can only come through a list
  WriteBytes(File("big.bin"), {});
  std::filesystem::resize_file(File("big.bin"), 64 << 20);  // with its header and name, past the bound
  ASSERT_EQ(Run({"build", File("p.pak"), "--salt", "9", "/A=" + File("a.bin")}), 0) << err;

  // Usage errors exit with 2, bad input with 1.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "usage:"}, {{"pack"}, "usage:"}, {{"list", "p.pak"}, "usage:"}, {{"list", "--salt", "1"}, "usage:"},
      {{"list", "p.pak", "--preset", "other"}, "usage:"}, {{"list", "p.pak", "--salt", "4294967296"}, "usage:"},
      {{"list", "p.pak", "--salt", "12x"}, "usage:"}, {{"list", "p.pak", "--mask", "1,2,3"}, "usage:"},
      {{"list", "p.pak", "--mask", "1,-2,3,4"}, "usage:"}, {{"list", "p.pak", "--salt"}, "usage:"},
      {{"list", "p.pak", "--frobnicate"}, "usage:"}, {{"extract", "p.pak", "/A", "--salt", "1"}, "usage:"},
      {{"build", File("x.pak"), "--salt", "9", "\xD0\x96=" + File("a.bin")}, "U+0416 can't be stored"},
      {{"build", File("x.pak"), "--salt", "9", "=" + File("a.bin")}, "can't be empty"},
      {{"build", File("x.pak"), "--salt", "9", "/A"}, "expected NAME=FILE"},
      {{"build", File("x.pak"), "--salt", "9", "/A=" + File("a.bin"), "/A=" + File("a.bin")}, "given twice"},
      {{"build", File("x.pak"), "--salt", "9", "/A=" + File("none.bin")}, "can't read"},
      {{"build", File("x.pak"), "--salt", "9", "--list", File("none.txt")}, "can't read list file"},
      {{"build", File("x.pak"), "--salt", "9", "--list", File("nul.txt")}, "nul.txt:1: entry name"},
      {{"build", File("no/such/folder/x.pak"), "--salt", "9", "/A=" + File("a.bin")}, "can't write"},
      {{"build", File("x.pak"), "--salt", "9", "/Big=" + File("big.bin")}, "larger than 64 MiB"},
      {{"list", File("none.pak"), "--salt", "9"}, "can't read"},
      {{"list", File("p.pak"), "--salt", "10"}, "does not open with these keys"},
      {{"list", File("a.bin"), "--salt", "9"}, "too short"},
      {{"extract", File("p.pak"), "/B", File("b.out"), "--salt", "9"}, "no entry '/B'"},
  };
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(Run(args), message == std::string("usage:") ? 2 : 1) << message;
    EXPECT_NE(err.find(message), std::string::npos) << err;
  }
  EXPECT_FALSE(std::filesystem::exists(File("x.pak")));
  // The largest pack the program reads is laid out; one byte more is not.
  const std::uint32_t key[4] = {1, 2, 3, 4};
  std::vector<packwriter::Entry> largest{
      {"/B", std::vector<std::uint8_t>(CTResourceFile::kMaxFileSize - CTResourceFile::kHeaderSize - (8 + 3))}};
  EXPECT_EQ(packwriter::LayOut(largest, key).size(), CTResourceFile::kMaxFileSize);
  largest[0].bytes.push_back(0);
  EXPECT_THROW(packwriter::LayOut(largest, key), std::length_error);
}

}  // namespace
