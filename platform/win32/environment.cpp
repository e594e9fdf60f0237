#include "platform/win32/environment.h"

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <string>

#include "platform/win32/clock_internal.h"
#include "platform/win32/strings.h"

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (name == nullptr) return 0;
  std::string key = layer::WideToUtf8(name);
  const char* value = std::getenv(key.c_str());
  if (value == nullptr && key == "USERPROFILE") value = std::getenv("HOME");
  if (value == nullptr) {
    SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
    return 0;
  }
  std::wstring wide = layer::Utf8ToWide(value);
  if (buffer == nullptr || size <= wide.size()) return static_cast<DWORD>(wide.size() + 1);
  std::wmemcpy(buffer, wide.data(), wide.size());
  buffer[wide.size()] = L'\0';
  return static_cast<DWORD>(wide.size());
}

void GetLocalTime(SYSTEMTIME* out) {
  if (out == nullptr) return;
  if (layer::FixedLocalTime(out)) return;
  struct timespec ts {};
  clock_gettime(CLOCK_REALTIME, &ts);
  struct tm tm {};
  localtime_r(&ts.tv_sec, &tm);
  out->wYear = static_cast<WORD>(tm.tm_year + 1900);
  out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  out->wDay = static_cast<WORD>(tm.tm_mday);
  out->wHour = static_cast<WORD>(tm.tm_hour);
  out->wMinute = static_cast<WORD>(tm.tm_min);
  out->wSecond = static_cast<WORD>(tm.tm_sec);
  out->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}
