#include "platform/win32/resources.h"

#include <map>
#include <mutex>

namespace layer {
namespace {

std::mutex g_resourcesMutex;
std::map<int, ResourceBytes>& Resources() {
  static std::map<int, ResourceBytes> resources;
  return resources;
}

}  // namespace

void RegisterResource(int id, const void* data, std::size_t size) {
  std::lock_guard<std::mutex> lock(g_resourcesMutex);
  Resources()[id] = ResourceBytes{static_cast<const std::uint8_t*>(data), size};
}

bool LookupResource(int id, ResourceBytes& bytes) {
  std::lock_guard<std::mutex> lock(g_resourcesMutex);
  auto it = Resources().find(id);
  if (it == Resources().end()) return false;
  bytes = it->second;
  return true;
}

}  // namespace layer
