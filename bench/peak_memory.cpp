// Peak resident memory of the real program run through every scene with scripted
// input: the splash (both start pictures cut short), the menu, the choice of location,
// an installation onto the sample's emulated handheld, the confirmation and the
// removal, the information page, and exit. The run is a fresh process of this program
// (WinMain runs once per process); it reports its resident set after each start-up
// step, what the fonts' symbol tables hold resident, the highest resident set seen in
// each scene and its peak (VmHWM). The breakdown is printed after the benchmark.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
#include "bench/support/Memory.h"
#include "bench/support/ProgramProbe.h"
#include "bench/support/SampleSetup.h"
#include "bench/support/Suite.h"
#include "engine/Engine.h"
#include "engine/Font.h"
#include "engine/Window.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/SceneUninstall.h"
#include "platform/testkit/clock.h"
#include "platform/testkit/input.h"

namespace {

constexpr char kJourneyChild[] = "--child=journey";

struct Point {
  int x;
  int y;
};
Point Middle(const CTComponent& component) {
  const CTComponent::Rect r = component.GetRect();
  return {static_cast<int>(r.x + r.width / 2), static_cast<int>(r.y + r.height / 2)};
}
// Where the confirmation and information scenes put their buttons, and a point out of
// every button's way.
constexpr Point kConfirmYes{320, 280};
constexpr Point kInfoBack{320, 455};
constexpr Point kRest{20, 470};

// Steps taken one per main-loop iteration, each until it answers true. A step that
// waits too long closes the window, so a broken program ends instead of hanging.
class Script {
 public:
  static constexpr int kPatience = 5000;
  using Step = std::function<bool()>;

  Script& Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  Script& Do(std::function<void()> action) {
    return Then([action = std::move(action)] {
      action();
      return true;
    });
  }
  Script& WaitFor(SceneId scene) {
    return Then([scene] { return g_CurrentScene == scene; });
  }
  // The pointer next to the point and onto it, then a press and a release, one
  // iteration each, so the scene sees the pointer come in before the click.
  Script& Click(std::function<Point()> where) {
    Do([where] { testkit::MoveCursorToClient(g_Window, where().x - 1, where().y); });
    Do([where] { testkit::MoveCursorToClient(g_Window, where().x, where().y); });
    Do([] { testkit::PressMouseButton(0); });
    return Do([] { testkit::ReleaseMouseButton(0); });
  }
  Script& Click(Point point) {
    return Click([point] { return point; });
  }
  Script& Key(int scancode) {
    Do([scancode] { testkit::PressKey(scancode); });
    return Do([scancode] { testkit::ReleaseKey(scancode); });
  }

