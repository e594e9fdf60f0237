// The emulated handheld behind RAPI2: what a real device would refuse or report.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "platform/rapi2/staging.h"
#include "platform/win32/strings.h"
#include "tests/device/DeviceKit.h"

namespace devtest {
namespace {

namespace fs = std::filesystem;

bool Shortcut(IRAPISession* session, std::wstring shortcut, std::wstring target = L"\\t") {  // kept as "2#\t"
  return session->CeSHCreateShortcut(shortcut.data(), target.data()) != 0;
}

// Opens a new file, writes to it, lets something appear meanwhile, then closes it.
std::function<bool(IRAPISession*, const TempHandheld&)> ClosedAfter(const wchar_t* path, DWORD creation,
                                                                    std::string appears, std::string content) {
  return [=](IRAPISession* s, const TempHandheld& h) {
    HANDLE file = Open(s, path, creation);
    Put(s, file, "new");
    h.Put(appears, content);
    return s->CeCloseHandle(file) != 0;
  };
}

std::vector<std::wstring> Listed(IRAPISession* session, const wchar_t* pattern) {
  DWORD count = 0;
  LPCE_FIND_DATA found = nullptr;
  std::vector<std::wstring> names;
  if (!session->CeFindAllFiles(pattern, FAF_NAME, &count, &found)) return names;
  for (DWORD i = 0; i < count; ++i) names.push_back(found[i].cFileName);
  session->CeRapiFreeBuffer(found);
  return names;
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

// Links of every kind, as a hand-edited handheld folder might hold them, and other
// things in the layer's places: the device neither writes nor deletes through them, and
// an fs/ that is not a real folder means no handheld. A folder without a profile is no
// handheld at all: nothing is made in it and nothing said, whatever it holds.
TEST(EmulatedHandheld, NoLinkLeadsADevicePathOutOfTheFolder) {
  // A refused handheld is said of in one line: "rapi2: <handheld folder>" then `refusal`.
  // What is put at `link`: a link to `target` outside; without a target, a folder where
  // the kind says so, else a plain file.
  const struct { const char* kind; const char* link; const char* target; const wchar_t* path; const char* refusal; }
      rows[] = {
          {"symbolic link at the root", "fs/link", "", L"\\link\\secret.txt", ""},
          {"symbolic link one level down", "fs/a/link", "", L"\\a\\link\\secret.txt", ""},
          {"symbolic link as the file", "fs/a/secret.txt", "/secret.txt", L"\\a\\secret.txt", ""},
          {"hard link as the file", "fs/a/secret.txt", "/secret.txt", L"\\a\\secret.txt", ""},
          {"symbolic link as fs/ itself", "fs", "", L"\\secret.txt",
           "/fs: not a real folder (a link or a file), so every write would land elsewhere"},
          {"plain file as fs/ itself", "fs", nullptr, L"\\secret.txt",
           "/fs: not a real folder (a link or a file), so every write would land elsewhere"},
          {"symbolic link as the hold", ".rapi-hold", "/secret.txt", nullptr,
           ": .rapi-hold: cannot be opened: Too many levels of symbolic links"},
          {"hard link as the hold", ".rapi-hold", "/secret.txt", nullptr, ": .rapi-hold: not a plain file of its own"},
          {"folder as the hold", ".rapi-hold", nullptr, nullptr, ": .rapi-hold: cannot be opened: Is a directory"},
          {"folder as the hold, no profile", ".rapi-hold", nullptr, nullptr, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.kind);
    testsupport::TempFolder outside("outside");
    std::ofstream(outside.File("secret.txt")) << "secret";
    TempHandheld handheld;
    const bool found = row.path != nullptr && *row.refusal == '\0';
    if (found) handheld.Put("\\a\\");
    const std::string kind = row.kind, link = handheld.folder() + "/" + row.link;
    if (row.target == nullptr) {
      kind.starts_with("folder") ? static_cast<void>(fs::create_directory(link))
                                 : static_cast<void>(std::ofstream(link) << "a file");
    } else {
      const std::string target = outside.Path() + row.target;
      kind.starts_with("hard") ? fs::create_hard_link(target, link) : fs::create_symlink(target, link);
      EXPECT_EQ(emu::HostFolder::Open(link), nullptr);  // not even a link to a folder opens as one
    }
    if (kind.ends_with("no profile")) fs::remove(handheld.folder() + "/profile.json");
    const std::set<std::string> names = handheld.TopNames();
    testing::internal::CaptureStderr();
    Link device;
    device.Connect();
    ASSERT_EQ(device.connected, found);
    if (found) {
      Write(device.session, row.path, "in place", OPEN_EXISTING);
      Write(device.session, row.path, "replaced");
      device.session->CeDeleteFile(row.path);
    } else {
      EXPECT_EQ(handheld.TopNames(), names) << "nothing made";
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              *row.refusal == '\0' ? "" : "rapi2: " + handheld.folder() + row.refusal + "\n");
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
  const struct { const char* step; std::function<bool()> change; bool ok; DWORD mainFree, cardFree; } steps[] = {
      {"attached", [] { return true; }, true, 850, 500},
      // Never counted, so its deletion takes nothing off an empty volume's count.
      {"made by hand, deleted through the device", [&] {
         handheld.Put("\\Storage Card\\hand.bin", "by hand");
         return s->CeDeleteFile(L"\\Storage Card\\hand.bin") != 0;
       }, true, 850, 500},
      {"new file", [&] { return Write(s, L"\\a.bin", std::string(600, 'a'), CREATE_NEW); }, true, 250, 500},
      {"a byte too many", [&] { return Write(s, L"\\b.bin", std::string(251, 'b')); }, false, 250, 500},
      {"exactly the room", [&] { return Write(s, L"\\b.bin", std::string(250, 'b')); }, true, 0, 500},
      // New content is written beside the old, so a replacement needs room for both.
      {"replaced, no room beside", [&] { return Write(s, L"\\a.bin", std::string(600, 'c')); }, false, 0, 500},
      {"truncated", [&] { return Write(s, L"\\b.bin", "", TRUNCATE_EXISTING); }, true, 250, 500},
      {"overwritten smaller", [&] { return Write(s, L"\\A.bin", std::string(100, 'd')); }, true, 750, 500},
      {"grown in place", [&] { return Write(s, L"\\preloaded.bin", std::string(60, 'q'), OPEN_EXISTING); }, true, 740,
       500},
      {"deleted", [&] { return s->CeDeleteFile(L"\\a.bin") != 0; }, true, 840, 500},
      {"shortcut", [&] { return Shortcut(s, L"\\s.lnk"); }, true, 836, 500},
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

// Every fault a copy can meet, as a device meets it: content cut short or given up
// leaves nothing (not even a temporary file), a close that could not name the content
// fails, the volume never holds more than it has, a failed write in place keeps the
// file, and a link that went down stays down for its session.
TEST(EmulatedHandheld, FaultsLeaveTheVolumeAsADeviceWould) {
  const struct Row {
    const char* fault;
    json profile;
    Tree before;
    std::function<bool(IRAPISession*, const TempHandheld&)> act;
    bool ok;
    Tree after;
    DWORD freeAfter;  // main memory, through the same session; 0xFFFFFFFF: the session is gone
  } rows[] = {
      {"link cut mid-copy, the handle never closed", {{"faults", {{"disconnect_after_bytes", 4}}}}, {{"\\a.bin", "old"}},
       [](IRAPISession* s, const TempHandheld&) { return Put(s, Open(s, L"\\a.bin"), "new content"); }, false,
       {{"\\a.bin", "old"}}, 0xFFFFFFFF},
      {"session ended mid-copy", {}, {},
       [](IRAPISession* s, const TempHandheld&) {
         Put(s, Open(s, L"\\b.bin"), "half");
         return s->CeRapiUninit() == S_OK && s->CeRapiInit() == S_OK;
       }, true, {}, 1000},
      {"a brief unplug", {}, {{"\\k.bin", "keep"}},
       [](IRAPISession* s, const TempHandheld& h) {
         h.WriteProfile({{"connected", false}});
         const bool whileOut = s->CeDeleteFile(L"\\k.bin");
         h.WriteProfile({{"connected", true}});
         const bool afterwards = s->CeDeleteFile(L"\\k.bin") || Write(s, L"\\n.bin", "old session");
         return !whileOut && !afterwards && s->CeRapiUninit() == S_OK && s->CeRapiInit() == S_OK &&
                Write(s, L"\\n.bin", "new session");
       }, true, {{"\\k.bin", "keep"}, {"\\n.bin", "new session"}}, 0xFFFFFFFF},
      {"name taken by a folder before close", {}, {}, ClosedAfter(L"\\c.bin", CREATE_ALWAYS, "\\C.BIN\\", ""), false,
       {{"\\C.BIN\\", ""}}, 1000},
      {"new file's name made by then", {}, {}, ClosedAfter(L"\\d.txt", CREATE_NEW, "\\D.TXT", "hand"), false,
       {{"\\D.TXT", "hand"}}, 1000},
      {"replaced file made by then in another case", {}, {}, ClosedAfter(L"\\e.txt", CREATE_ALWAYS, "\\E.TXT", "hand"),
       true, {{"\\E.TXT", "new"}}, 997},
      {"new content without room", {}, {},
       [](IRAPISession* s, const TempHandheld&) {
         HANDLE file = Open(s, L"\\n.bin");
         return Put(s, file, std::string(1001, 'n')) || s->CeCloseHandle(file);
       }, false, {}, 1000},
      {"names taken by links the device cannot see", {}, {},
       [](IRAPISession* s, const TempHandheld& h) {
         HANDLE file = Open(s, L"\\z.bin");
         Put(s, file, "new");
         fs::create_symlink("nowhere", h.folder() + "/fs/z.bin");
         fs::create_symlink("nowhere", h.folder() + "/fs/s.lnk");
         return s->CeCloseHandle(file) || Shortcut(s, L"\\s.lnk");
       }, false, {{"\\z.bin", ""}, {"\\s.lnk", ""}}, 1000},
      {"a shortcut a byte too big", {{"main_memory", {{"total", 3}, {"reserved", 0}}}}, {},
       [](IRAPISession* s, const TempHandheld&) { return Shortcut(s, L"\\s.lnk"); }, false, {}, 3},
      {"one name in two folders", {}, {{"\\x\\", ""}, {"\\y\\", ""}},
       [](IRAPISession* s, const TempHandheld&) {
         HANDLE first = Open(s, L"\\x\\n.txt"), second = Open(s, L"\\y\\N.txt");
         return Put(s, first, "1") && Put(s, second, "2") && s->CeCloseHandle(first) && s->CeCloseHandle(second);
       }, true, {{"\\x\\", ""}, {"\\y\\", ""}, {"\\x\\n.txt", "1"}, {"\\y\\N.txt", "2"}}, 998},
      {"a file being written, by its temporary name", {}, {},
       [](IRAPISession* s, const TempHandheld& h) {
         HANDLE file = Open(s, L"\\g.bin");
         Put(s, file, "abc");
         fs::create_directory_symlink("Windows", h.folder() + "/fs/ln");
         std::wstring temp;
         for (const auto& [path, content] : h.Tree()) {
           if (path.find("~rapi-") == 1) temp = layer::Utf8ToWide(path);
         }
         const bool seen = Listed(s, L"\\*") != std::vector<std::wstring>{L"Windows"};  // no link either
         fs::remove(h.folder() + "/fs/ln");
         const bool reached = s->CeDeleteFile(temp.c_str()) || Open(s, temp.c_str(), OPEN_EXISTING) != INVALID_HANDLE_VALUE;
         return s->CeCloseHandle(file) && !temp.empty() && !seen && !reached;
       }, true, {{"\\g.bin", "abc"}}, 997},
      {"the handheld attached again while a file is written", {}, {},
       [](IRAPISession* s, const TempHandheld&) {
         HANDLE file = Open(s, L"\\w.bin");
         Put(s, file, "abc");
         Link again;  // attached again by the program that holds it: this run's file stays
         again.Connect();
         return again.connected && s->CeCloseHandle(file);
       }, true, {{"\\w.bin", "abc"}}, 997},
      {"two handles, two cases", {}, {},
       [](IRAPISession* s, const TempHandheld&) {
         HANDLE first = Open(s, L"\\Foo.txt");
         const bool second = Open(s, L"\\FOO.TXT") != INVALID_HANDLE_VALUE;
         return Put(s, first, "x") && s->CeCloseHandle(first) && !second;
       }, true, {{"\\Foo.txt", "x"}}, 999},
      {"a replacement and another file, then the replacement dropped", {},
       {{"\\a.bin", std::string(600, 'a')}},
       [](IRAPISession* s, const TempHandheld&) {
         const bool replacing = Put(s, Open(s, L"\\a.bin"), std::string(400, 'n'));
         const bool other = Write(s, L"\\b.bin", std::string(600, 'b'));
         return replacing && !other && s->CeRapiUninit() == S_OK && s->CeRapiInit() == S_OK;
       }, true, {{"\\a.bin", std::string(600, 'a')}}, 400},
      {"link cut in a write in place", {{"faults", {{"disconnect_after_bytes", 3}}}}, {{"\\p.bin", "abcdef"}},
       [](IRAPISession* s, const TempHandheld&) { return Put(s, Open(s, L"\\p.bin", OPEN_EXISTING), "XYZW"); },
       false, {{"\\p.bin", "XYZdef"}}, 0xFFFFFFFF},
      {"no room for a write in place", {{"main_memory", {{"total", 10}, {"reserved", 0}}}},
       {{"\\p.bin", "abcdef"}},
       [](IRAPISession* s, const TempHandheld&) {
         HANDLE file = Open(s, L"\\p.bin", OPEN_EXISTING);
         return !Put(s, file, "0123456789!") && Put(s, file, "0123456789") && s->CeCloseHandle(file);
       }, true, {{"\\p.bin", "0123456789"}}, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault);
    json profile = {{"main_memory", {{"total", 1000}, {"reserved", 0}}}};  // unless the row says otherwise
    if (row.profile.is_object()) profile.update(row.profile);
    TempHandheld handheld(profile);
    for (const auto& [path, content] : row.before) handheld.Put(path, content);
    {
      Link link;
      link.Connect();
      ASSERT_TRUE(link.connected);
      EXPECT_EQ(row.act(link.session, handheld), row.ok);
      EXPECT_EQ(handheld.Tree(), With(row.after));  // the host folder itself: no temporary file either
      for (const auto& entry : fs::directory_iterator(handheld.folder())) {  // nothing left pending either
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "profile.json" || name == "fs" || name == ".rapi-hold" ||
                    (name.starts_with(emu::kJournalPrefix) && entry.file_size() == 0))
            << name;
      }
      if (row.freeAfter != 0xFFFFFFFF) {
        EXPECT_EQ(FreeBytes(link.session, L"\\"), row.freeAfter);
      }
    }
    EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json"}));  // let go: no journal, no hold
  }
}

// The journals in a handheld folder: name -> what it holds.
std::map<std::string, std::string> Journals(const std::string& handheldFolder) {
  std::map<std::string, std::string> journals;
  for (const auto& entry : fs::directory_iterator(handheldFolder)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(emu::kJournalPrefix)) continue;
    const testsupport::Bytes bytes = testsupport::ReadBytes(entry.path().string());
    journals[name].assign(bytes.begin(), bytes.end());
  }
  return journals;
}

// The one journal's name when it holds that many whole lines, and nothing else.
std::string OneJournalOfWholeLines(const std::string& handheldFolder, int lines) {
  const auto journals = Journals(handheldFolder);
  const std::regex whole("([+-]Game/~rapi-[0-9a-f]{16}\\.tmp\n){" + std::to_string(lines) + "}");
  return journals.size() == 1 && std::regex_match(journals.begin()->second, whole) ? journals.begin()->first : "";
}

// Copies a file while the PC's disk takes no more than `room` more bytes of the one
// journal (its next line is cut short there); true when the copy failed.
bool FailsWithTheDiskFull(IRAPISession* session, const std::string& handheldFolder, std::size_t room) {
  const auto journals = Journals(handheldFolder);
  if (journals.size() != 1) return false;
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit full = {static_cast<rlim_t>(journals.begin()->second.size() + room), limit.rlim_max};
  ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead of ending the program
  const bool failed = ::setrlimit(RLIMIT_FSIZE, &full) == 0 && !Write(session, L"\\Game\\c.bin", "x");
  ::setrlimit(RLIMIT_FSIZE, &limit);
  return failed;
}

// From here on this process cannot shrink a file, as on a file system that needs room
// even for that: ftruncate fails.
bool RefuseTruncation() {
  sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                          BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_ftruncate, 0, 1),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                          BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
  const sock_fprog program = {static_cast<unsigned short>(std::size(filter)), filter};
  return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// A run killed while copying: its temporary files and journal go at the next attach,
// and a file that merely looks like a temporary one stays.
TEST(EmulatedHandheld, AKilledRunsTemporaryFilesGoAtTheNextAttach) {
  TempHandheld handheld(json{{"main_memory", {{"total", 1000}, {"reserved", 0}}}});
  handheld.Put("\\Game\\");
  const pid_t child = ::fork();
  if (child == 0) {
    Link link;
    link.Connect();
    IRAPISession* s = link.session;
    const std::string& folder = handheld.folder();
    std::string rewritten;
    // Another copy finished meanwhile: the journal still lists the first. A copy whose
    // journal line the full disk cut short fails, and what was written of the line is
    // taken back; where it cannot be, the journal is written anew before its next line
    // (and only then).
    if (Put(s, Open(s, L"\\Game\\a.bin"), "half") && Write(s, L"\\Game\\b.bin", "x") &&
        FailsWithTheDiskFull(s, folder, 10) && !OneJournalOfWholeLines(folder, 3).empty() && RefuseTruncation() &&
        FailsWithTheDiskFull(s, folder, 10) && Put(s, Open(s, L"\\Game\\d.bin"), "half") &&
        !(rewritten = OneJournalOfWholeLines(folder, 2)).empty() && Write(s, L"\\Game\\e.bin", "x") &&
        OneJournalOfWholeLines(folder, 4) == rewritten) {
      ::kill(::getpid(), SIGKILL);
    }
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_NE(OneJournalOfWholeLines(handheld.folder(), 4), "");
  const Tree left = handheld.Tree();
  ASSERT_EQ(left.size(), With({}).size() + 5);  // the folder, two finished files and two temporary files
  const auto made = std::next(left.find("\\Game\\e.bin"));
  ASSERT_NE(made, left.end());
  const std::string temp = made->first.substr(6);
  EXPECT_TRUE(emu::IsTemporaryName(temp)) << temp;
  EXPECT_EQ(temp.find_first_of("\"*/:<>?\\|"), std::string::npos);  // legal on FAT and exFAT too
  handheld.Put("\\Game\\~rapi-0123456789abcdef.tmp", "by hand");
  std::ofstream(handheld.folder() + "/registry.json.tmp") << "{";  // a name the layer never makes
  // Journals as other runs would leave them: an ended one naming things the layer
  // never makes, and a living one (its lock held) whose file is still being written;
  // and one the layer never makes, by its name.
  const Tree kept = {{"\\Game\\~rapi-2222222222222222.tmp", "resolved, then made by hand"},
                     {"\\Game\\not-temporary.txt", "x"},
                     {"\\Game\\~rapi-333333333333333g.tmp", "x"},
                     {"\\Game\\~rapi-4444444444444444.tmp", "a second name"},
                     {"\\Game\\~rapi-5555555555555555.tmp", "living run"}};
  for (const auto& [path, content] : kept) handheld.Put(path, content);
  fs::create_hard_link(handheld.folder() + "/fs/Game/~rapi-4444444444444444.tmp", handheld.folder() + "/hard");
  std::ofstream(handheld.folder() + "/~rapi-6666666666666666.tmp") << "beside fs/";
  std::ofstream(handheld.folder() + "/~rapi-8888888888888888.tmp") << "{\"registry\": ";
  testsupport::TempFolder outside("outside");  // reached through a folder link in fs/
  std::ofstream(outside.File("~rapi-7777777777777777.tmp")) << "outside";
  fs::create_directory_symlink(outside.Path(), handheld.folder() + "/fs/Game/L");
  const std::string ended = "/.rapi-pending-00000000000000e1", living = "/.rapi-pending-00000000000000e2",
                    oversized = "/.rapi-pending-00000000000000e3";  // more than the layer ever writes
  std::ofstream(handheld.folder() + ended)
      << "+Game/~rapi-1111111111111111.tmp\n+Game/~rapi-2222222222222222.tmp\n-Game/~rapi-2222222222222222.tmp\n"
         "+Game/not-temporary.txt\n+Game/~rapi-333333333333333g.tmp\n+Game/~rapi-4444444444444444.tmp\n"
         "+../~rapi-6666666666666666.tmp\n+Game/L/~rapi-7777777777777777.tmp\n+/~rapi-8888888888888888.tmp\n"
         "+/fs/Game/~rapi-5555555555555555.tmp\n";
  std::ofstream(handheld.folder() + "/.rapi-pending-by-hand") << "+Game/~rapi-5555555555555555.tmp\n";
  std::ofstream(handheld.folder() + oversized) << "+Game/~rapi-5555555555555555.tmp\n";
  fs::resize_file(handheld.folder() + oversized, (4 << 20) + 1);
  handheld.Put("\\Game\\~rapi-1111111111111111.tmp", "ended run");
  std::ofstream(handheld.folder() + living) << "+Game/~rapi-5555555555555555.tmp\n";
  const int lock = ::open((handheld.folder() + living).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  Link next;
  next.Connect();
  EXPECT_EQ(FolderTree(outside.Path()), Tree({{"\\~rapi-7777777777777777.tmp", "outside"}}));
  fs::remove(handheld.folder() + "/fs/Game/L");
  Tree after = kept;
  after.insert({{"\\Game\\", ""}, {"\\Game\\b.bin", "x"}, {"\\Game\\e.bin", "x"}, {"\\Game\\~rapi-0123456789abcdef.tmp", "by hand"}});
  EXPECT_EQ(handheld.Tree(), With(after));
  ::close(lock);
  // Beside fs/: only the ended run's registry file and its journal went.
  EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{".rapi-hold", ".rapi-pending-by-hand", living.substr(1),
                                                       oversized.substr(1), "fs", "hard", "profile.json",
                                                       "registry.json.tmp", "~rapi-6666666666666666.tmp"}));
  EXPECT_EQ(FreeBytes(next.session, L"\\"), 939u);  // what stays counts, what went does not
  // Cleared up once per hold: an ended run's journal put in by hand meanwhile waits for
  // the next hold, however often the holder attaches again.
  const std::string late = handheld.folder() + "/.rapi-pending-00000000000000e4";
  std::ofstream(late) << "+Game/~rapi-9999999999999999.tmp\n";
  handheld.Put("\\Game\\~rapi-9999999999999999.tmp", "late");
  {
    Link again;
    again.Connect();
    ASSERT_TRUE(again.connected);
    EXPECT_TRUE(fs::exists(late));
  }
  ReleaseLink(next);  // every pointer let go of, then a new hold
  Link third;
  third.Connect();
  ASSERT_TRUE(third.connected);
  EXPECT_FALSE(fs::exists(late));
  EXPECT_FALSE(fs::exists(handheld.folder() + "/fs/Game/~rapi-9999999999999999.tmp"));
}

// A run killed just as it starts a copy or a registry save, at the journal line that
// lists its new temporary file (the PC's file size limit kills it there): the next
// attach finds no temporary file of the run anywhere, and free space is exact.
TEST(EmulatedHandheld, ARunKilledAsACopyStartsLeavesNothing) {
  const struct { const char* start; bool pending; std::function<bool(IRAPISession*)> act; } rows[] = {
      {"a copy, the run's first line", false, [](IRAPISession* s) { return Write(s, L"\\a.bin", "x"); }},
      {"a registry save, the run's first line", false,
       [](IRAPISession* s) {
         HKEY key = nullptr;
         return s->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"K", 0, nullptr, 0, 0, nullptr, &key, nullptr) == 0;
       }},
      {"a copy while another is in flight", true, [](IRAPISession* s) { return Write(s, L"\\a.bin", "x"); }}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.start);
    TempHandheld handheld(json{{"main_memory", {{"total", 1000}, {"reserved", 0}}}});
    const pid_t child = ::fork();
    if (child == 0) {
      ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
      Link link;
      link.Connect();
      if (!link.connected || (row.pending && !Put(link.session, Open(link.session, L"\\p.bin"), "half"))) ::_exit(1);
      const auto journals = Journals(handheld.folder());
      const rlimit noGrowth = {journals.empty() ? 0 : journals.begin()->second.size(), RLIM_INFINITY};
      if (journals.size() > 1 || ::setrlimit(RLIMIT_FSIZE, &noGrowth) != 0) ::_exit(1);
      row.act(link.session);
      ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    Link next;
    next.Connect();
    ASSERT_TRUE(next.connected);
    EXPECT_EQ(handheld.Tree(), With({}));
    EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{".rapi-hold", "fs", "profile.json"}));
    EXPECT_EQ(FreeBytes(next.session, L"\\"), 1000u);
  }
}

// A temporary name that is taken, by a file or a folder, is passed over and left alone,
// also by the clean-up after a run that tried it and was killed; even when the line
// that struck the name off the journal was cut short by the PC's full disk.
TEST(EmulatedHandheld, ATakenTemporaryNameIsNeverReusedOrRemoved) {
  TempHandheld handheld;
  handheld.Put("\\x\\");
  const emu::FolderRef home = emu::HostFolder::Open(handheld.folder());
  const emu::FolderRef root = emu::HostFolder::Open(handheld.folder() + "/fs");
  ASSERT_NE(root, nullptr);
  std::string first;
  emu::Staging probe(home, 7);  // learns the name tried first with this seed
  ::close(probe.Create(*root, "", &first));
  const struct { const char* by; bool folder, struckOffCut; } rows[] = {
      {"a file", false, false}, {"a folder", true, false}, {"a file, its strike-off line cut short", false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.by);
    const std::string taken = handheld.folder() + "/fs/" + first;
    fs::remove(taken);
    row.folder ? static_cast<void>(fs::create_directory(taken)) : static_cast<void>(std::ofstream(taken) << "mine");
    const pid_t run = ::fork();
    if (run == 0) {  // in the last row, the PC's disk takes the journal's first line only
      const rlimit room = {row.struckOffCut ? first.size() + 2 : RLIM_INFINITY, RLIM_INFINITY};
      ::signal(SIGXFSZ, SIG_IGN);
      emu::Staging later(home, 7);
      std::string name;
      if (::setrlimit(RLIMIT_FSIZE, &room) != 0 || later.Create(*root, "", &name) < 0 || name == first ||
          !emu::IsTemporaryName(name)) {
        ::_exit(1);
      }
      ::kill(::getpid(), SIGKILL);  // its copy in flight
    }
    int status = 0;
    ASSERT_EQ(::waitpid(run, &status, 0), run);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    emu::Staging::CleanUpEndedRuns(*home, *root);
    EXPECT_EQ(FolderTree(handheld.folder() + "/fs"),
              Tree({{"\\x\\", ""}, {"\\" + first + (row.folder ? "\\" : ""), row.folder ? "" : "mine"}}));
  }
  // A name refused outright (its folder went after it was opened) is struck off at once
  // too, and the call says why; the run, with nothing pending, leaves no journal.
  ASSERT_EQ(::mkdirat(root->fd(), "gone", 0755), 0);
  const emu::FolderRef gone = root->Child("gone");
  ASSERT_EQ(::unlinkat(root->fd(), "gone", AT_REMOVEDIR), 0);
  const auto journals = Journals(handheld.folder());
  {
    emu::Staging run(home);
    std::string name;
    EXPECT_EQ(run.Create(*gone, "gone", &name), -1);
    EXPECT_EQ(errno, ENOENT);
    auto now = Journals(handheld.folder());
    for (const auto& [journal, lines] : journals) now.erase(journal);
    ASSERT_EQ(now.size(), 1u);
    EXPECT_TRUE(std::regex_match(now.begin()->second, std::regex("\\+gone/(~rapi-[0-9a-f]{16}\\.tmp)\n-gone/\\1\n")))
        << now.begin()->second;
  }
  EXPECT_EQ(Journals(handheld.folder()), journals);
}

// Folders swapped for links while the device writes: nothing lands outside, whichever
// way the two interleave; fs/ itself, or the handheld folder (its journal, its
// registry), swapped for a link after attaching neither.
TEST(EmulatedHandheld, NothingLandsOutsideWhileTheFolderChangesUnderIt) {
  for (const std::string swapped : {"/fs/d", "/fs", ""}) {
    SCOPED_TRACE(swapped);
    testsupport::TempFolder outside("outside");
    TempHandheld handheld;
    handheld.Put("\\d\\");
    Link link;
    link.Connect();
    const std::string real = handheld.folder() + swapped, aside = real + ".real";
    auto swap = [&] {
      fs::rename(real, aside);
      fs::create_directory_symlink(outside.Path(), real);
    };
    auto back = [&] {
      fs::remove(real);
      fs::rename(aside, real);
    };
    // Swapped once, for a first copy (the run's journal) and registry change.
    swap();
    Write(link.session, L"\\d\\first", "x");
    HKEY key = nullptr;
    link.session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"First", 0, nullptr, 0, 0, nullptr, &key, nullptr);
    back();
    EXPECT_EQ(FolderTree(outside.Path()), Tree{});
    EXPECT_TRUE(handheld.Registry().contains("First"));
    std::atomic<bool> done{false};
    std::thread swapper([&] {
      while (!done) swap(), back();
    });
    for (int i = 0; i < 600; ++i) {
      const std::wstring n = std::to_wstring(i);
      Write(link.session, (L"\\d\\f" + n).c_str(), "x");
      Write(link.session, (L"\\d\\f" + n).c_str(), "y", OPEN_EXISTING);
      link.session->CeCreateDirectory((L"\\d\\s" + n).c_str(), nullptr);
      Shortcut(link.session, L"\\d\\l" + n);
      if (i % 100 == 0) {
        link.session->CeRegCreateKeyEx(HKEY_CURRENT_USER, (L"K" + n).c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr);
      }
    }
    done = true;
    swapper.join();
    EXPECT_EQ(FolderTree(outside.Path()), Tree{});
  }
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
  auto set = [&](const wchar_t* name, const std::wstring& text) {
    return link.session->CeRegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
  };
  // The registry's temporary file is one of the layer's own: what lies under a name the
  // layer did not make is neither in the way, nor written through, nor removed.
  testsupport::TempFolder outside("outside");
  std::ofstream(outside.File("kept.txt")) << "kept";
  const std::string temp = handheld.folder() + "/registry.json.tmp";
  const std::pair<const char*, std::function<void()>> byHand[] = {
      {"a folder", [&] { fs::create_directory(temp); }},
      {"a hard link to a file outside", [&] { fs::create_hard_link(outside.File("kept.txt"), temp); }}};
  for (const auto& [what, put] : byHand) {
    SCOPED_TRACE(what);
    put();
    ASSERT_EQ(set(L"NAME", layer::Utf8ToWide(what)), ERROR_SUCCESS);
    EXPECT_EQ(handheld.Registry(), json({{"Software\\A", {{"Name", Sz(what)}}}}));
    EXPECT_TRUE(fs::exists(temp));
    fs::remove(temp);
  }
  EXPECT_EQ(FolderTree(outside.Path()), Tree({{"\\kept.txt", "kept"}}));
  ASSERT_EQ(set(L"NAME", L"new"), ERROR_SUCCESS);

