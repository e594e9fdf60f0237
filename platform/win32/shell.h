// Opening a document or web address with the desktop's handler (xdg-open).
#pragma once

#include "platform/win32/types.h"
#include "platform/win32/window_types.h"

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

// Only the "open" verb (or none). The handler is started directly, without a shell, so
// the address reaches it as one argument whatever characters it holds; parameters and
// show command do not apply to it. As on Windows, the result is an HINSTANCE whose
// value is greater than 32 on success, else one of the SE_ERR_ codes. The call does not
// wait for the handler.
HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        INT showCommand);
