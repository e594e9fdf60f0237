// The program's resources: pictures the application embeds at build time and
// registers by resource id before it loads them (icons 101 and 102).
#pragma once

#include <cstddef>
#include <cstdint>

namespace layer {

// The bytes are not copied: they must live as long as the program (embedded data).
// Registering an id again replaces the earlier bytes.
void RegisterResource(int id, const void* data, std::size_t size);

struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};
// False when nothing is registered under the id.
bool LookupResource(int id, ResourceBytes& bytes);

}  // namespace layer
