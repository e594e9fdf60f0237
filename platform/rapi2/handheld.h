// An emulated handheld: a folder holding profile.json (its facts and faults),
// registry.json (HKEY_CURRENT_USER) and fs/ (its file system). RAPI_HANDHELD names the
// attached one. Each operation is what the device does for one RAPI2 session call; the
// result is 0 or the error code that says why it failed.
//
// One object stands for one folder for the whole process, so a program started on the
// device keeps its pending registry writes across sessions. Operations are serialised.
//
// One program at a time holds a handheld (see handheld_hold.h): from the attach that
// finds it until the last pointer any attach returned is let go of, or the program
// ends or dies. Letting go drops the files still open and removes the run's journal.
// While another program holds it, this one finds no handheld. A forked child is
// another program: the handheld objects it inherited let go of the hold there and
// reach nothing, and it may attach as any program would.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/rapi2/handheld_files.h"
#include "platform/rapi2/handheld_hold.h"
#include "platform/rapi2/handheld_profile.h"
#include "platform/rapi2/handheld_registry.h"
#include "platform/rapi2/rapi2_types.h"
#include "platform/rapi2/staging.h"

namespace emu {

// The folder RAPI_HANDHELD names, or empty when it is unset.
std::string AttachedFolder();

// Reads a handheld folder's profile. No profile.json: nothing, silently. A profile
// that cannot be read, or an fs/ that is not a real folder: nothing, and one line on
// stderr (not repeated while the reason stays the same).
std::optional<Profile> ReadProfileOf(const std::string& folder);

class Handheld {
 public:
  // The handheld in that folder with its profile and registry read afresh (the cable
  // plugged in again); nothing when the folder holds no usable handheld or another
  // program holds it (said in one line on stderr). Makes fs/ and the folders every
  // such device has (card roots, the programs folder). The program holds the handheld
  // while any pointer returned here lives.
  static std::shared_ptr<Handheld> Attach(const std::string& folder);

  Profile CurrentProfile();
  std::string folder() const { return folder_; }
  // The folder still holds a usable profile and registry.
  bool Present();
  // Present, reported connected by its profile, and its link not dropped.
  bool Connected();
  // The link went down mid-session (disconnect_after_bytes).
  void DropLink();
  // The link goes down after that many more connection checks, i.e. session calls
  // (a fault for tests: the device going away part way through an operation).
  void DropLinkAfterCalls(int calls);

  // Files. File ids name open files for WriteFile and CloseFile. Two handles never
  // have one file open, whatever the letter case of their paths.
  DWORD CreateFile(const WCHAR* path, DWORD access, DWORD creation, std::uint32_t* id);
  // A file opened to start empty (created or truncated) is written under a temporary
  // name beside its own and takes the name only when it is closed, kept, over a
  // working link, so neither a hard link nor a copy cut short can leave another file
  // rewritten or a half file behind. Writes at the file's position. A write for which
  // the volume has no room fails before it writes anything. After a failed write new
  // content is dropped, and a file written in place holds what it held before, except
  // for what did reach it: when the PC's own disk fills part way, what the PC's file
  // system kept of the write. (A link cut part way stops the write at the cut, before
  // the call: the bytes before it are written, those after it never come.)
  DWORD WriteFile(std::uint32_t id, const void* data, DWORD size);
  // Closes a file. Kept, new content takes its name (failing when it cannot, or when a
  // file opened as new finds its name taken by then); not kept, it is dropped.
  DWORD CloseFile(std::uint32_t id, bool keep);
  DWORD CreateDirectory(const WCHAR* path);
  DWORD RemoveDirectory(const WCHAR* path);
  DWORD DeleteFile(const WCHAR* path);
  DWORD FindAll(const WCHAR* pattern, DWORD flags, std::vector<CE_FIND_DATA>* found);
  DWORD DiskFree(const WCHAR* folder, std::uint64_t* freeBytes, std::uint64_t* totalBytes);
  DWORD CreateShortcut(const WCHAR* shortcut, const WCHAR* target);

  // Programs and shell.
  DWORD StartProcess(const WCHAR* path);
  DWORD SpecialFolder(int csidl, std::wstring* path);
  int SystemMetric(int index);

  // Registry, by key path under HKEY_CURRENT_USER. A change that cannot be written to
  // registry.json is undone and fails with ERROR_WRITE_FAULT.
  bool KeyExists(const std::wstring& key);
  DWORD CreateKey(const std::wstring& key, bool* created);
  DWORD QueryValue(const std::wstring& key, const std::wstring& name, RegValue* value);
  DWORD SetValue(const std::wstring& key, const RegValue& value);
  DWORD DeleteKey(const std::wstring& key);

