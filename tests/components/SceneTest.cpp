#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/Scene.h"
#include "tests/components/LogCapture.h"

namespace {

// A component that writes every forwarded call and every event it receives into a
// journal shared by the whole scene, so order across components shows.
class Probe : public CTComponent {
 public:
  Probe(std::string name, std::vector<std::string>* journal) : name_(std::move(name)), journal_(journal) {}

  void Initialize() override { Note("Initialize", [&] { CTComponent::Initialize(); }); }
  void Shutdown() override { Note("Shutdown", [&] { CTComponent::Shutdown(); }); }
  bool Enter() override { return NoteResult("Enter", [&] { return CTComponent::Enter(); }); }
  bool Leave() override { return NoteResult("Leave", [&] { return CTComponent::Leave(); }); }
  void Update() override { Note("Update", [&] { CTComponent::Update(); }); }
  void Draw() override { Note("Draw", [&] { CTComponent::Draw(); }); }
  bool Pause() override { return NoteResult("Pause", [&] { return CTComponent::Pause(); }); }
  bool Resume() override { return NoteResult("Resume", [&] { return CTComponent::Resume(); }); }
  void OnEvent(CTEvent event) override {
    events.push_back(event);
    journal_->push_back(name_ + ":event" + std::to_string(event.kind));
    if (onEvent) onEvent(event);
  }

  std::vector<CTEvent> events;
  std::function<void(const CTEvent&)> onEvent;

 private:
  void Note(const char* what, const std::function<void()>& base) {
    journal_->push_back(name_ + ":" + what);
    base();
  }
  bool NoteResult(const char* what, const std::function<bool()>& base) {
    journal_->push_back(name_ + ":" + what);
    return base();
  }

  std::string name_;
  std::vector<std::string>* journal_;
};

DIMOUSESTATE NoButtons() { return DIMOUSESTATE{}; }

class SceneRouting : public testing::Test {
 protected:
  SceneRouting() {
    a.SetRect(10.0f, 20.0f, 100.0f, 30.0f);
    b.SetRect(60.0f, 20.0f, 100.0f, 30.0f);  // overlaps a from x 60 to 110
    scene.AddComponent(&a);
    scene.AddComponent(&b);
  }
  void Move(std::int32_t x, std::int32_t y) { scene.OnEvent(CTEventMouseMove(NoButtons(), x, y)); }
  std::vector<std::int32_t> Kinds(const Probe& probe) const {
    std::vector<std::int32_t> kinds;
    for (const CTEvent& event : probe.events) kinds.push_back(event.kind);
    return kinds;
  }

