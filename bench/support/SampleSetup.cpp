#include "bench/support/SampleSetup.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace bench {

namespace fs = std::filesystem;

TempFolder::TempFolder(const char* prefix) {
  std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string DistFolder() { return QUELLOR_DIST_DIR; }

SampleHandheld::SampleHandheld() {
  fs::copy(DistFolder() + "/Handheld", folder_.path(), fs::copy_options::recursive);
  ::setenv("RAPI_HANDHELD", folder_.path().c_str(), 1);
}

SampleHandheld::~SampleHandheld() { ::unsetenv("RAPI_HANDHELD"); }

TempLogs::TempLogs() { ::setenv("ALLUSERS", folder_.path().c_str(), 1); }

TempLogs::~TempLogs() { ::unsetenv("ALLUSERS"); }

}  // namespace bench
