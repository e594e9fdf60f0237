// The secrets of the application's two resource packs: the salt and the mask that
// hide each pack's cipher key, and the pass text that fills the whitening pad. The
// program and the pack tool both take them from here, so a pack built with a preset
// opens in the program.
#pragma once

#include <cstdint>

struct PackKeys {
  std::int32_t salt;
  std::uint32_t mask[4];
  const char* passText;
};

inline constexpr char kPackPassText[] = "ZorvempLaxit";

inline constexpr PackKeys kCommonPackKeys = {
    0x3C6EF372,
    {0x5BE0CD19u, 0x1F83D9ABu, 0x9B05688Cu, 0x510E527Fu},
    kPackPassText,
};

inline constexpr PackKeys kLocalPackKeys = {
    -0x1A2B3C4D,
    {0xA54FF53Au, 0x6A09E667u, 0xBB67AE85u, 0x3C6EF372u},
    kPackPassText,
};
