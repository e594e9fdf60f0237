// Resource pack files as stored: any bytes, read with the common pack's keys and with a zero mask.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbePackFile)