  void Iterate() {
    if (next_ >= steps_.size() || gaveUp_) return;
    if (steps_[next_]()) {
      ++next_;
      waited_ = 0;
    } else if (++waited_ > kPatience) {
      gaveUp_ = true;
      testkit::CloseWindow(g_Window);
    }
  }
  bool Done() const { return next_ == steps_.size(); }
  std::size_t StepsTaken() const { return next_; }

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int waited_ = 0;
  bool gaveUp_ = false;
};

bool SplashHolds(int picture) {
  return g_SceneSplash.GetStage() == CSceneSplash::StartPictures && g_SceneSplash.GetPictureIndex() == picture &&
         g_SceneSplash.GetPhase() == CSceneSplash::Hold;
}

Script ThroughEveryScene() {
  Script script;
  script.Then([] { return SplashHolds(0); })
      .Click(kRest)
      .Then([] { return SplashHolds(1); })
      .Key(SDL_SCANCODE_SPACE)
      .WaitFor(MenuScene)
      .Then([] { return g_SceneMenu.GetInstallButton().GetMode() != CTCBlinkButton::Disabled; })
      .Click([] { return Middle(g_SceneMenu.GetInstallButton()); })
      .WaitFor(PathScene)
      .Click([] { return Middle(g_ScenePath.GetLocationButton(0)); })
      .WaitFor(InstallScene)
      .Then([] { return g_SceneInstall.GetResultLabel().IsVisible() != 0; })
      .Key(SDL_SCANCODE_SPACE)
      .WaitFor(MenuScene)
      .Click([] { return Middle(g_SceneMenu.GetInstallButton()); })  // now it removes
      .WaitFor(ConfirmScene)
      .Click(kConfirmYes)
      .WaitFor(UninstallScene)
      .Then([] { return g_SceneUninstall.GetResultLabel().IsVisible() != 0; })
      .Key(SDL_SCANCODE_SPACE)
      .WaitFor(MenuScene)
      .Click([] { return Middle(g_SceneMenu.GetInfoButton()); })
      .WaitFor(InfoScene)
      .Click(kInfoBack)
      .WaitFor(MenuScene)
      .Click([] { return Middle(g_SceneMenu.GetExitButton()); });
  return script;
}

const std::map<SceneId, const char*> kSceneNames = {
    {SplashScene, "splash"}, {MenuScene, "menu"},           {PathScene, "path"}, {InstallScene, "install"},
    {ConfirmScene, "confirm"}, {UninstallScene, "uninstall"}, {InfoScene, "info"}};

// What the seven fonts' symbol tables hold resident now, in KiB.
long FontTablesKib() {
  std::size_t bytes = 0;
  for (const CTFont* font : g_Fonts) {
    bytes += bench::ResidentBytes(font->GetSymbol(0), CTFont::kSymbolCount * sizeof(SymbolEntry));
  }
  return static_cast<long>(bytes / 1024);
}

// Bytes handed out by malloc, from its arenas and as blocks of their own.
long HeapInUseKib() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

// The child: the program's whole run, reporting "name value" lines.
int JourneyChild(int fd) {
  auto note = [fd](const std::string& name, long value) { bench::Report(fd, name + " " + std::to_string(value) + "\n"); };
  auto stage = [note](const char* name) {
    note(std::string("rss_") + name, bench::StatusKib("VmRSS"));
    note(std::string("anon_") + name, bench::StatusKib("RssAnon"));
    note(std::string("file_") + name, bench::StatusKib("RssFile"));
    note(std::string("heap_") + name, HeapInUseKib());
  };
  stage("main");
  testkit::UseVirtualClock(true);  // the workers' waits pass at once
  Script script = ThroughEveryScene();
  std::map<SceneId, long> scenePeaks, sceneHeapPeaks;
  probe::Hooks& hooks = probe::GetHooks();
  hooks.configRead = [stage] { stage("config"); };
  hooks.engineReady = [stage] { stage("engine"); };
  hooks.packsLoaded = [stage] { stage("packs"); };
  hooks.scenesReady = [stage, note] {
    stage("scenes");
    note("fonts", static_cast<long>(g_Fonts.size()));
    note("font_tables_kib", FontTablesKib());
  };
  hooks.iteration = [&] {
    long& peak = scenePeaks[g_CurrentScene];
    peak = std::max(peak, bench::StatusKib("VmRSS"));
    long& heap = sceneHeapPeaks[g_CurrentScene];
    heap = std::max(heap, HeapInUseKib());
    script.Iterate();
  };
  const int result = probe::RunWinMain();
  for (const auto& [scene, peak] : scenePeaks) {
    if (kSceneNames.count(scene) == 0) continue;
    note(std::string("scene_") + kSceneNames.at(scene), peak);
    note(std::string("scene_heap_") + kSceneNames.at(scene), sceneHeapPeaks[scene]);
  }
  note("font_tables_end_kib", FontTablesKib());
  note("steps_taken", static_cast<long>(script.StepsTaken()));
  // The kernel brings VmHWM up to date lazily, so a VmRSS read may already exceed it:
  // the peak is the higher of the two.
  long peak = bench::StatusKib("VmHWM");
  for (const auto& [scene, scenePeak] : scenePeaks) peak = std::max(peak, scenePeak);
  note("peak_kib", peak);
  return result == 0 && script.Done() ? 0 : 1;
}

std::map<std::string, long> g_readings;
long g_childMaxRss = 0;

void BM_PeakMemoryThroughEveryScene(benchmark::State& state) {
  bench::TempLogs logs;
  bench::SampleHandheld handheld;
  for (auto _ : state) {
    const bench::ChildResult child = bench::RunSelf({kJourneyChild});
    for (const auto& [name, value] : bench::ParseReport(child.report)) g_readings[name] = std::atol(value.c_str());
    g_childMaxRss = child.peakResidentKib;
    if (child.exitCode != 0) {
      state.SkipWithError("the run through the scenes did not complete");
      return;
    }
  }
  state.counters["peak_KiB"] = static_cast<double>(g_readings["peak_kib"]);
  state.counters["maxrss_KiB"] = static_cast<double>(g_childMaxRss);
  state.counters["font_tables_KiB"] = static_cast<double>(g_readings["font_tables_kib"]);
}
BENCHMARK(BM_PeakMemoryThroughEveryScene)->Iterations(1)->Unit(benchmark::kMillisecond);

void PrintBreakdown() {
  if (g_readings.count("peak_kib") == 0) return;
  auto at = [](const std::string& name) { return g_readings.count(name) ? g_readings.at(name) : 0L; };
  std::printf("\nResident memory of the program through every scene, KiB (anonymous: the process's own\n"
              "memory; file: pages of the program and its libraries; heap: malloc'd bytes in use):\n");
  std::printf("  %-48s %8s %8s %8s %8s %8s\n", "", "resident", "change", "anon", "file", "heap");
  const char* const stages[][2] = {{"main", "at main: libraries loaded, static objects"},
                                   {"config", "Config.xml read (Xerces-C)"},
                                   {"engine", "engine: log, window, device, sprite, input"},
                                   {"packs", "both packs loaded and deciphered"},
                                   {"scenes", "every scene initialised"}};
  long previous = 0;
  for (const auto& [key, what] : stages) {
    const long rss = at(std::string("rss_") + key);
    std::printf("  %-48s %8ld %+8ld %8ld %8ld %8ld\n", what, rss, previous == 0 ? 0 : rss - previous,
                at(std::string("anon_") + key), at(std::string("file_") + key), at(std::string("heap_") + key));
    previous = rss;
  }
  for (const char* scene : {"splash", "menu", "path", "install", "confirm", "uninstall", "info"}) {
    std::printf("  %-48s %8ld %35ld\n", (std::string("highest in the ") + scene + " scene").c_str(),
                at(std::string("scene_") + scene), at(std::string("scene_heap_") + scene));
  }
  std::printf("  %-48s %8ld   (ru_maxrss %ld)\n", "peak (VmHWM or highest VmRSS)", at("peak_kib"), g_childMaxRss);
  std::printf("  the fonts' symbol tables: %ld tables of %ld KiB reserved, %ld KiB resident after start-up, "
              "%ld KiB at exit\n",
              at("fonts"), static_cast<long>(CTFont::kSymbolCount * sizeof(SymbolEntry) / 1024), at("font_tables_kib"),
              at("font_tables_end_kib"));
}

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  if (argc > 1 && std::strcmp(argv[1], kJourneyChild) == 0) return JourneyChild(bench::ReportFd(argc, argv));
  return bench::RunWithRatios(argc, argv, {}, PrintBreakdown);
}
