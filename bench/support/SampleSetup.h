// The surroundings the real program expects, made for a benchmark: the sample
// distribution the build made, an emulated handheld copied from it into a temporary
// folder, and a temporary folder for the log files instead of the user's profile.
#pragma once

#include <string>

#include "tests/support/TempFolder.h"

namespace bench {

// Where the build put the program and its sample distribution.
std::string DistFolder();

// The sample's emulated handheld (a VGA Pocket PC with a storage card), attached
// through RAPI_HANDHELD while the object lives.
class SampleHandheld {
 public:
  SampleHandheld();
  ~SampleHandheld();

 private:
  testsupport::TempFolder folder_{"bench-handheld"};
};

// The program's log files go into a temporary folder (ALLUSERS) while the object lives.
class TempLogs {
 public:
  TempLogs();
  ~TempLogs();

 private:
  testsupport::TempFolder folder_{"bench-logs"};
};

}  // namespace bench