  // The largest registry written is the largest read back: 4 MiB.
  auto setBig = [&](size_t units) { return set(L"Big", std::wstring(units, L'x')); };
  const std::string registry = handheld.folder() + "/registry.json";
  const size_t bound = 4u << 20;
  ASSERT_EQ(setBig(0), ERROR_SUCCESS);
  const size_t room = bound - fs::file_size(registry);
  EXPECT_EQ(setBig(room + 1), static_cast<LONG>(ERROR_WRITE_FAULT));
  EXPECT_EQ(fs::file_size(registry), bound - room);
  ASSERT_EQ(setBig(room), ERROR_SUCCESS);
  EXPECT_EQ(fs::file_size(registry), bound);
  Link next;
  next.Connect();
  EXPECT_TRUE(next.connected);

  // A buffer too small is told the size and left alone past what it was given.
  WCHAR small[3] = {L'a', L'b', L'#'};
  DWORD size = 2 * sizeof(WCHAR);
  EXPECT_EQ(link.session->CeRegQueryValueEx(key, L"name", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 4 * sizeof(WCHAR));
  EXPECT_EQ(small[2], L'#');
}

// Each problem is said once on standard error, however often the handheld is looked
// for, and the handheld is gone until the problem is mended. Files that are not plain
// files, or are too large, are refused before they are read (a blocking read would
// hold the test until its time-out).
TEST(EmulatedHandheld, ProfileProblemsMeanNoDevice) {
  using Make = std::function<void(const std::string&)>;
  auto text = [](std::string content) -> Make {  // saved the way an editor saves
    return [content](const std::string& path) {
      std::ofstream(path + ".new") << content;
      fs::rename(path + ".new", path);
    };
  };
  auto sized = [](off_t size) -> Make {  // sparse: costs nothing to make
    return [size](const std::string& path) {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (::ftruncate(fd, size) != 0) std::abort();
      ::close(fd);
    };
  };
  const Make fifo = [](const std::string& path) { ::mkfifo(path.c_str(), 0644); };
  const Make folder = [](const std::string& path) { fs::create_directory(path); };
  const Make zeros = [](const std::string& path) { fs::create_symlink("/dev/zero", path); };
  const off_t bound = 4 << 20;
  const struct { const char* file; Make make; std::string complaint; } problems[] = {
      {"profile.json", nullptr, ""},  // no profile: nothing attached, nothing to say
      {"profile.json", text("{ \"name\": "), "profile.json: not valid JSON"},
      {"profile.json", text(R"({"faults": {"no_desktp": true}})"), "unknown field \"faults.no_desktp\""},
      {"profile.json", text(R"({"cards": [{"name": "..\\x"}]})"), "cards[0].name"},
      {"profile.json", text(R"({"cards": [{}, {}]})"), "cards[1]"},  // two cards of one name
      {"profile.json", text(R"({"os": {"major": -1}})"), "os.major"},
      {"profile.json", fifo, "profile.json: a FIFO, not a plain file"},
      {"profile.json", folder, "profile.json: a folder, not a plain file"},
      {"profile.json", zeros, "profile.json: a device, not a plain file"},  // the link is followed
      {"profile.json", sized(bound + 1), "profile.json: larger than 4194304 bytes"},
      {"profile.json", sized(bound), "profile.json: not valid JSON"},  // just fits, so read and parsed
      {"registry.json", text("{"), "registry.json: not valid JSON"},
      {"registry.json", fifo, "registry.json: a FIFO, not a plain file"},
      {"registry.json", folder, "registry.json: a folder, not a plain file"},
      {"registry.json", sized(bound + 1), "registry.json: larger than 4194304 bytes"}};
  auto found = [] { Link link; link.Connect(); return link.device != nullptr; };
  for (const auto& row : problems) {
    SCOPED_TRACE(std::string(row.file) + " row " + std::to_string(&row - problems));
    TempHandheld handheld;
    const std::string path = handheld.folder() + "/" + row.file;
    Link first;
    first.Connect();
    ASSERT_TRUE(first.connected);
    std::string said;
    // Broken three times; mended by removing the file, then by a good profile too.
    for (int round = 0; round < 3; ++round) {
      fs::remove_all(path);
      if (row.make) row.make(path);
      testing::internal::CaptureStderr();
      EXPECT_FALSE(first.session->CeCreateDirectory(L"\\made", nullptr) || found() || found());
      said += testing::internal::GetCapturedStderr();
      fs::remove_all(path);
      if (round == 1) {
        text("{}")(handheld.folder() + "/profile.json");
        EXPECT_TRUE(found());
      } else {
        found();
      }
    }
    const std::string line = said.substr(0, said.find('\n') + 1);  // said once each time it is broken
    EXPECT_EQ(said, row.complaint.empty() ? "" : line + line + line);
    EXPECT_NE(line.find(row.complaint), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace devtest
