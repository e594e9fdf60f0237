#include "platform/rapi2/handheld.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>

#include "platform/rapi2/device_path.h"
#include "platform/win32/clock_internal.h"
#include "platform/win32/strings.h"

namespace emu {

namespace {

// The layer is first used while static objects are built (the application's device
// link creates the desktop) and may still be used by a worker while they are torn
// down, so its tables are made on first use and never destroyed.
template <class Table>
struct Guarded {
  std::mutex mutex;
  Table table;
};

// One line on stderr per folder and reason, so a device polled every few seconds does
// not flood the terminal with the same complaint.
Guarded<std::map<std::string, std::string>>& LastReports() {
  static auto* reports = new Guarded<std::map<std::string, std::string>>;
  return *reports;
}

void ReportOnce(const std::string& folder, const std::string& line) {
  auto& reports = LastReports();
  std::lock_guard<std::mutex> lock(reports.mutex);
  std::string& last = reports.table[folder];
  if (last == line) return;
  last = line;
  std::fprintf(stderr, "rapi2: %s\n", line.c_str());
}

void ClearReport(const std::string& folder) {
  auto& reports = LastReports();
  std::lock_guard<std::mutex> lock(reports.mutex);
  reports.table.erase(folder);
}

DWORD FromErrno(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC: case EDQUOT: return ERROR_DISK_FULL;
    default: return ERROR_ACCESS_DENIED;
  }
}

FILETIME ToFileTime(const struct timespec& t) {
  // 100-nanosecond steps since 1601-01-01.
  std::uint64_t ticks = (static_cast<std::uint64_t>(t.tv_sec) + 11644473600ull) * 10000000ull +
                        static_cast<std::uint64_t>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// One object per handheld folder for the whole process.
Guarded<std::map<std::string, std::shared_ptr<Handheld>>>& Attached() {
  static auto* attached = new Guarded<std::map<std::string, std::shared_ptr<Handheld>>>;
  return *attached;
}

constexpr char kProfileFile[] = "profile.json";

// The profile of the handheld folder held open as `home` (named `folder` in messages).
std::optional<Profile> ProfileIn(const HostFolder& home, const std::string& folder) {
  Profile profile;
  std::string error;
  const WholeFile read = LoadProfileAt(home.fd(), kProfileFile, &profile, &error);
  if (read == WholeFile::kMissing) {
    ClearReport(folder);
    return std::nullopt;
  }
  if (read == WholeFile::kRead) {
    const std::string rootProblem = RootFolderProblem(home);
    if (rootProblem.empty()) {
      ClearReport(folder);
      return profile;
    }
    ReportOnce(folder, rootProblem);
    return std::nullopt;
  }
  ReportOnce(folder, folder + "/" + kProfileFile + ": " + error);
  return std::nullopt;
}

// The folder's path with every link resolved; empty when it cannot be.
std::string RealPath(const std::string& folder) {
  char* real = ::realpath(folder.c_str(), nullptr);
  std::string path = real ? real : "";
  std::free(real);
  return path;
}

}  // namespace

std::string AttachedFolder() {
  const char* folder = std::getenv("RAPI_HANDHELD");
  return folder ? folder : "";
}

std::optional<Profile> ReadProfileOf(const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  const std::string real = RealPath(folder);
  const FolderRef home = real.empty() ? nullptr : HostFolder::Open(real);
  if (!home) {
    ClearReport(folder);
    return std::nullopt;
  }
  return ProfileIn(*home, folder);
}

std::shared_ptr<Handheld> Handheld::Attach(const std::string& folder) {
  const std::string key = folder.empty() ? "" : RealPath(folder);
  if (key.empty()) return nullptr;
  std::shared_ptr<Handheld> handheld;
  {
    auto& attached = Attached();
    std::lock_guard<std::mutex> lock(attached.mutex);
    auto& slot = attached.table[key];
    if (!slot) slot.reset(new Handheld(key));
    handheld = slot;
    static const bool hooked =
        std::atexit(LetGoAtExit) == 0 && ::pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild) == 0;
    static_cast<void>(hooked);
  }
  std::shared_ptr<Hold> hold;  // let go of (when it is the last) only after the lock below
  std::lock_guard<std::mutex> lock(handheld->mutex_);
  hold = handheld->hold_.lock();
  // A forked child has let go of the hold it copied (AfterForkInChild), however many of
  // its parent's pointers it inherited.
  if (!hold || !handheld->holdFile_.held()) {
    if (!handheld->TakeHold()) return nullptr;
    hold = std::make_shared<Hold>(handheld.get(), handheld->holdGeneration_);
    handheld->hold_ = hold;
  }
  if (!handheld->Reload()) return nullptr;
  // Every pointer handed out keeps the hold: the handheld itself lives on in the table.
  return std::shared_ptr<Handheld>(hold, handheld.get());
}

