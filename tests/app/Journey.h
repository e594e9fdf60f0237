// Drives the real installer in this process the way a user would: WinMain runs with
// its main loop, and before each iteration of that loop the journey's current step
// looks at the program and may move the mouse, press a button or a key, or check the
// last presented frame. Input goes in through the layer's test kit, so it reaches the
// program exactly as real input does.
//
// WinMain can run once per process (the scenes are static objects set up once), so
// each journey runs in a child process of its own; see RunInChild.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "platform/testkit/display.h"

namespace apptest {

// A point in the window's client area.
struct Point {
  int x;
  int y;
};

// The middle of a rectangle, where a user clicks a button.
constexpr Point Middle(int x, int y, int width, int height) { return {x + width / 2, y + height / 2}; }

class Journey {
 public:
  // Called at the start of every iteration until it answers true; then the next one.
  using Step = std::function<bool()>;

  // Gives up on a step after this many iterations: the window is closed and the
  // journey fails, so a wrong program never hangs the test.
  static constexpr int kPatience = 5000;

  explicit Journey(std::string name);

  Journey& Then(std::string what, Step step);
  // Single-iteration actions and checks.
  Journey& Do(std::string what, std::function<void()> action);

  Journey& WaitForScene(SceneId scene);
  Journey& WaitFrames(int frames);
  Journey& WaitUntil(std::string what, std::function<bool()> condition);
  // Pointer next to the point and onto it, button down, button up: one iteration each,
  // so the scene sees the pointer come in, the press and the release as separate
  // events, even when the pointer already rested on the point in an earlier scene.
  Journey& Click(Point point);
  Journey& Press(Point point);
  Journey& Release();
  Journey& Key(int scancode);
  Journey& MovePointer(Point point);

  // Runs WinMain with the module instance. Returns its result; every step must have
  // been taken by then.
  int Run();

 private:
  struct Entry {
    std::string what;
    Step step;
  };
  void Iterate();

  std::string name_;
  std::vector<Entry> steps_;
  std::size_t next_ = 0;
  int iterationsOnStep_ = 0;
  bool gaveUp_ = false;
};

// The scene the main loop is on.
SceneId CurrentScene();
// Iterations of the main loop so far; counted as each begins.
int IterationCount();

// The frame presented last (frames are captured from the start of every journey).
testkit::Frame LastFrame();

// Runs body in a child process and expects it to end well; gtest failures inside it
// are printed by the child and make it exit with 1.
void RunInChild(const std::function<void()>& body);

}  // namespace apptest
