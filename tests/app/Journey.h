// Drives the real installer in this process the way a user would: WinMain runs with
// its main loop, and before each iteration of that loop the journey's current step
// looks at the program and may move the mouse, press a button or a key, or check the
// last presented frame. Input goes in through the layer's test kit, so it reaches the
// program exactly as real input does. Below the driver: the steps every journey shares
// and the looks at presented frames.
//
// WinMain can run once per process (the scenes are static objects set up once), so
// each journey runs in a child process of its own; see RunInChild.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Label.h"
#include "engine/Scene.h"
#include "platform/testkit/display.h"

namespace apptest {

// A point in the window's client area.
struct Point { int x, y; };
struct Rect { int x, y, width, height; };

// The middle of a rectangle, where a user clicks a button.
constexpr Point Middle(Rect r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// Where the scenes put their buttons and lines.
constexpr Rect kDeviceLineRect{5, 5, 500, 40};
constexpr Point kMenuInstall = Middle({310, 240, 300, 30});
constexpr Point kMenuInfo = Middle({310, 320, 300, 30});
constexpr Point kMenuWeb = Middle({310, 360, 300, 30});
constexpr Point kMenuExit = Middle({310, 400, 300, 30});
constexpr Point Location(int index) { return Middle({0, 170 + 40 * index, 640, 40}); }
constexpr Point kConfirmYes = Middle({0, 260, 640, 40});
constexpr Point kConfirmNo = Middle({0, 300, 640, 40});
constexpr Point kInfoWeb = Middle({0, 380, 640, 30});
constexpr Point kInfoBack = Middle({0, 440, 640, 30});
// Out of every button's way.
constexpr Point kRest{20, 470};

class Journey {
 public:
  // Called at the start of every iteration until it answers true; then the next one.
  using Step = std::function<bool()>;

  // Gives up on a step after this many iterations: the window is closed and the
  // journey fails, so a wrong program never hangs the test.
  static constexpr int kPatience = 5000;

  explicit Journey(std::string name) : name_(std::move(name)) {}

  Journey& Then(std::string what, Step step);
  // Single-iteration actions and checks.
  Journey& Do(std::string what, std::function<void()> action);

  Journey& WaitForScene(SceneId scene);
  Journey& WaitFrames(int frames);
  // Three frames pass and the scene is still the current one.
  Journey& StaysOn(SceneId scene);
  // Pointer next to the point and onto it, button down, button up: one iteration each,
  // so the scene sees the pointer come in, the press and the release as separate
  // events, even when the pointer already rested on the point in an earlier scene.
  Journey& Click(Point point);
  Journey& Key(int scancode);
  Journey& MovePointer(Point point);

  // Runs WinMain with the module instance. Returns its result; every step must have
  // been taken by then.
  int Run();

 private:
  struct Entry { std::string what; Step step; };
  void Iterate();

  std::string name_;
  std::vector<Entry> steps_;
  std::size_t next_ = 0;
  int iterationsOnStep_ = 0;
  bool gaveUp_ = false;
};

// Iterations of the main loop so far; counted as each begins. Frames are captured
// from the start of every journey (testkit::LastFrame).
int IterationCount();

// Runs body in a child process and expects it to end well; gtest failures inside it
// are printed by the child and make it exit with 1.
void RunInChild(const std::function<void()>& body);

// A text of the configuration's table, as UTF-8.
std::string Text(const wchar_t* section, int index);
// The start pictures cut short by a key pressed and released over and over; the step
// ends in the first iteration on the menu, with the key up.
void SkipSplash(Journey& journey);
// Waits for the install or uninstall worker's result and checks the status it ended
// with and that the scene's result line shows that status's text.
void ExpectResult(Journey& journey, bool install, std::int32_t status);

// The two frames show the same pixels inside the rectangle.
bool SameRegion(const testkit::Frame& a, const testkit::Frame& b, Rect rect);

}  // namespace apptest
