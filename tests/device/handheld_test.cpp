// The emulated handheld behind RAPI2: what a real device would refuse or report.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "platform/rapi2/handheld_profile.h"
#include "platform/rapi2/rapi2.h"
#include "platform/testkit/clock.h"
#include "platform/win32/threads.h"
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

// Opens a device file, writes the bytes (if any) and closes it.
bool Write(IRAPISession* session, const wchar_t* path, DWORD creation, const std::string& bytes) {
  HANDLE file = session->CeCreateFile(path, GENERIC_WRITE, 0, nullptr, creation, 0, nullptr);
  DWORD written = 0;
  bool ok = bytes.empty() || session->CeWriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                                  nullptr);
  return session->CeCloseHandle(file) && ok;
}

// Every entry under a folder (not following links): path -> content, or "dir".
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::ifstream in(entry.path());
    std::string text = "dir";
    if (!entry.is_directory()) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    entries[fs::relative(entry.path(), folder).string()] = text;
  }
  return entries;
}

TEST(EmulatedHandheld, PathsNeverLeaveTheHandheldFolder) {
  TempHandheld handheld;
  RapiSession rapi;
  ASSERT_EQ(rapi.started, S_OK);
  std::ofstream(handheld.folder() + "/outside.txt") << "secret";
  handheld.MakeFolder("\\a");
  const std::wstring escapes[] = {
      L"\\..\\outside.txt", L"\\a\\..\\..\\outside.txt", L"\\.\\outside.txt", L"C:\\outside.txt",
      L"\\a/../../outside.txt", L"/outside.txt", L"outside.txt", L"\\a:..\\x",
      std::wstring(L"\\a") + wchar_t(0x1005C) + L"..",  // a unit beyond UTF-16 folding onto "\"
      std::wstring(L"\\a") + wchar_t(0x10000) + L"x",   // ... and onto NUL
      L"\\" + std::wstring(300, L'x'),
  };
  for (const std::wstring& path : escapes) {
    SCOPED_TRACE(Utf8(path));
    EXPECT_FALSE(rapi.WriteFile(path.c_str(), "x"));
    EXPECT_FALSE(rapi.session->CeDeleteFile(path.c_str()));
    EXPECT_FALSE(rapi.session->CeCreateDirectory((path + L"d").c_str(), nullptr));
    EXPECT_FALSE(rapi.session->CeCreateProcess(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                               nullptr, nullptr));
  }
  DWORD count = 0;
  CE_FIND_DATA* found = nullptr;
  EXPECT_FALSE(rapi.session->CeFindAllFiles(L"\\..\\*.*", FAF_NAME, &count, &found));
  EXPECT_EQ(Snapshot(handheld.folder()).at("outside.txt"), "secret");
  EXPECT_FALSE(fs::exists(handheld.folder() + "/outside.txtd"));
}

// Links of every kind, as a hand-edited handheld folder might hold them: the device
// neither reads nor writes through them, and an fs/ that is a link means no handheld.
TEST(EmulatedHandheld, NoLinkLeadsADevicePathOutOfTheFolder) {
  using Make = void (*)(const TempHandheld&, const std::string& outside);
  const struct { const char* kind; Make make; const wchar_t* path; bool refused; } rows[] = {
      {"symbolic link at the root", [](const TempHandheld& h, const std::string& out) {
         fs::create_directory_symlink(out, h.HostPath("\\link")); }, L"\\link\\secret.txt", false},
      {"symbolic link one level down", [](const TempHandheld& h, const std::string& out) {
         h.MakeFolder("\\a");
         fs::create_directory_symlink(out, h.HostPath("\\a\\link")); }, L"\\a\\link\\secret.txt", false},
      {"symbolic link as the file", [](const TempHandheld& h, const std::string& out) {
         h.MakeFolder("\\a");
         fs::create_symlink(out + "/secret.txt", h.HostPath("\\a\\secret.txt")); }, L"\\a\\secret.txt", false},
      {"hard link as the file", [](const TempHandheld& h, const std::string& out) {
         h.MakeFolder("\\a");
         fs::create_hard_link(out + "/secret.txt", h.HostPath("\\a\\secret.txt")); }, L"\\a\\secret.txt", false},
      {"fs/ itself", [](const TempHandheld& h, const std::string& out) {
         fs::create_directory_symlink(out, h.folder() + "/fs"); }, L"\\secret.txt", true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kind);
    testsupport::TempFolder outside("outside");
    std::ofstream(outside.File("secret.txt")) << "secret";
    TempHandheld handheld;
    if (!row.refused) handheld.MakeFolder("\\");
    row.make(handheld, outside.Path());
    testing::internal::CaptureStderr();
    {
      RapiSession rapi;
      ASSERT_EQ(rapi.started == S_OK, !row.refused);
      if (!row.refused) {
        Write(rapi.session, row.path, OPEN_EXISTING, "in place");
        Write(rapi.session, row.path, CREATE_ALWAYS, "replaced");
        rapi.session->CeDeleteFile(row.path);
        rapi.session->CeCreateDirectory((std::wstring(row.path) + L"d").c_str(), nullptr);
      }
    }
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, row.refused ? "rapi2: " + handheld.folder() + "/fs: not a real folder (a link or a file), so "
                                  "every write would land elsewhere\n" : "");
    EXPECT_EQ(Snapshot(outside.Path()), (std::map<std::string, std::string>{{"secret.txt", "secret"}}));
  }
}

