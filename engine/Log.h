// The engine's log: one UTF-16 little-endian file per run, one time-stamped,
// level-tagged line per WriteLog.
#pragma once

#include <string>

enum LogLevel : int { LogPlain = 0, LogError = 1, LogWarning = 2, LogInfo = 3 };

extern std::wstring g_LogPath;

void OpenLog(const std::wstring& maker, const std::wstring& product);
void WriteLog(int level, const std::wstring& text);
// vsprintf_s into a 256-character buffer.
void FormatString(char* buffer, const char* format, ...);

// An engine ERROR is final: the text is written at LogError and the process ends at once.
[[noreturn]] void FailWithError(const std::wstring& text);
// Ends the process at once without a log line, for failures the log does not record.
[[noreturn]] void FailSilently(const char* reason);
