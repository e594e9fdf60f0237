// The real program while it waits for its user, on a display: the menu shown with
// nothing moving (its CPU over a few seconds and its resident memory), then its window
// hidden, which makes it inactive (its CPU again). Beside it the bare SDL program of
// bench/baselines/, which makes its window the same way (the same renderer choice),
// draws a window-sized picture at the same 60 frames a second, and then hides its
// window and waits for events. Each side is a fresh process.
//
// It needs a display that paces frames and tells a hidden window it lost the focus:
// bench/run.sh --xvfb runs it on X11 under Xvfb. On a headless driver it skips.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "bench/support/ChildRun.h"
#include "bench/support/Memory.h"
#include "bench/support/ProgramProbe.h"
#include "bench/support/SampleSetup.h"
#include "bench/support/Suite.h"
#include "engine/Engine.h"
#include "engine/Window.h"
#include "installer/SceneSplash.h"
#include "platform/testkit/direct3d.h"
#include "platform/testkit/input.h"
#include "platform/win32/sdl_video.h"
#include "platform/win32/window.h"

namespace {

constexpr char kProgramChild[] = "--child=program";
constexpr double kMeasureSeconds = 3.0;
constexpr double kSettleSeconds = 1.0;

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU of the process over a stretch of real time, as a fraction of one core.
class CpuMeter {
 public:
  void Start() { start_ = bench::MonotonicSeconds(), cpuStart_ = CpuSeconds(); }
  double Elapsed() const { return bench::MonotonicSeconds() - start_; }
  double Share() const { return (CpuSeconds() - cpuStart_) / Elapsed(); }

 private:
  double start_ = 0.0, cpuStart_ = 0.0;
};

// The child's steps, one look per main-loop iteration: the splash cut short as a user
// would (a click, a key), the menu left alone, then the window hidden.
class Waiting {
 public:
  explicit Waiting(int fd) : fd_(fd) {}

  void Iterate() {
    switch (stage_) {
      case Stage::Splash: return SkipSplash();
      case Stage::MenuSettles:
        if (meter_.Elapsed() >= kSettleSeconds) Next(Stage::MenuStill);
        return;
      case Stage::MenuStill:
        if (meter_.Elapsed() < kMeasureSeconds) return;
        Note("still_cpu", meter_.Share());
        Note("rss_kib", static_cast<double>(bench::StatusKib("VmRSS")));
        Line("renderer", testkit::RendererName(g_Device));
        ShowWindow(g_Window, SW_HIDE);
        return Next(Stage::Hiding);
      case Stage::Hiding:
        // The display takes the focus from a hidden window; a headless one never does.
        if (!IsWindowActive()) return Next(Stage::InactiveSettles);
        if (meter_.Elapsed() > kSettleSeconds) Fail("the hidden window kept the focus");
        return;
      case Stage::InactiveSettles:
        if (meter_.Elapsed() >= kSettleSeconds / 2) Next(Stage::Inactive);
        return;
      case Stage::Inactive:
        if (meter_.Elapsed() < kMeasureSeconds) return;
        if (IsWindowActive()) Fail("the window became active again");
        Note("idle_cpu", meter_.Share());
        std::_Exit(0);
    }
  }

 private:
  enum class Stage { Splash, MenuSettles, MenuStill, Hiding, InactiveSettles, Inactive };

  void SkipSplash() {
    if (g_CurrentScene == MenuScene) {
      testkit::MoveCursorToClient(g_Window, 20, 470);  // out of every button's way
      return Next(Stage::MenuSettles);
    }
    const bool holds = g_SceneSplash.GetStage() == CSceneSplash::StartPictures &&
                       g_SceneSplash.GetPhase() == CSceneSplash::Hold;
    if (pressed_) {
      testkit::ReleaseKey(SDL_SCANCODE_SPACE);
      pressed_ = false;
    } else if (holds) {
      testkit::PressKey(SDL_SCANCODE_SPACE);
      pressed_ = true;
    }
  }
  void Next(Stage stage) {
    stage_ = stage;
    meter_.Start();
  }
  void Line(const char* name, const std::string& value) { bench::Report(fd_, std::string(name) + " " + value + "\n"); }
  void Note(const char* name, double value) { Line(name, std::to_string(value)); }
  [[noreturn]] void Fail(const char* why) {
    Line("failed", why);
    std::_Exit(1);
  }