TEST(EmulatedHandheld, NamesCompareWithoutRegardToCase) {
  TempHandheld handheld;
  RapiSession rapi;
  ASSERT_TRUE(rapi.session->CeCreateDirectory(L"\\Игры", nullptr));
  EXPECT_FALSE(rapi.session->CeCreateDirectory(L"\\иГРЫ", nullptr));
  ASSERT_TRUE(rapi.WriteFile(L"\\ИГРЫ\\Saga.TXT", "one"));
  ASSERT_TRUE(rapi.WriteFile(L"\\игры\\saga.txt", "two"));  // replaces, keeps the first spelling
  EXPECT_EQ(handheld.Tree(), With({{"\\Игры\\", ""}, {"\\Игры\\Saga.TXT", "two"}}));
}

// Free space is what the volume holds minus what its files hold, through every kind of
// change; files put in the folder by hand count from the next session on.
TEST(EmulatedHandheld, FreeSpaceStaysExactThroughWritesTruncationOverwriteAndDeletion) {
  TempHandheld handheld({{"main_memory", {{"total", 1000}, {"reserved", 100}}},
                         {"cards", {{{"name", "Storage Card"}, {"total", 500}}}}});
  handheld.Put("\\preloaded.bin", std::string(50, 'p'));
  RapiSession rapi;
  IRAPISession* s = rapi.session;
  std::wstring shortcut = L"\\s.lnk", target = L"\\t";  // kept as "2#\t": 4 bytes
  const struct { const char* step; std::function<bool()> change; bool ok; DWORD mainFree, cardFree; } steps[] = {
      {"attached", [] { return true; }, true, 850, 500},
      {"new file", [&] { return Write(s, L"\\a.bin", CREATE_NEW, std::string(600, 'a')); }, true, 250, 500},
      {"a byte too many", [&] { return Write(s, L"\\b.bin", CREATE_ALWAYS, std::string(251, 'b')); }, false, 250, 500},
      {"exactly the room", [&] { return Write(s, L"\\b.bin", CREATE_ALWAYS, std::string(250, 'b')); }, true, 0, 500},
      {"replaced, room first", [&] { return Write(s, L"\\a.bin", CREATE_ALWAYS, std::string(600, 'c')); }, true, 0, 500},
      {"overwritten smaller", [&] { return Write(s, L"\\A.bin", CREATE_ALWAYS, std::string(100, 'd')); }, true, 500, 500},
      {"truncated", [&] { return Write(s, L"\\b.bin", TRUNCATE_EXISTING, ""); }, true, 750, 500},
      {"grown in place", [&] { return Write(s, L"\\preloaded.bin", OPEN_EXISTING, std::string(60, 'q')); }, true, 740, 500},
      {"deleted", [&] { return s->CeDeleteFile(L"\\a.bin") != 0; }, true, 840, 500},
      {"shortcut", [&] { return s->CeSHCreateShortcut(shortcut.data(), target.data()) != 0; }, true, 836, 500},
      {"card filled", [&] { return Write(s, L"\\Storage Card\\c.bin", CREATE_NEW, std::string(500, 'c')); }, true, 836, 0}};
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
  EXPECT_EQ(FreeBytes(RapiSession().session, L"\\Missing Card"), 800u);  // a root folder of main memory
}

