// The RAPI2 desktop, device enumerator, device and session over emulated handhelds.
#include "platform/rapi2/rapi_objects.h"

#include <unistd.h>

#include <cstring>
#include <cwchar>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/rapi2/handheld.h"
#include "platform/win32/fork_held.h"
#include "platform/win32/ref_counted.h"

namespace emu {

namespace {

template <class Interface, const IID& kIid>
class ComObject : public layer::RefCounted<Interface> {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == kIid) {
      this->AddRef();
      *object = static_cast<Interface*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

 protected:
  // Made by another process, which forked this one: the object is that program's, and
  // here it reaches no device, as though the device had gone away.
  bool Inherited() const { return maker_ != ::getpid(); }

 private:
  const pid_t maker_ = ::getpid();
};

// Arrays handed out by CeFindAllFiles, so CeRapiFreeBuffer frees only what it gave.
// Made on first use and never destroyed: sessions may be used while static objects are
// built or torn down.
struct Buffers {
  std::mutex mutex;
  std::set<void*> given;
};
Buffers& GivenBuffers() {
  static auto* buffers = new Buffers;
  return *buffers;
}
std::mutex& GivenBuffersLock() { return GivenBuffers().mutex; }
const bool kGivenBuffersHeldAcrossForks = layer::HoldAcrossForks<GivenBuffersLock>();

// Handle values are plain numbers: they name entries of the session's tables and are
// never pointers the PC side could free.
template <class T>
T HandleValue(std::uintptr_t n) {
  return reinterpret_cast<T>(n);
}

class Session final : public ComObject<IRAPISession, IID_IRAPISession> {
 public:
  explicit Session(std::shared_ptr<Handheld> handheld) : handheld_(std::move(handheld)) {}
  ~Session() override { CloseAll(); }

  HRESULT CeRapiInit() override {
    const auto lock = Lock();
    if (Inherited()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    if (started_) return CERAPI_E_ALREADYINITIALIZED;
    if (!handheld_->Connected()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    Profile profile = handheld_->CurrentProfile();
    if (profile.sessionRefused) return E_ACCESSDENIED;
    if (profile.disconnectAfterBytes == std::uint64_t{0}) {
      handheld_->DropLink();
      return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    }
    started_ = true;
    lost_ = false;
    bytesWritten_ = 0;
    return S_OK;
  }

  HRESULT CeRapiUninit() override {
    const auto lock = Lock();
    if (Inherited()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    if (!started_) return E_FAIL;
    CloseAll();
    started_ = false;
    return S_OK;
  }

  // Frees a list in this process's memory, so it works on an inherited session too:
  // a forked child frees its copies of its parent's lists.
  HRESULT CeRapiFreeBuffer(LPVOID buffer) override {
    Buffers& buffers = GivenBuffers();
    std::lock_guard<std::mutex> lock(buffers.mutex);
    if (buffers.given.erase(buffer) == 0) return E_INVALIDARG;
    delete[] static_cast<CE_FIND_DATA*>(buffer);
    return S_OK;
  }

  HANDLE CeCreateFile(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD,
                      HANDLE) override {
    const auto lock = Lock();
    if (!Ready()) return INVALID_HANDLE_VALUE;
    std::uint32_t id = 0;
    if (!Check(handheld_->CreateFile(path, access, creation, &id))) return INVALID_HANDLE_VALUE;
    return NewHandle(Handle{Handle::kFile, id});
  }

  BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) override {
    const auto lock = Lock();
    if (written) *written = 0;
    if (!Ready()) return FALSE;
    auto it = handles_.find(reinterpret_cast<std::uintptr_t>(file));
    if (it == handles_.end() || it->second.kind != Handle::kFile) return FALSE;
    const std::uint32_t id = it->second.id;  // the handle may be gone with the link below
    std::optional<std::uint64_t> limit = handheld_->CurrentProfile().disconnectAfterBytes;
    DWORD allowed = toWrite;
    if (limit && *limit - bytesWritten_ < toWrite) allowed = static_cast<DWORD>(*limit - bytesWritten_);
    // The link goes down part way; the device drops the file's new content at close.
    if (allowed > 0 && !Check(handheld_->WriteFile(id, buffer, allowed))) return FALSE;
    bytesWritten_ += allowed;
    if (written) *written = allowed;
    if (limit && bytesWritten_ >= *limit) {
      handheld_->DropLink();
      Ready();  // the session sees the link gone at once, and drops what it was writing
    }
    if (allowed < toWrite) return FALSE;
    if (toWrite == 0 && !Check(handheld_->WriteFile(id, buffer, 0))) return FALSE;
    return TRUE;
  }

  BOOL CeCloseHandle(HANDLE object) override {
    const auto lock = Lock();
    if (!Ready()) return FALSE;
    auto it = handles_.find(reinterpret_cast<std::uintptr_t>(object));
    if (it == handles_.end()) return FALSE;
    // Closing a file fails when its new content could not take the file's name.
    const bool closed = it->second.kind != Handle::kFile || Check(handheld_->CloseFile(it->second.id, true));
    handles_.erase(it);
    return closed ? TRUE : FALSE;
  }

  BOOL CeFindAllFiles(LPCWSTR pattern, DWORD flags, LPDWORD count, LPLPCE_FIND_DATA found) override {
    const auto lock = Lock();
    if (count) *count = 0;
    if (found) *found = nullptr;
    if (!Ready()) return FALSE;
    if (count == nullptr || found == nullptr) return FALSE;
    std::vector<CE_FIND_DATA> entries;
    if (!Check(handheld_->FindAll(pattern, flags, &entries))) return FALSE;
    if (!entries.empty()) {
      auto* array = new CE_FIND_DATA[entries.size()];
      std::memcpy(array, entries.data(), entries.size() * sizeof(CE_FIND_DATA));
      Buffers& buffers = GivenBuffers();
      std::lock_guard<std::mutex> buffersLock(buffers.mutex);
      buffers.given.insert(array);
      *found = array;
    }
    *count = static_cast<DWORD>(entries.size());
    return TRUE;
  }

  BOOL CeCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES) override {
    return Call([&] { return handheld_->CreateDirectory(path); });
  }
  BOOL CeRemoveDirectory(LPCWSTR path) override {
    return Call([&] { return handheld_->RemoveDirectory(path); });
  }
  BOOL CeDeleteFile(LPCWSTR path) override {
    return Call([&] { return handheld_->DeleteFile(path); });
  }

  BOOL CeCreateProcess(LPCWSTR application, LPCWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD,
                       LPVOID, LPWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION information) override {
    const auto lock = Lock();
    if (!Ready()) return FALSE;
    if (application == nullptr) return FALSE;
    if (!Check(handheld_->StartProcess(application))) return FALSE;
    ++processCount_;
    HANDLE process = NewHandle(Handle{Handle::kProcess, processCount_});
    HANDLE thread = NewHandle(Handle{Handle::kThread, processCount_});
    if (information) {
      *information = PROCESS_INFORMATION{process, thread, 0x100 + processCount_ * 8, 0x104 + processCount_ * 8};
    } else {
      handles_.erase(reinterpret_cast<std::uintptr_t>(process));
      handles_.erase(reinterpret_cast<std::uintptr_t>(thread));
    }
    return TRUE;
  }

  LONG CeRegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::wstring path;
    if (!KeyPath(key, subKey, &path)) return ERROR_INVALID_HANDLE;
    if (!handheld_->KeyExists(path)) return ERROR_FILE_NOT_FOUND;
    *result = NewKey(path);
    return ERROR_SUCCESS;
  }

