#include "tests/app/Journey.h"

#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "engine/Config.h"
#include "engine/Engine.h"
#include "engine/Window.h"
#include "installer/InstallWorkers.h"
#include "installer/SceneInstall.h"
#include "installer/SceneUninstall.h"
#include "installer/WinMain.h"
#include "platform/testkit/clock.h"
#include "platform/testkit/input.h"
#include "platform/win32/strings.h"
#include "platform/win32/window.h"

// The loop's message pump is the one call the engine makes at the start of every
// iteration. test_app is linked with --wrap for it, so the engine's calls come here
// first: the journey takes its step, then the real pump runs and sees the new input.
extern "C" bool __real__Z12PumpMessagesv();
extern "C" bool __wrap__Z12PumpMessagesv();

extern "C" char __executable_start;

namespace {

std::function<void()> g_iterationHook;
int g_iterations = 0;

}  // namespace

extern "C" bool __wrap__Z12PumpMessagesv() {
  ++g_iterations;
  if (g_iterationHook) g_iterationHook();
  return __real__Z12PumpMessagesv();
}

namespace apptest {

Journey& Journey::Then(std::string what, Step step) {
  steps_.push_back({std::move(what), std::move(step)});
  return *this;
}

Journey& Journey::Do(std::string what, std::function<void()> action) {
  return Then(std::move(what), [action = std::move(action)] {
    action();
    return true;
  });
}

Journey& Journey::WaitForScene(SceneId scene) {
  return Then("scene " + std::to_string(scene), [scene] { return g_CurrentScene == scene; });
}

Journey& Journey::WaitFrames(int frames) {
  auto left = std::make_shared<int>(frames);
  return Then(std::to_string(frames) + " frames", [left] { return (*left)-- <= 0; });
}

Journey& Journey::StaysOn(SceneId scene) {
  return WaitFrames(3).Do("still on scene " + std::to_string(scene), [scene] { EXPECT_EQ(g_CurrentScene, scene); });
}

Journey& Journey::MovePointer(Point point) {
  return Do("pointer to " + std::to_string(point.x) + "," + std::to_string(point.y),
            [point] { testkit::MoveCursorToClient(g_Window, point.x, point.y); });
}

Journey& Journey::Click(Point point) {
  MovePointer({point.x - 1, point.y}).MovePointer(point);
  Do("left button down", [] { testkit::PressMouseButton(0); });
  return Do("left button up", [] { testkit::ReleaseMouseButton(0); });
}

Journey& Journey::Key(int scancode) {
  Do("key down", [scancode] { testkit::PressKey(scancode); });
  return Do("key up", [scancode] { testkit::ReleaseKey(scancode); });
}

void Journey::Iterate() {
  const bool allTaken = next_ >= steps_.size();
  if (!allTaken && steps_[next_].step()) {
    ++next_;
    iterationsOnStep_ = 0;
    return;
  }
  if (gaveUp_ || ++iterationsOnStep_ <= kPatience) return;
  // A wrong program must never hang the test: the window closes and the journey fails.
  ADD_FAILURE() << name_ << (allTaken ? ": the program did not end after its last step"
                                      : ": gave up waiting for step " + steps_[next_].what);
  next_ = steps_.size();
  gaveUp_ = true;
  testkit::CloseWindow(g_Window);
}

int Journey::Run() {
  // The workers' pauses pass at once, and the emulated game's delay with them.
  testkit::UseVirtualClock(true);
  testkit::CaptureFrames(true);
  g_iterationHook = [this] { Iterate(); };
  char commandLine[] = "";
  const int result = WinMain(reinterpret_cast<HINSTANCE>(&__executable_start), nullptr, commandLine, SW_SHOWDEFAULT);
  g_iterationHook = nullptr;
  if (next_ < steps_.size()) {
    ADD_FAILURE() << name_ << ": the program ended before step " << next_ << " (" << steps_[next_].what << ")";
  }
  return result;
}

int IterationCount() { return g_iterations; }

void RunInChild(const std::function<void()>& body) {
  std::fflush(nullptr);  // nothing printed so far is printed again by the child
  const pid_t child = ::fork();
  ASSERT_GE(child, 0) << "fork failed";
  if (child == 0) {
    ::alarm(300);  // a journey that has not ended by then never will
    // The child must never return into the test runner, which would go on to run the
    // remaining tests a second time: not even by an exception.
    try {
      body();
    } catch (...) {
      ADD_FAILURE() << "an exception ended the journey";
    }
    // exit, not _exit: the program's static objects are torn down as at a real exit, and
    // what the child printed is flushed.
    std::exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) continue;
  ASSERT_TRUE(WIFEXITED(status)) << "the journey's process was ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the journey failed (see above)";
}

std::string Text(const wchar_t* section, int index) { return layer::WideToUtf8(LookupText(section, index)); }

void SkipSplash(Journey& journey) {
  auto down = std::make_shared<bool>(false);
  journey.Then("the menu", [down] {
    if (g_CurrentScene != MenuScene) {
      (*down = !*down) ? testkit::PressKey(SDL_SCANCODE_SPACE) : testkit::ReleaseKey(SDL_SCANCODE_SPACE);
      return false;
    }
    testkit::ReleaseKey(SDL_SCANCODE_SPACE);
    return true;
  });
}

void ExpectResult(Journey& journey, bool install, std::int32_t status) {
  const CTCLabel& label = install ? g_SceneInstall.GetResultLabel() : g_SceneUninstall.GetResultLabel();
  const CTCLabel& head = install ? g_SceneInstall.GetResultHeadLabel() : g_SceneUninstall.GetResultHeadLabel();
  const CTCLabel& foot = install ? g_SceneInstall.GetFootLabel() : g_SceneUninstall.GetFootLabel();
  journey.Then("the worker's result", [&label] { return label.IsVisible() != 0; })
      .WaitFrames(2)  // one frame drawn with the result lines, and the pointer still
      .Do("the result", [&label, &head, &foot, install, status] {
        const wchar_t* section = install ? L"Install" : L"Uninstall";
        EXPECT_EQ(install ? g_InstallStatus : g_UninstallStatus, status);
        EXPECT_EQ(layer::WideToUtf8(label.GetText()), Text(section, status));
        // The heading above it and the line under it, which tells how to go back.
        EXPECT_EQ(std::tuple(layer::WideToUtf8(head.GetText()), head.IsVisible()), std::tuple(Text(section, 3), 1));
        EXPECT_EQ(std::tuple(layer::WideToUtf8(foot.GetText()), foot.IsVisible()),
                  std::tuple(Text(section, install ? 7 : 6), 1));
        // Black ink (its blue channel dark) on the light backdrop where the line is drawn.
        const testkit::Frame frame = testkit::LastFrame();
        bool inked = false;
        for (int i = 0; i < 560 * 40 && !inked; ++i) inked = (frame.At(40 + i % 560, 230 + i / 560) & 0xFF) < 160;
        EXPECT_TRUE(inked) << "no text on the result line";
      });
}

bool SameRegion(const testkit::Frame& a, const testkit::Frame& b, Rect rect) {
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) if (a.At(x, y) != b.At(x, y)) return false;
  }
  return true;
}

}  // namespace apptest
