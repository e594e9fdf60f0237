// Test kit: a file whose reads never return, as a copy from a medium that stopped
// answering would behave.
#pragma once

#include <string>

namespace testkit {

// Every ReadFile on a handle to this file (a host path; the file must exist) opened
// after this call waits for good. An empty path ends the stall for later handles.
void StallReadsOf(const std::string& hostPath);

}  // namespace testkit