bool Handheld::TakeHold() {
  ++holdGeneration_;
  // The last hold's letting go may not have come yet: then the hold file is still ours.
  if (holdFile_.held()) return true;
  home_ = HostFolder::Open(folder_);
  struct stat profile {};
  // A folder without a profile is no handheld: nothing is made in it, not even the hold.
  if (!home_ || !home_->Stat(kProfileFile, &profile)) {
    home_.reset();
    return false;
  }
  // Said under its own name: reading the profile clears what was said of the folder.
  const std::string said = folder_ + "/" + kHoldFileName;
  std::string why;
  if (holdFile_.Take(*home_, &why) != HoldFile::Outcome::kTaken) {
    ReportOnce(said, folder_ + ": " + why);
    home_.reset();
    return false;
  }
  ClearReport(said);
  staging_ = std::make_unique<Staging>(home_);
  endedRunsLeft_ = true;  // while it is held, no other run can end with files in flight
  return true;
}

void Handheld::LetGo(std::uint64_t generation) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (generation == holdGeneration_) LetGoLocked();
}

void Handheld::LetGoLocked() {
  for (auto& [id, file] : open_) {
    GiveUp(file);
    ::close(file.fd);
  }
  open_.clear();
  staging_.reset();  // removes the journal when nothing is pending
  if (home_) holdFile_.Release(*home_);
  home_.reset();
  files_.reset();
  present_ = false;
}

void Handheld::LetGoAtExit() {
  auto& attached = Attached();
  std::lock_guard<std::mutex> tableLock(attached.mutex);
  for (auto& [folder, handheld] : attached.table) {
    std::lock_guard<std::mutex> lock(handheld->mutex_);
    handheld->LetGoLocked();  // nothing to do where it is not held
  }
}

void Handheld::BeforeFork() {
  auto& attached = Attached();
  attached.mutex.lock();
  for (auto& [folder, handheld] : attached.table) handheld->mutex_.lock();
  LastReports().mutex.lock();
}

void Handheld::AfterForkInParent() {
  auto& attached = Attached();
  LastReports().mutex.unlock();
  for (auto& [folder, handheld] : attached.table) handheld->mutex_.unlock();
  attached.mutex.unlock();
}

void Handheld::AfterForkInChild() {
  auto& attached = Attached();
  for (auto& [folder, handheld] : attached.table) handheld->ForgetInChild();
  AfterForkInParent();  // the same unlocking
}

void Handheld::ForgetInChild() {
  for (auto& [id, file] : open_) ::close(file.fd);
  open_.clear();
  staging_.reset();  // closes its journal; the file stays the parent's
  holdFile_.Forget();
  home_.reset();
  files_.reset();
  pending_.clear();
  present_ = false;
}

