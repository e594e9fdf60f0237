#include "tests/support/FailingAllocations.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

thread_local std::size_t t_failFrom = SIZE_MAX;
thread_local int t_skip = 0;

void* Allocate(std::size_t size) noexcept {
  if (size >= t_failFrom && t_skip-- <= 0) return nullptr;
  return std::malloc(size != 0 ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace testsupport {

FailLargeAllocations::FailLargeAllocations(std::size_t fromBytes, int skip) {
  t_failFrom = fromBytes;
  t_skip = skip;
}

FailLargeAllocations::~FailLargeAllocations() { t_failFrom = SIZE_MAX; }

}  // namespace testsupport

// Every form but the aligned ones, which keep the library's own pair.
void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
