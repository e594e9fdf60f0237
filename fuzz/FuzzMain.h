// The body of every fuzz target: one probe per input; a broken promise is reported and
// ends the run as a crash, so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "fuzz/probes/Probes.h"

#define QUELLOR_FUZZ_TARGET(probe)                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    const std::string problem = fuzzprobe::probe({data, size});                       \
    if (!problem.empty()) {                                                           \
      std::fprintf(stderr, "probe failed: %s\n", problem.c_str());                    \
      std::abort();                                                                   \
    }                                                                                 \
    return 0;                                                                         \
  }
