#include "platform/rapi2/handheld.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <map>
#include <sstream>

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

bool WriteAll(int fd, const char* data, size_t size, off_t offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pwrite(fd, data + done, size - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// One object per handheld folder for the whole process.
Guarded<std::map<std::string, std::shared_ptr<Handheld>>>& Attached() {
  static auto* attached = new Guarded<std::map<std::string, std::shared_ptr<Handheld>>>;
  return *attached;
}

}  // namespace

std::string AttachedFolder() {
  const char* folder = std::getenv("RAPI_HANDHELD");
  return folder ? folder : "";
}

std::optional<Profile> ReadProfileOf(const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  const std::string path = folder + "/profile.json";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    ClearReport(folder);
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  Profile profile;
  std::string error;
  if (!in || !S_ISREG(st.st_mode)) error = "cannot be read";
  if (error.empty() && ParseProfile(text.str(), &profile, &error)) {
    ClearReport(folder);
    return profile;
  }
  ReportOnce(folder, path + ": " + error);
  return std::nullopt;
}

std::shared_ptr<Handheld> Handheld::Attach(const std::string& folder) {
  if (folder.empty()) return nullptr;
  char* real = ::realpath(folder.c_str(), nullptr);
  if (real == nullptr) return nullptr;
  std::string key = real;
  std::free(real);
  std::shared_ptr<Handheld> handheld;
  {
    auto& attached = Attached();
    std::lock_guard<std::mutex> lock(attached.mutex);
    auto& slot = attached.table[key];
    if (!slot) slot.reset(new Handheld(key));
    handheld = slot;
  }
  std::lock_guard<std::mutex> lock(handheld->mutex_);
  return handheld->Reload() ? handheld : nullptr;
}

Handheld::FileStamp Handheld::Stamp(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FileStamp{};
  return FileStamp{true, st.st_ino, st.st_size,
                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

bool Handheld::Reload() {
  present_ = false;
  profileStamp_ = Stamp(folder_ + "/profile.json");
  std::optional<Profile> profile = ReadProfileOf(folder_);
  if (!profile) return false;
  registryStamp_ = Stamp(folder_ + "/registry.json");
  std::string error;
  RegistryStore registry;
  if (!registry.Load(folder_ + "/registry.json", &error)) {
    ReportOnce(folder_, folder_ + "/registry.json: " + error);
    return false;
  }
  profile_ = std::move(*profile);
  registry_ = std::move(registry);
  PrepareFolders();
  linkDropped_ = false;
  present_ = true;
  return true;
}

void Handheld::PrepareFolders() {
  std::vector<std::wstring> cards;
  for (const auto& card : profile_.cards) cards.push_back(card.name);
  ::mkdir((folder_ + "/fs").c_str(), 0755);
  files_ = std::make_unique<DeviceFiles>(folder_ + "/fs", cards);
  std::vector<std::vector<std::wstring>> wanted;
  for (const auto& card : cards) wanted.push_back({card});
  if (profile_.programsFolder) {
    auto names = SplitDevicePath(*profile_.programsFolder);
    for (size_t n = 1; names && n <= names->size(); ++n) wanted.emplace_back(names->begin(), names->begin() + n);
  }
  for (const auto& names : wanted) {
    HostEntry entry;
    if (files_->Resolve(names, &entry) && !entry.exists) ::mkdir(entry.host.c_str(), 0755);
  }
}

void Handheld::Sync() {
  FileStamp profileNow = Stamp(folder_ + "/profile.json");
  FileStamp registryNow = Stamp(folder_ + "/registry.json");
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
  const std::string path = folder_ + "/registry.json";
  if (!changed.Save(path)) return false;
  registry_ = changed;
  registryStamp_ = Stamp(path);
  return true;
}

std::uint64_t Handheld::FreeBytes(int volume) const {
  const Volume& v = volume < 0 ? profile_.mainMemory : profile_.cards[static_cast<size_t>(volume)];
  if (v.total <= v.reserved) return 0;
  std::uint64_t room = v.total - v.reserved;
  std::uint64_t used = files_->UsedBytes(volume);
  return room > used ? room - used : 0;
}

bool Handheld::IsOpen(const std::string& host) const {
  for (const auto& [id, file] : open_) {
    if (!file.lost && file.host == host) return true;
  }
  return false;
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
  return present_ && profile_.connected && !linkDropped_;
}

void Handheld::DropLink() {
  std::lock_guard<std::mutex> lock(mutex_);
  linkDropped_ = true;
}

// ---------------------------------------------------------------------------- files

DWORD Handheld::CreateFile(const WCHAR* path, DWORD access, DWORD creation, std::uint32_t* id) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  auto names = path ? SplitDevicePath(path) : std::nullopt;
  HostEntry entry;
  if (!names || names->empty() || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (entry.exists && entry.isDir) return ERROR_ACCESS_DENIED;
  if (entry.exists && IsOpen(entry.host)) return ERROR_SHARING_VIOLATION;
  const bool writable = (access & GENERIC_WRITE) != 0;
  int flags = O_CLOEXEC | O_NOFOLLOW | (writable ? O_WRONLY : O_RDONLY);
  switch (creation) {
    case CREATE_NEW:
      if (entry.exists) return ERROR_FILE_EXISTS;
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case OPEN_EXISTING:
      if (!entry.exists) return ERROR_FILE_NOT_FOUND;
      break;
    case TRUNCATE_EXISTING:
      if (!entry.exists) return ERROR_FILE_NOT_FOUND;
      if (!writable) return ERROR_ACCESS_DENIED;
      flags |= O_TRUNC;
      break;
    default: return ERROR_INVALID_PARAMETER;
  }
  if (!writable) flags &= ~O_TRUNC;
  int fd = ::open(entry.host.c_str(), flags, 0644);
  if (fd < 0) return FromErrno(errno);
  OpenFile file;
  file.fd = fd;
  file.host = entry.host;
  file.names = entry.names;
  file.writable = writable;
  *id = nextFileId_++;
  open_.emplace_back(*id, file);
  return 0;
}

DWORD Handheld::WriteFile(std::uint32_t id, const void* data, DWORD size) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  OpenFile* file = nullptr;
  for (auto& [openId, open] : open_) {
    if (openId == id) file = &open;
  }
  if (file == nullptr || file->lost) return ERROR_INVALID_HANDLE;
  if (!file->writable) return ERROR_ACCESS_DENIED;
  if (size == 0) return 0;
  if (data == nullptr) return ERROR_INVALID_PARAMETER;
  struct stat st {};
  ::fstat(file->fd, &st);
  const std::uint64_t end = file->position + size;
  const std::uint64_t current = static_cast<std::uint64_t>(st.st_size);
  const std::uint64_t growth = end > current ? end - current : 0;
  if (growth > FreeBytes(files_->VolumeOf(file->names)) ||
      !WriteAll(file->fd, static_cast<const char*>(data), size, static_cast<off_t>(file->position))) {
    // No room: the device gives the whole file up rather than keep a partial one.
    struct stat now {};
    if (::lstat(file->host.c_str(), &now) == 0 && now.st_ino == st.st_ino) ::unlink(file->host.c_str());
    file->lost = true;
    return ERROR_DISK_FULL;
  }
  file->position = end;
  return 0;
}

DWORD Handheld::CloseFile(std::uint32_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = open_.begin(); it != open_.end(); ++it) {
    if (it->first == id) {
      ::close(it->second.fd);
      open_.erase(it);
      return 0;
    }
  }
  return ERROR_INVALID_HANDLE;
}

DWORD Handheld::CreateDirectory(const WCHAR* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  auto names = path ? SplitDevicePath(path) : std::nullopt;
  HostEntry entry;
  if (!names || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (entry.exists) return ERROR_ALREADY_EXISTS;
  return ::mkdir(entry.host.c_str(), 0755) == 0 ? 0 : FromErrno(errno);
}

DWORD Handheld::RemoveDirectory(const WCHAR* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  auto names = path ? SplitDevicePath(path) : std::nullopt;
  HostEntry entry;
  if (!names || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (!entry.exists) return ERROR_FILE_NOT_FOUND;
  if (names->empty() || files_->IsCardRoot(*names) || !entry.isDir) return ERROR_ACCESS_DENIED;
  return ::rmdir(entry.host.c_str()) == 0 ? 0 : FromErrno(errno);
}

DWORD Handheld::DeleteFile(const WCHAR* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  auto names = path ? SplitDevicePath(path) : std::nullopt;
  HostEntry entry;
  if (!names || names->empty() || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (!entry.exists) return ERROR_FILE_NOT_FOUND;
  if (entry.isDir) return ERROR_ACCESS_DENIED;
  if (IsOpen(entry.host)) return ERROR_SHARING_VIOLATION;
  return ::unlink(entry.host.c_str()) == 0 ? 0 : FromErrno(errno);
}

DWORD Handheld::FindAll(const WCHAR* pattern, DWORD flags, std::vector<CE_FIND_DATA>* found) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  found->clear();
  auto search = pattern ? SplitFindPattern(pattern) : std::nullopt;
  HostEntry folder;
  if (!search || !files_->Resolve(search->folder, &folder) || !folder.exists || !folder.isDir) {
    return ERROR_PATH_NOT_FOUND;
  }
  for (const ListedEntry& entry : files_->List(folder.host, search->folder.empty())) {
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
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  auto names = folder ? SplitDevicePath(folder) : std::nullopt;
  if (!names) return ERROR_PATH_NOT_FOUND;
  // Any folder of a volume tells that volume's figures; the volume itself must be there.
  int volume = files_->VolumeOf(*names);
  if (!files_->VolumeRoot(volume)) return ERROR_PATH_NOT_FOUND;
  *freeBytes = FreeBytes(volume);
  *totalBytes = volume < 0 ? profile_.mainMemory.total : profile_.cards[static_cast<size_t>(volume)].total;
  return 0;
}

DWORD Handheld::CreateShortcut(const WCHAR* shortcut, const WCHAR* target) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  if (profile_.shortcutRefused) return ERROR_ACCESS_DENIED;
  if (shortcut == nullptr || target == nullptr) return ERROR_INVALID_PARAMETER;
  auto names = SplitDevicePath(shortcut);
  HostEntry entry;
  if (!names || names->empty() || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (entry.exists) return ERROR_ALREADY_EXISTS;
  // The device keeps a shortcut as the target's length, "#", then the target.
  std::wstring targetText(target);
  std::string text = std::to_string(targetText.size()) + "#" + layer::WideToUtf8(targetText);
  if (text.size() > FreeBytes(files_->VolumeOf(*names))) return ERROR_DISK_FULL;
  int fd = ::open(entry.host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return FromErrno(errno);
  bool ok = WriteAll(fd, text.data(), text.size(), 0);
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(entry.host.c_str());
    return ERROR_DISK_FULL;
  }
  return 0;
}

// ------------------------------------------------------------------ programs, shell

DWORD Handheld::StartProcess(const WCHAR* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  if (profile_.processRefused) return ERROR_ACCESS_DENIED;
  auto names = path ? SplitDevicePath(path) : std::nullopt;
  HostEntry entry;
  if (!names || !files_->Resolve(*names, &entry)) return ERROR_PATH_NOT_FOUND;
  if (!entry.exists || entry.isDir) return ERROR_FILE_NOT_FOUND;
  const std::wstring started = FoldCase(JoinDevicePath(*names));
  for (const auto& program : profile_.programs) {
    auto programNames = SplitDevicePath(program.path);
    if (!programNames || FoldCase(JoinDevicePath(*programNames)) != started) continue;
    if (!program.delaySeconds) continue;  // this program never writes its values
    auto delayMs = static_cast<std::uint64_t>(std::llround(*program.delaySeconds * 1000.0));
    pending_.push_back(PendingRun{layer::NowMs() + delayMs, program.writes});
  }
  return 0;
}

DWORD Handheld::SpecialFolder(int csidl, std::wstring* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  if (csidl != CSIDL_PROGRAMS) return ERROR_INVALID_PARAMETER;
  if (!profile_.programsFolder) return ERROR_FILE_NOT_FOUND;
  *path = *profile_.programsFolder;
  return 0;
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
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  std::vector<std::wstring> names;
  if (!SplitKeyPath(key, &names) || names.empty()) return ERROR_INVALID_PARAMETER;
  *created = !registry_.KeyExists(key);
  if (!*created) return 0;
  RegistryStore changed = registry_;
  changed.CreateKey(key);
  return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
}

DWORD Handheld::QueryValue(const std::wstring& key, const std::wstring& name, RegValue* value) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  if (!registry_.KeyExists(key)) return ERROR_KEY_DELETED;
  const RegValue* found = registry_.FindValue(key, name);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  *value = *found;
  return 0;
}

DWORD Handheld::SetValue(const std::wstring& key, const RegValue& value) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  if (!registry_.KeyExists(key)) return ERROR_KEY_DELETED;
  RegistryStore changed = registry_;
  changed.SetValue(key, value);
  return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
}

DWORD Handheld::DeleteKey(const std::wstring& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  Sync();
  if (!present_) return ERROR_DEVICE_NOT_CONNECTED;
  RegistryStore changed = registry_;
  if (!changed.DeleteKey(key)) return ERROR_FILE_NOT_FOUND;
  return Persist(changed) ? 0 : ERROR_WRITE_FAULT;
}

}  // namespace emu
