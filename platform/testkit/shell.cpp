#include "platform/testkit/shell.h"

#include "platform/win32/shell_internal.h"

namespace testkit {

void UseShellOpener(const std::string& program) { layer::SetShellOpener(program.empty() ? "xdg-open" : program); }

void WaitForShellHandlers() { layer::WaitForShellHandlers(); }

}  // namespace testkit
