// The emulated handheld behind RAPI2: what a real device would refuse or report.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/device/DeviceKit.h"

namespace devtest {
namespace {

namespace fs = std::filesystem;

DWORD FreeBytes(IRAPISession* session, const wchar_t* folder) {
  ULARGE_INTEGER free{}, total{}, totalFree{};
  if (!session->CeGetDiskFreeSpaceEx(folder, &free, &total, &totalFree)) return 0xFFFFFFFF;
  EXPECT_EQ(free.QuadPart, totalFree.QuadPart);
  return static_cast<DWORD>(free.QuadPart);
}

TEST(EmulatedHandheld, PathsNeverLeaveTheHandheldFolder) {
  TempHandheld handheld;
  handheld.Put("\\a\\");
  Link link;
  link.Connect();
  std::ofstream(handheld.folder() + "/outside.txt") << "secret";
  const std::wstring escapes[] = {
      L"\\..\\outside.txt", L"\\a\\..\\..\\outside.txt", L"\\.\\outside.txt", L"C:\\outside.txt",
      L"\\a/../../outside.txt", L"/outside.txt", L"outside.txt", L"\\a:..\\x",
      std::wstring(L"\\a") + wchar_t(0x1005C) + L"..",  // a unit beyond UTF-16 folding onto "\"
      std::wstring(L"\\a") + wchar_t(0x10000) + L"x",   // ... and onto NUL
      L"\\" + std::wstring(300, L'x')};
  for (const std::wstring& path : escapes) {
    SCOPED_TRACE(&path - escapes);
    EXPECT_FALSE(Write(link.session, path.c_str(), "x"));
    EXPECT_FALSE(link.session->CeDeleteFile(path.c_str()));
    EXPECT_FALSE(link.session->CeCreateDirectory((path + L"d").c_str(), nullptr));
  }
  EXPECT_EQ(FolderTree(handheld.folder()).at("\\outside.txt"), "secret");
}

// Links of every kind, as a hand-edited handheld folder might hold them: the device
// neither writes nor deletes through them, and an fs/ that is a link means no handheld.
TEST(EmulatedHandheld, NoLinkLeadsADevicePathOutOfTheFolder) {
  const struct { const char* kind; const char* link; const char* target; const wchar_t* path; } rows[] = {
      {"symbolic link at the root", "fs/link", "", L"\\link\\secret.txt"},
      {"symbolic link one level down", "fs/a/link", "", L"\\a\\link\\secret.txt"},
      {"symbolic link as the file", "fs/a/secret.txt", "/secret.txt", L"\\a\\secret.txt"},
      {"hard link as the file", "fs/a/secret.txt", "/secret.txt", L"\\a\\secret.txt"},
      {"fs/ itself", "fs", "", L"\\secret.txt"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kind);
    testsupport::TempFolder outside("outside");
    std::ofstream(outside.File("secret.txt")) << "secret";
    TempHandheld handheld;
    const bool refused = std::string(row.link) == "fs";
    if (!refused) handheld.Put("\\a\\");
    const std::string link = handheld.folder() + "/" + row.link, target = outside.Path() + row.target;
    std::string(row.kind).find("hard") == 0 ? fs::create_hard_link(target, link) : fs::create_symlink(target, link);
    testing::internal::CaptureStderr();
    Link device;
    device.Connect();
    ASSERT_EQ(device.connected, !refused);
    if (!refused) {
      Write(device.session, row.path, "in place", OPEN_EXISTING);
      Write(device.session, row.path, "replaced");
      device.session->CeDeleteFile(row.path);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              refused ? "rapi2: " + link + ": not a real folder (a link or a file), so every write would land elsewhere\n"
                      : "");
    EXPECT_EQ(FolderTree(outside.Path()), Tree({{"\\secret.txt", "secret"}}));
  }
}

// Free space is what the volume holds minus what its files hold, through every kind of
// change; files put in the folder by hand count from the next session on.
TEST(EmulatedHandheld, FreeSpaceStaysExactThroughWritesTruncationOverwriteAndDeletion) {
  TempHandheld handheld({{"main_memory", {{"total", 1000}, {"reserved", 100}}},
                         {"cards", {{{"name", "Storage Card"}, {"total", 500}}}}});
  handheld.Put("\\preloaded.bin", std::string(50, 'p'));
  Link link;
  link.Connect();
  IRAPISession* s = link.session;
  std::wstring shortcut = L"\\s.lnk", target = L"\\t";  // kept as "2#\t": 4 bytes
  const struct { const char* step; std::function<bool()> change; bool ok; DWORD mainFree, cardFree; } steps[] = {
      {"attached", [] { return true; }, true, 850, 500},
      {"new file", [&] { return Write(s, L"\\a.bin", std::string(600, 'a'), CREATE_NEW); }, true, 250, 500},
      {"a byte too many", [&] { return Write(s, L"\\b.bin", std::string(251, 'b')); }, false, 250, 500},
      {"exactly the room", [&] { return Write(s, L"\\b.bin", std::string(250, 'b')); }, true, 0, 500},
      {"replaced, room first", [&] { return Write(s, L"\\a.bin", std::string(600, 'c')); }, true, 0, 500},
      {"overwritten smaller", [&] { return Write(s, L"\\A.bin", std::string(100, 'd')); }, true, 500, 500},
      {"truncated", [&] { return Write(s, L"\\b.bin", "", TRUNCATE_EXISTING); }, true, 750, 500},
      {"grown in place", [&] { return Write(s, L"\\preloaded.bin", std::string(60, 'q'), OPEN_EXISTING); }, true, 740,
       500},
      {"deleted", [&] { return s->CeDeleteFile(L"\\a.bin") != 0; }, true, 840, 500},
      {"shortcut", [&] { return s->CeSHCreateShortcut(shortcut.data(), target.data()) != 0; }, true, 836, 500},
      {"card filled", [&] { return Write(s, L"\\Storage Card\\c.bin", std::string(500, 'c')); }, true, 836, 0}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.step);
    EXPECT_EQ(step.change(), step.ok);
    EXPECT_EQ(FreeBytes(s, L"\\Program Files"), step.mainFree);  // any folder of the volume, even a new one
    EXPECT_EQ(FreeBytes(s, L"\\Storage Card\\x"), step.cardFree);
  }
  EXPECT_EQ(handheld.Tree(), With({{"\\preloaded.bin", std::string(60, 'q')}, {"\\b.bin", ""}, {"\\s.lnk", "2#\\t"},
                                   {"\\Storage Card\\", ""}, {"\\Storage Card\\c.bin", std::string(500, 'c')}}));
  handheld.Put("\\by hand.bin", std::string(36, 'h'));
  EXPECT_EQ(FreeBytes(s, L"\\"), 836u);
  Link next;
  next.Connect();
  EXPECT_EQ(FreeBytes(next.session, L"\\Missing Card"), 800u);  // a root folder of main memory
}

TEST(EmulatedHandheld, FoldersFilesAndProgramsBehaveAsOnTheDevice) {
  TempHandheld handheld(json{{"programs_folder", "\\Start\\Programs"}});
  handheld.Put("\\Игры\\x.exe", "x");
  Link link;
  link.Connect();
  IRAPISession* s = link.session;
  EXPECT_FALSE(s->CeCreateDirectory(L"\\иГРЫ", nullptr));  // names compare without regard to case
  EXPECT_FALSE(s->CeRemoveDirectory(L"\\Игры"));  // not empty
  HANDLE open = s->CeCreateFile(L"\\Игры\\x.exe", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(s->CeDeleteFile(L"\\Игры\\x.exe"));  // open
  EXPECT_TRUE(s->CeCloseHandle(open));
  const std::pair<const wchar_t*, BOOL> programs[] = {{L"\\Игры\\y.exe", FALSE}, {L"\\Игры", FALSE},
                                                      {L"\\ИГРЫ\\X.exe", TRUE}};
  for (const auto& [exe, starts] : programs) {  // only an existing file starts
    EXPECT_EQ(s->CeCreateProcess(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, nullptr), starts);
  }
  ASSERT_TRUE(Write(s, L"\\игры\\X.EXE", "two"));  // replaces, keeps the first spelling
  EXPECT_EQ(handheld.Tree(),
            Tree({{"\\Start\\", ""}, {"\\Start\\Programs\\", ""}, {"\\Игры\\", ""}, {"\\Игры\\x.exe", "two"}}));
  WCHAR path[16] = {L'#'};
  EXPECT_EQ(s->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 15, path), 0u);  // no room for the terminator
  EXPECT_EQ(path[0], L'#');
  EXPECT_EQ(s->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 16, path), 15u);
  EXPECT_STREQ(path, L"\\Start\\Programs");
}

