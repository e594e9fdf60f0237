// What every benchmark program of the suite shares: headless drivers chosen before
// SDL starts, and a closing table of ratios between benchmarks measured in the same
// run, printed by the program itself after the usual report.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

// SDL's offscreen video driver and software renderer, unless the environment already
// names others: the suite runs without a display. With a display driver named (x11) the
// renderer is left to the program's own choice.
void UseHeadlessDrivers();

struct Ratio {
  enum Clock { Cpu, Real };
  std::string label;
  std::string numerator;    // benchmark names as they are reported
  std::string denominator;
  Clock clock = Real;
};

// Initialises Google Benchmark with the arguments, runs the benchmarks it selects and
// prints each ratio whose two benchmarks both ran, with the times of both sides, then
// whatever epilogue prints. With repetitions, each side is the median of its
// repetitions. Returns the exit code.
int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios,
                  const std::function<void()>& epilogue = nullptr);

}  // namespace bench