  LONG CeRegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::wstring path;
    if (!KeyPath(key, subKey, &path)) return ERROR_INVALID_HANDLE;
    bool created = false;
    DWORD error = handheld_->CreateKey(path, &created);
    if (error != 0) return static_cast<LONG>(error);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewKey(path);
    return ERROR_SUCCESS;
  }

  LONG CeRegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    auto it = keys_.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == keys_.end()) return ERROR_INVALID_HANDLE;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    RegValue value;
    DWORD error = handheld_->QueryValue(it->second, valueName ? valueName : L"", &value);
    if (error != 0) return static_cast<LONG>(error);
    std::vector<WCHAR> units;
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ) {
      for (const auto& text : value.strings) {
        units.insert(units.end(), text.begin(), text.end());
        units.push_back(L'\0');
      }
      if (value.type == REG_MULTI_SZ || units.empty()) units.push_back(L'\0');
    }
    const DWORD bytes = value.type == REG_DWORD ? 4
                        : value.type == REG_BINARY ? static_cast<DWORD>(value.bytes.size())
                                                   : static_cast<DWORD>(units.size() * sizeof(WCHAR));
    if (type) *type = value.type;
    if (data == nullptr) {
      if (dataSize) *dataSize = bytes;
      return ERROR_SUCCESS;
    }
    if (*dataSize < bytes) {
      *dataSize = bytes;
      return ERROR_MORE_DATA;
    }
    if (value.type == REG_DWORD) {
      std::memcpy(data, &value.number, 4);
    } else if (value.type == REG_BINARY) {
      if (bytes) std::memcpy(data, value.bytes.data(), bytes);
    } else {
      std::memcpy(data, units.data(), units.size() * sizeof(WCHAR));
    }
    *dataSize = bytes;
    return ERROR_SUCCESS;
  }

  LONG CeRegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    auto it = keys_.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == keys_.end()) return ERROR_INVALID_HANDLE;
    if (data == nullptr && dataSize > 0) return ERROR_INVALID_PARAMETER;
    RegValue value;
    value.name = valueName ? valueName : L"";
    value.type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
      std::vector<WCHAR> units(dataSize / sizeof(WCHAR));
      if (!units.empty()) std::memcpy(units.data(), data, units.size() * sizeof(WCHAR));
      std::wstring current;
      for (WCHAR unit : units) {
        if (unit != L'\0') {
          current += unit;
          continue;
        }
        if (current.empty() && type == REG_MULTI_SZ) break;  // the closing empty string
        value.strings.push_back(current);
        current.clear();
        if (type != REG_MULTI_SZ) break;
      }
      if (!current.empty()) value.strings.push_back(current);
      if (type != REG_MULTI_SZ && value.strings.empty()) value.strings.emplace_back();
    } else if (type == REG_DWORD) {
      if (dataSize != 4) return ERROR_INVALID_PARAMETER;
      std::memcpy(&value.number, data, 4);
    } else if (type == REG_BINARY) {
      if (dataSize) value.bytes.assign(data, data + dataSize);
    } else {
      return ERROR_INVALID_PARAMETER;
    }
    return static_cast<LONG>(handheld_->SetValue(it->second, value));
  }

  LONG CeRegCloseKey(HKEY key) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    return keys_.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }

  LONG CeRegDeleteKey(HKEY key, LPCWSTR subKey) override {
    const auto lock = Lock();
    if (!Ready()) return static_cast<LONG>(ERROR_DEVICE_NOT_CONNECTED);
    if (subKey == nullptr || *subKey == L'\0') return ERROR_INVALID_PARAMETER;
    std::wstring path;
    if (!KeyPath(key, subKey, &path)) return ERROR_INVALID_HANDLE;
    return static_cast<LONG>(handheld_->DeleteKey(path));
  }

  int CeGetSystemMetrics(int index) override {
    const auto lock = Lock();
    if (!Ready()) return 0;
    return handheld_->SystemMetric(index);
  }

  BOOL CeGetDiskFreeSpaceEx(LPCWSTR folder, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* totalBytes,
                            ULARGE_INTEGER* totalFree) override {
    const auto lock = Lock();
    if (!Ready()) return FALSE;
    std::uint64_t free = 0, total = 0;
    if (!Check(handheld_->DiskFree(folder, &free, &total))) return FALSE;
    if (freeToCaller) freeToCaller->QuadPart = free;
    if (totalBytes) totalBytes->QuadPart = total;
    if (totalFree) totalFree->QuadPart = free;
    return TRUE;
  }

  DWORD CeGetSpecialFolderPath(int folder, DWORD bufferLength, LPWSTR buffer) override {
    const auto lock = Lock();
    if (!Ready()) return 0;
    std::wstring path;
    if (!Check(handheld_->SpecialFolder(folder, &path))) return 0;
    if (buffer == nullptr || bufferLength <= path.size()) return 0;
    std::wmemcpy(buffer, path.data(), path.size());
    buffer[path.size()] = L'\0';
    return static_cast<DWORD>(path.size());
  }

  DWORD CeSHCreateShortcut(LPWSTR shortcut, LPWSTR target) override {
    return Call([&] { return handheld_->CreateShortcut(shortcut, target); });
  }

 private:
  struct Handle {
    enum Kind { kFile, kProcess, kThread } kind;
    std::uint32_t id;
  };

  // Every call but start-up needs a started session on a connected device. A link that
  // went down stays down for the session, even if the device comes back: its open files
  // are dropped then and there, and only a new session works again.
  bool Ready() {
    if (Inherited() || !started_ || lost_) return false;
    if (handheld_->Connected()) return true;
    lost_ = true;
    CloseAll();
    return false;
  }
  // The session's lock for one call. An inherited one is never locked: a thread the
  // child does not have may have held it at the fork, and no call gets past Ready().
  std::unique_lock<std::mutex> Lock() {
    return Inherited() ? std::unique_lock<std::mutex>() : std::unique_lock<std::mutex>(mutex_);
  }
  // The device's answer to one call: 0 or why it failed.
  static bool Check(DWORD error) { return error == 0; }
  BOOL Call(const std::function<DWORD()>& operation) {
    const auto lock = Lock();
    if (!Ready()) return FALSE;
    return Check(operation()) ? TRUE : FALSE;
  }

  HANDLE NewHandle(Handle handle) {
    nextValue_ += 4;
    handles_[nextValue_] = handle;
    return HandleValue<HANDLE>(nextValue_);
  }
  HKEY NewKey(const std::wstring& path) {
    nextValue_ += 4;
    keys_[nextValue_] = path;
    return HandleValue<HKEY>(nextValue_);
  }
  bool KeyPath(HKEY key, LPCWSTR subKey, std::wstring* path) const {
    if (key == HKEY_CURRENT_USER) {
      path->clear();
    } else {
      auto it = keys_.find(reinterpret_cast<std::uintptr_t>(key));
      if (it == keys_.end()) return false;
      *path = it->second;
    }
    if (subKey != nullptr && *subKey != L'\0') *path = path->empty() ? subKey : *path + L"\\" + subKey;
    return true;
  }
  // Files still open when the session ends or its link goes are given up, not kept.
  void CloseAll() {
    for (const auto& [value, handle] : handles_) {
      if (handle.kind == Handle::kFile) handheld_->CloseFile(handle.id, false);
    }
    handles_.clear();
    keys_.clear();
  }

  std::shared_ptr<Handheld> handheld_;
  std::mutex mutex_;
  bool started_ = false;
  bool lost_ = false;
  std::uint64_t bytesWritten_ = 0;
  std::uintptr_t nextValue_ = 0x1000;
  std::uint32_t processCount_ = 0;
  std::map<std::uintptr_t, Handle> handles_;
  std::map<std::uintptr_t, std::wstring> keys_;
};

