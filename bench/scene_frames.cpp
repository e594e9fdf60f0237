// Frames on the software renderer, as CPU time per frame (one main-loop iteration
// without input: the message pump, the scene's Update, and its drawing between
// BeginFrame and EndFrame with the presentation):
//   - an empty frame (clear and present only), the floor every frame pays;
//   - a composed scene: the full-screen background, six labels and four buttons;
//   - each of the installer's seven scenes, driven as the main loop drives them.
// The real WinMain sets everything up from the sample distribution beside this program
// (Config.xml, the engine, both packs, the scenes); where its main loop would start,
// the benchmarks run instead. The handheld is the sample's emulated one, copied into a
// temporary folder; the workers' waits run on the layer's virtual clock.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "engine/BlinkButton.h"
#include "engine/Config.h"
#include "engine/Engine.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "bench/support/ProgramProbe.h"
#include "bench/support/SampleSetup.h"
#include "bench/support/Suite.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneConfirm.h"
#include "installer/SceneFurniture.h"
#include "installer/SceneInfo.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/SceneUninstall.h"
#include "platform/testkit/clock.h"
#include "platform/win32/strings.h"

namespace {

// The full-screen background of the common pack, six lines of text and four buttons,
// laid out as the installer's scenes lay theirs out, with their texts.
class ComposedScene : public CTScene {
 public:
  void Initialize() override {
    AddComponent(&background_);
    for (CTCLabel& label : labels_) AddComponent(&label);
    for (CTCBlinkButton& button : buttons_) AddComponent(&button);
    CTScene::Initialize();
    ShowPictureAtOrigin(texture_, background_, g_CommonResourceFile, L"/Back");
    LoadSceneFont(font_);
    const struct {
      const wchar_t* section;
      int index;
      float scale;
    } lines[kLabels] = {{L"Install", 0, 1.2f},   {L"Install", 1, 0.5f},   {L"Install", 2, 0.5f},
                        {L"Uninstall", 0, 0.9f}, {L"Uninstall", 1, 0.5f}, {L"Install", 7, 0.5f}};
    for (int i = 0; i < kLabels; ++i) {
      labels_[i].Setup(&font_, lines[i].scale, 255, kTextBlack, CTCLabel::Center,
                       LookupText(lines[i].section, lines[i].index));
      labels_[i].SetRect(0, 20.0f + 40.0f * static_cast<float>(i), 640, 40);
    }
    const int buttonTexts[kButtons] = {0, 2, 3, 4};
    for (int i = 0; i < kButtons; ++i) {
      buttons_[i].Setup(LookupText(L"MainMenu", buttonTexts[i]), &font_, 0.6f, CTCLabel::Center, kTextBlack,
                        CTCLabel::None, kTextBlack, 0.0f);
      buttons_[i].SetRect(310, 280.0f + 40.0f * static_cast<float>(i), 300, 30);
    }
  }

