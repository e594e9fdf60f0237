// Two programs on one emulated handheld folder, as real processes: one holds it at a
// time, and neither loses, leaves or double-counts anything of the other's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "platform/rapi2/staging.h"
#include "platform/win32/strings.h"
#include "tests/device/DeviceKit.h"
#include "tests/support/ForkWhileCalling.h"
#include "tools/handheldview/HandheldReport.h"

namespace devtest {
namespace {

namespace fs = std::filesystem;

// Another program: a forked child running `body`, which talks with this one a line
// (child to parent) or a byte (parent to child) at a time. Its standard error goes to
// the file named (nowhere by default); it is killed when the object goes, if it still runs.
class OtherProgram {
 public:
  explicit OtherProgram(std::function<void(OtherProgram&)> body, const std::string& errors = "/dev/null") {
    if (::pipe(up_) != 0 || ::pipe(down_) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up_[0]), ::close(down_[1]);
      const int file = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(file, STDERR_FILENO);
      body(*this);
      ::_exit(0);
    }
    ::close(up_[1]), ::close(down_[0]);
  }
  ~OtherProgram() {
    if (pid_ > 0) Kill();
    ::close(up_[0]), ::close(down_[1]);
  }

  pid_t pid() const { return pid_; }
  // The child's side.
  void Say(const std::string& line) { WriteAll(up_[1], line + "\n"); }
  char Await() {
    char request = 0;
    return ::read(down_[0], &request, 1) == 1 ? request : 0;
  }
  // The parent's side: a line said ("" once the child is gone), a request, the end.
  std::string Hear() {
    std::string line;
    char c = 0;
    while (::read(up_[0], &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  void Tell(char request) { WriteAll(down_[1], std::string(1, request)); }
  void Wait() {
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  void Kill() {
    ::kill(pid_, SIGKILL);
    Wait();
  }

 private:
  static void WriteAll(int fd, const std::string& text) {
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
  }
  int up_[2] = {-1, -1}, down_[2] = {-1, -1};
  pid_t pid_ = -1;
};

// What a program is told, once, when another holds the handheld.
std::string HeldBy(const TempHandheld& handheld, pid_t holder) {
  return "rapi2: " + handheld.folder() + ": another program holds this handheld (process " + std::to_string(holder) +
         "), so it is not offered here until that program lets go of it or ends\n";
}

// A second program finds no handheld (said once) and changes nothing while the first
// holds it, whatever it holds it for; it gets it once the first lets go, ends or dies,
// and clears up after a first that died. handheldview reads it all along. A first whose
// hold file was replaced meanwhile (removed by hand, then made by another program that
// holds the handheld now) leaves that program's file alone as it lets go.
TEST(EmulatedHandheld, OneProgramHoldsAHandheldAtATime) {
  const struct { const char* how; char request; bool forks = false, replaced = false; } ends[] = {
      {"killed mid-copy", 'k'},
      {"killed mid-copy, a child it forked living on", 'k', true},
      {"lets go of its link and lives on", 'r'},
      {"lets go after its hold file was replaced by another program's", 'r', false, true},
      {"ends without letting go", 'x'}};
  for (const auto& end : ends) {
    SCOPED_TRACE(end.how);
    TempHandheld handheld(json{{"main_memory", {{"total", 1000}, {"reserved", 0}}}});
    OtherProgram first([&end](OtherProgram& self) {
      auto link = std::make_unique<Link>();
      link->Connect();
      HKEY key = nullptr;
      const bool copying = link->connected &&
                           link->session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"First", 0, nullptr, 0, 0, nullptr, &key,
                                                           nullptr) == ERROR_SUCCESS &&
                           Put(link->session, Open(link->session, L"\\a.bin"), "half");
      if (end.forks) {  // a child that only waits (no call, no exec), said once it runs
        int started[2];
        char byte = 0;
        if (::pipe(started) != 0) std::abort();
        const pid_t waiting = ::fork();
        if (waiting == 0) {
          if (::write(started[1], "s", 1) != 1) ::_exit(1);
          for (;;) ::pause();
        }
        if (::read(started[0], &byte, 1) != 1) std::abort();
        self.Say(std::to_string(waiting));
      }
      self.Say(copying ? "copying" : "failed");
      if (self.Await() == 'x') std::exit(0);
      link.reset();
      self.Say("let go");
      self.Await();
    });
    struct KilledAtTheEnd {
      pid_t pid;
      ~KilledAtTheEnd() {
        if (pid > 0) ::kill(pid, SIGKILL);
      }
    } const waiting{end.forks ? std::stoi(first.Hear()) : 0};
    ASSERT_EQ(first.Hear(), "copying");
    const Tree copying = handheld.Tree();
    ASSERT_EQ(copying.size(), With({}).size() + 1);  // its temporary file
    testing::internal::CaptureStderr();
    for (int look = 0; look < 2; ++look) {
      Link second;
      second.Connect();
      EXPECT_FALSE(second.connected);
      EXPECT_EQ(second.device, nullptr);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), HeldBy(handheld, first.pid()));
    EXPECT_EQ(handheld.Tree(), copying);
    std::ostringstream report;
    std::string error;
    EXPECT_TRUE(WriteHandheldReport(handheld.folder(), report, &error)) << error;
    EXPECT_EQ(report.str().rfind("Handheld " + handheld.folder(), 0), 0u);

    const std::string holdFile = handheld.folder() + "/.rapi-hold";
    std::unique_ptr<Link> replacing;
    if (end.replaced) {
      fs::remove(holdFile);
      replacing = std::make_unique<Link>();
      replacing->Connect();
      ASSERT_TRUE(replacing->connected);
    }
    if (end.request == 'k') {
      first.Kill();
    } else {
      first.Tell(end.request);
      if (end.request == 'r') {
        EXPECT_EQ(first.Hear(), "let go");
      } else {
        first.Wait();
      }
    }
    if (replacing) {
      const testsupport::Bytes hold = testsupport::ReadBytes(holdFile);
      EXPECT_EQ(std::string(hold.begin(), hold.end()), std::to_string(::getpid()) + "\n");
      replacing.reset();
    }
    if (end.request != 'k') {  // a normal end leaves nothing behind
      EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json", "registry.json"}));
      EXPECT_EQ(handheld.Tree(), With({}));
    }
    Link second;
    second.Connect();
    ASSERT_TRUE(second.connected);
    EXPECT_EQ(handheld.Tree(), With({}));
    EXPECT_EQ(FreeBytes(second.session, L"\\"), 1000u);
    EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{".rapi-hold", "fs", "profile.json", "registry.json"}));
  }
}

// The calls of a link inherited across fork that did not fail as on a device gone
// away, by name: none, as the link is another program's (its session is ended last).
// `key` is a key it opened, `file` a file it is writing (or INVALID_HANDLE_VALUE).
std::string InheritedCallsThatWork(CDeviceLink& link, HKEY key, HANDLE file) {
  IRAPISession* s = link.session;
  std::string worked;
  const DWORD number = 7;
  if (s->CeRegSetValueEx(key, L"child", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) !=
      ERROR_DEVICE_NOT_CONNECTED) {
    worked += " set";
  }
  if (Write(s, L"\\child.bin", "child")) worked += " write";
  if (s->CeDeleteFile(L"\\done.bin")) worked += " delete";
  if (file != INVALID_HANDLE_VALUE && (Put(s, file, "more") || s->CeCloseHandle(file))) worked += " copy";
  if (s->CeRapiInit() != HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED)) worked += " init";
  IRAPISession* fresh = nullptr;
  if (link.device->CreateSession(&fresh) == S_OK || fresh != nullptr) worked += " session";
  RAPI_DEVICESTATUS status = RAPI_DEVICE_CONNECTED;
  if (link.device->GetConnectStat(&status) != S_OK || status != RAPI_DEVICE_DISCONNECTED) worked += " status";
  RAPI_DEVICEINFO info{};
  if (link.device->GetDeviceInfo(&info) != HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED) || info.bstrName) {
    worked += " info";
  }
  if (s->CeRapiUninit() != HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED)) worked += " uninit";
  return worked;
}

