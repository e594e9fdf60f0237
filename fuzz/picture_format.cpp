// Picture files behind a signature that the first byte picks, so each decoder is reached deeply.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbePictureFormat)