Handheld::FileStamp Handheld::Stamp(const char* name) const {
  struct stat st {};
  if (!home_ || ::fstatat(home_->fd(), name, &st, 0) != 0) return FileStamp{};
  return FileStamp{true, st.st_ino, st.st_size,
                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool Handheld::Reload() {
  present_ = false;
  if (!home_) return false;
  profileStamp_ = Stamp(kProfileFile);
  std::optional<Profile> profile = ProfileIn(*home_, folder_);
  if (!profile) return false;
  registryStamp_ = Stamp(kRegistryFile);
  std::string error;
  RegistryStore registry;
  const std::string registryPath = folder_ + "/" + kRegistryFile;
  // Said under its own name: reading the profile clears what was said of the folder.
  if (!registry.Load(home_->fd(), kRegistryFile, &error)) {
    ReportOnce(registryPath, registryPath + ": " + error);
    return false;
  }
  ClearReport(registryPath);
  // The root is made here; checked again once made, as it must be a real folder.
  if (::mkdirat(home_->fd(), "fs", 0755) != 0 && errno != EEXIST) return false;
  if (!RootFolderProblem(*home_).empty()) return false;
  profile_ = std::move(*profile);
  registry_ = std::move(registry);
  PrepareFolders();
  if (!files_->root()) return false;
  if (endedRunsLeft_) Staging::CleanUpEndedRuns(*home_, *files_->root());
  endedRunsLeft_ = false;
  CountUsed();
  linkDropped_ = false;
  present_ = true;
  return true;
}

void Handheld::PrepareFolders() {
  std::vector<std::wstring> cards;
  for (const auto& card : profile_.cards) cards.push_back(card.name);
  // fs/ is held open from here on: every path is resolved beneath this very folder.
  files_ = std::make_unique<DeviceFiles>(home_->Child("fs"), cards);
  files_->SetHidden([this](const HostFolder& folder, const std::string& name) { return IsTemporary(folder, name); });
  std::vector<std::vector<std::wstring>> wanted;
  for (const auto& card : cards) wanted.push_back({card});
  if (profile_.programsFolder) {
    auto names = SplitDevicePath(*profile_.programsFolder);
    for (size_t n = 1; names && n <= names->size(); ++n) wanted.emplace_back(names->begin(), names->begin() + n);
  }
  for (const auto& names : wanted) {
    HostEntry entry;
    if (files_->Resolve(names, &entry) && !entry.exists) ::mkdirat(entry.parent->fd(), entry.name.c_str(), 0755);
  }
}

void Handheld::Sync() {
  if (!home_) {  // not held
    present_ = false;
    return;
  }
  FileStamp profileNow = Stamp(kProfileFile);
  FileStamp registryNow = Stamp(kRegistryFile);
  if (profileNow != profileStamp_ || registryNow != registryStamp_) {
    bool dropped = linkDropped_;
    Reload();
    linkDropped_ = dropped;  // editing the profile does not plug the cable back in
  }
  if (present_) ApplyDueRuns();
}

void Handheld::ApplyDueRuns() {
  const std::uint64_t now = layer::NowMs();
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (it->dueMs > now) {
      ++it;
      continue;
    }
    RegistryStore changed = registry_;
    for (const auto& write : it->writes) changed.SetValue(write.key, write.value);
    if (!Persist(changed)) return;  // tried again at the next call
    it = pending_.erase(it);
  }
}

bool Handheld::Persist(const RegistryStore& changed) {
  if (!changed.Save(*home_, *staging_)) return false;
  registry_ = changed;
  registryStamp_ = Stamp(kRegistryFile);
  return true;
}

void Handheld::CountUsed() {
  used_.assign(profile_.cards.size() + 1, 0);
  for (int volume = -1; volume < static_cast<int>(profile_.cards.size()); ++volume) {
    Used(volume) = files_->UsedBytes(volume);
  }
}

void Handheld::Release(int volume, std::uint64_t bytes) {
  std::uint64_t& used = Used(volume);
  used = used > bytes ? used - bytes : 0;
}

std::uint64_t Handheld::FreeBytes(int volume) {
  const Volume& v = volume < 0 ? profile_.mainMemory : profile_.cards[static_cast<size_t>(volume)];
  if (v.total <= v.reserved) return 0;
  std::uint64_t room = v.total - v.reserved;
  std::uint64_t used = Used(volume);
  return room > used ? room - used : 0;
}

Handheld::OpenFile* Handheld::FindOpen(std::uint32_t id) {
  for (auto& [openId, open] : open_) {
    if (openId == id) return &open;
  }
  return nullptr;
}

void Handheld::GiveUp(OpenFile& file) {
  if (!file.temp.empty()) {
    struct stat st {};
    ::fstat(file.fd, &st);
    ::unlinkat(file.folder->fd(), file.temp.c_str(), 0);
    Release(files_->VolumeOf(file.names), static_cast<std::uint64_t>(st.st_size));
    staging_->Resolved(Where(*file.folder), file.temp);
    file.temp.clear();
    file.lost = true;
  }
}

void Handheld::CountGrowth(const OpenFile& file, std::uint64_t sizeBefore) {
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) return;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > sizeBefore) Used(files_->VolumeOf(file.names)) += size - sizeBefore;
}

