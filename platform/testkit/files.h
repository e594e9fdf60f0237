// Test kit: a file whose reads never return, as a copy from a medium that stopped
// answering would behave.
#pragma once

#include <string>

namespace testkit {

// From now on every ReadFile of this file (a host path; the file must exist) waits for
// good. An empty path ends the stall for files opened afterwards.
void StallReadsOf(const std::string& hostPath);

}  // namespace testkit
