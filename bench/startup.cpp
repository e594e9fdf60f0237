// Start-up of the real program to its first presented frame: WinMain's steps (reading
// Config.xml, the engine's log, window, device and input, both packs, the scenes'
// Initialize) and the main loop's first frame of the splash, run as a fresh process of
// this program. Beside it two small programs of their own (bench/baselines/) that
// create, clear and present a window once with the same drivers: one linked to SDL2
// alone, one that also loads and initialises Xerces-C, as the installer does. Each side
// pays its own process start and library loading, as a real program would; times are
// medians of fresh processes, and every side also reports how long each step took.
// The drivers come from the environment (offscreen by default; bench/run.sh --xvfb
// runs this under Xvfb as well).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/ChildRun.h"
#include "bench/support/ProgramProbe.h"
#include "bench/support/SampleSetup.h"
#include "bench/support/Suite.h"

namespace {

constexpr char kProgramChild[] = "--child=program";

// The children's marks, in the order they come: "main" when main starts (the process
// is loaded and its static objects built), then each step as it ends, "frame" last.
const std::vector<const char*> kProgramSteps = {"main", "config", "engine", "packs", "scenes", "frame"};
const std::vector<const char*> kBareSteps = {"main", "frame"};
// Starts one child, waits for it and returns what it reported.
using Starter = bench::ChildResult (*)();

void Mark(int fd, const char* step) {
  char line[64];
  std::snprintf(line, sizeof line, "%s %.9f\n", step, bench::MonotonicSeconds());
  bench::Report(fd, line);
}

// The real program up to the start of the main loop's second iteration: by then the
// first frame has been presented. The process ends there, as a user would not wait
// for its teardown to see the window.
int ProgramChild(int fd) {
  Mark(fd, "main");
  probe::Hooks& hooks = probe::GetHooks();
  hooks.configRead = [fd] { Mark(fd, "config"); };
  hooks.engineReady = [fd] { Mark(fd, "engine"); };
  hooks.packsLoaded = [fd] { Mark(fd, "packs"); };
  hooks.scenesReady = [fd] { Mark(fd, "scenes"); };
  int iterations = 0;
  hooks.iteration = [fd, &iterations] {
    if (++iterations < 2) return;
    Mark(fd, "frame");
    std::_Exit(0);
  };
  probe::RunWinMain();
  return 3;  // WinMain failed or its loop ended before a frame
}

// Each side's steps with their mean milliseconds, in order, from its benchmark's last run.
using StepTimes = std::vector<std::pair<std::string, double>>;
std::map<std::string, StepTimes>& StepMeans() {
  static std::map<std::string, StepTimes> means;
  return means;
}

std::map<std::string, double> ParseMarks(const std::string& report) {
  std::map<std::string, double> marks;
  for (const auto& [step, at] : bench::ParseReport(report)) marks[step] = std::atof(at.c_str());
  return marks;
}

// A start now and then waits milliseconds on the disk, the host or the X server; each
// iteration's time is the median of a few fresh processes, what a start typically
// costs, where a mean would follow those outliers.
constexpr int kStartsPerIteration = 5;

// Starts the child kStartsPerIteration times per iteration; a start's time is from just
// before the process starts to its first presented frame.
void RunChildren(benchmark::State& state, const char* side, Starter start, const std::vector<const char*>& steps) {
  bench::TempLogs logs;
  std::map<std::string, double> stepTotals;
  for (auto _ : state) {
    std::vector<double> times;
    for (int run = 0; run < kStartsPerIteration; ++run) {
      const bench::ChildResult child = start();
      std::map<std::string, double> marks = ParseMarks(child.report);
      if (child.exitCode != 0 || marks.count("frame") == 0) {
        state.SkipWithError("the child did not present a frame");
        return;
      }
      times.push_back(marks["frame"] - child.spawnedAt);
      double previous = child.spawnedAt;
      for (const char* step : steps) {
        if (marks.count(step) == 0) {
          state.SkipWithError("a start-up step is missing from the child's report");
          return;
        }
        stepTotals[step] += marks[step] - previous;
        previous = marks[step];
      }
    }
    std::nth_element(times.begin(), times.begin() + kStartsPerIteration / 2, times.end());
    state.SetIterationTime(times[kStartsPerIteration / 2]);
  }
  // Milliseconds per step, averaged over the runs.
  StepTimes& shown = StepMeans()[side];
  shown.clear();
  for (const char* step : steps) {
    const double ms = stepTotals[step] * 1e3 / static_cast<double>(state.iterations() * kStartsPerIteration);
    state.counters[std::string(step) + "_ms"] = ms;
    shown.emplace_back(step, ms);
  }
}

// After the ratios: each side's steps, so that the summary of a run holds them.
void PrintSteps() {
  std::printf("\nStart-up steps, ms (mean over the runs; \"main\": process start and libraries loaded):\n");
  for (const auto& [name, steps] : StepMeans()) {
    std::printf("  %-16s", name.c_str());
    for (const auto& [step, ms] : steps) std::printf(" %s %.1f", step.c_str(), ms);
    std::printf("\n");
  }
}

bench::ChildResult StartProgram() { return bench::RunSelf({kProgramChild}); }
bench::ChildResult StartBareSdl() { return bench::RunProgram(BARE_WINDOW_SDL, {}); }
bench::ChildResult StartBareSdlXerces() { return bench::RunProgram(BARE_WINDOW_SDL_XERCES, {}); }

void BM_ProgramStartToFirstFrame(benchmark::State& state) {
  RunChildren(state, "program", StartProgram, kProgramSteps);
}
void BM_BareSdlWindowFirstFrame(benchmark::State& state) { RunChildren(state, "bare SDL", StartBareSdl, kBareSteps); }
void BM_BareSdlXercesWindowFirstFrame(benchmark::State& state) {
  RunChildren(state, "SDL + Xerces-C", StartBareSdlXerces, kBareSteps);
}

BENCHMARK(BM_ProgramStartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);
BENCHMARK(BM_BareSdlWindowFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);
BENCHMARK(BM_BareSdlXercesWindowFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  if (argc > 1 && std::strcmp(argv[1], kProgramChild) == 0) return ProgramChild(bench::ReportFd(argc, argv));
  const std::string video = std::getenv("SDL_VIDEODRIVER");
  return bench::RunWithRatios(argc, argv,
                              {{"start-up to first frame / bare SDL program (" + video + ")",
                                "BM_ProgramStartToFirstFrame", "BM_BareSdlWindowFirstFrame", bench::Ratio::Real},
                               {"start-up to first frame / SDL + Xerces-C program (" + video + ")",
                                "BM_ProgramStartToFirstFrame", "BM_BareSdlXercesWindowFirstFrame", bench::Ratio::Real}},
                              PrintSteps);
}
