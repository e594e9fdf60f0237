// Device paths of the emulated handheld, mapped and used in a session; nothing outside fs/ may change.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbeDevicePath)
