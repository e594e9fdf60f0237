// The process's entry. On Windows the runtime's start-up code calls WinMain; here main
// does, with what that code would pass: the module instance, no previous instance,
// the command line and SW_SHOWDEFAULT.
#include <string>

#include "installer/WinMain.h"
#include "platform/win32/window.h"

// The linker's mark at the start of the executable's image: the module's base address,
// which is what a module instance is.
extern "C" char __executable_start;

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  const auto instance = reinterpret_cast<HINSTANCE>(&__executable_start);
  return WinMain(instance, nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
