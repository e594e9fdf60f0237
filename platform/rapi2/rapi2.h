// RAPI2: the PC side of the handheld connection. The desktop object (made with
// CoCreateInstance of CLSID_RAPI) enumerates attached devices; a device opens
// sessions; a session reaches the device's files, registry, processes and shell.
//
// Result conventions follow the platform: interface-level calls return an HRESULT;
// session calls return what the device's own function does (a BOOL or count with zero
// for failure, the invalid handle value, or a registry error code).
//
// Text data of registry values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is passed as
// WCHAR arrays holding UTF-16 units; data sizes are the bytes those arrays take in
// memory (sizeof(WCHAR) per unit), so a call never writes past the size it is given.
//
// Here the devices are emulated handhelds kept in folders; RAPI_HANDHELD names the
// attached one (see handheld.h).
#pragma once

#include "platform/rapi2/com.h"
#include "platform/rapi2/rapi2_types.h"

// Class and interface ids of this layer.
inline constexpr CLSID CLSID_RAPI = {0x5A3C9D21, 0x7B1E, 0x4C0A, {0x9E, 0x31, 0x52, 0x8D, 0x6F, 0x10, 0xA4, 0x01}};
inline constexpr IID IID_IRAPIDesktop = {0x5A3C9D22, 0x7B1E, 0x4C0A, {0x9E, 0x31, 0x52, 0x8D, 0x6F, 0x10, 0xA4, 0x02}};
inline constexpr IID IID_IRAPIEnumDevices = {0x5A3C9D23, 0x7B1E, 0x4C0A, {0x9E, 0x31, 0x52, 0x8D, 0x6F, 0x10, 0xA4, 0x03}};
inline constexpr IID IID_IRAPIDevice = {0x5A3C9D24, 0x7B1E, 0x4C0A, {0x9E, 0x31, 0x52, 0x8D, 0x6F, 0x10, 0xA4, 0x04}};
inline constexpr IID IID_IRAPISession = {0x5A3C9D25, 0x7B1E, 0x4C0A, {0x9E, 0x31, 0x52, 0x8D, 0x6F, 0x10, 0xA4, 0x05}};

class IRAPISession : public IUnknown {
 public:
  // A session must be started before any other call and can be ended and started again.
  virtual HRESULT CeRapiInit() = 0;
  virtual HRESULT CeRapiUninit() = 0;
  // Frees arrays the session handed out (CeFindAllFiles).
  virtual HRESULT CeRapiFreeBuffer(LPVOID buffer) = 0;

  virtual HANDLE CeCreateFile(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES security,
                              DWORD creation, DWORD flags, HANDLE templateFile) = 0;
  virtual BOOL CeWriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                           LPOVERLAPPED overlapped) = 0;
  virtual BOOL CeCloseHandle(HANDLE object) = 0;
  // Lists the entries matching a pattern ("\*.*"); the array is freed with
  // CeRapiFreeBuffer. Succeeds with a count of 0 when nothing matches.
  virtual BOOL CeFindAllFiles(LPCWSTR pattern, DWORD flags, LPDWORD count, LPLPCE_FIND_DATA found) = 0;
  virtual BOOL CeCreateDirectory(LPCWSTR path, LPSECURITY_ATTRIBUTES security) = 0;
  virtual BOOL CeRemoveDirectory(LPCWSTR path) = 0;
  virtual BOOL CeDeleteFile(LPCWSTR path) = 0;
  virtual BOOL CeCreateProcess(LPCWSTR application, LPCWSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                               LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD creationFlags,
                               LPVOID environment, LPWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                               LPPROCESS_INFORMATION processInformation) = 0;

  virtual LONG CeRegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result) = 0;
  virtual LONG CeRegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                                LPDWORD disposition) = 0;
  virtual LONG CeRegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                 LPDWORD dataSize) = 0;
  virtual LONG CeRegSetValueEx(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                               DWORD dataSize) = 0;
  virtual LONG CeRegCloseKey(HKEY key) = 0;
  // Deletes the key with its values and sub-keys.
  virtual LONG CeRegDeleteKey(HKEY key, LPCWSTR subKey) = 0;

  virtual int CeGetSystemMetrics(int index) = 0;
  virtual BOOL CeGetDiskFreeSpaceEx(LPCWSTR folder, ULARGE_INTEGER* freeToCaller, ULARGE_INTEGER* totalBytes,
                                    ULARGE_INTEGER* totalFree) = 0;
  // The folder's path and its length, or 0 when the device has no such folder or the
  // buffer is too small.
  virtual DWORD CeGetSpecialFolderPath(int folder, DWORD bufferLength, LPWSTR buffer) = 0;
  // Makes a shortcut file; fails when the file exists already.
  virtual DWORD CeSHCreateShortcut(LPWSTR shortcut, LPWSTR target) = 0;
};

class IRAPIDevice : public IUnknown {
 public:
  virtual HRESULT CreateSession(IRAPISession** session) = 0;
  virtual HRESULT GetConnectStat(RAPI_DEVICESTATUS* status) = 0;
  virtual HRESULT GetDeviceInfo(RAPI_DEVICEINFO* info) = 0;
};

class IRAPIEnumDevices : public IUnknown {
 public:
  // The next device, or S_FALSE and null when there is none left.
  virtual HRESULT Next(IRAPIDevice** device) = 0;
};

class IRAPIDesktop : public IUnknown {
 public:
  virtual HRESULT EnumDevices(IRAPIEnumDevices** devices) = 0;
};