namespace {

bool SameFolder(const HostFolder& a, const HostFolder& b) { return a.device() == b.device() && a.inode() == b.inode(); }

// Renames without replacing anything that has the name by then.
int RenameNew(int folder, const char* from, const char* to) {
  if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system that cannot refuse by itself: checked just before.
  struct stat st {};
  if (::fstatat(folder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::renameat(folder, from, folder, to);
}

}  // namespace

bool Handheld::IsOpen(const HostEntry& entry) const {
  if (!entry.parent || entry.names.empty()) return false;
  const std::wstring folded = FoldCase(entry.names.back());
  for (const auto& [id, file] : open_) {
    if (!file.lost && SameFolder(*file.folder, *entry.parent) && FoldCase(file.names.back()) == folded) return true;
  }
  return false;
}

bool Handheld::IsTemporary(const HostFolder& folder, const std::string& name) const {
  for (const auto& [id, file] : open_) {
    if (!file.temp.empty() && file.temp == name && SameFolder(*file.folder, folder)) return true;
  }
  return false;
}

std::string Handheld::Where(const HostFolder& folder) const {
  const std::string& root = files_->root()->path();
  return folder.path().size() > root.size() ? folder.path().substr(root.size() + 1) : "";
}

Profile Handheld::CurrentProfile() {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  return profile_;
}

bool Handheld::Present() {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  return present_;
}

bool Handheld::Connected() {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (callsBeforeDrop_ && (*callsBeforeDrop_)-- == 0) {
    callsBeforeDrop_.reset();
    linkDropped_ = true;
  }
  return LinkUp();
}

void Handheld::DropLink() {
  std::lock_guard<std::mutex> lock(mutex_);
  linkDropped_ = true;
}

void Handheld::DropLinkAfterCalls(int calls) {
  std::lock_guard<std::mutex> lock(mutex_);
  callsBeforeDrop_ = calls;
}

template <class Operation>
DWORD Handheld::OnDevice(Operation&& operation) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  return operation();
}

template <class Operation>
DWORD Handheld::AtPath(const WCHAR* path, bool rootAllowed, Operation&& operation) {
  return OnDevice([&]() -> DWORD {
    auto names = path ? SplitDevicePath(path) : std::nullopt;
    HostEntry entry;
    if (!names || (!rootAllowed && names->empty()) || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
    return operation(entry);
  });
}

// ---------------------------------------------------------------------------- files

DWORD Handheld::CreateFile(const WCHAR* path, DWORD access, DWORD creation, std::uint32_t* id) {
  return AtPath(path, false, [&](const HostEntry& entry) -> DWORD {
    if (entry.exists && entry.isDir) return ERROR_ACCESS_DENIED;
    if (IsOpen(entry)) return ERROR_SHARING_VIOLATION;
    const bool writable = (access & GENERIC_WRITE) != 0;
    bool empty = true;  // the file starts empty
    switch (creation) {
      case CREATE_NEW:
        if (entry.exists) return ERROR_FILE_EXISTS;
        break;
      case CREATE_ALWAYS: break;
      case OPEN_ALWAYS: empty = !entry.exists; break;
      case OPEN_EXISTING:
        if (!entry.exists) return ERROR_FILE_NOT_FOUND;
        empty = false;
        break;
      case TRUNCATE_EXISTING:
        if (!entry.exists) return ERROR_FILE_NOT_FOUND;
        if (!writable) return ERROR_ACCESS_DENIED;
        break;
      default: return ERROR_INVALID_PARAMETER;
    }
    OpenFile file;
    file.folder = entry.parent;
    file.name = entry.name;
    file.names = entry.names;
    file.writable = writable;
    file.createNew = creation == CREATE_NEW;
    struct stat st {};
    // A name the device cannot see (a link put there by hand) is never replaced.
    const bool onHost = entry.parent->Stat(entry.name, &st);
    if (onHost != entry.exists) return entry.exists ? FromErrno(errno) : ERROR_ACCESS_DENIED;
    // Non-blocking, so that whatever is swapped in under the name is looked at, not waited on.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    const int folder = entry.parent->fd();
    if (writable && empty) {
      file.replacedSize = entry.exists ? static_cast<std::uint64_t>(st.st_size) : 0;
      file.fd = staging_->Create(*entry.parent, Where(*entry.parent), &file.temp);
      if (file.fd < 0) return FromErrno(errno);
    } else {
      // Reading never changes a file's content; a missing one is made empty. Written
      // in place, a file with a second name would change under that name too.
      const int mode = writable ? O_WRONLY : O_RDONLY | (entry.exists ? 0 : O_CREAT | O_EXCL);
      file.fd = ::openat(folder, entry.name.c_str(), flags | mode, 0644);
      if (file.fd < 0) return FromErrno(errno);
      struct stat opened {};
      if (::fstat(file.fd, &opened) != 0 || !S_ISREG(opened.st_mode) || (writable && opened.st_nlink > 1)) {
        ::close(file.fd);
        return ERROR_ACCESS_DENIED;
      }
    }
    *id = nextFileId_++;
    open_.emplace_back(*id, std::move(file));
    return 0;
  });
}

DWORD Handheld::WriteFile(std::uint32_t id, const void* data, DWORD size) {
  return OnDevice([&]() -> DWORD {
    OpenFile* file = FindOpen(id);
    if (file == nullptr || file->lost) return ERROR_INVALID_HANDLE;
    if (!file->writable) return ERROR_ACCESS_DENIED;
    if (size == 0) return 0;
    if (data == nullptr) return ERROR_INVALID_PARAMETER;
    struct stat st {};
    if (::fstat(file->fd, &st) != 0) return ERROR_ACCESS_DENIED;
    const std::uint64_t end = file->position + size;
    const auto current = static_cast<std::uint64_t>(st.st_size);
    const std::uint64_t growth = end > current ? end - current : 0;
    DWORD error = 0;
    if (growth > FreeBytes(files_->VolumeOf(file->names))) {
      error = ERROR_DISK_FULL;
    } else if (!WriteAll(file->fd, static_cast<const char*>(data), size, static_cast<off_t>(file->position))) {
      error = errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
    }
    CountGrowth(*file, current);  // what did reach the file counts, even from a failed write
    if (error != 0) {
      GiveUp(*file);  // new content is dropped; a file written in place keeps its bytes
      return error;
    }
    file->position = end;
    return 0;
  });
}

DWORD Handheld::Commit(OpenFile& file) {
  // Looked for again: since the file was opened, its name may have been made (in any
  // letter case), taken by a folder, or removed.
  const std::optional<HostEntry> target = files_->Find(file.folder, file.names.back());
  DWORD error = 0;
  std::uint64_t replaced = 0;
  if (target && file.createNew) {
    error = ERROR_FILE_EXISTS;
  } else if (target) {
    // Fails on a folder, whose name the content then never takes.
    if (::renameat(file.folder->fd(), file.temp.c_str(), file.folder->fd(), target->name.c_str()) != 0) {
      error = FromErrno(errno);
    }
    replaced = file.replacedSize;  // what the count holds for the file it replaced
  } else if (RenameNew(file.folder->fd(), file.temp.c_str(), file.name.c_str()) != 0) {
    error = errno == EEXIST ? ERROR_ACCESS_DENIED : FromErrno(errno);  // something the device cannot see
  }
  if (error != 0) {
    GiveUp(file);
    return error;
  }
  Release(files_->VolumeOf(file.names), replaced);
  staging_->Resolved(Where(*file.folder), file.temp);
  file.temp.clear();
  return 0;
}

DWORD Handheld::CloseFile(std::uint32_t id, bool keep) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->first != id) continue;
    OpenFile& file = it->second;
    DWORD error = file.lost ? ERROR_WRITE_FAULT : 0;
    // New content takes the file's name only when kept over a working link: a copy cut
    // short, or given up, is dropped whole.
    if (!file.temp.empty()) {
      if (keep && LinkUp()) {
        error = Commit(file);
      } else {
        GiveUp(file);
        error = ERROR_DEVICE_NOT_CONNECTED;
      }
    }
    ::close(file.fd);
    open_.erase(it);
    return error;
  }
  return ERROR_INVALID_HANDLE;
}

