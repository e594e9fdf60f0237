#include "platform/win32/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "platform/win32/files_internal.h"
#include "platform/win32/fork_held.h"
#include "platform/win32/strings.h"

namespace {

thread_local DWORD t_lastError = 0;

DWORD ErrnoToWin32(int err) {
  switch (err) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    // ENXIO: a FIFO opened for writing without a reader, refused as any non-plain file.
    case EACCES: case EPERM: case EISDIR: case ENXIO: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_PARAMETER;
  }
}

// Files opened without sharing, by (device, inode).
std::mutex g_exclusiveMutex;
std::set<std::pair<dev_t, ino_t>> g_exclusive;
std::mutex& ExclusiveLock() { return g_exclusiveMutex; }
const bool kExclusiveHeldAcrossForks = layer::HoldAcrossForks<ExclusiveLock>();

// The file whose reads the test kit stalls, by (device, inode).
std::mutex g_stallMutex;
std::pair<dev_t, ino_t> g_stalled{};
bool g_stalling = false;
std::mutex& StallLock() { return g_stallMutex; }
const bool kStallHeldAcrossForks = layer::HoldAcrossForks<StallLock>();

bool ReadsStall(std::pair<dev_t, ino_t> id) {
  std::lock_guard<std::mutex> lock(g_stallMutex);
  return g_stalling && g_stalled == id;
}

struct FileObject : KernelObject {
  int fd = -1;
  std::pair<dev_t, ino_t> id{};
  bool exclusive = false;
  bool stalls = false;
  ~FileObject() override {
    if (exclusive) {
      std::lock_guard<std::mutex> lock(g_exclusiveMutex);
      g_exclusive.erase(id);
    }
    if (fd >= 0) ::close(fd);
  }
};

FileObject* AsFile(HANDLE h) {
  return IsUsableHandle(h) ? dynamic_cast<FileObject*>(h) : nullptr;
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

BOOL CloseHandle(HANDLE object) {
  if (!IsUsableHandle(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete object;
  return TRUE;
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creation, DWORD, HANDLE) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string host = layer::PcPathToHost(path);
  int flags = O_CLOEXEC;
  bool read = access & GENERIC_READ, write = access & GENERIC_WRITE;
  flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  bool truncate = false;
  switch (creation) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT; truncate = true; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: truncate = true; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  // Opened without blocking, so that a FIFO or a device can't hold the caller for
  // ever, and refused unless it is a plain file; reads and writes then block as usual.
  // O_NOCTTY: a terminal met on the way to its refusal must not become the process's
  // controlling terminal.
  int fd = ::open(host.c_str(), flags | O_NONBLOCK | O_NOCTTY, 0644);
  if (fd < 0) {
    SetLastError(ErrnoToWin32(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new FileObject;
  file->fd = fd;
  file->id = {st.st_dev, st.st_ino};
  file->stalls = ReadsStall(file->id);
  {
    std::lock_guard<std::mutex> lock(g_exclusiveMutex);
    if (g_exclusive.count(file->id) != 0) {
      delete file;
      SetLastError(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
    if (shareMode == 0) {
      g_exclusive.insert(file->id);
      file->exclusive = true;
    }
  }
  // Truncate only once the sharing check has passed, so a refused open changes nothing.
  if (truncate && ::ftruncate(fd, 0) != 0) {
    SetLastError(ErrnoToWin32(errno));
    delete file;
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(0);
  return file;
}

BOOL ReadFile(HANDLE h, LPVOID buffer, DWORD toRead, LPDWORD read, OVERLAPPED*) {
  if (read) *read = 0;
  FileObject* file = AsFile(h);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  while (file->stalls) std::this_thread::sleep_for(std::chrono::hours(1));
  DWORD total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < toRead) {
    ssize_t n = ::read(file->fd, out + total, toRead - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (read) *read = total;
      SetLastError(ErrnoToWin32(errno));
      return FALSE;
    }
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  if (read) *read = total;
  return TRUE;
}

BOOL WriteFile(HANDLE h, LPCVOID buffer, DWORD toWrite, LPDWORD written, OVERLAPPED*) {
  if (written) *written = 0;
  FileObject* file = AsFile(h);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = 0;
  auto* in = static_cast<const char*>(buffer);
  while (total < toWrite) {
    ssize_t n = ::write(file->fd, in + total, toWrite - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (written) *written = total;
      SetLastError(n < 0 ? ErrnoToWin32(errno) : ERROR_DISK_FULL);
      return FALSE;
    }
    total += static_cast<DWORD>(n);
  }
  if (written) *written = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE h, LONG distance, LONG* distanceHigh, DWORD method) {
  FileObject* file = AsFile(h);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  off_t offset = distanceHigh ? static_cast<off_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                                                   static_cast<uint32_t>(distance))
                              : static_cast<off_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  off_t pos = ::lseek(file->fd, offset, whence);
  if (pos < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(pos) >> 32);
  return static_cast<DWORD>(pos);
}

DWORD GetFileSize(HANDLE h, LPDWORD sizeHigh) {
  FileObject* file = AsFile(h);
  struct stat st {};
  if (file == nullptr || ::fstat(file->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  if (path == nullptr || ::mkdir(layer::PcPathToHost(path).c_str(), 0755) != 0) {
    SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
  if (path == nullptr || ::chdir(layer::PcPathToHost(path).c_str()) != 0) {
    SetLastError(path == nullptr ? ERROR_INVALID_PARAMETER : ErrnoToWin32(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR buffer, DWORD size) {
  char exe[4096];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0 || buffer == nullptr || size == 0) return 0;
  exe[n] = '\0';
  std::wstring path = layer::Utf8ToWide(exe);
  // As on Windows: a path that does not fit is cut to size - 1 units and terminated.
  if (path.size() >= size) {
    std::wmemcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::wmemcpy(buffer, path.data(), path.size());
  buffer[path.size()] = L'\0';
  return static_cast<DWORD>(path.size());
}

// The test kit's switch lives here, beside the state it sets.
void layer::StallReadsOf(const std::string& hostPath) {
  struct stat st {};
  std::lock_guard<std::mutex> lock(g_stallMutex);
  g_stalling = !hostPath.empty() && ::stat(hostPath.c_str(), &st) == 0;
  g_stalled = {st.st_dev, st.st_ino};
}
