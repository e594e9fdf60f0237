#include "bench/support/Suite.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <benchmark/benchmark.h>

namespace bench {

namespace {

// A reported name without the parts that options of the run add ("/min_time:2.000",
// "/manual_time"...), so that a ratio names a benchmark as it was registered.
std::string RegisteredName(std::string name) {
  for (const char* option : {"/min_time:", "/min_warmup_time:", "/iterations:", "/repeats:", "/threads:",
                             "/manual_time", "/real_time"}) {
    const std::size_t at = name.find(option);
    if (at == std::string::npos) continue;
    const std::size_t end = name.find('/', at + 1);
    name.erase(at, end == std::string::npos ? std::string::npos : end - at);
  }
  return name;
}

// A flag's value from the arguments, else from its environment variable (as Google
// Benchmark reads its own), else empty.
std::string FlagValue(int argc, char** argv, const std::string& flag) {
  const std::string prefix = "--" + flag + "=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) return argv[i] + prefix.size();
  }
  std::string variable;
  for (char c : flag) variable += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const char* value = std::getenv(variable.c_str());
  return value ? value : "";
}

bool Truthy(const std::string& value) { return value == "true" || value == "yes" || value == "1"; }

// The library sets up only its own console reporter from --benchmark_color and
// --benchmark_counters_tabular; ours follows them too. Colour by default only on a
// terminal, so that files get none.
benchmark::ConsoleReporter::OutputOptions OutputOptions(int argc, char** argv) {
  const std::string colour = FlagValue(argc, argv, "benchmark_color");
  const bool coloured = colour.empty() || colour == "auto" ? ::isatty(STDOUT_FILENO) != 0 : Truthy(colour);
  int options = benchmark::ConsoleReporter::OO_None;
  if (coloured) options |= benchmark::ConsoleReporter::OO_Color;
  if (Truthy(FlagValue(argc, argv, "benchmark_counters_tabular"))) options |= benchmark::ConsoleReporter::OO_Tabular;
  return static_cast<benchmark::ConsoleReporter::OutputOptions>(options);
}

// Prints as usual and keeps every measured run's time per iteration, in seconds.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const double perSecond = benchmark::GetTimeUnitMultiplier(run.time_unit);
      Times& times = byName_[RegisteredName(run.benchmark_name())];
      times.cpu.push_back(run.GetAdjustedCPUTime() / perSecond);
      times.real.push_back(run.GetAdjustedRealTime() / perSecond);
    }
  }

  // The median over repetitions; negative when the benchmark did not run.
  double Seconds(const std::string& name, Ratio::Clock clock) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) return -1.0;
    std::vector<double> values = clock == Ratio::Cpu ? it->second.cpu : it->second.real;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  }

 private:
  struct Times {
    std::vector<double> cpu;
    std::vector<double> real;
  };
  std::map<std::string, Times> byName_;
};

// A time in the unit that keeps it between 1 and 1000, with three significant digits:
// "95.2 us", "6.91 ms", "17.0 ms".
std::string Readable(double seconds) {
  const char* unit = "s";
  double value = seconds;
  if (seconds < 1e-3) {
    unit = "us";
    value = seconds * 1e6;
  } else if (seconds < 1.0) {
    unit = "ms";
    value = seconds * 1e3;
  }
  const int decimals = value < 10.0 ? 2 : value < 100.0 ? 1 : 0;
  char text[32];
  std::snprintf(text, sizeof text, "%.*f %s", decimals, value, unit);
  return text;
}

}  // namespace

void UseHeadlessDrivers() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  // On a real display the program chooses its renderer itself, as it would for a user.
  const std::string video = std::getenv("SDL_VIDEODRIVER");
  if (video == "offscreen" || video == "dummy") setenv("SDL_RENDER_DRIVER", "software", 0);
}

int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios, const std::function<void()>& epilogue) {
  RatioReporter reporter(OutputOptions(argc, argv));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  bool header = false;
  for (const Ratio& ratio : ratios) {
    const double top = reporter.Seconds(ratio.numerator, ratio.clock);
    const double bottom = reporter.Seconds(ratio.denominator, ratio.clock);
    if (top < 0.0 || bottom <= 0.0) continue;
    if (!header) {
      std::printf("\nRatios (both sides measured in this run; with repetitions, their medians):\n");
      header = true;
    }
    std::printf("  %-66s %9.2fx  (%s / %s, %s time)\n", ratio.label.c_str(), top / bottom, Readable(top).c_str(),
                Readable(bottom).c_str(), ratio.clock == Ratio::Cpu ? "CPU" : "real");
  }
  if (epilogue) epilogue();
  std::fflush(stdout);
  return 0;
}

}  // namespace bench
