// Environment variables and local time.
#pragma once

#include "platform/win32/types.h"

// Win32 results: the length without terminator when the value fits, else the size
// needed with terminator (buffer untouched); 0 when the variable is not set.
// Linux sets no "USERPROFILE", so that name falls back to HOME when it is unset.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

// The local time; the test kit can fix it (see platform/testkit/clock.h).
void GetLocalTime(SYSTEMTIME* time);
