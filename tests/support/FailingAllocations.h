// Allocation failure on demand, for the roads a program takes when memory runs out.
// FailingAllocations.cpp replaces the global operator new and delete, so it is linked
// only into the test programs that use it (see their CMakeLists.txt).
#pragma once

#include <cstddef>

namespace testsupport {

// While the object lives, every operator new of this thread asking for at least
// fromBytes fails (std::bad_alloc, or null for the nothrow forms) once the first skip
// such requests have been served. Other threads and smaller requests are untouched.
class FailLargeAllocations {
 public:
  explicit FailLargeAllocations(std::size_t fromBytes, int skip = 0);
  ~FailLargeAllocations();
  FailLargeAllocations(const FailLargeAllocations&) = delete;
  FailLargeAllocations& operator=(const FailLargeAllocations&) = delete;
};

}  // namespace testsupport
