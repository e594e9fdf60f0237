// Resource packs as they read once deciphered: sealed first, so mutations reach the directory.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbePackImage)