// What in `folder` (itself included) this process holds open, by path below it.
std::string OpenWithin(const std::string& folder) {
  const std::string real = fs::canonical(folder).string();
  std::string open;
  for (const auto& descriptor : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = fs::read_symlink(descriptor.path(), error).string();
    if (target == real) open += " /";
    if (target.starts_with(real + "/")) open += " " + target.substr(real.size());
  }
  return open;
}

// A child forked by the holder is another program: it finds the handheld held as any
// other program would, may hold it once the parent lets go, and what it inherited
// reaches nothing either way. Nothing it does takes anything of its parent's (open
// file, journal, hold, registry values).
TEST(EmulatedHandheld, AChildForkedByTheHolderDoesNotHoldIt) {
  // What the child inherited is first used while the parent holds the handheld, or only
  // once the child holds it itself.
  const struct { const char* when; bool midCopy, usedWhileHeld; } rows[] = {
      {"mid-copy", true, true}, {"between copies", false, false}};
  for (const auto& [when, midCopy, usedWhileHeld] : rows) {
    SCOPED_TRACE(when);
    TempHandheld handheld;
    auto link = std::make_unique<Link>();
    link->Connect();
    ASSERT_TRUE(Write(link->session, L"\\done.bin", "done"));  // its journal, emptied
    HKEY key = nullptr;
    ASSERT_EQ(link->session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"Parent", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    HANDLE file = midCopy ? Open(link->session, L"\\a.bin") : INVALID_HANDLE_VALUE;
    ASSERT_TRUE(!midCopy || Put(link->session, file, "half"));
    const std::set<std::string> names = handheld.TopNames();
    const Tree tree = handheld.Tree();
    OtherProgram child([&](OtherProgram& self) {
      const std::string open = OpenWithin(handheld.folder());  // none of its parent's
      for (int turn = 0; turn < 2; ++turn) {  // the parent holds the handheld, then has let go
        if (turn == 1) self.Await();
        Link own;
        own.Connect();
        const bool used = turn == 1 || usedWhileHeld;
        std::string said = own.connected ? "held" : "refused";
        if (turn == 0) said += ", open:" + open;
        if (used) said += ", inherited:" + InheritedCallsThatWork(*link, key, file);
        self.Say(said);
      }
      std::exit(0);
    });
    EXPECT_EQ(child.Hear(), usedWhileHeld ? "refused, open:, inherited:" : "refused, open:");
    EXPECT_EQ(handheld.TopNames(), names);
    EXPECT_EQ(names.size(), 5u) << "the hold, the journal and the registry";
    EXPECT_EQ(handheld.Tree(), tree);
    EXPECT_TRUE(!midCopy || link->session->CeCloseHandle(file));
    link.reset();
    child.Tell('g');
    EXPECT_EQ(child.Hear(), "held, inherited:");
    child.Wait();
    EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json", "registry.json"}));
    Tree after = {{"\\done.bin", "done"}};
    if (midCopy) after["\\a.bin"] = "half";
    EXPECT_EQ(handheld.Tree(), With(after));
    EXPECT_EQ(handheld.Registry(), json({{"Parent", json::object()}}));
  }
}

// A child forked while other threads of the holder are inside calls on its session
// (listing and freeing lists, asking metrics, setting values) never waits for a lock
// that one of them held at the fork: every inherited call fails at once, and the child
// finds the handheld held, as any other program would.
TEST(EmulatedHandheld, AChildForkedWhileTheHolderIsInsideCallsNeverHangs) {
  TempHandheld handheld;
  handheld.Put("\\a.txt", "a");
  Link link;
  link.Connect();
  ASSERT_TRUE(link.connected);
  IRAPISession* s = link.session;
  HKEY key = nullptr;
  ASSERT_EQ(s->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"Busy", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
  const DWORD number = 1;
  auto set = [&] { return s->CeRegSetValueEx(key, L"n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4); };
  const auto busy = [&] {
    DWORD count = 0;
    LPCE_FIND_DATA found = nullptr;
    if (s->CeFindAllFiles(L"\\*", FAF_NAME, &count, &found)) s->CeRapiFreeBuffer(found);
    s->CeGetSystemMetrics(SM_CXSCREEN);
    set();
  };
  const auto child = [&] {
    DWORD count = 0;
    LPCE_FIND_DATA found = nullptr;
    int given = 0;
    const bool failed = !s->CeFindAllFiles(L"\\*", FAF_NAME, &count, &found) &&
                        s->CeRapiFreeBuffer(&given) == E_INVALIDARG && s->CeGetSystemMetrics(SM_CXSCREEN) == 0 &&
                        set() == ERROR_DEVICE_NOT_CONNECTED;
    ::dup2(::open("/dev/null", O_WRONLY | O_CLOEXEC), STDERR_FILENO);  // what it is told once
    Link own;
    own.Connect();
    return failed && !own.connected;
  };
  EXPECT_EQ(testsupport::ForkWhileCalling(2, busy, child), "hung 0, failed 0");
  EXPECT_EQ(handheld.Registry(), json({{"Busy", {{"n", Dword(1)}}}}));
}

// Programs attaching and letting go as fast as they can never hold the handheld
// together, even when one lets go just as another takes the hold.
TEST(EmulatedHandheld, ProgramsRacingForTheHoldNeverHoldItTogether) {
  constexpr int kPrograms = 4, kHolds = 150, kTries = 1000000;
  TempHandheld handheld;
  testsupport::TempFolder marks("marks");
  const std::string mark = marks.File("held");  // made by a holder, removed before it lets go
  std::vector<std::unique_ptr<OtherProgram>> programs;
  for (int n = 0; n < kPrograms; ++n) {
    programs.push_back(std::make_unique<OtherProgram>([&](OtherProgram& self) {
      int held = 0, together = 0;
      self.Await();
      for (int tries = 0; held < kHolds && tries < kTries; ++tries) {
        Link link;
        link.Connect();
        if (!link.connected) continue;
        ++held;
        const int made = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (made < 0) {
          ++together;
          continue;
        }
        ::close(made);
        ::unlink(mark.c_str());
      }
      self.Say(std::to_string(held) + " " + std::to_string(together));
    }));
  }
  for (auto& program : programs) program->Tell('g');
  for (auto& program : programs) {
    int held = 0, together = 0;
    std::istringstream(program->Hear()) >> held >> together;
    EXPECT_EQ(held, kHolds);
    EXPECT_EQ(together, 0);
    program->Wait();
  }
  EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json"}));
}

// One turn on a handheld the link holds: sets a registry value, copies a file and makes
// a new file whose name the other program makes in another letter case. Returns what
// the program was told succeeded ("value c3", "file c3.bin", "new 3 c"), and "failed"
// for a registry call that failed although the program held the handheld.
std::set<std::string> TakeTurn(IRAPISession* session, const std::string& tag, int round) {
  std::set<std::string> told;
  const std::string n = std::to_string(round);
  HKEY key = nullptr;
  const DWORD number = static_cast<DWORD>(round);
  const std::wstring value = layer::Utf8ToWide(tag + n);
  const bool set =
      session->CeRegCreateKeyEx(HKEY_CURRENT_USER, L"Software\\Turns", 0, nullptr, 0, 0, nullptr, &key, nullptr) ==
          ERROR_SUCCESS &&
      session->CeRegSetValueEx(key, value.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number) == ERROR_SUCCESS;
  told.insert(set ? "value " + tag + n : "failed");
  session->CeRegCloseKey(key);
  // The volume fills up part way: a copy without room fails, as it should.
  if (Write(session, layer::Utf8ToWide("\\" + tag + n + ".bin").c_str(), std::string(20, tag[0]))) {
    told.insert("file " + tag + n + ".bin");
  }
  const std::wstring fresh = layer::Utf8ToWide(tag == "c" ? "\\new" + n + ".txt" : "\\NEW" + n + ".TXT");
  if (Write(session, fresh.c_str(), tag, CREATE_NEW)) told.insert("new " + n + " " + tag);
  return told;
}

// Each round the parent takes a turn and, still holding the handheld, lets the child
// try (and be refused, said each time); the child gets it once the parent lets go. Both
// keep their handheld objects from round to round, as two running programs would.
TEST(EmulatedHandheld, TwoProgramsTakingTurnsLoseNothingAndNeverOverdraw) {
  constexpr int kRounds = 120;
  constexpr std::uint64_t kTotal = 3000;  // room for about half the copies
  TempHandheld handheld(json{{"main_memory", {{"total", kTotal}, {"reserved", 0}}}});
  testsupport::TempFolder said("said");
  OtherProgram child([](OtherProgram& self) {
    std::set<std::string> told;
    for (int round = 0; round < kRounds && self.Await() == 'g'; ++round) {
      for (bool refused = false;; refused = true) {
        Link link;
        link.Connect();
        if (link.connected) {
          told.merge(TakeTurn(link.session, "c", round));
          break;
        }
        if (!refused) self.Say("refused");
      }
      self.Say("done");
    }
    for (const std::string& line : told) self.Say(line);
  }, said.File("stderr"));
  std::set<std::string> told;
  for (int round = 0; round < kRounds; ++round) {
    {
      Link link;
      link.Connect();
      ASSERT_TRUE(link.connected) << round;
      told.merge(TakeTurn(link.session, "p", round));
      child.Tell('g');
      ASSERT_EQ(child.Hear(), "refused") << round;
    }
    ASSERT_EQ(child.Hear(), "done") << round;
  }
  for (std::string line; !(line = child.Hear()).empty();) told.insert(line);
  child.Wait();
  std::string refusals;
  for (int round = 0; round < kRounds; ++round) refusals += HeldBy(handheld, ::getpid());
  const testsupport::Bytes errors = testsupport::ReadBytes(said.File("stderr"));
  EXPECT_EQ(std::string(errors.begin(), errors.end()), refusals);

  // What is on the handheld, in the same words: every value and file told, no other.
  std::set<std::string> found, numbers;
  const json registry = handheld.Registry();
  for (const auto& [name, value] : registry.at("Software\\Turns").items()) found.insert("value " + name);
  std::uint64_t used = 0;
  std::size_t newFiles = 0;
  for (const auto& [path, content] : handheld.Tree()) {
    used += content.size();
    if (path.ends_with(".bin")) found.insert("file " + path.substr(1));
    if (path.ends_with(".txt") || path.ends_with(".TXT")) {
      const std::string number = path.substr(4, path.size() - 8);
      numbers.insert(number), ++newFiles;
      found.insert("new " + number + " " + content);
    }
  }
  EXPECT_EQ(found, told);
  EXPECT_EQ(numbers.size(), newFiles) << "one new file per name, whatever its case";
  EXPECT_EQ(std::count_if(told.begin(), told.end(), [](const std::string& line) { return line.starts_with("value "); }),
            2 * kRounds);
  EXPECT_LT(std::count_if(told.begin(), told.end(), [](const std::string& line) { return line.starts_with("file "); }),
            2 * kRounds) << "the volume filled up";
  EXPECT_LE(used, kTotal);
  {
    Link last;
    last.Connect();
    EXPECT_EQ(FreeBytes(last.session, L"\\"), kTotal - used);
  }
  EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json", "registry.json"}));
}

// However many copies a run makes while some stay pending, its journal is never larger
// than the clean-up reads whole, and written anew it keeps every pending name, so a run
// killed then leaves nothing. The pending names are long, so that a journal written
// anew is long too, and the lines after it reach the bound sooner.
TEST(EmulatedHandheld, AJournalStaysShortEnoughToBeReadWhole) {
  TempHandheld handheld;
  const emu::FolderRef home = emu::HostFolder::Open(handheld.folder());
  ::mkdirat(home->fd(), "fs", 0755);
  const emu::FolderRef root = home->Child("fs");
  // A deep folder's path makes long lines: 15 folders of 250 letters, 3764 bytes.
  std::string deep;
  emu::FolderRef deepest = root;
  for (int level = 0; level < 15; ++level) {
    const std::string part(250, static_cast<char>('a' + level));
    ::mkdirat(deepest->fd(), part.c_str(), 0755);
    deepest = deepest->Child(part);
    ASSERT_NE(deepest, nullptr);
    deep += (level ? "/" : "") + part;
  }
  std::uintmax_t largest = 0;  // of any journal, after any line
  auto journals = [&] {  // by name: size
    std::map<std::string, std::uintmax_t> sizes;
    for (const auto& entry : fs::directory_iterator(handheld.folder())) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(emu::kJournalPrefix)) largest = std::max(largest, sizes[name] = entry.file_size());
    }
    return sizes;
  };
  {
    emu::Staging run(home);
    std::string name;
    auto copies = [&](int count) {  // 7.6 KB of lines each, were they never rewritten
      for (int i = 0; i < count; ++i) {
        ::close(run.Create(*deepest, deep, &name));
        journals();
        ::unlinkat(deepest->fd(), name.c_str(), 0);
        run.Resolved(deep, name);
        journals();
      }
    };
    // Emptied each time nothing is pending, the journal never needs writing anew.
    copies(1);
    const auto first = journals();
    copies(1500);
    EXPECT_EQ(journals(), first);
    std::string pending[3];  // long copies, never finished
    for (std::string& copy : pending) ::close(run.Create(*deepest, deep, &copy)), journals();
    copies(1500);  // the journal is written anew more than once
    EXPECT_NE(journals().begin()->first, first.begin()->first) << "written anew";
    // Pending names take half a journal at most: then there is no room for one more.
    int made = 0, fd = -1;
    while ((fd = run.Create(*deepest, deep, &name)) >= 0) {
      journals();
      ::close(fd), ::unlinkat(deepest->fd(), name.c_str(), 0), ++made;
    }
    EXPECT_EQ(errno, EMFILE);
    const std::size_t line = deep.size() + 1 + name.size() + 2;  // "+<deep>/<name>\n"
    EXPECT_EQ(made, static_cast<int>((emu::Staging::kJournalLimit / 2 - std::size(pending) * line) / line));
    ASSERT_EQ(journals().size(), 1u);
    EXPECT_LE(largest, emu::Staging::kJournalLimit);
    struct stat info {};
    for (const std::string& copy : pending) EXPECT_TRUE(deepest->Stat(copy, &info)) << copy;
  }  // ended with names pending: as if killed
  emu::Staging::CleanUpEndedRuns(*home, *root);
  EXPECT_EQ(handheld.TopNames(), (std::set<std::string>{"fs", "profile.json"}));
  EXPECT_EQ(deepest->Names(), std::vector<std::string>{});
}

}  // namespace
}  // namespace devtest
