#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Scene.h"

namespace {

// Writes each forwarded call and each received event ("name:kind x,y") to a shared
// journal, so order across components shows.
struct Probe : CTComponent {
  Probe(std::string n, std::vector<std::string>* j) : name(std::move(n)), journal(j) {}
  void Note(const std::string& what) { journal->push_back(name + ":" + what); }
  void Initialize() override { Note("init"), CTComponent::Initialize(); }
  bool Enter() override { return Note("enter"), CTComponent::Enter(); }
  void Update() override { Note("update"), CTComponent::Update(); }
  void Draw() override { Note("draw"), CTComponent::Draw(); }
  bool Resume() override { return Note("resume"), CTComponent::Resume(); }
  void OnEvent(CTEvent e) override {
    Note(std::to_string(e.kind) + " " + std::to_string(e.x) + "," + std::to_string(e.y));
    last = e;
    if (onEvent) onEvent();
  }
  std::string name;
  std::vector<std::string>* journal;
  CTEvent last;
  std::function<void()> onEvent;
};

class SceneTest : public testing::Test {
 protected:
  SceneTest() {
    a.SetRect(10.0f, 20.0f, 100.0f, 30.0f);
    b.SetRect(60.0f, 20.5f, 100.0f, 30.0f);  // overlaps a from x 60 to 110
    scene.AddComponent(&a);
    scene.AddComponent(&b);
  }
  std::vector<std::string> Take() { return std::exchange(journal, {}); }
  std::vector<std::string> journal;
  Probe a{"a", &journal}, b{"b", &journal};
  CTScene scene;
};

TEST_F(SceneTest, ForwardsInListOrderAndDrawsOnlyVisibleComponents) {
  CTScene empty;
  EXPECT_EQ(std::tuple(empty.GetId(), empty.GetNextScene()), std::tuple(NoScene, NoScene));
  b.Hide();
  scene.Initialize(), scene.Enter(), scene.Resume(), scene.Update(), scene.Draw();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a:init", "b:init", "a:enter", "b:enter", "a:resume", "b:resume",
                                              "a:update", "b:update", "a:draw"}));
}

TEST_F(SceneTest, HoverTrackingTurnsPointerEventsIntoEachComponentsOwnCrossing) {
  const DIMOUSESTATE up{};
  scene.OnEvent(CTEventMouseIn(up, 20, 30));    // onto a
  scene.OnEvent(CTEventMouseOut(up, 70, 31));   // within a, onto b
  scene.OnEvent(CTEventMouseMove(up, 200, 30)); // off both
  scene.OnEvent(CTEventMouseMove(up, 300, 30)); // elsewhere: nothing
  EXPECT_EQ(Take(), (std::vector<std::string>{"a:5 10,10", "a:1 60,11", "b:5 10,10", "a:6 190,10", "b:6 140,9"}));
  scene.OnEvent(CTEventMouseMove(up, 20, 30));
  scene.OnEvent(CTEventMouseOut(up, -1, 480));  // left the window: only a was inside
  EXPECT_EQ(Take(), (std::vector<std::string>{"a:5 10,10", "a:6 -11,460"}));
  EXPECT_FALSE(a.IsMouseInside());
}

TEST_F(SceneTest, ButtonsAndWheelReachEveryHitComponentOnly) {
  DIMOUSESTATE right{};
  right.rgbButtons[1] = 0x80;
  right.lZ = -120;
  a.Hide();  // hidden components take part
  scene.OnEvent(CTEventMouseDown(right, 80, 40, 1));  // both, in list order
  scene.OnEvent(CTEventMouseUp(right, 30, 20, 1));    // a's top edge: nobody
  scene.OnEvent(CTEventMouseWheel(right, 10, 21));    // a's left edge
  scene.OnEvent(CTEventKeyPress(30, 0));              // keys stay with the scene
  scene.OnEvent(CTEventSymbol(0, L'A'));
  EXPECT_EQ(Take(), (std::vector<std::string>{"a:2 70,20", "b:2 20,19", "a:4 0,1"}));
  EXPECT_EQ(std::tuple(int(a.last.rightDown), int(a.last.button), a.last.wheel), std::tuple(1, 4, -120));
  EXPECT_FALSE(a.IsMouseInside());  // clicks do not hover
}

TEST_F(SceneTest, RelativeCoordinatesTruncateTowardZeroAndSaturate) {
  a.SetRect(99.5f, 10.25f, 10.0f, 10.0f);
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 101, 12));
  scene.OnEvent(CTEventMouseOut(DIMOUSESTATE{}, 99, 5));
  EXPECT_EQ(Take(), (std::vector<std::string>{"a:5 1,1", "a:6 0,-5"}));
  // A hovered component that moved far off still gets its MouseOut, clamped.
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 101, 12));
  a.SetPosition(3e9f, std::numeric_limits<float>::quiet_NaN());
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 0, 0));
  EXPECT_EQ(std::tuple(a.last.x, a.last.y), std::tuple(std::numeric_limits<std::int32_t>::min(), 0));
}

TEST_F(SceneTest, AComponentMayAddToTheSceneWhileHandlingAnEvent) {
  a.onEvent = [this] {
    for (int i = 0; i < 64; ++i) scene.AddComponent(&b);  // the list reallocates
  };
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 80, 40));
  a.onEvent = nullptr;
  // a, then b and its 64 copies: one pointer visited again sees itself already inside.
  std::vector<std::string> expected{"a:5 70,20", "b:5 20,19"};
  expected.resize(1 + 65, "b:1 20,19");
  EXPECT_EQ(Take(), expected);
}

}  // namespace
