// Bitmap fonts loaded from a deciphered pack, measured and drawn on an offscreen device.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbeFont)