DWORD Handheld::CreateDirectory(const WCHAR* path) {
  return AtPath(path, true, [&](const HostEntry& entry) -> DWORD {
    if (entry.exists || !entry.parent) return ERROR_ALREADY_EXISTS;
    return ::mkdirat(entry.parent->fd(), entry.name.c_str(), 0755) == 0 ? 0 : FromErrno(errno);
  });
}

DWORD Handheld::RemoveDirectory(const WCHAR* path) {
  return AtPath(path, true, [&](const HostEntry& entry) -> DWORD {
    if (!entry.exists) return ERROR_FILE_NOT_FOUND;
    if (!entry.parent || files_->IsCardRoot(entry.names) || !entry.isDir) return ERROR_ACCESS_DENIED;
    return ::unlinkat(entry.parent->fd(), entry.name.c_str(), AT_REMOVEDIR) == 0 ? 0 : FromErrno(errno);
  });
}

DWORD Handheld::DeleteFile(const WCHAR* path) {
  return AtPath(path, false, [&](const HostEntry& entry) -> DWORD {
    if (!entry.exists) return ERROR_FILE_NOT_FOUND;
    if (entry.isDir) return ERROR_ACCESS_DENIED;
    if (IsOpen(entry)) return ERROR_SHARING_VIOLATION;
    struct stat st {};
    if (!entry.parent->Stat(entry.name, &st) || !S_ISREG(st.st_mode)) return ERROR_FILE_NOT_FOUND;
    if (::unlinkat(entry.parent->fd(), entry.name.c_str(), 0) != 0) return FromErrno(errno);
    Release(files_->VolumeOf(entry.names), static_cast<std::uint64_t>(st.st_size));
    return 0;
  });
}