  std::vector<std::string> journal;
  Probe a{"a", &journal};
  Probe b{"b", &journal};
  CTScene scene;
};

TEST(SceneForwarding, EmptySceneDoesNothingAndAnswersZero) {
  CTScene scene;
  scene.Initialize();
  scene.Enter();
  scene.Resume();
  scene.Update();
  scene.Draw();
  scene.OnEvent(CTEventMouseDown(NoButtons(), 1, 1, 0));
  scene.Pause();
  scene.Leave();
  scene.Shutdown();
  EXPECT_EQ(scene.GetId(), NoScene);
  EXPECT_EQ(scene.GetNextScene(), NoScene);
}

TEST(SceneForwarding, LifeCycleReachesEveryComponentInListOrderAndDrawSkipsHidden) {
  LogCapture log;
  std::vector<std::string> journal;
  Probe first("1", &journal), hidden("2", &journal);
  hidden.Hide();
  CTScene scene;
  scene.AddComponent(&first);
  scene.AddComponent(&hidden);

  scene.Initialize();
  scene.Enter();
  scene.Resume();
  scene.Update();
  scene.Draw();
  scene.Pause();
  scene.Leave();
  scene.Shutdown();
  const std::vector<std::string> expected = {
      "1:Initialize", "2:Initialize", "1:Enter", "2:Enter", "1:Resume", "2:Resume", "1:Update", "2:Update",
      "1:Draw",  // the hidden one is updated, not drawn
      "1:Pause", "2:Pause", "1:Leave", "2:Leave", "1:Shutdown", "2:Shutdown"};
  EXPECT_EQ(journal, expected);
  EXPECT_TRUE(log.Empty());
}

TEST(SceneForwarding, ComponentAddedTwiceIsVisitedTwiceAndResultsAreIgnored) {
  std::vector<std::string> journal;
  Probe twice("t", &journal);
  CTScene scene;
  scene.AddComponent(&twice);
  scene.AddComponent(&twice);
  scene.Enter();  // the second Enter answers false; the scene goes on
  scene.Leave();
  EXPECT_EQ(journal, (std::vector<std::string>{"t:Enter", "t:Enter", "t:Leave", "t:Leave"}));
  EXPECT_FALSE(twice.IsEntered());
}

TEST_F(SceneRouting, PointerCrossingAComponentGivesInMoveOutThenNothing) {
  Move(0, 0);
  EXPECT_TRUE(a.events.empty());
  Move(20, 25);
  Move(21, 26);
  Move(200, 26);
  Move(300, 300);
  EXPECT_EQ(Kinds(a), (std::vector<std::int32_t>{CTEvent::MouseIn, CTEvent::MouseMove, CTEvent::MouseOut}));
  EXPECT_FALSE(a.IsMouseInside());
  EXPECT_TRUE(b.events.empty());
}

TEST_F(SceneRouting, TheIncomingKindDoesNotDecideTheHoverKind) {
  scene.OnEvent(CTEventMouseOut(NoButtons(), 20, 25));  // lands inside a
  scene.OnEvent(CTEventMouseIn(NoButtons(), 21, 25));
  EXPECT_EQ(Kinds(a), (std::vector<std::int32_t>{CTEvent::MouseIn, CTEvent::MouseMove}));
}

TEST_F(SceneRouting, PointerLeavingTheWindowReachesOnlyHoveredComponents) {
  Move(20, 25);  // a only
  scene.OnEvent(CTEventMouseOut(NoButtons(), -1, 480));
  EXPECT_EQ(Kinds(a), (std::vector<std::int32_t>{CTEvent::MouseIn, CTEvent::MouseOut}));
  EXPECT_TRUE(b.events.empty());
}

TEST_F(SceneRouting, ButtonsAndWheelReachEveryHitComponentWithoutTouchingHover) {
  scene.OnEvent(CTEventMouseDown(NoButtons(), 80, 30, 0));  // in both
  scene.OnEvent(CTEventMouseWheel(NoButtons(), 150, 30));   // in b only
  scene.OnEvent(CTEventMouseUp(NoButtons(), 500, 30, 0));   // in none
  EXPECT_EQ(journal, (std::vector<std::string>{"a:event2", "b:event2", "b:event4"}));
  EXPECT_FALSE(a.IsMouseInside());
  EXPECT_FALSE(b.IsMouseInside());

  Move(20, 25);
  scene.OnEvent(CTEventMouseUp(NoButtons(), 500, 30, 0));  // an up elsewhere keeps a hovered
  EXPECT_TRUE(a.IsMouseInside());
}

TEST_F(SceneRouting, TopEdgeMissesAndLeftEdgeHits) {
  scene.OnEvent(CTEventMouseDown(NoButtons(), 30, 20, 0));
  EXPECT_TRUE(a.events.empty());
  scene.OnEvent(CTEventMouseDown(NoButtons(), 10, 21, 0));
  ASSERT_EQ(a.events.size(), 1u);
  EXPECT_EQ(a.events[0].x, 0);
  EXPECT_EQ(a.events[0].y, 1);
}

TEST_F(SceneRouting, KeysAndCharactersStayWithTheScene) {
  Move(20, 25);
  a.events.clear();
  // A key code in x could look like a point inside; it must not be hit tested.
  scene.OnEvent(CTEventKeyPress(20, 0));
  scene.OnEvent(CTEventKeyRelease(20, 0));
  scene.OnEvent(CTEventSymbol(0, L'A'));
  scene.OnEvent(CTEvent());
  EXPECT_TRUE(a.events.empty());
  EXPECT_TRUE(a.IsMouseInside());
}

TEST_F(SceneRouting, ComponentsGetRelativeCoordinatesAndTheRestUnchanged) {
  a.SetRect(99.5f, 10.25f, 10.0f, 10.0f);
  DIMOUSESTATE state{};
  state.rgbButtons[1] = 0x80;
  state.lZ = -120;
  scene.OnEvent(CTEventMouseDown(state, 101, 12, 1));
  scene.OnEvent(CTEventMouseWheel(state, 100, 11));
  Move(-3, -7);  // no event: never inside
  ASSERT_EQ(a.events.size(), 2u);
  EXPECT_EQ(a.events[0].x, 1);  // 1.5 truncated
  EXPECT_EQ(a.events[0].y, 1);  // 1.75 truncated
  EXPECT_EQ(a.events[0].rightDown, 1);
  EXPECT_EQ(a.events[0].leftDown, 0);
  EXPECT_EQ(a.events[0].button, 1);
  EXPECT_EQ(a.events[0].wheel, -120);
  EXPECT_EQ(a.events[1].x, 0);  // 0.5 truncated
  EXPECT_EQ(a.events[1].button, 4);

  Move(99, 15);  // x 99 is outside (left of 99.5): nothing
  Move(100, 15);
  scene.OnEvent(CTEventMouseOut(NoButtons(), 99, 5));
  ASSERT_EQ(a.events.size(), 4u);
  EXPECT_EQ(a.events[2].kind, CTEvent::MouseIn);
  EXPECT_EQ(a.events[3].kind, CTEvent::MouseOut);
  EXPECT_EQ(a.events[3].x, 0);   // -0.5 truncated toward zero
  EXPECT_EQ(a.events[3].y, -5);  // -5.25 truncated toward zero
}

TEST_F(SceneRouting, RelativeCoordinatesSaturateForFarAwayComponents) {
  // A component that wandered off (or to NaN) while hovered still gets its MouseOut,
  // with coordinates clamped to the integer range rather than an undefined conversion.
  Move(20, 25);
  a.SetX(std::numeric_limits<float>::quiet_NaN());
  Move(20, 25);
  ASSERT_EQ(a.events.size(), 2u);
  EXPECT_EQ(a.events[1].kind, CTEvent::MouseOut);
  EXPECT_EQ(a.events[1].x, 0);

  b.SetRect(-1e30f, -1e30f, 3e30f, 3e30f);
  scene.OnEvent(CTEventMouseDown(NoButtons(), 5, 5, 0));
  ASSERT_FALSE(b.events.empty());
  EXPECT_EQ(b.events.back().x, std::numeric_limits<std::int32_t>::max());
  Move(5, 5);  // b is hovered now
  b.SetRect(1e30f, 1e30f, 0.0f, 0.0f);
  Move(6, 6);
  EXPECT_EQ(b.events.back().kind, CTEvent::MouseOut);
  EXPECT_EQ(b.events.back().x, std::numeric_limits<std::int32_t>::min());
}

TEST_F(SceneRouting, HiddenComponentsTakePartInRouting) {
  a.Hide();
  Move(20, 25);
  scene.OnEvent(CTEventMouseDown(NoButtons(), 20, 25, 0));
  scene.OnEvent(CTEventMouseUp(NoButtons(), 20, 25, 0));
  scene.OnEvent(CTEventMouseWheel(NoButtons(), 20, 25));
  Move(21, 25);
  Move(0, 0);
  EXPECT_EQ(Kinds(a), (std::vector<std::int32_t>{CTEvent::MouseIn, CTEvent::MouseDown, CTEvent::MouseUp,
                                                 CTEvent::MouseWheel, CTEvent::MouseMove, CTEvent::MouseOut}));
}

TEST(SceneRoutingTwice, ComponentAddedTwiceGetsInThenMoveFromOneMovement) {
  std::vector<std::string> journal;
  Probe twice("t", &journal);
  twice.SetRect(0.0f, 0.0f, 10.0f, 10.0f);
  CTScene scene;
  scene.AddComponent(&twice);
  scene.AddComponent(&twice);
  scene.OnEvent(CTEventMouseMove(DIMOUSESTATE{}, 5, 5));
  EXPECT_EQ(journal, (std::vector<std::string>{"t:event5", "t:event1"}));
}

TEST(SceneRoutingTwice, AComponentMayAddToTheSceneWhileItHandlesAnEvent) {
  std::vector<std::string> journal;
  Probe adder("adder", &journal), late("late", &journal);
  adder.SetRect(0.0f, 0.0f, 10.0f, 10.0f);
  late.SetRect(0.0f, 0.0f, 10.0f, 10.0f);
  CTScene scene;
  scene.AddComponent(&adder);
  bool added = false;
  adder.onEvent = [&](const CTEvent&) {
    if (added) return;
    added = true;
    for (int i = 0; i < 64; ++i) scene.AddComponent(&late);  // forces the list to grow
  };
  scene.OnEvent(CTEventMouseDown(DIMOUSESTATE{}, 5, 5, 0));
  EXPECT_EQ(late.events.size(), 64u);
}

}  // namespace
