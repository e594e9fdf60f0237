#include "platform/rapi2/com.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <new>

#include "platform/rapi2/rapi2.h"
#include "platform/rapi2/rapi_objects.h"

namespace {

thread_local int t_initCount = 0;
// Threads that initialised COM and have not uninitialised it; while any has, the
// multithreaded apartment exists and every thread may use its objects.
std::atomic<int> g_initialisedThreads{0};

// A BSTR points just past its length, as on the platform.
struct BstrHeader {
  UINT length;
};
constexpr size_t kHeader = alignof(std::max_align_t);

}  // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr || (coInit & ~COINIT_APARTMENTTHREADED) != 0) return E_INVALIDARG;
  if (t_initCount++ > 0) return S_FALSE;
  ++g_initialisedThreads;
  return S_OK;
}

void CoUninitialize() {
  if (t_initCount == 0) return;
  if (--t_initCount == 0) --g_initialisedThreads;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (g_initialisedThreads.load() == 0) return CO_E_NOTINITIALIZED;
  if (!(clsid == CLSID_RAPI) || (context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  IRAPIDesktop* desktop = nullptr;
  HRESULT hr = emu::CreateDesktop(&desktop);
  if (FAILED(hr)) return hr;
  hr = desktop->QueryInterface(iid, object);
  desktop->Release();
  return hr;
}

BSTR SysAllocStringLen(const WCHAR* text, UINT length) {
  auto* block = static_cast<char*>(::operator new(kHeader + (static_cast<size_t>(length) + 1) * sizeof(WCHAR),
                                                  std::nothrow));
  if (block == nullptr) return nullptr;
  reinterpret_cast<BstrHeader*>(block)->length = length;
  auto* chars = reinterpret_cast<WCHAR*>(block + kHeader);
  if (text != nullptr) {
    std::wmemcpy(chars, text, length);
  } else {
    std::wmemset(chars, L'\0', length);
  }
  chars[length] = L'\0';
  return chars;
}

BSTR SysAllocString(const WCHAR* text) {
  if (text == nullptr) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
  if (text != nullptr) ::operator delete(reinterpret_cast<char*>(text) - kHeader);
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  return reinterpret_cast<BstrHeader*>(reinterpret_cast<char*>(text) - kHeader)->length;
}
