#include "bench/support/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace bench {

long StatusKib(const char* field) {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return 0;
  const std::size_t length = std::strlen(field);
  char line[256];
  long kib = 0;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
      std::sscanf(line + length + 1, "%ld", &kib);
      break;
    }
  }
  std::fclose(status);
  return kib;
}

std::size_t ResidentBytes(const void* start, std::size_t size) {
  if (start == nullptr || size == 0) return 0;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(start) + size + page - 1) & ~(page - 1);
  std::vector<unsigned char> resident((end - first) / page);
  if (mincore(reinterpret_cast<void*>(first), end - first, resident.data()) != 0) return 0;
  std::size_t pages = 0;
  for (unsigned char flags : resident) pages += flags & 1;
  return pages * page;
}

}  // namespace bench
