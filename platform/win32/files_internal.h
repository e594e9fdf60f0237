// The files layer's hook for the test kit (internal).
#pragma once

#include <string>

namespace layer {

// Every ReadFile on a handle to this file (a host path) opened after this call waits
// for good; an empty path ends the stall for later handles.
void StallReadsOf(const std::string& hostPath);

}  // namespace layer
