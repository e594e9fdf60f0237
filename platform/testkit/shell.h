// Test kit: what ShellExecuteW starts.
#pragma once

#include <string>

namespace testkit {

// ShellExecuteW starts this program instead of xdg-open, with the address as its one
// argument ("" restores xdg-open).
void UseShellOpener(const std::string& program);
// Waits until every program ShellExecuteW started has ended.
void WaitForShellHandlers();

}  // namespace testkit
