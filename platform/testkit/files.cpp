#include "platform/testkit/files.h"

#include "platform/win32/files_internal.h"

void testkit::StallReadsOf(const std::string& hostPath) { layer::StallReadsOf(hostPath); }
