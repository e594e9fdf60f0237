// Picture files: any bytes through the layer's picture information, decoding and texture pixels.
#include "fuzz/FuzzMain.h"

QUELLOR_FUZZ_TARGET(ProbePicture)
