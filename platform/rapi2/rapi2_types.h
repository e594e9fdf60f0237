// Records, flags and result codes of the handheld's side of RAPI2: files and folders,
// registry, processes, system metrics and special folders as the device reports them.
#pragma once

#include "platform/rapi2/com.h"
#include "platform/win32/files.h"
#include "platform/win32/types.h"

// --- Device connection ---------------------------------------------------------

enum RAPI_DEVICESTATUS : int { RAPI_DEVICE_DISCONNECTED = 0, RAPI_DEVICE_CONNECTED = 1 };

using RAPIDEVICEID = GUID;

// Filled by IRAPIDevice::GetDeviceInfo; the caller frees both strings with SysFreeString.
struct RAPI_DEVICEINFO {
  RAPIDEVICEID DeviceId;
  DWORD dwOsVersionMajor;
  DWORD dwOsVersionMinor;
  BSTR bstrName;
  BSTR bstrPlatform;
};

constexpr HRESULT CERAPI_E_ALREADYINITIALIZED = static_cast<HRESULT>(0x80041001u);
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;

// --- Files and folders ---------------------------------------------------------

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
// The device marks the root folder of a storage card with this attribute.
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;

struct CE_FIND_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};
using LPCE_FIND_DATA = CE_FIND_DATA*;
using LPLPCE_FIND_DATA = CE_FIND_DATA**;

// What IRAPISession::CeFindAllFiles fills in, and which entries it reports.
constexpr DWORD FAF_ATTRIBUTES = 0x01;
constexpr DWORD FAF_CREATION_TIME = 0x02;
constexpr DWORD FAF_LASTACCESS_TIME = 0x04;
constexpr DWORD FAF_LASTWRITE_TIME = 0x08;
constexpr DWORD FAF_SIZE_HIGH = 0x10;
constexpr DWORD FAF_SIZE_LOW = 0x20;
constexpr DWORD FAF_OID = 0x40;
constexpr DWORD FAF_NAME = 0x80;
constexpr DWORD FAF_FOLDERS_ONLY = 0x4000;

using LPOVERLAPPED = OVERLAPPED*;

// --- Registry ------------------------------------------------------------------

struct RegistryKeyTag;
using HKEY = RegistryKeyTag*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPBYTE = BYTE*;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_BAD_PATHNAME = 161;
constexpr DWORD ERROR_KEY_DELETED = 1018;

// --- Processes, metrics, shell -------------------------------------------------

struct STARTUPINFOW;
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

constexpr int CSIDL_PROGRAMS = 0x0002;
