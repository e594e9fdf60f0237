#include "bench/support/SampleSetup.h"

#include <stdlib.h>

#include <filesystem>

namespace bench {

namespace fs = std::filesystem;

std::string DistFolder() { return QUELLOR_DIST_DIR; }

SampleHandheld::SampleHandheld() {
  fs::copy(DistFolder() + "/Handheld", folder_.Path(), fs::copy_options::recursive);
  ::setenv("RAPI_HANDHELD", folder_.Path().c_str(), 1);
}

SampleHandheld::~SampleHandheld() { ::unsetenv("RAPI_HANDHELD"); }

TempLogs::TempLogs() { ::setenv("ALLUSERS", folder_.Path().c_str(), 1); }

TempLogs::~TempLogs() { ::unsetenv("ALLUSERS"); }

}  // namespace bench
