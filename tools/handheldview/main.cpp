// handheldview [FOLDER]: shows an emulated handheld's state (default: $RAPI_HANDHELD).
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "tools/handheldview/HandheldReport.h"

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
    std::cerr << "usage: handheldview [FOLDER]\n"
                 "Shows an emulated handheld's files, registry and free space; FOLDER defaults to $RAPI_HANDHELD.\n";
    return 2;
  }
  const char* folder = argc == 2 ? argv[1] : std::getenv("RAPI_HANDHELD");
  if (folder == nullptr || *folder == '\0') {
    std::cerr << "handheldview: no folder given and RAPI_HANDHELD is not set\n";
    return 2;
  }
  std::string error;
  if (!WriteHandheldReport(folder, std::cout, &error)) {
    std::cerr << "handheldview: " << error << "\n";
    return 1;
  }
  return 0;
}
