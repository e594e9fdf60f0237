#include "engine/Log.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/crt.h"
#include "platform/win32/environment.h"
#include "platform/win32/files.h"
#include "platform/win32/strings.h"

namespace {

constexpr std::size_t kFormatBufferSize = 256;
constexpr DWORD kEnvironmentBufferSize = 255;
// The exit code of a process ended by an engine failure, as an unhandled failure ends
// it on the system the program was made for.
constexpr int kFailureExitCode = 3;

// A formatted 8-bit text widened one byte to one UTF-16 unit, up to its terminating 0.
std::wstring Widen(const char* text) {
  std::wstring wide;
  for (std::size_t i = 0; i < kFormatBufferSize && text[i] != '\0'; ++i) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  }
  return wide;
}

// The first of the variables that is set and fits the buffer, else nothing.
std::wstring LogBaseFolder() {
  for (const wchar_t* name : {L"ALLUSERS", L"ALLUSERSPROFILE", L"USERPROFILE"}) {
    WCHAR buffer[kEnvironmentBufferSize] = {};
    GetEnvironmentVariableW(name, buffer, kEnvironmentBufferSize);
    // A value too long for the buffer leaves it untouched, so it counts as unset.
    if (buffer[0] != L'\0') return buffer;
  }
  return {};
}

const wchar_t* LevelTag(int level) {
  switch (level) {
    case LogPlain: return L"         ";
    case LogError: return L"ERROR    ";
    case LogWarning: return L"WARNING  ";
    case LogInfo: return L"INFO     ";
    default: return L"";
  }
}

// UTF-16 little-endian bytes of the line. Units above 0xFFFF cannot occur in the
// system's strings; should one slip in, it is written as its surrogate pair rather than
// cut to 16 bits.
std::string Utf16LeBytes(const std::wstring& line) {
  std::string bytes;
  bytes.reserve(line.size() * 2);
  auto put = [&bytes](std::uint32_t unit) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  };
  for (wchar_t c : line) {
    const auto unit = static_cast<std::uint32_t>(c);
    if (unit > 0xFFFF && unit <= 0x10FFFF) {
      put(0xD800 + ((unit - 0x10000) >> 10));
      put(0xDC00 + ((unit - 0x10000) & 0x3FF));
    } else {
      put(unit > 0xFFFF ? 0xFFFD : unit);
    }
  }
  return bytes;
}

std::wstring TimeStamp() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char buffer[kFormatBufferSize] = {};
  FormatString(buffer, "%04d-%02d-%02d %02d:%02d:%02d  ", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
               now.wSecond);
  return Widen(buffer);
}

}  // namespace

void FormatString(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsprintf_s(buffer, kFormatBufferSize, format, args);
  va_end(args);
}

void OpenLog(const std::wstring& maker, const std::wstring& product) {
  // Each level of the folder is created in turn; one that exists already is fine.
  g_LogPath = LogBaseFolder() + L"/" + maker;
  CreateDirectoryW(g_LogPath.c_str(), nullptr);
  g_LogPath += L"/" + product;
  CreateDirectoryW(g_LogPath.c_str(), nullptr);
  g_LogPath += L"/Logs";
  CreateDirectoryW(g_LogPath.c_str(), nullptr);

  SYSTEMTIME now{};
  GetLocalTime(&now);
  char name[kFormatBufferSize] = {};
  FormatString(name, "/%04d_%02d_%02d %02d_%02d_%02d.txt", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
               now.wSecond);
  g_LogPath += Widen(name);

  HANDLE file = CreateFileW(g_LogPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (IsUsableHandle(file)) CloseHandle(file);
}

void WriteLog(int level, const std::wstring& text) {
  if (g_LogPath.empty()) return;
  const std::string bytes = Utf16LeBytes(TimeStamp() + LevelTag(level) + text + L"\r\n");
  // Opened and closed for every line, so each line is on disk when the call returns,
  // even when the process ends right after it. OPEN_EXISTING: a log that was deleted
  // stays deleted.
  HANDLE file = CreateFileW(g_LogPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsUsableHandle(file)) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The process ends at once, without unwinding or static destructors: the failure is
// final and nothing may run on in a broken state. The reason also goes to stderr for
// whoever started the program (and for death tests).
void FailWithError(const std::wstring& text) {
  WriteLog(LogError, text);
  const std::string reason = "Fatal error: " + layer::WideToUtf8(text) + "\n";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, reason.data(), reason.size());
  std::_Exit(kFailureExitCode);
}

void FailSilently(const char* reason) {
  const std::string line = std::string("Fatal error: ") + (reason ? reason : "") + "\n";
  [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
  std::_Exit(kFailureExitCode);
}
