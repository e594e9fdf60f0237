// COM as the installer uses it: process initialisation, class creation, reference
// counted interfaces and the BSTR strings that interfaces hand out.
#pragma once

#include "platform/win32/guid.h"
#include "platform/win32/types.h"

using CLSID = GUID;
using REFCLSID = const CLSID&;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);

constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Every interface derives from this. An object lives while it holds references:
// AddRef adds one, Release drops one and destroys the object with the last.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

// Initialises COM for the calling thread: S_OK the first time, S_FALSE when the thread
// had already done so. The multithreaded apartment is shared by every thread of the
// process, so threads that never initialise COM may use objects made in it.
HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
void CoUninitialize();
// Creates an object of a registered class (here only the RAPI2 desktop, see rapi2.h).
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object);

// Length-counted wide strings owned by whoever receives them from an interface.
using BSTR = WCHAR*;
BSTR SysAllocString(const WCHAR* text);
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