TEST(EmulatedHandheld, RegistryIsWrittenWholeAndAFailedWriteChangesNothing) {
  TempHandheld handheld;
  handheld.WriteRegistry({{"Software\\A", {{"Name", Sz("old")}}}});
  Link link;
  link.Connect();
  HKEY key = nullptr;
  ASSERT_EQ(link.session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"software\\a", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::wstring text = L"new";
  auto set = [&] {
    return link.session->CeRegSetValueEx(key, L"NAME", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  };
  fs::create_directory(handheld.folder() + "/registry.json.tmp");  // in the way of the temporary file
  EXPECT_EQ(set(), static_cast<LONG>(ERROR_WRITE_FAULT));
  EXPECT_EQ(handheld.Registry(), json({{"Software\\A", {{"Name", Sz("old")}}}}));
  fs::remove(handheld.folder() + "/registry.json.tmp");
  ASSERT_EQ(set(), ERROR_SUCCESS);
  EXPECT_EQ(handheld.Registry(), json({{"Software\\A", {{"Name", Sz("new")}}}}));

  // A buffer too small is told the size and left alone past what it was given.
  WCHAR small[3] = {L'a', L'b', L'#'};
  DWORD size = 2 * sizeof(WCHAR);
  EXPECT_EQ(link.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4 * sizeof(WCHAR));
  EXPECT_EQ(small[2], L'#');
}

// Each problem is said once on standard error, and the handheld is not there.
TEST(EmulatedHandheld, ProfileProblemsMeanNoDevice) {
  auto attached = [] { Link link; link.Connect(); return link.device != nullptr; };
  TempHandheld handheld;
  const std::pair<std::string, std::string> problems[] = {
      {"", ""},  // no profile: nothing attached, nothing to say
      {"{ \"name\": ", "profile.json: not valid JSON"},
      {R"({"faults": {"no_desktp": true}})", "unknown field \"faults.no_desktp\""},
      {R"({"cards": [{"name": "..\\x"}]})", "cards[0].name"},
      {R"({"cards": [{}, {}]})", "cards[1]"},  // two cards of one name
      {R"({"os": {"major": -1}})", "os.major"}};
  for (const auto& [profile, complaint] : problems) {
    fs::remove(handheld.folder() + "/profile.json");
    if (!profile.empty()) std::ofstream(handheld.folder() + "/profile.json") << profile;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(attached() || attached()) << profile;  // asked twice, said once
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), complaint.empty() ? 0 : 1) << said;
    EXPECT_NE(said.find(complaint), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace devtest