TEST(EmulatedHandheld, FoldersFilesAndHandlesBehaveAsOnTheDevice) {
  TempHandheld handheld;
  RapiSession rapi;
  ASSERT_TRUE(rapi.session->CeCreateDirectory(L"\\Games", nullptr));
  EXPECT_FALSE(rapi.session->CeCreateDirectory(L"\\No\\Parent", nullptr));
  ASSERT_TRUE(rapi.WriteFile(L"\\Games\\x.txt", "x"));
  EXPECT_FALSE(rapi.session->CeRemoveDirectory(L"\\Games"));
  EXPECT_FALSE(rapi.session->CeDeleteFile(L"\\Games"));

  HANDLE open = rapi.session->CeCreateFile(L"\\Games\\x.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(rapi.session->CeDeleteFile(L"\\Games\\x.txt"));
  EXPECT_TRUE(rapi.session->CeCloseHandle(open));
  EXPECT_FALSE(rapi.session->CeCloseHandle(open));
  EXPECT_TRUE(rapi.session->CeDeleteFile(L"\\Games\\x.txt"));
  EXPECT_TRUE(rapi.session->CeRemoveDirectory(L"\\Games"));

  // Process start needs an existing file.
  PROCESS_INFORMATION process{};
  EXPECT_FALSE(rapi.session->CeCreateProcess(L"\\Games\\x.txt", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                             nullptr, &process));
  ASSERT_TRUE(rapi.WriteFile(L"\\tool.exe", "MZ"));
  ASSERT_TRUE(rapi.session->CeCreateProcess(L"\\TOOL.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                            nullptr, &process));
  EXPECT_TRUE(rapi.session->CeCloseHandle(process.hProcess));
  EXPECT_TRUE(rapi.session->CeCloseHandle(process.hThread));

  // Shortcuts: the target's length, "#", the target; never over an existing file.
  std::wstring target = L"\"\\tool.exe\"";
  std::wstring link = L"\\Tool.lnk";
  ASSERT_NE(rapi.session->CeSHCreateShortcut(link.data(), target.data()), 0u);
  EXPECT_EQ(handheld.Tree().at("\\Tool.lnk"), "11#\"\\tool.exe\"");
  EXPECT_EQ(rapi.session->CeSHCreateShortcut(link.data(), target.data()), 0u);
}

TEST(EmulatedHandheld, CardsProgramsFolderAndScreenComeFromTheProfile) {
  TempHandheld handheld({{"screen", {{"width", 240}, {"height", 320}}},
                         {"cards", {{{"name", "SD"}, {"total", 10}}, {{"name", "CF"}, {"total", 10}}}},
                         {"programs_folder", "\\Start\\Programs"}});
  handheld.MakeFolder("\\Windows");
  handheld.Put("\\readme.txt", "r");
  RapiSession rapi;
  EXPECT_EQ(rapi.session->CeGetSystemMetrics(SM_CXSCREEN), 240);
  EXPECT_EQ(rapi.session->CeGetSystemMetrics(SM_CYSCREEN), 320);
  DWORD count = 0;
  CE_FIND_DATA* found = nullptr;
  ASSERT_TRUE(rapi.session->CeFindAllFiles(L"\\*.*", FAF_ATTRIBUTES | FAF_NAME | FAF_FOLDERS_ONLY, &count, &found));
  std::vector<std::pair<std::wstring, DWORD>> folders;
  for (DWORD i = 0; i < count; ++i) folders.emplace_back(found[i].cFileName, found[i].dwFileAttributes);
  rapi.session->CeRapiFreeBuffer(found);
  EXPECT_EQ(folders, (std::vector<std::pair<std::wstring, DWORD>>{{L"CF", 0x110}, {L"SD", 0x110},
                                                                  {L"Start", 0x10}, {L"Windows", 0x10}}));
  WCHAR path[64] = {};
  EXPECT_EQ(rapi.session->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 64, path), 15u);
  EXPECT_STREQ(path, L"\\Start\\Programs");
  EXPECT_EQ(rapi.session->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 15, path), 0u);  // no room for the terminator
  EXPECT_FALSE(rapi.session->CeRemoveDirectory(L"\\SD"));

  handheld.WriteProfile({{"programs_folder", nullptr}});
  EXPECT_EQ(rapi.session->CeGetSpecialFolderPath(CSIDL_PROGRAMS, 64, path), 0u);
}

TEST(EmulatedHandheld, StartedProgramWritesItsValuesAfterItsDelayOnTheLayersClock) {
  testkit::UseVirtualClock(true);
  json programs = GameProgram(3, "\\SP");
  programs["\\never.exe"] = {{"delay_seconds", nullptr},
                             {"registry", {{"K", {{"V", {{"type", "REG_DWORD"}, {"value", 7}}}}}}}};
  TempHandheld handheld(json{{"programs", programs}});
  handheld.Put("\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe", "MZ");
  handheld.Put("\\never.exe", "MZ");
  RapiSession rapi;
  for (const wchar_t* exe : {L"\\Program Files\\Tamblor Games\\Quellor\\QuellorMobile.exe", L"\\never.exe"}) {
    ASSERT_TRUE(rapi.session->CeCreateProcess(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr,
                                              nullptr));
  }
  HKEY key = nullptr;
  EXPECT_EQ(rapi.session->CeRegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\TamblorGames\\Quellor", 0, 0, &key),
            ERROR_FILE_NOT_FOUND);
  Sleep(2999);
  EXPECT_EQ(rapi.session->CeRegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\TamblorGames\\Quellor", 0, 0, &key),
            ERROR_FILE_NOT_FOUND);
  Sleep(1);
  ASSERT_EQ(rapi.session->CeRegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\TamblorGames\\Quellor", 0, 0, &key),
            ERROR_SUCCESS);
  rapi.session->CeRegCloseKey(key);
  EXPECT_EQ(handheld.Registry(), json::parse(R"({"Software\\TamblorGames\\Quellor": {
      "KX": {"type": "REG_DWORD", "value": 1}, "SP": {"type": "REG_SZ", "value": "\\SP"}}})"));
  Sleep(1000000);
  EXPECT_FALSE(handheld.Registry().contains("K"));
  testkit::UseVirtualClock(false);
}