DWORD Handheld::FindAll(const WCHAR* pattern, DWORD flags, std::vector<CE_FIND_DATA>* found) {
  return OnDevice([&]() -> DWORD { return ListMatches(pattern, flags, found); });
}

DWORD Handheld::ListMatches(const WCHAR* pattern, DWORD flags, std::vector<CE_FIND_DATA>* found) {
  found->clear();
  auto search = pattern ? SplitFindPattern(pattern) : std::nullopt;
  HostEntry folder;
  FolderRef opened;
  if (!search || !files_->Resolve(search->folder, &folder) || !(opened = files_->OpenFolder(folder))) {
    return ERROR_PATH_NOT_FOUND;
  }
  for (const ListedEntry& entry : files_->List(*opened, search->folder.empty())) {
    if (!MatchesPattern(entry.name, search->pattern)) continue;
    if ((flags & FAF_FOLDERS_ONLY) && !entry.isDir) continue;
    CE_FIND_DATA data{};
    if (flags & FAF_ATTRIBUTES) {
      data.dwFileAttributes = entry.isDir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
      if (entry.isCard) data.dwFileAttributes |= FILE_ATTRIBUTE_TEMPORARY;
    }
    if (flags & FAF_CREATION_TIME) data.ftCreationTime = ToFileTime(entry.info.st_ctim);
    if (flags & FAF_LASTACCESS_TIME) data.ftLastAccessTime = ToFileTime(entry.info.st_atim);
    if (flags & FAF_LASTWRITE_TIME) data.ftLastWriteTime = ToFileTime(entry.info.st_mtim);
    const std::uint64_t size = entry.isDir ? 0 : static_cast<std::uint64_t>(entry.info.st_size);
    if (flags & FAF_SIZE_HIGH) data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    if (flags & FAF_SIZE_LOW) data.nFileSizeLow = static_cast<DWORD>(size);
    if (flags & FAF_OID) data.dwOID = static_cast<DWORD>(entry.info.st_ino);
    if (flags & FAF_NAME) {
      size_t n = std::min<size_t>(entry.name.size(), MAX_PATH - 1);
      std::wmemcpy(data.cFileName, entry.name.data(), n);
      data.cFileName[n] = L'\0';
    }
    found->push_back(data);
  }
  return 0;
}

DWORD Handheld::DiskFree(const WCHAR* folder, std::uint64_t* freeBytes, std::uint64_t* totalBytes) {
  return OnDevice([&]() -> DWORD {
    auto names = folder ? SplitDevicePath(folder) : std::nullopt;
    if (!names) return ERROR_PATH_NOT_FOUND;
    // Any folder of a volume tells that volume's figures; the volume itself must be there.
    int volume = files_->VolumeOf(*names);
    if (!files_->VolumeRoot(volume)) return ERROR_PATH_NOT_FOUND;
    *freeBytes = FreeBytes(volume);
    *totalBytes = volume < 0 ? profile_.mainMemory.total : profile_.cards[static_cast<size_t>(volume)].total;
    return 0;
  });
}