 private:
  struct OpenFile {
    int fd = -1;
    FolderRef folder;                 // the folder holding it
    std::string name;                 // its host name there, when it was opened
    std::string temp;                 // where new content is written; empty: in place
    std::vector<std::wstring> names;  // its volume is looked up at each use: cards come and go
    bool writable = false;
    bool createNew = false;  // must not find its name taken when it closes
    std::uint64_t replacedSize = 0;  // what the count holds for the file it replaces
    bool lost = false;       // its new content was dropped
    std::uint64_t position = 0;
  };
  struct PendingRun {
    std::uint64_t dueMs = 0;
    std::vector<ProgramBehaviour::Write> writes;
  };
  struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
  };

  // Stands for the program's hold while anything it handed out lives.
  struct Hold {
    Hold(Handheld* h, std::uint64_t g) : handheld(h), generation(g) {}
    ~Hold() { handheld->LetGo(generation); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    Handheld* const handheld;
    const std::uint64_t generation;
  };

  explicit Handheld(std::string folder) : folder_(std::move(folder)) {}
  // Opens the folder and takes its hold (a new generation of it).
  bool TakeHold();
  // The hold of that generation is let go of, unless a newer one took its place.
  void LetGo(std::uint64_t generation);
  // Drops open files, removes the journal and lets go of the hold file.
  void LetGoLocked();
  // Lets go of every handheld this process holds, as it ends.
  static void LetGoAtExit();
  // Around fork: every handheld is locked across it, so that the child copies none
  // half-changed; in the child, each forgets what it held (ForgetInChild).
  static void BeforeFork();
  static void AfterForkInParent();
  static void AfterForkInChild();
  // Closes the child's copies of the parent's descriptors (the hold's lock, the
  // journal's, open files) and touches none of the parent's files.
  void ForgetInChild();
  bool Reload();
  // Catches up with the world before each call: a profile or registry edited on disk,
  // and program runs whose time has come.
  void Sync();
  void ApplyDueRuns();
  void PrepareFolders();
  bool Persist(const RegistryStore& changed);
  // The opening steps of every device call: serialise, catch up, require the device;
  // AtPath also resolves a device path (the root only where rootAllowed).
  template <class Operation>
  DWORD OnDevice(Operation&& operation);
  template <class Operation>
  DWORD AtPath(const WCHAR* path, bool rootAllowed, Operation&& operation);
  bool LinkUp() const { return present_ && profile_.connected && !linkDropped_; }
  // Used bytes per volume are what its files and temporary files hold: counted once
  // when the handheld is (re)read, then kept up to date by every write, replacement
  // and deletion, so a replaced file counts until its new content takes its name.
  void CountUsed();
  std::uint64_t& Used(int volume) { return used_[static_cast<size_t>(volume + 1)]; }
  void Release(int volume, std::uint64_t bytes);
  std::uint64_t FreeBytes(int volume);
  OpenFile* FindOpen(std::uint32_t id);
  DWORD ListMatches(const WCHAR* pattern, DWORD flags, std::vector<CE_FIND_DATA>* found);
  // Drops an open file's new content.
  void GiveUp(OpenFile& file);
  // New content takes its name; 0, or why it could not (then it is dropped).
  DWORD Commit(OpenFile& file);
  // Counts what a write made the file grow by.
  void CountGrowth(const OpenFile& file, std::uint64_t sizeBefore);
  bool IsOpen(const HostEntry& entry) const;
  bool IsTemporary(const HostFolder& folder, const std::string& name) const;
  std::string Where(const HostFolder& folder) const;
  FileStamp Stamp(const char* name) const;

  const std::string folder_;
  std::mutex mutex_;
  FolderRef home_;  // the handheld folder, held open while the program holds it
  HoldFile holdFile_;
  std::weak_ptr<Hold> hold_;
  std::uint64_t holdGeneration_ = 0;
  bool endedRunsLeft_ = false;  // what runs before this hold left is not cleared up yet
  bool present_ = false;
  bool linkDropped_ = false;
  std::optional<int> callsBeforeDrop_;
  Profile profile_;
  FileStamp profileStamp_;
  RegistryStore registry_;
  FileStamp registryStamp_;
  std::unique_ptr<DeviceFiles> files_;
  std::unique_ptr<Staging> staging_;  // while held
  std::vector<std::uint64_t> used_;  // main memory, then each card
  std::vector<PendingRun> pending_;
  std::vector<std::pair<std::uint32_t, OpenFile>> open_;
  std::uint32_t nextFileId_ = 1;
};

}  // namespace emu
