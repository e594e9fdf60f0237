// The layer's kernel objects: every HANDLE points to one of these.
#pragma once

#include "platform/win32/types.h"

struct KernelObject {
  virtual ~KernelObject() = default;
};

// True when the handle is neither null nor INVALID_HANDLE_VALUE.
inline bool IsUsableHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

BOOL CloseHandle(HANDLE object);