TEST(EmulatedHandheld, RegistryIsWrittenWholeAndAFailedWriteChangesNothing) {
  TempHandheld handheld;
  handheld.WriteRegistry({{"Software\\A", {{"Name", {{"type", "REG_SZ"}, {"value", "old"}}}}}});
  RapiSession rapi;
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(rapi.session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"software\\a", 0, nullptr, 0, 0, nullptr, &key,
                                           &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  const std::wstring text = L"new";
  auto set = [&] {
    return rapi.session->CeRegSetValueEx(key, L"NAME", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  };
  // A folder in the way of the temporary file makes the write fail.
  fs::create_directory(handheld.folder() + "/registry.json.tmp");
  EXPECT_EQ(set(), static_cast<LONG>(ERROR_WRITE_FAULT));
  EXPECT_EQ(handheld.Registry()["Software\\A"]["Name"]["value"], "old");
  WCHAR buffer[8] = {};
  DWORD size = sizeof(buffer);
  ASSERT_EQ(rapi.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(buffer, L"old");

  fs::remove(handheld.folder() + "/registry.json.tmp");
  ASSERT_EQ(set(), ERROR_SUCCESS);
  EXPECT_EQ(handheld.Registry()["Software\\A"]["Name"]["value"], "new");
  EXPECT_FALSE(fs::exists(handheld.folder() + "/registry.json.tmp"));

  // A buffer too small is told the size and left alone past what it was given.
  WCHAR small[3] = {L'a', L'b', L'#'};
  size = 2 * sizeof(WCHAR);
  EXPECT_EQ(rapi.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4 * sizeof(WCHAR));
  EXPECT_EQ(small[2], L'#');
  DWORD number = 0;
  size = sizeof(number);
  EXPECT_EQ(rapi.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(rapi.session->CeRegQueryValueEx(key, L"other", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // Deleting takes the key with everything below it; its open handle then fails.
  ASSERT_EQ(rapi.session->CeRegDeleteKey(HKEY_CURRENT_USER, L"Software"), ERROR_SUCCESS);
  EXPECT_EQ(rapi.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, nullptr, &size),
            static_cast<LONG>(ERROR_KEY_DELETED));
  EXPECT_EQ(handheld.Registry(), json::object());
  EXPECT_EQ(rapi.session->CeRegDeleteKey(HKEY_CURRENT_USER, L"Software"), ERROR_FILE_NOT_FOUND);
  rapi.session->CeRegCloseKey(key);
}

// Each problem is said once on standard error, and the handheld is not there.
TEST(EmulatedHandheld, ProfileProblemsMeanNoDevice) {
  auto deviceCount = [] { return RapiSession().device != nullptr ? 1 : 0; };
  TempHandheld handheld;
  EXPECT_EQ(deviceCount(), 1);
  ::unsetenv("RAPI_HANDHELD");
  EXPECT_EQ(deviceCount(), 0);
  ::setenv("RAPI_HANDHELD", handheld.folder().c_str(), 1);
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
    EXPECT_EQ(deviceCount(), 0) << profile;
    EXPECT_EQ(deviceCount(), 0) << profile;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), complaint.empty() ? 0 : 1) << said;
    EXPECT_NE(said.find(complaint), std::string::npos) << said;
  }
  handheld.WriteProfile({{"faults", {{"no_desktop", true}}}});
  IRAPIDesktop* desktop = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_RAPI, nullptr, CLSCTX_INPROC_SERVER, IID_IRAPIDesktop,
                             reinterpret_cast<LPVOID*>(&desktop)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(desktop, nullptr);
}

TEST(EmulatedHandheld, ProfileFieldsLeftOutTakeTheirDefaults) {
  emu::Profile p;
  std::string error;
  ASSERT_TRUE(emu::ParseProfile(R"({"cards": [{}], "programs": {"\\Game.exe": {}}})", &p, &error)) << error;
  EXPECT_EQ(p.name, L"Pocket PC");
  EXPECT_EQ(p.mainMemory.reserved, 20971520u);
  ASSERT_EQ(p.cards.size(), 1u);
  EXPECT_EQ(p.cards[0].name, L"Storage Card");
  EXPECT_EQ(p.cards[0].total, 1073741824u);
  ASSERT_EQ(p.programs.size(), 1u);
  EXPECT_EQ(p.programs[0].delaySeconds, 3.0);
  EXPECT_EQ(p.programsFolder, std::wstring(L"\\Windows\\Start Menu\\Programs"));
}

TEST(EmulatedHandheld, SessionCallsNeedAStartedSessionOnAConnectedDevice) {
  TempHandheld handheld(json{{"connected", false}});
  {
    RapiSession rapi;
    ASSERT_NE(rapi.session, nullptr);
    EXPECT_EQ(rapi.started, HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_FALSE(rapi.session->CeCreateDirectory(L"\\x", nullptr));
    EXPECT_EQ(rapi.session->CeGetSystemMetrics(SM_CXSCREEN), 0);
  }
  handheld.WriteProfile({{"faults", {{"session_refused", true}}}});
  EXPECT_EQ(RapiSession().started, E_ACCESSDENIED);

  // The link drops once the byte budget is spent; what got through stays.
  handheld.WriteProfile({{"faults", {{"disconnect_after_bytes", 10}}}});
  RapiSession rapi;
  ASSERT_EQ(rapi.started, S_OK);
  ASSERT_TRUE(rapi.WriteFile(L"\\a", "123456"));
  EXPECT_FALSE(rapi.WriteFile(L"\\b", "abcdef"));
  RAPI_DEVICESTATUS status = RAPI_DEVICE_CONNECTED;
  ASSERT_EQ(rapi.device->GetConnectStat(&status), S_OK);
  EXPECT_EQ(status, RAPI_DEVICE_DISCONNECTED);
  EXPECT_FALSE(rapi.session->CeCreateDirectory(L"\\x", nullptr));
  EXPECT_EQ(rapi.session->CeRapiUninit(), S_OK);
  EXPECT_EQ(handheld.Tree(), With({{"\\a", "123456"}}));  // no half file
}

}  // namespace
}  // namespace devtest