class Device final : public ComObject<IRAPIDevice, IID_IRAPIDevice> {
 public:
  explicit Device(std::shared_ptr<Handheld> handheld) : handheld_(std::move(handheld)) {}

  HRESULT CreateSession(IRAPISession** session) override {
    if (session == nullptr) return E_POINTER;
    *session = nullptr;
    if (Inherited() || !handheld_->Present()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    *session = new Session(handheld_);
    return S_OK;
  }

  HRESULT GetConnectStat(RAPI_DEVICESTATUS* status) override {
    if (status == nullptr) return E_POINTER;
    *status = !Inherited() && handheld_->Connected() ? RAPI_DEVICE_CONNECTED : RAPI_DEVICE_DISCONNECTED;
    return S_OK;
  }

  HRESULT GetDeviceInfo(RAPI_DEVICEINFO* info) override {
    if (info == nullptr) return E_POINTER;
    if (Inherited() || !handheld_->Present()) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    Profile profile = handheld_->CurrentProfile();
    // A stable id per handheld folder.
    std::size_t hash = std::hash<std::string>{}(handheld_->folder());
    info->DeviceId = GUID{static_cast<DWORD>(hash), static_cast<WORD>(hash >> 32), static_cast<WORD>(hash >> 48),
                          {0x48, 0x48, 0, 0, 0, 0, 0, 1}};
    info->dwOsVersionMajor = profile.osMajor;
    info->dwOsVersionMinor = profile.osMinor;
    info->bstrName = SysAllocString(profile.name.c_str());
    info->bstrPlatform = SysAllocString(L"PocketPC");
    return S_OK;
  }

 private:
  std::shared_ptr<Handheld> handheld_;
};

class EnumDevices final : public ComObject<IRAPIEnumDevices, IID_IRAPIEnumDevices> {
 public:
  explicit EnumDevices(std::vector<std::shared_ptr<Handheld>> devices) : devices_(std::move(devices)) {}