  int fd_;
  Stage stage_ = Stage::Splash;
  bool pressed_ = false;
  CpuMeter meter_;
};

int ProgramChild(int fd) {
  static Waiting waiting(fd);
  probe::GetHooks().iteration = [] { waiting.Iterate(); };
  probe::RunWinMain();
  bench::Report(fd, "failed the program ended before its measurements\n");
  return 3;
}

using Readings = std::map<std::string, std::string>;
std::map<std::string, Readings>& Sides() {
  static std::map<std::string, Readings> sides;
  return sides;
}

bool Headless() { return layer::IsHeadlessVideoDriver(std::getenv("SDL_VIDEODRIVER")); }

void RunSide(benchmark::State& state, const char* side, bench::ChildResult (*start)()) {
  if (Headless()) {
    state.SkipWithError("needs a display: bench/run.sh --xvfb runs it under Xvfb");
    return;
  }
  bench::TempLogs logs;
  bench::SampleHandheld handheld;
  for (auto _ : state) {
    const bench::ChildResult child = start();
    Readings& readings = Sides()[side];
    readings = bench::ParseReport(child.report);
    if (child.exitCode != 0 || readings.count("idle_cpu") == 0) {
      state.SkipWithError(readings.count("failed") ? readings["failed"].c_str() : "the child did not finish");
      return;
    }
    state.counters["still_cpu_percent"] = 100.0 * std::atof(readings["still_cpu"].c_str());
    state.counters["idle_cpu_percent"] = 100.0 * std::atof(readings["idle_cpu"].c_str());
    state.counters["rss_MiB"] = std::atof(readings["rss_kib"].c_str()) / 1024.0;
  }
}

bench::ChildResult StartProgram() { return bench::RunSelf({kProgramChild}); }
bench::ChildResult StartBareSdl() {
  return bench::RunProgram(BARE_WINDOW_SDL, {"--hold=" + std::to_string(kMeasureSeconds)});
}

void BM_ProgramWaiting(benchmark::State& state) { RunSide(state, "program", StartProgram); }
void BM_BareSdlWaiting(benchmark::State& state) { RunSide(state, "bare SDL", StartBareSdl); }

BENCHMARK(BM_ProgramWaiting)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_BareSdlWaiting)->Iterations(1)->Unit(benchmark::kSecond);

void PrintComparison() {
  auto& sides = Sides();
  if (sides.count("program") == 0 || sides.count("bare SDL") == 0) return;
  Readings& program = sides["program"];
  Readings& bare = sides["bare SDL"];
  auto value = [](Readings& side, const char* name) { return std::atof(side[name].c_str()); };
  std::printf("\nWaiting window (%s driver; renderer: program %s, bare SDL %s; CPU over %.0f s, %% of one core):\n",
              std::getenv("SDL_VIDEODRIVER"), program["renderer"].c_str(), bare["renderer"].c_str(), kMeasureSeconds);
  std::printf("  %-44s %8.1f %%  (bare SDL loop at 60 fps %.1f %%, %.2fx)\n", "menu shown, nothing moving",
              100 * value(program, "still_cpu"), 100 * value(bare, "still_cpu"),
              value(program, "still_cpu") / value(bare, "still_cpu"));
  std::printf("  %-44s %8.1f %%  (bare SDL waiting for events %.1f %%)\n", "window hidden (inactive)",
              100 * value(program, "idle_cpu"), 100 * value(bare, "idle_cpu"));
  std::printf("  %-44s %6.1f MiB  (bare SDL %.1f MiB, %.2fx)\n", "resident memory on the menu",
              value(program, "rss_kib") / 1024, value(bare, "rss_kib") / 1024,
              value(program, "rss_kib") / value(bare, "rss_kib"));
}

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  if (argc > 1 && std::strcmp(argv[1], kProgramChild) == 0) return ProgramChild(bench::ReportFd(argc, argv));
  return bench::RunWithRatios(argc, argv, {}, PrintComparison);
}
