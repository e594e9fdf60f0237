// Test kit switches of ShellExecuteW (internal).
#pragma once

#include <string>

namespace layer {

// The program that opens documents (default "xdg-open").
void SetShellOpener(const std::string& program);
// Waits until every handler started so far has ended.
void WaitForShellHandlers();

}  // namespace layer