DWORD Handheld::CreateShortcut(const WCHAR* shortcut, const WCHAR* target) {
  if (target == nullptr) return ERROR_INVALID_PARAMETER;
  return AtPath(shortcut, false, [&](const HostEntry& entry) -> DWORD {
    if (profile_.shortcutRefused) return ERROR_ACCESS_DENIED;
    if (entry.exists) return ERROR_ALREADY_EXISTS;
    if (IsOpen(entry)) return ERROR_SHARING_VIOLATION;
    // The device keeps a shortcut as the target's length, "#", then the target.
    std::wstring targetText(target);
    std::string text = std::to_string(targetText.size()) + "#" + layer::WideToUtf8(targetText);
    const int volume = files_->VolumeOf(entry.names);
    if (text.size() > FreeBytes(volume)) return ERROR_DISK_FULL;
    // Written whole under a temporary name, then named: never half a shortcut.
    const std::string where = Where(*entry.parent);
    std::string temp;
    const int fd = staging_->Create(*entry.parent, where, &temp);
    if (fd < 0) return FromErrno(errno);
    bool ok = WriteAll(fd, text.data(), text.size(), 0);
    ok = ::close(fd) == 0 && ok;
    DWORD error = ok ? 0 : ERROR_DISK_FULL;
    if (ok && RenameNew(entry.parent->fd(), temp.c_str(), entry.name.c_str()) != 0) {
      error = errno == EEXIST ? ERROR_ALREADY_EXISTS : FromErrno(errno);
    }
    if (error != 0) ::unlinkat(entry.parent->fd(), temp.c_str(), 0);
    staging_->Resolved(where, temp);
    if (error == 0) Used(volume) += text.size();
    return error;
  });
}

// ------------------------------------------------------------------ programs, shell

DWORD Handheld::StartProcess(const WCHAR* path) {
  return AtPath(path, true, [&](const HostEntry& entry) -> DWORD {
    if (profile_.processRefused) return ERROR_ACCESS_DENIED;
    if (!entry.exists || entry.isDir) return ERROR_FILE_NOT_FOUND;
    const std::wstring started = FoldCase(JoinDevicePath(entry.names));
    for (const auto& program : profile_.programs) {
      auto programNames = SplitDevicePath(program.path);
      if (!programNames || FoldCase(JoinDevicePath(*programNames)) != started) continue;
      if (!program.delaySeconds) continue;  // this program never writes its values
      auto delayMs = static_cast<std::uint64_t>(std::llround(*program.delaySeconds * 1000.0));
      pending_.push_back(PendingRun{layer::NowMs() + delayMs, program.writes});
    }
    return 0;
  });
}

DWORD Handheld::SpecialFolder(int csidl, std::wstring* path) {
  return OnDevice([&]() -> DWORD {
    if (csidl != CSIDL_PROGRAMS) return ERROR_INVALID_PARAMETER;
    if (!profile_.programsFolder) return ERROR_FILE_NOT_FOUND;
    *path = *profile_.programsFolder;
    return 0;
  });
}

int Handheld::SystemMetric(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (index == SM_CXSCREEN) return profile_.screenWidth;
  if (index == SM_CYSCREEN) return profile_.screenHeight;
  return 0;
}

// ------------------------------------------------------------------------- registry

bool Handheld::KeyExists(const std::wstring& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  return present_ && registry_.KeyExists(key);
}

DWORD Handheld::CreateKey(const std::wstring& key, bool* created) {
  return OnDevice([&]() -> DWORD {
    std::vector<std::wstring> names;
    if (!SplitKeyPath(key, &names) || names.empty()) return ERROR_INVALID_PARAMETER;
    *created = !registry_.KeyExists(key);
    if (!*created) return 0;
    RegistryStore changed = registry_;
    changed.CreateKey(key);
    return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
  });
}

DWORD Handheld::QueryValue(const std::wstring& key, const std::wstring& name, RegValue* value) {
  return OnDevice([&]() -> DWORD {
    if (!registry_.KeyExists(key)) return ERROR_KEY_DELETED;
    const RegValue* found = registry_.FindValue(key, name);
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    *value = *found;
    return 0;
  });
}

DWORD Handheld::SetValue(const std::wstring& key, const RegValue& value) {
  return OnDevice([&]() -> DWORD {
    if (!registry_.KeyExists(key)) return ERROR_KEY_DELETED;
    RegistryStore changed = registry_;
    changed.SetValue(key, value);
    return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
  });
}

DWORD Handheld::DeleteKey(const std::wstring& key) {
  return OnDevice([&]() -> DWORD {
    RegistryStore changed = registry_;
    if (!changed.DeleteKey(key)) return ERROR_FILE_NOT_FOUND;
    return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
  });
}

}  // namespace emu
