// packtool: builds, lists and extracts the installer's resource packs.
#include <iostream>
#include <string>
#include <vector>

#include "tools/packtool/Commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return packtool::Run(args, std::cout, std::cerr);
}