 private:
  static constexpr int kLabels = 6;
  static constexpr int kButtons = 4;
  CTTexture texture_;
  CTCImage background_;
  CTFont font_;
  CTCLabel labels_[kLabels];
  CTCBlinkButton buttons_[kButtons];
};

ComposedScene g_composed;
CTScene* g_shown = nullptr;

// A scene switch as the main loop makes it: the old scene paused and left, every
// device texture and glyph released, the new one entered and resumed.
void Show(CTScene& scene) {
  if (g_shown == &scene) return;
  if (g_shown != nullptr) {
    g_shown->Pause();
    g_shown->Leave();
  }
  ReleaseAllTextures();
  ReleaseAllFonts();
  g_CurrentScene = scene.GetId();
  scene.Enter();
  scene.Resume();
  g_shown = &scene;
}

void Frame(CTScene& scene, bool update) {
  PumpMessages();
  if (update) scene.Update();
  const bool begun = BeginFrame();
  if (begun) scene.Draw();
  EndFrame(begun);
}

void BM_EmptyFrame(benchmark::State& state) {
  for (auto _ : state) {
    PumpMessages();
    const bool begun = BeginFrame();
    EndFrame(begun);
  }
}

void BM_ComposedScene(benchmark::State& state) {
  Show(g_composed);
  Frame(g_composed, true);  // the textures and glyphs are made in the first frame
  for (auto _ : state) Frame(g_composed, true);
}

struct InstallerScene {
  const char* name;
  CTScene* scene;
  // True once the scene shows what it shows for as long as it stays.
  std::function<bool()> settled;
  // The splash's Update only counts down its picture's stay; it is left out so that
  // the stay never ends.
  bool update;
  // The worker scenes' result line, shown beside the time.
  const CTCLabel* result = nullptr;
};

bool WorkerDone(const CTCLabel& result) { return result.IsVisible() != 0; }

std::vector<InstallerScene> InstallerScenes() {
  auto drawnOnce = [] { return true; };
  return {
      {"splash", &g_SceneSplash,
       [] {
         return g_SceneSplash.GetStage() == CSceneSplash::StartPictures && g_SceneSplash.GetPictureIndex() == 0 &&
                g_SceneSplash.GetPhase() == CSceneSplash::Hold;
       },
       false},
      {"menu", &g_SceneMenu, drawnOnce, true},
      {"path", &g_ScenePath, drawnOnce, true},
      {"install", &g_SceneInstall, [] { return WorkerDone(g_SceneInstall.GetResultLabel()); }, true,
       &g_SceneInstall.GetResultLabel()},
      {"confirm", &g_SceneConfirm, drawnOnce, true},
      {"uninstall", &g_SceneUninstall, [] { return WorkerDone(g_SceneUninstall.GetResultLabel()); }, true,
       &g_SceneUninstall.GetResultLabel()},
      {"info", &g_SceneInfo, drawnOnce, true},
  };
}

// Frames until the scene has settled, at most this many (the workers finish within a
// few hundred).
constexpr int kSettleFrames = 100000;

void BM_InstallerScene(benchmark::State& state, const InstallerScene& shown) {
  Show(*shown.scene);
  int frames = 0;
  do {
    Frame(*shown.scene, true);
  } while (!shown.settled() && ++frames < kSettleFrames);
  if (!shown.settled()) {
    state.SkipWithError("the scene did not settle");
    return;
  }
  for (auto _ : state) Frame(*shown.scene, shown.update);
  if (shown.result != nullptr) state.SetLabel(layer::WideToUtf8(shown.result->GetText()));
}

int RunBenchmarks(int argc, char** argv) {
  g_composed.Initialize();
  benchmark::RegisterBenchmark("BM_EmptyFrame", BM_EmptyFrame)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_ComposedScene", BM_ComposedScene)->Unit(benchmark::kMicrosecond);
  std::vector<bench::Ratio> ratios = {
      {"composed scene frame / empty frame", "BM_ComposedScene", "BM_EmptyFrame", bench::Ratio::Cpu}};
  static const std::vector<InstallerScene> scenes = InstallerScenes();
  for (const InstallerScene& scene : scenes) {
    const std::string name = std::string("BM_InstallerScene/") + scene.name;
    benchmark::RegisterBenchmark(name.c_str(), BM_InstallerScene, scene)->Unit(benchmark::kMicrosecond);
    ratios.push_back({std::string(scene.name) + " scene frame / empty frame", name, "BM_EmptyFrame", bench::Ratio::Cpu});
  }
  return bench::RunWithRatios(argc, argv, ratios);
}

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  bench::TempLogs logs;
  bench::SampleHandheld handheld;
  testkit::UseVirtualClock(true);
  int exitCode = 1;
  probe::GetHooks().mainLoop = [&](SceneId) { exitCode = RunBenchmarks(argc, argv); };
  const int started = probe::RunWinMain();
  if (started != 0) {
    std::fprintf(stderr, "the installer did not start (WinMain returned %d)\n", started);
    return 1;
  }
  return exitCode;
}
