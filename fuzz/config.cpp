// Config.xml: any bytes through the configuration reader and its look-ups.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbeConfig)
