#include "installer/DeviceLink.h"

#include <wchar.h>

#include <memory>
#include <new>

#include "installer/GameLayout.h"
#include "platform/win32/files.h"

ScreenClass ClassifyScreen(int width, int height) {
  if ((width >= 640 && height >= 480) || (width >= 480 && height >= 640)) return ScreenVga;
  if (width >= 320 && height >= 240) return ScreenQvga;
  return ScreenOther;
}

std::uint64_t SpaceNeeded(ScreenClass screen) {
  switch (screen) {
    case ScreenVga: return 5242880;
    case ScreenQvga: return 3145728;
    default: return 8388608;
  }
}

CDeviceLink::CDeviceLink()
    : storageIndex(0),
      lastResult(0),
      desktopReady(false),
      connected(false),
      osVersion5(false),
      deviceStatus(RAPI_DEVICE_DISCONNECTED),
      desktop(nullptr),
      device(nullptr),
      session(nullptr),
      deviceInfo{},
      enumDevices(nullptr) {
  lastResult = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  lastResult = CoCreateInstance(CLSID_RAPI, nullptr, CLSCTX_INPROC_SERVER, IID_IRAPIDesktop,
                                reinterpret_cast<LPVOID*>(&desktop));
  desktopReady = lastResult >= 0 && desktop != nullptr;
}

void CDeviceLink::Connect() {
  if (!desktopReady) return;
  // Each attempt replaces the enumerator, device and session; the replaced ones are
  // never used again, so they are let go here.
  if (enumDevices != nullptr) enumDevices->Release();
  enumDevices = nullptr;
  lastResult = desktop->EnumDevices(&enumDevices);
  if (device != nullptr) device->Release();
  device = nullptr;
  if (lastResult >= 0 && enumDevices != nullptr) lastResult = enumDevices->Next(&device);
  if (session != nullptr) session->Release();
  session = nullptr;
  // Without its session the link cannot be connected, whatever a caller assumed.
  connected = false;
  if (lastResult < 0) return;
  if (device != nullptr) lastResult = device->CreateSession(&session);
  if (lastResult < 0 || session == nullptr) return;

  // The record is read whatever the call answers; strings of an earlier read that the
  // call replaced are freed.
  BSTR oldName = deviceInfo.bstrName;
  BSTR oldPlatform = deviceInfo.bstrPlatform;
  lastResult = device->GetDeviceInfo(&deviceInfo);
  if (deviceInfo.bstrName != oldName) SysFreeString(oldName);
  if (deviceInfo.bstrPlatform != oldPlatform) SysFreeString(oldPlatform);
  deviceName = deviceInfo.bstrName != nullptr ? deviceInfo.bstrName : L"";
  osVersion5 = deviceInfo.dwOsVersionMajor >= 5u;

  lastResult = device->GetConnectStat(&deviceStatus);
  connected = deviceStatus == RAPI_DEVICE_CONNECTED;
  if (connected) connected = session->CeRapiInit() >= 0;
}

bool CDeviceLink::IsGameInstalled() {
  if (!connected) return false;
  HKEY key = nullptr;
  lastResult = session->CeRegOpenKeyEx(HKEY_CURRENT_USER, game::kRegistryKey, 0, 0, &key);
  if (lastResult != ERROR_SUCCESS || key == nullptr) return false;
  DWORD value = 0;
  DWORD type = REG_DWORD;
  DWORD size = sizeof(value);
  if (session->CeRegQueryValueEx(key, game::kInstalledValue, nullptr, &type, reinterpret_cast<LPBYTE>(&value),
                                 &size) != ERROR_SUCCESS) {
    value = 0;
  }
  session->CeRegCloseKey(key);
  return value != 0;
}

std::vector<std::wstring> CDeviceLink::ListStorage() {
  std::vector<std::wstring> list{L""};
  if (!connected) return list;
  DWORD count = 0;
  CE_FIND_DATA* found = nullptr;
  if (!session->CeFindAllFiles(L"\\*.*", FAF_ATTRIBUTES | FAF_NAME | FAF_FOLDERS_ONLY, &count, &found)) return list;
  for (DWORD i = 0; i < count; ++i) {
    if ((found[i].dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY) == 0) continue;
    // The name is read only up to the record's end even if the device left it open.
    const WCHAR* name = found[i].cFileName;
    list.push_back(L"\\" + std::wstring(name, ::wcsnlen(name, MAX_PATH - 1)));
  }
  if (found != nullptr) session->CeRapiFreeBuffer(found);
  return list;
}

ScreenClass CDeviceLink::QueryScreenClass() {
  return ClassifyScreen(session->CeGetSystemMetrics(SM_CXSCREEN), session->CeGetSystemMetrics(SM_CYSCREEN));
}

bool CDeviceLink::CheckFreeSpace() {
  if (!connected) return false;
  const std::uint64_t need = SpaceNeeded(QueryScreenClass());
  ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
  if (!session->CeGetDiskFreeSpaceEx(game::kProgramFiles, &freeToCaller, &total, &totalFree)) return false;
  if (storageIndex == 0) {
    const std::uint64_t wanted = need + kMainMemoryReserve;
    return freeToCaller.QuadPart >= wanted && total.QuadPart >= wanted && totalFree.QuadPart >= wanted;
  }
  if (freeToCaller.QuadPart < kMainMemoryReserve || total.QuadPart < kMainMemoryReserve ||
      totalFree.QuadPart < kMainMemoryReserve) {
    return false;
  }
  const std::vector<std::wstring> storage = ListStorage();
  if (storageIndex < 0 || static_cast<std::size_t>(storageIndex) >= storage.size()) return false;
  const std::wstring path = storage[static_cast<std::size_t>(storageIndex)] + game::kProgramFiles;
  if (path.size() > MAX_PATH - 1) return false;
  if (!session->CeGetDiskFreeSpaceEx(path.c_str(), &freeToCaller, &total, &totalFree)) return false;
  return freeToCaller.QuadPart >= need && total.QuadPart >= need && totalFree.QuadPart >= need;
}

bool CDeviceLink::CopyFileToDevice(std::wstring pcPath, std::wstring devicePath) {
  if (!connected) return false;
  HANDLE file = CreateFileW(pcPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD sizeHigh = 0;
  const DWORD size = GetFileSize(file, &sizeHigh);
  // A file of 4 GiB or more would be copied cut short: it is not copied at all.
  if (size == INVALID_FILE_SIZE || sizeHigh != 0) {
    CloseHandle(file);
    return false;
  }
  // A file too big for the memory left fails its copy as an unreadable one does.
  const std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
  DWORD read = 0;
  const BOOL readOk = buffer != nullptr && ReadFile(file, buffer.get(), size, &read, nullptr);
  CloseHandle(file);
  if (!readOk || read < size) return false;

  HANDLE target = session->CeCreateFile(devicePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  // A full volume or a dropped link stops the write part way.
  const BOOL writeOk = session->CeWriteFile(target, buffer.get(), size, &written, nullptr);
  const BOOL closeOk = session->CeCloseHandle(target);
  return writeOk && written == size && closeOk;
}

std::wstring CDeviceLink::GetDeviceName() { return deviceName; }

void CDeviceLink::EndSession() {
  if (!connected) return;
  session->CeRapiUninit();
  connected = false;
}