  HRESULT Next(IRAPIDevice** device) override {
    if (device == nullptr) return E_POINTER;
    *device = nullptr;
    if (Inherited()) return S_FALSE;
    std::lock_guard<std::mutex> lock(mutex_);
    if (next_ >= devices_.size()) {
      return S_FALSE;
    }
    *device = new Device(devices_[next_++]);
    return S_OK;
  }

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<Handheld>> devices_;
  std::size_t next_ = 0;
};

class Desktop final : public ComObject<IRAPIDesktop, IID_IRAPIDesktop> {
 public:
  HRESULT EnumDevices(IRAPIEnumDevices** devices) override {
    if (devices == nullptr) return E_POINTER;
    // The attached handheld is looked up afresh on every enumeration, as plugging a
    // device in is noticed by the next one.
    std::vector<std::shared_ptr<Handheld>> found;
    if (auto handheld = Handheld::Attach(AttachedFolder())) found.push_back(std::move(handheld));
    *devices = new emu::EnumDevices(std::move(found));
    return S_OK;
  }
};

}  // namespace

HRESULT CreateDesktop(IRAPIDesktop** desktop) {
  *desktop = nullptr;
  std::optional<Profile> profile = ReadProfileOf(AttachedFolder());
  if (profile && profile->noDesktop) return REGDB_E_CLASSNOTREG;
  *desktop = new Desktop;
  return S_OK;
}

}  // namespace emu
